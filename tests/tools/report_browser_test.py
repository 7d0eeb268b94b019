#!/usr/bin/python3
"""Renders gxrm report pages in headless Chromium, driven over its DevTools pipe, and checks the
rendered page and the browser's console; the screenshots stay in WORKDIR.
Usage: report_browser_test.py GXRM CHROMIUM WORKDIR (sample|large|hostile)"""
import base64
import json
import math
import os
import select
import shutil
import subprocess
import sys

GXRM, CHROMIUM, WORK, CASE = sys.argv[1:5]
SCREEN = (1280, 800)  # a laptop's first screen

# Page-side helpers the checks call.
HELPERS = r"""
window.t = {
  rect: s => {
    const e = document.querySelector(s), r = e && e.getBoundingClientRect();
    return e ? [r.left, r.top, r.right, r.bottom] : null;
  },
  // Opens every <details> matching s, again and again as opening makes more, until none is closed.
  openAll: async s => {
    for (;;) {
      const closed = Array.from(document.querySelectorAll(s)).filter(d => !d.open);
      if (!closed.length) return;
      for (const d of closed) d.open = true;
      await new Promise(r => setTimeout(r, 20));
    }
  },
  texts: s => Array.from(document.querySelectorAll(s), e => e.textContent),
};
"""


class Browser:
    """Chromium with its DevTools protocol on fds 3 and 4, messages ending in NUL."""

    def __init__(self):
        to_child, self.to_browser = os.pipe()
        self.from_browser, from_child = os.pipe()

        def pipes():
            ours = os.dup(to_child), os.dup(from_child)
            os.dup2(ours[0], 3)
            os.dup2(ours[1], 4)

        self.proc = subprocess.Popen([CHROMIUM, "--headless=new", "--no-sandbox", "--disable-gpu",
                                      "--disable-dev-shm-usage", "--no-first-run", "--hide-scrollbars",
                                      "--remote-debugging-pipe", "about:blank"],
                                     close_fds=False, preexec_fn=pipes,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_child)
        os.close(from_child)
        self.buffer, self.last_id, self.events = b"", 0, []

    def receive(self):
        while b"\0" not in self.buffer:
            if not select.select([self.from_browser], [], [], 120)[0]:
                sys.exit("FAILED: the browser stopped answering")
            chunk = os.read(self.from_browser, 1 << 20)
            if not chunk:
                sys.exit("FAILED: the browser exited")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, params=None, session=None):
        self.last_id += 1
        message = {"id": self.last_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self.to_browser, json.dumps(message).encode() + b"\0")
        while True:
            answer = self.receive()
            if answer.get("id") == self.last_id:
                if "error" in answer:
                    sys.exit("FAILED: %s: %s" % (method, answer["error"]))
                return answer["result"]
            self.events.append(answer)

    def wait_for(self, method, session):
        while not any(e.get("method") == method and e.get("sessionId") == session for e in self.events):
            self.events.append(self.receive())

    def close(self):
        self.call("Browser.close")
        self.proc.wait(timeout=30)


