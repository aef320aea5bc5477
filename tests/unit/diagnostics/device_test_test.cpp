// Testing a device from the host: a notice only, and the host's block stays as it was.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "Ostrevane800.h"
#include "driver/DLLMain.h"
#include "framework/PDB.h"
#include "support/test_support.h"
#include "sysinfo/version_info.h"
#include "ui/headless/HeadlessToolkit.h"

namespace {

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override { driver::libraryInitialise(); }
    void TearDown() override { driver::detach(); }

    testing_support::LogRedirect log;
    testing_support::PseudoTerminal line{1};
    ui::headless::HeadlessToolkit toolkit;
    ui::headless::ScopedToolkit installed{toolkit};
};

TEST_F(DeviceTest, ANoticeOnceAndFalseWhateverTheOptionAndTheDeviceTable)
{
    ASSERT_TRUE(line.ok());
    for (int c = 0; c < 4; ++c) {
        const uint8_t option = c % 2;
        SCOPED_TRACE(c);
        toolkit.messages.clear();
        OstrevanePDB host = testing_support::defaultPDB();
        // c < 2: an entry the driver's validation would clear, kept in the host's copy; else no devices.
        const int entry = c < 2 ? 6 : 0;
        host.Devices[entry].DeviceType = c < 2 ? 0 : 2;
        pdb::setTypeName(host.Devices[entry], c < 2 ? "Ostrevane847" : "");
        const OstrevanePDB original = host;
        EXPECT_EQ(DLLTestDev(&host, option), 0);
        ASSERT_EQ(toolkit.messages.size(), 1u);
        EXPECT_EQ(toolkit.messages[0].text, "暂时不支持测试功能！");
        EXPECT_TRUE(toolkit.shownForms.empty());
        EXPECT_EQ(std::memcmp(&host, &original, sizeof host), 0);
        EXPECT_EQ(driver::currentObject(), nullptr) << "the driver slot is empty again";
    }
    const std::string text = log.content();  // the private driver started and refused the test tag
    const size_t banner = text.find("：启动驱动程序" + systeminfo::DeviceName() + "  ...\r\n");
    EXPECT_LT(banner, text.find("：标签AI错误：标签地址AI指定不存在的标签类型。\r\n"));
    EXPECT_EQ(text.find("异常！"), std::string::npos);
}

TEST_F(DeviceTest, APortThatCannotOpenOrNoConfigurationEndsWithoutAWord)
{
    OstrevanePDB host = testing_support::defaultPDB();
    host.PortCode = 9;  // COM10, which names no device here
    setenv("OSTREVANE800_COM10", "/nonexistent/ostrevane-tty", 1);
    EXPECT_EQ(DLLTestDev(&host, 0), 0);
    unsetenv("OSTREVANE800_COM10");
    EXPECT_EQ(driver::currentObject(), nullptr);
    EXPECT_EQ(DLLTestDev(nullptr, 1), 0);
    EXPECT_TRUE(toolkit.messages.empty());
}

}  // namespace
