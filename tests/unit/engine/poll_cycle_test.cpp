// Grouping the tags into poll commands, and the poll cycle: time-outs, skip factors,
// slowed polling of a silent device, switched-off line and devices.
#include <cstring>
#include <string>
#include <vector>

#include "engine_harness.h"

using namespace enginetest;

namespace {

class Cycle : public Engine {
protected:
    // The next `count` turns, A for the first command of the list and B for any other;
    // every request is answered unless `silentA` and it is A's.
    std::string turns(size_t count, bool silentA)
    {
        std::string order;
        while (order.size() < count) {
            const bool a = lastSent() == object->PollList[0]->request;
            order += a ? 'A' : 'B';
            (a && silentA) ? timeOut() : answer(reply(lastSent().substr(5, 2), "1"));
        }
        return order;
    }
};

}  // namespace

TEST_F(Cycle, AWrongCheckIsTurnedDownUntilTheTimeOutWhichLowersTheReplyQuality)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "SP1:0.0")}));
    pass();
    line->incoming = reply("PV", " 25.0");
    line->incoming.back() ^= 0x40;
    for (int look = 0; look < 10; ++look) {
        clock.advance(100);
        EXPECT_EQ(pass(), 0);
    }
    EXPECT_EQ(line->sent.size(), 1u);  // 1000 ms is not yet more than the reply time
    clock.advance(1);
    EXPECT_EQ(pass(), 0);
    const CommStatistics& s = object->Statistics;
    EXPECT_EQ(std::vector<double>({s.checkErrors, s.timeouts, s.exchanges}), (std::vector<double>{11, 1, 1}));
    EXPECT_EQ(tag(0).readFailures, 1u);
    EXPECT_FLOAT_EQ(object->PollList[0]->replyQuality, 0.5f);
    EXPECT_EQ(object->takeStatusMsg(), "通讯超时错，期待设备应答");
    EXPECT_EQ(lastSent(), poll(1, "SP"));
    EXPECT_EQ(tag(0).value, TagValue(0.0));
    // The statistics line: the time, then each text right-aligned in 32 bytes and a space.
    const std::string& line = object->DevMsg;
    const auto column = [](const std::string& text) { return std::string(32 - text.size(), ' ') + text + " "; };
    EXPECT_EQ(line.substr(0, 19), "2026-12-06 10:30:15");
    EXPECT_EQ(line.substr(19, 66), column("通讯失败率=100%") + column("已经发送的命令帧数=1"));
    EXPECT_EQ(line.substr(line.size() - 3), " \r\n");
}

TEST_F(Cycle, ASilentDeviceIsPolledLessOftenAndAReplyRestoresItsRate)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "PV2:0.0")}));
    pass();
    // After k time-outs in a row A waits 2^k turns (k = 1 leaves the quality at 0.5).
    EXPECT_EQ(turns(20, true), "ABABBBBABBBBBBBBABBB");
    const TCommand& silent = *object->PollList[0];
    EXPECT_FLOAT_EQ(silent.replyQuality, 0.0625f);
    for (int turn = 0; turn < 20 && lastSent() != poll(1, "PV"); ++turn) answer(reply("PV", "1"));
    answer(reply("PV", "2"));
    EXPECT_GE(silent.replyQuality, 0.5f);
    EXPECT_EQ(turns(2, true), "BA");
    // Twelve time-outs: from then on it goes out on every hundredth turn.
    turns(1000, true);
    EXPECT_FLOAT_EQ(silent.replyQuality, 0.01f);
    const std::string order = turns(202, true);
    EXPECT_EQ(order.find('A'), order.rfind('A') - 101);
}

TEST_F(Cycle, PeriodsGiveSkipFactorsAndLongOnesCostNoStallInTheReadCall)
{
    // Skip factors (period / 1000 ms, at least 1 per 100 ms) times a silent device's
    // countdown reach 2^31 selections, which must not cost 2^31 steps of one read call.
    const struct {
        uint32_t periodA, periodB;
        bool silentA;
        const char* order;
    } cases[] = {{100, 200, false, "AABAABAABAA"},  // the first A twice: the first pass does not finish it
                 {50000, 70000, true, "ABABBBABBBBBBABB"},
                 {0xFFFFFFFF, 2000, true, "ABBBBBBBBBBBBBBB"}};
    for (const auto& c : cases) {
        line->sent.clear();
        ASSERT_TRUE(start({hostTag(1, "PV1:0.0", kNumber, c.periodA), hostTag(2, "SP2:0.0", kNumber, c.periodB)}));
        if (c.silentA) pass();  // A's first exchange ends by time-out, not by the first pass
        EXPECT_EQ(turns(strlen(c.order), c.silentA), c.order);
    }
}

TEST_F(Cycle, TheLineSwitchedOffSendsNothingAndEndsEachExchangeByTimeOut)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "SP1:0.0"), hostTag(3, "COMMLINK", kText)}));
    pass();
    answer(reply("PV", " 25.0"));
    // Switched off while the SP reply arrives: it is taken, and then it lies in the
    // receive buffer, where no later command may take it for its own.
    object->CommLineEnabled = false;
    const size_t sent = line->sent.size();
    EXPECT_EQ(answer(reply("SP", " 30.0")), 1);
    EXPECT_EQ(pass(), 0);
    EXPECT_EQ(object->Statistics.timeouts, 0);
    timeOut();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(pass(), 0);
    EXPECT_EQ(line->sent.size(), sent);
    EXPECT_EQ(object->Statistics.goodReplies, 2);
    EXPECT_EQ(object->Statistics.timeouts, 5);
    EXPECT_EQ(object->LinkState, 5);
    EXPECT_EQ(tag(2).value, TagValue(std::string("Ostrevane仪表通讯暂停!")));
}

