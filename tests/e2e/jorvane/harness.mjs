// Starting the real jorvane for the end-to-end tests: a home of its own in a temporary folder, a
// stand-in browser command that hands the window's address to the test, and a headless Chromium
// of the test's that opens it.
import assert from "node:assert/strict";
import { execFileSync, spawn } from "node:child_process";
import { chmodSync, copyFileSync, cpSync, existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import http from "node:http";
import { tmpdir } from "node:os";
import { dirname, join } from "node:path";
import { createInterface } from "node:readline";
import { after, afterEach } from "node:test";
import { fileURLToPath } from "node:url";
import { chromium } from "playwright-core";
import { CHROMIUM, CHROMIUM_FLAGS } from "../harness.mjs";

export { chromium };

const HERE = dirname(fileURLToPath(import.meta.url));
export const STUB_BROWSER = join(HERE, "stub-browser.sh");

function program() {
  const path = process.env.JV_JORVANE;
  if (!path) throw new Error("JV_JORVANE names the program (set by CTest)");
  return path;
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// Every program a test started and has not closed: a test that fails or times out half way must
// not leave its program and browser running, or the test file would never end.
const running = new Set();
if (process.env.NODE_TEST_CONTEXT) {
  // A journey fails where the window met a fault: the test during which it happened fails.
  afterEach(() => {
    for (const app of running) app.checkProblems();
  });
  after(async () => {
    for (const app of [...running]) await app.kill({ check: false });
  });
}

// The problem report's page (resource 2000): a window that shows it has met a fault.
const PROBLEM_REPORT = "/2000";

// What no journey may meet unless it says it means to (`expectProblems`): a script error that a
// page reported to the program (the trace log's "JavaScript Error") or a problem report shown.
// Each is told once.
export function watchForProblems(app, page) {
  app.problemReports = [];
  let told = 0;
  let toldReports = 0;
  const look = (shown) => {
    try {
      if (new URL(shown.url()).pathname === PROBLEM_REPORT) app.problemReports.push(shown.name());
    } catch {
      // not an address
    }
  };
  page.frames().forEach(look);
  page.on("framenavigated", look);
  app.checkProblems = () => {
    if (app.expectProblems) return;
    const errors = app.home.traceLog().split("\n").filter((line) => /JavaScript Error/.test(line));
    const found = errors.slice(told).concat(app.problemReports.slice(toldReports).map((name) => "a problem report (" + name + ")"));
    told = errors.length;
    toldReports = app.problemReports.length;
    if (found.length) throw new Error("the window met a fault:\n" + found.join("\n") + "\n" + app.home.traceLog().slice(-4000));
  };
}

// A home of the program's own: its folders, the machine-wide data laid out by the build (with a
// configApp.xml naming `webUrl`, a web service of the test's), and the environment naming them.
export function jorvaneHome({ webUrl = "127.0.0.1:9", errorsUrl = "127.0.0.1:9" } = {}) {
  const root = mkdtempSync(join(tmpdir(), "jv-e2e-jorvane-"));
  const folders = { local: "local", documents: "documents", config: "config", run: "run", common: "common" };
  for (const name of Object.values(folders)) mkdirSync(join(root, name), { recursive: true, mode: 0o700 });
  chmodSync(join(root, "run"), 0o700);
  const data = process.env.JV_DATA;
  if (!data) throw new Error("JV_DATA names the build's data folder (set by CTest)");
  cpSync(data, join(root, "common"), { recursive: true });
  writeFileSync(join(root, "common/Jorvane/Jorvane/configApp.xml"),
    `<config><web url="${webUrl}" protocol="http"/><errors url="${errorsUrl}"/></config>`);
  const home = {
    root,
    env: {
      JV_LOCAL_APPDATA: join(root, "local"),
      JV_DOCUMENTS: join(root, "documents"),
      JV_CONFIG_HOME: join(root, "config"),
      JV_COMMON_APPDATA: join(root, "common"),
      XDG_RUNTIME_DIR: join(root, "run"),
      JV_BROWSER: STUB_BROWSER,
      JV_E2E_URL_FILE: join(root, "window-url"),
      XDG_SESSION_ID: "e2e",
    },
    databasePath: join(root, "documents/Jorvane/user.data"),
    traceLogPath: join(root, "local/Jorvane/Jorvane/JVtrace.log"),
    profilePath: join(root, "config/Jorvane Inc/Jorvane.ini"),
    // A user database made from the blank one, with these statements run on it.
    seed(sql = "") {
      mkdirSync(dirname(home.databasePath), { recursive: true });
      copyFileSync(join(root, "common/Jorvane/Jorvane/jvbdb"), home.databasePath);
      chmodSync(home.databasePath, 0o600);
      if (sql) execFileSync("sqlite3", ["-bail", home.databasePath], { input: sql });
    },
    query(sql) {
      return execFileSync("sqlite3", ["-bail", home.databasePath, sql], { encoding: "utf8" }).trim();
    },
    traceLog() {
      return existsSync(home.traceLogPath) ? readFileSync(home.traceLogPath, "utf8") : "";
    },
    // The profile's [Settings] as an object.
    settings() {
      if (!existsSync(home.profilePath)) return {};
      const out = {};
      let section = "";
      for (const line of readFileSync(home.profilePath, "utf8").split("\n")) {
        const header = /^\[(.*)\]$/.exec(line.trim());
        if (header) section = header[1];
        const pair = /^([^=]+)=(.*)$/.exec(line);
        if (pair && section === "Settings") out[pair[1].trim()] = pair[2];
      }
      return out;
    },
    writeSettings(values) {
      mkdirSync(dirname(home.profilePath), { recursive: true });
      writeFileSync(home.profilePath, "[Settings]\n" + Object.entries(values).map(([k, v]) => `${k}=${v}`).join("\n") + "\n");
    },
    remove: () => rmSync(root, { recursive: true, force: true }),
  };
  return home;
}

// Waits for `call`, a call to the browser that may end it: one cut short because the browser went
// meanwhile is no fault; any other failure is.
async function unlessGone(browser, call) {
  try {
    await call;
  } catch (error) {
    const gone = () => !browser.isConnected();
    if (gone()) return;
    await eventually(gone, "the browser gone after: " + error.message, 5000);
  }
}

// Answers a box of the browser's (accept: OK or Leave, else Cancel) without waiting for it. An
// answer cut short because the window closed meanwhile (as Leave closes it) is no fault; any other
// failure is kept, and ends the journey when the program is closed or stopped.
function answerBox(app, box, accept) {
  (accept ? box.accept() : box.dismiss()).catch((error) => {
    if (app.page.isClosed()) return;
    app.page.waitForEvent("close", { timeout: 5000 }).catch(() => app.boxErrors.push(error.message));
  });
}

// Starts the program with `env` and holds it as the tests do: { child, home, stderr, exited, ended,
// close(), kill() }. close() closes the window as a user would (`closeWindow`), kill() sends SIGTERM;
// both resolve with how the program ended and check what the window met (see watchForProblems).
function launch(home, args, env, expectProblems, closeWindow, user = null) {
  const child = spawn(program(), args, { stdio: ["ignore", "ignore", "pipe"], env, ...(user || {}) });
  const stderr = [];
  createInterface({ input: child.stderr }).on("line", (line) => stderr.push(line));
  const exited = new Promise((resolve) => child.on("exit", (code, signal) => resolve({ code, signal })));
  const app = { child, home, stderr, exited, ended: null, expectProblems, checkProblems: () => {}, browserDialogs: [], boxErrors: [] };
  exited.then((how) => { app.ended = how; });
  const end = async (wait, check) => {
    const timer = setTimeout(() => child.kill("SIGKILL"), wait);
    const how = await exited;
    clearTimeout(timer);
    if (check) app.checkProblems();
    if (app.boxErrors.length) throw new Error("a box of the browser's could not be answered: " + app.boxErrors.join("; "));
    return how;
  };
  app.close = async () => {
    running.delete(app);
    if (app.browser?.isConnected()) await unlessGone(app.browser, closeWindow(app));
    return end(15000, true);
  };
  app.kill = async ({ check = true } = {}) => {
    running.delete(app);
    if (!app.ended) child.kill("SIGTERM");
    if (app.browser) await unlessGone(app.browser, app.browser.close());
    return end(10000, check);
  };
  running.add(app);
  return app;
}

// The program's window as the tests watch it: script errors and problem reports (watchForProblems)
// and boxes of the browser's, which are a fault, kept for the test to check (and dismissed, so that
// nothing waits on them).
function watchWindow(app, page) {
  watchForProblems(app, page);
  page.on("dialog", (box) => {
    app.browserDialogs.push(box.type() + ": " + box.message());
    answerBox(app, box, false);
  });
}

// A window on a busy machine: the shell's connection hands each message of the program's to the
// window `window.jvReceiptDelay` ms after it came (0: at once), in the order they came.
function delayReceipt(ms) {
  if (window !== window.top) return;
  window.jvReceiptDelay = ms;
  const Native = window.WebSocket;
  window.WebSocket = class extends Native {
    get onmessage() {
      return this.jvOnMessage || null;
    }
    set onmessage(handler) {
      this.jvOnMessage = handler;
      const waiting = [];
      let timer = null;
      const deliver = () => {
        timer = null;
        while (waiting.length && waiting[0].due <= performance.now()) handler.call(this, waiting.shift().event);
        if (waiting.length) timer = setTimeout(deliver, waiting[0].due - performance.now());
      };
      super.onmessage = (event) => {
        const delay = window.jvReceiptDelay || 0;
        if (!delay && !waiting.length) {
          handler.call(this, event);
          return;
        }
        const last = waiting.length ? waiting[waiting.length - 1].due : 0;
        waiting.push({ due: Math.max(performance.now() + delay, last), event });
        if (!timer) timer = setTimeout(deliver, waiting[0].due - performance.now());
      };
    }
  };
}

// Makes the window of a program started with `receiptDelay` get the program's messages `ms` late.
export async function setReceiptDelay(app, ms) {
  await app.page.evaluate((delay) => { window.jvReceiptDelay = delay; }, ms);
}

// Starts jorvane in `home`, opens its window in a headless Chromium and waits for the frameset.
// Returns { child, page, browser, home, stderr, exited, close() }; close() closes the window as a
// user would and resolves with how the program ended.
// A journey that raises script errors or problem reports on purpose passes `expectProblems`; one
// that runs the program as another user passes `user` ({ uid, gid }, see ordinaryUser). With
// `receiptDelay` (ms) the window gets the program's messages that late (see setReceiptDelay).
export async function startJorvane(home, { env = {}, args = [], waitForFrameset = true, viewport, expectProblems = false, user = null, receiptDelay } = {}) {
  rmSync(home.env.JV_E2E_URL_FILE, { force: true });
  const app = launch(home, args, { ...process.env, ...home.env, ...env }, expectProblems, (shown) => shown.browser.close(), user);
  try {
    await eventually(() => {
      if (app.ended) throw new Error("jorvane ended with " + JSON.stringify(app.ended) + ": " + app.stderr.join("\n"));
      return existsSync(home.env.JV_E2E_URL_FILE);
    }, "the window's address", 15000);
    const url = readFileSync(home.env.JV_E2E_URL_FILE, "utf8").trim();
    app.browser = await chromium.launch({ executablePath: CHROMIUM, headless: true, args: CHROMIUM_FLAGS });
    app.context = await app.browser.newContext({ viewport: viewport || { width: 1100, height: 720 } });
    if (receiptDelay !== undefined) await app.context.addInitScript(delayReceipt, receiptDelay);
    app.page = await app.context.newPage();
    watchWindow(app, app.page);
    await app.page.goto(url);
    if (waitForFrameset) await frame(app.page, "main_navcarlist");
  } catch (error) {
    await app.kill({ check: false });
    throw error;
  }
  return app;
}

// The user to run the program as where file modes must count: root ignores them, so a test run as
// root runs the program as "nobody", its home handed over to that user (null: the test's own user).
export function ordinaryUser(home) {
  if (process.getuid() !== 0) return null;
  const user = { uid: 65534, gid: 65534 };
  execFileSync("chown", ["-R", `${user.uid}:${user.gid}`, home.root]);
  return user;
}

// A display for a headed browser: an Xvfb of the test's own with a screen of `width` x `height`
// (so that the window, which opens maximised at a first start, has that size), or null when the
// machine has no Xvfb. close() ends it.
export async function virtualDisplay(width, height) {
  let xvfb = "";
  try {
    xvfb = execFileSync("sh", ["-c", "command -v Xvfb"], { encoding: "utf8" }).trim();
  } catch {
    return null;
  }
  if (!xvfb) return null;
  // Xvfb picks a free display itself and writes its number to the descriptor given.
  const server = spawn(xvfb, ["-displayfd", "3", "-screen", "0", `${width}x${height}x24`, "-nolisten", "tcp"],
    { stdio: ["ignore", "ignore", "ignore", "pipe"] });
  const number = await new Promise((resolve, reject) => {
    let text = "";
    const timer = setTimeout(() => reject(new Error("Xvfb gave no display")), 15000);
    server.stdio[3].on("data", (chunk) => {
      text += chunk;
      if (text.includes("\n")) {
        clearTimeout(timer);
        resolve(text.trim());
      }
    });
    server.on("exit", (code) => {
      clearTimeout(timer);
      reject(new Error("Xvfb ended with " + code));
    });
  });
  const ended = new Promise((resolve) => server.on("exit", resolve));
  return {
    name: ":" + number,
    close: async () => {
      server.kill("SIGTERM");
      await ended;
    },
  };
}

// The environment for jorvane to start its own browser on `display` with a DevTools port (and
// `browserArgs` after the program's own: a screen's scale, say), and devtoolsPort(failed) waiting
// for that port (failed() names why it never will, or is falsy).
export function ownBrowser(home, display, env = {}, browserArgs = []) {
  const wrapperDir = join(home.root, "browser");
  mkdirSync(wrapperDir, { recursive: true });
  const profileFile = join(home.root, "browser-profile");
  writeFileSync(join(wrapperDir, "chromium"), `#!/bin/sh
for argument in "$@"; do
  case "$argument" in
    --user-data-dir=*) printf '%s\n' "\${argument#--user-data-dir=}" > "${profileFile}" ;;
  esac
done
exec ${CHROMIUM} "$@" --remote-debugging-port=0${browserArgs.map((arg) => " '" + arg + "'").join("")}
`, { mode: 0o755 });
  const programEnv = { ...process.env, ...home.env, ...env, DISPLAY: display.name, PATH: wrapperDir + ":" + process.env.PATH };
  delete programEnv.JV_BROWSER;
  delete programEnv.WAYLAND_DISPLAY;
  const devtoolsPort = (failed) => eventually(() => {
    const why = failed();
    if (why) throw new Error(why);
    if (!existsSync(profileFile)) return null;
    const portFile = join(readFileSync(profileFile, "utf8").trim(), "DevToolsActivePort");
    return existsSync(portFile) ? readFileSync(portFile, "utf8").split("\n")[0].trim() : null;
  }, "the program's browser", 20000);
  return { programEnv, devtoolsPort };
}

// Starts jorvane in `home` as a user does: no browser named (JV_BROWSER unset), so the program
// starts Chromium itself, headed, on `display`. The only change to that browser is a port for
// the test's DevTools connection (and the `browserArgs` given, such as a screen's scale), added by
// a `chromium` found first on the PATH that hands every argument of the program's on to the real
// one. Returns the app as startJorvane does, its page the program's own window; close() closes that
// window as a user would.
export async function startJorvaneHeaded(home, display, { env = {}, expectProblems = false, browserArgs = [] } = {}) {
  const { programEnv, devtoolsPort } = ownBrowser(home, display, env, browserArgs);
  // The window closed by its title bar's button: the browser ends, and the program with it.
  const app = launch(home, [], programEnv, expectProblems, async (shown) => {
    const session = await shown.browser.newBrowserCDPSession();
    await unlessGone(shown.browser, session.send("Browser.close"));
  });
  try {
    const port = await devtoolsPort(() => app.ended && "jorvane ended with " + JSON.stringify(app.ended) + ": " + app.stderr.join("\n"));
    app.browser = await chromium.connectOverCDP("http://127.0.0.1:" + port);
    app.context = app.browser.contexts()[0];
    app.page = await eventually(() => app.context.pages().find((shown) => /^http:\/\/127\.0\.0\.1:\d+\//.test(shown.url())),
      "the program's window", 20000);
    watchWindow(app, app.page);
  } catch (error) {
    await app.kill({ check: false });
    throw error;
  }
  return app;
}

// The loaded document of a named frame of the window.
export async function frame(page, name, timeout = 15000) {
  const deadline = Date.now() + timeout;
  for (;;) {
    const found = page.frame({ name });
    if (found && found.url() !== "about:blank" && found.url() !== "") {
      await found.waitForLoadState("domcontentloaded");
      await found.waitForFunction(() => document.readyState === "complete");
      return found;
    }
    if (Date.now() > deadline) throw new Error("no frame named " + name);
    await sleep(20);
  }
}

// The document of the dialog shown now (the newest when several stand on each other).
export async function dialog(page, timeout = 15000) {
  const element = page.locator("dialog.jv-dialog iframe").last();
  await element.waitFor({ timeout });
  const found = await frame(page, await element.getAttribute("name"), timeout);
  await found.waitForFunction(() => window.external && document.readyState === "complete");
  return found;
}

// The dialog, among those shown (one may stand on another), whose text matches.
export async function findDialog(app, text, what) {
  return eventually(async () => {
    const names = await app.page.locator("dialog.jv-dialog iframe").evaluateAll((frames) => frames.map((f) => f.name));
    for (const name of names.reverse()) {
      const found = app.page.frame({ name });
      if (found && text.test(await found.locator("body").innerText({ timeout: 500 }).catch(() => ""))) return found;
    }
    return null;
  }, what, 15000);
}

// A printed document (its outer HTML, kept instead of printed) shown again on a page of its own,
// from the program's server (whose style sheets only it may load), its style sheets loaded.
export async function printedPage(app, html) {
  const paper = await app.context.newPage();
  await paper.goto(new URL(app.page.url()).origin + "/233");
  await paper.evaluate((markup) => {
    document.open();
    document.write(markup.replace(/<script[^>]*><\/script>/g, ""));
    document.close();
  }, html);
  await paper.waitForFunction(() => document.readyState === "complete" && [...document.styleSheets].every((sheet) => {
    try {
      return sheet.cssRules.length > 0;
    } catch {
      return false;
    }
  }));
  return paper;
}

// Chooses `item` of the menu bar's `menu` with the mouse.
export async function chooseMenu(app, menu, item) {
  await app.page.locator("#jv-menubar .jv-menu > button", { hasText: menu }).click();
  await app.page.locator("#jv-menubar .jv-open li button", { hasText: item }).click();
}

// True when the program is still running `wait` ms later.
export async function stillRunning(app, wait = 1500) {
  const ended = await Promise.race([app.exited, new Promise((resolve) => setTimeout(() => resolve(null), wait))]);
  return ended === null;
}

// Answers the browser's own questions (the window's close question) with `choices` in turn
// ("leave", else stay), recording each; the watch that dismisses every browser box as a fault is
// replaced. Choices may be added to the array later.
export function answerBrowser(app, choices) {
  const asked = [];
  app.page.removeAllListeners("dialog");
  app.page.on("dialog", (box) => {
    asked.push(box.type());
    answerBox(app, box, choices.shift() === "leave");
  });
  return asked;
}

// A new user's first start, through QuickStart's first steps to the vehicle page it leads on
// (the database refuses the internet: no car-data questions). Returns the page.
export async function quickStartToTheVehiclePage(app) {
  const welcome = await findDialog(app, /Is this your first time/, "the welcome");
  await welcome.click("#ButtonNext");
  const units = await findDialog(app, /select your preferred units/, "the units dialog");
  await units.click("#ButtonNext");
  // The vehicle page asks first whether it may connect (not now); the step follows, one dialog at
  // a time.
  const consent = await findDialog(app, /Will you allow Jorvane to connect/, "the consent question");
  assert.equal(await app.page.locator("dialog.jv-dialog").count(), 1);
  await consent.click("#ButtonCancel");
  const step2 = await findDialog(app, /Now you will enter your vehicle information/, "step 2");
  assert.equal(await app.page.locator("dialog.jv-dialog").count(), 1);
  await step2.click("#ButtonNext");
  await eventually(async () => (await (await frame(app.page, "main_workspace")).title().catch(() => "")) === "Vehicle Information Page",
    "the vehicle page");
  const page = await frame(app.page, "main_workspace");
  await eventually(async () => (await page.locator("#QuickStartEnabled").innerText()) === "1", "the wizard on the page");
  return page;
}

// Opens a register from the navigation bar's link and waits for its page (by its title) and its
// new entry; `leaving` answers the question the page that goes asks first.
export async function openRegister(app, link, title, leaving = null) {
  const nav = await frame(app.page, "main_navbar");
  await nav.click(link);
  if (leaving) await leaving();
  await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === title, title);
  const page = await frame(app.page, "main_workspace");
  await page.waitForSelector("#new");
  return page;
}

// Types into a field of a register entry ("new" or a row id) as a person would: the field of the
// entry's top row, or with `top` false of its bottom row.
export async function typeInEntry(page, row, name, text, { top = true } = {}) {
  const selector = top ? `tr[id="${row}"] [name="${name}"]` : `tr[id="${row}"] + tr [name="${name}"]`;
  await page.click(selector);
  await page.fill(selector, "");
  await page.type(selector, text);
  await page.press(selector, "Tab");
}

// The end of a journey with the program: the watch of its boxes stopped, no box of the browser's
// shown, the window closed as a user closes it. With `quiet` no box of the program's was shown
// either and the program ended with status 0; with `home`, the home is removed.
export async function closeAll(app, boxes, { home = null, quiet = false } = {}) {
  boxes.stop();
  if (quiet) assert.deepEqual(boxes.messages, []);
  assert.deepEqual(app.browserDialogs, []);
  const ended = await app.close();
  if (quiet) assert.equal(ended.code, 0);
  if (home) home.remove();
}

// Answers the program's message boxes while a journey runs: each box's text is recorded in
// `messages` and the box answered with `answer(text)`: "OK", "Cancel", or nothing to leave the box
// to the test (every box is answered OK when no `answer` is given). stop() ends the watch.
export function answerMessages(app, answer = () => "OK") {
  const watch = { messages: [], stopped: false, stop() { this.stopped = true; } };
  const answered = new WeakSet();
  (async () => {
    // The watch ends with the window too, so that a test that failed half way leaves nothing running.
    while (!watch.stopped && !app.page.isClosed()) {
      for (const shown of app.page.frames()) {
        if (!shown.name().startsWith("jv-dialog-") || answered.has(shown)) continue;
        try {
          // The message box is the page resource 241.
          const text = await shown.evaluate(() => {
            const message = document.getElementById("message");
            const box = location.pathname === "/241" && document.readyState === "complete";
            return box && message ? message.innerText : null;
          });
          if (!text) continue;  // not yet filled in
          answered.add(shown);
          const choice = answer(text);
          if (choice !== "OK" && choice !== "Cancel") continue;
          watch.messages.push(text);
          await shown.click(choice === "Cancel" ? "#ButtonCancel" : "#ButtonOK");
        } catch {
          // The box closed or its page went away meanwhile.
        }
      }
      await sleep(25);
    }
  })();
  return watch;
}

// Waits until the window has sent the program what it holds back (the typing it sends after a
// pause: typingSent) and the program has answered a call from `page` made after it: all the window
// had to tell the program by then has been handled, however slow the machine.
export async function windowDelivered(app, page) {
  await typingSent(app);
  // A page that the program replaces meanwhile (after a save, say) asks from the next one.
  await eventually(() => page.evaluate(() => window.external.JVToNumber("1")).then(() => true), "a call of the page answered", 30000);
}

// Waits until the window has sent the typing that it sends the program after a pause.
export async function typingSent(app) {
  await eventually(() => app.page.evaluate(() => !window.jvHost.formsTimer), "the window's typing sent");
}

// Waits until `check()` holds (polling), else fails with `what`. A check that throws (a frame
// that went away while it looked, say) counts as not yet.
export async function eventually(check, what, timeout = 10000) {
  const deadline = Date.now() + timeout;
  let lastError = null;
  for (;;) {
    let value = null;
    try {
      value = await check();
    } catch (error) {
      lastError = error;
    }
    if (value) return value;
    if (Date.now() > deadline) throw new Error("never happened: " + what + (lastError ? " (" + lastError.message + ")" : ""));
    await sleep(25);
  }
}

// A web service of the test's own on 127.0.0.1: answers each SOAP method from `answers`
// (method -> result markup, or a function of the request body giving it) and records the calls.
// `port` 0 takes any free port.
export async function startSoapServer(answers = {}, port = 0) {
  const calls = [];
  const server = http.createServer((req, res) => {
    let body = "";
    req.on("data", (chunk) => { body += chunk; });
    req.on("end", () => {
      const match = /<jv:(\w+)[\s>]/.exec(body);
      const method = match ? match[1] : "";
      calls.push({ method, body, path: req.url });
      let result = answers[method];
      if (typeof result === "function") result = result(body);
      if (result === undefined) {
        res.writeHead(500, { "Content-Type": "text/xml; charset=utf-8" });
        res.end('<?xml version="1.0"?><soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/"><soap:Body>' +
          "<soap:Fault><faultcode>soap:Server</faultcode><faultstring>no answer</faultstring></soap:Fault></soap:Body></soap:Envelope>");
        return;
      }
      res.writeHead(200, { "Content-Type": "text/xml; charset=utf-8" });
      res.end('<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/"><soap:Body>' +
        `<${method}Response xmlns="http://jorvane.com/webservices/jvs/"><${method}Result>${result}</${method}Result></${method}Response>` +
        "</soap:Body></soap:Envelope>");
    });
  });
  await new Promise((resolve) => server.listen(port, "127.0.0.1", resolve));
  return {
    host: "127.0.0.1:" + server.address().port,
    calls,
    close: () => new Promise((resolve) => server.close(resolve)),
  };
}
