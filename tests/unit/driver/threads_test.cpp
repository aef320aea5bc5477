// Several host threads in the driver at once: each communication thread with its own
// line and driver object, two threads after one port, wizards and device tests on
// several threads. Built with ThreadSanitizer this is where a race between threads
// shows; in every build the threads must get their own results.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <latch>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Ostrevane800.h"
#include "driver/DLLMain.h"
#include "framework/PDB.h"
#include "sim/simulator.h"
#include "support/test_support.h"
#include "ui/headless/HeadlessToolkit.h"

using testing_support::defaultPDB;
using testing_support::LogRedirect;
using testing_support::PseudoTerminal;
using testing_support::takeHostText;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLines = 8;
constexpr int kRounds = 3;
constexpr auto kRoundLimit = std::chrono::seconds(3);
constexpr double kMeasured = 25.0;
constexpr const char* kNotSupported = "暂时不支持测试功能！";

HostTagRec hostTag(uint32_t id, const std::string& address)
{
    HostTagRec record{};
    record.TagId = id;
    const std::string name = "T" + std::to_string(id);
    name.copy(record.Name, sizeof record.Name - 1);
    address.copy(record.Address, sizeof record.Address - 1);
    record.ValueType = OSTREVANE_VALUE_NUMBER;
    record.ReportInterval = 50;
    return record;
}

// A configuration with the one default instrument (808, number 0) on COM`com`.
OstrevanePDB blockOn(int com)
{
    OstrevanePDB block = defaultPDB();
    block.PortCode = static_cast<uint8_t>(com - 1);
    return block;
}

// The instrument's end of a pseudo-terminal, served by the thread that polls it.
class Responder {
public:
    explicit Responder(PseudoTerminal& line) : line_(line), started_(Clock::now())
    {
        simulator.addInstrument(0, sim::InstrumentType::Model808);
        simulator.instrument(0)->set("PV", sim::ValueSource::constant(kMeasured));
    }

    // Answers the frames the driver has sent so far.
    void serve()
    {
        char buffer[256];
        const ssize_t n = read(line_.master(), buffer, sizeof buffer);
        if (n <= 0) return;
        const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_).count();
        for (const sim::Exchange& exchange : simulator.feed(std::string_view(buffer, static_cast<size_t>(n)), now))
            for (const sim::Chunk& chunk : exchange.answer) line_.sendToDriver(chunk.bytes);
    }

    sim::Simulator simulator;

private:
    PseudoTerminal& line_;
    Clock::time_point started_;
};

// What one communication thread saw, checked by the test's own thread.
struct LineResult {
    int started = 0;       // IniDriver calls that returned true with the port's message
    int valuesRead = 0;    // rounds in which the measured value reached the host
    int writesTaken = 0;   // rounds in which the instrument acknowledged the host's write
    int freed = 0;
};

// One host communication thread: start, poll, write, stop, a few times over.
void communicate(int com, PseudoTerminal& line, LineResult& result)
{
    Responder responder(line);
    for (int round = 0; round < kRounds; ++round) {
        OstrevanePDB block = blockOn(com);
        HostTagRec tags[] = {hostTag(1, "PV0:0.0"), hostTag(2, "SL0:0.0")};
        HostTagRec* list[] = {&tags[0], &tags[1]};
        char* msg = nullptr;
        const bool started = IniDriver(2, list, &block, &msg) != 0;
        const std::string message = takeHostText(msg);
        if (started && message == "Com" + std::to_string(com) + "打开成功") ++result.started;

        const uint64_t acksBefore = responder.simulator.counters().acks;
        bool valueRead = false, written = false, writeTaken = false;
        const auto limit = Clock::now() + kRoundLimit;
        while (started && !(valueRead && writeTaken) && Clock::now() < limit) {
            responder.serve();
            uint32_t count = 0;
            TagDataRec records[2]{};
            OnDataRead(&count, records, &msg);
            takeHostText(msg);
            for (uint32_t i = 0; i < count && i < 2; ++i)
                if (records[i].TagId == 1 && records[i].Value.Number == kMeasured) valueRead = true;
            if (valueRead && !written) {
                TagDataRec write{};
                write.TagId = 2;
                write.ValueType = OSTREVANE_VALUE_NUMBER;
                write.Value.Number = 10 + round;
                written = OnDataWrite(1, &write, &msg) != 0;
                takeHostText(msg);
            }
            writeTaken = responder.simulator.counters().acks > acksBefore;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));  // the host's scan interval
        }
        result.valuesRead += valueRead ? 1 : 0;
        result.writesTaken += writeTaken ? 1 : 0;
        result.freed += FreeDriver() ? 1 : 0;
    }
    // The thread ends here: that destroys its driver object.
}

class HostThreads : public ::testing::Test {
protected:
    void SetUp() override { driver::libraryInitialise(); }
    void TearDown() override { driver::detach(); }
    LogRedirect log;
};

}  // namespace

