// The tag list file: CSV rows that become the host's tag records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/tag_list.h"
#include "host_test_texts.h"

namespace {

std::vector<host::TagEntry> parse(const std::string& content, std::vector<std::string>& errors)
{
    return host::parseTagList(content, "tags.csv", errors);
}

TEST(HostTagList, RowsBecomeTagsWithTheirTypesIntervalsAndInitialValues)
{
    std::vector<std::string> errors;
    const auto tags = parse("\xEF\xBB\xBF# plant line 2\r\n"
                            "id,name,address,type,interval,initial\r\n"
                            "1,PV1,PV1:0.0,number,500,\r\n"
                            "\r\n"
                            "2, SL1 ,SL1:0.0,number,,12.5\r\n"
                            "3,ENLOG,ENLOG,boolean,1000,true\r\n"
                            "4,\"Note, first\",COMMLINK,text,0,\" two  blanks \"\r\n",
                            errors);
    ASSERT_TRUE(errors.empty()) << errors[0];
    ASSERT_EQ(tags.size(), 4u);
    EXPECT_EQ(tags[0].id, 1u);
    EXPECT_EQ(tags[0].interval, 500u);
    EXPECT_FALSE(tags[0].initial);
    EXPECT_EQ(tags[0].line, 3);
    EXPECT_EQ(tags[1].name, "SL1");
    EXPECT_EQ(tags[1].interval, 0u);
    EXPECT_EQ(std::get<double>(*tags[1].initial), 12.5);
    EXPECT_EQ(tags[2].type, host::ValueType::Boolean);
    EXPECT_EQ(std::get<bool>(*tags[2].initial), true);
    EXPECT_EQ(tags[3].name, "Note, first");
    EXPECT_EQ(tags[3].type, host::ValueType::Text);
    EXPECT_EQ(std::get<std::string>(*tags[3].initial), " two  blanks ");
    EXPECT_EQ(tags[3].line, 7);
}

TEST(HostTagList, ColumnsAreFoundByTheirNamesAndOptionalOnesDefault)
{
    std::vector<std::string> errors;
    const auto tags = parse("Address,ID,Name\nHS3:0.0,9,HS3\n", errors);
    ASSERT_TRUE(errors.empty()) << errors[0];
    ASSERT_EQ(tags.size(), 1u);
    EXPECT_EQ(tags[0].id, 9u);
    EXPECT_EQ(tags[0].address, "HS3:0.0");
    EXPECT_EQ(tags[0].type, host::ValueType::Number);
    EXPECT_EQ(tags[0].interval, 0u);
}

TEST(HostTagList, NamesAndAddressesGoToTheDriverInGbkWithinTheirFields)
{
    std::vector<std::string> errors;
    // 16 Chinese characters are 32 GBK bytes: exactly the name field.
    const std::string fullName = utf8(u8"温度温度温度温度温度温度温度温度");
    const auto tags = parse("id,name,address\n1," + fullName + "," + utf8(u8"PV1：0.0") + "\n", errors);
    ASSERT_TRUE(errors.empty()) << errors[0];
    ASSERT_EQ(tags.size(), 1u);
    EXPECT_EQ(tags[0].nameGbk.size(), 32u);
    EXPECT_EQ(tags[0].addressGbk, "PV1\xA3\xBA" "0.0");
    EXPECT_EQ(tags[0].address, utf8(u8"PV1：0.0"));
}

TEST(HostTagList, EveryBadRowIsReportedWithItsLine)
{
    struct Case {
        std::string row;
        std::string error;
    };
    const Case cases[] = {
        {"x,PVX,PV1:0.0,number,0,", "tags.csv:3: id 'x' is not a number from 0 to 65535"},
        {"70000,PVX,PV1:0.0,number,0,", "tags.csv:3: id '70000'"},
        {"1,PV9,PV9:0.0,number,0,", "tags.csv:3: id 1 is already used on line 2"},
        {"5,PV1,PV2:0.0,number,0,", "tags.csv:3: name PV1 is already used on line 2"},
        {"5,,PV1:0.0,number,0,", "tags.csv:3: the name is empty"},
        {"5,PV5,,number,0,", "tags.csv:3: the address is empty"},
        {"5,PV5,PV5:0.0,float64,0,", "tags.csv:3: type 'float64' is none of number, boolean, text"},
        {"5,PV5,PV5:0.0,number,-5,", "tags.csv:3: interval '-5' is not a number of milliseconds"},
        {"5,PV5,PV5:0.0,number,0,warm", "tags.csv:3: initial value: 'warm' is no number for a number tag"},
        {"5,EN,ENLOG,boolean,0,2", "tags.csv:3: initial value: '2' is no Boolean"},
        {"5,PV5,PV5:0.0,number,0", "tags.csv:3: 5 fields where the header has 6"},
        {"5,\"PV5,PV5:0.0,number,0,", "tags.csv:3: a quoted field is not closed"},
        {"5," + std::string(33, 'N') + ",PV5:0.0,number,0,", "takes 33 bytes in GBK; the field holds 32"},
        {"5,PV5," + std::string(65, 'A') + ",number,0,", "takes 65 bytes in GBK; the field holds 64"},
        {"5," + utf8(u8"\U0001F600") + ",PV5:0.0,number,0,", "GBK cannot carry"},
        {"5,T5,COMMLINK,text,0,\xFF", "no UTF-8"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> errors;
        const auto tags = parse("id,name,address,type,interval,initial\n1,PV1,PV1:0.0,number,0,\n" + c.row + "\n", errors);
        ASSERT_EQ(errors.size(), 1u) << c.row;
        EXPECT_NE(errors[0].find(c.error), std::string::npos) << "expected '" << c.error << "' in: " << errors[0];
        EXPECT_EQ(tags.size(), 1u) << "the good row stays: " << c.row;
    }
}

TEST(HostTagList, AFileWithoutAUsableHeaderIsRefused)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", "tags.csv: no header line"},
        {"# only a comment\n", "tags.csv: no header line"},
        {"id,name\n1,PV1\n", "tags.csv:1: the header needs the columns id, name and address"},
        {"id,name,address,colour\n", "tags.csv:1: unknown column 'colour'"},
        {"id,name,address,id\n", "tags.csv:1: column 'id' appears twice"},
        {"id,name,address\n", "tags.csv: no tags"},
    };
    for (const auto& [content, error] : cases) {
        std::vector<std::string> errors;
        parse(content, errors);
        ASSERT_FALSE(errors.empty()) << content;
        EXPECT_NE(errors[0].find(error), std::string::npos) << "expected '" << error << "' in: " << errors[0];
    }
}

