// The port object's own rules, against a line in memory.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "serial/DLLComm.h"
#include "fake_port.h"
#include "support/test_support.h"

namespace {

using serialtest::FakeLine;
using serialtest::FakePortBackend;
using serialtest::configuration;

class CommLogic : public ::testing::Test {
protected:
    std::unique_ptr<TCommClass> makePort() { return std::make_unique<TCommClass>(std::make_unique<FakePortBackend>(line));
    }
    std::shared_ptr<FakeLine> line = std::make_shared<FakeLine>();
};

TEST_F(CommLogic, PortIndexSelectsPortNameAndReportsSuccess)
{
    const char* const names[] = {"Com1", "Com2", "Com3", "Com4", "Com5", "Com6", "Com7", "Com8", "Com9", "Com10"};
    for (uint8_t code = 0; code < 10; ++code) {
        SCOPED_TRACE(names[code]);
        auto port = makePort();
        std::string message = "earlier text";
        EXPECT_TRUE(port->OpenComm(configuration(code), true, message));
        EXPECT_EQ(line->openedNames.back(), names[code]);
        EXPECT_EQ(message, std::string(names[code]) + "打开成功");
        EXPECT_EQ(port->statusText(), message);
    }
}

TEST_F(CommLogic, LineCodesBecomeLineSettings)
{
    struct Row {
        uint8_t baud, dataBits, stopBits, parity;
        uint32_t rate;
        uint8_t bits;
    };
    const Row rows[] = {
        {0, 0, 0, 0, 110, 4},     {1, 1, 1, 1, 300, 5},     {2, 2, 2, 2, 600, 6},     {3, 3, 0, 3, 1200, 7},
        {4, 4, 1, 4, 2400, 8},    {5, 4, 0, 0, 4800, 8},    {6, 3, 0, 2, 9600, 7},    {7, 4, 0, 2, 14400, 8},
        {8, 4, 0, 2, 19200, 8},   {9, 4, 0, 2, 38400, 8},   {10, 4, 0, 2, 56000, 8},  {11, 4, 0, 2, 57600, 8},
        {12, 4, 0, 2, 115200, 8}, {13, 4, 0, 2, 128000, 8}, {14, 4, 0, 2, 256000, 8},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rate);
        auto port = makePort();
        std::string message;
        ASSERT_TRUE(port->OpenComm(configuration(0, row.baud, row.dataBits, row.stopBits, row.parity), true, message));
        ASSERT_TRUE(line->applied.has_value());
        EXPECT_EQ(line->applied->baudRate, row.rate);
        EXPECT_EQ(line->applied->dataBits, row.bits);
        EXPECT_EQ(line->applied->stopBits, row.stopBits);
        EXPECT_EQ(line->applied->parity, row.parity);
        EXPECT_TRUE(line->applied->parityCheck);
        EXPECT_EQ(line->applied->xonChar, 0x11);
        EXPECT_EQ(line->applied->xoffChar, 0x13);
        EXPECT_EQ(line->applied->xonLimit, 1024);
        EXPECT_EQ(line->applied->xoffLimit, 1024);
        EXPECT_EQ(line->inputBufferSize, 4096u);
        EXPECT_EQ(line->outputBufferSize, 2048u);
    }
}

TEST_F(CommLogic, PortIndexOutsideTableKeepsNameOpensAndWarns)
{
    for (uint8_t code : {10, 99, 255}) {
        SCOPED_TRACE(static_cast<int>(code));
        auto fresh = makePort();
        std::string message;
        EXPECT_TRUE(fresh->OpenComm(configuration(code), true, message));
        EXPECT_EQ(fresh->portName(), "Com1");
        EXPECT_EQ(message, "Com1打开成功\r\n设备参数中的串口设置有误!");

        auto used = makePort();
        used->OpenComm(configuration(2), true, message);
        EXPECT_TRUE(used->OpenComm(configuration(code), true, message));
        EXPECT_EQ(line->openedNames.back(), "Com3");
        EXPECT_EQ(message, "Com3打开成功\r\n设备参数中的串口设置有误!");
    }
}

