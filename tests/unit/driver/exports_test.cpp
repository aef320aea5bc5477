#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "Ostrevane800.h"
#include "driver/DLLMain.h"
#include "framework/DLLBase.h"
#include "framework/PDB.h"
#include "support/memory_line.h"
#include "support/test_support.h"

using testing_support::defaultPDB;
using testing_support::PseudoTerminal;
using testing_support::takeHostText;

namespace {

constexpr const char* kNoDriver = "通讯设备初始化失败";

class Exports : public ::testing::Test {
protected:
    void SetUp() override { driver::libraryInitialise(); }
    void TearDown() override { driver::detach(); }
    // IniDriver without tags on `block`; its message.
    std::string start(OstrevanePDB& block, uint8_t expected)
    {
        HostTagRec* none[1] = {nullptr};
        char* msg = nullptr;
        EXPECT_EQ(IniDriver(0, none, &block, &msg), expected);
        return takeHostText(msg);
    }
    testing_support::LogRedirect log;
    OstrevanePDB block = defaultPDB();
    char* msg = nullptr;
};

}  // namespace

TEST_F(Exports, CallsWithoutADriverObjectOrArgumentsSayThereIsNone)
{
    uint32_t count = 77;
    TagDataRec records[2]{};
    EXPECT_EQ(OnDataRead(&count, records, &msg), 1);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(takeHostText(msg), kNoDriver);
    EXPECT_EQ(OnDataWrite(1, records, &msg), 0);
    EXPECT_EQ(takeHostText(msg), kNoDriver);
    EXPECT_EQ(GetDeviceStatus(&msg), 1);
    EXPECT_EQ(takeHostText(msg), kNoDriver);
    EXPECT_EQ(IniDriverEx(42), 1);
    EXPECT_EQ(FreeDriver(), 1);
    EXPECT_EQ(DetectScanTime(), 1000);
    FullPDB(nullptr);  // ignored
    HostTagRec* none[1] = {nullptr};
    EXPECT_EQ(IniDriver(0, nullptr, &block, &msg), 0);
    EXPECT_EQ(takeHostText(msg), "无效的标签列表。");
    EXPECT_EQ(IniDriver(0, none, nullptr, &msg), 0);
    EXPECT_EQ(takeHostText(msg), "无效的参数信息。");
    EXPECT_EQ(IniDriver(0, nullptr, &block, nullptr), 0);  // a nil message pointer is tolerated
    EXPECT_EQ(driver::currentObject(), nullptr);
    block.PortCode = 9;
    setenv("OSTREVANE800_COM10", "/nonexistent/tty", 1);
    EXPECT_EQ(start(block, 0), "Com10不存在或被其它程序占用！");
    unsetenv("OSTREVANE800_COM10");
    ASSERT_NE(driver::currentObject(), nullptr);
    EXPECT_FALSE(driver::currentObject()->Running);
}

TEST_F(Exports, IniDriverWithoutTagsOpensThePortValidatesTheTableAndStopsItself)
{
    PseudoTerminal line;
    block.Devices[3].DeviceType = 1;
    pdb::setTypeName(block.Devices[3], "Ostrevane808");
    EXPECT_EQ(start(block, 1), "Com1打开成功");
    EXPECT_EQ(block.Devices[3].DeviceType, 2) << "validated in the host's block";
    TBaseDLLObject* object = driver::currentObject();
    ASSERT_NE(object, nullptr);
    EXPECT_TRUE(object->Stopped);
    EXPECT_EQ(DetectScanTime(), 500);
    TagDataRec record{};
    EXPECT_EQ(OnDataWrite(0, &record, &msg), 0);
    EXPECT_EQ(takeHostText(msg), kNoDriver) << "an empty write";

    // A second start on the thread destroys the first object, which lets go of the port.
    HostTagRec tag = testing_support::hostTag(1, "PV0:0.0");
    HostTagRec* list[] = {&tag};
    EXPECT_EQ(IniDriver(1, list, &block, &msg), 1);
    EXPECT_EQ(takeHostText(msg), "Com1打开成功");
    // WriteLog switches traffic logging only with a status text to hand over, and hands it over.
    TBaseDLLObject* running = driver::currentObject();
    WriteLog(1, &msg);
    EXPECT_EQ(msg, nullptr);
    EXPECT_FALSE(running->LogEnabled);
    for (const uint8_t on : {1, 0}) {
        running->WriteCommEvent("通讯正常");
        WriteLog(on, &msg);
        EXPECT_EQ(takeHostText(msg), "通讯正常");
        EXPECT_EQ(running->LogEnabled, on == 1);
    }
    EXPECT_EQ(start(block, 1), "Com1打开成功");
}

TEST_F(Exports, TagEditorCallsAndTheWizardWithoutABlock)
{
    uint32_t count = 0;
    GetTagAddrList(0, &count, nullptr);
    EXPECT_EQ(count, 32u);
    // Asked for more than the 32 rows, the driver writes 32, no more, and says so.
    std::vector<TagEditorEntry> buffer(33);
    std::memset(buffer.data(), 0xEE, buffer.size() * sizeof(TagEditorEntry));
    count = 33;
    GetTagAddrList(0, &count, buffer.data());
    EXPECT_EQ(count, 32u);
    const TagEditorEntry& first = buffer[0];
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(first.Mnemonic), 4), "\x02HS\xEE");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(first.Description + 1), first.Description[0]), "设定上限");
    EXPECT_EQ(first.Attribute, 2);
    EXPECT_EQ(buffer[4].Attribute, 0);  // PV is read-only
    EXPECT_EQ(buffer[32].Mnemonic[0], 0xEE);
    GetTagAddrList(0, nullptr, buffer.data());  // no count: nothing to do
    char original[] = "pv3:0.0";
    char* address = original;
    EXPECT_EQ(TagEdAddr(&block, &address, 1, &msg), 1);
    EXPECT_EQ(msg, nullptr);
    ASSERT_NE(address, original);
    EXPECT_EQ(takeHostText(address), "pv3:0.0");
    address = original;
    EXPECT_EQ(TagEdAddr(nullptr, &address, 0, &msg), 0);
    EXPECT_EQ(takeHostText(msg), kNoDriver);
    takeHostText(address);
    EXPECT_EQ(TagEdAddr(&block, nullptr, 1, nullptr), 1);  // no address and no message to hand back

    EXPECT_EQ(DLLEdDev(0, nullptr), 2u);
}

// The initialisation lock: held by another thread for five seconds it turns the
// start away; released, the waiting start proceeds and hands the lock back.
TEST_F(Exports, InitialisationWaitsForTheLockAtMostFiveSeconds)
{
    PseudoTerminal line;
    platform::AutoResetEvent& lock = *driver::process().TLSEvent;
    for (bool released : {false, true}) {
        ASSERT_TRUE(lock.wait(0));  // this test plays the thread that is initialising
        std::string message;
        const auto started = std::chrono::steady_clock::now();
        std::thread other([&] { message = start(block, released ? 1 : 0); });
        if (released) lock.signal();
        other.join();
        EXPECT_EQ(message, released ? "Com1打开成功" : "设备不支持并发访问，共享冲突。");
        const bool waited = std::chrono::steady_clock::now() - started >= std::chrono::milliseconds(4900);
        EXPECT_EQ(waited, !released);
        EXPECT_EQ(lock.wait(0), released) << "handed back";
        lock.signal();
    }
}
