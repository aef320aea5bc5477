// Several host threads in the driver at once: under ThreadSanitizer races show here, and
// in every build the threads must get their own results.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <latch>
#include <thread>

#include "Ostrevane800.h"
#include "driver/DLLMain.h"
#include "framework/PDB.h"
#include "sim/simulator.h"
#include "support/memory_line.h"
#include "support/test_support.h"
#include "ui/headless/HeadlessToolkit.h"

using testing_support::defaultPDB;
using testing_support::hostTag;
using testing_support::PseudoTerminal;
using testing_support::takeHostText;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kLines = 8;
constexpr int kRounds = 3;
constexpr double kMeasured = 25.0;

OstrevanePDB blockOn(int com)
{
    OstrevanePDB block = defaultPDB();
    block.PortCode = static_cast<uint8_t>(com - 1);
    return block;
}

// One host communication thread: start, poll until the value arrives, write until the
// instrument acknowledges, stop; a few times over. Returns the good rounds.
int communicate(int com, PseudoTerminal& line)
{
    sim::Simulator simulator;
    simulator.addInstrument(0, sim::InstrumentType::Model808);
    simulator.instrument(0)->set("PV", sim::ValueSource::constant(kMeasured));
    const auto begin = Clock::now();
    int good = 0;
    for (int round = 0; round < kRounds; ++round) {
        OstrevanePDB block = blockOn(com);
        HostTagRec tags[] = {hostTag(1, "PV0:0.0", OSTREVANE_VALUE_NUMBER, 50),
                             hostTag(2, "SL0:0.0", OSTREVANE_VALUE_NUMBER, 50)};
        HostTagRec* list[] = {&tags[0], &tags[1]};
        char* msg = nullptr;
        const bool started = IniDriver(2, list, &block, &msg) != 0;
        const bool opened = takeHostText(msg) == "Com" + std::to_string(com) + "打开成功";
        const uint64_t acksBefore = simulator.counters().acks;  // the write comes after the value
        bool valueRead = false, written = false;
        for (const auto limit = Clock::now() + std::chrono::seconds(3);
             started && simulator.counters().acks == acksBefore && Clock::now() < limit;) {
            char buffer[256];
            const ssize_t n = read(line.master(), buffer, sizeof buffer);
            const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begin).count();
            if (n > 0)
                for (const sim::Exchange& exchange : simulator.feed(std::string_view(buffer, size_t(n)), now))
                    for (const sim::Chunk& chunk : exchange.answer) line.sendToDriver(chunk.bytes);
            uint32_t count = 0;
            TagDataRec records[2]{};
            OnDataRead(&count, records, &msg);
            takeHostText(msg);
            for (uint32_t i = 0; i < count && i < 2; ++i)
                valueRead = valueRead || (records[i].TagId == 1 && records[i].Value.Number == kMeasured);
            if (valueRead && !written) {
                TagDataRec write{};
                write.TagId = 2;
                write.Value.Number = 10 + round;
                written = OnDataWrite(1, &write, &msg) != 0;
                takeHostText(msg);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));  // the host's scan interval
        }
        const bool freed = FreeDriver() != 0;
        good += started && opened && valueRead && simulator.counters().acks > acksBefore && freed;
    }
    return good;  // the thread ends here: that destroys its driver object
}

class HostThreads : public ::testing::Test {
protected:
    void SetUp() override { driver::libraryInitialise(); }
    void TearDown() override { driver::detach(); }
    testing_support::LogRedirect log;
};

}  // namespace

// Each thread with its own line and driver object; the port paths are in the
// environment before any thread starts.
TEST_F(HostThreads, EightCommunicationThreadsEachPollTheirOwnLine)
{
    std::vector<std::unique_ptr<PseudoTerminal>> lines;
    for (int com = 1; com <= kLines; ++com) lines.push_back(std::make_unique<PseudoTerminal>(com));
    std::vector<int> good(kLines);
    std::vector<std::thread> threads;
    for (int i = 0; i < kLines; ++i) threads.emplace_back([&, i] { good[i] = communicate(i + 1, *lines[i]); });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(good, std::vector<int>(kLines, kRounds));
}

TEST_F(HostThreads, TwoThreadsAfterOnePortOneGetsItTheOtherIsTurnedAway)
{
    PseudoTerminal line(1);
    for (int pass = 0; pass < 2; ++pass) {  // both threads are gone and left the port free
        std::latch ready(2), bothStarted(2);
        std::string messages[2];
        auto host = [&](int i) {
            OstrevanePDB block = blockOn(1);
            HostTagRec tag = hostTag(1, "PV0:0.0");
            HostTagRec* list[] = {&tag};
            char* msg = nullptr;
            ready.arrive_and_wait();
            const bool started = IniDriver(1, list, &block, &msg) != 0;
            messages[i] = (started ? "+" : "-") + takeHostText(msg);
            bothStarted.arrive_and_wait();  // the winner holds the port until then
            FreeDriver();
        };
        std::thread first(host, 0), second(host, 1);
        first.join();
        second.join();
        std::sort(std::begin(messages), std::end(messages));
        EXPECT_EQ(messages[0], "+Com1打开成功");
        EXPECT_EQ(messages[1], "-Com1不存在或被其它程序占用！");
    }
}

// Each wizard's result depends on its own block only: one needs an entry cleared (1),
// the other does not (2). Sharing the wizard's state would mix them up.
TEST_F(HostThreads, WizardsAndDeviceTestsOnSeveralThreadsTakeTurns)
{
    constexpr int kRuns = 100;
    PseudoTerminal testLine(9);
    std::atomic<int> right{0};
    auto wizard = [&](bool changed) {
        for (int i = 0; i < kRuns; ++i) {
            OstrevanePDB block = defaultPDB();
            pdb::setTypeName(block.Devices[0], changed ? "Ostrevane847" : "Ostrevane808");
            right += DLLEdDev(0, &block) == (changed ? 1u : 2u);
        }
    };
    std::thread changed(wizard, true), unchanged(wizard, false), tester([&] {
        for (int i = 0; i < kRuns / 10; ++i) {
            OstrevanePDB block = blockOn(9);
            right += DLLTestDev(&block, 0) == 0 && driver::currentObject() == nullptr;
        }
    });
    changed.join();
    unchanged.join();
    tester.join();
    EXPECT_EQ(right, 2 * kRuns + kRuns / 10);
}

TEST_F(HostThreads, ADeviceTestStartedFromAWizardPageDoesNotWaitForTheWizard)
{
    PseudoTerminal line(1);
    ui::headless::HeadlessToolkit toolkit;
    ui::headless::ScopedToolkit installed(toolkit);
    bool testReturned = false;
    toolkit.queue([&](ui::Form&) {
        OstrevanePDB block = blockOn(1);
        testReturned = DLLTestDev(&block, 0) == 0;
    });
    OstrevanePDB block = defaultPDB();
    EXPECT_EQ(DLLEdDev(0, &block), 2u);
    EXPECT_TRUE(testReturned);
    ASSERT_EQ(toolkit.messages.size(), 1u);
    EXPECT_EQ(toolkit.messages[0].shownOver, "TStartFrm");
}
