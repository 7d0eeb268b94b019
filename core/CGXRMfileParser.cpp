#include "core/CGXRMfileParser.h"

#include "core/GXRMbuildImpl.h"
#include "core/GXRMdomImpl.h"
#include "core/GXRMtextImpl.h"
#include "core/GXRMtreeImpl.h"

#include <functional>
#include <new>
#include <string>
#include <vector>

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

using gxrm::dom::detail::AttributeWriter;
using gxrm::dom::detail::CheckName;
using gxrm::dom::detail::CheckText;

// The UTF-8 of short host strings converted on this thread, and what each
// was found good for. Attribute names and many values repeat from record to
// record, and a look-up costs a fraction of a conversion. Each string has the
// one slot its hash gives; a slot taken over keeps its storage, so that a
// warm table makes a record cost no allocation.
class ConversionMemo {
 public:
  struct Entry {
    std::string gbk, utf8;
    bool legal_name = false;
    bool legal_text = false;
  };

  static constexpr size_t kMaxLength = 64;

  static ConversionMemo& ForThread() {
    thread_local ConversionMemo memo;
    return memo;
  }

  // The entry of `gbk`, text that is not ASCII, converted when new (raising
  // as AsUtf8); null when its slot holds `keep`, which the caller still uses.
  Entry* Find(std::string_view gbk, const char* what, const Entry* keep) {
    Entry& e = slots_[std::hash<std::string_view>()(gbk) % slots_.size()];
    if (e.gbk == gbk) return &e;
    if (&e == keep) return nullptr;
    e.gbk.clear();  // a refused conversion leaves the slot empty
    e.legal_name = e.legal_text = false;
    gxrm::AsUtf8(gbk, e.utf8, what);  // converts into e.utf8, or raises
    e.gbk.assign(gbk);
    return &e;
  }

 private:
  std::vector<Entry> slots_ = std::vector<Entry>(2048);
};

// A host string in UTF-8, followed by a NUL, with its memo entry if it has one.
struct Utf8Of {
  std::string_view text;
  ConversionMemo::Entry* entry;
};

// `gbk` in UTF-8: itself when ASCII, else remembered, else in `scratch`.
Utf8Of Convert(ConversionMemo& memo, const CString& gbk, std::string& scratch, const char* what,
               const ConversionMemo::Entry* keep) {
  if (gxrm::IsAscii(gbk)) return {gbk, nullptr};
  if (gbk.size() <= ConversionMemo::kMaxLength) {
    if (ConversionMemo::Entry* e = memo.Find(gbk, what, keep)) return {e->utf8, e};
  }
  return {gxrm::AsUtf8(gbk, scratch, what), nullptr};
}

// Raises unless the text passes `check`; a remembered text is checked once.
void CheckOnce(const Utf8Of& s, bool ConversionMemo::Entry::*passed,
               void (*check)(std::string_view, const char*), const char* what) {
  if (s.entry && s.entry->*passed) return;
  check(s.text, what);
  if (s.entry) s.entry->*passed = true;
}

// Sets the record's attributes, converted to UTF-8, in the record's order:
// both texts of a pair are converted before either is checked.
void SetRecordAttributes(AttributeWriter writer, gxrm::GbkPairs record) {
  ConversionMemo& memo = ConversionMemo::ForThread();
  std::string name_scratch, value_scratch;
  for (const auto& [att, value] : record) {
    const Utf8Of name = Convert(memo, att, name_scratch, "attribute name", nullptr);
    const Utf8Of text = Convert(memo, value, value_scratch, "attribute value", name.entry);
    CheckOnce(name, &ConversionMemo::Entry::legal_name, CheckName, "attribute name");
    CheckOnce(text, &ConversionMemo::Entry::legal_text, CheckText, "attribute value");
    writer.SetChecked(name.text, text.text);
  }
}

// The same for pairs that are UTF-8 already.
void SetRecordAttributes(AttributeWriter writer, const gxrm::Utf8Pairs& record) {
  for (const auto& [att, value] : record) writer.Set(att, value);
}

