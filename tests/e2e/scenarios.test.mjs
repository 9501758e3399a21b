// The program's pages in a real browser: calls through window.external with typed values, the
// program's DOM changes seen when the call resolves, dialogs opened in the middle of a call and
// answered in the browser, navigation decided by the program. After each scenario the browser's
// document equals the program's.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { startApp, startBrowser, openWindow, frameNamed, expectSameAsModel } from "./harness.mjs";

let app;
let browser;
let page;

before(async () => {
  app = await startApp();
  browser = await startBrowser();
  page = await openWindow(browser.context, app);
});

after(async () => {
  await browser?.close();
  await app?.stop();
});

async function mainPage() {
  const frame = await frameNamed(page, "jv-top");
  await frame.waitForSelector("#LoadedBy:has-text('program')");
  return frame;
}

test("a call carries typed form values and resolves after the program's changes are shown", async () => {
  const frame = await mainPage();
  await frame.fill("#Name", "Pat O'Neil <3>");
  await frame.fill("#Count", "41");
  await frame.check("#Urgent");
  await frame.fill("#Notes", "front & rear");
  await frame.click("#Save");
  await frame.waitForFunction(() => window.lastSaved !== undefined);
  // What the page script read right after its await is what the program wrote.
  assert.equal(await frame.evaluate(() => window.lastSaved), "Pat O'Neil <3>|42|urgent|front & rear");
  assert.equal(await frame.textContent("#Entries tbody tr:last-child td:first-child"), "Pat O'Neil <3>");
  assert.equal(await frame.innerHTML("#Entries tbody tr:last-child td:last-child"), "<b>front &amp; rear</b>");
  // The program emptied the notes field.
  assert.equal(await frame.inputValue("#Notes"), "");
  await expectSameAsModel(frame, app, assert);
});

test("a dialog opened in the middle of a call is answered in the browser and the call completes with the answer", async () => {
  const frame = await mainPage();
  await frame.evaluate(() => { window.lastAsked = undefined; });
  await frame.click("#Ask");
  const dialog = await frameNamed(page, "jv-dialog-1");
  await dialog.waitForSelector("#Answer");
  assert.equal(await page.textContent("dialog.jv-dialog .jv-dialog-caption span"), "Your name");
  await dialog.fill("#Answer", "Robin");
  await dialog.click("#ButtonOK");
  await frame.waitForFunction(() => window.lastAsked !== undefined);
  assert.equal(await frame.evaluate(() => window.lastAsked), "1:Robin");
  assert.equal(await page.locator("dialog.jv-dialog").count(), 0);
  await expectSameAsModel(frame, app, assert);
});

test("Enter and Escape in a dialog are its OK and cancel", async () => {
  const frame = await mainPage();
  const cases = [
    { key: "Enter", typed: "Sam", expected: "1:Sam" },
    { key: "Escape", typed: "Alex", expected: "2:" },
  ];
  let dialogNumber = 2;
  for (const c of cases) {
    await frame.evaluate(() => { window.lastAsked = undefined; });
    await frame.click("#Ask");
    const dialog = await frameNamed(page, "jv-dialog-" + dialogNumber++);
    await dialog.waitForSelector("#Answer");
    await dialog.fill("#Answer", c.typed);
    await dialog.press("#Answer", c.key);
    await frame.waitForFunction(() => window.lastAsked !== undefined);
    assert.equal(await frame.evaluate(() => window.lastAsked), c.expected, c.key);
    assert.equal(await page.locator("dialog.jv-dialog").count(), 0, c.key);
  }
  await expectSameAsModel(frame, app, assert);
});

test("the program decides navigation: a guarded page stays, an unguarded one goes", async () => {
  let frame = await mainPage();
  await frame.check("#Stay");
  await frame.click("#RowsLink");
  await new Promise((r) => setTimeout(r, 300));
  frame = await frameNamed(page, "jv-top");
  assert.match(frame.url(), /\/100$/);
  await expectSameAsModel(frame, app, assert);

  await frame.uncheck("#Stay");
  await frame.click("#RowsLink");
  await page.waitForFunction(() => /\/110$/.test(document.getElementById("jv-top").contentWindow.location.href));
  frame = await frameNamed(page, "jv-top");
  await frame.waitForSelector("#RowCount:has-text('1000')");
  assert.equal(await frame.locator("#Rows tbody tr").count(), 1000);
  await expectSameAsModel(frame, app, assert);
});
