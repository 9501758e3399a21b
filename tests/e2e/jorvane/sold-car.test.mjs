// A garage whose only car is sold while sold cars are hidden: the window shows no car any more,
// as a garage with no cars. The home page draws no graph of the sold car, the menu's car
// commands offer no empty car chooser, and a register takes no entry for a car it does not show.
import assert from "node:assert/strict";
import { describe, test } from "node:test";
import { answerMessages, dialog, eventually, findDialog, frame, jorvaneHome, startJorvane, typeInEntry } from "./harness.mjs";
import { car } from "./garage.mjs";

const ID = "{5A1D0000-0000-0000-0000-000000000001}";

async function choose(app, menu, item) {
  await app.page.locator("#jv-menubar .jv-menu > button", { hasText: menu }).click();
  await app.page.locator("#jv-menubar .jv-open li button", { hasText: item }).click();
}

async function workspaceShows(app, page) {
  return eventually(async () => new URL((await frame(app.page, "main_workspace")).url()).pathname === "/" + page,
    "the workspace showing " + page);
}

// The graph area of the home page as a user sees it.
async function graphShown(app) {
  const home = await frame(app.page, "main_workspace");
  return {
    title: await home.locator("#Graph .graphTitle").allInnerTexts(),
    sample: await home.locator("#Graph img[alt='Sample Graph']").count(),
    print: await home.locator("#GraphPrint").isVisible(),
    chooseCar: await home.locator("#ChooseCarGraph").isVisible(),
  };
}

describe("the only car sold, sold cars hidden", () => {
  test("no graph of the sold car; the car commands offer no empty chooser; no entry for no car", { timeout: 90000 }, async () => {
    const home = jorvaneHome();
    home.seed(car({ id: ID, name: "Runabout", costs: [["2026-03-01", 120], ["2026-07-01", 300], ["2026-09-01", 50]] }) +
      "UPDATE Prefs SET Internet = 1;");
    try {
      const app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" } });
      await workspaceShows(app, 141);
      assert.deepEqual((await graphShown(app)).title, ["Total Cost For Runabout"]);

      await choose(app, "Go To", "Sell Car");
      const chooser = await dialog(app.page);
      await chooser.selectOption("#CarList", ID);
      await chooser.click("#ButtonOK");
      const sale = await findDialog(app, /Selling Date/, "the sale dialog");
      await sale.fill("#SoldDate", "12/01/2026");
      await sale.fill("#SoldPrice", "5000");
      await sale.click("#ButtonOK");
      await eventually(() => home.query(`SELECT Sold FROM Vehicles WHERE VehicleID = '${ID}'`) === "-1", "the sale stored");

      // The home page as for a garage with no cars: the sample, nothing to print or choose.
      await eventually(async () => (await graphShown(app)).sample === 1, "the sample graph");
      assert.deepEqual(await graphShown(app), { title: [], sample: 1, print: false, chooseCar: false });
      const page = await frame(app.page, "main_workspace");
      assert.equal(await page.locator("#carlist tr.listrow").count(), 0);

      // Each car command: no chooser opens, the window stays as it is and goes on answering.
      for (const command of ["Edit Car Details", "Edit Car Maintenance Plan", "Delete Car", "Sell Car"]) {
        await choose(app, "Go To", command);
        await choose(app, "Go To", "Fuel Register");
        await workspaceShows(app, 175);
        assert.equal(await app.page.locator("dialog.jv-dialog").count(), 0, command + " opened a dialog");
        await choose(app, "Go To", "Jorvane Homepage");
        await workspaceShows(app, 141);
      }
      // The registers list nothing of the sold car.
      await choose(app, "Go To", "Service Register");
      await workspaceShows(app, 186);
      const register = await frame(app.page, "main_workspace");
      await register.waitForSelector("#new");
      assert.deepEqual(await register.evaluate(() => [...document.querySelectorAll("input[name=Vendor]")]
        .map((input) => input.value).filter((vendor) => vendor === "Garage")), []);
      // An entry typed into a register with no car shown: the user is told it was not saved, and
      // it goes to no car (not to the hidden one); no problem report.
      const messages = answerMessages(app);
      await choose(app, "Go To", "Fuel Register");
      await workspaceShows(app, 175);
      const fuel = await frame(app.page, "main_workspace");
      await fuel.waitForSelector("#new");
      await typeInEntry(fuel, "new", "Odometer", "1000");
      await typeInEntry(fuel, "new", "Volume", "10", { top: false });
      await typeInEntry(fuel, "new", "Total Cost", "30");
      await fuel.click("tr[id=new] + tr [name=Submit]");
      await eventually(() => messages.messages.length === 1, "the message");
      messages.stop();
      assert.match(messages.messages[0], /The entry was not saved\./);
      assert.equal(home.query("SELECT COUNT(*) FROM FuelPurchases"), "0");
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });
});
