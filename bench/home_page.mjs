// The home page on a full garage as a user meets it: from a click on "Home" in the navigation bar
// to the page painted with every car row and the cost graph, in headless Chromium, for ten cars with
// 4,000 and with 40,000 register rows (fuel purchases, services and expenses with their readings,
// and a plan item each, so that every car has a due service): shown again unchanged, and the
// first time after another program saved an entry. The program's own share (data, DOM and the
// changes sent to the browser) is within the click-to-paint time.
//
//   cmake --build build --target bench_home_page
// Prints each run and the median per garage size and case.
import { frame, jorvaneHome, startJorvane } from "../tests/e2e/jorvane/harness.mjs";

const RUNS = Number(process.env.JV_BENCH_RUNS || 9);
const CARS = 10;

function garageSql(rows) {
  const perCar = Math.floor(rows / CARS / 3);
  let sql = "BEGIN;";
  for (let c = 0; c < CARS; c++) {
    const id = `{B0E00000-0000-0000-0000-0000000000${String(c).padStart(2, "0")}}`;
    sql += `INSERT INTO MaintenancePlan (StyleID, Name, DrivingCondition) VALUES ('JV000001', 'Plan ${c}', 'N');
            INSERT INTO Vehicles (VehicleID, Name, StyleYear, Make, Model, Style, Custom, Sold, Selected, PurchaseDate,
                                  PurchaseOdometer, MaintenancePlanID)
            VALUES ('${id}', 'Car ${c + 1}', 2015, 'Make', 'Model', 'Style', -1, 0, 0, 40000, 0,
                    (SELECT max(MaintenancePlanID) FROM MaintenancePlan));
            INSERT INTO MaintenancePlanItems (MaintenancePlanID, ITEM_DESCRIPTION, ACTION_DESCRIPTION, INITIAL_MILEAGE,
                                              INITIAL_MONTH, INTERVAL_MILEAGE, INTERVAL_MONTH, Skip)
            VALUES ((SELECT max(MaintenancePlanID) FROM MaintenancePlan), 'Oil', 'Change', 0, 0, 3000, 3, 0);`;
    for (const [table, date, extra, values] of [
      ["FuelPurchases", "FuelPurchaseDate", "Distance, Vendor, Fillup, Volume, CostPer, Cost", "60.0, 'Station', -1, 8.5, 1.459, 12.40"],
      ["Services", "ServiceDate", "Vendor, ServiceMemo, Cost, Skipped", "'Garage', 'Check', 80.0, 0"],
      ["Expenses", "ExpenseDate", "Vendor, ExpenseMemo, Cost", "'Shop', 'Parts', 25.0"]]) {
      const step = 16000 / perCar;
      sql += `WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ${perCar})
              INSERT INTO ${table} (VehicleID, ${date}, Odometer, ${extra})
              SELECT '${id}', 30000 + i * ${step}, i * 60.0, ${values} FROM n;`;
    }
    sql += `INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue)
            SELECT VehicleID, FuelPurchaseDate, Odometer FROM FuelPurchases WHERE VehicleID = '${id}';`;
  }
  return sql + "UPDATE Prefs SET Internet = 1; COMMIT;";
}

// A fuel purchase with its reading, dated after the car's last rows, saved by another program; and
// the same taken out again.
const carOf = (run) => `{B0E00000-0000-0000-0000-0000000000${String((run / 2) % CARS).padStart(2, "0")}}`;
const saveEntry = (run) => `BEGIN;
  INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost)
    SELECT VehicleID, 46360, max(Odometer) + 60, 60.0, 'Station', -1, 8.5, 1.459, 12.40 FROM FuelPurchases
    WHERE VehicleID = '${carOf(run)}';
  INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue)
    SELECT VehicleID, FuelPurchaseDate, Odometer FROM FuelPurchases WHERE VehicleID = '${carOf(run)}'
    AND FuelPurchaseDate = 46360;
  COMMIT;`;
const takeBack = (run) => `BEGIN;
  DELETE FROM OdometerValues WHERE VehicleID = '${carOf(run)}' AND OdometerDate = 46360;
  DELETE FROM FuelPurchases WHERE VehicleID = '${carOf(run)}' AND FuelPurchaseDate = 46360;
  COMMIT;`;

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

for (const rows of [4000, 40000]) {
  const home = jorvaneHome();
  home.seed(garageSql(rows));
  const app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" }, viewport: { width: 1280, height: 900 } });
  try {
    const navbar = await frame(app.page, "main_navbar");
    let workspace = await frame(app.page, "main_workspace");
    await workspace.locator("#carlist tr.listrow").first().waitFor({ timeout: 60000 });
    // Shown again unchanged, then each time after another program (the companion, say) saved an
    // entry for one car or took it out again, so that nothing kept from the run before may serve.
    for (const afterAChange of [false, true]) {
      const what = afterAChange ? "after another program's save" : "unchanged";
      const times = [];
      for (let i = 0; i < RUNS; i++) {
        if (afterAChange) home.query(i % 2 === 0 ? saveEntry(i) : takeBack(i - 1));
        await workspace.evaluate(() => { window.jvOld = true; });
        const started = performance.now();
        await navbar.click("a.nav-home");
        for (;;) {
          workspace = app.page.frame({ name: "main_workspace" });
          const ready = await workspace.evaluate((cars) => !window.jvOld && document.readyState === "complete" &&
            document.querySelectorAll("#carlist tr.listrow").length === cars &&
            document.querySelector("#Graph").childElementCount > 0, CARS).catch(() => false);
          if (ready) break;
          await new Promise((r) => setTimeout(r, 1));
        }
        await workspace.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
        times.push(performance.now() - started);
        console.log(`${rows} rows, ${what}, run ${i + 1}: click to painted ${times[i].toFixed(1)} ms`);
      }
      if (afterAChange && RUNS % 2 === 1) home.query(takeBack(RUNS - 1));
      console.log(`${rows} rows, ${what}: median click to painted ${median(times).toFixed(1)} ms`);
    }
  } finally {
    await app.close();
    home.remove();
  }
}
