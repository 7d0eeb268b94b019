// GXRMparser.h: everything a host needs, in one include.
//
//   #include <GXRMparser/GXRMparser.h>
//
// Headers of subsystems that are not built yet are added here as they land.
#pragma once

#include "core/CGXRMfileParser.h"
#include "core/CGXRMnode.h"
#include "core/GXRMapi.h"
#include "core/GXRMdom.h"
#include "core/GXRMerror.h"
#include "core/GXRMmessage.h"
#include "core/GXRMtext.h"
#include "core/GXRMversion.h"
#include "format/GXRMformat.h"
#include "records/CGXRMobj.h"
#include "records/CGXRMobjType.h"
#include "catalogue/CGXRMobjBase.h"
#include "catalogue/CGXRMobjTypeBase.h"
#include "catalogue/CGXRMsectMng.h"
#include "catalogue/GXRMnames.h"
#include "writer/CGXRMwriter.h"
#include "reader/CGXRMreader.h"
#include "model/GXRMmodel.h"
