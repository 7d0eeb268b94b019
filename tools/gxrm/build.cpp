// build.cpp: `gxrm build JSON FILE`, a model in JSON written through the writer.
//
// The sections are made in their JSON order with the writer's own calls, so a
// dump of a file the writer wrote builds back to the same bytes. What the
// writer cannot reach (rules of a second "CalRule", a second floor of one
// name with content, ...) is refused with the JSON path of the offending item.
#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <set>

#include "json_model.h"
#include "progress.h"
#include "output.h"
#include "tool.h"

namespace gxrm::tool {
namespace {
namespace dom = gxrm::dom;
namespace fmt = gxrm::format;
namespace key = model::key;
using model::AsArray;
using model::AsString;
using model::Json;
using model::Member;
using model::OnlyMembers;
using model::OptionalArray;

struct BuildOptions {
  std::string json;
  std::string file;
  bool any_version = false;
};

[[noreturn]] void Refuse(const std::string& where, const std::string& why) {
  throw ToolError(where + ": " + why);
}

CGXRMnode Attributes(const Json& item, const std::string& where) {
  return model::RecordFromJson(Member(item, key::kAttributes, where), Sub(where, key::kAttributes));
}

void AppendRecords(std::vector<CGXRMnode>& list, const Json& json, const char* name,
                   const std::string& where) {
  const Json& records = OptionalArray(json, name, where);
  for (std::size_t i = 0; i < records.size(); ++i) {
    list.push_back(model::RecordFromJson(records[i], Sub(Sub(where, name), i)));
  }
}

// Makes the writer's calls for one model, section by section.
class ModelBuilder {
 public:
  explicit ModelBuilder(CGXRMwriter& writer) : writer_(writer) {}

  void Build(const Json& model, bool any_version);

 private:
  void Section(const Json& item, const std::string& where);
  void CalRule(const Json& item, const std::string& where);
  void UserSecInfo(const Json& item, const std::string& where);
  void ProjFloorInfo(const Json& item, const std::string& where);
  void GlobalObjList(const Json& item, const std::string& where);
  void Floor(const Json& item, const std::string& where);
  void Objects(const Json& objects, const CString* floor, const std::string& where);
  CGXRMobjType TypeRecord(const Json& json, GXRM_objType_base::Type type, bool with_rules,
                          const std::string& where);
  CGXRMobj InstanceRecord(const Json& json, GXRM_objType_base::Type type, const std::string& where);
  IXMLDOMElementPtr Rule(const Json& json, const std::string& where);

