// Sixty days of polling in a few seconds: the clock moves an hour at a time and a few
// exchanges run in each hour. Over that time the tick count wraps, the log is moved
// aside every day and old days are deleted, the counters reach their tops, and
// nothing the driver holds may grow. The README's figures come from this run.
#include <malloc.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine_harness.h"
#include "framework/DLLLog.h"
#include "platform/calendar.h"
#include "platform/files.h"

using namespace enginetest;

namespace {

constexpr uint64_t kHour = 3600000, kDay = 24 * kHour;
constexpr int kDays = 60;
const int64_t kStartDay = platform::daysFromCivil(2026, 1, 1);

class LongRun : public Engine {
protected:
    // Sets tick count and local time to `ms` after midnight, 1 January.
    void setTime(uint64_t ms)
    {
        simulated = ms;
        clock.tick = static_cast<uint32_t>(1000 + ms);
        clock.now = platform::civilFromDays(kStartDay + static_cast<int64_t>(ms / kDay));
        clock.now.hour = static_cast<int>(ms % kDay / kHour);
        clock.now.minute = static_cast<int>(ms / 60000 % 60);
        clock.now.second = static_cast<int>(ms / 1000 % 60);
        clock.now.millisecond = static_cast<int>(ms % 1000);
    }
    void runAt(uint64_t ms)
    {
        setTime(ms);
        ++passes;
        pass();
    }
    // Answers the request as the instrument would: a select with ACK, a poll with `value`.
    void answerRequest(int value)
    {
        const std::string& request = lastSent();
        line->incoming +=
            request.back() != '\x05' ? std::string(kAck) : reply(request.substr(5, 2), std::to_string(value));
        runAt(simulated + 20);
    }
    std::string datedLog(int64_t day) const
    {
        return log.folder() + "/Debug/Ostrevane800" + platform::formatDate(platform::civilFromDays(kStartDay + day)) +
               ".LOG";
    }
    size_t logFiles() const
    {
        const auto files = std::filesystem::directory_iterator(log.folder() + "/Debug");
        return static_cast<size_t>(std::distance(begin(files), end(files)));
    }

    uint64_t simulated = 0, passes = 0;
};

}  // namespace

TEST_F(LongRun, SixtyDaysOfPollingKeepTimeCountersLogAndMemoryInBounds)
{
    setTime(0);
    OstrevanePDB pdb = plant();
    pdb.TraceOutput = 1;  // every exchange goes into the log, so the days have content
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "SL2:0.0"), hostTag(3, "PV3:0.0")}, pdb));
    const size_t tags = object->TagTable.size(), commands = object->PollList.size();
    size_t heapAfterFirstDay = 0;
    int rotations = 0;  // days whose log was found moved aside on the next day
    bool wrapped = false;
    for (uint64_t hourNo = 0; hourNo < kDays * 24; ++hourNo) {
        const int value = static_cast<int>(hourNo % 100);
        setTime(hourNo * kHour);
        if ((clock.tick + kHour) >> 32 != 0) {
            // Across the wrap of the tick count a reply times out after 1000 ms, not
            // before and not never: the next request leaves 280 ms before the wrap.
            setTime((uint64_t{1} << 32) - 1300);
            answerRequest(value);
            const double timeouts = object->Statistics.timeouts;
            runAt(simulated + 600);
            EXPECT_EQ(object->Statistics.timeouts, timeouts) << "a time-out 600 ms after sending";
            runAt(simulated + 401);
            EXPECT_EQ(object->Statistics.timeouts, timeouts + 1) << "no time-out 1001 ms after sending";
            wrapped = true;
        }
        if (hourNo % 24 == 12) object->WriteExecute(2, TagValue(static_cast<double>(hourNo / 24 % 50)));
        for (int i = 0; i < 6; ++i) answerRequest(value);
        runAt(simulated + 1001);                                     // one instrument stays silent once an hour
        line->sent.erase(line->sent.begin(), line->sent.end() - 1);  // keep the request under way
        if (hourNo % 24 == 0 && hourNo > 0) rotations += std::filesystem::exists(datedLog(hourNo / 24 - 1));
        if (hourNo == 24) heapAfterFirstDay = mallinfo2().uordblks;
        if (hourNo == (kDays - 2) * 24) {  // counters put just below their tops
            object->Statistics.exchanges = INT32_MAX - 10;
            tag(0).reads = UINT32_MAX - 10;
            tag(0).readFailures = UINT32_MAX - 20;
        }
        ASSERT_EQ(object->TagTable.size(), tags);
        ASSERT_EQ(object->PollList.size(), commands);
        ASSERT_LE(object->WriteQueue.size(), 1u);
        ASSERT_LT(object->DevMsg.size(), 1000u);
    }
    runAt(kDays * kDay);
    rotations += std::filesystem::exists(datedLog(kDays - 1));
    const size_t heapAtEnd = mallinfo2().uordblks;
    EXPECT_TRUE(wrapped);
    EXPECT_EQ(object->Statistics.exchanges, INT32_MAX);
    EXPECT_EQ(tag(0).reads, UINT32_MAX);
    EXPECT_LE(tag(0).readFailures, tag(0).reads);
    EXPECT_NE(object->DevMsg.find("已经发送的命令帧数=2147483647"), std::string::npos);
    // One dated log for every day that ended; the last 29 days are kept, older ones deleted.
    EXPECT_EQ(rotations, kDays);
    EXPECT_TRUE(std::filesystem::exists(datedLog(kDays - 29)));
    // Memory does not grow with the days (zero where a sanitizer's allocator stands in).
    EXPECT_LE(heapAtEnd, heapAfterFirstDay + 16 * 1024);
    // The statistics block counts the whole run, past the wrap of the tick count.
    const size_t before = log.content().size();
    object->Stop();
    EXPECT_EQ(logFiles(), 30u);  // the current log and the last 29 days
    EXPECT_NE(log.content().find("本次运行总时间（毫秒）=" + std::to_string(kDays * kDay), before), std::string::npos);
    std::printf("long run: %d days, %llu passes, %d rotations, %zu log files kept, heap in use %zu -> %zu bytes\n",
                kDays, static_cast<unsigned long long>(passes), rotations, logFiles(), heapAfterFirstDay, heapAtEnd);
}

TEST_F(LongRun, ARunningDriverMovesItsLogAsideOnlyAtTheFirstPassOfANewDayWhateverItsSize)
{
    // The start moves an over-size log aside under the second's name, so yesterday's
    // name is free all day: still the new log stays where it is until the date changes.
    const std::string folder = log.folder() + "/Debug";
    platform::createFolders(folder);
    platform::appendExclusive(log.path(), std::string(600000, 'x'));
    setTime(10 * kHour);
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0")}));
    const std::string banner = log.content();
    for (uint64_t minute = 10 * 60 + 1; minute < 25 * 60; ++minute) {
        runAt(minute * 60000);
        if (minute == 24 * 60 - 1) EXPECT_EQ(log.content(), banner);
        // After midnight a log that grows past the limit waits for the next day too.
        if (minute == 24 * 60) logfile::append(std::string(600000, 'y'));
    }
    std::string dayBefore;
    platform::readWholeFile(datedLog(0), dayBefore);
    EXPECT_EQ(dayBefore, banner);
    EXPECT_EQ(platform::fileSize(folder + "/Ostrevane8002026-01-01-10-00-00.LOG"), 600000);
    EXPECT_EQ(platform::fileSize(log.path()), 600000);
    EXPECT_EQ(logFiles(), 3u);
}
