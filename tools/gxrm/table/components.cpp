// components.cpp: the component table of select and apply.
#include "components.h"

#include <algorithm>
#include <iterator>
#include <unordered_map>

#include "../model_walk.h"
#include "../tool.h"

namespace gxrm::tool::table {
namespace {

// Every instance and type definition.
constexpr char kEveryComponent[] = "is=any";

// The kind's and type's Chinese names (UTF-8), by type number.
struct TypeNames {
  std::string kind, type;
};
const TypeNames& NamesOf(GXRM_objType_base::Type type) {
  static const std::vector<TypeNames> names = [] {
    std::vector<TypeNames> all(CGXRMobjTypeBase::GetObjTypeCount());
    for (const CatalogueType& entry : CatalogueTypes())
      all.at(entry.type) = {Utf8(CGXRMobjBase::GetObjChNamebyKind(entry.kind)), entry.name};
    return all;
  }();
  static const TypeNames none;
  return type >= 0 && static_cast<std::size_t>(type) < names.size() ? names[type] : none;
}

Row KeyCells(const gxrm::ComponentView& view) {
  const TypeNames& names = NamesOf(view.Type());
  return {view.Floor(), names.kind, names.type, view.IsType() ? column::kDefinition : column::kInstance,
          view.Id(),    view.Name()};
}

// Attribute columns by name, in order of appearance.
class Columns {
 public:
  std::size_t IndexOf(const std::string& key) {
    const auto [where, added] = index_.try_emplace(key, names_.size());
    if (added) names_.push_back(where->first);
    return where->second;
  }
  const std::vector<std::string>& Names() const { return names_; }

 private:
  std::unordered_map<std::string, std::size_t> index_;
  std::vector<std::string> names_;
};

}  // namespace

bool IsAttributeKey(const std::string& key) {
  const std::size_t dot = key.find('.');
  if (dot == std::string::npos || dot + 1 == key.size()) return false;
  const std::string list = key.substr(0, dot);
  auto named = [&](const char* name) { return list == name; };
  return std::any_of(std::begin(walk::kInstanceLists), std::end(walk::kInstanceLists), named) ||
         std::any_of(std::begin(walk::kTypeLists), std::end(walk::kTypeLists), named);
}

std::vector<Row> SelectRows(const gxrm::Model& model, const std::string& query) {
  Columns columns;
  std::vector<Row> rows;
  std::vector<std::vector<std::pair<std::size_t, std::string>>> values;
  std::vector<std::size_t> last_row;  // by column: the last row that had a value there, plus one
  std::string key;
  model.Visit(query, [&](const gxrm::ComponentView& view) {
    rows.push_back(KeyCells(view));
    auto& cells = values.emplace_back();
    view.ForEachAttribute([&](const char* list, int, const char* attribute, const char* value) {
      key.assign(list).append(1, '.').append(attribute);
      const std::size_t index = columns.IndexOf(key);
      if (last_row.size() <= index) last_row.resize(index + 1, 0);
      if (last_row[index] == rows.size()) return;  // the first record holding it wins, as in Get
      last_row[index] = rows.size();
      cells.emplace_back(index, value);
    });
  });
  Row header{column::kFloor, column::kKind, column::kType, column::kIs, column::kId, column::kName};
  const std::size_t keys = header.size();
  header.insert(header.end(), columns.Names().begin(), columns.Names().end());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    rows[r].resize(header.size());
    for (auto& [index, value] : values[r]) rows[r][keys + index] = std::move(value);
  }
  rows.insert(rows.begin(), std::move(header));
  return rows;
}