TEST_F(HostThreads, EightCommunicationThreadsEachPollTheirOwnLine)
{
    // The port paths are in the environment before any thread starts.
    std::vector<std::unique_ptr<PseudoTerminal>> lines;
    for (int com = 1; com <= kLines; ++com) {
        lines.push_back(std::make_unique<PseudoTerminal>(com));
        ASSERT_TRUE(lines.back()->ok());
    }
    std::vector<LineResult> results(kLines);
    std::vector<std::thread> threads;
    for (int i = 0; i < kLines; ++i)
        threads.emplace_back(communicate, i + 1, std::ref(*lines[i]), std::ref(results[i]));
    for (std::thread& thread : threads) thread.join();

    for (int i = 0; i < kLines; ++i) {
        SCOPED_TRACE("Com" + std::to_string(i + 1));
        EXPECT_EQ(results[i].started, kRounds);
        EXPECT_EQ(results[i].valuesRead, kRounds);
        EXPECT_EQ(results[i].writesTaken, kRounds);
        EXPECT_EQ(results[i].freed, kRounds);
    }
}

TEST_F(HostThreads, TwoThreadsAfterOnePortOneGetsItTheOtherIsTurnedAway)
{
    PseudoTerminal line(1);
    ASSERT_TRUE(line.ok());
    std::latch ready(2), bothStarted(2);
    bool started[2] = {false, false};
    std::string messages[2];
    bool freed[2] = {false, false};
    auto host = [&](int i) {
        OstrevanePDB block = blockOn(1);
        HostTagRec tag = hostTag(1, "PV0:0.0");
        HostTagRec* list[] = {&tag};
        char* msg = nullptr;
        ready.arrive_and_wait();
        started[i] = IniDriver(1, list, &block, &msg) != 0;
        messages[i] = takeHostText(msg);
        bothStarted.arrive_and_wait();  // the winner holds the port until then
        freed[i] = FreeDriver() != 0;
    };
    std::thread first(host, 0), second(host, 1);
    first.join();
    second.join();

    const int winner = started[0] ? 0 : 1;
    EXPECT_NE(started[0], started[1]);
    EXPECT_EQ(messages[winner], "Com1打开成功");
    EXPECT_EQ(messages[1 - winner], "Com1不存在或被其它程序占用！");
    EXPECT_TRUE(freed[0] && freed[1]);

    // Both threads are gone and left the port free.
    OstrevanePDB block = blockOn(1);
    HostTagRec tag = hostTag(1, "PV0:0.0");
    HostTagRec* list[] = {&tag};
    char* msg = nullptr;
    EXPECT_EQ(IniDriver(1, list, &block, &msg), 1);
    EXPECT_EQ(takeHostText(msg), "Com1打开成功");
    EXPECT_EQ(FreeDriver(), 1);
}

TEST_F(HostThreads, WizardsAndDeviceTestsOnSeveralThreadsTakeTurns)
{
    // Each wizard's result depends on its own block only: one needs an entry cleared
    // (1), the other does not (2). Sharing the wizard's state would mix them up.
    constexpr int kRuns = 100;
    PseudoTerminal testLine(9);
    ASSERT_TRUE(testLine.ok());
    std::atomic<int> changedRight{0}, unchangedRight{0}, testsEnded{0};
    std::thread changed([&] {
        for (int i = 0; i < kRuns; ++i) {
            OstrevanePDB block = defaultPDB();
            block.Devices[6].DeviceType = OSTREVANE_DEVICE_808;
            pdb::setTypeName(block.Devices[6], "Ostrevane847");
            if (DLLEdDev(0, &block) == 1u) ++changedRight;
        }
    });
    std::thread unchanged([&] {
        for (int i = 0; i < kRuns; ++i) {
            OstrevanePDB block = defaultPDB();
            if (DLLEdDev(0, &block) == 2u) ++unchangedRight;
        }
    });
    std::thread tester([&] {
        for (int i = 0; i < kRuns / 10; ++i) {
            OstrevanePDB block = blockOn(9);
            if (DLLTestDev(&block, 0) == 0 && driver::currentObject() == nullptr) ++testsEnded;
        }
    });
    changed.join();
    unchanged.join();
    tester.join();
    EXPECT_EQ(changedRight, kRuns);
    EXPECT_EQ(unchangedRight, kRuns);
    EXPECT_EQ(testsEnded, kRuns / 10);
}

TEST_F(HostThreads, ADeviceTestStartedFromAWizardPageDoesNotWaitForTheWizard)
{
    PseudoTerminal line(1);
    ASSERT_TRUE(line.ok());
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
    EXPECT_EQ(toolkit.messages[0].text, kNotSupported);
    EXPECT_EQ(toolkit.messages[0].shownOver, "TStartFrm");
}
