// Reading a large document with pugixml, checked by expat (see GXRMdomCheckedImpl.h).
#include "core/GXRMdomCheckedImpl.h"

#include <expat.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/GXRMdomImpl.h"
#include "core/GXRMdomParallelImpl.h"
#include "core/GXRMrecordImpl.h"
#include "core/GXRMxmlchars.h"

namespace gxrm::dom::detail {

namespace {

constexpr size_t kChunk = 256 << 10;  // what expat is fed at a time, in cache

// What pugixml must read for the tree expat's events build: comments, PIs
// and the declaration.
constexpr unsigned kParse = pugi::parse_default | pugi::parse_comments | pugi::parse_pi | pugi::parse_declaration;

struct ParserFree {
  void operator()(XML_Parser p) const { XML_ParserFree(p); }
};
using Parser = std::unique_ptr<std::remove_pointer_t<XML_Parser>, ParserFree>;

// Checks a document, or its part before a division, with expat. For a
// part it keeps the names of the elements open, which the rest must close
// in turn.
class ExpatCheck : public EventSink {
 public:
  // False when expat refuses [0, end) of `source` (the whole when `whole`),
  // or it has a document type declaration, or it cannot be read.
  bool Run(const Source& source, size_t end, bool whole) {
    parser_.reset(XML_ParserCreate(nullptr));
    if (!parser_) return false;
    XML_SetUserData(parser_.get(), this);
    if (!whole) XML_SetElementHandler(parser_.get(), OnStart, OnEnd);
    XML_SetStartDoctypeDeclHandler(parser_.get(), OnDoctype);
    for (size_t at = 0; at < end;) {
      const size_t n = std::min(kChunk, end - at);
      void* buffer = XML_GetBuffer(parser_.get(), static_cast<int>(n));
      if (!buffer || !source.Read(at, n, static_cast<char*>(buffer))) return false;
      at += n;
      if (XML_ParseBuffer(parser_.get(), static_cast<int>(n), whole && at == end) != XML_STATUS_OK) return false;
    }
    return !doctype_;
  }

  // True when the part ends between two tags inside the root: the end tags
  // of the elements open there complete it.
  bool EndsBetweenTags() {
    if (open_.empty()) return false;
    std::string closing;
    for (size_t i = open_.size(); i-- > 0;) closing.append("</").append(Name(i)).append(">");
    XML_SetElementHandler(parser_.get(), nullptr, nullptr);
    return XML_Parse(parser_.get(), closing.data(), static_cast<int>(closing.size()), true) == XML_STATUS_OK;
  }

  bool AllClosed() const { return open_.empty(); }

  // The rest's end tags of elements opened here; only those are recorded.
  bool Close(const char* name) override {
    if (open_.empty() || Name(open_.size() - 1) != name) return false;
    names_.resize(open_.back());
    open_.pop_back();
    return true;
  }
  void Start(const char*, const char**, const uint32_t*) override {}
  void End() override {}
  void Text(const char*, int) override {}
  void Comment(const char*) override {}
  void Pi(const char*, const char*) override {}
  void CdataStart() override {}
  void CdataEnd() override {}

 private:
  std::string_view Name(size_t i) const {
    const size_t end = i + 1 < open_.size() ? open_[i + 1] : names_.size();
    return std::string_view(names_).substr(open_[i], end - open_[i]);
  }
  static void OnStart(void* data, const XML_Char* name, const XML_Char**) {
    ExpatCheck& h = *static_cast<ExpatCheck*>(data);
    h.open_.push_back(h.names_.size());
    h.names_.append(name);
  }
  static void OnEnd(void* data, const XML_Char*) {
    ExpatCheck& h = *static_cast<ExpatCheck*>(data);
    h.names_.resize(h.open_.back());
    h.open_.pop_back();
  }
  static void OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    ExpatCheck& h = *static_cast<ExpatCheck*>(data);
    h.doctype_ = true;
    XML_StopParser(h.parser_.get(), XML_FALSE);
  }

  Parser parser_;
  std::string names_;          // of the open elements, one after another
  std::vector<size_t> open_;   // where each open element's name starts
  bool doctype_ = false;
};

// The line feeds that start elements, found in the raw text: a flag per
// element, in document order.
class LineFeeds {
 public:
  // False when the text has blank text between tags other than a line feed
  // alone that starts an element's content, which only text nodes keep.
  bool Find(std::string_view text);
  // Marks the elements of the tree, met in document order; false when they
  // are not the elements found.
  bool Mark(const DocImpl& impl) const;

