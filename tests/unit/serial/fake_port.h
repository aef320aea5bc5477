// A serial line in memory that can refuse to open, refuse settings and fail
// transfers: the shared memory line of the engine tests always works.
#pragma once
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "Ostrevane800.h"
#include "serial/serial_port.h"

namespace serialtest {

inline OstrevanePDB configuration(uint8_t port, uint8_t baud = 6, uint8_t dataBits = 4, uint8_t stopBits = 0,
                                  uint8_t parity = 2)
{
    OstrevanePDB pdb{};
    std::tie(pdb.PortCode, pdb.BaudCode, pdb.DataBitsCode, pdb.StopBitsCode, pdb.ParityCode) =
        std::tie(port, baud, dataBits, stopBits, parity);
    return pdb;
}

struct FakeLine {
    bool exists = true, characterDevice = true, acceptsSettings = true, buffersAccepted = true;
    std::string incoming;     // bytes waiting in the input queue
    int32_t readShortBy = 0;  // a read delivers this many bytes fewer than asked
    int transferError = 0;    // reads and writes fail with this OS error

    bool open = false;
    std::vector<std::string> openedNames;
    std::optional<serial::LineSettings> applied;
    std::vector<std::string> writes;  // one entry per transfer
    std::vector<std::string> events;  // "purge" and "write" in order
};

class FakePortBackend final : public serial::PortBackend {
public:
    explicit FakePortBackend(std::shared_ptr<FakeLine> line) : line_(std::move(line)) {}
    bool open(const std::string& portName, int& systemError) override
    {
        line_->openedNames.push_back(portName);
        systemError = line_->exists ? 0 : 2;
        return line_->open = line_->exists;
    }
    bool isCharacterDevice() override { return line_->characterDevice; }
    bool setNonBlockingTimeouts() override { return true; }
    bool applySettings(const serial::LineSettings& settings) override
    {
        if (line_->acceptsSettings) line_->applied = settings;
        return line_->acceptsSettings;
    }
    bool setupBuffers(uint32_t, uint32_t) override { return line_->buffersAccepted; }
    void purge() override
    {
        line_->incoming.clear();
        line_->events.push_back("purge");
    }
    int32_t bytesWaiting() override { return static_cast<int32_t>(line_->incoming.size()); }
    int32_t read(uint8_t* buffer, uint32_t count, uint32_t) override
    {
        if (line_->transferError) return -1;
        const auto delivered = static_cast<uint32_t>(std::max<int64_t>(
            0, std::min<int64_t>(count, static_cast<int64_t>(line_->incoming.size())) - line_->readShortBy));
        std::memcpy(buffer, line_->incoming.data(), delivered);
        line_->incoming.erase(0, delivered);
        return static_cast<int32_t>(delivered);
    }
    int32_t write(const uint8_t* buffer, uint32_t count, uint32_t) override
    {
        if (line_->transferError) return -1;
        line_->writes.emplace_back(reinterpret_cast<const char*>(buffer), count);
        line_->events.push_back("write");
        return static_cast<int32_t>(count);
    }
    void close() override { line_->open = false; }
    bool isOpen() const override { return line_->open; }
    int lastError() const override { return line_->transferError; }

private:
    std::shared_ptr<FakeLine> line_;
};

}  // namespace serialtest
