// components.h: components as table rows, and table rows back onto components.
//
// A row is one instance or type definition: the key columns floor, kind,
// type, is, id and name, then one column per LIST.ATTR. The key cells
// together find the row's component again; the other cells are its values.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "grid.h"
#include "model/GXRMmodel.h"

namespace gxrm::tool::table {

namespace column {
inline constexpr char kFloor[] = "floor";
inline constexpr char kKind[] = "kind";
inline constexpr char kType[] = "type";
inline constexpr char kIs[] = "is";
inline constexpr char kId[] = "id";
inline constexpr char kName[] = "name";
inline constexpr char kInstance[] = "instance";  // "is" of an instance
inline constexpr char kDefinition[] = "type";    // "is" of a type definition
}  // namespace column

// Whether `key` is LIST.ATTR with a list components have and a non-empty ATTR.
bool IsAttributeKey(const std::string& key);

// The header and one row per component the query selects, in file order;
// attribute columns in the order they are first seen.
std::vector<Row> SelectRows(const gxrm::Model& model, const std::string& query);

// One cell that differs from the model: nullopt removes the attribute.
struct CellEdit {
  std::size_t row_number;
  std::string key;
  std::optional<std::string> value;
};

// The edits a table makes, per component, in table order.
struct TableEdits {
  std::vector<gxrm::Component> components;
  std::vector<std::vector<CellEdit>> edits;  // beside components
};

// What the rows of `grid` change in the model. Raises ToolError naming
// `name` and the row or column for a table that cannot be placed.
TableEdits PlanEdits(const gxrm::Model& model, const Grid& grid, const std::string& name);

}  // namespace gxrm::tool::table
