// Writes as a host makes them, through OnDataWrite: a value of each kind reaches the
// instrument it is meant for, the tags show it once acknowledged, and the polls that
// follow bring it back; the line switch stops the line and starts it again. Under
// Wine one simulator serves every test, so the bit writes end by restoring the word.
#include "host_session.h"

namespace {

constexpr uint8_t kNumber = OSTREVANE_VALUE_NUMBER, kSwitch = OSTREVANE_VALUE_BOOLEAN, kText = OSTREVANE_VALUE_TEXT;

using e2e::valueRecord;
using HostWrites = e2e::Host;

TEST_F(HostWrites, AValueOfEachKindReachesItsInstrumentAndStaysThere)
{
    start({e2e::hostTag(1, "SL1:0.0", kNumber), e2e::hostTag(2, "SL3:0.0", kNumber),
           e2e::hostTag(3, "SW3:0.5", kSwitch), e2e::hostTag(4, "SW3:0.4", kText), e2e::hostTag(5, "SW3:0.0", kNumber),
           e2e::hostTag(6, "ENCOMMLINK", kSwitch), e2e::hostTag(7, "ENCOMMLINK", kText),
           e2e::hostTag(8, "COMMLINK", kNumber)});
    ASSERT_TRUE(readUntil([&] { return shows(5, 33) && shows(8, 1); }));

    struct Step {
        TagDataRec record;
        uint32_t shown;  // the tag that shows the acknowledgement
        double value;
    };
    const Step steps[] = {
        {valueRecord(1, kNumber, 12.5), 1, 12.5},  // the 808
        {valueRecord(2, kNumber, -2.5), 2, -2.5},  // the 847
        {valueRecord(3, kSwitch, 1), 5, 32},       // bit 5 of the word last written
        {valueRecord(4, kText, 0, "1"), 5, 48},    // bit 4 on top
        {valueRecord(3, kSwitch, 0), 5, 16},       // bit 5 off again
        {valueRecord(5, kNumber, 33), 5, 33},      // the whole word as it was
        {valueRecord(6, kSwitch, 0), 8, 5},        // the line switched off
        {valueRecord(7, kText, 0, "1"), 8, 1},     // and on: a reply makes it normal
    };
    for (const Step& step : steps) {
        EXPECT_TRUE(write({step.record})) << "tag " << step.record.TagId;
        EXPECT_TRUE(readUntil([&] { return shows(step.shown, step.value) && good(step.shown); }))
            << "tag " << step.record.TagId << " wrote " << step.value << "; tag " << step.shown << " shows "
            << last(step.shown).number;
    }
    // Later polls would bring back any value the instruments had not kept.
    readUntil([] { return false; }, 1000);
    EXPECT_TRUE(shows(1, 12.5) && shows(2, -2.5) && shows(5, 33));
}

}  // namespace
