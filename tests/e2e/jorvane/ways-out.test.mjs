// Every way out of the program against every page with typing on it, as a person types (a click
// into the field, key by key, Tab): File > Exit and its answers, closing the window and the
// browser's close question, SIGTERM, the browser killed. What each keeps is checked in the
// database: a valid register entry is stored once and as the page's own save stores it, or not at
// all; a stored car's changes likewise, a schedule typed into its open plan row among them; a
// half-typed new car and unsaved preferences never.
// The registers are typed in the window the program starts itself (headed, on an Xvfb of the
// test's); the other pages in a headless window.
import assert from "node:assert/strict";
import { existsSync, mkdtempSync, readdirSync, readFileSync, readlinkSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join } from "node:path";
import { after, before, describe, test } from "node:test";
import {
  answerBrowser, chooseMenu, dialog, eventually, frame, jorvaneHome, openRegister, quickStartToTheVehiclePage, startJorvane,
  startJorvaneHeaded, stillRunning, virtualDisplay, windowDelivered,
} from "./harness.mjs";

const CAR = "{D0D0D0D0-0000-0000-0000-000000000001}";
// A car with a fill-up and a reading at 12000 on 9 December 2025 (46000 in the database's day
// numbers); today is 9 December 2026 (46365). The internet refused: no car-data questions.
const GARAGE = `INSERT INTO Vehicles (VehicleID, Name, Make, Model, StyleYear, Style, Custom, Sold, Selected, Color, PurchaseOdometer)
  VALUES ('${CAR}', 'Daily', 'Acura', 'Integra', 2004, 'GS', -1, 0, 0, 'Red', -1);
INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost)
  VALUES ('${CAR}', 46000, 12000, 300, 'Shell', -1, 10.5, 3.199, 33.59);
INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${CAR}', 46000, 12000);
UPDATE Prefs SET Internet = 1, MechanicName = 'Old Garage';`;
const TODAY = "2026-12-09";
const SEEDED_FILL_UP = `1|${CAR}|46000.0|12000.0|300.0|Shell|-1|10.5|3.199||||33.59`;
const SEEDED_READING = `1|${CAR}|46000.0|12000.0`;
// The stored car with a plan of its own (for the plan row typed into).
const PLAN = `INSERT INTO MaintenancePlan (MaintenancePlanID, Name, StyleID, DrivingCondition) VALUES (900, 'plan for Daily', '', 'S');
INSERT INTO MaintenancePlanItems (MaintenancePlanItemID, MaintenancePlanID, ITEM_DESCRIPTION, ACTION_DESCRIPTION, INITIAL_MILEAGE, INITIAL_MONTH, INTERVAL_MILEAGE, INTERVAL_MONTH)
  VALUES (901, 900, 'Engine oil', 'Replace', 0, 0, 5000, 6), (902, 900, 'Tires', 'Rotate', 7500, 0, 7500, 0);
UPDATE Vehicles SET MaintenancePlanID = 900;`;
const PLAN_ROW = (item) => `#serviceitems tr:has-text("${item}")`;
const ENTRY_QUESTION = "You made changes to the current entry. Press OK to save changes or Cancel to discard changes.";
const CAR_QUESTION = /^You've made changes to this car/;

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const NEW = (name) => `tr[id="new"] [name="${name}"]`;
const NEW_BOTTOM = (name) => `tr[id="new"] + tr [name="${name}"]`;

// Types into a field as a person does: a click into it, all of it chosen when it holds text
// already, the keys one by one, then Tab on to the next field.
async function typeAsPerson(app, page, selector, text) {
  await page.click(selector);
  if (await page.inputValue(selector)) await app.page.keyboard.press("Control+a");
  await app.page.keyboard.type(text, { delay: 40 });
  await app.page.keyboard.press("Tab");
}

async function workspaceTitled(app, title) {
  await eventually(async () => (await (await frame(app.page, "main_workspace")).title().catch(() => "")) === title, title);
  return frame(app.page, "main_workspace");
}

