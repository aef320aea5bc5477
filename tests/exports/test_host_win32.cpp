#include <windows.h>
#include <gtest/gtest.h>
#include <objbase.h>

#include "Ostrevane800.h"
#include "test_host.h"

struct TestHost::State {};

TestHost::TestHost() : state_(std::make_unique<State>()) {}
TestHost::~TestHost() { FreeDriver(); }

// The runner maps COM1 to a pseudo-terminal before the program starts.
bool TestHost::lineReady() const { return true; }

void TestHost::pass(uint32_t milliseconds)
{
    // Waits for the tick count itself, not for a guessed duration.
    const DWORD start = GetTickCount();
    while (GetTickCount() - start <= milliseconds) Sleep(1);
}

double TestHost::now() const
{
    SYSTEMTIME local;
    GetLocalTime(&local);
    double date = 0;
    SystemTimeToVariantTime(&local, &date);
    return date;
}

double TestHost::stampTolerance() const { return 5.0 / 86400.0; }

// A host releases the texts with CoTaskMemFree: any other allocator would break it.
std::string TestHost::take(char* text)
{
    if (!text) return {};
    IMalloc* allocator = nullptr;
    if (CoGetMalloc(1, &allocator) == S_OK) {
        EXPECT_EQ(allocator->DidAlloc(text), 1) << "a text not from the COM task allocator: " << text;
        allocator->Release();
    }
    std::string copy(text);
    CoTaskMemFree(text);
    return copy;
}
