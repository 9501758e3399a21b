// A hasty or unkind hand on a page with unsaved work: what a page script writes into the fields
// the program keeps to itself is not taken.
import assert from "node:assert/strict";
import { after, before, describe, test } from "node:test";
import { answerMessages, eventually, frame, jorvaneHome, openRegister, startJorvane, typeInEntry as type } from "./harness.mjs";

const DAILY = "{CAFE0000-0000-0000-0000-00000000000A}";
const TRUCK = "{CAFE0000-0000-0000-0000-00000000000B}";
// Two cars: the registers open on All Cars, with a car cell in every entry.
const SEED = `INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('${DAILY}', 'Daily', -1, 0, 0);
INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('${TRUCK}', 'Truck', -1, 0, 0);
INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost)
  VALUES ('${DAILY}', 46000, 12000, 300, 'Shell', -1, 10.5, 3.199, 33.59);
INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${DAILY}', 46000, 12000);
UPDATE Prefs SET Internet = 1;`;

async function title(app) {
  return (await frame(app.page, "main_workspace")).title().catch(() => "");
}

// The fuel register, opened from the navigation bar unless it is shown.
async function fuelRegister(app) {
  if ((await title(app)) !== "Fuel Register") return openRegister(app, "a.nav-fuel", "Fuel Register");
  const page = await frame(app.page, "main_workspace");
  await page.waitForSelector("#new");
  return page;
}

describe("leaving in haste", () => {
  let home;
  let app;
  before(async () => {
    home = jorvaneHome();
    home.seed(SEED);
    app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" } });
  });
  after(async () => {
    if (app) await app.close();
    home.remove();
  });

  test("a script that sets a stored entry's hidden car does not move the entry to that car", async () => {
    const page = await fuelRegister(app);
    const id = home.query("SELECT FuelPurchaseID FROM FuelPurchases WHERE Vendor = 'Shell'");
    // The car cell of a stored entry names its car; the field that holds it is hidden.
    assert.equal(await page.locator(`tr[id="${id}"] [name="carname_select"]`).getAttribute("type"), "hidden");
    await page.evaluate(([row, car]) => {
      document.querySelector(`tr[id="${row}"] [name="carname_select"]`).value = car;
    }, [id, TRUCK]);
    await type(page, id, "Vendor", "Esso");
    const watch = answerMessages(app, () => "OK");
    const navbar = await frame(app.page, "main_navbar");
    await navbar.click("a.nav-home");
    await eventually(async () => (await title(app)) === "Home Page", "the home page");
    await eventually(() => home.query(`SELECT Vendor FROM FuelPurchases WHERE FuelPurchaseID = ${id}`) === "Esso", "the saved entry");
    watch.stop();
    assert.equal(home.query(`SELECT VehicleID FROM FuelPurchases WHERE FuelPurchaseID = ${id}`), DAILY);
    assert.equal(home.query(`SELECT COUNT(*) FROM OdometerValues WHERE VehicleID = '${TRUCK}'`), "0");
    assert.deepEqual(app.browserDialogs, []);
  });
});
