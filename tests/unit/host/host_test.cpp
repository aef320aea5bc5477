// The host's pieces: its command line, the tag list, the configuration file, the
// records it exchanges with the driver, and its values.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/HostVariant.h"
#include "host/host_records.h"
#include "host/options.h"
#include "host/pdb_file.h"
#include "host/tag_list.h"
#include "host_test_texts.h"
#include "support/test_support.h"

namespace {

std::optional<host::Options> parse(const std::string& line, std::string& error)
{
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string word; in >> word;) words.push_back(word);
    return host::parseOptions(words, error);
}

TEST(HostOptions, ARunCommandLineIsReadAndEachKindOfMistakeRefusedWithAReason)
{
    std::string error;
    const auto options = parse("run --tags tags.csv --pdb=line.pdb --device 1:808 --device 3:847 --port COM2 "
                               "--baud 19200 --line 7E2 --write NOTE=a=b@c@1 --output lines --log x/Ostrevane800.Log",
                               error);
    ASSERT_TRUE(options) << error;
    const host::PdbSettings& settings = options->settings;
    EXPECT_EQ(settings.devices[1].type, OSTREVANE_DEVICE_847);
    // COM2, 19200 baud in the baud table, 7 bits, even parity, 2 stop bits.
    EXPECT_EQ((std::vector{*settings.portCode, *settings.baudCode, *settings.dataBitsCode, *settings.parityCode,
                           *settings.stopBitsCode}),
              (std::vector<uint8_t>{1, 8, 3, 2, 2}));
    // A write splits at the first '=' and the last '@': a text may hold both.
    EXPECT_EQ(options->writes[0].value, "a=b@c");
    EXPECT_EQ(options->writes[0].atSeconds, 1);
    EXPECT_EQ(options->output, host::OutputMode::Lines);
    EXPECT_EQ(options->logPath, "x/Ostrevane800.Log");
    const auto set = parse("pdb set a.pdb --device 99:none --port COM10", error);
    ASSERT_TRUE(set) << error;
    EXPECT_EQ(set->settings.devices[0].type, OSTREVANE_NO_DEVICE);
    // The reason names the option, or says what is wrong.
    const std::pair<std::string, std::string> refused[] = {{"pdb create x.pdb --port COM11", "--port"},
                                                           {"pdb create x.pdb --line 8X1", "--line"},
                                                           {"launch", "unknown command launch"},
                                                           {"run --tags", "needs a value"},
                                                           {"run --tags t.csv --duration -1", "--duration"},
                                                           {"run --tags t.csv --write =5", "--write"},
                                                           {"pdb set a.pdb", "at least one setting"},
                                                           {"types --pdb a.pdb", "--pdb belongs"}};
    for (const auto& [line, reason] : refused) {
        EXPECT_FALSE(parse(line, error)) << line;
        EXPECT_NE(error.find(reason), std::string::npos) << "expected '" << reason << "' in: " << error;
    }
}

TEST(HostTagList, RowsBecomeTagsWithTheirTypesIntervalsAndInitialValues)
{
    std::vector<std::string> errors;
    const auto tags = host::parseTagList("\xEF\xBB\xBF# plant line 2\r\n"
                                         "id,name,address,type,interval,initial\r\n"
                                         "1,PV1,PV1:0.0,number,500,\r\n"
                                         "\r\n"
                                         "2, SL1 ,SL1:0.0,number,,12.5\r\n"
                                         "3,\"Note, \"\"first\"\"\",COMMLINK,text,0,\" two  blanks \"\r\n",
                                         "tags.csv", errors);
    ASSERT_TRUE(errors.empty()) << errors[0];
    ASSERT_EQ(tags.size(), 3u);
    EXPECT_EQ(tags[1].name, "SL1");
    EXPECT_EQ(std::get<double>(*tags[1].initial), 12.5);
    EXPECT_EQ(tags[2].name, "Note, \"first\"");
    EXPECT_EQ(std::get<std::string>(*tags[2].initial), " two  blanks ");
    EXPECT_EQ(tags[2].line, 6);
    // Columns are found by name; names and addresses go to the driver in GBK, where 16
    // Chinese characters fill the 32-byte name field.
    const auto wide = host::parseTagList(
        "Address,ID,Name\n" + utf8(u8"PV1：0.0") + ",9," + utf8(u8"温度温度温度温度温度温度温度温度") + "\n",
        "tags.csv", errors);
    ASSERT_EQ(wide.size(), 1u);
    EXPECT_EQ(wide[0].nameGbk.size(), 32u);
    EXPECT_EQ(wide[0].addressGbk, "PV1\xA3\xBA" + std::string("0.0"));
    EXPECT_TRUE(errors.empty());
}

TEST(HostTagList, EveryBadRowOrHeaderIsReportedWithItsLine)
{
    const std::string header = "id,name,address,type,interval,initial\n1,PV1,PV1:0.0,number,0,\n";
    const std::pair<std::string, std::string> cases[] = {
        {header + "70000,PVX,PV1:0.0,number,0,", "tags.csv:3: id '70000'"},
        {header + "1,PV9,PV9:0.0,number,0,", "tags.csv:3: id 1 is already used on line 2"},
        {header + "5,EN,ENLOG,boolean,0,2", "tags.csv:3: initial value: '2' is no Boolean"},
        {header + "5,PV5,PV5:0.0,number,0", "tags.csv:3: 5 fields where the header has 6"},
        {header + "5," + std::string(33, 'N') + ",PV5:0.0,number,0,", "takes 33 bytes in GBK; the field holds 32"},
        {"id,name,address,colour\n", "tags.csv:1: unknown column 'colour'"}};
    for (const auto& [content, error] : cases) {
        std::vector<std::string> errors;
        const auto tags = host::parseTagList(content + "\n", "tags.csv", errors);
        ASSERT_EQ(errors.size(), 1u) << content;
        EXPECT_NE(errors[0].find(error), std::string::npos) << "expected '" << error << "' in: " << errors[0];
        EXPECT_EQ(tags.size(), content.rfind(header, 0) == 0 ? 1u : 0u) << "the good row stays: " << content;
    }
    std::vector<std::string> errors;
    EXPECT_TRUE(host::loadTagList("/nonexistent/tags.csv", errors).empty());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("/nonexistent/tags.csv"), std::string::npos);
}

