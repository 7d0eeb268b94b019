// Conversions between Python objects and the library's GBK records and DOM.
//
// Python sees str only: text goes str -> UTF-8 -> GBK on the way in and back
// on the way out, so every character survives. Anything but str raises
// TypeError.
#pragma once

#include <pybind11/pybind11.h>

#include <string>
#include <string_view>
#include <vector>

#include "core/CGXRMnode.h"
#include "core/GXRMdom.h"
#include "core/GXRMerror.h"
#include "core/GXRMtext.h"

namespace gxrm::python {

namespace py = pybind11;

// The UTF-8 of a str; TypeError naming `what` for anything else.
std::string Utf8(py::handle text, const char* what);
// The GBK of a str.
CString Gbk(py::handle text, const char* what);
// A str from UTF-8 or from GBK text.
py::str Str(std::string_view utf8);
py::str StrFromGbk(const CString& gbk);

// A mapping of str to str, in its order, as an element record; None is empty.
CGXRMnode Record(py::handle mapping);
// A record as a dict; a repeated name keeps its first place and its last value.
py::dict Dict(const CGXRMnode& record);
// An element's attributes as a dict in their order.
py::dict AttributeDict(const dom::Node& element);
// Sets dict[name] = value from UTF-8 text. Names and short values that repeat
// share one str object, which saves most of the cost of reading a model.
void SetCached(PyObject* dict, std::string_view name, std::string_view value);
// The shared str of an attribute name or value, as SetCached uses them;
// `found` tells whether the value was among them already.
py::str CachedName(std::string_view utf8);
py::str CachedValue(std::string_view utf8, bool* found = nullptr);
// Appends `item` to `list`.
void Append(const py::list& list, const py::handle& item);
// An iterable of mappings as records.
std::vector<CGXRMnode> Records(py::handle mappings);

// Calls `op` with the GBK form of a UTF-8 file path, the GIL released:
// loading and saving a file need no Python objects.
template <typename Op>
auto WithFilePath(const std::string& path, Op&& op) {
  const CString gbk = gxrm::FromUtf8(path);
  py::gil_scoped_release release;
  return op(gbk);
}

// A failed save as Python's OSError for its cause (FileNotFoundError,
// PermissionError, ENOSPC, EIO) with errno and the file name; other DOM
// errors pass on unchanged.
[[noreturn]] void RaiseSaveError(const DomError& error, py::handle path);

// A rule subtree as a flat list of (depth, node type, name, attributes, text)
// in document order, walked without recursion; the Python layer rebuilds it.
py::list RuleEvents(const dom::Node& rule);
// Elements parsed from the XML text of rules wrapped in one holder element;
// DomError 0x80070057 when the text is not well-formed.
std::vector<dom::Element> ParseRules(std::string_view xml);

}  // namespace gxrm::python