async function odometerRegister(app) {
  await chooseMenu(app, "Go To", "Edit Car Odometer History");
  const page = await workspaceTitled(app, "Odometer Register");
  await page.waitForSelector("#new");
  return page;
}

async function storedCar(app) {
  await chooseMenu(app, "Go To", "Edit Car Details");
  const cars = await dialog(app.page);
  await cars.selectOption("#CarList", CAR);
  await cars.click("#ButtonOK");
  const page = await workspaceTitled(app, "Vehicle Information Page");
  await page.waitForFunction(() => window.external);
  return page;
}

async function preferences(app) {
  await workspaceTitled(app, "Home Page");
  await chooseMenu(app, "Edit", "Preferences");
  const page = await workspaceTitled(app, "Preferences");
  await page.waitForFunction(() => window.external);
  return page;
}

// A register's new entry saved by the page itself: Enter in its last field.
async function pressEnter(app, page, selector) {
  await page.click(selector);
  await app.page.keyboard.press("Enter");
}

// The car saved by its page: Save Vehicle, and OK to the note that it was saved.
async function saveCar(app, page) {
  await page.click("#SaveVehicle");
  const saved = await dialog(app.page);
  assert.match(await saved.locator("#message").innerText(), /Jorvane has saved your changes/);
  await saved.click("#ButtonOK");
}

const REGISTER_CELLS = {
  "the page's own save": "stores",
  "File > Exit, OK": "stores",
  "File > Exit, Cancel": "ends",
  "File > Exit, Escape": "keeps",
  "the close question, Leave": "ends",
  "the close question, Cancel": "keeps",
  SIGTERM: "stores",
  "the browser killed": "stores",
};

