// GXRMdomImpl.h: the document behind the DOM handles, for the library's own use.
//
// The tree is a pugixml document. Nodes that are not in the tree (created and
// not yet appended, or removed) are kept under a hidden element, the limbo,
// which is never shown or saved; XML declarations out of the tree, which
// pugixml allows only at document level, stand before the limbo. That is what
// keeps a removed node usable while a handle on it exists. Every live handle
// is in the document's ring; a sweep frees what no handle refers to.
#pragma once

#include <pugixml.hpp>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/GXRMdom.h"
#include "core/GXRMrecentImpl.h"

namespace gxrm::dom::detail {

// A lock held for a few pointer writes: one atomic exchange when it is free.
class SpinLock {
 public:
  void lock() noexcept {
    while (held_.exchange(true, std::memory_order_acquire)) {
      while (held_.load(std::memory_order_relaxed)) std::this_thread::yield();
    }
  }
  void unlock() noexcept { held_.store(false, std::memory_order_release); }

 private:
  std::atomic<bool> held_{false};
};

// The head of a document's ring of live handles, with the lock every change
// to the ring holds.
struct RingHead : HandleLink {
  RingHead() noexcept : HandleLink(kRing) { MakeRing(); }
  RingHead(const RingHead&) = delete;
  RingHead& operator=(const RingHead&) = delete;

  // Puts a handle that is in no ring yet into this one.
  void Join(HandleLink& handle) noexcept {
    std::lock_guard<SpinLock> hold(lock);
    handle.LinkAfter(*this);
  }

  SpinLock lock;
};

// Sets attributes of one element as Element::setAttribute does. Made by
// DocImpl::EditAttributes for an element in the tree, directly for one under
// the limbo. A name set again keeps its place and takes the new value; past a
// few attributes names are found through a hash, so a large record costs
// linear time.
class AttributeWriter {
 public:
  explicit AttributeWriter(pugi::xml_node element) : element_(element) {}
  void Set(std::string_view name, std::string_view value);
  // As Set, for a name and value already found good; a NUL follows `name`.
  void SetChecked(std::string_view name, std::string_view value);

 private:
  pugi::xml_attribute Find(std::string_view name);

  static constexpr size_t kScanLimit = 16;
  pugi::xml_node element_;
  size_t added_ = 0;
  std::unordered_map<std::string_view, pugi::xml_attribute_struct*> index_;
};

// The navigation's index of the root's children and of the "Type" level.
struct NavIndex;

// One copy of each short string that many nodes of a document carry (names,
// blank text between tags), for nodes that point at it without owning it.
// It stops taking new strings past a limit, so that a file of all different
// names costs no more than before.
class SharedStrings {
 public:
  // The shared copy of `text`; null when it is too long or the pool is full.
  const char* Find(const char* text);

 private:
  const char* Lookup(std::string_view text);

  static constexpr size_t kMaxLength = 64;
  static constexpr size_t kMaxCount = 1024;
  // A parser hands out each attribute name from the same place every time,
  // and the element names of one depth from one place: a text asked for
  // again from a place it was lately asked from is found by a comparison or
  // two, without measuring and hashing it. 64 sets of the 4 latest.
  struct Asked {
    const char* asked;
    const char* copy;
  };
  std::array<Recent<Asked>, 64> recent_{};
  std::deque<std::string> copies_;  // never moved: the nodes point into them
  std::unordered_set<std::string_view> index_;
};

struct DocImpl {
  DocImpl();

  pugi::xml_document doc;
  pugi::xml_node limbo;
  RingHead ring;
  ParseError parseError;
  // Lookup index of the navigation, dropped with the document; its parts are
  // valid while RootGeneration() and TypeGeneration() stay what they were
  // when each was built. Readers on several threads fill it: nav_lock guards it.
  std::shared_ptr<NavIndex> nav_cache;
  std::mutex nav_lock;

  // ---- Changes to the tree ----
  // Every change to the tree a host can see goes through these, and each
  // announces itself, so that caches keyed on the upper levels (the
  // navigation index) stay exact. Nodes under the limbo are built freely, and
  // so is a node just made by AppendNew until it is handed out: its
  // appending was announced, and caches are rebuilt only when next asked.

