// The ostrevane-sim program itself: it ends cleanly on SIGTERM and refuses a bad command
// line. (Its answers to the real driver: the host program's test; an unplugged line found
// again by the driver: the end-to-end hostile-line test.)
#include <gtest/gtest.h>

#include <signal.h>

#include <string>

#include "sim_process.h"
#include "support/test_support.h"

namespace {

constexpr int kDeadlineMs = 5000;

TEST(SimProgram, EndsCleanlyOnSigtermAndRefusesABadCommandLine)
{
    testing_support::TempFolder folder;
    e2e::ChildProcess sim(OSTREVANE_SIM_PROGRAM, {"--pty", "--instrument", "7:847"}, folder.path());
    ASSERT_TRUE(sim.waitForOutput("/dev/", kDeadlineMs)) << sim.output();
    sim.signal(SIGTERM);
    EXPECT_EQ(sim.wait(kDeadlineMs), 0);
    e2e::ChildProcess refused(OSTREVANE_SIM_PROGRAM, {"--pty", "--instrument", "1:999"}, folder.path());
    EXPECT_EQ(refused.wait(kDeadlineMs), 2);
    EXPECT_NE(refused.output().find("--instrument takes DEV:TYPE"), std::string::npos) << refused.output();
}

}  // namespace
