// Shared types of the driver framework: tag values, the driver's tag record,
// the communication statistics.
#pragma once
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "Ostrevane800.h"

// A tag's value: nothing yet, a number, a Boolean or a GBK text.
using TagValue = std::variant<std::monostate, double, bool, std::string>;

// The driver's record of one host tag.
struct TDLLTag {
    uint32_t hostId = 0;
    int32_t tableIndex = -1;
    std::string name;
    std::string address;
    uint8_t valueType = OSTREVANE_VALUE_NUMBER;
    std::string typeString;
    int32_t tagTypeIndex = -1;
    uint32_t period = 0;
    uint32_t lastReportTick = 0;
    TagValue value;
    TagValue reportedValue;
    TagValue requestedValue;
    uint32_t reportedQuality = 0;
    int8_t reportCountdown = 5;
    float writeNumber = 0;
    float secondWriteNumber = 0;
    int32_t bitNo = -1;
    int32_t channelNo = -1;
    int32_t deviceNo = -1;
    int32_t slotNo = -1;
    uint8_t deviceType = 2;
    uint32_t quality = OSTREVANE_QUALITY_GOOD;
    double timeStamp = 0;  // when a reply last gave it a value (OLE date, local time)
    uint8_t internalTag = 0;
    uint32_t reads = 0;
    uint32_t readFailures = 0;
    uint32_t writes = 0;
    uint32_t writeFailures = 0;
    uint8_t writeAllowed = 0;
};

// Two tags address the same instrument parameter (one word on the instrument) when
// they name the same tag type, channel, slot and device; their bit numbers and value
// types may differ.
inline bool sameParameter(const TDLLTag& a, const TDLLTag& b)
{
    return a.tagTypeIndex == b.tagTypeIndex && a.channelNo == b.channelNo && a.slotNo == b.slotNo &&
           a.deviceNo == b.deviceNo;
}

// Communication counters are floats so that a plant running for years never wraps them.
struct CommStatistics {
    int32_t exchanges = 0;
    double goodReplies = 0;
    double timeouts = 0;
    double checkErrors = 0;
    double shortReplies = 0;
    double garbledReplies = 0;
    double abnormalReplies = 0;
    double consecutiveTimeouts = 0;
    double lastCycleTime = 0;
    double lastResetTime = 0;
    double fastestCycle = 0;
    double slowestCycle = 0;
    double averageCycle = 0;
};

using HostTagList = std::vector<const HostTagRec*>;
