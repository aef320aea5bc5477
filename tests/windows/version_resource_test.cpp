// The version resource as a host and the system read it: UTF-16 strings below
// the language/code-page block named by the first translation entry.
#include <string>
#include <vector>

#include "driver_test.h"

namespace wintest {
namespace {

class VersionResource : public DriverTest {
protected:
    void SetUp() override
    {
        DriverTest::SetUp();
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(lib().path.c_str(), &ignored);
        ASSERT_GT(size, 0u) << "no version resource";
        block_.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(lib().path.c_str(), 0, size, block_.data()));
    }

    // The value converted with code page 936, the host's, whatever the system code page.
    bool stringValue(const std::wstring& path, std::string& value)
    {
        wchar_t* text = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(block_.data(), path.c_str(), reinterpret_cast<void**>(&text), &length) || !text)
            return false;
        const int size = WideCharToMultiByte(936, 0, text, -1, nullptr, 0, nullptr, nullptr);
        if (size <= 0) return false;
        value.assign(size, '\0');
        WideCharToMultiByte(936, 0, text, -1, value.data(), size, nullptr, nullptr);
        value.resize(size - 1);
        return true;
    }

    std::vector<unsigned char> block_;
};

TEST_F(VersionResource, FirstTranslationIsSimplifiedChineseWithCodePage936)
{
    struct Translation {
        WORD language;
        WORD codePage;
    }* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block_.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    ASSERT_GE(length, sizeof(Translation));
    EXPECT_EQ(translation->language, 0x0804);
    EXPECT_EQ(translation->codePage, 936);
}

TEST_F(VersionResource, StringValuesCarryTheDriverTexts)
{
    const struct {
        const wchar_t* key;
        std::string value;
    } expected[] = {
        {L"DeviceName", "Ostrevane仪表"},
        {L"DevTypeName", "仪表"},
        {L"DevIDName", "仪表号"},
        {L"ChnName", "仪表地址"},
        {L"FileDescription", "Ostrevane仪表"},
        {L"InternalName", "Ostrevane仪表通讯驱动程序β版"},
        {L"FileVersion", "3.11.0.3"},
        {L"ProductVersion", "1.4.0.0"},
        {L"OriginalFilename", "Ostrevane800.dll"},
    };
    for (const auto& entry : expected) {
        std::string value;
        EXPECT_TRUE(stringValue(std::wstring(L"\\StringFileInfo\\080403A8\\") + entry.key, value))
            << "missing: " << std::string(entry.key, entry.key + wcslen(entry.key));
        EXPECT_EQ(value, entry.value);
    }
}

TEST_F(VersionResource, FixedPartCarriesTheFileVersionNumbers)
{
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block_.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwFileVersionMS, (3u << 16) | 11u);
    EXPECT_EQ(fixed->dwFileVersionLS, (0u << 16) | 3u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
}

}  // namespace
}  // namespace wintest
