// GXRMdomParallelImpl.h: reading the rest of a large document on a second thread.
//
// A large document is divided at an element start near its middle. The
// calling thread parses the part before it with expat and builds the tree;
// meanwhile a second thread parses the rest with expat, as the content of
// elements it does not know, and records expat's events. An end tag that
// closes one of those unknown elements ends a piece of the rest: the next
// piece is parsed the same way. When the first part is built, the calling
// thread checks that it ended between two tags and replays the recorded
// events into the tree, each closing end tag checked against the element it
// closes. Both parts are accepted exactly when the whole document is, and
// the events are those of one parse of the whole; anything unexpected sends
// the document the strict way, which gives its error.
#pragma once
// What the tests need is exported.

#include <expat.h>
#include <sys/stat.h>

#include <array>
#include <condition_variable>
#include <cstdint>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "core/GXRMapi.h"
#include "core/GXRMrecentImpl.h"

namespace gxrm::dom::detail {

// The bytes of a document: in memory, or in an open file read by ranges.
class GXRM_API Source {
 public:
  explicit Source(std::string_view bytes) : bytes_(bytes), size_(bytes.size()) {}
  Source(int fd, const struct stat& info) : fd_(fd), info_(info), size_(static_cast<size_t>(info.st_size)) {}

  size_t size() const { return size_; }
  // Copies [offset, offset + n) to `out`; false when the file cannot be read.
  bool Read(size_t offset, size_t n, char* out) const;
  // False when the file is no longer the one opened, unchanged.
  bool Unchanged() const;

 private:
  std::string_view bytes_;
  int fd_ = -1;
  struct stat info_ {};
  size_t size_;
};

// The first '<' at or after `from` that may begin a start tag (a '<' and
// the first byte of a name), looking no further than a few kilobytes;
// Source::size() when there is none.
GXRM_API size_t DivisionPoint(const Source& source, size_t from);

// The names a reading meets, numbered in the order first met. Open
// addressing over a hash taken while the name's end is found: names come by
// the million and are few.
class NameTable {
 public:
  // The number of `name`; `fresh` tells whether it was met for the first time.
  uint32_t Find(const char* name, bool& fresh);
  const std::string& Text(uint32_t id) const { return texts_[id]; }

 private:
  void Grow();
  std::vector<uint32_t> slots_ = std::vector<uint32_t>(64, 0);  // number + 1; 0: free
  std::vector<uint64_t> hashes_;                                // by number
  std::deque<std::string> texts_;                               // by number
};

// Recorded events: bytes added at the end, with no filling beforehand.
class Block {
 public:
  // `n` more bytes at the end, to be written.
  char* Room(size_t n) {
    if (size_ + n > capacity_) Grow(size_ + n);
    char* at = data_.get() + size_;
    size_ += n;
    return at;
  }
  const char* data() const { return data_.get(); }
  size_t size() const { return size_; }
  // Empties the block, keeping its memory.
  void Clear() { size_ = 0; }

 private:
  void Grow(size_t need);
  std::unique_ptr<char[]> data_;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

// Gives `parser` the handlers of the events a tree is built from: the static
// members OnStart, OnEnd, OnText, OnComment, OnPi, OnCdataStart and
// OnCdataEnd of `Handlers`, called with `data`.
template <typename Handlers>
void SetTreeHandlers(XML_Parser parser, Handlers* data) {
  XML_SetUserData(parser, data);
  XML_SetElementHandler(parser, Handlers::OnStart, Handlers::OnEnd);
  XML_SetCharacterDataHandler(parser, Handlers::OnText);
  XML_SetCommentHandler(parser, Handlers::OnComment);
  XML_SetProcessingInstructionHandler(parser, Handlers::OnPi);
  XML_SetCdataSectionHandler(parser, Handlers::OnCdataStart, Handlers::OnCdataEnd);
}

// What receives the replayed events: the tree builder.
class EventSink {
 public:
  virtual ~EventSink() = default;
  // `attributes` as expat gives them; `lengths` holds the length of each value.
  virtual void Start(const char* name, const char** attributes, const uint32_t* lengths) = 0;
  virtual void End() = 0;
  // The end tag of an element opened before the division; false when
  // `name` is not the element open there.
  virtual bool Close(const char* name) = 0;
  virtual void Text(const char* text, int length) = 0;
  virtual void Comment(const char* text) = 0;
  virtual void Pi(const char* target, const char* data) = 0;
  virtual void CdataStart() = 0;
  virtual void CdataEnd() = 0;
};

// Parses [from, size) of a document on the thread that calls Run, and
// hands the events to the thread that calls Replay, a block at a time.
class GXRM_API RestReader {
 public:
  // Blank text between tags is left out unless `keep_blank_text`, as the tree
  // leaves it out. Unless `content`, only the end tags of elements opened
  // before the division are recorded: the rest is checked, not built.
  RestReader(const Source& source, size_t from, bool keep_blank_text, bool content = true)
      : source_(source), from_(from), keep_blank_text_(keep_blank_text), content_(content) {}
  RestReader(const RestReader&) = delete;
  RestReader& operator=(const RestReader&) = delete;

