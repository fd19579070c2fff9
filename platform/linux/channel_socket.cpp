// Addresses and peer checks of the instance channel; see channel_socket.h.
#include "platform/linux/channel_socket.h"

#include <unistd.h>

#include <cstring>

#include "platform/instance_channel.h"

int ChannelAddress(const unsigned char* identity, int index, sockaddr_un* address,
                   socklen_t* size) {
  memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  // sun_path[0] stays NUL: an abstract name, which no file system holds.
  if (!ChannelName(identity, index, address->sun_path + 1, sizeof address->sun_path - 1)) return 0;
  *size =
      static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + strlen(address->sun_path + 1));
  return 1;
}

int ChannelPeerIs(int fd, pid_t pid) {
  ucred peer;
  socklen_t size = sizeof peer;
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == geteuid() &&
         (pid == 0 || peer.pid == pid);
}
