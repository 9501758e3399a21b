// Measures, in the real browser, the round trip from a click to the program's change on the
// page, and loading a page whose program fills a thousand rows. The figures are reported
// (test diagnostics and "BENCH" lines), never asserted: speed is not a test's business.
import { test, before, after } from "node:test";
import { startApp, startBrowser, openWindow, frameNamed } from "./harness.mjs";

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

test("a page of 1,000 rows loaded", async (t) => {
  const times = [];
  for (let i = 0; i < 6; i++) {
    const frame = await frameNamed(page, "jv-top");
    await frame.waitForSelector("#LoadedBy:has-text('program')");
    const elapsed = await page.evaluate(
      () =>
        new Promise((resolve) => {
          const frameElement = document.getElementById("jv-top");
          const start = performance.now();
          frameElement.contentWindow.document.getElementById("RowsLink").click();
          const check = () => {
            const d = frameElement.contentWindow.document;
            const count = d.getElementById("RowCount");
            if (count && count.textContent === "1000" && d.querySelectorAll("#Rows tbody tr").length === 1000) {
              resolve(performance.now() - start);
            } else {
              setTimeout(check, 1);
            }
          };
          check();
        }),
    );
    if (i > 0) times.push(elapsed);
    const rows = await frameNamed(page, "jv-top");
    await rows.evaluate(() => { location.href = "100"; });
    await page.waitForFunction(() => /\/100$/.test(document.getElementById("jv-top").contentWindow.location.href));
  }
  report(t, "1,000-row page from click to rows shown", times);
});
