#include "convert.h"

#include <Python.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/GXRMerror.h"
#include "core/GXRMtext.h"

namespace gxrm::python {

// Slots of the str caches (powers of two): room for every attribute name a
// real model uses, and for the values that repeat across its records.
constexpr size_t kNameSlots = 1024;
constexpr size_t kValueSlots = 4096;

std::string Utf8(py::handle text, const char* what) {
  if (!PyUnicode_Check(text.ptr())) {
    throw py::type_error(std::string(what) + " must be str, not " + Py_TYPE(text.ptr())->tp_name);
  }
  Py_ssize_t size = 0;
  const char* data = PyUnicode_AsUTF8AndSize(text.ptr(), &size);
  if (data == nullptr) throw py::error_already_set();
  return std::string(data, static_cast<size_t>(size));
}

CString Gbk(py::handle text, const char* what) { return gxrm::FromUtf8(Utf8(text, what)); }

py::str Str(std::string_view utf8) {
  PyObject* text = PyUnicode_DecodeUTF8(utf8.data(), static_cast<Py_ssize_t>(utf8.size()), "strict");
  if (text == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(text);
}

py::str StrFromGbk(const CString& gbk) { return Str(gxrm::ToUtf8(gbk)); }

CGXRMnode Record(py::handle mapping) {
  CGXRMnode record;
  if (mapping.is_none()) return record;
  if (!py::hasattr(mapping, "items")) throw py::type_error("attributes must be a mapping of str to str");
  py::object items = mapping.attr("items")();
  for (py::handle item : items) {
    py::tuple pair = py::reinterpret_borrow<py::tuple>(item);
    record.AddAtt(Gbk(pair[0], "attribute name"), Gbk(pair[1], "attribute value"));
  }
  return record;
}

py::dict Dict(const CGXRMnode& record) {
  py::dict dict;
  for (const auto& [name, value] : record.Atts()) dict[StrFromGbk(name)] = StrFromGbk(value);
  return dict;
}

namespace {

// Recently made str objects by their UTF-8 text. Each text has one slot,
// picked by its hash, and a newcomer evicts the slot's text: the cache never
// grows, whatever the file holds.
class StrCache {
 public:
  StrCache(size_t slots, bool intern) : slots_(slots), intern_(intern) {}

  // A new reference to the str of that text; `found` tells whether the
  // cache had it.
  PyObject* Get(std::string_view utf8, bool* found = nullptr) {
    if (found) *found = false;
    if (utf8.size() > kLongest) return Made(utf8);
    Slot& slot = slots_[std::hash<std::string_view>{}(utf8) & (slots_.size() - 1)];
    if (slot.str != nullptr && utf8 == std::string_view(slot.text, slot.size)) {
      if (found) *found = true;
      Py_INCREF(slot.str);
      return slot.str;
    }
    PyObject* made = Made(utf8);
    if (intern_) PyUnicode_InternInPlace(&made);
    Py_XSETREF(slot.str, made);
    Py_INCREF(made);
    utf8.copy(slot.text, utf8.size());
    slot.size = utf8.size();
    return made;
  }

 private:
  static constexpr size_t kLongest = 64;
  struct Slot {
    PyObject* str = nullptr;
    size_t size = 0;
    char text[kLongest];
  };

  static PyObject* Made(std::string_view utf8) {
    PyObject* text = PyUnicode_DecodeUTF8(utf8.data(), static_cast<Py_ssize_t>(utf8.size()), "strict");
    if (text == nullptr) throw py::error_already_set();
    return text;
  }

  std::vector<Slot> slots_;
  bool intern_;
};

// Both live with the interpreter: they are never destroyed, since the str
// objects they hold cannot outlive it.
StrCache& Names() {
  static StrCache* cache = new StrCache(kNameSlots, true);
  return *cache;
}

StrCache& Values() {
  static StrCache* cache = new StrCache(kValueSlots, false);
  return *cache;
}

// A str of the cache as a Python object that owns its reference.
py::str Cached(StrCache& cache, std::string_view utf8, bool* found = nullptr) {
  return py::reinterpret_steal<py::str>(cache.Get(utf8, found));
}

void SetItem(const py::dict& dict, const py::str& name, const py::str& value) {
  if (PyDict_SetItem(dict.ptr(), name.ptr(), value.ptr()) != 0) throw py::error_already_set();
}

}  // namespace

void Append(const py::list& list, const py::handle& item) {
  if (PyList_Append(list.ptr(), item.ptr()) != 0) throw py::error_already_set();
}

py::str CachedName(std::string_view utf8) { return Cached(Names(), utf8); }

py::str CachedValue(std::string_view utf8, bool* found) { return Cached(Values(), utf8, found); }

void SetCached(PyObject* dict, std::string_view name, std::string_view value) {
  const py::str key = CachedName(name);
  const py::str text = CachedValue(value);
  if (PyDict_SetItem(dict, key.ptr(), text.ptr()) != 0) throw py::error_already_set();
}

py::dict AttributeDict(const dom::Node& element) {
  py::dict dict;
  for (const dom::Node& attribute : element.attributes())
    SetItem(dict, CachedName(attribute.nodeName()), CachedValue(attribute.text()));
  return dict;
}

void RaiseSaveError(const DomError& error, py::handle path) {
  int number = 0;
  switch (error.Error()) {
    case kErrPathNotFound:
      number = ENOENT;
      break;
    case kErrAccessDenied:
      number = EACCES;
      break;
    case kErrDiskFull:
      number = ENOSPC;
      break;
    case kErrFail:
      number = EIO;
      break;
    default:
      throw error;
  }
  // OSError picks the subclass that matches the errno.
  py::object raised = py::reinterpret_borrow<py::object>(PyExc_OSError)(number, std::strerror(number), path);
  PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(raised.ptr())), raised.ptr());
  throw py::error_already_set();
}

