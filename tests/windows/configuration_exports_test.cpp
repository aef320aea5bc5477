// The calls a host makes at configuration time and before any IniDriver.
#include <objbase.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "driver_test.h"

namespace wintest {
namespace {

using ConfigurationExports = DriverTest;

std::string countedText(const uint8_t* field) { return std::string(reinterpret_cast<const char*>(field + 1), field[0]); }

TEST_F(ConfigurationExports, GetPDBLenGivesTheSizeOfTheStoredBlock)
{
    EXPECT_EQ(lib().GetPDBLen(), 26424u);
    EXPECT_EQ(lib().GetPDBLen(), sizeof(OstrevanePDB));
}

TEST_F(ConfigurationExports, FullPDBMakesOne808OnCom1At9600Baud8N1WithLoggingOff)
{
    const OstrevanePDB block = defaultPDB();
    EXPECT_EQ(block.DebugSwitch, 0);
    EXPECT_EQ(block.ErrorOutput, 0);
    EXPECT_EQ(block.TraceOutput, 0);
    EXPECT_EQ(block.FirstDevice, 0u);
    EXPECT_EQ(block.PortCode, 0);
    EXPECT_EQ(block.BaudCode, 6);
    EXPECT_EQ(block.DataBitsCode, 4);
    EXPECT_EQ(block.StopBitsCode, 0);
    EXPECT_EQ(block.ParityCode, 0);
    EXPECT_EQ(block.Devices[0].DeviceType, OSTREVANE_DEVICE_808);
    EXPECT_EQ(countedText(block.Devices[0].TypeName), "Ostrevane808");
    for (int n : {0, 1, 57, 99}) {
        SCOPED_TRACE(n);
        const DeviceEntry& entry = block.Devices[n];
        EXPECT_EQ(entry.DeviceNo, n);
        if (n != 0) {
            EXPECT_EQ(entry.DeviceType, OSTREVANE_NO_DEVICE);
        }
        EXPECT_EQ(entry.Reserved254, 80);
        EXPECT_EQ(entry.Reserved256, 32);
        EXPECT_EQ(entry.Reserved258, 8);
        EXPECT_EQ(entry.Reserved260, 49);
    }
}

TEST_F(ConfigurationExports, FullPDBLeavesBytesWithoutDefaultAsTheHostHadThem)
{
    OstrevanePDB block;
    std::memset(&block, 0xA5, sizeof block);
    lib().FullPDB(&block);
    EXPECT_EQ(block.Reserved3[0], 0xA5);
    EXPECT_EQ(block.Reserved26421[2], 0xA5);
    EXPECT_EQ(block.Devices[3].Reserved262[0], 0xA5);
}

TEST_F(ConfigurationExports, FullPDBIgnoresANullBlock)
{
    lib().FullPDB(nullptr);
    EXPECT_EQ(lib().GetPDBLen(), 26424u);  // still alive and answering
}

TEST_F(ConfigurationExports, GetTagAddrListWithoutBufferGivesTheNumberOfTagTypes)
{
    uint32_t count = 0;
    lib().GetTagAddrList(0, &count, nullptr);
    EXPECT_EQ(count, 32u);
}

TEST_F(ConfigurationExports, GetTagAddrListDescribesThirtyTwoDistinctTwoLetterMnemonics)
{
    std::vector<TagEditorEntry> entries(32);
    uint32_t count = 32;
    lib().GetTagAddrList(0, &count, entries.data());
    std::set<std::string> mnemonics;
    for (const TagEditorEntry& entry : entries) mnemonics.insert(countedText(entry.Mnemonic));
    EXPECT_EQ(mnemonics.size(), 32u);
    for (const std::string& mnemonic : mnemonics) EXPECT_EQ(mnemonic.size(), 2u) << mnemonic;
    for (const char* expected : {"PV", "SP", "OP"}) EXPECT_EQ(mnemonics.count(expected), 1u) << expected;
}

TEST_F(ConfigurationExports, GetTagAddrListCopiesOnlyTheRecordsAskedFor)
{
    std::vector<TagEditorEntry> entries(2);
    std::memset(entries.data(), 0xCC, sizeof(TagEditorEntry) * entries.size());
    uint32_t count = 1;
    lib().GetTagAddrList(0, &count, entries.data());
    EXPECT_NE(entries[0].Mnemonic[0], 0xCC);
    const std::vector<uint8_t> untouched(sizeof(TagEditorEntry), 0xCC);
    EXPECT_EQ(std::memcmp(&entries[1], untouched.data(), untouched.size()), 0);
}

TEST_F(ConfigurationExports, DetectScanTimeIs1000BeforeIniDriver)
{
    uint16_t scanTime = 0;
    onFreshThread([&] { scanTime = lib().DetectScanTime(); });
    EXPECT_EQ(scanTime, 1000);
}

TEST_F(ConfigurationExports, CallsNeedingADriverObjectAnswerWithoutOne)
{
    struct Outcome {
        const char* call;
        OstrevaneBool result;
        std::string message;
    };
    std::vector<Outcome> outcomes;
    uint32_t readCount = 5;
    onFreshThread([&] {
        char* msg = nullptr;
        OstrevaneBool result = lib().GetDeviceStatus(&msg);
        outcomes.push_back({"GetDeviceStatus", result, takeHostText(msg)});
        TagDataRec records[5]{};
        msg = nullptr;
        result = lib().OnDataRead(&readCount, records, &msg);
        outcomes.push_back({"OnDataRead", result, takeHostText(msg)});
        msg = nullptr;
        result = lib().OnDataWrite(0, records, &msg);
        outcomes.push_back({"OnDataWrite", result, takeHostText(msg)});
        msg = nullptr;
        lib().WriteLog(1, &msg);
        outcomes.push_back({"WriteLog", 1, takeHostText(msg)});
        outcomes.push_back({"IniDriverEx", lib().IniDriverEx(0), ""});
        outcomes.push_back({"FreeDriver", lib().FreeDriver(), ""});
    });
    const std::vector<Outcome> expected = {
        {"GetDeviceStatus", 1, "通讯设备初始化失败"},
        {"OnDataRead", 1, "通讯设备初始化失败"},
        {"OnDataWrite", 0, "通讯设备初始化失败"},
        {"WriteLog", 1, "通讯设备初始化失败"},
        {"IniDriverEx", 1, ""},
        {"FreeDriver", 1, ""},
    };
    EXPECT_EQ(readCount, 0u);
    ASSERT_EQ(outcomes.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].call);
        EXPECT_EQ(outcomes[i].result & 1, expected[i].result);
        EXPECT_EQ(outcomes[i].message, expected[i].message);
    }
}

