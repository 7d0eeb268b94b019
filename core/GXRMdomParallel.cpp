// Reading the rest of a large document on a second thread (see GXRMdomParallelImpl.h).
#include "core/GXRMdomParallelImpl.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <type_traits>

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

namespace {

constexpr size_t kChunk = 256 << 10;  // what expat is fed at a time, in cache
constexpr size_t kBlock = 256 << 10;  // what the reading thread hands over at a time
constexpr size_t kLookAhead = 64 << 10;
constexpr size_t kSpareBlocks = 8;
// The stand-in for the elements open before a piece of the rest.
constexpr std::string_view kStandIn = "<gxrm-rest>";
constexpr std::string_view kStandInEmpty = "<gxrm-rest/>";

bool MayBeginName(unsigned char c) { return std::isalpha(c) || c == '_' || c == ':' || c >= 0x80; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

struct ParserFree {
  void operator()(XML_Parser p) const { XML_ParserFree(p); }
};
using Parser = std::unique_ptr<std::remove_pointer_t<XML_Parser>, ParserFree>;

// Feeds [at, end) of `source` to `parser`; false when refused or unreadable.
bool FeedRange(XML_Parser parser, const Source& source, size_t at, size_t end, bool last) {
  do {
    const size_t n = std::min(kChunk, end - at);
    void* buffer = XML_GetBuffer(parser, static_cast<int>(n));
    if (!buffer || !source.Read(at, n, static_cast<char*>(buffer))) return false;
    at += n;
    if (XML_ParseBuffer(parser, static_cast<int>(n), last && at == end) != XML_STATUS_OK) return false;
  } while (at < end);
  return true;
}

}  // namespace

size_t DivisionPoint(const Source& source, size_t from) {
  if (from >= source.size()) return source.size();
  std::string window(std::min(kLookAhead, source.size() - from), '\0');
  if (!source.Read(from, window.size(), window.data())) return source.size();
  for (size_t i = 0; i + 1 < window.size(); ++i) {
    if (window[i] == '<' && MayBeginName(static_cast<unsigned char>(window[i + 1]))) return from + i;
  }
  return source.size();
}

// ---- The reading thread ----

void RestReader::Run() noexcept {
  bool ok = false;
  try {
    ok = ReadAll();
  } catch (...) {
    ok = false;
  }
  try {
    Publish(true, ok);
  } catch (...) {
    std::lock_guard<std::mutex> hold(lock_);
    done_ = true;
    ok_ = false;
    published_.notify_all();
  }
}

void RestReader::Cancel() {
  std::lock_guard<std::mutex> hold(lock_);
  cancelled_ = true;
}

bool RestReader::Stopped() {
  std::lock_guard<std::mutex> hold(lock_);
  return cancelled_;
}

bool RestReader::ReadAll() {
  for (size_t at = from_;;) {
    bool ok = true;
    const bool end = ReadPiece(at, ok);
    if (!ok) return false;
    if (end) return true;
  }
}

bool RestReader::ReadPiece(size_t& at, bool& ok) {
  auto fail = [&ok] {
    ok = false;
    return true;
  };
  Parser parser(XML_ParserCreate("UTF-8"));
  if (!parser) return fail();
  parser_ = parser.get();
  if (content_) {
    SetTreeHandlers(parser_, this);
  } else {
    XML_SetUserData(parser_, this);
    XML_SetElementHandler(parser_, OnDepthStart, OnDepthEnd);
  }
  depth_ = 0;
  stand_in_closed_ = false;
  text_.clear();
  in_cdata_ = false;
  attributes_seen_.fill({});
  if (XML_Parse(parser_, kStandIn.data(), static_cast<int>(kStandIn.size()), false) != XML_STATUS_OK) {
    return fail();
  }
  for (size_t pos = at;;) {
    if (Stopped()) return fail();
    const size_t n = std::min(kChunk, source_.size() - pos);
    const bool last = pos + n == source_.size();
    XML_Status status;
    if (n == 0) {
      status = XML_Parse(parser_, "", 0, true);
    } else {
      void* buffer = XML_GetBuffer(parser_, static_cast<int>(n));
      if (!buffer || !source_.Read(pos, n, static_cast<char*>(buffer))) return fail();
      status = XML_ParseBuffer(parser_, static_cast<int>(n), last);
    }
    if (status == XML_STATUS_OK) {
      pos += n;
      if (block_.size() >= kBlock) Publish(false, true);
      if (!last) continue;
    }
    if (stand_in_closed_) return fail();
    if (XML_GetErrorCode(parser_) == XML_ERROR_TAG_MISMATCH && depth_ == 1) {
      // An end tag of an element opened before the division: the piece ends.
      const size_t name_at = at + static_cast<size_t>(XML_GetCurrentByteIndex(parser_)) - kStandIn.size();
      std::string name;
      if (!ClosingTag(name_at, at, name)) return fail();
      FlushText();
      const uint32_t id = Intern(name.c_str());
      Put(kClose);
      PutNumber(id);
      return false;
    }
    // The end of the document inside the stand-in: what is left must be the
    // epilogue, whose text, all blank, the replay leaves out.
    FlushText();
    ok = last && depth_ == 1 && IsEpilogue(at);
    return true;
  }
}

bool RestReader::ClosingTag(size_t name_at, size_t& after, std::string& name) const {
  if (name_at < from_ + 2 || name_at >= source_.size()) return false;
  std::string tag(std::min(source_.size() - name_at, size_t{1} << 20) + 2, '\0');
  if (!source_.Read(name_at - 2, tag.size(), tag.data()) || tag.compare(0, 2, "</") != 0) return false;
  size_t end = 2;
  while (end < tag.size() && !IsBlank(tag[end]) && tag[end] != '>') ++end;
  name = tag.substr(2, end - 2);
  while (end < tag.size() && IsBlank(tag[end])) ++end;
  if (end == tag.size() || tag[end] != '>') return false;  // expat read the whole tag: not met
  after = name_at - 2 + end + 1;
  return !name.empty();
}

bool RestReader::IsEpilogue(size_t at) const {
  Parser parser(XML_ParserCreate("UTF-8"));
  if (!parser || XML_Parse(parser.get(), kStandInEmpty.data(), static_cast<int>(kStandInEmpty.size()),
                           false) != XML_STATUS_OK) {
    return false;
  }
  return at == source_.size() ? XML_Parse(parser.get(), "", 0, true) == XML_STATUS_OK
                              : FeedRange(parser.get(), source_, at, source_.size(), true);
}

void Block::Grow(size_t need) {
  const size_t capacity = std::max({need, 2 * capacity_, kBlock + 4096});
  std::unique_ptr<char[]> data(new char[capacity]);
  if (size_ > 0) std::memcpy(data.get(), data_.get(), size_);
  data_ = std::move(data);
  capacity_ = capacity;
}

void RestReader::PutText(const char* text, size_t length) {
  const auto n = static_cast<uint32_t>(length);
  char* out = block_.Room(sizeof n + length + 1);
  std::memcpy(out, &n, sizeof n);
  std::memcpy(out + sizeof n, text, length);
  out[sizeof n + length] = '\0';
}

uint32_t NameTable::Find(const char* name, bool& fresh) {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  const char* end = name;
  for (; *end; ++end) hash = (hash ^ static_cast<unsigned char>(*end)) * 1099511628211ull;
  const std::string_view text(name, static_cast<size_t>(end - name));
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const uint32_t slot = slots_[i];
    if (slot == 0) {
      fresh = true;
      const auto id = static_cast<uint32_t>(texts_.size());
      texts_.emplace_back(text);
      hashes_.push_back(hash);
      slots_[i] = id + 1;
      if (2 * texts_.size() > slots_.size()) Grow();
      return id;
    }
    if (hashes_[slot - 1] == hash && texts_[slot - 1] == text) {
      fresh = false;
      return slot - 1;
    }
  }
}

