#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "GXRMapi.h"
#include "GXRMerror.h"

namespace pugi {
struct xml_node_struct;
struct xml_attribute_struct;
}  // namespace pugi

/// The XML DOM the library works on.
///
/// Document, Node, Element, NodeList and NamedNodeMap are reference-counted
/// handles. A default-constructed handle is empty; copies share the object. A
/// handle keeps its node and the node's document alive, also after the node was
/// removed from its tree and after every other owner let go. Strings are UTF-8.
///
/// Every operation on an empty handle raises gxrm::DomError 0x80004003. Names
/// are checked against the XML 1.0 Name production and text against its Char
/// production before anything enters the tree (DomError 0x80070057).
///
/// Threads: a document may be read from several threads at once, each with
/// its own handles; handles may be copied, moved and dropped on any thread,
/// also while others read. A change to a document (any operation that
/// creates, appends, removes, sets or loads) needs exclusive access: no other
/// thread uses the document or its handles meanwhile.
///
///     auto doc = gxrm::dom::Document::create();
///     gxrm::dom::Element root = doc.createElement("model");
///     doc.appendChild(root);
///     root.setAttribute("name", "A");
///     doc.save("model.xml");
namespace gxrm::dom {

namespace detail {
struct DocImpl;
struct RingHead;
struct Access;
template <typename List>
class IndexIterator;

// A place in the ring of live handles of one document: what no handle in the
// ring refers to may be freed. Copies join the ring beside their source, so
// that copying a handle never looks at the document. Handles of one document
// may be copied and dropped on several threads at once: every change to the
// ring holds the document's ring lock, a few pointer writes long. A handle is
// in a ring exactly when it has a document; `doc` below is that document.
class GXRM_API HandleLink {
 public:
  enum Kind : unsigned char { kRing, kNode, kNodeList, kNodeMap };

 protected:
  explicit HandleLink(Kind kind) noexcept : kind_(kind) {}
  HandleLink(const HandleLink&) = delete;
  HandleLink& operator=(const HandleLink&) = delete;
  // Each handle leaves the ring in its own destructor, before it lets go of
  // the document that holds the ring.
  ~HandleLink() = default;

  // Joins the ring of `doc` beside `source`, a handle of it.
  void LinkBeside(const HandleLink& source, DocImpl* doc) noexcept;
  // Leaves the ring of `doc`.
  void Unlink(DocImpl* doc) noexcept;
  // Leaves the ring of `old_doc` and joins that of `doc` beside `source`;
  // one lock when both are the same document.
  void Relink(DocImpl* old_doc, const HandleLink& source, DocImpl* doc) noexcept;
  // Leaves the ring of `old_doc` and takes the place of `source` in the ring
  // of `doc`; `source` is then in none.
  void TakePlace(DocImpl* old_doc, HandleLink& source, DocImpl* doc) noexcept;

 private:
  // The ring operations proper; callers hold the lock.
  void MakeRing() noexcept { prev_ = next_ = this; }
  void LinkAfter(HandleLink& at) noexcept;
  void UnlinkLocked() noexcept;
  void ReplaceLocked(HandleLink& source) noexcept;

