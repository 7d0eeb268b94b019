// GXRMparser.h: everything a host needs, in one include.
//
//   #include <GXRMparser/GXRMparser.h>
//
// Headers of subsystems that are not built yet are added here as they land.
#pragma once

#include "core/GXRMapi.h"
#include "format/GXRMformat.h"
