// Hosts find the entry points by their plain names, whatever the bitness.
#include <string>

#include "driver_test.h"

namespace wintest {
namespace {

struct EntryPoint {
    const char* name;
    int argumentBytes;  // what 32-bit stdcall decoration would append
};

const EntryPoint kEntryPoints[] = {
    {"IniDriver", 16},     {"IniDriverEx", 4},     {"FreeDriver", 0}, {"OnDataRead", 12}, {"OnDataWrite", 12},
    {"GetDeviceStatus", 4}, {"WriteLog", 8},        {"DetectScanTime", 0}, {"GetTagAddrList", 12},
    {"TagEdAddr", 16},     {"DLLEdDev", 8},        {"DLLTestDev", 8}, {"GetPDBLen", 0},   {"FullPDB", 4},
};

TEST(ExportTable, LibraryLoadsFromTheProgramFolder)
{
    EXPECT_NE(driverLibrary().module, nullptr) << "LoadLibrary failed with error " << GetLastError();
}

TEST(ExportTable, EveryEntryPointIsFoundByItsPlainNameOnly)
{
    const HMODULE module = driverLibrary().module;
    ASSERT_NE(module, nullptr);
    ASSERT_EQ(std::size(kEntryPoints), kExportNames.size());
    for (const EntryPoint& entry : kEntryPoints) {
        SCOPED_TRACE(entry.name);
        const std::string plain = entry.name;
        const std::string decorated = plain + "@" + std::to_string(entry.argumentBytes);
        EXPECT_NE(GetProcAddress(module, plain.c_str()), nullptr);
        for (const std::string& refused : {decorated, "_" + decorated, "_" + plain})
            EXPECT_EQ(GetProcAddress(module, refused.c_str()), nullptr) << refused;
    }
}

}  // namespace
}  // namespace wintest