TEST_F(ConfigurationExports, IniDriverRefusesMissingTagsOrPDBWithoutCreatingAnObject)
{
    OstrevanePDB block = defaultPDB();
    HostTagRec* noTags[1] = {nullptr};
    const struct {
        const char* what;
        HostTagRec** tags;
        void* pdb;
        std::string message;
    } cases[] = {
        {"no tag list", nullptr, &block, "无效的标签列表。"},
        {"no PDB", noTags, nullptr, "无效的参数信息。"},
        {"neither", nullptr, nullptr, "无效的标签列表。"},
    };
    for (const auto& refusal : cases) {
        SCOPED_TRACE(refusal.what);
        OstrevaneBool result = 1;
        std::string message;
        uint16_t scanTimeAfter = 0;
        onFreshThread([&] {
            char* msg = reinterpret_cast<char*>(1);  // must be overwritten
            result = lib().IniDriver(0, refusal.tags, refusal.pdb, &msg);
            message = takeHostText(msg);
            scanTimeAfter = lib().DetectScanTime();
        });
        EXPECT_EQ(result & 1, 0);
        EXPECT_EQ(message, refusal.message);
        EXPECT_EQ(scanTimeAfter, 1000) << "a refused IniDriver left a driver object behind";
    }
}

TEST_F(ConfigurationExports, HandedOverTextsComeFromTheComTaskAllocator)
{
    char* msg = nullptr;
    onFreshThread([&] { lib().GetDeviceStatus(&msg); });
    ASSERT_NE(msg, nullptr);
    IMalloc* allocator = nullptr;
    ASSERT_EQ(CoGetMalloc(1, &allocator), S_OK);
    EXPECT_EQ(allocator->DidAlloc(msg), 1);
    allocator->Release();
    takeHostText(msg);
}

}  // namespace
}  // namespace wintest
