// A silent instrument on a shared line: after its third failure in a row one of its
// poll commands probes it on the slowed schedule while the others are passed over, and
// its first reply or acknowledge brings them all back. Switching the line or a device
// off is a pause, not silence. The order of polls against a plain step-by-step selection.
#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "engine_harness.h"

using namespace enginetest;

namespace {

// Instrument 1 has four parameters, instrument 3 one; instrument 2, first in the list,
// answers throughout.
class Silent : public Engine {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(start({hostTag(1, "PV2:0.0"), hostTag(2, "PV1:0.0"), hostTag(3, "SP1:0.0"), hostTag(4, "OP1:0.0"),
                           hostTag(5, "SL1:0.0"), hostTag(6, "SL3:0.0")}));
        pass();
    }
    // `count` exchanges, each as device, "=" for a write, and mnemonic: those with the
    // instruments in `silent` time out, the others are answered.
    std::vector<std::string> run(size_t count, const std::string& silent)
    {
        std::vector<std::string> requests;
        while (requests.size() < count) {
            const std::string sent = lastSent();
            const bool write = sent[5] == '\x02';
            requests.push_back(sent.substr(3, 1) + (write ? "=" : "") + sent.substr(write ? 6 : 5, 2));
            if (silent.find(sent[3]) != std::string::npos)
                timeOut();
            else
                answer(write ? std::string(kAck) : reply(sent.substr(5, 2), "1"));
        }
        return requests;
    }
};

}  // namespace

TEST_F(Silent, OnlyOneCommandProbesASilentInstrumentOnTheScheduleOfAFailingCommand)
{
    // Each request to instrument 1 after the polls of instrument 2 before it: the first
    // turn tries each command; the third failure in a row (OP) makes the instrument
    // silent, and OP goes on alone, waiting twice as long after each time-out, up to a
    // hundred turns.
    std::string schedule;
    int waited = 0;
    for (const std::string& request : run(700, "13")) {
        waited += request[0] == '2';
        if (request[0] != '1') continue;
        schedule += std::to_string(waited) + request.substr(1) + " ";
        waited = 0;
    }
    EXPECT_EQ(schedule, "1PV 0SP 0OP 1OP 4OP 8OP 16OP 32OP 64OP 100OP 100OP 100OP 100OP 100OP ");
    EXPECT_EQ(object->DevProbe[3], -1);  // a single command backs off on its own
}

TEST_F(Silent, OneReplyOrAcknowledgeBringsEveryCommandOfASilentInstrumentBackAtOnce)
{
    for (const bool byWrite : {false, true}) {
        SetUp();
        // SL fails alone for a while: the instrument still answers and is polled as before.
        std::vector<std::string> requests;
        for (int exchange = 0; exchange < 100; ++exchange)
            requests.push_back(run(1, lastSent() == poll(1, "SL") ? "1" : "").front());
        EXPECT_GE(std::ranges::count(requests, "1PV"), 17);
        EXPECT_LE(std::ranges::count(requests, "1SL"), 8);
        // Then the whole instrument falls silent for long, and answers one request; its
        // other commands follow at once, and its tags are good.
        run(700, "1");
        std::vector<std::string> back;
        if (byWrite) {
            ASSERT_TRUE(write(5, 5.0));
            run(1, "1");  // the poll under way
            EXPECT_EQ(run(1, ""), std::vector<std::string>{"1=SL"});
        } else {
            while (lastSent()[3] != '1') run(1, "1");
            back = run(1, "");
        }
        for (const std::string& request : run(4 - back.size(), "")) back.push_back(request);
        std::ranges::sort(back);
        EXPECT_EQ(back, (std::vector<std::string>{"1OP", "1PV", "1SL", "1SP"})) << byWrite;
        const std::vector<std::string> turn = run(6, "");  // and from then on at the normal rate
        EXPECT_EQ(std::ranges::count_if(turn, [](const std::string& request) { return request[0] == '1'; }), 4);
        for (size_t t = 1; t < 5; ++t) EXPECT_EQ(tag(t).quality, kGood) << byWrite << t;
    }
}

TEST_F(Silent, AWriteToASilentInstrumentIsSentOnceUnlessItHasASingleCommand)
{
    run(30, "13");
    for (const auto& [id, device, sent] : {std::tuple{5u, 1, 1u}, std::tuple{6u, 3, 2u}}) {
        ASSERT_TRUE(write(id, 25.0));
        const std::string frame = select(device, "SL", " 25.0");
        while (sentCount(frame) == 0) run(1, "13");
        run(3, "13");
        EXPECT_EQ(sentCount(frame), sent) << device;
        EXPECT_EQ(tag(id - 1).quality, kBad) << device;
    }
}

