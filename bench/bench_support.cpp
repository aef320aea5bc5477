#include "bench_support.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "definitions/DLLDef.h"
#include "driver/DLLMain.h"
#include "framework/DLLLog.h"
#include "framework/PDB.h"

namespace bench_support {

namespace {
// The driver's log goes to a temporary folder, not below wherever the benchmark runs.
[[maybe_unused]] const bool logMovedAside = [] {
    driver::libraryInitialise();
    char folder[] = "/tmp/ostrevane-bench-XXXXXX";
    if (mkdtemp(folder)) logfile::setLogFileName(std::string(folder) + "/Debug/Ostrevane800.Log");
    return true;
}();
}  // namespace

OstrevanePDB fullPlant()
{
    OstrevanePDB block{};
    pdb::FullPDB(block);
    for (int n = 0; n < def::kDeviceCount; ++n) {
        const uint8_t type = static_cast<uint8_t>(n % 2);
        block.Devices[n].DeviceType = type;
        pdb::setTypeName(block.Devices[n], std::string(def::DevTypes[type].name));
    }
    return block;
}

HostTags::HostTags(size_t count, uint32_t reportInterval) : records_(count)
{
    const size_t distinct = count - count / 3;  // the rest repeat an earlier parameter
    for (size_t i = 0; i < count; ++i) {
        HostTagRec& record = records_[i];
        std::memset(&record, 0, sizeof record);
        record.TagId = static_cast<uint32_t>(i + 1);
        std::snprintf(record.Name, sizeof record.Name, "T%zu", i);
        const size_t parameter = i < distinct ? i : (i * 7919) % distinct;
        const auto& type = def::TagTypeInfo[parameter % def::kTagTypeCount];
        std::snprintf(record.Address, sizeof record.Address, "%.*s%zu:0.0", static_cast<int>(type.mnemonic.size()),
                      type.mnemonic.data(), (parameter / def::kTagTypeCount) % def::kDeviceCount);
        record.ValueType = OSTREVANE_VALUE_NUMBER;
        record.ReportInterval = reportInterval;
        pointers_.push_back(&record);
    }
}

SilentLine::SilentLine()
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    setenv("OSTREVANE800_COM1", ptsname(master_), 1);
}

SilentLine::~SilentLine()
{
    unsetenv("OSTREVANE800_COM1");
    if (master_ >= 0) close(master_);
}

}  // namespace bench_support