  // Reads the rest; never raises.
  void Run() noexcept;
  // Makes Run stop soon, its reading failed.
  void Cancel();
  // Replays the events into `sink` as they come; false when the rest could
  // not be read as content and a closing epilogue, or a Close was refused.
  bool Replay(EventSink& sink);

 private:
  enum Kind : char { kStart, kEnd, kClose, kText, kComment, kPi, kCdataStart, kCdataEnd, kName };

  // ---- the reading thread ----
  bool ReadAll();
  // Parses one piece from `at`; sets `at` past the end tag that ends it.
  // True at the end of the document.
  bool ReadPiece(size_t& at, bool& ok);
  bool ClosingTag(size_t name_at, size_t& after, std::string& name) const;
  bool IsEpilogue(size_t at) const;
  void Put(Kind kind) { *block_.Room(1) = kind; }
  // Records the text met since the last other event: one event however
  // expat divided it, none when it is blank text the tree would drop.
  void FlushText();
  void PutNumber(uint32_t n);
  void PutText(const char* text, size_t length);  // length-prefixed, null-terminated
  // The number of `name`, which is given in the block the first time.
  uint32_t Intern(const char* name);
  // As Intern, for the attribute names of one parser, known by their address.
  uint32_t InternAttribute(const char* name);
  // As Intern, for the name of an element starting at the current depth.
  uint32_t InternElement(const char* name);
  void Publish(bool last, bool ok);
  bool Stopped();
  static void OnStart(void* data, const XML_Char* name, const XML_Char** atts);
  static void OnEnd(void* data, const XML_Char* name);
  static void OnText(void* data, const XML_Char* s, int len);
  static void OnComment(void* data, const XML_Char* s);
  static void OnPi(void* data, const XML_Char* target, const XML_Char* s);
  static void OnCdataStart(void* data);
  static void OnCdataEnd(void* data);
  // The element handlers when only the depth counts.
  static void OnDepthStart(void* data, const XML_Char* name, const XML_Char** atts);
  static void OnDepthEnd(void* data, const XML_Char* name);

  template <typename Handlers>
  friend void SetTreeHandlers(XML_Parser parser, Handlers* data);

  // ---- the replaying thread ----
  bool ReplayBlock(const Block& block, EventSink& sink);

  const Source& source_;
  const size_t from_;
  const bool keep_blank_text_;
  const bool content_;
  std::string text_;  // met since the last other event
  bool in_cdata_ = false;
  XML_Parser parser_ = nullptr;
  int depth_ = 0;  // open elements of the piece, its stand-in parent counted
  bool stand_in_closed_ = false;
  Block block_;
  NameTable names_;
  std::vector<uint32_t> ids_;  // of one start tag's attribute names
  struct AttributeSeen {
    const char* name = nullptr;
    uint32_t id = 0;
  };
  std::array<AttributeSeen, 256> attributes_seen_{};
  // The numbers of the latest element names of each depth.
  std::array<Recent<uint32_t>, 64> elements_seen_{};

  std::mutex lock_;
  std::condition_variable published_;
  std::deque<Block> blocks_;  // published, to be replayed
  std::vector<Block> spare_;  // replayed, to be written again
  bool done_ = false;
  bool ok_ = false;
  bool cancelled_ = false;
  std::vector<std::string> replay_names_;
};

// Runs `work` on the calling thread while `rest` reads on a second one,
// which is stopped and joined when `work` ends, or raises. False, with
// `work` not run, when no thread can be had.
template <typename Work>
bool BesideRest(RestReader& rest, Work&& work) {
  std::thread reader;
  try {
    reader = std::thread([&rest] { rest.Run(); });
  } catch (const std::system_error&) {
    return false;
  }
  struct Stop {
    RestReader& rest;
    std::thread& reader;
    ~Stop() {
      rest.Cancel();
      reader.join();
    }
  } stop{rest, reader};
  work();
  return true;
}

}  // namespace gxrm::dom::detail
