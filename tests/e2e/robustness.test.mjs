// Message robustness end to end: texts a page cannot send whole (lone surrogates) still arrive,
// and a bounded fuzz run of mutated and generated WebSocket messages and HTTP requests against
// the running program ends neither the program nor its next ordinary call, nor grows its memory.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { mkdtempSync, readFileSync, rmSync } from "node:fs";
import http from "node:http";
import net from "node:net";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { startApp, startBrowser, openWindow, frameNamed, isolatedHome } from "./harness.mjs";

const WEBSOCKET_MESSAGES = 3000;
const HTTP_REQUESTS = 1500;

let home;
let bin;
let app;
let browser;
let page;

before(async () => {
  home = isolatedHome();
  // No program to open addresses with: a navigation the fuzz makes up opens nothing.
  bin = mkdtempSync(join(tmpdir(), "jv-e2e-bin-"));
  app = await startApp([], { ...home.env, PATH: bin });
  browser = await startBrowser();
  page = await openWindow(browser.context, app);
});

after(async () => {
  await browser?.close();
  await app?.stop();
  home?.remove();
  if (bin) rmSync(bin, { recursive: true, force: true });
});

async function mainPage() {
  let frame = await frameNamed(page, "jv-top");
  if (!/\/100$/.test(frame.url())) {
    // The page goes after the evaluation has returned, so that the evaluation is not cut short.
    await frame.evaluate(() => { setTimeout(() => { location.href = "100"; }); });
    await page.waitForFunction(() => /\/100$/.test(document.getElementById("jv-top").contentWindow.location.href));
    frame = await frameNamed(page, "jv-top");
  }
  await frame.waitForSelector("#LoadedBy:has-text('program')");
  return frame;
}

// Runs a call in the page; "settled" once its promise settles, "hung" when it does not within 5 s.
function settles(frame, body) {
  return frame.evaluate(
    (source) =>
      Promise.race([
        (0, eval)(source)().then(() => "settled", () => "settled"),
        new Promise((resolve) => setTimeout(() => resolve("hung"), 5000)),
      ]),
    body,
  );
}

function residentKb(pid) {
  const status = readFileSync(`/proc/${pid}/status`, "utf8");
  return Number(/VmRSS:\s+(\d+)/.exec(status)[1]);
}

test("a lone surrogate in an argument or a form field arrives as U+FFFD and the call settles", async () => {
  const frame = await mainPage();
  await frame.evaluate(() => {
    window.lastSaved = undefined;
    document.getElementById("Notes").value = "note \uD83D end";
  });
  const outcome = await settles(
    frame,
    `async () => {
      await window.external.SaveEntry("name \\uDC00", 1, false);
      window.lastSaved = document.getElementById("Result").innerText;
    }`,
  );
  assert.equal(outcome, "settled");
  assert.equal(await frame.evaluate(() => window.lastSaved), "name \uFFFD|2|routine|note \uFFFD end");
});

