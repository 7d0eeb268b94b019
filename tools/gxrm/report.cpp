// report.cpp: `gxrm report MODEL [-o FILE.html] [--diff OLD]`, one
// self-contained HTML page showing a model (and what changed against OLD).
//
// The page is the template of report.html/.css/.js with the model embedded as
// JSON. Instance tables are column-oriented over one table of distinct
// strings, so a model of a quarter of a million instances stays a small page;
// the script renders rows a page at a time.
#include <CLI/CLI.hpp>
#include <iostream>
#include <map>
#include <memory>
#include <unordered_map>

#include "diff_model.h"
#include "model_walk.h"
#include "output.h"
#include "report_assets.h"
#include "tool.h"

namespace gxrm::tool {
namespace {
namespace dom = gxrm::dom;
namespace fmt = gxrm::format;
using model::Json;

// Distinct strings, each stored once; cells refer to them by number.
class Strings {
 public:
  int Add(const std::string& text) {
    auto [found, added] = index_.emplace(text, static_cast<int>(list_.size()));
    if (added) list_.push_back(text);
    return found->second;
  }
  Json ToJson() const { return list_; }

 private:
  std::unordered_map<std::string, int> index_;
  std::vector<std::string> list_;
};

Json PairsJson(const walk::Pairs& pairs) {
  Json list = Json::array();
  for (const auto& [name, value] : pairs) list.push_back({name, value});
  return list;
}

// An attribute column of an instance table: "objAtt.材质", "objAtt[1].材质".
std::string ColumnLabel(const char* list, std::size_t index, const std::string& name) {
  return std::string(list) + (index == 0 ? "" : "[" + std::to_string(index) + "]") + "." + name;
}

// The instances of one type as columns: id, name, then one per attribute.
class InstanceTable {
 public:
  explicit InstanceTable(Strings& strings) : strings_(strings) {}

  void Add(const dom::Element& instance) {
    Set(0, instance.getAttribute(fmt::kAttObjId));
    Set(1, instance.getAttribute(fmt::kAttObjName));
    for (const char* list : walk::kInstanceLists) {
      const std::vector<dom::Element> elements = walk::Children(instance, list);
      for (std::size_t i = 0; i < elements.size(); ++i) {
        for (const auto& [name, value] : walk::Attributes(elements[i]))
          Set(Column(ColumnLabel(list, i, name)), value);
      }
    }
    ++rows_;
  }

  // Pads the columns of rows that lacked an attribute.
  void Finish() {
    data_.resize(labels_.size());
    for (auto& column : data_) column.resize(rows_, -1);
  }

  Json ToJson() const { return {{"cols", labels_}, {"data", data_}}; }

 private:
  std::size_t Column(const std::string& label) {
    auto [found, added] = columns_.emplace(label, labels_.size());
    if (added) labels_.push_back(label);
    return found->second;
  }
  void Set(std::size_t column, const std::string& value) {
    if (data_.size() <= column) data_.resize(column + 1);
    data_[column].resize(rows_, -1);
    data_[column].push_back(strings_.Add(value));
  }

