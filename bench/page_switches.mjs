// Page switches in the window the program starts itself (headed Chromium on an Xvfb screen of
// 1400 x 900), on a garage of three cars with JV_BENCH_SIZES (1,000 and 10,000) entries in each
// register of each car, the first car chosen in the car list:
// - opening each page (home, service, odometer, fuel and expense registers, vehicle page,
//   preferences), from the input event to the paint that shows the page with its rows;
// - a save in the fuel register (Enter to the saved entry and the fresh new entry painted);
// - beside each of them, interleaved, two baselines in the same browser: the same DOM put into a
//   static page by a click (no program, no scripts of the page's), and a click on a radio of the
//   preferences (one frame: the window's floor);
// - the program's own time for each page: from the browser's request for the page to the last
//   message of the program's before the page was painted.
// Prints, per size, min / median / baseline (median of the static page) / ratio for each action.
// Then (JV_BENCH_SOAK_CYCLES, 500; 0: none) a soak at the largest size: cycles of home, fuel
// register with a save, service, expense and odometer registers, printing every
// JV_BENCH_SOAK_EVERY (50) cycles the memory of jorvane (VmRSS) and of the window's renderer
// (VmRSS of its renderer processes). The soak runs in a window of its own with no test tool
// attached (JV_BENCH_SOAK_WINDOW=bare, the default), the pages opened by presses of the mouse and
// keys sent to the window: with Playwright attached (its network log keeping the pages'
// responses, among what it enables) the renderer grows with every switch, without it not.
// JV_BENCH_SOAK_ENABLE (e.g. "Network") enables DevTools domains on that window to see what a
// watcher costs. JV_BENCH_SOAK_WINDOW=attached soaks the timed runs' window instead, printing
// also, once the renderer has collected its garbage, the window's script heap and the DOM's
// documents, nodes and listeners. JV_BENCH_RUNS=0 runs the soak alone.
//
//   cmake --build build --target bench_page_switches
// JV_JORVANE and JV_DATA name the program and its data folder (another build's, to compare).
// JV_BENCH_RUNS (9) runs per action. The machine may be shared: compare the ratios.
import { readFileSync } from "node:fs";
import { eventually, frame, jorvaneHome, startJorvaneHeaded, virtualDisplay } from "../tests/e2e/jorvane/harness.mjs";
import { startBareWindow } from "./bare_window.mjs";

const SIZES = (process.env.JV_BENCH_SIZES || "1000,10000").split(",").map(Number);
const RUNS = Number(process.env.JV_BENCH_RUNS || 9);
const SOAK_CYCLES = Number(process.env.JV_BENCH_SOAK_CYCLES ?? 500);
const SOAK_EVERY = Number(process.env.JV_BENCH_SOAK_EVERY || 50);
// "bare": the soak in a window of its own that no test tool is attached to; "attached": in the
// window of the timed runs, Playwright attached.
const SOAK_WINDOW = process.env.JV_BENCH_SOAK_WINDOW || "bare";
const WAIT = 120000;
const CARS = 3;
const FIRST_DAY = 30000;

const carId = (car) => `{5EED0000-0000-0000-0000-00000000000${car}}`;
const isoDay = (day) => new Date(Date.UTC(1899, 11, 30) + day * 86400000).toISOString().slice(0, 10);

