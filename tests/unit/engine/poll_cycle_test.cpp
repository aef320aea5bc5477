// The poll cycle: order of the commands, one look at the line per pass, replies
// arriving in pieces, time-outs and slowed polling of a silent device.
#include <string>
#include <vector>

#include "engine_harness.h"

using namespace enginetest;

TEST_F(Engine, PollingStartsWithTheFirstCommandAndAScanTimeOfTenMilliseconds)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "SP1:0.0")}));
    EXPECT_EQ(line->sent, std::vector<std::string>{poll(1, "PV")});
    EXPECT_EQ(object->ScanTime, 10u);
}

TEST_F(Engine, AReplyIsTakenOnTheFirstPassAfterItArrivedAndTheNextPollLeavesInThatPass)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "SP1:0.0")}));
    EXPECT_EQ(pass(), 0);
    EXPECT_EQ(line->sent.size(), 1u);
    EXPECT_EQ(answer(reply("PV", " 25.0")), 1);
    EXPECT_EQ(tag(0).value, TagValue(25.0));
    EXPECT_EQ(line->sent, (std::vector<std::string>{poll(1, "PV"), poll(1, "SP")}));
    EXPECT_EQ(object->Statistics.exchanges, 1);
    EXPECT_EQ(tag(0).reads, 1u);
}

TEST_F(Engine, PollCommandsAreSentInListOrderAgainAndAgain)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "SP1:0.0"), hostTag(3, "OP2:0.0")}));
    // The very first pass closes the first exchange without finishing it: it is sent again.
    EXPECT_EQ(answer(reply("PV", "1")), 1);
    const char* mnemonics[] = {"PV", "SP", "OP"};
    for (int round = 0; round < 7; ++round) {
        const int current = round % 3;
        answer(reply(mnemonics[current], "1"));
    }
    const std::vector<std::string> expected = {poll(1, "PV"), poll(1, "PV"), poll(1, "SP"), poll(2, "OP"), poll(1, "PV"),
                                               poll(1, "SP"), poll(2, "OP"), poll(1, "PV"), poll(1, "SP")};
    EXPECT_EQ(line->sent, expected);
}

TEST_F(Engine, ACommandWithSkipFactorTwoGoesOutOnEverySecondTurn)
{
    // Periods 100 and 200 ms give skip factors 1 and 2: A B A A B A A B ...
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0", OSTREVANE_VALUE_NUMBER, 100), hostTag(2, "SP1:0.0", OSTREVANE_VALUE_NUMBER, 200)}));
    std::string order;
    for (int i = 0; i < 11; ++i) {
        const bool a = lastSent() == poll(1, "PV");
        order += a ? 'A' : 'B';
        answer(reply(a ? "PV" : "SP", "1"));
    }
    EXPECT_EQ(order, "AABAABAABAA");  // the first A is sent twice: the first pass does not finish it
}

TEST_F(Engine, AReplyInPiecesIsCountedOnEveryLookAndOnceAsGood)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0")}));
    pass();  // the first pass never finishes an exchange
    const std::string whole = reply("PV", " 25.0");
    EXPECT_EQ(pass(), 0);                          // nothing yet
    EXPECT_EQ(answer(whole.substr(0, 3)), 0);      // STX P V
    EXPECT_EQ(answer(whole.substr(3, 4)), 0);      // the data
    EXPECT_EQ(answer(whole.substr(7)), 1);         // ETX and the check
    const CommStatistics& s = object->Statistics;
    EXPECT_EQ(s.shortReplies, 2);
    EXPECT_EQ(s.checkErrors, 2);
    EXPECT_EQ(s.garbledReplies, 2);
    EXPECT_EQ(s.abnormalReplies, 4);
    EXPECT_EQ(s.goodReplies, 1);
    EXPECT_EQ(object->TotalFailures, 4);
    EXPECT_EQ(s.exchanges, 1);
    EXPECT_EQ(tag(0).value, TagValue(25.0));
}

