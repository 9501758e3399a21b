// The program's pages in a real browser: calls through window.external with typed values, the
// program's DOM changes seen when the call resolves, dialogs opened in the middle of a call and
// answered in the browser, navigation decided by the program. After each scenario the browser's
// document equals the program's.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { mkdirSync, writeFileSync } from "node:fs";
import { join } from "node:path";
import {
  startApp,
  startBrowser,
  openWindow,
  frameNamed,
  shownDialog,
  expectSameAsModel,
  isolatedHome,
  startReportServer,
} from "./harness.mjs";

let home;
let reports;
let app;
let browser;
let page;

before(async () => {
  // The program's folders are the test's, and its configApp.xml names the test's report server.
  home = isolatedHome();
  reports = await startReportServer();
  const config = join(home.env.JV_COMMON_APPDATA, "Jorvane", "Jorvane");
  mkdirSync(config, { recursive: true });
  writeFileSync(join(config, "configApp.xml"), `<config><errors url="${reports.address}"/></config>`);
  // A folder name with markup in it: the report's details quote it, and show it as text.
  const documents = join(home.root, "My <Garage> & Co");
  mkdirSync(documents);
  app = await startApp([], { ...home.env, JV_DOCUMENTS: documents });
  browser = await startBrowser();
  page = await openWindow(browser.context, app);
});

after(async () => {
  await browser?.close();
  await app?.stop();
  await reports?.close();
  home?.remove();
});

