// What both ends of the instance channel share: the abstract socket address of an instance
// (Linux's abstract names need no folder and always fit), and the check of who is at the
// other end of a connection.
#pragma once

#include <sys/socket.h>
#include <sys/types.h>
#include <sys/un.h>

// The address of the instance's index-th name; *size is the length to pass to bind/connect.
int ChannelAddress(const unsigned char* identity, int index, sockaddr_un* address, socklen_t* size);
// 1 when the peer of fd runs as this process's effective user and, when pid is not 0, is
// that process.
int ChannelPeerIs(int fd, pid_t pid);