 private:
  // Where the markup that starts at `at` ends (past its last byte), and
  // what it is; 0 when it does not end.
  enum Kind { kStartTag, kEmptyTag, kEndTag, kOther };
  static size_t MarkupEnd(std::string_view text, size_t at, Kind& kind);
  std::vector<bool> starts_;
};

size_t LineFeeds::MarkupEnd(std::string_view text, size_t at, Kind& kind) {
  auto past = [&](std::string_view close, size_t from) {
    const size_t end = text.find(close, from);
    return end == std::string_view::npos ? 0 : end + close.size();
  };
  kind = kOther;
  const char second = at + 1 < text.size() ? text[at + 1] : '\0';
  if (second == '!') {
    const std::string_view rest = text.substr(at);
    if (rest.compare(0, 4, "<!--") == 0) return past("-->", at + 4);
    if (rest.compare(0, 9, "<![CDATA[") == 0) return past("]]>", at + 9);
    return 0;  // a document type declaration
  }
  if (second == '?') return past("?>", at + 2);
  if (second == '/') {
    kind = kEndTag;
    return past(">", at + 2);
  }
  // A start tag: its attribute values may hold '>'.
  for (size_t i = at + 1; i < text.size(); ++i) {
    if (text[i] == '"' || text[i] == '\'') {
      i = text.find(text[i], i + 1);
      if (i == std::string_view::npos) return 0;
    } else if (text[i] == '>') {
      kind = text[i - 1] == '/' ? kEmptyTag : kStartTag;
      return i + 1;
    }
  }
  return 0;
}

bool LineFeeds::Find(std::string_view text) {
  int depth = 0;
  for (size_t at = text.find('<'); at != std::string_view::npos;) {
    Kind kind;
    const size_t end = MarkupEnd(text, at, kind);
    if (end == 0) return false;
    if (kind == kStartTag || kind == kEmptyTag) starts_.push_back(false);
    depth += kind == kStartTag ? 1 : kind == kEndTag ? -1 : 0;
    at = text.find('<', end);
    const std::string_view between = text.substr(end, (at == std::string_view::npos ? text.size() : at) - end);
    if (depth <= 0 || between.empty() || !xml::IsWhiteSpace(between)) continue;
    if (between != "\n" || kind != kStartTag) return false;
    starts_.back() = true;
  }
  return true;
}

bool LineFeeds::Mark(const DocImpl& impl) const {
  size_t k = 0;
  for (pugi::xml_node n = impl.FirstShown(); n;) {
    if (n.type() == pugi::node_element) {
      if (k == starts_.size()) return false;
      if (starts_[k++]) MarkLeadingLineFeed(n);
    }
    pugi::xml_node next = n.first_child();
    for (pugi::xml_node up = n; !next && up; up = up.parent()) next = up.next_sibling();
    n = next;
  }
  return k == starts_.size();
}

// The whole text of a document, in a buffer pugixml may take over.
class WholeText {
 public:
  // Reads `source`; empty when it cannot be read or memory cannot be had.
  explicit WholeText(const Source& source)
      : buffer_(static_cast<char*>(pugi::get_memory_allocation_function()(source.size()))), size_(source.size()) {
    if (buffer_ && !source.Read(0, size_, buffer_)) Free();
  }
  ~WholeText() { Free(); }
  WholeText(const WholeText&) = delete;
  WholeText& operator=(const WholeText&) = delete;

  explicit operator bool() const { return buffer_ != nullptr; }
  std::string_view View() const { return std::string_view(buffer_, size_); }
  // Hands the buffer over; the text is empty afterwards.
  char* Release() { return std::exchange(buffer_, nullptr); }

