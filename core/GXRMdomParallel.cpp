// The parallel way of loading: pugixml builds, expat checks on two threads.
#include "core/GXRMdomParallelImpl.h"

#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "core/GXRMxmlchars.h"

namespace gxrm::dom::detail {

bool Source::Read(size_t offset, size_t n, char* out) const {
  if (fd_ < 0) {
    std::memcpy(out, bytes_.data() + offset, n);
    return true;
  }
  while (n > 0) {
    ssize_t got = ::pread(fd_, out, n, static_cast<off_t>(offset));
    if (got <= 0) return false;  // an error, or the file got shorter
    out += got;
    offset += static_cast<size_t>(got);
    n -= static_cast<size_t>(got);
  }
  return true;
}

bool Source::Unchanged() const {
  if (fd_ < 0) return true;
  struct stat now;
  return ::fstat(fd_, &now) == 0 && now.st_ino == info_.st_ino && now.st_dev == info_.st_dev &&
         now.st_size == info_.st_size && now.st_mtim.tv_sec == info_.st_mtim.tv_sec &&
         now.st_mtim.tv_nsec == info_.st_mtim.tv_nsec;
}

ExpatCheck::ExpatCheck() : parser_(XML_ParserCreate(nullptr)) {
  if (!parser_) throw std::bad_alloc();
}

bool ExpatCheck::Feed(const Source& source, size_t offset, size_t n, bool last) {
  void* buffer = XML_GetBuffer(parser_, static_cast<int>(n));
  if (!buffer || !source.Read(offset, n, static_cast<char*>(buffer))) return false;
  return XML_ParseBuffer(parser_, static_cast<int>(n), last) == XML_STATUS_OK;
}

bool ExpatCheck::Feed(std::string_view text, bool last) {
  return XML_Parse(parser_, text.data(), static_cast<int>(text.size()), last) == XML_STATUS_OK;
}

namespace {

size_t StartOf(pugi::xml_node element, const char* base) {
  return static_cast<size_t>(element.name() - base) - 1;  // the '<' before the name
}

Split MakeSplit(size_t offset, const std::vector<pugi::xml_node>& open) {
  Split split;
  split.offset = offset;
  for (pugi::xml_node e : open) split.opening.append("<").append(e.name()).append(">");
  for (auto e = open.rbegin(); e != open.rend(); ++e) split.closing.append("</").append(e->name()).append(">");
  return split;
}

}  // namespace

std::optional<Split> FindSplit(pugi::xml_node root, const char* base, size_t from) {
  // Each level holds the last element starting before `from`; an element at
  // or after it found deeper comes earlier in the document than one found
  // higher up.
  std::vector<pugi::xml_node> path{root};
  pugi::xml_node found;
  size_t found_depth = 0;
  while (true) {
    pugi::xml_node before;
    for (pugi::xml_node c = path.back().first_child(); c; c = c.next_sibling()) {
      if (c.type() != pugi::node_element) continue;
      if (StartOf(c, base) >= from) {
        found = c;
        found_depth = path.size();
        break;
      }
      before = c;
    }
    if (!before) break;
    path.push_back(before);
  }
  if (!found) return std::nullopt;
  path.resize(found_depth);
  return MakeSplit(StartOf(found, base), path);
}

namespace {

constexpr size_t kChunk = 256 << 10;  // what expat is fed at a time, in cache

unsigned int ParseOptions(bool keep_blank_text) {
  return pugi::parse_cdata | pugi::parse_comments | pugi::parse_pi | pugi::parse_declaration |
         pugi::parse_doctype | pugi::parse_escapes | pugi::parse_eol | pugi::parse_wconv_attribute |
         (keep_blank_text ? pugi::parse_ws_pcdata : 0);
}

// Line ends in a processing instruction, which pugixml leaves as they stand.
void NormalizeLineEnds(pugi::xml_node pi) {
  std::string value = pi.value();
  size_t out = 0;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') continue;
    value[out++] = value[i] == '\r' ? '\n' : value[i];
  }
  value.resize(out);
  pi.set_value(value.c_str());
}

// What pugixml keeps and the strict way does not: text that is white space
// only once its character references are replaced (when blank text is
// dropped), and carriage returns in processing instructions. One walk, no
// recursion.
void MatchStrictTree(pugi::xml_node doc, bool drop_blank_refs, bool pi_line_ends) {
  pugi::xml_node n = doc.first_child();
  while (n) {
    pugi::xml_node next = n.first_child();
    if (!next) {
      for (pugi::xml_node up = n; up && up != doc && !next; up = up.parent()) next = up.next_sibling();
    }
    if (drop_blank_refs && n.type() == pugi::node_pcdata && xml::IsWhiteSpace(n.value())) {
      n.parent().remove_child(n);
    } else if (pi_line_ends && n.type() == pugi::node_pi && std::strchr(n.value(), '\r')) {
      NormalizeLineEnds(n);
    }
    n = next;
  }
}

// The version and standalone of a parsed declaration, and "UTF-8" for the
// encoding, since the tree holds UTF-8 whatever the file's was.
void RewriteDeclaration(pugi::xml_node decl) {
  std::string version = decl.attribute("version").value();
  std::string standalone = decl.attribute("standalone").value();
  decl.remove_attributes();
  decl.append_attribute("version").set_value(version.c_str());
  decl.append_attribute("encoding").set_value("UTF-8");
  if (!standalone.empty()) decl.append_attribute("standalone").set_value(standalone.c_str());
}

bool HasDocumentType(pugi::xml_node doc) {
  for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling()) {
    if (n.type() == pugi::node_doctype) return true;
  }
  return false;
}

