// Sixty days of polling in a few seconds: the clock moves an hour at a time and a
// few exchanges run in each hour. Over that time the tick count wraps, the log is
// moved aside every day and old days are deleted, the counters reach their tops, and
// nothing the driver holds may grow.
#include <malloc.h>

#include <cinttypes>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "engine_harness.h"
#include "framework/DLLLog.h"
#include "framework/ValueExchange.h"
#include "platform/calendar.h"
#include "platform/files.h"

using namespace enginetest;

namespace {

constexpr uint64_t kHour = 3600000;
constexpr uint64_t kDay = 24 * kHour;
constexpr int kDays = 60;
constexpr int kRepliesPerHour = 6;
constexpr uint32_t kStartTick = 1000;
const int64_t kStartDay = platform::daysFromCivil(2026, 1, 1);

// What the run saw, for the README's figures.
struct Figures {
    uint64_t passes = 0;
    int rotations = 0;  // days whose log was found moved aside on the next day
    size_t filesKept = 0;
    size_t heapAfterFirstDay = 0;
    size_t heapAtEnd = 0;
};

size_t heapInUse() { return mallinfo2().uordblks; }

class LongRun : public Engine {
protected:
    // Sets tick count and local time to `ms` after the start (midnight, 1 January).
    void setTime(uint64_t ms)
    {
        simulated = ms;
        clock.tick = static_cast<uint32_t>(kStartTick + ms);
        platform::LocalDateTime now = platform::civilFromDays(kStartDay + static_cast<int64_t>(ms / kDay));
        const uint64_t ofDay = ms % kDay;
        now.hour = static_cast<int>(ofDay / kHour);
        now.minute = static_cast<int>(ofDay / 60000 % 60);
        now.second = static_cast<int>(ofDay / 1000 % 60);
        now.millisecond = static_cast<int>(ofDay % 1000);
        clock.now = now;
    }
    void advance(uint64_t ms) { setTime(simulated + ms); }

    std::string datedLog(int64_t daysAfterStart) const
    {
        return "Ostrevane800" + platform::formatDate(platform::civilFromDays(kStartDay + daysAfterStart)) + ".LOG";
    }
    // Yesterday's log has been moved aside under its date.
    void countRotation(int64_t today)
    {
        if (std::filesystem::exists(log.folder() + "/Debug/" + datedLog(today - 1))) ++figures.rotations;
    }

    int run()
    {
        ++figures.passes;
        return pass();
    }

    // Answers the request on the line as the instrument would: a select with ACK, a
    // poll with `value`.
    int answerRequest(int value)
    {
        advance(20);
        const std::string& request = lastSent();
        if (request.empty() || request.back() != '\x05') {
            line->incoming += kAck;
        } else {
            line->incoming += reply(request.substr(5, 2), std::to_string(value));
        }
        return run();
    }

    // The dated logs in the log folder (the current log not counted).
    std::vector<std::string> datedLogs() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(log.folder() + "/Debug")) {
            const std::string name = entry.path().filename().string();
            if (name != "Ostrevane800.Log") names.push_back(name);
        }
        return names;
    }

    // Across the wrap of the tick count a reply still times out after 1000 ms, not
    // before and not never.
    void exchangeAcrossTheWrap(int value)
    {
        setTime((uint64_t{1} << 32) - 300 - kStartTick);
        answerRequest(value);  // the next request leaves 280 ms before the wrap
        const double timeouts = object->Statistics.timeouts;
        advance(600);
        run();
        EXPECT_EQ(object->Statistics.timeouts, timeouts) << "a time-out 600 ms after sending";
        advance(401);
        run();
        EXPECT_EQ(object->Statistics.timeouts, timeouts + 1) << "no time-out 1001 ms after sending";
    }

    void hour(uint64_t hourNo)
    {
        const uint64_t hourStart = hourNo * kHour;
        setTime(hourStart);
        const uint64_t tickBefore = kStartTick + hourStart;
        if ((tickBefore + kHour) >> 32 != tickBefore >> 32) {
            exchangeAcrossTheWrap(static_cast<int>(hourNo % 100));
            wrapped = true;
        }
        if (hourNo % 24 == 12) object->WriteExecute(2, TagValue(static_cast<double>(hourNo / 24 % 50)));
        for (int i = 0; i < kRepliesPerHour; ++i) answerRequest(static_cast<int>(hourNo % 100));
        advance(1001);
        run();  // one instrument stays silent once an hour

        uint32_t count = 0;
        std::vector<TagDataRec> records(object->TagTable.size());
        valueexchange::reportChanges(*object, records.data(), count);
        EXPECT_GE(count, 1u) << "no value reported in hour " << hourNo;

        // Only the request under way stays on the line's record.
        line->sent.erase(line->sent.begin(), line->sent.end() - 1);
    }

    Figures figures;
    uint64_t simulated = 0;
    bool wrapped = false;
};

}  // namespace

