// A line behind a serial device server, reached over TCP: the raw byte stream, or
// Telnet with the COM port option. To the port object it looks like a serial port:
// reads take what has arrived, writes are bounded, a closed connection is a vanished
// device.
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "serial/TelnetLine.h"
#include "serial/network_socket.h"
#include "serial/port_address.h"
#include "serial/serial_port.h"

namespace serial {

namespace {

// The longest an open may take: the bound a write has.
constexpr uint32_t kConnectWait = 1000;   // ms
constexpr uint32_t kAnswerWait = 1000;    // ms, for Telnet answers and settings
constexpr uint32_t kReceiveChunk = 4096;  // bytes taken from the connection at a time
constexpr int kMostChunksAtOnce = 16;     // so that a flood cannot hold the host's call

class NetworkPortBackend final : public PortBackend {
public:
    bool open(const std::string& portName, int& systemError) override
    {
        close();
        NetworkAddress address;
        if (classifyMapping(portMapping(portName), address) != MappingKind::Network) {
            systemError = lastError_ = NetworkConnection::malformedAddressError();
            return false;
        }
        if (address.host != host_ || address.port != port_) refusalReported_ = false;
        host_ = address.host;
        port_ = address.port;
        if (!connection_.connect(address.host, address.port, kConnectWait, systemError)) {
            lastError_ = systemError;
            return false;
        }
        broken_ = false;
        if (address.telnet) {
            telnet_.emplace();
            if (!sendRaw(telnet_->opening())) {
                systemError = lastError_;
                close();
                return false;
            }
        }
        return true;
    }

    // A connection to a serial device server stands for the serial line at its far end.
    bool isCharacterDevice() override { return isOpen(); }
    // Receiving never waits; see bytesWaiting.
    bool setNonBlockingTimeouts() override { return isOpen(); }

    // Raw TCP carries no line settings: the server's own hold.
    bool applySettings(const LineSettings& settings) override
    {
        if (!isOpen()) return false;
        if (!telnet_) return true;
        settingsFrames_ = TelnetLine::settingsFrames(settings);
        if (settingsFrames_.empty()) {
            lastError_ = NetworkConnection::malformedAddressError();  // "invalid argument"
            return false;
        }
        return sendRaw(settingsFrames_);
    }

    // The server and the system size their own queues.
    bool setupBuffers(uint32_t, uint32_t) override { return isOpen(); }

    // What came before a request is no answer to it.
    void purge() override
    {
        pump();
        received_.clear();
    }

    int32_t bytesWaiting() override
    {
        if (!isOpen() || !pump()) return -1;
        return static_cast<int32_t>(std::min<size_t>(received_.size(), INT32_MAX));
    }

    int32_t read(uint8_t* buffer, uint32_t count, uint32_t) override
    {
        if (!isOpen()) return -1;
        if (received_.empty() && !pump()) return -1;
        const auto taken = static_cast<uint32_t>(std::min<size_t>(count, received_.size()));
        std::memcpy(buffer, received_.data(), taken);
        received_.erase(0, taken);
        return static_cast<int32_t>(taken);
    }

    int32_t write(const uint8_t* buffer, uint32_t count, uint32_t waitMs) override
    {
        if (!isOpen()) return -1;
        if (!telnet_) return transferred(connection_.send(buffer, count, waitMs), count);
        const std::string escaped = TelnetLine::escape(buffer, count);
        const auto* bytes = reinterpret_cast<const uint8_t*>(escaped.data());
        return transferred(connection_.send(bytes, static_cast<uint32_t>(escaped.size()), waitMs), count);
    }

    void close() override
    {
        connection_.close();
        telnet_.reset();
        received_.clear();
        settingsFrames_.clear();
    }

    bool isOpen() const override { return connection_.isOpen(); }
    int lastError() const override { return lastError_; }
    // A connection that failed is dead, except after a send that only ran out of time.
    bool lineGone() const override { return broken_; }

    std::string takeNotice() override
    {
        if (!telnet_ || !telnet_->comPortRefused() || refusalReported_) return {};
        refusalReported_ = true;
        return "the serial device server refuses the COM port option; the line keeps the server's own settings";
    }

private:
    // Takes what has arrived into the receive buffer, answering the server's Telnet
    // negotiation on the way; false when the connection failed.
    bool pump()
    {
        uint8_t chunk[kReceiveChunk];
        for (int round = 0; round < kMostChunksAtOnce; ++round) {
            const int32_t got = connection_.receive(chunk, sizeof chunk);
            if (got < 0) return failed(connection_.lastError());
            if (got == 0) break;
            if (!telnet_) {
                received_.append(reinterpret_cast<const char*>(chunk), static_cast<size_t>(got));
                continue;
            }
            std::string answers;
            telnet_->receive(chunk, static_cast<size_t>(got), received_, answers);
            if (telnet_->settingsOwed()) {
                telnet_->settingsSent();
                answers += settingsFrames_;
            }
            if (!answers.empty() && !sendRaw(answers)) return false;
        }
        return true;
    }

    bool sendRaw(const std::string& bytes)
    {
        const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
        return transferred(connection_.send(data, static_cast<uint32_t>(bytes.size()), kAnswerWait), 0) >= 0;
    }

    // The count of a send that succeeded, or -1 with the failure noted.
    int32_t transferred(int32_t sent, uint32_t count)
    {
        if (sent >= 0) return static_cast<int32_t>(count);
        failed(connection_.lastError());
        return -1;
    }

    bool failed(int error)
    {
        lastError_ = error;
        broken_ = error != NetworkConnection::timeoutError();
        return false;
    }

    NetworkConnection connection_;
    std::optional<TelnetLine> telnet_;
    std::string received_;        // line data not yet read
    std::string settingsFrames_;  // as last sent, for a server that agrees late
    std::string host_;
    uint16_t port_ = 0;
    int lastError_ = 0;
    bool broken_ = false;
    bool refusalReported_ = false;  // per server: a refusal is said once, not at every reconnection
};

}  // namespace

std::unique_ptr<PortBackend> createNetworkPortBackend() { return std::make_unique<NetworkPortBackend>(); }

}  // namespace serial
