#include "core/GXRMdom.h"

#include <algorithm>
#include <new>
#include <unordered_set>

#include "core/GXRMdomImpl.h"
#include "core/GXRMerror.h"
#include "core/GXRMxmlchars.h"

namespace gxrm::dom {

using detail::Access;
using detail::Allocated;
using detail::CheckName;
using detail::CheckText;
using detail::DocImpl;
using detail::Terminated;

namespace detail {

// ---- The ring of live handles ----

void HandleLink::LinkAfter(HandleLink& at) noexcept {
  prev_ = &at;
  next_ = at.next_;
  next_->prev_ = this;
  at.next_ = this;
}

void HandleLink::UnlinkLocked() noexcept {
  prev_->next_ = next_;
  next_->prev_ = prev_;
  prev_ = next_ = nullptr;
}

void HandleLink::ReplaceLocked(HandleLink& source) noexcept {
  prev_ = source.prev_;
  next_ = source.next_;
  prev_->next_ = next_->prev_ = this;
  source.prev_ = source.next_ = nullptr;
}

void HandleLink::LinkBeside(const HandleLink& source, DocImpl* doc) noexcept {
  if (!doc) return;
  std::lock_guard<SpinLock> hold(doc->ring.lock);
  LinkAfter(*source.prev_);
}

void HandleLink::Unlink(DocImpl* doc) noexcept {
  if (!doc) return;
  std::lock_guard<SpinLock> hold(doc->ring.lock);
  UnlinkLocked();
}

void HandleLink::Relink(DocImpl* old_doc, const HandleLink& source, DocImpl* doc) noexcept {
  if (old_doc != doc) {
    Unlink(old_doc);
    return LinkBeside(source, doc);
  }
  if (!doc) return;
  std::lock_guard<SpinLock> hold(doc->ring.lock);
  UnlinkLocked();
  LinkAfter(*source.prev_);
}

void HandleLink::TakePlace(DocImpl* old_doc, HandleLink& source, DocImpl* doc) noexcept {
  if (old_doc != doc) Unlink(old_doc);
  if (!doc) return;
  std::lock_guard<SpinLock> hold(doc->ring.lock);
  if (old_doc == doc) UnlinkLocked();
  ReplaceLocked(source);
}

DocImpl::DocImpl() { MakeLimbo(); }

void DocImpl::MakeLimbo() {
  limbo = doc.prepend_child(pugi::node_element);
  if (!limbo || !limbo.set_name("gxrm-limbo")) throw std::bad_alloc();
  // pugixml's moves mark the document as one whose node order may differ
  // from that of its parsed text; relinking (AppendMove) does not, so one
  // move marks it here for good.
  doc.prepend_move(limbo);
}

bool DocImpl::HoldsNothing() const {
  return doc.first_child() == limbo && !limbo.first_child() && !limbo.next_sibling();
}

bool DocImpl::ParseInPlace(char* buffer, size_t size, unsigned options) {
  ChildrenChanging(doc);
  const bool parsed = doc.load_buffer_inplace_own(buffer, size, options, pugi::encoding_utf8);
  if (!parsed) doc.reset();
  MakeLimbo();
  return parsed;
}

void DocImpl::ForgetParsed() {
  ChildrenChanging(doc);
  doc.reset();
  MakeLimbo();
}

pugi::xml_node DocImpl::Root() const {
  for (pugi::xml_node n = FirstShown(); n; n = n.next_sibling()) {
    if (n.type() == pugi::node_element) return n;
  }
  return {};
}

bool DocImpl::IsDetachedDeclaration(pugi::xml_node n) const {
  if (n.type() != pugi::node_declaration) return false;
  for (pugi::xml_node s = n.next_sibling(); s; s = s.next_sibling()) {
    if (s == limbo) return true;
  }
  return false;
}

pugi::xml_node_struct* DocImpl::DetachedTop(pugi::xml_node n, TopMemo& memo) const {
  pugi::xml_node_struct* top = nullptr;
  std::vector<pugi::xml_node_struct*>& path = memo.path;
  path.clear();
  for (pugi::xml_node p = n.parent();; n = p, p = n.parent()) {
    if (auto known = memo.top.find(n.internal_object()); known != memo.top.end()) {
      top = known->second;
      break;
    }
    path.push_back(n.internal_object());
    if (!p) break;
    if (p == limbo || (p == doc && IsDetachedDeclaration(n))) top = n.internal_object();
    if (p == limbo || p == doc) break;
  }
  // The node a handle points to is remembered only when some other walk
  // passes it, so that a list of many siblings costs one entry per level.
  for (size_t i = 1; i < path.size(); ++i) memo.top.emplace(path[i], top);
  return top;
}

void FreeSubtree(pugi::xml_node parent, pugi::xml_node top) {
  // Children are lifted beside their parent before it goes, so pugixml only
  // ever frees nodes without children.
  const pugi::xml_node end = top.next_sibling();
  for (pugi::xml_node n = top; n != end;) {
    while (pugi::xml_node c = n.last_child()) parent.insert_move_after(c, n);
    pugi::xml_node next = n.next_sibling();
    parent.remove_child(n);
    n = next;
  }
}

void DocImpl::Sweep() {
  std::unordered_set<pugi::xml_node_struct*> held;
  TopMemo memo;
  size_t handles = 0;
  {
    std::lock_guard<SpinLock> hold(ring.lock);
    for (const HandleLink* h = ring.next_; h != &ring; h = h->next_) {
      ++handles;
      Access::ForEachNode(*h, [&](pugi::xml_node_struct* n) {
        if (pugi::xml_node_struct* top = DetachedTop(pugi::xml_node(n), memo)) held.insert(top);
      });
    }
  }
  size_t kept = 0;
  for (pugi::xml_node n = doc.first_child(); n != limbo;) {
    pugi::xml_node next = n.next_sibling();
    if (held.count(n.internal_object()))
      ++kept;
    else
      doc.remove_child(n);
    n = next;
  }
  for (pugi::xml_node n = limbo.first_child(); n;) {
    pugi::xml_node next = n.next_sibling();
    if (held.count(n.internal_object()))
      ++kept;
    else
      FreeSubtree(limbo, n);
    n = next;
  }
  pending_ = 0;
  // The next sweep waits for as many detachings as this one had work.
  threshold_ = std::max(kMinSweep, handles + kept + memo.top.size());
}

Node Access::MakeNode(const std::shared_ptr<DocImpl>& doc, pugi::xml_node n) {
  Node h;
  if (n) {
    h.doc_ = doc;
    h.node_ = n.internal_object();
    doc->ring.Join(h);
  }
  return h;
}

Node Access::MakeAttribute(const std::shared_ptr<DocImpl>& doc, pugi::xml_node owner, pugi::xml_attribute a) {
  Node h;
  if (a) {
    h.doc_ = doc;
    h.node_ = owner.internal_object();
    h.attr_ = a.internal_object();
    doc->ring.Join(h);
  }
  return h;
}

Document Access::MakeDocument(const std::shared_ptr<DocImpl>& doc) {
  Document d;
  d.doc_ = doc;
  d.node_ = doc->doc.internal_object();
  doc->ring.Join(d);
  return d;
}

void CheckName(std::string_view name, const char* what) {
  if (!xml::IsName(name)) {
    ThrowDomError(kErrInvalidArg, std::string(what) + " '" + std::string(name) + "' is no legal XML name");
  }
}

void CheckText(std::string_view text, const char* what) {
  if (!xml::IsText(text)) {
    ThrowDomError(kErrInvalidArg, std::string(what) + " holds a character XML 1.0 cannot carry");
  }
}

DocImpl& Access::Require(const Node& n, const char* operation) {
  if (!n.node_) ThrowDomError(kErrPointer, std::string(operation) + " on an empty handle");
  return *n.doc_;
}

}  // namespace detail

namespace {

[[noreturn]] void RefuseText(const char* why) { ThrowDomError(kErrInvalidArg, why); }

// Refuses text a node of `type` could not be saved with exactly. Comments,
// processing instructions and CDATA sections have no references: a carriage
// return there reads back as a line feed, and their closing mark, or what
// would form one, cannot be written inside them.
void CheckNodeText(pugi::xml_node_type type, std::string_view text) {
  const bool raw = type == pugi::node_comment || type == pugi::node_pi || type == pugi::node_cdata;
  CheckText(text, raw ? "comment, processing instruction or CDATA text" : "text");
  if (!raw) return;
  if (text.find('\r') != std::string_view::npos) {
    RefuseText("a comment, processing instruction or CDATA section cannot hold a carriage return");
  }
  switch (type) {
    case pugi::node_comment:
      if (text.find("--") != std::string_view::npos || (!text.empty() && text.back() == '-')) {
        RefuseText("comment text may not hold '--' or end with '-'");
      }
      return;
    case pugi::node_pi:
      if (text.find("?>") != std::string_view::npos)
        RefuseText("processing instruction data may not hold '?>'");
      // The white space after the target is not part of the data.
      if (!text.empty() && xml::IsWhiteSpace(text.substr(0, 1))) {
        RefuseText("processing instruction data may not begin with white space");
      }
      return;
    default:
      if (text.find("]]>") != std::string_view::npos) RefuseText("CDATA text may not hold ']]>'");
  }
}

bool IsCharacterNode(pugi::xml_node_type t) {
  return t == pugi::node_pcdata || t == pugi::node_cdata || t == pugi::node_comment || t == pugi::node_pi;
}

// The first child shown to hosts: the document's limbo and the declarations
// out of the tree are skipped.
pugi::xml_node VisibleFirstChild(const DocImpl& impl, pugi::xml_node n) {
  return n == impl.doc ? impl.FirstShown() : n.first_child();
}

// The text and CDATA below `top` in document order, walked without recursion.
void AppendDescendantText(const DocImpl& impl, pugi::xml_node top, std::string& out) {
  pugi::xml_node n = VisibleFirstChild(impl, top);
  while (n) {
    if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) out += n.value();
    if (n.type() == pugi::node_element && n.first_child()) {
      n = n.first_child();
      continue;
    }
    while (!n.next_sibling()) {
      n = n.parent();
      if (n == top) return;
    }
    n = n.next_sibling();
  }
}

// The only check that keeps a move from making a cycle: AppendMove relies on it.
bool IsAncestorOrSelf(pugi::xml_node candidate, pugi::xml_node n) {
  if (candidate == n) return true;
  // A node without element children is nobody's ancestor: spares the walk
  // to the top for the fresh elements the library appends.
  bool has_element_child = false;
  for (pugi::xml_node c = candidate.first_child(); c && !has_element_child; c = c.next_sibling()) {
    has_element_child = c.type() == pugi::node_element;
  }
  if (!has_element_child) return false;
  for (; n; n = n.parent()) {
    if (n == candidate) return true;
  }
  return false;
}

// Refuses what may not stand directly under the document.
void CheckDocumentChild(const DocImpl& impl, pugi::xml_node child) {
  switch (child.type()) {
    case pugi::node_element: {
      pugi::xml_node root = impl.Root();
      if (root && root != child) ThrowDomError(kErrFail, "a document has only one root element");
      return;
    }
    case pugi::node_declaration: {
      // Only as the first node, lest the file written no longer load.
      pugi::xml_node first = impl.FirstShown();
      if (first && (first != child || first.next_sibling())) {
        ThrowDomError(kErrFail, "an XML declaration can only be the first node of a document");
      }
      return;
    }
    case pugi::node_comment:
    case pugi::node_pi:
      return;
    default:
      ThrowDomError(kErrFail, "text cannot stand at document level");
  }
}

// Refuses a child `parent` cannot take; the tree is not touched yet.
void CheckChild(const DocImpl& impl, pugi::xml_node parent, const Node& child) {
  pugi::xml_node c = Access::Pugi(child);
  if (Access::PugiAttribute(child) || c.type() == pugi::node_document) {
    ThrowDomError(kErrFail, "an attribute or a document cannot be appended as a child");
  }
  if (parent == impl.doc) return CheckDocumentChild(impl, c);
  if (c.type() == pugi::node_declaration) {
    ThrowDomError(kErrFail, "an XML declaration cannot stand inside an element");
  }
}

}  // namespace

