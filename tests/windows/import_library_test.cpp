// The program links the driver's import library for these calls (see
// import_library_client.c): C hosts build against it.
#include "driver_test.h"

extern "C" uint32_t importLibraryPDBLength(void);
extern "C" uint16_t importLibraryScanTime(void);

namespace wintest {
namespace {

TEST(ImportLibrary, CHostReachesTheDriverThroughTheImportLibrary)
{
    EXPECT_EQ(importLibraryPDBLength(), 26424u);
    uint16_t scanTime = 0;
    onFreshThread([&] { scanTime = importLibraryScanTime(); });
    EXPECT_EQ(scanTime, 1000);
}

TEST(ImportLibrary, ImportedAndLoadedLibraryAreOneModule)
{
    // Two copies would mean two sets of per-thread driver objects in one host.
    ASSERT_NE(driverLibrary().module, nullptr);
    EXPECT_EQ(GetModuleHandleW(L"Ostrevane800.dll"), driverLibrary().module);
}

}  // namespace
}  // namespace wintest
