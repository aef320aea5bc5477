#include "protocol/DLLRealize.h"
