"""The code-block runner's own rules: what it runs and how it compares output."""

import textwrap
from pathlib import Path

import pytest

import run_code_blocks as runner


@pytest.mark.parametrize("shown, printed, same", [
    (["a  b"], ["a b"], True),                                     # blanks compare as one
    (["wrote x: ... bays"], ["wrote x: 6 floors, 4 x 3 bays"], True),
    (["first", "...", "last"], ["first", "last"], True),          # "..." alone: no lines too
    (["first", "...", "last"], ["first", "1", "2", "last"], True),
    (["first"], ["first", "unexpected"], False),                    # nothing left unshown
    (["a.b"], ["aXb"], False),                                      # text, not a pattern
    (["first", "...", "last"], ["first", "1", "lost"], False),
])
def test_output_matches(shown, printed, same):
    assert runner.output_matches(shown, printed) is same


def test_blocks_and_markers(tmp_path):
    doc = tmp_path / "doc.md"
    doc.write_text(textwrap.dedent("""\
        ```python
        print(1)
        ```
        <!-- not run: installs packages -->
        ```sh
        apt-get install x
        ```
        ~~~cpp
        int main() { return 0; }
        ~~~
        ```cpp
        CGXRMreader reader;
        ```
        ```cmake
        project(x)
        ```
        """), encoding="utf-8")
    found = list(runner.blocks(doc))
    assert [(b.line, b.lang) for b in found] == [(1, "python"), (5, "sh"), (8, "cpp"), (11, "cpp"), (14, "cmake")]
    assert [runner.runnable(b) for b in found] == [True, False, True, False, False]
    assert found[0].text == "print(1)\n"


def test_console_commands_share_the_folder_and_check_status(tmp_path):
    def console(text):
        return runner.run_console(runner.Block(Path("doc.md"), 1, "console", text, False), str(tmp_path), None)

    assert console("$ echo  made > f.txt\n$ cat f.txt\nmade\n") == []
    assert len(console("$ ls missing.txt\n")) == 1              # status 2 with nothing shown
    assert console("$ cmp -s f.txt /dev/null || echo differ\ndiffer\n") == []
    assert len(console("$ echo one\ntwo\n")) == 1


def test_man_page_examples_are_one_console_block(tmp_path):
    page = tmp_path / "tool.1"
    page.write_text(".SH EXAMPLES\n.nf\n$ echo \\-\\-x\n--x\n.fi\n.SH SEE ALSO\n$ not this\n", encoding="utf-8")
    [block] = runner.man_examples(page)
    assert block.lang == "console" and block.text == "$ echo --x\n--x\n"
