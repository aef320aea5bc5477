/*
 * Ostrevane800 driver: the interface a SCADA host uses.
 *
 * All records are little-endian and packed. Texts crossing the interface are
 * zero-terminated GBK (code page 936). Every text the driver hands to the host
 * (through Msg or Addr) is a new buffer that the host owns and must release:
 *   - Windows: with CoTaskMemFree;
 *   - POSIX:   with free.
 *
 * On 32-bit Windows the functions use stdcall and are exported undecorated.
 * On 64-bit builds a text pointer in TagDataRec and a BSTR pointer in a
 * VARIANT take the full 8 bytes of their value field.
 */
#ifndef OSTREVANE800_H
#define OSTREVANE800_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define OSTREVANE_CALL __stdcall
#define OSTREVANE_API
#elif defined(OSTREVANE800_BUILDING)
#define OSTREVANE_CALL
#define OSTREVANE_API __attribute__((visibility("default")))
#else
#define OSTREVANE_CALL
#define OSTREVANE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Boolean results: 1 or 0, only the low byte is meaningful. */
typedef uint8_t OstrevaneBool;

enum {
    OSTREVANE_PDB_SIZE = 26424,
    OSTREVANE_DEVICE_COUNT = 100,
    OSTREVANE_TAG_TYPE_COUNT = 32,
    OSTREVANE_QUALITY_GOOD = 0,
    OSTREVANE_QUALITY_BAD = 67108864 /* bit 26 */
};

/* Value types of tags and value records. */
enum { OSTREVANE_VALUE_NUMBER = 0, OSTREVANE_VALUE_BOOLEAN = 1, OSTREVANE_VALUE_TEXT = 2 };

/* Device-type codes of a device entry. */
enum { OSTREVANE_DEVICE_808 = 0, OSTREVANE_DEVICE_847 = 1, OSTREVANE_NO_DEVICE = 2 };

#pragma pack(push, 1)

/* One entry of the device table; entry N configures the instrument at address N. */
typedef struct DeviceEntry {
    int32_t DeviceNo;     /* always N */
    uint8_t DeviceType;   /* 0, 1, or 2 = no device */
    uint8_t TypeName[247];/* counted text: length byte, at most 246 characters */
    uint8_t Reserved252;
    uint8_t Reserved253;
    uint16_t Reserved254; /* 80 */
    uint16_t Reserved256; /* 32 */
    uint16_t Reserved258; /* 8 */
    uint16_t Reserved260; /* 49 */
    uint8_t Reserved262[2];
} DeviceEntry;

/* The parameter data block: the driver's whole stored configuration. */
typedef struct OstrevanePDB {
    uint8_t DebugSwitch;
    uint8_t ErrorOutput;
    uint8_t TraceOutput;
    uint8_t Reserved3[5];
    uint8_t CreateMode;   /* 0 single device (RS232), 1 several (RS485/RS422) */
    uint8_t Reserved9[3];
    uint32_t FirstDevice;
    DeviceEntry Devices[OSTREVANE_DEVICE_COUNT];
    uint8_t PortCode;     /* 0..9 = COM1..COM10 */
    uint8_t BaudCode;     /* 0..14, see the baud table */
    uint8_t DataBitsCode; /* 3 = 7 bits, 4 = 8 bits */
    uint8_t StopBitsCode; /* 0 = 1, 1 = 1.5, 2 = 2 */
    uint8_t ParityCode;   /* 0 none, 1 odd, 2 even */
    uint8_t Reserved26421[3];
} OstrevanePDB;

/* The OLE Automation VARIANT as the host lays it out (16 bytes). */
typedef struct OstrevaneVariant {
    uint16_t Kind; /* VT_EMPTY, VT_I4, VT_R8, VT_BSTR, ... */
    uint16_t Reserved[3];
    union {
        uint8_t Bytes[8];
        int64_t Integer64;
        double Double;
        float Single;
        void* Pointer;
    } Data;
} OstrevaneVariant;

/* The host's tag record; the bytes the driver does not read belong to the host. */
typedef struct HostTagRec {
    uint32_t TagId;
    char Name[32];        /* zero-terminated when shorter than 32 */
    uint8_t Reserved36[4];
    char Address[64];     /* zero-terminated when shorter than 64 */
    uint8_t ValueType;
    uint8_t Reserved105[3];
    uint32_t ReportInterval; /* ms */
    uint8_t Reserved112[8];
    OstrevaneVariant InitialValue;
} HostTagRec;

/* One value record, 28 bytes. */
typedef struct TagDataRec {
    uint32_t TagId;
    double TimeStamp;     /* OLE date: days since 1899-12-30, local time */
    uint32_t Quality;     /* 0 good, OSTREVANE_QUALITY_BAD bad */
    uint8_t ValueType;
    uint8_t Reserved17[3];
    union {
        double Number;    /* type 0 */
        uint32_t Boolean; /* type 1: 1 or 0 */
        char* Text;       /* type 2: GBK text owned as described above, or NULL */
        uint8_t Bytes[8];
    } Value;
} TagDataRec;

/* One tag-type description for the host's tag editor, 536 bytes. */
typedef struct TagEditorEntry {
    uint8_t Mnemonic[256];    /* counted text */
    uint8_t Description[256]; /* counted text */
    uint8_t ValueType;
    uint8_t Attribute;
    uint8_t Reserved514[2];
    double Maximum;
    double Minimum;
    uint32_t Zero;
} TagEditorEntry;

#pragma pack(pop)

#ifdef __cplusplus
#define OSTREVANE_LAYOUT_CHECK(cond, what) static_assert(cond, what)
#else
#define OSTREVANE_LAYOUT_CHECK(cond, what) _Static_assert(cond, what)
#endif

