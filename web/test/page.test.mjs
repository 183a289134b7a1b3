// The page in a real browser: Debian's Chromium, headless, driven by
// playwright-core, on the page built into $VANTOR_WEB_DIST (web/dist by
// default) and opened from disk. The numbers shown are compared with the
// `vantor` command line's CSV ($VANTOR_PROGRAM) and the WebAssembly module's
// answers with the native library's ($VANTOR_NATIVE_VALUES, a JSON file from
// native_values.py). The names on the page are checked against
// docs/glossary.md, its requests against the shared table tests/requests.csv,
// and its reading of answers against the library's own description of its
// records.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { execFileSync, spawnSync } from "node:child_process";
import { mkdtempSync, readFileSync, rmSync, statSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { gunzipSync } from "node:zlib";
import { createRequire } from "node:module";
import path from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";
import { chromium } from "playwright-core";

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.join(here, "..", "..");
const dist = process.env.VANTOR_WEB_DIST || path.join(here, "..", "dist");
const page_url = pathToFileURL(path.join(dist, "index.html")).href;
const program = process.env.VANTOR_PROGRAM;
const screenshot = process.env.VANTOR_SCREENSHOT;

let browser;

before(async () => {
  browser = await chromium.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync"],
  });
});

after(async () => {
  await browser?.close();
});

async function openPage(width = 1000) {
  const page = await browser.newPage({ viewport: { width, height: 900 } });
  const started = Date.now();
  await page.goto(page_url);
  await page.evaluate(() => window.vantorPage.ready);
  return { page, loadMs: Date.now() - started };
}

async function setField(page, id, value) {
  await page.fill(`#${id}`, String(value));
  await page.evaluate(() => window.vantorPage.recompute());
}

async function choose(page, id, word) {
  await page.selectOption(`#${id}`, word);
  await page.evaluate(() => window.vantorPage.recompute());
}

const text = (page, id) => page.textContent(`#${id}`);

// The page's own six significant digits (app.js's sixDigits), taken from its
// source as records.js is below.
const pageSixDigits = new Function(`${readFileSync(path.join(here, "..", "src", "app.js"), "utf8")
  .match(/^function sixDigits[\s\S]*?^}$/m)[0]}\nreturn sixDigits;`)();

// One CSV row of `vantor` as an object, column by column, each number (CSV
// keeps every digit) in the six digits the page shows.
function vantorCsv(args) {
  const out = execFileSync(program, [...args, "--format", "csv"], { encoding: "utf8" });
  const [head, row] = out.trim().split("\n");
  const names = head.split(",");
  const cells = row.split(",").map((cell) => (/^-?[0-9.]+(e-?[0-9]+)?$/.test(cell)
    ? pageSixDigits(Number(cell)) : cell));
  return Object.fromEntries(names.map((n, i) => [n, cells[i]]));
}

// The library of the built module, in node, read by records.js as the page
// reads it (`wrap` may stand in for the module's cwrap).
const require = createRequire(import.meta.url);
const vantorLibrary = new Function(
  `${readFileSync(path.join(here, "..", "src", "records.js"), "utf8")}\nreturn vantorLibrary;`)();

async function nodeLibrary(wrap = null) {
  const module = await require(path.join(dist, "vantor_wasm.js"))();
  if (wrap) {
    const cwrap = module.cwrap;
    module.cwrap = (name, ...rest) => wrap(name, cwrap(name, ...rest));
  }
  return vantorLibrary(module);
}

// The single-stage question the page starts with, as vantor options.
const BASE = ["--cases", "2000", "--controls", "2000", "--odds-ratio", "1.3", "--control-rate",
  "0.3", "--alpha", "5e-8"];

test("the whole page, WebAssembly included, is under 300 KB and loads from disk", async () => {
  const size = statSync(path.join(dist, "index.html")).size;
  assert.ok(size < 300 * 1024, `${size} bytes`);
  // Its module, inlined gzip-compressed, is the very module of the loader
  // the node tests load (which the native library's answers are compared
  // with).
  const inlined = (file, pattern) => readFileSync(path.join(dist, file), "utf8").match(pattern)[1];
  const module = Buffer.from(inlined("vantor_wasm.js", /"data:application\/octet-stream;base64,([^"]+)"/), "base64");
  const gzipped = Buffer.from(inlined("index.html", /vantorModuleGzip = "([^"]+)"/), "base64");
  assert.ok(gunzipSync(gzipped).equals(module), "the page's module is the loader's");
  console.log(`module: ${module.length} bytes, ${gzipped.length} gzip-compressed`);
  const { page, loadMs } = await openPage();
  console.log(`page: ${size} bytes, ready ${loadMs} ms after navigation`);
  assert.notEqual(await text(page, "power"), "");
  await page.close();
});

test("a study's questions give the numbers vantor prints", { skip: !program }, async () => {
  const { page } = await openPage();
  // Genome-wide power of 2000 cases and 2000 controls.
  const power = vantorCsv(["power", ...BASE]);
  assert.equal(await text(page, "power"), power.power);
  // Sizes for 80 % power: cases with 2000 controls, controls with 2000
  // cases, and both at two controls per case.
  const base = BASE.slice(4);
  const cases = vantorCsv(["power", "--controls", "2000", ...base, "--target-power", "0.8"]);
  assert.match(await text(page, "cases-for-controls"), new RegExp(`^${cases.cases} cases and 2000 controls`));
  const controls = vantorCsv(["power", "--cases", "2000", ...base, "--target-power", "0.8"]);
  assert.match(await text(page, "controls-for-cases"), new RegExp(`^2000 cases and ${controls.controls} controls`));
  await setField(page, "controls-per-case", "2");
  const ratio = vantorCsv(["power", "--controls-per-case", "2", ...base, "--target-power", "0.8"]);
  assert.match(await text(page, "cases-for-ratio"), new RegExp(`^${ratio.cases} cases and ${ratio.controls} controls`));
  assert.equal(Number(ratio.controls), 2 * Number(ratio.cases));
  // Two-stage joint power of 1000+1000 then 2000+2000 at 1e-3 and 5e-8, its
  // cost at cost ratio 3 beside it.
  await setField(page, "cost-ratio", "3");
  const two = vantorCsv(["two-stage", "--method", "joint", "--stage1-cases", "1000",
    "--stage1-controls", "1000", "--stage2-cases", "2000", "--stage2-controls", "2000", ...base,
    "--stage1-alpha", "1e-3", "--cost-ratio", "3"]);
  assert.equal(await text(page, "two-stage-power"), two.power);
  assert.equal(await text(page, "final-alpha"), two["final-alpha"]);
  assert.equal(await text(page, "cost"), two.cost);
  // A total of 1,000 people with stage 1 share 0.3: 150 cases and 150
  // controls in stage 1.
  await setField(page, "total", "1000");
  await setField(page, "stage1-share", "0.3");
  const ofTotal = vantorCsv(["two-stage", "--method", "joint", "--total", "1000",
    "--stage1-share", "0.3", ...base, "--stage1-alpha", "1e-3", "--cost-ratio", "3"]);
  const shownTotal = await text(page, "two-stage-power-of-total");
  assert.match(shownTotal, /^150 cases and 150 controls in stage 1, 350 cases and 350 controls in stage 2;/);
  assert.equal(ofTotal["stage1-cases"], "150");
  assert.ok(shownTotal.includes(`power ${ofTotal.power}; cost ${ofTotal.cost}`), shownTotal);
  // The searches: cheapest design at cost ratio 3, most powerful within the
  // budget, smallest total with the share.
  await page.evaluate(() => window.vantorPage.searching);
  const cheapest = vantorCsv(["design", "--method", "joint", "--target-power", "0.8", ...base,
    "--cost-ratio", "3"]);
  const shown = await text(page, "cheapest-design");
  for (const column of ["total", "stage1-cases", "stage1-alpha", "final-alpha", "power", "cost",
    "one-stage-total", "relative-cost"]) {
    assert.ok(shown.includes(cheapest[column]), `${column} ${cheapest[column]} in '${shown}'`);
  }
  assert.equal(await text(page, "one-stage-total"), cheapest["one-stage-total"]);
  assert.equal(await text(page, "relative-cost"), cheapest["relative-cost"]);
  const richest = vantorCsv(["design", "--method", "joint", "--budget", "4000", ...base,
    "--cost-ratio", "3"]);
  const shownRichest = await text(page, "most-powerful-design");
  for (const column of ["total", "stage1-cases", "stage2-controls", "power", "cost"]) {
    assert.ok(shownRichest.includes(richest[column]), `${column} ${richest[column]} in '${shownRichest}'`);
  }
  await page.close();
});