namespace {

// The columns of an edited table: where each key column stands, and the attribute columns.
struct Layout {
  std::vector<std::optional<std::size_t>> keys;  // beside kKeyColumns
  std::unordered_map<std::string, std::size_t> attributes;
};

// The key columns that find a row's component; "kind" may be left out.
const char* const kKeyColumns[] = {column::kFloor, column::kType, column::kIs,
                                   column::kId,    column::kName, column::kKind};
constexpr std::size_t kRequiredKeys = 5;
constexpr std::size_t kIsKey = 2;

Layout ReadHeader(const Row& header, const std::string& name) {
  Layout layout;
  layout.keys.resize(std::size(kKeyColumns));
  for (std::size_t c = 0; c < header.size(); ++c) {
    const std::string& title = header[c];
    const std::string where = name + ": column " + std::to_string(c + 1) + " " + Quoted(title);
    const auto key = std::find(std::begin(kKeyColumns), std::end(kKeyColumns), title);
    const bool repeated = key != std::end(kKeyColumns)
                              ? layout.keys[key - std::begin(kKeyColumns)].has_value()
                              : layout.attributes.count(title) > 0;
    if (repeated) throw ToolError(where + " appears twice");
    if (key != std::end(kKeyColumns)) {
      layout.keys[key - std::begin(kKeyColumns)] = c;
    } else if (IsAttributeKey(title)) {
      layout.attributes.emplace(title, c);
    } else if (!title.empty()) {
      throw ToolError(where + " is no key column and no LIST.ATTR");
    }
  }
  for (std::size_t k = 0; k < kRequiredKeys; ++k) {
    if (!layout.keys[k]) throw ToolError(name + ": the key column " + Quoted(kKeyColumns[k]) + " is missing");
  }
  return layout;
}

// The key cells of a table row as one text, in the order of kKeyColumns.
std::string JoinKey(const std::vector<std::optional<std::size_t>>& where, const Row& cells) {
  std::string key;
  for (const std::optional<std::size_t>& c : where) {
    if (c) key += cells[*c];
    key += '\0';  // no XML text holds it
  }
  return key;
}

// The same for a component; its kind only when the table has that column.
std::string JoinKey(const gxrm::ComponentView& view, bool with_kind) {
  const TypeNames& names = NamesOf(view.Type());
  std::string key;
  for (const char* cell :
       {view.Floor().c_str(), names.type.c_str(), view.IsType() ? column::kDefinition : column::kInstance,
        view.Id(), view.Name(), with_kind ? names.kind.c_str() : ""})
    key.append(cell).append(1, '\0');
  return key;
}

// One table row and what became of it.
struct RowMatch {
  std::size_t matches = 0;
  std::optional<gxrm::Component> component;
  std::vector<CellEdit> edits;
};

// The edits a row's cells make on the component `view`.
std::vector<CellEdit> Compare(const gxrm::ComponentView& view, const Layout& layout, const Row& cells,
                              std::size_t row_number) {
  std::unordered_map<std::string, std::string> current;  // the first value of each key, as Get finds it
  view.ForEachAttribute([&](const char* list, int, const char* attribute, const char* value) {
    std::string key = std::string(list) + '.' + attribute;
    if (layout.attributes.count(key) > 0) current.emplace(std::move(key), value);
  });
  std::vector<std::pair<std::size_t, CellEdit>> edits;
  for (const auto& [key, c] : layout.attributes) {
    const auto found = current.find(key);
    const std::string& cell = cells[c];
    if (found == current.end() ? cell.empty() : found->second == cell) continue;
    edits.push_back({c, {row_number, key, cell.empty() ? std::nullopt : std::optional<std::string>(cell)}});
  }
  std::sort(edits.begin(), edits.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<CellEdit> ordered;
  for (auto& edit : edits) ordered.push_back(std::move(edit.second));
  return ordered;
}

}  // namespace

TableEdits PlanEdits(const gxrm::Model& model, const Grid& grid, const std::string& name) {
  if (grid.rows.empty()) throw ToolError(name + ": the table has no header row");
  const Layout layout = ReadHeader(grid.rows[0], name);
  const std::size_t width = grid.rows[0].size();
  std::vector<Row> rows(grid.rows.begin() + 1, grid.rows.end());
  std::unordered_map<std::string, std::size_t> by_key;
  std::vector<std::optional<std::size_t>> repeat_of(rows.size());  // the earlier row with the same key
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const std::string where = name + ": row " + std::to_string(grid.numbers[r + 1]);
    rows[r].resize(std::max(rows[r].size(), width));
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      if (!rows[r][c].empty() && (c >= width || grid.rows[0][c].empty()))
        throw ToolError(where + " has a value in column " + std::to_string(c + 1) + ", which has no name");
    }
    const std::string& is = rows[r][*layout.keys[kIsKey]];
    if (is != column::kInstance && is != column::kDefinition)
      throw ToolError(where + ": \"is\" must be instance or type, not " + Quoted(is));
    const auto [first, added] = by_key.emplace(JoinKey(layout.keys, rows[r]), r);
    if (!added) repeat_of[r] = first->second;
  }
  std::vector<RowMatch> matches(rows.size());
  const bool with_kind = layout.keys.back().has_value();
  model.Visit(kEveryComponent, [&](const gxrm::ComponentView& view) {
    const auto found = by_key.find(JoinKey(view, with_kind));
    if (found == by_key.end()) return;
    RowMatch& match = matches[found->second];
    if (++match.matches > 1) return;
    match.edits = Compare(view, layout, rows[found->second], grid.numbers[found->second + 1]);
    if (!match.edits.empty()) match.component = view.Handle();
  });
  for (std::size_t r = 0; r < rows.size(); ++r) {
    if (repeat_of[r]) matches[r].matches = std::max<std::size_t>(matches[*repeat_of[r]].matches, 1);
  }
  TableEdits plan;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const std::string where = name + ": row " + std::to_string(grid.numbers[r + 1]);
    if (matches[r].matches == 0) throw ToolError(where + ": no component has its key cells");
    if (matches[r].matches > 1) {
      throw ToolError(where + ": " + std::to_string(matches[r].matches) + " components have its key cells");
    }
    if (repeat_of[r])
      throw ToolError(where + " has the same key cells as row " +
                      std::to_string(grid.numbers[*repeat_of[r] + 1]));
    if (matches[r].component) {
      plan.components.push_back(std::move(*matches[r].component));
      plan.edits.push_back(std::move(matches[r].edits));
    }
  }
  return plan;
}

}  // namespace gxrm::tool::table
