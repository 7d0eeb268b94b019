// GXRMquery.cpp: parsing and testing of keys and queries.
#include "model/GXRMquery.h"

#include <re2/re2.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

#include "catalogue/GXRMnames.h"
#include "format/GXRMformat.h"
#include "model/GXRMmodel.h"

namespace gxrm::model {
namespace {

// clang-format off
struct ListName {
  const char* list;
  bool of_type;
};
constexpr ListName kLists[] = {
    {format::kObjAtt, false},
    {format::kObjGeoAtt, false},
    {format::kObjSection, false},
    {format::kTypeClassAtt, true},
    {format::kTypeClassGeoAtt, true},
    {format::kTypeClassSection, true},
    {format::kTypeClassSpecialtyAtt, true},
};
// clang-format on

constexpr char kKeyFloor[] = "floor";
constexpr char kKeyKind[] = "kind";
constexpr char kKeyType[] = "type";
constexpr char kKeyIs[] = "is";
constexpr char kIsInstance[] = "instance";
constexpr char kIsType[] = "type";
constexpr char kIsAny[] = "any";

[[noreturn]] void Refuse(std::string_view term, const std::string& why) {
  throw QueryError("term '" + std::string(term) + "': " + why);
}

struct OperatorName {
  const char* text;
  Test::Op op;
  bool negate;
};
// clang-format off
constexpr OperatorName kOperators[] = {
    {"!=", Test::kEqual, true},
    {"<=", Test::kLessEqual, false},
    {">=", Test::kGreaterEqual, false},
    {"=", Test::kEqual, false},
    {"~", Test::kSearch, false},
    {"<", Test::kLess, false},
    {">", Test::kGreater, false},
};
// clang-format on

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsOperatorChar(char c) { return c == '=' || c == '!' || c == '~' || c == '<' || c == '>'; }

// Reads one term at `pos` and hands its parts to `add`; `pos` ends behind it.
struct TermReader {
  std::string_view text;
  size_t pos = 0;

  bool AtEnd() {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    return pos >= text.size();
  }

  // The term from its start to the next blank outside quotes, for messages.
  std::string_view TermAt(size_t start) const {
    size_t end = start;
    bool quoted = false;
    for (; end < text.size() && (quoted || !IsBlank(text[end])); ++end) {
      if (text[end] == '\\' && quoted && end + 1 < text.size()) {
        ++end;
      } else if (text[end] == '"') {
        quoted = !quoted;
      }
    }
    return text.substr(start, end - start);
  }

  std::string_view ReadKey() {
    size_t start = pos;
    while (pos < text.size() && !IsBlank(text[pos]) && !IsOperatorChar(text[pos]) && text[pos] != '"') ++pos;
    return text.substr(start, pos - start);
  }

  // The operator; false when there is none. Two-character operators are tried first.
  bool ReadOperator(Test::Op& op, bool& negate) {
    for (const OperatorName& o : kOperators) {
      std::string_view name(o.text);
      if (text.substr(pos, name.size()) != name) continue;
      pos += name.size();
      op = o.op;
      negate = o.negate;
      return true;
    }
    return false;
  }

  // One value: quoted, with \" and \\ inside, or bare up to a blank (or a
  // comma when commas separate alternatives).
  std::string ReadItem(bool commas, std::string_view term) {
    std::string item;
    if (pos < text.size() && text[pos] == '"') {
      for (++pos; pos < text.size() && text[pos] != '"'; ++pos) {
        if (text[pos] == '\\' && pos + 1 < text.size() && (text[pos + 1] == '"' || text[pos + 1] == '\\'))
          ++pos;
        item += text[pos];
      }
      if (pos >= text.size()) Refuse(term, "the quoted value has no closing quote");
      ++pos;
      return item;
    }
    while (pos < text.size() && !IsBlank(text[pos]) && !(commas && text[pos] == ',')) {
      if (text[pos] == '"') Refuse(term, "a quote inside a bare value");
      item += text[pos++];
    }
    return item;
  }

