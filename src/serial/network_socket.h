// A TCP connection to a serial device server: the OS's sockets behind one small class,
// one file per OS. Nothing here waits longer than it is told.
#pragma once
#include <cstdint>
#include <string>

namespace serial {

class NetworkConnection {
public:
    NetworkConnection() = default;
    ~NetworkConnection() { close(); }
    NetworkConnection(const NetworkConnection&) = delete;
    NetworkConnection& operator=(const NetworkConnection&) = delete;

    // Connects within `waitMs`, trying each address of the host in turn; false with
    // the OS error (a name that does not resolve included) in `systemError`.
    bool connect(const std::string& host, uint16_t port, uint32_t waitMs, int& systemError);
    // What has arrived, without waiting: the count (0 when nothing), or -1. A connection
    // the server closed is an error like a reset one.
    int32_t receive(uint8_t* buffer, uint32_t count);
    // All of `count` bytes within `waitMs`: the count, or -1.
    int32_t send(const uint8_t* buffer, uint32_t count, uint32_t waitMs);
    void close();
    bool isOpen() const { return socket_ != kNone; }
    int lastError() const { return lastError_; }

    // The error of a send that found no room in time: the connection may still recover.
    static int timeoutError();
    // The error of a mapping whose host and port cannot be read.
    static int malformedAddressError();

private:
    static constexpr intptr_t kNone = -1;  // the OS's invalid socket as a number
    intptr_t socket_ = kNone;
    int lastError_ = 0;
};

}  // namespace serial
