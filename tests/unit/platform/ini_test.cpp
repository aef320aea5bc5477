#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/ini_file.h"
#include "support/test_support.h"

TEST(IniReader, FindsKeysOfTheRightSectionIgnoringCaseAndBlanks)
{
    testing_support::TempFolder folder;
    const std::string path = folder.file("host.ini");
    platform::appendExclusive(path,
                              "; comment\r\n[Other]\r\nDefaultPROJECT=no\r\n[ working ]\r\n  defaultproject =  "
                              "\"C:\\P\\a.prj\"  \r\nEmpty=\r\n");
    EXPECT_EQ(platform::readIniString(path, "WORKING", "DefaultPROJECT", "x"), "C:\\P\\a.prj");
    EXPECT_EQ(platform::readIniString(path, "WORKING", "Empty", "x"), "");
    EXPECT_EQ(platform::readIniString(path, "WORKING", "Missing", "x"), "x");
    EXPECT_EQ(platform::readIniString(path, "Absent", "DefaultPROJECT", "x"), "x");
    EXPECT_EQ(platform::readIniString(folder.file("none.ini"), "WORKING", "DefaultPROJECT", ".\\"), ".\\");
}
