// The page: turns the form into the library's named inputs, one request per
// answer shown (the quick ones on this thread, the searches in a worker),
// shows each answer's fields (read by the library's description: records.js)
// and its refusals beside the field of the input refused, in the library's
// words, and draws the power curve as SVG. A simulated power (the number of
// simulated studies given) is asked of the worker, its progress shown.
// Everything recomputes when an input changes; a search or simulation still
// running then is abandoned.
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

// Fills each choice's select with the library's words (the word it takes
// when none is given selected), with a hint for people.
const HINTS = {
  people: "people (two alleles each)",
  pooled: "pooled (allelic chi-square test)",
  unpooled: "unpooled (each group's own rate, Wald)",
};

function fillChoices() {
  for (const select of document.querySelectorAll("select[data-choice]")) {
    const choice = select.dataset.choice;
    // An optional choice starts empty: not given, the library decides.
    if ("optional" in select.dataset) select.add(new Option(select.dataset.optional, "", true, true));
    for (const word of lib.choiceWords(choice)) {
      const option = new Option(HINTS[word] || word, word);
      option.selected = word === lib.valueDefault(choice);
      select.add(option);
    }
  }
}

async function loadLibrary() {
  lib = vantorLibrary(await createVantor());
  fillChoices();
  addPlanInputs();
  addMoreInputs();
  // An optional field left empty shows the value the library takes.
  for (const field of document.querySelectorAll("input[data-optional]")) {
    field.placeholder ||= lib.valueDefault(nameOf(field.id));
  }
  showEffectKind();
}

// ---------------------------------------------------------------------------
// More inputs: each input the library reads for a study the page asks that
// has no field of its own above (and that the page does not give itself),
// as a field of its glossary name and meaning, given when filled to every
// answer whose study reads it. A new input of the library shows up here.
// ---------------------------------------------------------------------------

// The inputs the page gives itself: each detectable effect's side.
const GIVEN_BY_PAGE = ["direction"];
// The generated fields' inputs, by the glossary's names.
let more = [];

const ownField = (name) => document.querySelector(`input#${idOf(name)}, select#${idOf(name)}`);

function addMoreInputs() {
  const part = byId("more-inputs");
  for (const panel of [...QUICK, ...SEARCHED]) {
    for (const about of lib.studyInputs(panel.stages, panel.solve)) {
      if (GIVEN_BY_PAGE.includes(about.name) || ownField(about.name)) continue;
      part.append(generatedField(about));
      more.push(about.name);
    }
  }
  part.hidden = more.length === 0;
}

// The limits and costs of two-stage designs, by the glossary's page labels,
// each described by the library's meaning; and the stage 1 level and share
// the design searches keep instead of searching them (the fields "fixed-").
const LIMITS = ["cases_available", "controls_available", "stage1_controls_available",
  "stage2_controls_available", "panel"];
const MONEY = ["stage1_cost_per_person", "stage2_cost_per_person", "stage2_cost_per_genotype",
  "stage1_fixed_cost", "stage2_fixed_cost"];
const PLAN_LABELS = ["Cases available", "Controls available", "Stage 1 controls available",
  "Stage 2 controls available", "Largest stage 2 panel", "Stage 1 cost per person",
  "Stage 2 cost per person", "Stage 2 cost per genotype", "Stage 1 fixed cost", "Stage 2 fixed cost"];
const FIXED = { stage1_alpha: "Stage 1 level", stage1_share: "Stage 1 share of everyone" };

function addPlanInputs() {
  const about = (name) => lib.studyInputs(2, "design").find((input) => input.name === name);
  const plan = byId("plan");
  [...LIMITS, ...MONEY].forEach((name, i) => plan.append(generatedField({ ...about(name),
    label: PLAN_LABELS[i] })));
  for (const [name, label] of Object.entries(FIXED)) {
    plan.append(generatedField({ ...about(name), id: `fixed-${idOf(name)}`, label,
      meaning: "Kept by the two design searches; empty, they search it." }));
  }
}

// A text box, or a select of the choice's words after an empty "default";
// shown for its kind of effect only; its refusals beside it. Under the
// input's name, or the label and id given.
function generatedField(about) {
  const id = about.id || idOf(about.name);
  const make = (tag, properties) => Object.assign(document.createElement(tag), properties);
  const effect = { allelic: " allelic-only", disease: " disease-only" }[about.effect] || "";
  const box = make("div", { className: `field${effect}` });
  let field = make("input", { inputMode: "decimal", placeholder: about.default });
  if (about.kind === "word") {
    field = make("select");
    for (const word of ["", ...lib.choiceWords(about.choice)]) field.add(new Option(word || "default", word));
  }
  Object.assign(field, { id });
  field.dataset.optional = "";
  field.setAttribute("aria-describedby", `${id}-error ${id}-about`);
  const error = make("span", { className: "error", id: `${id}-error` });
  error.setAttribute("role", "alert");
  box.append(make("label", { htmlFor: id, textContent: about.label || about.name }), field, error,
    make("span", { className: "about", id: `${id}-about`, textContent: about.meaning }));
  return box;
}

