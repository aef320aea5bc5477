// The driver against a simulator whose console the test holds: values changed at the
// instrument reach the host, a silent line times out step by step and comes back,
// corrupted, split, noisy and late replies never put a wrong value into a tag, and
// the host's event is signalled once the line has failed more than ten times in a
// row. Real time throughout: a time-out needs more than a second, so the waits are
// bounded generously and the tests pass on the data that arrives.
#include <sys/eventfd.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Ostrevane800.h"
#include "driver/DLLMain.h"
#include "host_session.h"
#include "sim_process.h"
#include "support/test_support.h"

namespace {

using e2e::hostTag;
using e2e::HostSession;
using e2e::Report;

constexpr uint8_t kNumber = OSTREVANE_VALUE_NUMBER, kSwitch = OSTREVANE_VALUE_BOOLEAN, kText = OSTREVANE_VALUE_TEXT;
constexpr uint32_t kGood = OSTREVANE_QUALITY_GOOD;
constexpr int kDeadlineMs = 5000;
constexpr int kReplyTimeoutMs = 1000;
const std::string kTimeoutText = "通讯超时错，期待设备应答";
const std::string kSevereText = "严重故障：连续通讯失败，请检查线路和设备";

std::string takeText(char* text) { return testing_support::takeHostText(text); }

double numberAfter(const std::string& log, const std::string& label)
{
    const size_t at = log.rfind(label);
    return at == std::string::npos ? -1 : std::strtod(log.c_str() + at + label.size(), nullptr);
}

// The states a link tag went through, each listed once, from the first accepted reply
// on (whether "never succeeded" is reported before it depends on timing).
std::vector<double> statesOf(const std::vector<Report>& reports)
{
    std::vector<double> states;
    for (const Report& report : reports)
        if ((!states.empty() || report.number != 0) && (states.empty() || states.back() != report.number))
            states.push_back(report.number);
    return states;
}

// When the host first saw a tag with `value`.
uint64_t firstSeen(const std::vector<Report>& reports, double value)
{
    for (const Report& report : reports)
        if (report.number == value) return report.atMs;
    return 0;
}

class LineFaults : public ::testing::Test {
protected:
    ~LineFaults() override
    {
        FreeDriver();
        driver::detach();
    }

    // Starts the simulator and the driver; the test's failure says why when either fails.
    void start(const std::vector<std::string>& simulator, std::vector<HostTagRec> tags,
               OstrevanePDB pdb = e2e::twoInstruments())
    {
        sim = std::make_unique<e2e::SimProcess>(simulator);
        ASSERT_TRUE(sim->ok()) << sim->problem();
        session = std::make_unique<HostSession>(std::move(tags), &takeText);
        ASSERT_TRUE(session->start(pdb)) << session->initMessage;
    }

    bool readUntil(const std::function<bool()>& done, int deadlineMs = kDeadlineMs)
    {
        return session->readUntil(done, deadlineMs);
    }

