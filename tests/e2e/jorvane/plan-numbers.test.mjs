// Plan distances typed as the page shows them, grouped in the user's locale ("15.000" km in
// German, "15,000" miles in English), in each place a schedule is typed: a plan row, the row
// Change Schedule opens from the home page, and a new item of Add/Remove Service Items. Text that
// is not a number is refused with a message and kept, and nothing of it is stored.
import assert from "node:assert/strict";
import { describe, test } from "node:test";
import { answerMessages, dialog, eventually, frame, jorvaneHome, startJorvane, startSoapServer } from "./harness.mjs";
import { car, day } from "./garage.mjs";

const SHOTS = process.env.JV_SHOTS || "";
// The window as it is now, at both sizes the boxes are looked at in (JV_SHOTS names the folder).
async function shots(app, name) {
  if (!SHOTS) return;
  for (const [width, height] of [[1400, 900], [1050, 880]]) {
    await app.page.setViewportSize({ width, height });
    await app.page.screenshot({ path: `${SHOTS}/${name}-${width}x${height}.png` });
  }
}
const ID = "{BBBBBBBB-0000-0000-0000-000000000001}";

// Today is 12/09/2026: the oil change, every 3 months since 08/01, is overdue; the tyres are not
// due for years. Neither schedule is like the other, so no change asks about similar items.
const SEED = car({
  id: ID, name: "Daily", make: "Toyota", model: "Corolla", style: "LE",
  items: [
    { item: "Oil", action: "Change", months: 3, done: "2026-08-01", odometer: 11000 },
    { item: "Tyres", action: "Rotate", months: 24, done: "2026-06-15", odometer: 9000 },
  ],
  readings: [["2026-01-01", 5000], ["2026-12-09", 15000]],
});

async function start(locale, kilometres, viewport) {
  const home = jorvaneHome();
  home.seed(SEED + `UPDATE Prefs SET Internet = 1, DistanceUnit = ${kilometres ? 1 : 0};`);
  const app = await startJorvane(home, { env: { JV_NOW: "2026-12-09", LANG: locale, LC_ALL: locale }, viewport });
  const page = await frame(app.page, "main_workspace");
  await page.locator("#carlist tr.listrow").first().waitFor();
  return { home, app, page };
}

// Types over a field's text as a person does: click, select all, type.
async function typeOver(app, field, text) {
  await field.click();
  await app.page.keyboard.press("Control+a");
  await app.page.keyboard.type(text);
}

// Home page > the car's reminder > Change Schedule: the vehicle information page with the
// reminder's plan row open.
async function changeScheduleFromHome(app, page) {
  const row = page.locator(`#carlist tr[id='${ID}']`);
  await row.getByText("show details").click();
  await row.locator("tr.internalRow td").first().click();
  await page.click("#MenuReminders #Change");
  await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === "Vehicle Information Page", "the plan");
  const plan = await frame(app.page, "main_workspace");
  await plan.locator("#serviceitems tr.registerrowcurrent").waitFor();
  return plan;
}

// Add/Remove Service Items: "Wipers - Replace" typed with `numbers` (field id -> text) and
// Create New Item pressed. The dialog's document.
async function typeNewItem(app, plan, numbers) {
  await plan.click("#AddServiceItems");
  const items = await dialog(app.page);
  for (const [id, text] of Object.entries({ NewItem: "Wipers", NewAction: "Replace", ...numbers })) {
    await items.click("#" + id);
    await app.page.keyboard.type(text);
  }
  await items.click("#CreateNewItem");
  return items;
}

const planRow = (plan, text) => plan.locator("#serviceitems tbody tr", { hasText: text });

// The plan's distances as stored (miles), item by item.
const storedDistances = (home) =>
  home.query("SELECT group_concat(ITEM_DESCRIPTION || ' ' || INITIAL_MILEAGE || ' ' || INTERVAL_MILEAGE, ', ') FROM " +
    "(SELECT * FROM MaintenancePlanItems ORDER BY ITEM_DESCRIPTION)");