std::vector<CGXRMnode> Records(py::handle mappings) {
  std::vector<CGXRMnode> records;
  if (PyUnicode_Check(mappings.ptr()) || py::hasattr(mappings, "items"))
    throw py::type_error("expected a list of dicts");
  for (py::handle mapping : mappings) records.push_back(Record(mapping));
  return records;
}

namespace {

py::tuple Event(int depth, const dom::Node& node) {
  const dom::NodeType type = node.nodeType();
  py::object attributes = type == dom::NODE_ELEMENT ? py::object(AttributeDict(node)) : py::none();
  py::object text = type == dom::NODE_ELEMENT ? py::object(py::none()) : py::object(Str(node.text()));
  return py::make_tuple(depth, static_cast<int>(type), Str(node.nodeName()), attributes, text);
}

// The next node of a pre-order walk below `root`, tracking the depth.
dom::Node Next(const dom::Node& node, const dom::Node& root, int& depth) {
  if (dom::Node child = node.firstChild()) {
    ++depth;
    return child;
  }
  for (dom::Node at = node; at != root; at = at.parentNode(), --depth) {
    if (dom::Node sibling = at.nextSibling()) return sibling;
  }
  return dom::Node();
}

// Whitespace-only text: the layout of the file, not part of a rule.
bool IsLayout(const dom::Node& node) {
  if (node.nodeType() != dom::NODE_TEXT) return false;
  const std::string text = node.text();
  return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

}  // namespace

py::list RuleEvents(const dom::Node& rule) {
  py::list events;
  int depth = 0;
  for (dom::Node node = rule; node; node = Next(node, rule, depth)) {
    if (!IsLayout(node)) events.append(Event(depth, node));
  }
  return events;
}

std::vector<dom::Element> ParseRules(std::string_view xml) {
  dom::Document doc = dom::Document::create();
  if (!doc.loadXML(xml)) ThrowDomError(kErrInvalidArg, "calculation rule: " + doc.parseError().reason);
  std::vector<dom::Element> rules;
  for (dom::Node node = doc.documentElement().firstChild(); node; node = node.nextSibling()) {
    if (node.nodeType() == dom::NODE_ELEMENT) rules.emplace_back(node);
  }
  return rules;
}

}  // namespace gxrm::python
