// The port object against a line in memory that can vanish and fail transfers, and on a
// pseudo-terminal. Traffic over a raw line and a held port turned away: threads_test.cpp.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "Ostrevane800.h"
#include "serial/DLLComm.h"
#include "serial/serial_port.h"
#include "support/test_support.h"

namespace {

using Texts = std::vector<std::string>;

OstrevanePDB configuration(uint8_t port, uint8_t baud = 6, uint8_t dataBits = 4, uint8_t stopBits = 0,
                           uint8_t parity = 2)
{
    OstrevanePDB pdb{};
    std::tie(pdb.PortCode, pdb.BaudCode, pdb.DataBitsCode, pdb.StopBitsCode, pdb.ParityCode) =
        std::tie(port, baud, dataBits, stopBits, parity);
    return pdb;
}

struct FakeLine {
    bool exists = true;
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
    bool isCharacterDevice() override { return true; }
    bool setNonBlockingTimeouts() override { return true; }
    bool applySettings(const serial::LineSettings& settings) override
    {
        line_->applied = settings;
        return true;
    }
    bool setupBuffers(uint32_t, uint32_t) override { return true; }
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

class CommLogic : public ::testing::Test {
protected:
    std::unique_ptr<TCommClass> port(const OstrevanePDB& pdb = configuration(0), bool textMode = true)
    {
        auto result = std::make_unique<TCommClass>(std::make_unique<FakePortBackend>(line));
        result->OpenComm(pdb, textMode, message);
        return result;
    }
    std::shared_ptr<FakeLine> line = std::make_shared<FakeLine>();
    std::string message;
};

TEST_F(CommLogic, CodesOfTheBlockSelectPortAndLineOutsideTheTableAPortCodeWarnsALineCodeCloses)
{
    const uint32_t rates[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                              19200, 38400, 56000, 57600, 115200, 128000, 256000};
    for (uint8_t code = 0; code < 15; ++code) {
        SCOPED_TRACE(int(code));
        auto opened = port(configuration(code % 10, code, code % 5, code % 3, code % 5));
        EXPECT_EQ(message, "Com" + std::to_string(code % 10 + 1) + "打开成功");
        EXPECT_EQ(line->openedNames.back(), "Com" + std::to_string(code % 10 + 1));
        EXPECT_EQ(line->applied->baudRate, rates[code]);
        EXPECT_EQ(line->applied->dataBits, code % 5 + 4);
        EXPECT_EQ(line->applied->stopBits, code % 3);
        EXPECT_EQ(line->applied->parity, code % 5);
    }
    // A port code outside the table keeps the port's name, opens and warns.
    EXPECT_TRUE(port(configuration(2))->OpenComm(configuration(255), true, message));
    EXPECT_EQ(message, "Com3打开成功\r\n设备参数中的串口设置有误!");
    EXPECT_EQ(line->openedNames.back(), "Com3");
    // A line code outside the table closes the port for good: no format nobody configured.
    for (const OstrevanePDB& bad :
         {configuration(1, 15), configuration(1, 6, 5), configuration(1, 6, 4, 3), configuration(1, 6, 4, 0, 5)}) {
        auto opened = port(configuration(1));
        line->openedNames.clear();
        EXPECT_FALSE(opened->OpenComm(bad, true, message));
        EXPECT_EQ(message, "Com2设备参数中的串口设置有误!");
        opened->WriteText("x");
        EXPECT_TRUE(line->openedNames.empty() && !opened->IsOpen());
    }
}

// A port that could not be opened, at first or after its device vanished, is tried
// again by a transmission no sooner than the reopen interval after each attempt; each
// change is said once, its return too.
TEST_F(CommLogic, APortThatCannotBeOpenedIsTriedOncePerIntervalAndSaysSoOnce)
{
    for (const bool atStart : {true, false}) {
        SCOPED_TRACE(atStart ? "first open failed" : "device vanished");
        testing_support::FakeClock clock;
        line = std::make_shared<FakeLine>();
        line->exists = !atStart;
        TCommClass opened(std::make_unique<FakePortBackend>(line));
        Texts reports;
        opened.setErrorSink([&](const std::string& text) { reports.push_back(text); });
        opened.OpenComm(configuration(0), true, message);
        if (!atStart) {
            line->transferError = EIO;
            opened.WriteText("lost");
            EXPECT_TRUE(opened.lost() && !opened.IsOpen());
            line->transferError = 0;
            line->exists = false;
        }
        line->openedNames.clear();
        const auto attemptsAfter = [&](uint32_t wait) {
            clock.advance(wait);
            opened.WriteText("poll");
            return line->openedNames.size();
        };
        EXPECT_EQ(attemptsAfter(0), 0u);
        EXPECT_EQ(attemptsAfter(TCommClass::kReopenInterval - 1), 0u);
        EXPECT_EQ(attemptsAfter(1), 1u);
        EXPECT_EQ(attemptsAfter(TCommClass::kReopenInterval - 1), 1u);  // counted from the attempt
        EXPECT_EQ(attemptsAfter(1), 2u);
        line->exists = true;
        EXPECT_EQ(attemptsAfter(TCommClass::kReopenInterval), 3u);
        EXPECT_EQ(attemptsAfter(0), 3u);
        EXPECT_EQ(line->writes, (Texts{"poll", "poll"}));
        ASSERT_EQ(reports.size(), atStart ? 2u : 3u);
        EXPECT_EQ(reports.front().find("the device is gone") != std::string::npos, !atStart) << reports.front();
        EXPECT_NE(reports[reports.size() - 2].find("cannot be opened"), std::string::npos);
        EXPECT_EQ(reports.back(), "Com1打开成功");
    }
}

TEST_F(CommLogic, TransmissionsAndReadsInTextAndHexadecimalMode)
{
    auto opened = port();
    line->incoming = "\x02PV";
    EXPECT_EQ(opened->ReadText(), "\x02PV");
    line->incoming = "12\x03";
    EXPECT_EQ(opened->ReadText(), "\x02PV12\x03");  // a reply grows until the next transmission
    opened->WriteText(std::string(300, 'R'));
    EXPECT_EQ(line->events, (Texts{"purge", "write"}));
    EXPECT_EQ(line->writes, Texts{std::string(255, 'R')});
    EXPECT_EQ(opened->ReadText(), "");
    // Reads append only what came, at most a buffer full at a time.
    line->incoming = "ABCDE";
    line->readShortBy = 2;
    EXPECT_EQ(opened->ReadText(), "ABC");
    line->readShortBy = 0;
    line->incoming += std::string(5000, 'x');
    EXPECT_EQ(opened->ReadText().size(), 4099u);
    EXPECT_EQ(opened->ReadText().size(), 5005u);
    // In hexadecimal mode one byte per digit pair goes out, and bytes come back as digits.
    opened.reset();
    const std::pair<const char*, Texts> rows[] = {
        {"02AF", {"\x02", "\xAF"}},     {"02af1", {"\x02", "\xAF"}}, {"7", {}},
        {"00", {std::string(1, '\0')}}, {"41ZZ42", {"A"}},  // no made-up byte for a pair that is not hexadecimal
    };
    for (const auto& [text, transfers] : rows) {
        line->writes.clear();
        port(configuration(0), false)->WriteText(text);
        EXPECT_EQ(line->writes, transfers) << text;
    }
    opened = port(configuration(0), false);
    line->incoming = std::string("\x0A\xFF\x00\xab", 4);
    EXPECT_EQ(opened->ReadText(), "0AFF00AB");
}

// On the master side of a pseudo-terminal, the instrument closing the slave side is a
// hang-up that only poll tells: the line counts as lost.
TEST(PtyLine, AHangUpOfTheFarEndIsSeenByReading)
{
    setenv("OSTREVANE800_COM3", "/dev/ptmx", 1);
    TCommClass port;
    std::string message;
    ASSERT_TRUE(port.OpenComm(configuration(2), true, message));
    unsetenv("OSTREVANE800_COM3");
    int master = -1;  // the port's descriptor, to reach its slave side
    for (int fd = 3; fd < 1024 && master < 0; ++fd) {
        char link[64] = {};
        if (readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), link, sizeof link - 1) > 0 &&
            std::string(link).ends_with("ptmx"))
            master = fd;
    }
    ASSERT_GE(master, 0);
    ASSERT_EQ(unlockpt(master), 0);
    ::close(::open(ptsname(master), O_RDWR | O_NOCTTY));
    EXPECT_EQ(port.ReadText(), "");
    EXPECT_TRUE(port.lost());
}

}  // namespace