  std::vector<std::string> ReadValues(bool commas, std::string_view term) {
    std::vector<std::string> values{ReadItem(commas, term)};
    while (commas && pos < text.size() && text[pos] == ',') {
      ++pos;
      values.push_back(ReadItem(commas, term));
    }
    if (pos < text.size() && !IsBlank(text[pos])) Refuse(term, "unexpected text after the value");
    return values;
  }
};

// Where `attr` stands in the records `list` of `element`, whether a value matches.
bool AnyRecordMatches(pugi::xml_node element, const Key& key, const Test& test) {
  for (pugi::xml_node c = element.first_child(); c; c = c.next_sibling()) {
    if (c.type() != pugi::node_element || std::strcmp(c.name(), key.list) != 0) continue;
    pugi::xml_attribute a = c.attribute(key.attr.c_str());
    if (a && test.Matches(a.value())) return true;
  }
  return false;
}

bool AllHold(const std::vector<Test>& tests, std::string_view text) {
  for (const Test& t : tests) {
    if (!t.Holds(t.Matches(text))) return false;
  }
  return true;
}

}  // namespace

Key ParseList(std::string_view list) {
  for (const ListName& l : kLists) {
    if (list == l.list) return Key{l.list, std::string(), l.of_type};
  }
  throw QueryError("'" + std::string(list) + "' is no list of records");
}

Key ParseKey(std::string_view key) {
  size_t dot = key.find('.');
  if (dot == std::string_view::npos) throw QueryError("key '" + std::string(key) + "' is not LIST.ATTR");
  if (dot + 1 == key.size()) throw QueryError("key '" + std::string(key) + "' names no attribute");
  try {
    Key parsed = ParseList(key.substr(0, dot));
    parsed.attr = key.substr(dot + 1);
    return parsed;
  } catch (const QueryError& e) {
    throw QueryError("key '" + std::string(key) + "': " + e.what());
  }
}

bool ParseNumber(std::string_view text, double& value) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool minus = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) minus = text[i++] == '-';
  std::chars_format format = std::chars_format::general;
  if (text.size() - i > 2 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    format = std::chars_format::hex;
    i += 2;
  }
  // from_chars takes no sign of its own here: a second sign is no number.
  if (i >= text.size() || text[i] == '+' || text[i] == '-') return false;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data() + i, end, value, format);
  if (ec != std::errc() || ptr != end || !std::isfinite(value)) return false;
  if (minus) value = -value;
  return true;
}

Test::Test(Op op, std::vector<std::string> values, bool negate, std::string_view term)
    : op_(op), negate_(negate), values_(std::move(values)) {
  if (op_ == kSearch) {
    RE2::Options options;
    options.set_log_errors(false);
    re_ = std::make_unique<RE2>(values_.front(), options);
    if (!re_->ok()) Refuse(term, "bad regular expression: " + re_->error());
  } else if (op_ != kEqual && !ParseNumber(values_.front(), number_)) {
    Refuse(term, "'" + values_.front() + "' is not a number");
  }
}

Test::Test(Test&&) noexcept = default;
Test& Test::operator=(Test&&) noexcept = default;
Test::~Test() = default;

bool Test::Matches(std::string_view text) const {
  double number = 0;
  switch (op_) {
    case kEqual:
      for (const std::string& v : values_) {
        if (v == text) return true;
      }
      return false;
    case kSearch:
      return RE2::PartialMatch(re2::StringPiece(text.data(), text.size()), *re_);
    case kLess:
      return ParseNumber(text, number) && number < number_;
    case kLessEqual:
      return ParseNumber(text, number) && number <= number_;
    case kGreater:
      return ParseNumber(text, number) && number > number_;
    case kGreaterEqual:
      return ParseNumber(text, number) && number >= number_;
  }
  return false;
}

