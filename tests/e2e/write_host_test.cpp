// Writes as a host makes them, through OnDataWrite against the standard instruments
// (standard-instruments.args): written values come back once acknowledged, refused
// writes change nothing, and the ENLOG and ENCOMMLINK switches act whether written as
// numbers, Booleans or texts. Uses only the public header, so the same file runs
// against the Windows DLL under Wine, where one simulator serves every test: the
// writes go only to SL, which the other shared tests never read.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Ostrevane800.h"
#include "e2e_host.h"
#include "host_session.h"

namespace {

using e2e::booleanRecord;
using e2e::hostTag;
using e2e::numberRecord;
using e2e::textRecord;
using e2e::HostSession;

constexpr uint8_t kNumber = OSTREVANE_VALUE_NUMBER, kSwitch = OSTREVANE_VALUE_BOOLEAN, kText = OSTREVANE_VALUE_TEXT;
constexpr uint32_t kGood = OSTREVANE_QUALITY_GOOD;
constexpr int kDeadlineMs = 5000;

class HostWrites : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.lineReady()) << host.problem(); }

    void start(std::vector<HostTagRec> tags, OstrevanePDB pdb = e2e::twoInstruments())
    {
        session = std::make_unique<HostSession>(std::move(tags), &E2eHost::take);
        ASSERT_TRUE(session->start(pdb)) << session->initMessage;
    }

    bool readUntil(const std::function<bool()>& done, int deadlineMs = kDeadlineMs)
    {
        return session->readUntil(done, deadlineMs);
    }

    // OnDataWrite with the records; the message it hands over goes to `message`.
    bool write(std::vector<TagDataRec> records, std::string* message = nullptr)
    {
        char* text = nullptr;
        const OstrevaneBool result = OnDataWrite(static_cast<uint32_t>(records.size()), records.data(), &text);
        const std::string handed = E2eHost::take(text);
        if (message) *message = handed;
        return result != 0;
    }

    E2eHost host;
    std::unique_ptr<HostSession> session;
};

TEST_F(HostWrites, WrittenValuesAreReportedOnceTheInstrumentsAcknowledge)
{
    start({hostTag(1, "SL1:0.0", kNumber), hostTag(2, "SL3:0.0", kNumber), hostTag(3, "PV1:0.0", kNumber)});
    HostSession& s = *session;
    ASSERT_TRUE(readUntil([&] { return s.lastNumberIs(3, 25.0) && s.last(1) && s.last(2); }));

    std::string message = "unset";
    EXPECT_TRUE(write({numberRecord(1, 12.5), numberRecord(2, -2.5)}, &message));
    EXPECT_EQ(message, "");
    EXPECT_TRUE(readUntil([&] { return s.lastNumberIs(1, 12.5) && s.lastNumberIs(2, -2.5); }));
    EXPECT_EQ(s.last(1)->quality, kGood);
    EXPECT_EQ(s.last(2)->quality, kGood);
    // The instruments keep what they took: later polls bring the same values.
    const size_t reads = s.reads;
    EXPECT_TRUE(readUntil([&] { return s.reads >= reads + 20; }));
    EXPECT_TRUE(s.lastNumberIs(1, 12.5) && s.lastNumberIs(2, -2.5));
}

TEST_F(HostWrites, ARefusedWriteReturnsFalseAndChangesNothing)
{
    OstrevanePDB pdb = e2e::twoInstruments();
    pdb.ErrorOutput = 1;
    start({hostTag(1, "PV1:0.0", kNumber), hostTag(2, "COMMLINK", kNumber), hostTag(3, "DEVICELINK1", kNumber)}, pdb);
    HostSession& s = *session;
    ASSERT_TRUE(readUntil([&] { return s.lastNumberIs(1, 25.0) && s.lastNumberIs(2, 1); }));

    EXPECT_FALSE(write({numberRecord(1, 99.0)}));
    EXPECT_FALSE(write({numberRecord(2, 0.0), numberRecord(3, 0.0)}));
    const size_t reads = s.reads;
    EXPECT_TRUE(readUntil([&] { return s.reads >= reads + 20; }));
    for (const e2e::Report& report : s.reports(1)) EXPECT_TRUE(report.number == 0 || report.number == 25.0);
    EXPECT_TRUE(s.lastNumberIs(1, 25.0));
    EXPECT_TRUE(s.lastNumberIs(2, 1));
    const std::string log = host.newLog();
    for (const char* line : {"：标签T1不可写!\r\n", "：标签T2不可写!\r\n", "：标签T3不可写!\r\n"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
}

TEST_F(HostWrites, EnlogAndEncommlinkSwitchTheDriverWhetherWrittenAsNumbersBooleansOrTexts)
{
    start({hostTag(1, "ENLOG", kNumber), hostTag(2, "ENLOG", kSwitch), hostTag(3, "ENLOG", kText),
           hostTag(4, "ENCOMMLINK", kNumber), hostTag(5, "ENCOMMLINK", kSwitch), hostTag(6, "ENCOMMLINK", kText),
           hostTag(7, "PV1:0.0", kNumber), hostTag(8, "COMMLINK", kNumber)});
    HostSession& s = *session;
    ASSERT_TRUE(readUntil([&] { return s.lastNumberIs(7, 25.0) && s.lastNumberIs(8, 1); }));
    const auto logIs = [&](bool on) {
        return s.lastNumberIs(1, on ? 1 : 0) && s.last(2) && s.last(2)->boolean == (on ? 1u : 0u) &&
               s.lastTextIs(3, on ? "允许写日志" : "禁止写日志");
    };
    // The texts of the line switch end in what it says; they begin with the driver's name.
    const auto lineTextEnds = [&](const std::string& ending) {
        const std::string text = s.last(6) ? s.last(6)->text : std::string();
        return text.size() > ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
    };
    const auto lineIs = [&](bool on) {
        return s.lastNumberIs(4, on ? 1 : 0) && s.last(5) && s.last(5)->boolean == (on ? 1u : 0u) &&
               lineTextEnds(on ? "打开通信线路" : "关闭通信线路") && s.lastNumberIs(8, on ? 1 : 5);
    };

    struct Step {
        TagDataRec record;
        bool line;  // the record writes ENCOMMLINK, else ENLOG
        bool on;
    };
    const Step steps[] = {
        {numberRecord(1, 0.0), false, false}, {booleanRecord(2, true), false, true}, {textRecord(3, "0"), false, false},
        {numberRecord(4, 0.0), true, false},  {textRecord(6, "1"), true, true},      {booleanRecord(5, false), true, false},
        {numberRecord(4, 1.0), true, true},
    };
    for (const Step& step : steps) {
        EXPECT_TRUE(write({step.record})) << step.record.TagId;
        EXPECT_TRUE(readUntil([&] { return step.line ? lineIs(step.on) : logIs(step.on); }, 2 * kDeadlineMs))
            << step.record.TagId;
    }
    // The overall link state is normal again only after an accepted reply: the line is back.
    EXPECT_TRUE(s.lastNumberIs(7, 25.0));
    EXPECT_EQ(s.last(7)->quality, kGood);
}

}  // namespace