  HandleLink* prev_ = nullptr;
  HandleLink* next_ = nullptr;
  Kind kind_;
  friend struct DocImpl;
  friend struct RingHead;
  friend struct Access;
};
}  // namespace detail

/// W3C node type values.
enum NodeType : int {
  NODE_INVALID = 0,
  NODE_ELEMENT = 1,
  NODE_ATTRIBUTE = 2,
  NODE_TEXT = 3,
  NODE_CDATA_SECTION = 4,
  NODE_PROCESSING_INSTRUCTION = 7,
  NODE_COMMENT = 8,
  NODE_DOCUMENT = 9,
};

class Document;
class NodeList;
class NamedNodeMap;

/// A handle on a node of any type: element, attribute, character data, document.
class GXRM_API Node : private detail::HandleLink {
 public:
  Node() noexcept : HandleLink(kNode) {}
  /// Copies share the node; a moved-from handle is empty. Inline: handles are copied all the time.
  ///@{
  Node(const Node& other) noexcept
      : HandleLink(kNode), doc_(other.doc_), node_(other.node_), attr_(other.attr_) {
    LinkBeside(other, doc_.get());
  }
  Node(Node&& other) noexcept
      : HandleLink(kNode),
        doc_(std::move(other.doc_)),
        node_(std::exchange(other.node_, nullptr)),
        attr_(std::exchange(other.attr_, nullptr)) {
    TakePlace(nullptr, other, doc_.get());
  }
  Node& operator=(const Node& other) noexcept {
    if (this != &other) {
      Relink(doc_.get(), other, other.doc_.get());
      doc_ = other.doc_;
      node_ = other.node_;
      attr_ = other.attr_;
    }
    return *this;
  }
  Node& operator=(Node&& other) noexcept {
    if (this != &other) {
      TakePlace(doc_.get(), other, other.doc_.get());
      doc_ = std::move(other.doc_);
      node_ = std::exchange(other.node_, nullptr);
      attr_ = std::exchange(other.attr_, nullptr);
    }
    return *this;
  }
  ///@}
  ~Node() { Unlink(doc_.get()); }

  /// True when the handle holds a node; never raises.
  explicit operator bool() const noexcept { return node_ != nullptr; }
  /// Same node (two empty handles are equal); never raises.
  bool operator==(const Node& other) const noexcept { return node_ == other.node_ && attr_ == other.attr_; }
  bool operator!=(const Node& other) const noexcept { return !(*this == other); }  ///< Not the same node.

  /// Element or attribute name, PI target, "#text", "#cdata-section",
  /// "#comment" or "#document".
  std::string nodeName() const;
  NodeType nodeType() const;  ///< The node's W3C type.
  /// Attribute value, text of a character node, or the concatenated text of all
  /// text and CDATA below an element or document.
  std::string text() const;
  /// Sets an attribute's value or a character node's text; on an element,
  /// replaces all its children by one text node. Raises 0x80070057 for text
  /// XML cannot carry, and for text that could not be saved exactly: a
  /// carriage return in a comment, processing instruction or CDATA section,
  /// "--" or a final "-" in a comment, "?>" or leading white space in
  /// processing-instruction data, "]]>" in CDATA.
  void text(std::string_view value);
  /// The value of an attribute or character node as text; "" for others.
  std::string nodeTypedValue() const;

  /// Parent node; empty for the document, an attribute or a node not in a tree.
  Node parentNode() const;
  /// The document the node belongs to (the document itself for a document).
  Document ownerDocument() const;
  /// All child nodes of any type, in document order (a snapshot).
  NodeList childNodes() const;
  /// First child, or an empty handle.
  Node firstChild() const;
  /// Next sibling, or an empty handle.
  Node nextSibling() const;

  /// Appends `child` as the last child and returns it. A node of this document
  /// leaves its old place; a node of another document is copied and the copy
  /// returned. Raises 0x80004003 for an empty child and 0x80004005 when the
  /// child cannot stand there (an ancestor, an attribute, a second root).
  /// An XML declaration may only become the first node of a document; else
  /// 0x80004005 and the tree stays unchanged.
  Node appendChild(const Node& child);
  /// Takes `child` out of the tree and returns it; it stays usable. Raises
  /// 0x80004005 when it is not a child of this node.
  Node removeChild(const Node& child);

  /// The child elements named `name`, in document order (a snapshot).
  NodeList selectNodes(std::string_view name) const;
  /// The first child element named `name`, or an empty handle.
  Node selectSingleNode(std::string_view name) const;
  /// The attributes of an element in their order; an empty map for other nodes.
  NamedNodeMap attributes() const;

