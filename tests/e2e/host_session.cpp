#include "host_session.h"

#include <algorithm>
#include <cstring>

#include "real_time.h"

namespace e2e {

namespace {

constexpr uint16_t VT_BOOL = 11;

void setCountedText(uint8_t* counted, const std::string& text)
{
    counted[0] = static_cast<uint8_t>(text.size());
    std::memcpy(counted + 1, text.data(), text.size());
}

}  // namespace

HostTagRec hostTag(uint32_t id, const std::string& address, uint8_t valueType, uint32_t reportIntervalMs)
{
    HostTagRec record;
    std::memset(&record, 0, sizeof record);
    record.TagId = id;
    std::string name = "T";
    name += std::to_string(id);
    std::memcpy(record.Name, name.data(), std::min(name.size(), sizeof record.Name));
    std::memcpy(record.Address, address.data(), std::min(address.size(), sizeof record.Address));
    record.ValueType = valueType;
    record.ReportInterval = reportIntervalMs;
    return record;
}

HostTagRec withBoolean(HostTagRec record, bool value)
{
    record.InitialValue.Kind = VT_BOOL;
    const int16_t word = value ? -1 : 0;
    std::memcpy(record.InitialValue.Data.Bytes, &word, sizeof word);
    return record;
}

OstrevanePDB twoInstruments()
{
    OstrevanePDB pdb;
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
    return pdb;
}

HostSession::HostSession(std::vector<HostTagRec> tags, TakeText take) : tags_(std::move(tags)), take_(take)
{
    for (HostTagRec& record : tags_) pointers_.push_back(&record);
    records_.resize(tags_.size() + 1);
}

bool HostSession::start(OstrevanePDB pdb)
{
    char* message = nullptr;
    const bool started =
        IniDriver(static_cast<uint32_t>(pointers_.size()), pointers_.data(), &pdb, &message) != 0;
    initMessage = take_(message);
    return started;
}

void HostSession::read()
{
    uint32_t count = 0;
    char* message = nullptr;
    std::memset(records_.data(), 0, records_.size() * sizeof(TagDataRec));
    OnDataRead(&count, records_.data(), &message);
    ++reads;
    const uint64_t now = steadyMs();
    if (std::string text = take_(message); !text.empty()) messages.push_back(std::move(text));
    for (uint32_t index = 0; index < count && index < records_.size(); ++index) {
        const TagDataRec& record = records_[index];
        Report report;
        report.atMs = now;
        report.quality = record.Quality;
        report.valueType = record.ValueType;
        if (report.valueType == OSTREVANE_VALUE_NUMBER) report.number = record.Value.Number;
        else if (report.valueType == OSTREVANE_VALUE_BOOLEAN) report.boolean = record.Value.Boolean;
        else if (report.valueType == OSTREVANE_VALUE_TEXT) report.text = take_(record.Value.Text);
        reports_[record.TagId].push_back(std::move(report));
    }
}

bool HostSession::readUntil(const std::function<bool()>& done, int deadlineMs, int scanMs)
{
    const uint64_t deadline = steadyMs() + static_cast<uint64_t>(deadlineMs);
    for (;;) {
        read();
        if (done()) return true;
        if (steadyMs() >= deadline) return false;
        pauseMs(scanMs);
    }
}

const std::vector<Report>& HostSession::reports(uint32_t id) const
{
    static const std::vector<Report> none;
    const auto found = reports_.find(id);
    return found == reports_.end() ? none : found->second;
}

const Report* HostSession::last(uint32_t id) const
{
    const std::vector<Report>& all = reports(id);
    return all.empty() ? nullptr : &all.back();
}

bool HostSession::lastNumberIs(uint32_t id, double value) const
{
    const Report* report = last(id);
    return report && report->valueType == OSTREVANE_VALUE_NUMBER && report->number == value;
}

bool HostSession::lastTextIs(uint32_t id, const std::string& value) const
{
    const Report* report = last(id);
    return report && report->valueType == OSTREVANE_VALUE_TEXT && report->text == value;
}

size_t HostSession::messageCount(const std::string& text) const
{
    return static_cast<size_t>(std::count(messages.begin(), messages.end(), text));
}

TagDataRec numberRecord(uint32_t id, double value)
{
    TagDataRec record;
    std::memset(&record, 0, sizeof record);
    record.TagId = id;
    record.ValueType = OSTREVANE_VALUE_NUMBER;
    record.Value.Number = value;
    return record;
}

TagDataRec booleanRecord(uint32_t id, bool value)
{
    TagDataRec record = numberRecord(id, 0);
    record.ValueType = OSTREVANE_VALUE_BOOLEAN;
    std::memset(record.Value.Bytes, 0, sizeof record.Value.Bytes);
    record.Value.Boolean = value ? 1 : 0;
    return record;
}

TagDataRec textRecord(uint32_t id, const char* text)
{
    TagDataRec record = numberRecord(id, 0);
    record.ValueType = OSTREVANE_VALUE_TEXT;
    std::memset(record.Value.Bytes, 0, sizeof record.Value.Bytes);
    record.Value.Text = const_cast<char*>(text);
    return record;
}

}  // namespace e2e
