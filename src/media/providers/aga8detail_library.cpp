// AGA8-DC92 detail characterization as a substance property library.
#include "aga8_detail.h"
#define NG_MODEL TAGA8Detail
#include "natural_gas_library.h"