void NameTable::Grow() {
  std::vector<uint32_t> slots(2 * slots_.size(), 0);
  const size_t mask = slots.size() - 1;
  for (uint32_t id = 0; id < texts_.size(); ++id) {
    size_t i = hashes_[id] & mask;
    while (slots[i] != 0) i = (i + 1) & mask;
    slots[i] = id + 1;
  }
  slots_.swap(slots);
}

uint32_t RestReader::Intern(const char* name) {
  bool fresh = false;
  const uint32_t id = names_.Find(name, fresh);
  if (fresh) {
    Put(kName);
    PutText(name, names_.Text(id).size());
  }
  return id;
}

uint32_t RestReader::InternAttribute(const char* name) {
  // expat keeps one copy of each attribute name for the whole parse.
  AttributeSeen& seen = attributes_seen_[(reinterpret_cast<uintptr_t>(name) >> 3) % attributes_seen_.size()];
  if (seen.name != name) seen = {name, Intern(name)};
  return seen.id;
}

uint32_t RestReader::InternElement(const char* name) {
  // The elements of one depth have few names: those lately met there are tried first.
  Recent<uint32_t>& recent = elements_seen_[static_cast<size_t>(depth_) % elements_seen_.size()];
  const uint32_t* seen =
      recent.Find([&](uint32_t id) { return std::strcmp(names_.Text(id).c_str(), name) == 0; });
  if (seen) return *seen;
  const uint32_t id = Intern(name);
  recent.Push(id);
  return id;
}

