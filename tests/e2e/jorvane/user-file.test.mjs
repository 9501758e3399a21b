// The user's file as the program finds it at start. One of the version before, held by another
// program (the sqlite3 shell with a write under way): the window comes with the user's garage all
// the same, a stop signal ends the program even while a save waits for the other program, and once
// that program lets go nothing of its write or of the user's garage is lost; the next start
// upgrades the file. One of a later version: the user is told, and its layout is left alone. One
// the user may read but not write: the user is told at start and at a save, and saves work once it
// is writable again. Another program's database: the user is told, and it is left as it was.
import assert from "node:assert/strict";
import { execFileSync, spawn } from "node:child_process";
import { describe, test } from "node:test";
import {
  chmodSync, closeSync, existsSync, mkdirSync, openSync, readFileSync, readlinkSync, rmSync, statSync, symlinkSync, writeFileSync, writeSync,
} from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join } from "node:path";
import {
  chooseMenu, dialog, eventually, findDialog, frame, jorvaneHome, openRegister, ordinaryUser, startJorvane, startJorvaneHeaded,
  typeInEntry, virtualDisplay,
} from "./harness.mjs";
import { DAILY, WEEKEND, garage } from "./garage.mjs";

const NOW = { JV_NOW: "2026-12-09" };
// Where the boxes' screenshots go, to be looked at.
const SHOTS = process.env.JV_SHOTS || join(tmpdir(), "jv-e2e-user-file-shots");

// True while another connection holds the file's write lock.
function locked(path) {
  try {
    execFileSync("sqlite3", [path, "BEGIN IMMEDIATE; ROLLBACK;"], { stdio: ["ignore", "ignore", "pipe"] });
    return false;
  } catch {
    return true;
  }
}

// The sqlite3 shell holding a write of its own (`begin` takes the write lock, or with "BEGIN
// EXCLUSIVE" the whole file), kept open through its input until letGo().
async function holdWrite(path, sql, begin = "BEGIN IMMEDIATE") {
  const shell = spawn("sqlite3", ["-bail", path], { stdio: ["pipe", "ignore", "pipe"] });
  let errors = "";
  shell.stderr.on("data", (data) => { errors += data; });
  const ended = new Promise((resolve) => shell.on("exit", (code) => resolve(code)));
  shell.stdin.write(`${begin};\n${sql}\n`);
  await eventually(() => locked(path), "the other program holding the file: " + errors);
  return {
    async letGo() {
      shell.stdin.end("COMMIT;\n");
      assert.equal(await ended, 0, errors);
    },
    kill: () => shell.kill("SIGKILL"),
  };
}

// The modes of the files the engine keeps beside the database (those there are).
function besideModes(path) {
  return ["-wal", "-shm"].filter((end) => existsSync(path + end)).map((end) => [end, statSync(path + end).mode & 0o777]);
}

// After a box about a save of the new purchase (15100, 31) that stored nothing: the box is gone,
// the entry stays as typed and changed, and the file still holds `fuel` purchases.
async function typingKept(app, register, home, fuel) {
  await eventually(async () => (await app.page.locator("dialog.jv-dialog iframe").count()) === 0, "the box closed");
  assert.equal(await register.inputValue('tr[id="new"] [name="Odometer"]'), "15100");
  assert.match(await register.inputValue('tr[id="new"] [name="Total Cost"]'), /^31(\.00)?$/);
  assert.equal(await register.evaluate(() => document.getElementById("DirtyFlag")?.textContent ?? null), "true");
  assert.equal(Number(home.query("SELECT count(*) FROM FuelPurchases")), fuel);
}

// Names `path` as the user's file in the user's settings (configUser.xml); gives the path.
function nameUserFile(home, path) {
  mkdirSync(join(home.root, "local/Jorvane/Jorvane"), { recursive: true });
  writeFileSync(join(home.root, "local/Jorvane/Jorvane/configUser.xml"), "<?xml version='1.0' encoding='utf-8'?>" +
    `<jorvaneUser version="1.0"><mostRecentUserDB path="${path}" prependMyDocs="no"/></jorvaneUser>`);
  return path;
}

// Screenshots of the window at the two sizes the boxes are looked at in, named after `name`.
async function shootBoth(app, name) {
  mkdirSync(SHOTS, { recursive: true });
  await app.page.setViewportSize({ width: 1400, height: 900 });
  await app.page.screenshot({ path: `${SHOTS}/${name}-1400x900.png` });
  await app.page.setViewportSize({ width: 1050, height: 880 });
  await app.page.screenshot({ path: `${SHOTS}/${name}-1050x880.png` });
}