// ---------------------------------------------------------------------------
// The worker of the searches and simulations, started from the loader,
// records and worker scripts in the page itself (a page opened from disk
// cannot start one from a file).
// ---------------------------------------------------------------------------

const searches = {
  worker: null,
  next: 1,
  waiting: new Map(),
  start() {
    const source = ["vantor-loader", "vantor-records", "vantor-worker"]
      .map((id) => byId(id).textContent).join("\n");
    const url = URL.createObjectURL(new Blob([source], { type: "text/javascript" }));
    this.worker = new Worker(url);
    this.worker.onmessage = (event) => {
      const { id, answers, done, total } = event.data;
      const asked = this.waiting.get(id);
      if (!asked) return;
      if (answers === undefined) {
        asked.progress?.(done, total);
        return;
      }
      this.waiting.delete(id);
      asked.resolve(answers);
    };
  },
  // The answers to `inputs`; progress(done, total) told as a simulation
  // runs; with `methods`, each with its methods paragraph.
  ask(inputs, progress = null, methods = false) {
    if (!this.worker) this.start();
    const id = this.next++;
    return new Promise((resolve) => {
      this.waiting.set(id, { resolve, progress });
      this.worker.postMessage({ id, inputs, methods });
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
// The form as named inputs
// ---------------------------------------------------------------------------

const idOf = (name) => name.replace(/_/g, "-");
const nameOf = (id) => id.replace(/-/g, "_");

// The effect is given as an odds ratio and a rate, or as a disease model.
let diseaseModel = false;
const isFree = () => byId("model").value === "free";

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

// The level is the library's until it is typed over: not given, the field
// shows the level the library took (which follows the number of markers).
let levelTyped = false;

function followForm(event) {
  if (event.target.id === "alpha") levelTyped = true;
  if (event.target.id === "model") showEffectKind();
}

// The inputs of a part of the form by the glossary's names (the fields'
// ids): each field shown, a number as typed, a choice as its word. An
// optional field left empty, and the level not typed over, are not given.
function inputsOf(part) {
  const inputs = {};
  for (const field of part.querySelectorAll("input[id], select[id]")) {
    if (field.closest("[hidden]") || (field.id === "alpha" && !levelTyped)) continue;
    const text = field.value.trim();
    if (text !== "" || !("optional" in field.dataset)) inputs[nameOf(field.id)] = text;
  }
  return inputs;
}

// What each answer shown asks: its study's stages, the inputs it gives of
// its own part of the form, and what it solves. The study's inputs (the
// "Study" part, the two-stage analysis for two stages) and the simulation's
// are given to every answer; the target power only to those that solve for
// it.
const STAGES = { 1: [], 2: ["method", "stage1_alpha", "case_fraction"] };
const EFFECT = ["odds_ratio", "relative_risk", "heterozygote_risk", "homozygote_risk"];
const QUICK = [
  { id: "power", stages: 1, gives: ["cases", "controls"] },
  { id: "cases-for-controls", stages: 1, gives: ["controls", "target_power"], solve: "size" },
  { id: "controls-for-cases", stages: 1, gives: ["cases", "target_power"], solve: "size" },
  { id: "cases-for-ratio", stages: 1, gives: ["controls_per_case", "target_power"], solve: "size" },
  { id: "effect-above", stages: 1, gives: ["cases", "controls", "target_power"], solve: "effect",
    direction: "above" },
  { id: "effect-below", stages: 1, gives: ["cases", "controls", "target_power"], solve: "effect",
    direction: "below" },
  { id: "two-stage-power", stages: 2, gives: ["stage1_cases", "stage1_controls", "stage2_cases",
    "stage2_controls", "cost_ratio", ...MONEY] },
  { id: "two-stage-power-of-total", stages: 2,
    gives: ["total", "stage1_share", "cost_ratio", ...MONEY] },
];
// The smallest total and the design searches keep within the limits; the
// searches are given the fixed level and share, not the stage 1 level above.
const SEARCHED = [
  { id: "smallest-total", stages: 2,
    gives: ["stage1_share", "target_power", "cost_ratio", ...MONEY, ...LIMITS], solve: "size" },
  { id: "cheapest-design", stages: 2, gives: ["target_power", "cost_ratio", ...MONEY, ...LIMITS],
    solve: "design" },
  { id: "most-powerful-design", stages: 2, gives: ["budget", "cost_ratio", ...MONEY, ...LIMITS],
    solve: "design" },
];
// The field of an input of a panel's request.
const fieldOf = (panel, name) => (panel.solve === "design" && name in FIXED ? "fixed-" : "") + idOf(name);

// The inputs every study reads that are not listed among its own.
const ALWAYS_READ = ["count", "stages", "solve"];

// The request of an answer shown, from the form's inputs.
function requestOf(panel, form) {
  const request = { ...form.study, ...form.simulation };
  delete request.target_power;
  for (const name of [...STAGES[panel.stages], ...panel.gives]) request[name] = form.all[name];
  if (panel.solve === "design") for (const name in FIXED) request[name] = form.all[`fixed_${name}`];
  if (panel.stages === 2) request.stages = 2;
  if (panel.solve) request.solve = panel.solve;
  if (panel.solve === "effect") for (const name of EFFECT) delete request[name];
  if (panel.direction) request.direction = panel.direction;
  for (const name of more) if (name in form.all) request[name] = form.all[name];
  // Only what its study reads (the library refuses an input it does not).
  const reads = [...ALWAYS_READ, ...lib.studyInputs(panel.stages, panel.solve).map((about) => about.name)];
  for (const name in request) if (!reads.includes(name)) delete request[name];
  return request;
}

// The inputs that ask for a simulation, and the request without them (as
// the page's thread asks it: a simulation runs in the worker).
const SIMULATION = ["replicates", "seed"];
const simulating = (form) => "replicates" in form.simulation;
const calculatedOnly = (request) => Object.fromEntries(Object.entries(request)
  .filter(([name]) => !SIMULATION.includes(name)));

// The page's words for the library's: each input, spelled as an option,
// becomes its field's label.
const labelOf = (id) => document.querySelector(`label[for="${id}"]`)?.textContent.replace(/\s+/g, " ").trim();
function pageWords(message) {
  return message.replace(/--([a-z0-9-]+)/g, (_, id) => labelOf(id) || nameOf(id));
}

// ---------------------------------------------------------------------------
// Answers
// ---------------------------------------------------------------------------

// The latest answer of each output by its id, for window.vantorPage.
const answers = {};

const isFound = (answer) => answer.status === "FOUND" || answer.status === "FOUND_WITH_WARNING";

// The fields whose values some answer took (answered without refusal), by
// the stages of its study: "1 model".
let accepted = new Set();

// A refusal's words go beside the field of the input it names, unless an
// answer of a study of as many stages took that input's value (the words
// are then about this answer alone) or the page has no field for it: then
// in the answer's place.
function placeRefusal(panel, answer) {
  const id = fieldOf(panel, answer.input);
  const field = answer.input && document.getElementById(`${id}-error`);
  if (!field || accepted.has(`${panel.stages} ${id}`)) return false;
  if (field.textContent === "") {
    field.textContent = pageWords(answer.message);
    byId(id).setAttribute("aria-invalid", "true");
  }
  return true;
}

function clearRefusals() {
  for (const error of document.querySelectorAll("#inputs .error")) error.textContent = "";
  for (const field of document.querySelectorAll("#inputs [aria-invalid]")) {
    field.setAttribute("aria-invalid", "false");
  }
}

// Shows an answer: its text when found (with the warning's words), the
// library's words when not reachable, the refusal's words beside its field
// or here. The status and reason names go on the output.
function show(id, answer, text, panel = null) {
  const out = byId(id);
  out.dataset.status = answer.status;
  out.dataset.reason = answer.reason;
  out.classList.toggle("not-reachable", answer.status === "NOT_REACHABLE");
  if (isFound(answer)) {
    out.textContent = answer.status === "FOUND_WITH_WARNING" ? `${text} (${answer.message})` : text;
  } else if (answer.status === "NOT_REACHABLE") {
    out.textContent = `not reachable: ${answer.message}`;
  } else {
    out.textContent = !panel || placeRefusal(panel, answer) ? "" : pageWords(answer.message);
  }
}

function clear(id) {
  const out = byId(id);
  out.textContent = "";
  delete out.dataset.status;
  delete out.dataset.reason;
}

// What the test sees at the marker, after each single-stage answer of a
// disease model (the allelic effect's are its own numbers, shown once).
const MARKER_FIELDS = ["marker_alpha", "marker_case_rate", "marker_control_rate",
  "marker_odds_ratio"];
const CALCULATED = { genotypes: "from the genotypes", classic: "by the classic formulas" };
const calculatedText = (f) => (diseaseModel ? `; calculated ${CALCULATED[f.calculation]}` : "");
const markerText = (f) => (diseaseModel ? `; at the marker: level ${sixDigits(f.marker_alpha)}, ` +
  `rates ${sixDigits(f.marker_case_rate)} and ${sixDigits(f.marker_control_rate)}, ` +
  `odds ratio ${sixDigits(f.marker_odds_ratio)}` + calculatedText(f) : "");
const sizeText = (f) => `${f.cases} cases and ${f.controls} controls (power ${sixDigits(f.power)})` +
  markerText(f);
// A simulated power: the share of the studies whose test rejected, of how
// many studies, from which seed.
const ofStudies = (f) => `${f.replicates} studies, seed ${f.seed}`;
const simulatedText = (f) => `simulated power ${sixDigits(f.simulated_power)} (standard error ` +
  `${sixDigits(f.standard_error)}; ${ofStudies(f)})`;

// Counts per stage, both stages: "150 cases and 150 controls in stage 1, ...".
function stagesText(f) {
  return [1, 2].map((s) => `${f[`stage${s}_cases`]} cases and ${f[`stage${s}_controls`]} ` +
    `controls in stage ${s}`).join(", ");
}

// The cost in money, with costs in money (and one stage's, when there is
// one); the limit reached, each stage's cases' share and the markers stage
// 2 types, with limits given.
const limitWords = (f) => (f.binding_limit === "none" ? "none" : labelOf(idOf(f.binding_limit)));
const moneyText = (f) => (Number.isFinite(f.cost_in_money) ? `; cost in money ` +
  sixDigits(f.cost_in_money) + (Number.isFinite(f.one_stage_cost_in_money)
    ? ` (one stage ${sixDigits(f.one_stage_cost_in_money)})` : "") : "");
const limitText = (f) => (f.limited ? `; limit reached: ${limitWords(f)}; cases' shares ` +
  `${sixDigits(f.stage1_case_fraction)} and ${sixDigits(f.stage2_case_fraction)}; ` +
  `${sixDigits(f.stage2_markers)} markers in stage 2` : "");

function designText(f) {
  let text = `${f.total} in all: ${stagesText(f)}; levels ${sixDigits(f.stage1_alpha)}, ` +
    `${sixDigits(f.final_alpha)}, ${sixDigits(f.alpha)}; power ${sixDigits(f.power)}; ` +
    `cost ${sixDigits(f.cost)}`;
  if (f.one_stage_total > 0) {
    text += `, ${sixDigits(f.relative_cost)} of one stage (${f.one_stage_total})`;
  }
  return text + moneyText(f) + limitText(f);
}

// Each output's words from its answer's fields, and the outputs beside it.
// The detectable effect is the odds ratio, or the disease model's relative
// risk (the free model has no one risk to find: the library's words say so).
const effectName = () => (diseaseModel ? "relative_risk" : "odds_ratio");
const SHOWN = {
  "power": (f) => sixDigits(f.power),
  "cases-for-controls": sizeText,
  "controls-for-cases": sizeText,
  "cases-for-ratio": sizeText,
  "effect": (f) => sixDigits(f[effectName()]) + markerText(f),
  "two-stage-power": (f) => sixDigits(f.power),
  "two-stage-power-of-total": (f) => `${stagesText(f)}; power ${sixDigits(f.power)}; ` +
    `cost ${sixDigits(f.cost)}` + moneyText(f),
  "smallest-total": designText,
  "cheapest-design": designText,
  "most-powerful-design": designText,
};
// The powers' own outputs for a simulated power and its standard error.
const SIMULATED_BESIDE = {
  "power": ["simulated-power", "standard-error"],
  "two-stage-power": ["two-stage-simulated-power", "two-stage-standard-error"],
};
const simulatedBeside = (id) => [
  [SIMULATED_BESIDE[id][0], (f) => `${sixDigits(f.simulated_power)}, of ${ofStudies(f)}`],
  [SIMULATED_BESIDE[id][1], (f) => sixDigits(f.standard_error)]];
const BESIDE = {
  "power": MARKER_FIELDS.map((name) => [idOf(name), (f) => sixDigits(f[name])]),
  "two-stage-power": [["final-alpha", (f) => sixDigits(f.final_alpha)],
    ["cost", (f) => sixDigits(f.cost)], ["cost-in-money", (f) => sixDigits(f.cost_in_money)]],
  "cheapest-design": [["one-stage-total", (f) => String(f.one_stage_total)],
    ["relative-cost", (f) => sixDigits(f.relative_cost)],
    ["one-stage-cost-in-money", (f) => sixDigits(f.one_stage_cost_in_money)],
    ["binding-limit", limitWords],
    ...["stage1_case_fraction", "stage2_case_fraction", "stage2_markers"].map((name) =>
      [idOf(name), (f) => sixDigits(f[name])])],
};

// An output's id: the effect's by the effect's name and side.
const outputOf = (panel) => (panel.direction ? `${idOf(effectName())}-${panel.direction}` : panel.id);

// An answer simulated shows its simulated power beside its power, or after
// its words.
function showAnswer(panel, answer, request) {
  answers[panel.id] = answer;
  // The result's fields, how its power was calculated, whether limits were
  // given and its simulated power (the answer's own).
  const fields = { ...answer.fields, calculation: answer.calculation,
    limited: LIMITS.some((name) => request[name] !== undefined) };
  for (const name of ["replicates", "seed", "simulated_power", "standard_error"]) fields[name] = answer[name];
  const simulated = answer.replicates > 0;
  const words = (textOf) => (isFound(answer) ? textOf(fields) : "");
  const shown = SHOWN[panel.direction ? "effect" : panel.id];
  const after = simulated && !(panel.id in SIMULATED_BESIDE);
  show(outputOf(panel), answer, words((f) => shown(f) + (after ? `; ${simulatedText(f)}` : "")), panel);
  const beside = [...BESIDE[panel.id] || [], ...(simulated && !after ? simulatedBeside(panel.id) : [])];
  for (const [id, textOf] of beside) show(id, answer, words(textOf));
  if (!simulated) for (const id of SIMULATED_BESIDE[panel.id] || []) clear(id);
}

// Asks the quick questions on this thread: every answer's refusal is placed
// once all are known (a value some answer took is not refused beside its
// field). A simulated power is left to the worker: the answers here are the
// calculated ones. Returns the quick answers.
function askQuick(form) {
  const asked = QUICK.map((panel) => {
    const request = requestOf(panel, form);
    const given = simulating(form) ? calculatedOnly(request) : request;
    const [answer] = lib.ask(given);
    if (answer.status !== "INVALID_INPUT") for (const name in given) accepted.add(`${panel.stages} ${idOf(name)}`);
    return { panel, request, answer };
  });
  for (const { panel, answer, request } of asked) showAnswer(panel, answer, request);
  const power = asked[0];
  if (!levelTyped && Number.isFinite(power.answer.alpha)) byId("alpha").value = String(power.answer.alpha);
  showCommand(power.request, power.answer);
  return asked;
}

// The vantor command asking the same power, by the program's option names,
// offered only when the library took every value: the inputs given, each
// word or number the library would take anyway left out.
function showCommand(request, power) {
  const link = byId("copy-command");
  const offered = power.status !== "INVALID_INPUT";
  const words = ["vantor", "power"];
  for (const [name, value] of Object.entries(request)) {
    if (value !== lib.valueDefault(name)) words.push(`--${idOf(name)}`, value);
  }
  byId("command").textContent = offered ? words.join(" ") : "";
  link.hidden = !offered;
}

// The answer whose methods paragraph the page shows: the cheapest design,
// the design a proposal would plan.
const METHODS_OF = "cheapest-design";

// The searches, and the simulated powers of the quick answers found:
// answered by the worker; a newer request abandons them. Each simulation
// tells its progress, shown as the share of the studies simulated.
let generation = 0;

async function searchesFor(form, quick) {
  searches.cancel();
  const mine = ++generation;
  for (const [id] of BESIDE["cheapest-design"]) clear(id);
  const simulated = simulating(form) ? quick.filter(({ answer }) => isFound(answer)) : [];
  const asked = [...SEARCHED.map((panel) => ({ panel, request: requestOf(panel, form) })), ...simulated];
  const progress = simulationProgress(simulating(form) ? asked.length : 0);
  for (const { panel } of simulated) {
    for (const id of SIMULATED_BESIDE[panel.id] || []) byId(id).textContent = "simulating…";
  }
  byId("methods").textContent = "searching…";
  await Promise.all(asked.map(({ panel, request }, i) => {
    if (SEARCHED.includes(panel)) byId(panel.id).textContent = "searching…";
    const told = (done, total) => mine === generation && progress(i, done / total);
    const methods = panel.id === METHODS_OF;
    return searches.ask(request, told, methods).then(([answer]) => {
      if (mine !== generation) return;
      told(1, 1);
      showAnswer(panel, answer, request);
      if (panel === QUICK[0]) showCommand(request, answer);
      if (methods) byId("methods").textContent = answer.methods;
    });
  }));
}

// Shows how far `count` simulations have come (none: nothing shown): the
// share of their studies simulated, each simulation counting alike, and the
// time left at the pace so far. Returns the function told the share of the
// i-th.
function simulationProgress(count) {
  byId("simulation-progress").hidden = count === 0;
  if (count === 0) return () => {};
  const shares = new Array(count).fill(0);
  const started = performance.now();
  const tell = (i, share) => {
    shares[i] = share;
    const all = shares.reduce((sum, s) => sum + s, 0) / count;
    const seconds = (performance.now() - started) / 1000;
    byId("simulated-share").value = all;
    byId("simulation-words").textContent = all >= 1
      ? `every study simulated, in ${timeText(seconds)}`
      : `${Math.floor(100 * all)} % of the studies simulated` +
        (all > 0 ? `, about ${timeText((seconds * (1 - all)) / all)} left` : "");
  };
  tell(0, 0);
  return tell;
}

const timeText = (seconds) => (seconds < 60 ? `${seconds.toFixed(seconds < 10 ? 1 : 0)} s`
  : `${Math.round(seconds / 60)} min`);

// ---------------------------------------------------------------------------
// The figure: power at the controls per case against the number of cases or
// against the effect (the odds ratio, the model's relative risk, or the free
// model's relative risk of one copy), one curve per value of the other typed
// in a list (empty: three effects around the one given, or half, once and
// twice the cases given). Every point is the library's answer. Its axes are
// ticked at round values, the target power dashed, each curve's solved size
// marked, and the caption is the library's sentence about the study.
// ---------------------------------------------------------------------------

const CURVE_POINTS = 100;
// The effect's widest reach on the x axis, in multiples of its distance from 1.
const EFFECT_REACH = 3;
const COLOURS = ["#1f77b4", "#d62728", "#2ca02c", "#9467bd", "#ff7f0e", "#8c564b"];
const EFFECT_WORDS = { odds_ratio: ["odds ratio", "or"], relative_risk: ["relative risk", "rr"],
  heterozygote_risk: ["relative risk of one copy", "rr1"] };

// The figure drawn last (window.vantorPage.figure, and the downloads').
let figure = null;

const around = (value, k) => 1 + (value - 1) * k;

// About `about` round values from lo to hi: 1, 2 or 5 times a power of ten
// apart, so that tick labels stay short.
function roundTicks(lo, hi, about = 5) {
  if (!(hi > lo)) return [lo];
  const rough = (hi - lo) / about;
  const decade = 10 ** Math.floor(Math.log10(rough));
  const step = [1, 2, 5, 10].map((m) => m * decade).find((s) => s >= rough * (1 - 1e-9));
  const ticks = [];
  for (let k = Math.ceil(lo / step - 1e-9); k * step <= hi * (1 + 1e-12) + 1e-12; ++k) {
    ticks.push(Number((k * step).toPrecision(12)));
  }
  return ticks;
}

// The typed values of the curves' input, as typed (the library reads them),
// and a curve's value in its name: as typed, or the page's own in six digits.
const typedList = (text) => text.split(/[\s,;]+/).filter((word) => word !== "");
const shownValue = (value) => (typeof value === "string" ? value : sixDigits(value));

// The effect's input of a request, its words and its CSV prefix.
function effectOf(request) {
  const name = EFFECT.find((input) => input in request);
  const [words, column] = EFFECT_WORDS[name];
  return { name, words, column, value: lib.taken(request, name) };
}

// The curves against the number of cases: one per effect, each with the
// size that reaches the target at the controls per case.
function curvesAcrossCases(sizing, effect, typed) {
  const values = typed.length ? typed : [0.75, 1, 1.25].map((k) => around(effect.value, k));
  return values.map((value) => {
    const request = { ...sizing, [effect.name]: value };
    const shown = shownValue(value);
    return { request, value, name: `${effect.words} ${shown}`, column: `${effect.column}_${shown}`,
      sized: lib.ask(request)[0] };
  });
}

// The curves against the effect: one per number of cases.
function curvesAcrossEffect(sizing, casesGiven, typed) {
  const values = typed.length ? typed : [0.5, 1, 2].map((k) => Math.max(1, Math.round(k * casesGiven)));
  return values.map((value) => ({ request: { ...sizing, cases: value }, value,
    name: `cases ${shownValue(value)}`, column: `cases_${shownValue(value)}` }));
}

// The power of a curve's request at one x: the library works out the
// controls at the controls per case.
function pointAt(request, xName, x) {
  const [answer] = lib.ask({ ...request, [xName]: x, solve: null, target_power: null });
  return { x, power: isFound(answer) ? answer.fields.power : NaN, controls: answer.controls, answer };
}

// The x values: the cases up to half again the largest size solved, or the
// effect from just beside 1 to a few times its distance from 1.
function xValues(acrossEffect, effect, curves) {
  if (acrossEffect) {
    return Array.from({ length: CURVE_POINTS }, (_, i) =>
      around(effect.value, (EFFECT_REACH * (i + 1)) / CURVE_POINTS));
  }
  const solved = curves.map((c) => (isFound(c.sized) ? c.sized.fields.cases : 0));
  const largest = Math.max(10, 1.5 * Math.max(...solved) || 10000);
  return Array.from({ length: CURVE_POINTS }, (_, i) =>
    Math.max(1, Math.round(((i + 1) * largest) / CURVE_POINTS)));
}

// Builds the figure of the form (null when the library refuses its study):
// its x axis, its curves of points, the target, the caption.
function figureOf(form) {
  const panel = QUICK.find((p) => p.id === "cases-for-ratio");
  if (answers[panel.id].status === "INVALID_INPUT") return null;
  const sizing = calculatedOnly(requestOf(panel, form));
  const effect = effectOf(sizing);
  const acrossEffect = byId("figure-x").value === "effect";
  const typed = typedList(byId("figure-curves").value);
  const casesGiven = lib.taken(requestOf(QUICK[0], form), "cases");
  let curves = acrossEffect ? curvesAcrossEffect(sizing, casesGiven > 0 ? casesGiven : 1000, typed)
    : curvesAcrossCases(sizing, effect, typed);
  const xName = acrossEffect ? effect.name : "cases";
  const xs = xValues(acrossEffect, effect, curves);
  curves = curves.map((c) => ({ ...c, points: xs.map((x) => pointAt(c.request, xName, x)) }));
  showCurveRefusal(curves);
  curves = curves.filter((c) => c.points.some((p) => Number.isFinite(p.power)));
  if (curves.length === 0) return null;
  const shownXs = xs.filter((x, i) => curves.some((c) => Number.isFinite(c.points[i].power)));
  const domain = acrossEffect ? [Math.min(1, ...shownXs), Math.max(1, ...shownXs)] : [0, xs.at(-1)];
  const first = curves[0];
  return {
    x: { input: xName, domain, ticks: roundTicks(...domain),
      title: acrossEffect ? effect.words : `cases (${form.all.count})` },
    y: { title: "power", domain: [0, 1], ticks: roundTicks(0, 1) },
    target: lib.taken(sizing, "target_power"),
    curves: curves.map(({ name, column, value, points, sized }) => ({ name, column, value,
      solved: sized && isFound(sized) ? sized.fields.cases : null,
      points: points.map(({ x, power, controls }) => ({ x, power, controls })) })),
    caption: lib.caption({ ...first.request, [xName]: first.points[0].x, solve: null,
      target_power: null }, xName, acrossEffect ? "cases" : effect.name),
  };
}

// A curve's value the library refuses: its words beside the list.
function showCurveRefusal(curves) {
  const refused = curves.find((c) => c.points.every((p) => p.answer.status === "INVALID_INPUT"));
  byId("figure-curves-error").textContent = refused && byId("figure-curves").value.trim() !== ""
    ? pageWords(refused.points[0].answer.message) : "";
}

function curve(form) {
  const started = performance.now();
  figure = figureOf(form);
  window.vantorPage.figure = figure;
  byId("curve").innerHTML = figure ? figureSvg(figure) : "";
  byId("curve-caption").textContent = figure ? figure.caption : "";
  byId("curve-time").textContent = figure ? `(${figure.curves.length} curves of ${CURVE_POINTS} ` +
    `points in ${(performance.now() - started).toFixed(1)} ms)` : "";
}

// The figure as standalone SVG markup: its fonts and colours its own, so
// that it renders alike on the page, saved, and drawn into a PNG.
const PLOT = { width: 640, height: 340, left: 56, right: 170, top: 14, bottom: 46 };

// The caption's lines, at most CAPTION_WIDTH characters each, broken at spaces.
const CAPTION_WIDTH = 100;
function captionLines(caption) {
  const lines = [""];
  for (const word of caption.split(" ")) {
    const line = lines.at(-1);
    if (line && line.length + 1 + word.length > CAPTION_WIDTH) lines.push(word);
    else lines[lines.length - 1] = line ? `${line} ${word}` : word;
  }
  return lines;
}

// The figure's SVG; `captioned` (the downloads) writes the caption under it,
// which the page shows as text of its own.
function figureSvg(f, captioned = false) {
  const { width, left, right, top, bottom } = PLOT;
  const lines = captioned ? captionLines(f.caption) : [];
  const height = PLOT.height + (lines.length ? 10 + 15 * lines.length : 0);
  const [x0, x1] = f.x.domain;
  const x = (v) => (left + ((width - left - right) * (v - x0)) / (x1 - x0 || 1)).toFixed(1);
  const y = (p) => (top + (PLOT.height - top - bottom) * (1 - p)).toFixed(1);
  const axis = 'stroke="#333" stroke-width="1"';
  const parts = [`<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 ${width} ${height}" ` +
    `width="${width}" height="${height}" font-family="system-ui, Arial, sans-serif" font-size="11" fill="#333">`,
  `<desc>${escapeMarkup(f.caption)}</desc>`,
  `<rect width="${width}" height="${height}" fill="#fff"/>`,
  `<line class="axis x" ${axis} x1="${left}" y1="${y(0)}" x2="${width - right}" y2="${y(0)}"/>`,
  `<line class="axis y" ${axis} x1="${left}" y1="${y(0)}" x2="${left}" y2="${y(1)}"/>`];
  for (const v of f.x.ticks) {
    parts.push(`<g class="tick x" data-value="${v}"><line ${axis} x1="${x(v)}" x2="${x(v)}" y1="${y(0)}" ` +
      `y2="${+y(0) + 5}"/><text x="${x(v)}" y="${+y(0) + 17}" text-anchor="middle">${sixDigits(v)}</text></g>`);
  }
  for (const v of f.y.ticks) {
    parts.push(`<g class="tick y" data-value="${v}"><line ${axis} x1="${left - 5}" x2="${left}" y1="${y(v)}" ` +
      `y2="${y(v)}"/><text x="${left - 8}" y="${+y(v) + 4}" text-anchor="end">${sixDigits(v)}</text></g>`);
  }
  parts.push(`<text class="axis-title x" x="${(left + width - right) / 2}" y="${PLOT.height - 8}" ` +
    `text-anchor="middle" font-size="12">${escapeMarkup(f.x.title)}</text>`,
  `<text class="axis-title y" x="14" y="${(top + PLOT.height - bottom) / 2}" text-anchor="middle" font-size="12" ` +
    `transform="rotate(-90 14 ${(top + PLOT.height - bottom) / 2})">${f.y.title}</text>`,
  `<line class="target" data-power="${f.target}" stroke="#555" stroke-dasharray="4 3" x1="${left}" ` +
    `x2="${width - right}" y1="${y(f.target)}" y2="${y(f.target)}"><title>target power ${sixDigits(f.target)}</title></line>`);
  f.curves.forEach((c, k) => parts.push(...curveMarkup(c, COLOURS[k % COLOURS.length], x, y, f.target),
    legendEntry(c.name, COLOURS[k % COLOURS.length], width - right + 14, top + 10 + 18 * k)));
  lines.forEach((line, k) => parts.push(`<text class="caption" x="${left}" ` +
    `y="${PLOT.height + 12 + 15 * k}">${escapeMarkup(line)}</text>`));
  parts.push("</svg>");
  return parts.join("");
}

// A curve's line, and its solved size on the target line when in sight.
function curveMarkup(c, colour, x, y, target) {
  const points = c.points.filter((p) => Number.isFinite(p.power))
    .map((p) => `${x(p.x)},${y(p.power)}`).join(" ");
  const line = `<polyline class="power-line" fill="none" stroke="${colour}" stroke-width="2" ` +
    `points="${points}"><title>${escapeMarkup(c.name)}</title></polyline>`;
  const last = c.points.at(-1).x;
  if (c.solved === null || c.solved > last) return [line];
  return [line, `<circle class="solved" cx="${x(c.solved)}" cy="${y(target)}" r="4" fill="${colour}">` +
    `<title>${c.solved} cases reach the target at ${escapeMarkup(c.name)}</title></circle>`];
}

function legendEntry(name, colour, left, top) {
  return `<g class="legend"><line stroke="${colour}" stroke-width="2" x1="${left}" x2="${left + 18}" ` +
    `y1="${top}" y2="${top}"/><text x="${left + 24}" y="${top + 4}">${escapeMarkup(name)}</text></g>`;
}

const escapeMarkup = (text) => text.replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;");

// ---------------------------------------------------------------------------
// The figure's downloads: its points as CSV, its SVG, and a PNG drawn from
// the SVG at twice its size.
// ---------------------------------------------------------------------------

const FILE_NAME = "vantor_power_curve";

function figureCsv(f) {
  const acrossCases = f.x.input === "cases";
  const head = [f.x.input, ...(acrossCases ? ["controls"] : []), ...f.curves.map((c) => `power_${c.column}`)];
  const lines = f.curves[0].points.map((p, i) => [acrossCases ? p.x : sixDigits(p.x),
    ...(acrossCases ? [p.controls] : []), ...f.curves.map((c) => sixDigits(c.points[i].power))].join(","));
  return `${head.join(",")}\n${lines.join("\n")}\n`;
}

// Points the link at the file before the browser follows it.
function linkDownload(id, blobOf) {
  byId(id).addEventListener("click", (event) => {
    if (!figure) {
      event.preventDefault();
      return;
    }
    byId(id).href = URL.createObjectURL(blobOf(figure));
  });
}

const svgBlob = (f) => new Blob([figureSvg(f, true)], { type: "image/svg+xml" });

async function pngBlob(f) {
  const image = new Image();
  image.src = `data:image/svg+xml;charset=utf-8,${encodeURIComponent(figureSvg(f, true))}`;
  await image.decode();
  const canvas = Object.assign(document.createElement("canvas"), { width: 2 * image.naturalWidth,
    height: 2 * image.naturalHeight });
  canvas.getContext("2d").drawImage(image, 0, 0, canvas.width, canvas.height);
  return new Promise((resolve) => canvas.toBlob(resolve, "image/png"));
}

// A PNG is drawn asynchronously: saved by a link of its own once ready.
async function downloadPng(event) {
  event.preventDefault();
  if (!figure) return;
  const link = Object.assign(document.createElement("a"), { download: `${FILE_NAME}.png`,
    href: URL.createObjectURL(await pngBlob(figure)) });
  link.click();
}

// Copies the text of `sourceId`, saying so in `statusId`; where the
// clipboard is refused, selects the text for Ctrl+C.
async function copyText(event, sourceId, statusId) {
  event.preventDefault();
  const text = byId(sourceId).textContent;
  try {
    await navigator.clipboard.writeText(text);
    byId(statusId).textContent = "copied";
  } catch {
    const range = document.createRange();
    range.selectNodeContents(byId(sourceId));
    getSelection().removeAllRanges();
    getSelection().addRange(range);
    byId(statusId).textContent = "selected: press Ctrl+C to copy";
  }
}
// ---------------------------------------------------------------------------

// The form's inputs by the glossary's names: the study's, the simulation's,
// and all.
function readForm() {
  return { study: inputsOf(byId("study")), simulation: inputsOf(byId("simulation")),
    all: inputsOf(byId("inputs")) };
}

// Answers everything from the form; the quick answers are shown on return,
// the searches' and the simulated powers when `searching` settles.
function recompute() {
  const form = readForm();
  clearRefusals();
  accepted = new Set();
  const shown = { simulated: simulating(form), money: MONEY.some((name) => name in form.all),
    limited: LIMITS.some((name) => name in form.all) };
  for (const [what, on] of Object.entries(shown)) {
    for (const element of document.querySelectorAll(`.${what}-only`)) element.hidden = !on;
  }
  const quick = askQuick(form);
  curve(form);
  window.vantorPage.searching = searchesFor(form, quick);
}

// `ready` settles once the page shows its first answers. `answers` holds the
// latest answer of each output by its id (the effect's as effect-above and
// effect-below): status, reason, question and refused input by their names,
// the library's words, the result's fields by the description's names.
// `figure` is the figure drawn: its axes (input, title, domain, ticks), its
// curves (name, value, points {x, power, controls}), target and caption.
window.vantorPage = { recompute, chooseEffect, sixDigits, answers, library: () => lib, ready: null,
  searching: null, figure: null };

window.vantorPage.ready = loadLibrary().then(() => {
  byId("inputs").addEventListener("input", (event) => {
    followForm(event);
    recompute();
  });
  byId("effect-allelic").addEventListener("click", () => chooseEffect(false));
  byId("effect-disease").addEventListener("click", () => chooseEffect(true));
  byId("inputs").addEventListener("submit", (e) => e.preventDefault());
  byId("figure-curves").addEventListener("input", () => curve(readForm()));
  byId("figure-x").addEventListener("change", () => {
    byId("figure-curves").value = "";
    curve(readForm());
  });
  linkDownload("curve-csv", (f) => new Blob([figureCsv(f)], { type: "text/csv" }));
  linkDownload("curve-svg", svgBlob);
  byId("curve-png").addEventListener("click", downloadPng);
  byId("copy-command").addEventListener("click", (event) => copyText(event, "command", "copied"));
  byId("copy-methods").addEventListener("click", (event) => copyText(event, "methods", "methods-copied"));
  recompute();
});