Query::Query(std::string_view text) {
  kinds_.fill(true);
  types_.fill(true);
  bool saw_is = false;
  bool is_instance = true;
  bool is_type = true;
  TermReader reader{text};
  while (!reader.AtEnd()) {
    size_t start = reader.pos;
    std::string_view term = reader.TermAt(start);
    std::string_view key = reader.ReadKey();
    if (key.empty()) Refuse(term, "no key before the operator");
    Test::Op op;
    bool negate;
    if (!reader.ReadOperator(op, negate)) Refuse(term, "no operator (= != ~ < <= > >=) after the key");
    std::vector<std::string> values = reader.ReadValues(op == Test::kEqual, term);
    if (key == kKeyIs) {
      if (op != Test::kEqual) Refuse(term, "'is' takes = or != only");
      Test test(op, std::move(values), negate, term);
      bool instance = false;
      bool type = false;
      for (const std::string& v : test.values()) {
        if (v != kIsInstance && v != kIsType && v != kIsAny) Refuse(term, "'is' is instance, type or any");
        instance = instance || v != kIsType;
        type = type || v != kIsInstance;
      }
      saw_is = true;
      is_instance = is_instance && test.Holds(instance);
      is_type = is_type && test.Holds(type);
      continue;
    }
    AddTerm(key, op, negate, std::move(values), term);
  }
  want_instances_ = saw_is ? is_instance : true;
  want_types_ = saw_is ? is_type : false;
}

void Query::AddTerm(std::string_view key, Test::Op op, bool negate, std::vector<std::string> values,
                    std::string_view term) {
  if (key == kKeyKind || key == kKeyType) {
    if (op != Test::kEqual && op != Test::kSearch) Refuse(term, "'" + std::string(key) + "' takes = != or ~");
    const bool kind = key == kKeyKind;
    if (op == Test::kEqual) {
      for (const std::string& v : values) {
        if (kind ? !ParseKind(v) : !ParseType(v))
          Refuse(term, "no " + std::string(key) + " is named '" + v + "'");
      }
    }
    Test test(op, std::move(values), negate, term);
    if (kind) {
      for (size_t k = 0; k < kinds_.size(); ++k) {
        auto value = static_cast<GXRM_obj_base::Kind>(k);
        kinds_[k] = kinds_[k] &&
                    test.Holds(test.Matches(KindEnumName(value)) || test.Matches(KindChineseName(value)));
      }
    } else {
      for (size_t t = 0; t < types_.size(); ++t) {
        auto value = static_cast<GXRM_objType_base::Type>(t);
        types_[t] = types_[t] &&
                    test.Holds(test.Matches(TypeEnumName(value)) || test.Matches(TypeChineseName(value)));
      }
    }
    return;
  }
  Test test(op, std::move(values), negate, term);
  if (key == kKeyFloor) {
    floor_tests_.push_back(std::move(test));
  } else if (key == kKeyName) {
    name_tests_.push_back(std::move(test));
  } else if (key == kKeyId) {
    id_tests_.push_back(std::move(test));
  } else if (key.find('.') != std::string_view::npos) {
    Key parsed;
    try {
      parsed = ParseKey(key);
    } catch (const QueryError& e) {
      Refuse(term, e.what());
    }
    attr_tests_.push_back(AttrTest{std::move(parsed), std::move(test)});
  } else {
    Refuse(term, "unknown key '" + std::string(key) + "'");
  }
}

Query Query::ForId(const std::string& id) {
  Query q;
  q.kinds_.fill(true);
  q.types_.fill(true);
  q.want_types_ = true;
  q.id_tests_.emplace_back(Test::kEqual, std::vector<std::string>{id}, false, kKeyId);
  return q;
}

bool Query::FloorHolds(std::string_view floor) const { return AllHold(floor_tests_, floor); }

bool Query::ComponentHolds(pugi::xml_node element, const layout::ComponentShape& shape) const {
  if (!name_tests_.empty() && !AllHold(name_tests_, element.attribute(shape.name_att).value())) return false;
  if (!id_tests_.empty() && !AllHold(id_tests_, element.attribute(shape.id_att).value())) return false;
  for (const AttrTest& t : attr_tests_) {
    if (!t.test.Holds(AnyRecordMatches(element, t.key, t.test))) return false;
  }
  return true;
}

}  // namespace gxrm::model
