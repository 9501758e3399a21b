// The registers as a user meets them: fuel purchases typed and saved with Enter, completed vendors,
// stored rows edited, undone and deleted; expenses filled from a vendor's last expense; services
// with their plan items; odometer readings; and the preferences' units on the registers.
import assert from "node:assert/strict";
import { after, before, describe, test } from "node:test";
import { answerMessages, closeAll, dialog, eventually, frame, jorvaneHome, openRegister, startJorvane, typeInEntry as type } from "./harness.mjs";

const CAR = "{11111111-1111-1111-1111-111111111111}";
// 46000 is 9 December 2025 in the database's day numbers.
const SEED = `INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('${CAR}', 'Daily', -1, 0, 0);
INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost)
  VALUES ('${CAR}', 46000, 12000, 300, 'Shell', -1, 10.5, 3.199, 33.59);
INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${CAR}', 46000, 12000);
INSERT INTO Expenses (VehicleID, ExpenseDate, Vendor, ExpenseMemo, CategoryID, Notes, Cost, Odometer)
  VALUES ('${CAR}', 45990, 'Acme Parking', 'Monthly pass', 3, 'Level 2', 45.5, NULL);
UPDATE Vehicles SET MaintenancePlanID = 77 WHERE VehicleID = '${CAR}';
INSERT INTO MaintenancePlanItems (MaintenancePlanItemID, MaintenancePlanID, INITIAL_MILEAGE, INITIAL_MONTH,
  INTERVAL_MILEAGE, INTERVAL_MONTH, Action_Description, Item_Description)
  VALUES (501, 77, 90000, 96, 90000, 96, 'Replace', 'Timing belt');
UPDATE Prefs SET Internet = 1;`;

// Accepts the program's message box, giving its text.
async function acceptMessage(app) {
  const box = await dialog(app.page);
  const text = await box.locator("#message").innerText();
  await box.click("#ButtonOK");
  await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });
  return text;
}

async function shot(app, name) {
  if (process.env.JV_SHOTS) await app.page.screenshot({ path: `${process.env.JV_SHOTS}/${name}.png` });
}

const openPage = openRegister;