TEST(HostTagList, CsvFieldsHonourQuotes)
{
    struct Case {
        std::string line;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"a,b,c", {"a", "b", "c"}},
        {"a,,", {"a", "", ""}},
        {"\"a,b\",c", {"a,b", "c"}},
        {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
        {" \"q\" ,x", {"q ", "x"}},
        {"a\"b,c", {"a\"b", "c"}},
    };
    for (const Case& c : cases) {
        std::string problem;
        const auto fields = host::splitCsvLine(c.line, problem);
        ASSERT_TRUE(fields) << c.line;
        EXPECT_EQ(*fields, c.fields) << c.line;
    }
}

TEST(HostTagList, SystemTagAddressesAreKnownByTheirKeyword)
{
    const std::pair<std::string, bool> cases[] = {
        {"COMMLINK", true}, {"encommlink", true}, {"DEVICELINK3", true}, {"EnDeviceLink12", true},
        {"ENLOG", true},    {"PV1:0.0", false},   {"LINK", false},       {"", false},
    };
    for (const auto& [address, system] : cases) EXPECT_EQ(host::isSystemTagAddress(address), system) << address;
}

TEST(HostTagList, AMissingFileIsNamed)
{
    std::vector<std::string> errors;
    EXPECT_TRUE(host::loadTagList("/nonexistent/tags.csv", errors).empty());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("/nonexistent/tags.csv"), std::string::npos);
}

}  // namespace
