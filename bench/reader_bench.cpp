// reader_bench: how the reader compares with expat and pugixml used directly.
//
// Both paths load the writer benchmark's large model file and copy out, as
// GBK, every type definition and instance of every floor and of the global
// list (names and the attributes of their child elements), keeping all of it
// until the end, as an importing host does:
// - BM_ReaderLibrary: CGXRMreader::LoadGXRMfile, GetFloorNames, then
//   GetObjTypeList and GetObjList for the 48 types of each list;
// - BM_ReaderDirect: expat feeding a pugixml tree, then one walk over it that
//   converts the same strings with iconv into plain vectors.
// Both must copy the same number of records and bytes before anything is
// timed. The last lines give the peak memory of each path (target: library
// within 1.3 times direct) and the ratio of the fastest CPU times of the
// whole process, a large load reading on two threads (target:
// within 1.5 times). Memory is measured by running each path once in a forked child
// and reading that child's own ru_maxrss (wait4); an idle child gives the
// baseline, which is subtracted before the ratio is taken.
//
// Default (CI): 3 floors.  Full measurement: reader_bench --floors=50
#include <benchmark/benchmark.h>
#include <expat.h>
#include <iconv.h>
#include <pugixml.hpp>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "DirectIconv.h"
#include "LargeModel.h"
#include "PeakMemory.h"
#include "RatioReporter.h"
#include "format/GXRMformat.h"
#include "reader/CGXRMreader.h"

namespace {

using gxrm::bench::PeakKiB;

namespace format = gxrm::format;
using GXRM_objType_base::Type;

// What a path copied out: records and bytes of names and attribute strings.
struct Tally {
  size_t records = 0;
  size_t bytes = 0;
  bool operator==(const Tally& o) const { return records == o.records && bytes == o.bytes; }
};

// ---- The library ----

struct ReaderResult {
  std::vector<CGXRMobjType> types;
  std::vector<CGXRMobj> objs;
};

ReaderResult ReadWithReader(const std::string& path) {
  CGXRMreader reader;
  if (!reader.LoadGXRMfile(path)) throw std::runtime_error("the reader cannot load " + path);
  CStringArray floors;
  reader.GetFloorNames(floors);
  ReaderResult result;
  for (int t = 0; t < CGXRMobjTypeBase::GetObjTypeCount(); ++t) {
    reader.GetObjTypeList(static_cast<Type>(t), result.types);
    reader.GetObjList(static_cast<Type>(t), result.objs);
    for (const CString& floor : floors) {
      reader.GetObjTypeList(floor, static_cast<Type>(t), result.types);
      reader.GetObjList(floor, static_cast<Type>(t), result.objs);
    }
  }
  return result;
}

void Count(const std::vector<CGXRMnode>& list, Tally& tally) {
  for (const CGXRMnode& node : list) {
    for (const auto& [name, value] : node.Atts()) tally.bytes += name.size() + value.size();
  }
}

Tally CountOf(const ReaderResult& result) {
  Tally tally;
  for (const CGXRMobjType& t : result.types) {
    tally.bytes += t.GetName().size();
    for (const auto* list : {&t.AttList(), &t.GeoAttList(), &t.SectionList(), &t.SpAttList()})
      Count(*list, tally);
  }
  for (const CGXRMobj& o : result.objs) {
    tally.bytes += o.GetName().size();
    for (const auto* list : {&o.AttList(), &o.GeoAttList(), &o.SectionList()}) Count(*list, tally);
  }
  tally.records = result.types.size() + result.objs.size();
  return tally;
}

// ---- expat and pugixml directly ----

// Builds a pugixml tree from expat's events; white-space-only text is dropped.
class TreeBuilder {
 public:
  explicit TreeBuilder(pugi::xml_document& doc) : cur_(doc), parser_(XML_ParserCreate(nullptr)) {
    XML_SetUserData(parser_, this);
    XML_SetElementHandler(parser_, OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser_, OnText);
  }
  ~TreeBuilder() { XML_ParserFree(parser_); }
  TreeBuilder(const TreeBuilder&) = delete;
  TreeBuilder& operator=(const TreeBuilder&) = delete;

  void Parse(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) throw std::runtime_error("cannot open " + path);
    constexpr int kChunk = 1 << 20;
    for (bool last = false; !last;) {
      void* buf = XML_GetBuffer(parser_, kChunk);
      size_t n = std::fread(buf, 1, kChunk, file.get());
      last = n < kChunk;
      if (XML_ParseBuffer(parser_, static_cast<int>(n), last) != XML_STATUS_OK) {
        throw std::runtime_error(XML_ErrorString(XML_GetErrorCode(parser_)));
      }
    }
  }

 private:
  void Flush() {
    if (text_.find_first_not_of(" \t\r\n") != std::string::npos) {
      cur_.append_child(pugi::node_pcdata).set_value(text_.c_str());
    }
    text_.clear();
  }
  static void OnStart(void* self, const XML_Char* name, const XML_Char** atts) {
    auto& b = *static_cast<TreeBuilder*>(self);
    b.Flush();
    b.cur_ = b.cur_.append_child(name);
    for (; *atts; atts += 2) b.cur_.append_attribute(atts[0]).set_value(atts[1]);
  }
  static void OnEnd(void* self, const XML_Char*) {
    auto& b = *static_cast<TreeBuilder*>(self);
    b.Flush();
    b.cur_ = b.cur_.parent();
  }
  static void OnText(void* self, const XML_Char* s, int len) {
    static_cast<TreeBuilder*>(self)->text_.append(s, static_cast<size_t>(len));
  }

