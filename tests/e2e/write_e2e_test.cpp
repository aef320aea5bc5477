// Host writes through OnDataWrite against the simulator: the select reaches the
// instrument byte for byte and the tag shows the value once it is acknowledged;
// refused writes send nothing; writes queued together go out in order before the next
// poll; a write without acknowledgement is sent exactly twice and its tag turns bad;
// bit writes through switch and text tags build one word; a switched-off line carries
// nothing. Real time: the waits are bounded and the tests
// pass on what arrives at the instrument and at the host.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Ostrevane800.h"
#include "driver/DLLMain.h"
#include "host_session.h"
#include "real_time.h"
#include "sim_process.h"
#include "support/test_support.h"

namespace {

using e2e::booleanRecord;
using e2e::hostTag;
using e2e::numberRecord;
using e2e::textRecord;
using e2e::HostSession;
using e2e::Report;

constexpr uint8_t kNumber = OSTREVANE_VALUE_NUMBER, kSwitch = OSTREVANE_VALUE_BOOLEAN, kText = OSTREVANE_VALUE_TEXT;
constexpr uint32_t kGood = OSTREVANE_QUALITY_GOOD, kBad = OSTREVANE_QUALITY_BAD;
constexpr int kDeadlineMs = 5000;
constexpr uint16_t VT_R8 = 5, VT_BSTR = 8, VT_BOOL = 11;
const std::u16string kZeroText = u"0";

std::string takeText(char* text) { return testing_support::takeHostText(text); }

// Host tags with initial values, so that their bit numbers are those of their addresses.
HostTagRec withNumber(HostTagRec record, double value)
{
    record.InitialValue.Kind = VT_R8;
    record.InitialValue.Data.Double = value;
    return record;
}

HostTagRec withBoolean(HostTagRec record, bool value)
{
    record.InitialValue.Kind = VT_BOOL;
    const int16_t word = value ? -1 : 0;
    std::memcpy(record.InitialValue.Data.Bytes, &word, sizeof word);
    return record;
}

HostTagRec withZeroText(HostTagRec record)
{
    record.InitialValue.Kind = VT_BSTR;
    record.InitialValue.Data.Pointer = const_cast<char16_t*>(kZeroText.c_str());
    return record;
}

// The frames the instrument received, as the simulator's trace describes them
// ("select 01 SL ' 25.0': taken", "poll 01 PV"), in order.
std::vector<std::string> receivedFrames(const std::string& trace)
{
    std::vector<std::string> frames;
    size_t start = 0;
    while (start < trace.size()) {
        size_t end = trace.find('\n', start);
        if (end == std::string::npos) end = trace.size();
        const std::string line = trace.substr(start, end - start);
        start = end + 1;
        if (line.find(" <- ") == std::string::npos) continue;
        const size_t described = line.find("  ", line.find(" <- ") + 4);
        if (described != std::string::npos) frames.push_back(line.substr(described + 2));
    }
    return frames;
}

// How often the instrument received exactly these bytes as one frame ("<04><30>...").
size_t timesReceived(const std::string& trace, const std::string& bytes)
{
    size_t count = 0;
    for (size_t at = trace.find(" <- " + bytes + "  "); at != std::string::npos; at = trace.find(" <- " + bytes + "  ", at + 1))
        ++count;
    return count;
}

size_t countOf(const std::vector<std::string>& frames, const std::string& frame)
{
    return static_cast<size_t>(std::count(frames.begin(), frames.end(), frame));
}

bool isPoll(const std::string& frame) { return frame.rfind("poll ", 0) == 0; }

class WritesE2e : public ::testing::Test {
protected:
    ~WritesE2e() override
    {
        FreeDriver();
        driver::detach();
    }

    void start(std::vector<std::string> simulator, std::vector<HostTagRec> tags, OstrevanePDB pdb = e2e::twoInstruments())
    {
        simulator.push_back("--trace");
        sim = std::make_unique<e2e::SimProcess>(simulator);
        ASSERT_TRUE(sim->ok()) << sim->problem();
        session = std::make_unique<HostSession>(std::move(tags), &takeText);
        ASSERT_TRUE(session->start(pdb)) << session->initMessage;
    }

