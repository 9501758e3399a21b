// The vehicle information page and the QuickStart wizard as a user meets them: a car added with
// the car-data service (lists, downloaded plan), a custom car without it (generic plan), a stored
// car edited, and QuickStart on a new database.
import assert from "node:assert/strict";
import { after, before, describe, test } from "node:test";
import { dialog, eventually, frame, jorvaneHome, startJorvane, startSoapServer } from "./harness.mjs";

const SHOTS = process.env.JV_SHOTS || "";
const shot = async (page, name) => { if (SHOTS) await page.screenshot({ path: `${SHOTS}/${name}.png` }); };

const ID = "{CAFE0000-0000-0000-0000-000000000001}";
const CAR = `INSERT INTO MaintenancePlan (MaintenancePlanID, Name, StyleID, DrivingCondition) VALUES (900, 'plan for Daily', 's1', 'N');
INSERT INTO MaintenancePlanItems (MaintenancePlanItemID, MaintenancePlanID, ITEM_DESCRIPTION, ACTION_DESCRIPTION, INITIAL_MILEAGE, INITIAL_MONTH, INTERVAL_MILEAGE, INTERVAL_MONTH)
  VALUES (901, 900, 'Engine Oil', 'Replace', 0, 0, 5000, 6), (902, 900, 'Tires', 'Rotate', 7500, 0, 7500, 0);
INSERT INTO Vehicles (VehicleID, Name, MakeID, Make, ModelID, Model, StyleYear, Style, StyleID, DriveType, Engine, Transmission, Region, Custom, DrivingCondition, Color, PurchaseOdometer, Sold, Selected, MaintenancePlanID)
  VALUES ('${ID}', 'Daily', '1', 'Acura', '10', 'Integra', 2004, 'GS', 's1', 'FWD', '1.8L', 'Manual', 'USA', 0, 'N', 'Red', -1, 0, 0, 900);`;

// The car-data service: one year, make, model and style, one drive type, engine and transmission,
// and a plan of two items (texts padded, as the service sends them).
// The service's data carries no namespace.
const data = (xml) => `<data xmlns="">${xml}</data>`;
const SERVICE = Object.fromEntries(Object.entries({
  getPartnerText: "",
  getAllYears: "<ModelYear> 2004 </ModelYear><ModelYear>2005</ModelYear>",
  getYears: "<ModelYear>2004</ModelYear><ModelYear>2005</ModelYear>",
  getAllMakes: "<make><MakeID>1</MakeID><Make> Acura </Make></make><make><MakeID>2</MakeID><Make>BMW</Make></make>",
  getMakes: "<make><MakeID>1</MakeID><Make>Acura</Make></make><make><MakeID>2</MakeID><Make>BMW</Make></make>",
  getModels: "<model><ModelID>10</ModelID><Model>Integra</Model></model><model><ModelID>11</ModelID><Model>Legend</Model></model>",
  getStyles: "<style><StyleID>s1</StyleID><Style>GS</Style></style><style><StyleID>s2</StyleID><Style>LS</Style></style>",
  getDriveTypes: "<drivetype><DriveType>FWD</DriveType></drivetype>",
  getEngines: "<engine><Engine>1.8L</Engine></engine>",
  getTransmissions: "<transmission><Transmission>Manual</Transmission></transmission>",
  getMaintenancePlan:
    "<maintenanceItem><ItemDescription>engine oil</ItemDescription><ActionDescription>replace</ActionDescription>" +
    "<InitialMiles>0</InitialMiles><InitialMonths>0</InitialMonths><IntervalMiles>5000</IntervalMiles><IntervalMonths>6</IntervalMonths></maintenanceItem>" +
    "<maintenanceItem><ItemDescription>timing belt</ItemDescription><ActionDescription>replace</ActionDescription>" +
    "<InitialMiles>90000</InitialMiles><InitialMonths>0</InitialMonths><IntervalMiles>0</IntervalMiles><IntervalMonths>0</IntervalMonths></maintenanceItem>",
}).map(([method, xml]) => [method, xml ? data(xml) : xml]));

