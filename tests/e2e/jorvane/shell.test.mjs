// The main window as a user meets it: the first start, the consent question, the car list, script
// errors, a second start, and closing the window.
import assert from "node:assert/strict";
import { spawn } from "node:child_process";
import { statSync } from "node:fs";
import { after, before, describe, test } from "node:test";
import { dialog, eventually, frame, jorvaneHome, startJorvane, startSoapServer } from "./harness.mjs";

const CAR = (id, name) =>
  `INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('${id}', '${name.replaceAll("'", "''")}', -1, 0, 0);`;

describe("the main window", () => {
  let soap;
  before(async () => {
    // The service sends its HTML as text, escaped in the XML.
    soap = await startSoapServer({
      getPartnerText: "Brought to you by &lt;b&gt;Partner&lt;/b&gt;&lt;script&gt;window.bad=1&lt;/script&gt;",
    });
  });
  after(async () => soap.close());

  test("a first start makes the user's database and shows the frameset; closing ends the program", async () => {
    const home = jorvaneHome({ webUrl: soap.host });
    try {
      const app = await startJorvane(home);
      assert.equal(statSync(home.databasePath).mode & 0o777, 0o600);
      for (const name of ["main_navbar", "main_workspace", "main_footer", "main_title"]) await frame(app.page, name);
      const workspace = await frame(app.page, "main_workspace");
      assert.equal(await workspace.title(), "Home Page");
      // A new database connects without asking and remembers it.
      await eventually(() => home.query("SELECT Internet FROM Prefs") === "2", "the preference to connect");
      const navbar = await frame(app.page, "main_navbar");
      await eventually(async () => (await navbar.locator("#PartnerText").innerHTML()).includes("<b>Partner</b>"),
        "the partner text");
      assert.ok(!(await navbar.locator("#PartnerText").innerHTML()).includes("script"), "the partner text's script was kept");
      assert.match(await app.page.locator("#jv-statusbar").innerText(), /Connected/);
      const how = await app.close();
      assert.deepEqual(how, { code: 0, signal: null });
      const settings = home.settings();
      assert.equal(settings.WindowPos.split(",").length, 10);
      assert.equal(settings.NewCar, "0");
      assert.match(home.traceLog().trim().split("\n").pop(), /stopping Jorvane client$/);
    } finally {
      home.remove();
    }
  });

  // The stored preference after each answer, and whether the program connected.
  const answers = [
    { button: "ButtonYes", stored: "2", connects: true },
    { button: "ButtonThisTime", stored: "0", connects: true },
    { button: "ButtonNo", stored: "0", connects: false },
    { button: "Escape", stored: "0", connects: false },
  ];
  for (const answer of answers) {
    test(`the consent question answered with ${answer.button}`, async () => {
      const home = jorvaneHome({ webUrl: soap.host });
      home.seed(CAR("{11111111-1111-1111-1111-111111111111}", "Daily") + "UPDATE Prefs SET Internet = 0;");
      try {
        const before = soap.calls.length;
        const app = await startJorvane(home, { waitForFrameset: false });
        const question = await dialog(app.page);
        assert.equal(await question.title(), "Connecting To Internet");
        assert.match(await question.locator("#ConnectionText").innerText(), /\S/);
        if (answer.button === "Escape") await question.locator("body").press("Escape");
        else await question.click("#" + answer.button);
        await frame(app.page, "main_navcarlist");
        assert.equal(home.query("SELECT Internet FROM Prefs"), answer.stored);
        assert.equal(soap.calls.length > before, answer.connects);
        assert.equal((await app.close()).code, 0);
      } finally {
        home.remove();
      }
    });
  }

  test("car names are shown as text; selecting a car is kept", async () => {
    const home = jorvaneHome();
    const hostile = `<b>&"'<img src=x onerror="window.hit=1">`;
    home.seed(CAR("{AAAAAAAA-0000-0000-0000-000000000001}", hostile) +
      CAR("{AAAAAAAA-0000-0000-0000-000000000002}", "Second") + "UPDATE Prefs SET Internet = 1;");
    try {
      const app = await startJorvane(home);
      const list = await frame(app.page, "main_navcarlist");
      const first = list.locator("tr[id='{AAAAAAAA-0000-0000-0000-000000000001}'] td").first();
      await first.waitFor();
      assert.equal((await first.innerText()).trim(), hostile);
      assert.equal(await list.evaluate(() => window.hit), undefined);
      // Two cars: the All Cars row is there and selected.
      assert.equal(await list.locator("tr[id='%'] td").first().getAttribute("class"), "selected");
      await list.locator("tr[id='{AAAAAAAA-0000-0000-0000-000000000002}'] div").dispatchEvent("mouseup");
      await eventually(() => home.settings().SelectedCar === "{AAAAAAAA-0000-0000-0000-000000000002}", "SelectedCar");
      await eventually(async () => (await list.locator("tr[id='{AAAAAAAA-0000-0000-0000-000000000002}'] td").first()
        .getAttribute("class")) === "selected", "the selected row");
      assert.match(await app.page.title(), /^Second - Jorvane$/);
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });

  test("script errors in the frameset and in a frame reach the trace log", async () => {
    const home = jorvaneHome();
    home.seed("UPDATE Prefs SET Internet = 1;");
    try {
      const app = await startJorvane(home, { expectProblems: true });
      const top = await frame(app.page, "jv-top");
      await top.evaluate(() => setTimeout(() => { throw new Error("frameset trouble"); }, 0));
      await eventually(() => /ERR  JavaScript Error.*frameset trouble/s.test(home.traceLog()), "the frameset's error");
      // The problem-report dialog comes up for it; the user declines.
      const report = await dialog(app.page);
      await report.locator("body").press("Escape");
      const workspace = await frame(app.page, "main_workspace");
      await workspace.evaluate(() => setTimeout(() => { throw new Error("workspace trouble"); }, 0));
      await eventually(() => /ERR  JavaScript Error.*workspace trouble/s.test(home.traceLog()), "the frame's error");
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });

  test("a second start hands over to the first and ends at once", async () => {
    const home = jorvaneHome();
    home.seed("UPDATE Prefs SET Internet = 1;");
    try {
      const app = await startJorvane(home);
      await app.page.evaluate(() => {
        window.raised = 0;
        window.focus = () => { window.raised += 1; };
      });
      const started = Date.now();
      const second = spawn(process.env.JV_JORVANE, [], { env: { ...process.env, ...home.env }, stdio: "ignore" });
      const code = await new Promise((resolve) => second.on("exit", resolve));
      assert.equal(code, 0);
      assert.ok(Date.now() - started < 1000, "the second start took " + (Date.now() - started) + " ms");
      await eventually(() => app.page.evaluate(() => window.raised === 1), "the first window raised");
      assert.equal(home.traceLog().match(/starting Jorvane client/g).length, 1);
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });
});
