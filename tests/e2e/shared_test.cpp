// Shared with the Windows program, where one simulator serves every test: what a test writes it puts back.
#include <cstdlib>
#include <tuple>

#include "host_session.h"

namespace {

constexpr uint8_t kNumber = OSTREVANE_VALUE_NUMBER, kSwitch = OSTREVANE_VALUE_BOOLEAN, kText = OSTREVANE_VALUE_TEXT;

using e2e::hostTag;
using Polling = e2e::Host;
using HostWrites = e2e::Host;

double numberAfter(const std::string& log, const std::string& label)
{
    const size_t at = log.rfind(label);
    return at == std::string::npos ? -1 : std::strtod(log.c_str() + at + label.size(), nullptr);
}

TEST_F(Polling, EveryValueKindAndLinkTagOfBothInstrumentsArrivesAndTheStatisticsAreLogged)
{
    const std::tuple<const char*, uint8_t, double, const char*> expected[] = {
        {"PV1:0.0", kNumber, 25.0, ""},
        {"HS1:0.0", kSwitch, 1, ""},
        {"PV1:0.0", kText, 0, " 25.0"},
        {"PV3:0.0", kNumber, -12.5, ""},
        {"LA3:0.0", kSwitch, 0, ""},   // starts true
        {"SW3:0.0", kNumber, 33, ""},  // hexadecimal data
        {"PV3:0.0", kText, 0, "-12.5"},
        {"COMMLINK", kNumber, 1, ""},
        {"COMMLINK", kText, 0, "Ostrevane仪表通讯正常!"},
        {"DEVICELINK1", kNumber, 1, ""},
        {"DEVICELINK3", kText, 0, "3号仪表Ostrevane847通讯正常!"},
    };
    std::vector<HostTagRec> tags;
    for (const auto& [address, kind, number, text] : expected)
        tags.push_back(hostTag(static_cast<uint32_t>(tags.size() + 1), address, kind));
    start(tags);
    ASSERT_TRUE(readUntil([&] {
        uint32_t id = 0;
        for (const auto& [address, kind, number, text] : expected)
            if (!shows(++id, number, text) || !good(id)) return false;
        return true;
    }));
    FreeDriver();
    const std::string text = log();
    EXPECT_GE(numberAfter(text, "：通讯总次数= "), 4);
    EXPECT_EQ(numberAfter(text, "：通讯超时总次数= "), 0);
}

TEST_F(HostWrites, AValueOfEachKindReachesItsInstrumentAndStaysThere)
{
    start({hostTag(1, "SL1:0.0", kNumber), hostTag(2, "SL3:0.0", kNumber), hostTag(3, "SW3:0.5", kSwitch),
           hostTag(4, "SW3:0.4", kText), hostTag(5, "SW3:0.0", kNumber), hostTag(6, "ENCOMMLINK", kSwitch),
           hostTag(7, "ENCOMMLINK", kText), hostTag(8, "COMMLINK", kNumber)});
    ASSERT_TRUE(readUntil([&] { return shows(5, 33) && shows(8, 1); }));
    // The tag written and its value; the tag that shows the acknowledgement and its value.
    const std::tuple<uint32_t, double, uint32_t, double> steps[] = {
        {1, 12.5, 1, 12.5},  // the 808
        {2, -2.5, 2, -2.5},  // the 847
        {3, 1, 5, 32},       // bit 5 of the word last written
        {4, 1, 5, 48},       // bit 4 on top, as text
        {3, 0, 5, 16},       // bit 5 off again
        {5, 33, 5, 33},      // the whole word as it was
        {6, 0, 8, 5},        // the line switched off
        {7, 1, 8, 1},        // and on, as text: a reply makes it normal
    };
    for (const auto& [id, value, shown, acknowledged] : steps) {
        EXPECT_TRUE(write(id, value)) << "tag " << id;
        EXPECT_TRUE(readUntil([&] { return shows(shown, acknowledged) && good(shown); }))
            << "tag " << id << "; tag " << shown << " shows " << last(shown).number;
    }
    // Later polls would bring back any value the instruments had not kept.
    readUntil([] { return false; }, 1000);
    EXPECT_TRUE(shows(1, 12.5) && shows(2, -2.5) && shows(5, 33));
}

}  // namespace