// The dialog shown now once its message matches `text` (dialogs that close meanwhile are passed by).
async function dialogWith(app, text, what) {
  return eventually(async () => {
    try {
      const d = await dialog(app.page, 1000);
      return text.test(await d.locator("#message").innerText({ timeout: 1000 })) ? d : null;
    } catch {
      return null;
    }
  }, what, 15000);
}

async function workspace(app) {
  return frame(app.page, "main_workspace");
}

async function openCarPage(app, query = "") {
  const ws = await workspace(app);
  await ws.evaluate((q) => { location.href = "177" + q; }, query);
  await eventually(async () => (await workspace(app)).title().then((t) => t === "Vehicle Information Page").catch(() => false),
    "the vehicle information page");
  const page = await workspace(app);
  await page.waitForFunction(() => window.external);
  return page;
}

describe("the vehicle information page", () => {
  let soap;
  before(async () => { soap = await startSoapServer(SERVICE); });
  after(async () => soap.close());

  test("editing a stored car: colour changed and saved; leaving with unsaved changes asks", async () => {
    const home = jorvaneHome({ webUrl: soap.host });
    home.seed(CAR + "UPDATE Prefs SET Internet = 2;");
    try {
      const app = await startJorvane(home);
      const page = await openCarPage(app, "?" + ID);
      assert.equal((await page.locator("#AddEdit").innerText()).trim(), "Edit Vehicle");
      assert.equal(await page.locator("#CarName").inputValue(), "Daily");
      assert.equal(await page.locator("#CarMake option:checked").innerText(), "Acura");
      await shot(app.page, "edit-car");
      await page.click("#TabPlan");
      await eventually(async () => (await page.locator("#serviceitems tbody tr").count()) === 3, "the plan rows");
      assert.match(await page.locator("#serviceitems tbody tr").nth(1).innerText(), /Engine Oil - Replace\s+every 5,?000 miles or 6 months/);
      await shot(app.page, "edit-plan");
      // A schedule changed in its row; no other item is like it, so nothing is asked.
      const tires = page.locator("#serviceitems tbody tr").nth(2);
      await tires.locator("td").first().click();
      await tires.locator("[name=InputIntervalDistance]").fill("10000");
      await tires.locator(".ItemSubmit").click();
      await eventually(async () => /every 10,?000 miles/.test(await page.locator("#serviceitems").innerText()), "the new schedule");
      // Downloading the plan again asks first; Cancel keeps the plan as it is.
      await page.evaluate(() => { window.external.GetMaintenancePlan(); });
      const replace = await dialogWith(app, /will replace any changes you have made/, "the download question");
      assert.equal(await replace.locator("#ButtonCancel").isVisible(), true);
      await replace.click("#ButtonCancel");
      await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });
      assert.match(await page.locator("#serviceitems").innerText(), /every 10,?000 miles/);

      // A new plan item typed in the service-items dialog and taken with Enter: created, the dialog
      // still open; Done keeps it in the plan.
      await page.click("#AddServiceItems");
      const items = await dialog(app.page);
      assert.equal(await items.title(), "Add/Remove Service Items");
      await items.fill("#NewItem", "Wipers");
      await items.fill("#NewAction", "Replace");
      await items.fill("#InputIntervalTime", "12");
      await items.press("#InputIntervalTime", "Enter");
      await eventually(async () => (await items.locator("#SelectedServiceItems option").allInnerTexts()).includes("Wipers - Replace"),
        "the new item in the plan list");
      assert.equal(await app.page.locator("dialog.jv-dialog").count(), 1, "the dialog stays open");
      await items.click("#ButtonOK");
      await eventually(async () => /Wipers - Replace\s+every 12 months/.test(await page.locator("#serviceitems").innerText()),
        "the new item in the plan");

      // A change not saved: leaving asks, and Cancel stays.
      await page.click("#ShowOptionalTabs");
      await page.click("#TabMiscellaneous");
      await page.fill("#Color", "Blue");
      await page.locator("#Color").dispatchEvent("change");
      await eventually(async () => (await page.locator("#DirtyFlag").innerText()) === "true", "the dirty flag");
      const navbar = await frame(app.page, "main_navbar");
      await navbar.click("a.nav-home");
      const ask = await dialog(app.page);
      assert.match(await ask.locator("#message").innerText(), /You've made changes to this car/);
      await ask.click("#ButtonOK");
      assert.equal(await (await workspace(app)).title(), "Vehicle Information Page");

      // Saved: the message, OK goes home, and the file has the new colour.
      await page.click("#SaveVehicle");
      const saved = await dialog(app.page);
      assert.match(await saved.locator("#message").innerText(), /Jorvane has saved your changes/);
      await saved.click("#ButtonOK");
      await eventually(async () => (await (await workspace(app)).title()) === "Home Page", "the home page");
      assert.equal(home.query(`SELECT Color, PurchaseOdometer FROM Vehicles WHERE VehicleID = '${ID}'`), "Blue|-1.0");
      assert.equal(home.query("SELECT group_concat(INTERVAL_MILEAGE) FROM MaintenancePlanItems WHERE MaintenancePlanID = 900 ORDER BY 1"), "5000,10000,0");
      assert.equal(home.query("SELECT INTERVAL_MONTH FROM MaintenancePlanItems WHERE ITEM_DESCRIPTION = 'Wipers'"), "12");
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });

  test("a car-data list that cannot be fetched while connected keeps the stored choice through a save", async () => {
    // The service answers the lists up to the style, and fails the drive types, engines and transmissions.
    const failing = await startSoapServer({ ...SERVICE, getDriveTypes: undefined, getEngines: undefined, getTransmissions: undefined });
    const home = jorvaneHome({ webUrl: failing.host });
    home.seed(CAR + "UPDATE Prefs SET Internet = 2;");
    try {
      const app = await startJorvane(home);
      const page = await openCarPage(app, "?" + ID);
      // The user points at each list (as the mouse does over a list): it is fetched, and fails.
      for (const id of ["CarDriveType", "CarEngine", "CarTransmission"]) {
        await page.evaluate(async (list) => FillList(document.getElementById(list)), id);
      }
      assert.ok(["getDriveTypes", "getEngines", "getTransmissions"].every((m) => failing.calls.some((c) => c.method === m)),
        "the lists asked for");
      assert.equal(await page.locator("#CarDriveType").inputValue(), "FWD");
      assert.equal(await page.locator("#CarEngine").inputValue(), "1.8L");
      assert.equal(await page.locator("#CarTransmission").inputValue(), "Manual");
      await page.click("#ShowOptionalTabs");
      await page.click("#TabMiscellaneous");
      await page.fill("#Color", "Green");
      await page.locator("#Color").dispatchEvent("change");
      await page.click("#SaveVehicle");
      const saved = await dialog(app.page);
      assert.match(await saved.locator("#message").innerText(), /Jorvane has saved your changes/);
      await saved.click("#ButtonOK");
      await eventually(async () => (await (await workspace(app)).title()) === "Home Page", "the home page");
      assert.equal(home.query(`SELECT Color, DriveType, Engine, Transmission FROM Vehicles WHERE VehicleID = '${ID}'`),
        "Green|FWD|1.8L|Manual");
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
      await failing.close();
    }
  });

  // The year, make and model lists fetched again as the user points at them: a service that fails
  // them (or has gone away) leaves the stored choice, and the car can still be saved.
  for (const [what, failure] of [["answering with a fault", "fault"], ["gone away", "gone"]]) {
    test(`the year, make and model lists of a stored car with the service ${what}: the choice kept, the car saved`, async () => {
      const failing = await startSoapServer(failure === "fault" ? { ...SERVICE, getYears: undefined, getMakes: undefined, getModels: undefined } : SERVICE);
      const home = jorvaneHome({ webUrl: failing.host });
      home.seed(CAR + "UPDATE Prefs SET Internet = 2;");
      try {
        const app = await startJorvane(home);
        const page = await openCarPage(app, "?" + ID);
        if (failure === "gone") await failing.close();
        for (const id of ["CarYear", "CarMake", "CarModel"]) {
          await page.evaluate(async (list) => FillList(document.getElementById(list)), id);
        }
        assert.equal(await page.locator("#CarYear option:checked").innerText(), "2004");
        assert.equal(await page.locator("#CarMake option:checked").innerText(), "Acura");
        assert.equal(await page.locator("#CarModel option:checked").innerText(), "Integra");
        assert.equal(await page.locator("#SaveVehicle").isDisabled(), false, "Save Changes stays enabled");
        if (failure === "fault") {
          assert.ok(["getYears", "getMakes", "getModels"].every((m) => failing.calls.some((c) => c.method === m)), "the lists asked for");
        }
        await page.click("#ShowOptionalTabs");
        await page.click("#TabMiscellaneous");
        await page.fill("#Color", "Green");
        await page.click("#SaveVehicle");
        const saved = await dialogWith(app, /Jorvane has saved your changes/, "the saved message");
        await saved.click("#ButtonOK");
        await eventually(async () => (await (await workspace(app)).title()) === "Home Page", "the home page");
        assert.equal(home.query(`SELECT Color, StyleYear, MakeID, Make, ModelID, Model, StyleID, Style FROM Vehicles WHERE VehicleID = '${ID}'`),
          "Green|2004|1|Acura|10|Integra|s1|GS");
        assert.equal((await app.close()).code, 0);
      } finally {
        home.remove();
        if (failure === "fault") await failing.close();
      }
    });
  }

  test("purchase odometer and prices are stored and shown as typed, and kept by a save of another field", async () => {
    const home = jorvaneHome({ webUrl: soap.host });
    home.seed(CAR + `UPDATE Prefs SET Internet = 2; UPDATE Vehicles SET PurchasePrice = 1234567.89 WHERE VehicleID = '${ID}';`);
    try {
      const app = await startJorvane(home);
      let page = await openCarPage(app, "?" + ID);
      await page.click("#ShowOptionalTabs");
      await page.click("#TabPurchaseInfo");
      assert.equal(await page.locator("#PurchasePrice").inputValue(), "1234567.89");
      await page.fill("#CarPurchaseDate", "03/15/2021");
      await page.fill("#CarInitialOdometer", "54321.7");
      await page.click("#TabSaleInfo");
      await page.fill("#SalePrice", "999999.9");
      await page.click("#SaveVehicle");
      let saved = await dialogWith(app, /Jorvane has saved your changes/, "the saved message");
      await saved.click("#ButtonOK");
      await eventually(async () => (await (await workspace(app)).title()) === "Home Page", "the home page");
      const stored = `SELECT PurchaseOdometer, PurchasePrice, SoldPrice FROM Vehicles WHERE VehicleID = '${ID}'`;
      assert.equal(home.query(stored), "54321.7|1234567.89|999999.9");
      assert.equal(home.query(`SELECT OdometerValue FROM OdometerValues WHERE VehicleID = '${ID}'`), "54321.7");

      // Shown as typed; a save of the colour alone changes none of them.
      page = await openCarPage(app, "?" + ID);
      await page.click("#ShowOptionalTabs");
      await page.click("#TabPurchaseInfo");
      assert.equal(await page.locator("#CarInitialOdometer").inputValue(), "54321.7");
      assert.equal(await page.locator("#PurchasePrice").inputValue(), "1234567.89");
      await page.click("#TabSaleInfo");
      assert.equal(await page.locator("#SalePrice").inputValue(), "999999.90");
      await page.click("#TabMiscellaneous");
      await page.fill("#Color", "Black");
      await page.click("#SaveVehicle");
      saved = await dialogWith(app, /Jorvane has saved your changes/, "the saved message");
      await saved.click("#ButtonOK");
      await eventually(async () => home.query(`SELECT Color FROM Vehicles WHERE VehicleID = '${ID}'`) === "Black", "the colour saved");
      assert.equal(home.query(stored), "54321.7|1234567.89|999999.9");
      assert.equal(home.query(`SELECT group_concat(OdometerValue) FROM OdometerValues WHERE VehicleID = '${ID}'`), "54321.7");
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });

  test("QuickStart on a new database: units, a car chosen from the lists, its plan downloaded, saved", async () => {
    const home = jorvaneHome({ webUrl: soap.host });
    try {
      const app = await startJorvane(home);
      const welcome = await dialog(app.page);
      assert.match(await welcome.locator("#message").innerText(), /Is this your first time using Jorvane/);
      await shot(app.page, "quickstart-welcome");
      await welcome.click("#ButtonNext");
      const units = await dialogWith(app, /select your preferred units/, "the units dialog");
      await units.locator("input[name=DistancePref][value='1']").check();
      await shot(app.page, "quickstart-units");
      // Enter on the chosen unit goes on with it.
      await units.locator("input[name=DistancePref][value='1']").press("Enter");
      const step2 = await dialogWith(app, /Now you will enter your vehicle information/, "step 2");
      await step2.click("#ButtonNext");
      assert.equal(home.query("SELECT DistanceUnit FROM Prefs"), "1");

      const page = await workspace(app);
      await eventually(async () => (await page.title()) === "Vehicle Information Page", "the vehicle page");
      await eventually(() => page.locator("#QS_CarMake").isVisible(), "the make balloon");
      // While the wizard leads, the page's Cancel cannot drop it.
      assert.equal(await page.locator("#Cancel").isDisabled(), true);
      await shot(app.page, "quickstart-car");
      await page.selectOption("#CarMake", "1");
      await eventually(async () => (await page.locator("#CarYear option").count()) === 3, "the years of the make");
      await page.selectOption("#CarYear", "2004");
      await eventually(async () => (await page.locator("#CarModel option").count()) === 3, "the models");
      await page.selectOption("#CarModel", "10");
      await eventually(() => page.locator("#CarStyle").isVisible(), "the styles");
      await page.selectOption("#CarStyle", "s1");
      await eventually(async () => (await page.locator("#CarEngineLabel").innerText()) === "1.8L", "the one engine");
      await page.fill("#CarCurrentOdometer", "20000");
      await page.locator("#CarCurrentOdometer").dispatchEvent("change");
      await page.locator("input[name=CarDriving][value='N']").check();

      const step4 = await dialogWith(app, /You've now entered all the data/, "step 4");
      await step4.click("#ButtonNext");
      const step5 = await dialogWith(app, /found one that's based on the manufacturer's/, "step 5");
      await shot(app.page, "quickstart-plan-found");
      await step5.click("#ButtonNext");
      await eventually(() => page.locator("#QS_SaveCar").isVisible(), "the save balloon");
      // The balloon stands beside the buttons, level with them.
      const balloon = await page.locator("#QS_SaveCar").boundingBox();
      const save = await page.locator("#SaveVehicle").boundingBox();
      assert.ok(balloon.y < save.y + save.height && balloon.y + balloon.height > save.y, "level with the button");
      assert.ok(balloon.x >= save.x + save.width, "beside it, not over it");
      // Kilometres: 5000 miles are shown as 8,000 km once, and a row submitted unchanged stays so.
      const oil = page.locator("#serviceitems tbody tr").nth(1);
      assert.match(await oil.innerText(), /Engine Oil - Replace\s+every 8,?000 kilometres or 6 months/);
      await oil.locator("td").first().click();
      assert.equal(await oil.locator("[name=InputIntervalDistance]").inputValue(), "8000");
      await shot(app.page, "quickstart-plan");
      await oil.locator(".ItemSubmit").click();
      await eventually(async () => /every 8,?000 kilometres/.test(await oil.innerText()), "the row closed");

      await page.click("#SaveVehicle");
      const name = await dialog(app.page);
      await name.fill("#CarName", "Family");
      await name.click("#ButtonOK");
      const step7 = await dialogWith(app, /You have successfully saved your car's information/, "step 7");
      await shot(app.page, "quickstart-saved");
      assert.doesNotMatch(await step7.locator("#message").innerText(), /like to like to/);
      await step7.click("#ButtonExit");
      await eventually(async () => (await (await workspace(app)).title()) === "Home Page", "the home page");

      const id = home.query("SELECT VehicleID FROM Vehicles WHERE Name = 'Family'");
      assert.match(id, /^\{?[0-9a-fA-F-]{36}\}?$/);
      assert.equal(home.query(`SELECT Make, Model, Style, DriveType, Engine, Transmission, DrivingCondition, PurchaseOdometer FROM Vehicles WHERE VehicleID = '${id}'`),
        "Acura|Integra|GS|FWD|1.8L|Manual|N|-1.0");
      assert.equal(home.query(`SELECT group_concat(ITEM_DESCRIPTION || ':' || INTERVAL_MILEAGE || ':' || INITIAL_MILEAGE) FROM MaintenancePlanItems i JOIN Vehicles v ON v.MaintenancePlanID = i.MaintenancePlanID WHERE v.VehicleID = '${id}' ORDER BY 1`),
        "Engine Oil:5000:0,Timing Belt:0:90000");
      assert.equal(home.query(`SELECT OdometerValue FROM OdometerValues WHERE VehicleID = '${id}'`), "20000.0");
      assert.ok(Number(home.query(`SELECT count(*) FROM Services WHERE VehicleID = '${id}'`)) > 0, "the automatic entries");
      assert.equal(home.settings().LastCar, id);
      const list = await frame(app.page, "main_navcarlist");
      await eventually(async () => /Family/.test(await list.locator("body").innerText()), "the car in the car list");
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });

  test("the page's own save refuses a custom car lacking its make, year, model or style, the cursor in the first missing", async () => {
    const CUSTOM = "{CAFE0000-0000-0000-0000-000000000002}";
    const home = jorvaneHome();
    home.seed(`INSERT INTO Vehicles (VehicleID, Name, Make, Model, StyleYear, Style, Custom, Sold, Selected, Color, PurchaseOdometer)
  VALUES ('${CUSTOM}', 'Niva', 'Lada', 'Niva', 1988, '1600', -1, 0, 0, 'Red', -1);
UPDATE Prefs SET Internet = 1;`);
    const stored = () => home.query(`SELECT Make, StyleYear, Model, Style FROM Vehicles WHERE VehicleID = '${CUSTOM}'`);
    try {
      const app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" } });
      const page = await openCarPage(app, "?" + CUSTOM);
      const told = async (text, what) => {
        const box = await dialogWith(app, text, what);
        await box.click("#ButtonOK");
        await eventually(async () => (await app.page.locator("dialog.jv-dialog").count()) === 0, "the box closed");
      };
      const cursorIn = (id) => eventually(() => page.evaluate((wanted) => document.activeElement?.id === wanted, id), "the cursor in " + id);
      // A year the page does not take is emptied as it is left, with the program's message.
      await page.fill("#CustomCarYear", "1850");
      await page.press("#CustomCarYear", "Tab");
      await told(/^Year must be between 1900 and 2027\.$/, "the year's message");
      assert.equal(await page.inputValue("#CustomCarYear"), "");
      const cases = [
        ["no year", {}, "CustomCarYear"],
        ["no model", { CustomCarYear: "2004", CustomCarModel: " " }, "CustomCarModel"],
        ["no make, nor model", { CustomCarMake: "" }, "CustomCarMake"],
        ["no style", { CustomCarMake: "Lada", CustomCarModel: "Niva", CustomCarStyle: "" }, "CustomCarStyle"],
      ];
      for (const [what, fields, missing] of cases) {
        for (const [id, text] of Object.entries(fields)) await page.fill("#" + id, text);
        await page.click("#SaveVehicle");
        await told(/^Please enter your car's make, year, model and style\.$/, what);
        await cursorIn(missing);
        assert.equal(stored(), "Lada|1988|Niva|1600", what);
      }
      assert.doesNotMatch(home.traceLog(), /JavaScript Error/);
      await app.kill({ check: false });
    } finally {
      home.remove();
    }
  });

  test("a custom car without the service: allowed to connect but offline, typed in, the generic plan, saved, edited", async () => {
    const home = jorvaneHome();
    home.seed(CAR + "UPDATE Prefs SET Internet = 1;");
    try {
      const app = await startJorvane(home);
      const ws = await workspace(app);
      await ws.evaluate(() => { location.href = "177"; });
      // Yes, but nobody answers at the service's address: the user hears so once, and types the
      // car in.
      const consent = await dialogWith(app, /Will you allow Jorvane to connect/, "the consent question");
      await consent.click("#ButtonOK");
      const offline = await eventually(async () => {
        const shown = await dialog(app.page, 1000).catch(() => null);
        return shown && (await shown.title()) === "Couldn't Reach Internet" ? shown : null;
      }, "the note that the service is out of reach", 15000);
      assert.match(await offline.locator("body").innerText(), /Jorvane could not reach the Internet/);
      await offline.click("#ButtonOK");
      const page = await workspace(app);
      // The page lays the custom inputs out once it has done asking.
      await eventually(() => page.locator("#CustomCarMake").isVisible(), "the custom inputs");
      assert.equal(await app.page.locator("dialog.jv-dialog").count(), 0, "nothing more is asked");
      for (const [id, text] of [["CustomCarMake", "Lada"], ["CustomCarYear", "1988"], ["CustomCarModel", "Niva"],
        ["CustomCarStyle", "1600"], ["CustomCarDriveType", "4WD"], ["CustomCarEngine", "1.6"], ["CustomCarTransmission", "Manual"],
        ["CarCurrentOdometer", "150000"]]) {
        await page.click("#" + id);
        await app.page.keyboard.type(text);
        await app.page.keyboard.press("Tab");
      }
      await page.locator("input[name=CarDriving][value='N']").check();
      await eventually(() => page.locator("#DownloadPlan").isEnabled(), "the download button");
      await page.click("#DownloadPlan");
      const found = await dialogWith(app, /built one based on industry standards/, "the generic plan's message");
      await found.click("#ButtonOK");
      await eventually(async () => (await page.locator("#serviceitems tbody tr").count()) > 1, "the generic plan");
      const rows = (await page.locator("#serviceitems tbody tr").count()) - 1;
      await page.click("#SaveVehicle");
      // A name another car has: refused; the box comes back with it selected, so that what is
      // typed next replaces it.
      const name = await dialog(app.page);
      await name.click("#CarName");
      await app.page.keyboard.type("Daily");
      await app.page.keyboard.press("Enter");
      const used = await dialogWith(app, /that vehicle name has already been used/, "the name refused");
      await used.click("#ButtonOK");
      const again = await eventually(async () => {
        const box = await dialog(app.page, 1000).catch(() => null);
        return box && (await box.title()) === "Vehicle Name" && (await box.inputValue("#CarName")) === "Daily" ? box : null;
      }, "the name box again");
      await eventually(() => again.evaluate(() => {
        const field = document.activeElement;
        return field.id === "CarName" && field.selectionStart === 0 && field.selectionEnd === field.value.length;
      }), "the refused name selected");
      await app.page.keyboard.type("Weekend");
      await app.page.keyboard.press("Enter");
      const another = await dialogWith(app, /Would you like to add another car/, "the add-another question");
      await another.click("#ButtonCancel");
      await eventually(async () => (await (await workspace(app)).title()) === "Home Page", "the home page");
      assert.match(home.query("SELECT Custom || '|' || StyleID || '|' || Make || '|' || StyleYear FROM Vehicles WHERE Name = 'Weekend'"),
        /^-1\|JV\d{6}\|Lada\|1988$/);
      assert.equal(home.query("SELECT count(*) FROM MaintenancePlanItems i JOIN Vehicles v ON v.MaintenancePlanID = i.MaintenancePlanID WHERE v.Name = 'Weekend'"),
        String(rows));

      // Its edit page offers a new plan from the start, nothing typed or left first.
      const edit = await openCarPage(app, "?" + home.query("SELECT VehicleID FROM Vehicles WHERE Name = 'Weekend'"));
      assert.equal(await edit.locator("#CustomCarMake").inputValue(), "Lada");
      assert.equal(await edit.locator("#DownloadPlan").isEnabled(), true, "Download Plan enabled");
      assert.doesNotMatch(home.traceLog(), /JavaScript Error/);
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });
});
