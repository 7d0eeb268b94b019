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

// Writes one floor with a type definition and an instance of every fourth
// type, named after the thread and round, then reads it back; the number of
// mismatches.
int WriteAndRead(int thread, int round) {
  const CString floor = Gbk("楼层") + std::to_string(thread);
  const CString name = std::to_string(thread * 100 + round);
  CGXRMwriter writer;
  CGXRMnode info;
  info.AddAtt(gxrm::format::kAttFloorKey, floor);
  writer.CreateGXRMinstance(info);
  writer.CreateProjFloorInfo(info);
  writer.AddFloor(floor, info);
  for (int t = 0; t < 48; t += 4) {
    writer.AddObjType(floor, CGXRMobjType(name, static_cast<Type>(t)));
    writer.AddObj(floor, CGXRMobj(name, static_cast<Type>(t)));
  }
  const std::string path = TempFile("threads_" + std::to_string(thread) + ".gxrm");
  writer.SaveGXRMinstance(path);

  CGXRMreader reader;
  CStringArray floors;
  int errors = !reader.LoadGXRMfile(path) || !reader.GetFloorNames(floors) || floors != CStringArray{floor};
  for (int t = 0; t < 48 && errors == 0; t += 4) {
    std::vector<CGXRMobjType> types;
    std::vector<CGXRMobj> objs;
    reader.GetObjTypeList(floor, static_cast<Type>(t), types);
    reader.GetObjList(floor, static_cast<Type>(t), objs);
    errors += types.size() != 1 || objs.size() != 1 || types[0].GetName() != name || objs[0].GetName() != name;
  }
  return errors;
}

TEST(ReaderThreads, FourThreadsWriteAndReadOwnFiles) {
  std::vector<int> errors(4, 0);
  std::vector<std::thread> threads;
  for (int n = 0; n < 4; ++n) {
    threads.emplace_back([n, &errors] {
      for (int round = 0; round < 10; ++round) errors[n] += WriteAndRead(n, round);
    });
  }
  for (std::thread& t : threads) t.join();
  for (int n = 0; n < 4; ++n) EXPECT_EQ(errors[n], 0) << "thread " << n;
}

}  // namespace