TEST_F(Engine, AReplyWithAWrongCheckIsTurnedDownOnEveryPassUntilTheTimeOut)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "SP1:0.0")}));
    pass();
    std::string wrong = reply("PV", " 25.0");
    wrong.back() = static_cast<char>(wrong.back() ^ 0x40);
    line->incoming = wrong;
    for (int look = 0; look < 10; ++look) {
        clock.advance(100);
        EXPECT_EQ(pass(), 0);
    }
    EXPECT_EQ(line->sent.size(), 1u);  // 1000 ms is not yet more than the reply time
    clock.advance(1);
    EXPECT_EQ(pass(), 0);
    EXPECT_EQ(object->Statistics.checkErrors, 11);
    EXPECT_EQ(object->Statistics.timeouts, 1);
    EXPECT_EQ(lastSent(), poll(1, "SP"));
    EXPECT_EQ(tag(0).value, TagValue(0.0));
}

TEST_F(Engine, ATimeOutCountsLowersTheReplyQualityAndMovesOn)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "SP1:0.0")}));
    clock.advance(1000);
    EXPECT_EQ(pass(), 0);
    EXPECT_EQ(object->Statistics.timeouts, 0);
    clock.advance(1);
    EXPECT_EQ(pass(), 0);
    const CommStatistics& s = object->Statistics;
    EXPECT_EQ(s.timeouts, 1);
    EXPECT_EQ(s.exchanges, 1);
    EXPECT_EQ(s.consecutiveTimeouts, 1);
    EXPECT_EQ(tag(0).reads, 1u);
    EXPECT_EQ(tag(0).readFailures, 1u);
    EXPECT_FLOAT_EQ(object->PollList[0]->replyQuality, 0.5f);
    EXPECT_EQ(object->takeStatusMsg(), "通讯超时错，期待设备应答");
    EXPECT_FALSE(object->LinkOK);
    EXPECT_EQ(lastSent(), poll(1, "SP"));
    timeOut();
    EXPECT_EQ(lastSent(), poll(1, "PV"));
    timeOut();
    EXPECT_FLOAT_EQ(object->PollList[0]->replyQuality, 0.25f);
    EXPECT_EQ(s.consecutiveTimeouts, 3);
}

TEST_F(Engine, ASilentDeviceIsPolledLessOftenAndAReplyRestoresItsRate)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "PV2:0.0")}));
    pass();  // let the first pass pass
    std::string order;
    // A (device 1) never answers, B (device 2) always does.
    while (order.size() < 20) {
        const bool silent = lastSent() == poll(1, "PV");
        order += silent ? 'A' : 'B';
        silent ? timeOut() : answer(reply("PV", "1"));
    }
    // After k time-outs in a row A waits 2^k turns (k = 1 leaves the quality at 0.5).
    EXPECT_EQ(order, "ABABBBBABBBBBBBBABBB");
    const TCommand& silent = *object->PollList[0];
    EXPECT_FLOAT_EQ(silent.replyQuality, 0.0625f);
    // One reply brings it back to every turn; the next silence halves it again.
    while (lastSent() != poll(1, "PV")) answer(reply("PV", "1"));
    answer(reply("PV", "2"));
    EXPECT_GE(silent.replyQuality, 0.5f);
    EXPECT_EQ(lastSent(), poll(2, "PV"));
    answer(reply("PV", "1"));
    EXPECT_EQ(lastSent(), poll(1, "PV"));
}

TEST_F(Engine, ACommandThatKeepsFailingIsPolledAtLeastEveryHundredthTurn)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "PV2:0.0")}));
    pass();
    const TCommand& silent = *object->PollList[0];
    for (int timeouts = 0; timeouts < 12;) {
        if (lastSent() == poll(1, "PV")) {
            timeOut();
            ++timeouts;
        } else {
            answer(reply("PV", "1"));
        }
    }
    EXPECT_FLOAT_EQ(silent.replyQuality, 0.01f);
    EXPECT_EQ(silent.skipCountdown, 100);
    int turns = 0;
    while (lastSent() != poll(1, "PV")) {
        answer(reply("PV", "1"));
        ++turns;
    }
    EXPECT_EQ(turns, 100);
}

TEST_F(Engine, TheFirstExchangeFinishedOnTheFirstPassIsSentAgainBeforePollingMovesOn)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "SP1:0.0")}));
    EXPECT_EQ(answer(reply("PV", "1")), 1);
    EXPECT_EQ(line->sent, (std::vector<std::string>{poll(1, "PV"), poll(1, "PV")}));
    EXPECT_EQ(object->LinkState, 0);  // FinalCommand did not run
    EXPECT_EQ(answer(reply("PV", "1")), 1);
    EXPECT_EQ(lastSent(), poll(1, "SP"));
    EXPECT_EQ(object->LinkState, 1);
}

