#include "core/CGXRMfileParser.h"

#include "core/GXRMdomImpl.h"
#include "core/GXRMtextImpl.h"
#include "core/GXRMtreeImpl.h"

#include <new>
#include <string>

using gxrm::dom::detail::Access;

CGXRMfileParser::CGXRMfileParser() = default;
CGXRMfileParser::CGXRMfileParser(const CGXRMfileParser& other) = default;
CGXRMfileParser& CGXRMfileParser::operator=(const CGXRMfileParser& other) = default;
CGXRMfileParser::~CGXRMfileParser() = default;

bool CGXRMfileParser::CreateXMLinstance() {
  m_pDoc = gxrm::dom::Document();
  m_pDoc = gxrm::dom::Document::create();
  return static_cast<bool>(m_pDoc);
}

bool CGXRMfileParser::CreateGXRMinstance(CGXRMnode&) { return CreateXMLinstance(); }

void CGXRMfileParser::SaveXMLinstance(const CString& path) {
  gxrm::Require(m_pDoc, "the document to save");
  m_pDoc.save(gxrm::GbkToUtf8(path, "file path"));
}

void CGXRMfileParser::SaveGXRMinstance(const CString& path) { SaveXMLinstance(path); }

bool CGXRMfileParser::GetRootElem(IXMLDOMElementPtr& root) {
  root = IXMLDOMElementPtr();
  gxrm::Require(m_pDoc, "the document to take the root element of");
  root = m_pDoc.documentElement();
  return true;
}

namespace {

// Sets the record's attributes, converted to UTF-8, in the record's order.
void SetRecordAttributes(gxrm::dom::detail::AttributeWriter writer, const CGXRMnode& record) {
  std::string att_utf8, value_utf8;
  for (const auto& [att, value] : record.Atts()) {
    writer.Set(gxrm::AsUtf8(att, att_utf8, "attribute name"),
               gxrm::AsUtf8(value, value_utf8, "attribute value"));
  }
}

// The same for pairs that are UTF-8 already.
void SetRecordAttributes(gxrm::dom::detail::AttributeWriter writer, const gxrm::Utf8Pairs& record) {
  for (const auto& [att, value] : record) writer.Set(att, value);
}

// True when the element can be built in place under `parent`: an element of
// the same document. Anything else takes the DOM's general road.
bool CanBuildInPlace(const gxrm::dom::Document& doc, const IXMLDOMElementPtr& parent) {
  return parent && Access::Impl(parent) == Access::Impl(doc);
}

// Builds one element where it belongs (last under `under`, or before
// `before`), and takes it out again if a name or value is refused. `name`
// must be a checked name ending where its string ends.
template <typename Record>
pugi::xml_node BuildInPlace(gxrm::dom::detail::DocImpl& impl, pugi::xml_node under, std::string_view name,
                            const Record& record, pugi::xml_node before = pugi::xml_node()) {
  // The appending is announced; the new element is then filled like one
  // under the limbo, which keeps this path, the writer's bulk, lean.
  pugi::xml_node elem = impl.AppendNew(under, pugi::node_element);
  try {
    if (!elem.set_name(name.data())) throw std::bad_alloc();
    SetRecordAttributes(gxrm::dom::detail::AttributeWriter(elem), record);
    if (!elem.append_child(pugi::node_pcdata).set_value("\n")) throw std::bad_alloc();
    if (before && !under.insert_move_before(elem, before)) throw std::bad_alloc();
  } catch (const std::bad_alloc&) {
    impl.Discard(elem);
    gxrm::ThrowDomError(gxrm::kErrOutOfMemory, "AddChild");
  } catch (...) {
    impl.Discard(elem);
    throw;
  }
  return elem;
}

}  // namespace

IXMLDOMElementPtr CGXRMfileParser::AddChild(const CString& name, const CGXRMnode& record,
                                            IXMLDOMElementPtr parent) {
  gxrm::Require(m_pDoc, "the document to add a child to");
  std::string name_utf8;
  std::string_view elem_name = gxrm::AsUtf8(name, name_utf8, "element name");
  if (!CanBuildInPlace(m_pDoc, parent)) {
    // Made apart, then attached: an empty parent raises only after the name
    // and the attributes were found good, and the document stays unchanged.
    IXMLDOMElementPtr elem = m_pDoc.createElement(elem_name);
    SetRecordAttributes(gxrm::dom::detail::AttributeWriter(Access::Pugi(elem)), record);
    gxrm::Require(parent, "the parent to add a child under");
    elem = parent.appendChild(elem);
    elem.appendChild(m_pDoc.createTextNode("\n"));
    return elem;
  }
  gxrm::dom::detail::CheckName(elem_name, "element name");
  pugi::xml_node elem = BuildInPlace(*Access::Impl(m_pDoc), Access::Pugi(parent), elem_name, record);
  return IXMLDOMElementPtr(Access::MakeNode(Access::Impl(m_pDoc), elem));
}

IXMLDOMElementPtr CGXRMfileParser::AddChild(const CString& name, const std::vector<CGXRMnode>& records,
                                            IXMLDOMElementPtr parent) {
  if (records.empty()) return IXMLDOMElementPtr();
  if (!m_pDoc || !CanBuildInPlace(m_pDoc, parent)) {
    IXMLDOMElementPtr last;
    for (const CGXRMnode& record : records) last = AddChild(name, record, parent);
    return last;
  }
  // One name check and one handle for the whole vector.
  std::string name_utf8;
  std::string_view elem_name = gxrm::AsUtf8(name, name_utf8, "element name");
  gxrm::dom::detail::CheckName(elem_name, "element name");
  pugi::xml_node last;
  for (const CGXRMnode& record : records) {
    last = BuildInPlace(*Access::Impl(m_pDoc), Access::Pugi(parent), elem_name, record);
  }
  return IXMLDOMElementPtr(Access::MakeNode(Access::Impl(m_pDoc), last));
}

IXMLDOMElementPtr gxrm::AddChildUtf8(const IXMLDOMElementPtr& parent, const char* name,
                                     const Utf8Pairs& record, const gxrm::dom::Node& before) {
  const auto& impl = Access::Impl(gxrm::Require(parent, "the parent to add a child under"));
  gxrm::dom::detail::CheckName(name, "element name");
  pugi::xml_node elem = BuildInPlace(*impl, Access::Pugi(parent), name, record, Access::Pugi(before));
  return IXMLDOMElementPtr(Access::MakeNode(impl, elem));
}
