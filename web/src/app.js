// The page: reads the form, checks each input with the library's own checks
// and words, answers the quick questions on this thread and the searches in
// a worker, and draws the power curve as SVG. Everything recomputes when an
// input changes; a search still running then is abandoned.
"use strict";

const FOUND = 0;
const FOUND_WITH_WARNING = 1;
const byId = (id) => document.getElementById(id);

// ---------------------------------------------------------------------------
// Numbers as the vantor command line prints them: computed values in six
// significant digits (%.6g, exponent without plus or leading zeros), whole
// numbers as they are.
// ---------------------------------------------------------------------------

function sixDigits(value) {
  if (!Number.isFinite(value)) return "";
  if (Math.abs(value) >= 1e6 && Math.abs(value) < 1e15) return value.toFixed(0);
  if (value === 0) return "0";
  const [mantissa, exponentText] = value.toExponential(5).split("e");
  const exponent = Number(exponentText);
  const strip = (text) => (text.includes(".") ? text.replace(/0+$/, "").replace(/\.$/, "") : text);
  if (exponent < -4 || exponent >= 6) return `${strip(mantissa)}e${exponent}`;
  return strip(value.toFixed(5 - exponent));
}

// ---------------------------------------------------------------------------
// The library on this thread
// ---------------------------------------------------------------------------

let lib = null;

async function loadLibrary() {
  const module = await createVantor();
  const n = (count) => Array(count).fill("number");
  const wrap = (name, count) => module.cwrap(name, "number", n(count));
  lib = {
    module,
    message: module.cwrap("web_message", "string", ["number"]),
    answerAt: wrap("web_answer", 0),
    checkCount: wrap("web_check_count", 3),
    checkRate: wrap("web_check_rate", 1),
    checkAlpha: wrap("web_check_alpha", 1),
    checkOddsRatio: wrap("web_check_odds_ratio", 1),
    checkTarget: wrap("web_check_target", 2),
    checkStage0Alpha: wrap("web_check_stage0_alpha", 3),
    checkShare: wrap("web_check_share", 1),
    checkCostRatio: wrap("web_check_cost_ratio", 1),
    singlePower: wrap("web_single_power", 7),
    casesForRatio: wrap("web_cases_for_ratio", 7),
    oddsRatio: wrap("web_odds_ratio", 8),
    twoStagePower: wrap("web_two_stage_power", 11),
  };
}

function answer() {
  const start = lib.answerAt() / 8;
  return Array.from(lib.module.HEAPF64.subarray(start, start + 16));
}

// ---------------------------------------------------------------------------
// The searches' worker, started from the loader and worker scripts in the
// page itself (a page opened from disk cannot start one from a file).
// ---------------------------------------------------------------------------

const searches = {
  worker: null,
  next: 1,
  waiting: new Map(),
  start() {
    const source = byId("vantor-loader").textContent + "\n" + byId("vantor-worker").textContent;
    const url = URL.createObjectURL(new Blob([source], { type: "text/javascript" }));
    this.worker = new Worker(url);
    this.worker.onmessage = (event) => {
      const settle = this.waiting.get(event.data.id);
      this.waiting.delete(event.data.id);
      if (settle) settle(event.data);
    };
  },
  ask(name, args) {
    if (!this.worker) this.start();
    const id = this.next++;
    return new Promise((resolve) => {
      this.waiting.set(id, resolve);
      this.worker.postMessage({ id, name, args });
    });
  },
  // Abandons every search still running: its answers are no longer wanted.
  cancel() {
    if (this.waiting.size === 0) return;
    this.worker.terminate();
    this.worker = null;
    this.waiting.clear();
  },
};

// ---------------------------------------------------------------------------
// Inputs and their checks
// ---------------------------------------------------------------------------

// Reads a field as a number; marks it and shows the library's words when the
// check refuses it. Returns the number, or null.
function checked(id, check) {
  const field = byId(id);
  const text = field.value.trim();
  const value = text === "" ? NaN : Number(text);
  const reason = check(value);
  byId(`${id}-error`).textContent = reason === 0 ? "" : lib.message(reason);
  field.setAttribute("aria-invalid", reason === 0 ? "false" : "true");
  return reason === 0 ? value : null;
}

