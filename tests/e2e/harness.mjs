// Starting the test program and a headless Chromium for the end-to-end tests.
import { spawn } from "node:child_process";
import { mkdirSync, mkdtempSync, rmSync } from "node:fs";
import http from "node:http";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { createInterface } from "node:readline";
import { chromium } from "playwright-core";

// Debian's chromium, never a downloaded browser.
export const CHROMIUM = "/usr/bin/chromium";
export const CHROMIUM_FLAGS = [
  "--headless",
  "--no-sandbox",
  "--disable-gpu",
  "--disable-quic",
  "--no-first-run",
  "--disable-background-networking",
  "--disable-component-update",
  "--disable-sync",
];

// Folders of the program's own in a new temporary folder, so that no test touches a real home
// folder: { root, env } with env naming them the way the program reads them.
export function isolatedHome() {
  const root = mkdtempSync(join(tmpdir(), "jv-e2e-home-"));
  const env = {};
  for (const [name, folder] of [
    ["JV_LOCAL_APPDATA", "local"],
    ["JV_COMMON_APPDATA", "common"],
    ["JV_DOCUMENTS", "documents"],
    ["JV_CONFIG_HOME", "config"],
  ]) {
    env[name] = join(root, folder);
    mkdirSync(env[name], { recursive: true });
  }
  return { root, env, remove: () => rmSync(root, { recursive: true, force: true }) };
}

// Starts the test program; resolves when it has printed the address that opens its window.
// `env` is added to the environment it runs in.
export async function startApp(args = [], env = {}) {
  const program = process.env.JV_E2E_APP;
  if (!program) throw new Error("JV_E2E_APP names the test program (set by CTest)");
  const pages = process.env.JV_E2E_PAGES;
  const child = spawn(program, ["--pages", pages, ...args], {
    stdio: ["ignore", "pipe", "pipe"],
    env: { ...process.env, ...env },
  });
  const log = [];
  createInterface({ input: child.stderr }).on("line", (line) => log.push(line));
  const lines = createInterface({ input: child.stdout });
  const models = [];
  const modelWaiters = [];
  lines.on("line", (line) => {
    const match = /^JV-MODEL (\d+) (.*)$/.exec(line);
    if (!match) return;
    const model = { doc: Number(match[1]), html: JSON.parse(match[2]) };
    const waiter = modelWaiters.shift();
    if (waiter) waiter(model);
    else models.push(model);
  });
  const openUrl = await new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error("the program printed no address")), 10000);
    lines.on("line", (line) => {
      if (line.startsWith("JV-OPEN ")) {
        clearTimeout(timer);
        resolve(line.substring(8).trim());
      }
    });
    child.on("exit", (code) => reject(new Error("the program ended with " + code + ": " + log.join("\n"))));
  });
  const origin = new URL(openUrl).origin;
  const exited = new Promise((resolve) => child.on("exit", (code, signal) => resolve({ code, signal })));
  return {
    child,
    openUrl,
    origin,
    port: Number(new URL(openUrl).port),
    log,
    exited,
    // The next copy of a document the program printed (DumpModel).
    nextModel() {
      if (models.length) return Promise.resolve(models.shift());
      return new Promise((resolve) => modelWaiters.push(resolve));
    },
    async stop() {
      if (child.exitCode === null && child.signalCode === null) child.kill("SIGTERM");
      return exited;
    },
  };
}

