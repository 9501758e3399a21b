// Leaving a page with unsaved work, every way a user can: the navigation bar's Back, the history
// keys, reload, another register entry, another page. The question comes while the page is still
// shown, and the answer is honoured.
import assert from "node:assert/strict";
import { after, before, describe, test } from "node:test";
import { dialog, eventually, findDialog, frame, jorvaneHome, quickStartToTheVehiclePage, startJorvane, windowDelivered } from "./harness.mjs";

const ID = "{CAFE0000-0000-0000-0000-000000000002}";
const SEED = `INSERT INTO Vehicles (VehicleID, Name, Make, Model, StyleYear, Style, Custom, Sold, Selected, Color, PurchaseOdometer)
  VALUES ('${ID}', 'Daily', 'Acura', 'Integra', 2004, 'GS', -1, 0, 0, 'Red', -1);
INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost)
  VALUES ('${ID}', 46000, 12000, 300, 'Shell', -1, 10.5, 3.199, 33.59);
INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${ID}', 46000, 12000);
UPDATE Prefs SET Internet = 1;`;

async function workspace(app) {
  return frame(app.page, "main_workspace");
}

async function title(app) {
  return (await workspace(app)).title().catch(() => "");
}

// The program's question shown now: its message, and the page still shown behind it.
async function question(app) {
  const box = await dialog(app.page);
  return { box, message: await box.locator("#message").innerText(), behind: await title(app) };
}

async function answer(app, box, button) {
  await box.click(button);
  await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });
}

