// The page in a real browser: Debian's Chromium, headless, driven by
// playwright-core, on the page built into $VANTOR_WEB_DIST (web/dist by
// default) and opened from disk. The numbers shown are compared with the
// `vantor` command line's CSV ($VANTOR_PROGRAM) and the WebAssembly module's
// answers with the native library's ($VANTOR_NATIVE_VALUES, a JSON file from
// native_values.py).
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { readFileSync, statSync } from "node:fs";
import { createRequire } from "node:module";
import path from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";
import { chromium } from "playwright-core";

const here = path.dirname(fileURLToPath(import.meta.url));
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

const text = (page, id) => page.textContent(`#${id}`);

// One CSV row of `vantor` as an object, column by column.
function vantorCsv(args) {
  const out = execFileSync(program, [...args, "--format", "csv"], { encoding: "utf8" });
  const [head, row] = out.trim().split("\n");
  const names = head.split(",");
  const cells = row.split(",");
  return Object.fromEntries(names.map((n, i) => [n, cells[i]]));
}

test("the whole page, WebAssembly included, is under 300 KB and loads from disk", async () => {
  const size = statSync(path.join(dist, "index.html")).size;
  assert.ok(size < 300 * 1024, `${size} bytes`);
  const { page, loadMs } = await openPage();
  console.log(`page: ${size} bytes, ready ${loadMs} ms after navigation`);
  assert.notEqual(await text(page, "single-power"), "");
  await page.close();
});

test("a study's questions give the numbers vantor prints", { skip: !program }, async () => {
  const { page } = await openPage();
  // Genome-wide power of 2000 cases and 2000 controls.
  const power = vantorCsv(["power", "--cases", "2000", "--controls", "2000", "--odds-ratio", "1.3",
    "--rate", "0.3", "--alpha", "5e-8"]);
  assert.equal(await text(page, "single-power"), power.power);
  // Cases for 80 % power with as many controls.
  const size = vantorCsv(["power", "--ratio", "1", "--odds-ratio", "1.3", "--rate", "0.3",
    "--alpha", "5e-8", "--power", "0.8"]);
  assert.match(await text(page, "single-size"), new RegExp(`^${size.cases} cases and ${size.controls} controls`));
  // Two-stage joint power of 1000+1000 then 2000+2000 at 1e-3 and 5e-8.
  await setField(page, "alpha0", "1e-3");
  const two = vantorCsv(["two-stage", "--method", "joint", "--total", "6000", "--share",
    String(2000 / 6000), "--odds-ratio", "1.3", "--rate", "0.3", "--alpha", "5e-8",
    "--alpha0", "1e-3"]);
  assert.equal(await text(page, "two-power"), two.power);
  // The cheapest joint design for 80 % power.
  await page.evaluate(() => window.vantorPage.searching);
  const cheapest = vantorCsv(["design", "--method", "joint", "--power", "0.8", "--odds-ratio",
    "1.3", "--rate", "0.3", "--alpha", "5e-8"]);
  const shown = await text(page, "cheapest");
  for (const column of ["total", "cases0", "alpha0", "alpha1", "power", "cost", "one-stage-total",
    "relative-cost"]) {
    assert.ok(shown.includes(cheapest[column]), `${column} ${cheapest[column]} in '${shown}'`);
  }
  await page.close();
});

test("the unpooled statistic gives the numbers vantor --variance unpooled prints", { skip: !program }, async () => {
  const { page } = await openPage();
  await setField(page, "controls", "8000");
  await page.selectOption("#statistic", "1");
  await page.evaluate(() => window.vantorPage.recompute());
  const base = ["--odds-ratio", "1.3", "--rate", "0.3", "--alpha", "5e-8", "--variance", "unpooled"];
  const power = vantorCsv(["power", "--cases", "2000", "--controls", "8000", ...base]);
  assert.equal(await text(page, "single-power"), power.power);
  assert.notEqual(power.power, vantorCsv(["power", "--cases", "2000", "--controls", "8000",
    ...base.slice(0, -2)]).power);
  assert.match(await text(page, "command"), /--variance unpooled$/);
  const size = vantorCsv(["power", "--ratio", "1", "--power", "0.8", ...base]);
  assert.match(await text(page, "single-size"), new RegExp(`^${size.cases} cases and ${size.controls} controls`));
  const above = vantorCsv(["power", "--cases", "2000", "--controls", "8000", "--power", "0.8",
    ...base.slice(2)]);
  assert.equal(await text(page, "single-or-above"), above["odds-ratio"]);
  await setField(page, "alpha0", "1e-3");
  await page.selectOption("#method", "0");
  await page.evaluate(() => window.vantorPage.recompute());
  const two = vantorCsv(["two-stage", "--method", "replication", "--total", "6000", "--share",
    String(2000 / 6000), "--alpha0", "1e-3", ...base]);
  assert.equal(await text(page, "two-power"), two.power);
  await page.evaluate(() => window.vantorPage.searching);
  const cheapest = vantorCsv(["design", "--method", "replication", "--power", "0.8", ...base]);
  const shown = await text(page, "cheapest");
  for (const column of ["total", "power", "one-stage-total"]) {
    assert.ok(shown.includes(cheapest[column]), `${column} ${cheapest[column]} in '${shown}'`);
  }
  await page.close();
});

