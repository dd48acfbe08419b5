// Default bodies of the orbit-table and orbit-path steps of the per-instant
// update, for builds without that code.
#include "SkyModel.h"

void CSkyModel::UpdateOrbitTable() {}
void CSkyModel::BuildOrbitPaths() {}
