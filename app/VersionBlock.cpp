// The version block of the program.
#include "VersionBlock.h"

NUVARINE_VERSION_BLOCK(2, 0, 0, 1, "", "");
