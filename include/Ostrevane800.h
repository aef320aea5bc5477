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

/* Boolean arguments and results: 1 or 0; only the low byte is meaningful, and the
 * driver takes any nonzero argument as true. */
typedef uint8_t OstrevaneBool;

enum {
    OSTREVANE_PDB_SIZE = 26424,
    OSTREVANE_DEVICE_COUNT = 100,
    OSTREVANE_TAG_TYPE_COUNT = 32,
    /* TagDataRec.Quality takes exactly these two values. */
    OSTREVANE_QUALITY_GOOD = 0,
    OSTREVANE_QUALITY_BAD = 67108864 /* bit 26 alone */
};

/* Value types of HostTagRec, TagDataRec and TagEditorEntry (the only three). */
enum { OSTREVANE_VALUE_NUMBER = 0, OSTREVANE_VALUE_BOOLEAN = 1, OSTREVANE_VALUE_TEXT = 2 };

/* Device-type codes of a device entry. Any other code, or a code whose TypeName is
 * not "Ostrevane808" / "Ostrevane847" respectively, is cleared to 2 by validation. */
enum { OSTREVANE_DEVICE_808 = 0, OSTREVANE_DEVICE_847 = 1, OSTREVANE_NO_DEVICE = 2 };

#pragma pack(push, 1)

/* One entry of the device table; entry N configures the instrument at address N. */
typedef struct DeviceEntry {
    int32_t DeviceNo;     /* always N: the instrument's address on the line */
    uint8_t DeviceType;   /* 0 = Ostrevane808, 1 = Ostrevane847, 2 = no device */
    uint8_t TypeName[247];/* counted GBK text: length byte, at most 246 characters;
                             must equal the type's name for codes 0 and 1 */
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
    uint8_t DebugSwitch;  /* Boolean: debug lines in the log */
    uint8_t ErrorOutput;  /* Boolean: communication errors in the log */
    uint8_t TraceOutput;  /* Boolean: frames sent and received in the log */
    uint8_t Reserved3[5];
    uint8_t CreateMode;   /* 0 = single device (RS232), 1 = several (RS485/RS422);
                             read by the wizard only */
    uint8_t Reserved9[3];
    uint32_t FirstDevice; /* device the wizard's device pages preselect */
    DeviceEntry Devices[OSTREVANE_DEVICE_COUNT];
    /* The serial codes. A baud, data-bits, stop-bits or parity code outside its list
     * keeps the port closed (IniDriver fails); a port code outside 0..9 opens COM1
     * and the status text says the settings are wrong. */
    uint8_t PortCode;     /* 0..9 = COM1..COM10 (POSIX: OSTREVANE800_COM1.., else
                             /dev/ttyS0..9) */
    uint8_t BaudCode;     /* 0 = 110, 1 = 300, 2 = 600, 3 = 1200, 4 = 2400, 5 = 4800,
                             6 = 9600, 7 = 14400, 8 = 19200, 9 = 38400, 10 = 56000,
                             11 = 57600, 12 = 115200, 13 = 128000, 14 = 256000 */
    uint8_t DataBitsCode; /* 0 = 4, 1 = 5, 2 = 6, 3 = 7, 4 = 8 data bits (the
                             wizard offers 3 and 4) */
    uint8_t StopBitsCode; /* 0 = 1, 1 = 1.5, 2 = 2 stop bits */
    uint8_t ParityCode;   /* 0 = none, 1 = odd, 2 = even, 3 = mark, 4 = space */
    uint8_t Reserved26421[3];
} OstrevanePDB;

