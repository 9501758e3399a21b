// A register of 3,000 fuel purchases as a user meets it: it opens on its latest entries, scrolls
// to its oldest (the rows come as they scroll into view), and its entries far from the end are
// edited, saved, put back, deleted and printed like any other; each checked against the database.
import assert from "node:assert/strict";
import { after, before, describe, test } from "node:test";
import { answerMessages, chooseMenu, closeAll, eventually, frame, jorvaneHome, openRegister, startJorvane, typeInEntry, windowDelivered } from "./harness.mjs";

const CAR = "{22222222-2222-2222-2222-222222222222}";
const COUNT = 3000;
// One purchase every other day from day 40000 on, 50 miles apart, from 'Station 0' to 'Station 16'.
const SEED = `BEGIN;
INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('${CAR}', 'Commuter', -1, 0, 0);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ${COUNT})
  INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost)
  SELECT '${CAR}', 40000 + i * 2, i * 50.0, 50.0, 'Station ' || (i % 17), -1, 8.5, 1.5, 12.75 FROM n;
UPDATE Prefs SET Internet = 1;
COMMIT;`;

// The register's body as the page holds it: how many entries it stands for, how many are rows.
function body(page) {
  return page.evaluate(() => {
    const rows = BodyRows(RegisterBody());
    return { total: BodyLayout(rows).total, built: rows.filter((row) => row.entry).length,
             gaps: rows.filter((row) => row.gap).length };
  });
}

// Scrolls the register so that its top shows `fraction` of the way down (0: the oldest entry).
function scrollTo(page, fraction) {
  return page.evaluate((f) => {
    const div = document.getElementById("registerdiv");
    div.scrollTop = f * (div.scrollHeight - div.clientHeight);
  }, fraction);
}

// Whether the row of this entry is in the visible part of the register, with no entries on their
// way from the program (rows asked for before the last scroll may still replace others).
function inView(page, id) {
  return page.evaluate((rowId) => {
    if (entriesAsked !== null || viewCheckDue) return false;
    const row = document.getElementById(rowId);
    if (!row) return false;
    const view = document.getElementById("registerdiv").getBoundingClientRect();
    const box = row.getBoundingClientRect();
    return box.top >= view.top && box.bottom <= view.bottom;
  }, id);
}