  // Appends a new node of `type` as the last child of `parent`; raises
  // 0x8007000E when memory cannot be had.
  pugi::xml_node AppendNew(pugi::xml_node parent, pugi::xml_node_type type);
  // Appends a copy of `source`, which may belong to another document; raises 0x8007000E.
  pugi::xml_node AppendCopy(pugi::xml_node parent, pugi::xml_node source);
  // Moves `child`, a node of this document, to the end of `parent`'s
  // children, in constant time under an element; the caller has made sure
  // it may stand there and is no ancestor of `parent`. False when refused.
  bool AppendMove(pugi::xml_node parent, pugi::xml_node child);
  // Inserts a new node of `type` at document level after `after`; raises 0x8007000E.
  pugi::xml_node InsertNewAtTop(pugi::xml_node after, pugi::xml_node_type type);
  // Moves `child` to document level after `after`; returns it, or an empty node.
  pugi::xml_node MoveToTop(pugi::xml_node child, pugi::xml_node after);
  // Takes `child` out of the tree, where it stays usable: into the limbo, or
  // before it for a declaration, which can stand only at document level.
  bool TakeOut(pugi::xml_node child);
  // Frees a node just appended that nothing refers to yet.
  void Discard(pugi::xml_node built);
  // Sets the text of a character node, or the value of attribute `a` of `owner`.
  bool SetValue(pugi::xml_node node, std::string_view value);
  bool SetValue(pugi::xml_node owner, pugi::xml_attribute a, std::string_view value);
  // Sets attributes of `element` one after another (see AttributeWriter).
  AttributeWriter EditAttributes(pugi::xml_node element);
  // Gives a node just made its name or its text, or an attribute just made its
  // name, pointing at the document's shared copy where there is one (pugixml
  // copies the string when the node changes it); otherwise as pugixml's
  // set_name and set_value do. False when memory cannot be had.
  bool SetSharedName(pugi::xml_node fresh, const char* name);
  bool SetSharedName(pugi::xml_attribute fresh, const char* name);
  bool SetSharedValue(pugi::xml_node fresh, const char* text);
  // The same with a string constant of the library, which outlives every
  // document: the node points at it.
  bool SetConstantName(pugi::xml_node fresh, const char* name);
  bool SetConstantValue(pugi::xml_node fresh, const char* text);

  // Changes whenever the document's top-level nodes, the root's children or
  // those children's attributes change.
  uint64_t RootGeneration() const { return root_generation_; }
  // Changes whenever the children or attributes of an element down to the
  // "Type" level (four below the document) change.
  uint64_t TypeGeneration() const { return type_generation_; }

  // True when the document has no node, in the tree or out of it.
  bool HoldsNothing() const;
  // Makes the tree the one pugixml parses from `buffer` (`size` bytes of
  // UTF-8, allocated with pugixml's allocation function), whose strings
  // stay in the buffer, which the document owns and frees at its next parse
  // or its end. Only where HoldsNothing(). False, with nothing in the tree,
  // when pugixml refuses the text.
  bool ParseInPlace(char* buffer, size_t size, unsigned options);
  // Empties a document ParseInPlace filled, freeing its buffer.
  void ForgetParsed();

  // The root element, or an empty node.
  pugi::xml_node Root() const;
  // The first node shown at document level.
  pugi::xml_node FirstShown() const { return limbo.next_sibling(); }

  // True for an XML declaration out of the tree.
  bool IsDetachedDeclaration(pugi::xml_node n) const;
  // What one sweep learnt about the nodes it walked up from.
  struct TopMemo {
    std::unordered_map<pugi::xml_node_struct*, pugi::xml_node_struct*> top;  // null: in the tree
    std::vector<pugi::xml_node_struct*> path;                                // scratch of one walk
  };
  // The top of the part out of the tree that holds `n` (a child of the limbo
  // or a detached declaration); null when `n` is in the tree. The walk up
  // stops at a node met before, so that a sweep walks each node once however
  // deep the tree and however many handles point into it.
  pugi::xml_node_struct* DetachedTop(pugi::xml_node n, TopMemo& memo) const;
  // To be called before `count` more nodes leave the tree or are made outside
  // it: frees, now and then, what no handle refers to. Sweeps are spaced so
  // that their cost stays proportional to the nodes detached meanwhile.
  void Detaching(size_t count = 1) {
    if (pending_ >= threshold_) Sweep();
    pending_ += count;
  }
  // Frees every part out of the tree that no live handle or list points into.
  void Sweep();

