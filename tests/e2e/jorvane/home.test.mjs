// The home page of the real program on a seeded garage with the date fixed at 12/09/2026: the
// cars with their figures and due services, the due-by date, the reminder actions and hostile
// names.
import assert from "node:assert/strict";
import { describe, test } from "node:test";
import { dialog, eventually, frame, jorvaneHome, startJorvane, windowDelivered } from "./harness.mjs";
import { DAILY, WEEKEND, car, day, garage } from "./garage.mjs";

const NOW = { JV_NOW: "2026-12-09" };

async function open(sql) {
  const home = jorvaneHome();
  home.seed(sql);
  const app = await startJorvane(home, { env: NOW });
  const page = await frame(app.page, "main_workspace");
  await page.locator("#carlist tr.listrow").first().waitFor();
  return { home, app, page };
}

// A car row's cells as the user reads them.
const cells = (page, id) => page.locator(`#carlist tr[id='${id}'] > td`).allInnerTexts();
// The reminders listed under a car: [description, odometer, due date, overdue].
const reminders = (page, id) => page.locator(`#carlist tr[id='${id}'] tr.internalRow`).evaluateAll((rows) =>
  rows.map((row) => [...row.cells].map((c) => c.innerText.trim()).concat(!!row.querySelector("img"))));

// Opens the reminder menu of reminder `id` under a car, showing the car's details first.
async function pressReminder(page, carId, id) {
  const row = page.locator(`#carlist tr[id='${carId}']`);
  if (!(await row.locator("#RemindersDiv").isVisible())) await row.getByText("show details").click();
  await row.locator(`tr.internalRow[id='${id}'] td`).first().click();
}

// A due-by date after the weekend car's battery (due 02/01/2027): its reminder is listed.
async function listBattery(page) {
  await page.fill("#ReminderDate", "02/15/2027");
  await page.press("#ReminderDate", "Enter");
  await eventually(async () => /^1 services due/.test((await cells(page, WEEKEND))[1]), "the battery listed");
}