TEST_F(CommLogic, LineCodeOutsideTableLeavesPortClosed)
{
    const OstrevanePDB bad[] = {
        configuration(1, 15), configuration(1, 6, 5), configuration(1, 6, 4, 3), configuration(1, 6, 4, 0, 5)};
    for (const OstrevanePDB& pdb : bad) {
        SCOPED_TRACE(testing::Message() << int(pdb.BaudCode) << int(pdb.DataBitsCode) << int(pdb.StopBitsCode)
                                        << int(pdb.ParityCode));
        line->openedNames.clear();
        auto port = makePort();
        std::string message;
        EXPECT_FALSE(port->OpenComm(pdb, true, message));
        EXPECT_EQ(message, "Com2设备参数中的串口设置有误!");
        EXPECT_FALSE(port->IsOpen());
        // Later transmissions do not open it with a format nobody configured.
        port->WriteText("x");
        EXPECT_TRUE(line->openedNames.empty());
        EXPECT_TRUE(line->writes.empty());
    }
}

TEST_F(CommLogic, BadLineCodesCloseAPortThatWasOpen)
{
    auto port = makePort();
    std::string message;
    ASSERT_TRUE(port->OpenComm(configuration(0), true, message));
    EXPECT_FALSE(port->OpenComm(configuration(0, 200), true, message));
    EXPECT_FALSE(port->IsOpen());
    // A valid configuration afterwards opens it again.
    EXPECT_TRUE(port->OpenComm(configuration(0), true, message));
}

TEST_F(CommLogic, FailedOpenReportsPortAsUnavailable)
{
    struct Row {
        const char* what;
        bool exists, characterDevice;
    };
    for (const Row& row : {Row{"missing", false, true}, Row{"not a serial line", true, false}}) {
        SCOPED_TRACE(row.what);
        line->exists = row.exists;
        line->characterDevice = row.characterDevice;
        auto port = makePort();
        std::string message;
        EXPECT_FALSE(port->OpenComm(configuration(3), true, message));
        EXPECT_EQ(message, "Com4不存在或被其它程序占用！");
        EXPECT_FALSE(port->IsOpen());
        EXPECT_EQ(port->ReadText(), "");
    }
}

TEST_F(CommLogic, OpenedPortWithRejectedSetupSaysSo)
{
    struct Row {
        bool acceptsSettings, buffersAccepted;
        const char* status;
    };
    const Row rows[] = {
        {true, false, "Error initializing Read/Write Buffers"},
        {false, true, "Error updating DataControlBlock"},
        {false, false, "Error initializing Read/Write Buffers"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.status);
        line->acceptsSettings = row.acceptsSettings;
        line->buffersAccepted = row.buffersAccepted;
        auto port = makePort();
        std::string message;
        EXPECT_TRUE(port->OpenComm(configuration(0), true, message));
        EXPECT_EQ(message, row.status);
    }
}

TEST_F(CommLogic, ReopeningAnOpenPortTakesTheNewConfiguration)
{
    auto port = makePort();
    std::string message;
    ASSERT_TRUE(port->OpenComm(configuration(0, 6), true, message));
    ASSERT_TRUE(port->OpenComm(configuration(4, 12), true, message));
    EXPECT_EQ(line->openedNames, (std::vector<std::string>{"Com1", "Com5"}));
    EXPECT_EQ(message, "Com5打开成功");
    EXPECT_EQ(line->applied->baudRate, 115200u);
}

TEST_F(CommLogic, WriteTextOnClosedPortOpensItFirstButNotMoreOftenThanTheReopenInterval)
{
    testing_support::FakeClock clock;
    line->exists = false;
    auto port = makePort();
    std::string message;
    ASSERT_FALSE(port->OpenComm(configuration(0), true, message));
    line->exists = true;
    port->WriteText("lost");  // too soon after the failed attempt
    EXPECT_TRUE(line->writes.empty());
    clock.advance(TCommClass::kReopenInterval);
    port->WriteText("sent");
    EXPECT_TRUE(port->IsOpen());
    EXPECT_EQ(port->statusText(), "Com1打开成功");
    EXPECT_EQ(line->writes, std::vector<std::string>{"sent"});
    EXPECT_EQ(line->openedNames.size(), 2u);
}

