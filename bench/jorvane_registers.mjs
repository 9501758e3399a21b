// The registers as a user meets them on a full garage, in headless Chromium against the real
// jorvane. The garage is that of overview_bench.cpp at 1x: ten cars, each with 3,000 fuel
// purchases, 500 services, 500 expenses and 4,000 odometer readings. Measured, each from the
// user's action to the result painted:
// - opening the fuel register of one car (3,000) and of All Cars (30,000), and the service register
//   of one car (500) and of All Cars (5,000): from the click on its link to the latest entry and
//   the new entry painted, the new entry's date field ready to be typed in;
// - scrolling the All Cars fuel register from its newest entry to its oldest, a step per frame:
//   the longest frame (the longest interval between animation frames, and the longest task);
// - saving one entry with Enter into a register of 4,000 (one car's odometer readings) and of
//   30,000 (the All Cars fuel register): to the saved entry and the blank new entry painted;
// - choosing another car in the car list with the fuel register open;
// - printing the All Cars service register with the navigation bar's Print and with File > Print:
//   to the page handed to the browser's print command (the print preview);
// - the resident memory of jorvane (VmRSS and its peak VmHWM) with the All Cars fuel register
//   open, in a program started afresh (and on the home page before it).
// "Painted" is judged by what the user sees (the latest entry and the new entry inside the
// register's visible box), not by counting rows: a register may hold in the browser only the rows
// near what it shows.
//
//   cmake --build build --target bench_jorvane_registers
// Prints one line per run and a table of the medians. JV_BENCH_RUNS (9) runs per measure; a
// measure whose first run takes longer than JV_BENCH_CAP_MS (10,000) runs JV_BENCH_CAPPED_RUNS (3)
// times, as the table says. The scroll runs JV_BENCH_SCROLL_RUNS (3) times, JV_BENCH_SCROLL_PAGES
// (2) visible heights a frame, and stops after JV_BENCH_SCROLL_LIMIT_MS (60,000) if it has not
// reached the oldest entry by then (saying how far it got).
import { readFileSync } from "node:fs";
import { eventually, frame, jorvaneHome, startJorvane } from "../tests/e2e/jorvane/harness.mjs";

const RUNS = Number(process.env.JV_BENCH_RUNS || 9);
const CAP_MS = Number(process.env.JV_BENCH_CAP_MS || 10000);
const CAPPED_RUNS = Number(process.env.JV_BENCH_CAPPED_RUNS || 3);
const SCROLL_RUNS = Number(process.env.JV_BENCH_SCROLL_RUNS || 3);
const SCROLL_PAGES = Number(process.env.JV_BENCH_SCROLL_PAGES || 2);
const SCROLL_LIMIT_MS = Number(process.env.JV_BENCH_SCROLL_LIMIT_MS || 60000);
const WAIT = 180000;  // the longest any one step may take before the script gives up

// --- the garage -------------------------------------------------------------------------------------

const CARS = 10;
const ROWS = 4000;         // per car: of every 8 rows six fuel purchases, one service, one expense
const PLAN_ITEMS = 20;
const FIRST_DAY = 42370;   // 1 January 2016 in the database's day numbers
const NOW = "2024-03-22";  // just after the garage's last rows, as in overview_bench.cpp

const carId = (car) => `${String(car + 1).padStart(8, "0")}-0000-0000-0000-0000000000AB`;
const carName = (car) => `Car ${car}`;

