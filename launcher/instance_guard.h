// Single-instance guard: the record "PSN" in the application's preference domain names the
// running instance (its 8-byte process identity as 16 hex digits).
#pragma once

#include <cstddef>

// 1 when another live instance holds the record; 0 when this process may go on (it has then
// started listening for other launches, claimed the record where it could, and g_HaveLock is
// set).
int AlreadyRunning();
// The identity (8 bytes) of the other instance the last AlreadyRunning found, or null.
const unsigned char* RunningInstanceIdentity();
// For an uninstall in this process: a later launch finds that it takes no launches, and why.
void AnnounceUninstall();
// Removes the record from the any-user scope, then from the current-user scope, except a
// record that names another live instance.
void ReleaseInstanceRecord();
