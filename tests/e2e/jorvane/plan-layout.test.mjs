// The vehicle page's plan in QuickStart, in the window the program starts itself (headed Chromium
// on a virtual display) at the two screen sizes users have: an item opened for editing widens
// nothing, no balloon is cut off at the window's edge and none covers the plan's rows. And the
// home page of a garage whose only car was sold, its sold cars hidden: no graph of that car. And in
// the small window of a 1920x1080 screen at 200 % (960x540): every box of QuickStart stands whole
// in the window, its buttons clicked with the mouse and its content scrolled to, and the car's
// balloons stay inside the window's width.
import assert from "node:assert/strict";
import { after, before, describe, test } from "node:test";
import { dialog, eventually, findDialog, frame, jorvaneHome, startJorvaneHeaded, startSoapServer, virtualDisplay } from "./harness.mjs";
import { car } from "./garage.mjs";

// Screenshots go to this folder when it is named (they are looked at, not compared).
const SHOTS = process.env.JV_SHOTS || "";

const data = (xml) => `<data xmlns="">${xml}</data>`;
const ITEMS = [["engine oil", "replace", 5000, 6], ["oil filter", "replace", 5000, 6], ["tires", "rotate", 7500, 6],
  ["brake pads", "inspect", 15000, 12], ["cabin air filter", "replace", 15000, 12], ["engine air filter", "replace", 30000, 24],
  ["coolant", "replace", 60000, 60], ["spark plugs", "replace", 100000, 96], ["transmission fluid", "replace", 60000, 48],
  ["brake fluid", "replace", 30000, 36], ["wiper blades", "replace", 0, 12], ["timing belt", "replace", 105000, 84]];
const SERVICE = {
  getPartnerText: "",
  getAllYears: data("<ModelYear>2015</ModelYear><ModelYear>2016</ModelYear>"),
  getYears: data("<ModelYear>2015</ModelYear><ModelYear>2016</ModelYear>"),
  getAllMakes: data("<make><MakeID>7</MakeID><Make>Honda</Make></make><make><MakeID>8</MakeID><Make>Mazda</Make></make>"),
  getMakes: data("<make><MakeID>7</MakeID><Make>Honda</Make></make><make><MakeID>8</MakeID><Make>Mazda</Make></make>"),
  getModels: data("<model><ModelID>70</ModelID><Model>Civic</Model></model><model><ModelID>71</ModelID><Model>Fit</Model></model>"),
  getStyles: data("<style><StyleID>h1</StyleID><Style>LX</Style></style><style><StyleID>h2</StyleID><Style>EX</Style></style>"),
  getDriveTypes: data("<drivetype><DriveType>FWD</DriveType></drivetype>"),
  getEngines: data("<engine><Engine>1.8L</Engine></engine>"),
  getTransmissions: data("<transmission><Transmission>Automatic</Transmission></transmission>"),
  getMaintenancePlan: data(ITEMS.map(([item, action, miles, months]) =>
    `<maintenanceItem><ItemDescription>${item}</ItemDescription><ActionDescription>${action}</ActionDescription>` +
    `<InitialMiles>0</InitialMiles><InitialMonths>0</InitialMonths><IntervalMiles>${miles}</IntervalMiles><IntervalMonths>${months}</IntervalMonths></maintenanceItem>`).join("")),
};