// The two threads' shared state: how far the calling thread has taken the
// bytes, and where the document is divided, decided once by the other.
class ParallelLoad {
 public:
  ParallelLoad(DocImpl& impl, const Source& source, const LoadOptions& options)
      : impl_(impl), source_(source), options_(options) {}

  // True when the tree stands and both threads accepted their part.
  bool Run() {
    std::thread builder;
    try {
      builder = std::thread([this] { BuildAndCheckRest(); });
    } catch (const std::system_error&) {
      return false;  // no thread to be had: the strict way needs none
    }
    bool head_ok = false;
    try {
      head_ok = CheckFromStart();
    } catch (...) {
      head_ok = false;
    }
    if (!head_ok) Cancel();
    builder.join();
    return head_ok && rest_ok_ && source_.Unchanged();
  }

 private:
  // The calling thread: expat from the first byte, to the end or to the split.
  bool CheckFromStart() {
    if (options_.divide_at_middle) WaitForDecision();
    ExpatCheck check;
    size_t at = 0;
    while (true) {
      size_t end;
      std::optional<size_t> split_at;
      std::string closing;
      {
        std::lock_guard<std::mutex> hold(lock_);
        if (cancelled_) return false;
        end = std::min(at + kChunk, source_.size());
        if (split_) {
          split_at = split_->offset;
          end = std::min(end, *split_at);
          closing = split_->closing;
        }
        claimed_ = end;
      }
      const bool whole = end == source_.size() && !split_at;
      if (!check.Feed(source_, at, end - at, whole)) return false;
      at = end;
      if (whole) return true;
      if (split_at && at == *split_at) return check.Feed(closing, true);
    }
  }

  // The other thread: the tree, the division, then expat on the rest.
  void BuildAndCheckRest() {
    try {
      rest_ok_ = Build() && CheckRest();
    } catch (...) {
      rest_ok_ = false;
    }
    if (!rest_ok_) Cancel();
    Decided();  // a calling thread still waiting goes on alone
  }

  bool Build() {
    const size_t size = source_.size();
    char* copy = static_cast<char*>(pugi::get_memory_allocation_function()(size));
    if (!copy) return false;
    if (!source_.Read(0, size, copy)) {
      pugi::get_memory_deallocation_function()(copy);
      return false;
    }
    std::string_view bytes(copy, size);
    const bool drop_blank_refs = !options_.keep_blank_text && bytes.find("&#") != std::string_view::npos;
    const bool pi_line_ends = bytes.find('\r') != std::string_view::npos;
    pugi::xml_parse_result parsed = impl_.doc.load_buffer_inplace_own(
        copy, size, ParseOptions(options_.keep_blank_text), pugi::encoding_utf8);
    if (!parsed || HasDocumentType(impl_.doc)) return false;
    pugi::xml_node root = impl_.doc.document_element();
    const char* base = root.name() - root.offset_debug();
    DivideFrom(root, base);
    if (drop_blank_refs || pi_line_ends) MatchStrictTree(impl_.doc, drop_blank_refs, pi_line_ends);
    return true;
  }

  // Divides the document halfway between the calling thread's place and the
  // end, each thread then having as much left to check.
  void DivideFrom(pugi::xml_node root, const char* base) {
    std::lock_guard<std::mutex> hold(lock_);
    if (cancelled_ || claimed_ == source_.size()) return;
    const size_t from = options_.divide_at_middle ? source_.size() / 2 : claimed_ + (source_.size() - claimed_) / 2;
    std::optional<Split> split = FindSplit(root, base, std::max(from, claimed_));
    if (!split) return;
    split_ = std::move(split);
    decided_ = true;
    decision_.notify_all();
  }

  bool CheckRest() {
    std::optional<Split> split;
    {
      std::lock_guard<std::mutex> hold(lock_);
      split = split_;
    }
    if (!split) return true;  // the calling thread checks the whole
    ExpatCheck check;
    if (!check.Feed(split->opening, false)) return false;
    for (size_t at = split->offset; at < source_.size(); at += kChunk) {
      if (Cancelled()) return false;
      const size_t n = std::min(kChunk, source_.size() - at);
      if (!check.Feed(source_, at, n, at + n == source_.size())) return false;
    }
    return true;
  }

  void WaitForDecision() {
    std::unique_lock<std::mutex> hold(lock_);
    decision_.wait(hold, [this] { return decided_; });
  }

  void Decided() {
    std::lock_guard<std::mutex> hold(lock_);
    decided_ = true;
    decision_.notify_all();
  }

  void Cancel() {
    std::lock_guard<std::mutex> hold(lock_);
    cancelled_ = true;
  }

  bool Cancelled() {
    std::lock_guard<std::mutex> hold(lock_);
    return cancelled_;
  }

  DocImpl& impl_;
  const Source& source_;
  const LoadOptions& options_;
  std::mutex lock_;
  std::condition_variable decision_;
  bool decided_ = false;
  bool cancelled_ = false;
  size_t claimed_ = 0;              // the calling thread feeds expat up to here
  std::optional<Split> split_;      // set once, under the lock
  bool rest_ok_ = false;
};

}  // namespace

bool LoadParallel(DocImpl& impl, const Source& source, const LoadOptions& options) {
  ParallelLoad load(impl, source, options);
  if (!load.Run()) {
    impl.doc.reset();
    impl.MakeLimbo();
    return false;
  }
  pugi::xml_node first = impl.doc.first_child();
  if (first.type() == pugi::node_declaration) RewriteDeclaration(first);
  impl.MakeLimbo();
  impl.Replaced();
  return true;
}

}  // namespace gxrm::dom::detail
