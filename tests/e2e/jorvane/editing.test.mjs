// Editing in the window the program starts itself, as on a person's desktop: headed Chromium on a
// virtual display, keys pressed on the display (xdotool), the desktop's clipboard (xclip). The
// menu's Paste pastes the clipboard's text without the browser asking first, a field's grey hint
// never mixes with the text, and the browser offers no completions of earlier typing of its own.
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { after, before, describe, test } from "node:test";
import { dialog, eventually, findDialog, frame, jorvaneHome, openRegister, startJorvaneHeaded, virtualDisplay, windowDelivered } from "./harness.mjs";

const A_CAR = "INSERT INTO Vehicles (VehicleID, Name, Custom, Sold, Selected) VALUES ('{0000000A-0000-0000-0000-000000000001}', 'Daily', -1, 0, 0);" +
  "UPDATE Prefs SET Internet = 1;";


function has(program) {
  try {
    execFileSync("sh", ["-c", "command -v " + program]);
    return true;
  } catch {
    return false;
  }
}

// The display's keyboard and clipboard, as a person's desktop gives them to the window.
function desktop(display) {
  const env = { ...process.env, DISPLAY: display.name };
  const run = (program, args, input) => execFileSync(program, args, { env, input, encoding: "utf8", stdio: ["pipe", "pipe", "ignore"] });
  return {
    // The window gets the keyboard's focus, as a click on its title gives it.
    focusWindow() {
      const window = run("xdotool", ["search", "--onlyvisible", "--class", "chromium"]).trim().split("\n")[0];
      run("xdotool", ["windowfocus", "--sync", window]);
    },
    keys(...keys) {
      for (const key of keys) run("xdotool", ["key", "--delay", "60", key]);
    },
    type(text) {
      run("xdotool", ["type", "--delay", "60", text]);
    },
    copy(text) {
      // xclip stays behind to hand the text out: its output is not waited for.
      execFileSync("xclip", ["-selection", "clipboard"], { env, input: text, stdio: ["pipe", "ignore", "ignore"] });
    },
  };
}

// A menu's item chosen by its access keys, as a person does with the keyboard: the menu opens,
// and closes as the item is chosen (a command of the browser's own, as Undo, is done by then).
async function menuKeys(app, keyboard, menu, item) {
  const open = app.page.locator("#jv-menubar .jv-open");
  keyboard.keys("alt+" + menu);
  await open.waitFor();
  keyboard.keys(item);
  await open.waitFor({ state: "detached" });
}

