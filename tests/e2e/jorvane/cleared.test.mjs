// What the user clears is stored cleared: the vendor, memo, notes and odometer of stored register
// entries, and the texts of the preferences, empty in the database and on the page shown again.
import assert from "node:assert/strict";
import { after, before, describe, test } from "node:test";
import { eventually, frame, jorvaneHome, startJorvane } from "./harness.mjs";

const CAR = "{CAFE0000-0000-0000-0000-000000000003}";
// 46000 is 9 December 2025 in the database's day numbers.
const SEED = `INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('${CAR}', 'Daily', -1, 0, 0);
INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${CAR}', 45900, 10000), ('${CAR}', 46100, 14000);
INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost, Notes)
  VALUES ('${CAR}', 46000, 12000, 300, 'Shell', -1, 10.5, 3.199, 33.59, 'Receipt kept');
INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${CAR}', 46000, 12000);
INSERT INTO Expenses (VehicleID, ExpenseDate, Vendor, ExpenseMemo, CategoryID, Notes, Cost, Odometer)
  VALUES ('${CAR}', 46010, 'Acme Parking', 'Monthly pass', 3, 'Level 2', 45.5, 12100);
INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${CAR}', 46010, 12100);
INSERT INTO Services (VehicleID, ServiceDate, Vendor, ServiceMemo, Notes, Cost, Skipped, Odometer)
  VALUES ('${CAR}', 46020, 'Garage', 'Oil', 'Synthetic', 80, 0, 12200);
INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${CAR}', 46020, 12200);
UPDATE Prefs SET Internet = 1, UserName = 'Pat', Email = 'pat@example.com', MechanicName = 'Joe', MechanicPhone = '555 0100';`;

async function workspace(app) {
  return frame(app.page, "main_workspace");
}

async function openPage(app, link, title) {
  const nav = await frame(app.page, "main_navbar");
  await nav.click(link);
  await eventually(async () => (await (await workspace(app)).title().catch(() => "")) === title, title);
  const page = await workspace(app);
  await page.waitForSelector("#new");
  return page;
}

// Clears fields of the stored entry `id`: [name, in the bottom row] pairs, and the notes below the
// register; then saves it with Enter in its date.
async function clearEntry(page, id, fields) {
  const at = (name, bottom) => (bottom ? `tr[id="${id}"] + tr [name="${name}"]` : `tr[id="${id}"] [name="${name}"]`);
  await page.click(at("date"));
  await eventually(async () => (await page.inputValue("#details_notes")) !== "", "the entry's notes below");
  for (const [name, bottom] of fields) {
    await page.click(at(name, bottom));
    await page.fill(at(name, bottom), "");
    await page.press(at(name, bottom), "Tab");
  }
  await page.fill("#details_notes", "");
  await page.locator("#details_notes").dispatchEvent("change");
  await page.press(at("date"), "Enter");
}

