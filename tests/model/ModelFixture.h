// A small model written by the writer, in which each query and edit test
// knows every component.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestUtil.h"
#include "model/GXRMmodel.h"
#include "records/CGXRMobj.h"
#include "records/CGXRMobjType.h"
#include "writer/CGXRMwriter.h"

namespace gxrm_test {

struct Extra {
  std::string floor;  // "" for the global list
  CGXRMobj obj;
};

inline CGXRMobj Obj(const char* name, const char* id, GXRM_objType_base::Type type,
                    std::initializer_list<std::pair<const char*, const char*>> atts,
                    std::initializer_list<std::pair<const char*, const char*>> geo = {}) {
  CGXRMobj obj(Gbk(name), Gbk(id), type);
  if (atts.size()) obj.AddAttNode(Record(atts));
  if (geo.size()) obj.AddGeoAttNode(Record(geo));
  return obj;
}

// Global list: type KZ1, wall Q1. 1F: beam KL1, columns KZ1-a, KZ1-b.
// 2F: type KZ2T, column KZ2. `extras` are added last, where they say.
inline std::string WriteModel(const std::string& file, const std::vector<Extra>& extras = {},
                              bool with_kz1b = true) {
  using namespace GXRM_objType_base;
  CGXRMwriter w;
  CGXRMnode header = Record({{"app", "test"}});
  w.CreateGXRMinstance(header);
  w.CreateProjFloorInfo(Record({{"k", "v"}}));
  w.AddFloor("1F", Record({{"FInfo002", "1F"}}));
  w.AddFloor("2F", Record({{"FInfo002", "2F"}}));
  CGXRMobjType kz1(Gbk("KZ1"), FRAME_COLUMN, "t1");
  kz1.AddAttNode(Record({{"材质", "C30"}}));
  w.AddObjType(kz1);
  w.AddObj(Obj("Q1", "g1", SHEAR_WALL, {{"厚度", "200"}}));
  w.AddObj("1F", Obj("KL1", "3", FRAME_BEAM, {{"材质", "C30, 抗渗"}}, {{"x", "abc"}}));
  w.AddObj("1F", Obj("KZ1-a", "1", FRAME_COLUMN, {{"材质", "C30"}, {"截面", "500*500"}}, {{"x", "1.5"}}));
  if (with_kz1b) w.AddObj("1F", Obj("KZ1-b", "2", FRAME_COLUMN, {{"材质", "C35"}}, {{"x", " -2"}}));
  w.AddObjType("2F", CGXRMobjType(Gbk("KZ2T"), FRAME_COLUMN, "t2"));
  w.AddObj("2F", Obj("KZ2", "1", FRAME_COLUMN, {{"材质", "C30"}}));
  for (const Extra& e : extras) e.floor.empty() ? w.AddObj(e.obj) : w.AddObj(Gbk(e.floor), e.obj);
  const std::string path = TempPath(file);
  w.SaveGXRMinstance(path);
  return path;
}

// The one component `query` selects.
inline gxrm::Component One(const gxrm::Model& m, const std::string& query) {
  std::vector<gxrm::Component> found = m.Select(query);
  EXPECT_EQ(found.size(), 1u) << query;
  return found.at(0);
}

inline std::vector<std::string> Names(const std::vector<gxrm::Component>& components) {
  std::vector<std::string> names;
  for (const gxrm::Component& c : components) names.push_back(c.Name());
  return names;
}

}  // namespace gxrm_test
