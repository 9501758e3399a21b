// What the program holds of the page when the user's work ends some other way than by a save: an
// entry saved with Enter is not stored a second time at a stop, QuickStart's leave box keeps the
// wizard unless Exit is chosen, a key pressed a moment before a stop is kept, and a window that
// closes with typing on it leaves a line in the trace log. Each checked against the database.
import assert from "node:assert/strict";
import { after, before, describe, test } from "node:test";
import {
  answerBrowser, dialog, eventually, frame, jorvaneHome, openRegister, quickStartToTheVehiclePage, startJorvane, startJorvaneHeaded, typingSent,
  virtualDisplay, windowDelivered,
} from "./harness.mjs";

const CAR = "{E1E1E1E1-0000-0000-0000-000000000002}";
// 46000 is 9 December 2025 in the database's day numbers.
const SEED = `INSERT INTO Vehicles (VehicleID, Name, Make, Model, StyleYear, Style, Custom, Sold, Selected, Color, PurchaseOdometer)
  VALUES ('${CAR}', 'Daily', 'Acura', 'Integra', 2004, 'GS', -1, 0, 0, 'Red', -1);
INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost)
  VALUES ('${CAR}', 46000, 12000, 300, 'Shell', -1, 10.5, 3.199, 33.59);
INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${CAR}', 46000, 12000);
UPDATE Prefs SET Internet = 1;`;

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function workspace(app) {
  return frame(app.page, "main_workspace");
}

function fuelRows(home) {
  return home.query("SELECT COALESCE(Odometer, '-') || ' ' || COALESCE(Vendor, '-') FROM FuelPurchases ORDER BY FuelPurchaseID")
    .split("\n");
}

// Kills the program's browser as a crash or `kill -9` would: the browser's own process, found
// through its DevTools connection.
async function killBrowser(app) {
  const session = await app.browser.newBrowserCDPSession();
  const { processInfo } = await session.send("SystemInfo.getProcessInfo");
  const browser = processInfo.find((info) => info.type === "browser");
  process.kill(browser.id, "SIGKILL");
}

// Types into the new entry of the register shown, key by key, pauses until the window has sent
// the typing to the program, and presses Enter (the page's own save), then waits until the entry
// is stored and a blank new entry stands there.
async function typePauseEnter(app, page, name, text, stored) {
  if (name === "Cost") await page.selectOption('tr[id="new"] [name="category"]', { index: 1 });
  await page.click(`tr[id="new"] [name="${name}"]`);
  await app.page.keyboard.type(text, { delay: 60 });
  await typingSent(app);
  await app.page.keyboard.press("Enter");
  await eventually(stored, "the entry stored");
  await eventually(async () => (await page.locator("#DirtyFlag").innerText()) === "false", "the entry saved on the page");
  await eventually(async () => !(await page.inputValue(`tr[id="new"] [name="${name}"]`)).startsWith(text), "a blank new entry");
}

describe("an entry saved with Enter in the program's own window", () => {
  let display = null;
  before(async () => {
    display = await virtualDisplay(1280, 900);
  });
  after(async () => {
    if (display) await display.close();
  });

  for (const way of ["SIGTERM", "the browser killed"]) {
    test(`is stored once; ${way} later stores nothing more`, { timeout: 90000 }, async (t) => {
      if (!display) {
        t.skip("no Xvfb to show a headed window on");
        return;
      }
      const home = jorvaneHome();
      home.seed(SEED);
      try {
        const app = await startJorvaneHeaded(home, display, { env: { JV_NOW: "2026-12-09" } });
        const page = await openRegister(app, "a.nav-fuel", "Fuel Register");
        await typePauseEnter(app, page, "Odometer", "12345", () => fuelRows(home).length === 2);
        // Some time later, nothing touched since: all the window had to say has been handled.
        await windowDelivered(app, page);
        if (way === "SIGTERM") app.child.kill("SIGTERM");
        else await killBrowser(app);
        assert.deepEqual(await app.exited, { code: 0, signal: null });
        assert.deepEqual(fuelRows(home), ["12000.0 Shell", "12345.0 -"]);
        assert.doesNotMatch(home.traceLog(), /could not be saved as the program ended/);
        await app.kill();
      } finally {
        home.remove();
      }
    });
  }
});

