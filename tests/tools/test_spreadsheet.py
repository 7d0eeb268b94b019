"""Spreadsheet round trips through gxrm select and gxrm apply, the tables
edited the way spreadsheet programs edit them: openpyxl for XLSX, the csv
module for CSV. GXRM_TOOL names the gxrm program."""
import csv
import io
import json
import os
import subprocess

import openpyxl
import pytest

GXRM = os.environ["GXRM_TOOL"]
QUERY = "type=框架柱"


def gxrm(*args, check=None):
    run = subprocess.run([GXRM, *map(str, args)], capture_output=True, text=True)
    if check is not None:
        assert run.returncode == check, run.stderr
    return run


def rows_of(model, query=QUERY):
    """The selected components as dicts, through select's JSON."""
    return json.loads(gxrm("select", model, query, "--format", "json", check=0).stdout)


@pytest.fixture
def model(tmp_path):
    path = tmp_path / "model.gxrm"
    gxrm("sample", path, "--floors", "2", check=0)
    # Values a spreadsheet would turn into numbers or dates, on the first column.
    first = rows_of(path)[0]
    gxrm("set", path, f"{QUERY} name={first['name']} id={first['id']} floor={first['floor']}",
         "objAtt.编号=00123", "objAtt.坐标=0,0", "objAtt.指数=1e3", "--in-place", check=0)
    return path


def attribute_columns(header):
    return [c for c in header if "." in c]


def test_select_xlsx_is_text_with_a_frozen_bold_header(model, tmp_path):
    out = tmp_path / "columns.xlsx"
    assert gxrm("select", model, QUERY, "-o", out).returncode == 0
    sheet = openpyxl.load_workbook(out).active
    header = [c.value for c in sheet[1]]
    assert header[:6] == ["floor", "kind", "type", "is", "id", "name"]
    assert sheet.freeze_panes == "A2" and all(c.font.b for c in sheet[1])
    values = [c.value for row in sheet.iter_rows(min_row=2) for c in row if c.value is not None]
    assert values and all(isinstance(v, str) for v in values)
    assert {"00123", "0,0", "1e3"} <= set(values)
    assert len(list(sheet.iter_rows(min_row=2))) == len(rows_of(model))


def test_select_exit_status_and_formats(model, tmp_path):
    assert gxrm("select", model, "name=no-such-name").returncode == 1
    bad = gxrm("select", model, "nonsense==")
    assert bad.returncode == 2 and bad.stderr.startswith("gxrm: ")
    assert gxrm("select", tmp_path / "missing.gxrm").returncode == 2
    text = gxrm("select", model, QUERY, check=0).stdout
    assert text.splitlines()[0].split()[:6] == ["floor", "kind", "type", "is", "id", "name"]
    gxrm("select", model, QUERY, "-o", tmp_path / "u.csv", check=0)
    gxrm("select", model, QUERY, "-o", tmp_path / "g.csv", "--encoding", "gbk", check=0)
    utf8, gbk = (tmp_path / "u.csv").read_bytes(), (tmp_path / "g.csv").read_bytes()
    assert utf8.startswith(b"\xef\xbb\xbf") and not gbk.startswith(b"\xef\xbb\xbf")
    assert utf8[3:].decode("utf-8") == gbk.decode("gbk")
    assert '"0,0"' in gbk.decode("gbk") and "\r\n" in gbk.decode("gbk")
    # The model read is never the model written.
    assert gxrm("select", model, "-o", model, "--format", "csv").returncode == 2


def edited_xlsx(model, tmp_path, edit):
    """select to XLSX, `edit` the sheet through openpyxl, apply; the run and the result."""
    table = tmp_path / "t.xlsx"
    gxrm("select", model, QUERY, "-o", table, check=0)
    book = openpyxl.load_workbook(table)
    edit(book.active)
    book.save(table)
    out = tmp_path / "out.gxrm"
    return gxrm("apply", model, table, "-o", out), out


def test_xlsx_round_trip_with_resorted_deleted_and_added_rows_and_columns(model, tmp_path):
    before = rows_of(model)
    target, other = before[0], before[-1]
    attribute = next(c for c in attribute_columns(target) if target[c] and c != "objAtt.编号")

    def edit(sheet):
        data = [[c.value for c in row] for row in sheet.iter_rows()]
        header, body = data[0], data[1:]
        col = header.index
        body.sort(key=lambda r: r[col("name")], reverse=True)  # re-sorted
        body = [r for r in body if r[col("id")] != before[1]["id"] or r[col("floor")] != before[1]["floor"]]
        order = list(reversed(range(len(header))))  # columns reordered
        rows = [[r[i] for i in order] + [None] for r in [header] + body]
        rows[0][-1] = "objAtt.备注"  # a new column
        hcol = rows[0].index
        for r in rows[1:]:
            if r[hcol("id")] == target["id"] and r[hcol("floor")] == target["floor"]:
                r[hcol(attribute)] = "changed"
                r[hcol("objAtt.编号")] = None  # cleared
                r[-1] = "检查"
        sheet.delete_rows(1, sheet.max_row)
        for r in rows:
            sheet.append(r)

    run, out = edited_xlsx(model, tmp_path, edit)
    assert run.returncode == 0, run.stderr
    assert run.stdout == "3 cells changed in 1 component\n"
    after = {(r["floor"], r["id"]): r for r in rows_of(out)}
    changed = after[(target["floor"], target["id"])]
    assert changed[attribute] == "changed" and "objAtt.编号" not in changed and changed["objAtt.备注"] == "检查"
    unchanged = after[(other["floor"], other["id"])]
    assert {k: v for k, v in other.items() if v} == {k: v for k, v in unchanged.items() if v}


