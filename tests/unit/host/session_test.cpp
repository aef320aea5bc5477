// The run against a stand-in driver and a clock the test moves: the order of the calls,
// writes at their time, typed commands, the table, and a write the list cannot take.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <string>
#include <vector>

#include "host/session.h"
#include "host_test_texts.h"
#include "support/test_support.h"

namespace {

// What the stand-in driver was told, and what it answers.
struct FakeDriver {
    std::vector<std::string> calls;
    bool writeResult = true;
    std::string status, logPath;
    std::string startLine;  // what IniDriver adds to the log
    OstrevaneEvent event = 0;
    std::deque<std::vector<TagDataRec>> reads;
    std::vector<TagDataRec> writes;
};
FakeDriver* fake = nullptr;

char* hostText(const std::string& text) { return text.empty() ? nullptr : strdup(text.c_str()); }
OstrevaneBool called(const char* name)
{
    fake->calls.push_back(name);
    return 1;
}

host::DriverEntryPoints fakeEntryPoints()
{
    host::DriverEntryPoints calls;
    calls.IniDriver = [](uint32_t, HostTagRec**, void*, char** message) -> OstrevaneBool {
        called("IniDriver");
        std::ofstream(fake->logPath, std::ios::app | std::ios::binary) << fake->startLine;
        *message = nullptr;
        return 1;
    };
    calls.IniDriverEx = [](OstrevaneEvent event) {
        fake->event = event;
        return called("IniDriverEx");
    };
    calls.FreeDriver = [] { return called("FreeDriver"); };
    calls.OnDataRead = [](uint32_t* count, TagDataRec* records, char** message) {
        *count = 0;
        *message = nullptr;
        if (!fake->reads.empty()) {
            for (const TagDataRec& record : fake->reads.front()) records[(*count)++] = record;
            fake->reads.pop_front();
        }
        return called("OnDataRead");
    };
    calls.OnDataWrite = [](uint32_t count, TagDataRec* records, char** message) -> OstrevaneBool {
        called("OnDataWrite");
        for (uint32_t i = 0; i < count; ++i) fake->writes.push_back(records[i]);
        *message = hostText(fake->writeResult ? "" : "写操作被拒绝");
        return fake->writeResult;
    };
    calls.GetDeviceStatus = [](char** message) {
        *message = hostText(fake->status);
        fake->status.clear();
        return called("GetDeviceStatus");
    };
    calls.WriteLog = [](OstrevaneBool enable, char** message) {
        called(enable ? "WriteLog(on)" : "WriteLog(off)");
        *message = nullptr;
    };
    calls.DetectScanTime = []() -> uint16_t {
        called("DetectScanTime");
        return 10;
    };
    calls.TagEdAddr = [](void*, char** address, OstrevaneBool, char** message) -> OstrevaneBool {
        *address = hostText(*address ? *address : "");  // every address as written
        *message = nullptr;
        return 1;
    };
    return calls;
}

std::string releaseText(char* text)
{
    if (!text) return {};
    std::string copy(text);
    std::free(text);
    return copy;
}

// A clock the run moves by sleeping; keys typed and the host event at set times.
class FakeSurroundings : public host::SessionSurroundings {
public:
    uint64_t milliseconds() override { return now; }
    void sleep(uint32_t milliseconds) override { now += milliseconds; }
    bool interrupted() override { return false; }  // Ctrl-C: in the program's own test
    void write(const std::string& utf8) override { output += utf8; }
    void complain(const std::string& utf8) override { errors += utf8 + "\n"; }
    std::string typed(bool& ended) override
    {
        ended = false;
        std::string bytes;
        for (; !keys.empty() && keys.front().first <= now; keys.pop_front()) bytes += keys.front().second;
        return bytes;
    }
    void screenSize(int& rows, int& columns) override
    {
        rows = 40;
        columns = 120;
    }
    OstrevaneEvent event() override { return 77; }
    bool eventSignalled() override
    {
        const bool signalled = signalAt && now >= *signalAt;
        if (signalled) signalAt.reset();
        return signalled;
    }

    uint64_t now = 5000;
    std::optional<uint64_t> signalAt;
    std::deque<std::pair<uint64_t, std::string>> keys;
    std::string output, errors;
};

TagDataRec numberRecord(uint32_t id, double value)
{
    TagDataRec record{};
    record.TagId = id;
    record.Quality = OSTREVANE_QUALITY_GOOD;
    record.ValueType = OSTREVANE_VALUE_NUMBER;
    record.Value.Number = value;
    record.TimeStamp = 46000.5;
    return record;
}

// Device 1 configured; PV1, SL1 and a text tag NOTE.
class HostSession : public testing::Test {
protected:
    HostSession()
    {
        fake = &driver;
        setup.driver = &entryPoints;
        setup.takeText = releaseText;
        setup.driverPath = "fake-driver";
        setup.logPath = driver.logPath = folder.file("Ostrevane800.Log");
        setup.pdb = testing_support::defaultPDB();
        setup.pdb.Devices[0].DeviceType = OSTREVANE_NO_DEVICE;
        setup.pdb.Devices[1].DeviceType = OSTREVANE_DEVICE_808;
        std::vector<std::string> errors;
        setup.tags = host::parseTagList("id,name,address,type\n1,PV1,PV1:0.0,number\n2,SL1,SL1:0,number\n"
                                        "3,NOTE,COMMLINK,text\n",
                                        "tags.csv", errors);
        setup.durationSeconds = 0.1;
    }
    ~HostSession() override { fake = nullptr; }

