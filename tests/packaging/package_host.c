/* A host built from a release package alone: it links the driver, fills a default
 * block and has a tag address checked, releasing every text as the header says.
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

int main(void)
{
    OstrevanePDB pdb;
    expect(GetPDBLen() == sizeof pdb, "GetPDBLen is not the header's block size");
    memset(&pdb, 0xA5, sizeof pdb);
    FullPDB(&pdb);
    expect(pdb.Devices[0].DeviceType == OSTREVANE_DEVICE_808 && pdb.PortCode == 0, "FullPDB: not one 808 on COM1");
    /* TagEdAddr hands back a new text in canonical form (from lower case and the
     * full-width colon, GBK A3 BA) and leaves the host's own alone. */
    char address[] = "pv0\xa3\xba"
                     "0";
    char *text = address, *message = NULL;
    expect((TagEdAddr(&pdb, &text, 0, &message) & 0xFF) == 1, "TagEdAddr refused pv0:0 of device 0");
    expect(strcmp(address, "pv0\xa3\xba"
                           "0") == 0,
           "TagEdAddr changed the host's text");
    expect(text != address && strcmp(text, "PV0:0.0") == 0, "TagEdAddr did not hand back PV0:0.0");
    if (text != address) release_text(text);
    release_text(message);
    if (failures == 0) printf("package host: passed (GetPDBLen, FullPDB, TagEdAddr)\n");
    return failures == 0 ? 0 : 1;
}