TEST_F(Engine, TheLineSwitchedOffSendsNothingAndEndsEachExchangeByTimeOut)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "SP1:0.0"), hostTag(3, "COMMLINK", OSTREVANE_VALUE_TEXT)}));
    pass();
    answer(reply("PV", " 25.0"));
    ASSERT_EQ(lastSent(), poll(1, "SP"));
    // The line is switched off while the SP reply arrives: it is taken, and then it lies
    // in the receive buffer, where no later command may take it for its own.
    object->CommLineEnabled = false;
    const size_t sent = line->sent.size();
    EXPECT_EQ(answer(reply("SP", " 30.0")), 1);
    EXPECT_EQ(pass(), 0);
    EXPECT_EQ(object->Statistics.timeouts, 0);
    timeOut();
    // From now on every pass ends the exchange by time-out.
    for (int i = 0; i < 4; ++i) EXPECT_EQ(pass(), 0);
    EXPECT_EQ(line->sent.size(), sent);
    EXPECT_EQ(object->Statistics.goodReplies, 2);
    EXPECT_EQ(tag(0).value, TagValue(25.0));
    EXPECT_EQ(tag(1).value, TagValue(30.0));
    EXPECT_EQ(object->Statistics.timeouts, 5);
    EXPECT_EQ(object->LinkState, 5);
    EXPECT_EQ(tag(2).value, TagValue(std::string("Ostrevane仪表通讯暂停!")));
}

TEST_F(Engine, CommandsOfASwitchedOffDeviceAreSkippedExceptTheFirstOfTheList)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "PV2:0.0"), hostTag(3, "PV3:0.0")}));
    pass();
    object->DevEnabled[2] = 0;
    std::vector<std::string> expected = {poll(1, "PV")};
    for (int i = 0; i < 4; ++i) {
        answer(reply("PV", "1"));
        expected.push_back(i % 2 == 0 ? poll(3, "PV") : poll(1, "PV"));
    }
    EXPECT_EQ(line->sent, expected);
    // The first command of the list is selected even for a switched-off device, but not sent.
    answer(reply("PV", "1"));
    EXPECT_EQ(lastSent(), poll(3, "PV"));
    object->DevEnabled[1] = 0;
    answer(reply("PV", "1"));  // device 3's reply; device 1 comes next and is not addressed
    const size_t sent = line->sent.size();
    EXPECT_EQ(pass(), 0);
    EXPECT_EQ(line->sent.size(), sent);
    timeOut();
    EXPECT_EQ(lastSent(), poll(3, "PV"));
    EXPECT_EQ(object->DevLinkState[1], 5);
}

TEST_F(Engine, LongPeriodsAndSilentDevicesKeepTheirTurnsWithoutAStallInTheReadCall)
{
    // Periods above a second give every command a skip factor (period / 1000 ms), and a
    // silent device multiplies its countdown by up to 100: with the longest periods the
    // countdowns reach 2^31 selections, which must not cost 2^31 steps of one read call.
    // The orders are those of a selection that walks the list one step at a time.
    const struct {
        uint32_t periodA, periodB;
        const char* order;  // A (device 1) never answers, B (device 2) always does
    } cases[] = {
        {50000, 70000, "ABABBBABBBBBBABB"},
        {0xFFFFFFFF, 0xFFFFFFFF, "ABABBBBBABBBBBBB"},
        {0xFFFFFFFF, 2000, "ABBBBBBBBBBBBBBB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.order);
        object.reset();
        line->sent.clear();
        ASSERT_TRUE(start({hostTag(1, "PV1:0.0", OSTREVANE_VALUE_NUMBER, c.periodA),
                           hostTag(2, "PV2:0.0", OSTREVANE_VALUE_NUMBER, c.periodB)}));
        pass();
        std::string order;
        while (order.size() < 16) {
            const bool silent = lastSent() == poll(1, "PV");
            order += silent ? 'A' : 'B';
            silent ? timeOut() : answer(reply("PV", "1"));
        }
        EXPECT_EQ(order, c.order);
    }
}
