#include "host/session.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>

#include "host/configuration.h"
#include "host/display.h"
#include "host/host_records.h"
#include "host/log_view.h"
#include "host/text_codec.h"
#include "host/text_helpers.h"
#include "host/values.h"

namespace host {

namespace {

constexpr uint32_t kStatusPeriod = 1000;  // ms between GetDeviceStatus calls
constexpr uint32_t kRedrawPeriod = 200;   // ms between table redraws
constexpr size_t kMessageLines = 8;
constexpr size_t kTrafficLines = 12;

// What a tag's link column follows.
struct LinkSource {
    enum class Kind { Line, Device } kind = Kind::Line;
    int device = -1;
};

struct HostTag {
    TagEntry listEntry;
    bool hidden = false;                // added by the host to learn the link states
    std::optional<LinkSource> reports;  // a link state tag (number type) and what it reports on
    LinkSource follows;                 // the link this tag's values travel over
    TagRow row;
    std::optional<Value> value;
};

struct PendingWrite {
    size_t tag;
    Value value;
};

class Session {
public:
    Session(SessionSetup setup, SessionSurroundings& around)
        : setup_(std::move(setup)), around_(around), driver_(*setup_.driver), log_(setup_.logPath)
    {}

    int run()
    {
        start_ = around_.milliseconds();
        prepareTags();
        for (const WriteRequest& request : setup_.writes) {
            std::string problem;
            const auto write = resolveWrite(request.tag, request.value, problem);
            if (!write) {
                around_.complain("--write " + request.tag + "=" + request.value + ": " + problem);
                return 2;
            }
        }
        if (setup_.table) around_.write("\x1b[?1049h");
        const bool started = startDriver();
        if (started) loop();
        return finish(started);
    }

private:
    // --- the tags handed to the driver ---

    void prepareTags()
    {
        // An address without a colon names the first configured device.
        for (int device = 0; device < OSTREVANE_DEVICE_COUNT && defaultDevice_ < 0; ++device)
            if (setup_.pdb.Devices[device].DeviceType != OSTREVANE_NO_DEVICE) defaultDevice_ = device;
        uint32_t nextId = 0;
        for (const TagEntry& listEntry : setup_.tags) nextId = std::max(nextId, listEntry.id + 1);
        for (const TagEntry& listEntry : setup_.tags) addTag(listEntry, false);
        // The host's own link tags, unless the list reports the same state as a number.
        auto reported = [&](const std::string& address) {
            return std::any_of(tags_.begin(), tags_.end(), [&](const HostTag& tag) {
                return upperAscii(tag.listEntry.address) == address && tag.listEntry.type == ValueType::Number;
            });
        };
        std::vector<std::string> links = {"COMMLINK"};
        for (int device = 0; device < OSTREVANE_DEVICE_COUNT; ++device)
            if (setup_.pdb.Devices[device].DeviceType != OSTREVANE_NO_DEVICE)
                links.push_back("DEVICELINK" + std::to_string(device));
        for (const std::string& address : links) {
            if (reported(address)) continue;
            TagEntry listEntry;
            listEntry.id = nextId++;
            listEntry.name = "host." + address;
            listEntry.address = address;
            listEntry.nameGbk = listEntry.name;
            listEntry.addressGbk = address;
            addTag(listEntry, true);
        }
    }

    // The device an instrument address names, as the driver's own tag editor check
    // (TagEdAddr) reads it: its canonical form "PV3:0.0" carries the device before the
    // colon. That check fills in device 0 for an address without one, but a run takes
    // the lowest configured device there, so such an address follows that device. An
    // address the driver refuses follows the line; the driver's log says why.
    LinkSource linkOf(const TagEntry& listEntry)
    {
        if (isSystemTagAddress(listEntry.address)) return {};
        const AddressCheck check = checkAddress(driver_, setup_.pdb, listEntry.address, setup_.takeText);
        if (!check.valid) return {};
        const bool namesDevice =
            listEntry.address.find(':') != std::string::npos || listEntry.address.find("：") != std::string::npos;
        if (!namesDevice) return {LinkSource::Kind::Device, defaultDevice_};
        const size_t colon = check.canonical.find(':');
        size_t digits = colon;
        while (digits > 0 && digits != std::string::npos &&
               std::isdigit(static_cast<unsigned char>(check.canonical[digits - 1])))
            --digits;
        if (colon == std::string::npos || digits == colon) return {};
        return {LinkSource::Kind::Device, std::stoi(check.canonical.substr(digits, colon - digits))};
    }

