import itertools
import os
import threading
from concurrent.futures import ThreadPoolExecutor
import xml.etree.ElementTree as ET

import pytest

import gxrm
from gxrm import Kind, Type


@pytest.fixture
def model(sample_path):
    return gxrm.load(sample_path)


def test_select_and_by_id_convert_and_raise(model):
    assert model.select()[0].floor == ""
    columns = model.select("type=框架柱 floor=第1层")
    assert [c.name for c in columns] == [i.name for i in model.instances(Type.FRAME_COLUMN, "第1层")]
    assert {(c.type, c.kind, c.floor, c.is_type) for c in columns} == {(Type.FRAME_COLUMN, Kind.COLUMN, "第1层", False)}
    definition = model.select("is=type")[0]
    assert definition.is_type and model.by_id(definition.id)[0] == definition
    assert model.by_id("no such id") == []
    with pytest.raises(gxrm.QueryError, match="不存在") as bad:
        model.select("type=不存在")
    assert isinstance(bad.value, ValueError) and isinstance(bad.value, gxrm.Error)


def test_component_edits_are_saved(model, tmp_path):
    column = model.select("type=FRAME_COLUMN")[0]
    column.name, column.id = "柱-改", "9001"
    column.set("objAtt.材质", "C50")
    column.set("objGeoAtt.新值", "1")
    snapshot = column.records("objAtt")
    column.set("objAtt.材质", "C60")
    assert snapshot[0]["材质"] == "C50" and column.get("objAtt.材质") == "C60"
    assert column.remove("objGeoAtt.新值") and not column.remove("objGeoAtt.新值")
    assert column.get("objGeoAtt.新值") is None  # a missing value converts to None
    with pytest.raises(gxrm.QueryError, match="TypeClassAtt"):
        column.get("TypeClassAtt.x")
    model.save(tmp_path / "edited.gxrm")
    again = gxrm.load(tmp_path / "edited.gxrm").by_id("9001")
    assert [(c.name, c.get("objAtt.材质")) for c in again] == [("柱-改", "C60")]


def test_add_move_remove_and_rename_floor(model, sample_path, tmp_path):
    rule = ET.fromstring('<CalItem name="体积">L*B*H</CalItem>')
    definition = gxrm.TypeDef("框架柱", "KZ-新", "8001", [{"材质": "C30"}], rules=[rule])
    added_def = model.add(definition, "第2层")
    added = model.add(gxrm.Instance("FRAME_COLUMN", "KZ-新", "8002", [{"材质": "C30"}]), "第2层")
    assert (added.floor, added.type, added_def.is_type) == ("第2层", Type.FRAME_COLUMN, True)
    assert model.types(Type.FRAME_COLUMN, "第2层")[-1] == definition
    for floor in (None, ""):
        model.move(added, floor)
        assert added.floor == ""
    for use in (lambda: model.move(added, "第9层"), lambda: model.add(gxrm.Instance(Type.DOOR, "M"), "第9层"),
                lambda: model.rename_floor("第9层", "x")):
        with pytest.raises(KeyError, match="第9层"):
            use()
    model.rename_floor("第2层", "二层")
    assert "二层" in [f.name for f in model.floors] and added_def.floor == "二层"
    with pytest.raises(ValueError):
        model.rename_floor("二层", "第1层")
    with pytest.raises(gxrm.Error, match="another model"):
        model.remove(gxrm.load(sample_path).select()[0])
    model.remove(added_def)
    with pytest.raises(gxrm.Error):
        added_def.name
    model.save(tmp_path / "added.gxrm")
    again = gxrm.load(tmp_path / "added.gxrm")
    assert again.instances(Type.FRAME_COLUMN)[-1] == gxrm.Instance(Type.FRAME_COLUMN, "KZ-新", "8002", [{"材质": "C30"}])


def test_floor_known_only_from_floor_information(writer, tmp_path):
    path = tmp_path / "info.gxrm"
    text = writer.to_string().replace("</ProjFloorInfo>", '<FloorInfo FInfo002="F2"/></ProjFloorInfo>')
    path.write_text(text, encoding="utf-8")
    m = gxrm.load(path)
    assert [f.name for f in m.floors] == ["F1", "F2"]
    assert m.instances(Type.DOOR, "F2") == [] and m.types(Type.DOOR, "F2") == []
    assert m.rename("F2", Type.DOOR, "a", "b") == 0
    for lookup in (m.instances, m.types):
        with pytest.raises(KeyError):
            lookup(Type.DOOR, "F3")
    with pytest.raises(TypeError):
        m.instances(Type.DOOR, b"F1")


