// Ending the program with typing on the page: File > Exit asks the question leaving the page asks,
// in the program's own box, and honours it; closing the window asks while the window can still be
// held; a window that goes without asking (the browser ended) or a program told to end keeps a
// valid typed entry. Each checked against the database.
import assert from "node:assert/strict";
import { describe, test } from "node:test";
import { answerBrowser, chooseMenu, dialog, eventually, frame, jorvaneHome, openRegister, quickStartToTheVehiclePage, startJorvane, stillRunning } from "./harness.mjs";

const CAR = "{E1E1E1E1-0000-0000-0000-000000000001}";
// 46000 is 9 December 2025 in the database's day numbers.
const SEED = `INSERT INTO Vehicles (VehicleID, Name, Make, Model, StyleYear, Style, Custom, Sold, Selected, Color, PurchaseOdometer)
  VALUES ('${CAR}', 'Daily', 'Acura', 'Integra', 2004, 'GS', -1, 0, 0, 'Red', -1);
INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost)
  VALUES ('${CAR}', 46000, 12000, 300, 'Shell', -1, 10.5, 3.199, 33.59);
INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${CAR}', 46000, 12000);
UPDATE Prefs SET Internet = 1;`;
const ENTRY_QUESTION = "You made changes to the current entry. Press OK to save changes or Cancel to discard changes.";

async function workspace(app) {
  return frame(app.page, "main_workspace");
}

// The program's message box shown now and its text.
async function question(app) {
  const box = await dialog(app.page);
  return { box, message: await box.locator("#message").innerText() };
}

async function answer(app, box, button) {
  await box.click(button);
  await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });
}

// A new program on the seeded garage, its fuel register open with an odometer typed in the new
// entry and the field left (the entry is changed and valid: today's date is filled in).
async function fuelEntryTyped(home, odometer) {
  const app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" } });
  const page = await openRegister(app, "a.nav-fuel", "Fuel Register");
  const field = 'tr[id="new"] [name="Odometer"]';
  await page.click(field);
  await page.fill(field, "");
  await page.type(field, odometer);
  await page.press(field, "Tab");
  await eventually(async () => (await page.locator("#DirtyFlag").innerText()) === "true", "the entry marked changed");
  return { app, page, field };
}

function storedOdometers(home) {
  return home.query("SELECT Odometer FROM FuelPurchases ORDER BY Odometer").split("\n");
}

