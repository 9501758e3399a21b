// The calculations of the register pages' script, worked by hand. (The fuel and service arithmetic
// is the program's: its cases are in SaveChecksTest.)
import assert from "node:assert/strict";
import { createRequire } from "node:module";
import { test } from "node:test";

const require = createRequire(import.meta.url);
const { EntriesInView, BodyLayout, GapsMeet } = require("../../../mainapp/resources/Register.js");
const { DateProblem, ParseRegisterDate, TodayFrom } = require("../../../mainapp/resources/Validation.js");

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

test("a two-digit year typed over a stored entry's date is the year with those digits nearest the stored one", () => {
  const today = { year: 2030, month: 1, day: 10 };
  const cases = [
    // text, the stored year -> the problem, as the program's save has it
    ["03/02/25", 1925, null],
    ["3/2/05", 1905, null],
    ["01/06/30", 2030, null],
    ["01/05/30", 1905, null],
    ["12/31/99", 2030, null],
    // Of two years as near, the earlier: 1910, 1950.
    ["1/1/10", 1960, null],
    ["1/1/50", 2000, null],
    ["1/1/75", 1925, "Please enter a date in 1900 or later."],
    ["1/1/99", 1905, "Please enter a date in 1900 or later."],
    ["12/30/99", 2099, "Please enter a date that is not after today."],
    // Four digits mean what they say.
    ["3/2/2025", 1925, null],
    ["3/2/1899", 1925, "Please enter a date in 1900 or later."],
    ["2/30/25", 1925, "Please enter a valid date (month/day/year)."],
  ];
  for (const [text, year, expected] of cases) assert.equal(DateProblem(text, today, year), expected, `${text} over ${year}`);
  // The new entry keeps the latest year up to today's: "1/1/75" is 1975.
  assert.equal(DateProblem("1/1/75", today), null);
});

test("the program's today follows the program's clock while the page stays open", () => {
  const at = (iso) => new Date(iso).getTime();
  const cases = [
    // the page's day, the clock's distance in seconds, this machine's time -> today
    ["2030-01-10", "0", at("2030-01-10T23:59:59"), { year: 2030, month: 1, day: 10 }],
    ["2030-01-10", "0", at("2030-01-11T00:00:01"), { year: 2030, month: 1, day: 11 }],
    ["2030-01-10", "-86400", at("2030-01-11T00:00:01"), { year: 2030, month: 1, day: 10 }],
    ["2030-12-31", "31536000", at("2030-01-01T12:00:00"), { year: 2031, month: 1, day: 1 }],
    // Without the clock's distance, the page's day.
    ["2026-12-09", undefined, at("2030-01-11T00:00:01"), { year: 2026, month: 12, day: 9 }],
    ["2026-12-09", "soon", at("2030-01-11T00:00:01"), { year: 2026, month: 12, day: 9 }],
    // No day on the page: no today.
    [undefined, "0", at("2030-01-11T00:00:01"), null],
  ];
  for (const [day, shift, now, expected] of cases) assert.deepEqual(TodayFrom(day, shift, now), expected, `${day} ${shift}`);
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