OSTREVANE_LAYOUT_CHECK(sizeof(DeviceEntry) == 264, "DeviceEntry is 264 bytes");
OSTREVANE_LAYOUT_CHECK(offsetof(DeviceEntry, DeviceType) == 4, "DeviceType at 4");
OSTREVANE_LAYOUT_CHECK(offsetof(DeviceEntry, TypeName) == 5, "TypeName at 5");
OSTREVANE_LAYOUT_CHECK(offsetof(DeviceEntry, Reserved252) == 252, "reserved at 252");
OSTREVANE_LAYOUT_CHECK(offsetof(DeviceEntry, Reserved254) == 254, "reserved at 254");
OSTREVANE_LAYOUT_CHECK(offsetof(DeviceEntry, Reserved260) == 260, "reserved at 260");
OSTREVANE_LAYOUT_CHECK(sizeof(OstrevanePDB) == OSTREVANE_PDB_SIZE, "PDB is 26424 bytes");
OSTREVANE_LAYOUT_CHECK(offsetof(OstrevanePDB, CreateMode) == 8, "CreateMode at 8");
OSTREVANE_LAYOUT_CHECK(offsetof(OstrevanePDB, FirstDevice) == 12, "FirstDevice at 12");
OSTREVANE_LAYOUT_CHECK(offsetof(OstrevanePDB, Devices) == 16, "device table at 16");
OSTREVANE_LAYOUT_CHECK(offsetof(OstrevanePDB, PortCode) == 26416, "port code at 26416");
OSTREVANE_LAYOUT_CHECK(offsetof(OstrevanePDB, ParityCode) == 26420, "parity code at 26420");
OSTREVANE_LAYOUT_CHECK(sizeof(OstrevaneVariant) == 16, "VARIANT is 16 bytes");
OSTREVANE_LAYOUT_CHECK(offsetof(HostTagRec, Name) == 4, "name at 4");
OSTREVANE_LAYOUT_CHECK(offsetof(HostTagRec, Address) == 40, "address at 40");
OSTREVANE_LAYOUT_CHECK(offsetof(HostTagRec, ValueType) == 104, "value type at 104");
OSTREVANE_LAYOUT_CHECK(offsetof(HostTagRec, ReportInterval) == 108, "interval at 108");
OSTREVANE_LAYOUT_CHECK(offsetof(HostTagRec, InitialValue) == 120, "initial value at 120");
OSTREVANE_LAYOUT_CHECK(sizeof(TagDataRec) == 28, "TagDataRec is 28 bytes");
OSTREVANE_LAYOUT_CHECK(offsetof(TagDataRec, TimeStamp) == 4, "time stamp at 4");
OSTREVANE_LAYOUT_CHECK(offsetof(TagDataRec, Quality) == 12, "quality at 12");
OSTREVANE_LAYOUT_CHECK(offsetof(TagDataRec, ValueType) == 16, "value type at 16");
OSTREVANE_LAYOUT_CHECK(offsetof(TagDataRec, Value) == 20, "value at 20");
OSTREVANE_LAYOUT_CHECK(sizeof(TagEditorEntry) == 536, "TagEditorEntry is 536 bytes");
OSTREVANE_LAYOUT_CHECK(offsetof(TagEditorEntry, ValueType) == 512, "value type at 512");
OSTREVANE_LAYOUT_CHECK(offsetof(TagEditorEntry, Maximum) == 516, "maximum at 516");
OSTREVANE_LAYOUT_CHECK(offsetof(TagEditorEntry, Minimum) == 524, "minimum at 524");
OSTREVANE_LAYOUT_CHECK(offsetof(TagEditorEntry, Zero) == 532, "zero at 532");

/*
 * Event handle for IniDriverEx: a Windows event HANDLE; on POSIX a file
 * descriptor (eventfd or the write end of a pipe) that the driver writes to.
 */
typedef uintptr_t OstrevaneEvent;

OSTREVANE_API OstrevaneBool OSTREVANE_CALL IniDriver(uint32_t TagCount, HostTagRec** Tags, void* PDB, char** Msg);
OSTREVANE_API OstrevaneBool OSTREVANE_CALL IniDriverEx(OstrevaneEvent Event);
OSTREVANE_API OstrevaneBool OSTREVANE_CALL FreeDriver(void);
OSTREVANE_API OstrevaneBool OSTREVANE_CALL OnDataRead(uint32_t* Count, TagDataRec* Records, char** Msg);
OSTREVANE_API OstrevaneBool OSTREVANE_CALL OnDataWrite(uint32_t Count, TagDataRec* Records, char** Msg);
OSTREVANE_API OstrevaneBool OSTREVANE_CALL GetDeviceStatus(char** Msg);
OSTREVANE_API void OSTREVANE_CALL WriteLog(OstrevaneBool Enable, char** Msg);
OSTREVANE_API uint16_t OSTREVANE_CALL DetectScanTime(void);
OSTREVANE_API void OSTREVANE_CALL GetTagAddrList(uint32_t Reserved, uint32_t* Count, TagEditorEntry* Buffer);
OSTREVANE_API OstrevaneBool OSTREVANE_CALL TagEdAddr(void* PDB, char** Addr, OstrevaneBool Option, char** Msg);
OSTREVANE_API uint32_t OSTREVANE_CALL DLLEdDev(uintptr_t Window, void* PDB);
OSTREVANE_API OstrevaneBool OSTREVANE_CALL DLLTestDev(void* PDB, OstrevaneBool Option);
OSTREVANE_API uint32_t OSTREVANE_CALL GetPDBLen(void);
OSTREVANE_API void OSTREVANE_CALL FullPDB(void* PDB);

#ifdef __cplusplus
}
#endif

#endif
