// Small messages on this process's TCP connections sent at once.
//
// Some runtimes a program links (Open MPI's PMIx client among them) talk to
// a local server over a TCP connection they leave with Nagle's algorithm
// on. A message of several small writes then waits, after its first write,
// for the server's acknowledgement, which the kernel delays by up to 40 ms
// when the server has nothing to answer yet. SetNoDelayOnTcpSockets turns
// that algorithm off (TCP_NODELAY) on every TCP stream socket the process
// holds from `first_fd` on. Only latency changes: the bytes sent are the
// same.
#ifndef LEXKIT_LIBS_IO_TCP_NO_DELAY_H
#define LEXKIT_LIBS_IO_TCP_NO_DELAY_H

namespace lexkit {

// Returns how many sockets now have TCP_NODELAY. Other descriptors (files,
// pipes, Unix sockets) are left as they are.
int SetNoDelayOnTcpSockets(int first_fd);

}  // namespace lexkit

#endif  // LEXKIT_LIBS_IO_TCP_NO_DELAY_H
