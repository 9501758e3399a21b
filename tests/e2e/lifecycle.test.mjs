// The window and the program's loop: a window that reloads comes back to the program and shows
// its page again; closing the window ends the program.
import { test } from "node:test";
import assert from "node:assert/strict";
import { startApp, startBrowser, openWindow, frameNamed } from "./harness.mjs";

function within(promise, ms, what) {
  return Promise.race([
    promise,
    new Promise((_, reject) => setTimeout(() => reject(new Error(what + " took longer than " + ms + " ms")), ms)),
  ]);
}

test("a reloaded window shows the program's page again, and closing the window ends the program", async () => {
  const app = await startApp();
  const browser = await startBrowser();
  try {
    const page = await openWindow(browser.context, app);
    let frame = await frameNamed(page, "jv-top");
    await frame.waitForSelector("#LoadedBy:has-text('program')");

    await page.reload();
    frame = await frameNamed(page, "jv-top");
    await frame.waitForSelector("#LoadedBy:has-text('program')");
    assert.equal(await page.locator("#jv-offline").isHidden(), true);
    // The window talks to the program again.
    await frame.fill("#Name", "after the reload");
    await frame.click("#Save");
    await frame.waitForFunction(() => window.lastSaved !== undefined);
    assert.match(await frame.evaluate(() => window.lastSaved), /^after the reload\|/);
    assert.equal(app.child.exitCode, null);

    await page.close();
    const ended = await within(app.exited, 10000, "ending the program");
    assert.deepEqual(ended, { code: 0, signal: null });
  } finally {
    await browser.close();
    await app.stop();
  }
});

// A reload connects again while the earlier page's connection may still be closing: the window
// that was turned away meanwhile takes the program's page once the earlier one has gone, and
// the program goes on with it instead of ending with a window that says it is not connected.
test("a window turned away while another is connected takes over once that one has gone", async () => {
  const app = await startApp();
  const browser = await startBrowser();
  try {
    const first = await openWindow(browser.context, app);
    await (await frameNamed(first, "jv-top")).waitForSelector("#LoadedBy:has-text('program')");
    const second = await browser.context.newPage();
    await second.goto(app.origin + "/");
    await first.close();

    const frame = await frameNamed(second, "jv-top", 20000);
    await frame.waitForSelector("#LoadedBy:has-text('program')");
    assert.equal(await second.locator("#jv-offline").isHidden(), true);
    await frame.fill("#Name", "taken over");
    await frame.click("#Save");
    await frame.waitForFunction(() => window.lastSaved !== undefined);
    assert.match(await frame.evaluate(() => window.lastSaved), /^taken over\|/);
    assert.equal(app.child.exitCode, null);

    await second.close();
    assert.deepEqual(await within(app.exited, 10000, "ending the program"), { code: 0, signal: null });
  } finally {
    await browser.close();
    await app.stop();
  }
});
