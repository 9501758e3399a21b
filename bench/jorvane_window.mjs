// The main program's start as a user meets it: from starting jorvane to the frameset's load (and to
// its car list filled), in headless Chromium, without the browser's own start-up (the browser is running
// before the program starts, and the program's stand-in browser command only hands the address
// over). Also the program's resident memory with a user database of 40,000 register rows open.
//
//   cmake --build build --target bench_jorvane_window
// Prints one line per run and the median; "rss" is jorvane's resident memory once the window is
// shown, in MB.
import { execFileSync, spawn } from "node:child_process";
import { existsSync, readFileSync } from "node:fs";
import { CHROMIUM, CHROMIUM_FLAGS } from "../tests/e2e/harness.mjs";
import { chromium, frame, jorvaneHome } from "../tests/e2e/jorvane/harness.mjs";

const RUNS = Number(process.env.JV_BENCH_RUNS || 7);
const ROWS = 40000;
const CARS = 10;

// A garage of ten cars with ROWS fuel purchases, services and expenses, each with its reading.
function garageSql() {
  const perCar = Math.floor(ROWS / CARS / 3);
  let sql = "BEGIN;";
  for (let c = 0; c < CARS; c++) {
    const id = `{BE0C0000-0000-0000-0000-0000000000${String(c).padStart(2, "0")}}`;
    sql += `INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected, PurchaseDate, PurchaseOdometer)
            VALUES ('${id}', 'Car ${c + 1}', -1, 0, 0, 40000, 0);`;
    sql += `WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ${perCar})
            INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost)
            SELECT '${id}', 40000 + i * 2, i * 60.0, 60.0, 'Station ' || (i % 17), -1, 8.5, 1.459, 12.40 FROM n;`;
    sql += `WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ${perCar})
            INSERT INTO Services (VehicleID, ServiceDate, Odometer, Vendor, ServiceMemo, Cost, Skipped)
            SELECT '${id}', 40001 + i * 2, i * 60.0 + 30, 'Garage ' || (i % 5), 'Check', 80.0, 0 FROM n;`;
    sql += `WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ${perCar})
            INSERT INTO Expenses (VehicleID, ExpenseDate, Odometer, Vendor, ExpenseMemo, Cost)
            SELECT '${id}', 40000.5 + i * 2, i * 60.0 + 10, 'Shop ' || (i % 9), 'Parts', 25.0 FROM n;`;
    sql += `INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue)
            SELECT VehicleID, FuelPurchaseDate, Odometer FROM FuelPurchases WHERE VehicleID = '${id}'
            UNION ALL SELECT VehicleID, ServiceDate, Odometer FROM Services WHERE VehicleID = '${id}'
            UNION ALL SELECT VehicleID, ExpenseDate, Odometer FROM Expenses WHERE VehicleID = '${id}';`;
  }
  return sql + "UPDATE Prefs SET Internet = 1; COMMIT;";
}

function residentMB(pid) {
  const status = readFileSync(`/proc/${pid}/status`, "utf8");
  const match = /VmRSS:\s+(\d+) kB/.exec(status);
  return match ? Number(match[1]) / 1024 : NaN;
}

async function once(browser, home) {
  // The browser's own start-up: a window (context and page) ready before the program starts.
  const context = await browser.newContext({ viewport: { width: 1100, height: 720 } });
  const page = await context.newPage();
  const started = performance.now();
  const child = spawn(process.env.JV_JORVANE, [], { stdio: "ignore", env: { ...process.env, ...home.env } });
  while (!existsSync(home.env.JV_E2E_URL_FILE)) await new Promise((r) => setTimeout(r, 1));
  const url = readFileSync(home.env.JV_E2E_URL_FILE, "utf8").trim();
  const addressed = performance.now();
  await page.goto(url);
  // The frameset's load: every frame of it has loaded.
  const top = await frame(page, "jv-top", 30000);
  await top.waitForFunction(() => location.pathname === "/134" && document.readyState === "complete", null,
    { polling: 1, timeout: 30000 });
  const loaded = performance.now();
  const list = await frame(page, "main_navcarlist", 30000);
  await list.waitForSelector("td.selected", { timeout: 30000 });
  const filled = performance.now();
  const rss = residentMB(child.pid);
  const exited = new Promise((resolve) => child.on("exit", resolve));
  await context.close();
  await exited;
  return { addressed: addressed - started, loaded: loaded - started, filled: filled - started, rss };
}

const browser = await chromium.launch({ executablePath: CHROMIUM, headless: true, args: CHROMIUM_FLAGS });
const home = jorvaneHome();
try {
  home.seed(garageSql());
  const rows = home.query("SELECT (SELECT COUNT(*) FROM FuelPurchases) + (SELECT COUNT(*) FROM Services) + (SELECT COUNT(*) FROM Expenses)");
  console.log(`user database: ${rows} register rows, ${CARS} cars`);
  const results = [];
  for (let i = 0; i < RUNS; i++) {
    execFileSync("rm", ["-f", home.env.JV_E2E_URL_FILE]);
    const result = await once(browser, home);
    results.push(result);
    console.log(`run ${i + 1}: window address ${result.addressed.toFixed(1)} ms, frameset loaded ` +
      `${result.loaded.toFixed(1)} ms, car list filled ${result.filled.toFixed(1)} ms, rss ${result.rss.toFixed(1)} MB`);
  }
  const median = (values) => values.sort((a, b) => a - b)[Math.floor(values.length / 2)];
  console.log(`median: window address ${median(results.map((r) => r.addressed)).toFixed(1)} ms, frameset loaded ` +
    `${median(results.map((r) => r.loaded)).toFixed(1)} ms, car list filled ${median(results.map((r) => r.filled)).toFixed(1)} ms, ` +
    `rss ${median(results.map((r) => r.rss)).toFixed(1)} MB`);
} finally {
  await browser.close();
  home.remove();
}