    bool readUntil(const std::function<bool()>& done, int deadlineMs = kDeadlineMs)
    {
        return session->readUntil(done, deadlineMs);
    }

    // Reads for a while, whatever happens.
    void readFor(int milliseconds)
    {
        session->readUntil([] { return false; }, milliseconds);
    }

    // OnDataWrite with the records; the message it hands over goes to `message`.
    bool write(std::vector<TagDataRec> records, std::string* message = nullptr)
    {
        char* text = nullptr;
        const OstrevaneBool result = OnDataWrite(static_cast<uint32_t>(records.size()), records.data(), &text);
        const std::string handed = takeText(text);
        if (message) *message = handed;
        return result != 0;
    }

    size_t mark(uint32_t id) const { return session->reports(id).size(); }
    // What the host showed for the tag after the read call at `atMs`: its last report then.
    const Report* shownAt(uint32_t id, uint64_t atMs) const
    {
        const Report* shown = nullptr;
        for (const Report& report : session->reports(id))
            if (report.atMs <= atMs) shown = &report;
        return shown;
    }

    testing_support::LogRedirect log;
    std::unique_ptr<e2e::SimProcess> sim;
    std::unique_ptr<HostSession> session;
};

TEST_F(WritesE2e, TheSelectReachesTheInstrumentByteForByteAndTheTagShowsTheValueOnceAcknowledged)
{
    start({"--instrument", "1:808", "--value", "1:SL=10.0"}, {hostTag(1, "SL1:0.0", kNumber), hostTag(2, "PV1:0.0", kNumber)});
    HostSession& s = *session;
    ASSERT_TRUE(readUntil([&] { return s.lastNumberIs(1, 10.0); }));

    EXPECT_TRUE(write({numberRecord(1, 25.0)}));
    // The write call only queues: the instrument has not heard of it yet.
    EXPECT_EQ(sim->commandOk("get 1 SL"), " 10.0");
    EXPECT_TRUE(readUntil([&] { return s.lastNumberIs(1, 25.0); }));
    EXPECT_EQ(s.last(1)->quality, kGood);
    EXPECT_EQ(sim->commandOk("get 1 SL"), " 25.0");
    // EOT, 0011, STX, "SL 25.0", ETX and the block check 25.
    EXPECT_NE(sim->trace().find("<- <04><30><30><31><31><02><53><4C><20><32><35><2E><30><03><25>  select 01 SL ' 25.0': taken"),
              std::string::npos)
        << sim->trace();
    EXPECT_EQ(countOf(receivedFrames(sim->trace()), "select 01 SL ' 25.0': taken"), 1u);
}

TEST_F(WritesE2e, ARefusedWriteSendsNothingAndLeavesTheTagAndTheLineAsTheyWere)
{
    OstrevanePDB pdb = e2e::twoInstruments();
    pdb.ErrorOutput = 1;
    start({"--instrument", "1:808", "--value", "1:PV=25.0"},
          {hostTag(1, "PV1:0.0", kNumber), hostTag(2, "COMMLINK", kNumber), hostTag(3, "DEVICELINK1", kNumber),
           hostTag(4, "ENCOMMLINK", kSwitch)},
          pdb);
    HostSession& s = *session;
    ASSERT_TRUE(readUntil([&] { return s.lastNumberIs(1, 25.0) && s.lastNumberIs(2, 1); }));

    std::string message = "unset";
    EXPECT_FALSE(write({numberRecord(1, 99.0)}, &message));  // a measured value
    EXPECT_EQ(message, "");
    EXPECT_FALSE(write({numberRecord(2, 0.0)}));             // the link state
    EXPECT_FALSE(write({numberRecord(3, 0.0)}));             // a device's link state
    const uint64_t polls = sim->stats().polls;
    ASSERT_TRUE(readUntil([&] { return sim->stats().polls >= polls + 5; }));
    EXPECT_EQ(sim->stats().selects, 0u);
    EXPECT_TRUE(s.lastNumberIs(1, 25.0));
    EXPECT_EQ(s.last(1)->quality, kGood);
    EXPECT_TRUE(s.lastNumberIs(2, 1));
    EXPECT_EQ(s.last(4)->boolean, 1u);
    const std::string text = log.content();
    for (const char* line : {"：标签T1不可写!\r\n", "：标签T2不可写!\r\n", "：标签T3不可写!\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST_F(WritesE2e, TwoWritesOfOneCallGoOutInOrderBetweenTwoPolls)
{
    start({"--instrument", "1:808", "--value", "1:PV=25.0"},
          {hostTag(1, "SL1:0.0", kNumber), hostTag(2, "HS1:0.0", kNumber), hostTag(3, "PV1:0.0", kNumber)});
    HostSession& s = *session;
    ASSERT_TRUE(readUntil([&] { return s.lastNumberIs(3, 25.0); }));

    EXPECT_TRUE(write({numberRecord(2, 5.0), numberRecord(1, 7.0)}));
    EXPECT_TRUE(readUntil([&] { return s.lastNumberIs(2, 5.0) && s.lastNumberIs(1, 7.0); }));
    std::vector<std::string> frames;
    auto first = frames.end();
    // Until the frame after the two writes is in the trace.
    ASSERT_TRUE(readUntil([&] {
        frames = receivedFrames(sim->trace());
        first = std::find(frames.begin(), frames.end(), "select 01 HS '  5.0': taken");
        return first != frames.end() && frames.end() - first > 2;
    })) << sim->trace();
    ASSERT_NE(first, frames.begin());
    EXPECT_TRUE(isPoll(*(first - 1))) << *(first - 1);  // the exchange under way
    EXPECT_EQ(*(first + 1), "select 01 SL '  7.0': taken");
    EXPECT_TRUE(isPoll(*(first + 2))) << *(first + 2);
}

TEST_F(WritesE2e, AWriteWithoutAcknowledgementIsSentExactlyTwiceAndItsTagTurnsBad)
{
    start({"--instrument", "1:808", "--value", "1:SL=10.0"}, {hostTag(1, "SL1:0.0", kNumber), hostTag(2, "PV1:0.0", kNumber)});
    HostSession& s = *session;
    ASSERT_TRUE(readUntil([&] { return s.lastNumberIs(1, 10.0); }));

    sim->commandOk("fault 1 silence on");
    EXPECT_TRUE(write({numberRecord(1, 25.0)}));
    // The exchange under way, the write and its one retry each wait for their time-out.
    ASSERT_TRUE(readUntil([&] { return s.last(1)->quality == kBad; }, 3 * kDeadlineMs));
    EXPECT_TRUE(s.lastNumberIs(1, 10.0));
    const std::string select25 = "<04><30><30><31><31><02><53><4C><20><32><35><2E><30><03><25>";
    EXPECT_EQ(timesReceived(sim->trace(), select25), 2u) << sim->trace();
    // Polling goes on; the write is not tried a third time.
    readFor(2500);
    EXPECT_EQ(timesReceived(sim->trace(), select25), 2u);

    sim->commandOk("fault 1 clear");
    EXPECT_TRUE(readUntil([&] { return s.last(1)->quality == kGood; }, 2 * kDeadlineMs));
    EXPECT_TRUE(s.lastNumberIs(1, 10.0));
    EXPECT_EQ(sim->stats().selects, 0u);
    EXPECT_EQ(sim->commandOk("get 1 SL"), " 10.0");
}

TEST_F(WritesE2e, BitWritesThroughSwitchAndTextTagsOfOneParameterShareOneWord)
{
    start({"--instrument", "3:847"},
          {withBoolean(hostTag(1, "SW3:0.5", kSwitch), false), withZeroText(hostTag(2, "SW3:0.5", kText)),
           withBoolean(hostTag(3, "SW3:0.4", kSwitch), false), withNumber(hostTag(4, "SW3:0.0", kNumber), 0)});
    HostSession& s = *session;
    // Past the first six reads, in which a new tag is reported whether it changed or not.
    ASSERT_TRUE(readUntil([&] { return s.lastTextIs(2, "  0.0") && s.reads > 6; }));

    struct Step {
        TagDataRec record;
        const char* selected;  // as the instrument took it
        const char* stored;    // what it answers afterwards
        double word;
    };
    const Step steps[] = {
        {booleanRecord(1, true), "select 03 SW '000032': taken", " 32.0", 32},  // bit 5 of 0
        {booleanRecord(3, true), "select 03 SW '000048': taken", " 48.0", 48},  // bit 4 on top
        {textRecord(2, "0"), "select 03 SW '000016': taken", " 16.0", 16},      // bit 5 off again
    };
    for (const Step& step : steps) {
        const size_t textMark = mark(2);
        ASSERT_TRUE(write({step.record})) << step.selected;
        // On the acknowledgement each tag shows its own reading of the word. The text
        // tag's "1" or "0" comes only from an acknowledgement (a poll gives it the
        // number's text), so its report marks the read that saw the acknowledgement.
        const bool bit5 = (static_cast<int>(step.word) & 32) != 0, bit4 = (static_cast<int>(step.word) & 16) != 0;
        const Report* acknowledged = nullptr;
        ASSERT_TRUE(readUntil([&] {
            const std::vector<Report>& texts = s.reports(2);
            for (size_t i = textMark; i < texts.size() && !acknowledged; ++i)
                if (texts[i].text == (bit5 ? "1" : "0")) acknowledged = &texts[i];
            return acknowledged != nullptr;
        })) << step.selected;
        const uint64_t at = acknowledged->atMs;
        ASSERT_NE(shownAt(1, at), nullptr);
        ASSERT_NE(shownAt(3, at), nullptr);
        ASSERT_NE(shownAt(4, at), nullptr);
        EXPECT_EQ(shownAt(1, at)->boolean, bit5 ? 1u : 0u) << step.selected;
        EXPECT_EQ(shownAt(3, at)->boolean, bit4 ? 1u : 0u) << step.selected;
        EXPECT_EQ(shownAt(4, at)->number, step.word) << step.selected;
        EXPECT_EQ(sim->commandOk("get 3 SW"), step.stored);
        EXPECT_EQ(countOf(receivedFrames(sim->trace()), step.selected), 1u) << step.selected;
        // A poll brings the text tag the number's text; only from there on does the next
        // acknowledgement change what the host shows (reports go by change).
        ASSERT_TRUE(readUntil([&] { return s.lastTextIs(2, step.stored); })) << step.selected;
    }
}

TEST_F(WritesE2e, ASwitchedOffLineCarriesNothingAndAWriteMeanwhileTurnsItsTagBad)
{
    start({"--instrument", "1:808", "--value", "1:SL=10.0", "--value", "1:PV=25.0"},
          {hostTag(1, "SL1:0.0", kNumber), hostTag(2, "PV1:0.0", kNumber), hostTag(3, "ENCOMMLINK", kSwitch),
           hostTag(4, "COMMLINK", kNumber)});
    HostSession& s = *session;
    ASSERT_TRUE(readUntil([&] { return s.lastNumberIs(1, 10.0) && s.lastNumberIs(2, 25.0) && s.lastNumberIs(4, 1); }));

    EXPECT_TRUE(write({booleanRecord(3, false)}));
    ASSERT_TRUE(readUntil([&] { return s.lastNumberIs(4, 5); }));  // paused
    // The write is queued, never sent, and fails twice at once.
    EXPECT_TRUE(write({numberRecord(1, 25.0)}));
    EXPECT_TRUE(readUntil([&] { return s.last(1)->quality == kBad; }));
    EXPECT_TRUE(s.lastNumberIs(1, 10.0));
    const uint64_t polls = sim->stats().polls;
    readFor(1200);
    EXPECT_EQ(sim->stats().polls, polls);
    EXPECT_EQ(sim->stats().selects, 0u);

    EXPECT_TRUE(write({booleanRecord(3, true)}));
    EXPECT_TRUE(readUntil([&] { return s.lastNumberIs(4, 1) && sim->stats().polls >= polls + 3; }));
    EXPECT_TRUE(readUntil([&] { return s.last(1)->quality == kGood; }));
    EXPECT_EQ(sim->stats().selects, 0u);
    EXPECT_EQ(sim->commandOk("get 1 SL"), " 10.0");
}

}  // namespace
