// Dates as a user types and keeps them: a stored entry edited keeps its date whatever its century,
// a two-digit year typed over a stored date means the year with those digits nearest the stored
// one and in a new entry the latest such year up to this one, a register open past midnight takes
// the new day, a car's purchase reading and its first current reading are dated as the car says,
// and the registers refuse dates after today and before 1900 with a message, storing nothing and
// keeping the typing. Every check reads the database.
import assert from "node:assert/strict";
import { describe, test } from "node:test";
import {
  answerMessages, closeAll, dialog, eventually, findDialog, frame, jorvaneHome, startJorvane, startJorvaneHeaded,
  typeInEntry as type, virtualDisplay,
} from "./harness.mjs";

const SHOTS = process.env.JV_SHOTS || "";
const CAR = "{DA7E0000-0000-0000-0000-000000000001}";
// A stored date as the database holds it (a day number) and back.
const day = (iso) => `(julianday('${iso}') - julianday('1899-12-30'))`;
const iso = (column) => `date(${column} + julianday('1899-12-30'))`;

const A_CAR = `INSERT INTO Vehicles (VehicleID, Name, Make, Model, StyleYear, Style, Custom, DrivingCondition, PurchaseOdometer, Sold, Selected)
  VALUES ('${CAR}', 'Daily', 'Ford', 'Model A', 1927, 'Tudor', -1, 'N', -1, 0, 0);
UPDATE Prefs SET Internet = 1;`;

// Each register: how it is reached, its table, date column and id, and what a new entry needs
// besides its date (typed before the date, which is typed last).
const REGISTERS = [
  { name: "fuel", page: "175", title: "Fuel Register", table: "FuelPurchases", date: "FuelPurchaseDate", id: "FuelPurchaseID",
    edit: ["Vendor", "Aral"], fill: [["Volume", "10", false], ["Total Cost", "31"]] },
  { name: "expense", page: "192", title: "Miscellaneous Expense Register", table: "Expenses", date: "ExpenseDate", id: "ExpenseID",
    edit: ["Vendor", "City Car Park"], fill: [["Cost", "12"]], category: "1" },
  { name: "service", page: "186", title: "Service Register", table: "Services", date: "ServiceDate", id: "ServiceID",
    edit: ["Vendor", "Bob's Garage"], fill: [["Odometer", "11500"], ["Vendor", "Quick Lube"], ["Cost", "40"]] },
  { name: "odometer", page: "215", title: "Odometer Register", table: "OdometerValues", date: "OdometerDate", id: "OdometerValueID",
    edit: ["odometer", "12346"], fill: [["odometer", "13000"]] },
];

async function openPage(app, register) {
  const workspace = await frame(app.page, "main_workspace");
  await workspace.evaluate((page) => { location.href = page; }, register.page);
  await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === register.title, register.title);
  const page = await frame(app.page, "main_workspace");
  await page.waitForSelector("#new");
  return page;
}

// Once the boxes the journey met are closed (the window takes clicks again).
async function boxesClosed(app) {
  await eventually(async () => (await app.page.locator("dialog.jv-dialog").count()) === 0, "the boxes closed");
}

async function leaveField(page, selector) {
  await page.press(selector, "Enter");
}

const LOCALES = ["en_US.UTF-8", "de_DE.UTF-8"];

