// The page: reads the form as the vantor program reads its options, checks
// each input with the library's own checks and words, asks every question of
// power/study.h (the quick ones on this thread, the searches in a worker),
// reads each answer by the names of the library's description (records.js)
// and draws the power curve as SVG. Everything recomputes when an input
// changes; a search still running then is abandoned.
"use strict";

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
let defaults = null;

// Fills each choice's select with the library's words (the study's starting
// word selected, the joint analysis for two stages), with a hint for people.
const HINTS = {
  people: "people (two alleles each)",
  pooled: "pooled (allelic chi-square test)",
  unpooled: "unpooled (each group's own rate, Wald)",
};

function fillChoices() {
  const preferred = { ...defaults, method: "joint" };
  for (const select of document.querySelectorAll("select[data-choice]")) {
    const choice = select.dataset.choice;
    for (const word of lib.choiceWords(choice)) {
      const option = new Option(HINTS[word] || word, word);
      option.selected = word === preferred[choice];
      select.add(option);
    }
  }
}

async function loadLibrary() {
  lib = vantorLibrary(await createVantor());
  defaults = lib.studyDefaults();
  fillChoices();
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
      if (settle) settle(event.data.answer);
    };
  },
  ask(question, study, args) {
    if (!this.worker) this.start();
    const id = this.next++;
    return new Promise((resolve) => {
      this.waiting.set(id, resolve);
      this.worker.postMessage({ id, question, study, args });
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

// The number inputs, each by its glossary name (the field's id with
// underscores), in the order they are checked: the levels before what is
// checked against them, the share and case fraction before the total.
const NUMBER_INPUTS = ["odds_ratio", "control_rate", "alpha", "markers", "target_power", "cases", "controls",
  "controls_per_case", "stage1_alpha", "case_fraction", "cost_ratio", "stage1_cases",
  "stage1_controls", "stage2_cases", "stage2_controls", "stage1_share", "total", "budget"];

const idOf = (name) => name.replace(/_/g, "-");

// The disease model's inputs by their glossary names: its numbers (the
// optional ones left out when empty: the marker frequency is then the risk
// allele's, and without D' or r^2 the marker is the causal variant) and its
// choices. The library checks the model as a whole; its refusal names the
// input (REC_reason_input), whose field shows the words.
const MODEL_NUMBERS = ["frequency", "prevalence", "relative_risk", "heterozygote_risk",
  "homozygote_risk"];
const MODEL_OPTIONAL = ["marker_frequency", "d_prime", "r_squared"];
const MODEL_CHOICES = ["model", "controls_kind"];
// Every field that can show a refusal the questions give.
const REFUSABLE = [...NUMBER_INPUTS, ...MODEL_NUMBERS, ...MODEL_OPTIONAL, ...MODEL_CHOICES,
  "test", "count", "variance"];

// The effect is given as an odds ratio and a rate, or as a disease model.
let diseaseModel = false;
const isFree = () => byId("model").value === lib.choiceWords("model").at(-1);

function showEffectKind() {
  byId("effect-allelic").setAttribute("aria-pressed", String(!diseaseModel));
  byId("effect-disease").setAttribute("aria-pressed", String(diseaseModel));
  for (const element of document.querySelectorAll(".allelic-only")) element.hidden = diseaseModel;
  for (const element of document.querySelectorAll(".disease-only")) element.hidden = !diseaseModel;
  for (const element of document.querySelectorAll(".one-risk")) element.hidden = isFree();
  for (const element of document.querySelectorAll(".free-risks")) element.hidden = !isFree();
}

function chooseEffect(disease) {
  diseaseModel = disease;
  showEffectKind();
  recompute();
}

// The level follows the number of markers (STU_default_alpha) until it is
// typed over.
let levelTyped = false;

function followMarkers(event) {
  if (event.target.id === "alpha") levelTyped = true;
  if (event.target.id === "markers" && !levelTyped) {
    const markers = lib.readNumber(byId("markers").value.trim());
    if (Number.isFinite(markers)) byId("alpha").value = String(lib.defaultAlpha(markers));
  }
  if (event.target.id === "model") showEffectKind();
}

function setRefusal(name, words) {
  const field = byId(idOf(name));
  byId(`${idOf(name)}-error`).textContent = words;
  field.setAttribute("aria-invalid", words === "" ? "false" : "true");
}

// Puts a refused answer's words beside the field its reason names, unless
// that field already shows words of its own check.
function placeRefusal(input, answer) {
  if (answer.status !== "INVALID_INPUT") return;
  const code = lib.reasonCode(answer.reason);
  let name = lib.reasonInput(code);
  const ld = ["d_prime", "r_squared"].filter((n) => input.disease && n in input.disease);
  if (name === "ld" || (name === "" && ld.length > 1)) name = ld.at(-1);
  if (!REFUSABLE.includes(name) || byId(`${idOf(name)}-error`).textContent !== "") return;
  setRefusal(name, answer.message);
}

// Reads the form: every number as the vantor program reads one (anything
// else is NaN, which the questions refuse), each checked with the library's
// check of that input and its words shown beside the field.
function readInputs() {
  const input = {
    count: byId("count").value,
    variance: byId("variance").value,
    method: byId("method").value,
    test: byId("test").value,
    text: {},
    refused: {},
  };
  for (const name of REFUSABLE) setRefusal(name, "");
  for (const name of NUMBER_INPUTS) {
    const text = byId(idOf(name)).value.trim();
    input.text[name] = text;
    input[name] = lib.readNumber(text);
  }
  const accepted = (name, fallback) => (input.refused[name] ? fallback : input[name]);
  for (const name of NUMBER_INPUTS) {
    // The target power and the stage 1 level are checked against the level
    // per marker, as the questions check them.
    const markerAlpha = input.alpha / accepted("markers", 1);
    const reason = lib.checkInput(name, input[name], lib.choiceCode("count", input.count),
      markerAlpha, lib.choiceCode("method", input.method), accepted("stage1_share", 0.5),
      accepted("case_fraction", 0.5));
    input.refused[name] = reason !== 0;
    const field = byId(idOf(name));
    byId(`${idOf(name)}-error`).textContent = reason === 0 ? "" : lib.message(reason);
    field.setAttribute("aria-invalid", reason === 0 ? "false" : "true");
  }
  if (diseaseModel) input.disease = modelOf(input);
  return input;
}

// The disease model as typed, by the glossary's names: the relative risk of
// a one-parameter model or the free model's two.
function modelOf(input) {
  const model = {};
  for (const name of MODEL_CHOICES) model[name] = byId(idOf(name)).value;
  const numbers = isFree() ? ["frequency", "prevalence", "heterozygote_risk", "homozygote_risk"]
    : ["frequency", "prevalence", "relative_risk"];
  for (const name of [...numbers, ...MODEL_OPTIONAL]) {
    const text = byId(idOf(name)).value.trim();
    input.text[name] = text;
    if (numbers.includes(name) || text !== "") model[name] = lib.readNumber(text);
  }
  return model;
}

// The study as the questions read it, by the glossary's names: the test is
// one stage's (two stages analyse alleles).
function studyOf(input, stages = 1) {
  const study = {};
  for (const name of ["odds_ratio", "control_rate", "alpha", "markers", "variance", "count",
    "method", "stage1_alpha", "case_fraction"]) {
    study[name] = input[name];
  }
  if (stages === 1) study.test = input.test;
  if (input.disease) study.disease = input.disease;
  return study;
}

// ---------------------------------------------------------------------------
// Answers
// ---------------------------------------------------------------------------

const answers = {};

const isFound = (answer) => answer.status === "FOUND" || answer.status === "FOUND_WITH_WARNING";

// Shows an answer: its text when found (with the warning's words), the
// library's words when not reachable, nothing when an input is refused (the
// field says why). The status and reason names go on the output.
function show(id, answer, text) {
  const out = byId(id);
  out.dataset.status = answer.status;
  out.dataset.reason = answer.reason;
  out.classList.toggle("not-reachable", answer.status === "NOT_REACHABLE");
  if (isFound(answer)) {
    out.textContent = answer.status === "FOUND_WITH_WARNING" ? `${text} (${answer.message})` : text;
  } else if (answer.status === "NOT_REACHABLE") {
    out.textContent = `not reachable: ${answer.message}`;
  } else {
    out.textContent = "";
  }
}

function clear(id) {
  const out = byId(id);
  out.textContent = "";
  delete out.dataset.status;
  delete out.dataset.reason;
}

// Asks on this thread and keeps the answer for window.vantorPage.answers.
function ask(question, input, args, stages = 1) {
  const answer = lib.ask(question, studyOf(input, stages), args);
  answers[question] = answer;
  if (answer.status === "INVALID_INPUT" && !window.vantorPage.lastRefusal) {
    window.vantorPage.lastRefusal = { question, ...answer };
  }
  return answer;
}

// What the test sees at the marker, after each single-stage answer of a
// disease model (the allelic effect's are its own numbers, shown once).
const MARKER_FIELDS = ["marker_alpha", "marker_case_rate", "marker_control_rate",
  "marker_odds_ratio"];
const markerText = (f) => (diseaseModel ? `; at the marker: level ${sixDigits(f.marker_alpha)}, ` +
  `rates ${sixDigits(f.marker_case_rate)} and ${sixDigits(f.marker_control_rate)}, ` +
  `odds ratio ${sixDigits(f.marker_odds_ratio)}` : "");
const sizeText = (f) => `${f.cases} cases and ${f.controls} controls (power ${sixDigits(f.power)})` +
  markerText(f);

function singleStage(input) {
  const power = ask("power", input, [input.cases, input.controls]);
  placeRefusal(input, power);
  show("power", power, sixDigits(power.fields.power));
  for (const name of MARKER_FIELDS) show(idOf(name), power, sixDigits(power.fields[name]));
  const forControls = ask("cases_for_controls", input, [input.controls, input.target_power]);
  show("cases-for-controls", forControls, sizeText(forControls.fields));
  const forCases = ask("controls_for_cases", input, [input.cases, input.target_power]);
  show("controls-for-cases", forCases, sizeText(forCases.fields));
  const forRatio = ask("cases_for_ratio", input, [input.controls_per_case, input.target_power]);
  show("cases-for-ratio", forRatio, sizeText(forRatio.fields));
  // The detectable effect: the odds ratio, or the disease model's relative
  // risk (the free model has no one risk to find: the library's words say so).
  const effect = diseaseModel ? "relative_risk" : "odds_ratio";
  for (const direction of lib.choiceWords("direction")) {
    const found = ask(effect, input, [input.cases, input.controls, input.target_power,
      lib.choiceCode("direction", direction)]);
    show(`${idOf(effect)}-${direction}`, found, sixDigits(found.fields[effect]) + markerText(found.fields));
    if (diseaseModel && power.status !== "INVALID_INPUT" && found.status === "INVALID_INPUT") {
      byId(`${idOf(effect)}-${direction}`).textContent = found.message;
    }
  }
  showCommand(input, power);
}

// The vantor command asking the same power, by the program's option names,
// offered only when the program would take every value.
function showCommand(input, power) {
  const link = byId("copy-command");
  if (power.status === "INVALID_INPUT") {
    byId("command").textContent = "";
    link.hidden = true;
    return;
  }
  const words = ["vantor", "power"];
  const numbers = ["cases", "controls"];
  if (input.disease) {
    numbers.push(...Object.keys(input.disease).filter((n) => !MODEL_CHOICES.includes(n)));
    words.push("--model", input.disease.model);
    if (input.disease.controls_kind !== lib.choiceWords("controls_kind")[0]) {
      words.push("--controls-kind", input.disease.controls_kind);
    }
  } else {
    numbers.push("odds_ratio", "control_rate");
  }
  numbers.push("alpha");
  if (input.markers !== 1) numbers.push("markers");
  for (const name of numbers) words.push(`--${idOf(name)}`, input.text[name]);
  for (const choice of ["count", "variance", "test"]) {
    if (input[choice] !== defaults[choice]) words.push(`--${choice}`, input[choice]);
  }
  byId("command").textContent = words.join(" ");
  link.hidden = false;
}

// Counts per stage, both stages: "150 cases and 150 controls in stage 1, ...".
function stagesText(f) {
  return [1, 2].map((s) => `${f[`stage${s}_cases`]} cases and ${f[`stage${s}_controls`]} ` +
    `controls in stage ${s}`).join(", ");
}

function designText(f) {
  let text = `${f.total} in all: ${stagesText(f)}; levels ${sixDigits(f.stage1_alpha)}, ` +
    `${sixDigits(f.final_alpha)}, ${sixDigits(f.alpha)}; power ${sixDigits(f.power)}; ` +
    `cost ${sixDigits(f.cost)}`;
  if (f.one_stage_total > 0) {
    text += `, ${sixDigits(f.relative_cost)} of one stage (${f.one_stage_total})`;
  }
  return text;
}

function twoStage(input) {
  const design = ask("two_stage_power", input, [input.stage1_cases, input.stage2_cases,
    input.stage1_controls, input.stage2_controls, input.cost_ratio], 2);
  placeRefusal(input, design);
  show("two-stage-power", design, sixDigits(design.fields.power));
  show("final-alpha", design, sixDigits(design.fields.final_alpha));
  show("cost", design, sixDigits(design.fields.cost));
  const ofTotal = ask("two_stage_power_of_total", input, [input.total, input.stage1_share,
    input.cost_ratio], 2);
  show("two-stage-power-of-total", ofTotal, `${stagesText(ofTotal.fields)}; power ` +
    `${sixDigits(ofTotal.fields.power)}; cost ${sixDigits(ofTotal.fields.cost)}`);
}

// The searches: answered by the worker; a newer request abandons them.
let generation = 0;

async function searchesFor(input) {
  searches.cancel();
  const mine = ++generation;
  const study = studyOf(input, 2);
  const search = (question, id, args, then = () => {}) => {
    byId(id).textContent = "searching…";
    return searches.ask(question, study, args).then((answer) => {
      if (mine !== generation) return;
      answers[question] = answer;
      show(id, answer, designText(answer.fields));
      then(answer);
    });
  };
  clear("one-stage-total");
  clear("relative-cost");
  await Promise.all([
    search("smallest_total", "smallest-total", [input.stage1_share, input.target_power]),
    search("cheapest_design", "cheapest-design", [input.target_power, input.cost_ratio], (a) => {
      show("one-stage-total", a, String(a.fields.one_stage_total));
      show("relative-cost", a, sixDigits(a.fields.relative_cost));
    }),
    search("most_powerful_design", "most-powerful-design", [input.budget, input.cost_ratio]),
  ]);
}

// ---------------------------------------------------------------------------
// The power curve: power against the number of cases, with the controls per
// case given, for three effects around the one given (odds ratios, or the
// disease model's relative risks), the target drawn, each curve's solved
// size marked.
// ---------------------------------------------------------------------------

const CURVE_POINTS = 100;
let curveRows = [];
let curveNames = [];

const around = (value, k) => 1 + (value - 1) * k;

// The three effects: each an input with its effect scaled, and its name.
function curveEffects(input) {
  return [0.75, 1, 1.25].map((k) => {
    if (!input.disease) {
      const r = around(input.odds_ratio, k);
      return { input: { ...input, odds_ratio: r }, name: `odds ratio ${sixDigits(r)}`, column: `or_${sixDigits(r)}` };
    }
    const model = { ...input.disease };
    const risks = ["relative_risk", "heterozygote_risk", "homozygote_risk"].filter((n) => n in model);
    for (const n of risks) model[n] = around(model[n], k);
    const shown = risks.map((n) => sixDigits(model[n])).join(" and ");
    return { input: { ...input, disease: model }, name: `relative risk ${shown}`,
      column: `rr_${risks.map((n) => sixDigits(model[n])).join("_")}` };
  });
}

// Controls for `cases` at the ratio, as the library's ratio questions round
// them (power/solve.h): max(1, round(ratio * cases)), halves up.
const partnerOf = (ratio, cases) => Math.max(1, Math.round(ratio * cases));

function curve(input) {
  const box = byId("curve");
  const ready = ["alpha", "markers", "target_power", "controls_per_case"]
    .every((name) => !input.refused[name]) && answers.cases_for_ratio.status !== "INVALID_INPUT";
  box.textContent = "";
  curveRows = [];
  curveNames = [];
  if (!ready) return;
  const started = performance.now();
  const sized = curveEffects(input).map((effect) => ({ ...effect,
    answer: lib.ask("cases_for_ratio", studyOf(effect.input), [input.controls_per_case, input.target_power]) }))
    .filter((effect) => effect.answer.status !== "INVALID_INPUT");
  const solved = sized.map((e) => (isFound(e.answer) ? e.answer.fields.cases : null));
  const largest = Math.max(10, 1.5 * Math.max(...solved.map((s) => s || 0)) || 10000);
  const sizes = Array.from({ length: CURVE_POINTS }, (_, i) =>
    Math.max(1, Math.round(((i + 1) * largest) / CURVE_POINTS)));
  curveRows = sizes.map((n) => {
    const controls = partnerOf(input.controls_per_case, n);
    return [n, controls, ...sized.map((e) =>
      lib.ask("power", studyOf(e.input), [n, controls]).fields.power)];
  });
  curveNames = sized.map((e) => e.column);
  box.innerHTML = curveSvg(curveRows, sized.map((e) => e.name), solved, input.target_power, largest, input.count);
  byId("curve-time").textContent =
    `(${CURVE_POINTS} points and ${sized.length} sizes in ${(performance.now() - started).toFixed(1)} ms)`;
}

function curveSvg(rows, names, solved, target, largest, count) {
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
  parts.push(`<text x="${width / 2}" y="${height - 6}" text-anchor="middle">cases (${count})</text>`,
    `<text x="${x(largest)}" y="${y(0) + 16}" text-anchor="end">${Math.round(largest)}</text>`,
    `<line class="target" stroke="#555" stroke-dasharray="4 3" x1="${left}" x2="${width - right}" y1="${y(target)}" y2="${y(target)}"/>`);
  names.forEach((name, k) => {
    const points = rows.filter((row) => Number.isFinite(row[k + 2]))
      .map((row) => `${x(row[0]).toFixed(1)},${y(row[k + 2]).toFixed(1)}`).join(" ");
    parts.push(`<polyline class="power-line" fill="none" stroke="${colours[k]}" stroke-width="2" points="${points}"><title>${name}</title></polyline>`);
    if (solved[k] !== null && solved[k] <= largest) {
      parts.push(`<circle class="solved" cx="${x(solved[k]).toFixed(1)}" cy="${y(target)}" r="4" fill="${colours[k]}"><title>${solved[k]} cases reach the target at ${name}</title></circle>`);
    }
    parts.push(`<text x="${left + 8}" y="${top + 14 + 14 * k}" style="fill:${colours[k]}">${name}</text>`);
  });
  parts.push("</svg>");
  return parts.join("");
}

function downloadCurve(event) {
  if (curveRows.length === 0) {
    event.preventDefault();
    return;
  }
  const header = ["cases", "controls", ...curveNames.map((name) => `power_${name}`)].join(",");
  const lines = curveRows.map((row) => [row[0], row[1], ...row.slice(2).map(sixDigits)].join(","));
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
  window.vantorPage.lastRefusal = null;
  singleStage(input);
  twoStage(input);
  curve(input);
  window.vantorPage.searching = searchesFor(input);
}

// `ready` settles once the page shows its first answers. `answers` holds the
// latest answer of each question by its name (fields by the description's
// names, status and reason by theirs); `lastRefusal` the first question the
// library refused, in the page's order (the power first), or null.
window.vantorPage = {
  recompute, chooseEffect, sixDigits, answers, library: () => lib, ready: null, searching: null,
  lastRefusal: null,
};

window.vantorPage.ready = loadLibrary().then(() => {
  byId("inputs").addEventListener("input", (event) => {
    followMarkers(event);
    recompute();
  });
  byId("effect-allelic").addEventListener("click", () => chooseEffect(false));
  byId("effect-disease").addEventListener("click", () => chooseEffect(true));
  byId("inputs").addEventListener("submit", (e) => e.preventDefault());
  byId("curve-csv").addEventListener("click", downloadCurve);
  byId("copy-command").addEventListener("click", copyCommand);
  recompute();
});