void RestReader::PutNumber(uint32_t n) { std::memcpy(block_.Room(sizeof n), &n, sizeof n); }

void RestReader::Publish(bool last, bool ok) {
  std::lock_guard<std::mutex> hold(lock_);
  if (block_.size() > 0) blocks_.push_back(std::move(block_));
  block_ = Block();
  // A block replayed already serves again: fresh memory costs page faults.
  if (!spare_.empty()) {
    block_ = std::move(spare_.back());
    spare_.pop_back();
  }
  if (last) {
    done_ = true;
    ok_ = ok;
  }
  published_.notify_all();
}

void RestReader::OnStart(void* data, const XML_Char* name, const XML_Char** atts) {
  RestReader& r = *static_cast<RestReader*>(data);
  if (r.depth_++ == 0) return;  // the stand-in
  r.FlushText();
  // Names are given before the record that uses them.
  r.ids_.clear();
  for (const XML_Char** a = atts; *a; a += 2) r.ids_.push_back(r.InternAttribute(a[0]));
  const uint32_t id = r.InternElement(name);
  r.Put(kStart);
  r.PutNumber(id);
  r.PutNumber(static_cast<uint32_t>(r.ids_.size()));
  for (size_t i = 0; i < r.ids_.size(); ++i) {
    r.PutNumber(r.ids_[i]);
    r.PutText(atts[2 * i + 1], std::strlen(atts[2 * i + 1]));
  }
}

void RestReader::OnEnd(void* data, const XML_Char*) {
  RestReader& r = *static_cast<RestReader*>(data);
  r.FlushText();
  if (--r.depth_ == 0) {
    // The document's own end tag of that name: not what this reading expects.
    r.stand_in_closed_ = true;
    XML_StopParser(r.parser_, XML_FALSE);
    return;
  }
  r.Put(kEnd);
}

void RestReader::OnDepthStart(void* data, const XML_Char*, const XML_Char**) {
  ++static_cast<RestReader*>(data)->depth_;
}

void RestReader::OnDepthEnd(void* data, const XML_Char*) {
  RestReader& r = *static_cast<RestReader*>(data);
  if (--r.depth_ == 0) {
    r.stand_in_closed_ = true;
    XML_StopParser(r.parser_, XML_FALSE);
  }
}

void RestReader::OnText(void* data, const XML_Char* s, int len) {
  static_cast<RestReader*>(data)->text_.append(s, static_cast<size_t>(len));
}

