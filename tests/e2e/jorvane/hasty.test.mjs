// A hasty hand on a page with unsaved work: Back or Home clicked twice before the question about
// the work shows. One question per leaving, one save per entry, and the window's history stays
// whole; what a page script writes into the fields the program keeps to itself is not taken.
import assert from "node:assert/strict";
import { after, before, describe, test } from "node:test";
import { answerMessages, eventually, frame, jorvaneHome, openRegister, startJorvane, typeInEntry as type, windowDelivered } from "./harness.mjs";

const DAILY = "{CAFE0000-0000-0000-0000-00000000000A}";
const TRUCK = "{CAFE0000-0000-0000-0000-00000000000B}";
// Two cars: the registers open on All Cars, with a car cell in every entry.
const SEED = `INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('${DAILY}', 'Daily', -1, 0, 0);
INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('${TRUCK}', 'Truck', -1, 0, 0);
INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost)
  VALUES ('${DAILY}', 46000, 12000, 300, 'Shell', -1, 10.5, 3.199, 33.59);
INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${DAILY}', 46000, 12000);
UPDATE Prefs SET Internet = 1;`;
const QUESTION = "You made changes to the current entry. Press OK to save changes or Cancel to discard changes.";

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

// Lets the program go through what the clicks sent: the questions, the loads.
async function settle(app, watch) {
  await eventually(async () => (await app.page.locator("dialog.jv-dialog").count()) === 0, "no question left");
  const asked = watch.messages.length;
  // What the clicks sent has been handled by the time the program answers a call made after them.
  await windowDelivered(app, await frame(app.page, "main_navbar"));
  await eventually(async () => (await app.page.locator("dialog.jv-dialog").count()) === 0, "no question left");
  return asked === watch.messages.length;
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

  test("Back double-clicked with an entry typed, Cancel to the question: the history holds and links still lead to their pages", async () => {
    const page = await fuelRegister(app);
    await type(page, "new", "Vendor", "Costco");
    const watch = answerMessages(app, () => "Cancel");
    const navbar = await frame(app.page, "main_navbar");
    await navbar.dblclick("a.nav-back");
    await eventually(async () => (await title(app)) === "Home Page", "back on the home page");
    assert.ok(await settle(app, watch), "the clicks have been dealt with");
    // Nothing was stored, and the window still goes where its links lead, and back.
    assert.equal(home.query("SELECT COUNT(*) FROM FuelPurchases"), "1");
    await openRegister(app, "a.nav-fuel", "Fuel Register");
    await navbar.click("a.nav-back");
    await eventually(async () => (await title(app)) === "Home Page", "back again");
    await navbar.click("a.nav-forward");
    await eventually(async () => (await title(app)) === "Fuel Register", "forward again");
    watch.stop();
    assert.doesNotMatch(home.traceLog(), /was not used|_M_default_append/);
    assert.deepEqual(watch.messages, [QUESTION]);
  });

  test("the mouse's back button released over the question goes nowhere", async () => {
    const page = await fuelRegister(app);
    await type(page, "new", "Vendor", "Costco");
    const navbar = await frame(app.page, "main_navbar");
    await navbar.click("a.nav-back");
    const box = await eventually(async () => {
      for (const shown of app.page.frames())
        if (shown.name().startsWith("jv-dialog-") && (await shown.locator("#message").count())) return shown;
      return null;
    }, "the question");
    await box.waitForSelector("#ButtonCancel");
    await box.evaluate(() => document.body.dispatchEvent(new MouseEvent("mouseup", { button: 3, bubbles: true })));
    // A second question would be open by the time the program answers a call made after it.
    await windowDelivered(app, navbar);
    assert.equal(await app.page.locator("dialog.jv-dialog").count(), 1, "one question");
    await box.click("#ButtonCancel");
    await eventually(async () => (await title(app)) === "Home Page", "back on the home page");
    // A second step back would be on its way by the time the program answers a call made after.
    await windowDelivered(app, navbar);
    // Still on the home page: the history had one step back, no second one past it.
    assert.equal(await title(app), "Home Page");
    await navbar.click("a.nav-forward");
    await eventually(async () => (await title(app)) === "Fuel Register", "forward to the register");
  });

  test("Home double-clicked with a whole new entry typed, OK to the question: the entry is stored once", async () => {
    const page = await fuelRegister(app);
    await type(page, "new", "Odometer", "12300");
    await type(page, "new", "Vendor", "Costco");
    await type(page, "new", "Volume", "10", { top: false });
    await type(page, "new", "Cost Per", "3.1");
    await eventually(async () => (await page.inputValue('tr[id="new"] [name="Total Cost"]')) === "31.00", "the total cost");
    const watch = answerMessages(app, () => "OK");
    const navbar = await frame(app.page, "main_navbar");
    await navbar.dblclick("a.nav-home");
    await eventually(async () => (await title(app)) === "Home Page", "the home page");
    assert.ok(await settle(app, watch), "the clicks have been dealt with");
    watch.stop();
    assert.equal(home.query("SELECT COUNT(*) FROM FuelPurchases"), "2");
    assert.equal(home.query("SELECT Odometer, Vendor, Volume, Cost FROM FuelPurchases WHERE Vendor = 'Costco'"),
      "12300.0|Costco|10.0|31.0");
    assert.deepEqual(watch.messages, [QUESTION]);
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