for (const locale of LOCALES) describe(`dates with the clock in 2030 (${locale})`, () => {
  const env = { JV_NOW: "2030-01-10", LANG: locale, LC_ALL: locale };

  test("a stored entry edited in each register keeps its date, also of 2099 and 1900; \"1/5/30\" is 2030", async () => {
    const home = jorvaneHome();
    home.seed(A_CAR + `
INSERT INTO FuelPurchases (FuelPurchaseID, VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost)
  VALUES (1, '${CAR}', ${day("1900-01-01")}, 100, 0, 'Shell', -1, 10, 3, 30),
         (2, '${CAR}', ${day("2030-01-05")}, 12000, 300, 'Shell', -1, 10, 3, 30),
         (3, '${CAR}', ${day("2099-12-31")}, 90000, 300, 'Shell', -1, 10, 3, 30);
INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue)
  VALUES ('${CAR}', ${day("1900-01-01")}, 100), ('${CAR}', ${day("2030-01-05")}, 12000), ('${CAR}', ${day("2099-12-31")}, 90000),
         ('${CAR}', ${day("2030-01-05")}, 12345);
INSERT INTO Expenses (ExpenseID, VehicleID, ExpenseDate, Vendor, ExpenseMemo, CategoryID, Cost)
  VALUES (1, '${CAR}', ${day("2030-01-05")}, 'Acme Parking', 'Monthly pass', 3, 45.5);
INSERT INTO Services (ServiceID, VehicleID, ServiceDate, Odometer, Vendor, ServiceMemo, Cost, Skipped)
  VALUES (1, '${CAR}', ${day("2030-01-05")}, 11000, 'Joe', 'Oil', 100, 0);`);
    try {
      const app = await startJorvane(home, { env });
      const boxes = answerMessages(app);
      const entries = [
        ...[1, 2, 3].map((id) => ({ register: REGISTERS[0], id: String(id), vendor: ["Aral", "Esso", "Jet"][id - 1] })),
        { register: REGISTERS[1], id: "1" },
        { register: REGISTERS[2], id: "1" },
        { register: REGISTERS[3], id: home.query("SELECT OdometerValueID FROM OdometerValues WHERE OdometerValue = 12345") },
      ];
      for (const { register, id, vendor } of entries) {
        const page = await openPage(app, register);
        const where = `FROM ${register.table} WHERE ${register.id} = ${id}`;
        const before = home.query(`SELECT ${iso(register.date)} ${where}`);
        const [field, value] = register.edit;
        const text = vendor || value;
        assert.equal(await page.inputValue(`tr[id="${id}"] [name="date"]`), before.slice(5, 7) + "/" + before.slice(8) + "/" + before.slice(2, 4));
        await type(page, id, field, text);
        await leaveField(page, `tr[id="${id}"] [name="${field}"]`);
        const column = field === "odometer" ? "OdometerValue" : "Vendor";
        await eventually(() => home.query(`SELECT ${column} ${where}`).replace(/\.0$/, "") === text, `the ${register.name} entry ${id} saved`);
        assert.equal(home.query(`SELECT ${iso(register.date)} ${where}`), before, `the ${register.name} entry ${id} keeps its date`);
      }
      // The fuel purchases' readings keep their dates too: none moved by a century.
      // The readings keep their dates too (the service's own among them): none moved by a century.
      assert.equal(home.query(`SELECT group_concat(${iso("OdometerDate")} || ' ' || OdometerValue, ', ') FROM
        (SELECT OdometerDate, OdometerValue FROM OdometerValues ORDER BY OdometerDate, OdometerValue)`),
        "1900-01-01 100.0, 2030-01-05 11000.0, 2030-01-05 12000.0, 2030-01-05 12346.0, 2099-12-31 90000.0");

      // A new expense typed with a two-digit year of this year.
      const page = await openPage(app, REGISTERS[1]);
      await type(page, "new", "date", "1/5/30");
      await page.selectOption('tr[id="new"] [name="category"]', "1");
      await type(page, "new", "Cost", "12");
      await leaveField(page, 'tr[id="new"] [name="Cost"]');
      await eventually(() => home.query("SELECT COUNT(*) FROM Expenses") === "2", "the new expense");
      assert.equal(home.query(`SELECT ${iso("ExpenseDate")} FROM Expenses WHERE ExpenseID <> 1`), "2030-01-05");
      await closeAll(app, boxes, { quiet: true });
    } finally {
      home.remove();
    }
  });

  test("a day corrected in an entry of 1905, 1925 or 2030 keeps its century; a register open past midnight takes the new day", async () => {
    const home = jorvaneHome();
    home.seed(A_CAR + `
INSERT INTO FuelPurchases (FuelPurchaseID, VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost)
  VALUES (1, '${CAR}', ${day("1905-03-01")}, 100, 0, 'Shell', -1, 10, 3, 30),
         (2, '${CAR}', ${day("1925-03-01")}, 5000, 300, 'Shell', -1, 10, 3, 30),
         (3, '${CAR}', ${day("2030-01-05")}, 12000, 300, 'Shell', -1, 10, 3, 30);
INSERT INTO OdometerValues (OdometerValueID, VehicleID, OdometerDate, OdometerValue) VALUES (1, '${CAR}', ${day("1925-06-01")}, 5500);
INSERT INTO Expenses (ExpenseID, VehicleID, ExpenseDate, Vendor, ExpenseMemo, CategoryID, Cost)
  VALUES (1, '${CAR}', ${day("1925-06-01")}, 'Acme Parking', 'Monthly pass', 3, 45.5);
INSERT INTO Services (ServiceID, VehicleID, ServiceDate, Odometer, Vendor, ServiceMemo, Cost, Skipped)
  VALUES (1, '${CAR}', ${day("1905-06-01")}, 200, 'Joe', 'Oil', 100, 0);`);
    try {
      // The program's clock runs on from a quarter of a minute before midnight.
      const app = await startJorvane(home, { env: { ...env, JV_NOW: "2030-01-10T23:59:45" } });
      const boxes = answerMessages(app);
      const dateOf = (register, id) => home.query(`SELECT ${iso(register.date)} FROM ${register.table} WHERE ${register.id} = ${id}`);
      const page = await openPage(app, REGISTERS[0]);
      assert.equal(await page.inputValue('tr[id="new"] [name="date"]'), "01/10/30", "the register opened before midnight");
      for (const [id, typed, stored] of [["2", "03/02/25", "1925-03-02"], ["1", "03/02/05", "1905-03-02"], ["3", "01/06/30", "2030-01-06"]]) {
        await typeAndEnter(page, id, "date", typed);
        await eventually(() => dateOf(REGISTERS[0], id) === stored, `fuel entry ${id} dated ${stored}`);
      }
      // Past the program's midnight the register that stayed open takes the new day.
      await eventually(async () => (await page.evaluate(() => JSON.stringify(ProgramToday()))) === JSON.stringify({ year: 2030, month: 1, day: 11 }),
        "the register's today the 11th", 40000);
      await typeNewEntry(page, REGISTERS[0], "01/11/30");
      await eventually(() => home.query("SELECT COUNT(*) FROM FuelPurchases") === "4", "the fill-up of the new day saved");
      assert.equal(home.query(`SELECT ${iso("FuelPurchaseDate")} FROM FuelPurchases WHERE FuelPurchaseID > 3`), "2030-01-11");
      // The other registers: an expense and a reading of 1925, a service of 1905.
      for (const [register, id, typed, stored] of [[REGISTERS[1], "1", "06/02/25", "1925-06-02"], [REGISTERS[2], "1", "06/02/05", "1905-06-02"],
        [REGISTERS[3], "1", "06/02/25", "1925-06-02"]]) {
        const other = await openPage(app, register);
        await typeAndEnter(other, id, "date", typed);
        await eventually(() => dateOf(register, id) === stored, `the ${register.name} entry dated ${stored}`);
      }
      await closeAll(app, boxes, { quiet: true });
    } finally {
      home.remove();
    }
  });

  test("a car bought in 1928 has its purchase reading in 1928; a car added in 2030 has its current reading in 2030", async () => {
    const home = jorvaneHome();
    home.seed(A_CAR);
    try {
      const app = await startJorvane(home, { env });
      const workspace = async () => frame(app.page, "main_workspace");
      const saved = async () => {
        const box = await findDialog(app, /Jorvane has saved your changes/, "the saved message");
        await box.click("#ButtonOK");
        await eventually(async () => (await (await workspace()).title()) === "Home Page", "the home page");
      };
      const purchase = async (date, odometer) => {
        await (await workspace()).evaluate((q) => { location.href = "177" + q; }, "?" + CAR);
        await eventually(async () => (await (await workspace()).title()) === "Vehicle Information Page", "the vehicle page");
        const page = await workspace();
        await page.waitForFunction(() => window.external);
        await page.click("#ShowOptionalTabs");
        await page.click("#TabPurchaseInfo");
        for (const [id, text] of [["CarPurchaseDate", date], ["CarInitialOdometer", odometer]]) {
          await page.click("#" + id);
          await page.fill("#" + id, "");
          await page.type("#" + id, text);
          await page.press("#" + id, "Tab");
        }
        await page.click("#SaveVehicle");
        await saved();
      };
      const readings = (vehicleId) => home.query(
        `SELECT group_concat(${iso("OdometerDate")} || ' ' || OdometerValue, ', ') FROM OdometerValues WHERE VehicleID = '${vehicleId}'`);

      await purchase("3/15/1928", "100");
      assert.equal(readings(CAR), "1928-03-15 100.0");
      // Changed purchase details take the reading with them: none is left behind.
      await purchase("3/15/1928", "150");
      assert.equal(readings(CAR), "1928-03-15 150.0");

      // A new car, typed in by hand, with its current odometer.
      await app.page.locator("#jv-menubar .jv-menu > button", { hasText: "Go To" }).click();
      await app.page.locator("#jv-menubar .jv-open li button", { hasText: "Add A Car For Advanced Users" }).click();
      const consent = await findDialog(app, /Will you allow Jorvane to connect/, "the consent question");
      await consent.click("#ButtonCancel");
      await eventually(async () => (await (await workspace()).title()) === "Vehicle Information Page", "the new car's page");
      const page = await workspace();
      await eventually(() => page.locator("#CustomCarMake").isVisible(), "the custom inputs");
      for (const [id, text] of [["CustomCarMake", "Toyota"], ["CustomCarYear", "2020"], ["CustomCarModel", "Corolla"],
        ["CustomCarStyle", "LE"], ["CarCurrentOdometer", "5000"]]) {
        await page.click("#" + id);
        await page.type("#" + id, text);
        await page.press("#" + id, "Tab");
      }
      await page.locator("input[name=CarDriving][value='N']").check();
      await eventually(() => page.locator("#DownloadPlan").isEnabled(), "the download button");
      await page.click("#DownloadPlan");
      const generic = await findDialog(app, /built one based on industry standards/, "the generic plan's message");
      await generic.click("#ButtonOK");
      await page.click("#SaveVehicle");
      const name = await dialog(app.page);
      await name.click("#CarName");
      await name.type("#CarName", "Second");
      await name.click("#ButtonOK");
      const another = await findDialog(app, /Would you like to add another car/, "the add-another question");
      await another.click("#ButtonCancel");
      const notice = await findDialog(app, /automatically create one or more entries/, "the new car's notice");
      await notice.click("#ButtonOK");
      await eventually(async () => (await (await workspace()).title()) === "Home Page", "the home page");
      const second = home.query("SELECT VehicleID FROM Vehicles WHERE Name = 'Second'");
      assert.equal(readings(second), "2030-01-10 5000.0");
      assert.deepEqual(app.browserDialogs, []);
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });
});

// With today 12/09/2026 the registers refuse these dates, each with its message.
const AFTER_TODAY = "Please enter a date that is not after today.";
const REFUSED = [
  ["12/25/2026", AFTER_TODAY],
  ["12/31/2099", AFTER_TODAY],
  ["12/31/1899", "Please enter a date in 1900 or later."],
];

// Types `text` over a field of an entry and presses Enter in it, as a person saves an entry.
async function typeAndEnter(page, row, name, text) {
  const selector = `tr[id="${row}"] [name="${name}"]`;
  await page.click(selector);
  await page.fill(selector, "");
  await page.type(selector, text);
  await page.press(selector, "Enter");
}

// Types a new entry of `register` with `date`, typed last, and saves it with Enter in the date
// (with `save`; without, the date is left with Tab).
async function typeNewEntry(page, register, date, { save = true } = {}) {
  if (register.category) await page.selectOption('tr[id="new"] [name="category"]', register.category);
  for (const [field, text, top = true] of register.fill) await type(page, "new", field, text, { top });
  if (save) await typeAndEnter(page, "new", "date", date);
  else await type(page, "new", "date", date);
}

for (const locale of LOCALES) {
  describe(`dates refused by the registers (${locale})`, () => {
    test("after today or before 1900: a message, nothing stored, the typing kept", async () => {
      const home = jorvaneHome();
      home.seed(A_CAR + `
INSERT INTO FuelPurchases (FuelPurchaseID, VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost)
  VALUES (1, '${CAR}', ${day("2026-12-01")}, 12000, 300, 'Shell', -1, 10, 3, 30);
INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${CAR}', ${day("2026-12-01")}, 12000);`);
      try {
        const app = await startJorvane(home, { env: { JV_NOW: "2026-12-09", LANG: locale, LC_ALL: locale } });
        const boxes = answerMessages(app);
        const stored = (register) => home.query(`SELECT COUNT(*) || ' ' || ifnull(max(${register.date}), '') FROM ${register.table}`);
        for (const register of REGISTERS) {
          const page = await openPage(app, register);
          const before = stored(register);
          const first = boxes.messages.length;
          for (const [date, message] of REFUSED) {
            const seen = boxes.messages.length;
            await typeNewEntry(page, register, date);
            await eventually(() => boxes.messages.slice(seen).includes(message), `${register.name}: ${date} refused`);
            await boxesClosed(app);
            assert.equal(stored(register), before, `${register.name}: nothing stored for ${date}`);
            assert.equal(await page.inputValue('tr[id="new"] [name="date"]'), date, `${register.name}: the date typed is kept`);
          }
          // The new entry put back as it was, so the next page asks nothing.
          await page.click('tr[id="new"] [name="date"]', { button: "right" });
          await page.click("#MenuRegister >> text=Undo Changes");
          await eventually(async () => (await page.inputValue('tr[id="new"] [name="date"]')) === "12/09/26", "the new entry put back");
          // One message for each refusal, the one about the date.
          assert.deepEqual(boxes.messages.slice(first), REFUSED.map(([, message]) => message), register.name);
        }
        // A stored purchase whose date is typed over with a date after today keeps its date.
        let page = await openPage(app, REGISTERS[0]);
        const seen = boxes.messages.length;
        await typeAndEnter(page, "1", "date", "12/25/26");
        await eventually(() => boxes.messages.slice(seen).includes(AFTER_TODAY), "the stored purchase's new date refused");
        await boxesClosed(app);
        assert.equal(home.query(`SELECT ${iso("FuelPurchaseDate")} FROM FuelPurchases`), "2026-12-01");
        assert.equal(await page.inputValue('tr[id="1"] [name="date"]'), "12/25/26");
        await page.click('tr[id="1"] [name="date"]', { button: "right" });
        await page.click("#MenuRegister >> text=Undo Changes");
        await eventually(async () => (await page.inputValue('tr[id="1"] [name="date"]')) === "12/01/26", "the purchase put back");
        // Typed and left unsaved as the program is told to end: not stored either, and the trace
        // log says why.
        page = await openPage(app, REGISTERS[1]);
        const shown = boxes.messages.length;
        await typeNewEntry(page, REGISTERS[1], "12/31/2099", { save: false });
        await eventually(() => boxes.messages.slice(shown).includes(AFTER_TODAY), "the message on leaving the date");
        boxes.stop();
        assert.deepEqual(app.browserDialogs, []);
        await app.kill();
        assert.match(home.traceLog(), /could not be saved as the program ended: The date "12\/31\/2099" is after today\.$/m);
        assert.equal(home.query("SELECT COUNT(*) FROM Expenses"), "0");
      } finally {
        home.remove();
      }
    });
  });
}

// The refusal as it shows in the program's own window, at two window sizes (screenshots in
// JV_SHOTS, looked at by a person).
describe("the refusal in the program's window", () => {
  for (const [width, height] of [[1400, 900], [1050, 880]]) {
    test(`at ${width}x${height}`, { timeout: 90000 }, async (t) => {
      const display = await virtualDisplay(width, height);
      if (!display) {
        t.skip("no Xvfb to show a headed window on");
        return;
      }
      const home = jorvaneHome();
      home.seed(A_CAR);
      home.writeSettings({ WindowPos: `0,1,-1,-1,-1,-1,0,0,${width},${height}` });
      try {
        const app = await startJorvaneHeaded(home, display, { env: { JV_NOW: "2026-12-09" } });
        const page = await openPage(app, REGISTERS[0]);
        await type(page, "new", "Volume", "10", { top: false });
        await type(page, "new", "Total Cost", "31");
        await typeAndEnter(page, "new", "date", "12/25/2026");
        const box = await findDialog(app, /not after today/, "the refusal");
        if (SHOTS) await app.page.screenshot({ path: `${SHOTS}/${width}x${height}-date-refused.png` });
        await box.click("#ButtonOK");
        // Any other box about it is answered too; nothing is stored.
        const rest = answerMessages(app);
        await boxesClosed(app);
        rest.stop();
        assert.equal(home.query("SELECT COUNT(*) FROM FuelPurchases"), "0");
        assert.equal(await page.inputValue('tr[id="new"] [name="date"]'), "12/25/2026");
        await app.kill();
      } finally {
        home.remove();
        await display.close();
      }
    });
  }
});