  Strings& strings_;
  std::size_t rows_ = 0;
  std::vector<std::string> labels_{"id", "name"};
  std::unordered_map<std::string, std::size_t> columns_;
  std::vector<std::vector<int>> data_;
};

Json TypeClassJson(const dom::Element& type_class) {
  Json lists = Json::array();
  for (const char* list : walk::kTypeLists) {
    for (const dom::Element& element : walk::Children(type_class, list))
      lists.push_back({list, PairsJson(walk::Attributes(element))});
  }
  const dom::Node rules = type_class.selectSingleNode(fmt::kTypeClassCalRule);
  return {{"id", type_class.getAttribute(fmt::kAttClassId)},
          {"name", type_class.getAttribute(fmt::kAttClassName)},
          {"lists", std::move(lists)},
          {"rules", walk::Children(rules, nullptr).size()}};
}

// One object list: per type its definitions and instances, and counts per kind.
Json ListJson(const dom::Element& list, const Json& floorName, Strings& strings) {
  Json counts = Json::array();
  for (int k = 0; k < CGXRMobjBase::GetObjCount(); ++k) counts.push_back({0, 0});
  Json types = Json::array();
  for (const CatalogueType& entry : CatalogueTypes()) {
    const dom::Element type = walk::TypeElement(list, entry);
    const auto definitions = walk::Records(type, fmt::kObjTypeInfo, fmt::kTypeClass);
    const auto instances = walk::Records(type, fmt::kObjInstance, fmt::kInstance);
    if (definitions.empty() && instances.empty()) continue;
    counts[entry.kind][0] = counts[entry.kind][0].get<std::size_t>() + definitions.size();
    counts[entry.kind][1] = counts[entry.kind][1].get<std::size_t>() + instances.size();
    Json defs = Json::array();
    for (const dom::Element& d : definitions) defs.push_back(TypeClassJson(d));
    InstanceTable table(strings);
    for (const dom::Element& i : instances) table.Add(i);
    table.Finish();
    types.push_back(
        {{"type", entry.name}, {"kind", entry.kind}, {"defs", std::move(defs)}, {"inst", table.ToJson()}});
  }
  return {{"floor", floorName}, {"counts", std::move(counts)}, {"types", std::move(types)}};
}

// A rule's nodes in pre-order, flat (depth and label), walked without recursion.
void AddRuleNodes(const dom::Node& rule, Json& depths, Json& labels) {
  std::vector<std::pair<dom::Node, int>> stack{{rule, 0}};
  while (!stack.empty()) {
    const auto [node, depth] = stack.back();
    stack.pop_back();
    std::string label = node.nodeName();
    if (node.nodeType() == dom::NODE_ELEMENT) {
      for (const auto& [name, value] : walk::Attributes(node)) label += " " + name + "=\"" + value + "\"";
    } else {
      label += " " + node.text();
    }
    depths.push_back(depth);
    labels.push_back(std::move(label));
    std::vector<dom::Node> children;
    for (dom::Node child = node.firstChild(); child; child = child.nextSibling()) children.push_back(child);
    for (auto it = children.rbegin(); it != children.rend(); ++it) stack.emplace_back(*it, depth + 1);
  }
}

Json FloorsJson(const dom::Element& root) {
  Json floors = Json::array();
  for (const dom::Element& info : walk::Children(walk::Section(root, fmt::kProjFloorInfo), fmt::kFloorInfo)) {
    floors.push_back(
        {{"name", info.getAttribute(fmt::kAttFloorKey)}, {"info", PairsJson(walk::Attributes(info))}});
  }
  return floors;
}

Json CrossSectionsJson(const dom::Element& root) {
  Json sections = Json::array();
  for (const dom::Element& s : walk::Children(walk::Section(root, fmt::kUserSecInfo), nullptr)) {
    sections.push_back({{"id", s.getAttribute(fmt::kAttSecId)},
                        {"name", s.getAttribute(fmt::kAttSecName)},
                        {"point", s.getAttribute(fmt::kAttPoint)},
                        {"bulge", s.getAttribute(fmt::kAttBulge)},
                        {"insert", s.getAttribute(fmt::kAttInsertPt)}});
  }
  return sections;
}

Json ModelJson(const dom::Element& root, const std::string& file) {
  Json sections = Json::array();
  for (const char* name : walk::kSections) {
    const dom::Element section = walk::Section(root, name);
    if (section)
      sections.push_back({{"element", name}, {"attributes", PairsJson(walk::Attributes(section))}});
  }
  Json kinds = Json::array();
  std::map<GXRM_obj_base::Kind, CString> kind_names;
  CGXRMobjBase::GetALLObjInfo(kind_names);
  for (const auto& entry : kind_names) kinds.push_back(Utf8(entry.second));
  Strings strings;
  Json lists = Json::array();
  const dom::Element global = walk::Section(root, fmt::kGlobalObjList);
  if (global) lists.push_back(ListJson(global, nullptr, strings));
  for (const dom::Element& floor : walk::Children(root, fmt::kFloor))
    lists.push_back(ListJson(floor, floor.getAttribute(fmt::kAttFloorName), strings));
  Json depths = Json::array(), labels = Json::array();
  for (const dom::Element& rule : walk::Children(walk::Section(root, fmt::kCalRule), nullptr))
    AddRuleNodes(rule, depths, labels);
  return {{"file", file},
          {"root", root.nodeName()},
          {"header", PairsJson(walk::Attributes(root))},
          {"sections", std::move(sections)},
          {"kinds", std::move(kinds)},
          {"floors", FloorsJson(root)},
          {"lists", std::move(lists)},
          {"strings", strings.ToJson()},
          {"crossSections", CrossSectionsJson(root)},
          {"rules", {{"depth", depths}, {"label", labels}}}};
}

// JSON that can stand inside a <script> element: no "<" ends or opens anything.
std::string ScriptSafe(const Json& json) {
  const std::string text = json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  std::string safe;
  safe.reserve(text.size());
  for (char c : text) {
    if (c == '<')
      safe += "\\u003c";
    else if (c == '>')
      safe += "\\u003e";
    else if (c == '&')
      safe += "\\u0026";
    else
      safe += c;
  }
  return safe;
}

void ReplaceOnce(std::string& text, const std::string& marker, const std::string& value) {
  const std::size_t at = text.find(marker);
  if (at != std::string::npos) text.replace(at, marker.size(), value);
}

std::string Page(const Json& data) {
  std::string page = report::kHtml;
  ReplaceOnce(page, "/*STYLE*/", report::kCss);
  ReplaceOnce(page, "/*SCRIPT*/", report::kJs);
  ReplaceOnce(page, "/*DATA*/", ScriptSafe(data));
  return page;
}

struct ReportOptions {
  std::string model;
  std::string output;
  std::string old;
};

std::string DefaultOutput(const std::string& model) {
  const std::size_t slash = model.find_last_of('/');
  const std::size_t dot = model.find_last_of('.');
  const bool has_extension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (has_extension ? model.substr(0, dot) : model) + ".html";
}

int RunReport(const ReportOptions& options) {
  CGXRMreader reader, old_reader;
  if (options.old.empty())
    Load(reader, options.model);
  else
    diff::LoadBoth(old_reader, options.old, reader, options.model);
  IXMLDOMElementPtr root;
  reader.GetRootElem(root);
  Json data = OnFile(options.model, [&] { return ModelJson(root, options.model); });
  if (!options.old.empty()) {
    IXMLDOMElementPtr old_root;
    old_reader.GetRootElem(old_root);
    data["diff"] = OnFile(options.model, [&] { return diff::ToJson(diff::Compare(old_root, root)); });
    data["diff"]["old"] = options.old;
  }
  const std::string output = options.output.empty() ? DefaultOutput(options.model) : options.output;
  WriteOutput(output, options.model, Page(data));
  if (output != "-") std::cout << "wrote " << output << '\n';
  return kOk;
}

}  // namespace

void AddReportCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<ReportOptions>();
  CLI::App* command = AddCommand(app, status, "report", "Write one self-contained HTML page showing a model",
                                 options, RunReport);
  command->add_option("MODEL", options->model, "GXRM file")->required();
  command->add_option("-o,--output", options->output,
                      "HTML file to write, - for standard output (default: MODEL with .html)");
  command->add_option("--diff", options->old, "Also show the changes against this earlier GXRM file");
}

}  // namespace gxrm::tool
