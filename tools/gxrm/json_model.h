// json_model.h: the JSON form of a GXRM model, shared by dump and build.
//
// docs/json-format.md describes the format. Object member order is part of it
// (attribute order, the order of the root's sections), hence ordered_json.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <ostream>
#include <nlohmann/json.hpp>
#include <string>

#include "tool.h"

namespace gxrm::tool::model {

using Json = nlohmann::ordered_json;

// The value of the "format" member, for files of this layout.
inline constexpr char kFormatName[] = "gxrm-json/1";

// Member names of the JSON document.
namespace key {
inline constexpr char kFormat[] = "format";
inline constexpr char kRoot[] = "root";
inline constexpr char kHeader[] = "header";
inline constexpr char kSections[] = "sections";
inline constexpr char kElement[] = "element";
inline constexpr char kAttributes[] = "attributes";
inline constexpr char kRules[] = "rules";
inline constexpr char kCrossSections[] = "crossSections";
inline constexpr char kFloorInfo[] = "floorInfo";
inline constexpr char kObjects[] = "objects";
inline constexpr char kTypes[] = "types";
inline constexpr char kInstances[] = "instances";
inline constexpr char kId[] = "id";
inline constexpr char kName[] = "name";
inline constexpr char kAtt[] = "att";
inline constexpr char kGeoAtt[] = "geoAtt";
inline constexpr char kSection[] = "section";
inline constexpr char kSpAtt[] = "spAtt";
inline constexpr char kChildren[] = "children";
inline constexpr char kText[] = "text";
inline constexpr char kComment[] = "comment";
inline constexpr char kCdata[] = "cdata";
inline constexpr char kPi[] = "pi";
inline constexpr char kData[] = "data";
}  // namespace key

// The attributes of an element as an object, in the element's order.
Json AttributesToJson(const gxrm::dom::Node& element);
// Any node below a calculation rule: element, text, comment, CDATA or
// processing instruction.
Json NodeToJson(const gxrm::dom::Node& node);

// Writes `value` as Json::dump(2) would, without following the nesting on
// the call stack. Containers deeper than kIndentedDepth go on one line, so
// a deeply nested rule does not make the indentation grow quadratically.
inline constexpr std::size_t kIndentedDepth = 32;
void WriteJson(std::ostream& out, const Json& value);

// Reading JSON back. `where` is the JSON path shown in error messages.
// A ToolError "<where>: <what is wrong>" when the value has the wrong shape.
const std::string& AsString(const Json& value, const std::string& where);
const Json& AsArray(const Json& value, const std::string& where);
const Json& AsObject(const Json& value, const std::string& where);
// The member `name` of an object; an error when it is missing.
const Json& Member(const Json& object, const char* name, const std::string& where);
// The array member `name`, or an empty array when it is missing.
const Json& OptionalArray(const Json& object, const char* name, const std::string& where);
// Refuses members other than those listed (catches misspelt keys).
void OnlyMembers(const Json& object, std::initializer_list<const char*> allowed, const std::string& where);
// An attribute object as an element record (GBK).
CGXRMnode RecordFromJson(const Json& attributes, const std::string& where);
// A node of NodeToJson's form, made in `doc` (outside its tree).
gxrm::dom::Node NodeFromJson(const gxrm::dom::Document& doc, const Json& node, const std::string& where);

}  // namespace gxrm::tool::model