describe("the home page", () => {
  test("shows each car's figures and due services; a later due-by date lists more; completed opens the register", async () => {
    const { home, app, page } = await open(garage());
    try {
      assert.deepEqual(await page.locator("#carlist tr.listrow").evaluateAll((r) => r.map((row) => row.id)), [DAILY, WEEKEND]);
      // Daily: read today; fuel 252 and services 420; 1,200 miles on 120 gallons since the first fill-up.
      const daily = await cells(page, DAILY);
      assert.match(daily[0], /^Daily\s+2019 Toyota Corolla LE$/);
      assert.match(daily[1], /^2 services due \[show details\]/);
      assert.deepEqual(daily.slice(2).map((t) => t.trim()).filter((t, i) => i !== 1 && i !== 2), ["15000.0", "10.0", "672.00"]);
      assert.deepEqual(await reminders(page, DAILY), [
        ["Oil - Change", "13889", "11/01/2026", true],
        ["Tyres - Rotate", "15175", "12/15/2026", false],
      ]);
      assert.equal(await page.inputValue("#ReminderDate"), "12/23/2026");
      // Weekend: last read 10/01 at 42,700 after 2,700 miles in 273 days, 69 days ago.
      const weekend = await cells(page, WEEKEND);
      assert.equal(weekend[1].trim(), "No services due until 02/01/2027");
      assert.equal(weekend[2].trim(), "43382.4\n(estimated)");
      assert.equal(weekend[6].trim(), "0.00");

      // A later date lists the battery as well; a date that cannot be read lists nothing. Each is
      // typed over the date shown, selected as a person selects it: Ctrl+A, Shift and the arrows.
      await page.click("#ReminderDate");
      await app.page.keyboard.press("Control+a");
      await app.page.keyboard.type("02/15/2027");
      await app.page.keyboard.press("Enter");
      await eventually(async () => /^1 services due/.test((await cells(page, WEEKEND))[1]), "the battery listed");
      assert.equal((await reminders(page, WEEKEND))[0][0], "Battery - Check");
      assert.equal(await page.inputValue("#ReminderDate"), "02/15/2027");
      await page.click("#ReminderDate");
      await app.page.keyboard.press("End");
      for (let i = 0; i < 10; i++) await app.page.keyboard.press("Shift+ArrowLeft");
      await app.page.keyboard.type("31/12/2026");
      await app.page.keyboard.press("Enter");
      await eventually(async () => /invalid/.test(await page.getAttribute("#ReminderDate", "class")), "the date marked");
      assert.equal(await page.locator("tr.internalRow").count(), 0);
      // A double-click selects a word of the field; the page's own text stays unselectable.
      await page.dblclick("#ReminderDate");
      assert.equal(await page.locator("#ReminderDate").evaluate((field) => field.selectionEnd > field.selectionStart), true);
      const name = page.locator(`#carlist tr[id='${DAILY}'] h3`);
      await name.dblclick();
      assert.equal(await name.evaluate((h3) => document.getSelection().containsNode(h3, true)), false);

      // The time span changes its column only.
      const before = await cells(page, DAILY);
      await page.selectOption("#TimeSpan", "Day");
      await eventually(async () => (await cells(page, DAILY))[3] !== before[3], "miles per day");
      const after = await cells(page, DAILY);
      assert.deepEqual(after.filter((_, i) => i !== 3), before.filter((_, i) => i !== 3));
      assert.equal(await page.locator("#CostUnit option[value=Distance]").count(), 1);

      // Completed: to the service register.
      await page.fill("#ReminderDate", "12/23/2026");
      await page.press("#ReminderDate", "Enter");
      await eventually(async () => (await reminders(page, DAILY)).length === 2, "reminders again");
      const id = await page.locator(`#carlist tr[id='${DAILY}'] tr.internalRow`).first().getAttribute("id");
      await pressReminder(page, DAILY, id);
      const done = await page.locator(`#carlist tr.internalRow[id='${id}'] td`).first().innerText();
      await page.click("#MenuReminders #Completed");
      // The service register opens with a new entry for the car, the completed item ticked.
      await eventually(() => /\/186$/.test(app.page.frame({ name: "main_workspace" }).url()), "the service register");
      const register = await frame(app.page, "main_workspace");
      const ticked = () => register.locator("#MaintenanceItems label").evaluateAll((labels) =>
        labels.filter((l) => l.querySelector("input").checked).map((l) => l.textContent.trim()));
      assert.deepEqual(await eventually(async () => { const t = await ticked(); return t.length ? t : null; }, "the ticked item"),
        [done.trim()]);
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });

  test("completed beyond the due window ticks its item in a new service entry shown whole below a long register", async () => {
    // A long service history: the new entry is at the bottom of a register that scrolls.
    let history = "";
    for (let week = 0; week < 40; week++) {
      history += `INSERT INTO Services (VehicleID, ServiceDate, Vendor, Cost, Skipped) VALUES ('${WEEKEND}', ${day("2025-01-01") + week * 7}, 'Garage', 10, 0);\n`;
    }
    const { home, app, page } = await open(garage() + history);
    try {
      // The battery is due after the default window: listed once the due-by date is later.
      await listBattery(page);
      const id = await page.locator(`#carlist tr[id='${WEEKEND}'] tr.internalRow`).first().getAttribute("id");
      await pressReminder(page, WEEKEND, id);
      await page.click("#MenuReminders #Completed");
      await eventually(() => /\/186$/.test(app.page.frame({ name: "main_workspace" }).url()), "the service register");
      const register = await frame(app.page, "main_workspace");
      const ticked = () => register.locator("#MaintenanceItems label").evaluateAll((labels) =>
        labels.filter((l) => l.querySelector("input").checked).map((l) => l.textContent.trim()));
      assert.deepEqual(await eventually(async () => { const t = await ticked(); return t.length ? t : null; }, "the ticked item"),
        ["Battery - Check"]);
      // Both rows of the new entry are inside the register's box.
      const shown = () => register.evaluate(() => {
        const box = document.getElementById("registerdiv").getBoundingClientRect();
        const top = document.getElementById("new").getBoundingClientRect();
        const bottom = document.getElementById("new").nextElementSibling.getBoundingClientRect();
        return top.top >= box.top && bottom.bottom <= box.bottom + 0.5;
      });
      assert.ok(await register.evaluate(() => {
        const box = document.getElementById("registerdiv");
        return box.scrollHeight > box.clientHeight;
      }), "the register scrolls");
      await eventually(shown, "the new entry shown whole");
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });

  test("Change Schedule asks about similar items only when there are some, with one set of buttons", async () => {
    const { home, app, page } = await open(garage());
    try {
      const changeSchedule = async (carId, months, index = 0) => {
        const ws = await frame(app.page, "main_workspace");
        const id = await ws.locator(`#carlist tr[id='${carId}'] tr.internalRow`).nth(index).getAttribute("id");
        await pressReminder(ws, carId, id);
        await ws.click("#MenuReminders #Change");
        await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === "Vehicle Information Page", "the plan");
        const plan = await frame(app.page, "main_workspace");
        const row = plan.locator("#serviceitems tr.registerrowcurrent");
        await row.waitFor();
        await row.locator("[name=InputIntervalTime]").fill(String(months));
        await row.locator(".ItemSubmit").click();
        return plan;
      };
      // The weekend car's battery is the only item of its plan: nothing to ask.
      await listBattery(page);
      let plan = await changeSchedule(WEEKEND, 24);
      await eventually(async () => /every 24 months/.test(await plan.locator("#serviceitems").innerText()), "the new schedule");
      // A question would be open by the time the program answers a call made after the change.
      await windowDelivered(app, plan);
      assert.equal(await app.page.locator("dialog.jv-dialog").count(), 0, "no question");

      // The daily car's oil change every 3 months is like its tyres every 6: asked, one OK and one Cancel.
      const nav = await frame(app.page, "main_navbar");
      await nav.click("a.nav-home");
      const ask = await dialog(app.page);  // leaving the changed car
      await ask.click("#ButtonCancel");
      await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === "Home Page", "home");
      await (await frame(app.page, "main_workspace")).locator("#carlist tr.listrow").first().waitFor();
      plan = await changeSchedule(DAILY, 4);
      const similar = await dialog(app.page);
      assert.equal(await similar.title(), "Change Service Schedule");
      assert.deepEqual(await similar.locator("#serviceitems tr").allInnerTexts().then((rows) => rows.slice(1).map((r) => r.split("\t")[1].trim())),
        ["Tyres - Rotate"]);
      assert.equal(await similar.locator("button").count(), 2);
      await similar.check("#serviceitems input[type=checkbox]");
      await similar.click("#ButtonOK");
      await eventually(async () => /Tyres - Rotate\s+every 8 months/.test(await plan.locator("#serviceitems").innerText()), "the tyres changed too");
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });

  test("skip once moves a reminder on, skip always drops the item; ids that name no reminder do nothing", async () => {
    const { home, app, page } = await open(garage());
    try {
      const services = () => home.query("SELECT count(*) FROM Services");
      const before = services();
      // Ids the page was not given.
      await page.evaluate(async () => {
        for (const id of [-1, 2, 99, 2147483647]) {
          await window.external.SkipService(id);
          await window.external.SkipServiceAlways(id);
          await window.external.CompletedService(id);
        }
      });
      assert.equal(services(), before);
      assert.equal(home.query("SELECT count(*) FROM MaintenancePlanItems"), "4");

      // Skip the tyres once: a skipped service of today at today's reading, linked to the item.
      await pressReminder(page, DAILY, 1);
      await page.click("#MenuReminders #Skip");
      assert.equal(await page.innerText("#SkipServiceName"), "Tyres - Rotate");
      await page.click("#SkipOK");
      await eventually(() => services() === String(Number(before) + 1), "the skipped service");
      assert.equal(home.query(`SELECT Skipped <> 0, ServiceDate, Odometer FROM Services WHERE ServiceID = (SELECT max(ServiceID) FROM Services)`),
        "1|46365.0|15000.0");
      assert.equal(home.query(`SELECT i.ITEM_DESCRIPTION FROM ServiceItems s JOIN MaintenancePlanItems i USING (MaintenancePlanItemID)
        WHERE s.ServiceID = (SELECT max(ServiceID) FROM Services)`), "Tyres");
      await eventually(async () => (await reminders(page, DAILY)).length === 1, "the tyres moved on");

      // Cancel changes nothing; "Remove this item" takes the oil change out of the plan.
      await pressReminder(page, DAILY, 0);
      await page.click("#MenuReminders #Skip");
      await page.click("#SkipCancel");
      await pressReminder(page, DAILY, 0);
      await page.click("#MenuReminders #Skip");
      await page.check("#RemoveAlways");
      await page.click("#SkipOK");
      await eventually(() => home.query("SELECT count(*) FROM MaintenancePlanItems WHERE ITEM_DESCRIPTION = 'Oil'") === "0", "the item gone");
      assert.equal(services(), String(Number(before) + 1));
      await eventually(async () => /^No services due until/.test((await cells(page, DAILY))[1]), "nothing due");

      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });

  test("car names are shown as text in the list, the details and the graph", async () => {
    const hostile = `<img src=x onerror="window.hit=1">&'"`;
    const { home, app, page } = await open(
      car({ id: DAILY, name: hostile, items: [{ item: "<b>Oil</b>", action: "Change", months: 3, done: "2026-08-01" }],
        costs: [["2026-01-01", 10], ["2026-02-01", 20], ["2026-03-01", 30]] }) + "UPDATE Prefs SET Internet = 1;");
    try {
      assert.equal(await page.locator(`#carlist tr[id='${DAILY}'] h3`).innerText(), hostile);
      assert.equal((await reminders(page, DAILY))[0][0], "<b>Oil</b> - Change");
      await page.locator("#Graph .graphTitle").waitFor();
      assert.equal(await page.locator("#Graph .graphTitle").innerText(), "Total Cost For " + hostile);
      assert.equal(await page.locator("#Graph .point").count(), 3);
      assert.equal(await page.evaluate(() => window.hit), undefined);
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });
  test("a cost dated by another program with text that is no date is left out of both graphs, which are drawn", async () => {
    // Daily's fill-up and service dated "soon": the rest stands as the database holds it.
    const { home, app, page } = await open(garage() + `
      INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Volume, Cost, Fillup)
        VALUES ('${DAILY}', 'soon', 13600, 400, 40, 68, -1);
      INSERT INTO Services (VehicleID, ServiceDate, Vendor, Cost, Skipped) VALUES ('${DAILY}', 'soon', 'Garage', 90, 0);`);
    try {
      const bad = home.query(`SELECT group_concat(id) FROM (SELECT FuelPurchaseID AS id FROM FuelPurchases
        WHERE FuelPurchaseDate = 'soon' UNION ALL SELECT ServiceID FROM Services WHERE ServiceDate = 'soon')`).split(",");
      const graph = async (value, title) => {
        await page.selectOption("#GraphList", value);
        await eventually(async () => (await page.locator("#Graph .graphTitle").innerText()).includes(title), title);
        return page.locator("#Graph .point").evaluateAll((points) => points.map((p) => p.title.split(/\s/)[0]));
      };
      // Total cost: a point per date with costs, running on to the sum of the dated costs.
      const dated = (table, date) => `SELECT ${date} AS d, Cost FROM ${table} WHERE VehicleID = '${DAILY}' AND typeof(${date}) <> 'text' AND Cost > 0`;
      const [dates, total] = home.query(`SELECT count(DISTINCT d), sum(Cost) FROM (${dated("FuelPurchases", "FuelPurchaseDate")}
        UNION ALL ${dated("Services", "ServiceDate")})`).split("|").map(Number);
      const costs = await graph("1", "Total Cost For Daily");
      assert.equal(costs.length, dates);
      assert.equal(Number(costs.at(-1)), total);
      // Fuel economy: 400 miles on 40 gallons at each fill-up after the first dated one.
      assert.deepEqual(await graph("2", "Over Time for Daily"), ["10.0", "10.0", "10.0"]);
      const log = home.traceLog();
      assert.match(log, new RegExp(`FuelPurchases row ${bad[0]} left out of the fuel economy graph`));
      assert.match(log, new RegExp(`Services row ${bad[1]} left out of the cost graph`));
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });
  test("the odometer is updated from its cell, and a car is sold and deleted from its menu", async () => {
    const { home, app, page } = await open(garage());
    try {
      // Weekend's estimate is replaced by today's reading.
      await page.locator(`#carlist tr[id='${WEEKEND}'] td#odometer`).click();
      const reading = await dialog(app.page);
      assert.equal(await reading.inputValue("#Date"), "12/09/2026");
      assert.equal(await reading.inputValue("#Odometer"), "43382.4");
      await reading.fill("#Odometer", "43500");
      await reading.click("#ButtonOK");
      await eventually(async () => (await cells(page, WEEKEND))[2].trim() === "43500.0", "the new reading shown");
      assert.equal(home.query(`SELECT count(*) FROM OdometerValues WHERE VehicleID = '${WEEKEND}' AND OdometerValue = 43500`), "1");

      // Sell Weekend: it leaves the list.
      await page.locator(`#carlist tr[id='${WEEKEND}'] > td`).first().click();
      await page.click("#MenuCarOverview #Sell");
      const sale = await dialog(app.page);
      await sale.fill("#SoldDate", "12/01/2026");
      await sale.fill("#SoldPrice", "5000");
      await sale.click("#ButtonOK");
      await eventually(() => home.query(`SELECT Sold <> 0 FROM Vehicles WHERE VehicleID = '${WEEKEND}'`) === "1", "sold");
      await eventually(async () => (await page.locator("#carlist tr.listrow").count()) === 1, "the sold car gone");

      // Delete Daily: the list keeps its headings only.
      await page.locator(`#carlist tr[id='${DAILY}'] > td`).first().click();
      await page.click("#MenuCarOverview #Delete");
      await (await dialog(app.page)).click("#ButtonOK");
      await eventually(() => home.query(`SELECT count(*) FROM Vehicles WHERE VehicleID = '${DAILY}'`) === "0", "deleted");
      await eventually(async () => (await page.locator("#carlist tr").count()) === 2, "no car rows");
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });
  test("each print button prints one document: the car list, the reminders of every car, the graph", async () => {
    const { home, app, page } = await open(garage());
    try {
      await app.context.addInitScript(() => {
        window.print = () => {
          window.top.jvPrinted = (window.top.jvPrinted || []).concat([document.body.innerText]);
        };
      });
      const printed = () => app.page.evaluate(() => window.jvPrinted || []);
      const buttons = ["tr.titlebar .printbutton", "tr.headingsm .printbutton", "#GraphPrint"];
      for (let i = 0; i < buttons.length; i++) {
        await page.click(buttons[i]);
        await eventually(async () => (await printed()).length === i + 1, "print " + i);
      }
      // A further print would have come by the time the program answers a call made after them.
      await windowDelivered(app, page);
      const [list, reminders, graph] = await printed();
      assert.equal((await printed()).length, 3);
      assert.match(list, /Daily[\s\S]*15000\.0[\s\S]*Weekend/);
      assert.deepEqual(reminders.trim().split("\n").map((line) => line.trim()), [
        "Car Name\tService\tOdometer\tDue Date", "Daily\tOil - Change\t13888.9\t11/01/2026",
        "Daily\tTyres - Rotate\t15175.4\t12/15/2026"]);
      assert.match(graph, /Total Cost For Daily/);
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });
  test("after a car was added, the notice offers the service register and is shown once", async () => {
    const home = jorvaneHome();
    home.seed(garage());
    try {
      const app = await startJorvane(home, { env: NOW });
      await (await frame(app.page, "main_workspace")).locator("#carlist tr.listrow").first().waitFor();
      // What the vehicle page leaves after adding a car; then the user goes home.
      home.writeSettings({ ...home.settings(), NewCar: "1", LastCar: WEEKEND });
      await (await frame(app.page, "main_navbar")).click("a.nav-home");
      const notice = await dialog(app.page);
      assert.match(await notice.locator("body").innerText(), /Jorvane may automatically create one or more entries/);
      assert.equal(await notice.locator("#ButtonCancel").innerText(), "Go To Service Register");
      await notice.click("#ButtonCancel");
      await eventually(() => /\/186$/.test(app.page.frame({ name: "main_workspace" })?.url() || ""), "the service register");
      assert.equal(home.settings().NewCar, "0");
      await eventually(() => home.settings().SelectedCar === WEEKEND, "the new car selected");
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });
});