 protected:
  std::shared_ptr<detail::DocImpl> doc_;        ///< the document; kept alive by the handle
  pugi::xml_node_struct* node_ = nullptr;       ///< the node; the owner element for attributes
  pugi::xml_attribute_struct* attr_ = nullptr;  ///< set for attribute nodes only

  friend struct detail::Access;
};

/// A handle on an element: a node with attributes.
class GXRM_API Element : public Node {
 public:
  Element() noexcept = default;
  /// Element query: a handle on `node` when it is an element, else empty.
  Element(const Node& node);  // NOLINT: implicit like a smart-pointer query

  /// Attribute value, or "" when the element has no attribute of that name.
  std::string getAttribute(std::string_view name) const;
  /// The attribute node of that name, or an empty handle.
  Node getAttributeNode(std::string_view name) const;
  /// Sets the value of the attribute of that name in its place, or appends it
  /// as the last attribute. Raises 0x80070057 for an illegal name or value.
  void setAttribute(std::string_view name, std::string_view value);
};

/// Why the last load failed: `reason` is empty after a successful load.
struct ParseError {
  long errorCode = 0;  ///< parser error number, -1 for a file that could not be read
  long line = 0;       ///< 1-based line of the error, 0 when unknown
  long linepos = 0;    ///< 1-based column of the error, 0 when unknown
  long filepos = 0;    ///< byte offset of the error in the parsed text
  std::string reason;  ///< the parser's message
};

/// A handle on a whole document; its copies share it.
class GXRM_API Document : public Node {
 public:
  Document() noexcept = default;

  /// A new empty document. Raises 0x8007000E when memory cannot be had.
  static Document create();

  /// Replaces the content by the parsed file at `path`. False, with an empty
  /// document and parseError() set, when the file cannot be read or is not
  /// well-formed.
  bool load(const std::string& path);
  /// As load, from text in memory.
  bool loadXML(std::string_view xml);
  /// The reason of the last failed load (a copy: the next load replaces it).
  ParseError parseError() const;

  /// Writes the document as UTF-8 through a temporary file renamed over `path`;
  /// on failure a file already there is unchanged. A symbolic link is followed
  /// and stays a link; a read-only file is refused (0x80070005). Raises
  /// 0x80070003, 0x80070005, 0x80070070 or 0x80004005.
  void save(const std::string& path) const;
  /// The document as UTF-8 text.
  std::string xml() const;

  /// The root element, or an empty handle.
  Element documentElement() const;
  /// A new element outside the tree. Raises 0x80070057 for an illegal name.
  Element createElement(std::string_view name) const;
  /// A new text node outside the tree. Raises 0x80070057 for text XML cannot carry.
  Node createTextNode(std::string_view text) const;
  /// A new comment outside the tree. Raises 0x80070057 for text a comment
  /// cannot hold (see Node::text).
  Node createComment(std::string_view text) const;

 private:
  friend struct detail::Access;
};

namespace detail {
// Walks a node list or attribute map by index, for range-for.
template <typename List>
class IndexIterator {
 public:
  using iterator_category = std::forward_iterator_tag;
  using value_type = Node;
  using difference_type = std::ptrdiff_t;
  using pointer = void;
  using reference = Node;
  IndexIterator(const List* list, long index) : list_(list), index_(index) {}
  Node operator*() const { return list_->item(index_); }
  IndexIterator& operator++() {
    ++index_;
    return *this;
  }
  bool operator==(const IndexIterator& o) const { return index_ == o.index_; }
  bool operator!=(const IndexIterator& o) const { return index_ != o.index_; }

