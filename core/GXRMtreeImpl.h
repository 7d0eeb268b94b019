// GXRMtreeImpl.h: how the library above the DOM layer reaches the tree and
// fails when something it needs is not there. Every such failure raises the
// DOM error through ThrowMissing, with code kErrPointer.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/CGXRMfileParser.h"
#include "core/GXRMdom.h"

namespace gxrm {

// Raises kErrPointer: `what` is missing.
[[noreturn]] void ThrowMissing(const std::string& what);

// Raises kErrPointer for an `element` met without its key `attribute`.
[[noreturn]] void ThrowMissingKey(std::string_view element, std::string_view attribute);

// `handle` itself; raises kErrPointer naming `what` when it refers to nothing.
template <typename Handle>
const Handle& Require(const Handle& handle, const char* what) {
  if (!handle) ThrowMissing(what);
  return handle;
}

// The root element, or an empty handle for a document without one; raises
// kErrPointer when the parser has no document.
IXMLDOMElementPtr RootOf(CGXRMfileParser& parser);

// The root element; raises kErrPointer without a document or root.
IXMLDOMElementPtr RequireRoot(CGXRMfileParser& parser);

// The first child element of `parent` named `name`, or an empty handle;
// raises kErrPointer when `parent` is empty.
IXMLDOMElementPtr FirstChildNamed(const IXMLDOMElementPtr& parent, const char* name);

// The value of the key `attribute` of `element`; raises kErrPointer when the
// element lacks it.
std::string KeyText(const IXMLDOMElementPtr& element, const char* attribute);

// (name, value) pairs of one element in UTF-8, in order.
using Utf8Pairs = std::vector<std::pair<std::string, std::string>>;

// Appends an element named `name` with the record's attributes and a
// line-feed text node inside it, as AddChild lays out every element, last
// under `parent` or, when `before` is given, before that child of it.
IXMLDOMElementPtr AddChildUtf8(const IXMLDOMElementPtr& parent, const char* name, const Utf8Pairs& record,
                               const dom::Node& before = dom::Node());

}  // namespace gxrm
