// What every fuzz target shares: reading structured values from the input bytes, and
// a process set up so that no input reaches a real device or fills a disk.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "support/test_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fuzzing {

// The input read front to back; once it is used up every read gives zeros.
class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t byte()
    {
        return at_ < size_ ? data_[at_++] : 0;
    }
    template <typename T>
    T value()
    {
        unsigned char bytes[sizeof(T)]{};
        const size_t count = std::min(sizeof(T), remaining());
        if (count) std::memcpy(bytes, data_ + at_, count);
        at_ += count;
        T result;
        std::memcpy(&result, bytes, sizeof(T));
        return result;
    }
    // Up to `count` bytes.
    std::string bytes(size_t count)
    {
        count = std::min(count, remaining());
        std::string text(reinterpret_cast<const char*>(data_ + at_), count);
        at_ += count;
        return text;
    }
    // Copies up to `count` bytes into `target`; the rest of it keeps its contents.
    void fill(void* target, size_t count)
    {
        count = std::min(count, remaining());
        if (count) std::memcpy(target, data_ + at_, count);
        at_ += count;
    }
    std::string rest() { return bytes(remaining()); }
    size_t remaining() const { return size_ - at_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// Once per process: the driver attached, its log pointed where nothing can be written
// (the texts are still formatted, only the file stays closed), COM1..COM10 named
// after paths that do not exist, and the fake clock installed.
testing_support::FakeClock& environment();

// A pseudo-terminal as COM1 for the rest of the process, for targets that go through
// IniDriver (which builds no tag table when its port does not open). Call it before
// each input: it also throws away what the driver sent to the line last time.
void useLineForCom1();

// Stops and destroys the calling thread's driver object, as unloading the library would.
void endDriver();

// Releases a text the driver handed over (nullptr is fine).
void release(char* text);

// Starts the clock of an input where every input starts it, so that a run is repeatable.
void resetClock();

}  // namespace fuzzing