  pugi::xml_node cur_;
  XML_Parser parser_;
  std::string text_;
};

using Pairs = std::vector<std::pair<std::string, std::string>>;
struct DirectRecord {
  std::string name;
  std::vector<Pairs> lists[4];
};
struct DirectResult {
  std::vector<DirectRecord> types, objs;
};

// Copies records out of one type container; `lists` names the child lists.
template <size_t N>
void CopyRecords(pugi::xml_node container, const char* record_name, const char* name_att,
                 const char* const (&lists)[N], gxrm::bench::DirectIconv& gbk,
                 std::vector<DirectRecord>& out) {
  for (pugi::xml_node rec : container.children(record_name)) {
    DirectRecord& r = out.emplace_back();
    r.name = gbk(rec.attribute(name_att).value());
    for (pugi::xml_node child : rec.children()) {
      for (size_t i = 0; i < N; ++i) {
        if (std::strcmp(child.name(), lists[i]) != 0) continue;
        Pairs& pairs = r.lists[i].emplace_back();
        for (pugi::xml_attribute a : child.attributes()) {
          std::string name = gbk(a.name());
          pairs.emplace_back(std::move(name), gbk(a.value()));
        }
      }
    }
  }
}

DirectResult ReadDirect(const std::string& path) {
  static const char* const kTypeLists[] = {format::kTypeClassAtt, format::kTypeClassGeoAtt,
                                           format::kTypeClassSection, format::kTypeClassSpecialtyAtt};
  static const char* const kObjLists[] = {format::kObjAtt, format::kObjGeoAtt, format::kObjSection};
  pugi::xml_document doc;
  TreeBuilder(doc).Parse(path);
  gxrm::bench::DirectIconv gbk("GB18030", "UTF-8");
  DirectResult result;
  for (pugi::xml_node list : doc.document_element().children()) {
    if (std::strcmp(list.name(), format::kFloor) != 0 &&
        std::strcmp(list.name(), format::kGlobalObjList) != 0) {
      continue;
    }
    for (pugi::xml_node kind : list.children()) {
      for (pugi::xml_node type : kind.children(format::kType)) {
        CopyRecords(type.child(format::kObjTypeInfo), format::kTypeClass, format::kAttClassName, kTypeLists,
                    gbk, result.types);
        CopyRecords(type.child(format::kObjInstance), format::kInstance, format::kAttObjName, kObjLists, gbk,
                    result.objs);
      }
    }
  }
  return result;
}

Tally CountOf(const DirectResult& result) {
  Tally tally;
  for (const auto* records : {&result.types, &result.objs}) {
    for (const DirectRecord& r : *records) {
      tally.bytes += r.name.size();
      for (const std::vector<Pairs>& list : r.lists) {
        for (const Pairs& pairs : list) {
          for (const auto& [name, value] : pairs) tally.bytes += name.size() + value.size();
        }
      }
    }
    tally.records += records->size();
  }
  return tally;
}

// ---- Benchmarks, memory and summary ----

std::string g_path;  // the model file, written once

void BM_ReaderLibrary(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ReadWithReader(g_path));
}

void BM_ReaderDirect(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ReadDirect(g_path));
}

// Writes the model in a child, so that this process never holds it and the
// measuring children start small.
void WriteModelFile(int floors) {
  PeakKiB([floors] { gxrm::bench::WriteWithLibrary(gxrm::bench::LargeModel::Make(floors), g_path); });
}

void ReportMemory() {
  long idle = PeakKiB([] {});
  long library = PeakKiB([] { ReadWithReader(g_path); }) - idle;
  long direct = PeakKiB([] { ReadDirect(g_path); }) - idle;
  double ratio = static_cast<double>(library) / static_cast<double>(direct);
  std::printf("peak memory above an idle child (%ld KiB): library %ld KiB, direct %ld KiB\n", idle, library,
              direct);
  std::printf("memory library / direct: %.2f (target at most 1.3) %s\n", ratio,
              ratio <= 1.3 ? "ok" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
  const int floors = gxrm::bench::TakeFloorsArg(argc, argv, 3);
  benchmark::Initialize(&argc, argv);
  g_path = (std::filesystem::temp_directory_path() / "reader_bench.gxrm").string();
  WriteModelFile(floors);
  std::printf("model: %d floors, %.1f MB\n", floors, std::filesystem::file_size(g_path) / 1e6);
  // Before this process reads anything itself: children inherit its heap.
  ReportMemory();
  Tally library = CountOf(ReadWithReader(g_path));
  Tally direct = CountOf(ReadDirect(g_path));
  if (!(library == direct) || library.records == 0) {
    std::fprintf(stderr, "reader_bench: the paths copied different data (%zu/%zu records, %zu/%zu bytes)\n",
                 library.records, direct.records, library.bytes, direct.bytes);
    return 1;
  }
  for (auto* bench : {benchmark::RegisterBenchmark("BM_ReaderLibrary", BM_ReaderLibrary),
                      benchmark::RegisterBenchmark("BM_ReaderDirect", BM_ReaderDirect)}) {
    bench->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Repetitions(3);
  }
  gxrm::bench::RatioReporter reporter(
      {{"time library / direct", "BM_ReaderLibrary", 0, "BM_ReaderDirect", 0, 1.5}});
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::filesystem::remove(g_path);
  return 0;
}