describe("a register of 3,000 entries", () => {
  let home;
  let app;
  let page;
  let boxes;
  const ids = [];  // the purchases' ids from the oldest on
  before(async () => {
    home = jorvaneHome();
    home.seed(SEED);
    ids.push(...home.query("SELECT FuelPurchaseID FROM FuelPurchases ORDER BY FuelPurchaseDate").split("\n"));
    app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" } });
    app.page.on("console", (m) => { if (m.type() === "error") console.log("console:", m.text()); });
    // The pages' messages and questions are answered OK.
    boxes = answerMessages(app);
  });
  after(() => closeAll(app, boxes, { home }));

  test("opens on its latest entries and the new entry, with a scroll bar for all of it", async () => {
    const nav = await frame(app.page, "main_navbar");
    await nav.click("a.nav-fuel");
    await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === "Fuel Register", "the register");
    page = await frame(app.page, "main_workspace");
    await page.waitForSelector("#new");
    const latest = ids[COUNT - 1];
    await eventually(() => inView(page, "new"), "the new entry in view");
    assert.equal(await page.inputValue(`tr[id="${latest}"] [name="Odometer"]`), "150000.0");
    // Only what is near the view is rows; the rest is a gap that stands for it.
    const shown = await body(page);
    assert.equal(shown.total, COUNT);
    assert.ok(shown.built < 200, `${shown.built} entries built`);
    assert.equal(shown.gaps, 1);
    const sizes = await page.evaluate((id) => {
      const top = document.getElementById(id);
      const previous = top.previousElementSibling.previousElementSibling;
      return { entry: top.getBoundingClientRect().top - previous.getBoundingClientRect().top,
               body: RegisterBody().getBoundingClientRect().height };
    }, latest);
    // The body is as high as every entry as a row (and the new entry) would be.
    assert.ok(Math.abs(sizes.body - (COUNT + 1) * sizes.entry) < 3 * sizes.entry, JSON.stringify(sizes));
    // The new entry takes what is typed at once.
    assert.equal(await page.evaluate(() => document.activeElement.name), "date");
  });

  test("scrolls to its oldest entry, which shows as stored", async () => {
    await scrollTo(page, 0.5);
    const middle = ids[COUNT / 2];
    await eventually(async () => (await page.locator(`tr[id="${middle}"]`).count()) === 1, "the middle entries");
    await scrollTo(page, 0);
    await eventually(() => inView(page, ids[0]), "the oldest entry in view");
    assert.equal(await page.inputValue(`tr[id="${ids[0]}"] [name="Odometer"]`), "50.0");
    assert.equal(await page.inputValue(`tr[id="${ids[0]}"] [name="Vendor"]`), "Station 1");
    assert.equal(await page.inputValue(`tr[id="${ids[0]}"] + tr [name="Volume"]`), "8.500");
    // The rows of the latest entries went; the new entry stays.
    assert.equal(await page.locator(`tr[id="${ids[COUNT - 1]}"]`).count(), 0);
    assert.equal(await page.locator("#new").count(), 1);
    assert.ok((await body(page)).built < 200);
  });

  test("an entry scrolled to is edited and saved; its distance comes from the purchase before it", async () => {
    const id = ids[1];
    const odometer = `tr[id="${id}"] [name="Odometer"]`;
    await page.click(odometer);
    await page.fill(odometer, "130");
    await page.press(odometer, "Tab");
    // 130 - 50, the odometer of the oldest purchase.
    await eventually(async () => (await page.inputValue(`tr[id="${id}"] + tr [name="Distance"]`)) === "80.0", "the distance");
    await page.fill(`tr[id="${id}"] [name="Vendor"]`, "Corner Garage");
    await page.evaluate(() => OnChange());
    await page.press(`tr[id="${id}"] [name="Vendor"]`, "Enter");
    await eventually(() => home.query(`SELECT Odometer, Distance, Vendor FROM FuelPurchases WHERE FuelPurchaseID = ${id}`) ===
      "130.0|80.0|Corner Garage", "the saved purchase");
    // Enter goes on in the new entry at the end. Back at the oldest, the row shows what was stored,
    // in its place; the register still stands for every entry.
    await eventually(() => inView(page, "new"), "the new entry in view");
    await scrollTo(page, 0);
    await eventually(() => inView(page, id), "the entry in view");
    assert.equal(await page.inputValue(odometer), "130.0");
    assert.equal(await page.inputValue(`tr[id="${id}"] [name="Vendor"]`), "Corner Garage");
    assert.equal(await page.evaluate((rowId) => document.getElementById(rowId).previousElementSibling.previousElementSibling.id, id), ids[0]);
    assert.equal((await body(page)).total, COUNT);
    assert.equal(home.query("SELECT COUNT(*) FROM FuelPurchases"), String(COUNT));
  });

  test("an entry scrolled to is put back as stored and deleted", async () => {
    const id = ids[2];
    await page.click(`tr[id="${id}"] [name="Vendor"]`);
    await page.fill(`tr[id="${id}"] [name="Vendor"]`, "Typed by mistake");
    await page.evaluate(() => OnChange());
    await page.click(`tr[id="${id}"] [name="Vendor"]`, { button: "right" });
    await page.click("#MenuRegister >> text=Undo Changes");
    await eventually(async () => (await page.inputValue(`tr[id="${id}"] [name="Vendor"]`)) === "Station 3", "undo");
    assert.equal(home.query(`SELECT Vendor FROM FuelPurchases WHERE FuelPurchaseID = ${id}`), "Station 3");

    await page.click(`tr[id="${id}"] [name="Vendor"]`, { button: "right" });
    await page.click("#MenuRegister >> text=Delete Entry");
    await eventually(() => home.query("SELECT COUNT(*) FROM FuelPurchases") === String(COUNT - 1), "the deleted purchase");
    assert.equal(home.query(`SELECT COUNT(*) FROM FuelPurchases WHERE FuelPurchaseID = ${id}`), "0");
    assert.ok(boxes.messages.includes("Delete the current row?"));
    await eventually(async () => (await page.locator(`tr[id="${id}"]`).count()) === 0, "the row gone");
    // The entries around it stay where they were.
    assert.equal(await page.evaluate((rowId) => document.getElementById(rowId).nextElementSibling.nextElementSibling.id, ids[1]), ids[3]);
    assert.equal((await body(page)).total, COUNT - 1);
  });

  test("back at the latest entries, a new purchase is saved after them", async () => {
    await scrollTo(page, 1);
    const latest = ids[COUNT - 1];
    await eventually(() => inView(page, latest), "the latest entry in view");
    await page.click('tr[id="new"] [name="Odometer"]');
    await page.type('tr[id="new"] [name="Odometer"]', "150300");
    await page.press('tr[id="new"] [name="Odometer"]', "Tab");
    await eventually(async () => (await page.inputValue('tr[id="new"] + tr [name="Distance"]')) === "300.0", "the distance");
    await page.press('tr[id="new"] + tr [name="Distance"]', "Enter");
    await eventually(() => home.query("SELECT COUNT(*) FROM FuelPurchases WHERE Odometer = 150300") === "1", "the new purchase");
    const added = home.query("SELECT FuelPurchaseID FROM FuelPurchases WHERE Odometer = 150300");
    await eventually(async () => (await page.locator(`tr[id="${added}"]`).count()) === 1, "its row");
    assert.equal(await page.evaluate((rowId) => document.getElementById(rowId).previousElementSibling.previousElementSibling.id, added), latest);
    assert.equal(await page.inputValue('tr[id="new"] [name="Odometer"]'), "Odometer");
    assert.equal((await body(page)).total, COUNT);
  });

  test("entries looked up far from the view go again, and of many requests at once the newest is shown", async () => {
    await eventually(() => inView(page, "new"), "the new entry in view");
    const before = await body(page);
    // Vendor completion on entries never scrolled to: each is built for its call, then let go.
    const far = ids.slice(200, 260);
    await page.evaluate(async (asked) => {
      for (const id of asked) await window.external.GetVendor(id, "Sta");
    }, far);
    // The last one goes right after its answer.
    await eventually(async () => JSON.stringify(await body(page)) === JSON.stringify(before), "the entries let go");
    assert.equal(await page.locator(far.map((id) => `tr[id="${id}"]`).join(", ")).count(), 0);
    // Requests sent without waiting for the answers, as a hasty script would: every one is
    // answered, and the register shows what the last one asked for.
    const target = COUNT / 2;
    await page.evaluate(async (last) => {
      // The register's own asking waits meanwhile.
      entriesAsked = new Promise(() => {});
      const asked = [];
      for (let i = 0; i < 400; i++) asked.push(window.external.ShowRegisterEntries(i * 7, i * 7 + 20, "new"));
      asked.push(window.external.ShowRegisterEntries(last, last + 20, "new"));
      await Promise.all(asked);
    }, target);
    assert.equal(await page.locator(`tr[id="${ids[target]}"]`).count(), 1);
    assert.equal(await page.locator(`tr[id="${ids[7]}"]`).count(), 0);
    assert.ok((await body(page)).built < 200);
    // The user scrolls elsewhere (entries no request has left there), then back to the end.
    await page.evaluate(() => { entriesAsked = null; });
    await scrollTo(page, 0.25);
    await eventually(() => page.evaluate(() => {
      if (entriesAsked !== null || viewCheckDue) return false;
      const box = document.getElementById("registerdiv").getBoundingClientRect();
      const row = document.elementFromPoint(box.left + box.width / 2, box.top + box.height / 2)?.closest("tr");
      return !!row && !row.classList.contains("registergap");
    }), "the entries a quarter of the way down");
    await scrollTo(page, 1);
    await eventually(() => inView(page, ids[COUNT - 1]), "the latest entry in view");
    assert.ok(await inView(page, "new"));
  });

  test("prints every stored purchase, the ones never scrolled to among them", async () => {
    await app.context.addInitScript(() => {
      window.print = () => {
        window.top.jvPrinted = (window.top.jvPrinted || []).concat([document.body.innerHTML]);
      };
    });
    const nav = await frame(app.page, "main_navbar");
    await nav.click("a.nav-print");
    const printed = await eventually(() => app.page.evaluate(() => window.jvPrinted && window.jvPrinted[0]), "the printout", 30000);
    assert.match(printed, /Fuel History for /);
    // One row per stored purchase below the headings, in the order of their dates.
    const rows = printed.split("<tr>").length - 1;
    assert.equal(rows, 1 + Number(home.query("SELECT COUNT(*) FROM FuelPurchases")));
    assert.ok(printed.indexOf(">Corner Garage<") < printed.indexOf(">Station 16<"));
    assert.match(printed, />150300\.0</);
  });
});

