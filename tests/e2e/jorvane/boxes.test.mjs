// The program's boxes as a user meets them: each opens with its default button focused, so that
// Enter gives the default answer; and a page asking for box after box without waiting shows a few
// of them over each other, the program staying alive (also under an AddressSanitizer build: run
// this file with JV_JORVANE set to that build's jorvane).
import assert from "node:assert/strict";
import { after, before, describe, test } from "node:test";
import { dialog, eventually, frame, jorvaneHome, startJorvane, windowDelivered } from "./harness.mjs";

const CAR = "INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('{0000000B-0000-0000-0000-000000000002}', 'Daily', -1, 0, 0);" +
  "UPDATE Prefs SET Internet = 2;";

const boxesShown = (app) => app.page.locator("dialog.jv-dialog").count();
const focusedId = (box) => box.evaluate(() => (document.activeElement && document.activeElement.id) || "");

async function chooseFromMenu(app, menu, item) {
  await app.page.locator("#jv-menubar .jv-menu > button", { hasText: menu }).click();
  await app.page.locator("#jv-menubar .jv-open li button", { hasText: item }).click();
}

describe("the program's boxes", () => {
  let home;
  let app;
  before(async () => {
    // Nobody listens at the web service's address: the update check cannot reach it.
    home = jorvaneHome({ webUrl: "127.0.0.1:9" });
    home.seed(CAR);
    app = await startJorvane(home);
  });
  after(async () => {
    await app.close();
    home.remove();
  });

  test("each opens with its default button focused, and Enter gives the default answer", async () => {
    const workspace = await frame(app.page, "main_workspace");
    const cases = [
      {
        what: "the service could not be reached (OK, not Retry)",
        open: () => chooseFromMenu(app, "Help", "Check For Updates"),
        title: "Couldn't Reach Internet",
        focused: "ButtonOK",
      },
      { what: "the about box", open: () => chooseFromMenu(app, "Help", "About Jorvane"), title: "About Jorvane", focused: "ButtonOK" },
      {
        what: "a page's question",
        open: () => workspace.evaluate(() => { window.jvAnswer = window.jvConfirm("Go on?"); }),
        title: "Jorvane",
        focused: "ButtonOK",
        answer: () => workspace.evaluate(() => window.jvAnswer),
        answered: true,
      },
    ];
    for (const c of cases) {
      await c.open();
      const box = await dialog(app.page);
      assert.equal(await box.title(), c.title, c.what);
      await eventually(async () => (await focusedId(box)) === c.focused, c.what + ": " + c.focused + " focused");
      await app.page.keyboard.press("Enter");
      await eventually(async () => (await boxesShown(app)) === 0, c.what + ": the box closed");
      // Nothing asked again: a box asked again would be open by the time the program answers a
      // call made after the answer.
      await windowDelivered(app, workspace);
      assert.equal(await boxesShown(app), 0, c.what + ": not shown again");
      if (c.answer) assert.equal(await c.answer(), c.answered, c.what);
    }
  });

  test("1,500 alerts at once: a few boxes over each other, the rest logged, the program alive", { timeout: 120000 }, async () => {
    const workspace = await frame(app.page, "main_workspace");
    await workspace.evaluate(() => {
      for (let i = 0; i < 1500; ++i) alert("Box " + i);
    });
    await eventually(() => (home.traceLog().match(/it was not shown/g) || []).length >= 1496, "the boxes past the few logged", 60000);
    assert.equal(await boxesShown(app), 4);
    // The user closes them one after the other.
    for (let open = 4; open > 0; --open) {
      await (await dialog(app.page)).locator("body").press("Escape");
      await eventually(async () => (await boxesShown(app)) === open - 1, "a box closed");
    }
    assert.equal(app.ended, null, "the program is alive");
    assert.equal(await workspace.evaluate(async () => {
      await window.external.JVToString(2.5, 1);
      return document.getElementById("NumberScratch").innerText;
    }), "2.5");
    assert.ok(!app.stderr.some((line) => /AddressSanitizer|runtime error/.test(line)), app.stderr.join("\n"));
  });
});