test("a bad input shows the library's words beside the field and nothing is computed", async () => {
  const { page } = await openPage();
  await setField(page, "rate", "1.5");
  assert.equal(await text(page, "rate-error"),
    "the risk-allele rate among controls must lie strictly between 0 and 1");
  assert.equal(await page.getAttribute("#rate", "aria-invalid"), "true");
  assert.equal(await text(page, "single-power"), "");
  await setField(page, "cases", "500.7");
  assert.match(await text(page, "cases-error"), /whole number/);
  await setField(page, "rate", "0.3");
  assert.equal(await text(page, "rate-error"), "");
  await page.close();
});

test("an unreachable answer says why instead of giving a number", async () => {
  const { page } = await openPage();
  // Ten people a group cannot reach 80 % power at 5e-8 however strong the effect.
  await setField(page, "cases", "10");
  await setField(page, "controls", "10");
  const above = await text(page, "single-or-above");
  assert.match(above, /^not reachable: /);
  assert.doesNotMatch(above, /[0-9]\.[0-9]/);
  await page.close();
});

test("the curve has its three lines, the target and the solved sizes", async () => {
  const { page } = await openPage();
  assert.equal(await page.locator("#curve polyline.power-line").count(), 3);
  assert.equal(await page.locator("#curve line.target").count(), 1);
  assert.equal(await page.locator("#curve circle.solved").count(), 3);
  const points = await page.getAttribute("#curve polyline.power-line", "points");
  assert.equal(points.trim().split(" ").length, 100);
  console.log(`curve: ${await text(page, "curve-time")}`);
  await page.close();
});

test("the searches arrive from the worker", async () => {
  const { page } = await openPage();
  await page.evaluate(() => window.vantorPage.searching);
  assert.match(await text(page, "smallest-total"), /^[0-9]+ in all: /);
  assert.match(await text(page, "cheapest"), /in all: .* of one stage/);
  if (screenshot) await page.screenshot({ path: screenshot, fullPage: true });
  await page.close();
});

test("at 375 px wide nothing scrolls sideways", async () => {
  const { page } = await openPage(375);
  const width = await page.evaluate(() => document.documentElement.scrollWidth);
  assert.ok(width <= 375, `${width} px`);
  await page.close();
});

test("the Tab key reaches every control, each labelled", async () => {
  const { page } = await openPage();
  const controls = await page.$$eval("input, select, a[href]", (all) => all.map((c) => c.id));
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
});

test("the WebAssembly module agrees with the native library", { skip: !process.env.VANTOR_NATIVE_VALUES }, async () => {
  const require = createRequire(import.meta.url);
  const createVantor = require(path.join(dist, "vantor_wasm.js"));
  const m = await createVantor();
  const n = (count) => Array(count).fill("number");
  const single = m.cwrap("web_single_power", "number", n(7));
  const size = m.cwrap("web_cases_for_ratio", "number", n(7));
  const two = m.cwrap("web_two_stage_power", "number", n(11));
  const answer = () => {
    const start = m.cwrap("web_answer", "number", [])() / 8;
    return Array.from(m.HEAPF64.subarray(start, start + 16));
  };
  const close = (a, b) => a === b || Math.abs(a - b) <= 1e-12 * Math.abs(b);
  const rows = JSON.parse(readFileSync(process.env.VANTOR_NATIVE_VALUES, "utf8"));
  let differing = 0;
  let largest = 0;
  for (const r of rows) {
    const p = single(r.cases, r.controls, r.odds_ratio, r.rate, r.alpha, 2, 0);
    largest = Math.max(largest, Math.abs(p - r.single) / Math.abs(r.single));
    if (!close(p, r.single)) ++differing;
    size(1, r.odds_ratio, r.rate, r.alpha, r.target, 2, 0);
    if (answer()[2] !== r.size_cases) ++differing;
    if ("two_power" in r) {
      const c0 = Math.floor(r.cases / 2), k0 = Math.floor(r.controls / 2);
      two(r.method, c0, k0, r.cases - c0, r.controls - k0, r.odds_ratio, r.rate, r.alpha0,
        r.two_alpha2, 2, 0);
      const a = answer();
      if (!close(a[11], r.two_power) || !close(a[9], r.two_alpha1)) ++differing;
      largest = Math.max(largest, Math.abs(a[11] - r.two_power) / Math.abs(r.two_power));
    }
  }
  console.log(`wasm against native: ${rows.length} designs, largest relative difference ${largest}`);
  assert.equal(differing, 0);
});
