// Measures, in the real browser, the round trip from a click to the program's change on the
// page, and loading a page whose program fills a thousand rows. The figures are reported
// ("BENCH" lines and node test diagnostics), never asserted: speed is not a test's business.
//   cmake --build build --target bench_page_round_trip
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { startApp, startBrowser, openWindow, frameNamed } from "../tests/e2e/harness.mjs";

let app;
let browser;
let page;

before(async () => {
  app = await startApp();
  browser = await startBrowser();
  page = await openWindow(browser.context, app);
});

after(async () => {
  await browser?.close();
  await app?.stop();
});

function summary(times) {
  const sorted = [...times].sort((a, b) => a - b);
  const at = (q) => sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
  return `median ${at(0.5).toFixed(2)} ms, p95 ${at(0.95).toFixed(2)} ms, min ${sorted[0].toFixed(2)} ms (n=${sorted.length})`;
}

function report(t, what, times) {
  const line = `BENCH ${what}: ${summary(times)}`;
  t.diagnostic(line);
  console.log(line);
}

test("round trip from a click to the applied patch", async (t) => {
  const frame = await frameNamed(page, "jv-top");
  await frame.waitForSelector("#LoadedBy:has-text('program')");
  const times = await frame.evaluate(async () => {
    const button = document.getElementById("Bump");
    const counter = document.getElementById("Counter");
    const measured = [];
    for (let i = 0; i < 220; i++) {
      const before = counter.textContent;
      const start = performance.now();
      await new Promise((resolve) => {
        const observer = new MutationObserver(() => {
          if (counter.textContent !== before) {
            observer.disconnect();
            resolve();
          }
        });
        observer.observe(counter, { childList: true, subtree: true, characterData: true });
        button.click();
      });
      measured.push(performance.now() - start);
    }
    return measured.slice(20);  // the first ones warm up
  });
  report(t, "click to applied patch", times);
});

// Runs in the window: clicks the link to the rows page and times, from the click, the moment the
// program's rows are in the frame's document (the patch applied) and the first frame painted
// after that (style, layout and paint of the thousand rows).
function loadRowsPage() {
  return new Promise((resolve) => {
    const frameElement = document.getElementById("jv-top");
    const before = frameElement.contentWindow.document;
    const start = performance.now();
    let applied = 0;
    const filled = (d) => d.getElementById("RowCount")?.textContent === "1000";
    const painted = (win) =>
      win.requestAnimationFrame(() =>
        setTimeout(() => resolve({ applied: applied - start, painted: performance.now() - start }), 0),
      );
    const watch = () => {
      const win = frameElement.contentWindow;
      const d = win.document;
      if (d === before || d.readyState === "uninitialized" || !d.documentElement) {
        setTimeout(watch, 0);
        return;
      }
      if (filled(d)) {
        applied = performance.now();
        painted(win);
        return;
      }
      // The observer runs as soon as the task that applied the patch ends.
      const observer = new MutationObserver(() => {
        if (!filled(d)) return;
        observer.disconnect();
        applied = performance.now();
        painted(win);
      });
      observer.observe(d, { childList: true, subtree: true, characterData: true });
    };
    frameElement.contentWindow.document.getElementById("RowsLink").click();
    watch();
  });
}

test("a page of 1,000 rows loaded", async (t) => {
  const applied = [];
  const painted = [];
  const runs = Number(process.env.JV_E2E_BENCH_RUNS || 30);
  for (let i = 0; i < runs + 3; i++) {
    const frame = await frameNamed(page, "jv-top");
    await frame.waitForSelector("#LoadedBy:has-text('program')");
    const times = await page.evaluate(loadRowsPage);
    const rows = await frameNamed(page, "jv-top");
    assert.equal(await rows.locator("#Rows tbody tr").count(), 1000);
    if (i >= 3) {
      // the first ones warm up
      applied.push(times.applied);
      painted.push(times.painted);
    }
    await rows.evaluate(() => { location.href = "100"; });
    await page.waitForFunction(() => /\/100$/.test(document.getElementById("jv-top").contentWindow.location.href));
  }
  report(t, "1,000-row page from click to rows in the document", applied);
  report(t, "1,000-row page from click to rows painted", painted);
});
