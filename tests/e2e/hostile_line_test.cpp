// The driver on a hostile line, against the simulator in real time: a long run of
// mixed damage never puts a value into a tag that the instrument did not hold, an
// adapter pulled out and put back is found again without the host's help, and a
// silent instrument's tags turn bad once and good again when it answers. Every wait
// is bounded; the tests pass on the reports that arrive.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>
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

constexpr uint8_t kNumber = OSTREVANE_VALUE_NUMBER, kText = OSTREVANE_VALUE_TEXT;
constexpr uint32_t kGood = OSTREVANE_QUALITY_GOOD, kBad = OSTREVANE_QUALITY_BAD;
constexpr int kDeadlineMs = 8000;
const std::string kTimeoutText = "通讯超时错，期待设备应答";

std::string takeText(char* text) { return testing_support::takeHostText(text); }

size_t countOf(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

bool isGood(const HostSession& s, uint32_t id) { return s.last(id) && s.last(id)->quality == kGood; }
bool isBad(const HostSession& s, uint32_t id) { return s.last(id) && s.last(id)->quality == kBad; }
bool goodNumber(const HostSession& s, uint32_t id, double value) { return isGood(s, id) && s.lastNumberIs(id, value); }

size_t badReports(const std::vector<Report>& reports)
{
    size_t count = 0;
    for (const Report& report : reports) count += report.quality == kBad ? 1 : 0;
    return count;
}

class HostileLine : public ::testing::Test {
protected:
    ~HostileLine() override
    {
        FreeDriver();
        driver::detach();
    }

    void start(const std::vector<std::string>& simulator, std::vector<HostTagRec> tags, bool errorOutput = false)
    {
        sim = std::make_unique<e2e::SimProcess>(simulator);
        ASSERT_TRUE(sim->ok()) << sim->problem();
        session = std::make_unique<HostSession>(std::move(tags), &takeText);
        OstrevanePDB pdb = e2e::twoInstruments();
        pdb.ErrorOutput = errorOutput ? 1 : 0;
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

// What the instruments hold for each tag, as a number or as the data characters.
struct Held {
    uint32_t id;
    const char* address;
    uint8_t valueType;
    double number;
    const char* text;
};

const Held kHeld[] = {
    {1, "PV1:0.0", kNumber, 25.0, ""},  {2, "SP1:0.0", kNumber, 30.5, ""},   {3, "HS1:0.0", kNumber, 77.0, ""},
    {4, "PV3:0.0", kNumber, -12.5, ""}, {5, "PV1:0.0", kText, 0, " 25.0"}, {6, "PV3:0.0", kText, 0, "-12.5"},
};

bool holds(const Report& report, const Held& held)
{
    return held.valueType == kText ? report.text == held.text : report.number == held.number;
}

// The tag's value before any reply: the host's initial value.
bool initial(const Report& report, const Held& held)
{
    return held.valueType == kText ? report.text.empty() : report.number == 0;
}

// Each phase sets its faults on a clean line for a while; they overlap and mix, and a
// reply naming the wrong parameter always carries another value than the one polled.
TEST_F(HostileLine, MixedDamageNeverPutsAValueTheInstrumentDidNotHoldIntoATag)
{
    std::vector<HostTagRec> tags;
    for (const Held& held : kHeld) tags.push_back(hostTag(held.id, held.address, held.valueType));
    start({"--instrument", "1:808", "--instrument", "3:847", "--value", "1:PV=25.0", "--value", "1:SP=30.5",
           "--value", "1:HS=77.0", "--value", "3:PV=-12.5", "--value", "3:HS=5.0"},
          tags);
    HostSession& s = *session;
    const auto allHeldAndGood = [&] {
        for (const Held& held : kHeld)
            if (!isGood(s, held.id) || !holds(*s.last(held.id), held)) return false;
        return true;
    };
    ASSERT_TRUE(readUntil(allHeldAndGood));

    const std::vector<std::vector<std::string>> phases = {
        {"noise 5"},
        {"split 4 20ms"},
        {"badcheck on"},
        {"badstart on"},
        {"wrongparam on"},
        {"delay 300ms", "noise 3"},
        {"3 silence on", "1 badstart on times 3", "1 wrongparam on times 3"},
        {"badstart on times 2", "wrongparam on times 2", "split 3 15ms", "noise 4"},
        {"silence on"},
        {"3 badcheck on", "1 wrongparam on", "split 2 5ms"},
    };
    // The host scans on through every phase; nothing is waited for.
    constexpr int kPhaseMs = 2300;
    for (const auto& phase : phases) {
        sim->commandOk("fault clear");
        for (const std::string& fault : phase) sim->commandOk("fault " + fault);
        readUntil([] { return false; }, kPhaseMs);
    }
    sim->commandOk("fault clear");
    EXPECT_TRUE(readUntil(allHeldAndGood, 2 * kDeadlineMs));

    for (const Held& held : kHeld) {
        bool seen = false;
        for (const Report& report : s.reports(held.id)) {
            const std::string shown = held.valueType == kText ? "'" + report.text + "'" : std::to_string(report.number);
            // A value once received is kept, with good or bad quality, until the next one.
            EXPECT_TRUE(holds(report, held) || (!seen && initial(report, held)))
                << "tag " << held.id << " showed " << shown << " with quality " << report.quality;
            seen = seen || holds(report, held);
        }
    }
    // The damage met the driver: exchanges were lost, and the silence turned tags bad.
    EXPECT_GT(sim->stats().silenced, 0u);
    EXPECT_GE(badReports(s.reports(4)), 1u);
    EXPECT_GE(s.messageCount(kTimeoutText), 5u);
}

// Slow: the line is away for 3 s and the driver looks for it every 2 s.
TEST_F(HostileLine, APulledAdapterIsFoundAgainWithoutTheHost)
{
    const std::string link = ::testing::TempDir() + "ostrevane-line-" + std::to_string(::getpid());
    start({"--link", link, "--trace", "--instrument", "1:808", "--instrument", "3:847", "--value", "1:PV=25.0",
           "--value", "3:PV=-12.5"},
          {hostTag(1, "PV1:0.0", kNumber), hostTag(2, "PV3:0.0", kNumber), hostTag(10, "COMMLINK", kNumber),
           hostTag(11, "DEVICELINK1", kNumber)},
          true);
    HostSession& s = *session;
    ASSERT_TRUE(readUntil([&] { return goodNumber(s, 1, 25.0) && goodNumber(s, 2, -12.5) && s.lastNumberIs(10, 1); }));

    const size_t reportsBefore = s.reports(1).size();
    sim->commandOk("unplug 3s");
    // Both instruments share the failures, so the line reaches "broken" and each
    // instrument at least "interference" before the driver finds the line again.
    EXPECT_TRUE(readUntil([&] {
        return s.last(10)->number >= 3 && s.last(11)->number >= 2 && isBad(s, 1) && isBad(s, 2);
    })) << "line " << s.last(10)->number << " after " << s.messageCount(kTimeoutText) << " time-outs";
    // The values stay what they were, only their quality changes.
    EXPECT_TRUE(s.lastNumberIs(1, 25.0));
    EXPECT_TRUE(s.lastNumberIs(2, -12.5));

    sim->commandOk("set 1 PV 26.5");
    EXPECT_TRUE(readUntil([&] {
        return goodNumber(s, 1, 26.5) && goodNumber(s, 2, -12.5) && s.lastNumberIs(10, 1) && s.lastNumberIs(11, 1);
    })) << sim->trace();
    const std::vector<Report> outage(s.reports(1).begin() + static_cast<std::ptrdiff_t>(reportsBefore),
                                     s.reports(1).end());
    EXPECT_EQ(badReports(outage), 1u) << "the bad quality is reported once";

    FreeDriver();
    const std::string text = log.content();
    const std::string gone = "the device is gone";
    EXPECT_EQ(countOf(text, gone), 1u) << text;
    const size_t lost = text.find(gone);
    ASSERT_NE(lost, std::string::npos);
    const std::string lostLine = text.substr(lost, text.find('\n', lost) - lost);
    EXPECT_NE(lostLine.find("(OS error " + std::to_string(EIO) + ": "), std::string::npos) << lostLine;
    EXPECT_NE(text.find("Com1打开成功", lost), std::string::npos) << text;
}

TEST_F(HostileLine, ASilentInstrumentsTagsTurnBadOnceAndGoodWhenItAnswers)
{
    start({"--instrument", "1:808", "--instrument", "3:847", "--value", "1:PV=25.0", "--value", "3:PV=-12.5"},
          {hostTag(1, "PV1:0.0", kNumber), hostTag(2, "PV3:0.0", kNumber), hostTag(3, "PV3:0.0", kText)});
    HostSession& s = *session;
    ASSERT_TRUE(readUntil([&] { return goodNumber(s, 1, 25.0) && goodNumber(s, 2, -12.5) && isGood(s, 3); }));

    sim->commandOk("fault 3 silence on");
    ASSERT_TRUE(readUntil([&] { return isBad(s, 2) && isBad(s, 3); }));
    EXPECT_TRUE(s.lastNumberIs(2, -12.5));
    EXPECT_TRUE(s.lastTextIs(3, "-12.5"));
    // More failed polls of the silent instrument report nothing new.
    const size_t timeouts = s.messageCount(kTimeoutText);
    ASSERT_TRUE(readUntil([&] { return s.messageCount(kTimeoutText) >= timeouts + 2; }));
    EXPECT_EQ(badReports(s.reports(2)), 1u);
    EXPECT_EQ(badReports(s.reports(3)), 1u);

    sim->commandOk("set 3 PV -10.0");
    sim->commandOk("fault 3 clear");
    EXPECT_TRUE(readUntil([&] { return goodNumber(s, 2, -10.0) && isGood(s, 3) && s.lastTextIs(3, "-10.0"); }));
    EXPECT_EQ(badReports(s.reports(2)), 1u);
    // The instrument that kept answering was never in doubt.
    EXPECT_EQ(badReports(s.reports(1)), 0u);
    EXPECT_TRUE(goodNumber(s, 1, 25.0));
}

}  // namespace
