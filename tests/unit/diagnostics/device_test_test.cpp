#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "Ostrevane800.h"
#include "driver/DLLMain.h"
#include "framework/PDB.h"
#include "support/test_support.h"
#include "ui/headless/HeadlessToolkit.h"

using testing_support::defaultPDB;
using testing_support::LogRedirect;
using testing_support::PseudoTerminal;
using ui::headless::HeadlessToolkit;
using ui::headless::ScopedToolkit;

namespace {

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override { driver::libraryInitialise(); }
    void TearDown() override { driver::detach(); }

    LogRedirect log;
    PseudoTerminal line{1};
    HeadlessToolkit toolkit;
    ScopedToolkit installed{toolkit};
};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST_F(DeviceTest, EndsWithTheNoticeWhateverTheOptionAndTheDeviceTable)
{
    ASSERT_TRUE(line.ok());
    struct Case {
        uint8_t option;
        bool emptyTable;
    };
    const Case cases[] = {{0, false}, {1, false}, {0, true}, {1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "option " << int(c.option) << (c.emptyTable ? ", no devices" : ""));
        toolkit.messages.clear();
        OstrevanePDB host = defaultPDB();
        if (c.emptyTable) {
            host.Devices[0].DeviceType = 2;
            pdb::setTypeName(host.Devices[0], "");
        } else {
            // An entry the driver's validation would clear: the host's copy keeps it.
            host.Devices[6].DeviceType = 0;
            pdb::setTypeName(host.Devices[6], "Ostrevane847");
        }
        const OstrevanePDB original = host;

        EXPECT_EQ(DLLTestDev(&host, c.option), 0);

        ASSERT_EQ(toolkit.messages.size(), 1u);
        EXPECT_EQ(toolkit.messages[0].text, "暂时不支持测试功能！");
        EXPECT_EQ(toolkit.messages[0].kind, ui::MessageKind::Confirmation);
        EXPECT_EQ(toolkit.messages[0].caption, driver::DeviceName());
        EXPECT_TRUE(toolkit.shownForms.empty());  // the test window is never shown
        EXPECT_EQ(std::memcmp(&host, &original, sizeof host), 0);
        EXPECT_EQ(driver::currentObject(), nullptr);
    }
}

TEST_F(DeviceTest, ThePrivateDriverLogsItsStartAndRejectsTheTestTag)
{
    ASSERT_TRUE(line.ok());
    OstrevanePDB host = defaultPDB();
    EXPECT_EQ(DLLTestDev(&host, 1), 0);
    const std::string text = log.content();
    const size_t banner = text.find("：启动驱动程序" + driver::DeviceName() + "  ...\r\n");
    const size_t rejected = text.find("：标签AI错误：标签地址AI指定不存在的标签类型。\r\n");
    EXPECT_NE(banner, std::string::npos);
    EXPECT_NE(rejected, std::string::npos);
    EXPECT_LT(banner, rejected);
    EXPECT_TRUE(contains(text, "：标签AI错误报告：由于出现错误，系统在通讯时丢弃该标签！\r\n"));
    EXPECT_FALSE(contains(text, "异常！"));
}

TEST_F(DeviceTest, ADriverThatCannotStartEndsTheTestWithoutAWord)
{
    OstrevanePDB host = defaultPDB();
    host.PortCode = 9;  // COM10, which names no device here
    setenv("OSTREVANE800_COM10", "/nonexistent/ostrevane-tty", 1);
    EXPECT_EQ(DLLTestDev(&host, 0), 0);
    unsetenv("OSTREVANE800_COM10");
    EXPECT_TRUE(toolkit.messages.empty());
    EXPECT_EQ(driver::currentObject(), nullptr);
}

TEST_F(DeviceTest, WithoutAConfigurationNothingRuns)
{
    EXPECT_EQ(DLLTestDev(nullptr, 1), 0);
    EXPECT_TRUE(toolkit.messages.empty());
    EXPECT_EQ(log.content(), "");
}