  CGXRMwriter& writer_;
  dom::Document doc_;                  // the writer's document, where rules are made
  bool cal_rule_seen_ = false;         // rules reach only the first "CalRule"
  bool user_sec_seen_ = false;         // cross-sections reach only the first container
  bool floor_info_seen_ = false;       // floors go under the first floor information
  bool global_seen_ = false;           // global records reach only the first global list
  bool expect_global_ = false;         // the writer makes the global list right after
  std::vector<CGXRMnode> floor_info_;  // floor records, one per "Floor" in order
  std::size_t next_floor_ = 0;
  std::set<CString> floor_names_;
};

void ModelBuilder::Build(const Json& model, bool any_version) {
  const std::string top = "$";
  OnlyMembers(model, {key::kFormat, key::kRoot, key::kHeader, key::kSections}, top);
  if (AsString(Member(model, key::kFormat, top), Sub(top, key::kFormat)) != model::kFormatName) {
    Refuse(Sub(top, key::kFormat), std::string("expected ") + Quoted(model::kFormatName));
  }
  CGXRMnode header = model::RecordFromJson(Member(model, key::kHeader, top), Sub(top, key::kHeader));
  writer_.CreateGXRMinstance(header);
  IXMLDOMElementPtr root;
  writer_.GetRootElem(root);
  const std::string& wanted = AsString(Member(model, key::kRoot, top), Sub(top, key::kRoot));
  if (wanted != root.nodeName() && !any_version) {
    Refuse(Sub(top, key::kRoot), Quoted(wanted) + " but this library writes " + Quoted(root.nodeName()) +
                                     " (GXRMversion in GXRMconfig.ini beside libGXRMparser.so);"
                                     " --any-version writes it anyway");
  }
  doc_ = root.ownerDocument();
  const Json& sections = AsArray(Member(model, key::kSections, top), Sub(top, key::kSections));
  Progress progress("build", sections.size());
  for (std::size_t i = 0; i < sections.size(); ++i) {
    progress.Update(i + 1);
    Section(sections[i], Sub(Sub(top, key::kSections), i));
  }
  if (expect_global_)
    Refuse(Sub(top, key::kSections), Quoted(fmt::kProjFloorInfo) + " without its global list");
  if (next_floor_ != floor_info_.size()) {
    Refuse(Sub(top, key::kSections), "more floor records than " + Quoted(fmt::kFloor) + " sections");
  }
}

void ModelBuilder::Section(const Json& item, const std::string& where) {
  const std::string& element = AsString(Member(item, key::kElement, where), Sub(where, key::kElement));
  if (expect_global_ != (element == fmt::kGlobalObjList)) {
    Refuse(where, Quoted(fmt::kGlobalObjList) + " stands right after " + Quoted(fmt::kProjFloorInfo) +
                      " and only there");
  }
  try {
    if (element == fmt::kProjSetting) {
      OnlyMembers(item, {key::kElement, key::kAttributes}, where);
      writer_.CreateProjSetting(Attributes(item, where));
    } else if (element == fmt::kCalRule) {
      CalRule(item, where);
    } else if (element == fmt::kUserSecInfo) {
      UserSecInfo(item, where);
    } else if (element == fmt::kProjFloorInfo) {
      ProjFloorInfo(item, where);
    } else if (element == fmt::kGlobalObjList) {
      GlobalObjList(item, where);
    } else if (element == fmt::kFloor) {
      Floor(item, where);
    } else {
      Refuse(where, "unknown section " + Quoted(element));
    }
  } catch (const gxrm::DomError& e) {
    Refuse(where, e.what());
  }
}

void ModelBuilder::CalRule(const Json& item, const std::string& where) {
  OnlyMembers(item, {key::kElement, key::kAttributes, key::kRules}, where);
  writer_.CreateCalRule(Attributes(item, where));
  const Json& rules = OptionalArray(item, key::kRules, where);
  if (!rules.empty() && cal_rule_seen_)
    Refuse(where, "the writer adds rules to the first " + Quoted(fmt::kCalRule) + " only");
  cal_rule_seen_ = true;
  for (std::size_t i = 0; i < rules.size(); ++i)
    writer_.AppendCalRule(Rule(rules[i], Sub(Sub(where, key::kRules), i)));
}

void ModelBuilder::UserSecInfo(const Json& item, const std::string& where) {
  OnlyMembers(item, {key::kElement, key::kAttributes, key::kCrossSections}, where);
  writer_.CreateProjUseSecInfo(Attributes(item, where));
  std::vector<CGXRMnode> sections;
  AppendRecords(sections, item, key::kCrossSections, where);
  if (!sections.empty() && user_sec_seen_) {
    Refuse(where, "the writer adds cross-sections to the first " + Quoted(fmt::kUserSecInfo) + " only");
  }
  user_sec_seen_ = true;
  for (CGXRMnode& section : sections) writer_.AddSec(CString(), section);
}

void ModelBuilder::ProjFloorInfo(const Json& item, const std::string& where) {
  OnlyMembers(item, {key::kElement, key::kAttributes, key::kFloorInfo}, where);
  writer_.CreateProjFloorInfo(Attributes(item, where));
  std::vector<CGXRMnode> floors;
  AppendRecords(floors, item, key::kFloorInfo, where);
  if (floor_info_seen_ && !floors.empty()) {
    Refuse(where, "the writer adds floors to the first " + Quoted(fmt::kProjFloorInfo) + " only");
  }
  if (!floor_info_seen_) floor_info_ = std::move(floors);
  floor_info_seen_ = true;
  expect_global_ = true;
}

void ModelBuilder::GlobalObjList(const Json& item, const std::string& where) {
  OnlyMembers(item, {key::kElement, key::kObjects}, where);
  expect_global_ = false;
  const Json& objects = model::AsObject(Member(item, key::kObjects, where), Sub(where, key::kObjects));
  if (!objects.empty() && global_seen_) Refuse(where, "the writer adds to the first global list only");
  global_seen_ = true;
  Objects(objects, nullptr, Sub(where, key::kObjects));
}

void ModelBuilder::Floor(const Json& item, const std::string& where) {
  OnlyMembers(item, {key::kElement, key::kAttributes, key::kObjects}, where);
  const Json& attributes =
      model::AsObject(Member(item, key::kAttributes, where), Sub(where, key::kAttributes));
  auto first = attributes.begin();
  if (attributes.size() < 2 || first.key() != fmt::kAttFloorName ||
      std::next(first).key() != fmt::kAttBasePoint) {
    Refuse(Sub(where, key::kAttributes),
           "must begin with " + Quoted(fmt::kAttFloorName) + " and " + Quoted(fmt::kAttBasePoint));
  }
  if (!floor_info_seen_ || next_floor_ >= floor_info_.size()) {
    Refuse(where, "no floor record left for it in the first " + Quoted(fmt::kProjFloorInfo));
  }
  CGXRMnode params = Attributes(item, where);
  const CString name = params.Atts()[0].second;
  writer_.AddFloor(name, floor_info_[next_floor_++]);
  const Json& objects = model::AsObject(Member(item, key::kObjects, where), Sub(where, key::kObjects));
  const bool plain = params.GetAttNum() == 2 && params.Atts()[1].second.empty() && objects.empty();
  if (!floor_names_.insert(name).second && !plain) {
    Refuse(where, "an earlier floor has the same name: the writer cannot reach this one");
  }
  for (std::size_t i = 1; i < params.Atts().size(); ++i) {
    const auto& [param, value] = params.Atts()[i];
    if (i > 1 || !value.empty()) writer_.SetFloorParam(name, param, value);
  }
  Objects(objects, &name, Sub(where, key::kObjects));
}

void ModelBuilder::Objects(const Json& objects, const CString* floor, const std::string& where) {
  for (const auto& [type_name, lists] : objects.items()) {
    const std::string at = Sub(where, type_name);
    const auto type = CGXRMobjTypeBase::GetObjTypeByName(Gbk(type_name));
    if (type == GXRM_objType_base::TYPE_NONE) Refuse(at, "unknown component type");
    OnlyMembers(lists, {key::kTypes, key::kInstances}, at);
    const Json& types = OptionalArray(lists, key::kTypes, at);
    for (std::size_t i = 0; i < types.size(); ++i) {
      CGXRMobjType record = TypeRecord(types[i], type, floor != nullptr, Sub(Sub(at, key::kTypes), i));
      if (!(floor ? writer_.AddObjType(*floor, record) : writer_.AddObjType(record)))
        Refuse(at, "its list is missing");
    }
    const Json& instances = OptionalArray(lists, key::kInstances, at);
    for (std::size_t i = 0; i < instances.size(); ++i) {
      CGXRMobj record = InstanceRecord(instances[i], type, Sub(Sub(at, key::kInstances), i));
      if (!(floor ? writer_.AddObj(*floor, record) : writer_.AddObj(record)))
        Refuse(at, "its list is missing");
    }
  }
}

CGXRMobjType ModelBuilder::TypeRecord(const Json& json, GXRM_objType_base::Type type, bool with_rules,
                                      const std::string& where) {
  OnlyMembers(json, {key::kId, key::kName, key::kAtt, key::kGeoAtt, key::kSection, key::kSpAtt, key::kRules},
              where);
  CGXRMobjType record(Gbk(AsString(Member(json, key::kName, where), Sub(where, key::kName))), type,
                      Gbk(AsString(Member(json, key::kId, where), Sub(where, key::kId))));
  AppendRecords(record.MutableAttList(), json, key::kAtt, where);
  AppendRecords(record.MutableGeoAttList(), json, key::kGeoAtt, where);
  AppendRecords(record.MutableSectionList(), json, key::kSection, where);
  AppendRecords(record.MutableSpAttList(), json, key::kSpAtt, where);
  const Json& rules = OptionalArray(json, key::kRules, where);
  if (!rules.empty() && !with_rules)
    Refuse(where, "the writer writes no rules for a type of the global list");
  for (std::size_t i = 0; i < rules.size(); ++i)
    record.AppendCalRule(Rule(rules[i], Sub(Sub(where, key::kRules), i)));
  return record;
}

CGXRMobj ModelBuilder::InstanceRecord(const Json& json, GXRM_objType_base::Type type,
                                      const std::string& where) {
  OnlyMembers(json, {key::kId, key::kName, key::kAtt, key::kGeoAtt, key::kSection}, where);
  CGXRMobj record(Gbk(AsString(Member(json, key::kName, where), Sub(where, key::kName))),
                  Gbk(AsString(Member(json, key::kId, where), Sub(where, key::kId))), type);
  AppendRecords(record.MutableAttList(), json, key::kAtt, where);
  AppendRecords(record.MutableGeoAttList(), json, key::kGeoAtt, where);
  AppendRecords(record.MutableSectionList(), json, key::kSection, where);
  return record;
}

IXMLDOMElementPtr ModelBuilder::Rule(const Json& json, const std::string& where) {
  IXMLDOMElementPtr rule = model::NodeFromJson(doc_, json, where);
  if (!rule) Refuse(where, "a rule is an element");
  return rule;
}

Json ReadJson(const std::string& path) {
  std::ifstream file;
  if (path != "-") {
    file.open(path);
    if (!file) throw ToolError(path + ": cannot open: " + std::strerror(errno));
  }
  try {
    return Json::parse(path == "-" ? std::cin : file);
  } catch (const Json::parse_error& e) {
    const std::string what = e.what();
    throw ToolError(FileName(path) + ": " + what.substr(what.find(']') + 2));
  }
}

int RunBuild(const BuildOptions& options) {
  const Json model = ReadJson(options.json);
  CGXRMwriter writer;
  try {
    ModelBuilder(writer).Build(model, options.any_version);
  } catch (const ToolError& e) {
    throw ToolError(options.json + ": " + e.what());
  } catch (const gxrm::DomError& e) {
    throw ToolError(options.json + ": " + e.what());
  }
  WriteDocument(writer, options.file, options.json);
  return kOk;
}

}  // namespace

void AddBuildCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<BuildOptions>();
  CLI::App* command =
      AddCommand(app, status, "build", "Write a GXRM file from the JSON of `gxrm dump`", options, RunBuild);
  command->add_option("JSON", options->json, "JSON model (docs/json-format.md), - for standard input")
      ->required();
  command->add_option("FILE", options->file, "GXRM file to write, - for standard output")->required();
  command->add_flag("--any-version", options->any_version,
                    "Write with this library's version even when the JSON names another");
}

}  // namespace gxrm::tool