// The pages, each with its typing and what the database holds untouched and with the typing
// stored once (as the page's own save stores it). `cells`: each way out and what it keeps:
// "stores" (ends with the typing stored once), "ends" (ends with nothing stored), "keeps" (the
// window and the typing stay, nothing stored), "lost" (killed, nothing stored).
const PAGES = [
  {
    page: "the Fuel Register",
    headed: true,
    open: (app) => openRegister(app, "a.nav-fuel", "Fuel Register"),
    fields: [[NEW("Odometer"), "12300"], [NEW_BOTTOM("Volume"), "10"], [NEW("Total Cost"), "31"]],
    save: (app, page) => pressEnter(app, page, NEW("Total Cost")),
    question: ENTRY_QUESTION,
    state: (home) => home.query("SELECT * FROM FuelPurchases ORDER BY 1") + "\n" + home.query("SELECT * FROM OdometerValues ORDER BY 1"),
    untouched: `${SEEDED_FILL_UP}\n${SEEDED_READING}`,
    stored: `${SEEDED_FILL_UP}\n2|${CAR}|46365.0|12300.0|300.0||-1|10.0|3.1||M||31.0\n${SEEDED_READING}\n2|${CAR}|46365.0|12300.0`,
    // The program killed goes first: what it leaves is for the next start to clear.
    cells: { "the program killed": "lost", ...REGISTER_CELLS, SIGHUP: "stores" },
  },
  {
    page: "the Service Register",
    headed: true,
    open: (app) => openRegister(app, "a.nav-service", "Service Register"),
    fields: [[NEW("Vendor"), "Jiffy"], [NEW("Odometer"), "12500"], [NEW("Cost"), "80"], ["#details_parts", "80"]],
    save: (app, page) => page.click(NEW_BOTTOM("Submit")),
    question: ENTRY_QUESTION,
    state: (home) => home.query("SELECT * FROM Services ORDER BY 1") + "\n" + home.query("SELECT * FROM OdometerValues ORDER BY 1"),
    untouched: `\n${SEEDED_READING}`,
    stored: `1|${CAR}|46365.0|Jiffy||80.0|80.0|||0||12500.0|\n${SEEDED_READING}\n2|${CAR}|46365.0|12500.0`,
    cells: REGISTER_CELLS,
  },
  {
    page: "the Expense Register",
    headed: true,
    open: (app) => openRegister(app, "a.nav-expense", "Miscellaneous Expense Register"),
    fields: [[NEW("Vendor"), "Acme Parking"], [NEW("category"), "Parking"], [NEW("Cost"), "45.5"]],
    save: (app, page) => pressEnter(app, page, NEW("Cost")),
    question: ENTRY_QUESTION,
    state: (home) => home.query("SELECT * FROM Expenses ORDER BY 1") + "\n" + home.query("SELECT * FROM OdometerValues ORDER BY 1"),
    untouched: `\n${SEEDED_READING}`,
    stored: `1|${CAR}|46365.0|Acme Parking||5||45.5|\n${SEEDED_READING}`,
    cells: REGISTER_CELLS,
  },
  {
    page: "the Odometer Register",
    headed: true,
    open: odometerRegister,
    fields: [[NEW("odometer"), "12600"]],
    save: (app, page) => pressEnter(app, page, NEW("odometer")),
    question: ENTRY_QUESTION,
    state: (home) => home.query("SELECT * FROM OdometerValues ORDER BY 1"),
    untouched: SEEDED_READING,
    stored: `${SEEDED_READING}\n2|${CAR}|46365.0|12600.0`,
    cells: REGISTER_CELLS,
  },
  {
    page: "the vehicle page of a stored car",
    open: async (app) => {
      const page = await storedCar(app);
      await page.click("#ShowOptionalTabs");
      return page;
    },
    fields: [["#CarName", "Family"], ["#TabMiscellaneous"], ["#Color", "Blue"]],
    save: saveCar,
    question: CAR_QUESTION,
    state: (home) => home.query(`SELECT Name, Make, Model, StyleYear, Style, Color FROM Vehicles ORDER BY 1`) + "\n" +
      home.query("SELECT * FROM MaintenancePlan"),
    untouched: "Daily|Acura|Integra|2004|GS|Red\n",
    // The page's own save gives the car a plan of its own.
    stored: "Family|Acura|Integra|2004|GS|Blue\n1||plan for Family|S",
    cells: {
      "the page's own save": "stores",
      "File > Exit, Cancel": "keeps",
      "File > Exit, Escape": "keeps",
      "File > Exit, Continue": "ends",
      "the close question, Leave": "ends",
      "the close question, Cancel": "keeps",
      SIGTERM: "stores",
      "the browser killed": "stores",
    },
  },
  {
    page: "the vehicle page of a stored car with a plan row typed in, not submitted",
    seed: PLAN,
    open: async (app) => {
      const page = await storedCar(app);
      await page.click("#TabPlan");
      return page;
    },
    fields: [[`${PLAN_ROW("Engine oil")} td >> nth=0`], [`${PLAN_ROW("Engine oil")} [name=InputIntervalDistance]`, "6000"]],
    question: CAR_QUESTION,
    state: (home) => home.query("SELECT i.ITEM_DESCRIPTION, i.INITIAL_MILEAGE, i.INITIAL_MONTH, i.INTERVAL_MILEAGE, i.INTERVAL_MONTH " +
      "FROM MaintenancePlanItems i JOIN Vehicles v USING (MaintenancePlanID) ORDER BY 1"),
    untouched: "Engine oil|0|0|5000|6\nTires|7500|0|7500|0",
    stored: "Engine oil|0|0|6000|6\nTires|7500|0|7500|0",
    cells: {
      "File > Exit, Cancel": "keeps",
      "Home in the navigation bar, Cancel": "keeps",
      "the close question, Cancel": "keeps",
      SIGTERM: "stores",
      "the browser killed": "stores",
      "SIGINT while the plan row's question is open": "stores",
    },
  },
  {
    page: "QuickStart's vehicle page with a half-typed new car",
    newDatabase: true,
    open: quickStartToTheVehiclePage,
    // All the page asks for but the name the save asks for last.
    fields: [["#CustomCarYear", "1985"], ["#CustomCarMake", "Lada"], ["#CustomCarModel", "2105"], ["#CustomCarStyle", "Sedan"],
      ["#CarCurrentOdometer", "4321"]],
    question: CAR_QUESTION,
    state: (home) => home.query("SELECT (SELECT count(*) FROM Vehicles), (SELECT count(*) FROM MaintenancePlan), " +
      "(SELECT count(*) FROM OdometerValues), (SELECT count(*) FROM Services)"),
    untouched: "0|0|0|0",
    // It still needs its name: no way out stores it, and the log says so.
    trace: {
      SIGTERM: /The changes on page 177 could not be saved as the program ended: the new car has no name yet$/m,
      "the browser killed": /The changes on page 177 could not be saved as the program ended: the new car has no name yet$/m,
    },
    cells: {
      "File > Exit, Cancel": "keeps",
      "File > Exit, Escape": "keeps",
      "File > Exit, Continue": "ends",
      "the close question, Leave": "ends",
      "the close question, Cancel": "keeps",
      SIGTERM: "ends",
      "the browser killed": "ends",
    },
  },
  {
    page: "Preferences with a changed field not saved",
    open: preferences,
    fields: [["#MechanicName", "Never Saved"]],
    question: null,
    state: (home) => home.query("SELECT MechanicName, DistanceUnit, VolumeUnit FROM Prefs"),
    untouched: "Old Garage|0|0",
    // The page has no question about unsaved typing: every way out ends without it, and the log
    // names the page.
    trace: Object.fromEntries(["File > Exit, nothing asked", "closing the window, nothing asked", "SIGTERM", "the browser killed"]
      .map((way) => [way, /The program ended with unsaved changes on the preferences page \(197\): they were not saved, as the preferences are kept only by their Save$/m])),
    cells: {
      "File > Exit, nothing asked": "ends",
      "closing the window, nothing asked": "ends",
      SIGTERM: "ends",
      "the browser killed": "ends",
    },
  },
];

