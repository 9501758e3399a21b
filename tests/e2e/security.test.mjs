// The window server admits only the window it opened: the cookie handed over once, its own
// address in Host, its own pages as Origin, and one window at a time.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import http from "node:http";
import { startApp, startBrowser, openWindow, frameNamed } from "./harness.mjs";

let app;
let browser;

before(async () => {
  app = await startApp();
  browser = await startBrowser();
});

after(async () => {
  await browser?.close();
  await app?.stop();
});

// A raw request to the server with headers of the test's choosing; resolves with the status
// (and, with `full`, the response headers too).
function request(path, headers, full = false) {
  return new Promise((resolve, reject) => {
    const req = http.request({ host: "127.0.0.1", port: app.port, path, headers, setHost: false }, (res) => {
      res.resume();
      res.on("end", () => resolve(full ? { status: res.statusCode, headers: res.headers } : res.statusCode));
    });
    req.on("upgrade", (res, socket) => {
      socket.destroy();
      resolve(res.statusCode);
    });
    req.on("error", reject);
    req.end();
  });
}

function upgradeHeaders(origin, cookie) {
  return {
    Host: `127.0.0.1:${app.port}`,
    Origin: origin,
    Cookie: cookie,
    Connection: "Upgrade",
    Upgrade: "websocket",
    "Sec-WebSocket-Version": "13",
    "Sec-WebSocket-Key": "dGhlIHNhbXBsZSBub25jZQ==",
  };
}

test("the window opens, and the session cookie is HttpOnly and strict", async () => {
  const page = await openWindow(browser.context, app);
  const frame = await frameNamed(page, "jv-top");
  await frame.waitForSelector("#Save");
  const cookies = await browser.context.cookies(app.origin);
  assert.equal(cookies.length, 1);
  assert.equal(cookies[0].httpOnly, true);
  assert.equal(cookies[0].sameSite, "Strict");
  assert.equal(await page.evaluate(() => document.cookie), "");
  // The one-time address is spent.
  assert.equal(await request(new URL(app.openUrl).pathname + new URL(app.openUrl).search, { Host: `127.0.0.1:${app.port}` }), 403);
});

test("requests without the cookie, with another Host or from another Origin are refused", async () => {
  const [cookie] = await browser.context.cookies(app.origin);
  const jar = `${cookie.name}=${cookie.value}`;
  const ours = `127.0.0.1:${app.port}`;
  const cases = [
    { what: "no cookie", path: "/", headers: { Host: ours }, status: 403 },
    { what: "a wrong cookie", path: "/", headers: { Host: ours, Cookie: "jvsession=0" }, status: 403 },
    { what: "another Host", path: "/", headers: { Host: `attacker.example:${app.port}`, Cookie: jar }, status: 403 },
    { what: "localhost as Host", path: "/", headers: { Host: `localhost:${app.port}`, Cookie: jar }, status: 403 },
    { what: "another Origin", path: "/100", headers: { Host: ours, Cookie: jar, Origin: "http://attacker.example" }, status: 403 },
    { what: "a WebSocket from another Origin", path: "/jv/ws", headers: upgradeHeaders("http://attacker.example", jar), status: 403 },
    { what: "the shell with the cookie", path: "/", headers: { Host: ours, Cookie: jar }, status: 200 },
  ];
  for (const c of cases) assert.equal(await request(c.path, c.headers), c.status, c.what);

  // A page the browser shows from elsewhere cannot open the program's WebSocket either.
  const stranger = await browser.context.newPage();
  await stranger.goto("about:blank");
  const opened = await stranger.evaluate(
    (url) =>
      new Promise((resolve) => {
        const socket = new WebSocket(url);
        socket.onopen = () => resolve(true);
        socket.onerror = () => resolve(false);
      }),
    `ws://127.0.0.1:${app.port}/jv/ws`,
  );
  assert.equal(opened, false);
  await stranger.close();
});

test("the browser keeps the scripts every page loads for the session, and never a document", async () => {
  const page = browser.context.pages().find((p) => p.url() === app.origin + "/");
  const frame = await frameNamed(page, "jv-top");
  const scripts = await frame.evaluate(() =>
    performance.getEntriesByType("resource").map((e) => new URL(e.name).pathname + new URL(e.name).search),
  );
  const shim = scripts.find((p) => /^\/jv\/shim\.js\?v=[0-9a-f]{16}$/.test(p));
  const external = scripts.find((p) => /^\/jv\/external\.js\?v=[0-9a-f]{16}$/.test(p));
  assert.ok(shim && external, scripts.join(" "));

  const [cookie] = await browser.context.cookies(app.origin);
  const headers = { Host: `127.0.0.1:${app.port}`, Cookie: `${cookie.name}=${cookie.value}` };
  const cases = [
    { path: "/", kept: false },
    { path: "/100", kept: false },
    { path: shim, kept: true },
    { path: external, kept: true },
    // Another method table would be another address: an address that is not this one's is not kept.
    { path: "/jv/external.js?v=0000000000000000", kept: false },
  ];
  for (const c of cases) {
    const answer = await request(c.path, headers, true);
    assert.equal(answer.status, 200, c.path);
    if (c.kept) {
      assert.equal(answer.headers["cache-control"], "private, max-age=86400, immutable", c.path);
      assert.equal(answer.headers.vary, "Cookie", c.path);
    } else {
      assert.equal(answer.headers["cache-control"], "no-store", c.path);
    }
  }
  // Kept or not, nothing is served without the cookie.
  assert.equal(await request(shim, { Host: headers.Host }), 403);
});

test("a second window cannot take over the session", async () => {
  const first = browser.context.pages().find((p) => p.url() === app.origin + "/");
  const second = await browser.context.newPage();
  await second.goto(app.origin + "/");
  await second.waitForSelector("#jv-offline:not([hidden])");

  // The first window still talks to the program.
  const frame = await frameNamed(first, "jv-top");
  await frame.fill("#Name", "still here");
  await frame.click("#Save");
  await frame.waitForFunction(() => window.lastSaved !== undefined);
  assert.equal(await frame.evaluate(() => window.lastSaved), "still here|1|routine|");
  await second.close();

  // Nor can another browser that did not get the cookie.
  const other = await startBrowser();
  const page = await other.context.newPage();
  const response = await page.goto(app.origin + "/");
  assert.equal(response.status(), 403);
  const open = await page.goto(app.openUrl);
  assert.equal(open.status(), 403);
  await other.close();
});