def test_floor_names_that_need_quoting(writer, tmp_path):
    name = 'F "2", \\ 层'
    writer.add_floor(name)
    writer.add(gxrm.TypeDef(Type.DOOR, "MT"), name)
    writer.add(gxrm.Instance(Type.DOOR, "M"), name)
    writer.save(tmp_path / "quoted.gxrm")
    m = gxrm.load(tmp_path / "quoted.gxrm")
    assert [i.name for i in m.instances(Type.DOOR, name)] == ["M"] and m.types(Type.DOOR, name)[0].name == "MT"
    assert m.rename(name, Type.DOOR, "M", "N") == 1
    m.save(tmp_path / "renamed.gxrm")
    assert gxrm.load(tmp_path / "renamed.gxrm").instances(Type.DOOR, name)[0].name == "N"


def test_types_by_enum_name_or_chinese_name(model):
    floor = model.floors[0].name
    assert model.instances("框架柱", floor) == model.instances("FRAME_COLUMN", floor) == \
        model.instances(Type.FRAME_COLUMN, floor)
    with pytest.raises(ValueError, match="没有"):
        model.instances("没有", floor)


def test_lone_surrogates_are_refused(model, writer):
    column = model.select()[0]
    for call in (lambda: column.set("objAtt.a", "\ud800"), lambda: setattr(column, "name", "x\udfff"),
                 lambda: writer.add(gxrm.Instance(Type.DOOR, "\ud800")), lambda: model.select("name=\ud800")):
        with pytest.raises(UnicodeEncodeError):
            call()


def test_format_and_save_errors(tmp_path, model, writer):
    other = tmp_path / "other.xml"
    other.write_text("<Building><Floor/></Building>", encoding="utf-8")
    with pytest.raises(gxrm.FormatError, match="Building"):
        gxrm.load(other)
    (tmp_path / "locked").mkdir(0o500)
    refusals = [(FileNotFoundError, "no-dir")] + [(PermissionError, "locked")] * (os.geteuid() != 0)  # root writes
    for (error, folder), save in itertools.product(refusals, (model.save, writer.save)):
        with pytest.raises(error) as raised:  # the subclass the errno names
            save(tmp_path / folder / "x.gxrm")
        assert raised.value.filename == str(tmp_path / folder / "x.gxrm")


def test_writer_ordering_errors_name_what_comes_first():
    for call, name in ((lambda w: w.add_floor("F1"), "add_floor"),
                       (lambda w: w.add(gxrm.Instance(Type.DOOR, "M")), "add")):
        with pytest.raises(gxrm.Error, match=rf"^add_floor_info\(\) must come before {name}\(\)$"):
            call(gxrm.Writer())


def run_together(background, *jobs, rounds=10):
    """Each job `rounds` times on its own thread while `background` loops; re-raises the first failure."""
    done = threading.Event()

    def loop():
        n = 0
        while not done.is_set():
            background(n)
            n += 1

    with ThreadPoolExecutor(len(jobs) + 1) as pool:
        looping = pool.submit(loop)
        try:
            for future in [pool.submit(lambda job=job: [job(n) for n in range(rounds)]) for job in jobs]:
                future.result()
        finally:
            done.set()
        looping.result()


def test_one_model_shared_by_threads(model, tmp_path):
    # A first floor long enough that a save spends a while between the two
    # places a floor's name stands.
    doors = [model.add(gxrm.Instance(Type.DOOR, "M", attributes=[{"k": "v" * 2000}]), "第1层") for _ in range(500)]
    names = ["第2层", "二层"]

    def edit(n):  # changes two places at once, and frees elements a save may be walking
        model.rename_floor(names[n % 2], names[(n + 1) % 2])
        doors.append(model.add(gxrm.Instance(Type.DOOR, f"M{n}", attributes=[{"k": "v" * 50}] * 20), "第1层"))
        model.remove(doors.pop(0))

    def save(path):
        model.save(path)
        saved = gxrm.load(path)  # a whole file, with both places renamed or neither
        assert [f.name for f in saved.floors] == [f.params["floorname"] for f in saved.floors]

    run_together(edit, lambda n: save(tmp_path / "a.gxrm"), lambda n: save(tmp_path / "b.gxrm"),
                 lambda n: list(model.iter_instances()))


def test_one_writer_shared_by_threads(writer, tmp_path):
    for n in range(500):  # a long first floor, as above
        writer.add(gxrm.Instance(Type.DOOR, "M", attributes=[{"k": "v" * 2000}]), "F1")

    def add(n):  # a floor stands in two places, written by one call
        if n < 300:
            writer.add_floor(f"F{n + 2}")
            writer.add(gxrm.Instance(Type.DOOR, "M"), f"F{n + 2}")

    def save(path):
        writer.save(path)
        saved = gxrm.load(path)  # a whole file, each floor in both places
        assert all(f.params for f in saved.floors)
        assert {c.floor for c in saved.select()} <= {f.name for f in saved.floors}

    run_together(add, lambda n: save(tmp_path / "a.gxrm"), lambda n: save(tmp_path / "b.gxrm"),
                 lambda n: writer.to_string())