describe("leaving unsaved work", () => {
  let home;
  let app;
  const browserBoxes = [];
  before(async () => {
    home = jorvaneHome();
    home.seed(SEED);
    app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" } });
    app.page.on("dialog", (d) => {
      browserBoxes.push(d.message());
      d.dismiss();
    });
  });
  after(async () => {
    await app.close();
    home.remove();
  });

  test("the vehicle page with unsaved edits asks before Back, Alt+Left and reload, and Cancel keeps the edits", async () => {
    const ws = await workspace(app);
    await ws.evaluate((id) => { location.href = "177?" + id; }, ID);
    await eventually(async () => (await title(app)) === "Vehicle Information Page", "the vehicle page");
    const page = await workspace(app);
    await page.waitForFunction(() => window.external);
    await page.click("#ShowOptionalTabs");
    await page.click("#TabMiscellaneous");
    await page.fill("#Color", "Blue");
    await page.locator("#Color").dispatchEvent("change");
    await eventually(async () => (await page.locator("#DirtyFlag").innerText()) === "true", "the dirty flag");

    const navbar = await frame(app.page, "main_navbar");
    const ways = [
      ["the navigation bar's Back", () => navbar.click("a.nav-back")],
      ["Alt+Left", () => page.press("#Color", "Alt+ArrowLeft")],
      ["reload", () => page.press("#Color", "F5")],
    ];
    for (const [way, leave] of ways) {
      await leave();
      const asked = await question(app);
      assert.match(asked.message, /You've made changes to this car/, way);
      assert.equal(asked.behind, "Vehicle Information Page", way + ": asked before the page went");
      // The button that reads "Cancel" stays.
      assert.equal(await asked.box.locator("#ButtonOK").innerText(), "Cancel");
      await answer(app, asked.box, "#ButtonOK");
      assert.equal(await title(app), "Vehicle Information Page", way);
      assert.equal(await (await workspace(app)).locator("#Color").inputValue(), "Blue", way + ": the edit is kept");
    }
    // Continue leaves, back to the page before.
    await navbar.click("a.nav-back");
    const asked = await question(app);
    await answer(app, asked.box, "#ButtonCancel");
    await eventually(async () => (await title(app)) === "Home Page", "the home page");
    assert.equal(home.query(`SELECT Color FROM Vehicles WHERE VehicleID = '${ID}'`), "Red");
    // Forward goes to the vehicle page again, unchanged.
    await navbar.click("a.nav-forward");
    await eventually(async () => (await title(app)) === "Vehicle Information Page", "forward to the vehicle page");
    assert.deepEqual(browserBoxes, []);
  });

  test("a changed register entry left for another entry, answered Cancel, stores nothing", async () => {
    const navbar = await frame(app.page, "main_navbar");
    await navbar.click("a.nav-fuel");
    await eventually(async () => (await title(app)) === "Fuel Register", "the fuel register");
    const page = await workspace(app);
    await page.waitForSelector("#new");
    const id = home.query("SELECT FuelPurchaseID FROM FuelPurchases");
    const vendor = `tr[id="${id}"] [name="Vendor"]`;
    await page.click(vendor);
    await page.fill(vendor, "Costco");
    await page.press(vendor, "Tab");
    // Another entry: the entry's question, Cancel puts it back.
    await page.click('tr[id="new"] [name="Odometer"]');
    const asked = await eventually(async () => {
      const shown = await question(app);
      return shown.message ? shown : null;
    }, "the entry's question");
    assert.equal(asked.message, "You made changes to the current entry. Press OK to save changes or Cancel to discard changes.");
    await answer(app, asked.box, "#ButtonCancel");
    // Asked once, though the click selects the entry twice over (focus, then click): a second
    // question would be open by the time the program answers a call made after the answer.
    await windowDelivered(app, page);
    assert.equal(await app.page.locator("dialog.jv-dialog").count(), 0);
    assert.deepEqual(browserBoxes, []);
    await eventually(async () => (await page.inputValue(vendor)) === "Shell", "the entry as stored");
    assert.equal(home.query(`SELECT Vendor FROM FuelPurchases WHERE FuelPurchaseID = ${id}`), "Shell");
  });

  test("a changed register entry left with the page, answered Cancel, stores nothing; Alt+Left in the field asks too", async () => {
    const page = await workspace(app);
    const id = home.query("SELECT FuelPurchaseID FROM FuelPurchases");
    const vendor = `tr[id="${id}"] [name="Vendor"]`;
    await page.click(vendor);
    await page.fill(vendor, "Costco");
    // Still in the field: the history key asks all the same.
    await page.press(vendor, "Alt+ArrowLeft");
    let asked = await question(app);
    assert.equal(asked.message, "You made changes to the current entry. Press OK to save changes or Cancel to discard changes.");
    assert.equal(asked.behind, "Fuel Register");
    // Escape stays with what was typed.
    await asked.box.press("body", "Escape");
    await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });
    assert.equal(await page.inputValue(vendor), "Costco");
    // Another page, Cancel: the page goes and nothing is stored.
    const navbar = await frame(app.page, "main_navbar");
    await navbar.click("a.nav-home");
    asked = await question(app);
    assert.equal(asked.behind, "Fuel Register");
    await answer(app, asked.box, "#ButtonCancel");
    await eventually(async () => (await title(app)) === "Home Page", "the home page");
    assert.equal(home.query(`SELECT Vendor FROM FuelPurchases WHERE FuelPurchaseID = ${id}`), "Shell");
    assert.deepEqual(browserBoxes, []);
  });

  test("the navigation bar's Back while the entry's question is open waits for its answer: one question", async () => {
    const navbar = await frame(app.page, "main_navbar");
    await navbar.click("a.nav-fuel");
    await eventually(async () => (await title(app)) === "Fuel Register", "the fuel register");
    const page = await workspace(app);
    await page.waitForSelector("#new");
    const id = home.query("SELECT FuelPurchaseID FROM FuelPurchases");
    const vendor = `tr[id="${id}"] [name="Vendor"]`;
    await page.click(vendor);
    await page.fill(vendor, "Costco");
    await page.press(vendor, "Tab");
    await page.click('tr[id="new"] [name="Odometer"]');
    const asked = await eventually(async () => {
      const shown = await question(app);
      return shown.message ? shown : null;
    }, "the entry's question");
    // Back, the program's own, while the question is open: no second question over it.
    await navbar.evaluate(() => document.querySelector("a.nav-back").click());
    // A second question would be open by the time the program answers a call made after Back.
    await windowDelivered(app, navbar);
    assert.equal(await app.page.locator("dialog.jv-dialog").count(), 1);
    assert.equal(asked.behind, "Fuel Register");
    // The answer puts the entry back; then Back goes, with nothing left to ask about.
    await answer(app, asked.box, "#ButtonCancel");
    await eventually(async () => (await title(app)) === "Home Page", "back on the home page");
    assert.equal(await app.page.locator("dialog.jv-dialog").count(), 0);
    assert.equal(home.query(`SELECT Vendor FROM FuelPurchases WHERE FuelPurchaseID = ${id}`), "Shell");
    assert.deepEqual(browserBoxes, []);
  });
});

