// LargeModel: the host-side records of a large building model, for benchmarks.
//
// Every floor and the global object list receive the same records: each of
// the 48 component types with two type definitions and 100 instances, each
// record holding one element record in each of its lists, with Chinese names
// and values (GBK).
//
//   auto model = gxrm::bench::LargeModel::Make(50);
//   gxrm::bench::WriteWithLibrary(model, "large.gxrm");
#pragma once

#include <vector>

#include "core/CGXRMnode.h"
#include "records/CGXRMobj.h"
#include "records/CGXRMobjType.h"
#include "writer/CGXRMwriter.h"

namespace gxrm::bench {

struct LargeModel {
  static constexpr int kDefinitionsPerType = 2;
  static constexpr int kInstancesPerType = 100;

  CGXRMnode header;                      // root attributes
  CGXRMnode proj_setting;                // "ProjSetting" attributes
  CGXRMnode floor_info;                  // "ProjFloorInfo" attributes
  std::vector<CString> floor_names;      // GBK
  std::vector<CGXRMnode> floor_records;  // one per floor, carrying its name as floor key
  std::vector<CGXRMobjType> types;       // written into every object list
  std::vector<CGXRMobj> instances;       // written into every object list

  static LargeModel Make(int floors);
};

// Builds the model's document in `writer`, as a host does, without saving:
// project sections, floors, then the global list's and each floor's records.
void BuildWithLibrary(const LargeModel& model, CGXRMwriter& writer);
// Builds the document and saves it to `path` (GBK).
void WriteWithLibrary(const LargeModel& model, const CString& path);

// The N of a "--floors=N" argument, removed from the arguments so that the
// benchmark library does not see it; `fallback` when there is none.
int TakeFloorsArg(int& argc, char** argv, int fallback);

}  // namespace gxrm::bench
