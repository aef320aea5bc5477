#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "Ostrevane800.h"
#include "driver/DLLMain.h"
#include "framework/DLLBase.h"
#include "framework/PDB.h"
#include "support/test_support.h"

using testing_support::defaultPDB;
using testing_support::LogRedirect;
using testing_support::PseudoTerminal;
using testing_support::takeHostText;

namespace {

constexpr const char* kNoDriver = "通讯设备初始化失败";

class Exports : public ::testing::Test {
protected:
    void SetUp() override { driver::libraryInitialise(); }
    void TearDown() override { driver::detach(); }
    LogRedirect log;
};

}  // namespace

TEST_F(Exports, ConfigurationBlockSizeAndDefaults)
{
    EXPECT_EQ(GetPDBLen(), 26424u);
    FullPDB(nullptr);  // ignored
    std::vector<uint8_t> block(GetPDBLen(), 0);
    FullPDB(block.data());
    EXPECT_EQ(block[26417], 6);
    EXPECT_EQ(block[16 + 4], 0);
    EXPECT_EQ(block[16 + 264 + 4], 2);
}

TEST_F(Exports, CallsThatNeedADriverObjectSayThereIsNone)
{
    char* msg = reinterpret_cast<char*>(1);
    uint32_t count = 77;
    TagDataRec records[2]{};
    EXPECT_EQ(OnDataRead(&count, records, &msg), 1);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(takeHostText(msg), kNoDriver);
    EXPECT_EQ(OnDataWrite(1, records, &msg), 0);
    EXPECT_EQ(takeHostText(msg), kNoDriver);
    EXPECT_EQ(GetDeviceStatus(&msg), 1);
    EXPECT_EQ(takeHostText(msg), kNoDriver);
    WriteLog(1, &msg);
    EXPECT_EQ(takeHostText(msg), kNoDriver);
    EXPECT_EQ(IniDriverEx(42), 1);
    EXPECT_EQ(FreeDriver(), 1);
    EXPECT_EQ(DetectScanTime(), 1000);
}

TEST_F(Exports, IniDriverRefusesMissingTagsOrConfiguration)
{
    OstrevanePDB block = defaultPDB();
    HostTagRec* none[1] = {nullptr};
    char* msg = nullptr;
    EXPECT_EQ(IniDriver(0, nullptr, &block, &msg), 0);
    EXPECT_EQ(takeHostText(msg), "无效的标签列表。");
    EXPECT_EQ(IniDriver(0, none, nullptr, &msg), 0);
    EXPECT_EQ(takeHostText(msg), "无效的参数信息。");
    EXPECT_EQ(driver::currentObject(), nullptr);
    EXPECT_EQ(DetectScanTime(), 1000);
    // A nil message pointer is tolerated.
    EXPECT_EQ(IniDriver(0, nullptr, &block, nullptr), 0);
}

TEST_F(Exports, IniDriverWithoutTagsOpensThePortAndStopsItself)
{
    PseudoTerminal line;
    ASSERT_TRUE(line.ok());
    OstrevanePDB block = defaultPDB();
    HostTagRec* none[1] = {nullptr};
    char* msg = nullptr;
    EXPECT_EQ(IniDriver(0, none, &block, &msg), 1);
    EXPECT_EQ(takeHostText(msg), "Com1打开成功");
    ASSERT_NE(driver::currentObject(), nullptr);
    EXPECT_TRUE(driver::currentObject()->Stopped);
    EXPECT_EQ(DetectScanTime(), 500);
    // The message was handed over once.
    EXPECT_EQ(GetDeviceStatus(&msg), 1);
    EXPECT_EQ(msg, nullptr);
}

TEST_F(Exports, IniDriverValidatesTheHostsDeviceTableInPlace)
{
    PseudoTerminal line;
    OstrevanePDB block = defaultPDB();
    block.Devices[3].DeviceType = 1;
    pdb::setTypeName(block.Devices[3], "Ostrevane808");
    HostTagRec* none[1] = {nullptr};
    char* msg = nullptr;
    IniDriver(0, none, &block, &msg);
    takeHostText(msg);
    EXPECT_EQ(block.Devices[3].DeviceType, 2);
}

TEST_F(Exports, IniDriverReportsAPortThatCannotBeOpened)
{
    setenv("OSTREVANE800_COM2", "/nonexistent/tty", 1);
    OstrevanePDB block = defaultPDB();
    block.PortCode = 1;
    HostTagRec* none[1] = {nullptr};
    char* msg = nullptr;
    EXPECT_EQ(IniDriver(0, none, &block, &msg), 0);
    EXPECT_EQ(takeHostText(msg), "Com2不存在或被其它程序占用！");
    ASSERT_NE(driver::currentObject(), nullptr);
    EXPECT_FALSE(driver::currentObject()->Running);
    unsetenv("OSTREVANE800_COM2");
}

TEST_F(Exports, WriteLogWithoutPendingMessageChangesNothing)
{
    PseudoTerminal line;
    OstrevanePDB block = defaultPDB();
    HostTagRec* none[1] = {nullptr};
    char* msg = nullptr;
    IniDriver(0, none, &block, &msg);
    takeHostText(msg);
    TBaseDLLObject* object = driver::currentObject();
    // Building the (empty) tag table switched traffic logging on.
    ASSERT_TRUE(object->LogEnabled);
    WriteLog(0, &msg);
    EXPECT_EQ(msg, nullptr);
    EXPECT_TRUE(object->LogEnabled);
    object->WriteCommEvent("状态");
    WriteLog(0, &msg);
    EXPECT_EQ(takeHostText(msg), "状态");
    EXPECT_FALSE(object->LogEnabled);
    EXPECT_TRUE(object->StatusMsg.empty());
}