describe("cleared fields", () => {
  let home;
  let app;
  before(async () => {
    home = jorvaneHome();
    home.seed(SEED);
    app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" } });
    app.page.on("dialog", (d) => d.accept());
  });
  after(async () => {
    await app.close();
    home.remove();
  });

  test("a fuel purchase's cleared vendor, notes and odometer are stored empty, its reading taken away", async () => {
    let page = await openPage(app, "a.nav-fuel", "Fuel Register");
    const id = home.query("SELECT FuelPurchaseID FROM FuelPurchases");
    await clearEntry(page, id, [["Vendor"], ["Odometer"]]);
    await eventually(() => home.query(`SELECT Vendor FROM FuelPurchases WHERE FuelPurchaseID = ${id}`) === "", "the saved entry");
    assert.equal(home.query(`SELECT quote(Vendor), quote(Notes), Odometer IS NULL FROM FuelPurchases WHERE FuelPurchaseID = ${id}`), "''|''|1");
    assert.equal(home.query("SELECT COUNT(*) FROM OdometerValues WHERE OdometerValue = 12000"), "0");
    // Shown again: empty.
    await (await frame(app.page, "main_navbar")).click("a.nav-home");
    await eventually(async () => (await (await workspace(app)).title()) === "Home Page", "the home page");
    page = await openPage(app, "a.nav-fuel", "Fuel Register");
    assert.equal(await page.inputValue(`tr[id="${id}"] [name="Vendor"]`), "");
    assert.equal(await page.inputValue(`tr[id="${id}"] [name="Odometer"]`), "");
    await page.click(`tr[id="${id}"] [name="date"]`);
    assert.equal(await page.inputValue("#details_notes"), "");
  });

  test("an expense's cleared vendor, memo, notes and odometer are stored empty, its reading taken away", async () => {
    let page = await openPage(app, "a.nav-expense", "Miscellaneous Expense Register");
    const id = home.query("SELECT ExpenseID FROM Expenses");
    await clearEntry(page, id, [["Vendor"], ["Memo", true], ["Odometer"]]);
    await eventually(() => home.query(`SELECT Vendor FROM Expenses WHERE ExpenseID = ${id}`) === "", "the saved entry");
    assert.equal(home.query(`SELECT quote(Vendor), quote(ExpenseMemo), quote(Notes), Odometer IS NULL FROM Expenses WHERE ExpenseID = ${id}`),
      "''|''|''|1");
    assert.equal(home.query("SELECT COUNT(*) FROM OdometerValues WHERE OdometerValue = 12100"), "0");
    await openPage(app, "a.nav-fuel", "Fuel Register");
    page = await openPage(app, "a.nav-expense", "Miscellaneous Expense Register");
    assert.equal(await page.inputValue(`tr[id="${id}"] [name="Vendor"]`), "");
    assert.equal(await page.inputValue(`tr[id="${id}"] + tr [name="Memo"]`), "");
    assert.equal(await page.inputValue(`tr[id="${id}"] [name="Odometer"]`), "");
  });

  test("a service's cleared vendor, memo, notes and odometer are stored empty, its reading taken away", async () => {
    let page = await openPage(app, "a.nav-service", "Service Register");
    const id = home.query("SELECT ServiceID FROM Services");
    await clearEntry(page, id, [["Vendor"], ["Memo", true], ["Odometer"]]);
    await eventually(() => home.query(`SELECT Vendor FROM Services WHERE ServiceID = ${id}`) === "", "the saved entry");
    assert.equal(home.query(`SELECT quote(Vendor), quote(ServiceMemo), quote(Notes), Odometer IS NULL FROM Services WHERE ServiceID = ${id}`),
      "''|''|''|1");
    assert.equal(home.query("SELECT COUNT(*) FROM OdometerValues WHERE OdometerValue = 12200"), "0");
    await openPage(app, "a.nav-fuel", "Fuel Register");
    page = await openPage(app, "a.nav-service", "Service Register");
    assert.equal(await page.inputValue(`tr[id="${id}"] [name="Vendor"]`), "");
    assert.equal(await page.inputValue(`tr[id="${id}"] + tr [name="Memo"]`), "");
    assert.equal(await page.inputValue(`tr[id="${id}"] [name="Odometer"]`), "");
  });

  test("the preferences' cleared name, e-mail and mechanic texts are stored empty; the inputs take no more than is stored", async () => {
    const ws = await workspace(app);
    await ws.evaluate(() => { location.href = "197"; });
    await eventually(async () => (await (await workspace(app)).title()) === "Preferences", "the preferences");
    let page = await workspace(app);
    assert.equal(await page.inputValue("#Email"), "pat@example.com");
    for (const id of ["UserName", "Email", "MechanicName", "MechanicPhone"]) await page.fill("#" + id, "");
    await page.click("#Save");
    await eventually(async () => (await page.locator("#Saved").innerText()) === "Your preferences were saved.", "saved");
    assert.equal(home.query("SELECT quote(UserName), quote(Email), quote(MechanicName), quote(MechanicPhone) FROM Prefs"), "''|''|''|''");
    await openPage(app, "a.nav-fuel", "Fuel Register");
    await (await workspace(app)).evaluate(() => { location.href = "197"; });
    await eventually(async () => (await (await workspace(app)).title()) === "Preferences", "the preferences again");
    page = await workspace(app);
    assert.equal(await page.inputValue("#Email"), "");
    assert.equal(await page.inputValue("#MechanicName"), "");
    // Each input holds what its column keeps.
    const lengths = await page.evaluate(() => Object.fromEntries(["UserName", "Email", "PostalCode", "MechanicName",
      "MechanicAddress1", "MechanicAddress2", "MechanicCity", "MechanicState", "MechanicZip", "MechanicPhone"]
      .map((id) => [id, document.getElementById(id).maxLength])));
    assert.deepEqual(lengths, { UserName: 50, Email: 60, PostalCode: 10, MechanicName: 50, MechanicAddress1: 50,
      MechanicAddress2: 50, MechanicCity: 50, MechanicState: 20, MechanicZip: 10, MechanicPhone: 20 });
  });
});
