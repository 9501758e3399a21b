// The save the program makes itself as it ends (told to end, the browser gone) or on File > Exit
// with OK: each entry is stored once, and only as the page's own save would store it. Each checked
// against the database.
import assert from "node:assert/strict";
import { describe, test } from "node:test";
import {
  answerBrowser, dialog, eventually, findDialog, frame, jorvaneHome, openRegister, startJorvane, typeInEntry,
} from "./harness.mjs";

const CAR = "{E1E1E1E1-0000-0000-0000-000000000001}";
// 46000 is 9 December 2025 in the database's day numbers.
const SEED = `INSERT INTO Vehicles (VehicleID, Name, Make, Model, StyleYear, Style, Custom, Sold, Selected, Color, PurchaseOdometer)
  VALUES ('${CAR}', 'Daily', 'Acura', 'Integra', 2004, 'GS', -1, 0, 0, 'Red', -1);
INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost)
  VALUES ('${CAR}', 46000, 12000, 300, 'Shell', -1, 10.5, 3.199, 33.59);
INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${CAR}', 45900, 11000);
INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${CAR}', 46000, 12000);
UPDATE Prefs SET Internet = 1;`;
const ENTRY_QUESTION = "You made changes to the current entry. Press OK to save changes or Cancel to discard changes.";
const COST_QUESTION = "The Cost value doesn't match the Parts, Labor, Other and Tax values.  Do you want to save anyway?";
const NOW = { JV_NOW: "2026-12-09" };

async function choose(app, menu, item) {
  await app.page.locator("#jv-menubar .jv-menu > button", { hasText: menu }).click();
  await app.page.locator("#jv-menubar .jv-open li button", { hasText: item }).click();
}

// The box's text, once the program has filled it in (a moment after the box has loaded, on a busy
// machine).
async function messageOf(box) {
  return eventually(async () => {
    const text = await box.locator("#message").innerText();
    return text.trim() ? text : null;
  }, "the box's message");
}

async function answer(app, box, button) {
  await box.click(button);
  await eventually(async () => (await app.page.locator("dialog.jv-dialog").count()) === 0, "the box closed");
}

// True when the program is still running a moment later.
async function stillRunning(app) {
  const ended = await Promise.race([app.exited, new Promise((resolve) => setTimeout(() => resolve(null), 1500))]);
  return ended === null;
}

// What the page holds has reached the program (messages are handled in order; this call's answer
// follows them).
async function delivered(page) {
  await page.evaluate(() => window.external.JVToNumber("1"));
}

// The two ways the program is ended without being asked.
const STOPS = {
  SIGTERM: (app) => app.child.kill("SIGTERM"),
  "the browser killed": (app) => app.browser.close(),
  // The window closed, and Leave in the browser's question about unsaved changes.
  "the close question, Leave": async (app) => {
    const asked = answerBrowser(app, ["leave"]);
    await app.page.close({ runBeforeUnload: true });
    await eventually(() => asked.length > 0, "the close question");
  },
};

async function ended(app) {
  assert.deepEqual(await app.exited, { code: 0, signal: null });
  await app.close();
}

function stopLines(home) {
  return home.traceLog().split("\n").filter((line) => /as the program ended/.test(line));
}

// A workspace page opened by its address ("177?<car>": the car's page; "215": the odometer register).
async function openPage(app, address, title) {
  const ws = await frame(app.page, "main_workspace");
  await ws.evaluate((to) => { location.href = to; }, address);
  await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === title, title);
  const page = await frame(app.page, "main_workspace");
  await page.waitForFunction(() => window.external);
  return page;
}
const carPage = (app) => openPage(app, "177?" + CAR, "Vehicle Information Page");
const odometerRegister = async (app) => {
  const page = await openPage(app, "215", "Odometer Register");
  await page.waitForSelector("#new");
  return page;
};

// A new program on the seeded garage with its service register open.
async function serviceRegister(home) {
  const app = await startJorvane(home, { env: NOW });
  const page = await openRegister(app, "a.nav-service", "Service Register");
  return { app, page };
}

// A new service whose cost is not the sum of its parts and labor.
async function mismatchedService(page) {
  await typeInEntry(page, "new", "Odometer", "12500");
  await typeInEntry(page, "new", "Vendor", "Jiffy");
  await typeInEntry(page, "new", "Cost", "60");
  await page.fill("#details_parts", "20");
  await page.press("#details_parts", "Tab");
  await page.fill("#details_labor", "30");
  await page.press("#details_labor", "Tab");
  await eventually(async () => (await page.locator("#DirtyFlag").innerText()) === "true", "the entry marked changed");
}