// The garage of overview_bench.cpp, row for row, in SQL: one timeline of rows per car, day
// int(row * 0.75), odometer 1000 + 30 * row + car, every row with its odometer reading.
function garageSql() {
  let sql = "BEGIN;";
  for (let car = 0; car < CARS; car++) {
    const id = carId(car);
    const plan = 1000 + car;
    sql += `INSERT INTO MaintenancePlan (MaintenancePlanID, StyleID, Name, DrivingCondition) VALUES (${plan}, 'JV000001', 'Plan', 'N');
      INSERT INTO Vehicles (VehicleID, Name, StyleYear, MaintenancePlanID, Sold, Custom) VALUES ('${id}', '${carName(car)}', 2015, ${plan}, 0, -1);
      WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < ${PLAN_ITEMS - 1})
      INSERT INTO MaintenancePlanItems (MaintenancePlanItemID, MaintenancePlanID, ITEM_DESCRIPTION, ACTION_DESCRIPTION,
                                        INITIAL_MILEAGE, INITIAL_MONTH, INTERVAL_MILEAGE, INTERVAL_MONTH, Skip)
      SELECT ${plan * 100} + i, ${plan}, 'Item ' || i, 'Service', 0, 0, 3000 + 1000 * i, 3 + i % 12, 0 FROM n;
      CREATE TEMP TABLE IF NOT EXISTS timeline (car INTEGER, row INTEGER, day REAL, odometer REAL);
      DELETE FROM timeline;
      WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < ${ROWS - 1})
      INSERT INTO timeline SELECT ${car}, i, ${FIRST_DAY} + CAST(i * 0.75 AS INTEGER), 1000.0 + i * 30.0 + ${car} FROM n;
      INSERT INTO Services (ServiceID, VehicleID, ServiceDate, Odometer, Vendor, Cost, Skipped)
      SELECT ${car * 10000} + row, '${id}', day, odometer, 'Garage', 120.5, 0 FROM timeline WHERE row % 8 = 6;
      INSERT INTO ServiceItems (ServiceID, MaintenancePlanItemID)
      SELECT ${car * 10000} + row, ${plan * 100} + ((row - 6) / 8) % ${PLAN_ITEMS} FROM timeline WHERE row % 8 = 6;
      INSERT INTO Expenses (VehicleID, ExpenseDate, Odometer, Vendor, CategoryID, Cost)
      SELECT '${id}', day, odometer, 'Parking Co', 5, 12.25 FROM timeline WHERE row % 8 = 7;
      INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost, Roads)
      SELECT '${id}', day, odometer, odometer - previous, 'Fuel Stop', CASE WHEN row % 5 = 0 THEN 0 ELSE -1 END,
             (odometer - previous) / 30.0, 3.5, (odometer - previous) / 30.0 * 3.5, 'M'
      FROM (SELECT row, day, odometer, coalesce(lag(odometer) OVER (ORDER BY row), 0) AS previous
            FROM timeline WHERE row % 8 < 6);
      INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) SELECT '${id}', day, odometer FROM timeline;`;
  }
  return sql + "UPDATE Prefs SET Internet = 1; COMMIT;";
}

// --- measuring ----------------------------------------------------------------------------------

const results = [];
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const ms = (value) => (value >= 10000 ? (value / 1000).toFixed(1) + " s" : value.toFixed(0) + " ms");

// Runs `once` (which gives milliseconds, or { ms, note }) up to RUNS times, fewer when the first
// run is slower than CAP_MS. `runs` overrides the count.
async function measure(name, once, { runs = RUNS, unit = "click to painted" } = {}) {
  const times = [];
  let count = runs;
  let capped = false;
  for (let i = 0; i < count; i++) {
    const result = await once(i);
    const time = typeof result === "number" ? result : result.ms;
    times.push(time);
    console.log(`${name}, run ${i + 1}: ${unit} ${time.toFixed(1)} ms${result.note ? " (" + result.note + ")" : ""}`);
    if (i === 0 && time > CAP_MS && count > CAPPED_RUNS) {
      count = CAPPED_RUNS;
      capped = true;
    }
  }
  results.push({ name, value: ms(median(times)), runs: times.length, capped });
  return times;
}

function memory(pid) {
  const status = readFileSync(`/proc/${pid}/status`, "utf8");
  const kb = (field) => Number(new RegExp(`^${field}:\\s+(\\d+)`, "m").exec(status)[1]);
  return { rss: kb("VmRSS") / 1024, peak: kb("VmHWM") / 1024 };
}