// ---- Node ----

std::string Node::nodeName() const {
  Access::Require(*this, "nodeName");
  if (attr_) return pugi::xml_attribute(attr_).name();
  pugi::xml_node n(node_);
  switch (n.type()) {
    case pugi::node_document:
      return "#document";
    case pugi::node_pcdata:
      return "#text";
    case pugi::node_cdata:
      return "#cdata-section";
    case pugi::node_comment:
      return "#comment";
    case pugi::node_declaration:
      return "xml";
    default:
      return n.name();
  }
}

NodeType Node::nodeType() const {
  Access::Require(*this, "nodeType");
  if (attr_) return NODE_ATTRIBUTE;
  switch (pugi::xml_node(node_).type()) {
    case pugi::node_document:
      return NODE_DOCUMENT;
    case pugi::node_element:
      return NODE_ELEMENT;
    case pugi::node_pcdata:
      return NODE_TEXT;
    case pugi::node_cdata:
      return NODE_CDATA_SECTION;
    case pugi::node_comment:
      return NODE_COMMENT;
    case pugi::node_pi:
    case pugi::node_declaration:
      return NODE_PROCESSING_INSTRUCTION;
    default:
      return NODE_INVALID;
  }
}

std::string Node::text() const {
  Access::Require(*this, "text");
  if (attr_) return pugi::xml_attribute(attr_).value();
  pugi::xml_node n(node_);
  if (IsCharacterNode(n.type())) return n.value();
  std::string out;
  AppendDescendantText(*doc_, n, out);
  return out;
}

