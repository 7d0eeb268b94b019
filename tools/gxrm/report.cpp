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
#include "edit/session.h"
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

  void Add(const gxrm::Component& instance) {
    Set(0, instance.Id());
    Set(1, instance.Name());
    for (const char* list : walk::kInstanceLists) {
      const std::vector<gxrm::Pairs> records = instance.Records(list);
      for (std::size_t i = 0; i < records.size(); ++i) {
        for (const auto& [name, value] : records[i]) Set(Column(ColumnLabel(list, i, name)), value);
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

Json TypeClassJson(const gxrm::Component& type_class) {
  Json lists = Json::array();
  for (const char* list : walk::kTypeLists) {
    for (const gxrm::Pairs& record : type_class.Records(list)) lists.push_back({list, PairsJson(record)});
  }
  const dom::Node rules = type_class.Element().selectSingleNode(fmt::kTypeClassCalRule);
  return {{"id", type_class.Id()},
          {"name", type_class.Name()},
          {"lists", std::move(lists)},
          {"rules", walk::Children(rules, nullptr).size()}};
}

// The type definitions and instances of one type in one object list.
struct TypeComponents {
  std::vector<gxrm::Component> definitions, instances;
};
// One object list's components by the type's place in CatalogueTypes().
using ListComponents = std::map<std::size_t, TypeComponents>;

std::size_t CataloguePlace(GXRM_objType_base::Type type) {
  static const std::vector<std::size_t> places = [] {
    std::vector<std::size_t> by_type(CatalogueTypes().size());
    for (std::size_t i = 0; i < CatalogueTypes().size(); ++i) by_type[CatalogueTypes()[i].type] = i;
    return by_type;
  }();
  return places.at(type);
}

// Calls `visit(floor_index, components)` for every object list in file order,
// -1 the global list, each as soon as it has been read.
template <typename Visit>
void ForEachObjectList(const gxrm::Model& model, Visit&& visit) {
  ListComponents list;
  int at = -1;
  const auto reach = [&](int floor_index) {
    for (; at < floor_index; ++at, list.clear()) visit(at, list);
  };
  model.Visit("is=any", [&](const gxrm::ComponentView& view) {
    reach(view.FloorIndex());
    TypeComponents& type = list[CataloguePlace(view.Type())];
    (view.IsType() ? type.definitions : type.instances).push_back(view.Handle());
  });
  reach(static_cast<int>(model.Floors().size()));
}

// One object list: per type its definitions and instances, and counts per kind.
Json ListJson(const ListComponents& list, const Json& floorName, Strings& strings) {
  Json counts = Json::array();
  for (int k = 0; k < CGXRMobjBase::GetObjCount(); ++k) counts.push_back({0, 0});
  Json types = Json::array();
  for (const auto& [place, components] : list) {
    const CatalogueType& entry = CatalogueTypes()[place];
    counts[entry.kind][0] = counts[entry.kind][0].get<std::size_t>() + components.definitions.size();
    counts[entry.kind][1] = counts[entry.kind][1].get<std::size_t>() + components.instances.size();
    Json defs = Json::array();
    for (const gxrm::Component& d : components.definitions) defs.push_back(TypeClassJson(d));
    InstanceTable table(strings);
    for (const gxrm::Component& i : components.instances) table.Add(i);
    table.Finish();
    types.push_back(
        {{"type", entry.name}, {"kind", entry.kind}, {"defs", std::move(defs)}, {"inst", table.ToJson()}});
  }
  return {{"floor", floorName}, {"counts", std::move(counts)}, {"types", std::move(types)}};
}

// Text that only lays the file out (the model keeps it).
bool IsLayout(const dom::Node& node) {
  return node.nodeType() == dom::NODE_TEXT && node.text().find_first_not_of(" \t\r\n") == std::string::npos;
}

// A rule's nodes in pre-order, flat, walked without recursion: per node its
// depth and label, [name, [[attribute, value], ...]] or [name, text].
void AddRuleNodes(const dom::Node& rule, Json& depths, Json& labels) {
  std::vector<std::pair<dom::Node, int>> stack{{rule, 0}};
  while (!stack.empty()) {
    const auto [node, depth] = stack.back();
    stack.pop_back();
    if (IsLayout(node)) continue;
    const bool element = node.nodeType() == dom::NODE_ELEMENT;
    depths.push_back(depth);
    labels.push_back({node.nodeName(), element ? PairsJson(walk::Attributes(node)) : Json(node.text())});
    std::vector<dom::Node> children;
    for (dom::Node child = node.firstChild(); child; child = child.nextSibling()) children.push_back(child);
    for (auto it = children.rbegin(); it != children.rend(); ++it) stack.emplace_back(*it, depth + 1);
  }
}

// The value of one attribute, or null when the element lacks it.
Json ValueOf(const walk::Pairs& pairs, const char* name) {
  for (const auto& [key, value] : pairs) {
    if (key == name) return value;
  }
  return nullptr;
}

Json FloorsJson(const dom::Element& root) {
  Json floors = Json::array();
  for (const dom::Element& info : walk::Children(walk::Section(root, fmt::kProjFloorInfo), fmt::kFloorInfo)) {
    const walk::Pairs pairs = walk::Attributes(info);
    floors.push_back({{"name", info.getAttribute(fmt::kAttFloorKey)},
                      {"elevation", ValueOf(pairs, fmt::kAttFloorElevation)},
                      {"height", ValueOf(pairs, fmt::kAttFloorHeight)},
                      {"info", PairsJson(pairs)}});
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

// The project sections in page order, with the words a reader knows them by.
// clang-format off
constexpr std::pair<const char*, const char*> kSectionTitles[] = {
    {fmt::kProjSetting,   "project settings"},
    {fmt::kCalRule,       "calculation rules"},
    {fmt::kUserSecInfo,   "user cross-sections"},
    {fmt::kProjFloorInfo, "floor information"},
};
// clang-format on

// Every kind: its Chinese name and its element name.
Json KindsJson() {
  Json kinds = Json::array();
  std::map<GXRM_obj_base::Kind, CString> elements;
  CGXRMobjBase::GetALLObjInfo(elements);
  for (const auto& [kind, element] : elements)
    kinds.push_back({{"name", Utf8(CGXRMobjBase::GetObjChNamebyKind(kind))}, {"element", Utf8(element)}});
  return kinds;
}

Json ModelJson(const gxrm::Model& model, const std::string& file) {
  const dom::Element root = model.Document().documentElement();
  Json sections = Json::array();
  for (const auto& [name, title] : kSectionTitles) {
    const dom::Element section = walk::Section(root, name);
    if (section) {
      sections.push_back(
          {{"element", name}, {"title", title}, {"attributes", PairsJson(walk::Attributes(section))}});
    }
  }
  Strings strings;
  Json lists = Json::array();
  const bool global = static_cast<bool>(walk::Section(root, fmt::kGlobalObjList));
  const std::vector<std::string> floors = model.Floors();
  ForEachObjectList(model, [&](int floor_index, const ListComponents& list) {
    if (floor_index >= 0 || global)
      lists.push_back(ListJson(list, floor_index < 0 ? Json(nullptr) : Json(floors[floor_index]), strings));
  });
  Json depths = Json::array(), labels = Json::array();
  for (const dom::Element& rule : walk::Children(walk::Section(root, fmt::kCalRule), nullptr))
    AddRuleNodes(rule, depths, labels);
  return {{"file", file},
          {"root", root.nodeName()},
          {"header", PairsJson(walk::Attributes(root))},
          {"sections", std::move(sections)},
          {"kinds", KindsJson()},
          {"instanceKeys", {{"element", fmt::kInstance}, {"id", fmt::kAttObjId}, {"name", fmt::kAttObjName}}},
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

// MODEL with .html; standard output when the model comes from standard input.
std::string DefaultOutput(const std::string& model) {
  if (model == "-") return "-";
  const std::size_t slash = model.find_last_of('/');
  const std::size_t dot = model.find_last_of('.');
  const bool has_extension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (has_extension ? model.substr(0, dot) : model) + ".html";
}

// The model, and with OLD the changes against it (both read once).
std::pair<gxrm::Model, Json> Read(const ReportOptions& options) {
  if (options.old.empty()) return {edit::LoadModel(options.model), Json()};
  auto [old_model, model] = edit::LoadBoth(options.old, options.model);
  Json changes =
      edit::OnModel(FileName(options.model), [&] { return diff::ToJson(diff::Compare(old_model, model)); });
  changes["old"] = options.old;
  return {std::move(model), std::move(changes)};
}

int RunReport(const ReportOptions& options) {
  const auto [model, changes] = Read(options);
  Json data = edit::OnModel(options.model, [&] { return ModelJson(model, options.model); });
  if (!options.old.empty()) data["diff"] = changes;
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
  command->add_option(
      "-o,--output", options->output,
      "HTML file to write, - for standard output (default: MODEL with .html; - when MODEL is -)");
  command->add_option("--diff", options->old, "Also show the changes against this earlier GXRM file");
}

}  // namespace gxrm::tool
