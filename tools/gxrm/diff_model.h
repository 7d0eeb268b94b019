// diff_model.h: comparing two loaded models as models, not as text.
//
// Floors are matched by name, cross-sections by "SecID", rules by position,
// type definitions by "classId" then "classname", instances by "objId" then
// "objname" (ids that are missing or repeated fall back to names). A matched
// pair that differs is one change listing each differing attribute.
// The result is deterministic: it follows the documents' order.
#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "json_model.h"
#include "model/GXRMmodel.h"
#include "tool.h"

namespace gxrm::tool::diff {

enum class What { kAdded, kRemoved, kChanged };
const char* WhatName(What what);  // "added", "removed", "changed"

// Change kinds, as they appear in the output.
namespace kind {
inline constexpr char kHeader[] = "header";
inline constexpr char kSection[] = "section";
inline constexpr char kFloor[] = "floor";
inline constexpr char kType[] = "type";
inline constexpr char kInstance[] = "instance";
inline constexpr char kCrossSection[] = "cross-section";
inline constexpr char kRule[] = "rule";
}  // namespace kind

using Text = std::optional<std::string>;  // nullopt: that side lacks it

// One differing attribute of `element` (the index-th of its name in its record).
struct AttributeChange {
  std::string element;
  std::size_t index = 0;
  std::string name;
  Text old_value;
  Text new_value;
};

struct Change {
  What what = What::kChanged;
  const char* kind = kind::kHeader;
  Text floor;  // nullopt: the global list or a file-level part
  Text type;   // the Chinese type name (UTF-8)
  std::string name;
  Text id;
  std::vector<AttributeChange> attributes;
};

struct Summary {
  std::size_t added = 0, removed = 0, changed = 0;
};
Summary Summarise(const std::vector<Change>& changes);

// What to compare: everything, or one floor's object list, or one type.
struct Filter {
  Text floor;
  Text type_name;  // UTF-8
};

// The changes from `old_model` to `new_model`.
std::vector<Change> Compare(const gxrm::Model& old_model, const gxrm::Model& new_model,
                            const Filter& filter = {});

// The changes as JSON: {"same", "summary", "changes"} (docs/diff-format.md).
model::Json ToJson(const std::vector<Change>& changes);

// The changes in gxrm diff's text form: a summary line, then each change by group.
void PrintChanges(const std::vector<Change>& changes, std::ostream& out);

// Whether a floor of that name has an object list in the model.
bool HasFloor(const gxrm::Model& model, const std::string& name);

}  // namespace gxrm::tool::diff
