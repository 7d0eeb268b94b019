// The report page: renders the embedded model on demand.
// Data-sized arrays are walked with loops, never spread into a call: a spread
// of a hundred thousand values overflows the browser's stack.
"use strict";
window.onerror = function (message, source, line) {
  document.getElementById("errors").textContent += "script error: " + message + " (line " + line + ")\n";
};

const PAGE_ROWS = 100;
const COORD_LIMIT = 1e9;  // beyond this, in model units, a drawing loses its shape in the browser's floats
const STACK_HEIGHT = 400;  // pixels for the floor stack's full height
const data = JSON.parse(document.getElementById("gxrm-data").textContent);
const changes = data.diff ? data.diff.changes : [];

function el(tag, attributes, children) {
  const node = document.createElement(tag);
  for (const [k, v] of Object.entries(attributes || {})) node.setAttribute(k, v);
  for (const child of [].concat(children || [])) {
    node.append(child instanceof Node ? child : String(child));
  }
  return node;
}

// A name inside other text, isolated so right-to-left marks in it stay inside.
function nameNode(text) { return el("bdi", {}, text); }
// The same for plain-text places: titles and tooltips.
function isolate(text) { return "\u2068" + text + "\u2069"; }

function plural(n, word) { return n + " " + word + (n === 1 ? "" : "s"); }

