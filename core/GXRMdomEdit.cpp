// The changes to a document's tree, each announcing itself to the caches.
#include <pugixml.hpp>

#include <cstdint>
#include <algorithm>
#include <cstring>

#include "core/GXRMdomImpl.h"
#include "core/GXRMerror.h"
#include "core/GXRMrecordImpl.h"

namespace gxrm::dom::detail {

namespace {

// Points a string of a record just made, still empty, at `text`.
void PointAt(uintptr_t& header, char*& field, uintptr_t owned, const char* text) {
  field = const_cast<char*>(text);
  header = (header & ~owned) | kShared;
}

}  // namespace

bool RecordsMatch() {
  static const bool match = [] {
    pugi::xml_document d;
    pugi::xml_node a = d.append_child("a");
    pugi::xml_attribute x = a.append_attribute("x"), y = a.append_attribute("y");
    pugi::xml_node b = a.append_child("b");
    pugi::xml_node c = a.append_child(pugi::node_pcdata);
    if (!x || !y || !x.set_value("1") || !b || !c || !c.set_value("v")) return false;
    const NodeRecord *ra = RecordOf(a), *rb = RecordOf(b), *rc = RecordOf(c);
    const AttributeRecord *rx = RecordOf(x), *ry = RecordOf(y);
    return ra->name == a.name() && ra->parent == RecordOf(d) && ra->first_child == rb && !ra->next_sibling &&
           ra->prev_sibling_c == ra && ra->first_attribute == rx && rb->parent == ra &&
           rb->next_sibling == rc && rb->prev_sibling_c == rc && rc->prev_sibling_c == rb &&
           !rc->next_sibling && rc->value == c.value() && !rb->first_child &&
           (ra->header & kTypeBits) == pugi::node_element && (rc->header & kTypeBits) == pugi::node_pcdata &&
           rx->name == x.name() && rx->value == x.value() && rx->next_attribute == ry &&
           ry->prev_attribute_c == rx && rx->prev_attribute_c == ry && !ry->next_attribute;
  }();
  return match;
}

bool LineFeedMarksWork() {
  static const bool works = [] {
    if (!RecordsMatch()) return false;
    pugi::xml_document d;
    pugi::xml_node e = d.append_child("e");
    if (!e || HasLeadingLineFeed(RecordOf(e))) return false;
    MarkLeadingLineFeed(e);
    pugi::xml_node c = e.append_child("c");
    bool kept = c && e.set_name("longer name") && e.append_attribute("a").set_value("v") && e.remove_child(c) &&
                HasLeadingLineFeed(RecordOf(e)) && e.type() == pugi::node_element &&
                std::strcmp(e.name(), "longer name") == 0 && !HasLeadingLineFeed(RecordOf(d.append_copy(e)));
    return kept;
  }();
  return works;
}

void CopyLineFeedMarks(pugi::xml_node source, pugi::xml_node copy) {
  if (!LineFeedMarksWork()) return;
  // Both trees walked in step, depth first, without recursion.
  pugi::xml_node s = source, c = copy;
  while (s) {
    if (HasLeadingLineFeed(RecordOf(s))) MarkLeadingLineFeed(c);
    if (s.first_child()) {
      s = s.first_child(), c = c.first_child();
      continue;
    }
    while (s != source && !s.next_sibling()) s = s.parent(), c = c.parent();
    if (s == source) return;
    s = s.next_sibling(), c = c.next_sibling();
  }
}

namespace {

// Checks the header bits against what pugixml does with them: it marks the
// strings it owns, reads a shared one, and replaces it rather than writing
// over it. Should anything differ, names and values are always copied.
bool SharingWorks() {
  pugi::xml_document d;
  pugi::xml_node e = d.append_child(pugi::node_element);
  pugi::xml_node t = e.append_child(pugi::node_pcdata);
  pugi::xml_attribute a = e.append_attribute("a");
  if (!e.set_name("e") || !t.set_value("v") || !a) return false;
  const NodeRecord *re = RecordOf(e), *rt = RecordOf(t);
  const AttributeRecord* ra = RecordOf(a);
  bool marked = (re->header & kTypeBits) == pugi::node_element && (re->header & kNameOwned) &&
                re->name == e.name() && (rt->header & kTypeBits) == pugi::node_pcdata &&
                (rt->header & kValueOwned) && rt->value == t.value() && (ra->header & kNameOwned) &&
                ra->name == a.name();
  char text[] = "ab";
  pugi::xml_node s = e.append_child(pugi::node_pcdata);
  pugi::xml_attribute sa = e.append_attribute("");
  if (!marked || !s || !sa || RecordOf(s)->value || RecordOf(sa)->name) return false;
  PointAt(RecordOf(s)->header, RecordOf(s)->value, kValueOwned, text);
  PointAt(RecordOf(sa)->header, RecordOf(sa)->name, kNameOwned, text);
  bool read = s.value() == text && sa.name() == text;
  bool replaced = s.set_value("x") && sa.set_name("y") && std::strcmp(text, "ab") == 0 &&
                  std::strcmp(s.value(), "x") == 0 && std::strcmp(sa.name(), "y") == 0;
  return read && replaced;
}

// Points a string of a fresh record at the shared copy of `text`; false
// when there is none and the caller copies it.
template <typename Record>
bool Share(SharedStrings& pool, Record* r, char* Record::*field, uintptr_t owned, const char* text) {
  static const bool works = SharingWorks();
  const char* shared = works && r && !(r->*field) && *text ? pool.Find(text) : nullptr;
  if (!shared) return false;
  PointAt(r->header, r->*field, owned, shared);
  return true;
}

// Points a string of a fresh record at `text`, a constant that outlives the
// document; false when it cannot and the caller copies it.
template <typename Record>
bool PointAtConstant(Record* r, char* Record::*field, uintptr_t owned, const char* text) {
  static const bool works = SharingWorks();
  if (!works || !r || r->*field || !*text) return false;
  PointAt(r->header, r->*field, owned, text);
  return true;
}

// Moves `n` to the end of `parent`'s children, as pugixml does.
void Relink(NodeRecord* n, NodeRecord* parent) {
  NodeRecord* old = n->parent;
  NodeRecord* next = n->next_sibling;
  NodeRecord* prev = n->prev_sibling_c;
  (next ? next : old->first_child)->prev_sibling_c = prev;
  (prev->next_sibling ? prev->next_sibling : old->first_child) = next;
  n->parent = parent;
  n->next_sibling = nullptr;
  if (NodeRecord* head = parent->first_child) {
    NodeRecord* tail = head->prev_sibling_c;
    tail->next_sibling = n;
    n->prev_sibling_c = tail;
    head->prev_sibling_c = n;
  } else {
    parent->first_child = n;
    n->prev_sibling_c = n;
  }
}

}  // namespace

pugi::xml_node DocImpl::AppendNew(pugi::xml_node parent, pugi::xml_node_type type) {
  ChildrenChanging(parent);
  return Allocated(parent.append_child(type));
}

pugi::xml_node DocImpl::AppendCopy(pugi::xml_node parent, pugi::xml_node source) {
  ChildrenChanging(parent);
  pugi::xml_node copy = Allocated(parent.append_copy(source));
  CopyLineFeedMarks(source, copy);
  return copy;
}

bool DocImpl::AppendMove(pugi::xml_node parent, pugi::xml_node child) {
  static const bool relinkable = RecordsMatch();
  ChildrenChanging(parent);
  ChildrenChanging(child.parent());
  // Under an element the caller has checked everything pugixml would.
  if (!relinkable || parent.type() != pugi::node_element || child.type() == pugi::node_declaration) {
    return static_cast<bool>(parent.append_move(child));
  }
  Relink(RecordOf(child), RecordOf(parent));
  return true;
}

pugi::xml_node DocImpl::InsertNewAtTop(pugi::xml_node after, pugi::xml_node_type type) {
  ChildrenChanging(doc);
  return Allocated(doc.insert_child_after(type, after));
}

pugi::xml_node DocImpl::MoveToTop(pugi::xml_node child, pugi::xml_node after) {
  ChildrenChanging(doc);
  ChildrenChanging(child.parent());
  return doc.insert_move_after(child, after);
}

bool DocImpl::TakeOut(pugi::xml_node child) {
  Detaching();
  ChildrenChanging(child.parent());
  if (child.type() == pugi::node_declaration) return static_cast<bool>(doc.insert_move_before(child, limbo));
  return static_cast<bool>(limbo.append_move(child));
}

void DocImpl::Discard(pugi::xml_node built) {
  ChildrenChanging(built.parent());
  built.parent().remove_child(built);
}

bool DocImpl::SetValue(pugi::xml_node node, std::string_view value) {
  ChildrenChanging(node.parent());
  return node.set_value(value.data(), value.size());
}

bool DocImpl::SetValue(pugi::xml_node owner, pugi::xml_attribute a, std::string_view value) {
  AttributesChanging(owner);
  return a.set_value(value.data(), value.size());
}

AttributeWriter DocImpl::EditAttributes(pugi::xml_node element) {
  AttributesChanging(element);
  return AttributeWriter(element);
}

const char* SharedStrings::Find(const char* text) {
  const uintptr_t place = reinterpret_cast<uintptr_t>(text);
  Recent<Asked>& set = recent_[(place * 0x9E3779B97F4A7C15u) >> 58];
  const Asked* seen =
      set.Find([text](const Asked& a) { return a.asked == text && std::strcmp(text, a.copy) == 0; });
  if (seen) return seen->copy;
  const char* copy = Lookup(text);
  if (copy) set.Push({text, copy});
  return copy;
}

const char* SharedStrings::Lookup(std::string_view text) {
  auto found = index_.find(text);
  if (found != index_.end()) return found->data();
  if (text.size() > kMaxLength || index_.size() >= kMaxCount) return nullptr;
  const std::string& copy = copies_.emplace_back(text);
  index_.insert(copy);
  return copy.c_str();
}

bool DocImpl::SetSharedName(pugi::xml_node fresh, const char* name) {
  return Share(shared_, RecordOf(fresh), &NodeRecord::name, kNameOwned, name) || fresh.set_name(name);
}

bool DocImpl::SetSharedName(pugi::xml_attribute fresh, const char* name) {
  return Share(shared_, RecordOf(fresh), &AttributeRecord::name, kNameOwned, name) || fresh.set_name(name);
}

bool DocImpl::SetSharedValue(pugi::xml_node fresh, const char* text) {
  return Share(shared_, RecordOf(fresh), &NodeRecord::value, kValueOwned, text) || fresh.set_value(text);
}

bool DocImpl::SetConstantName(pugi::xml_node fresh, const char* name) {
  return PointAtConstant(RecordOf(fresh), &NodeRecord::name, kNameOwned, name) || fresh.set_name(name);
}

bool DocImpl::SetConstantValue(pugi::xml_node fresh, const char* text) {
  return PointAtConstant(RecordOf(fresh), &NodeRecord::value, kValueOwned, text) || fresh.set_value(text);
}

pugi::xml_attribute AttributeWriter::Find(std::string_view name) {
  if (index_.empty() && added_ < kScanLimit) {
    for (pugi::xml_attribute a = element_.first_attribute(); a; a = a.next_attribute()) {
      if (name == a.name()) return a;
    }
    return {};
  }
  if (index_.empty()) {
    for (pugi::xml_attribute a = element_.first_attribute(); a; a = a.next_attribute()) {
      index_.try_emplace(a.name(), a.internal_object());
    }
  }
  auto found = index_.find(name);
  return found == index_.end() ? pugi::xml_attribute() : pugi::xml_attribute(found->second);
}

void AttributeWriter::Set(std::string_view name, std::string_view value) {
  CheckName(name, "attribute name");
  CheckText(value, "attribute value");
  const Terminated terminated(name);
  SetChecked(std::string_view(terminated.c_str(), name.size()), value);
}

void AttributeWriter::SetChecked(std::string_view name, std::string_view value) {
  pugi::xml_attribute a = Find(name);
  if (!a) {
    a = element_.append_attribute(name.data());
    if (a && !index_.empty()) index_.try_emplace(a.name(), a.internal_object());
    ++added_;
  }
  if (!a || !a.set_value(value.data(), value.size())) ThrowDomError(kErrOutOfMemory, "setAttribute");
}

}  // namespace gxrm::dom::detail
