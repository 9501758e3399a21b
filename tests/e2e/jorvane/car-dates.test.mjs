// Dates outside the registers, as a user types them: the Update Odometer box, the sale box and the
// vehicle page's purchase and sale dates take a date as the registers do (none after today, none
// before 1900, nothing that is no date). A date they refuse is explained once, in the registers'
// words; nothing is stored, the car's purchase reading stays, and the typing is kept. An emptied
// purchase date keeps the stored one. Every check reads the database.
import assert from "node:assert/strict";
import { describe, test } from "node:test";
import { answerMessages, eventually, findDialog, frame, jorvaneHome, startJorvane } from "./harness.mjs";

const CAR = "{DA7E0000-0000-0000-0000-00000000C0DE}";
// A stored date as the database holds it (a day number) and back.
const day = (iso) => `(julianday('${iso}') - julianday('1899-12-30'))`;
const iso = (column) => `date(${column} + julianday('1899-12-30'))`;
const SEED = `INSERT INTO Vehicles (VehicleID, Name, Make, Model, StyleYear, Style, Custom, DrivingCondition, PurchaseDate, PurchaseOdometer, Sold, Selected)
  VALUES ('${CAR}', 'Daily', 'Ford', 'Focus', 2018, 'SE', -1, 'N', ${day("2020-01-10")}, 1000, 0, 0);
INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue)
  VALUES ('${CAR}', ${day("2020-01-10")}, 1000), ('${CAR}', ${day("2026-06-01")}, 21000);
UPDATE Prefs SET Internet = 1;`;

const AFTER_TODAY = "Please enter a date that is not after today.";
const BEFORE_1900 = "Please enter a date in 1900 or later.";
const NO_DATE = "Please enter a valid date (month/day/year).";
// With today 12/10/2026, what each box says of a date.
const BOX_DATES = [["12/11/2026", AFTER_TODAY], ["1/1/1850", BEFORE_1900], ["4/31/2026", NO_DATE]];

// What the database holds of the car: its purchase and sale, and its readings.
const stored = (home) => home.query(`SELECT ${iso("PurchaseDate")} || ' ' || PurchaseOdometer || ' ' || Sold || ' ' ||
  ifnull(SoldDate, '-') || ' ' || ifnull(SoldPrice, '-') FROM Vehicles WHERE VehicleID = '${CAR}'`);
const readings = (home) => home.query(`SELECT group_concat(${iso("OdometerDate")} || ' ' || OdometerValue, ', ') FROM
  (SELECT OdometerDate, OdometerValue FROM OdometerValues WHERE VehicleID = '${CAR}' ORDER BY OdometerDate)`);
const AS_SEEDED = "2020-01-10 1000.0 0 - -";
const READINGS = "2020-01-10 1000.0, 2026-06-01 21000.0";

// Types `text` over a field and leaves it with Tab, as a person does.
async function typeOver(app, page, id, text) {
  await page.click("#" + id);
  await page.fill("#" + id, "");
  await app.page.keyboard.type(text);
  await app.page.keyboard.press("Tab");
}

async function workspace(app) {
  return frame(app.page, "main_workspace");
}

// What the box says, beside the date and in its message: one message, or none.
async function messageShown(box, text, what) {
  await eventually(async () => {
    const shown = [(await box.locator("#DateMessage").innerText()).trim(), (await box.locator("#message").innerText()).trim()];
    return JSON.stringify(shown.filter((line) => line)) === JSON.stringify(text ? [text] : []);
  }, what);
}

