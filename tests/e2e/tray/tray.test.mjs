// The companion on a desktop of the test's own: a session bus (dbus-run-session), a stand-in
// notification area (StatusNotifierWatcher) and notification server, a stub browser command that
// records the address it is given, and a stub main program beside a copy of the companion. The
// reminders page it opens is driven in headless Chromium.
import { test, afterEach } from "node:test";
import assert from "node:assert/strict";
import { spawn, spawnSync } from "node:child_process";
import { chmodSync, copyFileSync, existsSync, lstatSync, mkdirSync, readFileSync, readdirSync, realpathSync, writeFileSync } from "node:fs";
import { dirname, join } from "node:path";
import { createInterface } from "node:readline";
import { isolatedHome, startBrowser, frameNamed, shownDialog } from "../harness.mjs";

const TRAY = process.env.JV_TRAY_APP;
const STUB = process.env.JV_DESKTOP_STUB;
const BLANK = process.env.JV_BLANK_DATABASE;
const TIP = "Jorvane: You have vehicle service due!";
const VERSION = /project\(Jorvane VERSION ([0-9.]+)/.exec(
  readFileSync(new URL("../../../CMakeLists.txt", import.meta.url), "utf8"))[1];
const BALLOON = "Jorvane: You have vehicle service due!\nDouble-click the icon to see what's due.";

const cleanups = [];
afterEach(async () => {
  for (const cleanup of cleanups.splice(0).reverse()) await cleanup();
});

function sleep(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

async function waitFor(what, check, timeout = 10000) {
  const deadline = Date.now() + timeout;
  for (;;) {
    const value = await check();
    if (value) return value;
    if (Date.now() > deadline) throw new Error("waited in vain for " + what);
    await sleep(25);
  }
}

// A program whose output lines are kept; resolves once `ready` is printed (when given).
async function startProcess(program, args, env, ready) {
  const child = spawn(program, args, { stdio: ["ignore", "pipe", "pipe"], env });
  const lines = [];
  const errors = [];
  createInterface({ input: child.stdout }).on("line", (line) => lines.push(line));
  createInterface({ input: child.stderr }).on("line", (line) => errors.push(line));
  const exited = new Promise((resolve) => child.on("exit", (code, signal) => resolve({ code, signal })));
  const process_ = {
    child,
    lines,
    errors,
    exited,
    running: () => child.exitCode === null && child.signalCode === null,
    async stop() {
      if (process_.running()) child.kill("SIGTERM");
      return exited;
    },
  };
  cleanups.push(() => process_.stop());
  if (ready) await waitFor(program + " " + ready, () => lines.includes(ready));
  return process_;
}

function startService(mode) {
  return startProcess(STUB, [mode], process.env, "READY");
}

function sql(database, statements) {
  const result = spawnSync("sqlite3", [database, statements], { encoding: "utf8" });
  assert.equal(result.status, 0, result.stderr);
}

// A car with an oil change every 3 months or 3,000 miles, driven 4,000 miles in the last 190 days:
// the oil change is overdue.
function addOverdueCar(database, id, name) {
  sql(
    database,
    `INSERT INTO MaintenancePlan (StyleID, Name, DrivingCondition) VALUES ('JV000001', '${name}', 'N');
     INSERT INTO Vehicles (VehicleID, Name, StyleYear, Make, Model, Style, MaintenancePlanID, Sold, Custom)
       VALUES ('${id}', '${name}', 2019, 'Ford', 'Focus', 'SE', (SELECT max(MaintenancePlanID) FROM MaintenancePlan), 0, -1);
     INSERT INTO MaintenancePlanItems (MaintenancePlanID, ITEM_DESCRIPTION, ACTION_DESCRIPTION, INITIAL_MILEAGE,
       INITIAL_MONTH, INTERVAL_MILEAGE, INTERVAL_MONTH, Skip)
       VALUES ((SELECT max(MaintenancePlanID) FROM MaintenancePlan), 'Oil', 'Change', 0, 0, 3000, 3, 0);
     INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue)
       VALUES ('${id}', julianday('now', '-200 days', 'start of day') - 2415018.5, 1000);
     INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue)
       VALUES ('${id}', julianday('now', '-10 days', 'start of day') - 2415018.5, 5000);`,
  );
}

// A car whose only service is a year away; its belts, every 2,147,483,647 months and miles, the
// largest schedule a plan holds, never come round.
function addCarWithNothingDue(database, id, name) {
  sql(
    database,
    `INSERT INTO MaintenancePlan (StyleID, Name, DrivingCondition) VALUES ('JV000002', '${name}', 'N');
     INSERT INTO Vehicles (VehicleID, Name, StyleYear, Make, Model, Style, MaintenancePlanID, Sold, Custom)
       VALUES ('${id}', '${name}', 2022, 'Kia', 'Rio', 'LX', (SELECT max(MaintenancePlanID) FROM MaintenancePlan), 0, -1);
     INSERT INTO MaintenancePlanItems (MaintenancePlanID, ITEM_DESCRIPTION, ACTION_DESCRIPTION, INITIAL_MILEAGE,
       INITIAL_MONTH, INTERVAL_MILEAGE, INTERVAL_MONTH, Skip)
       VALUES ((SELECT max(MaintenancePlanID) FROM MaintenancePlan), 'Timing belt', 'Replace', 0, 0, 0, 12, 0),
              ((SELECT max(MaintenancePlanID) FROM MaintenancePlan), 'Belts', 'Inspect', 0, 0, 2147483647, 2147483647, 0);
     INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue)
       VALUES ('${id}', julianday('now', '-30 days', 'start of day') - 2415018.5, 100);
     INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue)
       VALUES ('${id}', julianday('now', '-1 days', 'start of day') - 2415018.5, 400);`,
  );
}

// The companion's desktop: its folders, a copy of the companion with a stub main program beside it,
// its icon where an installation puts it, and a stub browser command. The user database is at the configured default place.
function makeDesktop() {
  const home = isolatedHome();
  cleanups.push(() => home.remove());
  const bin = join(home.root, "bin");
  const stubs = join(home.root, "stubs");
  const runtime = join(home.root, "runtime");
  const tmp = join(home.root, "tmp");
  for (const folder of [bin, stubs, runtime, tmp]) mkdirSync(folder, { mode: 0o700 });
  const tray = join(bin, "jvsystemtray");
  copyFileSync(TRAY, tray);
  chmodSync(tray, 0o755);
  const jorvaneRecord = join(home.root, "jorvane-started");
  writeFileSync(join(bin, "jorvane"), `#!/bin/sh\nprintf '%s\\n' "$#" "$@" > '${jorvaneRecord}.tmp'\nmv '${jorvaneRecord}.tmp' '${jorvaneRecord}'\n`);
  chmodSync(join(bin, "jorvane"), 0o755);
  const browserRecord = join(home.root, "browser-started");
  writeFileSync(
    join(stubs, "chromium"),
    `#!/bin/sh\nprintf '%s\\n' "pid=$$" "ppid=$PPID" "$@" > '${browserRecord}.tmp'\nmv '${browserRecord}.tmp' '${browserRecord}'\nexec sleep 600\n`,
  );
  chmodSync(join(stubs, "chromium"), 0o755);
  // The icon where an installation puts it, in the machine-wide data folder.
  const icons = join(home.env.JV_COMMON_APPDATA, "icons", "hicolor", "scalable", "status");
  mkdirSync(icons, { recursive: true });
  copyFileSync(new URL("../../../trayapp/resources/jorvane-service-due.svg", import.meta.url), join(icons, "jorvane-service-due.svg"));
  const database = join(home.env.JV_DOCUMENTS, "Jorvane", "user.data");
  mkdirSync(join(home.env.JV_DOCUMENTS, "Jorvane"));
  copyFileSync(BLANK, database);
  const env = {
    ...process.env,
    ...home.env,
    JV_BROWSER: join(stubs, "chromium"),
    XDG_RUNTIME_DIR: runtime,
    JV_TRAY_FIRST_CHECK_SECONDS: "0",
    TMPDIR: tmp,
  };
  return {
    home,
    tmp,
    tray,
    database,
    env,
    jorvaneRecord,
    browserRecord,
    log: () => {
      const path = join(home.env.JV_LOCAL_APPDATA, "Jorvane", "Jorvane", "JVSTtrace.log");
      return existsSync(path) ? readFileSync(path, "utf8") : "";
    },
    start: () => startProcess(tray, [], env),
  };
}

// The launch page the stub browser was last given (it is removed with the window's folder).
function launchPage(desktop) {
  if (!existsSync(desktop.browserRecord)) return null;
  const app = readFileSync(desktop.browserRecord, "utf8")
    .split("\n")
    .find((line) => line.startsWith("--app=file://"));
  return app ? app.substring("--app=file://".length) : null;
}

// The address the stub browser was asked to open, read from the launch page it was given.
function browserAddress(desktop) {
  const path = launchPage(desktop);
  if (!path || !existsSync(path)) return null;
  const page = readFileSync(path, "utf8");
  const match = /url=([^"]+)"/.exec(page);
  return match ? match[1].replaceAll("&amp;", "&") : null;
}

// Every file and folder below root with its size and modification time.
function listTree(root) {
  return readdirSync(root, { recursive: true }).sort().map((name) => {
    const info = lstatSync(join(root, name));
    return `${name} ${info.size} ${info.mtimeMs}`;
  });
}

function registrations(watcher) {
  return watcher.lines.filter((line) => line.startsWith("REGISTERED "));
}

function notifications(server) {
  return server.lines.filter((line) => line.startsWith("NOTIFY ")).map((line) => JSON.parse(line.substring(7)));
}

async function registeredService(watcher, count = 1) {
  const line = await waitFor("the icon's registration", () => registrations(watcher)[count - 1]);
  const [, service, tip] = /^REGISTERED (\S+) (.*)$/.exec(line);
  return { service, tip: JSON.parse(tip) };
}

function click(service, label) {
  const result = spawnSync(STUB, ["menu", service, label], { encoding: "utf8" });
  assert.equal(result.status, 0, result.stderr);
}

test("with an overdue service the icon shows its tip, one notification says so, and the reminders page lists it", async () => {
  const watcher = await startService("watcher");
  const server = await startService("notifications");
  const desktop = makeDesktop();
  addOverdueCar(desktop.database, "11111111-1111-1111-1111-111111111111", "Family <car>");
  addCarWithNothingDue(desktop.database, "22222222-2222-2222-2222-222222222222", "Runabout");
  // What a window's run that was killed left in the temporary folder: its unheld lock and profile.
  const leftBehind = join(desktop.tmp, "jorvane-Killed");
  mkdirSync(join(leftBehind, "profile", "Default"), { recursive: true, mode: 0o700 });
  writeFileSync(join(leftBehind, "lock"), "");
  writeFileSync(join(leftBehind, "profile", "Default", "Preferences"), "{}");
  const tray = await desktop.start();

  const { service, tip } = await registeredService(watcher);
  assert.equal(tip.title, TIP);
  assert.equal(tip.icon, "jorvane-service-due");
  // Installed, the icon's file is in the machine-wide data folder: its pictures come from there.
  assert.ok(tip.pixmaps.length > 0);
  await waitFor("the notification", () => notifications(server).length > 0);
  await sleep(500);
  const shown = notifications(server);
  assert.equal(shown.length, 1);
  assert.equal(shown[0].summary, "Jorvane");
  assert.equal(shown[0].body, BALLOON);
  assert.equal(shown[0].timeout, 10000);

  // Activating the icon does what its menu's first item does: View Reminders.
  const activated = spawnSync(STUB, ["activate", service], { encoding: "utf8" });
  assert.equal(activated.status, 0, activated.stderr);
  const address = await waitFor("the browser's address", () => browserAddress(desktop));
  // The reminders window's start cleared what the killed run left.
  assert.equal(existsSync(leftBehind), false);
  const browser = await startBrowser();
  cleanups.push(() => browser.close());
  const window = await browser.context.newPage();
  await window.goto(address);
  let frame = await frameNamed(window, "jv-top");
  await frame.waitForSelector("tr.listrow");
  // Neither the window around the page nor the page shows the browser's menu on a right-click or
  // lets a key of the browser's (Ctrl+U, the page's source) through.
  for (const shown of [window, frame]) {
    assert.deepEqual(await shown.evaluate(() => [
      document.body.dispatchEvent(new MouseEvent("contextmenu", { bubbles: true, cancelable: true, button: 2 })),
      document.body.dispatchEvent(new KeyboardEvent("keydown", { key: "u", ctrlKey: true, bubbles: true, cancelable: true })),
    ]), [false, false]);
  }

  const rows = frame.locator("#reminders tr.listrow");
  assert.equal(await rows.count(), 2);
  const family = rows.filter({ hasText: "Family <car>" });
  assert.match(await family.locator("h3").innerText(), /^Family <car>$/);
  assert.match(await family.innerText(), /2019 Ford Focus SE/);
  assert.match(await family.innerText(), /1 services due/);
  const runabout = rows.filter({ hasText: "Runabout" });
  assert.match(await runabout.innerText(), /No services due until \d\d\/\d\d\/\d{4}/);
  assert.match(await frame.locator("#ReminderDate").innerText(), /^\d\d\/\d\d\/\d{4}$/);

  // The details open under the summary: the overdue oil change with its mark, odometer and date.
  const details = family.locator("#RemindersDiv");
  assert.equal(await details.isVisible(), false);
  await family.getByText("show details").click();
  await details.waitFor({ state: "visible" });
  const serviceRow = details.locator("tr.internalRow");
  assert.equal(await serviceRow.count(), 1);
  assert.match(await serviceRow.innerText(), /Oil - Change/);
  assert.equal(await serviceRow.locator("img[alt='Service is overdue!']").count(), 1);
  assert.match(await serviceRow.locator("td").nth(2).innerText(), /^\d\d\/\d\d\/\d{4}$/);
  assert.match(await serviceRow.locator("td").nth(1).innerText(), /^[\d,]+$/);
  assert.equal(await family.getByText("hide details").count(), 1);

  // A script error is caught by the page's trap and only logged.
  await frame.evaluate(() => setTimeout(() => { throw new Error("trapped on purpose"); }, 0));
  await waitFor("the logged script error", () => /JavascriptError[^\n]*\n[^\n]*trapped on purpose/.test(desktop.log()));

  // View Reminders on the open window builds the page anew from the database and asks the window
  // to come forward.
  await window.evaluate(() => {
    window.raised = 0;
    window.focus = () => { window.raised += 1; };
  });
  addOverdueCar(desktop.database, "33333333-3333-3333-3333-333333333333", "Van");
  click(service, "View Reminders");
  await frame.waitForSelector("#reminders tr.listrow[id='33333333-3333-3333-3333-333333333333']");
  frame = await frameNamed(window, "jv-top");
  assert.equal(await frame.locator("#reminders tr.listrow").count(), 3);
  await window.waitForFunction(() => window.raised === 1);

  // The rows' menu starts the main program, with no arguments, and hides the reminders.
  await frame.locator("#reminders tr.listrow").first().locator("td").first().dispatchEvent("mousedown");
  await frame.locator("#OpenJorvane").waitFor({ state: "visible" });
  await frame.locator("#OpenJorvane").dispatchEvent("mousedown");
  const started = await waitFor("the main program's start", () =>
    existsSync(desktop.jorvaneRecord) ? readFileSync(desktop.jorvaneRecord, "utf8") : null,
  );
  assert.equal(started, "0\n");
  assert.equal(tray.running(), true);

  // That hid the reminders: the window is gone. Opened again, a new window on a new address
  // shows the page.
  // The window's private folder goes with it.
  const firstFolder = dirname(launchPage(desktop));
  await waitFor("the window's close", () => !existsSync(firstFolder));
  click(service, "View Reminders");
  const second = await waitFor("the second window's address", () => {
    const next = browserAddress(desktop);
    return next && next !== address ? next : null;
  });
  const window2 = await browser.context.newPage();
  await window2.goto(second);
  const frame2 = await frameNamed(window2, "jv-top");
  await frame2.waitForSelector("#reminders tr.listrow");
  assert.equal(await frame2.locator("#reminders tr.listrow").count(), 3);

  // Help > About shows the companion's about box with the build's version and its banner; the
  // web site's link leaves it open; it opens with OK focused.
  await window2.locator("#jv-menubar .jv-menu > button", { hasText: "Help" }).click();
  await window2.locator("#jv-menubar .jv-open li button", { hasText: "About JVSystemTray..." }).click();
  const about = await shownDialog(window2);
  assert.equal(await about.title(), "About JVSystemTray");
  assert.equal(await about.locator("#Version").innerText(), VERSION);
  assert.ok(await about.locator(".dialogheader img").evaluate((img) => img.complete && img.naturalWidth > 0));
  assert.equal(await about.locator("a[href^='mailto:']").count(), 0);
  // It opens with OK focused, shown so: Enter closes it.
  await waitFor("OK focused", () => about.evaluate(() =>
    document.activeElement.id === "ButtonOK" && document.activeElement.matches(":focus-visible")));
  await window2.keyboard.press("Enter");
  await window2.locator("dialog.jv-dialog").waitFor({ state: "detached" });

  // The window's File menu hides the reminders: the window goes, the companion stays.
  const secondFolder = dirname(launchPage(desktop));
  await window2.locator("#jv-menubar button", { hasText: "File" }).click();
  await window2.locator("#jv-menubar button", { hasText: "Hide" }).click();
  await waitFor("the window's close", () => !existsSync(secondFolder));
  assert.equal(tray.running(), true);
  // The session ends: the companion closes as Exit does, leaving nothing in the temporary folder.
  assert.deepEqual(await tray.stop(), { code: 0, signal: null });
  assert.deepEqual(readdirSync(desktop.tmp), []);
});

test("Open Jorvane starts the main program beside the companion with no arguments", async () => {
  const watcher = await startService("watcher");
  await startService("notifications");
  const desktop = makeDesktop();
  addOverdueCar(desktop.database, "11111111-1111-1111-1111-111111111111", "Family car");
  const tray = await desktop.start();
  const { service } = await registeredService(watcher);
  click(service, "Open Jorvane");
  const started = await waitFor("the main program's start", () =>
    existsSync(desktop.jorvaneRecord) ? readFileSync(desktop.jorvaneRecord, "utf8") : null,
  );
  assert.equal(started, "0\n");
  assert.equal(tray.running(), true);
  assert.deepEqual(await tray.stop(), { code: 0, signal: null });
});

test("run from the build tree, Open Jorvane starts the main program of the same build", async () => {
  const watcher = await startService("watcher");
  await startService("notifications");
  const desktop = makeDesktop();
  addOverdueCar(desktop.database, "11111111-1111-1111-1111-111111111111", "Family car");
  // The machine-wide data of the build tree, as the build lays it out.
  const env = { ...desktop.env };
  delete env.JV_COMMON_APPDATA;
  const tray = await startProcess(TRAY, [], env);
  const { service, tip } = await registeredService(watcher);

  // The icon comes with its pictures, drawn from its file in the build's data folder: square, of
  // the usual sizes, four bytes a pixel (alpha first), transparent in the corner and the icon's
  // blue inside the circle.
  const sizes = tip.pixmaps.map((pixmap) => pixmap.width);
  assert.deepEqual(sizes, [16, 22, 24, 32, 48]);
  for (const pixmap of tip.pixmaps) {
    assert.equal(pixmap.height, pixmap.width);
    assert.equal(pixmap.bytes, pixmap.width * pixmap.height * 4);
    assert.equal(pixmap.corner, 0);
  }
  assert.deepEqual(tip.pixmaps.at(-1).left, [255, 0x1f, 0x3a, 0x68]);

  click(service, "Open Jorvane");

  // The main program opens its window: the stub browser it starts says who started it.
  const record = await waitFor("the main program's window", () =>
    existsSync(desktop.browserRecord) ? readFileSync(desktop.browserRecord, "utf8") : null, 30000);
  const browserPid = Number(/^pid=(\d+)$/m.exec(record)[1]);
  const jorvanePid = Number(/^ppid=(\d+)$/m.exec(record)[1]);
  cleanups.push(() => {
    for (const pid of [jorvanePid, browserPid]) if (existsSync(`/proc/${pid}`)) process.kill(pid, "SIGKILL");
  });
  assert.equal(realpathSync(`/proc/${jorvanePid}/exe`), realpathSync(process.env.JV_JORVANE));
  assert.match(readFileSync(join(desktop.home.env.JV_LOCAL_APPDATA, "Jorvane", "Jorvane", "JVtrace.log"), "utf8"),
    /starting Jorvane client/);
  assert.doesNotMatch(desktop.log(), /Couldn't start/);
  process.kill(jorvanePid, "SIGTERM");
  await waitFor("the main program's end", () => !existsSync(`/proc/${jorvanePid}`), 15000);
  assert.equal(tray.running(), true);
  assert.deepEqual(await tray.stop(), { code: 0, signal: null });
});

test("the icon comes back when the notification area restarts, and Exit takes it away and ends the companion", async () => {
  let watcher = await startService("watcher");
  const server = await startService("notifications");
  const desktop = makeDesktop();
  addOverdueCar(desktop.database, "11111111-1111-1111-1111-111111111111", "Family car");
  const tray = await desktop.start();
  const first = await registeredService(watcher);

  await watcher.stop();
  watcher = await startService("watcher");
  const again = await registeredService(watcher);
  assert.equal(again.service, first.service);
  assert.equal(again.tip.title, TIP);
  // The notification area coming back is no new check: still one notification.
  assert.equal(notifications(server).length, 1);

  // A second companion in the same session leaves at once and shows nothing.
  const second = await startProcess(desktop.tray, [], desktop.env);
  assert.deepEqual(await second.exited, { code: 0, signal: null });
  await sleep(300);
  assert.equal(registrations(watcher).length, 1);
  assert.equal(notifications(server).length, 1);

  click(again.service, "Exit");
  assert.deepEqual(await tray.exited, { code: 0, signal: null });
  await waitFor("the icon's removal", () => watcher.lines.includes("UNREGISTERED " + again.service));
  assert.match(desktop.log(), /stopping JorvaneSystemTray\s*$/);
});

test("with nothing due there is no icon and no notification", async () => {
  const watcher = await startService("watcher");
  const server = await startService("notifications");
  const desktop = makeDesktop();
  addCarWithNothingDue(desktop.database, "22222222-2222-2222-2222-222222222222", "Runabout");
  const tray = await desktop.start();
  await sleep(1500);
  assert.equal(tray.running(), true);
  assert.deepEqual(registrations(watcher), []);
  assert.deepEqual(notifications(server), []);
  assert.deepEqual(await tray.stop(), { code: 0, signal: null });
});

test("the registration switches end the companion at once, touching nothing", async () => {
  const desktop = makeDesktop();
  const before = listTree(desktop.home.root);
  const options = ["/Register", "-unregister", "/RegServer", "-unregserver", "/Embedding", "-AUTOMATION", "--regserver"];
  // A companion that started for real would stay (and be killed by the time-out).
  for (const option of options) {
    const result = spawnSync(desktop.tray, [option], { env: desktop.env, timeout: 10000 });
    assert.equal(result.status, 0, option);
  }
  assert.equal(desktop.log(), "");
  assert.equal(existsSync(join(desktop.home.env.JV_LOCAL_APPDATA, "Jorvane")), false);
  assert.deepEqual(listTree(desktop.home.root), before);
});