def test_unedited_tables_write_the_same_bytes(model, tmp_path):
    run, out = edited_xlsx(model, tmp_path, lambda sheet: None)
    assert (run.returncode, run.stdout) == (0, "0 cells changed in 0 components\n")
    assert out.read_bytes() == model.read_bytes()


def csv_table(model, tmp_path, encoding, edit):
    """select to CSV, `edit` the rows (header first) and write them back in `encoding`."""
    table = tmp_path / "t.csv"
    gxrm("select", model, QUERY, "-o", table, check=0)
    rows = list(csv.reader(io.StringIO(table.read_bytes().decode("utf-8-sig"))))
    edit(rows)
    with open(table, "w", encoding=encoding, newline="") as f:
        csv.writer(f).writerows(rows)
    return table


@pytest.mark.parametrize("encoding", ["utf-8-sig", "utf-8", "gbk"])
def test_csv_edits_in_every_encoding(model, tmp_path, encoding):
    def edit(rows):
        col = rows[0].index
        rows[1][col("objAtt.坐标")] = "第二,值\n\"引号\""  # comma, line break and quotes

    table = csv_table(model, tmp_path, encoding, edit)
    out = tmp_path / "out.gxrm"
    assert gxrm("apply", model, table, "-o", out, check=0).stdout == "1 cell changed in 1 component\n"
    assert rows_of(out)[0]["objAtt.坐标"] == "第二,值\n\"引号\""


@pytest.mark.parametrize("edit, message", [
    (lambda rows: rows[2].__setitem__(5, "无此名"), "row 3: no component"),
    (lambda rows: rows.append(list(rows[2])), "has the same key cells as row 3"),
    (lambda rows: [r.pop(0) for r in rows], 'key column "floor" is missing'),
    (lambda rows: [r.append("x") for r in rows], 'column'),
    (lambda rows: rows[1].__setitem__(3, "both"), "row 2"),
])
def test_tables_that_cannot_be_placed_are_refused(model, tmp_path, edit, message):
    table = csv_table(model, tmp_path, "utf-8", edit)
    out = tmp_path / "out.gxrm"
    run = gxrm("apply", model, table, "-o", out)
    assert run.returncode == 2 and message in run.stderr and run.stderr.count("\n") == 1, run.stderr
    assert run.stdout == "" and not out.exists()


def test_ambiguous_rows_are_refused(model, tmp_path):
    first, second = rows_of(model)[:2]
    # Two columns of one floor that only their ids told apart.
    for row in (first, second):
        gxrm("set", model, f"{QUERY} floor={row['floor']} id={row['id']}", "id=", "name=同名", "--in-place",
             check=0)
    table = tmp_path / "t.csv"
    gxrm("select", model, QUERY, "-o", table, check=0)
    run = gxrm("apply", model, table, "-o", tmp_path / "out.gxrm")
    assert run.returncode == 2 and "row 2: 2 components" in run.stderr, run.stderr


def test_set_changes_removes_and_dry_runs(model, tmp_path):
    first = rows_of(model)[0]
    query = f"{QUERY} floor={first['floor']} id={first['id']}"
    assert gxrm("set", model, query, "objAtt.编号=7").returncode == 2  # no target: refused
    dry = gxrm("set", model, query, "objAtt.编号=", "--dry-run", check=0).stdout
    assert dry.startswith("1 component changed\n0 added, 0 removed, 1 changed\n") and "00123" in dry
    out = tmp_path / "out.gxrm"
    nothing = gxrm("set", model, "name=no-such-name", "objAtt.编号=1", "-o", out)
    assert nothing.returncode == 1 and not out.exists()
    assert gxrm("set", model, query, "objAtt.编号=", "-o", out, check=0).stdout == "1 component changed\n"
    assert "objAtt.编号" not in rows_of(out)[0]
    assert gxrm("set", model, QUERY, "bad", "-o", out).returncode == 2


def test_rename_floor(model, tmp_path):
    out = tmp_path / "out.gxrm"
    floor = rows_of(model)[-1]["floor"]
    gxrm("rename", model, "--floor", floor, "顶层", "-o", out, check=0)
    floors = {r["floor"] for r in rows_of(out)}
    assert "顶层" in floors and floor not in floors
    assert gxrm("rename", model, "--floor", "无此层", "x", "-o", out).returncode == 2