// True when the element can be built in place under `parent`: an element of
// the same document. Anything else takes the DOM's general road.
bool CanBuildInPlace(const gxrm::dom::Document& doc, const IXMLDOMElementPtr& parent) {
  return parent && Access::Impl(parent) == Access::Impl(doc);
}

// Every element the library makes starts with this text child.
constexpr char kLineFeed[] = "\n";

// Fills `elem`, an element just appended, as AddChild lays it out, and moves
// it before `before` when given; takes it out again if a name or value is
// refused. `name` is a checked name ending where its string ends; with
// `constant_name`, one of the library's constants, which the node points at.
template <typename Record>
pugi::xml_node Fill(gxrm::dom::detail::DocImpl& impl, pugi::xml_node elem, std::string_view name,
                    bool constant_name, const Record& record, pugi::xml_node before = pugi::xml_node()) {
  try {
    if (!(constant_name ? impl.SetConstantName(elem, name.data()) : elem.set_name(name.data()))) {
      throw std::bad_alloc();
    }
    SetRecordAttributes(AttributeWriter(elem), record);
    if (!impl.SetConstantValue(elem.append_child(pugi::node_pcdata), kLineFeed)) throw std::bad_alloc();
    if (before && !elem.parent().insert_move_before(elem, before)) throw std::bad_alloc();
  } catch (const std::bad_alloc&) {
    impl.Discard(elem);
    gxrm::ThrowDomError(gxrm::kErrOutOfMemory, "AddChild");
  } catch (...) {
    impl.Discard(elem);
    throw;
  }
  return elem;
}

// Builds one element where it belongs: last under `under`, or before `before`.
template <typename Record>
pugi::xml_node BuildInPlace(gxrm::dom::detail::DocImpl& impl, pugi::xml_node under, std::string_view name,
                            const Record& record, pugi::xml_node before = pugi::xml_node()) {
  // The appending is announced; the new element is then filled like one
  // under the limbo, which keeps this path lean.
  return Fill(impl, impl.AppendNew(under, pugi::node_element), name, false, record, before);
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
    SetRecordAttributes(AttributeWriter(Access::Pugi(elem)), gxrm::PairsOf(record));
    gxrm::Require(parent, "the parent to add a child under");
    elem = parent.appendChild(elem);
    elem.appendChild(m_pDoc.createTextNode("\n"));
    return elem;
  }
  CheckName(elem_name, "element name");
  pugi::xml_node elem =
      BuildInPlace(*Access::Impl(m_pDoc), Access::Pugi(parent), elem_name, gxrm::PairsOf(record));
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
  CheckName(elem_name, "element name");
  pugi::xml_node last;
  for (const CGXRMnode& record : records) {
    last = BuildInPlace(*Access::Impl(m_pDoc), Access::Pugi(parent), elem_name, gxrm::PairsOf(record));
  }
  return IXMLDOMElementPtr(Access::MakeNode(Access::Impl(m_pDoc), last));
}

IXMLDOMElementPtr gxrm::AddChildUtf8(const IXMLDOMElementPtr& parent, const char* name,
                                     const Utf8Pairs& record, const gxrm::dom::Node& before) {
  const auto& impl = Access::Impl(gxrm::Require(parent, "the parent to add a child under"));
  CheckName(name, "element name");
  pugi::xml_node elem = BuildInPlace(*impl, Access::Pugi(parent), name, record, Access::Pugi(before));
  return IXMLDOMElementPtr(Access::MakeNode(impl, elem));
}

pugi::xml_node gxrm::AppendRecord(dom::detail::DocImpl& impl, pugi::xml_node parent, const char* name,
                                  GbkPairs record, bool fresh_parent) {
  // Below an element not handed out yet, nothing needs announcing.
  pugi::xml_node elem = fresh_parent ? dom::detail::Allocated(parent.append_child(pugi::node_element))
                                     : impl.AppendNew(parent, pugi::node_element);
  return Fill(impl, elem, name, true, record);
}