describe("plan distances typed in the user's locale", () => {
  // 15,000 km are stored as 9,321 miles, the fewest whole miles that show as 15,000 km again.
  const locales = [
    { name: "German, kilometres", locale: "de_DE.UTF-8", kilometres: true, typed: "15.000", shown: "15.000 kilometres", miles: 9321 },
    { name: "English, miles", locale: "en_US.UTF-8", kilometres: false, typed: "15,000", shown: "15,000 miles", miles: 15000 },
  ];
  for (const l of locales) {
    test(`${l.name}: "${l.typed}" is fifteen thousand in Change Schedule, a plan row and a new item`, async () => {
      const { home, app, page } = await start(l.locale, l.kilometres);
      try {
        // Change Schedule from the home page: the oil's interval.
        const plan = await changeScheduleFromHome(app, page);
        const open = plan.locator("#serviceitems tr.registerrowcurrent");
        assert.match(await open.innerText(), /Oil - Change/);
        await typeOver(app, open.locator("[name=InputIntervalDistance]"), l.typed);
        await open.locator(".ItemSubmit").click();
        await eventually(async () => new RegExp(`every ${l.shown} or 3 months`).test(await planRow(plan, "Oil").innerText()),
          "the oil's new schedule");

        // A plan row opened by a click: the tyres' initial distance and interval, taken with Enter.
        await planRow(plan, "Tyres").locator("td").first().click();
        const tyres = plan.locator("#serviceitems tr.registerrowcurrent");
        await typeOver(app, tyres.locator("[name=InputInitialDistance]"), l.typed);
        await typeOver(app, tyres.locator("[name=InputIntervalDistance]"), l.typed);
        await app.page.keyboard.press("Enter");
        await eventually(async () => new RegExp(`at ${l.shown}\\s+and then every ${l.shown} or 24 months`)
          .test(await planRow(plan, "Tyres").innerText()), "the tyres' new schedule");

        // Add/Remove Service Items > Create New Item.
        const items = await typeNewItem(app, plan, { InputInitialDistance: l.typed, InputIntervalDistance: l.typed });
        await eventually(async () => (await items.locator("#SelectedServiceItems option").allInnerTexts()).includes("Wipers - Replace"),
          "the new item in the plan list");
        await items.click("#ButtonOK");
        await eventually(async () => new RegExp(`at ${l.shown}\\s+and then every ${l.shown}`)
          .test(await planRow(plan, "Wipers").innerText()), "the new item's schedule");

        await plan.click("#SaveVehicle");
        const saved = await dialog(app.page);
        assert.match(await saved.locator("#message").innerText(), /Jorvane has saved your changes/);
        await saved.click("#ButtonOK");
        await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === "Home Page", "the home page");
        assert.equal(storedDistances(home), `Oil 0 ${l.miles}, Tyres ${l.miles} ${l.miles}, Wipers ${l.miles} ${l.miles}`);
        assert.equal(home.query("SELECT INITIAL_MILEAGE || ' ' || INTERVAL_MILEAGE FROM CustomMaintenancePlanItems WHERE ITEM_DESCRIPTION = 'Wipers'"),
          `${l.miles} ${l.miles}`);
        assert.equal((await app.close()).code, 0);
      } finally {
        home.remove();
      }
    });
  }

  test("text that is not a number is refused with a message, kept as typed, and nothing of it is stored", async () => {
    const { home, app, page } = await start("de_DE.UTF-8", true);
    try {
      const stored = storedDistances(home);
      const plan = await changeScheduleFromHome(app, page);
      const open = plan.locator("#serviceitems tr.registerrowcurrent");
      await typeOver(app, open.locator("[name=InputIntervalDistance]"), "15 km");
      await open.locator(".ItemSubmit").click();
      let box = await dialog(app.page);
      assert.equal(await box.locator("#message").innerText(),
        '"15 km" is not a number. Please enter the distances and months of Oil - Change as numbers.');
      await shots(app, "plan-row-not-a-number");
      await box.click("#ButtonOK");
      await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });
      // The row stays open with the typing; saving the car asks again and saves nothing.
      assert.equal(await plan.locator("#serviceitems tr.registerrowcurrent [name=InputIntervalDistance]").inputValue(), "15 km");
      await plan.click("#SaveVehicle");
      box = await dialog(app.page);
      assert.match(await box.locator("#message").innerText(), /as numbers/);
      await box.click("#ButtonOK");
      await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });
      assert.equal(await plan.title(), "Vehicle Information Page");
      assert.equal(storedDistances(home), stored);

      // Mended: taken.
      await typeOver(app, open.locator("[name=InputIntervalDistance]"), "15.000");
      await open.locator(".ItemSubmit").click();
      await eventually(async () => /every 15\.000 kilometres or 3 months/.test(await planRow(plan, "Oil").innerText()),
        "the oil's new schedule");

      // A new item with a month count that is not a number: the dialog says so and keeps it.
      const items = await typeNewItem(app, plan, { InputIntervalTime: "1-2" });
      await eventually(async () => /as numbers/.test(await items.locator("#message").innerText()), "the message");
      assert.equal(await items.locator("#message").innerText(), '"1-2" is not a number. Please enter the distances and months as numbers.');
      await shots(app, "new-item-not-a-number");
      assert.deepEqual(await items.locator("#SelectedServiceItems option").allInnerTexts(), ["Oil - Change", "Tyres - Rotate"]);
      assert.equal(await items.inputValue("#InputIntervalTime"), "1-2");
      await typeOver(app, items.locator("#InputIntervalTime"), "12");
      await items.click("#CreateNewItem");
      await eventually(async () => (await items.locator("#SelectedServiceItems option").allInnerTexts()).includes("Wipers - Replace"),
        "the new item in the plan list");
      assert.equal(await items.locator("#message").innerText(), "");
      await items.click("#ButtonOK");
      await eventually(async () => /Wipers - Replace\s+every 12 months/.test(await plan.locator("#serviceitems").innerText()),
        "the new item in the plan");
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });
});