describe("a stop while a box of a save is open", () => {
  // How the service without an odometer is on its way to be saved when the program is stopped.
  const home_ = async (app) => {
    await (await frame(app.page, "main_navbar")).click("a.nav-home");
    const asked = await dialog(app.page);
    assert.equal(await messageOf(asked), ENTRY_QUESTION);
    return asked;
  };
  const estimate = (app) => findDialog(app, /We will save the value with an estimate of/, "the estimate message");
  const cases = [
    ["Submit, the estimate message", "SIGTERM", async (app, page) => {
      await page.click('tr[id="new"] + tr [name="Submit"]');
      await estimate(app);
    }],
    ["Submit, the estimate message", "the browser killed", async (app, page) => {
      await page.click('tr[id="new"] + tr [name="Submit"]');
      await estimate(app);
    }],
    // The user's Submit asked for the save: it goes on and stores the entry.
    ["Submit, the estimate message", "the close question, Leave", async (app, page) => {
      await page.click('tr[id="new"] + tr [name="Submit"]');
      await estimate(app);
    }],
    ["Home, the question answered OK, the estimate message", "SIGTERM", async (app) => {
      await (await home_(app)).click("#ButtonOK");
      await estimate(app);
    }],
    ["Home, the question open", "SIGTERM", home_],
  ];
  for (const [way, stop, act] of cases) {
    test(`${way}, then ${stop}: the entry is stored once`, { timeout: 60000 }, async () => {
      const home = jorvaneHome();
      home.seed(SEED);
      try {
        const { app, page } = await serviceRegister(home);
        await typeInEntry(page, "new", "Vendor", "Jiffy");
        await typeInEntry(page, "new", "Cost", "50");
        await act(app, page);
        await STOPS[stop](app);
        await ended(app);
        assert.equal(home.query("SELECT COUNT(*), Vendor, Cost FROM Services"), "1|Jiffy|50.0");
        // Under the estimate message the save under way stores the entry and leaves nothing for the
        // end to keep; under the question the end keeps it.
        const lines = stopLines(home);
        if (way === "Home, the question open") {
          assert.equal(lines.length, 1, lines.join("\n"));
          assert.match(lines[0], /The changes on page 186 were saved as the program ended$/);
        } else {
          assert.deepEqual(lines, []);
        }
        assert.doesNotMatch(home.traceLog(), /were not saved/);
      } finally {
        home.remove();
      }
    });
  }
});

