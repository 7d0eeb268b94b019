"""Spreadsheet round trips through gxrm select and gxrm apply, the tables
edited the way spreadsheet programs edit them: openpyxl for XLSX, the csv
module for CSV. GXRM_TOOL names the gxrm program."""
import csv
import io
import json
import os
import subprocess
import zipfile

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


def test_select_xlsx_is_text_with_a_frozen_bold_header(model, tmp_path):
    out = tmp_path / "columns.xlsx"
    assert gxrm("select", model, QUERY, "-o", out).returncode == 0
    sheet = openpyxl.load_workbook(out).active
    assert [c.value for c in sheet[1]][:6] == ["floor", "kind", "type", "is", "id", "name"]
    assert sheet.freeze_panes == "A2" and all(c.font.b for c in sheet[1])
    values = [c.value for row in sheet.iter_rows(min_row=2) for c in row if c.value is not None]
    assert values and all(isinstance(v, str) for v in values)
    assert {"00123", "0,0", "1e3"} <= set(values)
    assert len(list(sheet.iter_rows(min_row=2))) == len(rows_of(model))


def test_exit_statuses(model, tmp_path):
    """1: nothing found; 2: refused. Neither writes the output."""
    out = tmp_path / "out.gxrm"
    first, type_row = rows_of(model)[0], rows_of(model, "is=type type=框架柱")[0]
    one = f"{QUERY} floor={first['floor']} id={first['id']}"
    for status, *args in [
        (1, "select", model, "name=no-such-name"),
        (2, "select", model, "nonsense=="),
        (2, "select", model, "-o", model, "--format", "csv"),  # the model read is never the model written
        (2, "select", model, QUERY, "--format", "xlsx"),  # no binary on a terminal
        (2, "select", model, QUERY, "--format", "json", "--encoding", "gbk"),
        (2, "select", model, QUERY, "-o", tmp_path / "t.unknown"),
        (2, "set", model, one, "objAtt.编号=7"),  # no output named
        (1, "set", model, "name=no-such-name", "objAtt.编号=1", "-o", out),
        (2, "set", model, QUERY, "bad", "-o", out),
        (2, "set", model, f"is=type type=框架柱 id={type_row['id']}", "objAtt.Axis=1", "-o", out),  # not a type's list
        (2, "rename", model, "--floor", "无此层", "x", "-o", out),
    ]:
        run = gxrm(*args)
        assert run.returncode == status and not out.exists(), (args, run.stderr)


def test_select_text_and_csv(model, tmp_path):
    text = gxrm("select", model, QUERY, check=0).stdout
    assert text.splitlines()[0].split()[:6] == ["floor", "kind", "type", "is", "id", "name"]
    assert gxrm("select", model, QUERY, "-o", tmp_path / "t.txt", check=0).stdout == ""
    assert (tmp_path / "t.txt").read_text(encoding="utf-8") == text
    streamed = gxrm("select", model, QUERY, "-o", "-", "--format", "csv", check=0).stdout
    assert streamed.startswith("\ufefffloor,kind,type,is,id,name,")
    gxrm("select", model, QUERY, "-o", tmp_path / "u.csv", check=0)
    gxrm("select", model, QUERY, "-o", tmp_path / "g.csv", "--encoding", "gbk", check=0)
    utf8, gbk = (tmp_path / "u.csv").read_bytes(), (tmp_path / "g.csv").read_bytes()
    assert utf8.startswith(b"\xef\xbb\xbf") and not gbk.startswith(b"\xef\xbb\xbf")
    assert utf8[3:].decode("utf-8") == gbk.decode("gbk")
    assert '"0,0"' in gbk.decode("gbk") and "\r\n" in gbk.decode("gbk")


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
    target, other, deleted = before[0], before[-1], (before[1]["id"], before[1]["floor"])
    attribute = next(c for c in target if "." in c and target[c] and c != "objAtt.编号")

    def edit(sheet):  # rows re-sorted, one deleted, columns reordered, one added, cells changed and cleared
        header, *body = [[c.value for c in row] for row in sheet.iter_rows()]
        rows = sorted((dict(zip(header, r)) for r in body), key=lambda r: r["name"], reverse=True)
        columns = header[::-1] + ["objAtt.备注"]
        for r in rows:
            if (r["id"], r["floor"]) == (target["id"], target["floor"]):
                r.update({attribute: "changed", "objAtt.编号": None, "objAtt.备注": "检查"})
        sheet.delete_rows(1, sheet.max_row)
        for r in [dict(zip(columns, columns))] + [r for r in rows if (r["id"], r["floor"]) != deleted]:
            sheet.append([r.get(c) for c in columns])

    run, out = edited_xlsx(model, tmp_path, edit)
    assert (run.returncode, run.stdout) == (0, "3 cells changed in 1 component\n"), run.stderr
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
    (lambda rows: [r.append("x") for r in rows], '"x" is no key column and no LIST.ATTR'),
    (lambda rows: rows[1].append("stray"), "row 2 has a value in column"),
    (lambda rows: rows[1].__setitem__(3, "both"), "row 2"),
    (lambda rows: [r.append(v) for r, v in zip(rows, ["TypeClassAtt.Material", "C50"] + [""] * len(rows))],
     'row 2, column "TypeClassAtt.Material"'),  # a type definition's list on an instance row
])
def test_tables_that_cannot_be_placed_are_refused(model, tmp_path, edit, message):
    table = csv_table(model, tmp_path, "utf-8", edit)
    out = tmp_path / "out.gxrm"
    run = gxrm("apply", model, table, "-o", out)
    assert run.returncode == 2 and message in run.stderr and run.stderr.count("\n") == 1, run.stderr
    assert run.stdout == "" and not out.exists()