test("the case fraction and the unpooled statistic give the numbers vantor prints", { skip: !program }, async () => {
  const { page } = await openPage();
  await setField(page, "controls", "8000");
  await choose(page, "variance", "unpooled");
  const base = ["--odds-ratio", "1.3", "--control-rate", "0.3", "--alpha", "5e-8", "--variance",
    "unpooled"];
  const power = vantorCsv(["power", "--cases", "2000", "--controls", "8000", ...base]);
  assert.equal(await text(page, "power"), power.power);
  assert.notEqual(power.power, vantorCsv(["power", "--cases", "2000", "--controls", "8000",
    ...base.slice(0, -2)]).power);
  const above = vantorCsv(["power", "--cases", "2000", "--controls", "8000", "--target-power",
    "0.8", ...base.slice(2)]);
  assert.equal(await text(page, "odds-ratio-above"), above["odds-ratio"]);
  await choose(page, "method", "replication");
  await setField(page, "case-fraction", "0.4");
  await setField(page, "total", "6000");
  await setField(page, "stage1-share", "0.5");
  const two = vantorCsv(["two-stage", "--method", "replication", "--total", "6000",
    "--stage1-share", "0.5", "--case-fraction", "0.4", "--stage1-alpha", "1e-3", ...base]);
  assert.match(await text(page, "two-stage-power-of-total"),
    new RegExp(`^${two["stage1-cases"]} cases and ${two["stage1-controls"]} controls in stage 1.*; power ${two.power};`));
  await page.evaluate(() => window.vantorPage.searching);
  const smallest = vantorCsv(["two-stage", "--method", "replication", "--stage1-share", "0.5",
    "--case-fraction", "0.4", "--stage1-alpha", "1e-3", "--target-power", "0.8", ...base]);
  const shown = await text(page, "smallest-total");
  for (const column of ["total", "stage1-cases", "stage2-cases", "power"]) {
    assert.ok(shown.includes(smallest[column]), `${column} ${smallest[column]} in '${shown}'`);
  }
  await page.close();
});

test("the vantor command offered is the program's, by its option names, and gives the page's power", { skip: !program }, async () => {
  const { page } = await openPage();
  await choose(page, "count", "alleles");
  await choose(page, "variance", "unpooled");
  await setField(page, "cases", "3e3");
  const command = (await text(page, "command")).split(" ");
  assert.deepEqual(command.slice(0, 2), ["vantor", "power"]);
  assert.ok(command.includes("--control-rate") && command.includes("--count"), command.join(" "));
  const row = vantorCsv(command.slice(1));
  assert.equal(row.power, await text(page, "power"));
  await page.close();
});

test("numbers are read as the vantor program reads them: decimal, whole text, finite", { skip: !program }, async () => {
  const { page } = await openPage();
  for (const written of ["2000", "2e3", "2E3", "+2000", "2000.0", "02000", ".2e4", "0x7d0",
    "0X7D0", "2000L", "1e400", "Infinity", "inf", "nan", "2e", "--2000", "2000e-0", "20_00"]) {
    await setField(page, "cases", written);
    const pageTakes = (await text(page, "cases-error")) === "";
    const run = spawnSync(program, ["power", "--cases", written, ...BASE.slice(2)],
      { encoding: "utf8" });
    const programTakes = run.status === 0;
    assert.equal(pageTakes, programTakes, `'${written}': page ${pageTakes}, program ${programTakes} (${run.stderr.trim()})`);
    assert.equal((await text(page, "command")) !== "", pageTakes, `command offered for '${written}'`);
    assert.equal(await page.isVisible("#copy-command"), pageTakes);
  }
  await page.close();
});

// A text matched as it is in a regular expression.
const escaped = (text) => text.replace(/[.*+?^${}()|[\]\\]/g, "\\$&");

// The shared table of requests (tests/requests.csv): its inputs as a user
// types them, name=value;name=value.
function requestTable() {
  const [head, ...rows] = readFileSync(path.join(root, "tests", "requests.csv"), "utf8").trim()
    .split("\n").map((line) => line.split(","));
  assert.deepEqual(head, ["inputs", "status", "reason", "input", "field", "value", "what"]);
  return rows.map(([inputs, status, reason, input, field, value, ...what]) => ({
    typed: Object.fromEntries(inputs.split(";").map((pair) => pair.split("="))),
    status, reason, input, field, value, what: what.join(","),
  }));
}

test("every request of the shared table is answered through the page as the table says", async () => {
  const rows = requestTable();
  assert.ok(rows.length >= 40, `${rows.length} rows`);
  const { page } = await openPage();
  const answered = await page.evaluate((all) => all.map((row) =>
    window.vantorPage.library().ask(row.typed)[0]), rows);
  rows.forEach((row, i) => {
    const a = answered[i];
    const what = `${Object.entries(row.typed).map((p) => p.join("=")).join(";")} (${row.what})`;
    assert.deepEqual([a.status, a.reason, a.input], [row.status, row.reason, row.input], what);
    if (row.field !== "") {
      const value = a.fields[row.field];
      assert.ok(Math.abs(value - Number(row.value)) <= 5e-6 * Math.abs(Number(row.value)),
        `${what}: ${row.field} ${value}, listed ${row.value}`);
    }
    // The refusal's words name the refused input, spelled as an option.
    if (row.input !== "") assert.ok(a.message.includes(`--${row.input.replace(/_/g, "-")}`), `${what}: ${a.message}`);
  });
  await page.close();
});

test("a refused value typed in the form is refused beside its field, in the library's words", async () => {
  // The table's refusals of one value of the single-stage study the page
  // starts with (its odds ratio, rate, cases and controls): each value typed
  // into its field.
  const start = { cases: "2000", controls: "2000", odds_ratio: "1.3", control_rate: "0.3" };
  const kept = { ...start, alpha: "5e-8", markers: "1" };
  const rows = requestTable().filter((row) => {
    const [first, ...rest] = Object.entries(row.typed);
    return row.status === "INVALID_INPUT" && first[0] === row.input && first[0] in kept &&
      rest.length === Object.keys(start).length - (first[0] in start ? 1 : 0) &&
      rest.every(([name, value]) => start[name] === value);
  });
  assert.ok(rows.length >= 10, `${rows.length} rows`);
  const { page } = await openPage();
  for (const row of rows) {
    const [[name, value]] = Object.entries(row.typed);
    const id = name.replace(/_/g, "-");
    await setField(page, id, value);
    const what = `${name} '${value}' (${row.what})`;
    const label = (await page.textContent(`label[for="${id}"]`)).replace(/\s+/g, " ").trim();
    // The value as typed ('' for an empty field) after the label.
    assert.match(await text(page, `${id}-error`), new RegExp(`^${escaped(`${label} ${value || "''"}`)}: [a-z]`), what);
    assert.equal(await page.getAttribute(`#${id}`, "aria-invalid"), "true", what);
    const power = await page.evaluate(() => window.vantorPage.answers.power);
    assert.deepEqual([power.status, power.reason, power.input], [row.status, row.reason, name], what);
    assert.equal(await page.getAttribute("#power", "data-reason"), row.reason, what);
    assert.equal(await text(page, "power"), "", what);
    assert.equal(await text(page, "command"), "", `no command for ${what}`);
    await setField(page, id, kept[name]);
    assert.equal(await text(page, `${id}-error`), "", `${what}, then ${kept[name]}`);
  }
  await page.close();
});

test("the page's labels are the glossary's page labels, all of them", async () => {
  const labels = new Set([...glossaryPageLabels().values()].filter((label) => label !== "—"));
  assert.ok(labels.has("Stage 1 cases") && labels.has("Budget") && labels.has("Limit reached"),
    [...labels].join("; "));
  const { page } = await openPage();
  // The generated fields' labels are the library's names (below); the
  // figure's choices are the page's own, not the library's inputs.
  const shown = new Set(await page.$$eval("label", (all) => all.filter((l) => !l.closest("#more-inputs, #figure"))
    .map((l) => l.textContent.replace(/\s+/g, " ").trim())));
  assert.deepEqual([...labels].filter((l) => !shown.has(l)), [], "glossary labels missing from the page");
  assert.deepEqual([...shown].filter((l) => !labels.has(l)), [], "page labels not in the glossary");
  // The choices offer the library's words, the one it takes by default selected.
  const lib = await nodeLibrary();
  for (const choice of ["method", "variance", "count", "test", "model", "controls_kind"]) {
    const words = await page.$$eval(`#${choice.replace(/_/g, "-")} option`, (all) => all.map((o) => o.value));
    assert.deepEqual(words, lib.choiceWords(choice), choice);
  }
  for (const [choice, word] of [["variance", "pooled"], ["count", "people"], ["method", "joint"]]) {
    assert.equal(await page.inputValue(`#${choice}`), word, choice);
  }
  await page.close();
});

