// The host's shared pieces: its text helpers and the loader that every system shares.
#include <gtest/gtest.h>

#include <string>

#include "host/driver_library.h"
#include "host/text_helpers.h"

namespace {

TEST(HostTextHelpers, TrimAndCaseTouchOnlyBlanksAndAsciiLetters)
{
    struct Row {
        std::string text, trimmed, upper, lower;
    } rows[] = {
        {" \tPv1:0.0\r", "Pv1:0.0", " \tPV1:0.0\r", " \tpv1:0.0\r"},
        {"a  b", "a  b", "A  B", "a  b"},
        {" \t\r ", "", " \t\r ", " \t\r "},
        {"", "", "", ""},
        // UTF-8 bytes of other characters stay as they are.
        {"\xE9\x80\x9A" "ab\xE8\xAE\xAF", "\xE9\x80\x9A" "ab\xE8\xAE\xAF", "\xE9\x80\x9A" "AB\xE8\xAE\xAF",
         "\xE9\x80\x9A" "ab\xE8\xAE\xAF"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(host::trim(row.text), row.trimmed);
        EXPECT_EQ(host::upperAscii(row.text), row.upper);
        EXPECT_EQ(host::lowerAscii(row.text), row.lower);
    }
}

TEST(HostDriverLibrary, TheBuiltDriverYieldsAllFourteenEntryPoints)
{
    std::string error;
    const auto library = host::DriverLibrary::load(OSTREVANE_HOST_DRIVER, error);
    ASSERT_TRUE(library) << error;
    EXPECT_TRUE(error.empty());
    const host::DriverEntryPoints& calls = library->calls();
    const void* entryPoints[] = {
        reinterpret_cast<const void*>(calls.IniDriver),      reinterpret_cast<const void*>(calls.IniDriverEx),
        reinterpret_cast<const void*>(calls.FreeDriver),     reinterpret_cast<const void*>(calls.OnDataRead),
        reinterpret_cast<const void*>(calls.OnDataWrite),    reinterpret_cast<const void*>(calls.GetDeviceStatus),
        reinterpret_cast<const void*>(calls.WriteLog),       reinterpret_cast<const void*>(calls.DetectScanTime),
        reinterpret_cast<const void*>(calls.GetTagAddrList), reinterpret_cast<const void*>(calls.TagEdAddr),
        reinterpret_cast<const void*>(calls.DLLEdDev),       reinterpret_cast<const void*>(calls.DLLTestDev),
        reinterpret_cast<const void*>(calls.GetPDBLen),      reinterpret_cast<const void*>(calls.FullPDB)};
    for (const void* entryPoint : entryPoints) EXPECT_NE(entryPoint, nullptr);
    EXPECT_EQ(calls.GetPDBLen(), static_cast<uint32_t>(OSTREVANE_PDB_SIZE));
    // A text the driver hands over comes back as a copy, its buffer released.
    char* message = nullptr;
    EXPECT_FALSE(calls.OnDataWrite(0, nullptr, &message));
    EXPECT_FALSE(host::DriverLibrary::take(message).empty());
    EXPECT_EQ(host::DriverLibrary::take(nullptr), "");
}

TEST(HostDriverLibrary, AMissingLibraryIsRefusedWithAReason)
{
    std::string error;
    EXPECT_FALSE(host::DriverLibrary::load("/nonexistent/libOstrevane800.so", error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