// The ids of the latest (or oldest) entries of a table for a car ("%" for all).
function entriesAt(home, table, idColumn, dateColumn, car, which) {
  const where = car === "%" ? "" : `WHERE VehicleID = '${car}'`;
  const at = `(SELECT ${which}(${dateColumn}) FROM ${table} ${where})`;
  return home.query(`SELECT ${idColumn} FROM ${table} ${where ? where + " AND" : "WHERE"} ${dateColumn} = ${at}`)
    .split("\n").filter(Boolean);
}

// In the page: whether the new entry and the latest entry before it (one of `ids`) show inside
// every box that clips them, and the new entry's date field takes typing. Installed once per
// document as window.jvPainted.
function installChecks() {
  if (window.jvPainted) return;
  const shows = (element) => {
    let r = element.getBoundingClientRect();
    if (r.height <= 0 || r.width <= 0) return false;
    let top = r.top, bottom = r.bottom;
    for (let box = element.parentElement; box && box !== document.documentElement; box = box.parentElement) {
      const style = getComputedStyle(box);
      if (style.display === "none" || style.visibility === "hidden") return false;
      if (style.overflowY !== "visible") {
        const b = box.getBoundingClientRect();
        top = Math.max(top, b.top);
        bottom = Math.min(bottom, b.bottom);
      }
    }
    return bottom - top > 1 && top < innerHeight && bottom > 0;
  };
  const entryBefore = (fresh) => {
    for (let row = fresh.previousElementSibling; row; row = row.previousElementSibling)
      if (/^\d+$/.test(row.id)) return row;
    const rows = [...document.querySelectorAll("tr[id]")].filter((row) => /^\d+$/.test(row.id));
    return rows[rows.length - 1] || null;
  };
  window.jvShows = shows;
  window.jvEntryBefore = entryBefore;
  window.jvPainted = (ids) => {
    if (document.readyState !== "complete") return false;
    const fresh = document.getElementById("new");
    if (!fresh) return false;
    if (!shows(fresh)) {
      // A register that opens at its oldest entries: the user goes to the end of it first.
      window.jvScrolledToNew = true;
      fresh.scrollIntoView({ block: "end" });
      return false;
    }
    const date = fresh.querySelector('[name="date"]');
    if (!date || date.disabled || date.readOnly || !shows(date)) return false;
    const latest = entryBefore(fresh);
    return !!latest && shows(latest) && (!ids || ids.includes(latest.id));
  };
}

// Resolves once the frame has painted what it shows now.
const painted = (page) => page.evaluate(() => new Promise((r) => requestAnimationFrame(() => setTimeout(r, 0))));

// The workspace's document once it is a new one with this title for which `check` (run in the
// page with `arg`) holds.
async function workspaceWhen(app, title, check, arg) {
  let page;
  await eventually(async () => {
    page = app.page.frame({ name: "main_workspace" });
    if (!page || (await page.title()) !== title) return false;
    return page.evaluate(([source, value]) => {
      if (window.jvOld) return false;
      // eslint-disable-next-line no-new-func
      return new Function("return " + source)()(value);
    }, [check.toString(), arg]);
  }, title, WAIT);
  return page;
}

const installed = (ids) => {
  if (!window.jvPainted) window.jvInstallChecks();
  return window.jvPainted(ids);
};

// --- the program ----------------------------------------------------------------------------------

const home = jorvaneHome();
console.log("building the garage...");
home.seed(garageSql());
const app = await startJorvane(home, { env: { JV_NOW: NOW }, viewport: { width: 1280, height: 900 } });
// Every document learns the checks; print commands are recorded instead of run.
await app.context.addInitScript(`window.jvInstallChecks = ${installChecks.toString()};
  window.print = () => {
    const top = window.top;
    top.jvPrinted = (top.jvPrinted || []).concat([{ title: document.title, size: document.body.innerHTML.length,
      rows: document.querySelectorAll("tr").length }]);
  };`);
