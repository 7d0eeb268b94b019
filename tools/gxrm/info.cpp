// info.cpp: `gxrm info FILE [--json]`, a summary of a model read through the
// reader, as text for people or as JSON for scripts (docs/info-json.md).
#include <CLI/CLI.hpp>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>

#include "json_model.h"
#include "table.h"
#include "tool.h"

namespace gxrm::tool {
namespace {
namespace dom = gxrm::dom;
namespace fmt = gxrm::format;
using model::Json;
using Pairs = std::vector<std::pair<std::string, std::string>>;

constexpr char kInfoFormat[] = "gxrm-info/1";
constexpr std::size_t kCellLimit = 24;  // long point lists are cut in the sections table
constexpr std::size_t kSecFields = 5;   // SecID, SecName, Point, Bulge, InsertPt

// What info tells about a model, gathered once for either output.
struct Summary {
  struct Section {
    const char* label;  // text output
    const char* key;    // JSON member
    std::optional<Pairs> attributes;
  };
  struct Floor {
    std::string name;
    Pairs info;
    std::optional<Pairs> list;  // the "Floor" attributes but its name; none without an object list
  };
  struct Counts {
    std::optional<std::string> floor;                           // none: the global list
    std::vector<std::pair<std::size_t, std::size_t>> per_kind;  // type definitions, instances
  };
  struct Rule {
    std::string element;
    Pairs attributes;
  };
  std::string version;
  Pairs header;
  std::vector<Section> sections;
  std::optional<std::vector<Floor>> floors;  // none when the floors cannot be listed
  std::vector<std::string> kinds;
  std::vector<Counts> counts;
  std::vector<std::vector<std::string>> cross_sections;
  std::vector<Rule> rules;
  long rule_nodes = 0;
};

Pairs Utf8Pairs(const CGXRMnode::AttMap& atts) {
  Pairs pairs;
  for (const auto& [name, value] : atts) pairs.emplace_back(Utf8(name), Utf8(value));
  return pairs;
}

// The attributes of a DOM element, `skip` left out.
Pairs ElementPairs(const dom::Node& element, const std::string& skip = "") {
  Pairs pairs;
  for (dom::Node a : element.attributes()) {
    if (a.nodeName() != skip) pairs.emplace_back(a.nodeName(), a.text());
  }
  return pairs;
}

Summary::Counts CountList(CGXRMreader& reader, std::size_t kinds, const CString* floor) {
  Summary::Counts counts{floor ? std::optional<std::string>(Utf8(*floor)) : std::nullopt,
                         std::vector<std::pair<std::size_t, std::size_t>>(kinds)};
  for (const CatalogueType& entry : CatalogueTypes()) {
    counts.per_kind[entry.kind].first += gxrm::CountObjTypes(reader, floor, entry.type);
    counts.per_kind[entry.kind].second += gxrm::CountObjs(reader, floor, entry.type);
  }
  return counts;
}

Summary Summarise(CGXRMreader& reader) {
  Summary s;
  CString version;
  CGXRMnode record;
  reader.GetGXRMfileVer(version);
  s.version = Utf8(version);
  reader.GetRoot(record);
  s.header = Utf8Pairs(record.Atts());
  const std::tuple<const char*, const char*, bool (CGXRMreader::*)(CGXRMnode&)> sections[] = {
      {"project settings:   ", "projectSettings", &CGXRMreader::GetProjSetting},
      {"calculation rules:  ", "calculationRules", &CGXRMreader::GetCalRule},
      {"floor information:  ", "floorInformation", &CGXRMreader::GetProjFloorInfo}};
  for (const auto& [label, key, get] : sections) {
    s.sections.push_back(
        {label, key, (reader.*get)(record) ? std::optional(Utf8Pairs(record.Atts())) : std::nullopt});
  }
  CStringArray names;
  if (reader.GetFloorNames(names)) {
    std::vector<CGXRMnode> records;
    reader.GetFloors(records);
    s.floors.emplace();
    for (std::size_t i = 0; i < names.size(); ++i) {
      IXMLDOMElementPtr floor;
      const bool listed = reader.GetFloorNode(names[i], floor);
      s.floors->push_back({Utf8(names[i]), Utf8Pairs(records[i].Atts()),
                           listed ? std::optional(ElementPairs(floor, fmt::kAttFloorName)) : std::nullopt});
    }
  }
  std::map<GXRM_obj_base::Kind, CString> kinds;
  CGXRMobjBase::GetALLObjInfo(kinds);
  for (const auto& entry : kinds) s.kinds.push_back(Utf8(entry.second));
  IXMLDOMElementPtr root;
  reader.GetRootElem(root);
  if (root.selectSingleNode(fmt::kGlobalObjList))
    s.counts.push_back(CountList(reader, kinds.size(), nullptr));
  for (const CString& name : names) s.counts.push_back(CountList(reader, kinds.size(), &name));
  CStringArray fields;
  reader.GetUserSec(fields);
  for (std::size_t i = 0; i + kSecFields <= fields.size(); i += kSecFields) {
    std::vector<std::string> row;
    for (std::size_t f = 0; f < kSecFields; ++f) row.push_back(Utf8(fields[i + f]));
    s.cross_sections.push_back(std::move(row));
  }
  for (const IXMLDOMElementPtr& rule : reader.GetCalRule())
    s.rules.push_back({rule.nodeName(), ElementPairs(rule)});
  s.rule_nodes = reader.CountCalRule();
  return s;
}

// Text output.

std::string Text(const Pairs& pairs) {
  std::string text;
  for (const auto& [name, value] : pairs) text += (text.empty() ? "" : " ") + name + "=" + value;
  return text;
}

std::string Cut(const std::string& text) {
  if (DisplayWidth(text) <= kCellLimit) return text;
  std::size_t end = kCellLimit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end) + "...";
}

std::string CountCell(const std::pair<std::size_t, std::size_t>& count) {
  if (count.first + count.second == 0) return "-";
  return std::to_string(count.first) + "/" + std::to_string(count.second);
}

void PrintText(const Summary& s, std::ostream& out) {
  out << "version:            " << s.version << "\nheader:             " << Text(s.header) << '\n';
  for (const Summary::Section& section : s.sections)
    out << section.label << (section.attributes ? Text(*section.attributes) : "(none)") << '\n';
  if (s.floors) {
    out << "\nfloors (" << s.floors->size() << "):\n";
    std::vector<Row> rows;
    for (const Summary::Floor& f : *s.floors)
      rows.push_back({f.name, Text(f.info), f.list ? Text(*f.list) : "(no object list)"});
    PrintTable(out, rows, "  ");
  }
  out << "\ntype definitions/instances per object list and kind:\n";
  std::vector<Row> rows{{"list"}};
  rows[0].insert(rows[0].end(), s.kinds.begin(), s.kinds.end());
  for (const Summary::Counts& list : s.counts) {
    Row row{list.floor ? *list.floor : "(global)"};
    for (const auto& count : list.per_kind) row.push_back(CountCell(count));
    rows.push_back(std::move(row));
  }
  PrintTable(out, rows, "  ");
  out << "\nuser cross-sections (" << s.cross_sections.size() << "):\n";
  if (!s.cross_sections.empty()) {
    std::vector<Row> table{
        {fmt::kAttSecId, fmt::kAttSecName, fmt::kAttPoint, fmt::kAttBulge, fmt::kAttInsertPt}};
    for (const std::vector<std::string>& fields : s.cross_sections) {
      Row row;
      for (const std::string& field : fields) row.push_back(Cut(field));
      table.push_back(std::move(row));
    }
    PrintTable(out, table, "  ");
  }
  out << "\ncalculation rules (" << s.rules.size() << " of " << s.rule_nodes << " nodes):\n";
  for (const Summary::Rule& rule : s.rules)
    out << "  " << rule.element << "  " << Text(rule.attributes) << '\n';
}

// JSON output.

Json Object(const Pairs& pairs) {
  Json json = Json::object();
  for (const auto& [name, value] : pairs) json[name] = value;
  return json;
}

Json Object(const std::optional<Pairs>& pairs) { return pairs ? Object(*pairs) : Json(nullptr); }

Json ToJson(const Summary& s) {
  Json json = {{"format", kInfoFormat}, {"version", s.version}, {"header", Object(s.header)}};
  for (const Summary::Section& section : s.sections) json[section.key] = Object(section.attributes);
  Json floors = s.floors ? Json::array() : Json(nullptr);
  for (const Summary::Floor& f : s.floors ? *s.floors : std::vector<Summary::Floor>()) {
    floors.push_back({{"name", f.name}, {"info", Object(f.info)}, {"attributes", Object(f.list)}});
  }
  json["floors"] = std::move(floors);
  Json lists = Json::array();
  for (const Summary::Counts& list : s.counts) {
    Json kinds = Json::object();
    for (std::size_t k = 0; k < list.per_kind.size(); ++k)
      kinds[s.kinds[k]] = {{"types", list.per_kind[k].first}, {"instances", list.per_kind[k].second}};
    lists.push_back({{"floor", list.floor ? Json(*list.floor) : Json(nullptr)}, {"kinds", std::move(kinds)}});
  }
  json["objectLists"] = std::move(lists);
  Json cross_sections = Json::array();
  const char* const fields[] = {fmt::kAttSecId, fmt::kAttSecName, fmt::kAttPoint, fmt::kAttBulge,
                                fmt::kAttInsertPt};
  for (const std::vector<std::string>& row : s.cross_sections) {
    Json item = Json::object();
    for (std::size_t f = 0; f < kSecFields; ++f) item[fields[f]] = row[f];
    cross_sections.push_back(std::move(item));
  }
  json["crossSections"] = std::move(cross_sections);
  Json rules = Json::array();
  for (const Summary::Rule& rule : s.rules)
    rules.push_back({{"element", rule.element}, {"attributes", Object(rule.attributes)}});
  json["rules"] = {{"nodes", s.rule_nodes}, {"elements", std::move(rules)}};
  return json;
}

struct InfoOptions {
  std::string file;
  bool json = false;
};

int RunInfo(const InfoOptions& options) {
  CGXRMreader reader;
  Load(reader, options.file);
  const Summary summary = OnFile(FileName(options.file), [&] { return Summarise(reader); });
  std::ostringstream out;  // nothing is printed when the file fails half-way
  if (options.json)
    out << ToJson(summary).dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  else
    PrintText(summary, out);
  std::cout << out.str();
  return kOk;
}

}  // namespace

void AddInfoCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<InfoOptions>();
  CLI::App* command = AddCommand(
      app, status, "info", "Summarise a file: version, sections, floors, counts, rules", options, RunInfo);
  command->add_option("FILE", options->file, "GXRM file (- for standard input)")->required();
  command->add_flag("--json", options->json, "Print the summary as JSON (see docs/info-json.md)");
}

}  // namespace gxrm::tool
