// A driver object on a serial line in memory: the instruments' end of the line, the
// plant most tests poll, and the frames they exchange. Used by the engine tests and
// by the fuzz targets, so it needs no test framework.
#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Ostrevane800.h"
#include "serial/serial_port.h"

class TDLLObject;

namespace testing_support {

// The instruments' end of the line.
struct Line {
    bool open = false;
    std::string incoming;           // bytes on their way to the driver
    std::vector<std::string> sent;  // what the driver transmitted, one entry per request
};

class LineBackend final : public serial::PortBackend {
public:
    explicit LineBackend(std::shared_ptr<Line> line) : line_(std::move(line)) {}
    bool open(const std::string&, int&) override { return line_->open = true; }
    bool isCharacterDevice() override { return true; }
    bool setNonBlockingTimeouts() override { return true; }
    bool applySettings(const serial::LineSettings&) override { return true; }
    bool setupBuffers(uint32_t, uint32_t) override { return true; }
    void purge() override { line_->incoming.clear(); }
    int32_t bytesWaiting() override { return static_cast<int32_t>(line_->incoming.size()); }
    int32_t read(uint8_t* buffer, uint32_t count, uint32_t) override;
    int32_t write(const uint8_t* buffer, uint32_t count, uint32_t) override;
    void close() override { line_->open = false; }
    bool isOpen() const override { return line_->open; }

private:
    std::shared_ptr<Line> line_;
};

// Devices 1 and 3 are 808s, device 2 an 847; COM1 at 9600 baud.
OstrevanePDB plant();

// A host value of `kind` with `data` in its first bytes (a text: a pointer to UTF-16
// characters that must outlive it); the bytes the kind does not use hold garbage.
template <typename T>
OstrevaneVariant variant(uint16_t kind, T data)
{
    OstrevaneVariant value{};
    value.Kind = kind;
    std::memset(value.Data.Bytes, 0xA5, sizeof value.Data.Bytes);
    std::memcpy(value.Data.Bytes, &data, sizeof data);
    return value;
}

// A host tag named "T<id>" with a report interval (its poll period).
HostTagRec hostTag(uint32_t id, std::string_view address, uint8_t valueType = OSTREVANE_VALUE_NUMBER,
                   uint32_t period = 1000, OstrevaneVariant initial = {});

// The poll of a parameter: EOT, the device number doubled, the mnemonic, ENQ.
std::string poll(int deviceNo, std::string_view mnemonic);
// A read reply with its block check.
std::string reply(std::string_view mnemonic, std::string_view data);
constexpr std::string_view kAck = "\x06";

// Puts the object on the line and initialises it with the host's tags, as IniDriver
// does; `records` must outlive the call only.
bool startOnLine(TDLLObject& object, std::shared_ptr<Line> line, std::vector<HostTagRec>& records,
                 const OstrevanePDB& pdb);

}  // namespace testing_support
