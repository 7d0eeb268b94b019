#!/usr/bin/python3
"""Renders gxrm report pages in headless Chromium and checks the rendered DOM; the
screenshot stays in WORKDIR. Usage: report_browser_test.py GXRM CHROMIUM WORKDIR (sample|large)"""
import os
import re
import shutil
import subprocess
import sys

GXRM, CHROMIUM, WORK, CASE = sys.argv[1:5]
CHROME_FLAGS = ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                "--no-first-run", "--hide-scrollbars"]


def run(*args):
    subprocess.run(list(args), cwd=WORK, check=True, stdout=subprocess.DEVNULL)


def render(page, shot):
    url = "file://" + os.path.join(WORK, page)
    subprocess.run([CHROMIUM, *CHROME_FLAGS, "--window-size=1200,1600", "--screenshot=" + shot, url],
                   cwd=WORK, check=True, capture_output=True)
    return subprocess.run([CHROMIUM, *CHROME_FLAGS, "--dump-dom", url], cwd=WORK, check=True,
                          capture_output=True, text=True).stdout


def expect(condition, what):
    if not condition:
        sys.exit("FAILED: " + what)


def common_checks(dom, floors):
    expect('data-ready="1"' in dom, "the script ran to its end")
    errors = re.search(r'<div id="errors"[^>]*>(.*?)</div>', dom, re.S)
    expect(errors is not None and errors.group(1) == "", "no script error: " + (errors.group(1) if errors else "?"))
    expect(len(re.findall(r'<tr class="floor">', dom)) == len(floors), "one row per floor")
    expect(all("<td>" + name + "</td>" in dom for name in floors), "every floor listed")
    cells = re.findall(r'<td class="cell" data-types="(\d+)" data-instances="(\d+)"', dom)
    expect(len(cells) == 9 * (len(floors) + 1), "a heat map cell per list and kind")
    return sum(int(n) for _, n in cells)


def sample():
    run(GXRM, "sample", "old.gxrm", "--floors", "3")
    shutil.copy(os.path.join(WORK, "old.gxrm"), os.path.join(WORK, "new.gxrm"))
    run(GXRM, "rename", "new.gxrm", "第2层", "框架柱", "KZ-1", "KZ-9")
    run(GXRM, "report", "new.gxrm", "-o", "sample.html", "--diff", "old.gxrm")
    dom = render("sample.html", os.path.join(WORK, "report-sample.png"))
    instances = common_checks(dom, ["第1层", "第2层", "第3层"])
    expect(instances > 100, "instances counted")
    expect(re.search(r'<figure data-secid="[^"]+"><svg[^>]*><g[^>]*><path d="M[^"]+ A', dom) is not None,
           "a cross-section drawn with an arc")
    expect('<circle' in dom, "the insertion point marked")
    expect(re.search(r'<tr class="changed"><td>changed</td><td>instance</td><td>第2层, 框架柱</td>', dom) is not None,
           "the renamed instances listed as changed")
    expect("1 removed" not in dom and "0 removed" in dom, "a rename is no removal")


def large():
    run(GXRM, "sample", "large.gxrm", "--floors", "80", "--bays", "24", "20")
    run(GXRM, "report", "large.gxrm", "-o", "large.html")
    size = os.path.getsize(os.path.join(WORK, "large.html"))
    expect(size < 32 * 1024 * 1024, "the page stays small: %d bytes" % size)
    dom = render("large.html", os.path.join(WORK, "report-large.png"))
    instances = common_checks(dom, ["第%d层" % f for f in range(1, 81)])
    expect(instances >= 240000, "%d instances counted" % instances)
    expect(dom.count("<tr") < 2000, "rows are rendered on demand, not all at once")


os.makedirs(WORK, exist_ok=True)
{"sample": sample, "large": large}[CASE]()
print("ok")
