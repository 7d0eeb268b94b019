"""Runs the code blocks of the project's documents as a reader would type them.

    run_code_blocks.py BUILD_DIR [FILE ...]   (default: README.md, CONTRIBUTING.md, docs/*.md, docs/*.1)

Each document's blocks run in order in one scratch folder, with BUILD_DIR/bin first on PATH and
BUILD_DIR/python on PYTHONPATH. ```python runs with /usr/bin/python3, ```sh/bash/shell with bash -e;
both must exit with 0. ```console: each "$ " line runs in bash, and the lines below it are its output
(standard error included): runs of blanks compare as one, "..." stands for any text and a line of only
"..." for any lines; with no output shown, the command fails only on an exit status of 2 or more.
```cpp with a main() is compiled against the build tree and run. A man page's EXAMPLES section is a
console block. Other blocks are text; a line <!-- not run: REASON --> right above a block skips it.
"""

import collections
import os
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
FENCE = re.compile(r"^(```|~~~)\s*([\w+-]*)")
SKIP = re.compile(r"^<!--\s*not run\b")
SCRIPTS = ("python", "sh", "bash", "shell")
Block = collections.namedtuple("Block", "path line lang text skipped")


def blocks(path):
    """The fenced blocks of a Markdown file, in order."""
    lines = path.read_text(encoding="utf-8").splitlines()
    i = 0
    while i < len(lines):
        match = FENCE.match(lines[i])
        i += 1
        if match:
            start, fence = i, match.group(1)
            while i < len(lines) and not lines[i].startswith(fence):
                i += 1
            yield Block(path, start, match.group(2).lower(), "\n".join(lines[start:i]) + "\n",
                        start > 1 and bool(SKIP.match(lines[start - 2].strip())))
            i += 1


def man_examples(path):
    """The EXAMPLES section of a man page, as one console block."""
    lines = path.read_text(encoding="utf-8").splitlines()
    if ".SH EXAMPLES" in lines:
        start, body = lines.index(".SH EXAMPLES"), []
        for line in lines[start + 1:]:
            if line.startswith((".fi", ".SH")):
                break
            if not line.startswith("."):
                body.append(line.replace("\\-", "-").replace("\\e", "\\"))
        yield Block(path, start + 1, "console", "\n".join(body) + "\n", False)


def normalise(line):
    return " ".join(line.split())


def output_matches(expected, actual):
    """Whether the actual lines match the shown ones ("..." alone: any lines)."""
    patterns = [None if normalise(e) == "..." else
                re.compile(".*".join(map(re.escape, normalise(e).split("..."))) + r"\Z") for e in expected]
    reachable = [True] + [False] * len(actual)  # reachable[j]: the patterns so far match actual[:j]
    for pattern in patterns:
        step = [False] * (len(actual) + 1)
        for j in range(len(actual) + 1):
            if pattern is None:
                step[j] = reachable[j] or (j > 0 and step[j - 1])
            elif j > 0 and reachable[j - 1]:
                step[j] = bool(pattern.match(normalise(actual[j - 1])))
        reachable = step
    return reachable[len(actual)]


def run(command, cwd, env):
    return subprocess.run(command, cwd=cwd, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True, timeout=600)


def run_console(block, cwd, env):
    """Problems of a console block, one text each."""
    commands, problems = [], []
    for line in block.text.splitlines():
        if line.startswith("$ "):
            commands.append((line[2:], []))
        elif commands and line.strip():
            commands[-1][1].append(line)
    for command, expected in commands:
        done = run(["bash", "-o", "pipefail", "-c", command], cwd, env)
        actual = [a for a in done.stdout.splitlines() if a.strip()]
        if expected and not output_matches(expected, actual):
            problems.append(f"$ {command}\n  shown:\n" + "\n".join(expected) + "\n  printed:\n" + done.stdout)
        elif not expected and not 0 <= done.returncode <= 1:
            problems.append(f"$ {command}\n  exit status {done.returncode}:\n{done.stdout}")
    return problems


def run_script(block, cwd, env, build):
    if block.lang == "python":
        done = run(["/usr/bin/python3", "-c", block.text], cwd, env)
    elif block.lang in SCRIPTS:
        done = run(["bash", "-e", "-o", "pipefail", "-c", block.text], cwd, env)
    else:
        (Path(cwd) / "block.cpp").write_text(block.text, encoding="utf-8")
        lib = build / "lib"
        done = run(["g++", "-std=c++17", "-o", "block", "block.cpp", f"-I{build / 'include'}", f"-L{lib}",
                    "-lGXRMparser", f"-Wl,-rpath,{lib}"], cwd, env)
        if done.returncode == 0:
            done = run(["./block"], cwd, env)
    return [] if done.returncode == 0 else [f"exit status {done.returncode}:\n{done.stdout}"]


def runnable(block):
    if block.lang == "cpp":
        return not block.skipped and re.search(r"\bint\s+main\s*\(", block.text) is not None
    return not block.skipped and block.lang in SCRIPTS + ("console",)


def main(argv):
    build = Path(argv[1]).resolve()
    files = [Path(f).resolve() for f in argv[2:]] or [
        p for p in [ROOT / "README.md", ROOT / "CONTRIBUTING.md", *sorted((ROOT / "docs").glob("*.md")),
                    *sorted((ROOT / "docs").glob("*.[1-8]"))] if p.exists()]
    env = dict(os.environ, PATH=f"{build / 'bin'}{os.pathsep}{os.environ['PATH']}",
               PYTHONPATH=str(build / "python"), LC_ALL="C.UTF-8")
    passed = failed = skipped = 0
    for path in files:
        cwd = tempfile.mkdtemp(prefix="docs-")
        try:
            for block in (man_examples(path) if path.suffix[1:].isdigit() else blocks(path)):
                if not runnable(block):
                    skipped += block.lang in SCRIPTS + ("console", "cpp")
                    continue
                problems = (run_console(block, cwd, env) if block.lang == "console"
                            else run_script(block, cwd, env, build))
                print(f"{path.relative_to(ROOT)}:{block.line} {block.lang}: {'FAILED' if problems else 'ok'}")
                for problem in problems:
                    print("  " + problem.replace("\n", "\n  "))
                failed += bool(problems)
                passed += not problems
        finally:
            shutil.rmtree(cwd, ignore_errors=True)
    print(f"{passed} passed, {failed} failed, {skipped} skipped")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
