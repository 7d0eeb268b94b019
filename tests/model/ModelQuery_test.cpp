// Queries against a known model: what each operator, key and quoting
// selects, and how bad queries are refused.
#include <gtest/gtest.h>

#include "ModelFixture.h"

namespace {

using namespace gxrm_test;
using Strings = std::vector<std::string>;

class ModelQuery : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { model_ = new gxrm::Model(gxrm::Model::Load(WriteModel("query.gxrm"))); }
  static void TearDownTestSuite() { delete model_; }
  static gxrm::Model* model_;
};
gxrm::Model* ModelQuery::model_ = nullptr;

TEST_F(ModelQuery, SelectsInFileOrder) {
  struct Row {
    const char* query;
    Strings names;
  };
  const Row rows[] = {
      {"", {"Q1", "KL1", "KZ1-a", "KZ1-b", "KZ2"}},
      {"type=框架柱", {"KZ1-a", "KZ1-b", "KZ2"}},
      {"type=FRAME_BEAM,框架柱", {"KL1", "KZ1-a", "KZ1-b", "KZ2"}},
      {"type!=FRAME_COLUMN", {"Q1", "KL1"}},
      {"type~^FRAME_", {"KL1", "KZ1-a", "KZ1-b", "KZ2"}},
      {"kind=柱 floor=2F", {"KZ2"}},
      {"kind=WALL,BEAM", {"Q1", "KL1"}},
      {"floor=\"\"", {"Q1"}},
      {"floor!=\"\" floor!=2F", {"KL1", "KZ1-a", "KZ1-b"}},
      {"floor=1F,2F name~^KZ", {"KZ1-a", "KZ1-b", "KZ2"}},
      {"name~\"^KZ1-[ab]$\"", {"KZ1-a", "KZ1-b"}},
      {"id=1", {"KZ1-a", "KZ2"}},
      {"id>1", {"KL1", "KZ1-b"}},
      {"objAtt.材质=C30", {"KZ1-a", "KZ2"}},
      {"objAtt.材质=\"C30, 抗渗\",C35", {"KL1", "KZ1-b"}},
      {"objAtt.材质!=C30", {"Q1", "KL1", "KZ1-b"}},
      {"objAtt.截面~\"500\\*500\"", {"KZ1-a"}},
      {"objGeoAtt.x>0", {"KZ1-a"}},
      {"objGeoAtt.x<=-2", {"KZ1-b"}},
      {"objGeoAtt.x>=0x1", {"KZ1-a"}},
      {"objGeoAtt.x<1e3", {"KZ1-a", "KZ1-b"}},
      {"objAtt.厚度>=+200 objAtt.厚度<200.5", {"Q1"}},
      {"is=type", {"KZ1", "KZ2T"}},
      {"is=any floor=2F", {"KZ2T", "KZ2"}},
      {"is!=instance TypeClassAtt.材质=C30", {"KZ1"}},
      {"is=instance,type id~^t", {"KZ1", "KZ2T"}},
      {"name=\"a \\\"b\\\"\"", {}},
  };
  for (const Row& row : rows) EXPECT_EQ(Names(model_->Select(row.query)), row.names) << row.query;
}

TEST_F(ModelQuery, RefusesBadQueriesNamingTheTerm) {
  struct Row {
    const char* query;
    const char* named;
  };
  const Row rows[] = {
      {"foo=1", "foo"},
      {"name", "name"},
      {"=x", "=x"},
      {"name=\"abc", "name=\"abc"},
      {"name=a\"b", "name=a\"b"},
      {"objGeoAtt.x<abc", "objGeoAtt.x<abc"},
      {"objGeoAtt.x>1e999", "1e999"},
      {"id<0x", "id<0x"},
      {"type=不存在", "不存在"},
      {"kind=框架柱", "kind=框架柱"},
      {"kind<3", "kind<3"},
      {"name~(", "name~("},
      {"bogus.x=1", "bogus"},
      {"objAtt.=1", "objAtt."},
      {"is=thing", "is=thing"},
      {"is~any", "is~any"},
      {"floor=1F  name=\"x\"y", "name=\"x\"y"},
  };
  for (const Row& row : rows) {
    try {
      model_->Select(row.query);
      ADD_FAILURE() << row.query << " was accepted";
    } catch (const gxrm::QueryError& e) {
      EXPECT_NE(std::string(e.what()).find(row.named), std::string::npos) << row.query << ": " << e.what();
    }
  }
}

