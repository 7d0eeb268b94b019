// check.cpp: `gxrm check FILE`, the structural problems a host would trip over.
//
// Each problem is printed as "FILE: LOCATION: what is wrong", LOCATION being
// an XPath to the element (positions where a name repeats, key attributes
// where the element has one). Only what the library reads is looked at: the
// first "CalRule", "UserSecInfo", "ProjFloorInfo" and "GlobalObjList", and
// every "Floor".
#include <CLI/CLI.hpp>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "tool.h"

namespace gxrm::tool {
namespace {
namespace dom = gxrm::dom;
namespace fmt = gxrm::format;

// The key attribute that names an element of this name, or null.
const char* KeyAttribute(const std::string& element) {
  static const std::map<std::string, const char*> keys = {{fmt::kFloor, fmt::kAttFloorName},
                                                          {fmt::kFloorInfo, fmt::kAttFloorKey},
                                                          {fmt::kType, fmt::kAttTypeName},
                                                          {fmt::kTypeClass, fmt::kAttClassName},
                                                          {fmt::kInstance, fmt::kAttObjName}};
  auto found = keys.find(element);
  return found == keys.end() ? nullptr : found->second;
}

std::string StepName(const dom::Node& node) {
  switch (node.nodeType()) {
    case dom::NODE_TEXT:
    case dom::NODE_CDATA_SECTION:
      return "text()";
    case dom::NODE_COMMENT:
      return "comment()";
    case dom::NODE_PROCESSING_INSTRUCTION:
      return "processing-instruction()";
    default:
      return node.nodeName();
  }
}

// One XPath step: the name, the position among like siblings when the name
// repeats, and the key attribute when there is one.
std::string Step(const dom::Node& node) {
  std::string step = StepName(node);
  long position = 0;
  long count = 0;
  for (dom::Node sibling : node.parentNode().childNodes()) {
    if (StepName(sibling) != step) continue;
    ++count;
    if (sibling == node) position = count;
  }
  if (count > 1) step += "[" + std::to_string(position) + "]";
  const char* key = node.nodeType() == dom::NODE_ELEMENT ? KeyAttribute(node.nodeName()) : nullptr;
  dom::Node value = key ? dom::Element(node).getAttributeNode(key) : dom::Node();
  if (value) step += std::string("[@") + key + "=" + Quoted(value.text()) + "]";
  return step;
}

std::string Location(dom::Node node) {
  std::string path;
  for (; node && node.nodeType() != dom::NODE_DOCUMENT; node = node.parentNode())
    path = "/" + Step(node) + path;
  return path;
}

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

class Checker {
 public:
  explicit Checker(dom::Element root) : root_(std::move(root)) {}
  // Problems in document order: location, message.
  std::vector<std::pair<std::string, std::string>> Run();

 private:
  void Report(const dom::Node& at, std::string message) {
    problems_.emplace_back(Location(at), std::move(message));
  }
  void CollectFloorNames();
  void CheckFloorInfo(const dom::Node& proj_floor_info);
  void CheckFloor(const dom::Element& floor);
  void CheckFloorName(const dom::Node& element, const char* key, const char* without_key,
                      std::set<std::string>& seen, const std::set<std::string>& partners,
                      const char* partner);
  void CheckObjectList(const dom::Node& list);
  void CheckKind(const dom::Node& kind, const std::string& kind_name);
  void CheckType(const dom::Element& type);
  void CheckNamed(const dom::Node& container, const char* element, const char* key);
  void CheckElementsOnly(const dom::Node& parent, const char* consequence);

