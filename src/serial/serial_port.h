// The OS side of a serial port: one small interface, one implementation per OS.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace serial {

// Line settings as the port applies them.
struct LineSettings {
    uint32_t baudRate = 19200;
    uint8_t dataBits = 8;     // 4..8
    uint8_t parity = 2;       // 0 none, 1 odd, 2 even, 3 mark, 4 space
    uint8_t stopBits = 0;     // 0 one, 1 one and a half, 2 two
    bool parityCheck = true;  // fParity
    // The special characters the port state carries: DC1/DC3 for Xon/Xoff, no
    // error, end-of-file or event character.
    uint8_t xonChar = 0x11, xoffChar = 0x13, errorChar = 0, eofChar = 0, eventChar = 0;
    // Flow-control limits: a quarter of the 4096-byte input buffer.
    uint16_t xonLimit = 1024, xoffLimit = 1024;
};

class PortBackend {
public:
    virtual ~PortBackend() = default;
    // Opens the named port ("Com1".."Com10") exclusively for reading and writing
    // without blocking. `systemError` receives the OS error code on failure.
    virtual bool open(const std::string& portName, int& systemError) = 0;
    // The opened handle is a character device (a serial line).
    virtual bool isCharacterDevice() = 0;
    // Reads return at once with what is queued.
    virtual bool setNonBlockingTimeouts() = 0;
    virtual bool applySettings(const LineSettings& settings) = 0;
    virtual bool setupBuffers(uint32_t inputSize, uint32_t outputSize) = 0;
    // Discards both queues.
    virtual void purge() = 0;
    // Bytes waiting in the input queue; clears the error state.
    virtual int32_t bytesWaiting() = 0;
    // Transfers with a bound on the wait; the count moved, or -1.
    virtual int32_t read(uint8_t* buffer, uint32_t count, uint32_t waitMs) = 0;
    virtual int32_t write(const uint8_t* buffer, uint32_t count, uint32_t waitMs) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The OS error code of the last call that failed; 0 when none is known.
    virtual int lastError() const { return 0; }
    // The last failure left the handle dead (the device or the connection is gone): it
    // must be closed and opened again.
    virtual bool lineGone() const;
    // Something the engineer should read once that is no failure (a server keeping its
    // own line settings); empty when there is nothing new.
    virtual std::string takeNotice() { return {}; }
};

// The backend for whatever the port's mapping names: a device, or a line behind a
// serial device server (see port_address.h). Chosen at each open.
std::unique_ptr<PortBackend> createPortBackend();
// A serial device of this OS.
std::unique_ptr<PortBackend> createDevicePortBackend();
// A line behind a serial device server, over TCP.
std::unique_ptr<PortBackend> createNetworkPortBackend();

// True when an OS error code means the device itself is gone (an adapter unplugged,
// the far end of a pseudo-terminal closed): the handle is dead and must be reopened.
bool deviceGone(int systemError);
// The OS's own text for an error code.
std::string systemErrorText(int systemError);

}  // namespace serial