    testing_support::LogRedirect log;
    std::unique_ptr<e2e::SimProcess> sim;
    std::unique_ptr<HostSession> session;
};

TEST_F(LineFaults, ValuesChangedAtTheInstrumentsReachTheHost)
{
    start({"--instrument", "1:808", "--instrument", "3:847", "--value", "1:PV=25.0"},
          {hostTag(1, "PV1:0.0", kNumber), hostTag(2, "PV1:0.0", kText), hostTag(3, "HS3:0.0", kSwitch)});
    HostSession& s = *session;
    ASSERT_TRUE(readUntil([&] { return s.lastNumberIs(1, 25.0) && s.lastTextIs(2, " 25.0"); }));

    sim->commandOk("set 1 PV 31.5");
    sim->commandOk("set 3 HS 1");
    EXPECT_TRUE(readUntil([&] {
        return s.lastNumberIs(1, 31.5) && s.lastTextIs(2, " 31.5") && s.last(3) && s.last(3)->boolean == 1;
    }));

    // Hexadecimal data: the number tag takes its value, the text tag the characters.
    sim->commandOk("raw 1 PV >002A");
    EXPECT_TRUE(readUntil([&] { return s.lastNumberIs(1, 42) && s.lastTextIs(2, ">002A"); }));
        EXPECT_EQ(s.last(1)->quality, kGood);
}

TEST_F(LineFaults, ASilentLineTimesOutStepByStepAndComesBack)
{
    OstrevanePDB pdb = e2e::twoInstruments();
    pdb.ErrorOutput = 1;
    start({"--instrument", "1:808", "--value", "1:PV=25.0"},
          {hostTag(1, "PV1:0.0", kNumber), hostTag(10, "COMMLINK", kNumber), hostTag(11, "COMMLINK", kText),
           hostTag(13, "DEVICELINK1", kNumber)},
          pdb);
    HostSession& s = *session;
    ASSERT_TRUE(readUntil([&] { return s.lastNumberIs(1, 25.0) && s.lastNumberIs(10, 1) && s.lastNumberIs(13, 1); }));

    const uint64_t silentFrom = e2e::steadyMs();
    sim->commandOk("fault silence on");
    // Interference, fault, line broken: one more step with every time-out.
    ASSERT_TRUE(readUntil([&] { return s.lastNumberIs(10, 4); }, 4 * kDeadlineMs / 2))
        << "after " << s.messageCount(kTimeoutText) << " time-outs";
    EXPECT_EQ(statesOf(s.reports(10)), (std::vector<double>{1, 2, 3, 4}));
    EXPECT_TRUE(s.lastTextIs(11, "Ostrevane仪表通讯线路断路!")) << s.last(11)->text;
    EXPECT_TRUE(s.lastNumberIs(13, 3));  // three failures of the device
    EXPECT_GT(firstSeen(s.reports(10), 2), silentFrom + kReplyTimeoutMs);
    EXPECT_EQ(s.messageCount(kTimeoutText), 3u);
    // The tag keeps its value, now with bad quality: nobody vouches for it any more.
    EXPECT_TRUE(s.lastNumberIs(1, 25.0));
    EXPECT_EQ(s.last(1)->quality, static_cast<uint32_t>(OSTREVANE_QUALITY_BAD));

    sim->commandOk("set 1 PV 26.5");
    sim->commandOk("fault clear");
    EXPECT_TRUE(readUntil([&] {
        return s.lastNumberIs(1, 26.5) && s.last(1)->quality == kGood && s.lastNumberIs(10, 1) &&
               s.lastNumberIs(13, 1) && s.lastTextIs(11, "Ostrevane仪表通讯正常!");
    }, 2 * kDeadlineMs));

    FreeDriver();
    const std::string text = log.content();
    EXPECT_EQ(numberAfter(text, "：通讯超时总次数= "), static_cast<double>(s.messageCount(kTimeoutText)));
    EXPECT_NE(text.find("：通讯超时错，执行的操作=\x04" "0011PV\x05"), std::string::npos) << text;
    EXPECT_NE(text.find("：串行口没有接收到应答信息！"), std::string::npos);
    EXPECT_EQ(numberAfter(text, "：连续通讯超时次数= "), 0);  // the last exchange succeeded
}

TEST_F(LineFaults, OneSilentInstrumentDoesNotDisturbTheOther)
{
    start({"--instrument", "1:808", "--instrument", "3:847", "--value", "1:PV=25.0", "--value", "3:PV=8.0"},
          {hostTag(1, "PV1:0.0", kNumber), hostTag(3, "PV3:0.0", kNumber), hostTag(21, "DEVICELINK1", kNumber),
           hostTag(23, "DEVICELINK3", kNumber), hostTag(24, "DEVICELINK3", kText)});
    HostSession& s = *session;
    ASSERT_TRUE(readUntil([&] { return s.lastNumberIs(1, 25.0) && s.lastNumberIs(3, 8.0) && s.lastNumberIs(23, 1); }));

    sim->commandOk("fault 3 silence on");
    sim->commandOk("set 1 PV 27.5");
    ASSERT_TRUE(readUntil([&] { return s.lastNumberIs(23, 2) && s.lastNumberIs(1, 27.5); }));
    EXPECT_TRUE(s.lastTextIs(24, "3号仪表Ostrevane847通讯出现干扰!")) << s.last(24)->text;
    EXPECT_EQ(statesOf(s.reports(21)), std::vector<double>{1});

    sim->commandOk("fault 3 clear");
    sim->commandOk("set 3 PV 9.5");
    EXPECT_TRUE(readUntil([&] { return s.lastNumberIs(23, 1) && s.lastNumberIs(3, 9.5); }, 2 * kDeadlineMs));
    EXPECT_TRUE(s.lastTextIs(24, "3号仪表Ostrevane847通讯正常!"));
    EXPECT_EQ(statesOf(s.reports(21)), std::vector<double>{1});
}

// A reply that is wrong is never taken; one that comes late, in pieces or after line
// noise is taken whole. Either way the tags only ever show values the instrument really had.
struct DamagedReplies {
    const char* name;
    const char* fault;
    bool timesOut;  // the damaged replies end their exchanges by time-out
};

void PrintTo(const DamagedReplies& damage, std::ostream* out) { *out << damage.fault; }

class DamagedReply : public LineFaults, public ::testing::WithParamInterface<DamagedReplies> {};

TEST_P(DamagedReply, NeverReachesTheTagsAndTheValuesStillArrive)
{
    // HS is what a reply naming the wrong parameter carries.
    start({"--instrument", "1:808", "--value", "1:PV=25.0", "--value", "1:HS=66.0"},
          {hostTag(1, "PV1:0.0", kNumber), hostTag(2, "PV1:0.0", kText)});
    HostSession& s = *session;
    ASSERT_TRUE(readUntil([&] { return s.lastNumberIs(1, 25.0) && s.lastTextIs(2, " 25.0"); }));

    sim->commandOk(std::string("fault ") + GetParam().fault);
    sim->commandOk("set 1 PV 47.5");
    EXPECT_TRUE(readUntil([&] { return s.lastNumberIs(1, 47.5) && s.lastTextIs(2, " 47.5"); }, 2 * kDeadlineMs));
    // Every damaged answer has met the driver.
    EXPECT_TRUE(readUntil([&] { return sim->command("faults") == "ok none"; }, 2 * kDeadlineMs));

    for (const Report& report : s.reports(1)) {
        EXPECT_TRUE(report.number == 0 || report.number == 25.0 || report.number == 47.5) << report.number;
        EXPECT_EQ(report.quality, kGood);
    }
    for (const Report& report : s.reports(2))
        EXPECT_TRUE(report.text.empty() || report.text == " 25.0" || report.text == " 47.5") << report.text;

    FreeDriver();
    const double timeouts = numberAfter(log.content(), "：通讯超时总次数= ");
    if (GetParam().timesOut) EXPECT_GE(timeouts, 1);
    else EXPECT_EQ(timeouts, 0);
}

INSTANTIATE_TEST_SUITE_P(Faults, DamagedReply,
                         ::testing::Values(DamagedReplies{"WrongBlockCheck", "badcheck on times 2", true},
                                           DamagedReplies{"HitStart", "badstart on times 2", true},
                                           DamagedReplies{"AnotherParameter", "wrongparam on times 2", true},
                                           DamagedReplies{"NoiseBeforeTheReply", "noise 6 times 2", false},
                                           DamagedReplies{"SplitIntoFourPieces", "split 4 30ms times 3", false},
                                           DamagedReplies{"OneByteAtATime", "split 10 5ms times 2", false},
                                           DamagedReplies{"LateButInTime", "delay 300ms times 2", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Slow: eleven time-outs need more than eleven seconds of real time.
TEST_F(LineFaults, TheHostEventIsSignalledAfterMoreThanTenTimeOutsInARow)
{
    start({"--instrument", "1:808", "--fault", "silence on"}, {hostTag(1, "PV1:0.0", kNumber)});
    const int event = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    ASSERT_GE(event, 0);
    EXPECT_EQ(IniDriverEx(static_cast<OstrevaneEvent>(event)), 1);
    HostSession& s = *session;
    uint64_t count = 0;

    ASSERT_TRUE(readUntil([&] { return s.messageCount(kTimeoutText) == 10; }, 15 * kReplyTimeoutMs));
    EXPECT_EQ(::read(event, &count, sizeof count), -1) << "signalled after ten time-outs";
    EXPECT_EQ(errno, EAGAIN);
    EXPECT_EQ(s.messageCount(kSevereText), 0u);

    ASSERT_TRUE(readUntil([&] { return s.messageCount(kSevereText) == 1; }, 3 * kReplyTimeoutMs));
    EXPECT_EQ(s.messageCount(kTimeoutText), 10u);  // the eleventh says the severe text instead
    ASSERT_EQ(::read(event, &count, sizeof count), static_cast<ssize_t>(sizeof count));
    EXPECT_EQ(count, 1u);
    ::close(event);
}

}  // namespace