def test_ambiguous_rows_are_refused(model, tmp_path):
    for row in rows_of(model)[:2]:  # two columns of one floor that only their ids told apart
        gxrm("set", model, f"{QUERY} floor={row['floor']} id={row['id']}", "id=", "name=同名", "--in-place", check=0)
    table = tmp_path / "t.csv"
    gxrm("select", model, QUERY, "-o", table, check=0)
    run = gxrm("apply", model, table, "-o", tmp_path / "out.gxrm")
    assert run.returncode == 2 and "row 2: 2 components" in run.stderr, run.stderr


def test_set_and_rename(model, tmp_path):  # apply writes through the same session: -o, --in-place, --dry-run
    first, original = rows_of(model)[0], model.read_bytes()
    query = f"{QUERY} floor={first['floor']} id={first['id']}"
    dry = gxrm("set", model, query, "objAtt.编号=", "--dry-run", check=0).stdout
    assert dry.startswith("1 component changed\n0 added, 0 removed, 1 changed\n") and "00123" in dry
    assert model.read_bytes() == original
    out = tmp_path / "out.gxrm"
    assert gxrm("set", model, query, "objAtt.编号=", "-o", out, check=0).stdout == "1 component changed\n"
    assert "objAtt.编号" not in rows_of(out)[0]
    # An empty name or id removes the attribute rather than leaving it empty.
    gxrm("set", model, query, "name=", "id=", "-o", out, check=0)
    before, after = model.read_bytes(), out.read_bytes()
    for attribute in (b'objname="', b'objId="'):
        assert after.count(attribute) == before.count(attribute) - 1 and attribute + b'"' not in after
    floor = rows_of(model)[-1]["floor"]
    gxrm("rename", model, "--floor", floor, "顶层", "-o", out, check=0)
    floors = {r["floor"] for r in rows_of(out)}
    assert "顶层" in floors and floor not in floors
    query = f"is=type type=框架柱 id={rows_of(model, 'is=type type=框架柱')[0]['id']}"
    gxrm("set", model, query, "TypeClassAtt.Material=C40", "--in-place", check=0)
    assert rows_of(model, query)[0]["TypeClassAtt.Material"] == "C40"