function readInputs() {
  const unit = Number(byId("unit").value);
  const count = (id, cases) => checked(id, (v) => lib.checkCount(v, unit, cases ? 1 : 0));
  const input = {
    unit,
    statistic: Number(byId("statistic").value),
    oddsRatio: checked("odds-ratio", lib.checkOddsRatio),
    rate: checked("rate", lib.checkRate),
    alpha: checked("alpha", lib.checkAlpha),
    cases: count("cases", true),
    controls: count("controls", false),
    method: Number(byId("method").value),
    cases0: count("cases0", true),
    controls0: count("controls0", false),
    cases1: count("cases1", true),
    controls1: count("controls1", false),
    share: checked("share", lib.checkShare),
    costRatio: checked("cost-ratio", lib.checkCostRatio),
  };
  input.target = checked("target", (v) =>
    input.alpha === null ? 0 : lib.checkTarget(v, input.alpha));
  input.alpha0 = checked("alpha0", (v) =>
    input.alpha === null ? lib.checkAlpha(v) : lib.checkStage0Alpha(input.method, v, input.alpha));
  return input;
}

const known = (...values) => values.every((v) => v !== null);

// ---------------------------------------------------------------------------
// Answers
// ---------------------------------------------------------------------------

function show(id, text, reachable = true) {
  const out = byId(id);
  out.textContent = text;
  out.classList.toggle("not-reachable", !reachable);
}

// A found answer's text, or the library's reason why there is none.
function found(status, text, message) {
  if (status === FOUND) return [text, true];
  if (status === FOUND_WITH_WARNING) return [`${text} (${message})`, true];
  return [`not reachable: ${message}`, false];
}

function singleStage(input) {
  const ready = known(input.oddsRatio, input.rate, input.alpha);
  if (ready && known(input.cases, input.controls)) {
    show("single-power", sixDigits(lib.singlePower(input.cases, input.controls, input.oddsRatio,
                                                   input.rate, input.alpha, input.unit,
                                                   input.statistic)));
  } else {
    show("single-power", "");
  }
  if (ready && input.target !== null) {
    const status = lib.casesForRatio(1, input.oddsRatio, input.rate, input.alpha, input.target,
                                     input.unit, input.statistic);
    const a = answer();
    show("single-size", ...found(status, `${a[2]} cases and ${a[3]} controls (power ${sixDigits(a[4])})`,
                                 lib.message(a[1])));
  } else {
    show("single-size", "");
  }
  for (const [id, above] of [["single-or-above", 1], ["single-or-below", 0]]) {
    if (known(input.rate, input.alpha, input.target, input.cases, input.controls)) {
      const status = lib.oddsRatio(input.cases, input.controls, input.rate, input.alpha,
                                   input.target, input.unit, above, input.statistic);
      const a = answer();
      show(id, ...found(status, sixDigits(a[2]), lib.message(a[1])));
    } else {
      show(id, "");
    }
  }
  showCommand(input);
}

function showCommand(input) {
  const words = ["vantor power", `--cases ${byId("cases").value.trim()}`,
                 `--controls ${byId("controls").value.trim()}`,
                 `--odds-ratio ${byId("odds-ratio").value.trim()}`, `--rate ${byId("rate").value.trim()}`,
                 `--alpha ${byId("alpha").value.trim()}`];
  if (input.unit === 1) words.push("--count alleles");
  if (input.statistic === 1) words.push("--variance unpooled");
  byId("command").textContent = words.join(" ");
}