    void addTag(const TagEntry& listEntry, bool hidden)
    {
        HostTag tag;
        tag.listEntry = listEntry;
        tag.hidden = hidden;
        const std::string address = upperAscii(listEntry.address);
        if (listEntry.type == ValueType::Number && address == "COMMLINK") tag.reports = LinkSource{};
        if (listEntry.type == ValueType::Number && address.rfind("DEVICELINK", 0) == 0) {
            const std::string digits = address.substr(10);
            if (!digits.empty() && digits.size() <= 3 && digits.find_first_not_of("0123456789") == std::string::npos)
                tag.reports = LinkSource{LinkSource::Kind::Device, std::stoi(digits)};
        }
        tag.follows = linkOf(listEntry);
        tag.row.id = listEntry.id;
        tag.row.name = listEntry.name;
        tag.row.address = listEntry.address;
        positions_[listEntry.id] = tags_.size();
        tags_.push_back(std::move(tag));
    }

    // --- starting and stopping the driver ---

    bool startDriver()
    {
        hostTable_ = std::make_unique<HostTagTable>(listEntries());
        records_.resize(std::max<uint32_t>(hostTable_->count(), 1));
        log_.skipExisting();
        char* message = nullptr;
        const bool ok = driver_.IniDriver(hostTable_->count(), hostTable_->pointers(), &setup_.pdb, &message) != 0;
        const std::string text = takeText(message);
        // The driver tells in its log which tags it refused and why.
        for (const std::string& line : log_.newLines()) {
            const LogEntry entry = classifyLogLine(line);
            if (entry.kind != LogEntry::Kind::Other || entry.text.find("错误") == std::string::npos) continue;
            report("refused", {"text=" + entry.text});
            // "标签NAME错误：..." names the tag the driver dropped.
            for (HostTag& tag : tags_)
                if (entry.text.rfind("标签" + tag.listEntry.name + "错误", 0) == 0) tag.row.quality = "refused";
        }
        driver_.IniDriverEx(around_.event());
        scanTime_ = driver_.DetectScanTime();
        if (scanTime_ == 0) scanTime_ = 10;
        report("start", {"driver=" + setup_.driverPath, "log=" + setup_.logPath,
                         "tags=" + std::to_string(hostTable_->count()), "scan=" + std::to_string(scanTime_),
                         "result=" + std::string(ok ? "true" : "false"), "message=" + text});
        if (!ok) report("error", {"text=IniDriver failed" + (text.empty() ? std::string() : ": " + text)});
        return ok;
    }

    int finish(bool started)
    {
        report("stop", {"reason=" + stopReason_, "reads=" + std::to_string(reads_),
                        "reports=" + std::to_string(reports_), "writes=" + std::to_string(writesSent_)});
        driver_.FreeDriver();
        if (setup_.table) {
            around_.write("\x1b[?1049l");
            setup_.table = false;
            for (const HostTag& tag : tags_) {
                if (tag.hidden) continue;
                report("final", {"id=" + std::to_string(tag.listEntry.id), "name=" + tag.listEntry.name,
                                 "address=" + tag.listEntry.address,
                                 "quality=" + (tag.row.quality.empty() ? "-" : tag.row.quality),
                                 "value=" + (tag.row.value.empty() ? "-" : tag.row.value)});
            }
        }
        bool exitWritten = false;
        for (const std::string& line : log_.newLines()) {
            const LogEntry entry = classifyLogLine(line);
            if (entry.kind != LogEntry::Kind::Other || entry.text.empty()) continue;
            report("statistics", {"text=" + entry.text});
            exitWritten = exitWritten || isExitLine(entry);
        }
        std::error_code failure;
        const std::filesystem::path absolute = std::filesystem::absolute(setup_.logPath, failure);
        report("log", {"exit=" + std::string(exitWritten ? "written" : "missing"),
                       "path=" + (failure ? setup_.logPath : absolute.lexically_normal().string())});
        return started ? 0 : 1;
    }

