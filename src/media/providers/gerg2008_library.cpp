// GERG-2008 as a substance property library.
#include "gerg2008.h"
#define NG_MODEL TGERG2008
#include "natural_gas_library.h"
