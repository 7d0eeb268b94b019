// GXRMrecordImpl.h: pugixml's records of nodes and attributes, read and
// changed directly on the few paths where its accessors cost too much:
// relinking a node in constant time (pugixml's own moves walk up to the
// document to rule out a cycle, which makes building a deep tree from the
// top quadratic) and printing a large document. The layout is checked once
// against pugixml's accessors; should it ever differ, those paths go through
// pugixml.
#pragma once

#include <pugixml.hpp>

#include <cstdint>

namespace gxrm::dom::detail {

struct AttributeRecord {
  uintptr_t header;
  char* name;                         // null for ""
  char* value;                        // null for ""
  AttributeRecord* prev_attribute_c;  // cyclic: the first one's is the last one
  AttributeRecord* next_attribute;    // null for the last one
};

struct NodeRecord {
  uintptr_t header;
  char* name;   // null for ""
  char* value;  // null for ""
  NodeRecord* parent;
  NodeRecord* first_child;
  NodeRecord* prev_sibling_c;  // cyclic: the first child's is the last child
  NodeRecord* next_sibling;    // null for the last child
  AttributeRecord* first_attribute;
};

inline NodeRecord* RecordOf(pugi::xml_node n) { return reinterpret_cast<NodeRecord*>(n.internal_object()); }
inline AttributeRecord* RecordOf(pugi::xml_attribute a) {
  return reinterpret_cast<AttributeRecord*>(a.internal_object());
}
inline pugi::xml_node NodeOf(const NodeRecord* r) {
  return pugi::xml_node(reinterpret_cast<pugi::xml_node_struct*>(const_cast<NodeRecord*>(r)));
}

// Bits of a record's header: the node's type; pugixml owns (and frees) the
// name or the value; the strings are shared, so pugixml replaces them
// instead of writing over them.
constexpr uintptr_t kTypeBits = 15;
constexpr uintptr_t kNameOwned = 32;
constexpr uintptr_t kValueOwned = 16;
constexpr uintptr_t kShared = 64;
// A bit pugixml leaves alone: an element whose content starts with a line
// feed kept as this mark, not as a text node of its own (see LineFeedMarks).
constexpr uintptr_t kLeadingLineFeed = 128;

// True when pugixml lays out its records as above (checked once, on first use).
bool RecordsMatch();

// True when elements can carry the line-feed mark: the records match and
// pugixml keeps the bit through changes to the element (checked once).
bool LineFeedMarksWork();

// Whether `element` starts with a line feed kept as a mark. The mark is only
// ever set where LineFeedMarksWork().
inline bool HasLeadingLineFeed(const NodeRecord* element) { return element->header & kLeadingLineFeed; }
inline void MarkLeadingLineFeed(pugi::xml_node element) { RecordOf(element)->header |= kLeadingLineFeed; }

// Gives the elements of `copy` the marks of those of `source`, which it copies node for node.
void CopyLineFeedMarks(pugi::xml_node source, pugi::xml_node copy);

// How a walk over a whole tree (printing, comparing) reaches nodes and
// attributes: through pugixml's accessors, or, where RecordsMatch(), through
// its records, which spares a call per step.
struct PugiView {
  using Node = pugi::xml_node;
  using Attribute = pugi::xml_attribute;
  static pugi::xml_node AsPugi(Node n) { return n; }
  static pugi::xml_node_type Type(Node n) { return n.type(); }
  static const char* Name(Node n) { return n.name(); }
  static const char* Value(Node n) { return n.value(); }
  static Node Parent(Node n) { return n.parent(); }
  static Node FirstChild(Node n) { return n.first_child(); }
  static Node NextSibling(Node n) { return n.next_sibling(); }
  static Attribute FirstAttribute(Node n) { return n.first_attribute(); }
  static Attribute Next(Attribute a) { return a.next_attribute(); }
  static const char* Name(Attribute a) { return a.name(); }
  static const char* Value(Attribute a) { return a.value(); }
  static bool LeadingLineFeed(Node) { return false; }  // marks need matching records
};

struct RecordView {
  using Node = const NodeRecord*;
  using Attribute = const AttributeRecord*;
  static pugi::xml_node AsPugi(Node n) { return NodeOf(n); }
  static pugi::xml_node_type Type(Node n) { return static_cast<pugi::xml_node_type>(n->header & kTypeBits); }
  static const char* Name(Node n) { return n->name ? n->name : ""; }
  static const char* Value(Node n) { return n->value ? n->value : ""; }
  static Node Parent(Node n) { return n->parent; }
  static Node FirstChild(Node n) { return n->first_child; }
  static Node NextSibling(Node n) { return n->next_sibling; }
  static Attribute FirstAttribute(Node n) { return n->first_attribute; }
  static Attribute Next(Attribute a) { return a->next_attribute; }
  static const char* Name(Attribute a) { return a->name ? a->name : ""; }
  static const char* Value(Attribute a) { return a->value ? a->value : ""; }
  static bool LeadingLineFeed(Node n) { return HasLeadingLineFeed(n); }
};

}  // namespace gxrm::dom::detail
