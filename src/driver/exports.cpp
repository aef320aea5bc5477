// The fourteen functions the host calls. None lets a failure escape into the host.
#include <algorithm>
#include <cstring>

#include "Ostrevane800.h"
#include "definitions/DLLDef.h"
#include "diagnostics/DLLTest.h"
#include "driver/DLLMain.h"
#include "driver/DriverTexts.h"
#include "framework/Guard.h"
#include "framework/PDB.h"
#include "framework/ValueExchange.h"
#include "platform/host_memory.h"
#include "protocol/DLLRealize.h"
#include "wizard/Wizard.h"

namespace {

constexpr std::string_view kClass = "DLLMain";
constexpr const char* kNoDriver = texts::driver::DriverInitFailed;
constexpr uint32_t kInitLockWait = 5000;  // ms

void writeCounted(uint8_t* field, std::string_view text)
{
    const size_t length = std::min<size_t>(text.size(), 255);
    field[0] = static_cast<uint8_t>(length);
    std::memcpy(field + 1, text.data(), length);
}

}  // namespace

extern "C" {

OSTREVANE_API OstrevaneBool OSTREVANE_CALL IniDriver(uint32_t TagCount, HostTagRec** Tags, void* PDB, char** Msg)
{
    driver::libraryInitialise();
    if (Msg) *Msg = nullptr;
    if (!Tags) {
        platform::handOver(Msg, texts::driver::InvalidTagList);
        return 0;
    }
    if (!PDB) {
        platform::handOver(Msg, texts::driver::InvalidParameters);
        return 0;
    }
    platform::AutoResetEvent* lock = driver::process().TLSEvent.get();
    if (!lock) {
        platform::handOver(Msg, "TLSEvent = 0");
        return 0;
    }
    if (!lock->wait(kInitLockWait)) {
        platform::handOver(Msg, texts::driver::ConcurrentAccess);
        return 0;
    }
    const bool result = guard::run(kClass, "IniDriver", false, [&] {
        auto* object = new TDLLObject();
        // An object displaced from the slot by a second IniDriver on the same thread
        // would hold its serial port for ever: it is stopped and destroyed here.
        TBaseDLLObject* previous = driver::currentObject();
        driver::setCurrentObject(object);
        if (previous) driver::destroyObject(previous);
        HostTagList hostTags(Tags, Tags + TagCount);
        auto* block = static_cast<OstrevanePDB*>(PDB);
        pdb::ValidateDeviceTable(*block);
        const bool initialised = object->IniDLLObj(block, hostTags);
        platform::handOver(Msg, object->takeStatusMsg());
        return initialised;
    });
    lock->signal();
    return result ? 1 : 0;
}

OSTREVANE_API OstrevaneBool OSTREVANE_CALL IniDriverEx(OstrevaneEvent Event)
{
    if (TBaseDLLObject* object = driver::currentObject()) object->HostEvent = Event;
    return 1;
}

OSTREVANE_API OstrevaneBool OSTREVANE_CALL FreeDriver(void)
{
    if (TBaseDLLObject* object = driver::currentObject()) object->Stop();
    return 1;
}

OSTREVANE_API OstrevaneBool OSTREVANE_CALL OnDataRead(uint32_t* Count, TagDataRec* Records, char** Msg)
{
    if (Count) *Count = 0;
    if (Msg) *Msg = nullptr;
    TBaseDLLObject* object = driver::currentObject();
    if (!object || !Records || !Count) {
        platform::handOver(Msg, kNoDriver);
        return 1;
    }
    guard::run(kClass, "OnDataRead", [&] {
        object->ReadExecute();
        const std::string message = object->takeStatusMsg();
        valueexchange::reportChanges(*object, Records, *Count);
        platform::handOver(Msg, message);
    });
    return 1;
}

OSTREVANE_API OstrevaneBool OSTREVANE_CALL OnDataWrite(uint32_t Count, TagDataRec* Records, char** Msg)
{
    if (Msg) *Msg = nullptr;
    TBaseDLLObject* object = driver::currentObject();
    if (!object || Count == 0 || !Records) {
        platform::handOver(Msg, kNoDriver);
        return 0;
    }
    const bool result = guard::run(kClass, "OnDataWrite", false, [&] {
        const bool written = valueexchange::applyWrites(*object, Records, Count);
        platform::handOver(Msg, object->takeStatusMsg());
        return written;
    });
    return result ? 1 : 0;
}

OSTREVANE_API OstrevaneBool OSTREVANE_CALL GetDeviceStatus(char** Msg)
{
    if (Msg) *Msg = nullptr;
    TBaseDLLObject* object = driver::currentObject();
    if (!object) {
        platform::handOver(Msg, kNoDriver);
        return 1;
    }
    guard::run(kClass, "GetDeviceStatus", [&] { platform::handOver(Msg, object->takeStatusMsg()); });
    return 1;
}

OSTREVANE_API void OSTREVANE_CALL WriteLog(OstrevaneBool Enable, char** Msg)
{
    if (Msg) *Msg = nullptr;
    TBaseDLLObject* object = driver::currentObject();
    if (!object) {
        platform::handOver(Msg, kNoDriver);
        return;
    }
    guard::run(kClass, "WriteLog", [&] {
        if (object->StatusMsg.empty()) return;
        object->SetLogEnabled(Enable != 0);
        platform::handOver(Msg, object->takeStatusMsg());
    });
}

OSTREVANE_API uint16_t OSTREVANE_CALL DetectScanTime(void)
{
    TBaseDLLObject* object = driver::currentObject();
    return object ? static_cast<uint16_t>(object->ScanTime & 0xFFFFu) : 1000;
}

OSTREVANE_API void OSTREVANE_CALL GetTagAddrList(uint32_t /*Reserved*/, uint32_t* Count, TagEditorEntry* Buffer)
{
    if (!Count) return;
    if (!Buffer) {
        *Count = def::kTagTypeCount;
        return;
    }
    // The table has 32 rows: a larger request gets those and no more, and learns how
    // many it got (the rest of its buffer is untouched).
    const uint32_t rows = std::min<uint32_t>(*Count, def::kTagTypeCount);
    *Count = rows;
    for (uint32_t i = 0; i < rows; ++i) {
        const def::TagTypeInfoRow& row = def::TagTypeInfo[i];
        TagEditorEntry& entry = Buffer[i];
        writeCounted(entry.Mnemonic, row.mnemonic);
        writeCounted(entry.Description, row.description);
        entry.ValueType = row.valueType;
        entry.Attribute = row.attribute;
        entry.Maximum = row.maximum;
        entry.Minimum = row.minimum;
        entry.Zero = 0;
    }
}

OSTREVANE_API OstrevaneBool OSTREVANE_CALL TagEdAddr(void* PDB, char** Addr, OstrevaneBool Option, char** Msg)
{
    driver::libraryInitialise();
    if (Msg) *Msg = nullptr;
    std::string address = (Addr && *Addr) ? std::string(*Addr) : std::string();
    const bool result = guard::run(kClass, "TagEdAddr", false, [&] {
        TDLLObject object;
        bool accepted = false;
        std::string message;
        if (!PDB) {
            message = kNoDriver;
        } else if (!Option) {
            accepted = object.CheckTagAddr(static_cast<const OstrevanePDB*>(PDB), address);
            message = object.takeStatusMsg();
        } else {
            accepted = true;
        }
        platform::handOver(Msg, message);
        if (Addr) *Addr = platform::NewHostStr(address);
        return accepted;
    });
    return result ? 1 : 0;
}

OSTREVANE_API uint32_t OSTREVANE_CALL DLLEdDev(uintptr_t Window, void* PDB)
{
    driver::libraryInitialise();
    if (!PDB) return 2;
    return guard::run(kClass, "DLLEdDev", 2u,
                      [&] { return wizard::runWizard(*static_cast<OstrevanePDB*>(PDB), Window); });
}

OSTREVANE_API OstrevaneBool OSTREVANE_CALL DLLTestDev(void* PDB, OstrevaneBool Option)
{
    driver::libraryInitialise();
    if (!PDB) return 0;
    const bool result = guard::run(kClass, "DLLTestDev", false, [&] {
        OstrevanePDB copy{};
        pdb::CopyPDB(*static_cast<const OstrevanePDB*>(PDB), copy);
        return diagnostics::RunDeviceTest(copy, Option != 0);
    });
    if (TBaseDLLObject* object = driver::currentObject()) {
        driver::setCurrentObject(nullptr);
        driver::destroyObject(object);
    }
    return result ? 1 : 0;
}

OSTREVANE_API uint32_t OSTREVANE_CALL GetPDBLen(void) { return OSTREVANE_PDB_SIZE; }

OSTREVANE_API void OSTREVANE_CALL FullPDB(void* PDB)
{
    if (PDB) pdb::FullPDB(*static_cast<OstrevanePDB*>(PDB));
}

}  // extern "C"
