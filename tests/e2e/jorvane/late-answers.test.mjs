// What the program works out for the registers comes back late on a busy machine: with the window
// getting the program's messages 150 ms late, and with the program stopped while the user types,
// an answer never takes the place of what the user typed since it was asked, and the entry stored
// with Enter follows from the fields as the user left them. A page that was replaced reaches
// nothing with its late calls. In English and in German (comma decimals).
import assert from "node:assert/strict";
import { after, before, describe, test } from "node:test";
import { answerMessages, closeAll, eventually, jorvaneHome, openRegister, setReceiptDelay, startJorvane, typeInEntry } from "./harness.mjs";

const CAR = "{11111111-1111-1111-1111-111111111111}";
// 46000 is 9 December 2025 in the database's day numbers; today is 12/09/2026.
const SEED = `INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('${CAR}', 'Daily', -1, 0, 0);
INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost)
  VALUES ('${CAR}', 46000, 12000, 300, 'Shell', -1, 10.5, 3.199, 33.59);
INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('${CAR}', 46000, 12000);
UPDATE Prefs SET Internet = 1;`;

const LOCALES = [
  { name: "English", locale: "en_US.UTF-8", number: (text) => text },
  { name: "German", locale: "de_DE.UTF-8", number: (text) => text.replace(".", ",") },
];

// The two ways an answer comes late: the window gets the program's messages 150 ms late, or the
// program is stopped while the user types (and goes on once the typing is done).
const WAYS = [
  {
    name: "the program's messages 150 ms late",
    async around(app, typing) {
      await setReceiptDelay(app, 150);
      try {
        await typing();
      } finally {
        await setReceiptDelay(app, 0);
      }
    },
  },
  {
    name: "the program stopped while the user types",
    async around(app, typing) {
      app.child.kill("SIGSTOP");
      try {
        await typing();
      } finally {
        app.child.kill("SIGCONT");
      }
    },
  },
];

for (const { name, locale, number } of LOCALES) {
  describe(`late answers (${name})`, () => {
    let home;
    let app;
    let boxes;
    before(async () => {
      home = jorvaneHome();
      home.seed(SEED);
      app = await startJorvane(home, { env: { JV_NOW: "2026-12-09", LANG: locale, LC_ALL: locale }, receiptDelay: 0 });
      boxes = answerMessages(app);
    });
    after(() => closeAll(app, boxes, { home }));

    // A new service with its odometer typed (so that no estimate is offered), the register fresh.
    async function newService(odometer) {
      const page = await openRegister(app, "a.nav-service", "Service Register");
      await typeInEntry(page, "new", "Odometer", odometer);
      return page;
    }
    const stored = (odometer) => () => home.query(`SELECT Cost, Parts, Labor, Other, Tax FROM Services WHERE Odometer = ${odometer}`);
    const messagesSince = (count) => boxes.messages.slice(count).join("\n");
    // Types each text and presses Tab after each but the last, at full speed.
    async function typeAcross(texts) {
      for (const [i, text] of texts.entries()) {
        await app.page.keyboard.type(text);
        if (i < texts.length - 1) await app.page.keyboard.press("Tab");
      }
    }

    for (const [index, way] of WAYS.entries()) {
      test(`the details typed at once with Enter, ${way.name}: the cost is their sum, stored without a question`, async () => {
        const odometer = String(13000 + index);
        const page = await newService(odometer);
        const seen = boxes.messages.length;
        await way.around(app, async () => {
          await page.click("#details_parts");
          await typeAcross([number("115.1"), number("50.25"), "25", ""]);
          await app.page.keyboard.press("Enter");
        });
        const row = await eventually(stored(odometer), "the stored service", 20000);
        assert.equal(row, "190.35|115.1|50.25|25.0|");
        assert.doesNotMatch(messagesSince(seen), /doesn't match/);
      });

      test(`a cost, then the details typed at once with Enter, ${way.name}: the tax typed is kept`, async () => {
        const odometer = String(13100 + index);
        const page = await newService(odometer);
        await typeInEntry(page, "new", "Cost", "999");
        await way.around(app, async () => {
          await page.click("#details_parts");
          await typeAcross(["100", "50", number("30.35"), "5"]);
          await app.page.keyboard.press("Enter");
        });
        const row = await eventually(stored(odometer), "the stored service", 20000);
        // The tax typed makes the details whole: the cost the user typed gives way to their sum.
        assert.equal(row, "185.35|100.0|50.0|30.35|5.0");
      });

      test(`a fill-up's distance typed while its odometer is worked out, ${way.name}: the distance typed is kept`, async () => {
        home.query("DELETE FROM FuelPurchases WHERE Odometer <> 12000");
        const page = await openRegister(app, "a.nav-fuel", "Fuel Register");
        const distance = 'tr[id="new"] + tr [name="Distance"]';
        const seen = boxes.messages.length;
        await way.around(app, async () => {
          await page.click('tr[id="new"] [name="Odometer"]');
          await app.page.keyboard.type("12300");
          await page.click(distance);
          await app.page.keyboard.type("250");
          await app.page.keyboard.press("Enter");
        });
        await eventually(() => home.query("SELECT COUNT(*) FROM FuelPurchases") === "2", "the stored fill-up", 20000);
        // The distance typed disagrees with the odometer: the user is asked, and takes the
        // odometer it gives (the answer OK).
        assert.match(messagesSince(seen), /it appears that your Odometer should be 12[.,]?250/);
        assert.equal(home.query("SELECT Odometer, Distance FROM FuelPurchases WHERE Odometer <> 12000"), "12250.0|250.0");
      });
    }

    test("the worked-out tax lands in the field the cursor came into: the next key replaces it", async () => {
      const page = await newService("13200");
      await typeInEntry(page, "new", "Cost", "999");
      await page.click("#details_parts");
      await typeAcross(["100", "50", number("30.35"), ""]);
      await eventually(async () => (await page.inputValue("#details_tax")) === number("818.65"), "the tax worked out");
      await app.page.keyboard.type("5");
      assert.equal(await page.inputValue("#details_tax"), "5");
      await app.page.keyboard.press("Enter");
      const row = await eventually(stored("13200"), "the stored service", 20000);
      assert.equal(row, "185.35|100.0|50.0|30.35|5.0");
    });

    if (name !== "English") return;

    test("a replaced page's late calls reach nothing, and a call that goes unanswered gives no earlier answer", async () => {
      let page = await openRegister(app, "a.nav-service", "Service Register");
      await page.evaluate(() => { top.jvEarlierExternal = window.external; });
      await openRegister(app, "a.nav-fuel", "Fuel Register");
      page = await openRegister(app, "a.nav-service", "Service Register");
      // The page shown answers its own call.
      const answer = await page.evaluate(() => window.external.SettleServiceAmounts(0, 1, 2, 0, 0, true));
      assert.equal(answer.cost, 3);
      // The page before it, of the same kind, is answered nothing and changes nothing.
      const late = await app.page.evaluate(async (car) => {
        const earlier = top.jvEarlierExternal;
        await earlier.SaveService("new", "12/01/26", car, "14000", "Late", "", "77", "", "", "", "", "");
        return { settled: await earlier.SettleServiceAmounts(0, 1, 2, 0, 0, true) ?? "nothing" };
      }, CAR);
      assert.deepEqual(late, { settled: "nothing" });
      assert.equal(home.query("SELECT COUNT(*) FROM Services WHERE Vendor = 'Late'"), "0");
    });
  });
}
