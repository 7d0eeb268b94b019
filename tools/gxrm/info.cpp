// info.cpp: `gxrm info FILE`, a summary of a model read through the reader.
#include <CLI/CLI.hpp>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>

#include "table.h"
#include "tool.h"

namespace gxrm::tool {
namespace {
namespace dom = gxrm::dom;
namespace fmt = gxrm::format;

constexpr std::size_t kCellLimit = 24;  // long point lists are cut in the sections table

std::string Cut(const std::string& text) {
  if (DisplayWidth(text) <= kCellLimit) return text;
  std::size_t end = kCellLimit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end) + "...";
}

// "name=value" pairs of a DOM element, `skip` left out.
std::string ElementPairs(const dom::Node& element, const std::string& skip = "") {
  std::string text;
  for (dom::Node a : element.attributes()) {
    if (a.nodeName() != skip) text += (text.empty() ? "" : " ") + a.nodeName() + "=" + a.text();
  }
  return text;
}

void PrintSections(CGXRMreader& reader, std::ostream& out) {
  CString version;
  CGXRMnode record;
  reader.GetGXRMfileVer(version);
  reader.GetRoot(record);
  out << "version:        " << Utf8(version) << "\nheader:         " << PairsText(record.Atts()) << '\n';
  const std::pair<const char*, bool (CGXRMreader::*)(CGXRMnode&)> sections[] = {
      {"project:        ", &CGXRMreader::GetProjSetting},
      {"rule section:   ", &CGXRMreader::GetCalRule},
      {"floor section:  ", &CGXRMreader::GetProjFloorInfo}};
  for (const auto& [label, get] : sections) {
    out << label << ((reader.*get)(record) ? PairsText(record.Atts()) : "(none)") << '\n';
  }
}

void PrintFloors(CGXRMreader& reader, const CStringArray& names, std::ostream& out) {
  std::vector<CGXRMnode> records;
  reader.GetFloors(records);
  out << "\nfloors (" << names.size() << "):\n";
  std::vector<Row> rows;
  for (std::size_t i = 0; i < names.size(); ++i) {
    IXMLDOMElementPtr floor;
    const bool listed = reader.GetFloorNode(names[i], floor);
    rows.push_back({Utf8(names[i]), PairsText(records[i].Atts()),
                    listed ? ElementPairs(floor, fmt::kAttFloorName) : "(no object list)"});
  }
  PrintTable(out, rows, "  ");
}

// "types/instances" per kind for one object list; `floor` null for the global one.
Row CountRow(CGXRMreader& reader, const std::string& label, const CString* floor) {
  std::vector<std::size_t> types(CGXRMobjBase::GetObjCount(), 0);
  std::vector<std::size_t> instances(types.size(), 0);
  for (const CatalogueType& entry : CatalogueTypes()) {
    std::vector<CGXRMobjType> type_list;
    std::vector<CGXRMobj> obj_list;
    if (floor != nullptr) {
      reader.GetObjTypeList(*floor, entry.type, type_list);
      reader.GetObjList(*floor, entry.type, obj_list);
    } else {
      reader.GetObjTypeList(entry.type, type_list);
      reader.GetObjList(entry.type, obj_list);
    }
    types[entry.kind] += type_list.size();
    instances[entry.kind] += obj_list.size();
  }
  Row row{label};
  for (std::size_t k = 0; k < types.size(); ++k) {
    row.push_back(
        types[k] + instances[k] == 0 ? "-" : std::to_string(types[k]) + "/" + std::to_string(instances[k]));
  }
  return row;
}

void PrintCounts(CGXRMreader& reader, const CStringArray& names, std::ostream& out) {
  out << "\ntype definitions/instances per object list and kind:\n";
  std::vector<Row> rows{{"list"}};
  std::map<GXRM_obj_base::Kind, CString> kinds;
  CGXRMobjBase::GetALLObjInfo(kinds);
  for (const auto& entry : kinds) rows[0].push_back(entry.second);
  IXMLDOMElementPtr root;
  reader.GetRootElem(root);
  if (root.selectSingleNode(fmt::kGlobalObjList)) rows.push_back(CountRow(reader, "(global)", nullptr));
  for (const CString& name : names) rows.push_back(CountRow(reader, Utf8(name), &name));
  PrintTable(out, rows, "  ");
}

void PrintUserSections(CGXRMreader& reader, std::ostream& out) {
  CStringArray fields;
  reader.GetUserSec(fields);
  constexpr std::size_t kFields = 5;  // SecID, SecName, Point, Bulge, InsertPt
  out << "\nuser cross-sections (" << fields.size() / kFields << "):\n";
  if (fields.empty()) return;
  std::vector<Row> rows{
      {fmt::kAttSecId, fmt::kAttSecName, fmt::kAttPoint, fmt::kAttBulge, fmt::kAttInsertPt}};
  for (std::size_t i = 0; i + kFields <= fields.size(); i += kFields) {
    Row row;
    for (std::size_t f = 0; f < kFields; ++f) row.push_back(Cut(Utf8(fields[i + f])));
    rows.push_back(std::move(row));
  }
  PrintTable(out, rows, "  ");
}

void PrintRules(CGXRMreader& reader, std::ostream& out) {
  const std::vector<IXMLDOMElementPtr> rules = reader.GetCalRule();
  out << "\ncalculation rules (" << rules.size() << " of " << reader.CountCalRule() << " nodes):\n";
  for (const IXMLDOMElementPtr& rule : rules)
    out << "  " << rule.nodeName() << "  " << ElementPairs(rule) << '\n';
}

void PrintInfo(CGXRMreader& reader, std::ostream& out) {
  PrintSections(reader, out);
  CStringArray names;
  if (reader.GetFloorNames(names)) PrintFloors(reader, names, out);
  PrintCounts(reader, names, out);
  PrintUserSections(reader, out);
  PrintRules(reader, out);
}

struct InfoOptions {
  std::string file;
};

int RunInfo(const InfoOptions& options) {
  CGXRMreader reader;
  Load(reader, options.file);
  std::ostringstream out;  // nothing is printed when the file fails half-way
  OnFile(options.file, [&] { PrintInfo(reader, out); });
  std::cout << out.str();
  return kOk;
}

}  // namespace

void AddInfoCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<InfoOptions>();
  AddCommand(app, status, "info", "Summarise a file: version, sections, floors, counts, rules", options,
             RunInfo)
      ->add_option("FILE", options->file, "GXRM file")
      ->required();
}

}  // namespace gxrm::tool
