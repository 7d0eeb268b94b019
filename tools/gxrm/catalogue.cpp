// catalogue.cpp: `gxrm catalogue`, the kinds, types and specialities, and the
// two translations the catalogue offers: type names between specialities
// (--map) and section keys to the file's section identifiers (--section).
#include <CLI/CLI.hpp>
#include <iostream>
#include <map>
#include <memory>

#include "catalogue/GXRMkindsImpl.h"
#include "table.h"
#include "tool.h"

namespace gxrm::tool {
namespace {

struct CatalogueOptions {
  std::vector<std::string> map;      // SRC DST TYPE
  std::vector<std::string> section;  // VOCAB KEY TYPE
};

constexpr int kSpecialities = 3;

void PrintCatalogue(std::ostream& out) {
  const auto& kinds = catalogue::KindsWithTypes();
  out << "kinds (" << kinds.size() << "):\n";
  std::vector<Row> rows{{"kind", "element", "name"}};
  for (const catalogue::KindTypes& kind : kinds) {
    rows.push_back(
        {std::to_string(kind.kind), kind.element, Utf8(CGXRMobjBase::GetObjChNamebyKind(kind.kind))});
  }
  PrintTable(out, rows, "  ");
  out << "\ntypes (" << CatalogueTypes().size() << "), speciality 0 = common to 1 and 2:\n";
  rows = {{"type", "name", "kind", "speciality"}};
  for (const CatalogueType& type : CatalogueTypes()) {
    rows.push_back(
        {std::to_string(type.type), type.name, type.kind_element, std::to_string(type.speciality)});
  }
  PrintTable(out, rows, "  ");
  out << "\nspecialities: 1, 2, 3 (gxrm catalogue --map SRC DST TYPE)\n";
}

GXRM_Speciality::Speciality ParseSpeciality(const std::string& text) {
  if (text.size() == 1 && text[0] >= '1' && text[0] < '1' + kSpecialities) {
    return static_cast<GXRM_Speciality::Speciality>(text[0] - '0');
  }
  throw ToolError("unknown speciality '" + text + "' (1, 2 or 3)");
}

void PrintLines(const CStringArray& texts, std::ostream& out) {
  bool any = false;
  for (const CString& text : texts) {
    if (!text.empty()) out << Utf8(text) << '\n';
    any = any || !text.empty();
  }
  if (!any) out << "(none)\n";
}

void PrintMap(const std::vector<std::string>& args, std::ostream& out) {
  CStringArray names;
  CGXRMobjTypeBase::GetGXRMObjMap(ParseSpeciality(args[0]), ParseSpeciality(args[1]), ParseType(args[2]),
                                  names);
  PrintLines(names, out);
}

void PrintSection(const std::vector<std::string>& args, std::ostream& out) {
  using Lookup = CString (*)(CString, GXRM_objType_base::Type);
  static const std::map<std::string, Lookup> vocabularies = {{"cal", &CGXRMsectMng::GetGXRMSectId_Cal},
                                                             {"steel", &CGXRMsectMng::GetGXRMSectId_Steel},
                                                             {"az", &CGXRMsectMng::GetGXRMSectId_AZ}};
  auto found = vocabularies.find(args[0]);
  if (found == vocabularies.end())
    throw ToolError("unknown section vocabulary '" + args[0] + "' (cal, steel or az)");
  PrintLines({found->second(Gbk(args[1]), ParseType(args[2]))}, out);
}

int RunCatalogue(const CatalogueOptions& options) {
  if (!options.map.empty()) PrintMap(options.map, std::cout);
  if (!options.section.empty()) PrintSection(options.section, std::cout);
  if (options.map.empty() && options.section.empty()) PrintCatalogue(std::cout);
  return kOk;
}

}  // namespace

void AddCatalogueCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<CatalogueOptions>();
  CLI::App* command =
      AddCommand(app, status, "catalogue",
                 "List kinds, types and specialities, or translate a type or section", options, RunCatalogue);
  command
      ->add_option("--map", options->map, "Type names that speciality DST gives type TYPE of speciality SRC")
      ->expected(3)
      ->type_name("SRC DST TYPE");
  command
      ->add_option("--section", options->section,
                   "Section identifier of KEY in vocabulary VOCAB (cal, steel, az) for type TYPE")
      ->expected(3)
      ->type_name("VOCAB KEY TYPE");
}

}  // namespace gxrm::tool