    // --- the poll loop ---

    void loop()
    {
        uint64_t lastStatus = 0;
        uint64_t lastDraw = 0;
        bool inputEnded = false;
        while (stopReason_.empty()) {
            const double now = seconds();
            if (around_.interrupted()) stopReason_ = "interrupt";
            if (setup_.durationSeconds && now >= *setup_.durationSeconds) stopReason_ = "duration";
            if (!stopReason_.empty()) break;

            sendDueWrites(now);
            read();
            const uint64_t tick = around_.milliseconds();
            if (tick - lastStatus >= kStatusPeriod) {
                lastStatus = tick;
                deviceStatus();
            }
            if (around_.eventSignalled())
                report("event", {"text=the driver signalled the host event: communication keeps failing"});
            followLog();
            bool typedSomething = false;
            if (!inputEnded) {
                const std::string bytes = around_.typed(inputEnded);
                typedSomething = !bytes.empty();
                for (const std::string& line : editor_.feed(bytes)) command(line);
            }
            if (setup_.table && (typedSomething || tick - lastDraw >= kRedrawPeriod)) {
                lastDraw = tick;
                draw();
            }
            if (stopReason_.empty()) around_.sleep(scanTime_);
        }
    }

    void read()
    {
        uint32_t count = 0;
        char* message = nullptr;
        driver_.OnDataRead(&count, records_.data(), &message);
        ++reads_;
        const std::string text = takeText(message);
        if (!text.empty()) report("status", {"text=" + text});
        const double now = seconds();
        for (uint32_t i = 0; i < count && i < records_.size(); ++i) {
            const TagDataRec& record = records_[i];
            const uint32_t id = record.TagId;
            const Value value = recordValue(record, setup_.takeText);
            const auto position = positions_.find(id);
            if (position == positions_.end()) continue;
            ++reports_;
            HostTag& tag = tags_[position->second];
            const uint32_t quality = record.Quality;
            tag.value = value;
            tag.row.value = formatValue(value);
            tag.row.quality = qualityText(quality);
            tag.row.reportedAt = now;
            if (tag.reports) noteLink(*tag.reports, value);
            if (!tag.hidden)
                report("value", {"id=" + std::to_string(id), "name=" + tag.listEntry.name,
                                 "address=" + tag.listEntry.address, "quality=" + tag.row.quality,
                                 "stamp=" + formatOleTime(record.TimeStamp), "value=" + tag.row.value});
            confirmWrite(position->second, value);
        }
    }

    void noteLink(const LinkSource& source, const Value& value)
    {
        const double* code = std::get_if<double>(&value);
        const std::string word = code ? linkStateWord(static_cast<int>(*code)) : "?";
        std::string& known = source.kind == LinkSource::Kind::Line ? lineLink_ : deviceLinks_[source.device];
        if (known == word) return;
        known = word;
        if (source.kind == LinkSource::Kind::Line)
            report("link", {"scope=line", "state=" + word});
        else
            report("link", {"scope=device", "device=" + std::to_string(source.device), "state=" + word});
    }

    void deviceStatus()
    {
        char* message = nullptr;
        driver_.GetDeviceStatus(&message);
        const std::string text = takeText(message);
        if (!text.empty()) report("status", {"text=" + text});
    }

    void followLog()
    {
        for (const std::string& line : log_.newLines()) {
            if (!setup_.traffic) continue;
            const LogEntry entry = classifyLogLine(line);
            switch (entry.kind) {
            case LogEntry::Kind::Sent: traffic("sent", "frame=" + renderFrame(entry.frame, true)); break;
            case LogEntry::Kind::Received: traffic("received", "frame=" + renderFrame(entry.frame, false)); break;
            case LogEntry::Kind::Cycle: traffic("cycle", "ms=" + std::to_string(entry.cycleMilliseconds)); break;
            case LogEntry::Kind::Accepted: break;  // every received frame shown was accepted
            case LogEntry::Kind::Other:
                if (!entry.text.empty()) traffic("log", "text=" + entry.text);
                break;
            }
        }
    }

    // --- writes and typed commands ---

