// The update check against a web service of the test's: offered at start-up, downloaded and handed
// to the configured installer while the program ends; from the menu, "no updates" only when none.
import assert from "node:assert/strict";
import { chmodSync, existsSync, mkdirSync, readdirSync, readFileSync, statSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { basename, dirname, join } from "node:path";
import { after, before, describe, test } from "node:test";
import { dialog, eventually, findDialog, frame, jorvaneHome, startJorvane, startSoapServer, stillRunning, windowDelivered } from "./harness.mjs";

const SEED = "INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES " +
  "('{EEEEEEEE-0000-0000-0000-000000000001}', 'Van', -1, 0, 0); UPDATE Prefs SET Internet = 2;";
const PACKAGE = Buffer.from("a package of the new version\n");
// Where the boxes' screenshots go, to be looked at.
const SHOTS = process.env.JV_SHOTS || join(tmpdir(), "jv-e2e-update-shots");

// A home whose configApp.xml names the soap server and a stub installer that records its arguments.
function updateHome(soap) {
  const home = jorvaneHome({ webUrl: soap.host });
  const stub = join(home.root, "install-update");
  writeFileSync(stub, `#!/bin/sh\nfor a in "$@"; do printf '%s\\n' "$a"; done >> "${join(home.root, "installer-args")}"\n`);
  chmodSync(stub, 0o755);
  writeFileSync(join(home.root, "common/Jorvane/Jorvane/configApp.xml"),
    `<config><web url="${soap.host}" protocol="http"/><errors url="127.0.0.1:9"/><update installer="${stub}"/></config>`);
  mkdirSync(join(home.root, "tmp"), { mode: 0o700 });
  home.seed(SEED);
  return home;
}

// The update offered at start-up taken: Yes to the offer, OK once it is downloaded. Resolves when
// the program has ended and the installer started, with the installer's arguments.
async function installOffered(home, tmp) {
  const app = await startJorvane(home, { waitForFrameset: false, env: { TMPDIR: tmp } });
  const question = await dialog(app.page);
  assert.equal(await question.title(), "Jorvane Update Available");
  await question.click("#ButtonYes");
  // Among the boxes shown meanwhile (the download's own, its page served once it is done), the
  // one that says so.
  const ready = await findDialog(app, /We have downloaded the new version/, "the downloaded message");
  await ready.click("#ButtonOK");
  assert.deepEqual(await app.exited, { code: 0, signal: null });
  const argsFile = join(home.root, "installer-args");
  await eventually(() => existsSync(argsFile), "the installer started");
  return { app, args: readFileSync(argsFile, "utf8").split("\n") };
}

describe("the update check", () => {
  let soap;
  let offer = true;
  // The package the service names and sends.
  let name = "updates/Jorvane-Setup_2.0.msi";
  let sent = PACKAGE.toString("base64");
  before(async () => {
    soap = await startSoapServer({
      IsUpdateAvailable: () => offer
        ? `<string>${name}</string><string>https://www.jorvane.example/get?a=1&amp;b=2</string>`
        : "<string></string><string>https://www.jorvane.example/</string>",
      GetUpdate: () => sent,
    });
  });
  after(async () => soap.close());

  test("at start-up an update is downloaded and the installer started while the program ends", { timeout: 60000 }, async () => {
    offer = true;
    const home = updateHome(soap);
    try {
      // Names planted in the shared temporary folder by someone else change nothing.
      const tmp = join(home.root, "tmp");
      writeFileSync(join(tmp, "JVInstaller.bat"), "planted\n", { mode: 0o666 });
      writeFileSync(join(tmp, "Jorvane-Setup_2.0.msi"), "planted\n", { mode: 0o666 });
      const { app, args } = await installOffered(home, tmp);
      const packagePath = args[0];
      assert.deepEqual(args, [packagePath, "JVUPDATE=TRUE", ""], "started once");
      // The package and the install line are in a folder made for the download, the user's own.
      const folder = dirname(packagePath);
      assert.equal(dirname(folder), tmp);
      assert.match(basename(folder), /^JVUpdate-/);
      assert.equal(statSync(folder).mode & 0o777, 0o700);
      assert.equal(basename(packagePath), "Jorvane-Setup_2.0.msi");
      assert.deepEqual(readFileSync(packagePath), PACKAGE);
      assert.equal(readFileSync(join(folder, "JVInstaller.bat"), "utf8"),
        `msiexec /qn /i "${packagePath}" JVUPDATE=TRUE\r\n`);
      assert.equal(readFileSync(join(tmp, "JVInstaller.bat"), "utf8"), "planted\n");
      assert.equal(readFileSync(join(tmp, "Jorvane-Setup_2.0.msi"), "utf8"), "planted\n");
      const settings = home.settings();
      // Start-up stops at the installer: it neither selects all cars nor writes "NewCar" (the car
      // list, shown meanwhile, keeps its own selection).
      assert.notEqual(settings.SelectedCar, "%");
      assert.equal(settings.NewCar, undefined);
      assert.match(home.traceLog(), /Found Jorvane update[\s\S]*Installing Jorvane update/);
      await app.close();
    } finally {
      home.remove();
    }
  });

  test("a package named with spaces is downloaded under its name and handed to the installer whole", { timeout: 60000 }, async () => {
    offer = true;
    name = "updates/Jorvane Setup 2.1.msi";
    const home = updateHome(soap);
    try {
      const { app, args } = await installOffered(home, join(home.root, "tmp"));
      // The package's path is one argument, spaces and all.
      const packagePath = args[0];
      assert.deepEqual(args, [packagePath, "JVUPDATE=TRUE", ""]);
      assert.equal(basename(packagePath), "Jorvane Setup 2.1.msi");
      assert.deepEqual(readFileSync(packagePath), PACKAGE);
      assert.equal(readFileSync(join(dirname(packagePath), "JVInstaller.bat"), "utf8"),
        `msiexec /qn /i "${packagePath}" JVUPDATE=TRUE\r\n`);
      assert.equal(soap.calls.filter((call) => call.method === "GetUpdate").at(-1).body.includes("updates/Jorvane Setup 2.1.msi"), true);
      await app.close();
    } finally {
      name = "updates/Jorvane-Setup_2.0.msi";
      home.remove();
    }
  });

  test("an update that cannot be downloaded is said so, nothing is started and the program runs on", { timeout: 120000 }, async () => {
    offer = true;
    const cases = [
      { what: "an empty package", name: "updates/Jorvane-Setup_2.0.msi", sent: "" },
      { what: "a package that is not Base64", name: "updates/Jorvane-Setup_2.0.msi", sent: "!!!! ???? ****" },
      { what: "a package cut short", name: "updates/Jorvane-Setup_2.0.msi", sent: "SGVsbG8gd" },
      { what: "a name with a quote", name: "updates/Jorvane\"Setup.msi", sent: PACKAGE.toString("base64") },
    ];
    try {
      for (const c of cases) {
        name = c.name;
        sent = c.sent;
        const home = updateHome(soap);
        const tmp = join(home.root, "tmp");
        const calls = soap.calls.length;
        try {
          const app = await startJorvane(home, { waitForFrameset: false, env: { TMPDIR: tmp }, viewport: { width: 1400, height: 900 } });
          const question = await dialog(app.page);
          assert.equal(await question.title(), "Jorvane Update Available", c.what);
          await question.click("#ButtonYes");
          const failed = await findDialog(app, /not able to download the new version/, "the box saying so: " + c.what);
          assert.equal(await failed.title(), "Update failed", c.what);
          assert.doesNotMatch(await app.page.locator("body").innerText(), /We have downloaded/, c.what);
          if (c === cases[0]) {
            mkdirSync(SHOTS, { recursive: true });
            await app.page.screenshot({ path: SHOTS + "/not-downloaded-1400x900.png" });
            await app.page.setViewportSize({ width: 1050, height: 880 });
            await app.page.screenshot({ path: SHOTS + "/not-downloaded-1050x880.png" });
          }
          await failed.click("#ButtonOK");
          // Nothing started, nothing left in the temporary folder, and the program goes on.
          await frame(app.page, "main_navcarlist");
          assert.ok(await stillRunning(app), c.what);
          assert.equal(existsSync(join(home.root, "installer-args")), false, c.what);
          assert.deepEqual(readdirSync(tmp).filter((entry) => entry.startsWith("JVUpdate-")), [], c.what);
          const asked = soap.calls.slice(calls).map((call) => call.method).filter((method) => /Update/.test(method));
          assert.deepEqual(asked, c === cases[3] ? ["IsUpdateAvailable"] : ["IsUpdateAvailable", "GetUpdate"], c.what);
          assert.doesNotMatch(home.traceLog(), /Installing Jorvane update/, c.what);
          assert.deepEqual(await app.close(), { code: 0, signal: null }, c.what);
        } finally {
          home.remove();
        }
      }
    } finally {
      name = "updates/Jorvane-Setup_2.0.msi";
      sent = PACKAGE.toString("base64");
    }
  });

  test("from the menu: 'no updates' when there is none, nothing more after Later", { timeout: 60000 }, async () => {
    offer = false;
    const home = updateHome(soap);
    try {
      const app = await startJorvane(home, { env: { TMPDIR: join(home.root, "tmp") } });
      assert.equal(await app.page.locator("dialog.jv-dialog").count(), 0, "nothing said at start-up");
      const check = async () => {
        await app.page.locator("#jv-menubar .jv-menu > button", { hasText: "Help" }).click();
        await app.page.locator("#jv-menubar .jv-open li button", { hasText: "Check For Updates" }).click();
        return dialog(app.page);
      };
      const none = await check();
      assert.equal(await none.locator("#message").innerText(), "There are no updates available at this time.");
      await none.click("#ButtonOK");
      offer = true;
      const question = await check();
      assert.equal(await question.title(), "Jorvane Update Available");
      await question.click("#ButtonLater");
      await eventually(async () => (await app.page.locator("dialog.jv-dialog").count()) === 0, "no further message");
      // A further message would be open by the time the program answers a call made after Later.
      await windowDelivered(app, await frame(app.page, "main_workspace"));
      assert.equal(await app.page.locator("dialog.jv-dialog").count(), 0);
      assert.equal(existsSync(join(home.root, "installer-args")), false);
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });
});

describe("the update check with the service out of reach", () => {
  async function checkFromMenu(app) {
    await app.page.locator("#jv-menubar .jv-menu > button", { hasText: "Help" }).click();
    await app.page.locator("#jv-menubar .jv-open li button", { hasText: "Check For Updates" }).click();
    return dialog(app.page);
  }

  test("from the menu a service that cannot be reached is said so, and Retry asks it again", { timeout: 60000 }, async () => {
    // An address of the test's that nobody listens on (until the service comes up on it).
    const gone = await startSoapServer();
    const port = Number(gone.host.split(":")[1]);
    await gone.close();
    const home = jorvaneHome({ webUrl: gone.host });
    home.seed(SEED);
    let soap = null;
    try {
      const app = await startJorvane(home);
      assert.equal(await app.page.locator("dialog.jv-dialog").count(), 0, "nothing said at start-up");
      let box = await checkFromMenu(app);
      assert.equal(await box.title(), "Couldn't Reach Internet");
      assert.match(await box.locator("body").innerText(), /Jorvane could not reach the Internet/);
      // Retry asks again: still nobody there.
      await box.click("#ButtonRetry");
      box = await eventually(async () => {
        const shown = await dialog(app.page, 1000);
        return (await shown.title()) === "Couldn't Reach Internet" ? shown : null;
      }, "the box again", 15000);
      // The service comes up: Retry reaches it, and it has no update.
      soap = await startSoapServer({ IsUpdateAvailable: "<string></string><string>https://www.jorvane.example/</string>" }, port);
      await box.click("#ButtonRetry");
      const none = await eventually(async () => {
        const shown = await dialog(app.page, 1000);
        return (await shown.locator("body").innerText()).includes("There are no updates available") ? shown : null;
      }, "the answer of the service", 15000);
      await none.click("#ButtonOK");
      assert.deepEqual(soap.calls.map((c) => c.method), ["IsUpdateAvailable"]);
      // OK in the box ends the check.
      await soap.close();
      soap = null;
      box = await checkFromMenu(app);
      assert.equal(await box.title(), "Couldn't Reach Internet");
      await box.click("#ButtonOK");
      await eventually(async () => (await app.page.locator("dialog.jv-dialog").count()) === 0, "the box closed");
      assert.match(home.traceLog(), /CJVSOAP::MakeCall/);
      assert.equal((await app.close()).code, 0);
    } finally {
      if (soap) await soap.close();
      home.remove();
    }
  });

  test("with the Internet refused in the preferences, 'no updates' as before", { timeout: 60000 }, async () => {
    const home = jorvaneHome();
    home.seed(SEED + "UPDATE Prefs SET Internet = 1;");
    try {
      const app = await startJorvane(home);
      const box = await checkFromMenu(app);
      assert.equal(await box.locator("#message").innerText(), "There are no updates available at this time.");
      await box.click("#ButtonOK");
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });
});