// The process of the browser that shows the window (the test's own, headless, or the one the
// program started, headed), as the browser tells it.
async function browserPid(app) {
  const session = await app.browser.newBrowserCDPSession();
  const { processInfo } = await session.send("SystemInfo.getProcessInfo");
  await session.detach();
  const found = processInfo.find((info) => info.type === "browser");
  assert.ok(found, "the browser's own process");
  return found.id;
}

// How the program ended, or null while it has not within `wait` ms.
function ending(app, wait = 15000) {
  return Promise.race([app.exited, sleep(wait).then(() => null)]);
}

// File > Exit answered with the box's button of that label, or Escape; `label` null: nothing is
// asked.
function exit(label) {
  return async (app, row) => {
    await chooseMenu(app, "File", "Exit");
    if (row.question === null) {
      assert.deepEqual(await ending(app), { code: 0, signal: null }, "ends without a question");
      assert.equal(await app.page.locator("dialog.jv-dialog").count().catch(() => 0), 0);
      return;
    }
    const box = await dialog(app.page);
    const message = await box.locator("#message").innerText();
    if (typeof row.question === "string") assert.equal(message, row.question);
    else assert.match(message, row.question);
    if (label === "Escape") {
      await box.press("body", "Escape");
    } else {
      const button = box.locator("#ButtonOK, #ButtonCancel").filter({ hasText: new RegExp(`^${label}$`) });
      assert.equal(await button.count(), 1, `a button "${label}" in the box`);
      await button.click();
    }
  };
}

// The window closed as a person closes it: the browser asks its close question when the page
// holds unsaved work, answered `choice`; `choice` null: nothing is asked.
function close(choice) {
  return async (app, row, run) => {
    const before = run.browserAsked.length;
    run.browserChoices.push(choice);
    await app.page.close({ runBeforeUnload: true });
    if (choice === null) {
      assert.deepEqual(await ending(app), { code: 0, signal: null }, "ends without a question");
      assert.deepEqual(run.browserAsked.slice(before), []);
      run.browserChoices.length = 0;
      return;
    }
    await eventually(() => run.browserAsked.length > before, "the close question");
    assert.deepEqual(run.browserAsked.slice(before), ["beforeunload"]);
  };
}

// The car question of leaving the page for Home, answered Cancel.
async function homeCancelled(app, row) {
  const navbar = await frame(app.page, "main_navbar");
  await navbar.click("a.nav-home");
  const box = await dialog(app.page);
  assert.match(await box.locator("#message").innerText(), row.question);
  await box.locator("#ButtonOK, #ButtonCancel").filter({ hasText: /^Cancel$/ }).click();
}

