// The console that tests use to steer a running simulator.
#include <gtest/gtest.h>

#include <string>

#include "sim/console.h"

namespace {

class SimConsole : public ::testing::Test {
protected:
    void SetUp() override
    {
        simulator.addInstrument(1, sim::InstrumentType::Model808);
        simulator.addInstrument(3, sim::InstrumentType::Model847);
    }
    std::string run(const std::string& line, uint64_t nowMs = 0)
    {
        return sim::runCommand(line, simulator, session, nowMs).value_or("(nothing)");
    }

    sim::Simulator simulator;
    sim::Session session;
};

TEST_F(SimConsole, CommandsAnswerOneLineEach)
{
    const struct {
        const char* command;
        const char* answer;
    } cases[] = {
        {"get 1 SP", "ok   0.0"},
        {"set 1 SP 30.5", "ok"},
        {"get 1 SP", "ok  30.5"},
        {"  set\t3 PV -2 ", "ok"},
        {"get 3 PV", "ok  -2.0"},
        {"set 3 PV 20..30/10s", "ok"},
        {"raw 1 SW >0021", "ok"},
        {"get 1 SW", "ok >0021"},
        {"raw 1 SW  12-34", "ok"},
        {"get 1 SW", "ok  12-34"},
        {"fault badcheck 1", "ok"},
        {"fault 3 split 2 5ms times 4", "ok"},
        {"fault 3 wrongparam on times 2", "ok"},
        {"fault badstart 1", "ok"},
        {"faults", "ok all: badcheck, badstart; 3: split 2/5ms x4, wrongparam x2"},
        {"fault clear", "ok"},
        {"faults", "ok none"},
        {"list", "ok 1:808 3:847"},
        {"stats", "ok polls=0 selects=0 acks=0 naks=0 other-address=0 silenced=0 noise-bytes=0"},
        {"", "(nothing)"},
        {"   ", "(nothing)"},
        {"# a comment", "(nothing)"},
    };
    for (const auto& c : cases) EXPECT_EQ(run(c.command), c.answer) << c.command;
}

TEST_F(SimConsole, MistakesAreErrorsThatChangeNothing)
{
    for (const char* command : {"get 2 PV", "get 1 XX", "get 1", "get x PV", "set 1 SP", "set 1 SP abc",
                                "set 1 SP 1 2", "set 1 XX 5", "raw 1 SW \x01", "fault bogus", "pace 9600",
                                "trace maybe", "quit now", "launch", "stats please", "unplug", "unplug soon",
                                "unplug 11min", "unplug 1s 2s"}) {
        const std::string answer = run(command);
        EXPECT_EQ(answer.rfind("error: ", 0), 0u) << command << " -> " << answer;
    }
    EXPECT_EQ(run("get 1 SP"), "ok   0.0");
    EXPECT_FALSE(session.quit);
}

TEST_F(SimConsole, MovingValuesAreReadAtTheTimeGiven)
{
    run("set 1 PV 20..30/10s");
    EXPECT_EQ(run("get 1 PV", 5000), "ok  25.0");
}

TEST_F(SimConsole, UnplugIsForAPseudoTerminalAndOneAtATime)
{
    EXPECT_EQ(run("unplug 3s"), "error: unplug needs a pseudo-terminal (--pty)");
    session.pty = true;
    EXPECT_EQ(run("unplug 3s"), "ok");
    EXPECT_EQ(session.unplugForMs, 3000u);
    EXPECT_EQ(run("unplug 1s"), "error: the line is unplugged already");
    session.unplugForMs.reset();
    session.unplugged = true;  // the line's owner has carried it out
    EXPECT_EQ(run("unplug 1s"), "error: the line is unplugged already");
    session.unplugged = false;
    EXPECT_EQ(run("unplug 0"), "ok");
    EXPECT_EQ(session.unplugForMs, 0u);
}

TEST_F(SimConsole, SessionSettingsChange)
{
    EXPECT_EQ(run("pace 9600:10"), "ok");
    EXPECT_EQ(session.pace.baud, 9600u);
    EXPECT_EQ(run("pace off"), "ok");
    EXPECT_FALSE(session.pace.on());
    EXPECT_EQ(run("trace on"), "ok");
    EXPECT_TRUE(session.trace);
    EXPECT_EQ(run("quit"), "ok");
    EXPECT_TRUE(session.quit);
}

}  // namespace
