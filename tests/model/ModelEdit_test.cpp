// Edits through the model: what the saved file holds afterwards, byte for
// byte against what the writer makes, and what the reader reads back.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <tuple>

#include "ModelFixture.h"
#include "reader/CGXRMreader.h"

namespace {

using namespace gxrm_test;
using namespace GXRM_objType_base;
using Strings = std::vector<std::string>;

// The lines of `b` that differ from those of `a` at the same place; both must have as many lines.
Strings ChangedLines(const std::string& a, const std::string& b) {
  std::istringstream in_a(a), in_b(b);
  Strings changed;
  std::string la, lb;
  for (;;) {
    const bool got_a = bool(std::getline(in_a, la)), got_b = bool(std::getline(in_b, lb));
    EXPECT_EQ(got_a, got_b) << "line counts differ";
    if (!got_a || !got_b) return changed;
    if (la != lb) changed.push_back(lb);
  }
}

TEST(ModelLayout, SavesAWrittenFileUnchangedAndEditsOnlyTouchedLines) {
  const std::string path = WriteModel("layout.gxrm");
  const std::string original = ReadFile(path);
  gxrm::Model m = gxrm::Model::Load(path);
  EXPECT_EQ(m.ToString(), original);  // Save writes the same text: the later tests read saved files

  gxrm::Component kz = One(m, "name=KZ1-a");
  kz.Set("objAtt.材质", "C35");  // in place
  kz.Set("objGeoAtt.y", "2");    // appended to the first record
  EXPECT_EQ(ChangedLines(original, m.ToString()),
            (Strings{"<objAtt 材质=\"C35\" 截面=\"500*500\">", "</objAtt><objGeoAtt x=\"1.5\" y=\"2\">"}));
  // Queries see the edit at once.
  EXPECT_EQ(Names(m.Select("objAtt.材质=C35")), (Strings{"KZ1-a", "KZ1-b"}));
}

TEST(ModelLayout, AddedMovedAndRemovedComponentsStandAsTheWriterWritesThem) {
  gxrm::Model m = gxrm::Model::Load(WriteModel("edits.gxrm"));
  gxrm::ComponentRecord kz3{FRAME_COLUMN, false, "KZ3", "9", {{"objGeoAtt", {{{"x", "1"}}}}}, {}};
  gxrm::Component added = m.Add(kz3, "2F");
  added.Set("objAtt.材质", "C40");  // a new first list goes before the existing one
  gxrm::Component kz1b = One(m, "name=KZ1-b");
  m.Move(kz1b, "2F");
  EXPECT_EQ(kz1b.Floor(), "2F");
  gxrm::Component kl1 = One(m, "name=KL1");
  m.Remove(kl1);
  gxrm::Component q2 = m.Add({SHEAR_WALL, false, "Q2", "g2", {}, {}});

  const std::string expected =
      WriteModel("edits-expected.gxrm",
                 {{"2F", Obj("KZ3", "9", FRAME_COLUMN, {{"材质", "C40"}}, {{"x", "1"}})},
                  {"2F", Obj("KZ1-b", "2", FRAME_COLUMN, {{"材质", "C35"}}, {{"x", " -2"}})},
                  {"", Obj("Q2", "g2", SHEAR_WALL, {})}},
                 false);
  // The expected file still holds KL1: take it out the same way.
  gxrm::Model reference = gxrm::Model::Load(expected);
  gxrm::Component ref_kl1 = One(reference, "name=KL1");
  reference.Remove(ref_kl1);
  EXPECT_EQ(m.ToString(), reference.ToString());

  EXPECT_THROW(kl1.Name(), gxrm::ModelError);
  EXPECT_THROW(kl1.Set("objAtt.a", "b"), gxrm::ModelError);
  EXPECT_THROW(m.Remove(kl1), gxrm::ModelError);
  EXPECT_THROW(m.Move(kl1, ""), gxrm::ModelError);
  gxrm::Model other = gxrm::Model::Load(expected);
  EXPECT_THROW(other.Move(q2, "1F"), gxrm::ModelError);
  EXPECT_THROW(other.Remove(q2), gxrm::ModelError);
  EXPECT_EQ(q2.Floor(), "");
}

TEST(ModelLayout, RemovingAComponentLeavesTheFileAsIfItWasNeverWritten) {
  gxrm::Model m = gxrm::Model::Load(WriteModel("remove.gxrm"));
  gxrm::Component kz1b = One(m, "name=KZ1-b");
  m.Remove(kz1b);
  EXPECT_EQ(m.ToString(), ReadFile(WriteModel("remove-expected.gxrm", {}, false)));
}

TEST(ModelEdit, ValuesAndKeys) {
  gxrm::Model m = gxrm::Model::Load(WriteModel("values.gxrm"));
  gxrm::Component kz2 = One(m, "name=KZ2");
  const std::string before = m.ToString();
  EXPECT_EQ(CodeOf([&] { kz2.Set("objAtt.材质", std::string("a\x01b")); }), gxrm::kErrInvalidArg);
  EXPECT_EQ(CodeOf([&] { kz2.Set("objSection.bad name", "1"); }), gxrm::kErrInvalidArg);
  EXPECT_EQ(CodeOf([&] { kz2.SetName("\x02"); }), gxrm::kErrInvalidArg);
  EXPECT_EQ(m.ToString(), before);
  EXPECT_THROW(kz2.Set("TypeClassAtt.a", "1"), gxrm::QueryError);

  kz2.Set("objSection.s", "1");
  kz2.Set("objSection.s", "2");
  EXPECT_EQ(kz2.Records("objSection"), (std::vector<gxrm::Pairs>{{{"s", "2"}}}));
  kz2.SetName("KZ2'");
  kz2.SetId("77");
  EXPECT_EQ(Names(m.ById("77")), (Strings{"KZ2'"}));
  EXPECT_TRUE(kz2.Remove("objAtt.材质"));
  EXPECT_FALSE(kz2.Remove("objAtt.材质"));
  EXPECT_EQ(kz2.Get("objAtt.材质"), std::nullopt);
  EXPECT_EQ(Names(m.Select("objAtt.材质=C30")), (Strings{"KZ1-a"}));

  gxrm::Component type = m.ById("t2").at(0);
  type.Set("TypeClassSpecialtyAtt.sp", "x");
  EXPECT_EQ(type.Get("TypeClassSpecialtyAtt.sp"), "x");

  // The keys name and id remove the attribute itself, not only its value.
  const std::string kept = m.ToString();
  EXPECT_TRUE(kz2.Remove("name"));
  EXPECT_FALSE(kz2.Remove("name"));
  EXPECT_TRUE(type.Remove("id"));
  const Strings changed = ChangedLines(kept, m.ToString());  // the type's line, then the instance's
  ASSERT_EQ(changed.size(), 2u);
  EXPECT_EQ(changed[0].find("classId"), std::string::npos) << changed[0];
  EXPECT_EQ(changed[1].find("objname"), std::string::npos) << changed[1];
  EXPECT_NE(changed[1].find("objId=\"77\""), std::string::npos) << changed[1];
  EXPECT_TRUE(m.ById("t2").empty());
}

// Two loads of one file, the second edited once: SameContent sees every edit
// of a component's own attributes and of its lists' records, and nothing else.
TEST(ModelEdit, SameContentSeesEachEditOfAttributesOrRecords) {
  const std::string path = WriteModel("same.gxrm");
  const std::tuple<const char*, bool, std::function<void(gxrm::Component&)>> edits[] = {
      {"none", true, [](gxrm::Component&) {}},
      {"a value set to itself", true, [](gxrm::Component& c) { c.Set("objAtt.材质", "C30"); }},
      {"a value", false, [](gxrm::Component& c) { c.Set("objAtt.材质", "C31"); }},
      {"a value in a later list", false, [](gxrm::Component& c) { c.Set("objGeoAtt.x", "1.5 "); }},
      {"an attribute added", false, [](gxrm::Component& c) { c.Set("objAtt.强度", "高"); }},
      {"an attribute removed", false, [](gxrm::Component& c) { c.Remove("objAtt.截面"); }},
      {"a record added", false, [](gxrm::Component& c) { c.Set("objSection.s", "1"); }},
      {"the name", false, [](gxrm::Component& c) { c.SetName("KZ1-A"); }},
      {"the id removed", false, [](gxrm::Component& c) { c.Remove("id"); }},
      {"a child that is no record", true,
       [](gxrm::Component& c) {
         c.Element().appendChild(c.Element().ownerDocument().createElement("note"));
       }},
  };
  for (const auto& [edit, unchanged, apply] : edits) {
    const gxrm::Model a = gxrm::Model::Load(path), b = gxrm::Model::Load(path);
    gxrm::Component edited = One(b, "name=KZ1-a");
    apply(edited);
    EXPECT_EQ(One(a, "name=KZ1-a").SameContent(edited), unchanged) << edit;
    EXPECT_EQ(edited.SameContent(One(a, "name=KZ1-a")), unchanged) << edit;
  }
  const gxrm::Model a = gxrm::Model::Load(path), b = gxrm::Model::Load(path);
  gxrm::Component type = b.ById("t1").at(0);
  EXPECT_TRUE(a.ById("t1").at(0).SameContent(type));
  type.Set("TypeClassAtt.材质", "C35");
  EXPECT_FALSE(a.ById("t1").at(0).SameContent(type));
  EXPECT_FALSE(One(a, "name=KZ1-a").SameContent(One(a, "name=KZ1-b")));
  EXPECT_FALSE(One(a, "name=KZ2").SameContent(a.ById("t2").at(0)));  // an instance and a type definition
}

// SameTree: equal byte for byte, blank text left out; any other difference,
// at any depth, tells the trees apart.
TEST(ModelSameTree, SeesEveryDifferenceButBlankText) {
  const std::string base = "<r a='1' b='2'><l><c x='1'/><c y='2'>t<!--c--><?p d?><![CDATA[d]]></c></l><e/></r>";
  const std::pair<const char*, bool> cases[] = {
      {"<r a='1' b='2'><l><c x='1'/><c y='2'>t<!--c--><?p d?><![CDATA[d]]></c></l><e/></r>", true},
      {"<r b='2' a='1'><l><c x='1'/><c y='2'>t<!--c--><?p d?><![CDATA[d]]></c></l><e/></r>", false},
      {"<r a='1' b='2'><l><c x='1'/><c y='3'>t<!--c--><?p d?><![CDATA[d]]></c></l><e/></r>", false},
      {"<r a='1' b='2'><l><c x='1'/><c y='2'>u<!--c--><?p d?><![CDATA[d]]></c></l><e/></r>", false},
      {"<r a='1' b='2'><l><c x='1'/><c y='2'>t<!--d--><?p d?><![CDATA[d]]></c></l><e/></r>", false},
      {"<r a='1' b='2'><l><c x='1'/><c y='2'>t<!--c--><?p e?><![CDATA[d]]></c></l><e/></r>", false},
      {"<r a='1' b='2'><l><c x='1'/><c y='2'>t<!--c--><?p d?><![CDATA[ ]]></c></l><e/></r>", false},
      {"<r a='1' b='2'><l><c x='1'/><c y='2'>t<!--c--><?p d?><![CDATA[d]]></c></l></r>", false},
      {"<r a='1' b='2'><l><c x='1'/><c y='2'>t<!--c--><?p d?><![CDATA[d]]></c></l><e/><e/></r>", false},
      {"<r a='1' b='2'><l><c x='1'/><c y='2'>t<!--c--><?p d?><![CDATA[d]]><c/></c></l><e/></r>", false},
      {"<r a='1' b='2'><l><c x='1'><c/></c><c y='2'>t<!--c--><?p d?><![CDATA[d]]></c></l><e/></r>", false},
      {"<r a='1' b='2'><l><c x='1'/><c y='2'>t<!--c--><?p d?><![CDATA[d]]></c></l><f/></r>", false},
  };
  gxrm::dom::Document a = gxrm::dom::Document::create(), b = gxrm::dom::Document::create();
  ASSERT_TRUE(a.loadXML(base));
  for (const auto& [xml, same] : cases) {
    ASSERT_TRUE(b.loadXML(xml)) << xml;
    EXPECT_EQ(gxrm::SameTree(a.documentElement(), b.documentElement()), same) << xml;
    EXPECT_EQ(gxrm::SameTree(b.documentElement(), a.documentElement()), same) << xml;
  }
  ASSERT_TRUE(b.loadXML(base));
  gxrm::dom::Node l = b.documentElement().firstChild();
  b.documentElement().appendChild(b.createTextNode("\n\t "));
  l.appendChild(b.createTextNode(" "));
  EXPECT_TRUE(gxrm::SameTree(a.documentElement(), b.documentElement()));
  l.appendChild(b.createTextNode("x"));
  EXPECT_FALSE(gxrm::SameTree(a.documentElement(), b.documentElement()));
  EXPECT_TRUE(gxrm::SameTree(gxrm::dom::Node(), gxrm::dom::Node()));
  EXPECT_FALSE(gxrm::SameTree(a.documentElement(), gxrm::dom::Node()));
}

TEST(ModelEdit, FloorsRenameTogetherWithTheirInformation) {
  const std::string path = WriteModel("floors.gxrm");
  gxrm::Model m = gxrm::Model::Load(path);
  gxrm::Component kz2 = One(m, "name=KZ2");
  m.RenameFloor("2F", "二层");
  EXPECT_EQ(m.Floors(), (Strings{"1F", "二层"}));
  EXPECT_EQ(kz2.Floor(), "二层");
  EXPECT_EQ(Names(m.Select("floor=二层")), (Strings{"KZ2"}));
  EXPECT_THROW(m.RenameFloor("1F", "二层"), gxrm::FloorExistsError);
  EXPECT_THROW(m.RenameFloor("3F", "4F"), gxrm::UnknownFloorError);
  EXPECT_THROW(m.RenameFloor("1F", ""), gxrm::ModelError);
  EXPECT_THROW(m.Add({FRAME_COLUMN, false, "x", "", {}, {}}, "3F"), gxrm::UnknownFloorError);
  EXPECT_THROW(m.Move(kz2, "3F"), gxrm::UnknownFloorError);
  EXPECT_THROW(m.Add({TYPE_NONE, false, "x", "", {}, {}}), gxrm::QueryError);
  EXPECT_THROW(m.Add({FRAME_COLUMN, false, "x", "", {{"TypeClassAtt", {}}}, {}}), gxrm::QueryError);

  const std::string saved = TempPath("floors-saved.gxrm");
  m.Save(saved);
  CGXRMreader reader;
  ASSERT_TRUE(reader.LoadGXRMfile(saved));
  CStringArray names;
  std::vector<CGXRMobj> objs;
  reader.GetFloorNames(names);
  EXPECT_EQ(names, (CStringArray{"1F", Gbk("二层")}));
  ASSERT_TRUE(reader.GetObjList(Gbk("二层"), FRAME_COLUMN, objs));
  EXPECT_EQ(objs.size(), 1u);
}

TEST(ModelEdit, AddBuildsMissingListsAndWritesRulesOnFloors) {
  const std::string path = WriteFile(
      TempPath("bare.gxrm"),
      "<GXRMheader_v1.0><GlobalObjList/><Floor floorname=\"1F\"><COLUMN/></Floor></GXRMheader_v1.0>");
  gxrm::Model m = gxrm::Model::Load(path);
  m.Add({FRAME_COLUMN, false, "KZ", "1", {{"objAtt", {{{"a", "1"}}}}}, {}});
  gxrm::ComponentRecord type{FRAME_COLUMN,       true, "KZT", "t", {{"TypeClassAtt", {{{"b", "2"}}}}},
                             {"<Rule n=\"1\"/>"}};
  m.Add(type, "1F");
  m.Add(type);
  EXPECT_EQ(Names(m.Select("is=any")), (Strings{"KZT", "KZ", "KZT"}));
  EXPECT_THROW(m.Add({FRAME_COLUMN, true, "bad", "", {}, {"not xml"}}, "1F"), gxrm::ModelError);
  const std::string before = m.ToString();
  EXPECT_EQ(CodeOf([&] {
              m.Add({FRAME_BEAM, false, "b", "", {{"objAtt", {{{"a b", "1"}}}}}, {}});
            }),
            gxrm::kErrInvalidArg);
  EXPECT_EQ(m.ToString(), before);  // not even the missing kind element was made

  const std::string saved = TempPath("bare-saved.gxrm");
  m.Save(saved);
  CGXRMreader reader;
  ASSERT_TRUE(reader.LoadGXRMfile(saved));
  std::vector<CGXRMobjType> floor_types, global_types;
  std::vector<CGXRMobj> objs;
  ASSERT_TRUE(reader.GetObjList(FRAME_COLUMN, objs));
  EXPECT_EQ(objs.size(), 1u);
  ASSERT_TRUE(reader.GetObjTypeList("1F", FRAME_COLUMN, floor_types));
  ASSERT_TRUE(reader.GetObjTypeList(FRAME_COLUMN, global_types));
  ASSERT_EQ(floor_types.size(), 1u);
  EXPECT_EQ(floor_types[0].CalRules().size(), 1u);
  EXPECT_TRUE(global_types.at(0).CalRules().empty());  // as the writer: rules only on floors
}

// Load reads a file, Parse bytes already read (standard input) the same way,
// their errors naming what the caller calls them.
TEST(ModelLoad, RefusesWhatIsNoModelFromFileOrBytes) {
  const std::string bytes = ReadFile(WriteModel("parsed.gxrm"));
  gxrm::Model m = gxrm::Model::Parse(bytes, "standard input");
  EXPECT_EQ(m.ToString(), bytes);
  EXPECT_EQ(Names(m.Select("type=框架柱")), (Strings{"KZ1-a", "KZ1-b", "KZ2"}));
  const std::string broken = "<GXRMheader_v1.0>\n<a></b>",
                    broken_file = WriteFile(TempPath("broken.xml"), broken);
  for (const auto& [load, path] :
       {std::pair<std::function<gxrm::Model()>, std::string>{[&] { return gxrm::Model::Load(broken_file); },
                                                             broken_file},
        {[&] { return gxrm::Model::Parse(broken, "standard input"); }, "standard input"}}) {
    try {
      load();
      ADD_FAILURE() << path;
    } catch (const gxrm::LoadError& e) {
      EXPECT_EQ(e.Path(), path);
      EXPECT_EQ(e.Where().line, 2);
    }
  }
  try {
    gxrm::Model::Load(WriteFile(TempPath("other.xml"), "<html><body/></html>"));
    ADD_FAILURE();
  } catch (const gxrm::FormatError& e) {
    EXPECT_NE(std::string(e.what()).find("html"), std::string::npos) << e.what();
  }
  EXPECT_THROW(gxrm::Model::Parse("<html/>", "standard input"), gxrm::FormatError);
  EXPECT_THROW(gxrm::Model::Load(TempPath("missing.gxrm")), gxrm::LoadError);
  EXPECT_THROW(gxrm::Model::Parse("", "standard input"), gxrm::LoadError);
}

// A model only read may drop the layout: the same components, no blank text.
TEST(ModelLoad, ReadOnlyLoadDropsTheLayoutAlone) {
  const std::string path = WriteModel("read-only.gxrm");
  const gxrm::ModelLoadOptions read_only{false, true};
  for (const gxrm::Model& m : {gxrm::Model::Load(path, read_only),
                               gxrm::Model::Parse(ReadFile(path), "standard input", read_only)}) {
    EXPECT_EQ(Names(m.Select("type=框架柱")), (Strings{"KZ1-a", "KZ1-b", "KZ2"}));
    const std::string text = m.ToString();
    EXPECT_EQ(text.find(">\n "), std::string::npos) << text.substr(0, 200);
  }
}

}  // namespace
