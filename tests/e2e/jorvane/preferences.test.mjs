// The preferences page as a user meets it: Cancel goes back without saving, and a change of units
// answered Cancel keeps the units but none of the other edits is lost.
import assert from "node:assert/strict";
import { describe, test } from "node:test";
import { dialog, eventually, frame, jorvaneHome, startJorvane } from "./harness.mjs";

const ID = "{EEEEEEEE-0000-0000-0000-000000000001}";
// A car with a reading: a change of units is asked about.
const SEED = `INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('${ID}', 'Van', -1, 0, 0);
INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${ID}', 46000, 12000);
UPDATE Prefs SET Internet = 1, MechanicName = 'Old Garage';`;

async function title(app) {
  return (await frame(app.page, "main_workspace")).title().catch(() => "");
}

async function openPreferences(app) {
  await app.page.locator("#jv-menubar .jv-menu > button", { hasText: "Edit" }).click();
  await app.page.locator("#jv-menubar .jv-open li button", { hasText: "Preferences" }).click();
  await eventually(async () => (await title(app)) === "Preferences", "the preferences page");
  const page = await frame(app.page, "main_workspace");
  await page.waitForFunction(() => window.external);
  return page;
}

// What a page script threw reaches the trace log; none may have.
function assertNoScriptError(home) {
  assert.doesNotMatch(home.traceLog(), /JavaScript Error/);
}

describe("the preferences page", () => {
  test("Cancel goes back to the page before and stores nothing", async () => {
    const home = jorvaneHome();
    home.seed(SEED);
    try {
      const app = await startJorvane(home);
      await eventually(async () => (await title(app)) === "Home Page", "the home page");
      const page = await openPreferences(app);
      await page.fill("#MechanicName", "Never Saved");
      await page.click("#Cancel");
      await eventually(async () => (await title(app)) === "Home Page", "back on the home page");
      assert.equal(await app.page.locator("dialog.jv-dialog").count(), 0, "no problem report");
      assertNoScriptError(home);
      assert.equal(home.query("SELECT MechanicName FROM Prefs"), "Old Garage");
      assert.deepEqual(app.browserDialogs, []);
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });

  test("the units question answered Cancel keeps the units and saves the other edits", async () => {
    const home = jorvaneHome();
    home.seed(SEED);
    try {
      const app = await startJorvane(home);
      const page = await openPreferences(app);
      await page.locator("input[name=Distance][value='1']").check();
      await page.fill("#MechanicName", "Joe's Garage");
      await page.fill("#MechanicPhone", "555-0100");
      await page.click("#Save");
      const ask = await dialog(app.page);
      assert.match(await ask.locator("#message").innerText(), /Changing the units does not convert them/);
      await ask.click("#ButtonCancel");
      await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });
      // The units as they were, everything else as typed: in the file and on the page.
      await eventually(() => home.query("SELECT MechanicName FROM Prefs") === "Joe's Garage", "the mechanic stored");
      assert.equal(home.query("SELECT DistanceUnit || '|' || VolumeUnit || '|' || MechanicPhone FROM Prefs"), "0|0|555-0100");
      await eventually(async () => (await page.locator("#Saved").innerText()) !== "", "the saved note");
      assert.equal(await page.locator("#MechanicName").inputValue(), "Joe's Garage");
      assert.equal(await page.locator("input[name=Distance][value='0']").isChecked(), true);

      // OK changes them.
      await page.locator("input[name=Distance][value='1']").check();
      await page.click("#Save");
      const again = await dialog(app.page);
      await again.click("#ButtonOK");
      await eventually(() => home.query("SELECT DistanceUnit FROM Prefs") === "1", "the units changed");
      assert.equal(home.query("SELECT MechanicName FROM Prefs"), "Joe's Garage");
      assertNoScriptError(home);
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });
});
