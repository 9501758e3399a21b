// The home page's printouts as they come out of a printer: each print button's document printed to
// PDF with the browser's default settings (no background graphics) and looked at as pixels, and
// the page itself printed as shown (Ctrl+P). No printout carries the browser's own header and
// footer (the page's address, its title, the date and time, the page count).
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { after, before, describe, test } from "node:test";
import { dialog, eventually, frame, jorvaneHome, printedPage, startJorvane } from "./harness.mjs";
import { DAILY, garage } from "./garage.mjs";

// Resolution of the printed sheet as it is read back, and its margin (the print style sheet's).
const DPI = 150;
const MARGIN = (15 / 25.4) * DPI;

// The page as a printer gets it: a PDF of the first sheet, read back as pixels (pdftoppm's PPM).
async function printedPixels(paper) {
  const folder = mkdtempSync(join(tmpdir(), "jv-e2e-print-"));
  try {
    writeFileSync(join(folder, "page.pdf"), await paper.pdf({ preferCSSPageSize: true }));
    execFileSync("pdftoppm", ["-r", String(DPI), "-f", "1", "-l", "1", join(folder, "page.pdf"), join(folder, "page")]);
    const ppm = readFileSync(join(folder, "page-1.ppm"));
    const header = /^P6\s+(\d+)\s+(\d+)\s+255\s/.exec(ppm.toString("latin1", 0, 64));
    return { width: Number(header[1]), height: Number(header[2]), data: ppm.subarray(header[0].length) };
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}

// Screenshots and printed sheets go to this folder when it is named (they are looked at, not compared).
const SHOTS = process.env.JV_SHOTS || "";

// The text of the page printed to PDF as the browser's print dialog prints it by default: with the
// browser's header and footer switched on (the address, the title, the date and time, the page count).
async function printedText(paper, name) {
  const folder = mkdtempSync(join(tmpdir(), "jv-e2e-print-"));
  try {
    const session = await paper.context().newCDPSession(paper);
    const { data } = await session.send("Page.printToPDF", { displayHeaderFooter: true });
    await session.detach();
    writeFileSync(join(folder, "page.pdf"), Buffer.from(data, "base64"));
    if (SHOTS) writeFileSync(join(SHOTS, name + ".pdf"), Buffer.from(data, "base64"));
    return execFileSync("pdftotext", ["-layout", join(folder, "page.pdf"), "-"], { encoding: "utf8" });
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}

// What of the browser's header and footer a printed text shows.
function browserMargins(text) {
  const found = [];
  if (/127\.0\.0\.1|https?:\/\//.test(text)) found.push("the page's address");
  if (/\d{1,2}\/\d{1,2}\/\d{2,4},?\s+\d{1,2}:\d{2}/.test(text)) found.push("the date and time");
  return found;
}

// The pixel of the sheet where a point of the page (CSS pixels from its top left) is printed.
function pixelAt(pixels, x, y) {
  const px = Math.round(MARGIN + (x * DPI) / 96);
  const py = Math.round(MARGIN + (y * DPI) / 96);
  const i = (py * pixels.width + px) * 3;
  return [pixels.data[i], pixels.data[i + 1], pixels.data[i + 2]];
}

// True when something dark is printed within two pixels of a point of the page.
function darkNear(pixels, x, y) {
  for (let dx = -2; dx <= 2; dx++) {
    for (let dy = -2; dy <= 2; dy++) {
      if (pixelAt(pixels, x + (dx * 96) / DPI, y + (dy * 96) / DPI).every((v) => v < 110)) return true;
    }
  }
  return false;
}

// How many pixels are near the colour (r, g, b).
function count(pixels, [r, g, b], slack = 40) {
  let n = 0;
  for (let i = 0; i + 2 < pixels.data.length; i += 3) {
    if (Math.abs(pixels.data[i] - r) <= slack && Math.abs(pixels.data[i + 1] - g) <= slack &&
        Math.abs(pixels.data[i + 2] - b) <= slack) n++;
  }
  return n;
}

describe("the home page's printouts", () => {
  let home;
  let app;
  let page;
  before(async () => {
    home = jorvaneHome();
    home.seed(garage().replace("'Daily', 2019, 'Toyota', 'Corolla', 'LE'", "'Daily Driver', 2018, 'Toyota', 'Camry', 'LE'"));
    app = await startJorvane(home, { env: { JV_NOW: "2026-12-09" } });
    // Each printed document is kept instead of printed.
    await app.context.addInitScript(() => {
      window.print = () => {
        window.top.jvPrinted = (window.top.jvPrinted || []).concat([document.documentElement.outerHTML]);
      };
    });
    // The home page again, now with the kept print.
    await (await frame(app.page, "main_workspace")).locator("#carlist tr.listrow").first().waitFor();
    await (await frame(app.page, "main_navbar")).click("a.nav-home");
    await eventually(async () => {
      const shown = app.page.frame({ name: "main_workspace" });
      return shown && (await shown.evaluate(() => window.print.toString().includes("jvPrinted")).catch(() => false));
    }, "the home page loaded again");
    page = await frame(app.page, "main_workspace");
    await page.locator("#carlist tr.listrow").first().waitFor();
  });
  after(async () => {
    assert.deepEqual(app.browserDialogs, []);
    await app.close();
    home.remove();
  });

  // Presses a print button and shows the document it printed on a page of its own.
  async function printedBy(button) {
    const before = (await app.page.evaluate(() => window.jvPrinted || [])).length;
    await page.click(button);
    const html = await eventually(async () => (await app.page.evaluate(() => window.jvPrinted || []))[before], "a print");
    return printedPage(app, html);
  }

  // Presses Ctrl+P in the workspace and shows the document it printed on a page of its own.
  async function printedByCtrlP() {
    await app.page.bringToFront();
    const workspace = await frame(app.page, "main_workspace");
    await workspace.locator("body").click({ position: { x: 5, y: 5 } });
    const before = (await app.page.evaluate(() => window.jvPrinted || [])).length;
    await app.page.keyboard.press("Control+p");
    const html = await eventually(async () => (await app.page.evaluate(() => window.jvPrinted || []))[before], "the page printed");
    return printedPage(app, html);
  }

  test("the graph prints as it is shown: its line, its points and its grid", async () => {
    const paper = await printedBy("#GraphPrint");
    try {
      assert.match(await paper.locator("body").innerText(), /Total Cost For Daily Driver/);
      await paper.emulateMedia({ media: "print" });
      const points = await paper.locator("#Graph .point").evaluateAll((all) => all.map((point) => {
        const box = point.getBoundingClientRect();
        return { x: box.left + box.width / 2, y: box.top + box.height / 2 };
      }));
      assert.ok(points.length >= 3, "points on the page");
      const pixels = await printedPixels(paper);
      // The points are red (#cc3300), the grid a pale blue-grey (#eef1f5); the line joins the
      // points: its middle between two of them is printed.
      assert.ok(count(pixels, [0xcc, 0x33, 0x00], 50) >= points.length * 6, "the points are printed");
      assert.ok(count(pixels, [0xee, 0xf1, 0xf5], 4) > 20000, "the grid is printed");
      const middles = points.slice(1).map((point, i) =>
        darkNear(pixels, (point.x + points[i].x) / 2, (point.y + points[i].y) / 2));
      assert.deepEqual(middles, middles.map(() => true), "the line between each two points is printed");
    } finally {
      await paper.close();
    }
  });

  test("the car overview prints each car's name above its description, without the details link or the lists' arrows", async () => {
    const paper = await printedBy("tr.titlebar .printbutton");
    try {
      await paper.emulateMedia({ media: "print" });
      const cars = await paper.locator("tr.listrow > td:first-child").evaluateAll((cells) => cells.map((cell) => {
        const name = cell.querySelector("h3").getBoundingClientRect();
        const line = cell.querySelector("p").getBoundingClientRect();
        return { name: cell.querySelector("h3").innerText, clear: name.bottom <= line.top + 1 };
      }));
      assert.deepEqual(cars, [{ name: "Daily Driver", clear: true }, { name: "Weekend", clear: true }]);
      const text = await paper.locator("body").innerText();
      assert.match(text, /2 services due/);
      assert.doesNotMatch(text, /show details|\[|\]/);
      // A list prints as the choice it shows, without the arrow that opens it.
      const lists = await paper.locator("select").evaluateAll((selects) => selects.map((s) => getComputedStyle(s).appearance));
      assert.deepEqual(lists, ["none", "none"]);
    } finally {
      await paper.close();
    }
  });

  test("the page printed as shown (Ctrl+P) leaves out the print buttons, the graph's choices and the details link, and keeps the graph", async () => {
    await app.page.bringToFront();
    await page.locator("body").click({ position: { x: 5, y: 5 } });
    const before = (await app.page.evaluate(() => window.jvPrinted || [])).length;
    await app.page.keyboard.press("Control+p");
    await eventually(async () => (await app.page.evaluate(() => window.jvPrinted || [])).length > before, "the page printed");
    await app.page.emulateMedia({ media: "print" });
    try {
      const hidden = await page.evaluate(() => ["button.printbutton", ".graphcontrols", "#carlist a"].map((selector) =>
        [...document.querySelectorAll(selector)].every((el) => el.getClientRects().length === 0)));
      assert.deepEqual(hidden, [true, true, true]);
      const exact = await page.evaluate(() => getComputedStyle(document.querySelector("#Graph .point")).printColorAdjust);
      assert.equal(exact, "exact");
    } finally {
      await app.page.emulateMedia({ media: null });
    }
  });

  test("no printout carries the browser's header or footer: neither the address nor the date", async () => {
    const printouts = [
      ["home", "the home page (Ctrl+P)", printedByCtrlP, /Total Cost For Daily Driver/],
      ["home-graph", "the graph", () => printedBy("#GraphPrint"), /Total Cost For Daily Driver/],
      ["home-overview", "the car overview", () => printedBy("tr.titlebar .printbutton"), /Daily Driver/],
    ];
    const found = {};
    for (const [name, what, print, shows] of printouts) {
      const paper = await print();
      try {
        const text = await printedText(paper, name);
        assert.match(text, shows, what + " printed");
        found[what] = browserMargins(text);
      } finally {
        await paper.close();
      }
    }
    // The vehicle page, printed as it is shown too.
    await app.page.locator("#jv-menubar .jv-menu > button", { hasText: "Go To" }).click();
    await app.page.locator("#jv-menubar .jv-open li button", { hasText: "Edit Car Details" }).click();
    const chooser = await dialog(app.page);
    await chooser.selectOption("#CarList", DAILY);
    await chooser.click("#ButtonOK");
    await eventually(async () => (await (await frame(app.page, "main_workspace")).title()) === "Vehicle Information Page",
      "the vehicle page");
    const paper = await printedByCtrlP();
    try {
      const text = await printedText(paper, "vehicle");
      assert.match(text, /Vehicle Information/, "the vehicle page printed");
      found["the vehicle page (Ctrl+P)"] = browserMargins(text);
    } finally {
      await paper.close();
    }
    assert.deepEqual(found, Object.fromEntries(Object.keys(found).map((what) => [what, []])));
  });
});
