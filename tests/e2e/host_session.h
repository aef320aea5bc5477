// A host's side of the driver for the end-to-end tests: its tag records, IniDriver,
// OnDataRead on the host's scan grid remembering every report, and OnDataWrite, through
// the public header only. Natively each test starts the simulator with the standard
// instruments (standard-instruments.args) and keeps the driver's log in a temporary
// folder. The Windows program (the DLL under Wine) finds COM1 served with the same
// instruments by scripts/wine-run-tests.sh --e2e, and the log in .\Debug.
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

// One report of a tag as the host received it; a Boolean is a number 0 or 1.
struct Report {
    uint32_t quality = ~0u;  // ~0: never reported
    uint8_t valueType = 0;
    double number = 0;
    std::string text;   // GBK
    uint64_t atMs = 0;  // steadyMs() of the read call
};

HostTagRec hostTag(uint32_t id, const std::string& address, uint8_t valueType, bool startsTrue = false);
// A value record as a host fills it for OnDataWrite; `text` must live for the call.
TagDataRec valueRecord(uint32_t id, uint8_t valueType, double number, const char* text = nullptr);

class Host : public ::testing::Test {
protected:
    Host();
    ~Host() override;  // ends the driver

    // Natively starts the simulator with the standard instruments and `simulator`'s
    // options first, then IniDriver with the tags and `pdb`.
    void start(std::vector<HostTagRec> tags, const std::vector<std::string>& simulator = {});
    void read();
    // Reads every 10 ms until `done` says so or `deadlineMs` of real time pass.
    bool readUntil(const std::function<bool()>& done, int deadlineMs = 8000);
    void readFor(int milliseconds)
    {
        readUntil([] { return false; }, milliseconds);
    }
    bool write(std::vector<TagDataRec> records);

    const std::vector<Report>& reports(uint32_t id) const;
    const Report& last(uint32_t id) const;
    // Whether the tag's last report holds the value: its text for text tags, else the number.
    bool shows(uint32_t id, double number, const std::string& text = "") const;
    bool good(uint32_t id) const { return last(id).quality == OSTREVANE_QUALITY_GOOD; }
    size_t messageCount(const std::string& text) const;
    // What the driver logged since the test began (GBK).
    std::string log() const;
    // The simulator's console (native only).
    SimProcess& sim();

    OstrevanePDB pdb;                   // an 808 at device 1 and an 847 at device 3 on COM1, 9600 baud
    std::vector<std::string> messages;  // non-empty messages of OnDataRead, in order
    size_t reads = 0;

private:
    struct Platform;
    std::unique_ptr<Platform> platform_;
    std::vector<HostTagRec> tags_;
    std::vector<HostTagRec*> pointers_;
    std::vector<TagDataRec> records_;
    std::map<uint32_t, std::vector<Report>> reports_;
};

}  // namespace e2e
