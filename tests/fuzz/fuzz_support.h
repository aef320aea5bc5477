// What every fuzz target shares, with the headers they all use: values read from the input,
// and a process where no input reaches a real device or fills a disk.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <list>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "protocol/DLLRealize.h"
#include "support/memory_line.h"
#include "support/test_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fuzzing {

// The input read front to back; once it is used up every read gives zeros.
class Input {
public:
    Input(const uint8_t* data, size_t size) : rest_(data, size) {}
    // Up to `count` bytes into `target`; the rest of it keeps its contents.
    void fill(void* target, size_t count)
    {
        count = std::min(count, remaining());
        if (count) std::memcpy(target, rest_.data(), count);
        rest_ = rest_.subspan(count);
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
    size_t remaining() const { return rest_.size(); }

private:
    std::span<const uint8_t> rest_;
};

// First for every input: the driver attached, its log unwritable, COM1..COM10 paths that do
// not exist, a fake clock at the same time for every input. With `line`, COM1 is an emptied
// pseudo-terminal, for IniDriver (which builds no tag table when its port does not open).
testing_support::FakeClock& begin(bool line = false);

bool startDriver(std::vector<HostTagRec*> list, OstrevanePDB block);  // list entries may be null
// `rounds` OnDataRead calls for `tags` records, each followed by `stepMs`.
void readRounds(size_t tags, int rounds, uint32_t stepMs);
void releaseTexts(const TagDataRec* records, uint32_t count);
void endDriver();  // stops and destroys the driver object, as unloading the library would

}  // namespace fuzzing