TEST_F(LongRun, SixtyDaysOfPollingKeepTimeCountersLogAndMemoryInBounds)
{
    setTime(0);
    OstrevanePDB pdb = plant();
    pdb.TraceOutput = 1;  // every exchange goes into the log, so the days have content
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "SL2:0.0"), hostTag(3, "PV3:0.0")}, pdb));
    const size_t tags = object->TagTable.size();
    const size_t commands = object->PollList.size();

    for (uint64_t hourNo = 0; hourNo < kDays * 24; ++hourNo) {
        hour(hourNo);
        if (hourNo % 24 == 0 && hourNo > 0) {
            countRotation(static_cast<int64_t>(hourNo / 24));
            ASSERT_LE(datedLogs().size(), 30u) << "dated logs piling up on day " << hourNo / 24;
        }
        if (hourNo == 24) figures.heapAfterFirstDay = heapInUse();
        if (hourNo == (kDays - 2) * 24) {
            // Two days before the end the counters are put just below their tops.
            object->Statistics.exchanges = INT32_MAX - 10;
            tag(0).reads = UINT32_MAX - 10;
            tag(0).readFailures = UINT32_MAX - 20;
        }
        ASSERT_EQ(object->TagTable.size(), tags);
        ASSERT_EQ(object->PollList.size(), commands);
        ASSERT_LE(object->WriteQueue.size(), 1u);
        ASSERT_LT(object->DevMsg.size(), 1000u);
    }
    setTime(kDays * kDay);
    run();
    countRotation(kDays);
    figures.heapAtEnd = heapInUse();

    EXPECT_TRUE(wrapped);
    EXPECT_EQ(object->Statistics.exchanges, INT32_MAX);
    EXPECT_EQ(tag(0).reads, UINT32_MAX);
    EXPECT_LE(tag(0).readFailures, tag(0).reads);
    EXPECT_NE(object->DevMsg.find("已经发送的命令帧数=2147483647"), std::string::npos);

    // One dated log for every day that ended; the last 29 days are kept, older ones deleted.
    const std::vector<std::string> kept = datedLogs();
    figures.filesKept = kept.size() + 1;
    EXPECT_EQ(figures.rotations, kDays);
    const std::set<std::string> keptNames(kept.begin(), kept.end());
    EXPECT_EQ(keptNames.count(datedLog(kDays - 1)), 1u);
    EXPECT_EQ(keptNames.count(datedLog(kDays - 29)), 1u);
    EXPECT_EQ(kept.size(), 29u);
    std::string lastDay;
    platform::readWholeFile(log.folder() + "/Debug/" + datedLog(kDays - 1), lastDay);
    EXPECT_EQ(lastDay.rfind(platform::formatDate(platform::civilFromDays(kStartDay + kDays - 1)) + " 00:", 0), 0u)
        << "the last day's log does not start with that day's traffic";

    // The driver's memory does not grow with the days (allocator figures; zero where a
    // sanitizer's allocator stands in).
    EXPECT_LE(figures.heapAtEnd, figures.heapAfterFirstDay + 16 * 1024);

    // The statistics block counts the whole run, past the wrap of the tick count.
    const size_t before = log.content().size();
    object->Stop();
    const std::string block = log.content().substr(before);
    EXPECT_NE(block.find("本次运行总时间（毫秒）=" + std::to_string(kDays * kDay)), std::string::npos);

    std::printf("long run: %d days, %" PRIu64 " passes, %d rotations, %zu log files kept, heap in use %zu -> %zu bytes\n",
                kDays, figures.passes, figures.rotations, figures.filesKept, figures.heapAfterFirstDay,
                figures.heapAtEnd);
}
