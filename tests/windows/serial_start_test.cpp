// IniDriver on the default configuration opens COM1. The harness maps COM1 to a
// pseudo-terminal (scripts/wine-run-tests.sh) and says so in OSTREVANE_WINE_COM1.
#include <cstdlib>
#include <string>

#include "driver_test.h"

namespace wintest {
namespace {

using SerialStart = DriverTest;

TEST_F(SerialStart, IniDriverWithoutTagsOpensCom1AndStopsForLackOfTags)
{
    const char* mapped = std::getenv("OSTREVANE_WINE_COM1");
    if (!mapped || !*mapped) GTEST_SKIP() << "COM1 is not mapped to a pseudo-terminal";

    OstrevanePDB block = defaultPDB();
    HostTagRec* noTags[1] = {nullptr};
    OstrevaneBool result = 0;
    std::string message;
    uint16_t scanTime = 0;
    std::string statusAfterFree;
    onFreshThread([&] {
        char* msg = nullptr;
        result = lib().IniDriver(0, noTags, &block, &msg);
        message = takeHostText(msg);
        scanTime = lib().DetectScanTime();
        lib().FreeDriver();
        // Thread detach destroys the object; the port is released for the next start.
    });
    EXPECT_EQ(result & 1, 1) << "COM1 -> " << mapped;
    EXPECT_EQ(message, "Com1打开成功");
    EXPECT_EQ(scanTime, 500) << "an object without tags is not polling";

    // The first object's port was closed and its thread has ended: COM1 opens again.
    onFreshThread([&] {
        char* msg = nullptr;
        result = lib().IniDriver(0, noTags, &block, &msg);
        message = takeHostText(msg);
        lib().FreeDriver();
    });
    EXPECT_EQ(result & 1, 1);
    EXPECT_EQ(message, "Com1打开成功");
}

}  // namespace
}  // namespace wintest
