// GXRMnames.cpp: UTF-8 names of kinds and types, made once from the catalogue.
#include "catalogue/GXRMnames.h"

#include <array>
#include <iterator>
#include <unordered_map>

#include "catalogue/GXRMkindsImpl.h"
#include "core/GXRMtext.h"

namespace gxrm {
namespace {

using GXRM_objType_base::Type;

#define GXRM_TYPE_ROW(t) \
  { GXRM_objType_base::t, #t }
struct EnumRow {
  Type type;
  const char* name;
};
// clang-format off
constexpr EnumRow kTypeEnumNames[] = {
    GXRM_TYPE_ROW(AXIS_GRID),
    GXRM_TYPE_ROW(SHEAR_WALL),
    GXRM_TYPE_ROW(BRICK_WALL),
    GXRM_TYPE_ROW(CONC_OUTER_WALL),
    GXRM_TYPE_ROW(CONC_INNER_WALL),
    GXRM_TYPE_ROW(BRICK_OUTER_WALL),
    GXRM_TYPE_ROW(BRICK_INNER_WALL),
    GXRM_TYPE_ROW(SHAFT_WALL),
    GXRM_TYPE_ROW(PARTITION_WALL),
    GXRM_TYPE_ROW(ZERO_WALL),
    GXRM_TYPE_ROW(FRAME_COLUMN),
    GXRM_TYPE_ROW(CONC_COLUMN),
    GXRM_TYPE_ROW(HIDDEN_COLUMN),
    GXRM_TYPE_ROW(BRICK_COLUMN),
    GXRM_TYPE_ROW(STRUCT_COLUMN),
    GXRM_TYPE_ROW(ADAPTIVE_HIDDEN_COLUMN),
    GXRM_TYPE_ROW(FRAME_BEAM),
    GXRM_TYPE_ROW(SECONDARY_BEAM),
    GXRM_TYPE_ROW(COUPLING_BEAM),
    GXRM_TYPE_ROW(INDEPENDENT_BEAM),
    GXRM_TYPE_ROW(RING_BEAM),
    GXRM_TYPE_ROW(CAST_SLAB),
    GXRM_TYPE_ROW(SLAB_HOLE),
    GXRM_TYPE_ROW(STAIR),
    GXRM_TYPE_ROW(ISOLATED_FOOTING),
    GXRM_TYPE_ROW(STRIP_FOOTING),
    GXRM_TYPE_ROW(FOUND_TIE_BEAM),
    GXRM_TYPE_ROW(FOUND_MAIN_BEAM),
    GXRM_TYPE_ROW(FOUND_SECONDARY_BEAM),
    GXRM_TYPE_ROW(FOUND_BEAM),
    GXRM_TYPE_ROW(CONC_STRIP_FOOTING),
    GXRM_TYPE_ROW(MASONRY_STRIP_FOOTING),
    GXRM_TYPE_ROW(PEDESTAL_FOOTING),
    GXRM_TYPE_ROW(MAT_FOUNDATION),
    GXRM_TYPE_ROW(RAFT_FOUNDATION),
    GXRM_TYPE_ROW(WALL_HOLE),
    GXRM_TYPE_ROW(DOOR),
    GXRM_TYPE_ROW(WINDOW),
    GXRM_TYPE_ROW(BAY_WINDOW),
    GXRM_TYPE_ROW(CORNER_BAY_WINDOW),
    GXRM_TYPE_ROW(INFILL_WALL),
    GXRM_TYPE_ROW(LINTEL),
    GXRM_TYPE_ROW(ROOM),
    GXRM_TYPE_ROW(POST_CAST_STRIP),
    GXRM_TYPE_ROW(CUSTOM_LINEAR),
    GXRM_TYPE_ROW(RAFT_HOLE),
    GXRM_TYPE_ROW(PIT),
    GXRM_TYPE_ROW(BUILDING_AREA),
};
// clang-format on
#undef GXRM_TYPE_ROW
static_assert(std::size(kTypeEnumNames) == GXRM_objType_base::TYPE_NONE, "one row per type");

const std::string kEmpty;

bool Known(int value, int count) { return value >= 0 && value < count; }

// The Chinese names in UTF-8, indexed by value.
const std::array<std::string, GXRM_objType_base::TYPE_NONE>& TypeChinese() {
  static const auto names = [] {
    std::array<std::string, GXRM_objType_base::TYPE_NONE> all;
    for (int t = 0; t < GXRM_objType_base::TYPE_NONE; ++t)
      all[t] = ToUtf8(CGXRMobjTypeBase::GetObjTypeName(static_cast<Type>(t)));
    return all;
  }();
  return names;
}

constexpr int kKindCount = 9;

const std::array<std::string, kKindCount>& KindChinese() {
  static const auto names = [] {
    std::array<std::string, kKindCount> all;
    for (int k = 0; k < kKindCount; ++k)
      all[k] = ToUtf8(CGXRMobjBase::GetObjChNamebyKind(static_cast<GXRM_obj_base::Kind>(k)));
    return all;
  }();
  return names;
}

}  // namespace

const char* TypeEnumName(Type type) {
  for (const EnumRow& row : kTypeEnumNames) {
    if (row.type == type) return row.name;
  }
  return "";
}

const std::string& TypeChineseName(Type type) {
  return Known(type, GXRM_objType_base::TYPE_NONE) ? TypeChinese()[type] : kEmpty;
}

Type TypeByChineseName(std::string_view name) {
  // Asked once per component when a whole model is read: hashed, not searched.
  static const auto by_name = [] {
    std::unordered_map<std::string_view, Type> types;
    const auto& names = TypeChinese();
    for (int t = 0; t < GXRM_objType_base::TYPE_NONE; ++t) types.emplace(names[t], static_cast<Type>(t));
    return types;
  }();
  const auto found = by_name.find(name);
  return found == by_name.end() ? GXRM_objType_base::TYPE_NONE : found->second;
}

std::optional<Type> ParseType(std::string_view name) {
  for (const EnumRow& row : kTypeEnumNames) {
    if (name == row.name) return row.type;
  }
  Type type = TypeByChineseName(name);
  if (type == GXRM_objType_base::TYPE_NONE) return std::nullopt;
  return type;
}

const char* KindEnumName(GXRM_obj_base::Kind kind) {
  for (const catalogue::KindTypes& entry : catalogue::KindsWithTypes()) {
    if (entry.kind == kind) return entry.element.c_str();
  }
  return "";
}

const std::string& KindChineseName(GXRM_obj_base::Kind kind) {
  return Known(kind, kKindCount) ? KindChinese()[kind] : kEmpty;
}

std::optional<GXRM_obj_base::Kind> KindByElementName(std::string_view name) {
  for (const catalogue::KindTypes& entry : catalogue::KindsWithTypes()) {
    if (entry.element == name) return entry.kind;
  }
  return std::nullopt;
}

std::optional<GXRM_obj_base::Kind> ParseKind(std::string_view name) {
  if (auto kind = KindByElementName(name)) return kind;
  const auto& names = KindChinese();
  for (int k = 0; k < kKindCount; ++k) {
    if (names[k] == name) return static_cast<GXRM_obj_base::Kind>(k);
  }
  return std::nullopt;
}

}  // namespace gxrm
