import gxrm
from gxrm import Kind, Type


def test_enums_match_the_library():
    assert (Kind.AXIS, Kind.SLICE) == (0, 8) and len(Kind) == 9
    assert Type.FRAME_COLUMN == 10 and len(Type) == 48
    assert "TYPE_NONE" not in Type.__members__
    assert gxrm.__version__ == "1.0.0"


def test_kind_and_type_properties():
    assert (Kind.WALL.element, Kind.WALL.chinese) == ("WALL", "墙")
    assert Kind.COLUMN.types[0] == Type.FRAME_COLUMN
    assert sum(len(k.types) for k in Kind) == 48
    assert all(t.kind is k for k in Kind for t in k.types)
    assert Type.FRAME_COLUMN.chinese == "框架柱"
    assert {t.speciality for t in Type} == {0, 1, 2}


def test_from_chinese():
    assert all(Type.from_chinese(t.chinese) is t for t in Type)
    assert Type.from_chinese("不存在") is None
    assert Type.from_chinese("") is None


def test_map_type_names():
    assert gxrm.map_type_names(1, 2, Type.FRAME_BEAM) == ["框架梁", "次梁"]
    assert gxrm.map_type_names(3, 1, "框架柱") == ["砼柱", "砖柱"]
    assert gxrm.map_type_names(1, 2, Type.BRICK_OUTER_WALL) == []
    assert gxrm.map_type_names(1, 1, Type.FRAME_BEAM) == []
    assert gxrm.map_type_names(4, 1, Type.FRAME_BEAM) == []
    assert gxrm.map_type_names(1, 2, "没有") == []


def test_section_identifiers_round_trip():
    sid = gxrm.section_id("cal", "1000", Type.FRAME_COLUMN)
    assert sid.startswith("自定义截面")
    assert gxrm.section_id("steel", "no such key", Type.FRAME_COLUMN) == ""
    try:
        gxrm.section_id("metric", "1", Type.FRAME_COLUMN)
    except ValueError as e:
        assert "metric" in str(e)
    else:
        raise AssertionError("unknown vocabulary accepted")
