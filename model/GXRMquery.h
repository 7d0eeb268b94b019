// GXRMquery.h: keys and queries of the model interface, compiled once and
// then tested against the tree without allocating (docs/query.md).
#pragma once

#include <pugixml.hpp>

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/CGXRMobjBase.h"
#include "catalogue/CGXRMobjTypeBase.h"
#include "writer/GXRMlayoutImpl.h"

namespace re2 {
class RE2;
}

namespace gxrm::model {

// The keys of a component's name and id, in queries and in Component::Remove.
inline constexpr char kKeyName[] = "name";
inline constexpr char kKeyId[] = "id";

// A LIST.ATTR key: the list's element name (a format constant) and the attribute.
struct Key {
  const char* list;
  std::string attr;
  bool of_type;  // a list of type definitions rather than of instances
};

// A list name alone (attr empty); raises QueryError naming it.
Key ParseList(std::string_view list);
// Parses LIST.ATTR; raises QueryError naming the key.
Key ParseKey(std::string_view key);

// A number as strtod reads one, finite, with nothing after it; false for any other text.
bool ParseNumber(std::string_view text, double& value);

// One comparison of a term: OP VALUE, tested against a text.
class Test {
 public:
  enum Op { kEqual, kSearch, kLess, kLessEqual, kGreater, kGreaterEqual };
  Test(Op op, std::vector<std::string> values, bool negate, std::string_view term);
  Test(Test&&) noexcept;
  Test& operator=(Test&&) noexcept;
  ~Test();

  // Whether the text matches, before negation.
  bool Matches(std::string_view text) const;
  // Whether the term holds given whether its comparison matched.
  bool Holds(bool matched) const { return matched != negate_; }

  Op op() const { return op_; }
  const std::vector<std::string>& values() const { return values_; }

 private:
  Op op_;
  bool negate_;
  std::vector<std::string> values_;  // alternatives of = and !=
  std::unique_ptr<re2::RE2> re_;
  double number_ = 0;
};

class Query {
 public:
  // Compiles the query text; raises QueryError naming the offending term.
  explicit Query(std::string_view text);
  // Every instance and type definition whose id is `id`.
  static Query ForId(const std::string& id);

  bool WantsInstances() const { return want_instances_; }
  bool WantsTypes() const { return want_types_; }
  bool FloorHolds(std::string_view floor) const;
  bool KindHolds(GXRM_obj_base::Kind kind) const { return kinds_[kind]; }
  bool TypeHolds(GXRM_objType_base::Type type) const { return types_[type]; }
  // The terms on the component itself: name, id and LIST.ATTR.
  bool ComponentHolds(pugi::xml_node element, const layout::ComponentShape& shape) const;

 private:
  Query() = default;
  void AddTerm(std::string_view key, Test::Op op, bool negate, std::vector<std::string> values,
               std::string_view term);
  void RestrictIs(const Test& test, std::string_view term);

  struct AttrTest {
    Key key;
    Test test;
  };
  bool want_instances_ = true;
  bool want_types_ = false;
  std::array<bool, 9> kinds_;
  std::array<bool, GXRM_objType_base::TYPE_NONE> types_;
  std::vector<Test> floor_tests_;
  std::vector<Test> name_tests_;
  std::vector<Test> id_tests_;
  std::vector<AttrTest> attr_tests_;
};

}  // namespace gxrm::model
