#include <cstring>

#include "core/GXRMdomImpl.h"
#include "core/GXRMerror.h"
#include "core/GXRMtreeImpl.h"

using gxrm::dom::detail::Access;

namespace gxrm {

void ThrowMissing(const std::string& what) { ThrowDomError(kErrPointer, what + " is missing"); }

void ThrowMissingKey(std::string_view element, std::string_view attribute) {
  ThrowDomError(kErrPointer, "a \"" + std::string(element) + "\" element without \"" +
                                 std::string(attribute) + "\" was met");
}

IXMLDOMElementPtr RootOf(CGXRMfileParser& parser) {
  IXMLDOMElementPtr root;
  parser.GetRootElem(root);  // true or raises
  return root;
}

IXMLDOMElementPtr RequireRoot(CGXRMfileParser& parser) {
  return Require(RootOf(parser), "the document's root element");
}

IXMLDOMElementPtr FirstChildNamed(const IXMLDOMElementPtr& parent, const char* name) {
  Require(parent, "the parent element");
  for (pugi::xml_node c = Access::Pugi(parent).first_child(); c; c = c.next_sibling()) {
    if (c.type() == pugi::node_element && std::strcmp(c.name(), name) == 0) {
      return IXMLDOMElementPtr(Access::MakeNode(Access::Impl(parent), c));
    }
  }
  return IXMLDOMElementPtr();
}

std::string KeyText(const IXMLDOMElementPtr& element, const char* attribute) {
  pugi::xml_attribute a = Access::Pugi(Require(element, "the keyed element")).attribute(attribute);
  if (!a) ThrowMissingKey(element.nodeName(), attribute);
  return a.value();
}

}  // namespace gxrm