// A headless Chromium with a new profile folder of its own.
export async function startBrowser() {
  const profile = mkdtempSync(join(tmpdir(), "jv-e2e-profile-"));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM,
    headless: true,
    args: CHROMIUM_FLAGS,
    viewport: { width: 1024, height: 768 },
  });
  return {
    context,
    async close() {
      await context.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

// Opens the program's window in `context`: the one-time address, then the shell.
export async function openWindow(context, app) {
  const page = context.pages()[0] && context.pages()[0].url() === "about:blank" ? context.pages()[0] : await context.newPage();
  await page.goto(app.openUrl);
  await page.waitForURL(app.origin + "/");
  return page;
}

// The document shown in a named frame of the window ("jv-top" for the page area).
export async function frameNamed(page, name, timeout = 10000) {
  const deadline = Date.now() + timeout;
  for (;;) {
    const frame = page.frame({ name });
    if (frame && frame.url() !== "about:blank" && frame.url() !== "") {
      await frame.waitForLoadState("domcontentloaded");
      return frame;
    }
    if (Date.now() > deadline) throw new Error("no frame named " + name);
    await new Promise((r) => setTimeout(r, 20));
  }
}

// The document of the dialog the window shows now (the newest, when dialogs stand on each other).
export async function shownDialog(page, timeout = 10000) {
  const frameElement = page.locator("dialog.jv-dialog iframe").last();
  await frameElement.waitFor({ timeout });
  const frame = await frameNamed(page, await frameElement.getAttribute("name"), timeout);
  await frame.waitForFunction(() => window.external && document.readyState !== "loading");
  return frame;
}

// Runs in the page: a comparable picture of the shown document and of the program's copy (html):
// elements with their attributes, text and comments, and the live state of form controls (what
// is shown, whatever the attributes say).
function picturesInPage(html) {
  const FORM_ATTRIBUTES = new Set(["value", "checked", "selected"]);
  // The program's copy marks the options it has selected; a parse alone would select the first
  // option of a select that has none.
  function walk(node, fromMarkup) {
    if (node.nodeType === 8) return ["#comment", node.data];
    if (node.nodeType !== 1) return null;
    const tag = node.localName;
    const control = tag === "input" || tag === "option" || tag === "textarea";
    // A link to one of the program's pages is shown without its address (data-jv-href), as a link
    // to the keyboard (role, tabindex): pictured as the link the program's copy holds.
    const link = node.hasAttribute("href") || node.hasAttribute("data-jv-href");
    const attributes = [...node.attributes]
      .filter((a) => !(control && FORM_ATTRIBUTES.has(a.name)))
      .filter((a) => !(link && (a.name === "role" || a.name === "tabindex")))
      .map((a) => [a.name === "data-jv-href" ? "href" : a.name, a.value])
      .sort();
    const picture = [tag, attributes];
    if (tag === "input") picture.push({ value: node.value, checked: node.checked });
    if (tag === "option") picture.push({ selected: fromMarkup ? node.hasAttribute("selected") : node.selected });
    if (tag === "textarea") {
      picture.push({ value: node.value });
      return picture;
    }
    // Text as markup carries it: neighbouring text nodes as one, empty ones not at all.
    const children = [];
    for (const child of node.childNodes) {
      if (child.nodeType === 3) {
        const last = children[children.length - 1];
        if (last && last[0] === "#text") last[1] += child.data;
        else if (child.data !== "") children.push(["#text", child.data]);
        continue;
      }
      const walked = walk(child, fromMarkup);
      if (walked) children.push(walked);
    }
    picture.push(children);
    return picture;
  }
  const parsed = new DOMParser().parseFromString(html, "text/html");
  return [JSON.stringify(walk(document.documentElement, false)), JSON.stringify(walk(parsed.documentElement, true))];
}

// Asks the program for its copy of the document shown in `frame` and checks that the browser
// shows the same tree.
export async function expectSameAsModel(frame, app, assert) {
  const modelPromise = app.nextModel();
  await frame.evaluate(() => window.external.DumpModel());
  const model = await modelPromise;
  const [browser, program] = await frame.evaluate(picturesInPage, model.html);
  assert.equal(browser, program, "the browser's document differs from the program's");
}

// A problem-report server of the test's own on 127.0.0.1: records every request it gets
// ({ method, path, type, form }) and answers as the report server does, with a line of text.
export async function startReportServer() {
  const received = [];
  const server = http.createServer((req, res) => {
    let body = "";
    req.setEncoding("utf8");
    req.on("data", (chunk) => { body += chunk; });
    req.on("end", () => {
      received.push({ method: req.method, path: req.url, type: req.headers["content-type"], body,
                      form: new URLSearchParams(body) });
      res.writeHead(200, { "Content-Type": "text/html" });
      res.end("Thank you for submitting your problem report.\n");
    });
  });
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  return {
    received,
    address: `127.0.0.1:${server.address().port}`,
    close: () => new Promise((resolve) => server.close(resolve)),
  };
}
