#include "libs/io/tcp_no_delay.h"

#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace lexkit {

namespace {

bool IsTcpStream(int fd) {
  int type = 0;
  socklen_t type_len = sizeof type;
  if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &type_len) != 0 || type != SOCK_STREAM)
    return false;
  sockaddr_storage address{};
  socklen_t address_len = sizeof address;
  if (getsockname(fd, reinterpret_cast<sockaddr *>(&address), &address_len) != 0) return false;
  return address.ss_family == AF_INET || address.ss_family == AF_INET6;
}

// The open descriptors from `first_fd` on: /proc's list where there is
// one, else every number below the limit of open files (at most 4096).
std::vector<int> OpenDescriptors(int first_fd) {
  std::vector<int> fds;
  if (DIR *dir = opendir("/proc/self/fd")) {
    const int own = dirfd(dir);
    while (const dirent *entry = readdir(dir)) {
      if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
      const int fd = atoi(entry->d_name);
      if (fd >= first_fd && fd != own) fds.push_back(fd);
    }
    closedir(dir);
    return fds;
  }
  long limit = sysconf(_SC_OPEN_MAX);
  if (limit < 0 || limit > 4096) limit = 4096;
  for (int fd = first_fd; fd < limit; ++fd) fds.push_back(fd);
  return fds;
}

}  // namespace

int SetNoDelayOnTcpSockets(int first_fd) {
  int set = 0;
  const int on = 1;
  for (const int fd : OpenDescriptors(first_fd))
    if (IsTcpStream(fd) && setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) == 0) ++set;
  return set;
}

}  // namespace lexkit
