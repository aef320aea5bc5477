// The version resource as a host and the system read it: UTF-16 strings below the
// language/code-page block named by the first translation entry.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(VersionResource, SimplifiedChineseTextsAndTheFileVersion)
{
    wchar_t path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(GetModuleHandleW(L"Ostrevane800.dll"), path, MAX_PATH), 0u);
    DWORD ignored = 0;
    std::vector<unsigned char> block(GetFileVersionInfoSizeW(path, &ignored));
    ASSERT_FALSE(block.empty()) << "no version resource";
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, static_cast<DWORD>(block.size()), block.data()));
    void* found = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &found, &length) && length >= 4);
    EXPECT_EQ(static_cast<WORD*>(found)[0], 0x0804);  // the first translation: language, code page
    EXPECT_EQ(static_cast<WORD*>(found)[1], 936);
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &found, &length) && length >= sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<VS_FIXEDFILEINFO*>(found);
    EXPECT_EQ(fixed->dwFileVersionMS, (3u << 16) | 11u);
    EXPECT_EQ(fixed->dwFileVersionLS, 3u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
    // Texts the wizard's pages show, and the versions a host lists.
    const std::pair<const wchar_t*, std::string> strings[] = {{L"DevIDName", "仪表号"},
                                                              {L"InternalName", "Ostrevane仪表通讯驱动程序β版"},
                                                              {L"FileVersion", "3.11.0.3"},
                                                              {L"ProductVersion", "1.4.0.0"}};
    for (const auto& [key, expected] : strings) {
        SCOPED_TRACE(std::string(expected));
        ASSERT_TRUE(VerQueryValueW(block.data(), (std::wstring(L"\\StringFileInfo\\080403A8\\") + key).c_str(), &found,
                                   &length));
        // Converted with code page 936, the host's, whatever the system code page.
        char value[256] = {};
        WideCharToMultiByte(936, 0, static_cast<wchar_t*>(found), -1, value, sizeof value, nullptr, nullptr);
        EXPECT_EQ(value, expected);
    }
}