    int run() { return host::runSession(setup, around); }
    size_t count(const std::string& call) const { return std::count(driver.calls.begin(), driver.calls.end(), call); }
    bool shown(const std::string& text) const { return around.output.find(text) != std::string::npos; }

    testing_support::TempFolder folder;
    FakeDriver driver;
    host::DriverEntryPoints entryPoints = fakeEntryPoints();
    host::SessionSetup setup;
    FakeSurroundings around;
};

TEST_F(HostSession, TheDriverIsStartedPolledWrittenAtTheGivenTimesAndFreed)
{
    setup.writes = {{"NOTE", "hello", 0.05}, {"2", "30", 0.02}};
    driver.reads = {{}, {}, {}, {}, {numberRecord(2, 30)}};
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(std::vector<std::string>(driver.calls.begin(), driver.calls.begin() + 3),
              (std::vector<std::string>{"IniDriver", "IniDriverEx", "DetectScanTime"}));
    EXPECT_EQ(driver.calls.back(), "FreeDriver");
    EXPECT_EQ(driver.event, 77u);
    EXPECT_TRUE(shown("0.100 stop reason=duration reads=10"));  // at the driver's 10 ms scan interval
    EXPECT_TRUE(shown("log exit=missing path="));               // no exit statistics in the log
    ASSERT_EQ(driver.writes.size(), 2u);
    EXPECT_TRUE(shown("0.050 write id=3 name=NOTE value=hello result=true"));
    EXPECT_TRUE(shown("0.020 write id=2 name=SL1 value=30 result=true message=\n"));
    EXPECT_TRUE(shown("0.040 written id=2 name=SL1 value=30\n"));  // the value reported afterwards
}

TEST_F(HostSession, AWriteTheListCannotTakeEndsTheRunBeforeTheDriverStarts)
{
    const std::pair<host::WriteRequest, std::string> cases[] = {
        {{"SP9", "1", 0}, "no tag with the id or name SP9"},
        {{"PV1", "warm", 0}, "'warm' is no number (PV1 is a number tag)"}};
    for (const auto& [request, problem] : cases) {
        around = FakeSurroundings{};
        setup.writes = {request};
        EXPECT_EQ(run(), 2) << problem;
        EXPECT_TRUE(driver.calls.empty()) << problem;
        EXPECT_NE(around.errors.find(problem), std::string::npos) << around.errors;
        EXPECT_TRUE(around.output.empty());
    }
}

TEST_F(HostSession, TypedCommandsWriteSwitchTheLogAndQuit)
{
    setup.durationSeconds.reset();
    around.keys = {{5020, "sl1=4"}, {5030, "1\nlog on\n"}, {5040, "status\nwhat\n"}, {5060, "quit\n"}};
    around.signalAt = 5050;
    driver.status = "通讯超时错";
    driver.writeResult = false;
    EXPECT_EQ(run(), 0);
    ASSERT_EQ(driver.writes.size(), 1u);
    const double written = driver.writes[0].Value.Number;
    EXPECT_EQ(written, 41.0);
    EXPECT_TRUE(shown("0.030 write id=2 name=SL1 value=41 result=false message=" + utf8(u8"写操作被拒绝") + "\n"));
    EXPECT_EQ(count("WriteLog(on)"), 1u);
    EXPECT_TRUE(shown("0.000 status text=" + utf8(u8"通讯超时错") + "\n"));
    EXPECT_TRUE(shown("0.040 error text=unknown command 'what'"));
    EXPECT_TRUE(shown("0.050 event text=the driver signalled the host event"));
    EXPECT_TRUE(shown("0.060 stop reason=quit"));
}

TEST_F(HostSession, OnATerminalTheTableIsDrawnAndLeftForASummaryNamingRefusedTags)
{
    setup.table = true;
    setup.durationSeconds = 0.5;
    driver.startLine = "2026-12-06 10:30:15：标签SL1错误：标签地址SL1:0的仪表地址超出Ostrevane808的最大范围0\r\n";
    driver.reads = {{numberRecord(1, 25.5), numberRecord(5, 3)}};
    around.keys = {{5300, "SL1=7"}};
    run();
    const size_t enter = around.output.find("\x1b[?1049h");
    const size_t leave = around.output.find("\x1b[?1049l");
    ASSERT_NE(enter, std::string::npos);
    ASSERT_NE(leave, std::string::npos);
    const std::string table = around.output.substr(enter, leave - enter);
    EXPECT_NE(table.find("1      PV1              PV1:0.0        25.5"), std::string::npos);
    EXPECT_NE(table.find("fault"), std::string::npos);  // device 1's link, from DEVICELINK1
    EXPECT_NE(table.find("> SL1=7"), std::string::npos);
    EXPECT_EQ(table.find(" value id="), std::string::npos);
    const std::string summary = around.output.substr(leave);
    EXPECT_NE(summary.find("final id=1 name=PV1 address=PV1:0.0 quality=good value=25.5"), std::string::npos);
    // The tag the driver refused is named from its log.
    EXPECT_TRUE(shown("refused text=" + utf8(u8"标签SL1错误：标签地址SL1:0的仪表地址超出Ostrevane808的最大范围0")));
    EXPECT_NE(summary.find("final id=2 name=SL1 address=SL1:0 quality=refused value=-"), std::string::npos);
}

}  // namespace