// A small disk of its own (a tmpfs) mounted at `folder`: fill() takes all the room left on it,
// free() gives it back, unmount() ends it. Where nothing can be mounted (not root, or no right to
// mount in this container) { why } says so, for the journey to be skipped.
function smallDisk(folder, size = "8m") {
  mkdirSync(folder, { recursive: true });
  try {
    execFileSync("mount", ["-t", "tmpfs", "-o", `size=${size},mode=0700`, "jv-e2e-disk", folder], { stdio: ["ignore", "ignore", "pipe"] });
  } catch (error) {
    return { why: "a disk of the test's own cannot be mounted here: " + (error.stderr?.toString().trim() || error.message) };
  }
  const filler = join(folder, ".filler");
  return {
    fill() {
      const fd = openSync(filler, "a");
      try {
        // Large pieces first, then ever smaller ones, to the last byte.
        for (let piece = 1 << 20; piece >= 1; piece >>= 2) {
          const bytes = Buffer.alloc(piece, 1);
          try {
            for (;;) writeSync(fd, bytes);
          } catch (error) {
            if (error.code !== "ENOSPC") throw error;
          }
        }
      } finally {
        closeSync(fd);
      }
    },
    free: () => rmSync(filler, { force: true }),
    unmount: () => execFileSync("umount", [folder]),
  };
}

// Runs `journey(disk, held)` with a small disk mounted at `folder` (see smallDisk), skipped where
// none can be mounted. Whatever happens, the program the journey leaves in `held.app` is ended,
// then the disk unmounted and the home removed.
async function onSmallDisk(t, home, folder, size, journey) {
  const disk = smallDisk(folder, size);
  if (disk.why) {
    home.remove();
    t.skip(disk.why);
    return;
  }
  const held = { app: null };
  try {
    await journey(disk, held);
  } finally {
    try {
      if (held.app) await held.app.kill();
    } finally {
      disk.unmount();
      home.remove();
    }
  }
}

// How the program ended, or null when it had not ended within `ms`.
function endedWithin(app, ms) {
  return Promise.race([app.exited, new Promise((resolve) => setTimeout(() => resolve(null), ms))]);
}