describe("File > Exit with typing on the page", () => {
  test("a typed fuel entry: Escape keeps the window and the typing, OK stores the entry and ends", { timeout: 60000 }, async () => {
    const home = jorvaneHome();
    home.seed(SEED);
    try {
      const { app, page, field } = await fuelEntryTyped(home, "12345");
      await chooseMenu(app, "File", "Exit");
      let asked = await question(app);
      assert.equal(asked.message, ENTRY_QUESTION);
      await asked.box.press("body", "Escape");
      await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });
      assert.ok(await stillRunning(app), "the program goes on");
      assert.equal(await page.inputValue(field), "12345", "the typing is kept");
      assert.deepEqual(storedOdometers(home), ["12000.0"]);

      await chooseMenu(app, "File", "Exit");
      asked = await question(app);
      assert.equal(asked.message, ENTRY_QUESTION);
      await asked.box.click("#ButtonOK");
      assert.deepEqual(await app.exited, { code: 0, signal: null });
      assert.deepEqual(storedOdometers(home), ["12000.0", "12345.0"]);
      assert.deepEqual(app.browserDialogs, []);
      await app.close();
    } finally {
      home.remove();
    }
  });

  test("a typed fuel entry answered Cancel ends without storing it", { timeout: 60000 }, async () => {
    const home = jorvaneHome();
    home.seed(SEED);
    try {
      const { app } = await fuelEntryTyped(home, "12345");
      await chooseMenu(app, "File", "Exit");
      const asked = await question(app);
      assert.equal(asked.message, ENTRY_QUESTION);
      await asked.box.click("#ButtonCancel");
      assert.deepEqual(await app.exited, { code: 0, signal: null });
      assert.deepEqual(storedOdometers(home), ["12000.0"]);
      await app.close();
    } finally {
      home.remove();
    }
  });

  test("a half-entered new car: Cancel keeps the window and the typing, Continue ends without a car", { timeout: 60000 }, async () => {
    const home = jorvaneHome();
    home.seed(SEED);
    try {
      const app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" } });
      await chooseMenu(app, "Go To", "Add A Car For Advanced Users");
      // The page asks first whether it may connect for the car data: not now.
      const consent = await question(app);
      assert.match(consent.message, /Will you allow Jorvane to connect/);
      await answer(app, consent.box, "#ButtonCancel");
      await eventually(async () => (await (await workspace(app)).title()) === "Vehicle Information Page", "the vehicle page");
      const page = await workspace(app);
      await page.waitForFunction(() => window.external);
      await page.click("#CarCurrentOdometer");
      await page.type("#CarCurrentOdometer", "4321");
      await page.press("#CarCurrentOdometer", "Tab");
      await eventually(async () => (await page.locator("#DirtyFlag").innerText()) === "true", "the car marked changed");

      await chooseMenu(app, "File", "Exit");
      let asked = await question(app);
      assert.match(asked.message, /You've made changes to this car/);
      // The button that reads "Cancel" stays.
      assert.equal(await asked.box.locator("#ButtonOK").innerText(), "Cancel");
      await answer(app, asked.box, "#ButtonOK");
      assert.ok(await stillRunning(app), "the program goes on");
      assert.equal(await page.inputValue("#CarCurrentOdometer"), "4321", "the typing is kept");

      await chooseMenu(app, "File", "Exit");
      asked = await question(app);
      assert.equal(await asked.box.locator("#ButtonCancel").innerText(), "Continue");
      await asked.box.click("#ButtonCancel");
      assert.deepEqual(await app.exited, { code: 0, signal: null });
      assert.equal(home.query("SELECT COUNT(*) FROM Vehicles"), "1");
      await app.close();
    } finally {
      home.remove();
    }
  });
});