TEST_F(Exports, IniDriverExStoresTheHostEvent)
{
    PseudoTerminal line;
    OstrevanePDB block = defaultPDB();
    HostTagRec* none[1] = {nullptr};
    char* msg = nullptr;
    IniDriver(0, none, &block, &msg);
    takeHostText(msg);
    EXPECT_EQ(IniDriverEx(17), 1);
    EXPECT_EQ(driver::currentObject()->HostEvent, 17u);
}

TEST_F(Exports, TagTypeListForTheTagEditor)
{
    uint32_t count = 0;
    GetTagAddrList(0, &count, nullptr);
    EXPECT_EQ(count, 32u);

    // Asked for more than the 32 rows, the driver writes 32, no more, and says so.
    std::vector<TagEditorEntry> buffer(40);
    std::memset(buffer.data(), 0xEE, buffer.size() * sizeof(TagEditorEntry));
    count = 40;
    GetTagAddrList(0, &count, buffer.data());
    EXPECT_EQ(count, 32u);
    const TagEditorEntry& first = buffer[0];
    EXPECT_EQ(first.Mnemonic[0], 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(first.Mnemonic + 1), 2), "HS");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(first.Description + 1), first.Description[0]), "设定上限");
    EXPECT_EQ(first.Mnemonic[3], 0xEE);  // bytes after the text are not written
    EXPECT_EQ(first.ValueType, 0);
    EXPECT_EQ(first.Attribute, 2);
    EXPECT_EQ(first.Reserved514[0], 0xEE);
    EXPECT_EQ(double(first.Maximum), 999999.0);
    EXPECT_EQ(double(first.Minimum), -99999.0);
    EXPECT_EQ(uint32_t(first.Zero), 0u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer[24].Mnemonic + 1), 2), "Hb");
    EXPECT_EQ(buffer[4].Attribute, 0);  // PV
    EXPECT_EQ(double(buffer[31].Maximum), 9999.0);
    EXPECT_EQ(buffer[32].Mnemonic[0], 0xEE);

    count = 1;
    std::vector<TagEditorEntry> one(1);
    GetTagAddrList(0, &count, one.data());
    EXPECT_EQ(one[0].Mnemonic[1], 'H');
    EXPECT_EQ(count, 1u);
    GetTagAddrList(0, nullptr, one.data());  // no count: nothing to do
}

TEST_F(Exports, TagEditorWithOptionReturnsTheAddressUnchecked)
{
    OstrevanePDB block = defaultPDB();
    char original[] = "pv3:0.0";
    char* address = original;
    char* msg = nullptr;
    EXPECT_EQ(TagEdAddr(&block, &address, 1, &msg), 1);
    EXPECT_EQ(msg, nullptr);
    ASSERT_NE(address, original);
    EXPECT_EQ(takeHostText(address), "pv3:0.0");

    address = original;
    EXPECT_EQ(TagEdAddr(nullptr, &address, 0, &msg), 0);
    EXPECT_EQ(takeHostText(msg), kNoDriver);
    takeHostText(address);
}

TEST_F(Exports, DeviceTestAndWizardWithoutWindows)
{
    EXPECT_EQ(DLLTestDev(nullptr, 0), 0);
    OstrevanePDB block = defaultPDB();
    EXPECT_EQ(DLLEdDev(0, &block), 2u);
    block.Devices[6].DeviceType = 0;
    pdb::setTypeName(block.Devices[6], "Ostrevane847");
    EXPECT_EQ(DLLEdDev(0, &block), 1u);
    EXPECT_EQ(block.Devices[6].DeviceType, 2);
    EXPECT_EQ(DLLEdDev(0, nullptr), 2u);
}

TEST_F(Exports, InitialisationWaitsForTheLockAndGivesUpAfterFiveSeconds)
{
    platform::AutoResetEvent& lock = *driver::process().TLSEvent;
    ASSERT_TRUE(lock.wait(0));  // this test plays the thread that is initialising
    OstrevanePDB block = defaultPDB();
    std::string message;
    uint8_t result = 9;
    const auto started = std::chrono::steady_clock::now();
    std::thread other([&] {
        HostTagRec* none[1] = {nullptr};
        char* msg = nullptr;
        result = IniDriver(0, none, &block, &msg);
        message = takeHostText(msg);
    });
    other.join();
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(result, 0);
    EXPECT_EQ(message, "设备不支持并发访问，共享冲突。");
    EXPECT_GE(waited, std::chrono::milliseconds(4900));
    lock.signal();
}

TEST_F(Exports, ASecondThreadProceedsOnceTheFirstInitialisationEnds)
{
    PseudoTerminal line;
    platform::AutoResetEvent& lock = *driver::process().TLSEvent;
    ASSERT_TRUE(lock.wait(0));
    OstrevanePDB block = defaultPDB();
    std::string message;
    uint8_t result = 9;
    std::thread other([&] {
        HostTagRec* none[1] = {nullptr};
        char* msg = nullptr;
        result = IniDriver(0, none, &block, &msg);
        message = takeHostText(msg);
    });
    lock.signal();  // the first initialisation ends, whether or not the other already waits
    other.join();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(message, "Com1打开成功");
    // The lock was handed back: this thread can take it at once.
    EXPECT_TRUE(lock.wait(0));
    lock.signal();
}