// The main page in the window's page area, gone back to when another page is shown.
async function mainPage() {
  let frame = await frameNamed(page, "jv-top");
  if (!/\/100$/.test(frame.url())) {
    await frame.evaluate(() => { location.href = "100"; });
    await page.waitForFunction(() => /\/100$/.test(document.getElementById("jv-top").contentWindow.location.href));
    frame = await frameNamed(page, "jv-top");
  }
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

test("what the page holds when a call's changes arrive still reaches the program with the next call", async () => {
  const frame = await mainPage();
  await frame.evaluate(async () => {
    window.lastSaved = undefined;
    const call = window.external.Bump();
    document.getElementById("Notes").value = "typed while the call ran";
    await call;
  });
  await frame.fill("#Name", "Kim");
  await frame.click("#Save");
  await frame.waitForFunction(() => window.lastSaved !== undefined);
  assert.match(await frame.evaluate(() => window.lastSaved), /^Kim\|.*\|typed while the call ran$/);
  await expectSameAsModel(frame, app, assert);
});

test("nodes inserted by index next to an empty text node keep their places", async () => {
  const frame = await mainPage();
  await frame.click("#AddParts");
  await frame.waitForSelector("#Parts b");
  assert.equal(await frame.innerHTML("#Parts"), "<i>first</i><b>second</b>");
  await expectSameAsModel(frame, app, assert);
});

test("controls put in with state the program gave them show that state", async () => {
  const frame = await mainPage();
  await frame.click("#AddControls");
  await frame.waitForSelector("#Controls #Done");
  const state = await frame.evaluate(() => ({
    car: document.getElementById("Car").selectedIndex,
    odometer: document.getElementById("Odometer").value,
    done: document.getElementById("Done").checked,
  }));
  assert.deepEqual(state, { car: -1, odometer: "1234", done: false });
  await expectSameAsModel(frame, app, assert);
});

test("what a script writes into fields reaches the program with the next call", async () => {
  const frame = await mainPage();
  if (!(await frame.locator("#Controls #Car").count())) {
    await frame.click("#AddControls");
    await frame.waitForSelector("#Controls #Done");
  }
  // No input or change events: only the scripts' writes.
  await frame.evaluate(() => {
    document.getElementById("Name").value = "written by a script";
    document.getElementById("Urgent").checked = !document.getElementById("Urgent").checked;
    document.getElementById("Notes").setRangeText("set in range");
    document.getElementById("Car").selectedIndex = 1;
    document.getElementById("Done").checked = true;
    document.getElementById("Odometer").value = "4321";
    document.getElementById("Note").innerHTML = "<i>kept</i> by the page";
  });
  await expectSameAsModel(frame, app, assert);
});

test("a call carries only the fields changed since the last one, not what the program set", async () => {
  const frame = await mainPage();
  // The form state that goes with each message of the next call from the page.
  const formsOfCall = (change) => frame.evaluate(async (source) => {
    const socket = window.top.jvHost.socket;
    const send = socket.send;
    const forms = [];
    socket.send = function (text) {
      forms.push(JSON.parse(text).f || null);
      return send.call(this, text);
    };
    try {
      new Function(source)();
      await window.external.Bump();
    } finally {
      socket.send = send;
    }
    return forms;
  }, change);
  await formsOfCall("");
  await frame.fill("#Name", "Robin");
  await frame.click("#Save");
  await frame.waitForFunction(() => window.lastSaved && window.lastSaved.startsWith("Robin"));
  // The program emptied the notes and wrote the result: nothing of that goes back to it.
  assert.deepEqual(await formsOfCall(""), [null]);
  const forms = await formsOfCall('document.getElementById("Count").value = "77";');
  assert.equal(forms.length, 1);
  const documents = Object.values(forms[0] || {});
  assert.deepEqual(documents.map((changed) => changed.map(([, state]) => state)), [[{ v: "77" }]]);
  await expectSameAsModel(frame, app, assert);
});

test("script errors that the page does not handle reach the program", async () => {
  const frame = await mainPage();
  await frame.evaluate(() => {
    // One the page handles itself, then one thrown and one rejected that nobody handles.
    window.addEventListener("error", (event) => event.preventDefault(), { once: true });
    setTimeout(() => { throw new Error("handled by the page"); }, 0);
    setTimeout(() => { throw new Error("the wheel fell off"); }, 10);
    setTimeout(() => { Promise.reject(new Error("no spare tyre")); }, 20);
  });
  const logged = () => app.log.filter((line) => line.includes("WebHost::ScriptError"));
  const deadline = Date.now() + 10000;
  while (!logged().some((line) => line.includes("no spare tyre")) && Date.now() < deadline)
    await new Promise((r) => setTimeout(r, 20));
  const errors = logged();
  assert.ok(errors.some((line) => /Uncaught Error: the wheel fell off \(.*, line \d+\)$/.test(line)), errors.join("\n"));
  assert.ok(errors.some((line) => line.includes("no spare tyre")), errors.join("\n"));
  assert.ok(!errors.some((line) => line.includes("handled by the page")), errors.join("\n"));
  await expectSameAsModel(frame, app, assert);
});

test("a dialog opened in the middle of a call is answered in the browser and the call completes with the answer", async () => {
  const frame = await mainPage();
  await frame.evaluate(() => { window.lastAsked = undefined; });
  await frame.click("#Ask");
  const dialog = await shownDialog(page);
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
  for (const c of cases) {
    await frame.evaluate(() => { window.lastAsked = undefined; });
    await frame.click("#Ask");
    const dialog = await shownDialog(page);
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
  // The program has decided by the time it answers a call made after the click.
  await expectSameAsModel(frame, app, assert);
  frame = await frameNamed(page, "jv-top");
  assert.match(frame.url(), /\/100$/);

  await frame.uncheck("#Stay");
  await frame.click("#RowsLink");
  await page.waitForFunction(() => /\/110$/.test(document.getElementById("jv-top").contentWindow.location.href));
  frame = await frameNamed(page, "jv-top");
  await frame.waitForSelector("#RowCount:has-text('1000')");
  assert.equal(await frame.locator("#Rows tbody tr").count(), 1000);
  await expectSameAsModel(frame, app, assert);
});

test("a failing operation shows the problem-report dialog, which posts to the report server as the user decides", async () => {
  const frame = await mainPage();
  const garageFile = join(home.root, "My <Garage> & Co", "garage.xml");
  const cases = [
    { end: "ButtonSend", notes: "Opened the garage,\nthen this.", email: "pat@example.org", posted: true, read: true },
    { end: "Enter", notes: "Pressed Enter & waited", email: "robin+cars@example.org", posted: true, read: true },
    { end: "Escape", notes: "Pressed Escape", email: "sam@example.org", posted: true, read: false },
    { end: "ButtonDontSend", notes: "Not this one", email: "alex@example.org", posted: false },
  ];
  for (const c of cases) {
    const postsBefore = reports.received.length;
    await frame.evaluate(() => { window.garageDone = undefined; });
    await frame.click("#LoadGarage");
    const dialog = await shownDialog(page);
    await dialog.waitForSelector("#message pre", { state: "attached" });
    assert.equal(await page.textContent("dialog.jv-dialog .jv-dialog-caption span"), "Jorvane Problem Report", c.end);
    // The details are shown as text, whatever they quote.
    const details = await dialog.textContent("#message pre");
    assert.match(details, /^jv_e2e_app version: /, c.end);
    assert.ok(details.includes(`\nMessage: The garage file ${garageFile} could not be read.`), details);
    assert.equal(await dialog.locator("#message garage").count(), 0, c.end);

    await dialog.fill("#usernotes", c.notes);
    await dialog.fill("#emailaddress", c.email);
    await expectSameAsModel(dialog, app, assert);
    if (c.end === "Enter") await dialog.press("#emailaddress", "Enter");
    else if (c.end === "Escape") await dialog.press("#usernotes", "Escape");
    else await dialog.click("#" + c.end);

    // The post, when there is one, is made before the operation's call returns.
    await frame.waitForFunction(() => window.garageDone === true);
    assert.equal(await page.locator("dialog.jv-dialog").count(), 0, c.end);
    assert.equal(reports.received.length, postsBefore + (c.posted ? 1 : 0), c.end);
    if (!c.posted) continue;
    const post = reports.received.at(-1);
    assert.equal(post.method, "POST", c.end);
    assert.equal(post.path, "/fogbugz/scoutsubmit.asp", c.end);
    assert.equal(post.type, "application/x-www-form-urlencoded", c.end);
    const form = post.form;
    assert.equal(form.get("ScoutProject"), "Jorvane", c.end);
    assert.equal(form.get("ScoutArea"), "Error in Field", c.end);
    assert.match(form.get("Description"), /^Error in jv_e2e_app \(CTestProgram::LoadGarage:\d+\) V\d/, c.end);
    // What the user typed goes with the report when the dialog read it: Send and Enter.
    const extra = form.get("Extra");
    assert.ok(extra.includes(`\r\nMessage: The garage file ${garageFile} could not be read.`), extra);
    assert.ok(extra.endsWith("\r\nUser message: " + (c.read ? c.notes : "")), extra);
    assert.equal(form.get("Email"), c.read ? c.email : "", c.end);
  }
  await expectSameAsModel(frame, app, assert);
});