def handmade_xlsx(path, rows):
    """A workbook as other programs write one: prefixed names, inline and rich shared strings with
    phonetic runs, cells without references, numbers."""
    x = 'xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
    shared, cells = [], []
    for r, row in enumerate(rows, start=1):
        cells.append(f'<x:row r="{r}">')
        for c, value in enumerate(row):
            if value is None:
                continue
            ref = "" if c % 2 == 1 and row[c - 1] is not None else f' r="{chr(65 + c)}{r}"'
            text = value.replace("&", "&amp;").replace("<", "&lt;")
            if value.isdigit() and not value.startswith("0"):
                cells.append(f"<x:c{ref}><x:v>{text}</x:v></x:c>")
            elif c % 3 == 0:
                cells.append(f'<x:c{ref} t="inlineStr"><x:is><x:t>{text}</x:t></x:is></x:c>')
            else:
                half = len(text) // 2
                shared.append(f"<x:si><x:r><x:t>{text[:half]}</x:t></x:r><x:r><x:t>{text[half:]}</x:t></x:r>"
                              f"<x:rPh><x:t>ふりがな</x:t></x:rPh></x:si>")
                cells.append(f'<x:c{ref} t="s"><x:v>{len(shared) - 1}</x:v></x:c>')
        cells.append("</x:row>")
    with zipfile.ZipFile(path, "w") as z:
        z.writestr("xl/workbook.xml", f'<x:workbook {x} xmlns:r="http://schemas.openxmlformats.org/officeDocument/'
                   '2006/relationships"><x:sheets><x:sheet name="S" sheetId="1" r:id="rId7"/></x:sheets></x:workbook>')
        z.writestr("xl/_rels/workbook.xml.rels",
                   '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                   '<Relationship Id="rId7" Type="x/worksheet" Target="worksheets/data.xml"/>'
                   '<Relationship Id="rId8" Type="x/sharedStrings" Target="/xl/strings.xml"/></Relationships>')
        z.writestr("xl/strings.xml", f'<x:sst {x}>{"".join(shared)}</x:sst>')
        z.writestr("xl/worksheets/data.xml", f'<x:worksheet {x}><x:sheetData>{"".join(cells)}</x:sheetData></x:worksheet>')


def test_workbooks_of_other_programs_are_read(model, tmp_path):
    before = rows_of(model)
    header, rows = list(before[0]), [list(r.values()) for r in before]
    rows[0][header.index("objAtt.编号")] = "00124"
    rows[1][header.index("objGeoAtt.Top")] = "3900"  # stored as a number
    table = tmp_path / "other.xlsx"
    handmade_xlsx(table, [header] + [[v or None for v in r] for r in rows])
    out = tmp_path / "out.gxrm"
    assert gxrm("apply", model, table, "-o", out, check=0).stdout == "2 cells changed in 2 components\n"
    after = rows_of(out)
    assert after[0]["objAtt.编号"] == "00124" and after[1]["objGeoAtt.Top"] == "3900"


def test_csv_layout_as_spreadsheets_save_it(model, tmp_path):
    table = tmp_path / "t.csv"
    gxrm("select", model, QUERY, "-o", table, check=0)
    lines = table.read_bytes().decode("utf-8-sig").split("\r\n")
    # LF line ends, a blank row and a row of empty cells in between: row numbers still count them.
    lines.insert(2, "")
    lines.insert(3, "," * (lines[0].count(",")))
    lines[5] = lines[5].replace("KZ-1", "无此名", 1)
    for content, message in [("\n".join(lines).encode(), ": row 6: no component"),
                             (f'{lines[0]}\n"open,{lines[1]}'.encode(), "row 2: a quoted cell is not closed"),
                             (b"floor,\xff\xfe\n", "")]:
        table.write_bytes(content)
        run = gxrm("apply", model, table, "-o", tmp_path / "out.gxrm")
        assert run.returncode == 2 and message in run.stderr, run.stderr


def test_model_commands_read_standard_input(model, tmp_path):
    def piped(*args, data=model.read_bytes()):
        return subprocess.run([GXRM, *map(str, args)], input=data, capture_output=True)

    assert piped("select", "-", QUERY).stdout == gxrm("select", model, QUERY, check=0).stdout.encode()
    first = rows_of(model)[0]
    query = f"{QUERY} floor={first['floor']} id={first['id']}"
    out = tmp_path / "out.gxrm"
    assert piped("set", "-", query, "objAtt.编号=7", "-o", out).returncode == 0
    assert rows_of(out)[0]["objAtt.编号"] == "7"
    refused = piped("set", "-", query, "objAtt.编号=7", "--in-place")
    assert refused.returncode == 2 and b"standard input" in refused.stderr

    renamed = piped("rename", "-", "--floor", first["floor"], "首层")  # no place to write back: standard output
    assert renamed.returncode == 0 and renamed.stderr.startswith("standard input: floor ".encode())
    out.write_bytes(renamed.stdout)
    assert rows_of(out)[0]["floor"] == "首层"
    broken = piped("select", "-", data=b"<GXRMheader_v1.0>\n<a></b>")
    assert broken.returncode == 2 and broken.stderr.startswith(b"gxrm: standard input: line 2, column")
