#include "diagnostics/DLLDebug.h"

namespace diagnostics {
TDebugFrm::TDebugFrm() { className = "TDebugFrm"; }  // TEMPORARY
}  // namespace diagnostics