function garageSql(entries) {
  let sql = "BEGIN;";
  for (let car = 0; car < CARS; car++) {
    const id = carId(car);
    const n = `WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < ${entries - 1})`;
    sql += `INSERT INTO Vehicles (VehicleID, Name, StyleYear, Make, Model, Style, Custom, Sold, Selected, PurchaseDate, PurchaseOdometer)
              VALUES ('${id}', 'Car ${car + 1}', 2015, 'Make', 'Model', 'Style', -1, 0, 0, ${FIRST_DAY}, 0);
      ${n} INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, Cost, Roads)
        SELECT '${id}', ${FIRST_DAY} + i, 1000 + i * 30.0, 30.0, 'Station ' || (i % 17), -1, 1.0, 3.5, 3.5, 'M' FROM n;
      ${n} INSERT INTO Services (VehicleID, ServiceDate, Odometer, Vendor, ServiceMemo, Cost, Skipped)
        SELECT '${id}', ${FIRST_DAY} + i + 0.25, 1010 + i * 30.0, 'Garage ' || (i % 5), 'Check', 80.0, 0 FROM n;
      ${n} INSERT INTO Expenses (VehicleID, ExpenseDate, Odometer, Vendor, ExpenseMemo, CategoryID, Cost)
        SELECT '${id}', ${FIRST_DAY} + i + 0.5, 1020 + i * 30.0, 'Shop ' || (i % 9), 'Parts', 5, 25.0 FROM n;
      ${n} INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue)
        SELECT '${id}', ${FIRST_DAY} + i, 1000 + i * 30.0 FROM n;`;
  }
  return sql + "UPDATE Prefs SET Internet = 1; COMMIT;";
}

// --- in every document of the window -----------------------------------------------------------------

