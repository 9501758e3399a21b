// The car dialogs and printing in the real program: deleting a car, recording its sale, and a
// print request that yields one print of the page's fragment.
import assert from "node:assert/strict";
import { describe, test } from "node:test";
import {
  answerMessages, chooseMenu, closeAll, dialog, eventually, findDialog, frame, jorvaneHome, openRegister, startJorvane,
  typeInEntry, windowDelivered,
} from "./harness.mjs";

const ID = "{CCCCCCCC-0000-0000-0000-000000000001}";
const OTHER = "{CCCCCCCC-0000-0000-0000-000000000002}";
const CARS =
  `INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('${ID}', 'Van', -1, 0, 0);` +
  `INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('${OTHER}', 'Truck', -1, 0, 0);` +
  `INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${ID}', '2026-01-02', 1000);` +
  `INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${OTHER}', '2026-01-02', 2000);` +
  "UPDATE Prefs SET Internet = 1;";

const NEW = (name) => `tr[id="new"] [name="${name}"]`;
const NEW_BOTTOM = (name) => `tr[id="new"] + tr [name="${name}"]`;

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

  test("another car sold or deleted leaves the typing; the open car's page shows its sale or goes", { timeout: 120000 }, async () => {
    const home = jorvaneHome();
    // More cars, each to be sold or deleted once; Truck stays, the first car the registers offer
    // once the Van is sold and hidden.
    const more = ["Bus", "Cab", "Jeep", "Kart", "Limo", "Mini", "Taxi", "Ute"];
    const idOf = (name) => `{CCCCCCCC-0000-0000-0000-00000000010${more.indexOf(name)}}`;
    home.seed(CARS + more.map((name) =>
      `INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('${idOf(name)}', '${name}', -1, 0, 0);`).join("") +
      `UPDATE Vehicles SET DrivingCondition = 'N', Color = 'White', StyleYear = 2018, Make = 'Ford', Model = 'Transit', Style = 'LWB';`);
    try {
      const app = await startJorvane(home);
      const workspaceTitled = (title) => eventually(async () =>
        (await (await frame(app.page, "main_workspace")).title().catch(() => "")) === title, title);
      const closed = () => eventually(async () => (await app.page.locator("dialog.jv-dialog").count()) === 0, "the dialogs closed");
      // Go To > Delete Car or Sell Car, the car chosen in the chooser.
      const carCommand = async (command, id) => {
        await chooseMenu(app, "Go To", command);
        const chooser = await dialog(app.page);
        await chooser.selectOption("#CarList", id);
        await chooser.click("#ButtonOK");
      };
      const deleteCar = async (id) => {
        await carCommand("Delete Car", id);
        await (await findDialog(app, /permanently delete this vehicle/, "the deletion question")).click("#ButtonOK");
        await eventually(() => home.query(`SELECT COUNT(*) FROM Vehicles WHERE VehicleID='${id}'`) === "0", "the car deleted");
        await closed();
        // The window shows the deletion: the car list no longer holds the car.
        await eventually(async () => (await (await frame(app.page, "main_navcarlist")).locator(`tr[id="${id}"]`).count()) === 0,
          "the car gone from the car list");
      };
      const sell = async (sale, price, buyer) => {
        await sale.click("#SoldDate");
        await app.page.keyboard.type("03/15/26");
        await sale.click("#SoldPrice");
        await app.page.keyboard.type(price);
        await sale.click("#SoldVendor");
        await app.page.keyboard.type(buyer);
        await sale.click("#ButtonOK");
        await closed();
      };
      const typeInto = async (page, selector, text) => {
        await page.click(selector);
        if (await page.inputValue(selector)) await app.page.keyboard.press("Control+a");
        await app.page.keyboard.type(text);
      };
      const editCar = async (id) => {
        await carCommand("Edit Car Details", id);
        await workspaceTitled("Vehicle Information Page");
        const page = await frame(app.page, "main_workspace");
        await eventually(async () => (await page.locator("#SaveVehicle").innerText()) === "Save Changes", "the car loaded");
        await page.click("#ShowOptionalTabs");
        return page;
      };

      // Delete Car answered Cancel: a register's typed entry stays as it was.
      let page = await openRegister(app, "a.nav-expense", "Miscellaneous Expense Register");
      await typeInEntry(page, "new", "Vendor", "Acme Parking");
      await typeInEntry(page, "new", "Cost", "12");
      await eventually(async () => (await page.locator("#DirtyFlag").innerText()) === "true", "the entry marked changed");
      await call(app, "OpenDeleteCarDlg", ID);
      await (await dialog(app.page)).click("#ButtonCancel");
      await closed();
      // What Cancel made the program do has been done by the time it answers a call made after.
      await windowDelivered(app, page);
      assert.equal(await page.inputValue('tr[id="new"] [name="Vendor"]'), "Acme Parking");
      assert.equal(await page.inputValue('tr[id="new"] [name="Cost"]'), "12.00");
      assert.equal(await page.locator("#DirtyFlag").innerText(), "true");
      assert.equal(home.query("SELECT COUNT(*) FROM Vehicles"), "10");

      // The Van's page with a new name and colour being typed (the entry left as stored); another car
      // deleted: the typing stays.
      const discard = answerMessages(app, () => "Cancel");
      page = await editCar(ID);
      discard.stop();
      await typeInto(page, "#CarName", "Vanette");
      await page.click("#TabMiscellaneous");
      await typeInto(page, "#Color", "Red");
      await deleteCar(idOf("Bus"));
      assert.equal(await page.inputValue("#CarName"), "Vanette");
      assert.equal(await page.inputValue("#Color"), "Red");
      assert.equal(await page.locator("#DirtyFlag").innerText(), "true");
      // Saved, the page kept (Make More Changes): what was typed, and nothing that was not.
      const saveChanges = async () => {
        await page.click("#SaveVehicle");
        await (await findDialog(app, /Jorvane has saved your changes/, "the saved note")).click("#ButtonCancel");
        await closed();
      };
      await saveChanges();
      assert.equal(home.query(`SELECT Name, Color, DrivingCondition, Sold FROM Vehicles WHERE VehicleID='${ID}'`), "Vanette|Red|N|0");
      // The Van sold from the menu: its page shows the sale, and saving the page again keeps it.
      await page.click("#TabMiscellaneous");
      await typeInto(page, "#Color", "Maroon");
      await carCommand("Sell Car", ID);
      await sell(await findDialog(app, /Selling Date/, "the sale dialog"), "4500", "A neighbour");
      await page.click("#TabSaleInfo");
      await eventually(async () => await page.isChecked("#SoldCarCheckBox"), "the sale shown");
      assert.equal(await page.inputValue("#CarSoldDate"), "03/15/2026");
      assert.equal(await page.inputValue("#SalePrice"), "4500.00");
      assert.equal(await page.inputValue("#SoldTo"), "A neighbour");
      assert.equal(await page.inputValue("#CarName"), "Vanette");
      await saveChanges();
      assert.equal(home.query(`SELECT Name, Color, DrivingCondition, Sold, SoldDate, SoldPrice, SoldVendor FROM Vehicles WHERE VehicleID='${ID}'`),
        "Vanette|Maroon|N|-1|46096.0|4500.0|A neighbour");
      // Home, then Back: the sold car's page again, with its sale (sold cars are hidden).
      await (await frame(app.page, "main_navbar")).click("a.nav-home");
      await workspaceTitled("Home Page");
      await (await frame(app.page, "main_navbar")).click("a.nav-back");
      await workspaceTitled("Vehicle Information Page");
      page = await frame(app.page, "main_workspace");
      await eventually(async () => (await page.inputValue("#CarName")) === "Vanette", "the sold car shown");
      assert.equal(await page.isChecked("#SoldCarCheckBox"), true);

      // The open car deleted, its page changed: the page goes, nothing asked and nothing saved.
      page = await editCar(idOf("Cab"));
      await page.click("#TabMiscellaneous");
      await typeInto(page, "#Color", "Blue");
      await eventually(async () => (await page.locator("#DirtyFlag").innerText()) === "true", "the car marked changed");
      await deleteCar(idOf("Cab"));
      await workspaceTitled("Home Page");
      assert.equal(await app.page.locator("dialog.jv-dialog").count(), 0);
      // Back to where the car's page was: the car is gone, so is its page; Home shows instead.
      await (await frame(app.page, "main_navbar")).click("a.nav-back");
      await eventually(async () => {
        const shown = await frame(app.page, "main_workspace");
        return (await shown.title()) === "Home Page" && (await shown.locator("#ReminderDate").count()) === 1;
      }, "the Home page instead of the gone car's");
      // A page the program went on to would be on its way by the time it answers a call made after.
      await windowDelivered(app, await frame(app.page, "main_workspace"));
      assert.equal(await (await frame(app.page, "main_workspace")).title(), "Home Page");

      // The open car sold through the deletion question's link: its page shows the sale.
      page = await editCar(idOf("Jeep"));
      await carCommand("Delete Car", idOf("Jeep"));
      await (await findDialog(app, /permanently delete this vehicle/, "the deletion question")).click("#SellLink");
      await sell(await findDialog(app, /Selling Date/, "the sale dialog"), "900", "A dealer");
      await page.click("#TabSaleInfo");
      await eventually(async () => await page.isChecked("#SoldCarCheckBox"), "the sale shown");
      assert.equal(await page.inputValue("#SoldTo"), "A dealer");
      assert.equal(home.query(`SELECT Sold, SoldPrice FROM Vehicles WHERE VehicleID='${idOf("Jeep")}'`), "-1|900.0");

      // A new car being typed in while another car is deleted: its page and its "New Car" row stay.
      await chooseMenu(app, "Go To", "Add A Car For Advanced Users");
      await (await findDialog(app, /Will you allow Jorvane to connect/, "the connection question")).click("#ButtonCancel");
      await workspaceTitled("Vehicle Information Page");
      page = await frame(app.page, "main_workspace");
      await typeInto(page, "#CustomCarMake", "Lada");
      await deleteCar(idOf("Ute"));
      assert.equal(await page.inputValue("#CustomCarMake"), "Lada");
      const cars = await frame(app.page, "main_navcarlist");
      assert.match(await cars.locator('tr[id="0"]').innerText(), /New Car/);
      const leave = answerMessages(app, () => "Cancel");  // leaving it unsaved: Continue

      // Each register's entry being typed (the last field without Tab) while another car is
      // deleted: the typing stays, and is stored when the page goes (OK) or the program ends.
      const REGISTERS = [
        { open: () => openRegister(app, "a.nav-expense", "Miscellaneous Expense Register"), car: "Kart",
          fields: [[NEW("Vendor"), "Car Wash"], [NEW("category"), "Parking"], [NEW("Cost"), "8"]], stored: () => home.query("SELECT Vendor, Cost FROM Expenses"),
          expected: "Car Wash|8.0" },
        { open: () => openRegister(app, "a.nav-service", "Service Register"), car: "Limo",
          fields: [[NEW("Vendor"), "Jiffy"], [NEW("Cost"), "80"]], stored: () => home.query("SELECT Vendor, Cost FROM Services"),
          expected: "Jiffy|80.0" },
        { open: async () => {
          await chooseMenu(app, "Go To", "Edit Car Odometer History");
          await workspaceTitled("Odometer Register");
          const shown = await frame(app.page, "main_workspace");
          await shown.waitForSelector("#new");
          return shown;
        }, car: "Mini", fields: [[NEW("odometer"), "5000"]],
          stored: () => home.query("SELECT OdometerValue FROM OdometerValues WHERE OdometerValue = 5000"), expected: "5000.0" },
        { open: () => openRegister(app, "a.nav-fuel", "Fuel Register"), car: "Taxi",
          fields: [[NEW("Odometer"), "2500"], [NEW_BOTTOM("Volume"), "10"], [NEW("Total Cost"), "31"]], stored: () => home.query("SELECT Odometer, Cost FROM FuelPurchases"),
          expected: "2500.0|31.0" },
      ];
      let previous = null;
      for (const register of REGISTERS) {
        // Going on to the next page saves the entry left typed (OK).
        const boxes = previous ? answerMessages(app) : null;
        page = await register.open();
        if (previous) {
          await eventually(() => previous.stored() === previous.expected, "the entry saved on leaving");
          boxes.stop();
        } else {
          leave.stop();
        }
        // Each field typed and left with Tab, the last one without.
        for (const [selector, text] of register.fields) {
          await typeInto(page, selector, text);
          if (selector !== register.fields.at(-1)[0]) await app.page.keyboard.press("Tab");
        }
        await eventually(async () => (await page.locator("#DirtyFlag").innerText()) === "true", "the entry marked changed");
        await deleteCar(idOf(register.car));
        for (const [selector, text] of register.fields) {
          const shown = await page.locator(selector).evaluate((field) => field.selectedOptions ? field.selectedOptions[0].text : field.value);
          assert.match(shown, new RegExp("^" + text), register.car);
        }
        assert.equal(await page.locator("#DirtyFlag").innerText(), "true", register.car);
        previous = register;
      }
      // The fill-up typed last is stored as the program is told to end.
      await app.kill();
      assert.equal(previous.stored(), previous.expected);
    } finally {
      home.remove();
    }
  });

  test("Sell Car: empty or malformed values are explained and nothing is stored; good ones are", { timeout: 60000 }, async () => {
    const home = jorvaneHome();
    home.seed(CARS);
    try {
      const app = await startJorvane(home);
      const boxes = answerMessages(app);  // none is expected
      // Reached from the deletion question's link.
      await call(app, "OpenDeleteCarDlg", ID);
      await (await dialog(app.page)).click("#SellLink");
      const sale = await eventually(async () => {
        const shown = await dialog(app.page, 1000);
        return (await shown.title()) === "Details of Vehicle Sale" ? shown : null;
      }, "the sale dialog", 15000);
      await sale.click("#ButtonOK");
      await eventually(async () => (await sale.locator("#message").innerHTML()) ===
        "Please enter a value for Selling Date.<br>Please enter a value for Selling Price.", "both messages");
      // (The date last: leaving it shows the page's own message box, which takes the focus.)
      await sale.fill("#SoldPrice", "1x5");
      await sale.fill("#SoldDate", "02/30/26");
      await sale.click("#ButtonOK");
      // The date as it was left, the price as OK found it: each said once.
      await eventually(async () => (await sale.locator("#message").innerHTML()) === "Please enter a number for Selling Price.",
        "the malformed values refused");
      assert.equal(await sale.locator("#DateMessage").innerText(), "Please enter a valid date (month/day/year).");
      assert.equal(home.query("SELECT COUNT(*) FROM Vehicles WHERE Sold <> 0"), "0");
      await sale.fill("#SoldDate", "03/15/26");
      await sale.fill("#SoldPrice", "4500.50");
      await sale.fill("#SoldVendor", "A neighbour");
      await sale.click("#ButtonOK");
      await eventually(() => home.query(`SELECT Sold <> 0, SoldPrice, SoldVendor FROM Vehicles WHERE VehicleID='${ID}'`) ===
        "1|4500.5|A neighbour", "the sale stored");
      assert.equal(home.query(`SELECT SoldDate FROM Vehicles WHERE VehicleID='${ID}'`), "46096.0", "15 March 2026");
      assert.equal(home.query(`SELECT COUNT(*) FROM Vehicles WHERE VehicleID='${ID}'`), "1", "a sold car is kept");
      // The date that is no date was told once, beside the date (in the registers' words), not
      // again in a message box of its own.
      await closeAll(app, boxes, { quiet: true });
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
      // A second print would have come by the time the program answers a call made after the first.
      await windowDelivered(app, await frame(app.page, "main_workspace"));
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