 private:
  void Free() {
    if (buffer_) pugi::get_memory_deallocation_function()(buffer_);
    buffer_ = nullptr;
  }
  char* buffer_;
  size_t size_;
};

// Parses `text` with pugixml into `impl`, in place. `plain` tells whether
// the text has neither character references nor carriage returns, which
// pugixml reads otherwise than expat. With `feeds`, the layout is kept: the
// text must be plain and its blank text line feeds that `feeds` finds, or
// the document goes another way.
CheckedLoad ParseAll(DocImpl& impl, WholeText& text, LineFeeds* feeds, bool& plain) {
  const std::string_view view = text.View();
  plain = view.find('\r') == std::string_view::npos && view.find("&#") == std::string_view::npos;
  if (feeds && !(plain && LineFeedMarksWork() && feeds->Find(view))) return CheckedLoad::kOtherWay;
  return impl.ParseInPlace(text.Release(), view.size(), kParse) ? CheckedLoad::kLoaded : CheckedLoad::kRefused;
}

// The declaration as the strict way makes it: the version, UTF-8, and the
// standalone status when one is given.
void RewriteDeclaration(pugi::xml_node decl) {
  const std::string version = decl.attribute("version").value();
  const pugi::xml_attribute given = decl.attribute("standalone");
  const std::string standalone = given ? given.value() : "";
  while (decl.remove_attribute(decl.first_attribute())) {
  }
  decl.append_attribute("version").set_value(version.c_str());
  decl.append_attribute("encoding").set_value("UTF-8");
  if (!standalone.empty()) decl.append_attribute("standalone").set_value(standalone.c_str());
}

// The line ends of a processing instruction as expat reads them: pugixml
// leaves them as written.
void ReadLineEnds(pugi::xml_node pi) {
  const char* value = pi.value();
  if (!std::strchr(value, '\r')) return;
  std::string text;
  for (const char* p = value; *p; ++p) {
    text += *p == '\r' ? '\n' : *p;
    if (*p == '\r' && p[1] == '\n') ++p;
  }
  pi.set_value(text.c_str());
}

// Makes pugixml's tree what expat's events build: the declaration is
// rewritten and, unless the text was `plain`, text that is blank once its
// references are read is no node and processing instructions have their
// line ends read.
void AsExpatBuilds(DocImpl& impl, bool plain) {
  if (impl.FirstShown().type() == pugi::node_declaration) RewriteDeclaration(impl.FirstShown());
  if (plain) return;
  for (pugi::xml_node n = impl.FirstShown(); n;) {
    pugi::xml_node next = n.first_child() ? n.first_child() : pugi::xml_node();
    for (pugi::xml_node up = n; !next && up; up = up.parent()) next = up.next_sibling();
    if (n.type() == pugi::node_pcdata && xml::IsWhiteSpace(n.value())) n.parent().remove_child(n);
    if (n.type() == pugi::node_pi) ReadLineEnds(n);
    n = next;
  }
}

// Makes the parsed tree what expat's events build and gives it the line
// feeds found; drops it unless `outcome` says it was loaded.
CheckedLoad Finish(DocImpl& impl, CheckedLoad outcome, bool plain, const LineFeeds* feeds) {
  if (outcome == CheckedLoad::kLoaded) {
    AsExpatBuilds(impl, plain);
    if (!feeds || feeds->Mark(impl)) return outcome;
    outcome = CheckedLoad::kOtherWay;
  }
  impl.ForgetParsed();
  return outcome;
}

}  // namespace

CheckedLoad LoadChecked(DocImpl& impl, const Source& source, size_t split, bool keep_layout) {
  RestReader rest(source, split, false, false);
  ExpatCheck head;
  LineFeeds feeds;
  bool plain = false;
  CheckedLoad outcome = CheckedLoad::kRefused;
  BesideRest(rest, [&] {
    // A document type declaration stands before the root, in the head.
    if (!head.Run(source, split, false) || !head.EndsBetweenTags()) return;
    WholeText text(source);
    if (text) outcome = ParseAll(impl, text, keep_layout ? &feeds : nullptr, plain);
    if (outcome == CheckedLoad::kLoaded && !(rest.Replay(head) && head.AllClosed() && source.Unchanged())) {
      outcome = CheckedLoad::kRefused;
    }
  });
  return Finish(impl, outcome, plain, keep_layout ? &feeds : nullptr);
}

CheckedLoad LoadCheckedOnOneThread(DocImpl& impl, const Source& source, bool keep_layout) {
  ExpatCheck whole;
  LineFeeds feeds;
  bool plain = false;
  CheckedLoad outcome = CheckedLoad::kRefused;
  WholeText text(source);
  if (text && whole.Run(Source(text.View()), source.size(), true)) {
    outcome = ParseAll(impl, text, keep_layout ? &feeds : nullptr, plain);
    if (outcome == CheckedLoad::kLoaded && !source.Unchanged()) outcome = CheckedLoad::kRefused;
  }
  return Finish(impl, outcome, plain, keep_layout ? &feeds : nullptr);
}

}  // namespace gxrm::dom::detail
