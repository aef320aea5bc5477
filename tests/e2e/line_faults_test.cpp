// The driver on a damaged line, in real time: tags only ever show values the instruments
// held; a silent instrument (or line, or a pulled adapter) turns its tags bad once, keeping
// their values, and good again; the other instrument is not disturbed.
#include <unistd.h>

#include <ostream>

#include "host_session.h"
#include "sim_process.h"

namespace {

constexpr uint8_t kNumber = OSTREVANE_VALUE_NUMBER, kText = OSTREVANE_VALUE_TEXT;
constexpr int kDevice1 = 1, kDevice3 = 2, kBoth = 3;
using e2e::hostTag;

// An instrument's number and text tags of one value, its link tag; the value before and during the fault.
struct Instrument {
    int mask;
    uint32_t number, text, link;
    double values[2];
    const char* texts[2];
};
const Instrument kInstruments[] = {{kDevice1, 1, 2, 11, {25.0, 47.5}, {" 25.0", " 47.5"}},
                                   {kDevice3, 3, 4, 13, {-12.5, -10.0}, {"-12.5", "-10.0"}}};

struct Fault {
    const char* name;
    std::vector<std::string> commands;  // console lines that start it
    int silent = 0;                     // instruments that stop answering
    int calm = 0;                       // instruments whose link stays normal throughout; both: no time-out
    double line = 0;                    // the line state it drives the line to, at least
    const char* logOnce = nullptr;      // a line the log holds once, with "Com1打开成功" after it
};

void PrintTo(const Fault& fault, std::ostream* out) { *out << fault.name; }

class LineFault : public e2e::Host, public ::testing::WithParamInterface<Fault> {};

TEST_P(LineFault, EndsInTheValuesTheInstrumentsHeldAndTheLineRecovers)
{
    const Fault& fault = GetParam();
    // Both tags show the value of `phase`, and are both good or both bad.
    const auto holds = [&](const Instrument& instrument, int phase, bool quality) {
        return shows(instrument.number, instrument.values[phase]) &&
               shows(instrument.text, 0, instrument.texts[phase]) && good(instrument.number) == quality &&
               good(instrument.text) == quality;
    };
    pdb.ErrorOutput = 1;  // logs each time-out
    start({hostTag(1, "PV1:0.0", kNumber), hostTag(2, "PV1:0.0", kText), hostTag(3, "PV3:0.0", kNumber),
           hostTag(4, "PV3:0.0", kText), hostTag(10, "COMMLINK", kNumber), hostTag(11, "DEVICELINK1", kNumber),
           hostTag(13, "DEVICELINK3", kNumber)},
          {"--link", ::testing::TempDir() + "ostrevane-line-" + std::to_string(::getpid())});
    ASSERT_TRUE(readUntil([&] { return holds(kInstruments[0], 0, true) && holds(kInstruments[1], 0, true); }));

    const uint64_t from = e2e::steadyMs();
    for (const std::string& command : fault.commands) sim().commandOk(command);
    sim().commandOk("set 1 PV 47.5");
    sim().commandOk("set 3 PV -10.0");
    // Silent instruments' tags keep their values, now bad; the others' new values come through.
    EXPECT_TRUE(readUntil(
        [&] {
            for (const Instrument& instrument : kInstruments) {
                const bool silent = (fault.silent & instrument.mask) != 0;
                if (silent && (!holds(instrument, 0, false) || last(instrument.link).number < 2)) return false;
                if (!silent && !holds(instrument, 1, true)) return false;
            }
            // And every damaged reply has met the driver.
            return last(10).number >= fault.line && (fault.silent || sim().command("faults") == "ok none");
        },
        24000))
        << "line " << last(10).number << ", devices " << last(11).number << " " << last(13).number;
    sim().commandOk("fault clear");
    EXPECT_TRUE(readUntil([&] {
        return holds(kInstruments[0], 1, true) && holds(kInstruments[1], 1, true) && shows(10, 1) && shows(11, 1) &&
               shows(13, 1);
    }));

    // A tag turns bad no sooner than a reply's time-out, unless the port itself is gone.
    const uint64_t badFrom = from + (fault.logOnce ? 0 : 1000);
    for (const Instrument& instrument : kInstruments) {
        for (const uint32_t id : {instrument.number, instrument.text}) {
            size_t bad = 0;
            bool seen = false;  // a value once received stays until the next one
            for (const e2e::Report& report : reports[id]) {
                const bool initial = report.text.empty() && report.number == 0;
                const bool held = report.number == instrument.values[0] || report.number == instrument.values[1] ||
                                  report.text == instrument.texts[0] || report.text == instrument.texts[1];
                EXPECT_TRUE(held || (!seen && initial)) << "tag " << id << ": " << report.number << " '" << report.text;
                seen = seen || held;
                const bool firstBad = report.quality != OSTREVANE_QUALITY_GOOD && bad++ == 0;
                EXPECT_TRUE(!firstBad || report.atMs >= badFrom) << "tag " << id << " bad too soon";
            }
            // Silence turns a tag bad once; damage may, when enough replies in a row fail.
            const size_t least = (fault.silent & instrument.mask) ? 1 : 0, most = fault.calm == kBoth ? 0 : 1;
            EXPECT_TRUE(bad >= least && bad <= most) << bad << " bad reports of tag " << id;
        }
        for (const e2e::Report& report : reports[instrument.link])
            EXPECT_TRUE(!(fault.calm & instrument.mask) || report.number <= 1) << "link of tag " << instrument.number;
    }
    FreeDriver();
    const std::string text = log();
    EXPECT_EQ(text.find("：通讯超时错") != std::string::npos, fault.calm != kBoth) << text;
    if (fault.logOnce) {  // once, and the line found again after it
        EXPECT_EQ(text.find(fault.logOnce), text.rfind(fault.logOnce)) << text;
        EXPECT_NE(text.find("Com1打开成功", text.find(fault.logOnce)), std::string::npos) << text;
    }
}

// A wrong reply is never taken; one late, in pieces or after noise is taken whole.
const Fault kFaults[] = {
    {.name = "WrongBlockCheck", .commands = {"fault badcheck on times 2"}},
    {.name = "HitStart", .commands = {"fault badstart on times 2"}},
    {.name = "AnotherParameter", .commands = {"fault wrongparam on times 2"}},
    {.name = "NoiseBeforeTheReply", .commands = {"fault noise 6 times 2"}, .calm = kBoth},
    {.name = "SplitIntoFourPieces", .commands = {"fault split 4 30ms times 3"}, .calm = kBoth},
    {.name = "OneByteAtATime", .commands = {"fault split 10 5ms times 2"}, .calm = kBoth},
    {.name = "LateButInTime", .commands = {"fault delay 300ms times 2"}, .calm = kBoth},
    {.name = "MixedDamage",
     .commands = {"fault badstart on times 2", "fault wrongparam on times 2", "fault split 3 15ms times 3",
                  "fault noise 4 times 3"}},
    {.name = "SilentInstrument", .commands = {"fault 3 silence on"}, .silent = kDevice3, .calm = kDevice1},
    {.name = "SilentInstrumentAndDamage",
     .commands = {"fault 3 silence on", "fault 1 badstart on times 2", "fault 1 wrongparam on times 2"},
     .silent = kDevice3},
    {.name = "SilentLine", .commands = {"fault silence on"}, .silent = kBoth, .line = 4},
    // The line is away for 3 s; the driver looks for it every 2 s.
    {.name = "PulledAdapter", .commands = {"unplug 3s"}, .silent = kBoth, .line = 3, .logOnce = "the device is gone"},
};
INSTANTIATE_TEST_SUITE_P(Faults, LineFault, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
