// TCP connections with BSD sockets.
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "serial/network_socket.h"

namespace serial {

namespace {

int64_t monotonicMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void setOption(int socket, int level, int name, int value) { ::setsockopt(socket, level, name, &value, sizeof value); }

// A request frame leaves at once rather than waiting for more bytes to join it. A
// pulled cable sends no reset: probes after 5 s of silence, and a limit on unanswered
// data, end such a connection within about 11 s so that it is reopened.
void configure(int socket)
{
    setOption(socket, IPPROTO_TCP, TCP_NODELAY, 1);
    setOption(socket, SOL_SOCKET, SO_KEEPALIVE, 1);
    setOption(socket, IPPROTO_TCP, TCP_KEEPIDLE, 5);
    setOption(socket, IPPROTO_TCP, TCP_KEEPINTVL, 2);
    setOption(socket, IPPROTO_TCP, TCP_KEEPCNT, 3);
    setOption(socket, IPPROTO_TCP, TCP_USER_TIMEOUT, 11000);
}

// Waits until `socket` is ready for `events` or `deadline` passes; the revents, 0 at the deadline.
int waitFor(int socket, short events, int64_t deadline)
{
    for (;;) {
        const int64_t left = deadline - monotonicMs();
        if (left <= 0) return 0;
        pollfd wanted{socket, events, 0};
        const int ready = ::poll(&wanted, 1, static_cast<int>(left));
        if (ready > 0) return wanted.revents;
        if (ready == 0) return 0;
        if (errno != EINTR) return POLLERR;
    }
}

// One attempt at one address: 0 when connected, else the OS error.
int connectTo(int socket, const addrinfo& address, int64_t deadline)
{
    if (::connect(socket, address.ai_addr, address.ai_addrlen) == 0) return 0;
    if (errno != EINPROGRESS) return errno;
    if (waitFor(socket, POLLOUT, deadline) == 0) return ETIMEDOUT;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
    return error;
}

}  // namespace

bool NetworkConnection::connect(const std::string& host, uint16_t port, uint32_t waitMs, int& systemError)
{
    close();
    const int64_t deadline = monotonicMs() + waitMs;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* addresses = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses) != 0) {
        systemError = lastError_ = ENXIO;  // "No such device or address": the name is unknown
        return false;
    }
    int error = ENXIO;
    for (const addrinfo* address = addresses; address != nullptr && error != 0; address = address->ai_next) {
        const int attempt = ::socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (attempt < 0) {
            error = errno;
            continue;
        }
        configure(attempt);
        error = connectTo(attempt, *address, deadline);
        if (error == 0) {
            socket_ = attempt;
        } else {
            ::close(attempt);
        }
    }
    ::freeaddrinfo(addresses);
    systemError = lastError_ = error;
    return error == 0;
}

int32_t NetworkConnection::receive(uint8_t* buffer, uint32_t count)
{
    if (!isOpen()) return -1;
    for (;;) {
        const ssize_t got = ::recv(static_cast<int>(socket_), buffer, count, MSG_DONTWAIT);
        if (got > 0) {
            // Acknowledged at once, not after the delayed-acknowledgement wait: a server
            // that holds back small segments until the last is acknowledged (Nagle)
            // would otherwise hand over a reply piece by piece, 40 ms apart.
            setOption(static_cast<int>(socket_), IPPROTO_TCP, TCP_QUICKACK, 1);
            return static_cast<int32_t>(got);
        }
        if (got == 0) break;  // the server closed the connection
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        if (errno != EINTR) {
            lastError_ = errno;
            return -1;
        }
    }
    lastError_ = ECONNRESET;
    return -1;
}

int32_t NetworkConnection::send(const uint8_t* buffer, uint32_t count, uint32_t waitMs)
{
    if (!isOpen()) return -1;
    const int64_t deadline = monotonicMs() + waitMs;
    uint32_t done = 0;
    while (done < count) {
        // MSG_NOSIGNAL: a reset connection must not end the host process with SIGPIPE.
        const ssize_t put = ::send(static_cast<int>(socket_), buffer + done, count - done, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (put > 0) {
            done += static_cast<uint32_t>(put);
            continue;
        }
        if (put < 0 && errno == EINTR) continue;
        if (put < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            lastError_ = errno;
            return -1;
        }
        const int ready = waitFor(static_cast<int>(socket_), POLLOUT, deadline);
        if ((ready & POLLOUT) == 0) {
            lastError_ = ready == 0 ? ETIMEDOUT : ECONNRESET;
            return -1;
        }
    }
    return static_cast<int32_t>(done);
}

void NetworkConnection::close()
{
    if (!isOpen()) return;
    ::close(static_cast<int>(socket_));
    socket_ = kNone;
}

int NetworkConnection::timeoutError() { return ETIMEDOUT; }
int NetworkConnection::malformedAddressError() { return EINVAL; }

}  // namespace serial
