// The car dialogs and printing in the real program: deleting a car, recording its sale, and a
// print request that yields one print of the page's fragment.
import assert from "node:assert/strict";
import { describe, test } from "node:test";
import { answerMessages, dialog, eventually, frame, jorvaneHome, openRegister, startJorvane, typeInEntry } from "./harness.mjs";

const ID = "{CCCCCCCC-0000-0000-0000-000000000001}";
const OTHER = "{CCCCCCCC-0000-0000-0000-000000000002}";
const CARS =
  `INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('${ID}', 'Van', -1, 0, 0);` +
  `INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('${OTHER}', 'Truck', -1, 0, 0);` +
  `INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${ID}', '2026-01-02', 1000);` +
  `INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${OTHER}', '2026-01-02', 2000);` +
  "UPDATE Prefs SET Internet = 1;";

// Calls a script method of the program from the workspace without waiting for it (it shows a
// modal dialog and returns when that closes).
async function call(app, method, ...args) {
  const workspace = await frame(app.page, "main_workspace");
  await workspace.evaluate(([name, values]) => { window.external[name](...values); }, [method, args]);
}

describe("the car dialogs", () => {
  test("Delete Car: Cancel keeps the car, Yes removes it with all its rows", { timeout: 60000 }, async () => {
    const home = jorvaneHome();
    home.seed(CARS);
    try {
      const app = await startJorvane(home);
      await call(app, "OpenDeleteCarDlg", ID);
      let question = await dialog(app.page);
      assert.match(await question.locator("body").innerText(), /permanently delete this vehicle/);
      await question.click("#ButtonCancel");
      await eventually(async () => (await app.page.locator("dialog.jv-dialog").count()) === 0, "the dialog closed");
      assert.equal(home.query("SELECT COUNT(*) FROM Vehicles"), "2");

      await call(app, "OpenDeleteCarDlg", ID);
      question = await dialog(app.page);
      await question.click("#ButtonOK");
      await eventually(() => home.query(`SELECT COUNT(*) FROM Vehicles WHERE VehicleID='${ID}'`) === "0", "the car deleted");
      assert.equal(home.query(`SELECT COUNT(*) FROM OdometerValues WHERE VehicleID='${ID}'`), "0");
      assert.equal(home.query("SELECT COUNT(*) FROM OdometerValues"), "1", "the other car's rows stay");
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });

  test("Delete Car answered Cancel leaves a register's typed entry as it was", { timeout: 60000 }, async () => {
    const home = jorvaneHome();
    home.seed(CARS);
    try {
      const app = await startJorvane(home);
      const page = await openRegister(app, "a.nav-expense", "Miscellaneous Expense Register");
      await typeInEntry(page, "new", "Vendor", "Acme Parking");
      await typeInEntry(page, "new", "Cost", "12");
      await eventually(async () => (await page.locator("#DirtyFlag").innerText()) === "true", "the entry marked changed");
      await call(app, "OpenDeleteCarDlg", ID);
      await (await dialog(app.page)).click("#ButtonCancel");
      await eventually(async () => (await app.page.locator("dialog.jv-dialog").count()) === 0, "the dialog closed");
      await new Promise((resolve) => setTimeout(resolve, 500));
      assert.equal(await page.inputValue('tr[id="new"] [name="Vendor"]'), "Acme Parking");
      assert.equal(await page.inputValue('tr[id="new"] [name="Cost"]'), "12.00");
      assert.equal(await page.locator("#DirtyFlag").innerText(), "true");
      assert.equal(home.query("SELECT COUNT(*) FROM Vehicles"), "2");
      await app.kill({ check: false });
    } finally {
      home.remove();
    }
  });

  test("Sell Car: empty or malformed values are explained and nothing is stored; good ones are", { timeout: 60000 }, async () => {
    const home = jorvaneHome();
    home.seed(CARS);
    try {
      const app = await startJorvane(home);
      const boxes = answerMessages(app);  // the page's own date check
      // Reached from the deletion question's link.
      await call(app, "OpenDeleteCarDlg", ID);
      await (await dialog(app.page)).click("#SellLink");
      const sale = await eventually(async () => {
        const shown = await dialog(app.page);
        return (await shown.title()) === "Details of Vehicle Sale" ? shown : null;
      }, "the sale dialog");
      await sale.click("#ButtonOK");
      await eventually(async () => (await sale.locator("#message").innerHTML()) ===
        "Please enter a value for Selling Date.<br>Please enter a value for Selling Price.", "both messages");
      // (The date last: leaving it shows the page's own message box, which takes the focus.)
      await sale.fill("#SoldPrice", "1x5");
      await sale.fill("#SoldDate", "02/30/26");
      await sale.click("#ButtonOK");
      await eventually(async () => /valid date.*number for Selling Price/s.test(await sale.locator("#message").innerHTML()),
        "the malformed values refused");
      assert.equal(home.query("SELECT COUNT(*) FROM Vehicles WHERE Sold <> 0"), "0");
      await sale.fill("#SoldDate", "03/15/26");
      await sale.fill("#SoldPrice", "4500.50");
      await sale.fill("#SoldVendor", "A neighbour");
      await sale.click("#ButtonOK");
      await eventually(() => home.query(`SELECT Sold <> 0, SoldPrice, SoldVendor FROM Vehicles WHERE VehicleID='${ID}'`) ===
        "1|4500.5|A neighbour", "the sale stored");
      assert.equal(home.query(`SELECT SoldDate FROM Vehicles WHERE VehicleID='${ID}'`), "46096.0", "15 March 2026");
      assert.equal(home.query(`SELECT COUNT(*) FROM Vehicles WHERE VehicleID='${ID}'`), "1", "a sold car is kept");
      boxes.stop();
      assert.deepEqual(boxes.messages, ["Please enter a valid date (month/day/year)."]);
      assert.deepEqual(app.browserDialogs, []);
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });

  test("a print request prints once a page holding only the fragment and the print style sheets", { timeout: 60000 }, async () => {
    const home = jorvaneHome();
    home.seed(CARS);
    try {
      const app = await startJorvane(home);
      // Every frame's print() is recorded instead of printing.
      await app.context.addInitScript(() => {
        window.print = () => {
          window.top.jvPrinted = (window.top.jvPrinted || []).concat([{
            sheets: [...document.querySelectorAll("link[rel=stylesheet]")].map((l) => l.getAttribute("href")),
            body: document.body.innerHTML,
          }]);
        };
      });
      await call(app, "PrintPage");
      const printed = await eventually(() => app.page.evaluate(() => window.jvPrinted), "a print");
      await new Promise((r) => setTimeout(r, 300));
      assert.equal((await app.page.evaluate(() => window.jvPrinted)).length, 1);
      assert.deepEqual(printed[0].sheets, ["233", "258"]);
      assert.match(printed[0].body, /Van/);
      assert.doesNotMatch(printed[0].body, /navbar|ButtonOK/);
      assert.equal(await app.page.locator("dialog.jv-dialog").count(), 0, "no window is left");
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });
});
