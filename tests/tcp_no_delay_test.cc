// TCP_NODELAY on the process's TCP sockets from a descriptor on, and on
// nothing else.
#include "libs/io/tcp_no_delay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace lexkit {
namespace {

int NoDelay(int fd) {
  int on = -1;
  socklen_t len = sizeof on;
  return getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, &len) == 0 ? on : -1;
}

TEST(TcpNoDelay, SetsEveryTcpSocketFromTheGivenDescriptorOnly) {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr *>(&address), len), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr *>(&address), &len), 0);
  auto connected_pair = [&](int ends[2]) {
    ends[0] = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(connect(ends[0], reinterpret_cast<sockaddr *>(&address), len), 0);
    ends[1] = accept(listener, nullptr, nullptr);
    ASSERT_GE(ends[1], 0);
  };
  int before[2], after[2], unix_pair[2], pipe_ends[2];
  connected_pair(before);
  connected_pair(after);  // descriptors are numbered upwards: all above `before`
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, unix_pair), 0);
  ASSERT_EQ(pipe(pipe_ends), 0);
  for (int fd : {before[0], before[1], after[0], after[1]}) ASSERT_EQ(NoDelay(fd), 0);

  // The two ends of `after`, and nothing of the Unix pair or the pipe.
  EXPECT_EQ(SetNoDelayOnTcpSockets(std::min(after[0], after[1])), 2);
  EXPECT_NE(NoDelay(after[0]), 0);
  EXPECT_NE(NoDelay(after[1]), 0);
  EXPECT_EQ(NoDelay(before[0]), 0);
  EXPECT_EQ(NoDelay(before[1]), 0);
  // All of them from the listener on.
  EXPECT_EQ(SetNoDelayOnTcpSockets(listener), 5);
  EXPECT_NE(NoDelay(before[0]), 0);

  for (int fd : {listener, before[0], before[1], after[0], after[1], unix_pair[0], unix_pair[1],
                 pipe_ends[0], pipe_ends[1]})
    close(fd);
}

}  // namespace
}  // namespace lexkit