describe("the user's file at start", () => {
  test("held by another program: opens at once, ends on SIGTERM while a save waits, and loses nothing", async () => {
    const home = jorvaneHome();
    home.seed(garage());
    assert.equal(home.query("SELECT Version FROM version"), "8");
    const fuel = home.query("SELECT count(*) FROM FuelPurchases");
    const other = await holdWrite(home.databasePath, "INSERT INTO ExpenseCategories (Name) VALUES ('Tolls from the other program');");
    let app = null;
    try {
      app = await startJorvane(home, { env: NOW });
      // The home page lists the user's garage read from the held file.
      const workspace = await frame(app.page, "main_workspace");
      await eventually(async () => (await workspace.locator("#carlist tr.listrow").evaluateAll(
        (rows) => rows.map((row) => row.id))).join() === [DAILY, WEEKEND].join(), "the garage on the home page");

      // A purchase saved with Enter waits for the other program's lock, then asks whether to wait
      // on; SIGTERM while the save waits so ends the wait and the program.
      const register = await openRegister(app, "a.nav-fuel", "Fuel Register");
      await register.fill('tr[id="new"] [name="Odometer"]', "15100");
      await register.fill('tr[id="new"] + tr [name="Volume"]', "10");
      await register.fill('tr[id="new"] [name="Total Cost"]', "31");
      await register.press('tr[id="new"] [name="Total Cost"]', "Enter");
      await findDialog(app, /another program is using your Jorvane file/i, "the save waiting for the other program");
      app.child.kill("SIGTERM");
      const how = await endedWithin(app, 10000);
      assert.deepEqual(how, { code: 0, signal: null }, "the program ended on SIGTERM");
      assert.ok(locked(home.databasePath), "the other program still held the file");
      // The save gave up its wait; the upgrade was put off, not failed.
      assert.match(home.traceLog(), /ERR  CFuelRegisterDatabaseObject::AddFuelData +Error executing query BEGIN TRANSACTION/);
      assert.match(home.traceLog(), /wrn  CFuelRegisterDatabaseObject::AddFuelData +The user's file was busy: another program held it/);
      assert.match(home.traceLog(), /The changes on page 175 could not be saved as the program ended: another program held the user's file$/m);
      assert.match(home.traceLog(), /wrn  CUserData::CheckAndUpdateVersion +Another program holds the database: its upgrade from version 8 waits for a later open/);
      await app.close();
      app = null;

      await other.letGo();
      assert.equal(home.query("SELECT count(*) FROM ExpenseCategories WHERE Name = 'Tolls from the other program'"), "1");
      assert.equal(home.query("SELECT group_concat(Name) FROM (SELECT Name FROM Vehicles ORDER BY Name)"), "Daily,Weekend");
      assert.equal(home.query("SELECT count(*) FROM FuelPurchases"), fuel);
      assert.equal(home.query("PRAGMA integrity_check"), "ok");
      // The upgrade waited for a later open.
      assert.equal(home.query("SELECT Version FROM version"), "8");

      app = await startJorvane(home, { env: NOW });
      await (await frame(app.page, "main_workspace")).locator("#carlist tr.listrow").first().waitFor();
      assert.equal(home.query("SELECT Version FROM version"), "9");
      assert.equal(home.query("SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND name LIKE 'CarChanges%'"), "12");
      assert.equal(home.query("SELECT count(*) FROM ExpenseCategories WHERE Name = 'Tolls from the other program'"), "1");
      assert.deepEqual(await app.close(), { code: 0, signal: null });
      app = null;
      assert.doesNotMatch(home.traceLog(), /ERR  CUserData/);
    } finally {
      other.kill();
      if (app) await app.kill();
      home.remove();
    }
  });

  test("of a later version: the user is told, and the file keeps the layout that version gave it", async () => {
    const home = jorvaneHome();
    home.seed(garage() + "UPDATE version SET Version = 10;");
    const schema = home.query("SELECT group_concat(sql, ';') FROM sqlite_master");
    const app = await startJorvane(home, { env: NOW });
    try {
      const box = await dialog(app.page);
      assert.match(await box.locator("#message").innerText(),
        /made by a later version of Jorvane \(database version 10; this version knows versions up to 9\)/);
      await box.click("#ButtonOK");
      const workspace = await frame(app.page, "main_workspace");
      await eventually(async () => (await workspace.locator("#carlist tr.listrow").count()) === 2, "the garage on the home page");
      assert.deepEqual(await app.close(), { code: 0, signal: null });
      assert.equal(home.query("SELECT Version FROM version"), "10");
      assert.equal(home.query("SELECT group_concat(sql, ';') FROM sqlite_master"), schema);
      assert.match(home.traceLog(), /wrn  CUserData::CheckAndUpdateVersion +The database is of version 10, later than this program's 9/);
    } finally {
      await app.kill();
      home.remove();
    }
  });

  test("taken whole by another program: the window says which program holds it, and the garage opens once it lets go", async () => {
    const home = jorvaneHome();
    home.seed(garage());
    const other = await holdWrite(home.databasePath, "INSERT INTO ExpenseCategories (Name) VALUES ('Held tolls');", "BEGIN EXCLUSIVE");
    let app = null;
    // In the window the program starts itself, where there is a display for it.
    const display = await virtualDisplay(1400, 900);
    try {
      if (display) {
        home.writeSettings({ WindowPos: "0,1,-1,-1,-1,-1,0,0,1400,900" });
        app = await startJorvaneHeaded(home, display, { env: NOW });
      } else {
        app = await startJorvane(home, { env: NOW, waitForFrameset: false, viewport: { width: 1400, height: 900 } });
      }
      let box = await findDialog(app, /another program/i, "the box saying the file is held");
      mkdirSync(SHOTS, { recursive: true });
      await app.page.screenshot({ path: SHOTS + "/held-at-start.png" });
      const said = await box.locator("#message").innerText();
      assert.match(said, /Another program is using your Jorvane file/);
      assert.ok(said.includes(home.databasePath), said);
      assert.match(said, /sqlite3 \(process \d+\)/);
      assert.deepEqual(await box.locator("button:visible, input[type=button]:visible").evaluateAll(
        (buttons) => buttons.map((b) => b.innerText || b.value)), ["Retry", "Exit"]);
      // Retry while the other program still holds the file: the same question again.
      await box.click("#ButtonOK");
      box = await findDialog(app, /another program/i, "the box again");
      assert.equal(app.ended, null);

      // Once the other program lets go, the program notices and opens the garage by itself.
      await other.letGo();
      const workspace = await frame(app.page, "main_workspace", 20000);
      await eventually(async () => (await workspace.locator("#carlist tr.listrow").evaluateAll(
        (rows) => rows.map((row) => row.id))).join() === [DAILY, WEEKEND].join(), "the garage on the home page");
      assert.equal(home.query("SELECT Version FROM version"), "9");
      assert.equal(home.query("SELECT count(*) FROM ExpenseCategories WHERE Name = 'Held tolls'"), "1");
      assert.deepEqual(await app.close(), { code: 0, signal: null });
      app = null;
      assert.doesNotMatch(home.traceLog(), /ERR  C(UserData|JorvaneDoc|ServiceRegister)/);
      assert.match(home.traceLog(), /wrn  CUserData::OpenConnections +Another program holds the database/);
    } finally {
      other.kill();
      if (app) await app.kill();
      if (display) await display.close();
      home.remove();
    }
  });

  test("of version 6 held by another program: Exit ends the program; later the file is brought up to date before the Service Register reads it", async () => {
    const home = jorvaneHome();
    home.seed(garage() + "UPDATE ExpenseCategories SET Name = 'Body Repair' WHERE Name = 'Repair'; ALTER TABLE Services DROP COLUMN Other; UPDATE version SET Version = 6;");
    const services = home.query("SELECT group_concat(ServiceID) FROM Services").split(",");
    const other = await holdWrite(home.databasePath, "INSERT INTO ExpenseCategories (Name) VALUES ('Tolls');");
    let app = null;
    try {
      // Exit ends the program in order, and nothing is written to the file.
      app = await startJorvane(home, { env: NOW, waitForFrameset: false });
      let box = await findDialog(app, /another program/i, "the box saying the file is held");
      assert.match(await box.locator("#message").innerText(), /sqlite3 \(process \d+\)/);
      await box.click("#ButtonCancel");
      assert.deepEqual(await app.exited, { code: 0, signal: null });
      assert.deepEqual(await app.close(), { code: 0, signal: null });
      app = null;
      assert.doesNotMatch(home.traceLog(), /ERR  C(UserData|JorvaneDoc|ServiceRegister)/);

      // So does a stop signal while the box stands.
      app = await startJorvane(home, { env: NOW, waitForFrameset: false });
      await findDialog(app, /another program/i, "the box saying the file is held");
      app.child.kill("SIGTERM");
      assert.deepEqual(await endedWithin(app, 10000), { code: 0, signal: null });
      assert.deepEqual(await app.close(), { code: 0, signal: null });
      app = null;
      // The log tells the user's Exit, not the signal, as the user's.
      assert.equal(home.traceLog().match(/The user ended the program while another program held the database/g)?.length, 1);

      app = await startJorvane(home, { env: NOW, waitForFrameset: false });
      box = await findDialog(app, /another program/i, "the box saying the file is held");
      assert.match(await box.locator("#message").innerText(), /brings the file up to date/);
      await other.letGo();
      await frame(app.page, "main_navcarlist", 20000);
      assert.equal(home.query("SELECT Version FROM version"), "9");
      assert.equal(home.query("SELECT count(*) FROM pragma_table_info('Services') WHERE name = 'Other'"), "1");

      // The Service Register lists the entries and saves a new one in the same session.
      const register = await openRegister(app, "a.nav-service", "Service Register");
      await eventually(async () => (await register.locator("tr.registerrowtop").evaluateAll((rows) => rows.map((row) => row.id)))
        .sort().join() === [...services].sort().join(), "the entries");
      await register.fill('tr[id="new"] [name="Odometer"]', "15100");
      await register.fill('tr[id="new"] [name="Vendor"]', "Corner Garage");
      await register.fill('tr[id="new"] [name="Cost"]', "80");
      await register.press('tr[id="new"] [name="Cost"]', "Tab");
      await register.click('tr[id="new"] + tr [name="Submit"]');
      await eventually(() => home.query("SELECT count(*) FROM Services WHERE Vendor = 'Corner Garage'") === "1", "the saved service");
      assert.deepEqual(await app.close(), { code: 0, signal: null });
      app = null;
      assert.doesNotMatch(home.traceLog(), /ERR  C(UserData|JorvaneDoc|ServiceRegister)/);
    } finally {
      other.kill();
      if (app) await app.kill();
      home.remove();
    }
  });

  test("a save while another program holds the write lock: the busy box, Cancel keeps the typing, Retry after it let go stores the entry once", async () => {
    const home = jorvaneHome();
    home.seed(garage());
    const fuel = Number(home.query("SELECT count(*) FROM FuelPurchases"));
    let other = null;
    let app = null;
    try {
      app = await startJorvane(home, { env: NOW, viewport: { width: 1400, height: 900 } });
      const register = await openRegister(app, "a.nav-fuel", "Fuel Register");
      other = await holdWrite(home.databasePath, "INSERT INTO ExpenseCategories (Name) VALUES ('Tolls');");
      await register.fill('tr[id="new"] [name="Odometer"]', "15100");
      await register.fill('tr[id="new"] + tr [name="Volume"]', "10");
      await register.fill('tr[id="new"] [name="Total Cost"]', "31");
      await register.press('tr[id="new"] [name="Total Cost"]', "Enter");
      let box = await findDialog(app, /another program/i, "the busy box");
      const said = await box.locator("#message").innerText();
      assert.match(said, /Jorvane could not save/);
      assert.ok(said.includes(home.databasePath), said);
      assert.match(said, /sqlite3 \(process \d+\)/);
      mkdirSync(SHOTS, { recursive: true });
      await app.page.screenshot({ path: SHOTS + "/busy-box.png" });
      // Cancel: nothing stored, the entry stays as typed and changed.
      await box.click("#ButtonCancel");
      await typingKept(app, register, home, fuel);

      // Again, and Retry once the other program let go: stored once.
      await register.press('tr[id="new"] [name="Total Cost"]', "Enter");
      box = await findDialog(app, /another program/i, "the busy box again");
      await other.letGo();
      other = null;
      await box.click("#ButtonOK");
      await eventually(() => home.query("SELECT count(*) FROM FuelPurchases WHERE Odometer = 15100") === "1", "the saved purchase");
      await eventually(async () => (await register.inputValue('tr[id="new"] [name="Odometer"]')) === "Odometer", "a fresh new entry");
      assert.equal(Number(home.query("SELECT count(*) FROM FuelPurchases")), fuel + 1);

      // A stop signal while the box stands over a reading's save ends the program in order; the
      // log says the file was busy, and once why the reading was not kept.
      const readings = home.query("SELECT count(*) FROM OdometerValues");
      await chooseMenu(app, "Go To", "Edit Car Odometer History");
      await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === "Odometer Register", "the odometer register");
      const odometers = await frame(app.page, "main_workspace");
      await odometers.waitForSelector("#new");
      other = await holdWrite(home.databasePath, "INSERT INTO ExpenseCategories (Name) VALUES ('More tolls');");
      await odometers.click('tr[id="new"] [name="odometer"]');
      await odometers.type('tr[id="new"] [name="odometer"]', "15200");
      await odometers.press('tr[id="new"] [name="odometer"]', "Enter");
      await findDialog(app, /another program/i, "the busy box once more");
      app.child.kill("SIGTERM");
      assert.deepEqual(await endedWithin(app, 10000), { code: 0, signal: null });
      await app.close();
      app = null;
      assert.match(home.traceLog(), /The user's file was busy: another program held it/);
      const lines = home.traceLog().split("\n").filter((line) => /as the program ended/.test(line));
      assert.equal(lines.length, 1, lines.join("\n"));
      assert.match(lines[0], /The changes on page 215 could not be saved as the program ended: another program held the user's file$/);
      await other.letGo();
      other = null;
      assert.equal(Number(home.query("SELECT count(*) FROM FuelPurchases")), fuel + 1);
      assert.equal(home.query("SELECT count(*) FROM OdometerValues"), readings);
    } finally {
      if (other) other.kill();
      if (app) await app.kill();
      home.remove();
    }
  });

  test("that may be read but not written: the user is told at start and at a save, the typing kept; once writable again the save stores", async () => {
    const home = jorvaneHome();
    // A file used before, so in the engine's write-ahead-log mode.
    home.seed(garage() + "PRAGMA journal_mode=WAL;");
    const fuel = Number(home.query("SELECT count(*) FROM FuelPurchases"));
    chmodSync(home.databasePath, 0o400);
    const user = ordinaryUser(home);
    let app = null;
    try {
      // Told to end with an entry typed: nothing stored, and the trace log says why.
      app = await startJorvane(home, { env: NOW, waitForFrameset: false, user });
      await (await findDialog(app, /cannot be written/i, "the box at the first start")).click("#ButtonOK");
      const typed = await openRegister(app, "a.nav-fuel", "Fuel Register");
      await typeInEntry(typed, "new", "Odometer", "15050");
      await typeInEntry(typed, "new", "Volume", "10", { top: false });
      await typeInEntry(typed, "new", "Total Cost", "30");
      await app.kill();
      app = null;
      assert.equal(Number(home.query("SELECT count(*) FROM FuelPurchases")), fuel);
      // What the page held, told once (whether the window answered the program's last question in
      // time, which a busy machine decides, is a line of its own).
      const stopLines = home.traceLog().split("\n").filter((line) => /changes on page \d+ .*as the program ended/.test(line));
      assert.equal(stopLines.length, 1, stopLines.join("\n"));
      assert.match(stopLines[0], /could not be saved as the program ended: the user's file cannot be written$/);

      app = await startJorvane(home, { env: NOW, waitForFrameset: false, viewport: { width: 1400, height: 900 }, user });
      const box = await findDialog(app, /cannot be written/i, "the box saying the file cannot be written");
      const said = await box.locator("#message").innerText();
      assert.ok(said.includes(home.databasePath), said);
      assert.match(said, /can be read but not written/);
      await box.click("#ButtonOK");
      await frame(app.page, "main_navcarlist");
      // Nothing the program made beside the file is left unwritable for the user.
      for (const [end, mode] of besideModes(home.databasePath)) assert.ok(mode & 0o200, end + " mode " + mode.toString(8));

      // A purchase typed and saved with Enter: the user hears it was not saved; the typing stays.
      const register = await openRegister(app, "a.nav-fuel", "Fuel Register");
      await typeInEntry(register, "new", "Odometer", "15100");
      await typeInEntry(register, "new", "Volume", "10", { top: false });
      await typeInEntry(register, "new", "Total Cost", "31");
      await register.press('tr[id="new"] [name="Total Cost"]', "Enter");
      const notSaved = await findDialog(app, /not saved/i, "the box saying the save was not stored");
      const told = await notSaved.locator("#message").innerText();
      assert.ok(told.includes(home.databasePath), told);
      assert.match(told, /What you typed is kept/);
      await notSaved.click("#ButtonOK");
      await typingKept(app, register, home, fuel);

      // A sale typed into its box: not stored, the user hears so, and the box stays with the typing.
      await chooseMenu(app, "Go To", "Sell Car");
      const chooser = await dialog(app.page);
      await chooser.selectOption("#CarList", WEEKEND);
      await chooser.click("#ButtonOK");
      const sale = await findDialog(app, /Selling Date/, "the sale box");
      await sale.click("#SoldDate");
      await app.page.keyboard.type("03/15/26");
      await sale.click("#SoldPrice");
      await app.page.keyboard.type("4500");
      await sale.click("#ButtonOK");
      await (await findDialog(app, /not saved/i, "the box saying the sale was not stored")).click("#ButtonOK");
      await eventually(async () => (await app.page.locator("dialog.jv-dialog iframe").count()) === 1, "the sale box alone");
      assert.deepEqual([await sale.inputValue("#SoldDate"), await sale.inputValue("#SoldPrice")], ["03/15/26", "4500"]);
      await sale.click("#ButtonCancel");
      await eventually(async () => (await app.page.locator("dialog.jv-dialog iframe").count()) === 0, "the sale box closed");
      assert.equal(home.query(`SELECT Sold FROM Vehicles WHERE VehicleID = '${WEEKEND}'`), "0");
      assert.match(await (await frame(app.page, "main_navcarlist")).locator("body").innerText(), /Weekend/);

      // The user makes the file writable again: the same save now stores.
      chmodSync(home.databasePath, 0o600);
      await register.press('tr[id="new"] [name="Total Cost"]', "Enter");
      await eventually(() => home.query("SELECT count(*) FROM FuelPurchases WHERE Odometer = 15100") === "1", "the saved purchase");
      assert.equal(Number(home.query("SELECT count(*) FROM FuelPurchases")), fuel + 1);
      assert.deepEqual(await app.close(), { code: 0, signal: null });
      app = null;
      for (const [end, mode] of besideModes(home.databasePath)) assert.ok(mode & 0o200, end + " mode " + mode.toString(8));
      assert.doesNotMatch(home.traceLog(), /ERR  C(UserData|JorvaneDoc)/);
    } finally {
      if (app) await app.kill();
      home.remove();
    }
  });

  test("another program's database named as the user's file: the window names it, and nothing is written into it", async () => {
    const home = jorvaneHome();
    const other = join(home.root, "notes.db");
    execFileSync("sqlite3", ["-bail", other], { input: "CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT); INSERT INTO notes (body) VALUES ('milk');" });
    const bytes = readFileSync(other);
    // Named in the user's settings, and as the default file, a link to it.
    const ways = {
      settings: () => nameUserFile(home, other),
      link: () => {
        mkdirSync(dirname(home.databasePath), { recursive: true });
        rmSync(join(home.root, "local/Jorvane/Jorvane/configUser.xml"));
        symlinkSync(other, home.databasePath);
        return home.databasePath;
      },
    };
    let app = null;
    try {
      for (const [way, name] of Object.entries(ways)) {
        const named = name();
        app = await startJorvane(home, { env: NOW, waitForFrameset: false });
        const box = await findDialog(app, /not a Jorvane file/i, "the box saying the file is not a Jorvane file: " + way);
        const said = await box.locator("#message").innerText();
        assert.ok(said.includes(named), said);
        assert.equal(said.includes("a link to " + other), way === "link", said);
        await box.click("#ButtonOK");
        assert.deepEqual(await app.exited, { code: 0, signal: null }, way);
        assert.deepEqual(await app.close(), { code: 0, signal: null });
        app = null;
        assert.ok(readFileSync(other).equals(bytes), way + ": the file's bytes");
        assert.deepEqual([existsSync(other + "-wal"), existsSync(other + "-shm")], [false, false], way);
        assert.equal(execFileSync("sqlite3", [other, "PRAGMA journal_mode"], { encoding: "utf8" }).trim(), "delete", way);
        assert.doesNotMatch(home.traceLog(), /ERR  /, way);
      }
    } finally {
      if (app) await app.kill();
      home.remove();
    }
  });

  test("something other than a file named as the user's file: the window says which and why, and the program ends", async () => {
    const home = jorvaneHome();
    const fifo = join(home.root, "pipe.data");
    execFileSync("mkfifo", [fifo]);
    // Named in the user's settings, and at the default file's place.
    const ways = [
      { what: "a device", name: () => nameUserFile(home, "/dev/zero"), why: /it is a device, not a file/ },
      { what: "a named pipe", name: () => nameUserFile(home, fifo), why: /it is a named pipe \(FIFO\), not a file/ },
      {
        what: "a folder",
        name: () => {
          rmSync(join(home.root, "local/Jorvane/Jorvane/configUser.xml"), { force: true });
          mkdirSync(join(home.databasePath, "inside"), { recursive: true });
          return home.databasePath;
        },
        why: /it is a folder, not a file/,
      },
      {
        what: "a link that leads round in a loop",
        name: () => {
          rmSync(home.databasePath, { recursive: true });
          symlinkSync(home.databasePath + ".other", home.databasePath);
          symlinkSync(home.databasePath, home.databasePath + ".other");
          return home.databasePath;
        },
        why: /it is a link that leads round in a loop/,
      },
    ];
    let app = null;
    try {
      for (const way of ways) {
        const named = way.name();
        app = await startJorvane(home, { env: NOW, waitForFrameset: false });
        const box = await findDialog(app, /cannot be used as your Jorvane file/i, "the box saying the file cannot be used: " + way.what);
        const said = await box.locator("#message").innerText();
        assert.ok(said.includes(named), said);
        assert.match(said, way.why);
        assert.match(said, /ends now/);
        if (way === ways[0]) await shootBoth(app, "not-a-file");
        await box.click("#ButtonOK");
        assert.deepEqual(await app.exited, { code: 0, signal: null }, way.what);
        assert.deepEqual(await app.close(), { code: 0, signal: null });
        app = null;
        assert.doesNotMatch(home.traceLog(), /ERR  |Could not find file/, way.what);
        assert.match(home.traceLog(), /cannot be used as the user's file/, way.what);
      }
      // Nothing was put in place of what stood there.
      assert.equal(readlinkSync(home.databasePath), home.databasePath + ".other");
      assert.ok(statSync(fifo).isFIFO());
    } finally {
      if (app) await app.kill();
      home.remove();
    }
  });

  test("on a full disk: a save says the disk is full and nothing was saved, the typing kept; once there is room it stores once", async (t) => {
    const home = jorvaneHome();
    await onSmallDisk(t, home, dirname(home.databasePath), "8m", async (disk, held) => {
      home.seed(garage());
      const fuel = Number(home.query("SELECT count(*) FROM FuelPurchases"));
      const app = held.app = await startJorvane(home, { env: NOW, viewport: { width: 1400, height: 900 } });
      const register = await openRegister(app, "a.nav-fuel", "Fuel Register");
      disk.fill();
      await typeInEntry(register, "new", "Odometer", "15100");
      await typeInEntry(register, "new", "Volume", "10", { top: false });
      await typeInEntry(register, "new", "Total Cost", "31");
      // Every try says so, never the problem report (which the harness would fail on).
      for (const round of [1, 2]) {
        await register.press('tr[id="new"] [name="Total Cost"]', "Enter");
        const box = await findDialog(app, /is full/i, "the box saying the disk is full, try " + round);
        const said = await box.locator("#message").innerText();
        assert.ok(said.includes(home.databasePath), said);
        assert.match(said, /the disk that holds your Jorvane file is full/);
        assert.match(said, /Nothing was saved/);
        assert.match(said, /What you typed is kept/);
        if (round === 1) await shootBoth(app, "disk-full");
        await box.click("#ButtonOK");
        await typingKept(app, register, home, fuel);
      }

      // Room again: the same save stores the purchase, once.
      disk.free();
      await register.press('tr[id="new"] [name="Total Cost"]', "Enter");
      await eventually(() => home.query("SELECT count(*) FROM FuelPurchases WHERE Odometer = 15100") === "1", "the saved purchase");
      await eventually(async () => (await register.inputValue('tr[id="new"] [name="Odometer"]')) === "Odometer", "a fresh new entry");
      assert.equal(Number(home.query("SELECT count(*) FROM FuelPurchases")), fuel + 1);

      // Told to end with a purchase typed on the full disk: nothing stored, the trace log says why.
      disk.fill();
      await typeInEntry(register, "new", "Odometer", "15200");
      await typeInEntry(register, "new", "Volume", "10", { top: false });
      await typeInEntry(register, "new", "Total Cost", "32");
      assert.deepEqual(await app.kill(), { code: 0, signal: null });
      held.app = null;
      // What the page held, told once (whether the window answered the program's last question in
      // time, which a busy machine decides, is a line of its own).
      const stopLines = home.traceLog().split("\n").filter((line) => /changes on page \d+ .*as the program ended/.test(line));
      assert.equal(stopLines.length, 1, stopLines.join("\n"));
      assert.match(stopLines[0], /could not be saved as the program ended: the disk that holds the user's file is full$/);
      assert.equal(Number(home.query("SELECT count(*) FROM FuelPurchases")), fuel + 1);
      assert.equal(home.query("PRAGMA integrity_check"), "ok");
      assert.match(home.traceLog(), /The disk that holds the user's file is full: nothing was written/);
    });
  });

  test("a first start on a full disk: the window and standard error say which folder is full, and the program ends", async (t) => {
    const home = jorvaneHome();
    const full = join(home.root, "full");
    await onSmallDisk(t, home, full, "1m", async (disk, held) => {
      const env = { ...NOW, JV_LOCAL_APPDATA: join(full, "local"), JV_DOCUMENTS: join(full, "documents") };
      const settings = join(full, "local/Jorvane/Jorvane/configUser.xml");
      // The settings and the user's file on the full disk, and the user's file alone there.
      const cases = [
        { what: "the settings' folder", folder: dirname(settings), before: () => mkdirSync(env.JV_LOCAL_APPDATA) },
        {
          what: "the user's file's folder",
          folder: join(env.JV_DOCUMENTS, "Jorvane"),
          before: () => {
            disk.free();
            mkdirSync(dirname(settings), { recursive: true });
            writeFileSync(settings, "<?xml version='1.0' encoding='utf-8'?>" +
              '<jorvaneUser version="1.0"><mostRecentUserDB path="Jorvane\\user.data" prependMyDocs="yes"/></jorvaneUser>');
          },
        },
      ];
      for (const c of cases) {
        c.before();
        disk.fill();
        const app = held.app = await startJorvane(home, { env, waitForFrameset: false, viewport: { width: 1400, height: 900 } });
        const box = await findDialog(app, /is full/i, "the box saying the disk is full: " + c.what);
        const said = await box.locator("#message").innerText();
        assert.ok(said.includes(c.folder), said);
        assert.match(said, /the disk that holds your Jorvane folder is full/i);
        if (c === cases[0]) await shootBoth(app, "full-at-start");
        await box.click("#ButtonOK");
        assert.deepEqual(await app.exited, { code: 1, signal: null }, c.what);
        await app.close();
        held.app = null;
        const told = app.stderr.join("\n");
        assert.ok(told.includes(c.folder) && /is full/.test(told), c.what + ": " + told);
        assert.equal(existsSync(join(env.JV_DOCUMENTS, "Jorvane/user.data")), false, c.what);
      }
    });
  });
});
