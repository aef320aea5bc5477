// A framework file that reaches up into the driver: the checker must reject it.
#include "driver/DLLMain.h"
#include "framework/DLLBase.h"
