// xlsx_reader.cpp: the first sheet of an XLSX workbook as text cells, read
// with libzip and expat (no XLSX reader is packaged for the system).
#include <expat.h>
#include <zip.h>

#include <cstring>
#include <exception>
#include <map>
#include <memory>

#include "../tool.h"
#include "xlsx.h"

namespace gxrm::tool::table {
namespace {

constexpr std::size_t kPartLimit = std::size_t{1} << 30;  // a larger part is no sheet of ours
constexpr std::size_t kColumnLimit = 16384;               // XFD, a sheet's last column
constexpr char kSharedStringsType[] = "/sharedStrings";

// One ZIP archive in memory.
class Archive {
 public:
  Archive(std::string_view bytes, const std::string& name) : name_(name) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source != nullptr) archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (archive_ == nullptr) {
      if (source != nullptr) zip_source_free(source);
      const std::string reason = zip_error_strerror(&error);
      zip_error_fini(&error);
      throw ToolError(name_ + ": not an XLSX workbook (" + reason + ")");
    }
    zip_error_fini(&error);
  }
  ~Archive() { zip_discard(archive_); }
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  // The bytes of the part at `path`.
  std::string Part(const std::string& path) const {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(archive_, path.c_str(), 0, &stat) != 0)
      throw ToolError(name_ + ": the workbook has no " + path);
    if (stat.size > kPartLimit) throw ToolError(name_ + ": " + path + " is too large");
    std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(zip_fopen(archive_, path.c_str(), 0), zip_fclose);
    std::string bytes(stat.size, '\0');
    if (!file || zip_fread(file.get(), bytes.data(), bytes.size()) != static_cast<zip_int64_t>(bytes.size()))
      throw ToolError(name_ + ": " + path + " cannot be read from the workbook");
    return bytes;
  }

 private:
  std::string name_;
  zip_t* archive_ = nullptr;
};

using Attributes = std::map<std::string, std::string>;

// Receives the elements of one XML part by local name, namespaces dropped.
class XmlHandler {
 public:
  virtual ~XmlHandler() = default;
  virtual void Start(const std::string& name, const Attributes& attributes) = 0;
  virtual void End(const std::string& name) = 0;
  virtual void Text(std::string_view) {}
};

std::string LocalName(const char* name) {
  const char* separator = std::strrchr(name, ' ');
  return separator == nullptr ? name : separator + 1;
}

// What the expat callbacks share; an exception is kept and raised after the
// parser stops, never thrown through expat's own frames.
struct ParseContext {
  XML_Parser parser;
  XmlHandler& handler;
  std::exception_ptr error;
};

template <typename Call>
void Guarded(void* data, Call&& call) {
  auto* context = static_cast<ParseContext*>(data);
  if (context->error) return;
  try {
    call(context->handler);
  } catch (...) {
    context->error = std::current_exception();
    XML_StopParser(context->parser, XML_FALSE);
  }
}

void OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
  Guarded(data, [&](XmlHandler& handler) {
    Attributes map;
    for (std::size_t i = 0; attributes[i] != nullptr; i += 2)
      map[LocalName(attributes[i])] = attributes[i + 1];
    handler.Start(LocalName(name), map);
  });
}

void OnEnd(void* data, const XML_Char* name) {
  Guarded(data, [&](XmlHandler& handler) { handler.End(LocalName(name)); });
}

void OnText(void* data, const XML_Char* text, int length) {
  Guarded(data, [&](XmlHandler& handler) {
    handler.Text(std::string_view(text, static_cast<std::size_t>(length)));
  });
}

void ParseXml(const std::string& xml, XmlHandler& handler, const std::string& where) {
  std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(XML_ParserCreateNS("UTF-8", ' '),
                                                                 XML_ParserFree);
  if (!parser) throw std::bad_alloc();
  ParseContext context{parser.get(), handler, nullptr};
  XML_SetUserData(parser.get(), &context);
  XML_SetElementHandler(parser.get(), OnStart, OnEnd);
  XML_SetCharacterDataHandler(parser.get(), OnText);
  const XML_Status status = XML_Parse(parser.get(), xml.data(), static_cast<int>(xml.size()), XML_TRUE);
  if (context.error) std::rethrow_exception(context.error);
  if (status == XML_STATUS_ERROR) {
    throw ToolError(where + ": line " + std::to_string(XML_GetCurrentLineNumber(parser.get())) + ": " +
                    XML_ErrorString(XML_GetErrorCode(parser.get())));
  }
}

std::string Get(const Attributes& attributes, const char* name) {
  const auto found = attributes.find(name);
  return found == attributes.end() ? std::string() : found->second;
}

// The relation id of the workbook's first sheet.
struct FirstSheet : XmlHandler {
  std::string id;
  void Start(const std::string& name, const Attributes& attributes) override {
    if (name == "sheet" && id.empty()) id = Get(attributes, "id");
  }
  void End(const std::string&) override {}
};

