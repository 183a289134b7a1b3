// The page's answer time: from an input change to the cheapest joint design
// shown, in Debian's headless Chromium, for eight changes in a row. Uses the
// web tests' playwright-core (cd web/test && npm ci first):
//   node bench/page_timing.mjs DIST     (DIST a folder web/build.sh wrote)
import { createRequire } from "node:module";
import path from "node:path";
import { pathToFileURL } from "node:url";

const require = createRequire(new URL("../web/test/package.json", import.meta.url));
const { chromium } = require("playwright-core");
const dist = path.resolve(process.argv[2] || "web/dist");
const browser = await chromium.launch({ executablePath: "/usr/bin/chromium",
  args: ["--headless", "--no-sandbox", "--disable-gpu", "--no-first-run"] });
const page = await browser.newPage();
await page.goto(pathToFileURL(path.join(dist, "index.html")).href);
await page.evaluate(() => window.vantorPage.ready);
await page.selectOption("#method", "2");
await page.evaluate(() => window.vantorPage.searching);
const times = [];
for (const [field, value] of [["odds-ratio", "1.25"], ["odds-ratio", "1.35"], ["cost-ratio", "5"],
    ["odds-ratio", "1.2"], ["cost-ratio", "1"], ["odds-ratio", "1.3"], ["rate", "0.2"], ["rate", "0.3"]]) {
  const start = Date.now();
  await page.fill(`#${field}`, value);
  await page.waitForFunction(() => {
    const t = document.getElementById("cheapest").textContent;
    return t !== "" && !t.includes("searching");
  }, null, { timeout: 60000, polling: 5 });
  times.push(Date.now() - start);
}
console.log(dist, "ms from input change to cheapest joint design shown:", times.join(" "),
  "| shown:", (await page.textContent("#cheapest")).slice(0, 80));
await browser.close();