for (const locale of ["en_US.UTF-8", "de_DE.UTF-8"]) describe(`dates outside the registers (${locale})`, () => {
  test("the two boxes and the vehicle page refuse them once, store nothing and keep the purchase reading", { timeout: 120000 }, async () => {
    const home = jorvaneHome();
    home.seed(SEED);
    try {
      const app = await startJorvane(home, { env: { JV_NOW: "2026-12-10", LANG: locale, LC_ALL: locale } });
      // Every message is answered OK, but "saved" is answered "Make More Changes", staying on the page.
      const boxes = answerMessages(app, (text) => (/saved your changes/.test(text) ? "Cancel" : "OK"));
      await eventually(async () => (await (await workspace(app)).title()) === "Home Page", "the home page");
      const open = async (method, text) => {
        await (await workspace(app)).evaluate(([name, id]) => { window.external[name](id); }, [method, CAR]);
        return findDialog(app, text, "the box of " + method);
      };

      // The Update Odometer box and the sale box: leaving the date says what is wrong with it in
      // the box, and OK says it again in the same place, in the same words: one message.
      for (const [method, title, date, other, value] of [
        ["UpdateOdometer", /odometer reading and the date/, "Date", "Odometer", "43500"],
        ["OpenSoldCarDlg", /details of the sale/, "SoldDate", "SoldPrice", "5000"]]) {
        const box = await open(method, title);
        for (const [text, message] of BOX_DATES) {
          await typeOver(app, box, date, text);
          await messageShown(box, message, `${method}: ${text} pointed out`);
          await typeOver(app, box, other, value);
          await box.click("#ButtonOK");
          await messageShown(box, message, `${method}: ${text} refused`);
          assert.equal(await box.inputValue("#" + date), text, "the typing is kept");
          assert.equal(stored(home), AS_SEEDED, `${method}: nothing stored for ${text}`);
          assert.equal(readings(home), READINGS, `${method}: no reading stored for ${text}`);
        }
        // A good date takes the message away again.
        await typeOver(app, box, date, "12/10/2026");
        await messageShown(box, "", `${method}: the message gone`);
        await box.click("#ButtonCancel");
        await eventually(async () => (await app.page.locator("dialog.jv-dialog").count()) === 0, "the box closed");
      }
      assert.deepEqual(boxes.messages, [], "no other message about the dates");

      // The vehicle page: the purchase date and the sale date, each saved with the purchase
      // odometer changed.
      await (await workspace(app)).evaluate((q) => { location.href = "177" + q; }, "?" + CAR);
      await eventually(async () => (await (await workspace(app)).title()) === "Vehicle Information Page", "the vehicle page");
      const page = await workspace(app);
      await page.waitForFunction(() => window.external);
      await eventually(async () => (await page.inputValue("#CarPurchaseDate")) === "01/10/2020", "the car shown");
      await page.click("#ShowOptionalTabs");
      const refused = [
        ["TabPurchaseInfo", "CarPurchaseDate", "purchase date", "12/11/2026", "is after today"],
        ["TabPurchaseInfo", "CarPurchaseDate", "purchase date", "1/1/1850", "is before 1900"],
        ["TabPurchaseInfo", "CarPurchaseDate", "purchase date", "4/31/2026", "is not a date (month/day/year)"],
        ["TabPurchaseInfo", "CarPurchaseDate", "purchase date", "garbage", "is not a date (month/day/year)"],
        ["TabSaleInfo", "CarSoldDate", "sale date", "12/11/2026", "is after today"],
        ["TabSaleInfo", "CarSoldDate", "sale date", "1/1/1850", "is before 1900"],
      ];
      await page.click("#TabPurchaseInfo");
      await typeOver(app, page, "CarInitialOdometer", "1500");
      for (const [tab, id, what, text, why] of refused) {
        const seen = boxes.messages.length;
        await page.click("#" + tab);
        await typeOver(app, page, id, text);
        await page.click("#SaveVehicle");
        await eventually(() => boxes.messages.length > seen, `${what} ${text} refused`);
        assert.deepEqual(boxes.messages.slice(seen), [`The ${what} "${text}" ${why}.\n\nYour car was not saved.`]);
        await eventually(async () => (await app.page.locator("dialog.jv-dialog").count()) === 0, "the message closed");
        assert.equal(await page.inputValue("#" + id), text, "the typing is kept");
        assert.equal(stored(home), AS_SEEDED, `nothing stored for the ${what} ${text}`);
        assert.equal(readings(home), READINGS, `the purchase reading kept for the ${what} ${text}`);
        await page.fill("#" + id, id === "CarSoldDate" ? "" : "01/10/2020");
      }

      // An emptied purchase date keeps the stored one, as the database does when it is given none,
      // and the purchase reading goes with the new purchase odometer. (An empty sale price is stored
      // as -1, "none".)
      await page.click("#TabPurchaseInfo");
      await page.fill("#CarPurchaseDate", "");
      const seen = boxes.messages.length;
      await page.click("#SaveVehicle");
      await eventually(() => boxes.messages.slice(seen).some((text) => /saved your changes/.test(text)), "the car saved");
      const saved = "2020-01-10 1500.0 0 - -1.0";
      await eventually(() => stored(home) === saved, "the new purchase odometer stored");
      assert.equal(readings(home), "2020-01-10 1500.0, 2026-06-01 21000.0");
      // The page shows the date the car keeps.
      assert.equal(await page.inputValue("#CarPurchaseDate"), "01/10/2020");

      // Typed and left unsaved as the program is told to end: not stored either.
      await typeOver(app, page, "CarPurchaseDate", "12/11/26");
      await typeOver(app, page, "CarInitialOdometer", "1700");
      boxes.stop();
      assert.deepEqual(app.browserDialogs, []);
      await app.kill();
      assert.match(home.traceLog(), /could not be saved as the program ended: The purchase date "12\/11\/26" is after today\.$/m);
      assert.equal(stored(home), saved);
      assert.equal(readings(home), "2020-01-10 1500.0, 2026-06-01 21000.0");
    } finally {
      home.remove();
    }
  });
});