// The glossary's Names table: each Python name's page label ("—" for none).
function glossaryPageLabels() {
  const glossary = readFileSync(path.join(root, "docs", "glossary.md"), "utf8").split("\n");
  const start = glossary.findIndex((line) => line.startsWith("| concept |"));
  const columns = glossary[start].split("|").map((c) => c.trim());
  const labels = new Map();
  for (const line of glossary.slice(start + 2)) {
    if (!line.startsWith("|")) break;
    const cells = line.split("|").map((c) => c.trim());
    labels.set(cells[columns.indexOf("Python")].replace(/`/g, ""), cells[columns.indexOf("page label")]);
  }
  return labels;
}

// The inputs the library reads for the page's studies (one stage, two, the
// design searches), asked of the module itself.
function inputsRead(lib) {
  const wrap = (name, result, ...types) => lib.module.cwrap(name, result, types);
  const studyInput = wrap("ASK_study_input", "number", "number", "number", "number");
  const inputName = wrap("web_input_name", "string", "number");
  const design = wrap("REC_choice_code", "number", "string", "string")("solve", "design");
  const read = new Set();
  for (const [stages, solve] of [[1, 0], [2, 0], [2, design]]) {
    for (let i = 0, at; (at = studyInput(stages, solve, i)) >= 0; ++i) read.add(inputName(at));
  }
  return read;
}

const fieldsShown = (page) => page.$$eval("#inputs input[id], #inputs select[id]", (all) => all.map((f) => ({
  id: f.id, generated: f.closest("#more-inputs") !== null,
  label: document.querySelector(`label[for="${f.id}"]`).textContent.replace(/\s+/g, " ").trim(),
  about: document.getElementById(`${f.id}-about`)?.textContent ?? "",
  options: f.tagName === "SELECT" ? Array.from(f.options, (o) => o.value) : null })));

test("every input the library reads for the page's studies has a field: its own, or one under More inputs", async () => {
  const lib = await nodeLibrary();
  const read = inputsRead(lib);
  assert.ok(["cases", "stage1_cases", "budget", "cases_per_control", "r_squared"].every((n) => read.has(n)));
  const labels = glossaryPageLabels();
  const { page } = await openPage();
  const fields = new Map((await fieldsShown(page)).map((f) => [f.id.replace(/-/g, "_"), f]));
  const generated = [];
  for (const name of read) {
    const field = fields.get(name);
    if (name === "direction") continue; // the page asks both sides (below)
    assert.ok(field, `no field for the library's input ${name}`);
    if (!field.generated) {
      // A field of its own, under the glossary's page label.
      assert.equal(field.label, labels.get(name), name);
      continue;
    }
    generated.push(name);
    // Under the library's name and meaning; a word's select offers its
    // choice's words after an empty default.
    assert.equal(field.label, name);
    assert.notEqual(field.about, "", name);
    const kind = lib.module.cwrap("web_input_kind", "string", ["number"])(
      lib.module.cwrap("ASK_input_index", "number", ["string"])(name));
    if (kind === "word") assert.deepEqual(field.options, ["", ...lib.choiceWords(name)], name);
  }
  // Generated: the inputs the glossary gives no page label (and the page
  // does not give itself), none else.
  assert.deepEqual(generated.sort(), [...read].filter((n) => labels.get(n) === "—" && n !== "direction").sort());
  assert.ok(generated.includes("cases_per_control"), generated.join(" "));
  assert.deepEqual([...fields.values()].filter((f) => f.generated && !read.has(f.id.replace(/-/g, "_"))), []);
  // The side of a detectable effect is the page's: each answer says which.
  const answers = await page.evaluate(() => window.vantorPage.answers);
  assert.deepEqual([answers["effect-above"].direction, answers["effect-below"].direction], ["above", "below"]);
  await page.close();
});

test("a generated field, filled, reaches the requests of the studies that read it", async () => {
  const lib = await nodeLibrary();
  const { page } = await openPage();
  const start = { cases: "2000", controls: "2000", odds_ratio: "1.3", control_rate: "0.3", markers: "1",
    test: "allelic", count: "people", variance: "pooled" };
  assert.equal((await page.evaluate(() => window.vantorPage.answers.power)).status, "FOUND");
  // Cases per control given with cases and controls: the library refuses
  // the power, naming it (under its generated label, the library's name);
  // the two-stage study does not read it.
  await setField(page, "cases-per-control", "3");
  const power = await page.evaluate(() => window.vantorPage.answers.power);
  const [expected] = lib.ask({ ...start, cases_per_control: "3" });
  assert.equal(expected.status, "INVALID_INPUT");
  assert.match(expected.message, /--cases-per-control/);
  assert.deepEqual([power.status, power.reason, power.message], [expected.status, expected.reason,
    expected.message]);
  assert.match(await text(page, "power"), /\bcases_per_control\b/);
  assert.match(await text(page, "command"), /^$/);
  assert.match(await text(page, "two-stage-power"), /^0\.[0-9]/);
  await setField(page, "cases-per-control", "");
  assert.equal((await page.evaluate(() => window.vantorPage.answers.power)).status, "FOUND");
  await page.close();
});

test("an input the page lacks a field for is generated and reaches the answers (a new input, simulated)", async () => {
  // The page built without its cost ratio and prevalence fields, as if the
  // library had just gained those inputs.
  const html = readFileSync(path.join(dist, "index.html"), "utf8");
  const without = ["cost-ratio", "prevalence"].reduce((text, id) => {
    const field = new RegExp(`<div class="field"><label for="${id}">[\\s\\S]*?</div>`);
    assert.match(text, field, id);
    return text.replace(field, "");
  }, html);
  const folder = mkdtempSync(path.join(tmpdir(), "vantor-page-"));
  writeFileSync(path.join(folder, "index.html"), without);
  const page = await browser.newPage({ viewport: { width: 1000, height: 900 } });
  await page.goto(pathToFileURL(path.join(folder, "index.html")).href);
  await page.evaluate(() => window.vantorPage.ready);
  const lib = await nodeLibrary();
  const fields = (await fieldsShown(page)).filter((f) => f.generated).map((f) => f.label);
  assert.ok(fields.includes("cost_ratio") && fields.includes("prevalence"), fields.join(" "));
  // The cost ratio, filled, reaches the two-stage answers: their cost is the
  // library's at that ratio.
  const study = { odds_ratio: "1.3", control_rate: "0.3", markers: "1", count: "people",
    variance: "pooled", stages: 2, method: "joint", stage1_alpha: "1e-3", case_fraction: "0.5",
    stage1_cases: "1000", stage1_controls: "1000", stage2_cases: "2000", stage2_controls: "2000" };
  await setField(page, "cost-ratio", "3");
  const two = await page.evaluate(() => window.vantorPage.answers["two-stage-power"]);
  const [at3] = lib.ask({ ...study, cost_ratio: "3" });
  assert.deepEqual(two.fields, at3.fields);
  assert.notEqual(at3.fields.cost, lib.ask(study)[0].fields.cost);
  // The prevalence belongs to a disease model: shown, and given, only for one.
  assert.equal(await page.isVisible("#prevalence"), false);
  await page.evaluate(() => window.vantorPage.chooseEffect(true));
  assert.equal(await page.isVisible("#prevalence"), true);
  await refusedBeside(page, "prevalence", "MISSING_INPUT");
  await setField(page, "prevalence", "0.1");
  const power = await page.evaluate(() => window.vantorPage.answers.power);
  const [expected] = lib.ask({ cases: "2000", controls: "2000", frequency: "0.2", prevalence: "0.1",
    model: "multiplicative", relative_risk: "1.5", controls_kind: "unaffected", markers: "1",
    test: "allelic", count: "people", variance: "pooled" });
  assert.equal(expected.status, "FOUND");
  assert.deepEqual(power.fields, expected.fields);
  await page.close();
  rmSync(folder, { recursive: true });
});

test("answers are read by the library's description: every question, every field", async () => {
  const lib = await nodeLibrary();
  // Every question of question/study.h but the cases per control (the glossary
  // gives them no page label) answers an output of the page: the detectable
  // odds ratio for an allelic effect, the detectable relative risk for a
  // disease model.
  const asked = new Set();
  for (const disease of [false, true]) {
    const { page } = await openPage();
    await page.evaluate((d) => window.vantorPage.chooseEffect(d), disease);
    await page.evaluate(() => window.vantorPage.searching);
    const answers = await page.evaluate(() => window.vantorPage.answers);
    for (const [output, answer] of Object.entries(answers)) {
      assert.match(answer.status, /^FOUND/, `${output}, disease model ${disease}`);
      const described = lib.fields(answer.record).map((f) => f.name);
      assert.deepEqual(Object.keys(answer.fields), described, output);
      asked.add(answer.question);
    }
    await page.close();
  }
  assert.deepEqual([...asked].sort(), lib.questionNames().filter((q) => q !== "controls_for_ratio").sort());
});

test("a field added to a record's description is read without a change to the reader", async () => {
  // The module as if the power record had one more field, an int32 at the
  // status's offset: the reader must show it under its name.
  let describedCount = null;
  const extra = { web_field_name: "added_field", web_field_type: "int32", web_field_offset: 0,
    web_field_kind: "number" };
  const lib = await nodeLibrary((name, real) => {
    if (name === "REC_field_count") {
      describedCount = real;
      return (record) => real(record) + 1;
    }
    if (name in extra) {
      return (record, index) => (index === describedCount(record) ? extra[name] : real(record, index));
    }
    return real;
  });
  const [power] = lib.ask({ cases: 2000, controls: 2000, odds_ratio: 1.3, control_rate: 0.3 });
  assert.equal(power.fields.added_field, power.fields.status);
  assert.ok(Number.isFinite(power.fields.power) && power.status === "FOUND");
});

test("a bad input shows the library's words beside the field and nothing is computed", async () => {
  const { page } = await openPage();
  await setField(page, "control-rate", "1.5");
  assert.equal(await text(page, "control-rate-error"), "Risk-allele rate among controls 1.5: " +
    "the risk-allele rate among controls must lie strictly between 0 and 1");
  assert.equal(await page.getAttribute("#control-rate", "aria-invalid"), "true");
  assert.equal(await text(page, "power"), "");
  await setField(page, "cases", "500.7");
  assert.match(await text(page, "cases-error"), /whole number/);
  await setField(page, "control-rate", "0.3");
  assert.equal(await text(page, "control-rate-error"), "");
  await page.close();
});

test("an unreachable answer says why instead of giving a number", async () => {
  const { page } = await openPage();
  // Ten people a group cannot reach 80 % power at 5e-8 however strong the effect.
  await setField(page, "cases", "10");
  await setField(page, "controls", "10");
  const above = await text(page, "odds-ratio-above");
  assert.match(above, /^not reachable: /);
  assert.doesNotMatch(above, /[0-9]\.[0-9]/);
  assert.equal(await page.getAttribute("#odds-ratio-above", "data-status"), "NOT_REACHABLE");
  await page.close();
});

test("the curve has its three lines, the target and the solved sizes", async () => {
  const { page } = await openPage();
  await setField(page, "controls-per-case", "3");
  assert.equal(await page.locator("#curve polyline.power-line").count(), 3);
  assert.equal(await page.locator("#curve line.target").count(), 1);
  assert.equal(await page.locator("#curve circle.solved").count(), 3);
  const points = await page.getAttribute("#curve polyline.power-line", "points");
  assert.equal(points.trim().split(" ").length, 100);
  console.log(`curve: ${await text(page, "curve-time")}`);
  // The size solved at the ratio sits on the curve: its power, computed with
  // the controls the curve gives that many cases, is the solver's.
  const sized = await page.evaluate(() => window.vantorPage.answers["cases-for-ratio"].fields);
  const lib = await nodeLibrary();
  const [again] = lib.ask({ odds_ratio: 1.3, control_rate: 0.3, alpha: 5e-8, cases: sized.cases,
    controls: Math.max(1, Math.round(3 * sized.cases)) });
  assert.ok(Object.is(again.fields.power, sized.power));
  // The CSV's controls are three per case, halves up.
  const csv = await page.evaluate(() => {
    const link = document.getElementById("curve-csv");
    link.addEventListener("click", (event) => event.preventDefault());
    link.click();
    return fetch(link.href).then((r) => r.text());
  });
  const [head, ...lines] = csv.trim().split("\n");
  assert.match(head, /^cases,controls,power_or_/);
  for (const line of lines) {
    const [cases, controls] = line.split(",").map(Number);
    assert.equal(controls, Math.max(1, Math.round(3 * cases)), line);
  }
  await page.close();
});

// The figure as drawn: its curves' names and points (from
// window.vantorPage.figure), and what its SVG holds: polylines, each axis's
// ticks (value, label, position), the axis line's extent, the titles, the
// legend, the target line.
async function drawnFigure(page) {
  return page.evaluate(() => {
    const svg = document.querySelector("#curve svg");
    const ticks = (axis) => [...svg.querySelectorAll(`.tick.${axis}`)].map((g) => ({
      value: Number(g.dataset.value), label: g.querySelector("text").textContent,
      at: Number(g.querySelector("line").getAttribute(axis === "x" ? "x1" : "y1")) }));
    const line = (selector) => Object.fromEntries(["x1", "x2", "y1", "y2"].map((a) =>
      [a, Number(svg.querySelector(selector).getAttribute(a))]));
    return {
      figure: window.vantorPage.figure, markup: svg.outerHTML,
      lines: svg.querySelectorAll("polyline.power-line").length,
      ticks: { x: ticks("x"), y: ticks("y") }, axes: { x: line(".axis.x"), y: line(".axis.y") },
      titles: [...svg.querySelectorAll(".axis-title")].map((t) => t.textContent),
      legend: [...svg.querySelectorAll(".legend text")].map((t) => t.textContent),
      target: { ...line("line.target"), power: Number(svg.querySelector("line.target").dataset.power) },
      caption: document.getElementById("curve-caption").textContent,
    };
  });
}

// Each axis has at least three ticks, labelled by their round values,
// increasing, within the axis's range and along its line.
function checkAxes(drawn) {
  for (const axis of ["x", "y"]) {
    const ticks = drawn.ticks[axis];
    const [lo, hi] = drawn.figure[axis].domain;
    assert.ok(ticks.length >= 3, `${axis}: ${ticks.length} ticks`);
    const [from, to] = axis === "x" ? [drawn.axes.x.x1, drawn.axes.x.x2] : [drawn.axes.y.y2, drawn.axes.y.y1];
    ticks.forEach((tick, i) => {
      assert.equal(tick.label, pageSixDigits(tick.value), `${axis} tick ${tick.value}`);
      assert.ok(tick.value >= lo && tick.value <= hi, `${axis} tick ${tick.value} in [${lo}, ${hi}]`);
      assert.ok(tick.at >= from - 0.1 && tick.at <= to + 0.1, `${axis} tick at ${tick.at} in [${from}, ${to}]`);
      // Round values: one digit, 1, 2 or 5 times a power of ten apart.
      if (i > 0) {
        const step = tick.value - ticks[i - 1].value;
        assert.ok(step > 0, `${axis} ticks increase`);
        const mantissa = Number((step / 10 ** Math.floor(Math.log10(step) + 1e-9)).toPrecision(6));
        assert.ok([1, 2, 5].includes(mantissa), `${axis} step ${step}`);
      }
    });
  }
  // The target line across the plot, at the target's height: the y tick of
  // that power sits on it.
  const at = drawn.ticks.y.find((tick) => tick.value === drawn.target.power);
  assert.ok(at, `a y tick at the target ${drawn.target.power}`);
  assert.equal(drawn.target.y1, at.at);
  assert.equal(drawn.target.y2, at.at);
}

// The program's power, in the page's six digits, for the points of each
// curve at a few x values: the library's answers through another front end.
function checkPointsAgainstProgram(figure, optionsOf) {
  for (const curve of figure.curves) {
    for (const i of [0, 24, 49, 99]) {
      const point = curve.points[i];
      const args = ["power", ...optionsOf(curve, point), "--controls", String(point.controls)];
      assert.equal(pageSixDigits(point.power), vantorCsv(args).power, `${curve.name} at ${point.x}: ${args.join(" ")}`);
    }
  }
}

// The download the link starts: its name and bytes.
async function downloaded(page, id) {
  const [download] = await Promise.all([page.waitForEvent("download"), page.click(`#${id}`)]);
  return { name: download.suggestedFilename(), bytes: readFileSync(await download.path()) };
}

test("the figure: curves typed, round ticks on both axes, legend, target, caption; across the cases or the effect; SVG and PNG", async (t) => {
  const lib = await nodeLibrary();
  const { page } = await openPage();
  await enterModel(page, MODEL, "dominant");
  await setField(page, "controls-per-case", "2");
  // The three relative risks around the one given by default, each solved
  // size on its curve.
  let drawn = await drawnFigure(page);
  assert.equal(drawn.lines, 3);
  assert.deepEqual(drawn.legend, ["relative risk 1.375", "relative risk 1.5", "relative risk 1.625"]);
  assert.equal(await page.locator("#curve circle.solved").count(), 3);
  const sized = await page.evaluate(() => window.vantorPage.answers["cases-for-ratio"].fields);
  const study = { frequency: 0.2, prevalence: 0.1, model: "dominant", alpha: 5e-8 };
  const [again] = lib.ask({ ...study, relative_risk: 1.5, cases: sized.cases,
    controls: Math.max(1, Math.round(2 * sized.cases)) });
  assert.ok(Object.is(again.fields.power, sized.power));
  // Two relative risks typed: two curves, named in the legend.
  await page.fill("#figure-curves", "1.2, 1.4");
  drawn = await drawnFigure(page);
  assert.equal(drawn.lines, 2);
  assert.deepEqual(drawn.legend, ["relative risk 1.2", "relative risk 1.4"]);
  assert.deepEqual(drawn.titles, ["cases (people)", "power"]);
  checkAxes(drawn);
  assert.ok(drawn.figure.curves.every((c) => c.points.length === 100));
  // The caption is the library's sentence for the study, under the figure.
  assert.equal(drawn.caption, drawn.figure.caption);
  assert.equal(drawn.caption, lib.caption({ ...study, model: "dominant", relative_risk: "1.2",
    cases: drawn.figure.curves[0].points[0].x, controls_per_case: 2 }, "cases", "relative_risk"));
  assert.match(drawn.caption, /prevalence 0\.1/);
  const modelOptions = ["--frequency", "0.2", "--prevalence", "0.1", "--model", "dominant", "--alpha", "5e-8"];
  if (programTakesModels()) {
    checkPointsAgainstProgram(drawn.figure, (curve, point) => [...modelOptions, "--relative-risk",
      curve.value, "--cases", String(point.x)]);
  } else t.diagnostic("points not compared: the program does not take a disease model");
  // The downloaded SVG stands alone and holds the same curves and ticks.
  const svg = await downloaded(page, "curve-svg");
  assert.equal(svg.name, "vantor_power_curve.svg");
  const parsed = await page.evaluate((text) => {
    const doc = new DOMParser().parseFromString(text, "image/svg+xml");
    const root = doc.documentElement;
    return { error: doc.querySelector("parsererror") !== null, name: root.localName,
      namespace: root.namespaceURI, font: root.getAttribute("font-family"),
      lines: [...root.querySelectorAll("polyline")].map((p) => [p.getAttribute("stroke"), p.getAttribute("points")]),
      ticks: [...root.querySelectorAll(".tick text")].map((text) => text.textContent),
      legend: [...root.querySelectorAll(".legend text")].map((text) => text.textContent),
      caption: [...root.querySelectorAll("text.caption")].map((text) => text.textContent).join(" ") };
  }, svg.bytes.toString("utf8"));
  assert.deepEqual([parsed.error, parsed.name, parsed.namespace], [false, "svg", "http://www.w3.org/2000/svg"]);
  assert.ok(parsed.font && parsed.lines.every(([stroke]) => /^#[0-9a-f]{6}$/.test(stroke)), "fonts and colours inline");
  assert.equal(parsed.lines.length, 2);
  assert.deepEqual(parsed.ticks, [...drawn.ticks.x, ...drawn.ticks.y].map((tick) => tick.label));
  assert.deepEqual(parsed.legend, drawn.legend);
  // The download carries its caption, which the page shows beside it.
  assert.equal(parsed.caption, drawn.caption);
  // The PNG: the figure, its caption under it, drawn at twice its size.
  const png = await downloaded(page, "curve-png");
  assert.equal(png.name, "vantor_power_curve.png");
  assert.deepEqual([...png.bytes.subarray(0, 8)], [0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]);
  assert.equal(png.bytes.readUInt32BE(16), 1280);
  assert.ok(png.bytes.readUInt32BE(20) > 680, "the caption's lines under the plot");
  // Across the effect: the relative risk from 1, curves at the numbers of
  // cases typed (the list of relative risks is emptied with the choice).
  const casesTicks = drawn.ticks.x.map((tick) => tick.value);
  await page.selectOption("#figure-x", "effect");
  assert.equal(await page.inputValue("#figure-curves"), "");
  drawn = await drawnFigure(page);
  assert.deepEqual(drawn.legend, ["cases 1000", "cases 2000", "cases 4000"]);
  await page.fill("#figure-curves", "1000, 3000");
  drawn = await drawnFigure(page);
  assert.deepEqual(drawn.titles, ["relative risk", "power"]);
  assert.deepEqual(drawn.legend, ["cases 1000", "cases 3000"]);
  assert.equal(drawn.lines, 2);
  checkAxes(drawn);
  assert.notDeepEqual(drawn.ticks.x.map((tick) => tick.value), casesTicks);
  assert.ok(drawn.figure.x.domain[0] === 1 && drawn.figure.x.domain[1] > 1.5, String(drawn.figure.x.domain));
  assert.equal(drawn.figure.curves[0].points[0].controls, 2000);
  if (programTakesModels()) {
    checkPointsAgainstProgram(drawn.figure, (curve, point) => [...modelOptions, "--relative-risk",
      String(point.x), "--cases", curve.value]);
  }
  // A value the library refuses: its words beside the list, that curve left out.
  await page.fill("#figure-curves", "1000, 0x10");
  assert.match(await text(page, "figure-curves-error"), /^Cases 0x10: /);
  assert.equal((await drawnFigure(page)).lines, 1);
  await page.close();
});

test("the methods paragraph: the library's for the cheapest design, as the program prints it", async (t) => {
  const lib = await nodeLibrary();
  // One paragraph per answer: a detectable effect has two, each its own.
  const effects = lib.methods({ cases: 2000, controls: 2000, control_rate: 0.3, target_power: 0.8,
    solve: "effect" });
  assert.equal(effects.length, 2);
  assert.ok(effects.every((p) => p.length > 100) && effects[0] !== effects[1], effects.join("\n\n"));
  // A refusal's paragraph is its words, the inputs spelled by name.
  const [refused] = lib.ask({ cases: 2000, controls: 2000, odds_ratio: 1.3, control_rate: 1.5 });
  assert.deepEqual(lib.methods({ cases: 2000, controls: 2000, odds_ratio: 1.3, control_rate: 1.5 }),
    [refused.message.replace(/--([a-z0-9-]+)/g, (_, option) => option.replace(/-/g, "_"))]);
  const { page } = await openPage();
  await enterModel(page, { frequency: "0.25", prevalence: "0.01", "relative-risk": "1.3" }, "multiplicative");
  await setField(page, "markers", "1e6");
  await page.evaluate(() => window.vantorPage.searching);
  const shown = await text(page, "methods");
  // The worker's paragraph is the module's for the page's request of the
  // cheapest design.
  const design = { frequency: "0.25", prevalence: "0.01", relative_risk: "1.3", model: "multiplicative",
    markers: "1e6", stages: 2, method: "joint", target_power: "0.8", solve: "design" };
  assert.match(shown, /^The two-stage case-control design/);
  assert.ok(shown.includes("\nReferences:"), shown);
  // Copied, or selected where the clipboard is refused (asynchronously).
  await page.click("#copy-methods");
  await page.waitForFunction(() => document.getElementById("methods-copied").textContent !== "");
  assert.match(await text(page, "methods-copied"), /^(copied|selected)/);
  const help = program ? spawnSync(program, ["design", "--help"], { encoding: "utf8" }) : { stdout: "" };
  if (!`${help.stdout}${help.stderr}`.includes("--methods")) {
    t.skip(`${program || "no VANTOR_PROGRAM"} does not take --methods yet: the page's paragraph is compared with the module's only`);
    assert.equal(shown, lib.methods(design)[0]);
    await page.close();
    return;
  }
  const printed = execFileSync(program, ["design", "--frequency", "0.25", "--prevalence", "0.01",
    "--relative-risk", "1.3", "--markers", "1e6", "--method", "joint", "--target-power", "0.8",
    "--methods"], { encoding: "utf8" }).trim();
  assert.equal(shown, printed);
  await page.close();
});

test("the searches arrive from the worker", async () => {
  const { page } = await openPage();
  await page.evaluate(() => window.vantorPage.searching);
  assert.match(await text(page, "smallest-total"), /^[0-9]+ in all: /);
  assert.match(await text(page, "cheapest-design"), /in all: .* of one stage/);
  assert.match(await text(page, "most-powerful-design"), /^[0-9]+ in all: /);
  if (screenshot) await page.screenshot({ path: screenshot, fullPage: true });
  await page.close();
});

test("a simulated power: the program's for the same seed, run in the worker with its progress shown", { skip: !program }, async () => {
  const { page } = await openPage();
  assert.equal(await page.isVisible("#simulated-power"), false);
  const formula = await text(page, "power");
  // Every text the progress shows, as it changes.
  await page.evaluate(() => {
    window.progressShown = [];
    new MutationObserver(() => window.progressShown.push(document.getElementById("simulation-words")
      .textContent)).observe(document.getElementById("simulation-words"), { childList: true });
  });
  await page.fill("#seed", "20261208");
  await setField(page, "replicates", "3e5");
  await page.evaluate(() => window.vantorPage.searching);
  const simulated = ["--replicates", "300000", "--seed", "20261208"];
  // The answers shown (beside a power, or after an answer's words) against
  // the program's CSV for the same request.
  const cases = [
    ["simulated-power", "standard-error", ["power", ...BASE]],
    ["two-stage-simulated-power", "two-stage-standard-error", ["two-stage", "--method", "joint",
      "--stage1-cases", "1000", "--stage1-controls", "1000", "--stage2-cases", "2000",
      "--stage2-controls", "2000", ...BASE.slice(4), "--stage1-alpha", "1e-3"]],
    ["cases-for-ratio", null, ["power", "--controls-per-case", "1", "--target-power", "0.8", ...BASE.slice(4)]],
    ["cheapest-design", null, ["design", "--method", "joint", "--target-power", "0.8", ...BASE.slice(4)]],
  ];
  for (const [id, errorId, args] of cases) {
    const row = vantorCsv([...args, ...simulated]);
    const shown = await text(page, id);
    if (errorId) {
      assert.equal(shown, `${row["simulated-power"]}, of 300000 studies, seed 20261208`, id);
      assert.equal(await text(page, errorId), row["standard-error"], id);
    } else {
      assert.ok(shown.endsWith(`; simulated power ${row["simulated-power"]} (standard error ` +
        `${row["standard-error"]}; 300000 studies, seed 20261208)`), `${id}: ${shown}`);
    }
  }
  // The power calculated stays; the command offered simulates the same.
  assert.equal(await text(page, "power"), formula);
  const command = (await text(page, "command")).split(" ");
  assert.ok(command.includes("--replicates") && command.includes("--seed"), command.join(" "));
  assert.match(await text(page, "simulated-power"), new RegExp(`^${escaped(vantorCsv(command.slice(1))["simulated-power"])},`));
  // The progress: shares with the time left, then every study simulated.
  const shown = await page.evaluate(() => window.progressShown);
  assert.ok(shown.some((words) => /^[1-9][0-9]? % of the studies simulated, about [0-9.]+ (s|min) left$/.test(words)), shown.join(" | "));
  assert.match(shown.at(-1), /^every study simulated, in [0-9.]+ (s|min)$/);
  assert.equal(await page.evaluate(() => document.getElementById("simulated-share").value), 1);
  // A seed without simulated studies, and no studies, are the library's
  // refusals, beside their fields; emptied, the page is as before.
  await setField(page, "replicates", "");
  await refusedBeside(page, "seed", "SEED_WITHOUT_REPLICATES");
  assert.equal(await page.isVisible("#simulation-progress"), false);
  await setField(page, "replicates", "0");
  await page.evaluate(() => window.vantorPage.searching);
  await refusedBeside(page, "replicates", "BAD_REPLICATES");
  await page.fill("#seed", "");
  await setField(page, "replicates", "");
  assert.equal(await text(page, "power"), formula);
  assert.equal(await page.isVisible("#simulated-power"), false);
  assert.doesNotMatch(await text(page, "cases-for-ratio"), /simulated/);
  await page.close();
});

test("at 375 px wide nothing scrolls sideways", async () => {
  const { page } = await openPage(375);
  const width = await page.evaluate(() => document.documentElement.scrollWidth);
  assert.ok(width <= 375, `${width} px`);
  await page.close();
});

test("the Tab key reaches every control shown, each labelled", async () => {
  for (const disease of [false, true]) await tabReachesEveryControl(disease);
});

async function tabReachesEveryControl(disease) {
  const { page } = await openPage();
  await page.evaluate((d) => window.vantorPage.chooseEffect(d), disease);
  // The limits and costs opened; the controls of the other kind of effect
  // are hidden, out of the Tab order.
  await page.click("#plan summary");
  const controls = await page.$$eval("input, select, a[href], button", (all) =>
    all.filter((c) => c.offsetParent !== null).map((c) => c.id));
  const reached = new Set();
  for (let i = 0; i < controls.length + 5; ++i) {
    await page.keyboard.press("Tab");
    reached.add(await page.evaluate(() => document.activeElement.id));
  }
  for (const id of controls) assert.ok(reached.has(id), `Tab never reaches #${id}`);
  const unlabelled = await page.$$eval("input, select", (all) =>
    all.filter((c) => !document.querySelector(`label[for="${c.id}"]`)).map((c) => c.id));
  assert.deepEqual(unlabelled, []);
  await page.close();
}

test("the WebAssembly module agrees with the native library", { skip: !process.env.VANTOR_NATIVE_VALUES }, async () => {
  const lib = await nodeLibrary();
  // Powers and sizes bit for bit: the same arithmetic gives the same bits.
  // The derived final level is compared to 1e-12 relative: its last bits
  // differ in 2 of the 300 two-stage rows (2e-15 relative), at -O2 as at
  // -Os, from the module's C library against the native one.
  const close = (a, b) => Object.is(a, b);
  const near = (a, b) => a === b || Math.abs(a - b) <= 1e-12 * Math.abs(b);
  const rows = JSON.parse(readFileSync(process.env.VANTOR_NATIVE_VALUES, "utf8"))
    .filter((r) => !r.simulated && !r.planned);
  let differing = 0;
  let largest = 0;
  for (const r of rows) {
    const study = { odds_ratio: r.odds_ratio, control_rate: r.rate, alpha: r.alpha };
    const p = lib.ask({ ...study, cases: r.cases, controls: r.controls })[0].fields.power;
    largest = Math.max(largest, Math.abs(p - r.single) / Math.abs(r.single));
    if (!close(p, r.single)) ++differing;
    // Given as the page gives them, as the texts typed (the shortest decimal
    // that reads back): read as strtod reads them, the same answer.
    const typed = Object.fromEntries(Object.entries({ ...study, cases: r.cases, controls: r.controls })
      .map(([name, value]) => [name, String(value)]));
    if (!close(lib.ask(typed)[0].fields.power, r.single)) ++differing;
    const size = lib.ask({ ...study, controls_per_case: 1, target_power: r.target })[0].fields;
    if (size.cases !== r.size_cases || !close(size.power, r.size_power)) ++differing;
    if ("two_power" in r) {
      const c0 = Math.floor(r.cases / 2), k0 = Math.floor(r.controls / 2);
      const [two] = lib.ask({ ...study, alpha: r.two_alpha2, stages: 2, method: r.method,
        stage1_alpha: r.alpha0, stage1_cases: c0, stage1_controls: k0, stage2_cases: r.cases - c0,
        stage2_controls: r.controls - k0 });
      if (!close(two.fields.power, r.two_power) || !near(two.fields.final_alpha, r.two_alpha1)) ++differing;
      largest = Math.max(largest, Math.abs(two.fields.power - r.two_power) / Math.abs(r.two_power));
    }
  }
  console.log(`wasm against native: ${rows.length} designs, largest relative difference ${largest}`);
  assert.equal(differing, 0);
});

test("the module's simulations are the native library's, bit for bit, and tell their progress up to the total", { skip: !process.env.VANTOR_NATIVE_VALUES }, async () => {
  const rows = JSON.parse(readFileSync(process.env.VANTOR_NATIVE_VALUES, "utf8")).filter((r) => r.simulated);
  // One stage (allelic, a disease model's genotypic and trend tests, a size,
  // alleles unpooled) and two (joint, product of a total, a design search).
  assert.ok(rows.length >= 7 && rows.some((r) => r.simulated.replicates === 1e6), `${rows.length} rows`);
  const lib = await nodeLibrary();
  for (const row of rows) {
    const what = JSON.stringify(row.simulated);
    const told = [];
    const [answer] = lib.ask(row.simulated, (done, total) => told.push([done, total]));
    for (const name of ["power", "replicates", "seed", "simulated_power", "standard_error"]) {
      const value = name === "power" ? answer.fields.power : answer[name];
      assert.ok(Object.is(value, row[name]), `${name} ${value} against the native ${row[name]}: ${what}`);
    }
    // Every 65,536 studies, then the total.
    const total = row.simulated.replicates;
    const expected = Array.from({ length: Math.ceil(total / 65536) }, (_, i) => [Math.min(total, 65536 * (i + 1)), total]);
    assert.deepEqual(told, expected, what);
  }
});

test("the module plans two stages as the native library does: every field, bit for bit", { skip: !process.env.VANTOR_NATIVE_VALUES }, async () => {
  const rows = JSON.parse(readFileSync(process.env.VANTOR_NATIVE_VALUES, "utf8")).filter((r) => r.planned);
  // A panel, people available, costs in money, a fixed level and share.
  assert.deepEqual(rows.map((r) => r.fields.binding_limit).slice(0, 2), ["panel", "cases_available"]);
  assert.ok(rows.some((r) => Number.isFinite(r.fields.one_stage_cost_in_money)), "money");
  const lib = await nodeLibrary();
  for (const row of rows) {
    const [answer] = lib.ask(row.planned);
    const what = JSON.stringify(row.planned);
    assert.equal(answer.status, row.status, what);
    assert.deepEqual(Object.keys(answer.fields), Object.keys(row.fields), what);
    for (const [name, value] of Object.entries(row.fields)) {
      const native = typeof value === "string" && name !== "binding_limit" ? Number(value) : value;
      assert.ok(Object.is(answer.fields[name], native), `${name} ${answer.fields[name]} against the native ${value}: ${what}`);
    }
  }
});

test("limits and costs in money reach the two-stage answers: the numbers vantor prints", { skip: !program }, async () => {
  const { page } = await openPage();
  const hidden = (id) => page.$eval(`#${id}`, (o) => o.closest("[hidden]") !== null);
  assert.ok(await hidden("binding-limit") && await hidden("cost-in-money"), "nothing limited, no money");
  await page.click("#plan summary");
  const base = ["--method", "joint", "--odds-ratio", "1.3", "--control-rate", "0.3"];
  const has = (shown, row, columns) => {
    for (const column of columns) assert.ok(shown.includes(row[column]), `${column} ${row[column]} in '${shown}'`);
  };
  // A panel of 2000 over a million markers (the study-wide level 0.05).
  await setField(page, "cost-ratio", "3");
  await setField(page, "markers", "1e6");
  await setField(page, "panel", "2000");
  await page.evaluate(() => window.vantorPage.searching);
  const panel = vantorCsv(["design", ...base, "--target-power", "0.8", "--markers", "1e6",
    "--cost-ratio", "3", "--panel", "2000"]);
  assert.equal(panel["binding-limit"], "panel");
  has(await text(page, "cheapest-design"), panel, ["total", "stage1-cases", "stage2-controls", "power"]);
  assert.equal(await text(page, "binding-limit"), "Largest stage 2 panel");
  for (const column of ["stage1-case-fraction", "stage2-case-fraction", "stage2-markers"]) {
    assert.equal(await text(page, column), panel[column], column);
  }
  assert.equal(await hidden("binding-limit"), false);
  // The people available bound the most powerful design within the budget.
  await setField(page, "panel", "");
  await setField(page, "markers", "1");
  for (const [id, value] of [["cases-available", "3000"], ["controls-available", "6000"], ["budget", "2500"]]) {
    await setField(page, id, value);
  }
  await page.evaluate(() => window.vantorPage.searching);
  const people = vantorCsv(["design", ...base, "--budget", "2500", "--cases-available", "3000",
    "--controls-available", "6000", "--cost-ratio", "3"]);
  const richest = await text(page, "most-powerful-design");
  has(richest, people, ["total", "stage2-cases", "stage2-controls", "power"]);
  assert.ok(richest.includes(`limit reached: Cases available; cases' shares ${people["stage1-case-fraction"]} ` +
    `and ${people["stage2-case-fraction"]}`), richest);
  // Costs in money: the smallest total's, with the one-stage comparison, and
  // the power of the counts given.
  await setField(page, "cases-available", "");
  await setField(page, "controls-available", "");
  await setField(page, "cost-ratio", "");
  await setField(page, "stage1-cost-per-person", "100");
  await setField(page, "stage2-cost-per-person", "10");
  await page.evaluate(() => window.vantorPage.searching);
  const money = ["--stage1-alpha", "1e-3", "--stage1-cost-per-person", "100", "--stage2-cost-per-person", "10"];
  const smallest = vantorCsv(["two-stage", ...base, ...money, "--stage1-share", "0.4", "--target-power", "0.8"]);
  const shown = await text(page, "smallest-total");
  has(shown, smallest, ["total", "stage1-cases", "power"]);
  assert.ok(shown.includes(`${smallest["relative-cost"]} of one stage (${smallest["one-stage-total"]}); ` +
    `cost in money ${smallest["cost-in-money"]} (one stage ${smallest["one-stage-cost-in-money"]})`), shown);
  const counts = vantorCsv(["two-stage", ...base, ...money, "--stage1-cases", "1000", "--stage1-controls", "1000",
    "--stage2-cases", "2000", "--stage2-controls", "2000"]);
  assert.equal(await text(page, "cost-in-money"), counts["cost-in-money"]);
  // Money and a cost ratio together: refused beside the cost ratio, in the
  // program's words under the page's labels; no two-stage answer.
  await setField(page, "cost-ratio", "3");
  const run = spawnSync(program, ["two-stage", ...base, ...money, "--cost-ratio", "3", "--total", "6000",
    "--stage1-share", "0.4"], { encoding: "utf8" });
  const words = run.stderr.trim().replace(/^vantor two-stage: /, "").replace(/--cost-ratio/g, "Cost ratio")
    .replace("--stage1-cost-per-person", "Stage 1 cost per person");
  assert.match(words, /^Cost ratio 3: .*not both/);
  assert.equal(await text(page, "cost-ratio-error"), words);
  await page.evaluate(() => window.vantorPage.searching);
  const answers = await page.evaluate(() => window.vantorPage.answers);
  for (const id of ["two-stage-power", "two-stage-power-of-total", "smallest-total", "cheapest-design", "most-powerful-design"]) {
    assert.deepEqual([answers[id].status, answers[id].input], ["INVALID_INPUT", "cost_ratio"], id);
    assert.equal(await text(page, id), "", id);
  }
  // The searches' fixed level is refused beside its own field, and reaches
  // them with the fixed share (the level above stays the other answers').
  await setField(page, "cost-ratio", "");
  await setField(page, "fixed-stage1-alpha", "2");
  await page.evaluate(() => window.vantorPage.searching);
  assert.match(await text(page, "fixed-stage1-alpha-error"), /^Stage 1 level 2: /);
  assert.equal(await text(page, "stage1-alpha-error"), "");
  await setField(page, "fixed-stage1-alpha", "0.01");
  await setField(page, "fixed-stage1-share", "0.35");
  await page.evaluate(() => window.vantorPage.searching);
  const cheapest = vantorCsv(["design", ...base, ...money.slice(2), "--target-power", "0.8",
    "--stage1-alpha", "0.01", "--stage1-share", "0.35"]);
  assert.equal(cheapest["stage1-alpha"], "0.01");
  has(await text(page, "cheapest-design"), cheapest, ["total", "stage1-cases", "stage2-cases", "power", "cost-in-money"]);
  assert.equal(await text(page, "one-stage-cost-in-money"), cheapest["one-stage-cost-in-money"]);
  await page.close();
});

// ---- The disease model -------------------------------------------------------

// The geneticist's question: risk-allele frequency 0.2, prevalence 0.1,
// relative risk 1.5 per allele, additive, trend test over a million markers.
const MODEL = { frequency: "0.2", prevalence: "0.1", "relative-risk": "1.5" };
const MODEL_OPTIONS = ["--frequency", "0.2", "--prevalence", "0.1", "--relative-risk", "1.5",
  "--model", "additive"];

async function enterModel(page, fields = MODEL, model = "additive") {
  await page.click("#effect-disease");
  for (const [id, value] of Object.entries(fields)) await page.fill(`#${id}`, value);
  await choose(page, "model", model);
}

// Whether the program takes the disease model's options (they may not have
// landed in the program this page is tested with).
function programTakesModels() {
  if (!program) return false;
  return spawnSync(program, ["power", ...MODEL_OPTIONS, "--cases", "1000", "--controls", "2000",
    "--format", "csv"], { encoding: "utf8" }).status === 0;
}

test("a disease model's answers give the numbers vantor prints", async (t) => {
  if (!programTakesModels()) {
    t.skip(`${program || "no VANTOR_PROGRAM"} does not take --frequency, --prevalence, --relative-risk, --model yet`);
    return;
  }
  const { page } = await openPage();
  await enterModel(page);
  await setField(page, "cases", "1000");
  await setField(page, "controls", "2000");
  await setField(page, "markers", "1e6");
  await choose(page, "test", "trend");
  assert.equal(await page.inputValue("#alpha"), "0.05");
  const one = [...MODEL_OPTIONS, "--test", "trend", "--markers", "1e6", "--alpha", "0.05"];
  const power = vantorCsv(["power", "--cases", "1000", "--controls", "2000", ...one]);
  assert.equal(await text(page, "power"), power.power);
  for (const column of ["marker-alpha", "marker-case-rate", "marker-control-rate", "marker-odds-ratio"]) {
    assert.equal(await text(page, column), power[column], column);
  }
  // The command the page offers gives the same power.
  const command = (await text(page, "command")).split(" ");
  assert.equal(vantorCsv(command.slice(1)).power, power.power, command.join(" "));
  const size = vantorCsv(["power", "--controls-per-case", "1", "--target-power", "0.8", ...one]);
  assert.match(await text(page, "cases-for-ratio"), new RegExp(`^${size.cases} cases and ${size.controls} controls \\(power ${size.power}\\)`));
  // Two stages take the trend test too.
  const two = vantorCsv(["two-stage", "--method", "joint", "--stage1-cases", "1000",
    "--stage1-controls", "1000", "--stage2-cases", "2000", "--stage2-controls", "2000",
    "--stage1-alpha", "1e-3", ...one]);
  assert.equal(await text(page, "two-stage-power"), two.power);
  assert.equal(await text(page, "final-alpha"), two["final-alpha"]);
  await page.evaluate(() => window.vantorPage.searching);
  const cheapest = vantorCsv(["design", "--method", "joint", "--target-power", "0.8", ...one,
    "--cost-ratio", "1"]);
  const shown = await text(page, "cheapest-design");
  for (const column of ["total", "stage1-cases", "stage1-alpha", "final-alpha", "power", "cost"]) {
    assert.ok(shown.includes(cheapest[column]), `${column} ${cheapest[column]} in '${shown}'`);
  }
  // The free model, population controls, a marker in D' with the risk
  // allele, the dominant test: the command offered gives the page's power.
  await choose(page, "model", "free");
  await choose(page, "controls-kind", "population");
  await choose(page, "test", "dominant");
  for (const [id, value] of [["heterozygote-risk", "1.3"], ["homozygote-risk", "2"],
    ["marker-frequency", "0.25"], ["d-prime", "0.9"]]) await setField(page, id, value);
  const free = (await text(page, "command")).split(" ");
  for (const option of ["--heterozygote-risk", "--homozygote-risk", "--controls-kind",
    "--marker-frequency", "--d-prime", "--test"]) {
    assert.ok(free.includes(option), `${option} in ${free.join(" ")}`);
  }
  assert.equal(vantorCsv(free.slice(1)).power, await text(page, "power"), free.join(" "));
  await page.close();
});

// The disease models of the two-stage grid: 4 one-parameter models, with and
// without a marker at r^2 0.5.
function* modelGrid(lib) {
  for (const model of lib.choiceWords("model").slice(0, 4)) {
    for (const prevalence of [0.001, 0.05, 0.3]) {
      for (const frequency of [0.05, 0.2, 0.5]) {
        for (const relative_risk of [1.1, 1.5, 2]) {
          for (const marker of [{}, { r_squared: 0.5 }]) {
            yield { model, prevalence, frequency, relative_risk, ...marker };
          }
        }
      }
    }
  }
}

test("two stages of a disease model are those of the odds ratio and control rate at its marker, bit for bit", async () => {
  const lib = await nodeLibrary();
  const rest = { alpha: 0.05, markers: 1000 };
  const two_stages = { ...rest, stages: 2, method: "joint", stage1_alpha: 1e-3, case_fraction: 0.5 };
  let compared = 0;
  for (const disease of modelGrid(lib)) {
    const [power] = lib.ask({ ...rest, ...disease, cases: 1000, controls: 1000 });
    const counts = { stage1_cases: 1000, stage1_controls: 1000, stage2_cases: 2000,
      stage2_controls: 2000, cost_ratio: 3 };
    if (power.status === "INVALID_INPUT") {
      // A model the library refuses is refused by the two-stage question too.
      const [two] = lib.ask({ ...two_stages, ...disease, ...counts });
      assert.deepEqual([two.status, two.reason], [power.status, power.reason], JSON.stringify(disease));
      continue;
    }
    const m = power.fields;
    // The allelic twin: the marker's odds ratio and control rate at the
    // per-marker level.
    const allelic = { ...two_stages, markers: 1, alpha: m.marker_alpha,
      odds_ratio: m.marker_odds_ratio, control_rate: m.marker_control_rate };
    for (const asked of [counts, { total: 6000, stage1_share: 0.4, cost_ratio: 3 }]) {
      const [a] = lib.ask({ ...two_stages, ...disease, ...asked });
      const [b] = lib.ask({ ...allelic, ...asked });
      assert.equal(a.question, b.question);
      for (const name of ["power", "final_alpha", "cost", "stage1_cases", "stage2_controls"]) {
        assert.ok(Object.is(a.fields[name], b.fields[name]), `${a.question} ${name} ${JSON.stringify(disease)}: ${a.fields[name]} against ${b.fields[name]}`);
      }
    }
    ++compared;
  }
  assert.ok(compared >= 120, `${compared} models compared`);
});

test("the page asks the library with the model as typed: its answers are the module's for that study", async () => {
  const lib = await nodeLibrary();
  const { page } = await openPage();
  await enterModel(page, { ...MODEL, "marker-frequency": "0.3", "r-squared": "0.5" }, "multiplicative");
  await choose(page, "controls-kind", "population");
  await setField(page, "markers", "100");
  await choose(page, "test", "genotypic");
  await page.evaluate(() => window.vantorPage.searching);
  const answers = await page.evaluate(() => window.vantorPage.answers);
  const disease = { frequency: 0.2, prevalence: 0.1, model: "multiplicative", relative_risk: 1.5,
    controls_kind: "population", marker_frequency: 0.3, r_squared: 0.5, alpha: 0.05, markers: 100 };
  const study = { ...disease, test: "genotypic" };
  const expect = (output, inputs) => {
    const [answer] = lib.ask(inputs);
    assert.deepEqual([answers[output].question, answers[output].fields], [answer.question, answer.fields], output);
  };
  expect("power", { ...study, cases: 2000, controls: 2000 });
  expect("cases-for-controls", { ...study, controls: 2000, target_power: 0.8 });
  expect("controls-for-cases", { ...study, cases: 2000, target_power: 0.8 });
  expect("cases-for-ratio", { ...study, controls_per_case: 1, target_power: 0.8 });
  const above = { ...study, cases: 2000, controls: 2000, target_power: 0.8, relative_risk: null,
    direction: "above" };
  expect("effect-above", above);
  assert.match(await text(page, "relative-risk-above"), new RegExp(`^${await page.evaluate((v) =>
    window.vantorPage.sixDigits(v), lib.ask(above)[0].fields.relative_risk)}; at the marker: `));
  // Two stages refuse the genotypic test, with its reason.
  const two = { ...disease, test: "genotypic", stages: 2, stage1_alpha: 1e-3 };
  expect("two-stage-power", { ...two, stage1_cases: 1000, stage2_cases: 2000, stage1_controls: 1000,
    stage2_controls: 2000 });
  assert.equal(await page.getAttribute("#two-stage-power", "data-reason"), "GENOTYPIC_ONE_STAGE");
  expect("two-stage-power-of-total", { ...two, total: 6000, stage1_share: 0.4 });
  // A design search is not given the stage 1 level above: it searches one.
  expect("cheapest-design", { ...two, stage1_alpha: null, solve: "design", target_power: 0.8 });
  // The answers differ from the causal marker's: the marker fields reached the library.
  assert.notEqual(answers.power.fields.power, lib.ask({ ...study, marker_frequency: null,
    r_squared: null, cases: 2000, controls: 2000 })[0].fields.power);
  await page.close();
});

// Whether the field of an input shows a refusal (its label, then the
// library's words), and the power is refused for that input and reason.
async function refusedBeside(page, name, reason) {
  const id = name.replace(/_/g, "-");
  const label = (await page.textContent(`label[for="${id}"]`)).replace(/\s+/g, " ").trim();
  // The value as typed ('' for an empty field; nothing for an optional
  // field left empty, which is not given: missing).
  const value = await page.inputValue(`#${id}`);
  const optional = (await page.getAttribute(`#${id}`, "data-optional")) !== null;
  const named = value !== "" ? `${label} ${value}` : optional ? `${label} is missing` : `${label} ''`;
  assert.match(await text(page, `${id}-error`), new RegExp(`^${escaped(named)}: [a-z]`), name);
  assert.equal(await page.getAttribute(`#${id}`, "aria-invalid"), "true", name);
  const power = await page.evaluate(() => window.vantorPage.answers.power);
  assert.deepEqual([power.reason, power.input], [reason, name]);
  assert.equal(await page.getAttribute("#power", "data-reason"), reason);
  assert.equal(await text(page, "power"), "");
}

test("an invalid disease model shows the library's words beside the field it names", async () => {
  const { page } = await openPage();
  // Penetrance above 1: prevalence 0.3, relative risk 5 per allele.
  await enterModel(page, { frequency: "0.1", prevalence: "0.3", "relative-risk": "5" }, "multiplicative");
  await refusedBeside(page, "relative_risk", "RISK_ABOVE_ONE");
  assert.equal(await text(page, "command"), "");
  // r^2 beyond what the frequencies allow names r^2.
  await enterModel(page, { frequency: "0.05", prevalence: "0.1", "relative-risk": "1.5",
    "marker-frequency": "0.5", "r-squared": "0.9" }, "multiplicative");
  await refusedBeside(page, "r_squared", "LD_BEYOND_FREQUENCIES");
  assert.equal(await text(page, "relative-risk-error"), "");
  // A prevalence of 1, a missing frequency.
  await enterModel(page, { frequency: "0.2", prevalence: "1", "r-squared": "", "marker-frequency": "" });
  await refusedBeside(page, "prevalence", "BAD_PREVALENCE");
  await enterModel(page, { frequency: "", prevalence: "0.1" });
  await refusedBeside(page, "frequency", "BAD_FREQUENCY");
  // A genotype test counts people: counting alleles is refused beside the count.
  await page.fill("#frequency", "0.2");
  await choose(page, "test", "trend");
  await choose(page, "count", "alleles");
  await refusedBeside(page, "count", "GENOTYPE_TEST_COUNTS_PEOPLE");
  // The free model has no one relative risk to detect: the library says so
  // there (the model itself is taken: the power is answered).
  await choose(page, "count", "people");
  await choose(page, "model", "free");
  assert.ok(await page.isVisible("#heterozygote-risk") && !(await page.isVisible("#relative-risk")));
  const above = await page.evaluate(() => window.vantorPage.answers["effect-above"]);
  assert.equal(above.reason, "NO_SINGLE_RISK");
  assert.match(await text(page, "relative-risk-above"), /^Genetic model free: .*single relative risk/);
  assert.equal(await text(page, "model-error"), "");
  assert.match(await text(page, "power"), /^0\.[0-9]/);
  await page.close();
});

test("the level starts from the number of markers until it is typed over", async () => {
  const { page } = await openPage();
  // Genome-wide for one marker, study-wide for more, until typed over.
  assert.equal(await page.inputValue("#alpha"), "5e-8");
  for (const [markers, level] of [["1000", "0.05"], ["1", "5e-8"]]) {
    await page.fill("#markers", markers);
    assert.equal(await page.inputValue("#alpha"), level);
  }
  await page.fill("#alpha", "1e-6");
  await page.fill("#markers", "500");
  assert.equal(await page.inputValue("#alpha"), "1e-6");
  await page.evaluate(() => window.vantorPage.recompute());
  assert.equal(await text(page, "marker-alpha"), "2e-9");
  // The stage 1 level and the target power are checked against the level per
  // marker, as the questions check them: 1e-3 leaves room for 0.05 over a
  // million markers, not for 0.05 itself.
  await page.fill("#alpha", "0.05");
  await page.fill("#markers", "1e6");
  await page.evaluate(() => window.vantorPage.recompute());
  assert.equal(await text(page, "stage1-alpha-error"), "");
  assert.match(await text(page, "two-stage-power"), /^0\.[0-9]/);
  await page.fill("#markers", "1");
  await page.evaluate(() => window.vantorPage.recompute());
  assert.match(await text(page, "stage1-alpha-error"), /^Stage 1 level 1e-3: /);
  const two = await page.evaluate(() => window.vantorPage.answers["two-stage-power"]);
  assert.deepEqual([two.reason, two.input], ["BAD_STAGE1_ALPHA", "stage1_alpha"]);
  await page.fill("#markers", "0.5");
  await page.evaluate(() => window.vantorPage.recompute());
  await refusedBeside(page, "markers", "BAD_MARKERS");
  await page.close();
});

test("the WebAssembly module agrees with the native library on disease models", { skip: !process.env.VANTOR_NATIVE_VALUES }, async (t) => {
  const rows = JSON.parse(readFileSync(process.env.VANTOR_NATIVE_VALUES, "utf8")).filter((r) => r.dm);
  if (rows.length === 0) {
    t.skip("the native values have no \"dm\" rows yet (web/test/native_values.py)");
    return;
  }
  const lib = await nodeLibrary();
  let differing = 0;
  for (const { dm } of rows) {
    const study = { frequency: dm.frequency, prevalence: dm.prevalence, model: dm.model,
      relative_risk: dm.relative_risk, r_squared: dm.r_squared, alpha: dm.alpha, markers: dm.markers };
    const same = (a, b, what) => {
      if (!Object.is(a, b)) {
        ++differing;
        console.log(`${what}: ${a} against ${b} for ${JSON.stringify(dm)}`);
      }
    };
    const [power] = lib.ask({ ...study, test: dm.test, cases: dm.cases, controls: dm.controls });
    same(power.fields.power, dm.power, "power");
    const [size] = lib.ask({ ...study, test: dm.test, controls_per_case: 1, target_power: dm.target });
    same(size.fields.cases, dm.size_cases, "size_cases");
    same(size.fields.power, dm.size_power, "size_power");
    const c1 = Math.floor(dm.cases / 2), k1 = Math.floor(dm.controls / 2);
    const [two] = lib.ask({ ...study, stages: 2, method: dm.method, stage1_alpha: dm.stage1_alpha,
      stage1_cases: c1, stage2_cases: dm.cases - c1, stage1_controls: k1,
      stage2_controls: dm.controls - k1, cost_ratio: 1 });
    same(two.fields.power, dm.two_power, "two_power");
    // The derived final level to 1e-12 relative, as for the allelic rows.
    if (!(Math.abs(two.fields.final_alpha - dm.two_final_alpha) <= 1e-12 * dm.two_final_alpha)) {
      same(two.fields.final_alpha, dm.two_final_alpha, "two_final_alpha");
    }
  }
  console.log(`wasm against native: ${rows.length} disease models`);
  assert.equal(differing, 0);
});
