// GXRMnames.h: kinds and types by their names in UTF-8, for the model
// interface, the Python package and the tool.
//
// A kind is named by its element name ("COLUMN") or its Chinese name ("柱"),
// a type by its enumerator's name ("FRAME_COLUMN") or its Chinese name
// ("框架柱"). Comparison is exact.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "../core/GXRMapi.h"
#include "CGXRMobjBase.h"
#include "CGXRMobjTypeBase.h"

namespace gxrm {

/// The enumerator's name of the type ("FRAME_COLUMN"); "" for a value no type has.
GXRM_API const char* TypeEnumName(GXRM_objType_base::Type type);
/// The Chinese name of the type in UTF-8; "" for a value no type has.
GXRM_API const std::string& TypeChineseName(GXRM_objType_base::Type type);
/// The type named by its enumerator's name or its Chinese name; nullopt if none.
GXRM_API std::optional<GXRM_objType_base::Type> ParseType(std::string_view name);
/// The type whose "Type" element carries this Chinese name; TYPE_NONE if none.
GXRM_API GXRM_objType_base::Type TypeByChineseName(std::string_view name);

/// The kind's element name, which is also its enumerator's name ("COLUMN"); "" if none.
GXRM_API const char* KindEnumName(GXRM_obj_base::Kind kind);
/// The Chinese name of the kind in UTF-8; "" for a value no kind has.
GXRM_API const std::string& KindChineseName(GXRM_obj_base::Kind kind);
/// The kind named by its element name or its Chinese name; nullopt if none.
GXRM_API std::optional<GXRM_obj_base::Kind> ParseKind(std::string_view name);
/// The kind whose element has this name; nullopt if none.
GXRM_API std::optional<GXRM_obj_base::Kind> KindByElementName(std::string_view name);

}  // namespace gxrm
