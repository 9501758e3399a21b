// The main window's menu bar in the real program: each command by mouse and by keyboard lands on
// its page, the about box names the build's version, and Ctrl+P prints a register's printout or
// the workspace page as shown.
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { dirname, join } from "node:path";
import { describe, test } from "node:test";
import { fileURLToPath } from "node:url";
import { dialog, eventually, frame, jorvaneHome, startJorvane } from "./harness.mjs";

const ID = "{DDDDDDDD-0000-0000-0000-000000000001}";
const SEED = `INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('${ID}', 'Van', -1, 0, 0);` +
  "UPDATE Prefs SET Internet = 1;";
const VERSION = /project\(Jorvane VERSION ([0-9.]+)/.exec(
  readFileSync(join(dirname(fileURLToPath(import.meta.url)), "../../../CMakeLists.txt"), "utf8"))[1];

// The workspace's page and query once it shows `expected` ("175", "177?{...}").
async function workspaceShows(app, expected) {
  return eventually(async () => {
    const url = new URL((await frame(app.page, "main_workspace")).url());
    return decodeURIComponent(url.pathname.slice(1) + url.search) === expected;
  }, "the workspace showing " + expected);
}

async function choose(app, menu, item) {
  await app.page.locator("#jv-menubar .jv-menu > button", { hasText: menu }).click();
  await app.page.locator("#jv-menubar .jv-open li button", { hasText: item }).click();
}

describe("the menu bar", () => {
  test("commands by mouse, access key, arrow keys and shortcut land where they should", { timeout: 90000 }, async () => {
    const home = jorvaneHome();
    home.seed(SEED);
    try {
      const app = await startJorvane(home);
      await app.context.addInitScript(() => {
        window.print = () => {
          window.top.jvPrinted = (window.top.jvPrinted || []).concat([{ title: document.title, body: document.body.innerHTML }]);
        };
      });
      const keys = app.page.keyboard;
      await choose(app, "Go To", "Fuel Register");
      await workspaceShows(app, "175");
      await choose(app, "Edit", "Preferences");
      await workspaceShows(app, "197");
      await choose(app, "Go To", "Jorvane Homepage");
      await workspaceShows(app, "141");

      // Alt with the menu's letter, then the item's.
      await (await frame(app.page, "main_workspace")).locator("body").click();
      await keys.press("Alt+g");
      await keys.press("s");
      await workspaceShows(app, "186");
      // Alt alone selects the bar; arrows move to Go To and down to the expense register.
      await keys.press("Alt");
      for (const key of ["ArrowRight", "ArrowRight", "ArrowDown", "ArrowDown", "ArrowDown", "ArrowDown", "Enter"])
        await keys.press(key);
      await workspaceShows(app, "192");
      // Escape closes an open menu and then leaves the bar: nothing is chosen.
      await keys.press("Alt+g");
      await keys.press("Escape");
      await keys.press("Escape");
      assert.equal(await app.page.locator("#jv-menubar .jv-open").count(), 0);
      await workspaceShows(app, "192");

      // A car command asks for the car first.
      await keys.press("Alt+g");
      await keys.press("e");
      let chooser = await dialog(app.page);
      await chooser.selectOption("#CarList", ID);
      await chooser.click("#ButtonOK");
      await workspaceShows(app, "177?" + ID);
      await choose(app, "Go To", "Edit Car Maintenance Plan");
      chooser = await dialog(app.page);
      await chooser.locator("#CarList").selectOption(ID);
      await chooser.locator("#CarList").press("Enter");
      await workspaceShows(app, "177?" + ID + "&Plan");
      await choose(app, "Go To", "Edit Car Odometer History");
      await workspaceShows(app, "215");

      // Ctrl+P on a register prints its printout of every entry, not the screen; on another page
      // it prints the page as shown.
      let workspace = await frame(app.page, "main_workspace");
      await workspace.locator("body").click();
      await keys.press("Control+p");
      let printed = await eventually(() => app.page.evaluate(() => window.jvPrinted), "the register printed");
      assert.equal(printed[0].title, "");
      assert.match(printed[0].body, /<h2>Odometer History for Van<\/h2><table id="PrintTable"/);
      await choose(app, "Go To", "Jorvane Homepage");
      await workspaceShows(app, "141");
      workspace = await frame(app.page, "main_workspace");
      await workspace.locator("body").click();
      await keys.press("Control+p");
      printed = await eventually(async () => {
        const all = await app.page.evaluate(() => window.jvPrinted);
        return all.length === 2 && all;
      }, "the home page printed");
      assert.equal(printed[1].title, "Home Page");

      // The about box shows the build's version.
      await keys.press("Alt+h");
      await keys.press("a");
      const about = await dialog(app.page);
      assert.equal(await about.title(), "About Jorvane");
      assert.equal(await about.locator("#Version").innerText(), VERSION);
      await about.click("#ButtonOK");

      // Exit closes the window as its close box does: the window's place is kept.
      await choose(app, "File", "Exit");
      assert.deepEqual(await app.exited, { code: 0, signal: null });
      assert.equal(home.settings().WindowPos.split(",").length, 10);
      await app.close();
    } finally {
      home.remove();
    }
  });
});
