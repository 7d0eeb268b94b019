#!/usr/bin/python3
"""Renders gxrm report pages in headless Chromium, driven over its DevTools pipe, and checks the
rendered page and the browser's console; the screenshots stay in WORKDIR.
Usage: report_browser_test.py GXRM CHROMIUM WORKDIR (sample|large|hostile)"""
import base64
import json
import math
import os
import select
import subprocess
import sys

GXRM, CHROMIUM, WORK, CASE = sys.argv[1:5]
SCREEN = (1280, 800)  # a laptop's first screen
# Opens every <details> matching s, again and again as opening makes more, until none is closed.
OPEN_ALL = r"""(async s => {
  for (let closed; (closed = Array.from(document.querySelectorAll(s)).filter(d => !d.open)).length;) {
    for (const d of closed) d.open = true;
    await new Promise(r => setTimeout(r, 20));
  }
})('details')"""


def expect(condition, what):
    if not condition:
        sys.exit("FAILED: " + what)


def run(*args):
    subprocess.run(list(args), cwd=WORK, check=True, stdout=subprocess.DEVNULL)


class Page:
    """A page of its own Chromium, whose DevTools protocol runs on fds 3 and 4, messages ending in NUL."""

    def __init__(self, file):
        to_child, self.to_browser = os.pipe()
        self.from_browser, from_child = os.pipe()
        self.proc = subprocess.Popen(
            [CHROMIUM, "--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
             "--no-first-run", "--hide-scrollbars", "--remote-debugging-pipe", "about:blank"], close_fds=False,
            preexec_fn=lambda: [os.dup2(fd, n) for n, fd in enumerate([os.dup(to_child), os.dup(from_child)], 3)],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_child)
        os.close(from_child)
        self.buffer, self.sent, self.events, self.session = b"", 0, [], None
        target = self.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        self.session = self.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        for domain in ["Runtime", "Log", "Page"]:
            self.call(domain + ".enable")
        self.resize(*SCREEN)
        self.call("Page.navigate", {"url": "file://" + os.path.join(WORK, file)})
        while not any(e.get("method") == "Page.loadEventFired" for e in self.events):
            self.events.append(self.receive())
        with open(os.path.join(WORK, "report-%s.png" % CASE), "wb") as out:
            out.write(base64.b64decode(self.call("Page.captureScreenshot", {"format": "png"})["data"]))
        self.check_clean()

    def receive(self):
        while b"\0" not in self.buffer:
            chunk = select.select([self.from_browser], [], [], 120)[0] and os.read(self.from_browser, 1 << 20)
            expect(chunk, "the browser answers")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, params=None):
        self.sent += 1
        message = {"id": self.sent, "method": method, "params": params or {}}
        os.write(self.to_browser, json.dumps(dict(message, sessionId=self.session) if self.session else message)
                 .encode() + b"\0")
        while (answer := self.receive()).get("id") != self.sent:
            self.events.append(answer)
        expect("error" not in answer, "%s: %s" % (method, answer.get("error")))
        return answer["result"]

    def resize(self, width, height):
        self.call("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})

    def eval(self, expression):
        result = self.call("Runtime.evaluate", {"expression": expression, "awaitPromise": True, "returnByValue": True})
        expect("exceptionDetails" not in result, "check script: %s" % result.get("exceptionDetails"))
        return result["result"].get("value")

    def check_clean(self):
        """No console error, uncaught exception or error box, and the page's script ran to its end."""
        found = [str(e["params"])[:300] for e in self.events if e.get("method") == "Runtime.exceptionThrown"
                 or e.get("method") == "Runtime.consoleAPICalled" and e["params"]["type"] in ("error", "assert")
                 or e.get("method") == "Log.entryAdded" and e["params"]["entry"]["level"] == "error"]
        found += [box for box in [self.eval("document.getElementById('errors').textContent")] if box]
        expect(not found, "no console errors: %s" % found[:5])
        expect(self.eval("document.body.dataset.ready") == "1", "the script ran to its end")

    def close(self):
        self.check_clean()
        self.call("Browser.close")
        self.proc.wait(timeout=30)


def first_screen(page, floors):
    """The totals, the stack of every floor and the floors-by-kind map begin on the first screen and agree."""
    for what, whole in [("#totals", True), ("#floor-stack .storeys", True), ("#heatmap", False)]:
        box = page.eval("(r => r && [r.left, r.top, r.right, r.bottom])(document.querySelector(%s)"
                        "?.getBoundingClientRect())" % json.dumps(what))
        expect(box and 0 <= box[1] and box[1] + 40 < SCREEN[1] and box[3] > box[1] and box[2] <= SCREEN[0]
               and (box[3] <= SCREEN[1] or not whole), "%s on the first screen: %s" % (what, box))
    expect(page.eval("document.querySelectorAll('#floor-stack .storey').length") == len(floors), "a box per floor")
    cells = page.eval("Array.from(document.querySelectorAll('#heatmap td.cell'), c => [+c.dataset.types, +c.dataset.instances])")
    expect(len(cells) == 9 * (len(floors) + 1), "a map cell per list and kind")
    totals = dict(page.eval("Array.from(document.querySelectorAll('#totals .stat'), s => [s.dataset.stat, +s.dataset.count])"))
    expect(totals["floors"] == len(floors) and totals["types"] == sum(c[0] for c in cells)
           and totals["instances"] == sum(c[1] for c in cells), "the totals agree with the map: %s" % totals)
    expect(page.eval("document.getElementById('overview').compareDocumentPosition(document.getElementById('project'))")
           & 4, "the project tables come after the overview")
    return totals


def storeys(page):
    """Per floor name: its elevation, its height and its box's top and bottom on the page."""
    return {s[0]: s[1:] for s in page.eval("""Array.from(document.querySelectorAll('#floor-stack .storey'), s => {
        const r = s.getBoundingClientRect(); return [s.dataset.floor, +s.dataset.elevation, +s.dataset.height, r.top, r.bottom]; })""")}


def sample():
    run(GXRM, "sample", "old.gxrm", "--floors", "3")
    run(GXRM, "rename", "old.gxrm", "第2层", "框架柱", "KZ-1", "KZ-9", "-o", "new.gxrm")
    run(GXRM, "report", "new.gxrm", "-o", "sample.html", "--diff", "old.gxrm")
    page = Page("sample.html")
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
    expect("0 removed" in page.eval("document.querySelector('#change-summary').textContent"), "a rename is no removal")

    # Everything opened in a narrow window: wide tables scroll in their box, the page does not.
    page.resize(640, 800)
    page.eval(OPEN_ALL)
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
    page.close()


def large():
    run(GXRM, "sample", "large.gxrm", "--floors", "80", "--bays", "24", "20")
    run(GXRM, "report", "large.gxrm", "-o", "large.html")
    size = os.path.getsize(os.path.join(WORK, "large.html"))
    expect(size < 32 * 1024 * 1024, "the page stays small: %d bytes" % size)
    page = Page("large.html")
    totals = first_screen(page, ["第%d层" % f for f in range(1, 81)])
    expect(totals["instances"] >= 240000, "%d instances counted" % totals["instances"])
    expect(page.eval("document.querySelectorAll('tr').length") < 2000, "rows are rendered on demand")
    page.close()


RLO = "\u202e"


def hostile_models():
    """The sample with a 125 000-point section, outlines past any drawing, an unnamed floor whose
    grid has the global grid's id and name, a floor without elevation or height, and
    right-to-left overrides in names; then the same with that floor's grid changed."""
    run(GXRM, "sample", "base.gxrm", "--floors", "3")
    model = json.loads(subprocess.run([GXRM, "dump", "base.gxrm"], cwd=WORK, check=True, capture_output=True).stdout)
    parts = model["sections"]
    sections, infos, rules = (next(s for s in parts if key in s)[key] for key in ["crossSections", "floorInfo", "rules"])
    floors = [s for s in parts if s["element"] == "Floor"]
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
    for info, floor, name in zip(infos, floors, ["第1层" + RLO + "abc", "第2层", ""]):
        info[floor_key] = name
        floor["attributes"][next(k for k, v in floor["attributes"].items() if v.startswith("第"))] = name
    del infos[1][height_key], infos[1][elevation_key]
    rules[0]["attributes"]["object"] = "框架" + RLO + "梁"
    global_grid = next(s for s in parts if "objects" in s and s["element"] != "Floor")["objects"]["轴网"]["instances"][0]
    grid = floors[2]["objects"]["轴网"]["instances"][0]
    grid["id"] = global_grid["id"]
    for name in ["old.gxrm", "new.gxrm"]:
        subprocess.run([GXRM, "build", "-", name], input=json.dumps(model, ensure_ascii=False).encode(), cwd=WORK, check=True,
                       stdout=subprocess.DEVNULL)
        grid["att"][0]["Kind"] = "斜交" + RLO + "轴网"
    return global_grid["id"]


def hostile():
    grid_id = hostile_models()
    run(GXRM, "report", "new.gxrm", "-o", "hostile.html", "--diff", "old.gxrm")
    page = Page("hostile.html")
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
           and "no elevation" in page.eval("document.querySelector('#floor-stack').textContent"), "floor 2 noted")

    # The unnamed floor's changed grid marks that floor's row only, not the global list's.
    page.eval(OPEN_ALL)
    marks = page.eval("""[document.querySelector('details.list[data-global]'), document.querySelector('details.list[data-floor=""]')]
        .map(l => Array.from(l.querySelectorAll('details[data-type="轴网"] table.instances tr'), r => r.className + ':' + r.cells[0].textContent))""")
    expect(marks == [[":id", ":" + grid_id], [":id", "changed:" + grid_id]], "change marks per list: %s" % marks)

    # Right-to-left overrides stay inside their name.
    loose = page.eval("""(() => {
        const walk = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT), loose = [];
        let n = 0;
        for (let node; (node = walk.nextNode());) {
          const parent = node.parentElement, alone = ['TD', 'TH'].includes(parent.tagName) && parent.childNodes.length === 1;
          if (node.data.includes('\\u202e') && !parent.closest('script') && ++n && parent.tagName !== 'BDI' && !alone)
            loose.push(parent.outerHTML.slice(0, 120));
        }
        return [n, loose];
      })()""")
    expect(loose[0] >= 6 and not loose[1], "every name with an override isolated: %s" % loose)
    expect(page.eval("document.title").count("\u2068") == 1, "the title isolates the file name")
    page.close()


os.makedirs(WORK, exist_ok=True)
{"sample": sample, "large": large, "hostile": hostile}[CASE]()
print("ok")
