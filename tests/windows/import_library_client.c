/* A host written in C: it includes the public header as C and reaches the driver
 * through the import library, by the names its compiler emits (IniDriver@16 and so
 * on for 32-bit stdcall). */
#include "Ostrevane800.h"

uint32_t importLibraryPDBLength(void) { return GetPDBLen(); }

uint16_t importLibraryScanTime(void) { return DetectScanTime(); }
