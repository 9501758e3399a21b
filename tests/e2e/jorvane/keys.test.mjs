// The keyboard and the mouse's right button in the program's window: the browser's own keys and
// menu are kept from the browser in the window's bars, its pages and its dialogs, while the keys
// that edit a field still edit; Tab goes round the buttons of the program's message box and of the
// home page's Skip box, and the focus comes back where it was when a box closes.
import assert from "node:assert/strict";
import { after, before, describe, test } from "node:test";
import { DAILY, garage } from "./garage.mjs";
import { dialog, eventually, frame, jorvaneHome, startJorvane } from "./harness.mjs";

// Keys the browser acts on itself: a new window or tab, the page's source, the history, downloads,
// bookmarks, developer tools, a file to open, find, zoom, saving the page, the task manager.
const BROWSER_KEYS = ["Control+n", "Control+t", "Control+w", "Control+u", "Control+h", "Control+j", "Control+Shift+o",
  "F12", "Control+Shift+i", "Control+Shift+j", "Control+o", "Control+f", "Control+Equal", "Control+Minus", "Control+s",
  "Control+d", "Control+Tab", "Alt+Home", "F1", "F3", "F7", "F11", "Shift+Escape"];

// The keys of `keys` that the browser would still act on, pressed where the focus is in `target`
// (a page, a dialog or the window's shell): what the last listener of its window saw of each.
async function keysLeftToTheBrowser(target, keys) {
  await target.evaluate(() => {
    window.jvKeysSeen = [];
    if (window.jvWatchingKeys) return;
    window.jvWatchingKeys = true;
    window.addEventListener("keydown", (event) => {
      if (!/^(Control|Shift|Alt)$/.test(event.key)) window.jvKeysSeen.push([event.key, event.defaultPrevented]);
    });
  });
  const keyboard = (target.keyboard ? target : target.page()).keyboard;
  for (const key of keys) await keyboard.press(key);
  const seen = await target.evaluate(() => window.jvKeysSeen);
  return seen.filter(([, prevented]) => !prevented).map(([key]) => key);
}

// Whether a right-click on `selector` in `target` leaves the browser its menu.
async function menuLeftToTheBrowser(target, selector) {
  await target.evaluate(() => {
    window.jvMenus = [];
    window.addEventListener("contextmenu", (event) => window.jvMenus.push(event.defaultPrevented));
  });
  await target.locator(selector).first().click({ button: "right" });
  await eventually(() => target.evaluate(() => window.jvMenus.length > 0), "the right-click");
  return target.evaluate(() => !window.jvMenus[0]);
}