describe("an entry saved with Enter, then a stop", () => {
  // The registers whose saved entry left the page marked changed: what is typed, and how the
  // stored rows are counted.
  const cases = [
    { register: "Expense", page: "192", title: "Miscellaneous Expense Register", field: "Cost", text: "42",
      count: "SELECT COUNT(*) FROM Expenses" },
    { register: "Odometer", page: "215", title: "Odometer Register", field: "odometer", text: "12600",
      count: "SELECT COUNT(*) FROM OdometerValues" },
  ];
  for (const c of cases) {
    test(`the ${c.register} register: only the saved entry is stored, and nothing is said to be unsaved`, { timeout: 60000 }, async () => {
      const home = jorvaneHome();
      home.seed(SEED);
      try {
        const app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" } });
        const before = Number(home.query(c.count));
        await (await workspace(app)).evaluate((id) => { location.href = id; }, c.page);
        await eventually(async () => (await (await workspace(app)).title()) === c.title, c.title);
        const page = await workspace(app);
        await page.waitForSelector("#new");
        await typePauseEnter(app, page, c.field, c.text, () => Number(home.query(c.count)) === before + 1);
        await windowDelivered(app, page);
        app.child.kill("SIGTERM");
        assert.deepEqual(await app.exited, { code: 0, signal: null });
        assert.equal(Number(home.query(c.count)), before + 1);
        assert.doesNotMatch(home.traceLog(), /could not be saved as the program ended/);
        await app.kill();
      } finally {
        home.remove();
      }
    });
  }
});

describe("a stored car saved on its page, then a stop", () => {
  test("Make More Changes, then SIGTERM: the car as saved, and nothing more to keep", { timeout: 60000 }, async () => {
    const home = jorvaneHome();
    home.seed(SEED);
    try {
      const app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" } });
      await (await workspace(app)).evaluate((id) => { location.href = "177?" + id; }, CAR);
      await eventually(async () => (await (await workspace(app)).title()) === "Vehicle Information Page", "the vehicle page");
      const page = await workspace(app);
      await page.waitForFunction(() => window.external);
      await page.click("#ShowOptionalTabs");
      await page.click("#TabMiscellaneous");
      await page.click("#Color");
      await page.fill("#Color", "");
      await app.page.keyboard.type("Blue", { delay: 40 });
      await app.page.keyboard.press("Tab");
      await eventually(async () => (await page.locator("#DirtyFlag").innerText()) === "true", "the car marked changed");
      await page.click("#SaveVehicle");
      const saved = await dialog(app.page);
      assert.match(await saved.locator("#message").innerText(), /Jorvane has saved your changes/);
      await saved.click("#ButtonCancel");  // Make More Changes
      await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });
      await eventually(async () => (await page.locator("#DirtyFlag").innerText()) === "false", "the car saved on the page");
      await windowDelivered(app, page);
      app.child.kill("SIGTERM");
      assert.deepEqual(await app.exited, { code: 0, signal: null });
      assert.equal(home.query(`SELECT Color FROM Vehicles WHERE VehicleID = '${CAR}'`), "Blue");
      assert.doesNotMatch(home.traceLog(), /page 177 (were|could not be) saved/);
      await app.kill();
    } finally {
      home.remove();
    }
  });
});

