// GXRMmodel.h: the model interface, also reachable as <GXRMparser/GXRMmodel.h>.
#pragma once

#include "model/GXRMmodel.h"
