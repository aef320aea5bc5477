#include <sys/time.h>
#include <time.h>

#include "platform/clock.h"

namespace platform {
namespace {

class PosixClock final : public Clock {
public:
    uint32_t tickCount() const override
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
        return static_cast<uint32_t>(ms);
    }

    LocalDateTime localNow() const override
    {
        timeval now{};
        gettimeofday(&now, nullptr);
        const time_t seconds = now.tv_sec;
        tm parts{};
        localtime_r(&seconds, &parts);
        LocalDateTime result;
        result.year = parts.tm_year + 1900;
        result.month = parts.tm_mon + 1;
        result.day = parts.tm_mday;
        result.hour = parts.tm_hour;
        result.minute = parts.tm_min;
        result.second = parts.tm_sec;
        result.millisecond = static_cast<int>(now.tv_usec / 1000);
        return result;
    }
};

}  // namespace

const Clock& systemClock()
{
    static const PosixClock instance;
    return instance;
}

}  // namespace platform
