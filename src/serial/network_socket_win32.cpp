// TCP connections with Winsock.
// clang-format off
#include <winsock2.h>  // before windows.h and the other socket headers, which build on it
#include <ws2tcpip.h>
#include <mstcpip.h>
#include <windows.h>
// clang-format on

#include <string>

#include "serial/network_socket.h"

namespace serial {

namespace {

// Winsock is started once for the process and never stopped: stopping it would belong
// in the library's unload, where Winsock must not be called.
bool winsockStarted()
{
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

SOCKET handle(intptr_t value) { return static_cast<SOCKET>(value); }

// A request frame leaves at once rather than waiting for more bytes to join it. A
// pulled cable sends no reset: probes after 5 s of silence, every 2 s, end such a
// connection so that it is reopened.
void configure(SOCKET socket)
{
    const BOOL on = TRUE;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    tcp_keepalive keepalive{1, 5000, 2000};
    DWORD returned = 0;
    WSAIoctl(socket, SIO_KEEPALIVE_VALS, &keepalive, sizeof keepalive, nullptr, 0, &returned, nullptr, nullptr);
}

// Waits until `socket` can be written or has failed, at most `waitMs`: 1 ready, 0 time out, -1 failed.
int waitWritable(SOCKET socket, DWORD waitMs)
{
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(socket, &writable);
    FD_SET(socket, &failed);
    timeval limit{static_cast<long>(waitMs / 1000), static_cast<long>(waitMs % 1000) * 1000};
    const int ready = select(0, nullptr, &writable, &failed, &limit);
    if (ready == SOCKET_ERROR || FD_ISSET(socket, &failed)) return -1;
    return ready > 0 ? 1 : 0;
}

// One attempt at one address: 0 when connected, else the Winsock error.
int connectTo(SOCKET socket, const addrinfo& address, ULONGLONG deadline)
{
    if (::connect(socket, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0) return 0;
    if (WSAGetLastError() != WSAEWOULDBLOCK) return WSAGetLastError();
    const ULONGLONG now = GetTickCount64();
    const int ready = now >= deadline ? 0 : waitWritable(socket, static_cast<DWORD>(deadline - now));
    if (ready == 0) return WSAETIMEDOUT;
    int error = 0;
    int length = sizeof error;
    if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0)
        return WSAGetLastError();
    return ready < 0 && error == 0 ? WSAECONNREFUSED : error;
}

}  // namespace

bool NetworkConnection::connect(const std::string& host, uint16_t port, uint32_t waitMs, int& systemError)
{
    close();
    if (!winsockStarted()) {
        systemError = lastError_ = WSANOTINITIALISED;
        return false;
    }
    const ULONGLONG deadline = GetTickCount64() + waitMs;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* addresses = nullptr;
    const int resolved = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses);
    if (resolved != 0) {
        systemError = lastError_ = resolved;  // a Winsock error: WSAHOST_NOT_FOUND and the like
        return false;
    }
    int error = WSAHOST_NOT_FOUND;
    for (const addrinfo* address = addresses; address != nullptr && error != 0; address = address->ai_next) {
        const SOCKET attempt = socket(address->ai_family, address->ai_socktype, address->ai_protocol);
        if (attempt == INVALID_SOCKET) {
            error = WSAGetLastError();
            continue;
        }
        u_long nonBlocking = 1;
        ioctlsocket(attempt, FIONBIO, &nonBlocking);
        configure(attempt);
        error = connectTo(attempt, *address, deadline);
        if (error == 0) {
            socket_ = static_cast<intptr_t>(attempt);
        } else {
            closesocket(attempt);
        }
    }
    freeaddrinfo(addresses);
    systemError = lastError_ = error;
    return error == 0;
}

int32_t NetworkConnection::receive(uint8_t* buffer, uint32_t count)
{
    if (!isOpen()) return -1;
    const int got = recv(handle(socket_), reinterpret_cast<char*>(buffer), static_cast<int>(count), 0);
    if (got > 0) return got;
    if (got == 0) {
        lastError_ = WSAECONNRESET;  // the server closed the connection
        return -1;
    }
    if (WSAGetLastError() == WSAEWOULDBLOCK) return 0;
    lastError_ = WSAGetLastError();
    return -1;
}

int32_t NetworkConnection::send(const uint8_t* buffer, uint32_t count, uint32_t waitMs)
{
    if (!isOpen()) return -1;
    const ULONGLONG deadline = GetTickCount64() + waitMs;
    uint32_t done = 0;
    while (done < count) {
        const int put =
            ::send(handle(socket_), reinterpret_cast<const char*>(buffer + done), static_cast<int>(count - done), 0);
        if (put > 0) {
            done += static_cast<uint32_t>(put);
            continue;
        }
        if (put == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK) {
            lastError_ = WSAGetLastError();
            return -1;
        }
        const ULONGLONG now = GetTickCount64();
        const int ready = now >= deadline ? 0 : waitWritable(handle(socket_), static_cast<DWORD>(deadline - now));
        if (ready <= 0) {
            lastError_ = ready == 0 ? WSAETIMEDOUT : WSAECONNRESET;
            return -1;
        }
    }
    return static_cast<int32_t>(done);
}

void NetworkConnection::close()
{
    if (!isOpen()) return;
    closesocket(handle(socket_));
    socket_ = kNone;
}

int NetworkConnection::timeoutError() { return WSAETIMEDOUT; }
int NetworkConnection::malformedAddressError() { return WSAEINVAL; }

}  // namespace serial