function twoStage(input) {
  if (!known(input.oddsRatio, input.rate, input.alpha, input.alpha0, input.cases0,
             input.controls0, input.cases1, input.controls1)) {
    show("two-power", "");
    show("two-alpha1", "");
    return;
  }
  const status = lib.twoStagePower(input.method, input.cases0, input.controls0, input.cases1,
                                   input.controls1, input.oddsRatio, input.rate, input.alpha0,
                                   input.alpha, input.unit, input.statistic);
  const a = answer();
  show("two-power", ...found(status, sixDigits(a[11]), lib.message(a[1])));
  show("two-alpha1", status === FOUND || status === FOUND_WITH_WARNING ? sixDigits(a[9]) : "");
}

function designText(a) {
  const n0 = a[3] + a[4];
  const n1 = a[5] + a[6];
  let text = `${a[2]} in all: ${n0} in the first stage (${a[3]} cases), ${n1} in the second ` +
             `(${a[5]} cases); levels ${sixDigits(a[8])}, ${sixDigits(a[9])}, ${sixDigits(a[10])}; ` +
             `power ${sixDigits(a[11])}`;
  if (a[13] > 0) {
    text += `; cost ${sixDigits(a[12])}, ${sixDigits(a[14])} of one stage (${a[13]})`;
  }
  return text;
}

// The searches: answered by the worker; a newer request abandons them.
let generation = 0;

async function searchesFor(input) {
  searches.cancel();
  const mine = ++generation;
  const ready = known(input.oddsRatio, input.rate, input.alpha, input.target);
  const pending = [];
  if (ready && known(input.alpha0, input.share)) {
    show("smallest-total", "searching…");
    pending.push(searches.ask("web_smallest_total", [input.method, input.oddsRatio, input.rate,
      input.alpha0, input.alpha, input.target, input.share, input.unit, input.statistic]).then((r) => {
      if (mine === generation) show("smallest-total", ...found(r.answer[0], designText(r.answer), r.message));
    }));
  } else {
    show("smallest-total", "");
  }
  if (ready && input.costRatio !== null) {
    show("cheapest", "searching…");
    pending.push(searches.ask("web_cheapest_design", [input.method, input.oddsRatio, input.rate,
      input.alpha, input.target, input.costRatio, input.unit, input.statistic]).then((r) => {
      if (mine === generation) show("cheapest", ...found(r.answer[0], designText(r.answer), r.message));
    }));
  } else {
    show("cheapest", "");
  }
  await Promise.all(pending);
}

// ---------------------------------------------------------------------------
// The power curve: power against the size of each group (equal groups) for
// three odds ratios around the one given, the target drawn, each curve's
// solved size marked.
// ---------------------------------------------------------------------------

const CURVE_POINTS = 100;
let curveRows = [];

function curveOddsRatios(oddsRatio) {
  return [0.75, 1, 1.25].map((k) => 1 + (oddsRatio - 1) * k).filter((r) => r > 0 && r !== 1);
}

function curve(input) {
  const box = byId("curve");
  if (!known(input.oddsRatio, input.rate, input.alpha, input.target)) {
    box.textContent = "";
    curveRows = [];
    return;
  }
  const started = performance.now();
  const ratios = curveOddsRatios(input.oddsRatio);
  const solved = ratios.map((r) => {
    const status = lib.casesForRatio(1, r, input.rate, input.alpha, input.target, input.unit,
                                     input.statistic);
    return status === FOUND || status === FOUND_WITH_WARNING ? answer()[2] : null;
  });
  const largest = Math.max(10, 1.5 * Math.max(...solved.map((s) => s || 0)) || 10000);
  const sizes = Array.from({ length: CURVE_POINTS }, (_, i) =>
    Math.max(1, Math.round(((i + 1) * largest) / CURVE_POINTS)));
  curveRows = sizes.map((n) => [n, ...ratios.map((r) =>
    lib.singlePower(n, n, r, input.rate, input.alpha, input.unit, input.statistic))]);
  box.innerHTML = curveSvg(curveRows, ratios, solved, input.target, largest, input.unit);
  byId("curve-time").textContent =
    `(${CURVE_POINTS} points and ${ratios.length} sizes in ${(performance.now() - started).toFixed(1)} ms)`;
}

