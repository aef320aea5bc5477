// The test host around the driver's exports: native (driver linked in, clock injected, a pseudo-
// terminal as COM1) or Windows (the DLL under Wine, its real tick count, COM1 mapped by the runner).
#pragma once
#include <string>

#include "Ostrevane800.h"
#ifdef _WIN32
#include <windows.h>
#include <gtest/gtest.h>
#include <objbase.h>

struct TestHost {
    ~TestHost() { FreeDriver(); }
    // Waits for the tick count itself to pass more than `milliseconds`, not for a guessed duration.
    void pass(uint32_t milliseconds)
    {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start <= milliseconds) Sleep(1);
    }
    // The OLE date the driver stamps a record with now, and how far a stamp may be off.
    double now() const
    {
        SYSTEMTIME local;
        GetLocalTime(&local);
        double date = 0;
        SystemTimeToVariantTime(&local, &date);
        return date;
    }
    double stampTolerance() const { return 5.0 / 86400.0; }
    // A host releases the texts with CoTaskMemFree: any other allocator would break it.
    static std::string take(char* text)
    {
        IMalloc* allocator = nullptr;
        if (text && CoGetMalloc(1, &allocator) == S_OK) {
            EXPECT_EQ(allocator->DidAlloc(text), 1) << "a text not from the COM task allocator: " << text;
            allocator->Release();
        }
        std::string copy(text ? text : "");
        CoTaskMemFree(text);
        return copy;
    }
};
#else
#include "driver/DLLMain.h"
#include "platform/calendar.h"
#include "support/test_support.h"

struct TestHost {
    TestHost() { driver::libraryInitialise(); }
    ~TestHost()
    {
        FreeDriver();
        driver::detach();
    }
    void pass(uint32_t milliseconds) { clock.advance(milliseconds + 1); }
    double now() const { return platform::toOleDate(clock.now); }
    double stampTolerance() const { return 0; }
    static std::string take(char* text) { return testing_support::takeHostText(text); }

    testing_support::FakeClock clock;
    testing_support::LogRedirect log;
    testing_support::PseudoTerminal line{1};
};
#endif
