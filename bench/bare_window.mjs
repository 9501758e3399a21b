// The window the program starts itself (headed, on an Xvfb screen), held with no test tool
// attached: the browser's DevTools port is used over plain connections that enable no domain,
// so that the browser keeps nothing for a watcher (no network log, no console messages, no
// scripts injected into documents). Used by the soak, where what a watcher keeps would be
// counted as the window's memory.
import { spawn } from "node:child_process";
import { eventually, ownBrowser } from "../tests/e2e/jorvane/harness.mjs";

// One DevTools connection (a target's or the browser's): send(method, params) -> result.
async function connect(url) {
  if (typeof WebSocket !== "function") throw new Error("node needs --experimental-websocket (node 20) for the bare window");
  const socket = new WebSocket(url);
  await new Promise((resolve, reject) => {
    socket.onopen = resolve;
    socket.onerror = () => reject(new Error("no DevTools connection at " + url));
  });
  let next = 0;
  const waiting = new Map();
  socket.onmessage = (event) => {
    const message = JSON.parse(event.data);
    const waiter = waiting.get(message.id);
    if (!waiter) return;
    waiting.delete(message.id);
    if (message.error) waiter.reject(new Error(message.error.message));
    else waiter.resolve(message.result);
  };
  socket.onclose = () => {
    for (const waiter of waiting.values()) waiter.reject(new Error("the DevTools connection closed"));
    waiting.clear();
  };
  return {
    send: (method, params = {}) => new Promise((resolve, reject) => {
      const id = ++next;
      waiting.set(id, { resolve, reject });
      socket.send(JSON.stringify({ id, method, params }));
    }),
    close: () => socket.close(),
  };
}

// Starts jorvane in `home` as startJorvaneHeaded does, and returns { child (the program),
// browser (connection), window (the window's page connection), evaluate(fn, arg), close() }.
export async function startBareWindow(home, display, { env = {} } = {}) {
  const { programEnv, devtoolsPort } = ownBrowser(home, display, env);
  const child = spawn(process.env.JV_JORVANE, [], { stdio: ["ignore", "ignore", "ignore"], env: programEnv });
  const exited = new Promise((resolve) => child.on("exit", (code, signal) => resolve({ code, signal })));
  let ended = null;
  exited.then((how) => { ended = how; });
  const port = await devtoolsPort(() => ended && "jorvane ended with " + JSON.stringify(ended));
  const base = "http://127.0.0.1:" + port;
  const browser = await connect((await (await fetch(base + "/json/version")).json()).webSocketDebuggerUrl);
  const target = await eventually(async () => {
    const targets = await (await fetch(base + "/json/list")).json();
    return targets.find((t) => t.type === "page" && /^http:\/\/127\.0\.0\.1:\d+\/$/.test(t.url)) || null;
  }, "the program's window", 20000);
  const window = await connect(target.webSocketDebuggerUrl);
  const app = {
    child,
    browser,
    window,
    // `fn(arg)` in the window's top document; its value (awaited) comes back.
    evaluate: async (fn, arg) => {
      const result = await window.send("Runtime.evaluate", {
        expression: `(${fn.toString()})(${JSON.stringify(arg)})`, awaitPromise: true, returnByValue: true,
      });
      if (result.exceptionDetails) throw new Error("in the window: " + (result.exceptionDetails.exception?.description || result.exceptionDetails.text));
      return result.result.value;
    },
    // The pids of the browser's renderer processes.
    renderers: async () => (await browser.send("SystemInfo.getProcessInfo")).processInfo.filter((p) => p.type === "renderer").map((p) => p.id),
    close: async () => {
      await browser.send("Browser.close").catch(() => {});
      browser.close();
      window.close();
      const timer = setTimeout(() => child.kill("SIGKILL"), 15000);
      await exited;
      clearTimeout(timer);
    },
  };
  return app;
}
