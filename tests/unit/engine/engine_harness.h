// A driver object polling instruments over a line in memory, on a clock the test
// moves: every pass of the poll cycle is one call, nothing waits.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/DLLRealize.h"
#include "serial/serial_port.h"
#include "support/test_support.h"

namespace enginetest {

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

// A host tag named "T<id>" with a report interval (its poll period).
HostTagRec hostTag(uint32_t id, std::string_view address, uint8_t valueType = OSTREVANE_VALUE_NUMBER,
                   uint32_t period = 1000);

// The poll of a parameter: EOT, the device number doubled, the mnemonic, ENQ.
std::string poll(int deviceNo, std::string_view mnemonic);
// A read reply with its block check.
std::string reply(std::string_view mnemonic, std::string_view data);
constexpr std::string_view kAck = "\x06";

class Engine : public ::testing::Test {
protected:
    Engine();
    ~Engine() override;

    // Creates the driver object on the line in memory and initialises it with the tags.
    // A test may hand in its own object (one that replaces an operation).
    bool start(std::vector<HostTagRec> tags, const OstrevanePDB& pdb = plant(),
               std::unique_ptr<TDLLObject> custom = nullptr);
    // One pass of the poll cycle.
    int pass() { return object->ReadExecute(); }
    // Puts bytes on the line and runs a pass.
    int answer(std::string_view bytes);
    // Lets the reply time run out and runs a pass.
    int timeOut();
    TDLLTag& tag(size_t position) { return *object->TagTable.at(position); }
    const std::string& lastSent() const { return line->sent.back(); }
    // Queues a write of `value` to the tag at `position`, as a host write does.
    TCommand* queueWrite(size_t position, TagValue value);

    testing_support::FakeClock clock;
    testing_support::LogRedirect log;
    std::shared_ptr<Line> line = std::make_shared<Line>();
    std::vector<HostTagRec> hostTags;
    std::unique_ptr<TDLLObject> object;
};

}  // namespace enginetest