describe("the window's keys and menus", () => {
  let home;
  let app;
  before(async () => {
    home = jorvaneHome();
    home.seed(garage() + "UPDATE Prefs SET Internet = 1;");
    app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" } });
  });
  after(async () => {
    await app.close();
    home.remove();
  });

  test("Tab and Shift+Tab go round a message box's buttons; the focus comes back to the field after it", async () => {
    const workspace = await frame(app.page, "main_workspace");
    await workspace.locator("#ReminderDate").click();
    await workspace.evaluate(() => { window.jvAnswer = window.jvConfirm("Go on?"); });
    const box = await dialog(app.page);
    const focused = () => box.evaluate(() => document.activeElement && document.activeElement.id);
    await box.locator("#ButtonOK").focus();
    await box.locator("#ButtonOK").press("Tab");
    assert.equal(await focused(), "ButtonCancel");
    await box.locator("#ButtonCancel").press("Tab");
    assert.equal(await focused(), "ButtonOK");
    await box.locator("#ButtonOK").press("Shift+Tab");
    assert.equal(await focused(), "ButtonCancel");
    // Enter on the button the focus is on chooses it.
    await box.locator("#ButtonCancel").press("Enter");
    assert.equal(await workspace.evaluate(() => window.jvAnswer), false);
    await eventually(() => workspace.evaluate(() => document.hasFocus() && document.activeElement.id === "ReminderDate"),
      "the focus back in the field");
  });

  test("the Skip box opens with OK shown focused, keeps Tab inside it and closes on Escape", async () => {
    const workspace = await frame(app.page, "main_workspace");
    const row = workspace.locator(`#carlist tr[id='${DAILY}']`);
    if (!(await row.locator("#RemindersDiv").isVisible())) await row.getByText("show details").click();
    await row.locator("tr.internalRow").first().locator("td").first().click();
    await workspace.click("#MenuReminders #Skip");
    await workspace.locator("#SkipDialog").waitFor({ state: "visible" });
    const inside = () => workspace.evaluate(() => document.getElementById("SkipDialog").contains(document.activeElement));
    assert.equal(await inside(), true, "the box has the focus");
    // It opens with OK focused as every box does, and shown so, though the menu was clicked.
    assert.deepEqual(await workspace.evaluate(() => [document.activeElement.id, document.activeElement.matches(":focus-visible")]),
      ["SkipOK", true]);
    for (let step = 0; step < 5; step++) {
      await workspace.locator(":focus").press("Tab");
      assert.equal(await inside(), true, "Tab " + (step + 1) + " stays in the box");
    }
    for (let step = 0; step < 5; step++) {
      await workspace.locator(":focus").press("Shift+Tab");
      assert.equal(await inside(), true, "Shift+Tab " + (step + 1) + " stays in the box");
    }
    const services = home.query("SELECT count(*) FROM Services");
    await workspace.locator(":focus").press("Escape");
    await workspace.locator("#SkipDialog").waitFor({ state: "hidden" });
    assert.equal(home.query("SELECT count(*) FROM Services"), services, "Escape skips nothing");
  });
  test("a right-click on the menu bar, the status bar or a page shows no menu of the browser's", async () => {
    assert.equal(await menuLeftToTheBrowser(app.page, "#jv-menubar"), false, "the menu bar");
    assert.equal(await menuLeftToTheBrowser(app.page, "#jv-statusbar"), false, "the status bar");
    const workspace = await frame(app.page, "main_workspace");
    assert.equal(await menuLeftToTheBrowser(workspace, "#carlist"), false, "the home page");
  });

  // Last: it leaves the due-by date changed.
  test("the browser's keys do nothing in a page, the window's bars and a dialog; the editing keys edit", async () => {
    const workspace = await frame(app.page, "main_workspace");
    await workspace.locator("#carlist tr.listrow").first().waitFor();
    await workspace.locator("#ReminderDate").click();
    assert.deepEqual(await keysLeftToTheBrowser(workspace, BROWSER_KEYS), []);
    // Select all, copy, cut, paste, undo and redo, moving and deleting by words: the field's own.
    const editing = ["Control+a", "Control+c", "Control+x", "Control+v", "Control+z", "Control+y", "Control+Shift+z",
      "Control+ArrowLeft", "Control+Shift+ArrowRight", "Control+Backspace", "Control+Delete", "Alt+ArrowDown"];
    assert.deepEqual(await keysLeftToTheBrowser(workspace, editing),
      ["a", "c", "x", "v", "z", "y", "z", "ArrowLeft", "ArrowRight", "Backspace", "Delete", "ArrowDown"]);
    await workspace.fill("#ReminderDate", "01/02/2027");
    await workspace.locator("#ReminderDate").press("Control+Backspace");
    assert.equal(await workspace.inputValue("#ReminderDate"), "01/02/");

    await app.page.locator("#jv-statusbar").click();
    assert.deepEqual(await keysLeftToTheBrowser(app.page, BROWSER_KEYS), []);

    await workspace.evaluate(() => { window.jvAlert("Keys here do nothing of the browser's."); });
    const box = await dialog(app.page);
    assert.deepEqual(await keysLeftToTheBrowser(box, BROWSER_KEYS), []);
    await box.click("#ButtonOK");
    await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });
    assert.deepEqual(app.browserDialogs, []);
  });

});