try {
  const list = await frame(app.page, "main_navcarlist");
  const nav = await frame(app.page, "main_navbar");
  const select = async (name) => {
    await list.locator(`td:has-text("${name}")`).first().click();
    await eventually(async () => (await list.locator("td.selected").allInnerTexts()).join(" ").includes(name), name, WAIT);
  };
  const markOld = async () => {
    const page = app.page.frame({ name: "main_workspace" });
    if (page) await page.evaluate(() => { window.jvOld = true; }).catch(() => {});
  };
  const goHome = async () => {
    await markOld();
    await nav.click("a.nav-home");
    await eventually(async () => {
      const page = app.page.frame({ name: "main_workspace" });
      return page && (await page.title()) === "Home Page" && (await page.evaluate(() => !window.jvOld && document.readyState === "complete"));
    }, "home", WAIT);
  };
  // From the home page, a click on a register's link to its latest entries painted.
  const open = async (link, title, ids) => {
    await goHome();
    await markOld();
    const started = performance.now();
    await nav.click(link);
    const page = await workspaceWhen(app, title, installed, ids);
    await painted(page);
    const time = performance.now() - started;
    const scrolled = await page.evaluate(() => !!window.jvScrolledToNew);
    return { ms: time, page, note: scrolled ? "opened at the oldest entries: scrolled to the new entry" : "" };
  };

  const fuelIds = (car) => entriesAt(home, "FuelPurchases", "FuelPurchaseID", "FuelPurchaseDate", car, "max");
  const serviceIds = (car) => entriesAt(home, "Services", "ServiceID", "ServiceDate", car, "max");

  // A program started afresh shows the home page with All Cars selected.
  const before = memory(app.child.pid);
  console.log(`memory on the home page: VmRSS ${before.rss.toFixed(0)} MB, VmHWM ${before.peak.toFixed(0)} MB`);
  let fuelAll;
  await measure("open fuel register, All Cars (30,000)", async (i) => {
    const opened = await open("a.nav-fuel", "Fuel Register", fuelIds("%"));
    fuelAll = opened.page;
    if (i === 0) {
      const now = memory(app.child.pid);
      console.log(`memory with the All Cars fuel register open: VmRSS ${now.rss.toFixed(0)} MB, VmHWM ${now.peak.toFixed(0)} MB`);
      results.push({ name: "memory, home page (VmRSS)", value: before.rss.toFixed(0) + " MB", runs: 1 });
      results.push({ name: "memory, All Cars fuel register open (VmRSS)", value: now.rss.toFixed(0) + " MB", runs: 1 });
      results.push({ name: "memory, All Cars fuel register open (VmHWM)", value: now.peak.toFixed(0) + " MB", runs: 1 });
    }
    return opened;
  });

  // Newest to oldest, a step per frame.
  const oldest = entriesAt(home, "FuelPurchases", "FuelPurchaseID", "FuelPurchaseDate", "%", "min");
  const scroll = async (page) => page.evaluate(async ({ pages, ids, wait, limit }) => {
    const fresh = document.getElementById("new");
    let box = fresh.parentElement;
    while (box && box !== document.body &&
           !(box.scrollHeight > box.clientHeight + 1 && /(auto|scroll)/.test(getComputedStyle(box).overflowY)))
      box = box.parentElement;
    if (!box || box === document.body) box = document.scrollingElement;
    const frameOf = () => new Promise((r) => requestAnimationFrame(r));
    box.scrollTop = box.scrollHeight;
    for (let i = 0; i < 5; i++) await frameOf();
    const tasks = [];
    let observer = null;
    try {
      observer = new PerformanceObserver((l) => l.getEntries().forEach((e) => tasks.push(e.duration)));
      observer.observe({ type: "longtask" });
    } catch (e) {
      observer = null;
    }
    const oldestShown = () => ids.some((id) => {
      const row = document.getElementById(id);
      return row && window.jvShows(row);
    });
    const started = performance.now();
    let last = started, longest = 0, frames = 0, atTop = 0;
    for (;;) {
      await frameOf();
      const now = performance.now();
      longest = Math.max(longest, now - last);
      last = now;
      frames++;
      if (now - started > limit) break;
      if (box.scrollTop <= 0) {
        if (oldestShown()) break;
        atTop = atTop || now;
        if (now - atTop > wait) return { error: "the oldest entry never showed" };
      }
      box.scrollTop = Math.max(0, box.scrollTop - pages * box.clientHeight);
    }
    await new Promise((r) => setTimeout(r, 100));
    if (observer) observer.disconnect();
    return { longest, task: tasks.length ? Math.max(...tasks) : 0, frames, ms: last - started, height: box.scrollHeight,
             done: 1 - box.scrollTop / Math.max(1, box.scrollHeight - box.clientHeight) };
  }, { pages: SCROLL_PAGES, ids: oldest, wait: WAIT, limit: SCROLL_LIMIT_MS });
  const tasks = [];
  await measure("scroll All Cars fuel register, newest to oldest: longest frame", async () => {
    const run = await scroll(fuelAll);
    if (run.error) throw new Error(run.error);
    tasks.push(run.task);
    return { ms: run.longest, note: `longest task ${run.task.toFixed(0)} ms, ${run.frames} frames in ${(run.ms / 1000).toFixed(1)} s, ` +
      `${run.height} px` + (run.done < 1 ? `, stopped after ${SCROLL_LIMIT_MS / 1000} s at ${(run.done * 100).toFixed(0)}% of the way` : "") };
  }, { runs: SCROLL_RUNS, unit: "longest frame" });
  results.push({ name: "scroll All Cars fuel register: longest task", value: ms(median(tasks)), runs: tasks.length });

  // Enter on a typed entry to the saved entry and the blank new entry painted. `fill` types the
  // entry into the new row.
  const save = async (page, fill, emptied) => {
    await page.evaluate(() => {
      const fresh = document.getElementById("new");
      fresh.scrollIntoView({ block: "end" });
    });
    const field = await fill();
    const shown = await page.evaluate(() => {
      const ids = [];
      for (let row = document.getElementById("new").previousElementSibling; row && ids.length < 60; row = row.previousElementSibling)
        if (/^\d+$/.test(row.id)) ids.push(row.id);
      return ids;
    });
    await page.evaluate(() => { window.jvScrolledToNew = false; });
    const started = performance.now();
    await page.press(field, "Enter");
    await page.waitForFunction(({ shown, emptied }) => {
      const fresh = document.getElementById("new");
      if (!fresh) return false;
      if (!window.jvShows(fresh)) {
        // A register rebuilt at its oldest entries: the user goes back to the end of it.
        window.jvScrolledToNew = true;
        fresh.scrollIntoView({ block: "end" });
        return false;
      }
      const typed = fresh.querySelector(`[name="${emptied}"]`) || fresh.nextElementSibling.querySelector(`[name="${emptied}"]`);
      if (typed && typed.value !== "" && !typed.classList.contains("registerValueBoxTip")) return false;
      for (let row = fresh.previousElementSibling, n = 0; row && n < 60; row = row.previousElementSibling, n++)
        if (/^\d+$/.test(row.id) && !shown.includes(row.id)) return window.jvShows(row);
      return false;
    }, { shown, emptied }, { polling: "raf", timeout: WAIT });
    await painted(page);
    const time = performance.now() - started;
    const scrolled = await page.evaluate(() => !!window.jvScrolledToNew);
    return { ms: time, note: scrolled ? "rebuilt at the oldest entries: scrolled to the new entry" : "" };
  };
  await measure("save one entry, All Cars fuel register (30,000)", (i) => save(fuelAll, async () => {
    const car = 'tr[id="new"] select[name="carname_select"]';
    if (await fuelAll.locator(car).count()) await fuelAll.selectOption(car, carId(0));
    await fuelAll.fill('tr[id="new"] [name="Odometer"]', String(130000 + i * 100));
    const field = 'tr[id="new"] [name="Total Cost"]';
    await fuelAll.click(field);
    await fuelAll.fill(field, String(20 + i));
    await fuelAll.evaluate(() => OnChange());
    return field;
  }, "Total Cost"), { unit: "Enter to painted" });

  await measure("open service register, All Cars (5,000)", async () => open("a.nav-service", "Service Register", serviceIds("%")));

  // Printing the All Cars service register: to the page handed to the print command.
  const printed = () => app.page.evaluate(() => (window.jvPrinted || []).length);
  const print = async (how) => {
    await workspaceWhen(app, "Service Register", installed, null);
    const count = await printed();
    const started = performance.now();
    await how();
    await eventually(async () => (await printed()) > count, "the print", WAIT);
    const time = performance.now() - started;
    const what = await app.page.evaluate(() => window.jvPrinted[window.jvPrinted.length - 1]);
    await eventually(async () => (await app.page.locator("dialog.jv-dialog[open]").count()) === 0, "the print dialog gone", WAIT);
    return { ms: time, note: `"${what.title}", ${what.rows} table rows, ${(what.size / 1e6).toFixed(2)} MB of HTML` };
  };
  await measure("print All Cars service register (navigation bar)", () => print(() => nav.click("a.nav-print")),
    { unit: "click to print preview" });
  await measure("print All Cars service register (File > Print)", () => print(async () => {
    await app.page.locator("#jv-menubar .jv-menu > button", { hasText: "File" }).click();
    await app.page.locator("#jv-menubar .jv-open li button", { hasText: /^Print\.\.\./ }).click();
  }), { unit: "click to print preview" });

  await select(carName(0));
  await measure("open fuel register, one car (3,000)", async () => open("a.nav-fuel", "Fuel Register", fuelIds(carId(0))));
  await measure("choose another car, fuel register open", async (i) => {
    // The latest entry shown is then the other car's.
    const car = i % 2 === 0 ? 1 : 0;
    const ids = fuelIds(carId(car));
    await app.page.frame({ name: "main_workspace" }).evaluate(() => { window.jvScrolledToNew = false; });
    const started = performance.now();
    await list.locator(`td:has-text("${carName(car)}")`).first().click();
    const shown = await workspaceWhen(app, "Fuel Register", installed, ids);
    await painted(shown);
    const time = performance.now() - started;
    const scrolled = await shown.evaluate(() => !!window.jvScrolledToNew);
    return { ms: time, note: scrolled ? "shown at the oldest entries: scrolled to the new entry" : "" };
  });
  await select(carName(0));
  await measure("open service register, one car (500)", async () => open("a.nav-service", "Service Register", serviceIds(carId(0))));

  // One car's odometer readings: a register of 4,000.
  await markOld();
  await (await frame(app.page, "main_workspace")).evaluate(() => { location.href = "215"; });
  const readings = await workspaceWhen(app, "Odometer Register", installed, null);
  await measure("save one entry, odometer readings of one car (4,000)", (i) => save(readings, async () => {
    const field = 'tr[id="new"] [name="odometer"]';
    await readings.click(field);
    await readings.fill(field, String(200000 + i * 100));
    await readings.evaluate(() => OnChange());
    return field;
  }, "odometer"), { unit: "Enter to painted" });

  console.log("\n| measure | median | runs |\n|---|---|---|");
  for (const r of results) console.log(`| ${r.name} | ${r.value} | ${r.runs}${r.capped ? " (capped)" : ""} |`);
} finally {
  await app.close();
  home.remove();
}