// A number written in the file, or NaN.
function parseNumber(text) {
  return /^\s*[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?\s*$/.test(text) ? Number(text) : NaN;
}

function listLabel(floor) {
  if (floor === null) return el("span", { class: "list-name" }, "global object list");
  if (floor === "") return el("span", { class: "list-name muted" }, "(floor with an empty name)");
  return el("span", { class: "list-name" }, nameNode(floor));
}

// "k=v  k=v", each value isolated.
function pairsNodes(pairs) {
  const nodes = [];
  pairs.forEach(([k, v], i) => nodes.push(i ? "  " + k + "=" : k + "=", nameNode(v)));
  return nodes;
}

function pairsTable(pairs) {
  return el("table", {}, pairs.map(([k, v]) => el("tr", {}, [el("th", {}, k), el("td", {}, v)])));
}

// A table that scrolls inside its box when wider than the page.
function scrolling(table) { return el("div", { class: "scroll" }, table); }

function section(id, title) {
  const box = el("section", { id: id }, el("h2", {}, title));
  document.getElementById("app").append(box);
  document.getElementById("toc").append(el("a", { href: "#" + id }, title));
  return box;
}

// A <details> whose content is built the first time it opens.
function lazy(summary, build, attributes) {
  const box = el("details", attributes || {}, el("summary", {}, summary));
  box.addEventListener("toggle", function once() {
    if (!box.open) return;
    box.removeEventListener("toggle", once);
    build(box);
  });
  return box;
}

function instanceCount(type) { return type.inst.data.length ? type.inst.data[0].length : 0; }

function totals() {
  let types = 0, instances = 0, rules = 0;
  for (const list of data.lists) {
    for (const type of list.types) {
      types += type.defs.length;
      instances += instanceCount(type);
    }
  }
  for (const depth of data.rules.depth) if (depth === 0) ++rules;
  return [["floors", "floor", data.floors.length], ["types", "type definition", types],
    ["instances", "instance", instances], ["sections", "cross-section", data.crossSections.length],
    ["rules", "calculation rule", rules]];
}

function showTotals(parent) {
  parent.append(el("div", { id: "totals", class: "totals" }, totals().map(([key, word, n]) =>
    el("div", { class: "stat", "data-stat": key, "data-count": n }, [el("b", {}, n), plural(n, word).replace(/^\d+ /, "")]))));
}

// The floors' elevations and heights; one lacking either is placed above the
// floor before it, at a typical height, with a note saying so.
function floorGeometry() {
  const usable = text => {
    const v = text === null ? NaN : parseNumber(text);
    return Math.abs(v) <= COORD_LIMIT ? v : NaN;
  };
  const median = values => values.sort((a, b) => a - b)[values.length >> 1];
  const heights = data.floors.map(f => usable(f.height)).filter(h => h > 0);
  const elevations = data.floors.map(f => usable(f.elevation)).filter(Number.isFinite).sort((a, b) => a - b);
  const gaps = elevations.slice(1).map((e, i) => e - elevations[i]).filter(g => g > 0);
  const typical = heights.length ? median(heights) : gaps.length ? median(gaps) : 1;
  const nextAbove = e => {  // the lowest known elevation above e
    let next = Infinity;
    for (const other of elevations) if (other > e && other < next) next = other;
    return next;
  };
  let top = 0;
  return data.floors.map((f, i) => {
    const notes = [];
    let elevation = usable(f.elevation), height = usable(f.height);
    if (!Number.isFinite(elevation)) {
      notes.push((f.elevation === null ? "no elevation" : "elevation unusable") + ", placed " + (i ? "on the floor before" : "at 0"));
      elevation = top;
    }
    if (!(height > 0)) {
      const gap = nextAbove(elevation) - elevation;
      height = Number.isFinite(gap) ? gap : typical;
      notes.push((f.height === null ? "no height" : "height unusable") + ", drawn " + height + " high" +
        (Number.isFinite(gap) ? ", up to the floor above" : ""));
    }
    top = elevation + height;
    return { name: f.name, elevation: elevation, height: height, notes: notes };
  });
}

function floorName(name) { return name === "" ? el("span", { class: "muted" }, "(empty name)") : nameNode(name); }

// The floor stack drawn to scale: one box per floor from its elevation up by its height.
function showFloorStack(parent) {
  const figure = el("figure", { id: "floor-stack", class: "stack" }, el("h3", {}, "Floors by elevation"));
  parent.append(figure);
  const floors = floorGeometry();
  if (!floors.length) {
    figure.append(el("p", { class: "muted" }, "The file has no floor information."));
    return;
  }
  let low = Infinity, high = -Infinity;
  for (const f of floors) {
    low = Math.min(low, f.elevation);
    high = Math.max(high, f.elevation + f.height);
  }
  const scale = STACK_HEIGHT / (high - low);
  const drawing = el("div", { class: "storeys", style: "height: " + STACK_HEIGHT + "px" });
  const label = f => [floorName(f.name), " ", el("span", { class: "muted" }, f.elevation + " + " + f.height)];
  for (const f of floors) {
    const pixels = Math.max(f.height * scale, 1);
    const text = f.elevation + " + " + f.height + (f.notes.length ? " (" + f.notes.join("; ") + ")" : "");
    drawing.append(el("div", {
      class: "storey" + (f.notes.length ? " noted" : ""), "data-floor": f.name, "data-elevation": f.elevation,
      "data-height": f.height, title: isolate(f.name) + ": elevation " + text,
      style: "bottom: " + (f.elevation - low) * scale + "px; height: " + pixels + "px",
    }, pixels >= 16 ? label(f) : []));
  }
  // Floors too thin for their label: every one that has room, from the bottom up, labelled at its base.
  let free = -Infinity;
  for (const f of floors.slice().sort((a, b) => a.elevation - b.elevation)) {
    const bottom = (f.elevation - low) * scale;
    if (f.height * scale >= 16 || bottom < free) continue;
    drawing.append(el("div", { class: "tick", style: "bottom: " + bottom + "px" }, label(f)));
    free = bottom + 16;
  }
  figure.append(drawing, el("figcaption", {}, plural(floors.length, "floor") + ", elevation " + low + " to " + high +
    ", to scale (elevation + height, as the floor information gives them)"));
  const noted = floors.filter(f => f.notes.length);
  if (noted.length) {
    figure.append(el("ul", { class: "notes" }, noted.map(f => el("li", {}, [floorName(f.name), ": " + f.notes.join("; ")]))));
  }
}

// Type definitions / instances per object list (global and per floor) and kind.
function showFloorMap(parent) {
  let max = 1;
  for (const list of data.lists) for (const [, n] of list.counts) max = Math.max(max, n);
  const head = el("tr", {}, [el("th", {}, "object list")].concat(data.kinds.map(k =>
    el("th", { title: k.element }, [k.name, el("small", {}, k.element)]))));
  const rows = data.lists.map(list => el("tr", {}, [el("th", {}, listLabel(list.floor))].concat(
    list.counts.map(([types, instances]) => {
      const light = 100 - Math.round(55 * Math.sqrt(instances / max));
      return el("td", { class: "cell", "data-types": types, "data-instances": instances,
        style: "background: hsl(210, 70%, " + light + "%)" + (light < 65 ? "; color: #fff" : "") }, types + instances ? types + "/" + instances : "-");
    }))));
  parent.append(el("div", { id: "floor-map", class: "map" }, [el("h3", {}, "Components per floor and kind"),
    el("p", { class: "muted" }, "each cell: type definitions / instances"),
    el("div", { class: "scroll tall" }, el("table", { class: "heat", id: "heatmap" }, [head].concat(rows)))]));
}

function showOverview() {
  const box = section("overview", "Overview");
  showTotals(box);
  const row = el("div", { class: "overview-row" });
  box.append(row);
  showFloorStack(row);
  showFloorMap(row);
}

function showHeader() {
  const box = section("project", "Header and project sections");
  box.append(el("p", {}, ["root element ", el("code", {}, data.root)]), pairsTable(data.header));
  for (const s of data.sections) box.append(el("h3", {}, [s.title + " ", el("small", {}, s.element)]), pairsTable(s.attributes));
}

function showFloors() {
  const box = section("floors", "Floor information (" + plural(data.floors.length, "floor") + ")");
  const rows = data.floors.map(f => el("tr", { class: "floor" }, [el("td", {}, floorName(f.name)),
    el("td", { class: "num" }, f.elevation === null ? "" : f.elevation), el("td", { class: "num" }, f.height === null ? "" : f.height),
    el("td", {}, pairsNodes(f.info))]));
  box.append(scrolling(el("table", { id: "floor-table" },
    [el("tr", {}, ["floor", "elevation", "height", "all floor information"].map(h => el("th", {}, h)))].concat(rows))));
}

// Changes of instances and type definitions, by list, type, kind and key.
function changeKey(floor, type, kind, id, name) { return JSON.stringify([floor, type, kind, id, name]); }
const changeIndex = new Map();
for (const c of changes) changeIndex.set(changeKey(c.floor, c.type, c.kind, c.id, c.name), c);

// The instance table column a changed attribute shows in.
function changedColumn(a) {
  const keys = data.instanceKeys;
  if (a.element === keys.element) return a.name === keys.id ? "id" : a.name === keys.name ? "name" : "";
  return a.element + (a.index ? "[" + a.index + "]" : "") + "." + a.name;
}

function instanceTable(list, type) {
  const t = type.inst, strings = data.strings, rows = instanceCount(type);
  const box = el("div");
  const filter = el("input", { type: "search", placeholder: "filter by name", class: "filter" });
  const info = el("span", { class: "muted" });
  const prev = el("button", {}, "previous"), next = el("button", {}, "next");
  const table = el("table", { class: "instances" });
  box.append(el("div", { class: "pager" }, [filter, prev, next, " ", info]), scrolling(table));
  const removed = changes.filter(c => c.change === "removed" && c.kind === "instance" &&
    c.floor === list.floor && c.type === type.type);
  let matching = [], page = 0;
  const cell = (col, row) => (t.data[col][row] < 0 ? "" : strings[t.data[col][row]]);
  function render() {
    table.replaceChildren(el("tr", {}, t.cols.map(c => el("th", {}, c))));
    if (page === 0) for (const c of removed) {
      table.append(el("tr", { class: "removed" }, [el("td", {}, c.id || ""), el("td", {}, c.name)]));
    }
    for (const row of matching.slice(page * PAGE_ROWS, (page + 1) * PAGE_ROWS)) {
      const change = changeIndex.get(changeKey(list.floor, type.type, "instance", cell(0, row), cell(1, row)));
      const marked = new Set(change && change.attributes ? change.attributes.map(changedColumn) : []);
      table.append(el("tr", change ? { class: change.change } : {}, t.cols.map((c, col) =>
        el("td", marked.has(c) ? { class: "changedcell" } : {}, cell(col, row)))));
    }
    const pages = Math.max(1, Math.ceil(matching.length / PAGE_ROWS));
    info.textContent = matching.length + " of " + plural(rows, "instance") + ", page " + (page + 1) + " of " + pages;
    prev.disabled = page === 0;
    next.disabled = page + 1 >= pages;
  }
  function apply() {
    const text = filter.value.trim();
    matching = [];
    for (let row = 0; row < rows; ++row) if (!text || cell(1, row).includes(text)) matching.push(row);
    page = 0;
    render();
  }
  filter.addEventListener("input", apply);
  prev.addEventListener("click", () => { page -= 1; render(); });
  next.addEventListener("click", () => { page += 1; render(); });
  apply();
  return box;
}

function definitionsTable(list, type) {
  return scrolling(el("table", { class: "definitions" }, [el("tr", {}, ["classId", "classname", "lists", "rules"].map(h => el("th", {}, h)))]
    .concat(type.defs.map(d => {
      const change = changeIndex.get(changeKey(list.floor, type.type, "type", d.id, d.name));
      return el("tr", change ? { class: change.change } : {}, [el("td", {}, d.id), el("td", {}, d.name),
        el("td", {}, d.lists.map(([name, pairs]) => el("div", {}, [name + ": "].concat(pairsNodes(pairs))))),
        el("td", { class: "num" }, d.rules)]);
    }))));
}

function showObjects() {
  const box = section("objects", "Object lists");
  box.append(el("p", { class: "muted" }, "The global object list and one list per floor; each opens into its component types."));
  for (const list of data.lists) {
    let total = 0;
    for (const type of list.types) total += instanceCount(type);
    box.append(lazy([listLabel(list.floor), " (" + plural(list.types.length, "type") + ", " + plural(total, "instance") + ")"], inner => {
      for (const type of list.types) {
        const count = instanceCount(type);
        inner.append(lazy([nameNode(type.type), " (" + plural(type.defs.length, "definition") + ", " + plural(count, "instance") + ")"], t => {
          if (type.defs.length) t.append(el("h4", {}, "type definitions"), definitionsTable(list, type));
          if (count) t.append(el("h4", {}, "instances"), instanceTable(list, type));
        }, { class: "type", "data-type": type.type }));
      }
    }, list.floor === null ? { class: "list", "data-global": "" } : { class: "list", "data-floor": list.floor }));
  }
}

// The arc of a bulged segment (bulge = tan(angle / 4), positive counter-clockwise),
// or null for a straight one.
function arcOf(x1, y1, x2, y2, bulge) {
  const chord = Math.hypot(x2 - x1, y2 - y1);
  if (Math.abs(bulge) < 1e-6 || chord === 0) return null;
  const ux = (y2 - y1) / chord, uy = (x1 - x2) / chord;  // unit normal right of the chord
  const sagitta = bulge * chord / 2, radius = chord * (1 + bulge * bulge) / (4 * Math.abs(bulge));
  const apex = [(x1 + x2) / 2 + ux * sagitta, (y1 + y2) / 2 + uy * sagitta];
  const centre = [apex[0] - ux * radius * Math.sign(bulge), apex[1] - uy * radius * Math.sign(bulge)];
  return { radius: radius, large: Math.abs(bulge) > 1, sweep: bulge > 0, dx: ux * sagitta, dy: uy * sagitta, centre: centre };
}

// The box around the outline, its arcs and insertion point; null when any of it
// lies beyond COORD_LIMIT or is no finite number.
function outlineBounds(o) {
  const box = { x0: Infinity, y0: Infinity, x1: -Infinity, y1: -Infinity };
  const add = (x, y) => {
    box.x0 = Math.min(box.x0, x); box.x1 = Math.max(box.x1, x);
    box.y0 = Math.min(box.y0, y); box.y1 = Math.max(box.y1, y);
  };
  const n = o.points.length;
  for (let i = 0; i < n; ++i) {
    const [x1, y1] = o.points[i], [x2, y2] = o.points[(i + 1) % n];
    add(x1, y1);
    const arc = arcOf(x1, y1, x2, y2, o.bulges[i]);
    if (!arc) continue;
    if (arc.large) {  // most of a circle: its whole box
      add(arc.centre[0] - arc.radius, arc.centre[1] - arc.radius);
      add(arc.centre[0] + arc.radius, arc.centre[1] + arc.radius);
    } else {  // within the chord moved out to the apex
      add(x1 + arc.dx, y1 + arc.dy);
      add(x2 + arc.dx, y2 + arc.dy);
    }
  }
  if (o.insert) add(o.insert[0], o.insert[1]);
  const fits = v => Math.abs(v) <= COORD_LIMIT;
  return fits(box.x0) && fits(box.x1) && fits(box.y0) && fits(box.y1) ? box : null;
}

// "x,y;x,y;..." with one bulge per vertex: an outline, or the reason it cannot be drawn.
function parseOutline(s) {
  const pointOf = text => {
    const parts = text.split(",");
    const p = parts.map(parseNumber);
    return parts.length >= 2 && parts.length <= 3 && p.every(Number.isFinite) ? p.slice(0, 2) : null;
  };
  const points = s.point.split(";").filter(p => p.trim() !== "").map(pointOf);
  if (points.length < 2) return { problem: "fewer than two points" };
  if (points.some(p => p === null)) return { problem: "a point that is not two numbers" };
  const bulges = s.bulge.trim() === "" ? points.map(() => 0) : s.bulge.split(";").filter(b => b.trim() !== "").map(parseNumber);
  if (bulges.length !== points.length) return { problem: bulges.length + " bulges for " + points.length + " points" };
  if (!bulges.every(Number.isFinite)) return { problem: "a bulge that is not a number" };
  const insert = s.insert.trim() === "" ? null : pointOf(s.insert);
  if (s.insert.trim() !== "" && !insert) return { problem: "an insertion point that is not two numbers" };
  const outline = { points: points, bulges: bulges, insert: insert };
  outline.bounds = outlineBounds(outline);
  return outline.bounds ? outline : { problem: "coordinates or arcs beyond ±" + COORD_LIMIT };
}

// An SVG path of the closed outline.
function outlinePath(o) {
  const n = o.points.length, parts = ["M" + o.points[0][0] + " " + o.points[0][1]];
  for (let i = 0; i < n; ++i) {
    const [x1, y1] = o.points[i], [x2, y2] = o.points[(i + 1) % n];
    const arc = arcOf(x1, y1, x2, y2, o.bulges[i]);
    parts.push(arc ? "A" + arc.radius + " " + arc.radius + " 0 " + (arc.large ? 1 : 0) + " " + (arc.sweep ? 1 : 0) + " " + x2 + " " + y2
      : "L" + x2 + " " + y2);
  }
  return parts.join(" ") + " Z";
}

function drawSection(o) {
  const b = o.bounds, w = b.x1 - b.x0, h = b.y1 - b.y0, size = Math.max(w, h) || 1, pad = size * 0.08;
  const ns = "http://www.w3.org/2000/svg";
  const svg = document.createElementNS(ns, "svg");
  svg.setAttribute("viewBox", [b.x0 - pad, -b.y1 - pad, w + 2 * pad, h + 2 * pad].join(" "));
  const group = document.createElementNS(ns, "g");
  group.setAttribute("transform", "scale(1,-1)");  // the model's y axis points up
  const path = document.createElementNS(ns, "path");
  path.setAttribute("d", outlinePath(o));
  group.append(path);
  if (o.insert) {
    const mark = document.createElementNS(ns, "circle");
    mark.setAttribute("cx", o.insert[0]);
    mark.setAttribute("cy", o.insert[1]);
    mark.setAttribute("r", size * 0.03);
    mark.setAttribute("class", "insert");
    group.append(mark);
  }
  svg.append(group);
  return svg;
}

function shortened(text) { return text.length > 120 ? text.slice(0, 120) + "… (" + text.length + " characters)" : text; }

function showCrossSections() {
  const box = section("cross-sections", "User cross-sections (" + data.crossSections.length + ")");
  const drawn = el("div", { class: "sections" }), undrawn = [];
  for (const s of data.crossSections) {
    const outline = parseOutline(s);
    if (outline.problem) {
      undrawn.push(el("tr", {}, [el("td", {}, s.id), el("td", {}, s.name), el("td", {}, outline.problem)]
        .concat([s.point, s.bulge, s.insert].map(v => el("td", { class: "raw" }, shortened(v))))));
      continue;
    }
    drawn.append(el("figure", { "data-secid": s.id }, [drawSection(outline), el("figcaption", {},
      [nameNode(s.id), " ", nameNode(s.name), el("span", { class: "muted" }, " " + plural(outline.points.length, "point"))])]));
  }
  box.append(drawn);
  if (undrawn.length) {
    box.append(el("h3", {}, "not drawn"), scrolling(el("table", { id: "undrawn" },
      [el("tr", {}, ["id", "name", "why", "points", "bulges", "insertion point"].map(h => el("th", {}, h)))].concat(undrawn))));
  }
}

// Calculation rules as a tree opened level by level. Nodes are built when their
// parent opens, by one listener for the whole tree, so no call nests per level.
function showRules() {
  const depth = data.rules.depth, label = data.rules.label, n = depth.length;
  const box = section("rules", "Calculation rules (" + plural(n, "node") + ")");
  const end = new Array(n).fill(n), open = [];  // end[i]: the first node after i's subtree
  for (let i = 0; i < n; ++i) {
    while (open.length && depth[open[open.length - 1]] >= depth[i]) end[open.pop()] = i;
    open.push(i);
  }
  const labelOf = i => {
    const [name, content] = label[i], parts = [name];
    if (typeof content === "string") parts.push(" ", nameNode(content));
    else for (const [k, v] of content) parts.push(" " + k + "=\"", nameNode(v), "\"");
    return el("span", { class: "label" }, parts);
  };
  const appendNodes = (container, first, last) => {
    for (let j = first; j < last; j = end[j]) {
      container.append(end[j] === j + 1 ? el("div", { class: "rule leaf" }, labelOf(j))
        : el("details", { class: "rule", "data-node": j }, [el("summary", {}, labelOf(j)), el("div", { class: "rule-children" })]));
    }
  };
  const tree = el("div", { class: "rule-tree" });
  tree.addEventListener("toggle", event => {
    const node = event.target;
    if (!node.open || node.hasAttribute("data-built")) return;
    node.setAttribute("data-built", "");
    const i = Number(node.getAttribute("data-node"));
    appendNodes(node.lastChild, i + 1, end[i]);
  }, true);  // toggle does not bubble; the capture phase reaches the tree
  appendNodes(tree, 0, n);
  box.append(tree);
}

function showChanges() {
  if (!data.diff) return;
  const s = data.diff.summary;
  const box = section("changes", "Changes against " + data.diff.old.replace(/^.*\//, ""));
  box.append(el("p", { id: "change-summary" }, s.added + " added, " + s.removed + " removed, " + s.changed + " changed"));
  const table = el("table", { id: "change-table" });
  let shown = 0;
  const more = el("button", {}, "more");
  const value = v => (v === null ? "(none)" : nameNode(JSON.stringify(v)));
  function render() {
    for (const c of changes.slice(shown, shown + PAGE_ROWS * 5)) {
      const where = c.floor === null && c.type === null ? ["file"] : [listLabel(c.floor)].concat(c.type ? [", ", nameNode(c.type)] : []);
      const details = (c.attributes || []).map(a => el("div", {}, [a.element + "[" + a.index + "] " + a.name + ": ", value(a.old), " -> ", value(a.new)]));
      table.append(el("tr", { class: c.change }, [el("td", {}, c.change), el("td", {}, c.kind), el("td", { class: "where" }, where),
        el("td", {}, [nameNode(c.name)].concat(c.id === null ? [] : [" (id ", nameNode(c.id), ")"])), el("td", {}, details)]));
    }
    shown = Math.min(changes.length, shown + PAGE_ROWS * 5);
    more.hidden = shown >= changes.length;
  }
  more.addEventListener("click", render);
  box.append(scrolling(table), more);
  render();
}

const fileName = data.file.replace(/^.*\//, "");
document.title = "GXRM model " + isolate(fileName);
document.getElementById("title").replaceChildren("GXRM model ", nameNode(fileName));
document.getElementById("file").replaceChildren(nameNode(data.file));
showOverview();
showChanges();
showHeader();
showFloors();
showObjects();
showCrossSections();
showRules();
document.body.setAttribute("data-ready", "1");