describe("QuickStart's leave box", () => {
  test("Escape and the close button mean Return To QuickStart: the wizard and the typing stay", { timeout: 90000 }, async () => {
    const home = jorvaneHome();
    // An empty garage starts QuickStart; never connecting keeps the car-data questions away.
    home.seed("UPDATE Prefs SET Internet = 1;");
    try {
      const app = await startJorvane(home);
      const page = await quickStartToTheVehiclePage(app);
      await page.fill("#CustomCarMake", "Lada");
      await page.fill("#CarCurrentOdometer", "20000");

      const navbar = await frame(app.page, "main_navbar");
      for (const way of ["Escape", "the close button"]) {
        await navbar.click("a.nav-home");
        const box = await dialog(app.page);
        assert.match(await box.locator("#message").innerText(), /Leaving the page now will exit QuickStart/);
        if (way === "Escape") await box.locator("body").press("Escape");
        else await app.page.locator("dialog.jv-dialog .jv-dialog-caption button[title=Close]").click();
        await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });
        // Whatever the box's answer made the program do has been done by the time it answers.
        const shown = await workspace(app);
        await windowDelivered(app, shown);
        assert.equal(await shown.title(), "Vehicle Information Page", way);
        assert.equal(await shown.locator("#QuickStartEnabled").innerText(), "1", way + ": still the wizard's page");
        assert.equal(await shown.inputValue("#CarCurrentOdometer"), "20000", way + ": the typing kept");
        assert.equal(await shown.inputValue("#CustomCarMake"), "Lada", way + ": the typing kept");
      }
      // Exit still leaves the wizard.
      await navbar.click("a.nav-home");
      await (await dialog(app.page)).click("#ButtonExit");
      await eventually(async () => (await (await workspace(app)).title()) === "Home Page", "the home page");
      assert.equal(home.query("SELECT COUNT(*) FROM Vehicles"), "0");
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });
});

describe("a key pressed a moment before a stop", () => {
  // How long before the signal the last key goes, and whether the window answers the program.
  const cases = [
    { wait: 120, answers: true, stored: ["12000.0 Shell", "12345.0 -"] },
    { wait: 280, answers: true, stored: ["12000.0 Shell", "12345.0 -"] },
    { wait: 150, answers: false, stored: ["12000.0 Shell"] },
  ];
  for (const c of cases) {
    test(`${c.wait} ms before SIGTERM, the window ${c.answers ? "answering" : "not answering"}`, { timeout: 60000 }, async () => {
      const home = jorvaneHome();
      home.seed(SEED);
      try {
        const app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" } });
        const page = await openRegister(app, "a.nav-fuel", "Fuel Register");
        if (!c.answers) {
          // A window that has stopped answering: nothing it sends from now on reaches the program.
          await app.page.evaluate(() => {
            window.jvHost.socket.send = () => {};
          });
        }
        await page.click('tr[id="new"] [name="Odometer"]');
        await app.page.keyboard.type("12345", { delay: 30 });
        // The user's own moment between the last key and the signal, not a wait for the program:
        // whether the window has sent the typing by then or not, the outcome is the same.
        await sleep(c.wait);
        app.child.kill("SIGTERM");
        assert.deepEqual(await app.exited, { code: 0, signal: null });
        assert.deepEqual(fuelRows(home), c.stored);
        if (c.answers) assert.match(home.traceLog(), /The changes on page 175 were saved as the program ended/);
        else assert.match(home.traceLog(), /What the window held as the program ended could not be fetched/);
        await app.kill();
      } finally {
        home.remove();
      }
    });
  }
});

describe("a window closed with typing on it", () => {
  // The close question is not shown once the user has told the browser to keep the page's dialogs
  // away: the window goes as on Leave. Either way the typing goes with it, and the trace log says so.
  test("leaves it unsaved and says so in the trace log", { timeout: 60000 }, async () => {
    const home = jorvaneHome();
    home.seed(SEED);
    try {
      const app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" } });
      const page = await openRegister(app, "a.nav-fuel", "Fuel Register");
      await page.click('tr[id="new"] [name="Odometer"]');
      await app.page.keyboard.type("12345");
      await app.page.keyboard.press("Tab");
      await eventually(async () => (await page.locator("#DirtyFlag").innerText()) === "true", "the entry marked changed");
      await page.evaluate(() => window.external.JVToNumber("1"));
      answerBrowser(app, ["leave"]);
      await app.page.close({ runBeforeUnload: true });
      assert.deepEqual(await app.exited, { code: 0, signal: null });
      assert.deepEqual(fuelRows(home), ["12000.0 Shell"]);
      assert.match(home.traceLog(), /The window was closed with unsaved changes on page 175: they were not saved/);
      await app.kill();
    } finally {
      home.remove();
    }
  });
});