    std::optional<std::pair<size_t, Value>> resolveWrite(const std::string& name, const std::string& valueText,
                                                         std::string& problem) const
    {
        const std::string wanted = trim(name);
        std::optional<size_t> found;
        if (!wanted.empty() && wanted.find_first_not_of("0123456789") == std::string::npos && wanted.size() <= 9) {
            const auto position = positions_.find(static_cast<uint32_t>(std::stoul(wanted)));
            if (position != positions_.end() && !tags_[position->second].hidden) found = position->second;
        }
        for (size_t i = 0; i < tags_.size() && !found; ++i)
            if (!tags_[i].hidden && tags_[i].listEntry.name == wanted) found = i;
        for (size_t i = 0; i < tags_.size() && !found; ++i)
            if (!tags_[i].hidden && upperAscii(tags_[i].listEntry.name) == upperAscii(wanted)) found = i;
        if (!found) {
            problem = "no tag with the id or name " + wanted + " in the tag list";
            return std::nullopt;
        }
        const HostTag& tag = tags_[*found];
        const auto value = parseValue(tag.listEntry.type,
                                      tag.listEntry.type == ValueType::Text ? valueText : trim(valueText), problem);
        if (!value) {
            problem += " (" + tag.listEntry.name + " is a " + valueTypeName(tag.listEntry.type) + " tag)";
            return std::nullopt;
        }
        return std::make_pair(*found, *value);
    }

    void sendDueWrites(double now)
    {
        while (nextWrite_ < setup_.writes.size() && setup_.writes[nextWrite_].atSeconds <= now) {
            const WriteRequest& request = setup_.writes[nextWrite_++];
            write(request.tag, request.value);
        }
    }

    void write(const std::string& name, const std::string& valueText)
    {
        std::string problem;
        const auto target = resolveWrite(name, valueText, problem);
        if (!target) {
            report("error", {"text=write " + name + "=" + valueText + ": " + problem});
            return;
        }
        HostTag& tag = tags_[target->first];
        TagDataRec record;
        std::string gbkText;
        if (!makeWriteRecord(tag.listEntry.id, target->second, record, gbkText)) {
            report("error", {"text=write " + name + ": the text cannot be put in GBK"});
            return;
        }
        char* message = nullptr;
        const bool result = driver_.OnDataWrite(1, &record, &message) != 0;
        ++writesSent_;
        const std::string text = takeText(message);
        report("write", {"id=" + std::to_string(tag.listEntry.id), "name=" + tag.listEntry.name,
                         "value=" + formatValue(target->second), "result=" + std::string(result ? "true" : "false"),
                         "message=" + text});
        if (result) pendingWrites_.push_back({target->first, target->second});
    }

    // A report of the written value after an accepted write shows that it arrived.
    void confirmWrite(size_t position, const Value& value)
    {
        for (auto pending = pendingWrites_.begin(); pending != pendingWrites_.end(); ++pending) {
            if (pending->tag != position || !(pending->value == value)) continue;
            const HostTag& tag = tags_[position];
            report("written", {"id=" + std::to_string(tag.listEntry.id), "name=" + tag.listEntry.name,
                               "value=" + formatValue(value)});
            pendingWrites_.erase(pending);
            return;
        }
    }

    void command(const std::string& typedLine)
    {
        const std::string line = trim(typedLine);
        if (line.empty()) return;
        const std::string word = upperAscii(line.substr(0, line.find(' ')));
        if (word == "QUIT" || word == "EXIT" || word == "Q") {
            stopReason_ = "quit";
        } else if (word == "STATUS") {
            deviceStatus();
        } else if (word == "LOG") {
            const std::string setting = upperAscii(trim(line.substr(3)));
            if (setting != "ON" && setting != "OFF") {
                report("error", {"text=log takes on or off"});
                return;
            }
            char* message = nullptr;
            driver_.WriteLog(setting == "ON" ? 1 : 0, &message);
            const std::string text = takeText(message);
            report("writelog",
                   {"enable=" + std::string(setting == "ON" ? "true" : "false"),
                    "message=" + (text.empty() ? std::string("(none: the driver had no status to hand over, "
                                                             "so the switch was not applied)")
                                               : text)});
        } else if (word == "HELP" || word == "?") {
            report("help", {"text=TAG=VALUE writes (TAG an id or name); log on|off; status; quit"});
        } else {
            std::string assignment = line;
            if (word == "WRITE") assignment = trim(line.substr(5));
            const size_t equals = assignment.find('=');
            if (equals == std::string::npos) {
                report("error", {"text=unknown command '" + line + "' (help lists them)"});
                return;
            }
            write(assignment.substr(0, equals), assignment.substr(equals + 1));
        }
    }

