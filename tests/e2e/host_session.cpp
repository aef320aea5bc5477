#include "host_session.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "real_time.h"

#ifdef _WIN32
#include <objbase.h>
#else
#include "driver/DLLMain.h"
#include "sim_process.h"
#include "support/test_support.h"
#endif

namespace e2e {

namespace {

void setCountedText(uint8_t* counted, const std::string& text)
{
    counted[0] = static_cast<uint8_t>(text.size());
    std::memcpy(counted + 1, text.data(), text.size());
}

#ifdef _WIN32
std::string wholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The driver logs below the current folder when the host names no project.
constexpr const char* kLogPath = "Debug\\Ostrevane800.Log";

std::string take(char* text)
{
    const std::string copy = text ? text : "";
    CoTaskMemFree(text);
    return copy;
}
#else
std::string take(char* text) { return testing_support::takeHostText(text); }
#endif

}  // namespace

#ifdef _WIN32
struct Host::Platform {
    size_t logStart = wholeFile(kLogPath).size();
};

std::string Host::log() const
{
    const std::string log = wholeFile(kLogPath);
    // A log moved aside meanwhile (a new day, or grown too long) starts afresh.
    return log.size() >= platform_->logStart ? log.substr(platform_->logStart) : log;
}
#else
struct Host::Platform {
    testing_support::LogRedirect log;
    std::unique_ptr<SimProcess> simulator;
};

std::string Host::log() const { return platform_->log.content(); }
SimProcess& Host::sim() { return *platform_->simulator; }
#endif

HostTagRec hostTag(uint32_t id, const std::string& address, uint8_t valueType, bool startsTrue)
{
    HostTagRec record;
    std::memset(&record, 0, sizeof record);
    record.TagId = id;
    const std::string name = "T" + std::to_string(id);
    std::memcpy(record.Name, name.data(), std::min(name.size(), sizeof record.Name));
    std::memcpy(record.Address, address.data(), std::min(address.size(), sizeof record.Address));
    record.ValueType = valueType;
    if (startsTrue) {
        record.InitialValue.Kind = 11;  // VT_BOOL, true as -1
        std::memset(record.InitialValue.Data.Bytes, 0xFF, 2);
    }
    return record;
}

TagDataRec valueRecord(uint32_t id, uint8_t valueType, double number, const char* text)
{
    TagDataRec record;
    std::memset(&record, 0, sizeof record);
    record.TagId = id;
    record.ValueType = valueType;
    if (valueType == OSTREVANE_VALUE_NUMBER) record.Value.Number = number;
    if (valueType == OSTREVANE_VALUE_BOOLEAN) record.Value.Boolean = number != 0 ? 1 : 0;
    if (valueType == OSTREVANE_VALUE_TEXT) record.Value.Text = const_cast<char*>(text);
    return record;
}

Host::Host() : platform_(std::make_unique<Platform>())
{
    std::memset(&pdb, 0, sizeof pdb);
    FullPDB(&pdb);
    pdb.CreateMode = 1;  // several instruments on one RS485 line
    pdb.Devices[0].DeviceType = OSTREVANE_NO_DEVICE;
    setCountedText(pdb.Devices[0].TypeName, "");
    pdb.Devices[1].DeviceType = OSTREVANE_DEVICE_808;
    setCountedText(pdb.Devices[1].TypeName, "Ostrevane808");
    pdb.Devices[3].DeviceType = OSTREVANE_DEVICE_847;
    setCountedText(pdb.Devices[3].TypeName, "Ostrevane847");
    pdb.FirstDevice = 1;
}

Host::~Host()
{
    FreeDriver();
#ifndef _WIN32
    driver::detach();
#endif
}

void Host::start(std::vector<HostTagRec> tags, const std::vector<std::string>& simulator)
{
#ifndef _WIN32
    std::vector<std::string> arguments = simulator;
    std::ifstream instruments(OSTREVANE_E2E_INSTRUMENTS);
    for (std::string line; std::getline(instruments, line);)
        if (!line.empty() && line.front() != '#') arguments.push_back(line);
    platform_->simulator = std::make_unique<SimProcess>(arguments);
    ASSERT_TRUE(platform_->simulator->ok()) << platform_->simulator->problem();
#endif
    tags_ = std::move(tags);
    for (HostTagRec& record : tags_) pointers_.push_back(&record);
    records_.resize(tags_.size() + 1);
    char* message = nullptr;
    const bool started = IniDriver(static_cast<uint32_t>(pointers_.size()), pointers_.data(), &pdb, &message) != 0;
    const std::string text = take(message);
    ASSERT_TRUE(started) << text;
}

void Host::read()
{
    uint32_t count = 0;
    char* message = nullptr;
    std::memset(records_.data(), 0, records_.size() * sizeof(TagDataRec));
    OnDataRead(&count, records_.data(), &message);
    ++reads;
    if (std::string text = take(message); !text.empty()) messages.push_back(std::move(text));
    for (uint32_t index = 0; index < count && index < records_.size(); ++index) {
        const TagDataRec& record = records_[index];
        Report report{record.Quality, record.ValueType, record.Value.Number, {}, steadyMs()};
        if (report.valueType == OSTREVANE_VALUE_BOOLEAN) report.number = record.Value.Boolean;
        if (report.valueType == OSTREVANE_VALUE_TEXT) report.text = take(record.Value.Text);
        reports_[record.TagId].push_back(std::move(report));
    }
}

bool Host::readUntil(const std::function<bool()>& done, int deadlineMs)
{
    const uint64_t deadline = steadyMs() + static_cast<uint64_t>(deadlineMs);
    if (HasFatalFailure()) return false;  // the simulator or the driver did not start
    for (read(); !done(); read()) {
        if (steadyMs() >= deadline) return false;
        pauseMs(10);
    }
    return true;
}

bool Host::write(std::vector<TagDataRec> records)
{
    char* message = nullptr;
    const bool written = OnDataWrite(static_cast<uint32_t>(records.size()), records.data(), &message) != 0;
    EXPECT_EQ(take(message), "");
    return written;
}

const std::vector<Report>& Host::reports(uint32_t id) const
{
    static const std::vector<Report> none;
    const auto found = reports_.find(id);
    return found == reports_.end() ? none : found->second;
}

const Report& Host::last(uint32_t id) const
{
    static const Report never;
    const std::vector<Report>& all = reports(id);
    return all.empty() ? never : all.back();
}

bool Host::shows(uint32_t id, double number, const std::string& text) const
{
    const Report& report = last(id);
    if (report.quality == ~0u) return false;
    return report.valueType == OSTREVANE_VALUE_TEXT ? report.text == text : report.number == number;
}

size_t Host::messageCount(const std::string& text) const
{
    return static_cast<size_t>(std::count(messages.begin(), messages.end(), text));
}

}  // namespace e2e