void Node::text(std::string_view value) {
  DocImpl& impl = Access::Require(*this, "text");
  pugi::xml_node n(node_);
  if (attr_) {
    CheckText(value, "attribute value");
    if (!impl.SetValue(n, pugi::xml_attribute(attr_), value)) ThrowDomError(kErrOutOfMemory, "text");
    return;
  }
  CheckNodeText(n.type(), value);
  if (IsCharacterNode(n.type())) {
    if (!impl.SetValue(n, value)) ThrowDomError(kErrOutOfMemory, "text");
    return;
  }
  if (n.type() != pugi::node_element) ThrowDomError(kErrFail, "text cannot be set on this node");
  while (pugi::xml_node c = n.first_child()) impl.TakeOut(c);
  if (!impl.SetValue(impl.AppendNew(n, pugi::node_pcdata), value)) ThrowDomError(kErrOutOfMemory, "text");
}

std::string Node::nodeTypedValue() const {
  Access::Require(*this, "nodeTypedValue");
  if (attr_) return pugi::xml_attribute(attr_).value();
  pugi::xml_node n(node_);
  return IsCharacterNode(n.type()) ? n.value() : text();
}

Node Node::parentNode() const {
  DocImpl& impl = Access::Require(*this, "parentNode");
  if (attr_) return Node();
  pugi::xml_node n(node_);
  pugi::xml_node p = n.parent();
  if (!p || p == impl.limbo || impl.IsDetachedDeclaration(n)) return Node();
  return Access::MakeNode(doc_, p);
}

