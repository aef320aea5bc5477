#include "host_session.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <tuple>

#include "real_time.h"

#ifdef _WIN32
#include <windows.h>
#include <objbase.h>

namespace e2e {

static std::string take(char* text)
{
    const std::string copy = text ? text : "";
    CoTaskMemFree(text);
    return copy;
}

uint64_t steadyMs() { return GetTickCount64(); }
void pauseMs(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

struct Host::Platform {};

// Below the current folder when the host names no project; scripts/wine-run-tests.sh starts it afresh.
std::string Host::log() const
{
    std::ifstream file("Debug\\Ostrevane800.Log", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
#else
#include "driver/DLLMain.h"
#include "sim_process.h"
#include "support/test_support.h"

namespace e2e {

static std::string take(char* text) { return testing_support::takeHostText(text); }

struct Host::Platform {
    testing_support::LogRedirect log;
    std::unique_ptr<SimProcess> simulator;
};

std::string Host::log() const { return platform_->log.content(); }
SimProcess& Host::sim() { return *platform_->simulator; }
#endif

HostTagRec hostTag(uint32_t id, const std::string& address, uint8_t valueType)
{
    HostTagRec record{};
    record.TagId = id;
    std::snprintf(record.Name, sizeof record.Name, "T%u", static_cast<unsigned>(id));
    std::memcpy(record.Address, address.data(), std::min(address.size(), sizeof record.Address));
    record.ValueType = valueType;
    return record;
}

Host::Host() : pdb{}, platform_(std::make_unique<Platform>())
{
    FullPDB(&pdb);
    pdb.CreateMode = 1;  // several instruments on one RS485 line
    pdb.FirstDevice = 1;
    for (const auto& [device, type, name] : {std::tuple{0, OSTREVANE_NO_DEVICE, ""},
                                             {1, OSTREVANE_DEVICE_808, "Ostrevane808"},
                                             {3, OSTREVANE_DEVICE_847, "Ostrevane847"}}) {
        pdb.Devices[device].DeviceType = static_cast<uint8_t>(type);
        pdb.Devices[device].TypeName[0] = static_cast<uint8_t>(std::strlen(name));
        std::memcpy(pdb.Devices[device].TypeName + 1, name, std::strlen(name));
    }
}

Host::~Host()
{
    FreeDriver();
#ifndef _WIN32
    driver::detach();
#endif
}

void Host::start(std::vector<HostTagRec> tags, [[maybe_unused]] const std::vector<std::string>& simulator)
{
#ifndef _WIN32
    std::vector<std::string> arguments = simulator;
    std::ifstream instruments(OSTREVANE_E2E_INSTRUMENTS);
    for (std::string line; std::getline(instruments, line);)
        if (!line.empty() && line.front() != '#') arguments.push_back(line);
    platform_->simulator = std::make_unique<SimProcess>(arguments);
    ASSERT_TRUE(platform_->simulator->ok()) << platform_->simulator->problem();
    lineReady(platform_->simulator->path());
    if (HasFatalFailure()) return;
#endif
    tags_ = std::move(tags);
    for (HostTagRec& record : tags_) pointers_.push_back(&record);
    char* message = nullptr;
    const bool started = IniDriver(static_cast<uint32_t>(pointers_.size()), pointers_.data(), &pdb, &message) != 0;
    const std::string text = take(message);
    ASSERT_TRUE(started) << text;
}

bool Host::readUntil(const std::function<bool()>& done, int deadlineMs)
{
    const uint64_t deadline = steadyMs() + static_cast<uint64_t>(deadlineMs);
    std::vector<TagDataRec> records(tags_.size() + 1);
    while (!HasFatalFailure()) {  // the simulator or the driver did not start
        uint32_t count = 0;
        char* message = nullptr;
        const uint64_t called = steadyMs();
        OnDataRead(&count, records.data(), &message);
        longestReadMs = std::max(longestReadMs, steadyMs() - called);
        take(message);
        for (uint32_t index = 0; index < count && index < records.size(); ++index) {
            const TagDataRec& record = records[index];
            Report report{record.Quality, 0, {}, steadyMs()};
            if (record.ValueType == OSTREVANE_VALUE_NUMBER) report.number = record.Value.Number;
            if (record.ValueType == OSTREVANE_VALUE_BOOLEAN) report.number = record.Value.Boolean;
            if (record.ValueType == OSTREVANE_VALUE_TEXT) report.text = take(record.Value.Text);
            reports[record.TagId].push_back(report);
        }
        if (done()) return true;
        if (steadyMs() >= deadline) return false;
        pauseMs(10);
    }
    return false;
}

bool Host::write(uint32_t id, double number)
{
    TagDataRec record{};
    record.TagId = id;
    for (const HostTagRec& tag : tags_)
        if (tag.TagId == id) record.ValueType = tag.ValueType;
    char text[32];
    std::snprintf(text, sizeof text, "%g", number);
    if (record.ValueType == OSTREVANE_VALUE_NUMBER) record.Value.Number = number;
    if (record.ValueType == OSTREVANE_VALUE_BOOLEAN) record.Value.Boolean = number != 0 ? 1 : 0;
    if (record.ValueType == OSTREVANE_VALUE_TEXT) record.Value.Text = text;
    char* message = nullptr;
    const bool written = OnDataWrite(1, &record, &message) != 0;
    EXPECT_EQ(take(message), "");
    return written;
}

const Report& Host::last(uint32_t id)
{
    static const Report never;
    return reports[id].empty() ? never : reports[id].back();
}

bool Host::shows(uint32_t id, double number, const std::string& text)
{
    return last(id).quality != ~0u && last(id).number == number && last(id).text == text;
}

}  // namespace e2e
