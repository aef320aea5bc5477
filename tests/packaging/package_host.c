/* A host built from a release package alone: it links the driver, fills a default
 * block and has tag addresses checked, releasing every text as the header says.
 * Prints "package host: passed" and exits 0 when every answer is right. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "Ostrevane800.h"

#ifdef _WIN32
#include <windows.h>
#include <objbase.h>
#define release_text CoTaskMemFree
#else
#define release_text free
#endif

static int failures = 0;

static void expect(int condition, const char* what)
{
    if (!condition) printf("package host: FAILED: %s\n", what);
    failures += !condition;
}

/* TagEdAddr on a copy of `address`: the driver hands back a new text, in canonical
 * form, and leaves the host's own alone. */
static int check_address(OstrevanePDB* pdb, const char* address, const char* canonical)
{
    char host_copy[64];
    char* text = strcpy(host_copy, address);
    char* message = NULL;
    const int result = TagEdAddr(pdb, &text, 0, &message) & 0xFF;
    expect(strcmp(host_copy, address) == 0, "TagEdAddr changed the host's text");
    expect(text != host_copy && (!canonical || strcmp(text, canonical) == 0), "TagEdAddr did not hand back the text");
    if (text != host_copy) release_text(text);
    release_text(message);
    return result;
}

int main(void)
{
    const uint32_t size = GetPDBLen();
    expect(size == sizeof(OstrevanePDB), "GetPDBLen is not the header's block size");
    OstrevanePDB* pdb = malloc(sizeof *pdb);
    memset(pdb, 0xA5, sizeof *pdb);
    FullPDB(pdb);
    expect(pdb->Devices[0].DeviceType == OSTREVANE_DEVICE_808 && pdb->PortCode == 0, "FullPDB: not one 808 on COM1");
    /* Lower case and the full-width colon (GBK A3 BA) come back in canonical form. */
    expect(check_address(pdb,
                         "pv0\xa3\xba"
                         "0",
                         "PV0:0.0") == 1,
           "TagEdAddr refused pv0:0 of device 0");
    expect(check_address(pdb, "QQ0:0.0", NULL) == 0, "TagEdAddr accepted the unknown mnemonic QQ");
    free(pdb);
    if (failures == 0) printf("package host: passed (GetPDBLen %u, FullPDB, TagEdAddr)\n", (unsigned)size);
    return failures == 0 ? 0 : 1;
}