  dom::Element root_;
  std::set<std::string> floor_names_;  // names of "Floor" elements
  std::set<std::string> info_names_;   // names of the floor records
  std::set<std::string> seen_floors_;  // floor names met so far by the walk
  std::vector<std::pair<std::string, std::string>> problems_;
};

std::vector<std::pair<std::string, std::string>> Checker::Run() {
  if (root_.nodeName() == fmt::kRootPrefix) {
    Report(root_, "no version after " + Quoted(fmt::kRootPrefix) +
                      ": the file was written without a format version (GXRMconfig.ini missing or empty)");
  }
  CollectFloorNames();
  const dom::Node cal_rule = root_.selectSingleNode(fmt::kCalRule);
  const dom::Node user_sec = root_.selectSingleNode(fmt::kUserSecInfo);
  const dom::Node floor_info = root_.selectSingleNode(fmt::kProjFloorInfo);
  const dom::Node global = root_.selectSingleNode(fmt::kGlobalObjList);
  if (!floor_info) Report(root_, "no " + Quoted(fmt::kProjFloorInfo) + ": the floors cannot be listed");
  if (!global) Report(root_, "no " + Quoted(fmt::kGlobalObjList) + ": the global lists cannot be read");
  for (dom::Node child : root_.childNodes()) {
    if (child == cal_rule) CheckElementsOnly(child, "the rules after it are not returned");
    if (child == user_sec) CheckElementsOnly(child, "reading the cross-sections fails here");
    if (child == floor_info) CheckFloorInfo(child);
    if (child == global) CheckObjectList(child);
    if (child.nodeType() == dom::NODE_ELEMENT && child.nodeName() == fmt::kFloor) CheckFloor(child);
  }
  return std::move(problems_);
}

void Checker::CollectFloorNames() {
  for (dom::Node floor : root_.selectNodes(fmt::kFloor)) {
    dom::Node name = dom::Element(floor).getAttributeNode(fmt::kAttFloorName);
    if (name) floor_names_.insert(name.text());
  }
  const dom::Node floor_info = root_.selectSingleNode(fmt::kProjFloorInfo);
  if (!floor_info) return;
  for (dom::Node record : floor_info.selectNodes(fmt::kFloorInfo)) {
    dom::Node name = dom::Element(record).getAttributeNode(fmt::kAttFloorKey);
    if (name) info_names_.insert(name.text());
  }
}

void Checker::CheckFloorInfo(const dom::Node& proj_floor_info) {
  std::set<std::string> seen;
  for (dom::Node record : proj_floor_info.selectNodes(fmt::kFloorInfo)) {
    CheckFloorName(record, fmt::kAttFloorKey, "reading the floor names fails here", seen, floor_names_,
                   fmt::kFloor);
  }
}

void Checker::CheckFloor(const dom::Element& floor) {
  CheckFloorName(floor, fmt::kAttFloorName, "every look-up of a floor by name fails here", seen_floors_,
                 info_names_, fmt::kFloorInfo);
  CheckObjectList(floor);
}

// A floor is described twice, by a record and by an object list; each side
// needs its name, once, and a partner of the same name on the other side.
void Checker::CheckFloorName(const dom::Node& element, const char* key, const char* without_key,
                             std::set<std::string>& seen, const std::set<std::string>& partners,
                             const char* partner) {
  const dom::Node name = dom::Element(element).getAttributeNode(key);
  if (!name) {
    Report(element, "no " + Quoted(key) + ": " + without_key);
  } else if (!seen.insert(name.text()).second) {
    Report(element, "floor name " + Quoted(name.text()) + " used twice: this one is unreachable");
  } else if (partners.count(name.text()) == 0) {
    Report(element, "no " + Quoted(partner) + " for floor " + Quoted(name.text()));
  }
}

void Checker::CheckObjectList(const dom::Node& list) {
  std::map<GXRM_obj_base::Kind, CString> kinds;
  CGXRMobjBase::GetALLObjInfo(kinds);
  std::set<std::string> known;
  for (const auto& entry : kinds) known.insert(entry.second);
  std::set<std::string> seen;
  for (dom::Node child : list.childNodes()) {
    if (child.nodeType() != dom::NODE_ELEMENT) continue;
    const std::string name = child.nodeName();
    if (known.count(name) == 0) {
      Report(child, "unknown kind element " + Quoted(name));
    } else if (seen.insert(name).second) {
      CheckKind(child, name);
    }
  }
  std::vector<std::string> missing;
  for (const auto& entry : kinds) {
    if (seen.count(entry.second) == 0) missing.push_back(entry.second);
  }
  if (!missing.empty()) Report(list, "missing kind elements: " + Joined(missing));
}

void Checker::CheckKind(const dom::Node& kind, const std::string& kind_name) {
  std::set<std::string> expected;
  for (const CatalogueType& type : CatalogueTypes()) {
    if (type.kind_element == kind_name) expected.insert(type.name);
  }
  std::set<std::string> seen;
  for (dom::Node node : kind.selectNodes(fmt::kType)) {
    dom::Element type(node);
    dom::Node name = type.getAttributeNode(fmt::kAttTypeName);
    if (!name) {
      Report(type, "no " + Quoted(fmt::kAttTypeName) + ": every look-up in this kind fails here");
    } else if (expected.count(name.text()) == 0) {
      Report(type, "unknown type " + Quoted(name.text()) + " for this kind");
    } else if (seen.insert(name.text()).second) {
      CheckType(type);
    }
  }
  std::vector<std::string> missing;
  for (const CatalogueType& type : CatalogueTypes()) {
    if (type.kind_element == kind_name && seen.count(type.name) == 0) missing.push_back(type.name);
  }
  if (!missing.empty()) Report(kind, "missing " + Quoted(fmt::kType) + " elements: " + Joined(missing));
}

void Checker::CheckType(const dom::Element& type) {
  const dom::Node info = type.selectSingleNode(fmt::kObjTypeInfo);
  const dom::Node instances = type.selectSingleNode(fmt::kObjInstance);
  if (!info) Report(type, "no " + Quoted(fmt::kObjTypeInfo) + ": type definitions cannot be added or read");
  if (!instances) Report(type, "no " + Quoted(fmt::kObjInstance) + ": instances cannot be added or read");
  if (info) CheckNamed(info, fmt::kTypeClass, fmt::kAttClassName);
  if (instances) CheckNamed(instances, fmt::kInstance, fmt::kAttObjName);
}

// Records without their name make the reader fail on the whole list.
void Checker::CheckNamed(const dom::Node& container, const char* element, const char* key) {
  for (dom::Node record : container.selectNodes(element)) {
    if (!dom::Element(record).getAttributeNode(key)) {
      Report(record, "no " + Quoted(key) + ": reading this list fails here");
    }
    if (std::string(element) == fmt::kTypeClass) {
      const dom::Node rules = record.selectSingleNode(fmt::kTypeClassCalRule);
      if (rules) CheckElementsOnly(rules, "the rules after it are not returned");
    }
  }
}

void Checker::CheckElementsOnly(const dom::Node& parent, const char* consequence) {
  for (dom::Node child : parent.childNodes()) {
    if (child.nodeType() != dom::NODE_ELEMENT) {
      Report(child, std::string("not an element where only elements are read: ") + consequence);
    }
  }
}

struct CheckOptions {
  std::string file;
};

int RunCheck(const CheckOptions& options) {
  CGXRMreader reader;
  Load(reader, options.file);
  const auto problems = OnFile(options.file, [&] {
    IXMLDOMElementPtr root;
    reader.GetRootElem(root);
    return Checker(root).Run();
  });
  for (const auto& [location, message] : problems) {
    std::cout << FileName(options.file) << ": " << location << ": " << message << '\n';
  }
  if (problems.empty()) {
    std::cout << FileName(options.file) << ": no problems found\n";
    return kOk;
  }
  std::cout << FileName(options.file) << ": " << problems.size()
            << (problems.size() == 1 ? " problem\n" : " problems\n");
  return kProblems;
}

}  // namespace

void AddCheckCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<CheckOptions>();
  CLI::App* command =
      AddCommand(app, status, "check",
                 "List the structural problems a host would trip over (exit 1 when any)", options, RunCheck);
  command->footer("Exit status: 0 no problems found, 1 problems found, 2 trouble.");
  command->add_option("FILE", options->file, "GXRM file (- for standard input)")->required();
}

}  // namespace gxrm::tool
