// Loading: expat parses strictly and builds the pugixml tree.
#include <expat.h>
#include <sched.h>
#include <iconv.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/GXRMdomCheckedImpl.h"
#include "core/GXRMdomImpl.h"
#include "core/GXRMdomLoadImpl.h"
#include "core/GXRMdomParallelImpl.h"
#include "core/GXRMrecordImpl.h"
#include "core/GXRMtextImpl.h"
#include "core/GXRMxmlchars.h"

namespace gxrm::dom {

using detail::Access;
using detail::DocImpl;
using detail::Source;

namespace {

constexpr size_t kChunk = 1 << 20;

// The value of the pseudo-attribute `encoding` of an XML declaration at the
// very start of the text; "" when there is none.
std::string DeclaredEncoding(std::string_view head) {
  const std::string_view blanks = " \t\r\n";
  // "<?xmlfoo" or "<?xml-x" is a processing instruction, not a declaration.
  if (head.substr(0, 5) != "<?xml" || head.size() < 6 || blanks.find(head[5]) == std::string_view::npos) {
    return {};
  }
  std::string_view decl = head.substr(0, head.find("?>"));
  for (size_t at = decl.find("encoding"); at != std::string_view::npos; at = decl.find("encoding", at + 1)) {
    size_t eq = decl.find_first_not_of(blanks, at + 8);
    if (eq == std::string_view::npos || decl[eq] != '=') continue;
    size_t q = decl.find_first_not_of(blanks, eq + 1);
    if (q == std::string_view::npos || (decl[q] != '"' && decl[q] != '\'')) continue;
    size_t end = decl.find(decl[q], q + 1);
    if (end != std::string_view::npos) return std::string(decl.substr(q + 1, end - q - 1));
  }
  return {};
}

std::string DeclaredEncodingUpper(std::string_view head) {
  std::string name = DeclaredEncoding(head);
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

// True when the declared encoding is one of the Chinese code pages expat does
// not know. Those files are converted to UTF-8 before parsing as the hosts'
// text is: GBK with the euro byte and GB18030's four-byte codes. Files
// labelled GB2312 are GBK in practice, and are read so as browsers do.
bool IsChineseEncoding(std::string_view head) {
  std::string name = DeclaredEncodingUpper(head);
  for (const char* known : {"GBK", "GB2312", "CP936", "GB18030"}) {
    if (name == known) return true;
  }
  return false;
}

// The encoding of the bytes expat reads when they are not UTF-8: UTF-16 by
// its byte order mark or first character, ISO-8859-1 by its label.
std::string RawEncoding(std::string_view head) {
  auto starts = [head](std::string_view p) { return head.substr(0, p.size()) == p; };
  if (starts("\xFE\xFF") || starts(std::string_view("\0<", 2))) return "UTF-16BE";
  if (starts("\xFF\xFE") || starts(std::string_view("<\0", 2))) return "UTF-16LE";
  std::string name = DeclaredEncodingUpper(head);
  return name == "ISO-8859-1" ? name : std::string();
}

// Raw bytes of the input as UTF-8; false when they do not convert.
bool RawToUtf8(const std::string& encoding, std::string_view raw, std::string& out) {
  if (encoding.empty()) {
    out.assign(raw);
    return true;
  }
  iconv_t cd = iconv_open("UTF-8", encoding.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.assign(raw.size() * 3 + 4, '\0');
  char* src = const_cast<char*>(raw.data());
  size_t src_left = raw.size();
  char* dst = out.data();
  size_t dst_left = out.size();
  bool ok = iconv(cd, &src, &src_left, &dst, &dst_left) != static_cast<size_t>(-1);
  iconv_close(cd);
  out.resize(out.size() - dst_left);
  return ok;
}

// The general entities a document declares, to check the references in its
// attribute values. Where the document has a DTD that is not read (an
// external subset, parameter entities), expat drops a reference to an entity
// it does not know from an attribute value without a word; the check finds
// such references in the raw start tag instead.
class DeclaredEntities {
 public:
  // `value` is null for an external entity.
  void Declare(const XML_Char* name, const XML_Char* value, int length) {
    texts_.emplace(name, value ? std::string(value, static_cast<size_t>(length)) : std::string());
  }

  // The first entity referred to in `text`, or in the text of a declared
  // entity it refers to, that is neither predefined nor declared; "" if none.
  std::string FindUndeclared(std::string_view text) const {
    std::vector<std::string_view> pending{text};
    std::set<std::string_view> seen;
    while (!pending.empty()) {
      std::string_view t = pending.back();
      pending.pop_back();
      for (size_t amp = t.find('&'); amp != std::string_view::npos; amp = t.find('&', amp + 1)) {
        size_t semi = t.find(';', amp);
        if (semi == std::string_view::npos || t[amp + 1] == '#') continue;
        std::string_view name = t.substr(amp + 1, semi - amp - 1);
        if (IsPredefined(name) || !seen.insert(name).second) continue;
        auto found = texts_.find(std::string(name));
        if (found == texts_.end()) return std::string(name);
        pending.push_back(found->second);
      }
    }
    return {};
  }

 private:
  static bool IsPredefined(std::string_view name) {
    return name == "amp" || name == "lt" || name == "gt" || name == "quot" || name == "apos";
  }

  std::map<std::string, std::string> texts_;
};

// Builds the tree from expat's events under a staging element of the limbo,
// so that a failed load never shows a partial document. The nodes share one
// copy of each element and attribute name (see DocImpl::SetSharedName); a
// load that keeps the blank text between tags (the model's) shares that
// text too.
class Loader : public detail::EventSink {
  template <typename Handlers>
  friend void detail::SetTreeHandlers(XML_Parser parser, Handlers* data);

 public:
  // `impl` holds no shown node (see Cleared).
  Loader(DocImpl& impl, const detail::LoadOptions& options)
      : impl_(impl),
        keep_blank_text_(options.keep_blank_text),
        line_feed_marks_(options.keep_blank_text && detail::LineFeedMarksWork()) {
    staging_ = impl_.limbo.append_child(pugi::node_element);
    cur_ = staging_;
  }
  ~Loader() {
    if (parser_) XML_ParserFree(parser_);
  }
  Loader(const Loader&) = delete;
  Loader& operator=(const Loader&) = delete;

  // Parses the file in chunks; a small file costs a buffer of its own size
  // (0: size unknown).
  bool Run(std::FILE* file, size_t file_size) {
    size_t size = file_size == 0 ? kChunk : std::min(file_size + 1, kChunk);
    std::unique_ptr<char[]> buf(new char[size]);
    size_t n = std::fread(buf.get(), 1, size, file);
    if (std::ferror(file)) return Fail(-1, std::string("read error: ") + std::strerror(errno));
    if (!Start(std::string_view(buf.get(), n))) return false;
    while (true) {
      bool last = n < size;
      if (!Feed(std::string_view(buf.get(), n), last)) return false;
      if (last) break;
      n = std::fread(buf.get(), 1, size, file);
      if (std::ferror(file)) return Fail(-1, std::string("read error: ") + std::strerror(errno));
    }
    return Finish();
  }

  bool RunText(std::string_view text) { return Start(text) && Feed(text, true) && Finish(); }

  // ---- The parallel way (see GXRMdomParallelImpl.h) ----

  // Parses [0, split) of a UTF-8 `source` and builds its tree; false, with
  // the error set, when the document is refused there.
  bool RunHead(const Source& source, size_t split) {
    std::string head(std::min<size_t>(1024, source.size()), '\0');
    if (!source.Read(0, head.size(), head.data())) return Fail(-1, "read error");
    return Start(head) && FeedSource(source, 0, split, false);
  }
  // Parses the rest of `source` from `split` and finishes the tree.
  bool RunRest(const Source& source, size_t split) {
    return FeedSource(source, split, source.size(), true) && Finish();
  }
  // True when the document has a document type declaration, whose entities
  // the reading of the rest would not know.
  bool SawDocumentType() const { return doctype_; }
  // True when the part parsed ends between two tags inside the root: the
  // end tags of the elements open there complete it. The parser is done then.
  bool EndsBetweenTags() {
    if (cur_ == staging_) return false;
    std::string closing;
    for (pugi::xml_node n = cur_; n != staging_; n = n.parent())
      closing.append("</").append(n.name()).append(">");
    // Text before the division still comes to OnText; the end tags build nothing.
    XML_SetElementHandler(parser_, nullptr, nullptr);
    return XML_Parse(parser_, closing.data(), static_cast<int>(closing.size()), true) == XML_STATUS_OK;
  }
  // Finishes the tree once the rest is replayed; false when some element is still open.
  bool FinishReplayed() { return cur_ == staging_ && Finish(); }
  // Frees what was built, leaving no error: the document goes the strict way.
  void Discard() {
    if (staging_) detail::FreeSubtree(impl_.limbo, staging_);
    staging_ = pugi::xml_node();
  }

  void Start(const char* name, const char** atts, const uint32_t* lengths) override {
    if (dtd_unread_ && !AttributeEntitiesDeclared()) return;
    StartElement(name, atts, lengths);
  }
  void End() override { OnEnd(this, nullptr); }
  bool Close(const char* name) override {
    if (cur_ == staging_ || std::strcmp(cur_.name(), name) != 0) return false;
    OnEnd(this, nullptr);
    return true;
  }
  // Blank text of the epilogue, read as content, is no node.
  void Text(const char* text, int length) override {
    if (cur_ != staging_) OnText(this, text, length);
  }
  void Comment(const char* text) override { OnComment(this, text); }
  void Pi(const char* target, const char* data) override { OnPi(this, target, data); }
  void CdataStart() override { OnCdataStart(this); }
  void CdataEnd() override { OnCdataEnd(this); }

  bool Fail(long code, const std::string& reason) {
    if (impl_.parseError.reason.empty()) {
      impl_.parseError.errorCode = code;
      impl_.parseError.reason = reason;
    }
    if (staging_) detail::FreeSubtree(impl_.limbo, staging_);
    staging_ = pugi::xml_node();
    return false;
  }

 private:
  bool Start(std::string_view head) {
    chinese_ = IsChineseEncoding(head.substr(0, 1024));
    raw_encoding_ = chinese_ ? std::string() : RawEncoding(head.substr(0, 1024));
    parser_ = XML_ParserCreate(chinese_ ? "UTF-8" : nullptr);
    if (!parser_) return Fail(-1, "out of memory");
    detail::SetTreeHandlers(parser_, this);
    XML_SetXmlDeclHandler(parser_, OnXmlDecl);
    XML_SetSkippedEntityHandler(parser_, OnSkippedEntity);
    XML_SetExternalEntityRefHandler(parser_, OnExternalEntity);
    XML_SetNotStandaloneHandler(parser_, OnNotStandalone);
    XML_SetEntityDeclHandler(parser_, OnEntityDecl);
    XML_SetStartDoctypeDeclHandler(parser_, OnDoctype);
    return true;
  }

  bool Feed(std::string_view data, bool last) {
    if (chinese_) return FeedConverted(data, last);
    return Parse(data, last);
  }

  bool FeedSource(const Source& source, size_t at, size_t end, bool last) {
    std::string chunk;
    do {
      chunk.resize(std::min(kChunk, end - at));
      if (!source.Read(at, chunk.size(), chunk.data()))
        return Fail(-1, std::string("read error: ") + std::strerror(errno));
      at += chunk.size();
      if (!Parse(chunk, last && at == end)) return false;
    } while (at < end);
    return true;
  }

  // Converts a chunk of GBK-family bytes; an incomplete character at the end
  // waits for the next chunk.
  bool FeedConverted(std::string_view data, bool last) {
    pending_in_.append(data);
    std::string out;
    bool ok = false;
    size_t used = AppendGbkAsUtf8(pending_in_, out, last, ok);
    if (!ok) {
      return Fail(
          -1, "invalid byte sequence for the declared encoding at byte " + std::to_string(consumed_ + used));
    }
    consumed_ += used;
    pending_in_.erase(0, used);
    return Parse(out, last);
  }

  bool Parse(std::string_view data, bool last) {
    if (XML_Parse(parser_, data.data(), static_cast<int>(data.size()), last) == XML_STATUS_OK) {
      return true;
    }
    ParseError& e = impl_.parseError;
    if (e.reason.empty()) {
      e.errorCode = XML_GetErrorCode(parser_);
      e.reason = XML_ErrorString(XML_GetErrorCode(parser_));
    }
    e.line = static_cast<long>(XML_GetCurrentLineNumber(parser_));
    e.linepos = static_cast<long>(XML_GetCurrentColumnNumber(parser_)) + 1;
    e.filepos = static_cast<long>(XML_GetCurrentByteIndex(parser_));
    return Fail(e.errorCode, e.reason);
  }

  // Moves the parsed nodes to document level behind an optional declaration.
  bool Finish() {
    FlushText();
    pugi::xml_node after = impl_.limbo;
    if (!version_.empty()) {
      pugi::xml_node decl = impl_.InsertNewAtTop(after, pugi::node_declaration);
      decl.append_attribute("version").set_value(version_.c_str());
      decl.append_attribute("encoding").set_value("UTF-8");
      if (!standalone_.empty()) decl.append_attribute("standalone").set_value(standalone_.c_str());
      after = decl;
    }
    while (pugi::xml_node n = staging_.first_child()) {
      after = impl_.MoveToTop(n, after);
    }
    impl_.limbo.remove_child(staging_);
    staging_ = pugi::xml_node();
    return true;
  }

  void FlushText() {
    if (text_.empty()) return;
    if (!xml::IsWhiteSpace(text_)) {
      cur_.append_child(pugi::node_pcdata).set_value(text_.c_str());
    } else if (line_feed_marks_ && text_ == "\n" && cur_ != staging_ && !cur_.first_child() &&
               !detail::HasLeadingLineFeed(detail::RecordOf(cur_))) {
      detail::MarkLeadingLineFeed(cur_);
    } else if (keep_blank_text_) {
      impl_.SetSharedValue(cur_.append_child(pugi::node_pcdata), text_.c_str());
    }
    text_.clear();
  }

  static Loader& Self(void* data) { return *static_cast<Loader*>(data); }

  static void OnStart(void* data, const XML_Char* name, const XML_Char** atts) {
    Loader& l = Self(data);
    if (l.dtd_unread_ && !l.AttributeEntitiesDeclared()) return;
    l.StartElement(name, atts, nullptr);
  }

  // `lengths`, when known, saves measuring each value.
  void StartElement(const char* name, const char** atts, const uint32_t* lengths) {
    FlushText();
    pugi::xml_node e = cur_.append_child(pugi::node_element);
    impl_.SetSharedName(e, name);
    for (size_t i = 0; atts[2 * i]; ++i) {
      pugi::xml_attribute a = e.append_attribute("");
      impl_.SetSharedName(a, atts[2 * i]);
      const char* value = atts[2 * i + 1];
      a.set_value(value, lengths ? lengths[i] : std::strlen(value));
    }
    cur_ = e;
  }

  static void OnEnd(void* data, const XML_Char*) {
    Loader& l = Self(data);
    l.FlushText();
    l.cur_ = l.cur_.parent();
  }

  static void OnText(void* data, const XML_Char* s, int len) {
    Loader& l = Self(data);
    (l.in_cdata_ ? l.cdata_ : l.text_).append(s, static_cast<size_t>(len));
  }

  static void OnComment(void* data, const XML_Char* s) {
    Loader& l = Self(data);
    l.FlushText();
    l.cur_.append_child(pugi::node_comment).set_value(s);
  }

  static void OnPi(void* data, const XML_Char* target, const XML_Char* s) {
    Loader& l = Self(data);
    l.FlushText();
    pugi::xml_node pi = l.cur_.append_child(pugi::node_pi);
    pi.set_name(target);
    pi.set_value(s);
  }

  static void OnCdataStart(void* data) {
    Loader& l = Self(data);
    l.FlushText();
    l.in_cdata_ = true;
  }

  static void OnCdataEnd(void* data) {
    Loader& l = Self(data);
    l.cur_.append_child(pugi::node_cdata).set_value(l.cdata_.c_str());
    l.cdata_.clear();
    l.in_cdata_ = false;
  }

  static void OnXmlDecl(void* data, const XML_Char* version, const XML_Char*, int standalone) {
    Loader& l = Self(data);
    if (!version) return;
    l.version_ = version;
    if (standalone >= 0) l.standalone_ = standalone ? "yes" : "no";
  }

  // An entity whose declaration was never read would be lost: refuse it.
  static void OnSkippedEntity(void* data, const XML_Char* name, int) {
    Self(data).RefuseEntity(std::string("undefined entity '") + name + "'");
  }

  void RefuseEntity(const std::string& reason) {
    impl_.parseError.errorCode = XML_ERROR_UNDEFINED_ENTITY;
    impl_.parseError.reason = reason;
    XML_StopParser(parser_, XML_FALSE);
  }

  static void OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    Self(data).doctype_ = true;
  }

  // From here on expat drops unknown entities from attribute values.
  static int OnNotStandalone(void* data) {
    Self(data).dtd_unread_ = true;
    return XML_STATUS_OK;
  }

  static void OnEntityDecl(void* data, const XML_Char* name, int is_parameter, const XML_Char* value,
                           int length, const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*) {
    if (!is_parameter) Self(data).entities_.Declare(name, value, length);
  }

  // False, with the load stopped, when the raw text of the current start
  // tag refers to an entity that is not declared.
  bool AttributeEntitiesDeclared() {
    int offset = 0;
    int size = 0;
    const char* context = XML_GetInputContext(parser_, &offset, &size);
    int count = XML_GetCurrentByteCount(parser_);
    std::string tag;
    if (!context || count <= 0 || offset + count > size ||
        !RawToUtf8(raw_encoding_, std::string_view(context + offset, static_cast<size_t>(count)), tag)) {
      RefuseEntity("entity references in an attribute value cannot be checked");
      return false;
    }
    std::string name = entities_.FindUndeclared(tag);
    if (name.empty()) return true;
    RefuseEntity("undefined entity '" + name + "' in an attribute value");
    return false;
  }

  // External entities are never fetched.
  static int OnExternalEntity(XML_Parser, const XML_Char*, const XML_Char*, const XML_Char*,
                              const XML_Char*) {
    return XML_STATUS_ERROR;
  }

  DocImpl& impl_;
  bool keep_blank_text_;
  bool line_feed_marks_;
  XML_Parser parser_ = nullptr;
  bool chinese_ = false;
  std::string raw_encoding_;
  bool dtd_unread_ = false;
  bool doctype_ = false;
  DeclaredEntities entities_;
  pugi::xml_node staging_;
  pugi::xml_node cur_;
  std::string text_;
  std::string cdata_;
  bool in_cdata_ = false;
  std::string version_;
  std::string standalone_;
  std::string pending_in_;
  size_t consumed_ = 0;
};

// Empties the document for a load. The old content leaves the tree like
// removed nodes do: kept while a handle points into it, freed at once otherwise.
DocImpl& Cleared(DocImpl& impl) {
  impl.parseError = ParseError();
  bool dropped = false;
  while (pugi::xml_node n = impl.FirstShown()) {
    impl.TakeOut(n);
    dropped = true;
  }
  if (dropped) impl.Sweep();
  return impl;
}

size_t UsableCpus() {
  cpu_set_t set;
  return ::sched_getaffinity(0, sizeof set, &set) == 0 ? static_cast<size_t>(CPU_COUNT(&set)) : 1;
}

// Loads in progress in this process, each on one thread at least.
std::atomic<size_t> g_loads{0};

// Counts a load from its start to its end.
class Counted {
 public:
  Counted() { ++g_loads; }
  ~Counted() { --g_loads; }
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;
};

// True when a processor is free for a second thread beside every load in progress.
bool SecondThreadFree(const detail::LoadOptions& options) {
  return !options.one_thread && (options.divide_from != 0 || g_loads.load() + 1 <= UsableCpus());
}

// True when `source` may be read another way than the strict one: a large UTF-8 document.
bool IsLargeUtf8(const Source& source, const detail::LoadOptions& options) {
  if (source.size() == 0 || source.size() < options.parallel_from) return false;
  char head[1024];
  const size_t n = std::min(sizeof head, source.size());
  if (!source.Read(0, n, head)) return false;
  std::string_view text(head, n);
  const std::string encoding = DeclaredEncodingUpper(text);
  return RawEncoding(text).empty() && (encoding.empty() || encoding == "UTF-8");
}

// The share of the document the calling thread parses: it also builds the
// tree of the rest from the other thread's events (measured on the
// benchmarks' large model, with and without its layout).
constexpr double kHeadShare = 0.3;

// The calling thread's side of the parallel way. Sets `strict` when the
// document must be read again the strict way.
bool ParallelHead(Loader& loader, detail::RestReader& rest, const Source& source, size_t split,
                  bool& strict) {
  // A refusal in the part before may differ from the whole document's where
  // the part ends inside a token: the strict way gives the error.
  if (!loader.RunHead(source, split)) {
    strict = true;
    return false;
  }
  if (loader.SawDocumentType()) {
    rest.Cancel();
    return loader.RunRest(source, split);
  }
  strict =
      !loader.EndsBetweenTags() || !rest.Replay(loader) || !source.Unchanged() || !loader.FinishReplayed();
  return !strict;
}

// Reads `source` the parallel way when it can be divided; false when it
// must be read the strict way, with nothing built.
bool LoadInParallel(DocImpl& impl, const Source& source, const detail::LoadOptions& options, bool& loaded) {
  const size_t from = options.divide_from
                          ? options.divide_from
                          : static_cast<size_t>(source.size() * kHeadShare);
  const size_t split = detail::DivisionPoint(source, from);
  if (split == 0 || split >= source.size()) return false;
  detail::RestReader rest(source, split, options.keep_blank_text);
  Loader loader(impl, options);
  bool strict = false;
  // No thread to be had: the strict way needs none.
  if (!detail::BesideRest(rest, [&] { loaded = ParallelHead(loader, rest, source, split, strict); })) {
    loader.Discard();
    return false;
  }
  if (strict) {
    loader.Discard();
    impl.parseError = ParseError();
  }
  if (options.taken && loader.SawDocumentType()) *options.taken = detail::LoadPath::kStrict;
  return !strict;
}

// The share of the document the calling thread checks with expat, beside
// parsing it all with pugixml.
constexpr double kCheckedHeadShare = 0.3;

// Reads `source` with pugixml, checked by expat on two threads when `two`.
detail::CheckedLoad LoadCheckedBy(DocImpl& impl, const Source& source, const detail::LoadOptions& options,
                                  bool two) {
  using detail::CheckedLoad;
  using detail::LoadPath;
  const bool keep = options.keep_blank_text;
  if (!two) {
    const CheckedLoad outcome = detail::LoadCheckedOnOneThread(impl, source, keep);
    if (outcome == CheckedLoad::kLoaded && options.taken) *options.taken = LoadPath::kCheckedOnOneThread;
    return outcome;
  }
  const size_t from = options.divide_from
                          ? options.divide_from
                          : static_cast<size_t>(source.size() * kCheckedHeadShare);
  const size_t split = detail::DivisionPoint(source, from);
  if (split == 0 || split >= source.size()) return CheckedLoad::kOtherWay;
  const CheckedLoad outcome = detail::LoadChecked(impl, source, split, keep);
  if (outcome == CheckedLoad::kLoaded && options.taken) *options.taken = LoadPath::kChecked;
  return outcome;
}

// Loads `source` into `impl`. A large UTF-8 document is parsed by pugixml
// and checked by expat, on two threads when a processor is free, into a
// document that holds nothing; else on two threads it is read by expat in
// two parts. Any other document, and any those ways cannot take, is read
// by `strict`.
bool Load(DocImpl& impl, const Source& source, const detail::LoadOptions& options,
          const std::function<bool(Loader&)>& strict) {
  const Counted counted;
  Cleared(impl);
  if (options.taken) *options.taken = detail::LoadPath::kParallel;
  bool loaded = false;
  if (IsLargeUtf8(source, options)) {
    const bool two = SecondThreadFree(options);
    const detail::CheckedLoad checked =
        impl.HoldsNothing() ? LoadCheckedBy(impl, source, options, two) : detail::CheckedLoad::kOtherWay;
    if (checked == detail::CheckedLoad::kLoaded) return true;
    if (checked == detail::CheckedLoad::kOtherWay && two && LoadInParallel(impl, source, options, loaded)) {
      return loaded;
    }
  }
  if (options.taken) *options.taken = detail::LoadPath::kStrict;
  Loader loader(impl, options);
  return strict(loader);
}

bool LoadBytes(DocImpl& impl, std::string_view bytes, const detail::LoadOptions& options) {
  const Source source(bytes);
  return Load(impl, source, options, [&](Loader& loader) { return loader.RunText(bytes); });
}

}  // namespace

bool Document::load(const std::string& path) { return detail::LoadFile(*this, path, detail::LoadOptions()); }

bool detail::LoadFile(Document& doc, const std::string& path, const LoadOptions& options) {
  DocImpl& impl = Access::Require(doc, "load");
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  struct stat info;
  if (!file || ::fstat(::fileno(file.get()), &info) != 0) {
    const std::string reason = "cannot open '" + path + "': " + std::strerror(errno);
    return Loader(Cleared(impl), options).Fail(-1, reason);
  }
  // Only a regular file's size is known beforehand.
  const bool regular = S_ISREG(info.st_mode);
  const Source source = regular ? Source(::fileno(file.get()), info) : Source(std::string_view());
  const size_t size = regular ? static_cast<size_t>(info.st_size) : 0;
  return Load(impl, source, options, [&](Loader& loader) { return loader.Run(file.get(), size); });
}

bool Document::loadXML(std::string_view xml) {
  return LoadBytes(Access::Require(*this, "loadXML"), xml, detail::LoadOptions());
}

bool detail::LoadText(Document& doc, std::string_view bytes, const LoadOptions& options) {
  return LoadBytes(Access::Require(doc, "load"), bytes, options);
}

}  // namespace gxrm::dom