TEST_F(Engine, SwitchingTheLineOrAnInstrumentOffIsAPauseThatNeverTurnsDataTagsBad)
{
    for (const char* address : {"ENCOMMLINK", "ENDEVICELINK1"}) {
        ASSERT_TRUE(
            start({hostTag(1, "PV1:0.0"), hostTag(2, "SP1:0.0"), hostTag(3, "PV2:0.0"), hostTag(4, address, kSwitch)}));
        pass();
        for (int exchange = 0; exchange < 3; ++exchange) answer(reply(lastSent().substr(5, 2), "1"));
        ASSERT_TRUE(write(4, false));
        // Instrument 2 answers whatever it is still asked; the rest ends by time-out.
        for (int exchange = 0; exchange < 150; ++exchange) {
            clock.advance(1001);
            answer(reply(lastSent().substr(5, 2), "1"));
        }
        EXPECT_GE(object->Statistics.timeouts, 6) << address;  // twice what makes an instrument silent
        for (size_t t = 0; t < 3; ++t) EXPECT_EQ(tag(t).quality, kGood) << address << t;
        EXPECT_EQ(object->DevProbe[1], -1) << address;
    }
}

TEST_F(Engine, AnInstrumentAloneOnTheLineIsProbedAndWhenSwitchedOffStillLetsTheCycleTurn)
{
    // With PV and SP alike the probe is PV, at the head of the list; with OP it is OP.
    for (const bool withOP : {false, true}) {
        std::vector<HostTagRec> tags = {hostTag(1, "PV1:0.0"), hostTag(2, "SP1:0.0"),
                                        hostTag(3, "ENDEVICELINK1", kSwitch)};
        if (withOP) tags.push_back(hostTag(4, "OP1:0.0"));
        line->sent.clear();
        ASSERT_TRUE(start(tags));
        pass();
        for (int exchange = 0; exchange < 10; ++exchange) timeOut();
        EXPECT_EQ(sentCount(poll(1, "SP")), 1u) << withOP;  // in the first turn only
        ASSERT_TRUE(write(3, false));
        const size_t sent = line->sent.size();
        for (int exchange = 0; exchange < 5; ++exchange) timeOut();
        EXPECT_EQ(line->sent.size(), sent) << withOP;
    }
}

TEST_F(Engine, AnInstrumentSilentAgainRightAfterItsReturnIsNotAskedForTheRestOfItsCommands)
{
    ASSERT_TRUE(start({hostTag(1, "PV2:0.0"), hostTag(2, "PV1:0.0"), hostTag(3, "SP1:0.0"), hostTag(4, "OP1:0.0"),
                       hostTag(5, "SL1:0.0"), hostTag(6, "HS1:0.0")}));
    pass();
    for (int exchange = 0; exchange < 50; ++exchange) lastSent()[3] == '1' ? timeOut() : answer(reply("PV", "1"));
    while (lastSent()[3] != '1') answer(reply("PV", "1"));
    answer(reply(lastSent().substr(5, 2), "1"));  // the probe's reply brings four commands back
    for (int exchange = 0; exchange < 3; ++exchange) timeOut();
    // Silent again after three of them: HS, never asked yet, waits with the rest.
    EXPECT_EQ(sentCount(poll(1, "HS")), 0u);
}

TEST_F(Engine, PollOrderEqualsSteppingTheListOneSelectionAtATimeForCountdownsOfEverySize)
{
    ASSERT_TRUE(start({hostTag(1, "PV1:0.0"), hostTag(2, "SP1:0.0"), hostTag(3, "PV2:0.0"), hostTag(4, "PV3:0.0")}));
    const int64_t sizes[] = {-5, 0, 1, 2, 3, 4, 7, 99, 100, 4096, 250000, 1 << 30, INT32_MAX};
    const size_t count = object->PollList.size(), kinds = std::size(sizes);
    // The plain selection: one candidate at a time, each counted down while none has come
    // near; passing the head of the list closes a poll cycle.
    std::vector<int64_t> reference(count);
    int32_t referenceIndex = 0;
    uint32_t cycleStart = object->CycleStartTick;
    const auto select = [&] {
        bool first = true;
        do {
            referenceIndex = (referenceIndex + 1) % static_cast<int32_t>(count);
            if (referenceIndex == object->WrapIndex) cycleStart = clock.tick;
            int64_t& countdown = reference[static_cast<size_t>(referenceIndex)];
            if (first || countdown < 2) first = --countdown > 1;
        } while (reference[static_cast<size_t>(referenceIndex)] > 0);
    };
    for (size_t round = 0; round < kinds * kinds; ++round) {
        // Every command starts a round with a countdown of another size, all of them
        // far from due in some rounds; one at most 250000 selections away keeps the
        // plain stepping quick.
        for (size_t c = 0; c < count; ++c) {
            reference[c] = sizes[(round + c * (1 + round / kinds)) % kinds];
            if (c == round % count) reference[c] = std::min<int64_t>(reference[c], 250000);
            object->PollList[c]->skipCountdown = static_cast<int32_t>(reference[c]);
        }
        for (int selection = 0; selection < 6; ++selection) {
            clock.advance(1);
            select();
            object->CancelCommand();
            ASSERT_EQ(object->PollIndex, referenceIndex) << round << " " << selection;
            ASSERT_EQ(object->CycleStartTick, cycleStart) << round << " " << selection;
            // The selected command starts again from a size of its own, as after an exchange.
            const int64_t next = sizes[(round + static_cast<size_t>(selection)) % 9];
            reference[static_cast<size_t>(referenceIndex)] = next;
            object->PollList[static_cast<size_t>(referenceIndex)]->skipCountdown = static_cast<int32_t>(next);
        }
    }
}