Document Node::ownerDocument() const {
  Access::Require(*this, "ownerDocument");
  return Access::MakeDocument(doc_);
}

NodeList Node::childNodes() const {
  DocImpl& impl = Access::Require(*this, "childNodes");
  NodeList list;
  Access::Attach(list, doc_);
  if (attr_) return list;
  for (pugi::xml_node c = VisibleFirstChild(impl, pugi::xml_node(node_)); c; c = c.next_sibling()) {
    list.items_.push_back(c.internal_object());
  }
  return list;
}

Node Node::firstChild() const {
  DocImpl& impl = Access::Require(*this, "firstChild");
  if (attr_) return Node();
  return Access::MakeNode(doc_, VisibleFirstChild(impl, pugi::xml_node(node_)));
}

Node Node::nextSibling() const {
  DocImpl& impl = Access::Require(*this, "nextSibling");
  pugi::xml_node n(node_);
  if (attr_ || n.parent() == impl.limbo || impl.IsDetachedDeclaration(n)) return Node();
  return Access::MakeNode(doc_, n.next_sibling());
}

Node Node::appendChild(const Node& child) {
  DocImpl& impl = Access::Require(*this, "appendChild");
  Access::Require(child, "appendChild of an empty node");
  pugi::xml_node parent(node_);
  pugi::xml_node c(child.node_);
  if (attr_ || (parent.type() != pugi::node_element && parent.type() != pugi::node_document)) {
    ThrowDomError(kErrFail, "this node cannot have children");
  }
  CheckChild(impl, parent, child);
  if (child.doc_ != doc_) return Access::MakeNode(doc_, impl.AppendCopy(parent, c));
  if (IsAncestorOrSelf(c, parent)) ThrowDomError(kErrFail, "a node cannot be appended below itself");
  if (!impl.AppendMove(parent, c)) ThrowDomError(kErrFail, "the node cannot be appended here");
  return child;
}

Node Node::removeChild(const Node& child) {
  DocImpl& impl = Access::Require(*this, "removeChild");
  Access::Require(child, "removeChild of an empty node");
  pugi::xml_node c(child.node_);
  if (attr_ || child.attr_ || child.doc_ != doc_ || c.parent() != pugi::xml_node(node_) || c == impl.limbo ||
      impl.IsDetachedDeclaration(c)) {
    ThrowDomError(kErrFail, "the node to remove is not a child of this node");
  }
  if (!impl.TakeOut(c)) ThrowDomError(kErrFail, "the node cannot be removed");
  return child;
}

NodeList Node::selectNodes(std::string_view name) const {
  DocImpl& impl = Access::Require(*this, "selectNodes");
  NodeList list;
  Access::Attach(list, doc_);
  if (attr_) return list;
  for (pugi::xml_node c = VisibleFirstChild(impl, pugi::xml_node(node_)); c; c = c.next_sibling()) {
    if (c.type() == pugi::node_element && name == c.name()) list.items_.push_back(c.internal_object());
  }
  return list;
}

