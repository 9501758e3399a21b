// The registers as a user meets them with many entries, in headless Chromium:
// - opening a fuel register of 1,000 purchases: from the click on its link to the page painted with
//   every row and the new entry;
// - saving one purchase into a fuel register of 4,000: from Enter to the rebuilt page painted.
//
//   cmake --build build --target bench_jorvane_registers
// Prints one line per run and the medians.
import { eventually, frame, jorvaneHome, startJorvane } from "../tests/e2e/jorvane/harness.mjs";

const RUNS = Number(process.env.JV_BENCH_RUNS || 9);
const SMALL = "{BE0C0000-0000-0000-0000-000000000001}";
const LARGE = "{BE0C0000-0000-0000-0000-000000000002}";

function purchases(id, count) {
  return `WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ${count})
    INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost)
    SELECT '${id}', 40000 + i * 2, i * 60.0, 60.0, 'Station ' || (i % 17), -1, 8.5, 1.459, 12.40 FROM n;`;
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
// Resolves once the frame has painted what it shows now.
const painted = (page) => page.evaluate(() => new Promise((r) => requestAnimationFrame(() => setTimeout(r, 0))));

const home = jorvaneHome();
home.seed(`BEGIN;
  INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('${SMALL}', 'Thousand', -1, 0, 0);
  INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('${LARGE}', 'Four Thousand', -1, 0, 0);
  ${purchases(SMALL, 1000)} ${purchases(LARGE, 4000)}
  UPDATE Prefs SET Internet = 1; COMMIT;`);
const app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" } });
try {
  const list = await frame(app.page, "main_navcarlist");
  const nav = await frame(app.page, "main_navbar");
  const select = async (name) => {
    await list.locator(`td:has-text("${name}")`).first().click();
    await eventually(async () => (await list.locator("td.selected").allInnerTexts()).join(" ").includes(name), name);
  };

  await select("Thousand");
  const opened = [];
  for (let i = 0; i < RUNS; i++) {
    await nav.click("a.nav-home");
    await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === "Home Page", "home");
    const started = performance.now();
    await nav.click("a.nav-fuel");
    let page;
    await eventually(async () => {
      page = app.page.frame({ name: "main_workspace" });
      return page && (await page.title().catch(() => "")) === "Fuel Register" &&
        (await page.locator("tr.registerrowtop").count()) === 1000 && (await page.locator("#new").count()) === 1;
    }, "the register", 30000);
    await painted(page);
    opened.push(performance.now() - started);
    console.log(`open 1,000 rows, run ${i + 1}: ${opened[i].toFixed(1)} ms`);
  }

  await select("Four Thousand");
  const page = await frame(app.page, "main_workspace");
  await page.waitForFunction(() => document.querySelectorAll("tr.registerrowtop").length === 4000, null, { timeout: 30000 });
  const saved = [];
  for (let i = 0; i < RUNS; i++) {
    const field = 'tr[id="new"] [name="Total Cost"]';
    await page.click(field);
    await page.fill(field, String(20 + i));
    await page.evaluate(() => OnChange());
    const rows = 4000 + i + 1;
    const started = performance.now();
    await page.press(field, "Enter");
    await page.waitForFunction((n) => document.querySelectorAll("tr.registerrowtop").length === n, rows,
      { polling: "raf", timeout: 30000 });
    await painted(page);
    saved.push(performance.now() - started);
    console.log(`save into 4,000 rows, run ${i + 1}: ${saved[i].toFixed(1)} ms`);
  }
  console.log(`median: open 1,000 rows ${median(opened).toFixed(1)} ms, save into 4,000 rows ${median(saved).toFixed(1)} ms`);
} finally {
  await app.close();
  home.remove();
}