describe("a stop keeps only what the page's own save stores without asking", () => {
  const ways = {
    "typed only": async () => {},
    // The cost worked out from the details, then one of the user's own typed over it.
    "its own cost typed last, the cursor still in it": async (app, page) => {
      await page.fill('tr[id="new"] [name="Cost"]', "");
      await page.press('tr[id="new"] [name="Cost"]', "Tab");
      await page.fill("#details_parts", "25");
      await page.press("#details_parts", "Tab");
      await eventually(async () => (await page.inputValue('tr[id="new"] [name="Cost"]')) === "55.00", "the cost follows the details");
      await page.click('tr[id="new"] [name="Cost"]');
      await page.fill('tr[id="new"] [name="Cost"]', "");
      await page.type('tr[id="new"] [name="Cost"]', "60");
    },
    "the cost question answered Cancel": async (app, page) => {
      await page.click('tr[id="new"] + tr [name="Submit"]');
      const asked = await findDialog(app, /Do you want to save anyway/, "the cost question");
      await answer(app, asked, "#ButtonCancel");
    },
    "the cost question unanswered": async (app, page) => {
      await page.click('tr[id="new"] + tr [name="Submit"]');
      await findDialog(app, /Do you want to save anyway/, "the cost question");
    },
  };
  for (const [way, act] of Object.entries(ways)) {
    test(`a service whose cost is not its details' sum, ${way}, then SIGTERM: nothing stored`, { timeout: 60000 }, async () => {
      const home = jorvaneHome();
      home.seed(SEED);
      try {
        const { app, page } = await serviceRegister(home);
        await mismatchedService(page);
        await act(app, page);
        await delivered(page);
        app.child.kill("SIGTERM");
        await ended(app);
        assert.equal(home.query("SELECT COUNT(*) FROM Services"), "0");
        assert.deepEqual(stopLines(home).length, 1);
        assert.match(stopLines(home)[0],
          /The changes on page 186 could not be saved as the program ended: The Cost value doesn't match/);
      } finally {
        home.remove();
      }
    });
  }

  test("File > Exit then OK asks the service's cost question and honours it", { timeout: 60000 }, async () => {
    const home = jorvaneHome();
    home.seed(SEED);
    try {
      const { app, page } = await serviceRegister(home);
      await mismatchedService(page);
      await choose(app, "File", "Exit");
      let asked = await dialog(app.page);
      assert.equal(await messageOf(asked), ENTRY_QUESTION);
      await asked.click("#ButtonOK");
      asked = await findDialog(app, /Do you want to save anyway/, "the cost question");
      assert.equal(await messageOf(asked), COST_QUESTION.replace(/\s+/g, " "));
      await answer(app, asked, "#ButtonCancel");
      assert.ok(await stillRunning(app), "the program goes on");
      assert.equal(await page.inputValue('tr[id="new"] [name="Cost"]'), "60.00", "the typing is kept");
      assert.equal(home.query("SELECT COUNT(*) FROM Services"), "0");

      await choose(app, "File", "Exit");
      asked = await dialog(app.page);
      assert.equal(await messageOf(asked), ENTRY_QUESTION);
      await asked.click("#ButtonOK");
      asked = await findDialog(app, /Do you want to save anyway/, "the cost question");
      await asked.click("#ButtonOK");
      await ended(app);
      assert.equal(home.query("SELECT COUNT(*), Vendor, Cost, Parts, Labor FROM Services"), "1|Jiffy|60.0|20.0|30.0");
      assert.deepEqual(stopLines(home), []);
    } finally {
      home.remove();
    }
  });

  test("a stored car: its make emptied, or a year the page refuses, is not stored at a stop", { timeout: 120000 }, async () => {
    const home = jorvaneHome();
    home.seed(SEED);
    const stored = () => home.query(`SELECT Make, StyleYear, Model, Style FROM Vehicles WHERE VehicleID = '${CAR}'`);
    const edits = [
      ["the make emptied", async (app, page) => {
        await page.fill("#CustomCarMake", "");
        await page.press("#CustomCarMake", "Tab");
      }, /Please enter your car's make, year, model and style/],
      ["a year the page empties, its message open", async (app, page) => {
        await page.fill("#CustomCarYear", "1850");
        await page.press("#CustomCarYear", "Tab");
        await findDialog(app, /Year must be between 1900 and 2027/, "the year's message");
      }, /Please enter your car's make, year, model and style/],
      // The year is why: it is refused before the car is found to lack one.
      ["a year the page would empty, the cursor still in it", async (app, page) => {
        await page.click("#CustomCarYear");
        await page.fill("#CustomCarYear", "");
        await page.type("#CustomCarYear", "0");
      }, /as the program ended: Year must be between 1900 and 2027\.$/],
    ];
    try {
      assert.equal(stored(), "Acura|2004|Integra|GS");
      for (const [what, edit, why] of edits) {
        const app = await startJorvane(home, { env: NOW });
        const page = await carPage(app);
        await edit(app, page);
        await eventually(async () => (await page.locator("#DirtyFlag").innerText()) === "true", "the car marked changed");
        await delivered(page);
        app.child.kill("SIGTERM");
        await ended(app);
        assert.equal(stored(), "Acura|2004|Integra|GS", what);
        const lines = stopLines(home);
        assert.match(lines[lines.length - 1], /The changes on page 177 could not be saved as the program ended/, what);
        assert.match(lines[lines.length - 1], why, what);
      }
    } finally {
      home.remove();
    }
  });
});

describe("a stop stores an entry field for field as the page's save does", () => {
  const top = (name) => `tr[id="new"] [name="${name}"]`;
  const bottom = (name) => `tr[id="new"] + tr [name="${name}"]`;
  // The fields typed into a register's new entry in turn; the cursor stays in the last one.
  const entries = {
    "a fill-up's odometer": { link: "a.nav-fuel", title: "Fuel Register", table: "FuelPurchases",
      fields: [[top("Odometer"), "12400"]], expect: /\|400\.0\|/ },
    // The field the cursor is in rounded as the page shows it once left, and what follows from it.
    "a fill-up's price, then its volume": { link: "a.nav-fuel", title: "Fuel Register", table: "FuelPurchases",
      fields: [[top("Odometer"), "12400"], [top("Cost Per"), "3.199"], [bottom("Volume"), "10.1234"]],
      expect: /\|10\.123\|3\.199\|.*\|32\.38$/ },
    // Entries that follow no other (no odometer) are typed twice in one run: saved with Enter, then
    // typed anew and kept by the stop.
    "a fill-up's volume, then its total": { link: "a.nav-fuel", title: "Fuel Register", table: "FuelPurchases",
      oneRun: true, where: "FuelPurchaseID > 1", fields: [[bottom("Volume"), "10"], [top("Total Cost"), "31.555"]],
      expect: /\|10\.0\|3\.156\|.*\|31\.56$/ },
    "a fill-up's volume, then its price": { link: "a.nav-fuel", title: "Fuel Register", table: "FuelPurchases",
      oneRun: true, where: "FuelPurchaseID > 1", fields: [[bottom("Volume"), "10"], [top("Cost Per"), "3.1999"]],
      expect: /\|10\.0\|3\.2\|.*\|32\.0$/ },
    // Emptied in a stored fill-up: worked out from its volume and price.
    "a stored fill-up's total emptied": { link: "a.nav-fuel", title: "Fuel Register", table: "FuelPurchases",
      oneRun: true, where: "FuelPurchaseID = 1", fields: [['tr[id="1"] [name="Total Cost"]', ""]],
      expect: /\|10\.5\|3\.199\|.*\|33\.59$/ },
    // The three disagree: the one typed longest ago gives way, after the page's own message.
    "a fill-up's volume, price, then a total of its own": { link: "a.nav-fuel", title: "Fuel Register", table: "FuelPurchases",
      fields: [[top("Odometer"), "12400"], [bottom("Volume"), "10.5"], [top("Cost Per"), "3.199"], [top("Total Cost"), "40"]],
      message: /Volume doesn't match Cost Per/, expect: /\|-1\|12\.504\|3\.199\|.*\|40\.0$/ },
    "a service's parts, then its labor": { link: "a.nav-service", title: "Service Register", table: "Services",
      fields: [[top("Odometer"), "12500"], [top("Vendor"), "Jiffy"], ["#details_parts", "20"], ["#details_labor", "30"]],
      expect: /\|50\.0\|20\.0\|30\.0\|/ },
    "a service's cost": { link: "a.nav-service", title: "Service Register", table: "Services",
      fields: [[top("Odometer"), "12500"], [top("Vendor"), "Jiffy"], [top("Cost"), "80.456"]], expect: /Jiffy\|\|80\.46\|/ },
    "an expense's category, then its cost": { link: "a.nav-expense", title: "Miscellaneous Expense Register", table: "Expenses",
      fields: [[top("Odometer"), "12600"], [top("Vendor"), "Car wash"], [top("category"), "1"], [top("Cost"), "12.555"]],
      expect: /Car wash\|\|1\|\|12\.56\|/ },
    "an odometer reading": { table: "OdometerValues", where: "OdometerValue > 12000",
      fields: [[top("odometer"), "12700.55"]], expect: /\|12700\.6$/ },
  };
  // The latest row the entry stored, without its id.
  const stored = (home, entry) =>
    home.query(`SELECT * FROM ${entry.table} WHERE ${entry.where || "Odometer > 12000"} ORDER BY 1 DESC LIMIT 1`)
      .split("|").slice(1).join("|");
  const open = (app, entry) => (entry.link ? openRegister(app, entry.link, entry.title) : odometerRegister(app));
  // Types the entry's fields in turn and gives the last one, the cursor still in it.
  async function typeFields(page, entry) {
    let selector;
    for (const [field, text] of entry.fields) {
      if (selector) await page.press(selector, "Tab");
      selector = field;
      if (/category/.test(field)) {
        await page.selectOption(selector, text);
        continue;
      }
      await page.click(selector);
      await page.press(selector, "Control+a");
      await page.press(selector, "Backspace");
      if (text) await page.type(selector, text);
    }
    return selector;
  }
  async function enter(app, page, entry, selector) {
    await page.press(selector, "Enter");
    if (entry.message) await answer(app, await findDialog(app, entry.message, "the page's message"), "#ButtonOK");
    await eventually(async () => (await page.locator("#DirtyFlag").innerText()) === "false", "the entry saved");
  }
  async function stop(app, page) {
    await delivered(page);
    app.child.kill("SIGTERM");
    await ended(app);
  }
  for (const [what, entry] of Object.entries(entries)) {
    test(`${what} typed, the cursor still in the field: SIGTERM stores what Enter stores`, { timeout: 90000 }, async () => {
      const rows = {};
      for (const way of entry.oneRun ? ["Enter, then SIGTERM"] : ["Enter", "SIGTERM"]) {
        const home = jorvaneHome();
        home.seed(SEED);
        try {
          const app = await startJorvane(home, { env: NOW });
          const page = await open(app, entry);
          const selector = await typeFields(page, entry);
          if (way === "SIGTERM") {
            await stop(app, page);
          } else {
            await enter(app, page, entry, selector);
            rows.Enter = stored(home, entry);
            if (way === "Enter") {
              await app.close();
            } else {
              await typeFields(page, entry);
              await stop(app, page);
            }
          }
          if (way !== "Enter") rows.SIGTERM = stored(home, entry);
          if (process.env.JV_DEBUG_STOP) console.log(way, stopLines(home));
        } finally {
          home.remove();
        }
      }
      assert.match(rows.Enter, entry.expect, "what the page's save works out");
      assert.equal(rows.SIGTERM, rows.Enter);
    });
  }
});

describe("a stop after the open car was deleted", () => {
  // Deleted in Jorvane, the car's page goes (the car list's journeys show it); deleted by another
  // program, the page stays with nothing left to keep its typing in.
  test("the car whose page has unsaved edits deleted by another program, then SIGTERM: nothing kept, the log says why", { timeout: 60000 }, async () => {
    const home = jorvaneHome();
    home.seed(SEED);
    try {
      const app = await startJorvane(home, { env: NOW });
      const page = await carPage(app);
      await page.click("#ShowOptionalTabs");
      await page.click("#TabMiscellaneous");
      await page.click("#Color");
      await page.press("#Color", "Control+a");
      await page.type("#Color", "Blue");
      await page.press("#Color", "Tab");
      await eventually(async () => (await page.locator("#DirtyFlag").innerText()) === "true", "the car marked changed");
      await delivered(page);
      home.query(`DELETE FROM Vehicles WHERE VehicleID = '${CAR}'`);
      app.child.kill("SIGTERM");
      await ended(app);
      assert.equal(home.query("SELECT COUNT(*) FROM Vehicles"), "0");
      assert.equal(home.query("SELECT COUNT(*) FROM MaintenancePlan WHERE Name = 'plan for Daily'"), "0");
      const lines = stopLines(home);
      assert.equal(lines.length, 1, lines.join("\n"));
      assert.match(lines[0], /The changes on page 177 could not be saved as the program ended: the car was deleted meanwhile$/);
      assert.equal(home.traceLog().match(/deleted/g).length, 1, "said once");
    } finally {
      home.remove();
    }
  });
});

describe("the trace log says what the stop's save did", () => {
  // What is done before SIGTERM, what is then stored, and the trace lines about the stop's save.
  const cases = {
    "a register opened, nothing typed": {
      act: async (app) => openRegister(app, "a.nav-fuel", "Fuel Register"),
      stored: "SELECT COUNT(*) FROM FuelPurchases", expect: "1", lines: [],
    },
    "a reading the register refuses (already recorded)": {
      act: async (app) => {
        const page = await odometerRegister(app);
        await typeInEntry(page, "new", "odometer", "12000");
        return page;
      },
      stored: "SELECT COUNT(*) FROM OdometerValues", expect: "2",
      // Why, and that it was not saved only once.
      lines: [/The changes on page 215 could not be saved as the program ended: The odometer value 12000\.0 is already recorded for this car\.$/],
    },
    "a stored car's colour changed": {
      act: async (app) => {
        const page = await carPage(app);
        await page.click("#ShowOptionalTabs");
        await page.click("#TabMiscellaneous");
        await page.click("#Color");
        await page.fill("#Color", "");
        await page.type("#Color", "Blue");
        return page;
      },
      stored: `SELECT Color FROM Vehicles WHERE VehicleID = '${CAR}'`, expect: "Blue",
      lines: [/The changes on page 177 were saved as the program ended$/],
    },
  };
  for (const [what, c] of Object.entries(cases)) {
    test(`${what}, then SIGTERM`, { timeout: 60000 }, async () => {
      const home = jorvaneHome();
      home.seed(SEED);
      try {
        const app = await startJorvane(home, { env: NOW });
        const page = await c.act(app);
        if (c.lines.length) {
          await eventually(async () => (await page.locator("#DirtyFlag").innerText()) === "true", "the page marked changed");
        }
        await delivered(page);
        app.child.kill("SIGTERM");
        await ended(app);
        assert.equal(home.query(c.stored), c.expect);
        const lines = stopLines(home);
        assert.equal(lines.length, c.lines.length, lines.join("\n"));
        c.lines.forEach((line, i) => assert.match(lines[i], line));
      } finally {
        home.remove();
      }
    });
  }
});
