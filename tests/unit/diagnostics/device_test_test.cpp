// Testing a device from the host: a notice only, and the host's block stays as it was.
#include <gtest/gtest.h>

#include <cstring>

#include "Ostrevane800.h"
#include "driver/DLLMain.h"
#include "framework/PDB.h"
#include "support/test_support.h"
#include "sysinfo/version_info.h"
#include "ui/headless/HeadlessToolkit.h"

TEST(DeviceTest, ANoticeOnceAndFalseWhateverTheOptionTheDeviceTableOrThePort)
{
    driver::libraryInitialise();
    testing_support::LogRedirect log;
    testing_support::PseudoTerminal line{1};
    ui::headless::HeadlessToolkit toolkit;
    ui::headless::ScopedToolkit installed{toolkit};
    for (int c = 0; c < 3; ++c) {
        SCOPED_TRACE(c);
        toolkit.messages.clear();
        OstrevanePDB host = testing_support::defaultPDB();
        // An entry the driver's validation would clear, kept in the host's copy; no devices at all.
        host.Devices[c == 0 ? 6 : 0].DeviceType = c == 0 ? 0 : 2;
        pdb::setTypeName(host.Devices[c == 0 ? 6 : 0], c == 0 ? "Ostrevane847" : "");
        const OstrevanePDB original = host;
        EXPECT_EQ(DLLTestDev(&host, c % 2), 0);
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

    toolkit.messages.clear();  // a port that cannot open, or no configuration: not a word
    OstrevanePDB host = testing_support::defaultPDB();
    host.PortCode = 9;
    setenv("OSTREVANE800_COM10", "/nonexistent/ostrevane-tty", 1);
    EXPECT_EQ(DLLTestDev(&host, 0), 0);
    unsetenv("OSTREVANE800_COM10");
    EXPECT_EQ(DLLTestDev(nullptr, 1), 0);
    EXPECT_TRUE(toolkit.messages.empty());
    driver::detach();
}
