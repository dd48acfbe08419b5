// The version block of the planet library.
#include "VersionBlock.h"

NUVARINE_VERSION_BLOCK(2, 0, 0, 1, "", "");
