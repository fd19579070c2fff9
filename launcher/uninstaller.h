// Uninstall mode: asks, deletes what the install log "uninstall.log" lists, offers the
// exit poll.
#pragma once

void UninstallFlow();
int SelfDestruct();
void DelPattern(const char* folder, const char* pattern);
