#include <objbase.h>
#include <windows.h>

#include "test_host.h"

struct TestHost::State {};

TestHost::TestHost() : state_(std::make_unique<State>()) {}
TestHost::~TestHost() { FreeDriver(); }

// The runner maps COM1 to a pseudo-terminal before the program starts.
bool TestHost::lineReady() const { return true; }
bool TestHost::clockControlled() const { return false; }

void TestHost::pass(uint32_t milliseconds)
{
    // Waits for the tick count itself, not for a guessed duration.
    const DWORD start = GetTickCount();
    while (GetTickCount() - start <= milliseconds) Sleep(1);
}

void TestHost::setTick(uint32_t) {}

double TestHost::now() const
{
    SYSTEMTIME local;
    GetLocalTime(&local);
    FILETIME file;
    SystemTimeToFileTime(&local, &file);
    ULARGE_INTEGER ticks;
    ticks.LowPart = file.dwLowDateTime;
    ticks.HighPart = file.dwHighDateTime;
    // 100 ns units since 1601-01-01; OLE dates count days from 1899-12-30.
    constexpr double kDaysFrom1601To1899 = 109205.0;
    return static_cast<double>(ticks.QuadPart) / 864000000000.0 - kDaysFrom1601To1899;
}

double TestHost::stampTolerance() const { return 5.0 / 86400.0; }

bool TestHost::setQuality(uint32_t, uint32_t) { return false; }

std::string TestHost::take(char* text)
{
    if (!text) return {};
    std::string copy(text);
    CoTaskMemFree(text);
    return copy;
}
