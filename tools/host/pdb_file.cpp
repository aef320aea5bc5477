#include "host/pdb_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "host/text_codec.h"

namespace host {

namespace {

constexpr size_t kTypeNameLimit = 246;
constexpr uint8_t kNoDevice = OSTREVANE_NO_DEVICE;

void setEntryTypeName(DeviceEntry& entry, const std::string& name)
{
    const size_t length = std::min(name.size(), kTypeNameLimit);
    std::memset(entry.TypeName, 0, sizeof entry.TypeName);
    entry.TypeName[0] = static_cast<uint8_t>(length);
    std::memcpy(entry.TypeName + 1, name.data(), length);
}

void setDevice(DeviceEntry& entry, uint8_t type)
{
    entry.DeviceType = type;
    setEntryTypeName(entry, deviceTypeName(type));
}

std::string onOff(uint8_t value) { return value ? "on" : "off"; }

std::string serialLine(const OstrevanePDB& block)
{
    static const char* const kStopBits[] = {"1", "1.5", "2"};
    static const char* const kParity[] = {"no parity", "odd parity", "even parity", "mark parity", "space parity"};
    std::string text = block.PortCode < 10 ? "COM" + std::to_string(block.PortCode + 1)
                                           : "port code " + std::to_string(block.PortCode) + " (outside COM1..COM10)";
    text += ", ";
    text += block.BaudCode < kBaudRates.size() ? std::to_string(kBaudRates[block.BaudCode]) + " baud"
                                               : "baud code " + std::to_string(block.BaudCode) + " (not in the table)";
    text += ", ";
    text += block.DataBitsCode <= 4 ? std::to_string(block.DataBitsCode + 4) + " data bits"
                                    : "data-bits code " + std::to_string(block.DataBitsCode) + " (not in the table)";
    text += ", ";
    text += block.ParityCode <= 4 ? kParity[block.ParityCode]
                                  : "parity code " + std::to_string(block.ParityCode) + " (not in the table)";
    text += ", ";
    text += block.StopBitsCode <= 2
                ? std::string(kStopBits[block.StopBitsCode]) + " stop bit" + (block.StopBitsCode == 0 ? "" : "s")
                : "stop-bits code " + std::to_string(block.StopBitsCode) + " (not in the table)";
    return text;
}

}  // namespace

std::string deviceTypeName(uint8_t type)
{
    switch (type) {
    case OSTREVANE_DEVICE_808: return "Ostrevane808";
    case OSTREVANE_DEVICE_847: return "Ostrevane847";
    default: return {};
    }
}

std::string entryTypeName(const DeviceEntry& entry)
{
    const size_t length = std::min<size_t>(entry.TypeName[0], kTypeNameLimit);
    return std::string(reinterpret_cast<const char*>(entry.TypeName + 1), length);
}

bool loadPdb(const std::string& path, OstrevanePDB& block, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    const std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (content.size() != sizeof(OstrevanePDB)) {
        error = path + " holds " + std::to_string(content.size()) + " bytes; a configuration block has " +
                std::to_string(sizeof(OstrevanePDB));
        return false;
    }
    std::memcpy(&block, content.data(), sizeof block);
    return true;
}

bool savePdb(const std::string& path, const OstrevanePDB& block, std::string& error)
{
    // Written beside the target first, so a failed write leaves the old block whole.
    const std::string temporary = path + ".new";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(&block), sizeof block);
        if (!file.flush()) {
            error = "cannot write " + temporary;
            std::remove(temporary.c_str());
            return false;
        }
    }
    // Windows will not rename onto an existing file.
    if (std::rename(temporary.c_str(), path.c_str()) != 0 &&
        (std::remove(path.c_str()) != 0 || std::rename(temporary.c_str(), path.c_str()) != 0)) {
        error = "cannot rename " + temporary + " to " + path;
        return false;
    }
    return true;
}

void applySettings(OstrevanePDB& block, const PdbSettings& settings, bool replaceDevices)
{
    if (!settings.devices.empty()) {
        if (replaceDevices)
            for (DeviceEntry& entry : block.Devices) setDevice(entry, kNoDevice);
        for (const PdbSettings::Device& device : settings.devices) {
            DeviceEntry& entry = block.Devices[device.number];
            entry.DeviceNo = device.number;
            setDevice(entry, device.type);
        }
        int configured = 0;
        block.FirstDevice = 0;
        for (int n = OSTREVANE_DEVICE_COUNT - 1; n >= 0; --n) {
            if (block.Devices[n].DeviceType == kNoDevice) continue;
            ++configured;
            block.FirstDevice = static_cast<uint32_t>(n);
        }
        block.CreateMode = configured > 1 ? 1 : 0;
    }
    if (settings.createMode) block.CreateMode = *settings.createMode;
    if (settings.portCode) block.PortCode = *settings.portCode;
    if (settings.baudCode) block.BaudCode = *settings.baudCode;
    if (settings.dataBitsCode) block.DataBitsCode = *settings.dataBitsCode;
    if (settings.parityCode) block.ParityCode = *settings.parityCode;
    if (settings.stopBitsCode) block.StopBitsCode = *settings.stopBitsCode;
    if (settings.debugSwitch) block.DebugSwitch = *settings.debugSwitch ? 1 : 0;
    if (settings.errorOutput) block.ErrorOutput = *settings.errorOutput ? 1 : 0;
    if (settings.traceOutput) block.TraceOutput = *settings.traceOutput ? 1 : 0;
}

std::vector<std::string> describePdb(const OstrevanePDB& block)
{
    std::vector<std::string> lines;
    lines.push_back("configuration block, " + std::to_string(sizeof block) + " bytes");
    lines.push_back("  debug switch:  " + onOff(block.DebugSwitch));
    lines.push_back("  error output:  " + onOff(block.ErrorOutput));
    lines.push_back("  trace output:  " + onOff(block.TraceOutput));
    lines.push_back(std::string("  creation mode: ") + (block.CreateMode == 0 ? "single device (RS232)"
                                                        : block.CreateMode == 1
                                                            ? "several devices (RS485/RS422)"
                                                            : "code " + std::to_string(block.CreateMode)));
    lines.push_back("  first device:  " + std::to_string(block.FirstDevice));
    lines.push_back("  serial line:   " + serialLine(block));
    int configured = 0;
    for (int n = 0; n < OSTREVANE_DEVICE_COUNT; ++n) {
        const DeviceEntry& entry = block.Devices[n];
        if (entry.DeviceType == kNoDevice) continue;
        ++configured;
        const std::string stored = entryTypeName(entry);
        std::string line = "  device " + std::to_string(n) + ":" + std::string(n < 10 ? "  " : " ") + gbkToUtf8(stored);
        const std::string expected = deviceTypeName(entry.DeviceType);
        if (expected.empty())
            line += "  (type code " + std::to_string(entry.DeviceType) + " is unknown: the driver clears this entry)";
        else if (expected != stored || entry.TypeName[0] > kTypeNameLimit)
            line += "  (type name does not match type code " + std::to_string(entry.DeviceType) + " (" + expected +
                    "): the driver clears this entry)";
        if (entry.DeviceNo != n) line += "  (entry number says " + std::to_string(entry.DeviceNo) + ")";
        lines.push_back(line);
    }
    if (configured == 0) lines.push_back("  devices:       none");
    return lines;
}

}  // namespace host
