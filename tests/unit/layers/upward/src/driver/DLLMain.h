// A driver header that only points down: allowed.
#include "framework/DLLBase.h"
