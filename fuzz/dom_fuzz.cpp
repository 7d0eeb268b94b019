// libFuzzer target: a tree of every kind of node built through the DOM from
// arbitrary bytes. What the DOM refuses it refuses with gxrm::DomError; what
// it accepts must save as text that loads back into the same tree, as loading
// sees a tree: adjacent text joined, text of white space only dropped.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/GXRMdom.h"
#include "core/GXRMerror.h"

namespace {

namespace dom = gxrm::dom;

// The input as operations: a byte saying what to do, then texts, each a
// length byte and that many bytes.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Done() const { return at_ >= size_; }
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::string Text() {
    const size_t n = std::min<size_t>(Byte(), size_ - at_);
    std::string text(reinterpret_cast<const char*>(data_ + at_), n);
    at_ += n;
    return text;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// Processing instructions and CDATA sections have no factory: one is taken
// from a small document and given its text through the DOM.
dom::Node Parsed(const char* xml, const std::string& text) {
  dom::Document scratch = dom::Document::create();
  if (!scratch.loadXML(xml)) std::abort();
  dom::Node node = scratch.documentElement().firstChild();
  node.text(text);
  return node;
}

// Runs one operation on the tree: `at` is where nodes go, `last` the last
// node added.
void Step(Input& in, const dom::Document& doc, dom::Node& at, dom::Node& last) {
  switch (in.Byte() % 8) {
    case 0:
      last = at.appendChild(doc.createElement(in.Text()));
      at = last;
      return;
    case 1:
      if (dom::Node parent = at.parentNode()) at = parent;
      return;
    case 2:
      last = at.appendChild(doc.createTextNode(in.Text()));
      return;
    case 3:
      last = at.appendChild(doc.createComment(in.Text()));
      return;
    case 4:
      last = at.appendChild(Parsed("<x><?p?></x>", in.Text()));
      return;
    case 5:
      last = at.appendChild(Parsed("<x><![CDATA[]]></x>", in.Text()));
      return;
    case 6: {
      const std::string name = in.Text();
      dom::Element(at).setAttribute(name, in.Text());
      return;
    }
    default:
      if (last && last.nodeType() != dom::NODE_ELEMENT) last.text(in.Text());
  }
}

void Add(std::string& out, const std::string& text) { out += std::to_string(text.size()) + ':' + text; }

// The tree below `top` as loading would give it, as one string.
std::string Canonical(const dom::Node& top) {
  std::string out, run;
  auto flush = [&] {
    if (run.find_first_not_of(" \t\r\n") != std::string::npos) Add(out, "#text " + run);
    run.clear();
  };
  std::vector<dom::Node> path{top.firstChild()};
  while (!path.empty()) {
    const dom::Node n = path.back();
    if (!n) {
      flush();
      out += ')';
      path.pop_back();
      if (!path.empty()) path.back() = path.back().nextSibling();
      continue;
    }
    if (n.nodeType() == dom::NODE_TEXT) {
      run += n.text();
      path.back() = n.nextSibling();
      continue;
    }
    flush();
    Add(out, n.nodeName());
    if (n.nodeType() != dom::NODE_ELEMENT) {
      Add(out, n.text());
      path.back() = n.nextSibling();
      continue;
    }
    for (const dom::Node& a : n.attributes()) {
      Add(out, a.nodeName());
      Add(out, a.text());
    }
    out += '(';
    path.push_back(n.firstChild());
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  dom::Document doc = dom::Document::create();
  dom::Node at = doc.appendChild(doc.createElement("r"));
  dom::Node last;
  while (!in.Done()) {
    try {
      Step(in, doc, at, last);
    } catch (const gxrm::DomError&) {
    }
  }
  const std::string xml = doc.xml();
  dom::Document back = dom::Document::create();
  if (!back.loadXML(xml) || Canonical(back) != Canonical(doc)) std::abort();
  return 0;
}