describe("File > Exit during QuickStart", () => {
  test("a half-entered car asks as leaving the page does: Cancel stays in the wizard, the close box asks too", { timeout: 90000 }, async () => {
    const home = jorvaneHome();
    // An empty garage starts QuickStart; never connecting keeps the car-data questions away.
    home.seed("UPDATE Prefs SET Internet = 1;");
    try {
      const app = await startJorvane(home);
      const page = await quickStartToTheVehiclePage(app);
      await page.click("#CarCurrentOdometer");
      await page.type("#CarCurrentOdometer", "4321");
      await page.press("#CarCurrentOdometer", "Tab");
      await eventually(async () => (await page.locator("#DirtyFlag").innerText()) === "true", "the car marked changed");

      await chooseMenu(app, "File", "Exit");
      const asked = await question(app);
      assert.match(asked.message, /You've made changes to this car/);
      await answer(app, asked.box, "#ButtonOK");  // the button that reads "Cancel"
      assert.ok(await stillRunning(app), "the program goes on");
      assert.equal(await page.inputValue("#CarCurrentOdometer"), "4321", "the typing is kept");
      assert.equal(await page.locator("#QuickStartEnabled").innerText(), "1", "still the wizard's page");

      const browserAsked = answerBrowser(app, ["leave"]);
      await app.page.close({ runBeforeUnload: true });
      assert.deepEqual(await app.exited, { code: 0, signal: null });
      assert.deepEqual(browserAsked, ["beforeunload"]);
      assert.equal(home.query("SELECT COUNT(*) FROM Vehicles"), "0");
      await app.close();
    } finally {
      home.remove();
    }
  });
});

describe("closing the window with typing on the page", () => {
  test("the window asks before it closes: Cancel keeps it and the typing, Leave ends without storing", { timeout: 60000 }, async () => {
    const home = jorvaneHome();
    home.seed(SEED);
    try {
      const { app, page, field } = await fuelEntryTyped(home, "12345");
      const asked = answerBrowser(app, ["stay", "leave"]);
      await app.page.close({ runBeforeUnload: true });
      await eventually(() => asked.length === 1, "the close question");
      assert.deepEqual(asked, ["beforeunload"]);
      assert.ok(!app.page.isClosed(), "the window stays");
      assert.ok(await stillRunning(app), "the program goes on");
      assert.equal(await page.inputValue(field), "12345", "the typing is kept");

      await app.page.close({ runBeforeUnload: true });
      assert.deepEqual(await app.exited, { code: 0, signal: null });
      assert.deepEqual(asked, ["beforeunload", "beforeunload"]);
      // The user chose to leave what was typed.
      assert.deepEqual(storedOdometers(home), ["12000.0"]);
      await app.close();
    } finally {
      home.remove();
    }
  });

  test("with nothing typed the window closes without a question", { timeout: 60000 }, async () => {
    const home = jorvaneHome();
    home.seed(SEED);
    try {
      const app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" } });
      await openRegister(app, "a.nav-fuel", "Fuel Register");
      const asked = answerBrowser(app, []);
      await app.page.close({ runBeforeUnload: true });
      assert.deepEqual(await app.exited, { code: 0, signal: null });
      assert.deepEqual(asked, []);
      await app.close();
    } finally {
      home.remove();
    }
  });

  test("a browser that ends without asking leaves a valid typed entry stored", { timeout: 60000 }, async () => {
    const home = jorvaneHome();
    home.seed(SEED);
    try {
      const { app, page } = await fuelEntryTyped(home, "12345");
      // What was typed has reached the program (this call's answer follows it).
      await page.evaluate(() => window.external.JVToNumber("1"));
      await app.browser.close();
      assert.deepEqual(await app.exited, { code: 0, signal: null });
      assert.deepEqual(storedOdometers(home), ["12000.0", "12345.0"]);
      assert.match(home.traceLog(), /The changes on page 175 were saved as the program ended/);
      await app.close();
    } finally {
      home.remove();
    }
  });

  test("a program told to end keeps a changed car's details; an entry that is not valid stays unsaved", { timeout: 90000 }, async () => {
    const home = jorvaneHome();
    home.seed(SEED);
    try {
      let app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" } });
      const ws = await workspace(app);
      await ws.evaluate((id) => { location.href = "177?" + id; }, CAR);
      await eventually(async () => (await (await workspace(app)).title()) === "Vehicle Information Page", "the vehicle page");
      const page = await workspace(app);
      await page.waitForFunction(() => window.external);
      await page.click("#ShowOptionalTabs");
      await page.click("#TabMiscellaneous");
      // What the window sends to the program, kept by the test as well.
      await app.page.evaluate(() => {
        const socket = window.jvHost.socket;
        const send = socket.send.bind(socket);
        window.jvSent = [];
        socket.send = (text) => {
          window.jvSent.push(text);
          send(text);
        };
      });
      await page.click("#Color");
      await page.fill("#Color", "Blue");
      await page.press("#Color", "Tab");
      await eventually(async () => (await page.locator("#DirtyFlag").innerText()) === "true", "the car marked changed");
      // The page calls nothing on a change: the typing goes to the program on its own.
      await eventually(() => app.page.evaluate(() => window.jvSent.some((text) => text.includes('"t":"forms"') &&
        text.includes('"Blue"'))), "the typing sent");
      // Taken in before the signal comes (messages are handled in order; this call's answer follows).
      await page.evaluate(() => window.external.JVToNumber("1"));
      app.child.kill("SIGTERM");
      assert.deepEqual(await app.exited, { code: 0, signal: null });
      assert.equal(home.query(`SELECT Color FROM Vehicles WHERE VehicleID = '${CAR}'`), "Blue");
      await app.close();

      // An entry whose date is no date is not stored, and the program ends though the date check
      // is still open.
      let field;
      ({ app, field } = await fuelEntryTyped(home, "12345"));
      const date = field.replace("Odometer", "date");
      await app.page.frame({ name: "main_workspace" }).click(date);
      await app.page.frame({ name: "main_workspace" }).fill(date, "02/30/26");
      await app.page.frame({ name: "main_workspace" }).press(date, "Tab");
      const check = await question(app);
      assert.match(check.message, /Please enter a valid date/);
      app.child.kill("SIGTERM");
      assert.deepEqual(await app.exited, { code: 0, signal: null });
      assert.deepEqual(storedOdometers(home), ["12000.0"]);
      assert.match(home.traceLog(), /The changes on page 175 could not be saved as the program ended/);
      await app.close();
    } finally {
      home.remove();
    }
  });
});
