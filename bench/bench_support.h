// A plant of many tags for the benchmarks: configuration, host records, a line.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "Ostrevane800.h"

namespace bench_support {

// A configuration with all 100 addresses in use (808 and 847 alternating).
OstrevanePDB fullPlant();

// `count` host tags spread over the 100 devices and all 32 tag types; about one
// in three shares its parameter with another tag.
class HostTags {
public:
    HostTags(size_t count, uint32_t reportInterval);
    HostTagRec** pointers() { return pointers_.data(); }
    uint32_t count() const { return static_cast<uint32_t>(records_.size()); }

private:
    std::vector<HostTagRec> records_;
    std::vector<HostTagRec*> pointers_;
};

// A pseudo-terminal standing in for COM1 while it lives (nobody answers on it).
class SilentLine {
public:
    SilentLine();
    ~SilentLine();

private:
    int master_ = -1;
};

}  // namespace bench_support
