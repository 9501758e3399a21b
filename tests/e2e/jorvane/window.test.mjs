// The window as a desktop program: the pages' messages and questions are the program's own message
// box (never the browser's), no address of the program's server is shown, and dialogs, graphs and
// tables fit and work with the keyboard.
import assert from "node:assert/strict";
import { after, before, describe, test } from "node:test";
import { inflateSync } from "node:zlib";
import { car, garage } from "./garage.mjs";
import { answerMessages, dialog, eventually, frame, jorvaneHome, openRegister, printedPage, startJorvane, windowDelivered } from "./harness.mjs";

const CAR = "{22222222-2222-2222-2222-222222222222}";
const LONG = "{22222222-2222-2222-2222-222222222223}";
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
    await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });
    // What Cancel made the program do has been done by the time it answers a call made after.
    await windowDelivered(app, page);
    assert.equal(home.query("SELECT COUNT(*) FROM FuelPurchases"), "1", "Cancel keeps the row");
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
    await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });
    await windowDelivered(app, page);
    assert.equal(home.query("SELECT COUNT(*) FROM Services"), "0", "Cancel stores nothing");
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

// Twelve years of monthly fill-ups and quarterly services.
function longHistory() {
  const fuel = [];
  const costs = [];
  let odometer = 1000;
  for (let year = 2014; year <= 2026; year++) {
    for (let month = 1; month <= 11; month++) {
      odometer += 900;
      const date = `${year}-${String(month).padStart(2, "0")}`;
      fuel.push([`${date}-05`, odometer, 900, 30 + (month % 5), 90 + month, true]);
      if (month % 3 === 0) costs.push([`${date}-15`, 150 + month * 10]);
    }
  }
  return car({ id: LONG, name: "Long Haul", readings: [["2014-01-01", 1000], ["2026-12-01", odometer]], fuel, costs,
    items: [{ item: "Oil", action: "Change", months: 6 }] }) + garage();
}

// Every element of the documents shown now (frames and dialogs) that has an address of the
// program's server: where it is and what it names.
async function serverAddresses(app) {
  const found = [];
  for (const shown of app.page.frames()) {
    try {
      found.push(...await shown.evaluate(() => [...document.querySelectorAll("[href]")]
        .filter((el) => el.tagName !== "LINK" && new URL(el.getAttribute("href"), document.baseURI).origin === location.origin)
        .map((el) => `${document.title}: <${el.tagName.toLowerCase()}> ${el.getAttribute("href")}`)));
    } catch {
      // A frame that went away meanwhile.
    }
  }
  return found;
}

