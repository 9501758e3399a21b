// The calculations of the register pages' script, worked by hand.
import assert from "node:assert/strict";
import { createRequire } from "node:module";
import { test } from "node:test";

const require = createRequire(import.meta.url);
const { FuelAmountsAgree, FuelCostVolume, FuelDistance, FuelOdometer, ServiceAmounts, EntriesInView, BodyLayout, GapsMeet } =
  require("../../../mainapp/resources/Register.js");
const { DateProblem, ParseRegisterDate } = require("../../../mainapp/resources/Validation.js");

// What the fuel register does with each typed amount: the field joins the typed ones (the latest
// last) and the three are settled.
function typeFuel(entry, [field, value]) {
  const typed = entry.typed.filter((name) => name !== field);
  if (value) typed.push(field);
  const result = FuelCostVolume(typed, field === "volume" ? value : entry.volume,
    field === "costPer" ? value : entry.costPer, field === "cost" ? value : entry.cost);
  return { volume: result.volume, costPer: result.costPer, cost: result.cost, typed, adjusted: result.adjusted };
}

test("volume, price per unit and total cost settle the same whatever the order and number of edits", () => {
  const stored = { volume: 38.051, costPer: 1.719, cost: 65.41, typed: [] };
  const blank = { volume: 0, costPer: 0, cost: 0, typed: [] };
  const cases = [
    // start, edits -> volume, costPer, cost
    [blank, [["volume", 10], ["costPer", 3.1]], [10, 3.1, 31]],
    [blank, [["cost", 40], ["volume", 12.5]], [12.5, 3.2, 40]],
    [blank, [["costPer", 2.5], ["cost", 30]], [12, 2.5, 30]],
    [blank, [["volume", 10.5], ["costPer", 3.199], ["cost", 33.59]], [10.5, 3.199, 33.59]],  // rounding agrees
    [blank, [["volume", 10], ["costPer", 3.1], ["cost", 31.2]], [10.065, 3.1, 31.2]],        // the two typed last stay
    [blank, [["volume", 10], ["costPer", 3.1], ["cost", 40], ["costPer", 3.5]], [11.429, 3.5, 40]],
    [blank, [["volume", 10], ["cost", 40], ["volume", 8]], [8, 5, 40]],
    // A stored purchase: the total paid is kept longest.
    [stored, [["costPer", 1.729]], [37.831, 1.729, 65.41]],
    [stored, [["costPer", 1.729], ["costPer", 1.739]], [37.614, 1.739, 65.41]],
    [stored, [["costPer", 1.729], ["volume", 38.051]], [38.051, 1.729, 65.79]],
    [stored, [["volume", 40]], [40, 1.635, 65.41]],
    [stored, [["cost", 70], ["costPer", 1.8], ["volume", 39]], [39, 1.8, 70.2]],
    [stored, [["volume", 0]], [38.051, 1.719, 65.41]],                                       // a cleared one is worked out
  ];
  for (const [start, edits, [volume, costPer, cost]] of cases) {
    const what = JSON.stringify(edits);
    let entry = start;
    for (const edit of edits) {
      entry = typeFuel(entry, edit);
      // After every edit the three agree, or fewer than three are given.
      if (entry.volume && entry.costPer && entry.cost) assert.ok(FuelAmountsAgree(entry.volume, entry.costPer, entry.cost), what);
    }
    assert.deepEqual([entry.volume, entry.costPer, entry.cost], [volume, costPer, cost], what);
    // Settling again changes nothing.
    assert.equal(FuelCostVolume(entry.typed, entry.volume, entry.costPer, entry.cost).adjusted, null, what);
  }
});

test("a service's cost follows its details until the user types one", () => {
  const none = { cost: 0, parts: 0, labor: 0, other: 0, tax: 0 };
  // What the service register does with each typed amount: a typed cost stops following.
  const typeService = (entry, [field, value]) => {
    const amounts = { ...entry.amounts, [field]: value };
    const follows = field === "cost" ? !value : entry.follows;
    const result = ServiceAmounts(amounts, follows);
    const { adjusted, ...next } = result;
    return { amounts: next, follows };
  };
  const cases = [
    // edits -> cost, parts, labor, other, tax
    [[["parts", 20], ["labor", 30]], [50, 20, 30, 0, 0]],
    [[["labor", 30], ["parts", 20], ["tax", 4.5]], [54.5, 20, 30, 0, 4.5]],
    [[["parts", 20], ["labor", 30], ["parts", 0]], [30, 0, 30, 0, 0]],
    [[["cost", 100], ["parts", 20]], [100, 20, 0, 0, 0]],
    [[["cost", 100], ["parts", 20], ["labor", 30], ["other", 10]], [100, 20, 30, 10, 40]],
    [[["cost", 100], ["parts", 20], ["labor", 30], ["tax", 60]], [100, 20, 30, -10, 60]],
    [[["cost", 40], ["parts", 20], ["labor", 30], ["tax", 5]], [40, 20, 30, -15, 5]],         // other may be negative
    [[["cost", 40], ["parts", 20], ["labor", 30], ["other", 5]], [40, 20, 30, 5, 0]],         // tax may not
    [[["cost", 100], ["parts", 20], ["labor", 30], ["other", 10], ["tax", 5]], [65, 20, 30, 10, 5]],
    [[["parts", 20], ["cost", 0]], [20, 20, 0, 0, 0]],
  ];
  for (const [edits, expected] of cases) {
    let entry = { amounts: none, follows: true };
    for (const edit of edits) entry = typeService(entry, edit);
    const { cost, parts, labor, other, tax } = entry.amounts;
    assert.deepEqual([cost, parts, labor, other, tax], expected, JSON.stringify(edits));
  }
});