TEST_F(CommLogic, TransmissionPurgesQueuesFirstAndSendsAtMost255Characters)
{
    auto port = makePort();
    std::string message;
    ASSERT_TRUE(port->OpenComm(configuration(0), true, message));
    line->incoming = "stale";
    port->WriteText(std::string(300, 'R'));
    EXPECT_EQ(line->events, (std::vector<std::string>{"purge", "write"}));
    EXPECT_EQ(line->writes, std::vector<std::string>{std::string(255, 'R')});
    EXPECT_EQ(port->ReadText(), "");
}

TEST_F(CommLogic, ReceiveBufferGrowsUntilTheNextTransmission)
{
    auto port = makePort();
    std::string message;
    ASSERT_TRUE(port->OpenComm(configuration(0), true, message));
    line->incoming = "\x02PV";
    EXPECT_EQ(port->ReadText(), "\x02PV");
    line->incoming = "12.5\x03";
    EXPECT_EQ(port->ReadText(), "\x02PV12.5\x03");
    port->WriteText("next");
    EXPECT_EQ(port->ReadText(), "");
}

TEST_F(CommLogic, TransmissionEmptiesBufferEvenWhenThePortCannotOpen)
{
    line->exists = true;
    auto port = makePort();
    std::string message;
    ASSERT_TRUE(port->OpenComm(configuration(0), true, message));
    line->incoming = "old";
    port->ReadText();
    port->Close();
    line->exists = false;
    port->WriteText("next");
    EXPECT_EQ(port->ReadText(), "");
}

TEST_F(CommLogic, HexadecimalModeSendsOneBytePerDigitPair)
{
    struct Row {
        const char* text;
        std::vector<std::string> transfers;
    };
    const Row rows[] = {
        {"02AF", {"\x02", "\xAF"}},
        {"02af1", {"\x02", "\xAF"}},  // the odd trailing digit is ignored
        {"", {}},
        {"7", {}},
        {"00", {std::string(1, '\0')}},
        {"41ZZ42", {"A"}},  // no made-up byte for a pair that is not hexadecimal
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        line->writes.clear();
        auto port = makePort();
        std::string message;
        ASSERT_TRUE(port->OpenComm(configuration(0), false, message));
        port->WriteText(row.text);
        EXPECT_EQ(line->writes, row.transfers);
    }
}

TEST_F(CommLogic, HexadecimalModeShowsReceivedBytesAsUpperCaseDigits)
{
    auto port = makePort();
    std::string message;
    ASSERT_TRUE(port->OpenComm(configuration(0), false, message));
    line->incoming = "\x0A";
    EXPECT_EQ(port->ReadText(), "0A");
    line->incoming = std::string("\xFF\x00\xab", 3);
    EXPECT_EQ(port->ReadText(), "0AFF00AB");
}

TEST_F(CommLogic, ShortOrFailedReadAppendsOnlyWhatCame)
{
    auto port = makePort();
    std::string message;
    ASSERT_TRUE(port->OpenComm(configuration(0), true, message));
    line->incoming = "ABCDE";
    line->readShortBy = 2;
    EXPECT_EQ(port->ReadText(), "ABC");
    line->readShortBy = 0;
    line->readFails = true;
    EXPECT_EQ(port->ReadText(), "ABC");
    line->readFails = false;
    EXPECT_EQ(port->ReadText(), "ABCDE");
}

TEST_F(CommLogic, ReadNeverExceedsTheScratchBuffer)
{
    auto port = makePort();
    std::string message;
    ASSERT_TRUE(port->OpenComm(configuration(0), true, message));
    line->incoming = std::string(5000, 'x');
    EXPECT_EQ(port->ReadText().size(), 4096u);
    EXPECT_EQ(port->ReadText().size(), 5000u);
    EXPECT_EQ(line->readCounts, (std::vector<uint32_t>{4096, 904}));
}

TEST_F(CommLogic, DestroyingThePortClosesIt)
{
    {
        auto port = makePort();
        std::string message;
        ASSERT_TRUE(port->OpenComm(configuration(0), true, message));
        EXPECT_TRUE(line->open);
    }
    EXPECT_FALSE(line->open);
}

}  // namespace