function curveSvg(rows, ratios, solved, target, largest, unit) {
  const width = 640, height = 320, left = 48, right = 12, top = 12, bottom = 40;
  const x = (n) => left + ((width - left - right) * n) / largest;
  const y = (p) => top + (height - top - bottom) * (1 - p);
  const colours = ["#1f77b4", "#d62728", "#2ca02c"];
  const parts = [`<svg viewBox="0 0 ${width} ${height}" xmlns="http://www.w3.org/2000/svg">`,
    `<line class="axis" x1="${left}" y1="${y(0)}" x2="${width - right}" y2="${y(0)}"/>`,
    `<line class="axis" x1="${left}" y1="${y(0)}" x2="${left}" y2="${y(1)}"/>`];
  for (const p of [0, 0.5, 1]) {
    parts.push(`<text x="${left - 6}" y="${y(p) + 4}" text-anchor="end">${p}</text>`);
  }
  parts.push(`<text x="${width / 2}" y="${height - 6}" text-anchor="middle">${unit === 2 ? "people" : "alleles"} per group (cases = controls)</text>`,
    `<text x="${x(largest)}" y="${y(0) + 16}" text-anchor="end">${Math.round(largest)}</text>`,
    `<line class="target" stroke="#555" stroke-dasharray="4 3" x1="${left}" x2="${width - right}" y1="${y(target)}" y2="${y(target)}"/>`);
  ratios.forEach((r, k) => {
    const points = rows.map((row) => `${x(row[0]).toFixed(1)},${y(row[k + 1]).toFixed(1)}`).join(" ");
    parts.push(`<polyline class="power-line" fill="none" stroke="${colours[k]}" stroke-width="2" points="${points}"><title>odds ratio ${sixDigits(r)}</title></polyline>`);
    if (solved[k] !== null && solved[k] <= largest) {
      parts.push(`<circle class="solved" cx="${x(solved[k]).toFixed(1)}" cy="${y(target)}" r="4" fill="${colours[k]}"><title>${solved[k]} per group reach the target at odds ratio ${sixDigits(r)}</title></circle>`);
    }
    parts.push(`<text x="${left + 8}" y="${top + 14 + 14 * k}" style="fill:${colours[k]}">odds ratio ${sixDigits(r)}</text>`);
  });
  parts.push("</svg>");
  return parts.join("");
}

function downloadCurve(event) {
  if (curveRows.length === 0) {
    event.preventDefault();
    return;
  }
  const ratios = curveOddsRatios(Number(byId("odds-ratio").value));
  const header = ["per_group", ...ratios.map((r) => `power_or_${sixDigits(r)}`)].join(",");
  const lines = curveRows.map((row) => [row[0], ...row.slice(1).map(sixDigits)].join(","));
  const link = byId("curve-csv");
  link.href = URL.createObjectURL(new Blob([`${header}\n${lines.join("\n")}\n`], { type: "text/csv" }));
}

async function copyCommand(event) {
  event.preventDefault();
  const text = byId("command").textContent;
  try {
    await navigator.clipboard.writeText(text);
    byId("copied").textContent = "copied";
  } catch {
    const range = document.createRange();
    range.selectNodeContents(byId("command"));
    getSelection().removeAllRanges();
    getSelection().addRange(range);
    byId("copied").textContent = "selected: press Ctrl+C to copy";
  }
}

// ---------------------------------------------------------------------------

// Answers everything from the form; the quick answers are shown on return,
// the searches' when `searching` settles.
function recompute() {
  const input = readInputs();
  singleStage(input);
  twoStage(input);
  curve(input);
  window.vantorPage.searching = searchesFor(input);
}

// `ready` settles once the page shows its first answers.
window.vantorPage = { recompute, sixDigits, ready: null, searching: null };

window.vantorPage.ready = loadLibrary().then(() => {
  byId("inputs").addEventListener("input", recompute);
  byId("inputs").addEventListener("submit", (e) => e.preventDefault());
  byId("curve-csv").addEventListener("click", downloadCurve);
  byId("copy-command").addEventListener("click", copyCommand);
  recompute();
});
