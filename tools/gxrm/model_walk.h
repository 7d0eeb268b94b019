// model_walk.h: reading what the model interface leaves to the document
// (project sections, cross-sections, rules, floor information), shared by
// diff and report.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tool.h"

namespace gxrm::tool::walk {

// The lists of a type definition and of an instance; the project sections.
inline const char* const kTypeLists[] = {gxrm::format::kTypeClassAtt, gxrm::format::kTypeClassGeoAtt,
                                         gxrm::format::kTypeClassSection,
                                         gxrm::format::kTypeClassSpecialtyAtt};
inline const char* const kInstanceLists[] = {gxrm::format::kObjAtt, gxrm::format::kObjGeoAtt,
                                             gxrm::format::kObjSection};
inline const char* const kSections[] = {gxrm::format::kProjSetting, gxrm::format::kCalRule,
                                        gxrm::format::kUserSecInfo, gxrm::format::kProjFloorInfo};

using Pairs = std::vector<std::pair<std::string, std::string>>;

// The attributes of a node in document order (UTF-8); none for an empty handle.
Pairs Attributes(const gxrm::dom::Node& node);

// The child elements named `name`, or all child elements when `name` is null.
std::vector<gxrm::dom::Element> Children(const gxrm::dom::Node& parent, const char* name);

// The first child element of the root named `name` (empty when missing).
gxrm::dom::Element Section(const gxrm::dom::Element& root, const char* name);

// The "FloorInfo" of the first "ProjFloorInfo" whose floor key is `floor`.
gxrm::dom::Element FloorInfo(const gxrm::dom::Element& root, const std::string& floor);

}  // namespace gxrm::tool::walk