/* The OLE Automation VARIANT as the host lays it out (16 bytes). */
typedef struct OstrevaneVariant {
    uint16_t Kind; /* VARTYPE. Converted to the tag's type: VT_I2, VT_I4, VT_R4, VT_R8,
                      VT_CY, VT_DATE, VT_BSTR, VT_BOOL, VT_I1, VT_UI1, VT_UI2, VT_UI4,
                      VT_I8, VT_UI8, VT_INT, VT_UINT. VT_EMPTY and every other kind
                      give the type's zero value (0, false, empty text). */
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
    uint32_t TagId;       /* the host's key; values are reported under it */
    char Name[32];        /* zero-terminated when shorter than 32; log texts only */
    uint8_t Reserved36[4];
    char Address[64];     /* zero-terminated when shorter than 64 */
    uint8_t ValueType;    /* 0 number, 1 Boolean, 2 text */
    uint8_t Reserved105[3];
    uint32_t ReportInterval; /* ms: the least time between two reports */
    uint8_t Reserved112[8];
    OstrevaneVariant InitialValue; /* the first value unless VT_EMPTY */
} HostTagRec;

/* One value record, 28 bytes. */
typedef struct TagDataRec {
    uint32_t TagId;       /* as in HostTagRec */
    double TimeStamp;     /* OLE date: days since 1899-12-30, local time */
    uint32_t Quality;     /* 0 good, OSTREVANE_QUALITY_BAD bad; ignored by OnDataWrite */
    uint8_t ValueType;    /* 0 number, 1 Boolean, 2 text */
    uint8_t Reserved17[3];
    union {
        double Number;    /* type 0 */
        uint32_t Boolean; /* type 1: 1 or 0 (OnDataWrite takes any nonzero as 1) */
        char* Text;       /* type 2: zero-terminated GBK text or NULL for an empty one;
                             from OnDataRead the host's to free, to OnDataWrite the
                             host's still (the driver copies it) */
        uint8_t Bytes[8];
    } Value;
} TagDataRec;