// What of the plan's layout is at fault now: the page or the plan wider than it shows, a balloon
// out of the window, a balloon over a plan row that shows or over something to click. `across`
// looks at the width alone: a balloon past the window's side, cut off, or the page scrolling sideways.
function layoutFaults(page, { across = false } = {}) {
  return page.evaluate((across) => {
    const faults = [];
    const root = document.documentElement;
    const plan = document.getElementById("DivPlan");
    if (root.scrollWidth > root.clientWidth) faults.push(`the page is ${root.scrollWidth} wide in ${root.clientWidth}`);
    if (plan.scrollWidth > plan.clientWidth) faults.push(`the plan is ${plan.scrollWidth} wide in ${plan.clientWidth}`);
    const box = (e) => e.getBoundingClientRect();
    const overlaps = (a, b) => a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
    const shown = box(plan);
    const rows = [...document.querySelectorAll("#serviceitems tr")].filter((row) => {
      const r = box(row);
      return r.bottom > shown.top + 1 && r.top < shown.bottom - 1;
    });
    const tips = [...document.querySelectorAll("#QuickStartTips .qstip")].filter((tip) => tip.offsetParent !== null);
    for (const tip of tips) {
      const r = box(tip);
      if (across) {
        if (r.right > root.clientWidth || r.left < 0) faults.push(`${tip.id} at ${Math.round(r.left)}..${Math.round(r.right)} is not inside ${root.clientWidth}`);
        if (tip.scrollWidth > tip.clientWidth) faults.push(`${tip.id} is cut off`);
        continue;
      }
      if (r.right > root.clientWidth || r.left < 0 || r.top < 0 || r.bottom > root.clientHeight)
        faults.push(`${tip.id} at ${Math.round(r.left)}..${Math.round(r.right)} x ${Math.round(r.top)}..${Math.round(r.bottom)} is not inside ${root.clientWidth} x ${root.clientHeight}`);
      if (tip.scrollWidth > tip.clientWidth) faults.push(`${tip.id} is cut off`);
      for (const row of rows) if (overlaps(r, box(row))) faults.push(`${tip.id} covers the row "${row.innerText.split("\n")[0]}"`);
      // Nothing the user may have to click next lies under a balloon: a tab, a field, a button.
      for (const target of document.querySelectorAll(".tabstrip .tab, .tabstrip a, .tabbody input, .tabbody select, .carbuttons button")) {
        if (target.offsetParent !== null && overlaps(r, box(target)))
          faults.push(`${tip.id} covers ${target.id || target.name || target.tagName} "${(target.innerText || "").trim()}"`);
      }
    }
    return { faults, tips: tips.map((tip) => tip.id), rows: rows.length };
  }, across);
}

// What of a box the user cannot reach in the window: the box past the window's edge, content cut
// off or beyond scrolling, a button that cannot be brought into view inside the box and the window.
async function boxFaults(app, box) {
  const faults = [];
  const frameElement = await box.frameElement();
  const screen = await app.page.evaluate(() => ({ x: 0, y: 0, width: window.innerWidth, height: window.innerHeight }));
  const inside = (r, outer) => r.x >= outer.x - 0.5 && r.y >= outer.y - 0.5 &&
    r.x + r.width <= outer.x + outer.width + 0.5 && r.y + r.height <= outer.y + outer.height + 0.5;
  const where = (r) => `${Math.round(r.x)}..${Math.round(r.x + r.width)} x ${Math.round(r.y)}..${Math.round(r.y + r.height)}`;
  const whole = await frameElement.evaluate((shown) => {
    const r = shown.closest("dialog").getBoundingClientRect();
    return { x: r.x, y: r.y, width: r.width, height: r.height };
  });
  if (!inside(whole, screen)) faults.push(`the box at ${where(whole)} is not inside ${screen.width} x ${screen.height}`);
  const shown = await frameElement.boundingBox();
  const content = await box.evaluate(() => {
    const root = document.scrollingElement;
    return { scrolls: getComputedStyle(root).overflowY !== "hidden", height: root.scrollHeight, shown: root.clientHeight,
      width: root.scrollWidth, across: root.clientWidth };
  });
  if (!content.scrolls && content.height > content.shown) faults.push(`the content is cut off at ${content.shown} of ${content.height}`);
  if (content.width > content.across) faults.push(`the content is ${content.width} wide in ${content.across}`);
  for (const button of await box.locator("button").all()) {
    if (!(await button.isVisible())) continue;
    await button.scrollIntoViewIfNeeded();
    const r = await button.boundingBox();
    if (!inside(r, shown) || !inside(r, screen))
      faults.push(`"${(await button.innerText()).trim()}" at ${where(r)} is not inside the box shown at ${where(shown)} in the window`);
  }
  return faults;
}