// A click beside the open plan row: the page asks whether to keep the row's changes, and the
// program is told to stop while the question is open.
async function stopWhilePlanRowAsks(app, row, run) {
  await run.page.click("h1.pageheading");
  const box = await dialog(app.page);
  assert.match(await box.locator("#message").innerText(), /^You made changes to a maintenance plan item/);
  app.child.kill("SIGINT");
}

const WAYS = {
  "the page's own save": (app, row, run) => row.save(app, run.page),
  "File > Exit, OK": exit("OK"),
  "File > Exit, Cancel": exit("Cancel"),
  "File > Exit, Continue": exit("Continue"),
  "File > Exit, Escape": exit("Escape"),
  "File > Exit, nothing asked": exit(null),
  "the close question, Leave": close("leave"),
  "the close question, Cancel": close("stay"),
  "closing the window, nothing asked": close(null),
  "Home in the navigation bar, Cancel": homeCancelled,
  SIGTERM: (app) => app.child.kill("SIGTERM"),
  "SIGINT while the plan row's question is open": stopWhilePlanRowAsks,
  // As when the terminal the program was started from closes.
  SIGHUP: (app) => app.child.kill("SIGHUP"),
  "the browser killed": async (app) => process.kill(await browserPid(app), "SIGKILL"),
  "the program killed": (app) => app.child.kill("SIGKILL"),
};

// The private folders of the program's browsers in the temporary folder `tmp`, and those of the
// browsers' own sockets.
function browserFolders(tmp) {
  return readdirSync(tmp).filter((name) => /^(jorvane-|org\.chromium\.)/.test(name)).map((name) => join(tmp, name));
}

// The processes whose command line names `folder` (the browser the program started there).
function processesUsing(folder) {
  const found = [];
  for (const pid of readdirSync("/proc").filter((name) => /^\d+$/.test(name))) {
    try {
      if (readFileSync(`/proc/${pid}/cmdline`, "utf8").includes(folder)) found.push(pid);
    } catch {
      // The process ended meanwhile.
    }
  }
  return found;
}

// What the program's browser left once the program has ended: no process of it runs on, and its
// private folder is gone (after a kill of the program it stays for the next start to remove).
async function checkBrowserGone(run, killed) {
  const folder = run.folder;
  await eventually(() => processesUsing(folder).length === 0, "the browser's processes ended: " + processesUsing(folder).join(" "));
  if (killed) {
    assert.ok(existsSync(folder), "a killed program's folder stays until the next start");
  } else {
    assert.deepEqual(browserFolders(run.tmp), [], "nothing of the program's left in the temporary folder");
  }
}

// What a way out left: the program running or ended, the window and its typing, the database.
async function checkOutcome(app, row, run, outcome) {
  if (outcome === "keeps") {
    assert.ok(await stillRunning(app, 1000), "the program goes on");
    assert.ok(!app.page.isClosed(), "the window stays");
    await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });
    for (const [selector, shown] of run.typed) assert.equal(await run.page.inputValue(selector), shown, selector + ": the typing is kept");
    assert.equal(row.state(app.home), row.untouched, "nothing stored");
  } else if (outcome === "stores" && !app.ended && run.ownSave) {
    // The page's own save: the program goes on with the entry stored.
    await eventually(() => row.state(app.home) === row.stored, "the entry stored by the page");
    await windowDelivered(app, run.page);
    assert.equal(row.state(app.home), row.stored, "stored once, as typed");
  } else if (outcome === "lost") {
    assert.deepEqual(await ending(app), { code: null, signal: "SIGKILL" });
    assert.equal(row.state(app.home), row.untouched, "nothing stored");
    if (run.tmp) await checkBrowserGone(run, true);
  } else {
    assert.deepEqual(await ending(app), { code: 0, signal: null }, "the program ends with status 0");
    if (run.tmp) await checkBrowserGone(run, false);
    assert.equal(row.state(app.home), outcome === "stores" ? row.stored : row.untouched,
      outcome === "stores" ? "stored once, as the page's own save stores it" : "nothing stored");
  }
}