describe("editing in the program's own window", () => {
  let display = null;
  before(async () => {
    if (has("xdotool") && has("xclip")) display = await virtualDisplay(1400, 900);
  });
  after(async () => {
    if (display) await display.close();
  });

  const start = async (home) => {
    home.writeSettings({ WindowPos: "0,1,-1,-1,-1,-1,0,0,1400,900" });
    const app = await startJorvaneHeaded(home, display);
    const keyboard = desktop(display);
    keyboard.focusWindow();
    return { app, keyboard };
  };

  test("Edit > Paste pastes the clipboard's text into a field showing its hint, and Undo takes only it back", { timeout: 90000 }, async (t) => {
    if (!display) {
      t.skip("no Xvfb, xdotool or xclip for a headed window");
      return;
    }
    const home = jorvaneHome();
    home.seed(A_CAR);
    try {
      const { app, keyboard } = await start(home);
      const page = await openRegister(app, "a.nav-expense", "Miscellaneous Expense Register");
      // The program's pages may read the clipboard: the browser has nothing to ask.
      assert.equal(await page.evaluate(async () => (await navigator.permissions.query({ name: "clipboard-read" })).state), "granted");
      keyboard.copy("Copy Me");
      const memo = 'tr[id="new"] + tr [name="Memo"]';
      const vendor = 'tr[id="new"] [name="Vendor"]';
      assert.equal(await page.inputValue(memo), "Memo");
      await page.click(memo);

      await menuKeys(app, keyboard, "e", "p");
      await eventually(async () => (await page.inputValue(memo)) === "Copy Me", "the clipboard's text in the memo");
      // Pasted as Ctrl+V pastes: the field goes on taking typing after it.
      keyboard.type("!");
      await eventually(async () => (await page.inputValue(memo)) === "Copy Me!", "typing after the paste");

      // Undo from the menu takes back the typing, then the paste; the hint never joins the text.
      const seen = [];
      for (let n = 0; n < 3; n++) {
        await menuKeys(app, keyboard, "e", "u");
        seen.push(await page.inputValue(memo));
      }
      assert.ok(seen.every((text) => !/Memo/.test(text)), "the hint mixed with the text: " + JSON.stringify(seen));
      assert.equal(seen.at(-1), "");

      // Pasted into the vendor, left, and the memo's hint is back alone.
      await page.click(vendor);
      await menuKeys(app, keyboard, "e", "p");
      await eventually(async () => (await page.inputValue(vendor)) === "Copy Me", "the clipboard's text in the vendor");
      assert.equal(await page.inputValue(memo), "Memo");
      assert.equal(await page.evaluate((selector) => document.querySelector(selector).className, memo), "registerValueBoxTip");
      assert.equal((await app.close()).code, 0);
    } finally {
      home.remove();
    }
  });

  test("after a car typed in by hand, the next car's Make offers nothing of the browser's", { timeout: 120000 }, async (t) => {
    if (!display) {
      t.skip("no Xvfb, xdotool or xclip for a headed window");
      return;
    }
    const home = jorvaneHome();
    home.seed(A_CAR);
    try {
      const { app, keyboard } = await start(home);
      const workspace = async () => frame(app.page, "main_workspace");
      const newCar = async () => {
        await app.page.locator("#jv-menubar .jv-menu > button", { hasText: "Go To" }).click();
        await app.page.locator("#jv-menubar .jv-open li button", { hasText: "Add A Car For Advanced Users" }).click();
        // The page asks first whether it may connect for the car data: not now.
        const consent = await findDialog(app, /Will you allow Jorvane to connect/, "the consent question");
        await consent.click("#ButtonCancel");
        await eventually(async () => (await (await workspace()).title()) === "Vehicle Information Page", "the vehicle page");
        const page = await workspace();
        await eventually(() => page.locator("#CustomCarMake").isVisible(), "the custom inputs");
        return page;
      };

      // The first car, typed in field by field, saved with its generic plan.
      let page = await newCar();
      for (const [id, text] of [["CustomCarMake", "Toyota"], ["CustomCarYear", "2015"], ["CustomCarModel", "Corolla"],
        ["CustomCarStyle", "LE"], ["CustomCarDriveType", "FWD"], ["CustomCarEngine", "1.8"], ["CustomCarTransmission", "Manual"],
        ["CarCurrentOdometer", "15000"]]) {
        await page.click("#" + id);
        keyboard.type(text);
        keyboard.keys("Tab");
        await eventually(async () => (await page.inputValue("#" + id)) === text, "the typing in " + id);
      }
      await page.locator("input[name=CarDriving][value='N']").check();
      await eventually(() => page.locator("#DownloadPlan").isEnabled(), "the download button");
      await page.click("#DownloadPlan");
      const found = await findDialog(app, /built one based on industry standards/, "the generic plan's message");
      await found.click("#ButtonOK");
      await page.click("#SaveVehicle");
      const name = await dialog(app.page);
      await name.click("#CarName");
      keyboard.type("Second");
      await name.click("#ButtonOK");
      const another = await findDialog(app, /Would you like to add another car/, "the add-another question");
      await another.click("#ButtonCancel");
      const notice = await findDialog(app, /automatically create one or more entries/, "the new car's notice");
      await notice.click("#ButtonOK");
      await eventually(async () => (await (await workspace()).title()) === "Home Page", "the home page");
      assert.equal(home.query("SELECT Make || ' ' || StyleYear FROM Vehicles WHERE Name = 'Second'"), "Toyota 2015");

      // The next car: "T", Down and Enter in its Make leave the "T" alone, and the Year empty.
      page = await newCar();
      await page.click("#CustomCarMake");
      keyboard.type("T");
      await eventually(async () => (await page.inputValue("#CustomCarMake")) === "T", "the T typed");
      // The keys reach the page (a list of the browser's would take them for itself), and what the
      // page does with them is done.
      await page.evaluate(() => {
        window.keysSeen = [];
        document.addEventListener("keydown", (event) => window.keysSeen.push(event.key), true);
      });
      keyboard.keys("Down", "Return");
      await eventually(() => page.evaluate(() => window.keysSeen.includes("Enter")), "Down and Enter in the Make");
      await windowDelivered(app, page);
      assert.equal(await page.inputValue("#CustomCarMake"), "T");
      assert.equal(await page.inputValue("#CustomCarYear"), "");
      assert.equal(await page.inputValue("#CustomCarModel"), "");
      await app.kill({ check: false });
    } finally {
      home.remove();
    }
  });
});
