#include <windows.h>

#include "platform/clock.h"

namespace platform {
namespace {

class Win32Clock final : public Clock {
public:
    uint32_t tickCount() const override { return GetTickCount(); }

    LocalDateTime localNow() const override
    {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        LocalDateTime result;
        result.year = now.wYear;
        result.month = now.wMonth;
        result.day = now.wDay;
        result.hour = now.wHour;
        result.minute = now.wMinute;
        result.second = now.wSecond;
        result.millisecond = now.wMilliseconds;
        return result;
    }
};

}  // namespace

const Clock& systemClock()
{
    static const Win32Clock instance;
    return instance;
}

}  // namespace platform
