// Problem reports of script errors as a user meets them: one report at a time however often a page
// fails, the same error reported once, and the focus given back to the dialog beneath when a
// report closes. These journeys raise errors on purpose.
import assert from "node:assert/strict";
import { after, before, describe, test } from "node:test";
import { dialog, eventually, frame, jorvaneHome, startJorvane, windowDelivered } from "./harness.mjs";

const CAR = "INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('{0000000B-0000-0000-0000-000000000001}', 'Daily', -1, 0, 0);" +
  "UPDATE Prefs SET Internet = 1;";

// The problem reports shown now.
const reportsShown = (app) => app.page.locator("dialog.jv-dialog iframe").evaluateAll((frames) =>
  frames.filter((shown) => shown.contentDocument && shown.contentDocument.title === "Jorvane Problem Report").length);
// The reports the journey has closed that are still shown.
const closingReports = (app) => app.page.locator("dialog.jv-dialog iframe").evaluateAll((frames) =>
  frames.filter((shown) => shown.contentDocument && shown.contentDocument.body &&
    shown.contentDocument.body.dataset.closing === "yes").length);
const scriptErrorsLogged = (home) => (home.traceLog().match(/JavaScript Error/g) || []).length;

describe("problem reports of script errors", () => {
  let home;
  let app;
  before(async () => {
    home = jorvaneHome();
    home.seed(CAR);
    app = await startJorvane(home, { expectProblems: true });
  });
  after(async () => {
    await app.close();
    home.remove();
  });

  test("a page that fails every moment shows one report at a time, and the same error once", async () => {
    const workspace = await frame(app.page, "main_workspace");
    // Errors that differ each time: each is logged, none is shown over the open report.
    await workspace.evaluate(() => {
      let count = 0;
      window.jvFailing = setInterval(() => { throw new Error("failing again, " + count++); }, 1);
    });
    await eventually(async () => (await reportsShown(app)) === 1, "the report");
    await eventually(() => scriptErrorsLogged(home) > 50, "the errors logged meanwhile");
    assert.equal(await reportsShown(app), 1);
    await workspace.evaluate(() => clearInterval(window.jvFailing));
    // What came while it was open is not shown after it either.
    await (await dialog(app.page)).locator("body").press("Escape");
    await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });

    // The same error again and again: reported once; once its report is closed, never again.
    const before = scriptErrorsLogged(home);
    await workspace.evaluate(() => {
      window.jvFailing = setInterval(() => { throw new Error("the same failure"); }, 1);
    });
    const report = await dialog(app.page);
    assert.match(await report.locator("#message").innerText(), /the same failure/);
    await report.locator("body").press("Escape");
    await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });
    // The failures the page reported before a call have been handled by the time it is answered.
    await windowDelivered(app, workspace);
    assert.equal(await app.page.locator("dialog.jv-dialog").count(), 0);
    assert.equal(scriptErrorsLogged(home), before + 1);
    await workspace.evaluate(() => clearInterval(window.jvFailing));
    // The program still answers the page.
    assert.equal(await workspace.evaluate(async () => {
      await window.external.JVToString(2.5, 1);
      return document.getElementById("NumberScratch").innerText;
    }), "2.5");
  });

  test("after a report over a message box closes, the box has the focus again and Enter answers it", async () => {
    const workspace = await frame(app.page, "main_workspace");
    await workspace.evaluate(() => { window.jvAnswer = window.jvConfirm("Go on?"); });
    const box = await dialog(app.page);
    await box.locator("#ButtonOK").focus();
    await box.evaluate(() => setTimeout(() => { throw new Error("trouble in the box"); }, 0));
    await eventually(async () => (await reportsShown(app)) === 1, "the report over the box");
    const report = await dialog(app.page);
    await report.locator("body").press("Escape");
    await eventually(async () => (await app.page.locator("dialog.jv-dialog").count()) === 1, "the report closed");
    await app.page.keyboard.press("Enter");
    await app.page.locator("dialog.jv-dialog").waitFor({ state: "detached" });
    assert.equal(await workspace.evaluate(() => window.jvAnswer), true);
  });
});

describe("a page failing a different way every moment", () => {
  let home;
  let app;
  before(async () => {
    home = jorvaneHome();
    home.seed(CAR);
    app = await startJorvane(home, { expectProblems: true });
  });
  after(async () => {
    await app.close();
    home.remove();
  });

  test("a few reports, then the log only, and the page's record of errors stays small", async () => {
    const workspace = await frame(app.page, "main_workspace");
    await workspace.evaluate(() => {
      let count = 0;
      window.jvFailing = setInterval(() => { throw new Error("failing anew, " + count++); }, 1);
    });
    // The user closes each report as it comes.
    let closed = 0;
    for (; closed < 10; ++closed) {
      try {
        await eventually(async () => (await reportsShown(app)) === 1, "a report", closed < 5 ? 10000 : 2000);
      } catch {
        break;
      }
      const report = await dialog(app.page);
      await report.evaluate(() => { document.body.dataset.closing = "yes"; });
      await report.locator("body").press("Escape");
      await eventually(async () => (await closingReports(app)) === 0, "the report closed");
    }
    assert.equal(closed, 5, "reports shown one after the other");
    const logged = scriptErrorsLogged(home);
    await eventually(() => scriptErrorsLogged(home) > logged + 200, "the errors logged afterwards");
    assert.equal(await reportsShown(app), 0);
    assert.ok(await workspace.evaluate(() => jvReportedErrors.size) <= 100, "the page's record is bounded");
    await workspace.evaluate(() => clearInterval(window.jvFailing));
    assert.equal(await workspace.evaluate(async () => {
      await window.external.JVToString(2.5, 1);
      return document.getElementById("NumberScratch").innerText;
    }), "2.5");
  });
});