for (const [width, height] of [[1400, 900], [1050, 880]]) {
  describe(`the plan and the home page at ${width}x${height}`, () => {
    let display = null;
    let soap;
    before(async () => {
      display = await virtualDisplay(width, height);
      soap = await startSoapServer(SERVICE);
    });
    after(async () => {
      await soap.close();
      if (display) await display.close();
    });

    test("an item opened in QuickStart's plan widens nothing; the balloons stand clear of the rows", { timeout: 150000 }, async (t) => {
      if (!display) {
        t.skip("no Xvfb to show a headed window on");
        return;
      }
      const home = jorvaneHome({ webUrl: soap.host });
      home.writeSettings({ WindowPos: `0,1,-1,-1,-1,-1,0,0,${width},${height}` });
      try {
        const app = await startJorvaneHeaded(home, display);
        const shot = async (name) => {
          if (SHOTS) await app.page.screenshot({ path: `${SHOTS}/${width}x${height}-${name}.png` });
        };
        await (await findDialog(app, /Is this your first time using Jorvane/, "the welcome")).click("#ButtonNext");
        await (await findDialog(app, /select your preferred units/, "the units dialog")).click("#ButtonNext");
        await (await findDialog(app, /Now you will enter your vehicle information/, "step 2")).click("#ButtonNext");
        await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === "Vehicle Information Page",
          "the vehicle page");
        const page = await frame(app.page, "main_workspace");
        // Each balloon of the car's entry, as it shows.
        const entry = {};
        const balloonFaults = async (step) => {
          await eventually(async () => (await layoutFaults(page)).tips.length > 0, "a balloon " + step);
          entry[step] = (await layoutFaults(page)).faults;
        };
        await balloonFaults("first");
        await page.selectOption("#CarMake", "7");
        await eventually(async () => (await page.locator("#CarYear option").count()) === 3, "the years of the make");
        await balloonFaults("after the make");
        await page.selectOption("#CarYear", "2015");
        await eventually(async () => (await page.locator("#CarModel option").count()) === 3, "the models");
        await balloonFaults("after the year");
        await page.selectOption("#CarModel", "70");
        await eventually(() => page.locator("#CarStyle").isVisible(), "the styles");
        await balloonFaults("after the model");
        await page.selectOption("#CarStyle", "h1");
        await balloonFaults("after the style");
        await page.fill("#CarCurrentOdometer", "12000");
        await page.locator("#CarCurrentOdometer").dispatchEvent("change");
        await balloonFaults("after the odometer");
        assert.deepEqual(entry, Object.fromEntries(Object.keys(entry).map((step) => [step, []])));
        await page.locator("input[name=CarDriving][value='N']").check();
        await (await findDialog(app, /You've now entered all the data/, "step 4")).click("#ButtonNext");
        await (await findDialog(app, /found one that's based on the manufacturer's/, "step 5")).click("#ButtonNext");
        await eventually(() => page.locator("#QS_SaveCar").isVisible(), "the save balloon");
        assert.equal(await page.locator("#serviceitems tr").count(), ITEMS.length + 1);

        let seen = await layoutFaults(page);
        await shot("plan");
        assert.deepEqual(seen.tips.sort(), ["QS_AddServiceItems", "QS_ModifyItem", "QS_SaveCar"]);
        const found = { "as it opens": seen.faults };
        // The optional tabs shown: every tab stays clear to click.
        await page.click("#ShowOptionalTabs");
        await eventually(() => page.locator("#TabSaleInfo").isVisible(), "the optional tabs");
        found["with the optional tabs"] = (await layoutFaults(page)).faults;
        await shot("plan-optional-tabs");
        const noFaults = () => Object.fromEntries(Object.keys(found).map((step) => [step, []]));
        // Each item opened in turn, the first ones, then the last ones (the plan scrolls them into view).
        for (const index of [1, 2, ITEMS.length - 1, ITEMS.length]) {
          if (index === ITEMS.length - 1) assert.deepEqual(found, noFaults());
          await page.locator(`#serviceitems tr >> nth=${index}`).locator("td").first().click();
          await eventually(() => page.locator(`#serviceitems tr >> nth=${index}`).locator("[name=InputInitialDistance]").isVisible(),
            "the item's schedule boxes");
          seen = await layoutFaults(page);
          if (index === 2) await shot("plan-item-open");
          if (index === ITEMS.length) await shot("plan-last-item-open");
          found[`item ${index} open`] = seen.faults;
        }
        assert.deepEqual(found, noFaults());
        assert.deepEqual(app.browserDialogs, []);
        await app.kill();
      } finally {
        home.remove();
      }
    });

    test("the only car sold, sold cars hidden: the home page draws no graph of it", { timeout: 90000 }, async (t) => {
      if (!display) {
        t.skip("no Xvfb to show a headed window on");
        return;
      }
      const ID = "{5A1D0000-0000-0000-0000-000000000002}";
      const home = jorvaneHome();
      home.seed(car({ id: ID, name: "Runabout", costs: [["2026-03-01", 120], ["2026-07-01", 300], ["2026-09-01", 50]] }) +
        "UPDATE Prefs SET Internet = 1;");
      home.writeSettings({ WindowPos: `0,1,-1,-1,-1,-1,0,0,${width},${height}` });
      try {
        const app = await startJorvaneHeaded(home, display, { env: { JV_NOW: "2026-12-09" } });
        let workspace = await frame(app.page, "main_workspace");
        await eventually(async () => /Total Cost For Runabout/.test(await workspace.locator("#Graph").innerText()), "the car's graph");
        await app.page.locator("#jv-menubar .jv-menu > button", { hasText: "Go To" }).click();
        await app.page.locator("#jv-menubar .jv-open li button", { hasText: "Sell Car" }).click();
        const chooser = await dialog(app.page);
        await chooser.selectOption("#CarList", ID);
        await chooser.click("#ButtonOK");
        const sale = await findDialog(app, /Selling|Sold|Price/i, "the sale dialog");
        await sale.fill("#SoldDate", "12/01/2026");
        await sale.fill("#SoldPrice", "5000");
        await sale.click("#ButtonOK");
        await eventually(() => home.query(`SELECT Sold FROM Vehicles WHERE VehicleID = '${ID}'`) === "-1", "the sale stored");
        await eventually(async () => {
          workspace = await frame(app.page, "main_workspace");
          return (await workspace.locator("#carlist tr").count()) === 2 && (await workspace.locator("#Graph img").count()) === 1;
        }, "the home page without the car");
        if (SHOTS) await app.page.screenshot({ path: `${SHOTS}/${width}x${height}-sold-home.png` });
        assert.doesNotMatch(await workspace.locator("#Graph").innerText(), /Total Cost For/);
        assert.equal(await workspace.locator("#GraphPrint").isVisible(), false);
        assert.equal(await workspace.locator("#ChooseCarGraph").isVisible(), false);
        // Go To > Edit Car Details: no chooser without a car in it; the window stays as it is.
        await app.page.locator("#jv-menubar .jv-menu > button", { hasText: "Go To" }).click();
        const command = app.page.locator("#jv-menubar .jv-open li button", { hasText: "Edit Car Details" });
        await command.hover();
        if (SHOTS) await app.page.screenshot({ path: `${SHOTS}/${width}x${height}-sold-edit-car-menu.png` });
        await command.click();
        await app.page.locator("#jv-menubar .jv-menu > button", { hasText: "Help" }).click();
        await app.page.locator("#jv-menubar .jv-open li button", { hasText: "About" }).click();
        const about = await findDialog(app, /kept on your own computer/, "the about box, which a car chooser would have stood before");
        assert.equal(await app.page.locator("dialog.jv-dialog").count(), 1);
        await about.click("#ButtonOK");
        await eventually(async () => (await app.page.locator("dialog.jv-dialog").count()) === 0, "the about box closed");
        if (SHOTS) await app.page.screenshot({ path: `${SHOTS}/${width}x${height}-sold-edit-car-after.png` });
        assert.equal(new URL((await frame(app.page, "main_workspace")).url()).pathname, "/141");
        await app.kill();
      } finally {
        home.remove();
      }
    });
  });
}

describe("QuickStart's boxes and balloons in a 960x540 window (a 1920x1080 screen at 200 %)", () => {
  let display = null;
  before(async () => {
    display = await virtualDisplay(1920, 1080);
  });
  after(async () => {
    if (display) await display.close();
  });

  test("every box stands whole in the window and answers the mouse; the car's balloons stay inside", { timeout: 150000 }, async (t) => {
    if (!display) {
      t.skip("no Xvfb to show a headed window on");
      return;
    }
    // An address of the test's that nobody listens on, until the service comes up on it.
    const gone = await startSoapServer();
    const port = Number(gone.host.split(":")[1]);
    await gone.close();
    let soap = null;
    const home = jorvaneHome({ webUrl: gone.host });
    // An empty garage that never connects unasked: the vehicle page asks first.
    home.seed("UPDATE Prefs SET Internet = 1;");
    home.writeSettings({ WindowPos: "0,1,-1,-1,-1,-1,0,0,960,540" });
    try {
      const app = await startJorvaneHeaded(home, display, { browserArgs: ["--force-device-scale-factor=2"] });
      await findDialog(app, /Is this your first time using Jorvane/, "the welcome");
      const size = await app.page.evaluate(() => [window.innerWidth, window.innerHeight, window.devicePixelRatio]);
      assert.ok(size[0] <= 960 && size[1] <= 540 && size[2] === 2, "the window is " + size.join(" x "));
      // The box whose text matches, looked at, then answered with a click of `button`.
      const answer = async (text, what, button) => {
        const box = await findDialog(app, text, what);
        assert.deepEqual(await boxFaults(app, box), [], what);
        if (SHOTS) await app.page.screenshot({ path: `${SHOTS}/960x540-${what.replace(/\W+/g, "-")}.png` });
        await box.locator(button).click({ timeout: 5000 });
        await eventually(() => box.isDetached(), what + " answered");
      };
      await answer(/Is this your first time using Jorvane/, "the welcome", "#ButtonNext");
      await answer(/select your preferred units/, "the units box", "#ButtonNext");
      await answer(/Will you allow Jorvane to connect/, "the message box", "#ButtonOK");
      const unreachable = await findDialog(app, /Jorvane could not reach the Internet/, "Couldn't Reach Internet");
      assert.equal(await unreachable.title(), "Couldn't Reach Internet");
      soap = await startSoapServer(SERVICE, port);
      await answer(/Jorvane could not reach the Internet/, "Couldn't Reach Internet", "#ButtonRetry");
      await answer(/Now you will enter your vehicle information/, "step 2", "#ButtonNext");
      await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === "Vehicle Information Page",
        "the vehicle page");
      const page = await frame(app.page, "main_workspace");
      // Each balloon of the car's entry, as it shows.
      const balloons = {};
      const balloonFaults = async (step) => {
        await eventually(async () => (await layoutFaults(page)).tips.length > 0, "a balloon " + step);
        balloons[step] = (await layoutFaults(page, { across: true })).faults;
        if (SHOTS) await app.page.screenshot({ path: `${SHOTS}/960x540-car-${step.replace(/\W+/g, "-")}.png` });
      };
      await balloonFaults("first");
      await page.selectOption("#CarMake", "7");
      await eventually(async () => (await page.locator("#CarYear option").count()) === 3, "the years of the make");
      await balloonFaults("after the make");
      await page.selectOption("#CarYear", "2015");
      await eventually(async () => (await page.locator("#CarModel option").count()) === 3, "the models");
      await page.selectOption("#CarModel", "70");
      await eventually(() => page.locator("#CarStyle").isVisible(), "the styles");
      await balloonFaults("after the model");
      await page.selectOption("#CarStyle", "h1");
      await page.fill("#CarCurrentOdometer", "12000");
      await page.locator("#CarCurrentOdometer").dispatchEvent("change");
      await balloonFaults("after the odometer");
      assert.deepEqual(balloons, Object.fromEntries(Object.keys(balloons).map((step) => [step, []])));
      await page.locator("input[name=CarDriving][value='N']").check();
      await answer(/You've now entered all the data/, "step 3", "#ButtonNext");
      await answer(/found one that's based on the manufacturer's/, "step 4", "#ButtonBack");
      await answer(/You've now entered all the data/, "step 3 again", "#ButtonNext");
      await answer(/found one that's based on the manufacturer's/, "step 4 again", "#ButtonNext");
      await eventually(() => page.locator("#QS_SaveCar").isVisible(), "the plan's balloons");
      assert.deepEqual(app.browserDialogs, []);
      assert.doesNotMatch(home.traceLog(), /JavaScript Error/);
      await app.kill();
    } finally {
      if (soap) await soap.close();
      home.remove();
    }
  });
});