// A small deterministic random source, so that a failing run can be repeated.
function random(seed) {
  let state = seed >>> 0;
  return () => {
    state = (state + 0x6d2b79f5) >>> 0;
    let t = state;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

function generator(seed) {
  const next = random(seed);
  const pick = (list) => list[Math.floor(next() * list.length)];
  const int = (n) => Math.floor(next() * n);
  const oddTexts = ["", "\u0000", "\uD800", "\uDFFF\uD800", "'; drop table x; --", "<script>", "%00", "\\", "\"",
                    "\u202E", "a".repeat(5000), "null", "1e309", "jv-top", "jv-dialog-1", "_blank", "res://Test.exe/100"];
  const oddNumbers = [0, -1, 1, 2 ** 31, 2 ** 53, 2 ** 64, -(2 ** 63), 1e308, 0.5, NaN, 1e-300];
  const value = (depth) => {
    switch (int(depth > 4 ? 4 : 8)) {
      case 0: return null;
      case 1: return next() < 0.5;
      case 2: return pick(oddNumbers);
      case 3: return pick(oddTexts);
      case 4: return Array.from({ length: int(4) }, () => value(depth + 1));
      case 5: return Object.fromEntries(Array.from({ length: int(4) }, () => [pick(["t", "id", "doc", "m", "a", "f", "v", "k", "x"]), value(depth + 1)]));
      case 6: return int(1000);
      default: return "text " + int(100);
    }
  };
  return { next, pick, int, value, oddTexts };
}

// Messages the shim sends, with values of the moment, as the mutations' starting points.
function templates(doc, key) {
  const forms = { [doc]: [[key, { v: "typed" }]] };
  return [
    { t: "call", id: 1, doc, m: "Bump", a: [] },
    { t: "call", id: 1, doc, m: "SaveEntry", a: ["name", 3, true], f: forms },
    { t: "call", id: 1, doc, m: "NoSuchMethod", a: [1] },
    { t: "loaded", doc, frame: "jv-top", url: "x", title: "t" },
    { t: "unloaded", doc: doc + 1000 },
    { t: "navigate", doc, frame: "jv-top", url: app.origin + "/110" },
    { t: "navigate", doc, frame: "_blank", url: "https://example.org/" },
    { t: "dialogkey", dlg: 7, key: "Enter" },
    { t: "event", doc, dlg: 7, type: "click", id: "ButtonOK", k: key },
    { t: "command", id: 32771 },
    { t: "error", doc, message: "boom", url: "x", line: 3 },
  ];
}

function mutate(g, text) {
  const chars = [...text];
  const rounds = 1 + g.int(4);
  for (let r = 0; r < rounds && chars.length; r++) {
    const at = g.int(chars.length);
    switch (g.int(7)) {
      case 0: chars[at] = String.fromCharCode(g.int(0x10000)); break;
      case 1: chars.splice(at, 0, g.pick(["{", "}", "[", "]", ",", ":", "\"", "\\", "\\u", "\\ud800", "null", "0"])); break;
      case 2: chars.splice(at, 1 + g.int(8)); break;
      case 3: chars.length = at; break;
      case 4: chars.splice(at, 0, ...chars.slice(at, at + 1 + g.int(40))); break;
      case 5: chars.splice(at, 0, "[".repeat(1 + g.int(200))); break;
      default: chars[at] = g.pick(["0", "9", "-", ".", "e", "t", "f", "n"]);
    }
  }
  return chars.join("");
}

function webSocketMessages(g, doc, key, count) {
  const base = templates(doc, key);
  const messages = [];
  for (let i = 0; i < count; i++) {
    const kind = g.int(50);
    if (kind < 24) {
      messages.push(mutate(g, JSON.stringify(g.pick(base))));
    } else if (kind < 38) {
      // A well-formed message with one field swapped for any value.
      const message = structuredClone(g.pick(base));
      const fields = Object.keys(message);
      message[g.pick([...fields, "f", "a", "x"])] = g.value(0);
      messages.push(JSON.stringify(message));
    } else if (kind < 44) {
      // A call whose form state has a field of any shape: a key of null, an object, a state of numbers.
      const field = g.next() < 0.5 ? [g.value(1), g.value(1)] : [g.pick([key, null, -1, 1.5, {}]), { v: g.value(2) }];
      messages.push(JSON.stringify({ t: "call", id: 1, doc, m: "Bump", a: [], f: { [doc]: [field] } }));
    } else if (kind < 48) {
      messages.push(JSON.stringify(g.value(0)));
    } else {
      // An argument or form state nested up to 150,000 deep.
      const depth = 1000 + g.int(150000);
      const nested = "[".repeat(depth) + "]".repeat(depth);
      messages.push('{"t":"call","id":1,"doc":' + doc + ',"m":"Bump","a":' + (g.next() < 0.5 ? nested : "[]," + '"f":' + nested) + "}");
    }
  }
  return messages;
}

function httpRequests(g, cookie, count) {
  const host = `127.0.0.1:${app.port}`;
  const paths = ["/", "/100", "/110", "/200", "/jv/shim.js", "/jv/external.js", "/jv/ws", "/jv/open?t=0",
                 "/../../../etc/passwd", "/%2e%2e/%2e%2e/", "/100?" + "q".repeat(10000), "/\u0000", "/999999999999",
                 "//", "/100#x", "*"];
  const methods = ["GET", "HEAD", "POST", "PUT", "OPTIONS", "DELETE", "CONNECT", "TRACE", "G\u0000T", "get"];
  const requests = [];
  for (let i = 0; i < count; i++) {
    const lines = [`${g.pick(methods)} ${g.pick(paths)} ${g.pick(["HTTP/1.1", "HTTP/1.0", "HTTP/2", "HTTP/9.9", ""])}`];
    if (g.next() < 0.9) lines.push("Host: " + g.pick([host, "localhost", "attacker.example", "", host + host]));
    if (g.next() < 0.6) lines.push("Cookie: " + g.pick([cookie, cookie + "x", "jvsession=", cookie.repeat(100)]));
    if (g.next() < 0.3) lines.push("Origin: " + g.pick([app.origin, "null", "http://attacker.example"]));
    if (g.next() < 0.2) lines.push("Upgrade: websocket", "Connection: Upgrade", "Sec-WebSocket-Version: 13",
                                   "Sec-WebSocket-Key: " + g.pick(["dGhlIHNhbXBsZSBub25jZQ==", "x"]));
    if (g.next() < 0.2) lines.push("Content-Length: " + g.pick(["0", "5", "-1", "99999999999", "x"]));
    if (g.next() < 0.1) lines.push("Transfer-Encoding: chunked");
    if (g.next() < 0.1) lines.push("X-Long: " + "v".repeat(g.int(100000)));
    let text = lines.join("\r\n") + "\r\n\r\n" + (g.next() < 0.2 ? "hello" : "");
    if (g.next() < 0.3) text = mutate(g, text);
    requests.push(text);
  }
  return requests;
}

// Sends one raw request; resolves with "answered", "closed" or "no answer" (after 300 ms).
function exchange(text) {
  return new Promise((resolve) => {
    const socket = net.connect(app.port, "127.0.0.1");
    let settled = false;
    const end = (outcome) => {
      if (settled) return;
      settled = true;
      clearTimeout(timer);
      socket.destroy();
      resolve(outcome);
    };
    const timer = setTimeout(() => end("no answer"), 300);
    socket.on("connect", () => socket.write(Buffer.from(text, "latin1")));
    socket.on("data", (data) => end(/^HTTP\/1\.[01] \d{3}/.test(data.toString("latin1")) ? "answered" : "closed"));
    socket.on("close", () => end("closed"));
    socket.on("error", () => end("closed"));
  });
}

function get(path, cookie) {
  return new Promise((resolve, reject) => {
    const req = http.request(
      { host: "127.0.0.1", port: app.port, path, agent: false, headers: { Host: `127.0.0.1:${app.port}`, Cookie: cookie } },
      (res) => {
        res.resume();
        res.on("end", () => resolve(res.statusCode));
      },
    );
    req.on("error", reject);
    req.end();
  });
}

test("a fuzz run against the running program ends neither the program nor its next ordinary call", async (t) => {
  let frame = await mainPage();
  const [cookie] = await browser.context.cookies(app.origin);
  const jar = `${cookie.name}=${cookie.value}`;
  // The document and a field key the page has now, for messages that name them.
  const doc = await frame.evaluate(() => {
    for (const [id, shown] of window.top.jvHost.docs) if (shown.win === window) return id;
    return 0;
  });
  const key = await frame.evaluate(() => {
    const shown = [...window.top.jvHost.docs.values()].find((d) => d.win === window);
    return shown.keyOf.get(document.getElementById("Name"));
  });
  for (let i = 0; i < 20; i++) assert.equal(await settles(frame, "async () => window.external.Bump()"), "settled");
  const startKb = residentKb(app.child.pid);

  const g = generator(20261209);
  const messages = webSocketMessages(g, doc, key, WEBSOCKET_MESSAGES);
  for (let at = 0; at < messages.length; at += 100) {
    await page.evaluate((batch) => batch.forEach((text) => window.jvHost.socket.send(text)), messages.slice(at, at + 100));
    // Every batch is followed by an ordinary call from the shell, which must be answered.
    const answered = await page.evaluate(
      (id) =>
        Promise.race([
          window.jvHost.call(id, "NoSuchMethod", []).then(() => true),
          new Promise((resolve) => setTimeout(() => resolve(false), 10000)),
        ]),
      doc,
    );
    assert.ok(answered, `no answer to a call after message ${at + 100}`);
    // (A socket that closed lets every waiting call go on too.)
    assert.ok(await page.evaluate(() => window.jvHost.open), `the window lost the program after message ${at + 100}`);
    assert.equal(app.child.exitCode ?? app.child.signalCode, null, `the program ended after message ${at + 100}`);
  }

  const outcomes = { answered: 0, closed: 0, "no answer": 0 };
  const requests = httpRequests(g, jar, HTTP_REQUESTS);
  for (let at = 0; at < requests.length; at += 25) {
    const batch = await Promise.all(requests.slice(at, at + 25).map(exchange));
    for (const outcome of batch) outcomes[outcome]++;
  }

  assert.equal(app.child.exitCode, null, "the program ended");
  assert.equal(app.child.signalCode, null, "the program was killed");
  assert.equal(await get("/", jar), 200);
  frame = await mainPage();
  await frame.evaluate(() => { document.getElementById("Counter").textContent = "0"; });
  assert.equal(await settles(frame, "async () => window.external.Bump()"), "settled");
  assert.equal(await frame.textContent("#Counter"), "1");

  const endKb = residentKb(app.child.pid);
  const refused = app.log.filter((line) => line.includes("WebHost::OnMessage")).length;
  const summary =
    `${messages.length} WebSocket messages (${refused} refused and logged), ${requests.length} HTTP requests ` +
    `(${outcomes.answered} answered, ${outcomes.closed} closed, ${outcomes["no answer"]} left unanswered), ` +
    `resident memory ${startKb} KB before, ${endKb} KB after`;
  t.diagnostic(summary);
  console.log("FUZZ " + summary);
  assert.ok(endKb <= 2 * startKb, summary);
});
