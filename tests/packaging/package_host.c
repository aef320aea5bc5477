/* A host built from a release package alone, as each kind of integrator builds one:
 * with a C runtime (Linux, MinGW), or as Visual Studio links it without one (entry
 * hostMain, kernel32's few functions declared here and taken from an import library made
 * of kernel32.def). It links the driver, also finds a function by name at run time, fills
 * a default block and has a tag address checked, releasing every text as the header says.
 * Prints "package host: passed" and exits 0 when every answer is right. */
#include "Ostrevane800.h"

#ifdef _WIN32
#define WINAPI __stdcall
__declspec(dllimport) void* WINAPI GetStdHandle(uint32_t which);
__declspec(dllimport) int WINAPI
    WriteFile(void* file, const void* bytes, uint32_t count, uint32_t* written, void* overlapped);
__declspec(dllimport) void* WINAPI LoadLibraryA(const char* name);
__declspec(dllimport) void* WINAPI GetProcAddress(void* module, const char* name);
__declspec(dllimport) void WINAPI ExitProcess(uint32_t code);
static void output(const char* text, uint32_t length)
{
    uint32_t written = 0;
    WriteFile(GetStdHandle((uint32_t)-11), text, length, &written, 0); /* standard output */
}
static void* driverFunction(const char* name) { return GetProcAddress(LoadLibraryA("Ostrevane800.dll"), name); }
#define RELEASE_TEXTS GetProcAddress(LoadLibraryA("ole32.dll"), "CoTaskMemFree")
#else
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#define WINAPI
static void output(const char* text, uint32_t length) { fwrite(text, 1, length, stdout); }
static void* driverFunction(const char* name) { return dlsym(dlopen("libOstrevane800.so.3", RTLD_NOW), name); }
#define RELEASE_TEXTS (void*)free
#endif

static OstrevanePDB pdb; /* static: a 26 KB frame would need the C runtime's stack probe */
static int failures;

static int same(const char* a, const char* b)
{
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}

static void say(const char* text)
{
    uint32_t length = 0;
    while (text[length]) ++length;
    output(text, length);
}

static void expect(int condition, const char* what)
{
    if (condition) return;
    say("package host: FAILED: ");
    say(what);
    say("\n");
    ++failures;
}

static int check(void)
{
    void(WINAPI * releaseText)(void*) = (void(WINAPI*)(void*))RELEASE_TEXTS;
    uint32_t(OSTREVANE_CALL * loaded)(void) = (uint32_t(OSTREVANE_CALL*)(void))driverFunction("GetPDBLen");
    expect(releaseText != 0, "the function that releases the driver's texts is not there");
    expect(loaded && loaded() == sizeof pdb, "GetPDBLen found by name is not the header's block size");
    expect(GetPDBLen() == sizeof pdb, "GetPDBLen is not the header's block size");
    FullPDB(&pdb);
    expect(pdb.Devices[0].DeviceType == OSTREVANE_DEVICE_808 && pdb.PortCode == 0, "FullPDB: not one 808 on COM1");
    /* TagEdAddr hands back a new text in canonical form (from lower case and the
     * full-width colon, GBK A3 BA) and leaves the host's own alone. */
    char address[] = "pv0\xa3\xba"
                     "0";
    char *text = address, *message = 0;
    expect((TagEdAddr(&pdb, &text, 0, &message) & 0xFF) == 1, "TagEdAddr refused pv0:0 of device 0");
    expect(same(address, "pv0\xa3\xba"
                         "0"),
           "TagEdAddr changed the host's text");
    expect(text != address && same(text, "PV0:0.0"), "TagEdAddr did not hand back PV0:0.0");
    if (releaseText && text != address) releaseText(text);
    if (releaseText) releaseText(message);
    if (failures == 0) say("package host: passed (GetPDBLen, FullPDB, TagEdAddr)\n");
    return failures == 0 ? 0 : 1;
}

#ifdef _MSC_VER
void hostMain(void) { ExitProcess((uint32_t)check()); }
#else
int main(void) { return check(); }
#endif
