// Independent readers and writers on several threads at once share nothing:
// each thread's files read back as that thread wrote them. CI runs this under
// ThreadSanitizer.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "ReaderTestUtil.h"
#include "format/GXRMformat.h"
#include "reader/CGXRMreader.h"
#include "writer/CGXRMwriter.h"

namespace {

using namespace reader_test;
using GXRM_objType_base::Type;

constexpr int kThreads = 4;
constexpr int kRounds = 5;
constexpr int kTypes = 12;  // a spread over the kinds

CString FloorName(int thread, int floor) { return Gbk("楼层") + std::to_string(thread * 10 + floor); }

// Writes two floors with one type and two instances of each of kTypes types.
std::string WriteModel(int thread, int round) {
  CGXRMwriter writer;
  CGXRMnode header;
  header.AddAtt("thread", std::to_string(thread));
  EXPECT_TRUE(writer.CreateGXRMinstance(header));
  EXPECT_TRUE(writer.CreateProjFloorInfo(CGXRMnode()));
  for (int f = 0; f < 2; ++f) {
    CGXRMnode info;
    info.AddAtt(gxrm::format::kAttFloorKey, FloorName(thread, f));
    EXPECT_TRUE(writer.AddFloor(FloorName(thread, f), info));
    for (int t = 0; t < kTypes; ++t) {
      Type type = static_cast<Type>(t * 4);
      CGXRMobjType def(Gbk("类型") + std::to_string(t), type, "1");
      def.AddAttNode(header);
      EXPECT_TRUE(writer.AddObjType(FloorName(thread, f), def));
      for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(writer.AddObj(FloorName(thread, f), CGXRMobj(std::to_string(round * 10 + i), type)));
      }
    }
  }
  std::string path = TempFile("threads_" + std::to_string(thread) + ".gxrm");
  writer.SaveGXRMinstance(path);
  return path;
}

// Reads the model back; the number of mismatches found.
int CheckModel(const std::string& path, int thread, int round) {
  CGXRMreader reader;
  if (!reader.LoadGXRMfile(path)) return 1;
  int errors = 0;
  CStringArray floors;
  reader.GetFloorNames(floors);
  errors += floors != CStringArray{FloorName(thread, 0), FloorName(thread, 1)};
  for (const CString& floor : floors) {
    for (int t = 0; t < kTypes; ++t) {
      std::vector<CGXRMobjType> types;
      std::vector<CGXRMobj> objs;
      reader.GetObjTypeList(floor, static_cast<Type>(t * 4), types);
      reader.GetObjList(floor, static_cast<Type>(t * 4), objs);
      errors += types.size() != 1 || types[0].GetNamedAtt("thread") != std::to_string(thread);
      errors += objs.size() != 2 || objs[1].GetName() != std::to_string(round * 10 + 1);
    }
  }
  return errors;
}

TEST(ReaderThreads, FourThreadsWriteAndReadOwnFiles) {
  std::vector<int> errors(kThreads, 0);
  std::vector<std::thread> threads;
  for (int n = 0; n < kThreads; ++n) {
    threads.emplace_back([n, &errors] {
      for (int round = 0; round < kRounds; ++round) {
        errors[n] += CheckModel(WriteModel(n, round), n, round);
      }
    });
  }
  for (std::thread& t : threads) t.join();
  for (int n = 0; n < kThreads; ++n) EXPECT_EQ(errors[n], 0) << "thread " << n;
}

}  // namespace
