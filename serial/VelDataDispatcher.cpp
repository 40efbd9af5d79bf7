#include "VelDataDispatcher.h"

VEL_CLASS_IMPL(TVelDataDispConnComponent, TComponent)