// The time of the last input event (epoch ms) goes to the window's top document; a document asked
// to (jvWatch) notes when it has painted while `ready` holds, as the epoch ms after that frame.
function inEveryDocument() {
  const now = () => performance.timeOrigin + performance.now();
  const mark = (event) => {
    if (event.isTrusted) try { window.top.jvInput = performance.timeOrigin + event.timeStamp; } catch { /* not ours */ }
  };
  addEventListener("pointerdown", mark, true);
  addEventListener("keydown", mark, true);
  window.jvAfterPaint = () => new Promise((resolve) => requestAnimationFrame(() => {
    const channel = new MessageChannel();
    channel.port1.onmessage = () => resolve(now());
    channel.port2.postMessage(0);
  }));
  // Polls every frame from the document's start.
  const ready = {
    "Home Page": () => document.querySelectorAll("#carlist tr.listrow").length >= 1 &&
      document.querySelector("#Graph") && document.querySelector("#Graph").childElementCount > 0,
    "Vehicle Information Page": () => !!window.external && [...document.querySelectorAll("input")].some((i) => i.value === "Model"),
    "Preferences": () => !!window.external && document.querySelectorAll('input[type="radio"]').length > 0,
  };
  const register = () => !!document.getElementById("new") && [...document.querySelectorAll("tr[id]")].some((r) => /^\d+$/.test(r.id));
  const check = async () => {
    const test = ready[document.title] || (/Register$/.test(document.title) ? register : null);
    if (test && document.readyState === "complete" && test()) {
      const at = await window.jvAfterPaint();
      try { window.top.jvShown = { title: document.title, at }; } catch { /* not ours */ }
      return;
    }
    requestAnimationFrame(check);
  };
  if (window.top !== window && window.name === "main_workspace") requestAnimationFrame(check);
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

function memoryOf(pid) {
  try {
    const status = readFileSync(`/proc/${pid}/status`, "utf8");
    return Number(/VmRSS:\s+(\d+) kB/.exec(status)[1]) / 1024;
  } catch {
    return 0;
  }
}

// --- one garage ------------------------------------------------------------------------------------

async function run(entries, display, { soak }) {
  const home = jorvaneHome();
  home.seed(garageSql(entries));
  const app = await startJorvaneHeaded(home, display, { env: { JV_NOW: isoDay(FIRST_DAY + entries + 1) } });
  const report = [];
  try {
    await app.context.addInitScript(`(${inEveryDocument.toString()})()`);
    // The program's messages, as the browser receives them, and the browser's requests for pages.
    let lastMessage = 0;
    let requested = 0;
    const listened = new Set();
    const listen = (page) => {
      if (listened.has(page)) return;
      listened.add(page);
      page.on("websocket", (socket) => socket.on("framereceived", () => { lastMessage = Date.now(); }));
      page.on("request", (request) => {
        if (request.isNavigationRequest() && request.frame().name() === "main_workspace") requested = Date.now();
      });
    };
    // The window's documents again, now with the script above; the window may still be finding
    // its page when it is first shown.
    await frame(app.page, "main_navcarlist", WAIT);
    await eventually(async () => {
      app.page = app.context.pages().find((shown) => /^http:\/\/127\.0\.0\.1:\d+\//.test(shown.url())) || app.page;
      listen(app.page);
      return app.page.reload().then(() => true, () => false);
    }, "the window reloaded", WAIT);
    await frame(app.page, "main_navcarlist", WAIT);
    const list = await frame(app.page, "main_navcarlist");
    const nav = await frame(app.page, "main_navbar");
    await list.locator('td:has-text("Car 1")').first().click();
    await eventually(async () => (await list.locator("td.selected").allInnerTexts()).join(" ").includes("Car 1"), "Car 1", WAIT);


    const workspace = () => app.page.frame({ name: "main_workspace" });
    const shown = async (title) => {
      const result = await eventually(async () => {
        const found = await app.page.evaluate(() => window.jvShown || null);
        return found && found.title === title ? found : null;
      }, title, WAIT);
      return result;
    };
    const menu = async (name, item) => {
      await app.page.locator("#jv-menubar .jv-menu > button", { hasText: name }).click();
      await app.page.locator("#jv-menubar .jv-open li button", { hasText: item }).click();
    };
    const pages = [
      { name: "home", title: "Home Page", go: () => nav.click("a.nav-home") },
      { name: "service register", title: "Service Register", go: () => nav.click("a.nav-service") },
      { name: "odometer register", title: "Odometer Register", go: () => menu("Go To", "Edit Car Odometer History") },
      { name: "fuel register", title: "Fuel Register", go: () => nav.click("a.nav-fuel") },
      { name: "expense register", title: "Miscellaneous Expense Register", go: () => nav.click("a.nav-expense") },
      // No control of the window leads there without a dialog: the address, as a link would.
      { name: "vehicle page", title: "Vehicle Information Page", go: () => workspace().evaluate((car) => {
        window.top.jvInput = performance.timeOrigin + performance.now();
        location.href = "177?" + car;
      }, carId(0)) },
      { name: "preferences", title: "Preferences", go: () => menu("Edit", "Preferences") },
    ];
    const open = async (page) => {
      await app.page.evaluate(() => { window.jvShown = null; window.jvInput = 0; });
      requested = 0;
      await page.go();
      const result = await shown(page.title);
      const messageBeforePaint = lastMessage;
      const input = await app.page.evaluate(() => window.jvInput);
      // The program's own share: from the request for the page to its last message before the paint.
      const own = requested && messageBeforePaint > requested ? messageBeforePaint - requested : NaN;
      return { ms: result.at - input, own };
    };

    // The static page: the same markup put in place by a click, in a tab of the same browser.
    const statics = await app.context.newPage();
    await statics.goto(new URL(app.page.url()).origin + "/233");
    await statics.evaluate(() => {
      document.body.innerHTML = '<button id="swap" style="position:fixed;top:0;left:0;z-index:9">swap</button><div id="shown"></div>';
      window.jvMarkup = {};
      document.getElementById("swap").addEventListener("click", (event) => {
        window.jvInput = performance.timeOrigin + event.timeStamp;
        document.getElementById("shown").innerHTML = window.jvMarkup[window.jvNext];
        window.jvAfterPaint().then((at) => { window.jvPainted = at; });
      });
    });
    const markupOf = async () => workspace().evaluate(() => {
      const copy = document.documentElement.cloneNode(true);
      copy.querySelectorAll("script").forEach((s) => s.remove());
      const styles = [...document.querySelectorAll('link[rel="stylesheet"], style')].map((s) => s.outerHTML).join("");
      return styles + copy.querySelector("body").innerHTML;
    });
    const staticSwap = async (name) => {
      await statics.bringToFront();
      await statics.evaluate((which) => { window.jvNext = which; window.jvPainted = 0; }, name);
      await statics.click("#swap");
      await statics.waitForFunction(() => window.jvPainted > 0, null, { timeout: WAIT });
      const time = await statics.evaluate(() => window.jvPainted - window.jvInput);
      await app.page.bringToFront();
      return time;
    };
    const radio = async (i) => {
      const prefs = workspace();
      await prefs.evaluate(() => { window.jvPainted = 0; });
      await prefs.click(`input[name="Distance"][value="${i % 2}"]`);
      await prefs.waitForFunction(async (value) => document.querySelector(`input[name="Distance"][value="${value}"]`).checked,
        i % 2, { timeout: WAIT });
      const at = await prefs.evaluate(() => window.jvAfterPaint());
      const input = await app.page.evaluate(() => window.jvInput);
      // Put back, so that nothing is changed when the page goes.
      await prefs.evaluate(() => { document.querySelector('input[name="Distance"][value="0"]').checked = true; });
      return at - input;
    };

    // The home page's graph turned to fuel economy (after the total cost graph, untimed): from the
    // choice to the graph painted. The choice is made in the page's script, so its time is taken there.
    const chooseGraph = (value, title) => workspace().evaluate(([value, title]) => new Promise((resolve) => {
      const start = performance.timeOrigin + performance.now();
      const list = document.getElementById("GraphList");
      list.value = value;
      list.dispatchEvent(new Event("change"));
      const drawn = () => {
        const shown = document.querySelector("#Graph .graphTitle");
        if (shown && shown.textContent.includes(title)) window.jvAfterPaint().then((at) => resolve(at - start));
        else requestAnimationFrame(drawn);
      };
      drawn();
    }), [value, title]);
    const economyGraph = async () => {
      await chooseGraph("1", "Total Cost");
      return chooseGraph("2", "Over Time");
    };

    // A first round: every page once (the browser's caches warm), its markup kept for the static page.
    for (const page of pages) {
      await open(page);
      await statics.evaluate(([name, html]) => { window.jvMarkup[name] = html; }, [page.name, await markupOf()]);
    }

    const times = Object.fromEntries(pages.map((p) => [p.name, { page: [], own: [], static: [] }]));
    times.save = { page: [], own: [], static: [] };
    times["fuel economy graph"] = { page: [], own: [], static: [] };
    const radios = [];
    for (let i = 0; i < RUNS; i++) {
      for (const page of pages) {
        const result = await open(page);
        times[page.name].page.push(result.ms);
        if (!Number.isNaN(result.own)) times[page.name].own.push(result.own);
        times[page.name].static.push(await staticSwap(page.name));
        if (page.name === "preferences") radios.push(await radio(i));
        if (page.name === "home") {
          times["fuel economy graph"].page.push(await economyGraph());
          times["fuel economy graph"].static.push(await staticSwap(page.name));
        }
        if (page.name === "fuel register") {
          const saved = await save(app, home, workspace());
          times.save.page.push(saved);
          times.save.static.push(await staticSwap(page.name));
        }
      }
      console.log(`${entries} entries, run ${i + 1}: ` + pages.map((p) => `${p.name} ${times[p.name].page[i].toFixed(0)}`).join(", ") +
        `, fuel economy graph ${times["fuel economy graph"].page[i].toFixed(0)}, save ${times.save.page[i].toFixed(0)}, radio ${radios[i].toFixed(0)} ms`);
    }
    const floor = median(radios);
    for (const [name, t] of RUNS > 0 ? Object.entries(times) : []) {
      const base = median(t.static);
      report.push({ entries, name, min: Math.min(...t.page), median: median(t.page), base, ratio: median(t.page) / base,
                    radio: floor, own: t.own.length ? median(t.own) : NaN });
    }
    if (RUNS > 0) report.push({ entries, name: "radio click", min: Math.min(...radios), median: floor, base: floor, ratio: 1, radio: floor, own: NaN });
    await statics.close();

    if (soak && SOAK_WINDOW === "attached") await soakRun(app, home, pages, open);
  } finally {
    await app.close();
    home.remove();
  }
  return report;
}

// Enter on a typed purchase in the fuel register: to the saved entry and the fresh new entry painted.
// Each purchase is the car's latest, further on than the one before.
let nextOdometer = 9000000;
async function save(app, home, page) {
  const odometer = (nextOdometer += 10);
  const before = Number(home.query("SELECT COUNT(*) FROM FuelPurchases"));
  await page.fill('tr[id="new"] [name="Odometer"]', String(odometer));
  await page.fill('tr[id="new"] [name="Total Cost"]', "20");
  await page.evaluate(() => OnChange());
  await app.page.evaluate(() => { window.jvInput = 0; });
  await page.press('tr[id="new"] [name="Total Cost"]', "Enter");
  await page.waitForFunction((typed) => {
    const fresh = document.getElementById("new");
    const field = fresh && fresh.querySelector('[name="Odometer"]');
    if (!field || field.value === typed) return false;
    return [...document.querySelectorAll("tr[id]")].some((row) => row.querySelector('[name="Odometer"]') &&
      row.id !== "new" && row.querySelector('[name="Odometer"]').value.replace(/[^0-9]/g, "").startsWith(typed));
  }, String(odometer), { timeout: WAIT, polling: "raf" });
  const at = await page.evaluate(() => window.jvAfterPaint());
  const input = await app.page.evaluate(() => window.jvInput);
  await eventually(() => Number(home.query("SELECT COUNT(*) FROM FuelPurchases")) === before + 1, "the purchase stored", WAIT);
  return at - input;
}

// --- the soak -------------------------------------------------------------------------------------

async function soakRun(app, home, pages, open) {
  const session = await app.browser.newBrowserCDPSession();
  const top = await app.context.newCDPSession(app.page);
  await top.send("Memory.enable").catch(() => {});
  const renderers = async () => {
    const info = await session.send("SystemInfo.getProcessInfo");
    return info.processInfo.filter((p) => p.type === "renderer").map((p) => p.id);
  };
  const sample = async (cycle) => {
    const pids = await renderers();
    const renderer = () => pids.reduce((sum, pid) => sum + memoryOf(pid), 0).toFixed(1);
    const before = renderer();
    // What the window's documents hold once the garbage is collected.
    await top.send("HeapProfiler.collectGarbage").catch(() => {});
    const heap = await top.send("Runtime.getHeapUsage").catch(() => ({ usedSize: 0 }));
    const counters = await top.send("Memory.getDOMCounters").catch(() => ({ documents: 0, nodes: 0, jsEventListeners: 0 }));
    console.log(`soak (Playwright attached), cycle ${cycle}: jorvane ${memoryOf(app.child.pid).toFixed(1)} MB, renderer ${before} MB, ` +
      `after a collection ${renderer()} MB: window script heap ${(heap.usedSize / 1048576).toFixed(1)} MB, documents ${counters.documents}, nodes ${counters.nodes}, ` +
      `listeners ${counters.jsEventListeners}`);
  };
  const byName = Object.fromEntries(pages.map((p) => [p.name, p]));
  const cycle = ["home", "fuel register", "service register", "expense register", "odometer register"];
  await sample(0);
  const started = performance.now();
  for (let i = 1; i <= SOAK_CYCLES; i++) {
    for (const name of cycle) {
      await open(byName[name]);
      if (name === "fuel register") await save(app, home, app.page.frame({ name: "main_workspace" }));
    }
    if (i % SOAK_EVERY === 0) await sample(i);
  }
  console.log(`soak: ${SOAK_CYCLES} cycles in ${((performance.now() - started) / 1000).toFixed(0)} s`);
}

// The soak in a window no test tool is attached to (see bare_window.mjs): the pages are opened by
// the window's own links and menu, a page counts as shown once its rows are in place, and the
// save is typed with Enter as a key of the keyboard.
async function bareSoak(entries, display) {
  const home = jorvaneHome();
  home.seed(garageSql(entries));
  const app = await startBareWindow(home, display, { env: { JV_NOW: isoDay(FIRST_DAY + entries + 1) } });
  try {
    // What a watcher costs: the DevTools domains named are enabled on the window as a test tool would.
    for (const domain of (process.env.JV_BENCH_SOAK_ENABLE || "").split(",").filter(Boolean)) await app.window.send(domain + ".enable");
    // Everything below runs in the window's top document.
    const inWindow = (fn, arg) => app.evaluate(fn, arg);
    const docOf = `(name) => { const find = (w) => { for (let i = 0; i < w.frames.length; i++) { const f = w.frames[i]; if (f.name === name) return f; const d = find(f); if (d) return d; } return null; }; return find(window); }`;
    const state = () => inWindow(new Function(`return (${docOf})("main_workspace")?.document.title || ""`));
    await eventually(async () => (await inWindow(new Function(`const w = (${docOf})("main_navcarlist"); return !!w && w.document.readyState === "complete" && [...w.document.querySelectorAll("td")].some((td) => td.textContent.includes("Car 1"))`))), "the car list", WAIT);
        const shown = async (title) => eventually(() => inWindow(new Function("title", `
      const w = (${docOf})("main_workspace");
      if (!w || w.document.title !== title || w.document.readyState !== "complete") return false;
      const d = w.document;
      if (title === "Home Page") return d.querySelectorAll("#carlist tr.listrow").length >= 1 && !!d.querySelector("#Graph") && d.querySelector("#Graph").childElementCount > 0;
      return !!d.getElementById("new") && [...d.querySelectorAll("tr[id]")].some((r) => /^\\d+$/.test(r.id));`), title), title, WAIT);
    // A press of the mouse on the middle of an element (of the frame named; its text containing
    // `text`, when given), as a user's.
    const press = async (frameName, selector, text = "") => {
      const at = await inWindow(new Function("arg", `
        const w = arg[0] ? (${docOf})(arg[0]) : window;
        const element = [...w.document.querySelectorAll(arg[1])].find((e) => e.textContent.includes(arg[2]));
        const box = element.getBoundingClientRect();
        let x = box.left + box.width / 2, y = box.top + box.height / 2;
        for (let f = w; f !== window; f = f.parent) {
          const outer = f.frameElement.getBoundingClientRect();
          x += outer.left;
          y += outer.top;
        }
        return { x, y };`), [frameName, selector, text]);
      for (const type of ["mousePressed", "mouseReleased"])
        await app.window.send("Input.dispatchMouseEvent", { type, x: at.x, y: at.y, button: "left", clickCount: 1 });
    };
    // Car 1 chosen in the car list, as the timed runs do.
    await press("main_navcarlist", "td", "Car 1");
    await eventually(() => inWindow(new Function(`return [...(${docOf})("main_navcarlist").document.querySelectorAll("td.selected")].map((t) => t.textContent).join(" ").includes("Car 1")`)), "Car 1", WAIT);
    const menu = async (name, item) => {
      await press("", "#jv-menubar .jv-menu > button", name);
      await eventually(() => inWindow(new Function("item", `return [...document.querySelectorAll("#jv-menubar .jv-open li button")].some((b) => b.textContent.includes(item))`), item), item, WAIT);
      await press("", "#jv-menubar .jv-open li button", item);
    };
    const pages = {
      "home": { title: "Home Page", go: () => press("main_navbar", "a.nav-home") },
      "service register": { title: "Service Register", go: () => press("main_navbar", "a.nav-service") },
      "odometer register": { title: "Odometer Register", go: () => menu("Go To", "Edit Car Odometer History") },
      "fuel register": { title: "Fuel Register", go: () => press("main_navbar", "a.nav-fuel") },
      "expense register": { title: "Miscellaneous Expense Register", go: () => press("main_navbar", "a.nav-expense") },
    };
    const key = async (type, extra = {}) => app.window.send("Input.dispatchKeyEvent", { type, key: "Enter", code: "Enter", windowsVirtualKeyCode: 13, nativeVirtualKeyCode: 13, ...extra });
    const save = async () => {
      const odometer = (nextOdometer += 10);
      const before = Number(home.query("SELECT COUNT(*) FROM FuelPurchases"));
      await inWindow(new Function("odometer", `
        const w = (${docOf})("main_workspace");
        const row = w.document.getElementById("new");
        for (const [name, value] of [["Odometer", String(odometer)], ["Total Cost", "20"]]) {
          const field = row.querySelector('[name="' + name + '"]');
          field.focus();
          field.value = value;
          field.dispatchEvent(new w.Event("input", { bubbles: true }));
          field.dispatchEvent(new w.Event("change", { bubbles: true }));
        }
        w.OnChange();
        row.querySelector('[name="Total Cost"]').focus();`), odometer);
      await key("rawKeyDown");
      await key("char", { text: "\r", unmodifiedText: "\r" });
      await key("keyUp");
      await eventually(() => Number(home.query("SELECT COUNT(*) FROM FuelPurchases")) === before + 1, "the purchase stored", WAIT);
      await eventually(() => inWindow(new Function("typed", `
        const d = (${docOf})("main_workspace").document;
        const fresh = d.getElementById("new");
        const field = fresh && fresh.querySelector('[name="Odometer"]');
        return !!field && field.value !== typed;`), String(odometer)), "the fresh new entry", WAIT);
    };
    const sample = async (cycle) => {
      const pids = await app.renderers();
      const renderer = () => pids.reduce((sum, pid) => sum + memoryOf(pid), 0).toFixed(1);
      const before = renderer();
      // The same once the window's garbage is collected (its size between collections varies
      // with when the browser found time to collect).
      await app.window.send("HeapProfiler.collectGarbage");
      const heap = await app.window.send("Runtime.getHeapUsage");
      const counters = await app.window.send("Memory.getDOMCounters");
      console.log(`soak (${process.env.JV_BENCH_SOAK_ENABLE ? process.env.JV_BENCH_SOAK_ENABLE + " enabled" : "no tool attached"}), cycle ${cycle}: ` +
        `jorvane ${memoryOf(app.child.pid).toFixed(1)} MB, renderer ${before} MB (${pids.length} process${pids.length === 1 ? "" : "es"}), ` +
        `after a collection ${renderer()} MB: window script heap ${(heap.usedSize / 1048576).toFixed(1)} MB, documents ${counters.documents}, ` +
        `nodes ${counters.nodes}, listeners ${counters.jsEventListeners}`);
    };
    const cycle = ["home", "fuel register", "service register", "expense register", "odometer register"];
    await sample(0);
    const started = performance.now();
    for (let i = 1; i <= SOAK_CYCLES; i++) {
      for (const name of cycle) {
        await pages[name].go();
        await shown(pages[name].title);
        if (name === "fuel register") await save();
      }
      if (i % SOAK_EVERY === 0) await sample(i);
    }
    console.log(`soak: ${SOAK_CYCLES} cycles in ${((performance.now() - started) / 1000).toFixed(0)} s`);
  } finally {
    await app.close();
    home.remove();
  }
}

// --- all of it ----------------------------------------------------------------------------------------

const display = await virtualDisplay(1400, 900);
if (!display) throw new Error("no Xvfb for the headed window");
try {
  const report = [];
  for (const entries of SIZES) {
    if (RUNS > 0 || SOAK_WINDOW === "attached") report.push(...await run(entries, display, { soak: SOAK_CYCLES > 0 && entries === Math.max(...SIZES) }));
  }
  if (SOAK_CYCLES > 0 && SOAK_WINDOW === "bare") await bareSoak(Math.max(...SIZES), display);
  if (report.length) console.log("\n| entries | action | min | median | static page | ratio | radio | program's own |\n|---|---|---|---|---|---|---|---|");
  for (const r of report) {
    console.log(`| ${r.entries} | ${r.name} | ${r.min.toFixed(0)} | ${r.median.toFixed(0)} | ${r.base.toFixed(0)} | ` +
      `${r.ratio.toFixed(1)} | ${r.radio.toFixed(0)} | ${Number.isNaN(r.own) ? "" : r.own.toFixed(0)} |`);
  }
} finally {
  await display.close();
}
