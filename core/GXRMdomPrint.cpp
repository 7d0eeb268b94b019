#include "core/GXRMdomPrint.h"

#include <array>
#include <cstring>
#include <memory>

#include "core/GXRMrecordImpl.h"

namespace gxrm::dom::detail {

namespace {

constexpr unsigned kFormat = pugi::format_raw | pugi::format_no_declaration;

// Which bytes a context writes as references: every control character but
// those it may hold literally, and the markup characters it names.
using Specials = std::array<bool, 256>;

constexpr Specials MakeSpecials(const char* markup, const char* literal_controls) {
  Specials s{};
  for (int c = 0; c < 0x20; ++c) s[c] = true;
  for (const char* p = literal_controls; *p; ++p) s[static_cast<unsigned char>(*p)] = false;
  for (const char* p = markup; *p; ++p) s[static_cast<unsigned char>(*p)] = true;
  return s;
}

// Attribute values keep tabs and line breaks as references too; text content
// keeps tabs and line feeds, and writes a carriage return as a reference,
// which a parser does not turn into a line feed.
constexpr Specials kAttributeSpecials = MakeSpecials("&<\"", "");
constexpr Specials kTextSpecials = MakeSpecials("&<>", "\t\n");

// Collects the text in a fixed buffer and hands it to the writer in large
// pieces; appending is a bounds check and a copy.
class Output {
 public:
  explicit Output(pugi::xml_writer& writer) : writer_(writer) {}
  ~Output() { Flush(); }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  void Append(const char* data, size_t size) {
    if (size <= kSize - used_) {
      std::memcpy(buf_.get() + used_, data, size);
      used_ += size;
      return;
    }
    Flush();
    writer_.write(data, size);
  }
  void Append(const char* text) { Append(text, std::strlen(text)); }
  void Append(char c) { Append(&c, 1); }

  void Flush() {
    if (used_ != 0) writer_.write(buf_.get(), used_);
    used_ = 0;
  }

 private:
  static constexpr size_t kSize = 64 * 1024;
  pugi::xml_writer& writer_;
  std::unique_ptr<char[]> buf_{new char[kSize]};
  size_t used_ = 0;
};

void AppendReference(Output& out, unsigned char c) {
  switch (c) {
    case '&':
      out.Append("&amp;", 5);
      return;
    case '<':
      out.Append("&lt;", 4);
      return;
    case '>':
      out.Append("&gt;", 4);
      return;
    case '"':
      out.Append("&quot;", 6);
      return;
    default:
      break;
  }
  const char ref[] = {'&', '#', static_cast<char>('0' + c / 10), static_cast<char>('0' + c % 10), ';'};
  out.Append(ref, sizeof ref);
}

// Appends `text` with the bytes `specials` marks written as references. The
// terminating NUL is marked too, which ends the scan.
void AppendEscaped(Output& out, const char* text, const Specials& specials) {
  for (const char* run = text;; ++run) {
    const char* p = run;
    while (!specials[static_cast<unsigned char>(*p)]) ++p;
    out.Append(run, static_cast<size_t>(p - run));
    if (!*p) return;
    AppendReference(out, static_cast<unsigned char>(*p));
    run = p;
  }
}

template <typename View>
void AppendStartTag(Output& out, typename View::Node element) {
  out.Append('<');
  out.Append(View::Name(element));
  for (typename View::Attribute a = View::FirstAttribute(element); a; a = View::Next(a)) {
    out.Append(' ');
    out.Append(View::Name(a));
    out.Append("=\"", 2);
    AppendEscaped(out, View::Value(a), kAttributeSpecials);
    out.Append('"');
  }
  if (View::LeadingLineFeed(element)) {
    out.Append(">\n", 2);
  } else if (View::FirstChild(element)) {
    out.Append('>');
  } else {
    out.Append("/>", 2);
  }
}

template <typename View>
void AppendEndTag(Output& out, typename View::Node element) {
  out.Append("</", 2);
  out.Append(View::Name(element));
  out.Append('>');
}

// Comments, processing instructions, CDATA and declarations are written as
// pugixml writes them; they are rare, and nothing in them needs changing.
class ForeignWriter : public pugi::xml_writer {
 public:
  explicit ForeignWriter(Output& out) : out_(out) {}
  void write(const void* data, size_t size) override { out_.Append(static_cast<const char*>(data), size); }

 private:
  Output& out_;
};

// Everything of a node but its children and its end tag.
template <typename View>
void AppendOpening(Output& out, typename View::Node n) {
  switch (View::Type(n)) {
    case pugi::node_element:
      AppendStartTag<View>(out, n);
      return;
    case pugi::node_pcdata:
      AppendEscaped(out, View::Value(n), kTextSpecials);
      return;
    default: {
      ForeignWriter writer(out);
      View::AsPugi(n).print(writer, "", kFormat, pugi::encoding_utf8);
    }
  }
}

// Writes one node and everything below it, depth first, by walking the tree.
template <typename View>
void PrintTree(typename View::Node top, Output& out) {
  typename View::Node n = top;
  while (true) {
    AppendOpening<View>(out, n);
    if (View::Type(n) == pugi::node_element && View::FirstChild(n)) {
      n = View::FirstChild(n);
      continue;
    }
    // A line feed alone is content too: its element has an end tag.
    if (View::Type(n) == pugi::node_element && View::LeadingLineFeed(n)) AppendEndTag<View>(out, n);
    // Close the elements this node was the last child of.
    while (n != top && !View::NextSibling(n)) {
      n = View::Parent(n);
      AppendEndTag<View>(out, n);
    }
    if (n == top) return;
    n = View::NextSibling(n);
  }
}

}  // namespace

void PrintNodes(pugi::xml_node first, pugi::xml_writer& writer) {
  Output output(writer);
  for (pugi::xml_node n = first; n; n = n.next_sibling()) {
    if (RecordsMatch()) {
      PrintTree<RecordView>(RecordOf(n), output);
    } else {
      PrintTree<PugiView>(n, output);
    }
  }
}

}  // namespace gxrm::dom::detail