// A plan from the web service with numbers no plan can mean: counts beyond what a plan holds,
// negative ones and one in exponent notation, beside an ordinary oil change.
const ABSURD_PLAN = "<data xmlns=\"\">" + [
  ["belts", "inspect", "0", "0", "2147483648", "99999999999999999999999"],
  ["coolant", "flush", "-1", "-1", "-1", "-1"],
  ["hoses", "inspect", "0", "0", "1e308", "0"],
  ["oil", "replace", "0", "0", "5000", "6"],
].map(([item, action, ...numbers]) => {
  const names = ["InitialMiles", "InitialMonths", "IntervalMiles", "IntervalMonths"];
  return `<maintenanceItem><ItemDescription>${item}</ItemDescription><ActionDescription>${action}</ActionDescription>` +
    numbers.map((n, i) => `<${names[i]}>${n}</${names[i]}>`).join("") + "</maintenanceItem>";
}).join("") + "</data>";

describe("absurd plan numbers from the web service", () => {
  test("are stored as none or as the largest a plan holds, never fall due, and leave the home and car pages sound", async () => {
    const soap = await startSoapServer({ getMaintenancePlan: ABSURD_PLAN });
    const home = jorvaneHome({ webUrl: soap.host });
    home.seed(car({ id: ID, name: "Daily", make: "Toyota", model: "Corolla", style: "LE",
      readings: [["2026-01-01", 5000], ["2026-12-09", 9000]] }) +
      `UPDATE Vehicles SET DriveType = 'FWD', Engine = '1.8L', Transmission = 'Manual', Region = 'USA',
         DrivingCondition = 'N' WHERE VehicleID = '${ID}'; UPDATE Prefs SET Internet = 2;`);
    try {
      const app = await startJorvane(home, { env: { JV_NOW: "2026-12-09", LANG: "en_US.UTF-8", LC_ALL: "en_US.UTF-8" } });
      const boxes = answerMessages(app);
      const ws = await frame(app.page, "main_workspace");
      await ws.evaluate((id) => { location.href = "177?" + id; }, ID);
      await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === "Vehicle Information Page", "the car page");
      const plan = await frame(app.page, "main_workspace");
      await plan.waitForFunction(() => window.external);
      await plan.click("#TabPlan");
      await eventually(() => plan.locator("#DownloadPlan").isEnabled(), "the download button");
      await plan.click("#DownloadPlan");
      await eventually(async () => (await plan.locator("#serviceitems tbody tr").count()) === 5, "the downloaded plan");
      const schedules = await plan.locator("#serviceitems tbody tr").evaluateAll((rows) =>
        rows.slice(1).map((row) => row.cells[0].innerText.trim() + ": " + row.querySelector(".schedule").innerText.replace(/\s+/g, " ").trim()));
      assert.deepEqual(schedules.sort(), [
        "Belts - Inspect: every 2,147,483,647 miles or 2,147,483,647 months",
        "Coolant - Flush: ",
        "Hoses - Inspect: every 2,147,483,647 miles",
        "Oil - Replace: every 5,000 miles or 6 months",
      ]);
      await plan.click("#SaveVehicle");
      await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === "Home Page", "the home page");
      assert.equal(home.query("SELECT group_concat(ITEM_DESCRIPTION || ' ' || INITIAL_MILEAGE || ' ' || INITIAL_MONTH || ' ' || " +
        "INTERVAL_MILEAGE || ' ' || INTERVAL_MONTH, ', ') FROM (SELECT * FROM MaintenancePlanItems ORDER BY ITEM_DESCRIPTION)"),
        "Belts 0 0 2147483647 2147483647, Coolant 0 0 0 0, Hoses 0 0 2147483647 0, Oil 0 0 5000 6");

      // Every item done on 01/01/2026: only the oil, every 6 months, is due by today.
      home.query(["Belts", "Coolant", "Hoses", "Oil"].map((item) =>
        `INSERT INTO Services (VehicleID, ServiceDate, Vendor, Cost, Skipped, Odometer) VALUES ('${ID}', ${day("2026-01-01")}, 'Garage', 0, 0, 5000);
         INSERT INTO ServiceItems (ServiceID, MaintenancePlanItemID) VALUES ((SELECT max(ServiceID) FROM Services),
           (SELECT MaintenancePlanItemID FROM MaintenancePlanItems WHERE ITEM_DESCRIPTION = '${item}'));`).join("\n"));
      const nav = await frame(app.page, "main_navbar");
      await nav.click("a.nav-home");
      const page = await frame(app.page, "main_workspace");
      const row = page.locator(`#carlist tr[id='${ID}']`);
      await eventually(async () => /^1 services due/.test((await row.locator("> td").allInnerTexts())[1]), "the oil due");
      await row.getByText("show details").click();
      assert.deepEqual(await row.locator("tr.internalRow td:first-child").allInnerTexts().then((t) => t.map((x) => x.trim())),
        ["Oil - Replace"]);
      boxes.stop();
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
      await soap.close();
    }
  });
});
