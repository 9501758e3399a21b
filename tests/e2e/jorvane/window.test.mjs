// The window as a desktop program: the pages' messages and questions are the program's own message
// box (never the browser's), no address of the program's server is shown, and dialogs, graphs and
// tables fit and work with the keyboard.
import assert from "node:assert/strict";
import { after, before, describe, test } from "node:test";
import { answerMessages, dialog, eventually, frame, jorvaneHome, openRegister, startJorvane } from "./harness.mjs";

const CAR = "{22222222-2222-2222-2222-222222222222}";
// 46000 is 9 December 2025 in the database's day numbers.
const SEED = `INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('${CAR}', 'Daily', -1, 0, 0);
INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost)
  VALUES ('${CAR}', 46000, 12000, 300, 'Shell', -1, 10.5, 3.199, 33.59);
INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${CAR}', 46000, 12000);
UPDATE Prefs SET Internet = 1;`;

// Types into a field of the new entry as a person would.
async function type(page, name, text) {
  const selector = `[id="new"] [name="${name}"], [id="new"] + * [name="${name}"]`;
  const field = page.locator(selector).first();
  await field.click();
  await field.fill("");
  await field.type(text);
  await field.press("Tab");
}

// The caption of the dialog shown on top.
async function caption(app) {
  return app.page.locator("dialog.jv-dialog .jv-dialog-caption span").last().innerText();
}

// Answers the box shown on top and waits until it has gone.
async function answer(app, box, button) {
  await box.click(button);
  await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });
}

describe("the program's own message box", () => {
  let home;
  let app;
  let boxes;
  // What the next question is answered.
  let reply = "OK";
  before(async () => {
    home = jorvaneHome();
    home.seed(SEED);
    app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" } });
    boxes = answerMessages(app, () => reply);
  });
  after(async () => {
    boxes.stop();
    await app.close();
    home.remove();
  });

  test("deleting a row asks in the program's box; Cancel keeps the row, OK deletes it", async () => {
    const page = await openRegister(app, "a.nav-fuel", "Fuel Register");
    const id = home.query("SELECT FuelPurchaseID FROM FuelPurchases");
    await page.locator(`[id="${id}"] [name="date"]`).click();
    reply = "Cancel";
    await app.page.keyboard.press("Control+d");
    await eventually(() => boxes.messages.includes("Delete the current row?"), "the question");
    await new Promise((r) => setTimeout(r, 300));
    assert.equal(home.query("SELECT COUNT(*) FROM FuelPurchases"), "1", "Cancel keeps the row");
    await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });
    reply = "OK";
    await page.locator(`[id="${id}"] [name="date"]`).click();
    await app.page.keyboard.press("Control+d");
    await eventually(() => home.query("SELECT COUNT(*) FROM FuelPurchases") === "0", "the row deleted");
    assert.deepEqual(app.browserDialogs, []);
  });

  test("a fuel volume that does not match its cost is adjusted with the program's message", async () => {
    const page = await openRegister(app, "a.nav-fuel", "Fuel Register");
    const before = boxes.messages.length;
    await type(page, "Volume", "10");
    await type(page, "Cost Per", "3");
    await type(page, "Total Cost", "45");
    await eventually(() => boxes.messages.slice(before).some((m) => /doesn't match .* The value will be adjusted/.test(m)),
      "the adjustment message");
    assert.deepEqual(app.browserDialogs, []);
  });

  test("a service whose cost differs from its details is saved only when OK is chosen", async () => {
    const page = await openRegister(app, "a.nav-service", "Service Register");
    await type(page, "Odometer", "12500");
    await type(page, "Vendor", "Garage");
    await type(page, "Cost", "100");
    await page.fill("#details_parts", "20");
    await page.fill("#details_labor", "30");
    await page.press("#details_labor", "Tab");
    const submit = page.locator('[id="new"] [name="Submit"], [id="new"] + * [name="Submit"]').first();
    reply = "Cancel";
    await submit.click();
    await eventually(() => boxes.messages.some((m) => /Do you want to save anyway\?/.test(m)), "the question");
    await new Promise((r) => setTimeout(r, 300));
    assert.equal(home.query("SELECT COUNT(*) FROM Services"), "0", "Cancel stores nothing");
    await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });
    reply = "OK";
    await submit.click();
    await eventually(() => home.query("SELECT COUNT(*) FROM Services WHERE Cost = 100") === "1", "the service saved");
    assert.deepEqual(app.browserDialogs, []);
  });

  test("a script's message shows the given title in the caption, the program's name otherwise", async () => {
    const page = await frame(app.page, "main_workspace");
    reply = "none";
    await page.evaluate(() => { window.jvAlert("It did not work.", "Update failed"); });
    let box = await dialog(app.page);
    await eventually(async () => (await caption(app)) === "Update failed", "the given title");
    await answer(app, box, "#ButtonOK");
    await page.evaluate(() => { window.jvConfirm("Go on?"); });
    box = await dialog(app.page);
    assert.equal(await box.locator("#ButtonCancel").isVisible(), true);
    await eventually(async () => (await caption(app)) === "Jorvane", "the program's title");
    await answer(app, box, "#ButtonCancel");
    // The browser's own boxes never show, even for a script that still calls them.
    await page.evaluate(() => { window.alert("An old call"); });
    box = await dialog(app.page);
    assert.equal(await box.locator("#message").innerText(), "An old call");
    await answer(app, box, "#ButtonOK");
    assert.deepEqual(app.browserDialogs, []);
    reply = "OK";
  });
});
