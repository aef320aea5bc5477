// A host's side of the value exchange for end-to-end tests: tag records, the
// configuration block, IniDriver, and OnDataRead calls on the host's scan grid that
// remember what was reported. Uses only the public header, so the same code runs
// natively and against the Windows DLL.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Ostrevane800.h"

namespace e2e {

// One report of a tag as the host received it.
struct Report {
    uint32_t quality = 0;
    uint8_t valueType = 0;
    double number = 0;    // type 0
    uint32_t boolean = 0; // type 1
    std::string text;     // type 2 (GBK)
    uint64_t atMs = 0;    // steadyMs() of the read call
};

HostTagRec hostTag(uint32_t id, const std::string& address, uint8_t valueType, uint32_t reportIntervalMs = 0);

// Value records as a host fills them for OnDataWrite. `text` stays the host's: it
// must live for the call.
TagDataRec numberRecord(uint32_t id, double value);
TagDataRec booleanRecord(uint32_t id, bool value);
TagDataRec textRecord(uint32_t id, const char* text);
// The tag starts as true or false instead of the default false.
HostTagRec withBoolean(HostTagRec record, bool value);

// The device table of the end-to-end tests: an 808 at device 1 and an 847 at
// device 3 on one multi-drop line, COM1 at 9600 baud, 8N1.
OstrevanePDB twoInstruments();

class HostSession {
public:
    using TakeText = std::string (*)(char*);
    // `take` releases the texts the driver hands over (free or CoTaskMemFree).
    HostSession(std::vector<HostTagRec> tags, TakeText take);

    // IniDriver with the tags and `pdb`; its message goes to initMessage.
    bool start(OstrevanePDB pdb = twoInstruments());
    // One OnDataRead call; remembers every report and every message.
    void read();
    // Reads every `scanMs` of real time until `done` says so or `deadlineMs` pass.
    bool readUntil(const std::function<bool()>& done, int deadlineMs = 5000, int scanMs = 10);

    // Every report of a tag so far, oldest first.
    const std::vector<Report>& reports(uint32_t id) const;
    // The last report of a tag, or nullptr.
    const Report* last(uint32_t id) const;
    bool lastNumberIs(uint32_t id, double value) const;
    bool lastTextIs(uint32_t id, const std::string& value) const;
    // How many messages OnDataRead handed over with this exact text.
    size_t messageCount(const std::string& text) const;

    std::string initMessage;
    std::vector<std::string> messages;  // non-empty messages of OnDataRead, in order
    size_t reads = 0;

private:
    std::vector<HostTagRec> tags_;
    std::vector<HostTagRec*> pointers_;
    std::vector<TagDataRec> records_;
    std::map<uint32_t, std::vector<Report>> reports_;
    TakeText take_;
};

}  // namespace e2e
