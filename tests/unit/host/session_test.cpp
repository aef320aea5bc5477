// The run against a stand-in driver and a clock the test moves: the order of the calls,
// writes at their time, what is shown, and every way a run ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "host/session.h"
#include "host_test_texts.h"
#include "support/test_support.h"

namespace {

// --- a driver that records its calls -------------------------------------------

struct FakeDriver {
    std::vector<std::string> calls;
    std::vector<HostTagRec> tags;
    bool iniResult = true;
    std::string iniMessage;
    OstrevaneEvent event = 0;
    std::deque<std::vector<TagDataRec>> reads;
    std::vector<TagDataRec> writes;
    std::vector<std::string> writeTexts;
    bool writeResult = true;
    std::string status;
    std::string logPath;
    std::string exitLine;
    std::string startLine;  // what IniDriver adds to the log
    // The tag editor check: every address is accepted as written unless listed here.
    std::map<std::string, std::string> canonical;
    std::vector<std::string> refusedAddresses;
    std::vector<std::string> checkedAddresses;
};

FakeDriver* fake = nullptr;

char* hostText(const std::string& text) { return text.empty() ? nullptr : strdup(text.c_str()); }

OstrevaneBool fakeIniDriver(uint32_t count, HostTagRec** tags, void*, char** message)
{
    fake->calls.push_back("IniDriver");
    if (!fake->startLine.empty()) std::ofstream(fake->logPath, std::ios::app | std::ios::binary) << fake->startLine;
    for (uint32_t i = 0; i < count; ++i) fake->tags.push_back(*tags[i]);
    *message = hostText(fake->iniMessage);
    return fake->iniResult;
}
OstrevaneBool fakeIniDriverEx(OstrevaneEvent event)
{
    fake->calls.push_back("IniDriverEx");
    fake->event = event;
    return 1;
}
OstrevaneBool fakeFreeDriver()
{
    fake->calls.push_back("FreeDriver");
    if (!fake->exitLine.empty()) std::ofstream(fake->logPath, std::ios::app | std::ios::binary) << fake->exitLine;
    return 1;
}
OstrevaneBool fakeOnDataRead(uint32_t* count, TagDataRec* records, char** message)
{
    fake->calls.push_back("OnDataRead");
    *count = 0;
    *message = nullptr;
    if (fake->reads.empty()) return 1;
    for (const TagDataRec& record : fake->reads.front()) records[(*count)++] = record;
    fake->reads.pop_front();
    return 1;
}
OstrevaneBool fakeOnDataWrite(uint32_t count, TagDataRec* records, char** message)
{
    fake->calls.push_back("OnDataWrite");
    for (uint32_t i = 0; i < count; ++i) {
        fake->writes.push_back(records[i]);
        fake->writeTexts.push_back(records[i].ValueType == OSTREVANE_VALUE_TEXT && records[i].Value.Text
                                       ? records[i].Value.Text
                                       : "");
    }
    *message = hostText(fake->writeResult ? "" : "写操作被拒绝");
    return fake->writeResult;
}
OstrevaneBool fakeGetDeviceStatus(char** message)
{
    fake->calls.push_back("GetDeviceStatus");
    *message = hostText(fake->status);
    fake->status.clear();
    return 1;
}
void fakeWriteLog(OstrevaneBool enable, char** message)
{
    fake->calls.push_back(enable ? "WriteLog(on)" : "WriteLog(off)");
    *message = nullptr;
}
uint16_t fakeDetectScanTime()
{
    fake->calls.push_back("DetectScanTime");
    return 10;
}
void fakeGetTagAddrList(uint32_t, uint32_t* count, TagEditorEntry* buffer)
{
    if (!buffer) {
        *count = 2;
        return;
    }
    const char* names[] = {"PV", "SL"};
    for (uint32_t i = 0; i < *count && i < 2; ++i) {
        std::memset(&buffer[i], 0, sizeof buffer[i]);
        buffer[i].Mnemonic[0] = 2;
        std::memcpy(buffer[i].Mnemonic + 1, names[i], 2);
    }
}

OstrevaneBool fakeTagEdAddr(void*, char** address, OstrevaneBool, char** message)
{
    const std::string given = *address ? *address : "";
    fake->checkedAddresses.push_back(given);
    const auto rewritten = fake->canonical.find(given);
    *address = hostText(rewritten == fake->canonical.end() ? given : rewritten->second);
    const bool refused =
        std::find(fake->refusedAddresses.begin(), fake->refusedAddresses.end(), given) != fake->refusedAddresses.end();
    *message = hostText(refused ? "bad address" : "");
    return refused ? 0 : 1;
}

// The last column of a table row: the link state the tag follows.
std::string trimmedLink(const std::string& line)
{
    size_t end = line.find_last_not_of(" \r");
    if (end == std::string::npos) return {};
    const size_t begin = line.find_last_of(' ', end);
    return line.substr(begin == std::string::npos ? 0 : begin + 1, end - (begin == std::string::npos ? 0 : begin + 1) + 1);
}

int releasedTexts = 0;
std::string releaseText(char* text)
{
    if (!text) return {};
    ++releasedTexts;
    std::string copy(text);
    std::free(text);
    return copy;
}

// --- the surroundings: a clock the loop moves by sleeping -----------------------

class FakeSurroundings : public host::SessionSurroundings {
public:
    uint64_t milliseconds() override { return now; }
    void sleep(uint32_t milliseconds) override { now += milliseconds; }
    bool interrupted() override { return interruptAt && now >= *interruptAt; }
    void write(const std::string& utf8) override { output += utf8; }
    void complain(const std::string& utf8) override { errors += utf8 + "\n"; }
    std::string typed(bool& ended) override
    {
        ended = false;
        std::string bytes;
        while (!keys.empty() && keys.front().first <= now) {
            bytes += keys.front().second;
            keys.pop_front();
        }
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
    std::optional<uint64_t> interruptAt;
    std::optional<uint64_t> signalAt;
    std::deque<std::pair<uint64_t, std::string>> keys;
    std::string output;
    std::string errors;
};

host::TagEntry tag(uint32_t id, const std::string& name, const std::string& address, host::ValueType type)
{
    host::TagEntry listEntry;
    listEntry.id = id;
    listEntry.name = listEntry.nameGbk = name;
    listEntry.address = listEntry.addressGbk = address;
    listEntry.type = type;
    return listEntry;
}

TagDataRec numberRecord(uint32_t id, double value, uint32_t quality = OSTREVANE_QUALITY_GOOD)
{
    TagDataRec record{};
    record.TagId = id;
    record.Quality = quality;
    record.ValueType = OSTREVANE_VALUE_NUMBER;
    record.Value.Number = value;
    record.TimeStamp = 46000.5;
    return record;
}

TagDataRec textRecord(uint32_t id, const std::string& gbk)
{
    TagDataRec record{};
    record.TagId = id;
    record.ValueType = OSTREVANE_VALUE_TEXT;
    record.Value.Text = strdup(gbk.c_str());
    record.TimeStamp = 46000.5;
    return record;
}

class HostSession : public testing::Test {
protected:
    HostSession()
    {
        fake = &driver;
        releasedTexts = 0;
        entryPoints.IniDriver = fakeIniDriver;
        entryPoints.IniDriverEx = fakeIniDriverEx;
        entryPoints.FreeDriver = fakeFreeDriver;
        entryPoints.OnDataRead = fakeOnDataRead;
        entryPoints.OnDataWrite = fakeOnDataWrite;
        entryPoints.GetDeviceStatus = fakeGetDeviceStatus;
        entryPoints.WriteLog = fakeWriteLog;
        entryPoints.DetectScanTime = fakeDetectScanTime;
        entryPoints.GetTagAddrList = fakeGetTagAddrList;
        entryPoints.TagEdAddr = fakeTagEdAddr;
        setup.driver = &entryPoints;
        setup.takeText = releaseText;
        setup.driverPath = "fake-driver";
        setup.logPath = folder.file("Ostrevane800.Log");
        driver.logPath = setup.logPath;
        setup.pdb = testing_support::defaultPDB();
        setup.pdb.Devices[0].DeviceType = OSTREVANE_NO_DEVICE;
        setup.pdb.Devices[1].DeviceType = OSTREVANE_DEVICE_808;
        setup.tags = {tag(1, "PV1", "PV1:0.0", host::ValueType::Number), tag(2, "SL1", "SL1:0", host::ValueType::Number),
                      tag(3, "NOTE", "COMMLINK", host::ValueType::Text)};
        setup.durationSeconds = 0.1;
    }
    ~HostSession() override { fake = nullptr; }

