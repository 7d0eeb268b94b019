#include "core/GXRMdomPrint.h"

#include <array>
#include <string>

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

// Collects the text and hands it to the writer in large pieces.
class Output {
 public:
  explicit Output(pugi::xml_writer& writer) : writer_(writer) { buf_.reserve(kFlushAt + 4096); }
  ~Output() { Flush(); }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  std::string& Text() { return buf_; }

  void FlushIfFull() {
    if (buf_.size() >= kFlushAt) Flush();
  }

  void Flush() {
    if (!buf_.empty()) writer_.write(buf_.data(), buf_.size());
    buf_.clear();
  }

 private:
  static constexpr size_t kFlushAt = 64 * 1024;
  pugi::xml_writer& writer_;
  std::string buf_;
};

void AppendReference(std::string& out, unsigned char c) {
  switch (c) {
    case '&':
      out += "&amp;";
      return;
    case '<':
      out += "&lt;";
      return;
    case '>':
      out += "&gt;";
      return;
    case '"':
      out += "&quot;";
      return;
    default:
      break;
  }
  const char ref[] = {'&', '#', static_cast<char>('0' + c / 10), static_cast<char>('0' + c % 10), ';'};
  out.append(ref, sizeof ref);
}

// Appends `text` with the bytes `specials` marks written as references. The
// terminating NUL is marked too, which ends the scan.
void AppendEscaped(std::string& out, const char* text, const Specials& specials) {
  for (const char* run = text;; ++run) {
    const char* p = run;
    while (!specials[static_cast<unsigned char>(*p)]) ++p;
    out.append(run, static_cast<size_t>(p - run));
    if (!*p) return;
    AppendReference(out, static_cast<unsigned char>(*p));
    run = p;
  }
}

void AppendStartTag(std::string& out, pugi::xml_node element) {
  out += '<';
  out += element.name();
  for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
    out += ' ';
    out += a.name();
    out += "=\"";
    AppendEscaped(out, a.value(), kAttributeSpecials);
    out += '"';
  }
  out += element.first_child() ? ">" : "/>";
}

void AppendEndTag(std::string& out, pugi::xml_node element) {
  out += "</";
  out += element.name();
  out += '>';
}

// Comments, processing instructions, CDATA and declarations are written as
// pugixml writes them; they are rare, and nothing in them needs changing.
class ForeignWriter : public pugi::xml_writer {
 public:
  explicit ForeignWriter(std::string& out) : out_(out) {}
  void write(const void* data, size_t size) override { out_.append(static_cast<const char*>(data), size); }

 private:
  std::string& out_;
};

// Everything of a node but its children and its end tag.
void AppendOpening(std::string& out, pugi::xml_node n) {
  switch (n.type()) {
    case pugi::node_element:
      AppendStartTag(out, n);
      return;
    case pugi::node_pcdata:
      AppendEscaped(out, n.value(), kTextSpecials);
      return;
    default: {
      ForeignWriter writer(out);
      n.print(writer, "", kFormat, pugi::encoding_utf8);
    }
  }
}

// Writes one node and everything below it, depth first, by walking the tree.
void PrintTree(pugi::xml_node top, Output& output) {
  std::string& out = output.Text();
  pugi::xml_node n = top;
  while (true) {
    AppendOpening(out, n);
    output.FlushIfFull();
    if (n.type() == pugi::node_element && n.first_child()) {
      n = n.first_child();
      continue;
    }
    // Close the elements this node was the last child of.
    while (n != top && !n.next_sibling()) {
      n = n.parent();
      AppendEndTag(out, n);
    }
    if (n == top) return;
    n = n.next_sibling();
  }
}

}  // namespace

void PrintNodes(pugi::xml_node first, pugi::xml_writer& writer) {
  Output output(writer);
  for (pugi::xml_node n = first; n; n = n.next_sibling()) PrintTree(n, output);
}

}  // namespace gxrm::dom::detail
