#include "SkyModel.h"

CSkyModel::CSkyModel() = default;
CSkyModel::~CSkyModel() = default;