describe("a window of 1050 by 880 pixels", () => {
  let home;
  let app;
  before(async () => {
    home = jorvaneHome();
    home.seed(longHistory());
    app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" }, viewport: { width: 1050, height: 880 } });
  });
  after(async () => {
    await app.close();
    home.remove();
  });

  test("the overview's last column is inside the window", async () => {
    const page = await frame(app.page, "main_workspace");
    await page.waitForSelector("table.overview tr.listrow");
    const { right, width } = await page.evaluate(() => {
      const row = document.querySelector("table.overview tr.listrow");
      return { right: row.cells[row.cells.length - 1].getBoundingClientRect().right, width: document.documentElement.clientWidth };
    });
    assert.ok(right <= width, `the last column ends at ${right} of ${width}`);
    assert.equal(await page.evaluate(() => document.documentElement.scrollWidth <= document.documentElement.clientWidth), true,
      "no horizontal scroll bar");
  });

  test("a long history's graph has no two date labels whose boxes overlap, and its legend inside", async () => {
    const list = await frame(app.page, "main_navcarlist");
    await list.click("text=Long Haul");
    let page;
    await eventually(async () => {
      page = await frame(app.page, "main_workspace");
      return (await page.locator("#Graph .xvalue").count()) > 0 && (await page.locator("table.overview tr.listrow").count()) === 1;
    }, "the car's graph");
    for (const type of ["1", "2"]) {
      await page.selectOption("#GraphList", type);
      await eventually(async () => (await page.locator("#Graph .graphTitle").innerText()).includes(type === "1" ? "Total Cost" : "Over Time"),
        "graph " + type);
      const boxes = await page.$$eval("#Graph .xvalue", (labels) => labels.map((l) => l.getBoundingClientRect())
        .map((r) => ({ left: r.left, right: r.right, top: r.top, bottom: r.bottom })));
      assert.ok(boxes.length >= 3, "dates are shown");
      for (let i = 0; i < boxes.length; i++) {
        for (let j = i + 1; j < boxes.length; j++) {
          const a = boxes[i];
          const b = boxes[j];
          const overlap = a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
          assert.ok(!overlap, `labels ${i} and ${j} overlap`);
        }
      }
      // The value labels are whole steps of 1, 2 or 5 times a power of ten.
      const values = (await page.$$eval("#Graph .yvalue", (labels) => labels.map((l) => Number(l.textContent)))).sort((x, y) => x - y);
      const step = values[1] - values[0];
      const power = 10 ** Math.floor(Math.log10(step) + 1e-9);
      assert.ok([1, 2, 5].some((m) => Math.abs(step / power - m) < 1e-6), `step ${step}`);
      for (const value of values) assert.ok(Math.abs(value / step - Math.round(value / step)) < 1e-6, `label ${value}`);
      if (type === "2") {
        // The legend's box lies inside the graph and shows its texts whole.
        const legend = await page.$eval("#Graph .legend", (box) => {
          const graph = box.closest(".graph").getBoundingClientRect();
          return { right: box.getBoundingClientRect().right, edge: graph.right, clipped: box.scrollWidth > box.clientWidth };
        });
        assert.ok(legend.right <= legend.edge, `the legend ends at ${legend.right}, the graph at ${legend.edge}`);
        assert.equal(legend.clipped, false);
      }
    }
  });

  test("no element of any page or dialog has an address of the program's server", async () => {
    const seen = [];
    const look = async () => seen.push(...await serverAddresses(app));
    await look();
    const nav = await frame(app.page, "main_navbar");
    for (const link of ["a.nav-fuel", "a.nav-service", "a.nav-expense", "a.nav-home"]) {
      const before = (await frame(app.page, "main_workspace")).url();
      await nav.click(link);
      await eventually(async () => (await frame(app.page, "main_workspace")).url() !== before, link);
      await (await frame(app.page, "main_workspace")).waitForLoadState("load");
      await look();
    }
    // The navigation bar's links are still reached with the keyboard.
    await nav.focus("a.nav-fuel");
    await nav.press("a.nav-fuel", "Enter");
    await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === "Fuel Register", "Enter on a link");
    const workspace = await frame(app.page, "main_workspace");
    for (const url of ["215", "197", `177?${LONG}`, `177?${LONG}&Plan`]) {
      await workspace.evaluate((to) => { location.href = to; }, url);
      await eventually(async () => (await frame(app.page, "main_workspace")).url().includes(url.replace(/[{}]/g, (c) => encodeURIComponent(c))) ||
        (await frame(app.page, "main_workspace")).url().includes(url), url);
      await (await frame(app.page, "main_workspace")).waitForLoadState("load");
      await look();
    }
    await (await frame(app.page, "main_workspace")).evaluate(() => { location.href = "141"; });
    await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === "Home Page", "home");
    for (const [method, ...args] of [["OpenDeleteCarDlg", LONG], ["OpenSoldCarDlg", LONG], ["UpdateOdometer", LONG]]) {
      await (await frame(app.page, "main_workspace")).evaluate(([name, values]) => { window.external[name](...values); }, [method, args]);
      await dialog(app.page);
      await look();
      await app.page.keyboard.press("Escape");
      await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });
    }
    assert.deepEqual(seen, []);
  });

  test("Tab moves from the sale dialog's date to its price and stays inside the dialog", async () => {
    const page = await frame(app.page, "main_workspace");
    await page.evaluate((id) => { window.external.OpenSoldCarDlg(id); }, LONG);
    const sale = await eventually(async () => {
      const shown = await dialog(app.page, 1000);
      return (await shown.title()) === "Details of Vehicle Sale" ? shown : null;
    }, "the sale dialog", 15000);
    await sale.focus("#SoldDate");
    await app.page.keyboard.press("Tab");
    assert.equal(await sale.evaluate(() => document.activeElement.id), "SoldPrice");
    // Round and round: Shift+Tab from the first field goes to the last button, Tab from there back.
    await sale.focus("#SoldDate");
    await app.page.keyboard.press("Shift+Tab");
    const last = await sale.evaluate(() => document.activeElement.id);
    assert.equal(last, "ButtonCancel");
    await app.page.keyboard.press("Tab");
    assert.equal(await sale.evaluate(() => document.activeElement.id), "SoldDate");
    await app.page.keyboard.press("Escape");
    await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });
    assert.deepEqual(app.browserDialogs, []);
  });
});

// The pieces of text a PDF draws (its text-showing operators), from its compressed content streams.
function textRuns(pdf) {
  let runs = 0;
  const text = pdf.toString("latin1");
  for (const match of text.matchAll(/stream\r?\n/g)) {
    const start = match.index + match[0].length;
    const end = text.indexOf("endstream", start);
    try {
      const content = inflateSync(pdf.subarray(start, end)).toString("latin1");
      runs += (content.match(/\b(Tj|TJ)\b/g) || []).length;
    } catch {
      // Not a compressed stream (fonts, images).
    }
  }
  return runs;
}

describe("printing", () => {
  test("a printout carries no header or footer of the browser: no address, title or date", { timeout: 60000 }, async () => {
    const home = jorvaneHome();
    home.seed(SEED);
    try {
      const app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" } });
      // The page as it is printed, kept instead of printing.
      await app.context.addInitScript(() => {
        window.print = () => { window.top.jvPrinted = document.documentElement.outerHTML; };
      });
      await (await frame(app.page, "main_workspace")).evaluate(() => { window.external.PrintPage(); });
      const html = await eventually(() => app.page.evaluate(() => window.top.jvPrinted), "a print");
      const paper = await printedPage(app, html);
      assert.equal(await paper.evaluate(() => document.styleSheets.length), 2);
      // The browser's own header and footer, if the page let them in, draw the title, the address,
      // the date and the page number: four more pieces of text than the page itself.
      const print = (displayHeaderFooter) =>
        paper.pdf({ displayHeaderFooter, margin: { top: "15mm", bottom: "15mm" }, preferCSSPageSize: true });
      const plain = textRuns(await print(false));
      const withBrowserParts = textRuns(await print(true));
      assert.ok(plain > 0, "the printout has text");
      assert.equal(withBrowserParts, plain);
      await paper.close();
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });
});