describe("typing still in a vehicle page field", () => {
  test("Alt+Left, the mouse's back button, F5 and Ctrl+R ask before the typing goes; Cancel keeps it to be saved", async () => {
    const home = jorvaneHome();
    home.seed(SEED);
    try {
      const app = await startJorvane(home);
      const navbar = await frame(app.page, "main_navbar");
      const ways = [
        ["Alt+Left", (page) => page.press("#Color", "Alt+ArrowLeft")],
        ["the mouse's back button", (page) => page.locator("#Color").dispatchEvent("mouseup", { button: 3 })],
        ["F5", (page) => page.press("#Color", "F5")],
        ["Ctrl+R", (page) => page.press("#Color", "Control+r")],
      ];
      for (const [way, leave] of ways) {
        const ws = await workspace(app);
        await ws.evaluate((id) => { location.href = "177?" + id; }, ID);
        await eventually(async () => (await title(app)) === "Vehicle Information Page", way + ": the vehicle page");
        const page = await workspace(app);
        await page.waitForFunction(() => window.external);
        await page.click("#ShowOptionalTabs");
        await page.click("#TabMiscellaneous");
        // Typed, the cursor still in the field: no change event yet.
        await page.click("#Color");
        await app.page.keyboard.press("Control+a");
        await app.page.keyboard.type("Blue");
        await leave(page);
        const asked = await question(app);
        assert.match(asked.message, /You've made changes to this car/, way);
        assert.equal(asked.behind, "Vehicle Information Page", way + ": asked before the page went");
        await answer(app, asked.box, "#ButtonOK");  // the button that reads "Cancel" stays
        assert.equal(await title(app), "Vehicle Information Page", way);
        assert.equal(await (await workspace(app)).locator("#Color").inputValue(), "Blue", way + ": the typing is kept");
        assert.equal(home.query(`SELECT Color FROM Vehicles WHERE VehicleID = '${ID}'`), "Red", way);
        if (way === "Ctrl+R") break;
        // Continue leaves without saving, for the next way.
        await navbar.click("a.nav-home");
        const leaving = await question(app);
        await answer(app, leaving.box, "#ButtonCancel");
        await eventually(async () => (await title(app)) === "Home Page", way + ": the home page");
      }
      // What was kept is saved.
      await (await workspace(app)).click("#SaveVehicle");
      const saved = await question(app);
      assert.match(saved.message, /Jorvane has saved your changes/);
      await answer(app, saved.box, "#ButtonOK");
      assert.equal(home.query(`SELECT Color FROM Vehicles WHERE VehicleID = '${ID}'`), "Blue");
      assert.doesNotMatch(home.traceLog(), /JavaScript Error/);
      assert.deepEqual(app.browserDialogs, []);
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });
});

// The QuickStart balloons shown on the vehicle page.
async function shownBalloons(page) {
  return page.locator(".qstip").evaluateAll((tips) => tips.filter((tip) => tip.offsetParent !== null).map((tip) => tip.id));
}

describe("QuickStart", () => {
  test("left by Back and answered Return To QuickStart stays in the wizard on the vehicle page", async () => {
    const home = jorvaneHome();
    // An empty garage starts QuickStart; never connecting keeps the car-data questions away.
    home.seed("UPDATE Prefs SET Internet = 1;");
    try {
      const app = await startJorvane(home);
      await quickStartToTheVehiclePage(app);

      const navbar = await frame(app.page, "main_navbar");
      for (let round = 0; round < 2; round++) {
        await navbar.click("a.nav-back");
        const asked = await question(app);
        assert.match(asked.message, /Leaving the page now will exit QuickStart/);
        assert.equal(asked.behind, "Vehicle Information Page");
        await answer(app, asked.box, "#ButtonNext");  // Return To QuickStart
        assert.equal(await title(app), "Vehicle Information Page");
        // Still the wizard's: its page and its mark, so the next Back asks again.
        assert.equal(await (await workspace(app)).locator("#QuickStartEnabled").innerText(), "1");
      }
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });

  test("F5 and Ctrl+R on the vehicle page ask as Back does: Return To QuickStart keeps the wizard, Exit reloads without it", async () => {
    const home = jorvaneHome();
    home.seed("UPDATE Prefs SET Internet = 1;");
    try {
      const app = await startJorvane(home);
      const page = await quickStartToTheVehiclePage(app);
      await eventually(() => page.locator("#QS_CarMake").isVisible(), "the make balloon");
      // A mark of this load of the page: a page loaded again has none.
      await page.evaluate(() => { window.loadedOnce = true; });

      // F5 with nothing typed yet, then Ctrl+R with the typing still in its field.
      for (const key of ["F5", "Control+r"]) {
        if (key === "Control+r") {
          await page.fill("#CustomCarMake", "Lada");
          await page.fill("#CarCurrentOdometer", "20000");
        } else {
          await page.click("#CarCurrentOdometer");
        }
        const balloons = await shownBalloons(page);
        assert.notDeepEqual(balloons, [], key + ": a balloon shown");
        await page.press("#CarCurrentOdometer", key);
        const asked = await question(app);
        assert.match(asked.message, /Leaving the page now will exit QuickStart/, key);
        assert.equal(asked.behind, "Vehicle Information Page", key);
        await answer(app, asked.box, "#ButtonNext");  // Return To QuickStart
        // The wizard as it was: the same page, its mark, its balloon, its Cancel disabled, the typing.
        const shown = await workspace(app);
        assert.equal(await shown.evaluate(() => window.loadedOnce === true), true, key + ": the page was not loaded again");
        assert.equal(await shown.locator("#QuickStartEnabled").innerText(), "1", key);
        // (The odometer typed and left for the question moves the balloon on, as leaving it does.)
        if (key === "F5") assert.deepEqual(await shownBalloons(shown), balloons, key);
        else assert.notDeepEqual(await shownBalloons(shown), [], key);
        assert.equal(await shown.locator("#Cancel").isDisabled(), true, key);
        if (key === "Control+r") {
          assert.equal(await shown.locator("#CarCurrentOdometer").inputValue(), "20000", key);
          assert.equal(await shown.locator("#CustomCarMake").inputValue(), "Lada", key);
        }
        assert.equal(await app.page.locator("dialog.jv-dialog").count(), 0, key + ": no other question");
      }
      // Exit: the wizard ends and the page comes again without it; nothing was stored.
      await page.press("#CarCurrentOdometer", "F5");
      const asked = await question(app);
      await answer(app, asked.box, "#ButtonExit");
      const again = await findDialog(app, /Will you allow Jorvane to connect/, "the page's own consent question");
      await again.click("#ButtonCancel");
      await eventually(async () => (await (await workspace(app)).locator("#QuickStartEnabled").innerText()) === "0", "the page without the wizard");
      const navbar = await frame(app.page, "main_navbar");
      await navbar.click("a.nav-home");
      await eventually(async () => (await title(app)) === "Home Page", "home, without the QuickStart question");
      assert.equal(home.query("SELECT count(*) FROM Vehicles"), "0");
      assert.doesNotMatch(home.traceLog(), /JavaScript Error/);
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });
});
