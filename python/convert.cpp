#include "convert.h"

#include <Python.h>

#include <unordered_map>

#include "core/GXRMerror.h"
#include "core/GXRMtext.h"

namespace gxrm::python {

// Enough for every name a real model uses; a hostile file cannot grow it further.
constexpr size_t kNameCacheLimit = 4096;

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

// Attribute names repeat across a file: one str object per distinct name.
py::str CachedName(const std::string& utf8) {
  static std::unordered_map<std::string, py::str>* cache = nullptr;
  if (cache == nullptr) cache = new std::unordered_map<std::string, py::str>();  // lives with the interpreter
  auto found = cache->find(utf8);
  if (found != cache->end()) return found->second;
  py::str name = Str(utf8);
  if (cache->size() < kNameCacheLimit) cache->emplace(utf8, name);
  return name;
}

}  // namespace

py::dict AttributeDict(const dom::Node& element) {
  py::dict dict;
  for (dom::Node att : element.attributes()) {
    py::str name = CachedName(att.nodeName());
    py::str value = Str(att.text());
    if (PyDict_SetItem(dict.ptr(), name.ptr(), value.ptr()) != 0) throw py::error_already_set();
  }
  return dict;
}

std::vector<CGXRMnode> Records(py::handle mappings) {
  std::vector<CGXRMnode> records;
  if (PyUnicode_Check(mappings.ptr()) || py::hasattr(mappings, "items")) throw py::type_error("expected a list of dicts");
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

}  // namespace

py::list RuleEvents(const dom::Node& rule) {
  py::list events;
  int depth = 0;
  for (dom::Node node = rule; node; node = Next(node, rule, depth)) events.append(Event(depth, node));
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
