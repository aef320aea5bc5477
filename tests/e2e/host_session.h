// The host's side of the driver through the public header only. Natively each test starts
// the simulator with standard-instruments.args; under Wine scripts/wine-run-tests.sh --e2e
// serves COM1 with them, and the DLL logs to .\Debug.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Ostrevane800.h"

namespace e2e {

class SimProcess;

struct Report {              // as the host received it; a Boolean is a number 0 or 1
    uint32_t quality = ~0u;  // ~0: never reported
    double number = 0;
    std::string text;   // GBK
    uint64_t atMs = 0;  // steadyMs() of the read call
};

HostTagRec hostTag(uint32_t id, const std::string& address, uint8_t valueType);

class Host : public ::testing::Test {
protected:
    Host();
    ~Host() override;  // ends the driver

    // Natively the simulator first, with `simulator`'s options added.
    void start(std::vector<HostTagRec> tags, const std::vector<std::string>& simulator = {});
    // Reads every 10 ms until `done` says so or `deadlineMs` of real time pass.
    bool readUntil(const std::function<bool()>& done, int deadlineMs = 8000);
    // OnDataWrite of one record of the tag's kind: the number, number != 0, or its text.
    bool write(uint32_t id, double number);
    const Report& last(uint32_t id);
    // Whether the last report holds the value (a number tag's text is "", a text tag's number 0).
    bool shows(uint32_t id, double number, const std::string& text = "");
    bool good(uint32_t id) { return last(id).quality == OSTREVANE_QUALITY_GOOD; }
    std::string log() const;  // GBK: since the test began; under Wine since the run began
    SimProcess& sim();        // native only

    // Natively, once the simulator's line exists and before the driver starts.
    virtual void lineReady(const std::string& /*device*/) {}

    OstrevanePDB pdb;  // an 808 at device 1 and an 847 at device 3 on COM1
    std::map<uint32_t, std::vector<Report>> reports;
    uint64_t longestReadMs = 0;  // the longest OnDataRead call of readUntil

private:
    struct Platform;
    std::unique_ptr<Platform> platform_;
    std::vector<HostTagRec> tags_;
    std::vector<HostTagRec*> pointers_;
};

}  // namespace e2e