/* One tag-type description for the host's tag editor, 536 bytes. */
typedef struct TagEditorEntry {
    uint8_t Mnemonic[256];    /* counted GBK text: the address's leading mnemonic */
    uint8_t Description[256]; /* counted GBK text */
    uint8_t ValueType;        /* 0 (number) for every tag type of this driver */
    uint8_t Attribute;        /* 0 or 2, handed over for the editor, not interpreted */
    uint8_t Reserved514[2];   /* not written */
    double Maximum;           /* for the editor; the driver never compares with it */
    double Minimum;
    uint32_t Zero;            /* written as 0 */
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

/*
 * The functions.
 *
 * Threads. The library starts no thread: every call runs on the calling host
 * thread. Each host communication thread owns at most one driver object, made by
 * IniDriver and reached by the later calls of that same thread; a call made on
 * another thread does not see it. Per thread: IniDriver once, optionally
 * IniDriverEx, then OnDataRead, OnDataWrite, GetDeviceStatus, WriteLog and
 * DetectScanTime in any order, FreeDriver at the end. The object is destroyed when
 * its thread ends (Windows: thread detach) or the library is unloaded.
 * GetPDBLen, FullPDB, GetTagAddrList, TagEdAddr, DLLEdDev and DLLTestDev are
 * configuration calls that need no IniDriver and may be made on any thread.
 *
 * Texts out. Msg and Addr are out parameters of type "pointer to a text pointer";
 * either may be NULL. Every call that takes Msg first sets *Msg to NULL, then stores
 * either NULL (no message, or an empty one) or a new zero-terminated GBK buffer
 * that the host owns: release it with CoTaskMemFree on Windows, free on POSIX. The
 * driver never reads or frees such a buffer again. "No driver object" below means
 * *Msg receives the text "通讯设备初始化失败" (GBK).
 *
 * Failures. No failure escapes a call: an unexpected one is written to the log
 * and the call returns the neutral result given below.
 */

/*
 * Creates the calling thread's driver object and starts it on the PDB's serial
 * port with the given tags.
 *   TagCount in: the number of pointers in Tags (0 gives an object that stops at once).
 *   Tags     in: array of TagCount pointers to the host's tag records; read during
 *                the call only. NULL: returns 0, *Msg "无效的标签列表。", no object.
 *   PDB      in/out: a block of OSTREVANE_PDB_SIZE bytes; inconsistent device
 *                entries are cleared in place, the driver runs on a private copy.
 *                NULL: returns 0, *Msg "无效的参数信息。", no object.
 *   Msg      out: the start's status text (rejected tags, port errors), or NULL.
 * Returns 1 when the port opened, 0 when it did not (the object stays, not running)
 * or when the start failed. Serialised across threads: a thread that cannot begin
 * within 5000 ms gets 0 and "设备不支持并发访问，共享冲突。". A second IniDriver on the
 * same thread replaces the thread's object; the previous one is stopped and destroyed.
 */
OSTREVANE_API OstrevaneBool OSTREVANE_CALL IniDriver(uint32_t TagCount, HostTagRec** Tags, void* PDB, char** Msg);

/*
 * Gives the calling thread's driver object an event to signal when communication
 * keeps failing (every reply time-out from the 11th in a row on).
 *   Event in: Windows: an event HANDLE; POSIX: a file descriptor (eventfd or the
 *             write end of a pipe) to which the driver writes one 8-byte count of 1.
 * Returns 1, with or without a driver object (without one nothing is stored).
 */
OSTREVANE_API OstrevaneBool OSTREVANE_CALL IniDriverEx(OstrevaneEvent Event);

/*
 * Stops the calling thread's driver object: writes its statistics to the log and
 * closes its port. The object stays until its thread ends. Returns 1, with or
 * without a driver object.
 */
OSTREVANE_API OstrevaneBool OSTREVANE_CALL FreeDriver(void);

/*
 * One poll step on the calling thread's object (at most one exchange on the line,
 * never waiting for a reply), then the tags to report.
 *   Count   out: the number of records filled (0 first, also on every failure).
 *   Records out: room for as many records as the object holds tags (at most the
 *                TagCount given to IniDriver). Each tag appears at most once; Text
 *                values are new buffers the host releases like Msg.
 *   Msg     out: the object's status text, or NULL.
 * Returns 1 always. No driver object, or Count or Records NULL: nothing is read,
 * *Count (when Count is not NULL) is 0 and *Msg is "no driver object".
 */
OSTREVANE_API OstrevaneBool OSTREVANE_CALL OnDataRead(uint32_t* Count, TagDataRec* Records, char** Msg);

/*
 * Queues host writes on the calling thread's object; the frames go out during
 * later OnDataRead calls.
 *   Count   in: the number of records.
 *   Records in: Count records (TagId, ValueType and Value read; texts copied). A
 *               record whose id names no tag, or whose type differs from the
 *               tag's, is skipped without a message.
 *   Msg     out: the object's status text (refused writes), or NULL.
 * Returns the result of the last write carried out, 0 when none was. No driver
 * object, Count 0 or Records NULL: returns 0 and "no driver object".
 */
OSTREVANE_API OstrevaneBool OSTREVANE_CALL OnDataWrite(uint32_t Count, TagDataRec* Records, char** Msg);

/*
 * Hands over and clears the calling thread's object's status text.
 *   Msg out: the status text, or NULL when there is none.
 * Returns 1 always; without a driver object *Msg is "no driver object".
 */
OSTREVANE_API OstrevaneBool OSTREVANE_CALL GetDeviceStatus(char** Msg);

/*
 * Switches the log of the calling thread's object on or off, but only while the
 * object has a status text to hand over; with none, nothing changes and *Msg is NULL.
 *   Enable in: Boolean.
 *   Msg    out: the status text (then cleared), or NULL.
 * Without a driver object *Msg is "no driver object".
 */
OSTREVANE_API void OSTREVANE_CALL WriteLog(OstrevaneBool Enable, char** Msg);

/*
 * The interval in ms at which the host should call OnDataRead: 1000 without a
 * driver object on the calling thread; 10 after an IniDriver that accepted tags,
 * 500 after one that accepted none.
 */
OSTREVANE_API uint16_t OSTREVANE_CALL DetectScanTime(void);

/*
 * The tag types for the host's tag editor.
 *   Reserved in: ignored.
 *   Count    in: with Buffer, the number of records Buffer holds.
 *            out: OSTREVANE_TAG_TYPE_COUNT when Buffer is NULL, else the number
 *                 copied (at most 32). Count NULL: nothing happens.
 *   Buffer   out: the first Count tag types, or NULL to ask for the count; the
 *                 rest of a larger buffer is left untouched.
 */
OSTREVANE_API void OSTREVANE_CALL GetTagAddrList(uint32_t Reserved, uint32_t* Count, TagEditorEntry* Buffer);

/*
 * Checks one tag address against a configuration and writes it back in its
 * canonical form. Independent of the calling thread's driver object.
 *   PDB    in: the configuration whose device table the address must fit. NULL:
 *              returns 0 and "no driver object".
 *   Addr   in: pointer to the address text (NULL or *Addr NULL: an empty address).
 *          out: when Addr is not NULL, *Addr receives a new buffer with the
 *              address (canonical when checked, unchanged otherwise), NULL for an
 *              empty one; the host still owns and frees the text it passed in, and
 *              frees the new one like Msg.
 *   Option in: 0 = check the address; nonzero = accept it unexamined.
 *   Msg    out: why the address was refused or rewritten, or NULL.
 * Returns 1 when the address is accepted (always with Option nonzero), else 0. An
 * accepted address may still carry -1 for a part the device lacks; a run refuses
 * it. Every call writes the driver's start banner to the log (a temporary driver
 * object checks the address).
 */
OSTREVANE_API OstrevaneBool OSTREVANE_CALL TagEdAddr(void* PDB, char** Addr, OstrevaneBool Option, char** Msg);

/*
 * Runs the configuration wizard, modally, on the calling thread.
 *   Window in: the host's main window (Windows HWND); the wizard's windows belong
 *              to it. Ignored on POSIX.
 *   PDB    in/out: the host's configuration; inconsistent device entries are
 *              cleared, and the wizard writes the edited copy back when the user
 *              finishes. On POSIX there are no windows: the block is validated only.
 * Returns 1 when the configuration changed (validation cleared an entry, or on
 * Windows the user changed devices or serial settings), else 2; 2 as well for a
 * NULL PDB or a failure.
 */
OSTREVANE_API uint32_t OSTREVANE_CALL DLLEdDev(uintptr_t Window, void* PDB);

/*
 * Runs the device test on a copy of the configuration: it starts a driver object of
 * its own on the calling thread (through IniDriver, with one tag "AI") and tells the
 * user in a message box when the configuration has nothing to test. The test window
 * itself is never shown.
 *   PDB    in: the configuration, left unchanged. NULL: returns 0 at once.
 *   Option in: Boolean, the host's wish to see the window; not used.
 * Returns 0. Afterwards the calling thread has no driver object: the test's own
 * replaced any object the thread held and is destroyed at the end, so do not call
 * it on a communication thread.
 */
OSTREVANE_API OstrevaneBool OSTREVANE_CALL DLLTestDev(void* PDB, OstrevaneBool Option);

/* The size of the configuration block: OSTREVANE_PDB_SIZE (26424). */
OSTREVANE_API uint32_t OSTREVANE_CALL GetPDBLen(void);

/*
 * Fills a block of OSTREVANE_PDB_SIZE bytes with the default configuration: one
 * Ostrevane808 at address 0 on COM1, 9600 baud, 8 data bits, 1 stop bit, no
 * parity, logging off. Reserved bytes without a default are left as they were, so
 * pass a zeroed block. NULL is ignored.
 */
OSTREVANE_API void OSTREVANE_CALL FullPDB(void* PDB);

#ifdef __cplusplus
}
#endif

#endif