 private:
  // The navigation index stands on the root's children and their attributes
  // (children of elements down to depth 1, attributes down to depth 2); the
  // type-level answers on everything down to the "Type" elements (depth 4).
  void ChildrenChanging(pugi::xml_node parent) { Changed(DepthInTree(parent), 1); }
  void AttributesChanging(pugi::xml_node element) { Changed(DepthInTree(element), 2); }
  void Changed(int depth, int root_depth) {
    if (depth < 0) return;
    if (depth <= root_depth) ++root_generation_;
    ++type_generation_;
  }
  // How far `n` lies below the document: -1 when it is deeper than the
  // "Type" level or out of the tree. Fresh nodes sit in the limbo, a child of
  // the document, so that case is answered first.
  int DepthInTree(pugi::xml_node n) const {
    for (int depth = 0; depth <= kTypeDepth && n; ++depth, n = n.parent()) {
      if (n == limbo) return -1;
      if (n == doc) return depth;
    }
    return -1;
  }

  // Makes the limbo, the document's first child.
  void MakeLimbo();

  SharedStrings shared_;
  static constexpr int kTypeDepth = 4;
  static constexpr size_t kMinSweep = 64;
  uint64_t root_generation_ = 0;
  uint64_t type_generation_ = 0;
  size_t pending_ = 0;
  size_t threshold_ = kMinSweep;
};

// A null-terminated copy of a name for pugixml, on the stack when it is short.
class Terminated {
 public:
  explicit Terminated(std::string_view name) {
    if (name.size() < sizeof small_) {
      name.copy(small_, name.size());
      small_[name.size()] = '\0';
      text_ = small_;
    } else {
      large_.assign(name);
      text_ = large_.c_str();
    }
  }
  const char* c_str() const { return text_; }

 private:
  char small_[64];
  std::string large_;
  const char* text_;
};

// Raises 0x8007000E when pugixml could not allocate a node.
inline pugi::xml_node Allocated(pugi::xml_node n) {
  if (!n) ThrowDomError(kErrOutOfMemory, "no memory for a new node");
  return n;
}

// Frees a subtree that hangs under `parent` one node at a time, so that
// freeing never recurses per level.
void FreeSubtree(pugi::xml_node parent, pugi::xml_node top);

// Raise 0x80070057 unless `name` is a legal XML name, or `text` may stand in
// a document; `what` names the text in the message.
void CheckName(std::string_view name, const char* what);
void CheckText(std::string_view text, const char* what);
// Conversions between handles and pugixml nodes inside the library.
struct Access {
  static Node MakeNode(const std::shared_ptr<DocImpl>& doc, pugi::xml_node n);
  static Node MakeAttribute(const std::shared_ptr<DocImpl>& doc, pugi::xml_node owner, pugi::xml_attribute a);
  static Document MakeDocument(const std::shared_ptr<DocImpl>& doc);
  static pugi::xml_node Pugi(const Node& n) { return pugi::xml_node(n.node_); }
  static pugi::xml_attribute PugiAttribute(const Node& n) { return pugi::xml_attribute(n.attr_); }
  static const std::shared_ptr<DocImpl>& Impl(const Node& n) { return n.doc_; }
  // The node's document; raises 0x80004003 on an empty handle.
  static DocImpl& Require(const Node& n, const char* operation);
  // Gives an empty list a document and a place in its ring.
  template <typename List>
  static void Attach(List& list, const std::shared_ptr<DocImpl>& doc) {
    list.doc_ = doc;
    doc->ring.Join(list);
  }
  // Calls `visit` with every node the handle in the ring refers to.
  template <typename Visit>
  static void ForEachNode(const HandleLink& link, Visit&& visit);
};

template <typename Visit>
void Access::ForEachNode(const HandleLink& link, Visit&& visit) {
  switch (link.kind_) {
    case HandleLink::kNode:
      visit(static_cast<const Node&>(link).node_);
      break;
    case HandleLink::kNodeList:
      for (pugi::xml_node_struct* n : static_cast<const NodeList&>(link).items_) visit(n);
      break;
    case HandleLink::kNodeMap:
      visit(static_cast<const NamedNodeMap&>(link).owner_);
      break;
    case HandleLink::kRing:
      break;
  }
}

}  // namespace gxrm::dom::detail