    // --- output ---

    void report(const std::string& kind, const std::vector<std::string>& fields)
    {
        if (!setup_.table) {
            around_.write(plainLine(seconds(), kind, fields));
            return;
        }
        if (kind == "value" || kind == "link") return;  // the table shows them
        char time[16];
        std::snprintf(time, sizeof time, "%7.1f s  ", seconds());
        std::string text = time + kind;
        for (const std::string& field : fields) text += " " + field;
        screen_.messages.push_back(text);
        while (screen_.messages.size() > kMessageLines) screen_.messages.pop_front();
    }

    void traffic(const std::string& kind, const std::string& field)
    {
        if (!setup_.table) {
            around_.write(plainLine(seconds(), kind, {field}));
            return;
        }
        char time[16];
        std::snprintf(time, sizeof time, "%7.3f  ", seconds());
        screen_.traffic.push_back(time + kind + " " + field);
        while (screen_.traffic.size() > kTrafficLines) screen_.traffic.pop_front();
    }

    void draw()
    {
        const double now = seconds();
        screen_.title = "ostrevane-host  driver " + setup_.driverPath + "  log " + setup_.logPath;
        char running[32];
        std::snprintf(running, sizeof running, "running %.1f s", now);
        std::string status = running;
        if (setup_.durationSeconds) status += " of " + formatValue(*setup_.durationSeconds) + " s";
        status += "  scan " + std::to_string(scanTime_) + " ms  reads " + std::to_string(reads_) + "  line " +
                  (lineLink_.empty() ? "-" : lineLink_) + "  (Ctrl-C or quit ends)";
        screen_.status = status;
        screen_.now = now;
        screen_.showTraffic = setup_.traffic;
        screen_.rows.clear();
        for (HostTag& tag : tags_) {
            if (tag.hidden) continue;
            if (tag.follows.kind == LinkSource::Kind::Device) {
                const auto known = deviceLinks_.find(tag.follows.device);
                tag.row.link = known == deviceLinks_.end() ? "-" : known->second;
            } else {
                tag.row.link = lineLink_.empty() ? "-" : lineLink_;
            }
            screen_.rows.push_back(tag.row);
        }
        screen_.prompt = editor_.pending();
        int rows = 0, columns = 0;
        around_.screenSize(rows, columns);
        around_.write(renderScreen(screen_, rows, columns));
    }

    // --- small helpers ---

    std::vector<TagEntry> listEntries() const
    {
        std::vector<TagEntry> result;
        for (const HostTag& tag : tags_) result.push_back(tag.listEntry);
        return result;
    }

    std::string takeText(char* text) const { return gbkToUtf8(setup_.takeText(text)); }

    double seconds() { return static_cast<double>(around_.milliseconds() - start_) / 1000.0; }

    SessionSetup setup_;
    SessionSurroundings& around_;
    const DriverEntryPoints& driver_;
    LogFollower log_;
    int defaultDevice_ = -1;
    std::vector<HostTag> tags_;
    std::map<uint32_t, size_t> positions_;
    std::unique_ptr<HostTagTable> hostTable_;
    std::vector<TagDataRec> records_;
    uint16_t scanTime_ = 10;
    uint64_t start_ = 0;
    uint64_t reads_ = 0;
    uint64_t reports_ = 0;
    uint64_t writesSent_ = 0;
    size_t nextWrite_ = 0;
    std::vector<PendingWrite> pendingWrites_;
    std::string lineLink_;
    std::map<int, std::string> deviceLinks_;
    std::string stopReason_;
    LineEditor editor_;
    ScreenModel screen_;
};

}  // namespace

int runSession(SessionSetup setup, SessionSurroundings& surroundings)
{
    std::stable_sort(setup.writes.begin(), setup.writes.end(),
                     [](const WriteRequest& a, const WriteRequest& b) { return a.atSeconds < b.atSeconds; });
    Session session(std::move(setup), surroundings);
    return session.run();
}

}  // namespace host
