import gc
import os

import pytest

import gxrm
from gxrm import Kind, Type


def rebuild(m):
    """The loaded model written again, section by section in file order."""
    w = gxrm.Writer(m.header)
    if m.project_settings is not None:
        w.add_project_settings(m.project_settings)
    if m.rule_settings is not None:
        w.add_rules(m.rule_settings, m.rules)
    if m.cross_section_settings is not None:
        w.add_cross_sections(m.cross_section_settings, m.cross_sections)
    w.add_floor_info(m.floor_settings)
    for floor in m.floors:
        w.add_floor(floor.name, floor.info, floor.params)
    for floor in [None] + [f.name for f in m.floors]:
        for t in Type:
            for record in m.types(t, floor) + m.instances(t, floor):
                w.add(record, floor)
    return w


def test_rebuilding_the_sample_gives_the_same_bytes(sample, sample_path, tmp_path):
    w = rebuild(sample)
    w.save(tmp_path / "again.gxrm")
    assert (tmp_path / "again.gxrm").read_bytes() == sample_path.read_bytes()
    assert w.to_string() == sample_path.read_text(encoding="utf-8")


def test_iter_instances_walks_the_model_as_it_was_when_called(sample_path):
    m = gxrm.load(sample_path)
    before = list(m.iter_instances())  # the global list, then each floor; kinds and types in file order
    assert before == [(f, i) for f in [None] + [f.name for f in m.floors] for k in Kind for t in k.types
                      for i in m.instances(t, f)]
    walk = m.iter_instances()
    first = next(walk)
    for c in m.select():  # the same length, which may overwrite the text in place
        for name, value in (c.records("objAtt") or [{}])[0].items():
            c.set("objAtt." + name, "z" * len(value.encode()))
    m.remove(m.select()[-1])
    del m
    gc.collect()
    assert [first] + list(walk) == before
    assert list(walk) == []


def test_load_errors(tmp_path):
    with pytest.raises(FileNotFoundError, match="missing.gxrm"):
        gxrm.load(tmp_path / "missing.gxrm")
    with pytest.raises(IsADirectoryError):
        gxrm.load(tmp_path)
    broken = tmp_path / "broken.gxrm"
    broken.write_text("<GXRMheader_v1.0>\n  <ProjSetting a='1'>\n</GXRMheader_v1.0>", encoding="utf-8")
    with pytest.raises(gxrm.LoadError) as bad:
        gxrm.load(broken)
    assert (bad.value.path, bad.value.line) == (str(broken), 3)
    assert bad.value.column > 0 and bad.value.reason and isinstance(bad.value, gxrm.Error)
    if os.geteuid() != 0:  # root reads every file
        broken.chmod(0)
        with pytest.raises(PermissionError):
            gxrm.load(broken)


def test_file_without_sections(tmp_path):
    bare = tmp_path / "bare.gxrm"
    bare.write_text('<GXRMheader_v2.5 b="2" a="1"/>', encoding="utf-8")
    m = gxrm.load(bare)
    assert (m.version, list(m.header)) == ("2.5", ["b", "a"])
    assert m.project_settings is None and m.floors == [] and m.rules == []
    assert m.instances(Type.WALL_HOLE) == [] and list(m.iter_instances()) == []


def test_reading_leaves_the_collector_as_it_was(sample):
    for enabled in (True, False):
        (gc.enable if enabled else gc.disable)()
        try:
            list(sample.iter_instances())
            sample.instances(Type.FRAME_COLUMN, sample.floors[0].name)
            assert gc.isenabled() == enabled
        finally:
            gc.enable()


def test_records_read_back_exactly_in_order(writer, tmp_path):
    # Texts beyond the str caches' size, names and values that move between places from record to
    # record, long and empty records.
    wide = {f"k{n}": str(n % 3) for n in range(40)} | {"长" * 100: "长" * 300}
    shapes = [{"a": "1", "b": "2"}, {"b": "2", "a": "1"}, {"a": "2"}, {}, wide, {"b": "1", "c": "1"}, wide]
    written = [gxrm.Instance(Type.FRAME_BEAM, f"L{n}", str(n), [shape], [shapes[n - 1]], [shape, shape])
               for n, shape in enumerate(shapes)]  # kinds in file order: beams, columns, doors
    texts = [f"值{n}" * (n % 40) for n in range(6000)]
    written += [gxrm.Instance(Type.FRAME_COLUMN, t, str(n), [{f"k{n % 1500}": t, "材质": "C30"}])
                for n, t in enumerate(texts)]
    written.append(gxrm.Instance(Type.DOOR, "M", "1", [{}, {"a": "1"}, {}], [{}]))
    for instance in written:
        writer.add(instance, "F1")
    path = tmp_path / "records.gxrm"
    writer.save(path)
    m = gxrm.load(path)
    for read in ([i for _, i in m.iter_instances()],
                 [i for t in (Type.FRAME_BEAM, Type.FRAME_COLUMN, Type.DOOR) for i in m.instances(t, "F1")]):
        assert read == written
        assert [[list(r.items()) for r in i.attributes + i.geometry] for i in read] == \
            [[list(r.items()) for r in i.attributes + i.geometry] for i in written]
    read[-2].attributes[0]["材质"] = "changed"
    assert gxrm.load(path).instances(Type.FRAME_COLUMN, "F1")[-1].attributes[0]["材质"] == "C30"