 private:
  const List* list_;
  long index_;
};

}  // namespace detail

/// What NodeList and NamedNodeMap share: a snapshot of entries of one
/// document with a cursor. `List` is the derived class, which turns one entry
/// into a handle through item().
template <typename List, typename Entry, detail::HandleLink::Kind kKind>
class SnapshotList : private detail::HandleLink {
 public:
  /// Copies copy the entries and the cursor; a moved-from list is empty.
  ///@{
  SnapshotList(const SnapshotList& other)
      : HandleLink(kKind), doc_(other.doc_), owner_(other.owner_), items_(other.items_), pos_(other.pos_) {
    LinkBeside(other, doc_.get());
  }
  SnapshotList(SnapshotList&& other) noexcept : HandleLink(kKind) { Take(other); }
  SnapshotList& operator=(const SnapshotList& other) {
    if (this != &other) {
      SnapshotList copy(other);
      Take(copy);
    }
    return *this;
  }
  SnapshotList& operator=(SnapshotList&& other) noexcept {
    if (this != &other) Take(other);
    return *this;
  }
  ///@}
  ~SnapshotList() { Unlink(doc_.get()); }

  /// Number of entries.
  long length() const {
    Require("length");
    return Size();
  }
  /// The next entry from the cursor, then an empty handle.
  Node nextNode() {
    Require("nextNode");
    return pos_ < Size() ? static_cast<List*>(this)->item(pos_++) : Node();
  }
  void reset() noexcept { pos_ = 0; }  ///< Cursor back to the first entry; never raises.

  using iterator = detail::IndexIterator<List>;  ///< Walks the entries by index, for range-for.
  iterator begin() const { return iterator(static_cast<const List*>(this), 0); }  ///< The first entry.
  /// Past the last; 0x80004003 on an empty handle.
  iterator end() const { return iterator(static_cast<const List*>(this), length()); }

 protected:
  SnapshotList() noexcept : HandleLink(kKind) {}  ///< An empty list.
  /// Raises 0x80004003 on an empty handle; `operation` names the call.
  void Require(const char* operation) const {
    if (!doc_)
      ThrowDomError(kErrPointer, std::string(List::kName) + "::" + operation + " on an empty handle");
  }
  long Size() const { return static_cast<long>(items_.size()); }  ///< Number of entries.
  /// The entry at `index`, or null when out of range.
  Entry* At(long index) const { return index >= 0 && index < Size() ? items_[index] : nullptr; }

  std::shared_ptr<detail::DocImpl> doc_;    ///< the document; kept alive by the list
  pugi::xml_node_struct* owner_ = nullptr;  ///< the element whose attributes a map holds
  std::vector<Entry*> items_;               ///< the entries, in document order
  long pos_ = 0;                            ///< the cursor of nextNode

 private:
  // Takes the entries, the cursor and the place in the ring of `from`, which is left empty.
  void Take(SnapshotList& from) noexcept {
    TakePlace(doc_.get(), from, from.doc_.get());
    doc_ = std::move(from.doc_);
    owner_ = std::exchange(from.owner_, nullptr);
    items_ = std::move(from.items_);
    pos_ = std::exchange(from.pos_, 0);
    from.items_.clear();
  }
  friend class gxrm::dom::Node;
  friend struct detail::Access;
};

/// A snapshot of nodes with a cursor for nextNode.
class GXRM_API NodeList
    : public SnapshotList<NodeList, pugi::xml_node_struct, detail::HandleLink::kNodeList> {
 public:
  /// Entry at a 0-based index; empty handle when out of range.
  Node item(long index) const;

 private:
  static constexpr const char* kName = "NodeList";
  friend SnapshotList;
};

/// The attributes of one element, in their order, with a cursor for nextNode.
class GXRM_API NamedNodeMap
    : public SnapshotList<NamedNodeMap, pugi::xml_attribute_struct, detail::HandleLink::kNodeMap> {
 public:
  /// Attribute at a 0-based index; empty handle when out of range.
  Node item(long index) const;
  /// The attribute of exactly that name, or an empty handle.
  Node getNamedItem(std::string_view name) const;

 private:
  static constexpr const char* kName = "NamedNodeMap";
  friend SnapshotList;
};

}  // namespace gxrm::dom

/// The element handle of the library's signatures.
using IXMLDOMElementPtr = gxrm::dom::Element;