TEST_F(Cycle, CommandsOfASwitchedOffDeviceAreSkippedExceptTheFirstOfTheList)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "PV2:0.0"), hostTag(3, "PV3:0.0")}));
    pass();
    object->DevEnabled[2] = 0;
    EXPECT_EQ(turns(5, false), "ABABA");
    EXPECT_EQ(sentCount(poll(2, "PV")), 0u);
    // The first command of the list is selected even for a switched-off device, but not sent.
    object->DevEnabled[1] = 0;
    answer(reply("PV", "1"));
    const size_t sent = line->sent.size();
    EXPECT_EQ(pass(), 0);
    EXPECT_EQ(line->sent.size(), sent);
    timeOut();
    EXPECT_EQ(lastSent(), poll(3, "PV"));
    EXPECT_EQ(object->DevLinkState[1], 5);
}

TEST_F(Engine, TagsOfOneParameterShareTheFirstCommandMadeForItAtItsFastestPeriod)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "SP1:0.0"), hostTag(3, "PV1:0.2", kSwitch, 500),
                       hostTag(4, "PV2:0.0"), hostTag(5, "COMMLINK"), hostTag(6, "PV1:0.0", kText, 2000)}));
    const std::vector<std::tuple<std::string, std::vector<int32_t>, uint32_t>> expected = {
        {poll(1, "PV"), {0, 2, 5}, 500}, {poll(1, "SP"), {1}, 1000}, {poll(2, "PV"), {3}, 1000}};
    std::vector<std::tuple<std::string, std::vector<int32_t>, uint32_t>> made;
    for (const auto& command : object->PollList)
        made.emplace_back(command->request, command->tagIndexes, command->period);
    EXPECT_EQ(made, expected);
}

TEST_F(Engine, EveryParameterOfBothModelsIsPolledAnsweredAndWrittenInItsOwnFrames)
{
    // The tag types as the instruments spell them, in table order. Addresses ignore case,
    // so a tag at Hb is one of the HB parameter and shares its exchange.
    const std::string_view mnemonics[] = {"HS", "LS", "1H", "1L", "PV", "SP", "OP", "SW", "OS", "XS", "ER",
                                          "SL", "HA", "LA", "DA", "XP", "TI", "TD", "HB", "LB", "CH", "BP",
                                          "HO", "SR", "Hb", "Lc", "r1", "l1", "t1", "r2", "l2", "t2"};
    const auto onWire = [&](size_t i) { return mnemonics[i % 32] == "Hb" ? "HB" : mnemonics[i % 32]; };
    const auto device = [](size_t i) { return 1 + static_cast<int>(i / 32); };  // an 808, then an 847
    std::vector<HostTagRec> tags;
    for (size_t i = 0; i < 64; ++i)
        tags.push_back(
            hostTag(static_cast<uint32_t>(i + 1), std::string(mnemonics[i % 32]) + std::to_string(device(i)) + ":0.0"));
    ASSERT_TRUE(start(tags));
    pass();
    for (size_t i = 0; i < tags.size(); ++i) {
        if (mnemonics[i % 32] == "Hb") continue;
        EXPECT_EQ(lastSent(), poll(device(i), onWire(i)));
        answer(reply(onWire(i), std::to_string(i + 100)));
        EXPECT_EQ(tag(i).value, TagValue(static_cast<double>(i + 100))) << onWire(i);
    }
    EXPECT_EQ(tag(24).value, tag(18).value);
    for (size_t i = 0; i < tags.size(); ++i) {
        const std::string_view mnemonic = onWire(i);
        const bool readOnly = mnemonic == "PV" || mnemonic == "SP" || mnemonic == "OP" || mnemonic == "DA";
        ASSERT_NE(write(static_cast<uint32_t>(i + 1), 25.0), readOnly) << mnemonic;
        if (readOnly) continue;
        answer(reply(lastSent().substr(5, 2), "1"));
        EXPECT_EQ(lastSent(), select(device(i), mnemonic, " 25.0"));
        answer(kAck);
        EXPECT_EQ(tag(i).value, TagValue(25.0)) << mnemonic;
    }
}

TEST_F(Engine, AddressRangesCoverTheCreatingTagUntilTheyAreFixed)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0")}));
    TDLLTag probe;
    probe.tagTypeIndex = 4;
    probe.channelNo = 7;
    TCommand range;
    range.lowAddr = 3;
    range.highAddr = 9;
    const int32_t open[] = {1, 7, 7}, fixed[] = {7, 3, 9}, untyped[] = {1, 0, 0};
    for (const int32_t* expected : {open, fixed, untyped}) {
        range.rangeFixed = expected != open;
        probe.tagTypeIndex = expected == untyped ? -1 : 4;
        EXPECT_EQ(object->GetCommandAddrLength(range, probe), expected[0]);
        EXPECT_EQ(object->GetCommandStartAddr(range, probe), expected[1]);
        EXPECT_EQ(object->GetCommandEndAddr(range, probe), expected[2]);
    }
}