// The workbook's relations: the first sheet's part and the shared strings part.
struct Relations : XmlHandler {
  std::string sheet_id, sheet, shared_strings;
  void Start(const std::string& name, const Attributes& attributes) override {
    if (name != "Relationship") return;
    const std::string type = Get(attributes, "Type");
    if (Get(attributes, "Id") == sheet_id) sheet = Get(attributes, "Target");
    if (type.size() >= std::strlen(kSharedStringsType) &&
        type.compare(type.size() - std::strlen(kSharedStringsType), std::string::npos, kSharedStringsType) ==
            0)
      shared_strings = Get(attributes, "Target");
  }
  void End(const std::string&) override {}
};

// Text of "t" elements, phonetic runs ("rPh") left out: a shared string or an inline one.
struct RunText {
  int in_text = 0, in_phonetic = 0;
  std::string text;
  void Start(const std::string& name) {
    in_text += name == "t";
    in_phonetic += name == "rPh";
  }
  void End(const std::string& name) {
    in_text -= name == "t";
    in_phonetic -= name == "rPh";
  }
  void Text(std::string_view part) {
    if (in_text > 0 && in_phonetic == 0) text += part;
  }
};

struct SharedStrings : XmlHandler {
  std::vector<std::string> strings;
  RunText run;
  void Start(const std::string& name, const Attributes&) override {
    if (name == "si") run.text.clear();
    run.Start(name);
  }
  void End(const std::string& name) override {
    run.End(name);
    if (name == "si") strings.push_back(std::move(run.text));
  }
  void Text(std::string_view part) override { run.Text(part); }
};

// "B12" to the column index 1; `next` when the reference is absent.
std::size_t ColumnOf(const std::string& reference, std::size_t next, const std::string& where) {
  if (reference.empty()) return next;
  std::size_t column = 0, i = 0;
  for (; i < reference.size() && reference[i] >= 'A' && reference[i] <= 'Z'; ++i) {
    column = column * 26 + static_cast<std::size_t>(reference[i] - 'A' + 1);
    if (column > kColumnLimit) break;
  }
  if (i == 0 || column > kColumnLimit) throw ToolError(where + ": bad cell reference " + Quoted(reference));
  return column - 1;
}

struct Sheet : XmlHandler {
  const std::vector<std::string>& shared;
  std::string where;
  Grid grid;
  Row row;
  std::size_t row_number = 0, column = 0;
  std::string type, value;
  bool in_value = false;
  RunText run;

  Sheet(const std::vector<std::string>& strings, std::string part)
      : shared(strings), where(std::move(part)) {}

  void Start(const std::string& name, const Attributes& attributes) override {
    if (name == "row") {
      const std::string r = Get(attributes, "r");
      row_number = r.empty() ? row_number + 1 : std::stoul(r);
      row.clear();
      column = 0;
    } else if (name == "c") {
      column = ColumnOf(Get(attributes, "r"), column, where);
      type = Get(attributes, "t");
      value.clear();
      run.text.clear();
    } else if (name == "v") {
      in_value = true;
    }
    run.Start(name);
  }
  void End(const std::string& name) override {
    run.End(name);
    if (name == "v") in_value = false;
    if (name == "c") EndCell();
    if (name == "row" && !Blank(row)) {
      grid.rows.push_back(std::move(row));
      grid.numbers.push_back(row_number);
    }
  }
  void Text(std::string_view part) override {
    if (in_value) value += part;
    run.Text(part);
  }
  void EndCell() {
    std::string text = value;
    if (type == "inlineStr") {
      text = run.text;
    } else if (type == "s") {
      const std::size_t index = value.empty() ? shared.size() : std::stoul(value);
      if (index >= shared.size()) throw ToolError(where + ": no shared string " + value);
      text = shared[index];
    }
    if (row.size() <= column) row.resize(column + 1);
    row[column] = std::move(text);
    ++column;
  }
};

// A target in the relations, as a path inside the archive.
std::string PartPath(const std::string& target) {
  return target.rfind('/', 0) == 0 ? target.substr(1) : "xl/" + target;
}

}  // namespace

bool LooksLikeXlsx(std::string_view bytes) { return bytes.substr(0, 4) == std::string_view("PK\x03\x04", 4); }

Grid ReadXlsx(std::string_view bytes, const std::string& name) {
  const Archive archive(bytes, name);
  FirstSheet first;
  ParseXml(archive.Part("xl/workbook.xml"), first, name + ": xl/workbook.xml");
  Relations relations;
  if (first.id.empty()) throw ToolError(name + ": the workbook has no sheet");
  relations.sheet_id = first.id;
  ParseXml(archive.Part("xl/_rels/workbook.xml.rels"), relations, name + ": xl/_rels/workbook.xml.rels");
  if (relations.sheet.empty()) throw ToolError(name + ": the workbook has no sheet");
  SharedStrings strings;
  if (!relations.shared_strings.empty()) {
    const std::string path = PartPath(relations.shared_strings);
    ParseXml(archive.Part(path), strings, name + ": " + path);
  }
  const std::string path = PartPath(relations.sheet);
  Sheet sheet(strings.strings, name + ": " + path);
  try {
    ParseXml(archive.Part(path), sheet, sheet.where);
  } catch (const std::logic_error&) {  // std::stoul on a bad number
    throw ToolError(sheet.where + ": a row or string number is no number");
  }
  return std::move(sheet.grid);
}

}  // namespace gxrm::tool::table
