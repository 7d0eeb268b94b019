// The report page: renders the embedded model on demand.
"use strict";
window.onerror = function (message, source, line) {
  document.getElementById("errors").textContent += "script error: " + message + " (line " + line + ")\n";
};

const PAGE_ROWS = 100;
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

function pairsTable(pairs) {
  return el("table", {}, pairs.map(([k, v]) => el("tr", {}, [el("th", {}, k), el("td", {}, v)])));
}

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

function listName(floor) { return floor === null ? "global list" : floor; }

function showHeader() {
  const box = section("header", "Project");
  box.append(el("p", {}, ["root element ", el("code", {}, data.root)]), pairsTable(data.header));
  for (const s of data.sections) box.append(el("h3", {}, s.element), pairsTable(s.attributes));
}

function showFloors() {
  const box = section("floors", "Floors (" + data.floors.length + ")");
  const rows = data.floors.map(f => el("tr", { class: "floor" }, [el("td", {}, f.name),
    el("td", {}, f.info.map(([k, v]) => k + "=" + v).join("  "))]));
  box.append(el("table", { id: "floor-table" }, [el("tr", {}, [el("th", {}, "floor"), el("th", {}, "information")])].concat(rows)));
}

function showHeatMap() {
  const box = section("matrix", "Type definitions / instances per list and kind");
  let max = 1;
  for (const list of data.lists) for (const [, n] of list.counts) max = Math.max(max, n);
  const head = el("tr", {}, [el("th", {}, "list")].concat(data.kinds.map(k => el("th", {}, k))));
  const rows = data.lists.map(list => el("tr", {}, [el("th", {}, listName(list.floor))].concat(
    list.counts.map(([types, instances]) => {
      const light = 100 - Math.round(55 * Math.sqrt(instances / max));
      return el("td", { class: "cell", "data-types": types, "data-instances": instances,
        style: "background: hsl(210, 70%, " + light + "%)" + (light < 65 ? "; color: #fff" : "") }, types + instances ? types + "/" + instances : "-");
    }))));
  box.append(el("table", { class: "heat", id: "heatmap" }, [head].concat(rows)));
}

// Changes of instances and type definitions, by list, type, kind and key.
function changeKey(floor, type, kind, id, name) { return [floor, type, kind, id, name].join("\u0000"); }
const changeIndex = new Map();
for (const c of changes) changeIndex.set(changeKey(c.floor, c.type, c.kind, c.id, c.name), c);

function instanceTable(list, type) {
  const t = type.inst, strings = data.strings, rows = t.data.length ? t.data[0].length : 0;
  const box = el("div");
  const filter = el("input", { type: "search", placeholder: "filter by name", class: "filter" });
  const info = el("span", { class: "muted" });
  const prev = el("button", {}, "previous"), next = el("button", {}, "next");
  const table = el("table", { class: "instances" });
  box.append(el("div", { class: "pager" }, [filter, prev, next, " ", info]), table);
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
      const marked = new Set(change && change.attributes ? change.attributes.map(a => a.element + "." + a.name) : []);
      table.append(el("tr", change ? { class: change.change } : {}, t.cols.map((c, col) =>
        el("td", marked.has(c.replace(/\[\d+\]/, "")) ? { class: "changedcell" } : {}, cell(col, row)))));
    }
    const pages = Math.max(1, Math.ceil(matching.length / PAGE_ROWS));
    info.textContent = matching.length + " of " + rows + " instances, page " + (page + 1) + " of " + pages;
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
  return el("table", { class: "definitions" }, [el("tr", {}, ["classId", "classname", "lists", "rules"].map(h => el("th", {}, h)))]
    .concat(type.defs.map(d => {
      const change = changeIndex.get(changeKey(list.floor, type.type, "type", d.id, d.name));
      return el("tr", change ? { class: change.change } : {}, [el("td", {}, d.id), el("td", {}, d.name),
        el("td", {}, d.lists.map(([name, pairs]) => el("div", {}, name + ": " + pairs.map(([k, v]) => k + "=" + v).join("  ")))),
        el("td", { class: "num" }, d.rules)]);
    })));
}

function showObjects() {
  const box = section("objects", "Object lists");
  for (const list of data.lists) {
    const total = list.types.reduce((n, t) => n + (t.inst.data.length ? t.inst.data[0].length : 0), 0);
    box.append(lazy(listName(list.floor) + " (" + list.types.length + " types, " + total + " instances)", inner => {
      for (const type of list.types) {
        const count = type.inst.data.length ? type.inst.data[0].length : 0;
        inner.append(lazy(type.type + " (" + type.defs.length + " definitions, " + count + " instances)", t => {
          if (type.defs.length) t.append(el("h4", {}, "type definitions"), definitionsTable(list, type));
          if (count) t.append(el("h4", {}, "instances"), instanceTable(list, type));
        }, { class: "type", "data-type": type.type }));
      }
    }, { class: "list", "data-floor": listName(list.floor) }));
  }
}

// "x,y;x,y;..." and one bulge per vertex; null when the values do not parse.
function parseOutline(s) {
  const number = text => (/^\s*-?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?\s*$/.test(text) ? Number(text) : NaN);
  const pointOf = text => {
    const parts = text.split(",");
    const p = parts.map(number);
    return parts.length >= 2 && parts.length <= 3 && p.every(Number.isFinite) ? p.slice(0, 2) : null;
  };
  const points = s.point.split(";").filter(p => p.trim() !== "").map(pointOf);
  if (points.length < 2 || points.some(p => p === null)) return null;
  const bulges = s.bulge.trim() === "" ? points.map(() => 0) : s.bulge.split(";").filter(b => b.trim() !== "").map(number);
  if (bulges.length !== points.length || bulges.some(b => !Number.isFinite(b))) return null;
  const insert = s.insert.trim() === "" ? null : pointOf(s.insert);
  return { points, bulges, insert };
}