class Page:
    def __init__(self, browser, file, width, height):
        self.browser = browser
        target = browser.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        self.session = browser.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        for domain in ["Runtime", "Log", "Page"]:
            self.call(domain + ".enable")
        self.resize(width, height)
        self.call("Page.navigate", {"url": "file://" + os.path.join(WORK, file)})
        browser.wait_for("Page.loadEventFired", self.session)
        self.eval(HELPERS)

    def call(self, method, params=None):
        return self.browser.call(method, params, self.session)

    def resize(self, width, height):
        self.call("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})

    def eval(self, expression):
        result = self.call("Runtime.evaluate", {"expression": expression, "awaitPromise": True,
                                                "returnByValue": True})
        if "exceptionDetails" in result:
            sys.exit("FAILED: check script: %s" % result["exceptionDetails"])
        return result["result"].get("value")

    def screenshot(self, name):
        with open(os.path.join(WORK, name), "wb") as out:
            out.write(base64.b64decode(self.call("Page.captureScreenshot", {"format": "png"})["data"]))

    def problems(self):
        """Console errors, uncaught exceptions and the page's own error box."""
        found = []
        for e in self.browser.events:
            method, params = e.get("method"), e.get("params", {})
            if e.get("sessionId") != self.session:
                continue
            if method == "Runtime.exceptionThrown":
                found.append(params["exceptionDetails"].get("text", "exception"))
            elif method == "Runtime.consoleAPICalled" and params["type"] in ("error", "assert"):
                found.append(str(params["args"]))
            elif method == "Log.entryAdded" and params["entry"]["level"] == "error":
                found.append(params["entry"]["text"])
        box = self.eval("document.getElementById('errors').textContent")
        return found + ([box] if box else [])


def run(*args):
    subprocess.run(list(args), cwd=WORK, check=True, stdout=subprocess.DEVNULL)


def expect(condition, what):
    if not condition:
        sys.exit("FAILED: " + what)


def rendered_cleanly(page):
    problems = page.problems()
    expect(not problems, "no console errors: %s" % problems[:5])
    expect(page.eval("document.body.dataset.ready") == "1", "the script ran to its end")


def first_screen(page, floors):
    """The totals, the stack of every floor and the floors-by-kind map begin on the first screen."""
    height = SCREEN[1]
    for what in ["#totals", "#floor-stack .storeys", "#heatmap"]:
        box = page.eval("t.rect(%s)" % json.dumps(what))
        expect(box is not None, "the page has " + what)
        left, top, right, bottom = box
        expect(0 <= top and top + 40 < height and bottom > top and right <= SCREEN[0],
               "%s begins on the first screen: %s" % (what, [left, top, right, bottom]))
    expect(page.eval("t.rect('#totals')[3]") <= height, "the totals are whole on the first screen")
    expect(page.eval("t.rect('#floor-stack .storeys')[3]") <= height, "the floor stack is whole on the first screen")
    expect(page.eval("document.querySelectorAll('#floor-stack .storey').length") == len(floors), "a box per floor")
    cells = page.eval("Array.from(document.querySelectorAll('#heatmap td.cell'), c => [+c.dataset.types, +c.dataset.instances])")
    expect(len(cells) == 9 * (len(floors) + 1), "a map cell per list and kind")
    totals = dict(page.eval("Array.from(document.querySelectorAll('#totals .stat'), s => [s.dataset.stat, +s.dataset.count])"))
    expect(totals["floors"] == len(floors), "floors counted: %s" % totals)
    expect(totals["types"] == sum(c[0] for c in cells) and totals["instances"] == sum(c[1] for c in cells),
           "the totals agree with the map: %s" % totals)
    expect(page.eval("document.getElementById('overview').compareDocumentPosition(document.getElementById('project'))")
           & 4, "the project tables come after the overview")
    return totals


def storeys(page):
    """Per floor name: its elevation, its height and its box's top and bottom on the page."""
    return {s[0]: s[1:] for s in page.eval("""Array.from(document.querySelectorAll('#floor-stack .storey'), s => {
        const r = s.getBoundingClientRect(); return [s.dataset.floor, +s.dataset.elevation, +s.dataset.height, r.top, r.bottom]; })""")}


def sample():
    run(GXRM, "sample", "old.gxrm", "--floors", "3")
    shutil.copy(os.path.join(WORK, "old.gxrm"), os.path.join(WORK, "new.gxrm"))
    run(GXRM, "rename", "new.gxrm", "第2层", "框架柱", "KZ-1", "KZ-9")
    run(GXRM, "report", "new.gxrm", "-o", "sample.html", "--diff", "old.gxrm")
    browser = Browser()
    page = Page(browser, "sample.html", *SCREEN)
    page.screenshot("report-sample.png")
    rendered_cleanly(page)
    floors = ["第1层", "第2层", "第3层"]
    totals = first_screen(page, floors)
    expect(totals["instances"] > 100 and totals["sections"] == 3 and totals["rules"] == 3, "totals: %s" % totals)

    # Drawn to scale: box heights follow the floors' heights, each floor sits on the one below.
    boxes = storeys(page)
    expect([boxes[f][:2] for f in floors] == [[0, 4200], [4200, 3600], [7800, 3600]], "elevations: %s" % boxes)
    pixels = [boxes[f][3] - boxes[f][2] for f in floors]
    expect(abs(pixels[0] / pixels[1] - 4200 / 3600) < 0.02, "heights to scale: %s" % pixels)
    expect(all(abs(boxes[floors[i]][2] - boxes[floors[i + 1]][3]) < 1 for i in range(2)), "floors stacked upwards")

    expect(page.eval("""Array.from(document.querySelectorAll('#heatmap th')).map(h => h.textContent).join(' ')""")
           .startswith("object list 轴网AXIS 墙WALL"), "kinds named in Chinese with their element names")
    paths = page.eval("Array.from(document.querySelectorAll('figure[data-secid] path'), p => p.getAttribute('d'))")
    expect(len(paths) == 3 and sum(" A" in p for p in paths) == 1, "the sample's sections drawn, one with arcs")
    expect(page.eval("document.querySelectorAll('figure circle.insert').length") == 3, "insertion points marked")
    changed = page.eval("Array.from(document.querySelectorAll('#change-table tr.changed td.where'), d => d.textContent)")
    expect(changed and all(w == "第2层, 框架柱" for w in changed), "the renamed instances listed as changed: %s" % changed)
    expect("0 removed" in page.eval("t.texts('#change-summary')[0]"), "a rename is no removal")

    # Everything opened in a narrow window: wide tables scroll in their box, the page does not.
    page.resize(640, 800)
    page.eval("t.openAll('details')")
    expect(page.eval("document.scrollingElement.scrollWidth <= innerWidth"), "nothing runs off the page")
    expect(page.eval("Array.from(document.querySelectorAll('.scroll')).some(s => s.scrollWidth > s.clientWidth)"),
           "a wide table scrolls inside its box")
    counted = page.eval(r"document.body.innerText.match(/(^|[^\d.])1 [a-z-]+s\b/g)")
    expect(counted is None, "one of a thing is singular: %s" % counted)
    expect(page.eval("document.querySelectorAll('tr.changed td.changedcell').length") > 0, "changed cells marked")

    # Rule nodes, leaves or not, stand at one indentation per level.
    lefts = page.eval("""Array.from(document.querySelectorAll('.rule-tree, .rule-children'), c =>
        Array.from(c.children, n => n.querySelector('.label').getBoundingClientRect().left))""")
    expect(len(lefts) == 3 and [len(l) for l in lefts] == [3, 1, 2], "the sample's rule tree: %s" % lefts)
    expect(all(max(l) - min(l) < 0.5 for l in lefts), "siblings share one indentation: %s" % lefts)
    expect(lefts[1][0] > lefts[0][0] + 5, "children indented under their parent: %s" % lefts)
    rendered_cleanly(page)
    browser.close()


def large():
    run(GXRM, "sample", "large.gxrm", "--floors", "80", "--bays", "24", "20")
    run(GXRM, "report", "large.gxrm", "-o", "large.html")
    size = os.path.getsize(os.path.join(WORK, "large.html"))
    expect(size < 32 * 1024 * 1024, "the page stays small: %d bytes" % size)
    browser = Browser()
    page = Page(browser, "large.html", *SCREEN)
    page.screenshot("report-large.png")
    rendered_cleanly(page)
    totals = first_screen(page, ["第%d层" % f for f in range(1, 81)])
    expect(totals["instances"] >= 240000, "%d instances counted" % totals["instances"])
    expect(page.eval("document.querySelectorAll('tr').length") < 2000, "rows are rendered on demand")
    browser.close()


RLO = "\u202e"


def hostile_models():
    """The sample with a 125 000-point section, outlines past any drawing, an unnamed floor whose
    grid has the global grid's id and name, a floor without elevation or height, and
    right-to-left overrides in names; then the same with that floor's grid changed."""
    run(GXRM, "sample", "base.gxrm", "--floors", "3")
    model = json.loads(subprocess.run([GXRM, "dump", "base.gxrm"], cwd=WORK, check=True,
                                      capture_output=True, text=True).stdout)
    parts = model["sections"]
    sections = next(s for s in parts if "crossSections" in s)["crossSections"]
    infos = next(s for s in parts if "floorInfo" in s)["floorInfo"]
    floors = [s for s in parts if s["element"] == "Floor"]
    rules = next(s for s in parts if "rules" in s)["rules"]
    keys = list(sections[0])  # id, name, points, bulges, insertion point
    count = 125000
    angles = [2 * math.pi * i / count for i in range(count)]
    circle = ";".join("%d,%d" % (round(1e5 * math.cos(a)), round(1e5 * math.sin(a))) for a in angles)
    outlines = [("99000201", "大圆 " + RLO + "RTL", circle, ";".join("0.01" if i % 1000 == 0 else "0" for i in range(count))),
                ("99000202", "远点", "0,0;1e308,0;1e308,1e308", "0;0;0"),
                ("99000203", "NaN", "0,0;NaN,5;5,5", "0;0;0"),
                ("99000204", "巨弧", "0,300;600,300", "1e300;1"),
                ("99000205", "细弧", "0,300;600,300", "1e-300;1")]
    sections[:] = [dict(zip(keys, [i, name, point, bulge, "0,0"])) for i, name, point, bulge in outlines]
    floor_key = next(k for k, v in infos[0].items() if v == "第1层")
    height_key = next(k for k, v in infos[0].items() if v == "4200")
    elevation_key = next(k for k, v in infos[1].items() if v == "4200")
    names = ["第1层" + RLO + "abc", "第2层", ""]
    for info, floor, name in zip(infos, floors, names):
        info[floor_key] = name
        floor["attributes"][next(k for k, v in floor["attributes"].items() if v.startswith("第"))] = name
    del infos[1][height_key], infos[1][elevation_key]
    rules[0]["attributes"]["object"] = "框架" + RLO + "梁"
    global_grid = next(s for s in parts if "objects" in s and s["element"] != "Floor")["objects"]["轴网"]["instances"][0]
    floors[2]["objects"]["轴网"]["instances"][0]["id"] = global_grid["id"]
    with open(os.path.join(WORK, "old.json"), "w") as out:
        json.dump(model, out, ensure_ascii=False)
    floors[2]["objects"]["轴网"]["instances"][0]["att"][0]["Kind"] = "斜交" + RLO + "轴网"
    with open(os.path.join(WORK, "new.json"), "w") as out:
        json.dump(model, out, ensure_ascii=False)
    run(GXRM, "build", "old.json", "old.gxrm")
    run(GXRM, "build", "new.json", "new.gxrm")
    return global_grid["id"]


def hostile():
    grid_id = hostile_models()
    run(GXRM, "report", "new.gxrm", "-o", "hostile.html", "--diff", "old.gxrm")
    browser = Browser()
    page = Page(browser, "hostile.html", *SCREEN)
    page.screenshot("report-hostile.png")
    rendered_cleanly(page)
    first_screen(page, ["第1层" + RLO + "abc", "第2层", ""])

    # Every section after the big one is there; the big and the thin arc are drawn, the rest listed.
    drawn = page.eval("Array.from(document.querySelectorAll('figure[data-secid]'), f => f.dataset.secid)")
    expect(drawn == ["99000201", "99000205"], "drawn sections: %s" % drawn)
    expect(page.eval("document.querySelector('figure[data-secid=\"99000201\"] path').getAttribute('d').length") > 125000 * 8,
           "the 125 000-point outline drawn whole")
    undrawn = page.eval("Array.from(document.querySelectorAll('#undrawn tr'), r => Array.from(r.cells, c => c.textContent))")[1:]
    expect([r[0] for r in undrawn] == ["99000202", "99000203", "99000204"] and all(r[2] for r in undrawn),
           "absurd outlines listed with a reason: %s" % undrawn)
    expect(page.eval("document.querySelectorAll('#rules .rule-tree > .rule').length") == 3, "the rules after the sections")

    # A floor without elevation or height is drawn, above the one before, with a note.
    boxes = storeys(page)
    expect(boxes["第2层"][0] == 4200 and boxes["第2层"][3] - boxes["第2层"][2] > 10, "floor 2 placed: %s" % boxes)
    expect(page.eval("document.querySelector('#floor-stack .storey[data-floor=\"第2层\"]').classList.contains('noted')")
           and "no elevation" in page.eval("t.texts('#floor-stack .notes li').join()"), "floor 2 noted")

    # The unnamed floor's changed grid marks that floor's row only, not the global list's.
    page.eval("t.openAll('details')")
    marks = page.eval("""[document.querySelector('details.list[data-global]'), document.querySelector('details.list[data-floor=""]')]
        .map(l => Array.from(l.querySelectorAll('details[data-type="轴网"] table.instances tr'), r => r.className + ':' + r.cells[0].textContent))""")
    expect(marks == [[":id", ":" + grid_id], [":id", "changed:" + grid_id]], "change marks per list: %s" % marks)

    # Right-to-left overrides stay inside their name.
    loose = page.eval("""(() => {
        const walk = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT), loose = [];
        let n = 0;
        while (walk.nextNode()) {
          const node = walk.currentNode, parent = node.parentElement;
          if (!node.data.includes('\\u202e') || parent.closest('script')) continue;
          ++n;
          const alone = ['TD', 'TH'].includes(parent.tagName) && parent.childNodes.length === 1;
          if (parent.tagName !== 'BDI' && !alone) loose.push(parent.outerHTML.slice(0, 120));
        }
        return [n, loose];
      })()""")
    expect(loose[0] >= 6 and not loose[1], "every name with an override isolated: %s" % loose)
    expect(page.eval("document.title").count("\u2068") == 1, "the title isolates the file name")
    rendered_cleanly(page)
    browser.close()


os.makedirs(WORK, exist_ok=True)
{"sample": sample, "large": large, "hostile": hostile}[CASE]()
print("ok")
