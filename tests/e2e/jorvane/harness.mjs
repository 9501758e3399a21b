// Starting the real jorvane for the end-to-end tests: a home of its own in a temporary folder, a
// stand-in browser command that hands the window's address to the test, and a headless Chromium
// of the test's that opens it.
import { execFileSync, spawn } from "node:child_process";
import { chmodSync, copyFileSync, cpSync, existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import http from "node:http";
import { tmpdir } from "node:os";
import { dirname, join } from "node:path";
import { createInterface } from "node:readline";
import { after } from "node:test";
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
  after(async () => {
    for (const app of [...running]) await app.kill();
  });
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

// Starts jorvane in `home`, opens its window in a headless Chromium and waits for the frameset.
// Returns { child, page, browser, home, stderr, exited, close() }; close() closes the window as a
// user would and resolves with how the program ended.
export async function startJorvane(home, { env = {}, args = [], waitForFrameset = true, viewport } = {}) {
  rmSync(home.env.JV_E2E_URL_FILE, { force: true });
  const child = spawn(program(), args, { stdio: ["ignore", "ignore", "pipe"], env: { ...process.env, ...home.env, ...env } });
  const stderr = [];
  createInterface({ input: child.stderr }).on("line", (line) => stderr.push(line));
  const exited = new Promise((resolve) => child.on("exit", (code, signal) => resolve({ code, signal })));
  let ended = null;
  exited.then((how) => { ended = how; });
  const deadline = Date.now() + 15000;
  while (!existsSync(home.env.JV_E2E_URL_FILE)) {
    if (ended) throw new Error("jorvane ended with " + JSON.stringify(ended) + ": " + stderr.join("\n"));
    if (Date.now() > deadline) {
      child.kill("SIGKILL");
      throw new Error("jorvane opened no window: " + stderr.join("\n"));
    }
    await sleep(20);
  }
  const url = readFileSync(home.env.JV_E2E_URL_FILE, "utf8").trim();
  let browser = null;
  const app = { child, home, stderr, exited };
  app.close = async () => {
    running.delete(app);
    if (browser) await browser.close().catch(() => {});
    const timer = setTimeout(() => child.kill("SIGKILL"), 15000);
    const how = await exited;
    clearTimeout(timer);
    return how;
  };
  app.kill = async () => {
    running.delete(app);
    if (!ended) child.kill("SIGTERM");
    if (browser) await browser.close().catch(() => {});
    const timer = setTimeout(() => child.kill("SIGKILL"), 10000);
    const how = await exited;
    clearTimeout(timer);
    return how;
  };
  running.add(app);
  try {
    browser = await chromium.launch({ executablePath: CHROMIUM, headless: true, args: CHROMIUM_FLAGS });
    const context = await browser.newContext({ viewport: viewport || { width: 1100, height: 720 } });
    const page = await context.newPage();
    // The program shows its own message boxes: a box of the browser is a fault, kept for the test
    // to check (and dismissed, so that nothing waits on it).
    app.browserDialogs = [];
    page.on("dialog", (box) => {
      app.browserDialogs.push(box.type() + ": " + box.message());
      box.dismiss().catch(() => {});
    });
    await page.goto(url);
    Object.assign(app, { page, browser, context });
    if (waitForFrameset) await frame(page, "main_navcarlist");
  } catch (error) {
    await app.kill();
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
