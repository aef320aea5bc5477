// The port object's own rules, against a line in memory.
#include <gtest/gtest.h>

#include <cerrno>

#include "fake_port.h"
#include "serial/DLLComm.h"
#include "support/test_support.h"

namespace {

using serialtest::configuration;
using Texts = std::vector<std::string>;

class CommLogic : public ::testing::Test {
protected:
    std::unique_ptr<TCommClass> port(const OstrevanePDB& pdb = configuration(0), bool textMode = true)
    {
        auto result = std::make_unique<TCommClass>(std::make_unique<serialtest::FakePortBackend>(line));
        result->OpenComm(pdb, textMode, message);
        return result;
    }
    std::shared_ptr<serialtest::FakeLine> line = std::make_shared<serialtest::FakeLine>();
    std::string message;
};

TEST_F(CommLogic, CodesOfTheBlockSelectPortAndLineAPortCodeOutsideTheTableOnlyWarns)
{
    const uint32_t rates[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                              19200, 38400, 56000, 57600, 115200, 128000, 256000};
    for (uint8_t code = 0; code < 15; ++code) {
        SCOPED_TRACE(int(code));
        auto opened = port(configuration(code % 10, code, code % 5, code % 3, code % 5));
        EXPECT_EQ(message, "Com" + std::to_string(code % 10 + 1) + "打开成功");
        EXPECT_EQ(opened->statusText(), message);
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
}

TEST_F(CommLogic, LineCodeOutsideTheTableClosesThePortForGood)
{
    for (const OstrevanePDB& bad :
         {configuration(1, 15), configuration(1, 6, 5), configuration(1, 6, 4, 3), configuration(1, 6, 4, 0, 5)}) {
        auto opened = port(configuration(1));
        line->openedNames.clear();
        EXPECT_FALSE(opened->OpenComm(bad, true, message));
        EXPECT_EQ(message, "Com2设备参数中的串口设置有误!");
        EXPECT_FALSE(opened->IsOpen());
        opened->WriteText("x");  // not opened with a format nobody configured
        EXPECT_TRUE(line->openedNames.empty());
    }
}

TEST_F(CommLogic, WhatCannotBeSetUpIsReported)
{
    struct Row {
        bool exists, characterDevice, acceptsSettings, buffersAccepted, open;
        const char* message;
    };
    const Row rows[] = {{false, true, true, true, false, "Com1不存在或被其它程序占用！"},
                        {true, false, true, true, false, "Com1不存在或被其它程序占用！"},
                        {true, true, false, true, true, "Error updating DataControlBlock"},
                        {true, true, false, false, true, "Error initializing Read/Write Buffers"}};
    for (const Row& row : rows) {
        std::tie(line->exists, line->characterDevice, line->acceptsSettings, line->buffersAccepted) =
            std::tie(row.exists, row.characterDevice, row.acceptsSettings, row.buffersAccepted);
        EXPECT_EQ(port()->IsOpen(), row.open) << row.message;
        EXPECT_EQ(message, row.message);
    }
}

// A port whose device vanished is tried again by a transmission, but not more often
// than the reopen interval; each change is said once.
TEST_F(CommLogic, AVanishedPortIsReopenedOncePerIntervalAndSaysSoOnce)
{
    testing_support::FakeClock clock;
    auto opened = port();
    Texts reports;
    opened->setErrorSink([&](const std::string& text) { reports.push_back(text); });
    line->transferError = EIO;
    opened->WriteText("lost");
    EXPECT_TRUE(opened->lost() && !opened->IsOpen());
    line->transferError = 0;
    line->exists = false;
    line->openedNames.clear();
    opened->WriteText("soon");
    clock.advance(TCommClass::kReopenInterval - 1);
    opened->WriteText("soon");
    EXPECT_TRUE(line->openedNames.empty());
    clock.advance(1);
    opened->WriteText("missing");
    clock.advance(TCommClass::kReopenInterval);
    opened->WriteText("missing");
    line->exists = true;
    clock.advance(TCommClass::kReopenInterval);
    opened->WriteText("sent");
    EXPECT_EQ(line->openedNames.size(), 3u);
    EXPECT_EQ(line->writes, Texts{"sent"});
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_NE(reports[0].find("the device is gone"), std::string::npos) << reports[0];
    EXPECT_NE(reports[1].find("cannot be opened"), std::string::npos) << reports[1];
    EXPECT_EQ(reports[2], "Com1打开成功");
}

TEST_F(CommLogic, ATransmissionPurgesSendsAtMost255CharactersAndEndsTheReplyReadsAppend)
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
    line->incoming = "old";
    opened->ReadText();
    opened->Close();
    line->exists = false;
    opened->WriteText("next");  // even when the port cannot open
    EXPECT_EQ(opened->ReadText(), "");
    // Reads append only what came, at most a buffer full at a time.
    line->exists = true;
    opened.reset();
    opened = port();
    line->incoming = "ABCDE";
    line->readShortBy = 2;
    EXPECT_EQ(opened->ReadText(), "ABC");
    line->readShortBy = 0;
    line->incoming += std::string(5000, 'x');
    EXPECT_EQ(opened->ReadText().size(), 4099u);
    EXPECT_EQ(opened->ReadText().size(), 5005u);
}

TEST_F(CommLogic, HexadecimalModeSendsOneBytePerDigitPairAndShowsBytesAsDigits)
{
    const std::pair<const char*, Texts> rows[] = {
        {"02AF", {"\x02", "\xAF"}},     {"02af1", {"\x02", "\xAF"}}, {"7", {}},
        {"00", {std::string(1, '\0')}}, {"41ZZ42", {"A"}},  // no made-up byte for a pair that is not hexadecimal
    };
    for (const auto& [text, transfers] : rows) {
        line->writes.clear();
        port(configuration(0), false)->WriteText(text);
        EXPECT_EQ(line->writes, transfers) << text;
    }
    auto opened = port(configuration(0), false);
    line->incoming = std::string("\x0A\xFF\x00\xab", 4);
    EXPECT_EQ(opened->ReadText(), "0AFF00AB");
}

}  // namespace