describe("the registers", () => {
  let home;
  let app;
  let boxes;
  before(async () => {
    home = jorvaneHome();
    home.seed(SEED);
    app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" } });
    app.page.on("console", (m) => { if (m.type() === "error") console.log("console:", m.text()); });
    // The pages' messages and questions are answered OK; those of the program that the tests read
    // are left to them.
    const read = /estimate of|already recorded|Please enter an odometer value|You made changes to the current entry|does not convert them/;
    boxes = answerMessages(app, (text) => (read.test(text) ? undefined : "OK"));
  });
  after(() => closeAll(app, boxes, { home }));

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
    await shot(app, "fuel");
  });

  test("a stored purchase is edited in place, put back, and deleted; one without odometer records no reading", async () => {
    const page = await frame(app.page, "main_workspace");
    const id = home.query("SELECT FuelPurchaseID FROM FuelPurchases WHERE Odometer = 12300");
    await type(page, id, "Total Cost", "32.5");
    // The price follows the changed cost (32.50 / 10 is more than 1 % off 3.10).
    await eventually(async () => (await page.inputValue(`tr[id="${id}"] [name="Cost Per"]`)) === "3.250", "the price");
    await page.press(`tr[id="${id}"] [name="Total Cost"]`, "Enter");
    await eventually(() => home.query(`SELECT Cost, CostPer FROM FuelPurchases WHERE FuelPurchaseID = ${id}`) === "32.5|3.25",
      "the updated purchase");
    // Undo puts the stored values back.
    await type(page, id, "Vendor", "Costco");
    await page.click(`tr[id="${id}"] [name="Vendor"]`, { button: "right" });
    await page.click("#MenuRegister >> text=Undo Changes");
    await eventually(async () => (await page.inputValue(`tr[id="${id}"] [name="Vendor"]`)) === "Shell", "undo");
    // An emptied amount is stored as emptied, not kept.
    await page.fill(`tr[id="${id}"] + tr [name="Distance"]`, "");
    await page.evaluate(() => OnChange());
    await page.press(`tr[id="${id}"] + tr [name="Distance"]`, "Enter");
    await eventually(() => home.query(`SELECT Distance FROM FuelPurchases WHERE FuelPurchaseID = ${id}`) === "0.0",
      "the emptied distance");
    // Delete with its confirmation (Ctrl+D): the reading goes with the row.
    await page.click(`tr[id="${id}"] [name="date"]`);
    await app.page.keyboard.press("Control+d");
    await eventually(() => home.query(`SELECT COUNT(*) FROM FuelPurchases WHERE FuelPurchaseID = ${id}`) === "0", "the delete");
    assert.ok(boxes.messages.includes("Delete the current row?"));
    assert.equal(home.query("SELECT COUNT(*) FROM OdometerValues WHERE OdometerValue = 12300"), "0");
    // A purchase without an odometer stores none and records no reading.
    const readings = home.query("SELECT COUNT(*) FROM OdometerValues");
    await type(page, "new", "Volume", "5", { top: false });
    await type(page, "new", "Total Cost", "16");
    await page.press('tr[id="new"] [name="Total Cost"]', "Enter");
    await eventually(() => home.query("SELECT COUNT(*) FROM FuelPurchases") === "2", "the purchase without odometer");
    assert.equal(home.query("SELECT Odometer IS NULL, Volume, Cost, CostPer FROM FuelPurchases WHERE Cost = 16"), "1|5.0|16.0|3.2");
    assert.equal(home.query("SELECT COUNT(*) FROM OdometerValues"), readings);
    // An entry typed and not saved is asked about when the user leaves the page (the next test leaves).
    await type(page, "new", "Odometer", "12400");
  });

  test("an expense by a known vendor is filled from the vendor's last one and saved without odometer", async () => {
    // OK to the question saves the entry left behind.
    let question = "";
    const page = await openPage(app, "a.nav-expense", "Miscellaneous Expense Register", async () => {
      question = await acceptMessage(app);
    });
    assert.equal(question, "You made changes to the current entry. Press OK to save changes or Cancel to discard changes.");
    await eventually(() => home.query("SELECT COUNT(*) FROM FuelPurchases WHERE Odometer = 12400") === "1",
      "the fuel entry saved on leaving its page");
    await page.click('tr[id="new"] [name="Vendor"]');
    await page.type('tr[id="new"] [name="Vendor"]', "acm");
    await eventually(async () => (await page.inputValue('tr[id="new"] [name="Vendor"]')) === "acme Parking", "completion");
    await page.press('tr[id="new"] [name="Vendor"]', "Tab");
    await eventually(async () => (await page.inputValue('tr[id="new"] [name="Cost"]')) === "45.50", "the cost filled in");
    assert.equal(await page.inputValue('tr[id="new"] [name="category"]'), "3");
    assert.equal(await page.inputValue('tr[id="new"] + tr [name="Memo"]'), "Monthly pass");
    assert.equal(await page.inputValue("#details_notes"), "Level 2");
    await page.press('tr[id="new"] [name="Cost"]', "Enter");
    await eventually(() => home.query("SELECT COUNT(*) FROM Expenses") === "2", "the saved expense");
    assert.equal(home.query("SELECT Vendor, ExpenseMemo, CategoryID, Notes, Cost, Odometer IS NULL FROM Expenses ORDER BY ExpenseID DESC LIMIT 1"),
      "Acme Parking|Monthly pass|3|Level 2|45.5|1");
    // An older expense goes where the register orders it, among the rows already shown.
    await type(page, "new", "date", "01/02/25");
    await page.selectOption('tr[id="new"] [name="category"]', "1");
    await type(page, "new", "Cost", "300");
    await page.press('tr[id="new"] [name="Cost"]', "Enter");
    await eventually(() => home.query("SELECT COUNT(*) FROM Expenses") === "3", "the older expense");
    const order = home.query("SELECT ExpenseID FROM Expenses ORDER BY ExpenseDate, Odometer").split("\n");
    await eventually(async () => JSON.stringify(await page.$$eval("tr.registerrowtop", (rows) => rows.map((r) => r.id))) ===
      JSON.stringify(order), "the register in date order");
    await shot(app, "expenses");
  });

  test("a service with an empty odometer is saved with the estimate offered, with its plan item", async () => {
    const page = await openPage(app, "a.nav-service", "Service Register");
    // The plan item is listed as due (a box to tick) or offered among the others, as the car's
    // readings make it.
    await eventually(async () => (await page.locator('select[name="AdditionalService"] option[value="501"]').count()) +
      (await page.locator('input[name="Item_501"]').count()) === 1, "the plan item");
    if (await page.locator('input[name="Item_501"]').count()) await page.check('input[name="Item_501"]');
    else await page.selectOption('select[name="AdditionalService"]', "501");
    await eventually(async () => (await page.locator('input[name="Item_501"]').isChecked()), "the item ticked");
    await type(page, "new", "Vendor", "Joe's \"Garage\"");
    await type(page, "new", "Cost", "250");
    await page.fill("#details_parts", "200");
    await page.fill("#details_labor", "50");
    await page.press("#details_labor", "Tab");
    await page.click('tr[id="new"] + tr [name="Submit"]');
    const estimate = /estimate of ([\d.]+)\./.exec(await acceptMessage(app))[1];
    await eventually(() => home.query("SELECT COUNT(*) FROM Services") === "1", "the saved service");
    assert.equal(home.query("SELECT Vendor, Odometer, Cost, Parts, Labor FROM Services"),
      `Joe's "Garage"|${Number(estimate).toFixed(1)}|250.0|200.0|50.0`);
    assert.equal(home.query("SELECT MaintenancePlanItemID FROM ServiceItems"), "501");
    await shot(app, "services");
  });

  test("odometer readings: one added, a duplicate refused with its message, an empty one refused, one deleted", async () => {
    const workspace = await frame(app.page, "main_workspace");
    await workspace.evaluate(() => { location.href = "215"; });
    await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === "Odometer Register", "the odometer page");
    const page = await frame(app.page, "main_workspace");
    await page.waitForSelector("#new");
    await type(page, "new", "odometer", "12500");
    await page.press('tr[id="new"] [name="odometer"]', "Enter");
    await eventually(() => home.query("SELECT COUNT(*) FROM OdometerValues WHERE OdometerValue = 12500") === "1", "the reading");
    await type(page, "new", "odometer", "12500");
    await page.press('tr[id="new"] [name="odometer"]', "Enter");
    assert.match(await acceptMessage(app), /12500\.0 is already recorded for this car/);
    // What was typed stays.
    assert.equal(await page.inputValue('tr[id="new"] [name="odometer"]'), "12500.0");
    await page.fill('tr[id="new"] [name="odometer"]', "");
    await page.press('tr[id="new"] [name="odometer"]', "Enter");
    assert.match(await acceptMessage(app), /Please enter an odometer value/);
    await type(page, "new", "odometer", "12600");
    await page.press('tr[id="new"] [name="odometer"]', "Enter");
    await eventually(() => home.query("SELECT COUNT(*) FROM OdometerValues WHERE OdometerValue = 12600") === "1", "the next reading");
    await shot(app, "odometer");
    const id = home.query("SELECT OdometerValueID FROM OdometerValues WHERE OdometerValue = 12500");
    await page.click(`tr[id="${id}"] [name="date"]`);
    await app.page.keyboard.press("Control+d");
    await eventually(() => home.query("SELECT COUNT(*) FROM OdometerValues WHERE OdometerValue = 12500") === "0", "the delete");
  });

  test("preferences saved in kilometres and litres show on the registers' headings", async () => {
    const workspace = await frame(app.page, "main_workspace");
    await workspace.evaluate(() => { location.href = "197"; });
    await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === "Preferences", "the preferences");
    const page = await frame(app.page, "main_workspace");
    await page.check('input[name="Volume"][value="1"]');
    await page.check('input[name="Distance"][value="1"]');
    await page.fill("#MechanicName", "Joe");
    await page.click("#Save");
    // The database holds readings typed in miles and gallons: the change is asked about first, and
    // Cancel keeps the units.
    const ask = await dialog(app.page);
    assert.match(await ask.locator("#message").innerText(), /does not convert them: a reading of 21,400 miles will read as 21,400 kilometres/);
    await ask.click("#ButtonCancel");
    await eventually(async () => page.isChecked('input[name="Distance"][value="0"]'), "the units as stored");
    assert.equal(home.query("SELECT VolumeUnit, DistanceUnit FROM Prefs"), "0|0");
    await page.check('input[name="Volume"][value="1"]');
    await page.check('input[name="Distance"][value="1"]');
    await page.fill("#MechanicName", "Joe");
    await page.click("#Save");
    assert.match(await acceptMessage(app), /a reading of 21,400 miles will read as 21,400 kilometres/);
    await eventually(() => home.query("SELECT VolumeUnit, DistanceUnit, MechanicName, Internet FROM Prefs") === "1|1|Joe|1",
      "the saved preferences");
    await shot(app, "preferences");
    const fuel = await openPage(app, "a.nav-fuel", "Fuel Register");
    assert.match(await fuel.locator("#RegisterHeadingRow").innerText(), /Cost Per Litre/);
  });

  test("the fuel register prints its purchases with the screen's number formats", async () => {
    await app.context.addInitScript(() => {
      window.print = () => {
        window.top.jvPrinted = (window.top.jvPrinted || []).concat([document.body.innerHTML]);
      };
    });
    const nav = await frame(app.page, "main_navbar");
    await nav.click("a.nav-print");
    const printed = await eventually(() => app.page.evaluate(() => window.jvPrinted), "a print");
    assert.match(printed[0], /Fuel History for Daily/);
    assert.match(printed[0], /Cost Per Litre/);
    // Volumes with two decimals, unit prices with three, as the register shows them.
    assert.match(printed[0], />10\.50</);
    assert.match(printed[0], />3\.199</);
    assert.match(printed[0], />Shell</);
  });

  test("File > Print of the service register prints every stored service, with its items, text as typed", async () => {
    home.query(`INSERT INTO Services (VehicleID, ServiceDate, Odometer, Vendor, ServiceMemo, Notes, Cost, Skipped)
      VALUES ('${CAR}', 45900, 11000, 'Bob''s <b>Garage</b> & "Sons"', 'Brakes', 'Front & rear', 210, 0);
      INSERT INTO ServiceItems (ServiceID, MaintenancePlanItemID) VALUES (last_insert_rowid(), 501);`);
    await openPage(app, "a.nav-service", "Service Register");
    const count = (await app.page.evaluate(() => window.jvPrinted)).length;
    await app.page.locator("#jv-menubar .jv-menu > button", { hasText: "File" }).click();
    await app.page.locator("#jv-menubar .jv-open li button", { hasText: /^Print\.\.\./ }).click();
    const printed = await eventually(async () => {
      const all = await app.page.evaluate(() => window.jvPrinted);
      return all.length > count && all[count];
    }, "the printout");
    assert.match(printed, /<h2>Service History for Daily<\/h2>/);
    // One row per stored service, below the headings.
    const rows = printed.split("<tr>").length - 1;
    assert.equal(rows, 1 + Number(home.query("SELECT COUNT(*) FROM Services WHERE Skipped = 0")));
    assert.match(printed, /<td valign="top">Bob's &lt;b&gt;Garage&lt;\/b&gt; &amp; "Sons"<\/td>/);
    assert.match(printed, /Brakes<br>Front &amp; rear/);
    assert.match(printed, /Timing belt/);
  });
});