    int run() { return host::runSession(setup, around); }
    size_t count(const std::string& call) const { return std::count(driver.calls.begin(), driver.calls.end(), call); }
    bool shown(const std::string& text) const { return around.output.find(text) != std::string::npos; }

    testing_support::TempFolder folder;
    FakeDriver driver;
    host::DriverEntryPoints entryPoints;
    host::SessionSetup setup;
    FakeSurroundings around;
};

TEST_F(HostSession, TheDriverIsCalledInTheHostsOrderAndFreedAtTheEnd)
{
    EXPECT_EQ(run(), 0);
    ASSERT_GE(driver.calls.size(), 4u);
    EXPECT_EQ(driver.calls[0], "IniDriver");
    EXPECT_EQ(driver.calls[1], "IniDriverEx");
    EXPECT_EQ(driver.calls[2], "DetectScanTime");
    EXPECT_EQ(driver.calls.back(), "FreeDriver");
    EXPECT_EQ(driver.event, 77u);
    // 100 ms at the driver's 10 ms scan interval.
    EXPECT_EQ(count("OnDataRead"), 10u);
    EXPECT_EQ(count("GetDeviceStatus"), 1u);
    EXPECT_TRUE(shown("0.100 stop reason=duration reads=10"));
}

TEST_F(HostSession, TheHostAddsTagsForTheLinkStatesItShows)
{
    run();
    ASSERT_EQ(driver.tags.size(), 5u);
    EXPECT_EQ(std::string(driver.tags[3].Address), "COMMLINK");  // the list's COMMLINK is a text
    EXPECT_EQ(driver.tags[3].TagId, 4u);
    EXPECT_EQ(driver.tags[3].ValueType, OSTREVANE_VALUE_NUMBER);
    EXPECT_EQ(std::string(driver.tags[4].Address), "DEVICELINK1");  // the one configured device
    EXPECT_EQ(driver.tags[4].TagId, 5u);
}

TEST_F(HostSession, ReportedValuesBecomeLinesAndTheirTextsAreReleased)
{
    driver.reads = {{numberRecord(1, 25.5), textRecord(3, "通讯正常!"), numberRecord(4, 1), numberRecord(5, 1)},
                    {numberRecord(1, 25.5, OSTREVANE_QUALITY_BAD)}};
    run();
    EXPECT_TRUE(shown("0.000 value id=1 name=PV1 address=PV1:0.0 quality=good stamp=12:00:00.000 value=25.5\n"));
    EXPECT_TRUE(shown("value id=3 name=NOTE address=COMMLINK quality=good stamp=12:00:00.000 value=" +
                      utf8(u8"通讯正常!") + "\n"));
    EXPECT_TRUE(shown("0.000 link scope=line state=normal\n"));
    EXPECT_TRUE(shown("0.000 link scope=device device=1 state=normal\n"));
    EXPECT_FALSE(shown("name=host."));  // the host's own tags show as link states only
    EXPECT_TRUE(shown("0.010 value id=1 name=PV1 address=PV1:0.0 quality=bad"));
    // The text value, and the two addresses the driver's address check handed back.
    EXPECT_EQ(releasedTexts, 3);
}

TEST_F(HostSession, WritesGoOutAtTheirTimeInTheTagsType)
{
    setup.writes = {{"NOTE", "hello", 0.05}, {"2", "30", 0.02}};
    driver.reads = {{}, {}, {}, {}, {numberRecord(2, 30)}};
    run();
    ASSERT_EQ(driver.writes.size(), 2u);
    EXPECT_EQ(driver.writes[0].TagId, 2u);
    EXPECT_EQ(driver.writes[0].ValueType, OSTREVANE_VALUE_NUMBER);
    const double written = driver.writes[0].Value.Number;
    EXPECT_EQ(written, 30.0);
    EXPECT_EQ(driver.writes[1].TagId, 3u);
    EXPECT_EQ(driver.writeTexts[1], "hello");
    // The first write goes out before the third poll step, the second before the sixth.
    std::vector<std::string> order;
    for (const std::string& call : driver.calls)
        if (call == "OnDataRead" || call == "OnDataWrite") order.push_back(call);
    EXPECT_EQ(order[2], "OnDataWrite");
    EXPECT_EQ(order[6], "OnDataWrite");
    EXPECT_TRUE(shown("0.020 write id=2 name=SL1 value=30 result=true message=\n"));
    // The written value reported afterwards confirms it.
    EXPECT_TRUE(shown("0.040 written id=2 name=SL1 value=30\n"));
}

TEST_F(HostSession, ARefusedWriteShowsTheDriversMessage)
{
    driver.writeResult = false;
    setup.writes = {{"SL1", "30", 0}};
    run();
    EXPECT_TRUE(shown("write id=2 name=SL1 value=30 result=false message=" + utf8(u8"写操作被拒绝") + "\n"));
    EXPECT_FALSE(shown("written"));
}

TEST_F(HostSession, AWriteTheListCannotTakeEndsTheRunBeforeTheDriverStarts)
{
    const std::pair<host::WriteRequest, std::string> cases[] = {
        {{"SP9", "1", 0}, "no tag with the id or name SP9"},
        {{"host.COMMLINK", "1", 0}, "no tag with the id or name host.COMMLINK"},
        {{"PV1", "warm", 0}, "'warm' is no number (PV1 is a number tag)"},
    };
    for (const auto& [request, problem] : cases) {
        driver.calls.clear();
        around.output.clear();
        around.errors.clear();
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
    driver.status = "通讯超时错";
    EXPECT_EQ(run(), 0);
    ASSERT_EQ(driver.writes.size(), 1u);
    const double written = driver.writes[0].Value.Number;
    EXPECT_EQ(written, 41.0);
    EXPECT_EQ(count("WriteLog(on)"), 1u);
    EXPECT_EQ(count("GetDeviceStatus"), 2u);
    EXPECT_TRUE(shown("0.000 status text=" + utf8(u8"通讯超时错") + "\n"));
    EXPECT_TRUE(shown("0.040 error text=unknown command 'what'"));
    EXPECT_TRUE(shown("0.060 stop reason=quit"));
    EXPECT_EQ(driver.calls.back(), "FreeDriver");
}

TEST_F(HostSession, CtrlCEndsTheRunAndTheDriverIsStillFreed)
{
    setup.durationSeconds.reset();
    around.interruptAt = 5030;
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(count("OnDataRead"), 3u);
    EXPECT_TRUE(shown("0.030 stop reason=interrupt"));
    EXPECT_EQ(driver.calls.back(), "FreeDriver");
}

TEST_F(HostSession, AFailedStartShowsTheDriversMessageAndStillFreesIt)
{
    driver.iniResult = false;
    driver.iniMessage = "Com1打开失败";
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(count("OnDataRead"), 0u);
    EXPECT_EQ(driver.calls.back(), "FreeDriver");
    EXPECT_TRUE(shown("error text=IniDriver failed: " + utf8(u8"Com1打开失败")));
}

TEST_F(HostSession, TheHostEventAndTheExitStatisticsAreShown)
{
    around.signalAt = 5050;
    driver.exitLine = "2026-12-06 10:30:15：通讯总次数= 12\r\n2026-12-06 10:30:15：从驱动程序中退出！\r\n";
    run();
    EXPECT_TRUE(shown("0.050 event text=the driver signalled the host event"));
    EXPECT_TRUE(shown("statistics text=" + utf8(u8"通讯总次数= 12") + "\n"));
    EXPECT_TRUE(shown("log exit=written path="));
    EXPECT_TRUE(shown("Ostrevane800.Log\n"));
}

TEST_F(HostSession, TagsTheDriverRefusedAreNamedFromItsLog)
{
    setup.table = true;
    driver.startLine = "2026-12-06 10:30:15：标签SL1错误：标签地址SL1:0的仪表地址超出Ostrevane808的最大范围0\r\n";
    run();
    EXPECT_TRUE(shown("refused text=" + utf8(u8"标签SL1错误：标签地址SL1:0的仪表地址超出Ostrevane808的最大范围0")));
    EXPECT_TRUE(shown("final id=2 name=SL1 address=SL1:0 quality=refused value=-"));
    EXPECT_TRUE(shown("final id=1 name=PV1 address=PV1:0.0 quality=- value=-"));
}

TEST_F(HostSession, WithoutExitStatisticsInTheLogTheHostSaysSo)
{
    run();
    EXPECT_TRUE(shown("log exit=missing path="));
}

TEST_F(HostSession, OnATerminalTheTableIsDrawnAndLeftForASummary)
{
    setup.table = true;
    setup.durationSeconds = 0.5;
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
    EXPECT_NE(summary.find("final id=2 name=SL1 address=SL1:0 quality=- value=-"), std::string::npos);
}

TEST_F(HostSession, TagsFollowTheDeviceTheDriversAddressCheckNames)
{
    struct Row {
        const char* what;
        std::string canonical;  // what the driver's check makes of PV1:0.0
        bool refused;
        std::string link;       // shown in PV1's row: device 1 is at fault, the line normal
    } rows[] = {
        {"accepted as written", "PV1:0.0", false, "fault"},
        {"rewritten to another device", "PV2:0.0", false, "-"},
        {"refused: follows the line", "PV1:0.0", true, "normal"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        driver = FakeDriver{};
        driver.logPath = setup.logPath;
        driver.canonical = {{"PV1:0.0", row.canonical}};
        if (row.refused) driver.refusedAddresses = {"PV1:0.0"};
        around = FakeSurroundings{};
        setup.table = true;
        setup.durationSeconds = 0.3;
        driver.reads = {{numberRecord(4, 1), numberRecord(5, 3)}};
        run();
        // Only instrument addresses are checked; system tags are the host's own business.
        EXPECT_EQ(driver.checkedAddresses, (std::vector<std::string>{"PV1:0.0", "SL1:0"}));
        const size_t leave = around.output.find("\x1b[?1049l");
        const size_t at = around.output.rfind("1      PV1", leave);
        ASSERT_NE(at, std::string::npos);
        // A row ends where the terminal is told to clear the rest of it.
        const std::string line = around.output.substr(at, around.output.find("\x1b[K", at) - at);
        const std::string link = trimmedLink(line);
        EXPECT_EQ(link, row.link) << line;
    }
}

}  // namespace
