// The registers as a user meets them: fuel purchases typed and saved with Enter, completed vendors,
// stored rows edited, undone and deleted; expenses filled from a vendor's last expense; services
// with their plan items; odometer readings; and the preferences' units on the registers.
import assert from "node:assert/strict";
import { after, before, describe, test } from "node:test";
import { eventually, frame, jorvaneHome, startJorvane } from "./harness.mjs";

const CAR = "{11111111-1111-1111-1111-111111111111}";
// 46000 is 9 December 2025 in the database's day numbers.
const SEED = `INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('${CAR}', 'Daily', -1, 0, 0);
INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost)
  VALUES ('${CAR}', 46000, 12000, 300, 'Shell', -1, 10.5, 3.199, 33.59);
INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${CAR}', 46000, 12000);
UPDATE Prefs SET Internet = 1;`;

// Opens a register from the navigation bar (or by address) and waits for its new entry.
async function openPage(app, link, title) {
  const nav = await frame(app.page, "main_navbar");
  await nav.click(link);
  await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === title, title);
  const page = await frame(app.page, "main_workspace");
  await page.waitForSelector("#new");
  return page;
}

// Types into a field of an entry ("new" or a row id) as a person would.
async function type(page, row, name, text, { top = true } = {}) {
  const selector = top ? `tr[id="${row}"] [name="${name}"]` : `tr[id="${row}"] + tr [name="${name}"]`;
  await page.click(selector);
  await page.fill(selector, "");
  await page.type(selector, text);
  await page.press(selector, "Tab");
}

describe("the registers", () => {
  let home;
  let app;
  const dialogs = [];
  before(async () => {
    home = jorvaneHome();
    home.seed(SEED);
    app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" } });
    app.page.on("console", (m) => { if (m.type() === "error") console.log("console:", m.text()); });
    app.page.on("dialog", (d) => {
      dialogs.push(d.message());
      d.accept();
    });
  });
  after(async () => {
    await app.close();
    home.remove();
  });

  test("a fuel purchase typed with Enter is stored as typed, with its reading", async () => {
    const page = await openPage(app, "a.nav-fuel", "Fuel Register");
    await type(page, "new", "Odometer", "12300");
    // The distance since the previous fill-up.
    await eventually(async () => (await page.inputValue('tr[id="new"] + tr [name="Distance"]')) === "300.0", "the distance");
    // The vendor completes to the stored one, the completed part selected.
    await page.click('tr[id="new"] [name="Vendor"]');
    await page.type('tr[id="new"] [name="Vendor"]', "sh");
    await eventually(async () => (await page.inputValue('tr[id="new"] [name="Vendor"]')) === "shell", "completion");
    const selected = await page.$eval('tr[id="new"] [name="Vendor"]', (i) => i.value.slice(i.selectionStart, i.selectionEnd));
    assert.equal(selected, "ell");
    await page.press('tr[id="new"] [name="Vendor"]', "Tab");
    assert.equal(await page.inputValue('tr[id="new"] [name="Vendor"]'), "Shell");
    await type(page, "new", "Volume", "10", { top: false });
    await type(page, "new", "Cost Per", "3.1");
    await eventually(async () => (await page.inputValue('tr[id="new"] [name="Total Cost"]')) === "31.00", "the total cost");
    await page.press('tr[id="new"] [name="Total Cost"]', "Enter");
    await eventually(() => home.query("SELECT COUNT(*) FROM FuelPurchases") === "2", "the saved purchase");
    assert.equal(home.query("SELECT Odometer, Distance, Vendor, Volume, CostPer, Cost, Fillup FROM FuelPurchases WHERE Odometer = 12300"),
      "12300.0|300.0|Shell|10.0|3.1|31.0|-1");
    assert.equal(home.query("SELECT COUNT(*) FROM OdometerValues WHERE OdometerValue = 12300"), "1");
    // The register was built again: the entry is a stored row, the new entry is blank.
    await eventually(async () => (await page.locator("tr.registerrowtop").count()) === 2, "the rebuilt register");
    assert.equal(await page.inputValue('tr[id="new"] [name="Odometer"]'), "Odometer");
    await app.page.screenshot({ path: process.env.JV_SHOTS ? process.env.JV_SHOTS + "/fuel.png" : "/dev/null" }).catch(() => {});
  });
});
