/* A host built from a release package alone, the way an integrator starts: it links
 * the driver, asks for the configuration block's size, fills a default block and has
 * a tag address checked, releasing every text the driver hands over as the header
 * says. Prints "package host: passed" and exits 0 when every answer is right. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "Ostrevane800.h"

#ifdef _WIN32
#include <windows.h>
#include <objbase.h>
static void release_text(char* text) { CoTaskMemFree(text); }
#else
static void release_text(char* text) { free(text); }
#endif

static int failures = 0;

static void expect(int condition, const char* what)
{
    if (!condition) {
        printf("package host: FAILED: %s\n", what);
        ++failures;
    }
}

/* Has TagEdAddr check `address` against the block; returns its result and hands back
 * the text it returned in Addr (NULL when none), released by the caller. */
static int check_address(OstrevanePDB* pdb, const char* address, char** returned)
{
    char host_copy[64];
    char* text = host_copy;
    char* message = NULL;
    strcpy(host_copy, address);
    OstrevaneBool result = TagEdAddr(pdb, &text, 0, &message);
    /* The driver hands back a new text and leaves the host's own alone. */
    expect(text != host_copy, "TagEdAddr returned the host's own buffer");
    expect(strcmp(host_copy, address) == 0, "TagEdAddr changed the host's text");
    *returned = text == host_copy ? NULL : text;
    release_text(message);
    return result & 0xFF;
}

int main(void)
{
    const uint32_t size = GetPDBLen();
    expect(size == OSTREVANE_PDB_SIZE && size == sizeof(OstrevanePDB), "GetPDBLen is not the header's block size");

    OstrevanePDB* pdb = malloc(sizeof *pdb);
    if (!pdb) return 2;
    memset(pdb, 0xA5, sizeof *pdb);
    FullPDB(pdb);
    /* The default: one 808 at address 0 on COM1, 9600 bits/s (code 6), 8N1. */
    expect(pdb->Devices[0].DeviceType == OSTREVANE_DEVICE_808, "FullPDB: device 0 is not an 808");
    expect(pdb->Devices[7].DeviceType == OSTREVANE_NO_DEVICE && pdb->Devices[7].DeviceNo == 7,
           "FullPDB: entry 7 is not a free entry numbered 7");
    expect(pdb->PortCode == 0 && pdb->BaudCode == 6 && pdb->DataBitsCode == 4 && pdb->StopBitsCode == 0 &&
               pdb->ParityCode == 0,
           "FullPDB: the serial settings are not COM1 9600 8N1");

    char* text = NULL;
    /* Lower case and the full-width colon (GBK A3 BA) come back in canonical form. */
    expect(check_address(pdb, "pv0\xa3\xba" "0", &text) == 1, "TagEdAddr refused pv0:0 for the configured device 0");
    expect(text != NULL && strcmp(text, "PV0:0.0") == 0, "TagEdAddr did not rewrite pv0:0 as PV0:0.0");
    release_text(text);
    /* The tag editor learns of a free entry through the parts it cannot fill. */
    check_address(pdb, "PV7:0.0", &text);
    expect(text != NULL && strcmp(text, "PV7:-1.-1") == 0, "TagEdAddr did not mark PV7:0.0 of the free entry 7");
    release_text(text);
    expect(check_address(pdb, "QQ0:0.0", &text) == 0, "TagEdAddr accepted the unknown mnemonic QQ");
    release_text(text);

    free(pdb);
    if (failures == 0) printf("package host: passed (GetPDBLen %u, FullPDB, TagEdAddr)\n", (unsigned)size);
    return failures == 0 ? 0 : 1;
}