// Three cars with 10,000 fuel purchases and 10,000 services each, on the same days (some of them on
// the same odometer too, told apart by the order they were stored in): paged from the latest
// entries to the oldest and back, every entry the register shows is the database's at its place.
describe("registers of 10,000 entries a car, paged to the oldest entry and back", () => {
  const CARS = ["{44444444-0000-0000-0000-000000000001}", "{44444444-0000-0000-0000-000000000002}",
                "{44444444-0000-0000-0000-000000000003}"];
  const PER_CAR = 10000;
  const rows = `WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < ${PER_CAR - 1})`;
  const seed = "BEGIN;" + CARS.map((car, c) => `
    INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('${car}', 'Car ${c + 1}', -1, 0, 0);
    ${rows} INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost)
      SELECT '${car}', 30000 + i, CASE WHEN i % 50 = 7 THEN 100.0 * i ELSE 100.0 * i + ${c} END, 100.0,
             'Station ' || i || '/${c}', -1, 5.0, 2.0, 10.0 FROM n;
    ${rows} INSERT INTO Services (VehicleID, ServiceDate, Odometer, Vendor, Cost, Skipped)
      SELECT '${car}', 30000 + i, 100.0 * i + ${c}, 'Garage ' || i || '/${c}', 50.0, 0 FROM n;`).join("") +
    "UPDATE Prefs SET Internet = 1; COMMIT;";
  const fuelOrder = () => home.query(`SELECT FuelPurchaseID FROM FuelPurchases fp, Vehicles v WHERE fp.VehicleID = v.VehicleID
    ORDER BY FuelPurchaseDate, Odometer, FuelPurchaseID`).split("\n");
  const serviceOrder = (car) => home.query(`SELECT ServiceID FROM Services WHERE VehicleID = '${car}' AND Skipped = 0
    ORDER BY ServiceDate, VehicleID, Odometer, ServiceID`).split("\n");
  let home;
  let app;
  let boxes;

  // The entries built as rows, each with its vendor, in the order shown, and runs of them between
  // gaps: each run is the database's order from the place of its first entry, with what is stored.
  async function shownAsStored(page, order, table, key) {
    const runs = await page.evaluate(() => {
      const found = [[]];
      for (const row of RegisterBody().rows) {
        if (row.classList.contains("registergap")) found.push([]);
        else if (/^\d+$/.test(row.id)) found[found.length - 1].push({ id: row.id, vendor: row.querySelector('[name="Vendor"]').value });
      }
      return found.filter((run) => run.length);
    });
    assert.ok(runs.length > 0);
    for (const run of runs) {
      const at = order.indexOf(run[0].id);
      assert.ok(at >= 0, `entry ${run[0].id} is stored`);
      assert.deepEqual(run.map((entry) => entry.id), order.slice(at, at + run.length));
      const vendors = home.query(`SELECT Vendor FROM ${table} WHERE ${key} IN (${run.map((e) => e.id).join(",")})
        ORDER BY instr(',${run.map((e) => e.id).join(",")},', ',' || ${key} || ',')`).split("\n");
      assert.deepEqual(run.map((entry) => entry.vendor), vendors);
    }
    return runs;
  }

  before(async () => {
    home = jorvaneHome();
    home.seed(seed);
    app = await startJorvane(home, { env: { JV_NOW: "2009-08-01" } });
    boxes = answerMessages(app);
  });
  after(() => closeAll(app, boxes, { home }));

  test("the fuel register of all cars pages to its oldest entry, saves there, and comes back", async () => {
    const nav = await frame(app.page, "main_navbar");
    await nav.click("a.nav-fuel");
    await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === "Fuel Register", "the register");
    const page = await frame(app.page, "main_workspace");
    await page.waitForSelector("#new");
    let order = fuelOrder();
    assert.equal(order.length, 3 * PER_CAR);
    await eventually(() => inView(page, order[order.length - 1]), "the latest entry in view");
    assert.equal((await body(page)).total, order.length);
    await shownAsStored(page, order, "FuelPurchases", "FuelPurchaseID");

    // A page at a time to the oldest, as the scroll bar's track takes it: a few of the pages on
    // the way are checked, then the oldest.
    for (const fraction of [0.999, 0.75, 0.5, 0.25, 0.0004]) {
      await scrollTo(page, fraction);
      await eventually(() => page.evaluate(() => entriesAsked === null && !viewCheckDue), `the entries at ${fraction}`);
      await shownAsStored(page, order, "FuelPurchases", "FuelPurchaseID");
    }
    await scrollTo(page, 0);
    await eventually(() => inView(page, order[0]), "the oldest entry in view");
    await shownAsStored(page, order, "FuelPurchases", "FuelPurchaseID");
    assert.equal(await page.inputValue(`tr[id="${order[0]}"] [name="Vendor"]`), "Station 0/0");

    // The oldest entry of the second car, moved later by a day: it goes where its date puts it,
    // and what shows around the place it left is still the database's.
    const moved = order[1];
    await page.fill(`tr[id="${moved}"] [name="date"]`, "02/01/1982");
    await page.evaluate(() => OnChange());
    await page.press(`tr[id="${moved}"] [name="date"]`, "Enter");
    await eventually(() => home.query(`SELECT FuelPurchaseDate FROM FuelPurchases WHERE FuelPurchaseID = ${moved}`) === "29983.0",
      "the moved purchase");
    order = fuelOrder();
    assert.equal(order[0], moved);
    // Enter goes on in the new entry at the end; the user goes back to the oldest.
    await eventually(() => inView(page, "new"), "the new entry in view");
    await scrollTo(page, 0);
    await eventually(async () => (await page.evaluate((id) => entriesAsked === null && !viewCheckDue &&
      RegisterBody().rows[0].id === id, moved)) && inView(page, moved), "the moved entry first");
    await shownAsStored(page, order, "FuelPurchases", "FuelPurchaseID");

    // Back to the latest, and a new purchase saved after them.
    await scrollTo(page, 1);
    await eventually(() => inView(page, order[order.length - 1]), "the latest entry in view");
    await page.fill('tr[id="new"] [name="Odometer"]', "2000000");
    await page.fill('tr[id="new"] [name="Vendor"]', "Last Stop");
    await page.evaluate(() => OnChange());
    await page.press('tr[id="new"] [name="Vendor"]', "Enter");
    await eventually(() => home.query("SELECT COUNT(*) FROM FuelPurchases WHERE Vendor = 'Last Stop'") === "1", "the new purchase");
    order = fuelOrder();
    const added = home.query("SELECT FuelPurchaseID FROM FuelPurchases WHERE Vendor = 'Last Stop'");
    await eventually(async () => (await page.locator(`tr[id="${added}"]`).count()) === 1, "its row");
    await eventually(() => inView(page, "new"), "the new entry in view");
    await shownAsStored(page, order, "FuelPurchases", "FuelPurchaseID");
    assert.equal((await body(page)).total, order.length);
    assert.equal(order[order.length - 1], added);
  });

  test("one car's service register pages to its oldest entry and back", async () => {
    const list = await frame(app.page, "main_navcarlist");
    await list.locator('td:has-text("Car 2")').first().click();
    await eventually(async () => (await list.locator("td.selected").allInnerTexts()).join(" ").includes("Car 2"), "Car 2");
    const nav = await frame(app.page, "main_navbar");
    await nav.click("a.nav-service");
    await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === "Service Register", "the register");
    const page = await frame(app.page, "main_workspace");
    await page.waitForSelector("#new");
    const order = serviceOrder(CARS[1]);
    await eventually(() => inView(page, order[order.length - 1]), "the latest entry in view");
    assert.equal((await body(page)).total, PER_CAR);
    for (const fraction of [0.5, 0]) {
      await scrollTo(page, fraction);
      await eventually(() => page.evaluate(() => entriesAsked === null && !viewCheckDue), `the entries at ${fraction}`);
      await shownAsStored(page, order, "Services", "ServiceID");
    }
    await eventually(() => inView(page, order[0]), "the oldest entry in view");
    assert.equal(await page.inputValue(`tr[id="${order[0]}"] [name="Vendor"]`), "Garage 0/1");
    await scrollTo(page, 1);
    await eventually(() => inView(page, order[order.length - 1]), "the latest entry in view");
    await shownAsStored(page, order, "Services", "ServiceID");
  });

  // Another program (the sqlite3 tool, as a second connection) changes the file while a register
  // of 10,000 entries is open.
  test("with another program writing the same file, paging shows every entry once and distances come from the fill-up before", async () => {
    const car = CARS[2];
    const list = await frame(app.page, "main_navcarlist");
    await list.locator('td:has-text("Car 3")').first().click();
    await eventually(async () => (await list.locator("td.selected").allInnerTexts()).join(" ").includes("Car 3"), "Car 3");
    const page = await openRegister(app, "a.nav-fuel", "Fuel Register");
    const carOrder = () => home.query(`SELECT FuelPurchaseID FROM FuelPurchases WHERE VehicleID = '${car}'
      ORDER BY FuelPurchaseDate, Odometer, FuelPurchaseID`).split("\n");
    const settled = (what) => eventually(() => page.evaluate(() => entriesAsked === null && !viewCheckDue), what);
    // The stored entries whose rows are wholly in view.
    const idsInView = () => page.evaluate(() => {
      const view = document.getElementById("registerdiv").getBoundingClientRect();
      return [...RegisterBody().rows].filter((row) => /^\d+$/.test(row.id)).filter((row) => {
        const box = row.getBoundingClientRect();
        return box.top >= view.top && box.bottom <= view.bottom;
      }).map((row) => row.id);
    });
    // A third of the way down: the entries there are counted from the oldest.
    await scrollTo(page, 0.3);
    await settled("the entries a third of the way down");
    let order = carOrder();
    const seen = new Set(await idsInView());
    // Entries older than those in view go; the user pages on, half a view at a time.
    home.query(`DELETE FROM FuelPurchases WHERE FuelPurchaseID IN (${order.slice(1000, 1004).join(",")})`);
    order = carOrder();
    for (let step = 0; step < 6; step++) {
      await page.evaluate(() => { const div = document.getElementById("registerdiv"); div.scrollTop += div.clientHeight / 2; });
      await settled(`page ${step}`);
      await shownAsStored(page, order, "FuelPurchases", "FuelPurchaseID");
      for (const id of await idsInView()) seen.add(id);
    }
    // What the user saw is a run of the register with nothing left out.
    const at = [...seen].map((id) => order.indexOf(id)).sort((a, b) => a - b);
    assert.ok(at[0] >= 0, "only stored entries shown");
    assert.deepEqual(at, Array.from({ length: at.length }, (_, i) => at[0] + i));

    // The fill-up before an entry in view goes: the entry's distance comes from the one before that.
    const shown = await idsInView();
    const x = shown[2];
    const [previous, beforeThat] = [order[order.indexOf(x) - 1], order[order.indexOf(x) - 2]];
    home.query(`DELETE FROM FuelPurchases WHERE FuelPurchaseID = ${previous}`);
    const odometerOf = (id) => Number(home.query(`SELECT Odometer FROM FuelPurchases WHERE FuelPurchaseID = ${id}`));
    const xOdometer = odometerOf(x) + 50;
    await typeInEntry(page, x, "Odometer", String(xOdometer));
    const xDistance = (xOdometer - odometerOf(beforeThat)).toFixed(1);
    await eventually(async () => (await page.inputValue(`tr[id="${x}"] + tr [name="Distance"]`)) === xDistance, "the distance");
    const back = await page.evaluate(() => document.getElementById("registerdiv").scrollTop);
    await page.press(`tr[id="${x}"] + tr [name="Distance"]`, "Enter");
    await eventually(() => home.query(`SELECT Odometer, Distance FROM FuelPurchases WHERE FuelPurchaseID = ${x}`) ===
      `${xOdometer.toFixed(1)}|${xDistance}`, "the saved distance");
    // Enter goes on in the new entry at the end; the user scrolls back.
    await eventually(() => inView(page, "new"), "the new entry in view");
    // A fill-up put in before the next entry, on its day: the next entry's distance comes from it.
    order = carOrder();
    const y = order[order.indexOf(x) + 1];
    const yDate = home.query(`SELECT FuelPurchaseDate FROM FuelPurchases WHERE FuelPurchaseID = ${y}`);
    home.query(`INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup)
      VALUES ('${car}', ${yDate}, ${odometerOf(y) - 30}, 10.0, 'Other program', -1)`);
    await page.evaluate((top) => { document.getElementById("registerdiv").scrollTop = top; }, back);
    await eventually(() => inView(page, y), "the next entry in view");
    await shownAsStored(page, carOrder(), "FuelPurchases", "FuelPurchaseID");
    await typeInEntry(page, y, "Odometer", String(odometerOf(y) + 20));
    await eventually(async () => (await page.inputValue(`tr[id="${y}"] + tr [name="Distance"]`)) === "50.0", "the distance");
    await page.press(`tr[id="${y}"] + tr [name="Distance"]`, "Enter");
    await eventually(() => home.query(`SELECT Distance FROM FuelPurchases WHERE FuelPurchaseID = ${y}`) === "50.0",
      "the saved distance");
    // A new fill-up dated as an entry in view, its odometer between that entry's and the next's.
    order = carOrder();
    const z = order[order.indexOf(y) + 3];
    const [zDate, zOdometer] = home.query(`SELECT strftime('%m/%d/%Y', FuelPurchaseDate + 2415018.5), Odometer
      FROM FuelPurchases WHERE FuelPurchaseID = ${z}`).split("|");
    await typeInEntry(page, "new", "date", zDate);
    await typeInEntry(page, "new", "Odometer", String(Number(zOdometer) + 25));
    await eventually(async () => (await page.inputValue('tr[id="new"] + tr [name="Distance"]')) === "25.0", "the new entry's distance");
    await page.evaluate(() => Undo());
    await eventually(() => page.evaluate(() => !bDirty), "the new entry put back");
  });

  test("an entry another program deleted is not saved, and the user is told; the typing stays", async () => {
    const car = CARS[2];
    home.query(`INSERT INTO Expenses (VehicleID, ExpenseDate, Vendor, CategoryID, Cost) VALUES ('${car}', 39000, 'Tyre shop', 3, 80);
      INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${car}', 39001, 987654)`);
    const registers = [
      { link: "a.nav-fuel", title: "Fuel Register", table: "FuelPurchases", key: "FuelPurchaseID", field: "Vendor", order: "FuelPurchaseDate" },
      { link: "a.nav-service", title: "Service Register", table: "Services", key: "ServiceID", field: "Vendor", order: "ServiceDate" },
      { link: "a.nav-expense", title: "Miscellaneous Expense Register", table: "Expenses", key: "ExpenseID", field: "Vendor", order: "ExpenseDate" },
      { menu: "Edit Car Odometer History", title: "Odometer Register", table: "OdometerValues", key: "OdometerValueID", field: "odometer", order: "OdometerDate" },
    ];
    let page = null;
    for (const register of registers) {
      // (The page before was left with nothing typed.)
      if (register.link) {
        page = await openRegister(app, register.link, register.title);
      } else {
        await chooseMenu(app, "Go To", register.menu);
        await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === register.title, register.title);
        page = await frame(app.page, "main_workspace");
        await page.waitForSelector("#new");
      }
      // The latest entry, in view as the register opens.
      const id = home.query(`SELECT ${register.key} FROM ${register.table} WHERE VehicleID = '${car}'
        ORDER BY ${register.order} DESC, ${register.key} DESC LIMIT 1`);
      const field = `tr[id="${id}"] [name="${register.field}"]`;
      await eventually(() => inView(page, id), `the latest entry of the ${register.title}`);
      const typed = register.field === "odometer" ? "123456.0" : "Gone Garage";
      await page.click(field);
      await page.fill(field, typed);
      await page.evaluate(() => OnChange());
      home.query(`DELETE FROM ${register.table} WHERE ${register.key} = ${id}`);
      const count = home.query(`SELECT COUNT(*) FROM ${register.table}`);
      const before = boxes.messages.length;
      await page.click(`tr[id="${id}"] + tr [name="Submit"]`);
      await eventually(() => boxes.messages.slice(before).some((m) => /no longer in your Jorvane file/.test(m)), `the message of the ${register.title}`);
      await eventually(() => page.evaluate(() => !bBusy), "the save over");
      assert.ok(boxes.messages.slice(before).some((m) => /was not saved/.test(m)), boxes.messages.slice(before).join(" | "));
      assert.equal(home.query(`SELECT COUNT(*) FROM ${register.table}`), count);
      assert.equal(home.query(`SELECT COUNT(*) FROM ${register.table} WHERE ${register.key} = ${id}`), "0");
      assert.equal(await page.inputValue(field), typed);
      assert.equal(await page.evaluate(() => bDirty), true);
      // Put back, the page is left without a question.
      await page.evaluate(() => Undo());
      await windowDelivered(app, page);
    }
  });
});