// An SVG path of the closed outline; arcs from bulges (bulge = tan(angle / 4)).
function outlinePath(o) {
  let d = "M" + o.points[0][0] + " " + o.points[0][1];
  for (let i = 0; i < o.points.length; ++i) {
    const [x1, y1] = o.points[i], [x2, y2] = o.points[(i + 1) % o.points.length], b = o.bulges[i];
    if (b === 0) { d += " L" + x2 + " " + y2; continue; }
    const chord = Math.hypot(x2 - x1, y2 - y1), radius = chord * (1 + b * b) / (4 * Math.abs(b));
    d += " A" + radius + " " + radius + " 0 " + (Math.abs(b) > 1 ? 1 : 0) + " " + (b > 0 ? 1 : 0) + " " + x2 + " " + y2;
  }
  return d + " Z";
}

function drawSection(o) {
  const xs = o.points.map(p => p[0]).concat(o.insert ? [o.insert[0]] : []);
  const ys = o.points.map(p => p[1]).concat(o.insert ? [o.insert[1]] : []);
  const bulgeRoom = Math.max(...o.bulges.map(Math.abs), 0);
  const w = Math.max(...xs) - Math.min(...xs), h = Math.max(...ys) - Math.min(...ys);
  const pad = Math.max(w, h, 1) * (0.08 + 0.5 * Math.min(bulgeRoom, 1));
  const box = [Math.min(...xs) - pad, -Math.max(...ys) - pad, w + 2 * pad, h + 2 * pad];
  const ns = "http://www.w3.org/2000/svg";
  const svg = document.createElementNS(ns, "svg");
  svg.setAttribute("viewBox", box.join(" "));
  const group = document.createElementNS(ns, "g");
  group.setAttribute("transform", "scale(1,-1)");  // the model's y axis points up
  const path = document.createElementNS(ns, "path");
  path.setAttribute("d", outlinePath(o));
  group.append(path);
  if (o.insert) {
    const mark = document.createElementNS(ns, "circle");
    mark.setAttribute("cx", o.insert[0]);
    mark.setAttribute("cy", o.insert[1]);
    mark.setAttribute("r", Math.max(w, h, 1) * 0.03);
    mark.setAttribute("class", "insert");
    group.append(mark);
  }
  svg.append(group);
  return svg;
}

function showCrossSections() {
  const box = section("cross-sections", "User cross-sections (" + data.crossSections.length + ")");
  const drawn = el("div", { class: "sections" }), undrawn = [];
  for (const s of data.crossSections) {
    const outline = parseOutline(s);
    if (outline) drawn.append(el("figure", { "data-secid": s.id }, [drawSection(outline), el("figcaption", {}, s.id + " " + s.name)]));
    else undrawn.push(s);
  }
  box.append(drawn);
  if (undrawn.length) {
    box.append(el("h3", {}, "not drawn (values that do not parse)"), el("table", { id: "undrawn" },
      undrawn.map(s => el("tr", {}, [s.id, s.name, s.point, s.bulge, s.insert].map(v => el("td", {}, v))))));
  }
}

function showRules() {
  const depth = data.rules.depth, label = data.rules.label, n = depth.length;
  const box = section("rules", "Calculation rules (" + n + " nodes)");
  const end = new Array(n).fill(n), open = [];  // end[i]: the first node after i's subtree
  for (let i = 0; i < n; ++i) {
    while (open.length && depth[open[open.length - 1]] >= depth[i]) end[open.pop()] = i;
    open.push(i);
  }
  function node(i) {
    if (end[i] === i + 1) return el("div", { class: "rule" }, label[i]);
    return lazy(label[i], inner => {
      for (let j = i + 1; j < end[i]; j = end[j]) inner.append(node(j));
    }, { class: "rule" });
  }
  for (let i = 0; i < n; i = end[i]) box.append(node(i));
}

function showChanges() {
  if (!data.diff) return;
  const s = data.diff.summary;
  const box = section("changes", "Changes against " + data.diff.old);
  box.append(el("p", { id: "change-summary" }, s.added + " added, " + s.removed + " removed, " + s.changed + " changed"));
  const table = el("table", { id: "change-table" });
  let shown = 0;
  const more = el("button", {}, "more");
  function render() {
    for (const c of changes.slice(shown, shown + PAGE_ROWS * 5)) {
      const where = c.floor === null && c.type === null ? "file" : listName(c.floor) + (c.type ? ", " + c.type : "");
      const details = (c.attributes || []).map(a => a.element + "[" + a.index + "] " + a.name + ": " +
        (a.old === null ? "(none)" : JSON.stringify(a.old)) + " -> " + (a.new === null ? "(none)" : JSON.stringify(a.new)));
      table.append(el("tr", { class: c.change }, [el("td", {}, c.change), el("td", {}, c.kind), el("td", {}, where),
        el("td", {}, c.name + (c.id === null ? "" : " (id " + c.id + ")")), el("td", {}, details.map(d => el("div", {}, d)))]));
    }
    shown = Math.min(changes.length, shown + PAGE_ROWS * 5);
    more.hidden = shown >= changes.length;
  }
  more.addEventListener("click", render);
  box.append(table, more);
  render();
}

document.getElementById("title").textContent = "GXRM model " + data.file.replace(/^.*\//, "");
document.getElementById("file").textContent = data.file;
showHeader();
showChanges();
showFloors();
showHeatMap();
showObjects();
showCrossSections();
showRules();
document.body.setAttribute("data-ready", "1");
