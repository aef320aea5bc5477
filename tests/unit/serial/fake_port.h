// A serial line in memory: shows what the port object asked of its backend and
// lets a test decide what the line answers.
#pragma once
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Ostrevane800.h"
#include "serial/serial_port.h"

namespace serialtest {

// A configuration block with only the serial codes set.
inline OstrevanePDB configuration(uint8_t port, uint8_t baud = 6, uint8_t dataBits = 4, uint8_t stopBits = 0,
                                  uint8_t parity = 2)
{
    OstrevanePDB pdb{};
    pdb.PortCode = port;
    pdb.BaudCode = baud;
    pdb.DataBitsCode = dataBits;
    pdb.StopBitsCode = stopBits;
    pdb.ParityCode = parity;
    return pdb;
}

struct FakeLine {
    // What the line does.
    bool exists = true;
    bool characterDevice = true;
    bool acceptsSettings = true;
    bool buffersAccepted = true;
    int openError = 2;
    std::string incoming;        // bytes waiting in the input queue
    int32_t readShortBy = 0;     // a read delivers this many bytes fewer than asked
    bool readFails = false;

    // What the port object did.
    bool open = false;
    std::vector<std::string> openedNames;
    int applyCount = 0;
    std::optional<serial::LineSettings> applied;
    std::optional<uint32_t> inputBufferSize, outputBufferSize;
    std::vector<uint32_t> readCounts;
    std::vector<std::string> writes;  // one entry per transfer
    std::vector<std::string> events;  // "purge" and "write" in the order they happened
};

class FakePortBackend final : public serial::PortBackend {
public:
    explicit FakePortBackend(std::shared_ptr<FakeLine> line) : line_(std::move(line)) {}

    bool open(const std::string& portName, int& systemError) override
    {
        line_->openedNames.push_back(portName);
        if (!line_->exists) {
            systemError = line_->openError;
            return false;
        }
        line_->open = true;
        return true;
    }
    bool isCharacterDevice() override { return line_->open && line_->characterDevice; }
    bool setNonBlockingTimeouts() override { return line_->open; }
    bool applySettings(const serial::LineSettings& settings) override
    {
        ++line_->applyCount;
        if (!line_->acceptsSettings) return false;
        line_->applied = settings;
        return true;
    }
    bool setupBuffers(uint32_t inputSize, uint32_t outputSize) override
    {
        line_->inputBufferSize = inputSize;
        line_->outputBufferSize = outputSize;
        return line_->buffersAccepted;
    }
    void purge() override
    {
        line_->incoming.clear();
        line_->events.push_back("purge");
    }
    int32_t bytesWaiting() override { return static_cast<int32_t>(line_->incoming.size()); }
    int32_t read(uint8_t* buffer, uint32_t count, uint32_t) override
    {
        line_->readCounts.push_back(count);
        if (line_->readFails) return -1;
        const auto delivered = static_cast<uint32_t>(
            std::max<int64_t>(0, std::min<int64_t>(count, static_cast<int64_t>(line_->incoming.size())) - line_->readShortBy));
        std::memcpy(buffer, line_->incoming.data(), delivered);
        line_->incoming.erase(0, delivered);
        return static_cast<int32_t>(delivered);
    }
    int32_t write(const uint8_t* buffer, uint32_t count, uint32_t) override
    {
        line_->writes.emplace_back(reinterpret_cast<const char*>(buffer), count);
        line_->events.push_back("write");
        return static_cast<int32_t>(count);
    }
    void close() override { line_->open = false; }
    bool isOpen() const override { return line_->open; }

private:
    std::shared_ptr<FakeLine> line_;
};

}  // namespace serialtest
