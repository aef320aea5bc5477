#include "wizard/DeviceList.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "definitions/DLLDef.h"
#include "framework/FrameworkTexts.h"
#include "framework/PDB.h"

namespace wizard::devices {

uint8_t typeCodeOfPosition(int position)
{
    return position >= 0 && position < def::kDeviceTypeCount ? static_cast<uint8_t>(position) : def::kNoDevice;
}

std::string typeNameOfCode(uint8_t code)
{
    return std::string(code < def::kDeviceTypeCount ? def::DevTypes[code].name : def::NoDeviceTypeName);
}

bool isFree(const OstrevanePDB& block, int deviceNo) { return pdb::deviceTypeAt(block, deviceNo) == def::kNoDevice; }

void assignEntry(OstrevanePDB& block, int deviceNo, int position, bool clearReserved)
{
    if (deviceNo < 0 || deviceNo >= def::kDeviceCount) return;
    DeviceEntry& entry = block.Devices[deviceNo];
    entry.DeviceType = typeCodeOfPosition(position);
    pdb::setTypeName(entry, typeNameOfCode(entry.DeviceType));
    if (clearReserved) {
        entry.Reserved252 = 0;
        entry.Reserved253 = 0;
    }
}

void freeEntry(OstrevanePDB& block, int deviceNo)
{
    if (deviceNo < 0 || deviceNo >= def::kDeviceCount) return;
    block.Devices[deviceNo].DeviceType = def::kNoDevice;
    pdb::setTypeName(block.Devices[deviceNo], std::string());
}

uint32_t FreeDeviceNo(const OstrevanePDB& block)
{
    // The last number is never searched: it is what is left when all others are taken.
    constexpr int kLastDeviceNo = def::kDeviceCount - 1;
    for (int n = 0; n < kLastDeviceNo; ++n)
        if (isFree(block, n)) return static_cast<uint32_t>(n);
    return kLastDeviceNo;
}

int preselectedEntry(const OstrevanePDB& block)
{
    if (block.FirstDevice < static_cast<uint32_t>(def::kDeviceCount)) return static_cast<int>(block.FirstDevice);
    return static_cast<int>(pdb::FirstDeviceNo(block));
}

int clampedDeviceNo(const std::string& text)
{
    // Blanks around the number and a sign are accepted; anything else, or a number
    // beyond a 32-bit integer, reads as 0.
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return 0;
    const size_t last = text.find_last_not_of(' ');
    size_t begin = first;
    const bool negative = text[begin] == '-';
    if (text[begin] == '-' || text[begin] == '+') ++begin;
    if (begin > last || last - begin + 1 > 10) return 0;
    int64_t value = 0;
    for (size_t i = begin; i <= last; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return 0;
        value = value * 10 + (text[i] - '0');
    }
    if (negative) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return 0;
    return static_cast<int>(std::clamp<int64_t>(value, 0, def::kDeviceCount - 1));
}

std::string nodeText(const OstrevanePDB& block, int deviceNo)
{
    const DeviceEntry& entry = block.Devices[deviceNo];
    return std::to_string(entry.DeviceNo) + texts::framework::FullWidthColon + pdb::typeName(entry);
}

std::vector<ui::TreeNode> deviceNodes(const OstrevanePDB& block)
{
    std::vector<ui::TreeNode> nodes;
    for (int n = 0; n < def::kDeviceCount; ++n)
        if (!isFree(block, n)) nodes.push_back({nodeText(block, n), n});
    return nodes;
}

}  // namespace wizard::devices