Node Node::selectSingleNode(std::string_view name) const {
  DocImpl& impl = Access::Require(*this, "selectSingleNode");
  if (attr_) return Node();
  for (pugi::xml_node c = VisibleFirstChild(impl, pugi::xml_node(node_)); c; c = c.next_sibling()) {
    if (c.type() == pugi::node_element && name == c.name()) return Access::MakeNode(doc_, c);
  }
  return Node();
}

NamedNodeMap Node::attributes() const {
  Access::Require(*this, "attributes");
  NamedNodeMap map;
  Access::Attach(map, doc_);
  pugi::xml_node n(node_);
  if (attr_ || n.type() != pugi::node_element) return map;
  map.owner_ = node_;
  for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
    map.items_.push_back(a.internal_object());
  }
  return map;
}

// ---- Element ----

Element::Element(const Node& node) : Node() {
  if (node && !Access::PugiAttribute(node) && Access::Pugi(node).type() == pugi::node_element) {
    Node::operator=(node);
  }
}

std::string Element::getAttribute(std::string_view name) const {
  Access::Require(*this, "getAttribute");
  for (pugi::xml_attribute a = pugi::xml_node(node_).first_attribute(); a; a = a.next_attribute()) {
    if (name == a.name()) return a.value();
  }
  return std::string();
}

Node Element::getAttributeNode(std::string_view name) const {
  Access::Require(*this, "getAttributeNode");
  pugi::xml_node n(node_);
  for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
    if (name == a.name()) return Access::MakeAttribute(doc_, n, a);
  }
  return Node();
}

void Element::setAttribute(std::string_view name, std::string_view value) {
  DocImpl& impl = Access::Require(*this, "setAttribute");
  impl.EditAttributes(pugi::xml_node(node_)).Set(name, value);
}

// ---- Document ----

Document Document::create() {
  try {
    return Access::MakeDocument(std::make_shared<DocImpl>());
  } catch (const std::bad_alloc&) {
    ThrowDomError(kErrOutOfMemory, "no memory for a new document");
  }
}

ParseError Document::parseError() const { return Access::Require(*this, "parseError").parseError; }

Element Document::documentElement() const {
  DocImpl& impl = Access::Require(*this, "documentElement");
  return Element(Access::MakeNode(doc_, impl.Root()));
}

Element Document::createElement(std::string_view name) const {
  DocImpl& impl = Access::Require(*this, "createElement");
  CheckName(name, "element name");
  impl.Detaching();
  pugi::xml_node e = Allocated(impl.limbo.append_child(pugi::node_element));
  if (!e.set_name(Terminated(name).c_str())) ThrowDomError(kErrOutOfMemory, "createElement");
  return Element(Access::MakeNode(doc_, e));
}

Node Document::createTextNode(std::string_view text) const {
  DocImpl& impl = Access::Require(*this, "createTextNode");
  CheckText(text, "text");
  impl.Detaching();
  pugi::xml_node t = Allocated(impl.limbo.append_child(pugi::node_pcdata));
  if (!t.set_value(text.data(), text.size())) ThrowDomError(kErrOutOfMemory, "createTextNode");
  return Access::MakeNode(doc_, t);
}

Node Document::createComment(std::string_view text) const {
  DocImpl& impl = Access::Require(*this, "createComment");
  CheckNodeText(pugi::node_comment, text);
  impl.Detaching();
  pugi::xml_node t = Allocated(impl.limbo.append_child(pugi::node_comment));
  if (!t.set_value(text.data(), text.size())) ThrowDomError(kErrOutOfMemory, "createComment");
  return Access::MakeNode(doc_, t);
}

// ---- NodeList and NamedNodeMap ----

Node NodeList::item(long index) const {
  Require("item");
  return Access::MakeNode(doc_, pugi::xml_node(At(index)));
}

Node NamedNodeMap::item(long index) const {
  Require("item");
  pugi::xml_attribute_struct* a = At(index);
  return a ? Access::MakeAttribute(doc_, pugi::xml_node(owner_), pugi::xml_attribute(a)) : Node();
}

Node NamedNodeMap::getNamedItem(std::string_view name) const {
  Require("getNamedItem");
  for (pugi::xml_attribute_struct* a : items_) {
    if (name == pugi::xml_attribute(a).name()) {
      return Access::MakeAttribute(doc_, pugi::xml_node(owner_), pugi::xml_attribute(a));
    }
  }
  return Node();
}

}  // namespace gxrm::dom
