// What every fuzz target shares: structured values read from the input bytes, and a
// process set up so that no input reaches a real device or fills a disk.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <list>
#include <string>
#include <vector>

#include "support/test_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fuzzing {

// The input read front to back; once it is used up every read gives zeros.
class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    // Copies up to `count` bytes into `target`; the rest of it keeps its contents.
    void fill(void* target, size_t count)
    {
        count = std::min(count, remaining());
        if (count) std::memcpy(target, data_ + at_, count);
        at_ += count;
    }
    template <typename T>
    T value()
    {
        T result{};
        fill(&result, sizeof result);
        return result;
    }
    uint8_t byte() { return value<uint8_t>(); }
    std::string bytes(size_t most)
    {
        std::string text(std::min(most, remaining()), '\0');
        fill(text.data(), text.size());
        return text;
    }
    // A host's value record of `kind`: a double (number), 4 bytes (Boolean), a length byte
    // (255: a null text; from 200 on 100 characters more than it says) and the text's bytes;
    // any other kind 8 raw bytes. `texts` keeps the text alive.
    TagDataRec record(uint32_t id, uint8_t kind, std::list<std::string>& texts);
    size_t remaining() const { return size_ - at_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// A value kind from two bits: 3 gives one the host does not define.
inline uint8_t valueKind(int bits) { return bits < 3 ? static_cast<uint8_t>(bits) : 7; }

// First for every input. Once per process: the driver attached, its log pointed where
// nothing can be written, COM1..COM10 named after paths that do not exist, a fake clock.
// Every input starts at the same time. With `line`, COM1 is an emptied pseudo-terminal,
// for targets that go through IniDriver (which builds no tag table when its port does not open).
testing_support::FakeClock& begin(bool line = false);

// IniDriver with the host's list of tags (entries may be null).
bool startDriver(std::vector<HostTagRec*> list, OstrevanePDB block);
// `rounds` OnDataRead calls with room for `tags` records, each followed by `stepMs`.
void readRounds(size_t tags, int rounds, uint32_t stepMs);
// Releases the texts of reported records.
void releaseTexts(const TagDataRec* records, uint32_t count);
// Stops and destroys the calling thread's driver object, as unloading the library would.
void endDriver();

}  // namespace fuzzing