// The program runs for each way that ends it; the ways that keep the window go first in the run
// that SIGTERM ends, one after the other.
function runsOf(row) {
  const ways = Object.keys(row.cells);
  const keeping = ways.filter((way) => row.cells[way] === "keeps");
  return ways.filter((way) => row.cells[way] !== "keeps").map((way) => (way === "SIGTERM" ? [...keeping, way] : [way]));
}

// A program on a garage of its own, the page opened and typed on. Returns the run: the program,
// the page, and each typed field with what it shows after the typing.
async function startRun(row, display) {
  const home = jorvaneHome();
  home.seed(row.newDatabase ? "UPDATE Prefs SET Internet = 1;" : GARAGE + (row.seed ?? ""));
  const env = { JV_NOW: TODAY };
  let app;
  let folder;
  if (display) {
    home.writeSettings({ WindowPos: `0,1,-1,-1,-1,-1,0,0,${display.width},${display.height}` });
    // The runs of a page share a temporary folder of the test's, to see what each leaves there.
    app = await startJorvaneHeaded(home, display, { env: { ...env, TMPDIR: display.tmp } });
    await frame(app.page, "main_navcarlist");
    folder = readFileSync(join(home.root, "browser-profile"), "utf8").trim().replace(/\/profile$/, "");
    // What an earlier run left (a killed one) has gone; only this run's own folders are there.
    try {
      const socket = dirname(readlinkSync(join(folder, "profile/SingletonSocket")));
      assert.deepEqual(browserFolders(display.tmp).sort(), [folder, socket].sort());
    } catch (error) {
      await app.kill({ check: false });
      home.remove();
      throw error;
    }
  } else {
    app = await startJorvane(home, { env });
  }
  const run = { home, app, browserChoices: [], typed: [], tmp: display?.tmp, folder };
  run.browserAsked = answerBrowser(app, run.browserChoices);
  run.page = await row.open(app);
  for (const [selector, text] of row.fields) {
    if (text === undefined) {
      await run.page.click(selector);
    } else if (await run.page.locator(selector).evaluate((field) => field.tagName === "SELECT")) {
      await run.page.selectOption(selector, { label: text });
    } else {
      await typeAsPerson(app, run.page, selector, text);
    }
  }
  // What a register works out as a field is left comes from the program: it has landed.
  await run.page.evaluate(() => (typeof Settled === "function" ? Settled() : undefined));
  for (const [selector, text] of row.fields) if (text !== undefined) run.typed.push([selector, await run.page.inputValue(selector)]);
  if (row.question !== null) {
    await eventually(async () => (await run.page.locator("#DirtyFlag").innerText()) === "true", "the page marked changed");
  }
  assert.equal(row.state(home), row.untouched, "nothing stored while typing");
  return run;
}

for (const row of PAGES) {
  describe(row.page, () => {
    let display = null;
    before(async () => {
      if (!row.headed) return;
      display = await virtualDisplay(1280, 800);
      if (display) Object.assign(display, { width: 1280, height: 800, tmp: mkdtempSync(join(tmpdir(), "jv-e2e-tmp-")) });
    });
    after(async () => {
      if (display) {
        await display.close();
        rmSync(display.tmp, { recursive: true, force: true });
      }
    });

    for (const ways of runsOf(row)) {
      test(ways.join(" → "), { timeout: 60000 }, async (t) => {
        if (row.headed && !display) {
          t.skip("no Xvfb to show the program's own window on");
          return;
        }
        const run = await startRun(row, display);
        run.ownSave = ways[0] === "the page's own save";
        try {
          for (const way of ways) {
            await t.test(`${way}: ${row.cells[way]}`, async () => {
              await WAYS[way](run.app, row, run);
              await checkOutcome(run.app, row, run, row.cells[way]);
              if (row.trace?.[way]) assert.match(run.home.traceLog(), row.trace[way], "the trace log");
            });
          }
        } finally {
          await run.app.kill({ check: false });
          run.home.remove();
        }
      });
    }
  });
}