TEST_F(ModelQuery, ComponentsReportTheirPlaceAndValues) {
  gxrm::Component c = One(*model_, "name=KZ1-a");
  EXPECT_EQ(c.Id(), "1");
  EXPECT_EQ(c.Floor(), "1F");
  EXPECT_EQ(c.Type(), GXRM_objType_base::FRAME_COLUMN);
  EXPECT_EQ(c.Kind(), GXRM_obj_base::COLUMN);
  EXPECT_FALSE(c.IsType());
  EXPECT_EQ(c.Get("objAtt.截面"), "500*500");
  EXPECT_EQ(c.Get("objAtt.none"), std::nullopt);
  EXPECT_EQ(c.Records("objAtt"), (std::vector<gxrm::Pairs>{{{"材质", "C30"}, {"截面", "500*500"}}}));
  EXPECT_THROW(c.Get("TypeClassAtt.材质"), gxrm::QueryError);
  EXPECT_THROW(c.Get("材质"), gxrm::QueryError);

  std::vector<gxrm::Component> ids = model_->ById("t1");
  ASSERT_EQ(ids.size(), 1u);
  EXPECT_TRUE(ids[0].IsType());
  EXPECT_EQ(ids[0].Floor(), "");
  EXPECT_EQ(ids[0].Get("TypeClassAtt.材质"), "C30");
  EXPECT_EQ(Names(model_->ById("1")), (Strings{"KZ1-a", "KZ2"}));
  EXPECT_TRUE(model_->ById("no such").empty());
  EXPECT_EQ(model_->Floors(), (Strings{"1F", "2F"}));
  EXPECT_EQ(model_->Version(), CGXRMwriter().GetGXRMversion());
}

TEST_F(ModelQuery, VisitSeesWhatSelectSelects) {
  Strings seen;
  std::string attributes;
  std::string records;
  model_->Visit("floor=1F", [&](const gxrm::ComponentView& v) {
    seen.push_back(v.Name());
    if (std::string(v.Name()) != "KZ1-a") return;
    EXPECT_EQ(v.Floor(), "1F");
    EXPECT_EQ(v.Handle(), model_->Select("name=KZ1-a")[0]);
    v.ForEachAttribute([&](const char* list, int record, const char* name, const char* value) {
      attributes += std::string(list) + std::to_string(record) + name + "=" + value + ";";
    });
    // The same records in one call, their lists by place.
    gxrm::RecordsText text;
    text.records.resize(5);  // whatever it held goes
    v.ReadRecords(text);
    size_t a = 0;
    for (const gxrm::RecordsText::Record& r : text.records) {
      for (; a < r.end; ++a)
        records += std::to_string(r.list) + std::string(text.attributes[a].name) + "=" +
                   std::string(text.attributes[a].value) + ";";
    }
  });
  EXPECT_EQ(seen, Names(model_->Select("floor=1F")));
  EXPECT_EQ(attributes, "objAtt0材质=C30;objAtt0截面=500*500;objGeoAtt0x=1.5;");
  EXPECT_EQ(records, "0材质=C30;0截面=500*500;1x=1.5;");
  // Each component's floor by place, as floors may share a name; -1 is the global list.
  std::vector<int> places;
  model_->Visit("is=any", [&](const gxrm::ComponentView& v) { places.push_back(v.FloorIndex()); });
  EXPECT_EQ(places, (std::vector<int>{-1, -1, 0, 0, 0, 1, 1}));
}

// A bound must be what strtod reads, whole and finite.
TEST_F(ModelQuery, NumbersAreWhatStrtodReadsWhenFinite) {
  auto below = [](const char* text) { return std::string("objGeoAtt.x<\"") + text + "\""; };
  for (const char* text : {"1", " 2.5", "-0x10", "1e3", ".5"})
    EXPECT_NO_THROW(model_->Select(below(text))) << text;
  for (const char* text : {"+-1", "1 ", "inf", "nan", "", "0x", "1,5", "--1"})
    EXPECT_THROW(model_->Select(below(text)), gxrm::QueryError) << text;
}

}  // namespace
