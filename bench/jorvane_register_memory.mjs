// The memory of jorvane over a long session in one long register, in headless Chromium against the
// real jorvane: a fuel register of 12,000 purchases of one car,
// - scrolled JV_BENCH_STEPS (1,000) times, each step to a part of the register far from the last
//   one (so that every step builds entries), waiting each time until the entries in view are rows;
// - asked for vendor completion (GetVendor) on JV_BENCH_LOOKUPS (4,000) different entries, most of
//   them never scrolled to, one call after the other;
// - sent JV_BENCH_FLOOD (20,000) requests for entries (ShowRegisterEntries) at once, without
//   waiting for any answer, as a hasty script would: the time until the last is answered.
// Measured: jorvane's resident memory (VmRSS) and its peak (VmHWM) from /proc with the register
// open, after each quarter of the scrolling, after the look-ups and after the requests, the time
// each part took, and what the page holds in the browser (its script heap, the elements the shim
// keeps by key, the table rows).
//
//   cmake --build build --target bench_jorvane_register_memory
import { readFileSync } from "node:fs";
import { eventually, frame, jorvaneHome, startJorvane } from "../tests/e2e/jorvane/harness.mjs";

const STEPS = Number(process.env.JV_BENCH_STEPS || 1000);
const LOOKUPS = Number(process.env.JV_BENCH_LOOKUPS || 4000);
const FLOOD = Number(process.env.JV_BENCH_FLOOD || 20000);
const WAIT = 600000;  // the longest any one part may take before the script gives up

const CAR = "{33333333-3333-3333-3333-333333333333}";
const COUNT = 12000;
const SEED = `BEGIN;
INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('${CAR}', 'Long Hauler', -1, 0, 0);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ${COUNT})
  INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost)
  SELECT '${CAR}', 30000 + i, i * 40.0, 40.0, 'Station ' || (i % 23), -1, 7.5, 1.6, 12.0 FROM n;
UPDATE Prefs SET Internet = 1;
COMMIT;`;

function memory(pid) {
  const status = readFileSync(`/proc/${pid}/status`, "utf8");
  const kb = (field) => Number(new RegExp(`^${field}:\\s+(\\d+)`, "m").exec(status)[1]);
  // The processor time jorvane has used (user and system, in clock ticks of 1/100 s).
  const stat = readFileSync(`/proc/${pid}/stat`, "utf8").split(") ")[1].split(" ");
  return { rss: kb("VmRSS") / 1024, peak: kb("VmHWM") / 1024, cpu: (Number(stat[11]) + Number(stat[12])) / 100 };
}

// What the register's page holds in the browser: its script heap and the program's elements the
// window's shim keeps by key for it.
function browserSide(page) {
  if (!page) return Promise.resolve(null);
  return page.evaluate(() => {
    const host = window.top.jvHost;
    const doc = host ? [...host.docs.values()].find((d) => d.win === window) : null;
    return { heap: performance.memory ? performance.memory.usedJSHeapSize / 1048576 : 0,
             keys: doc ? doc.keys.size : 0, rows: document.querySelectorAll("tr").length };
  }).catch(() => null);
}

const rows = [];
let cpuBefore = 0;
async function note(name, pid, seconds, page) {
  const { rss, peak, cpu } = memory(pid);
  const time = seconds === undefined ? "" : `${seconds.toFixed(1)} s (jorvane's processor ${(cpu - cpuBefore).toFixed(1)} s)`;
  cpuBefore = cpu;
  const browser = await browserSide(page);
  const inBrowser = browser ? `${browser.heap.toFixed(1)} MB script heap, ${browser.keys} keys, ${browser.rows} rows` : "";
  console.log(`${name}: VmRSS ${rss.toFixed(1)} MB, VmHWM ${peak.toFixed(1)} MB${time ? ", " + time : ""}` +
    (inBrowser ? `; the page in the browser: ${inBrowser}` : ""));
  rows.push({ name, rss, peak, time, inBrowser });
}

// Scrolls the register so that its top shows `fraction` of the way down, and waits until the
// entry in the middle of the view is a row and nothing more is on its way from the program.
function scrollStep(page, fraction, wait) {
  return page.evaluate(async ({ f, wait }) => {
    const div = document.getElementById("registerdiv");
    div.scrollTop = f * (div.scrollHeight - div.clientHeight);
    const frameOf = () => new Promise((r) => requestAnimationFrame(r));
    const built = () => {
      if (entriesAsked !== null || viewCheckDue) return false;
      const box = div.getBoundingClientRect();
      const at = document.elementFromPoint(box.left + box.width / 2, box.top + box.height / 2);
      const row = at && at.closest("tr");
      return !!row && !row.classList.contains("registergap");
    };
    const started = performance.now();
    await frameOf();
    while (!built()) {
      if (performance.now() - started > wait) throw new Error(`the entries at ${f} were never built`);
      await frameOf();
    }
  }, { f: fraction, wait });
}

const home = jorvaneHome();
console.log("building the register...");
home.seed(SEED);
const ids = home.query("SELECT FuelPurchaseID FROM FuelPurchases ORDER BY FuelPurchaseDate").split("\n");
const app = await startJorvane(home, { env: { JV_NOW: "2024-01-01" }, viewport: { width: 1280, height: 900 } });
try {
  const pid = app.child.pid;
  await note("home page", pid);
  const nav = await frame(app.page, "main_navbar");
  await nav.click("a.nav-fuel");
  await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === "Fuel Register",
    "the register", WAIT);
  const page = await frame(app.page, "main_workspace");
  await page.waitForSelector("#new");
  await scrollStep(page, 1, WAIT);
  await note("fuel register open (12,000 entries)", pid, undefined, page);

  // Far from each other: steps of the golden ratio around the register.
  let started = performance.now();
  for (let i = 1; i <= STEPS; i++) {
    await scrollStep(page, (i * 0.6180339887) % 1, WAIT);
    if (i % Math.max(1, Math.floor(STEPS / 4)) === 0 || i === STEPS) {
      await note(`after ${i} scroll steps`, pid, (performance.now() - started) / 1000, page);
      started = performance.now();
    }
  }
  await scrollStep(page, 1, WAIT);
  await note("back at the latest entries", pid, undefined, page);

  // Vendor completion on entries spread over the register.
  started = performance.now();
  await page.evaluate(async (asked) => {
    for (const id of asked) await window.external.GetVendor(id, "Sta");
  }, Array.from({ length: LOOKUPS }, (_, i) => ids[Math.floor((i * 7919) % COUNT)]));
  await note(`after ${LOOKUPS} vendor look-ups on different entries`, pid, (performance.now() - started) / 1000, page);

  // Requests at once, none awaited before the last is sent.
  started = performance.now();
  await page.evaluate(async ({ count, total }) => {
    const asked = [];
    for (let i = 0; i < count; i++) {
      const first = Math.floor(((i * 0.6180339887) % 1) * (total - 20));
      asked.push(window.external.ShowRegisterEntries(first, first + 20, "new"));
    }
    await Promise.all(asked);
  }, { count: FLOOD, total: COUNT });
  await note(`after ${FLOOD} requests for entries sent at once, all answered`, pid, (performance.now() - started) / 1000, page);

  console.log("\n| after | VmRSS | VmHWM | time | the page in the browser |\n|---|---|---|---|---|");
  for (const r of rows)
    console.log(`| ${r.name} | ${r.rss.toFixed(0)} MB | ${r.peak.toFixed(0)} MB | ${r.time} | ${r.inBrowser} |`);
} finally {
  await app.close();
  home.remove();
}