void RestReader::FlushText() {
  if (text_.empty()) return;
  if (keep_blank_text_ || in_cdata_ || !xml::IsWhiteSpace(text_)) {
    Put(kText);
    PutText(text_.data(), text_.size());
  }
  text_.clear();
}

void RestReader::OnComment(void* data, const XML_Char* s) {
  RestReader& r = *static_cast<RestReader*>(data);
  r.FlushText();
  r.Put(kComment);
  r.PutText(s, std::strlen(s));
}

void RestReader::OnPi(void* data, const XML_Char* target, const XML_Char* s) {
  RestReader& r = *static_cast<RestReader*>(data);
  r.FlushText();
  r.Put(kPi);
  r.PutText(target, std::strlen(target));
  r.PutText(s, std::strlen(s));
}

void RestReader::OnCdataStart(void* data) {
  RestReader& r = *static_cast<RestReader*>(data);
  r.FlushText();
  r.Put(kCdataStart);
  r.in_cdata_ = true;
}

void RestReader::OnCdataEnd(void* data) {
  RestReader& r = *static_cast<RestReader*>(data);
  r.FlushText();
  r.Put(kCdataEnd);
  r.in_cdata_ = false;
}

// ---- The replaying thread ----

bool RestReader::Replay(EventSink& sink) {
  while (true) {
    Block block;
    {
      std::unique_lock<std::mutex> hold(lock_);
      published_.wait(hold, [this] { return !blocks_.empty() || done_; });
      if (blocks_.empty()) return ok_;
      block = std::move(blocks_.front());
      blocks_.pop_front();
    }
    if (!ReplayBlock(block, sink)) {
      Cancel();
      return false;
    }
    block.Clear();
    std::lock_guard<std::mutex> hold(lock_);
    if (spare_.size() < kSpareBlocks) spare_.push_back(std::move(block));
  }
}

namespace {

// Reads the records of one block in order.
class Records {
 public:
  explicit Records(const Block& block) : block_(block) {}
  bool Done() const { return at_ >= block_.size(); }
  char Kind() { return block_.data()[at_++]; }
  uint32_t Number() {
    uint32_t n;
    std::memcpy(&n, block_.data() + at_, sizeof n);
    at_ += sizeof n;
    return n;
  }
  // A text and its length; null-terminated in the block.
  const char* Text(uint32_t& length) {
    length = Number();
    const char* text = block_.data() + at_;
    at_ += length + 1;
    return text;
  }
  const char* Text() {
    uint32_t length;
    return Text(length);
  }

 private:
  const Block& block_;
  size_t at_ = 0;
};

}  // namespace

bool RestReader::ReplayBlock(const Block& block, EventSink& sink) {
  Records in(block);
  std::vector<const char*> atts;
  std::vector<uint32_t> lengths;
  while (!in.Done()) {
    switch (in.Kind()) {
      case kName:
        replay_names_.emplace_back(in.Text());
        break;
      case kStart: {
        const char* name = replay_names_[in.Number()].c_str();
        atts.clear();
        lengths.clear();
        for (uint32_t n = in.Number(); n > 0; --n) {
          atts.push_back(replay_names_[in.Number()].c_str());
          atts.push_back(in.Text(lengths.emplace_back()));
        }
        atts.push_back(nullptr);
        sink.Start(name, atts.data(), lengths.data());
        break;
      }
      case kEnd:
        sink.End();
        break;
      case kClose:
        if (!sink.Close(replay_names_[in.Number()].c_str())) return false;
        break;
      case kText: {
        uint32_t length;
        const char* text = in.Text(length);
        sink.Text(text, static_cast<int>(length));
        break;
      }
      case kComment:
        sink.Comment(in.Text());
        break;
      case kPi: {
        const char* target = in.Text();
        sink.Pi(target, in.Text());
        break;
      }
      case kCdataStart:
        sink.CdataStart();
        break;
      case kCdataEnd:
        sink.CdataEnd();
        break;
      default:
        return false;
    }
  }
  return true;
}

}  // namespace gxrm::dom::detail