test("the distance since the previous fill-up and the odometer it gives", () => {
  assert.equal(FuelDistance(12300, 12000), 300);
  assert.equal(FuelOdometer(12000, 287.5), 12287.5);
  assert.equal(FuelDistance(11900, 12000), -100);
});

test("register dates are month/day/year, a two-digit year the latest up to this year, none after today or before 1900", () => {
  const cases = [
    // text, the latest year -> the date
    ["12/09/26", 2026, { year: 2026, month: 12, day: 9 }],
    ["1/31/27", 2026, { year: 1927, month: 1, day: 31 }],
    ["1/5/30", 2030, { year: 2030, month: 1, day: 5 }],
    ["12/31/99", 2030, { year: 1999, month: 12, day: 31 }],
    ["1/1/00", 2030, { year: 2000, month: 1, day: 1 }],
    ["1/1/00", 2100, { year: 2100, month: 1, day: 1 }],
    ["2/29/2024", 2026, { year: 2024, month: 2, day: 29 }],
    ["2/29/2023", 2026, null],
    ["31/12/2024", 2026, null],
    ["2024-12-31", 2026, null],
    ["", 2026, null],
  ];
  for (const [text, latest, expected] of cases) assert.deepEqual(ParseRegisterDate(text, latest), expected, text);

  const today = { year: 2026, month: 12, day: 9 };
  const problems = [
    ["12/09/26", today, null],
    ["12/09/2026", today, null],
    ["1/1/1900", today, null],
    ["12/10/26", today, "Please enter a date that is not after today."],
    ["12/25/2026", today, "Please enter a date that is not after today."],
    ["12/31/2099", today, "Please enter a date that is not after today."],
    ["12/31/1899", today, "Please enter a date in 1900 or later."],
    ["13/45/26", today, "Please enter a valid date (month/day/year)."],
    // A page without the program's today (a dialog) checks only that it is a date.
    ["12/31/2099", null, null],
    ["2/30/26", null, "Please enter a valid date (month/day/year)."],
  ];
  for (const [text, day, expected] of problems) assert.equal(DateProblem(text, day), expected, text);
});

test("numbers are shown and read in the user's format as the program does", () => {
  const { FormatNumber, ParseNumber } = require("../../../mainapp/resources/Register.js");
  const us = { decimal: ".", thousand: ",", grouping: 3, leadingZero: true, negativeOrder: 1 };
  const german = { decimal: ",", thousand: ".", grouping: 3, leadingZero: true, negativeOrder: 1 };
  const plain = { decimal: ".", thousand: "", grouping: 0, leadingZero: false, negativeOrder: 0 };
  const formatted = [
    [12000, 1, us, "12,000.0"], [3.1995, 3, us, "3.200"], [0.005, 2, us, "0.01"], [-0.004, 2, us, "0.00"],
    [999.996, 2, us, "1,000.00"], [1234567.891, 2, german, "1.234.567,89"], [-2.5, 1, plain, "(2.5)"],
    [0.5, 1, plain, ".5"], [42, 0, us, "42"], [NaN, 2, us, "0.00"], [1e20, 0, us, "1,000,000,000,000,000"],
  ];
  for (const [value, digits, format, expected] of formatted) assert.equal(FormatNumber(value, digits, format), expected, `${value}`);
  const read = [
    ["12,300.5", us, 12300.5], [" 3.199", us, 3.199], ["12.300,5", german, 12300.5], ["abc", us, 0], ["12abc", us, 12],
    [".5", us, 0.5], ["-7", us, -7], ["", us, 0],
  ];
  for (const [text, format, expected] of read) assert.equal(ParseNumber(text, format), expected, text);
});

test("the entries a view of a long register shows, and whether they are rows yet", () => {
  const cases = [
    // scrollTop, viewHeight, bodyTop, entryHeight, total -> first, last
    [0, 400, 30, 40, 3000, { first: 0, last: 9 }],            // the heading above the first entry
    [40000, 400, 30, 40, 3000, { first: 999, last: 1009 }],   // in the middle, one entry cut at each edge
    [119700, 400, 30, 40, 3000, { first: 2991, last: 2999 }], // the end: the new entry below the last
    [0, 400, 30, 40, 0, null],                                // nothing to show
    [0, 400, 30, 0, 10, null],                                // no height measured
  ];
  for (const [scrollTop, viewHeight, bodyTop, entryHeight, total, expected] of cases)
    assert.deepEqual(EntriesInView(scrollTop, viewHeight, bodyTop, entryHeight, total), expected, `${scrollTop} of ${total}`);

  // Gaps count their entries; rows count one each.
  const layout = BodyLayout([{ gap: 100 }, { entry: true }, { entry: true }, { gap: 50 }, { entry: true }]);
  assert.deepEqual(layout, { total: 153, gaps: [{ first: 0, count: 100 }, { first: 102, count: 50 }] });
  assert.deepEqual(BodyLayout([]), { total: 0, gaps: [] });
  assert.equal(GapsMeet(layout.gaps, 100, 101), false);   // the two rows between the gaps
  assert.equal(GapsMeet(layout.gaps, 95, 101), true);     // the first gap's last entries
  assert.equal(GapsMeet(layout.gaps, 101, 102), true);    // the second gap's first entry
  assert.equal(GapsMeet(layout.gaps, 152, 160), false);   // the last row and past the end
});
