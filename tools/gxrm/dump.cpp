// dump.cpp: `gxrm dump FILE [--floor F] [--type NAME] [-o OUT]`, the model as JSON.
//
// The walk follows the document the way the library's navigation does (the
// first kind element of a name, the first "Type" of a type name), but starts
// from each "Floor" element itself, so a floor whose name repeats is dumped
// with its own content. What the writer cannot write (comments, unknown
// elements) is not part of the model and is left out.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <initializer_list>
#include <iostream>
#include <memory>
#include <sstream>

#include "json_model.h"
#include "output.h"
#include "progress.h"
#include "tool.h"

namespace gxrm::tool {
namespace {
namespace dom = gxrm::dom;
namespace fmt = gxrm::format;
namespace key = model::key;
using model::Json;

struct DumpOptions {
  std::string file;
  std::string floor;
  std::string type;
  std::string output = "-";
  CLI::Option* floor_option = nullptr;
};

// What to keep: one floor's object list, one type's records.
struct Filter {
  bool one_floor = false;
  std::string floor;
  std::string type_name;  // UTF-8; empty for all types
};

void PutList(Json& json, const char* name, Json list) {
  if (!list.empty()) json[name] = std::move(list);
}

// The attributes of every child element named `name` (any name when null).
Json ChildAttributes(const dom::Node& parent, const char* name) {
  Json list = Json::array();
  if (!parent) return list;
  if (name != nullptr) {
    for (dom::Node child : parent.selectNodes(name)) list.push_back(model::AttributesToJson(child));
    return list;
  }
  for (dom::Node child : parent.childNodes()) {
    if (child.nodeType() == dom::NODE_ELEMENT) list.push_back(model::AttributesToJson(child));
  }
  return list;
}

// The element children of a rule container; other nodes are not rules.
Json RuleElements(const dom::Node& parent) {
  Json rules = Json::array();
  if (!parent) return rules;
  for (dom::Node child : parent.childNodes()) {
    if (child.nodeType() == dom::NODE_ELEMENT) rules.push_back(model::NodeToJson(child));
  }
  return rules;
}

// A "TypeClass" or "Instance": id, name, then its attribute lists.
struct ChildList {
  const char* key;      // JSON member
  const char* element;  // child element of the record
};

Json RecordToJson(const dom::Element& element, const char* id_attribute, const char* name_attribute,
                  std::initializer_list<ChildList> lists) {
  Json json = {{key::kId, element.getAttribute(id_attribute)},
               {key::kName, element.getAttribute(name_attribute)}};
  for (const ChildList& list : lists) PutList(json, list.key, ChildAttributes(element, list.element));
  return json;
}

Json TypeClassToJson(const dom::Element& element) {
  Json json = RecordToJson(element, fmt::kAttClassId, fmt::kAttClassName,
                           {{key::kAtt, fmt::kTypeClassAtt},
                            {key::kGeoAtt, fmt::kTypeClassGeoAtt},
                            {key::kSection, fmt::kTypeClassSection},
                            {key::kSpAtt, fmt::kTypeClassSpecialtyAtt}});
  PutList(json, key::kRules, RuleElements(element.selectSingleNode(fmt::kTypeClassCalRule)));
  return json;
}

Json InstanceToJson(const dom::Element& element) {
  return RecordToJson(
      element, fmt::kAttObjId, fmt::kAttObjName,
      {{key::kAtt, fmt::kObjAtt}, {key::kGeoAtt, fmt::kObjGeoAtt}, {key::kSection, fmt::kObjSection}});
}

Json Records(const dom::Node& container, const char* name, Json (*record_to_json)(const dom::Element&)) {
  Json records = Json::array();
  if (!container) return records;
  for (dom::Node record : container.selectNodes(name)) records.push_back(record_to_json(record));
  return records;
}

dom::Element FindType(const dom::Node& kind_element, const std::string& type_name) {
  for (dom::Node node : kind_element.selectNodes(fmt::kType)) {
    dom::Element type(node);
    if (type.getAttribute(fmt::kAttTypeName) == type_name) return type;
  }
  return {};
}

// The non-empty type lists of one object list, in catalogue order.
Json ObjectsToJson(const dom::Node& list, const Filter& filter) {
  Json objects = Json::object();
  for (const CatalogueType& entry : CatalogueTypes()) {
    if (!filter.type_name.empty() && entry.name != filter.type_name) continue;
    dom::Node kind_element = list.selectSingleNode(entry.kind_element);
    if (!kind_element) continue;
    dom::Element type = FindType(kind_element, entry.name);
    if (!type) continue;
    Json lists = Json::object();
    PutList(lists, key::kTypes,
            Records(type.selectSingleNode(fmt::kObjTypeInfo), fmt::kTypeClass, TypeClassToJson));
    PutList(lists, key::kInstances,
            Records(type.selectSingleNode(fmt::kObjInstance), fmt::kInstance, InstanceToJson));
    if (!lists.empty()) objects[entry.name] = std::move(lists);
  }
  return objects;
}

// One child of the root as a section item; null for what is no section.
Json SectionToJson(const dom::Element& element, const Filter& filter) {
  const std::string name = element.nodeName();
  Json item = {{key::kElement, name}};
  if (name == fmt::kGlobalObjList) {
    item[key::kObjects] = filter.one_floor ? Json::object() : ObjectsToJson(element, filter);
    return item;
  }
  item[key::kAttributes] = model::AttributesToJson(element);
  if (name == fmt::kFloor) {
    item[key::kObjects] = ObjectsToJson(element, filter);
  } else if (name == fmt::kCalRule) {
    PutList(item, key::kRules, RuleElements(element));
  } else if (name == fmt::kUserSecInfo) {
    PutList(item, key::kCrossSections, ChildAttributes(element, nullptr));
  } else if (name == fmt::kProjFloorInfo) {
    Json floors = ChildAttributes(element, fmt::kFloorInfo);
    // One floor's dump keeps that floor's information only, so it builds as a one-floor model.
    if (filter.one_floor) {
      floors.erase(std::remove_if(floors.begin(), floors.end(),
                                  [&](const Json& info) {
                                    return info.value(fmt::kAttFloorKey, std::string()) != filter.floor;
                                  }),
                   floors.end());
    }
    PutList(item, key::kFloorInfo, std::move(floors));
  } else if (name != fmt::kProjSetting) {
    return nullptr;
  }
  return item;
}

bool Skipped(const dom::Element& element, const Filter& filter) {
  return filter.one_floor && element.nodeName() == fmt::kFloor &&
         element.getAttribute(fmt::kAttFloorName) != filter.floor;
}

Json DumpModel(CGXRMreader& reader, const Filter& filter, bool& floor_found) {
  IXMLDOMElementPtr root;
  reader.GetRootElem(root);
  Json model = {{key::kFormat, model::kFormatName},
                {key::kRoot, root.nodeName()},
                {key::kHeader, model::AttributesToJson(root)},
                {key::kSections, Json::array()}};
  dom::NodeList children = root.childNodes();
  Progress progress("dump", children.length());
  std::size_t done = 0;
  for (dom::Node child : children) {
    progress.Update(++done);
    dom::Element element(child);
    if (!element || Skipped(element, filter)) continue;
    floor_found = floor_found || element.nodeName() == fmt::kFloor;
    Json item = SectionToJson(element, filter);
    if (!item.is_null()) model[key::kSections].push_back(std::move(item));
  }
  return model;
}

int RunDump(const DumpOptions& options) {
  Filter filter;
  filter.one_floor = options.floor_option->count() > 0;
  filter.floor = options.floor;
  if (!options.type.empty())
    filter.type_name = Utf8(CGXRMobjTypeBase::GetObjTypeName(ParseType(options.type)));
  CGXRMreader reader;
  Load(reader, options.file);
  bool floor_found = false;
  const Json model = OnFile(options.file, [&] { return DumpModel(reader, filter, floor_found); });
  if (filter.one_floor && !floor_found) {
    IXMLDOMElementPtr root;
    reader.GetRootElem(root);
    throw ToolError(NoSuchFloor(FileName(options.file), options.floor, FloorNames(root)));
  }
  std::ostringstream text;
  model::WriteJson(text, model);
  text << '\n';
  WriteOutput(options.output, options.file, text.str());
  return kOk;
}

}  // namespace

void AddDumpCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<DumpOptions>();
  CLI::App* command =
      AddCommand(app, status, "dump", "Print the model as JSON (see docs/json-format.md)", options, RunDump);
  command->add_option("FILE", options->file, "GXRM file (- for standard input)")->required();
  options->floor_option =
      command->add_option("--floor", options->floor,
                          "Only this floor: its object list and floor information (builds as a model)");
  command->add_option("--type", options->type, "Only this component type (Chinese name or number)");
  command->add_option("-o,--output", options->output,
                      "Write the JSON to this file (default: standard output)");
}

}  // namespace gxrm::tool
