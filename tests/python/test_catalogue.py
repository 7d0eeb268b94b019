import pytest

import gxrm
from gxrm import Kind, Type


def test_kinds_and_types_find_each_other():  # the values themselves: Docs.CatalogueTables
    assert all(t.kind is k for k in Kind for t in k.types)
    assert all(Type.from_chinese(t.chinese) is t for t in Type)
    assert Type.from_chinese("不存在") is None and Type.from_chinese("") is None


@pytest.mark.parametrize("source, target, name, names", [
    (1, 2, Type.FRAME_BEAM, ["框架梁", "次梁"]), (3, 1, "框架柱", ["砼柱", "砖柱"]),
    (1, 2, Type.BRICK_OUTER_WALL, []), (4, 1, Type.FRAME_BEAM, []), (1, 2, "没有", [])])
def test_map_type_names(source, target, name, names):
    assert gxrm.map_type_names(source, target, name) == names


def test_section_identifiers():
    assert gxrm.section_id("cal", "1000", Type.FRAME_COLUMN).startswith("自定义截面")
    assert gxrm.section_id("steel", "no such key", Type.FRAME_COLUMN) == ""
    with pytest.raises(ValueError, match="metric"):
        gxrm.section_id("metric", "1", Type.FRAME_COLUMN)
