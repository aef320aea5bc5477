#include "framework/SystemTags.h"

#include "definitions/DLLDef.h"
#include "framework/DLLBase.h"
#include "framework/FrameworkTexts.h"
#include "framework/GbkText.h"
#include "framework/PDB.h"
#include "framework/TagValue.h"
#include "sysinfo/version_info.h"

namespace systemtags {

namespace {

bool deviceInTable(int32_t deviceNo) { return deviceNo >= 0 && deviceNo < def::kDeviceCount; }

// The device number after DEVICELINK or ENDEVICELINK; a text that is no number gives 0.
int32_t numberAfter(const std::string& upperAddress, std::string_view keyword)
{
    int32_t number = 0;
    if (!gbk::parseDecimal(std::string_view(upperAddress).substr(keyword.size()), number)) number = 0;
    return number;
}

// One value in the kind of the tag: a switch state, its number, and its text.
TagValue byValueType(const TDLLTag& tag, bool flag, double number, const std::string& text)
{
    switch (tagvalue::kindOf(tag.valueType)) {
    case tagvalue::Kind::Boolean: return flag;
    case tagvalue::Kind::Text: return text;
    case tagvalue::Kind::Number: break;
    }
    return number;
}

void applyEffect(TBaseDLLObject& object, Kind kind, TDLLTag& tag, const std::string& upperAddress)
{
    switch (kind) {
    case Kind::EnLog:
        object.LogEnabled = true;
        object.HasLogTag = true;
        break;
    case Kind::CommLink:
        object.LinkOK = false;
        object.LinkState = 0;
        tag.writeAllowed = 0;
        break;
    case Kind::EnCommLink: object.CommLineEnabled = true; break;
    case Kind::DeviceLink:
        tag.deviceNo = numberAfter(upperAddress, "DEVICELINK");
        if (deviceInTable(tag.deviceNo)) {
            object.DevLinkState[tag.deviceNo] = 0;
            object.DevFailCount[tag.deviceNo] = -1;
        }
        tag.writeAllowed = 0;
        break;
    case Kind::EnDeviceLink:
        tag.deviceNo = numberAfter(upperAddress, "ENDEVICELINK");
        if (deviceInTable(tag.deviceNo)) object.DevEnabled[tag.deviceNo] = 1;
        break;
    }
}

}  // namespace

std::string LinkStateText(uint8_t code, bool commLineEnabled)
{
    switch (code) {
    case 0: return commLineEnabled ? texts::framework::LinkNeverReached : texts::framework::LinkPaused;
    case 1: return texts::framework::LinkNormal;
    case 2: return texts::framework::LinkInterference;
    case 3: return texts::framework::LinkFault;
    case 4: return texts::framework::LinkBroken;
    case 5: return texts::framework::LinkPaused;
    default: return {};
    }
}

bool recognise(TBaseDLLObject& object, TDLLTag& tag, const std::string& upperAddress)
{
    bool system = false;
    for (const Keyword& keyword : kKeywords) {
        if (upperAddress.compare(0, keyword.text.size(), keyword.text) != 0) continue;
        system = true;
        tag.internalTag = 1;
        applyEffect(object, keyword.kind, tag, upperAddress);
        // ENLOG keeps the host's initial value until the driver switches.
        if (keyword.kind != Kind::EnLog && keyword.kind != Kind::EnDeviceLink)
            tag.value = stateValue(object, keyword.kind, tag);
    }
    return system;
}

std::optional<Kind> refreshedKind(const std::string& typeString)
{
    if (typeString == "ENLOG") return Kind::EnLog;
    if (typeString == "COMMLINK") return Kind::CommLink;
    if (typeString == "ENCOMMLINK") return Kind::EnCommLink;
    if (typeString.compare(0, 10, "DEVICELINK") == 0) return Kind::DeviceLink;
    return std::nullopt;
}

TagValue stateValue(const TBaseDLLObject& object, Kind kind, const TDLLTag& tag)
{
    switch (kind) {
    case Kind::EnLog:
        return byValueType(tag, object.LogEnabled, object.LogEnabled ? 1 : 0,
                           object.LogEnabled ? texts::framework::LogAllowed : texts::framework::LogForbidden);
    case Kind::CommLink:
        return byValueType(tag, object.LinkOK, object.LinkState,
                           systeminfo::DeviceName() + LinkStateText(object.LinkState, object.CommLineEnabled));
    case Kind::EnCommLink:
        return byValueType(tag, object.CommLineEnabled, object.CommLineEnabled ? 1 : 0,
                           systeminfo::DeviceName() +
                               (object.CommLineEnabled ? texts::framework::LineOpened : texts::framework::LineClosed));
    case Kind::DeviceLink: {
        // A number beyond the device table names no device: no type name, state 0.
        const bool known = deviceInTable(tag.deviceNo);
        const uint8_t state = known ? object.DevLinkState[tag.deviceNo] : 0;
        const std::string typeName = known ? pdb::typeName(object.PDB.Devices[tag.deviceNo]) : std::string();
        return byValueType(tag, object.LinkOK, state,
                           std::to_string(tag.deviceNo) + texts::framework::NumberSuffix + systeminfo::DevTypeName() +
                               typeName + LinkStateText(state, object.CommLineEnabled));
    }
    case Kind::EnDeviceLink: break;
    }
    return std::monostate{};
}

}  // namespace systemtags