OstrevanePDB driverDefaults()
{
    OstrevanePDB block;
    std::memset(&block, 0, sizeof block);
    FullPDB(&block);  // the driver's own defaults: device 0 configured, 9600 8N1
    return block;
}

TEST(HostPdbFile, ABlockSurvivesSavingAndLoadingAndOtherSizesAreRefused)
{
    testing_support::TempFolder folder;
    const std::string path = folder.file("line.pdb");
    OstrevanePDB block = driverDefaults();
    block.Devices[5].Reserved262[0] = 0x5A;  // bytes the host does not know travel too
    std::string error;
    ASSERT_TRUE(host::savePdb(path, block, error)) << error;
    OstrevanePDB loaded;
    ASSERT_TRUE(host::loadPdb(path, loaded, error)) << error;
    EXPECT_EQ(std::memcmp(&loaded, &block, sizeof block), 0);
    std::ofstream(path, std::ios::binary) << std::string(26425, '\0');
    EXPECT_FALSE(host::loadPdb(path, loaded, error));
    EXPECT_NE(error.find("holds 26425 bytes; a configuration block has 26424"), std::string::npos) << error;
}

std::string fakeTake(char* text) { return text ? std::string(text) : std::string(); }

TEST(HostRecords, TagAndWriteRecordsCarryTheFieldsAndValuesTheDriverReads)
{
    std::vector<std::string> errors;
    host::HostTagTable table(host::parseTagList("id,name,address,type,interval,initial\n42," + std::string(32, 'N') +
                                                    ",PV1:0.0,boolean,250,\n1,T1,PV1:0.0,number,0,12.5\n"
                                                    "3,T3,PV1:0.0,text,0," +
                                                    utf8(u8"温度 high") + "\n",
                                                "tags.csv", errors));
    ASSERT_EQ(table.count(), 3u);
    const HostTagRec& record = **table.pointers();
    EXPECT_EQ(std::string(record.Name, 32), std::string(32, 'N'));  // a full field has no terminator
    EXPECT_EQ(record.ValueType, OSTREVANE_VALUE_BOOLEAN);
    EXPECT_EQ(record.ReportInterval, 250u);
    EXPECT_EQ(record.InitialValue.Kind, 0);  // empty: the driver starts from false
    // The driver's own variant reader decides whether the host laid them out right.
    EXPECT_EQ(std::get<double>(hostvariant::read(table.record(1).InitialValue)), 12.5);
    EXPECT_EQ(std::get<std::string>(hostvariant::read(table.record(2).InitialValue)), "温度 high");  // GBK
    // An OLE string keeps its byte length in front of the first unit.
    uint32_t bytes = 0;
    std::memcpy(&bytes, static_cast<const char*>(table.record(2).InitialValue.Data.Pointer) - 4, 4);
    EXPECT_EQ(bytes, 7u * 2u);
    TagDataRec written{};
    std::string text;
    ASSERT_TRUE(host::makeWriteRecord(8, true, written, text));
    EXPECT_EQ(std::get<bool>(host::recordValue(written, fakeTake)), true);
    ASSERT_TRUE(host::makeWriteRecord(9, utf8(u8"温度"), written, text));
    EXPECT_STREQ(written.Value.Text, "温度");  // GBK for the driver
    EXPECT_EQ(std::get<std::string>(host::recordValue(written, fakeTake)), utf8(u8"温度"));
    ASSERT_TRUE(host::makeWriteRecord(9, std::string(), written, text));
    const char* const empty = written.Value.Text;
    EXPECT_EQ(empty, nullptr);  // an empty text travels as nil
    EXPECT_FALSE(host::makeWriteRecord(9, utf8(u8"\U0001F600"), written, text));
}

TEST(HostValues, ValuesAreReadInTheirTypeAndShownShort)
{
    const struct {
        host::ValueType type;
        std::string text;
        std::optional<host::Value> value;
    } cases[] = {{host::ValueType::Number, "-2e3", -2000.0},
                 {host::ValueType::Number, "inf", std::nullopt},
                 {host::ValueType::Boolean, "ON", true},
                 {host::ValueType::Boolean, "maybe", std::nullopt}};  // a problem is named
    for (const auto& c : cases) {
        std::string problem;
        EXPECT_EQ(host::parseValue(c.type, c.text, problem), c.value) << c.text;
        EXPECT_EQ(problem.empty(), c.value.has_value()) << c.text;
    }
    EXPECT_EQ(host::formatValue(0.1 + 0.2), "0.3");
    EXPECT_EQ(host::formatOleTime(46000.9999999999), "23:59:59.999");
    std::vector<char16_t> units;
    EXPECT_TRUE(host::utf8ToUtf16(utf8(u8"a\U0001F600"), units));
    EXPECT_EQ(units, (std::vector<char16_t>{u'a', 0xD83D, 0xDE00}));
    EXPECT_FALSE(host::utf8ToUtf16("\xED\xA0\x80", units));  // a lone surrogate is no character
}

}  // namespace
