// What the fuel, expense, service and odometer registers share: selecting an entry, the tips of
// empty fields, saving with Enter, leaving a changed entry, vendor completion and number
// conversion. Each page supplies UpdateDetails, SubmitForm, DeleteRow, RestoreRecord,
// SelectRowCustom, TabHandler and keyHandlerDetails.
//
// An entry is two table rows: the top row carries the record's id ("new" for the blank entry at
// the bottom), the bottom row follows it. The program rebuilds the rows after an entry is added
// or deleted, so the script keeps the selected entry by id, never by element or index.
//
// A long register is not all rows: the program builds the entries around what the user sees, and
// each run of entries between them is one gap row (class "registergap") as high as those entries,
// its data-count saying how many. As the user scrolls, the script names the entries in view
// (ShowRegisterEntries) and the program builds them.
"use strict";

let nCurrRow = "new";  // the id of the selected entry's top row
let bBusy = false;     // a save, delete or undo is on its way

// bDirty: the selected entry was changed since it was last saved or put back. The program reads it
// from the page (the spans DirtyFlag and CurrentEntry) to ask before the page goes.
let entryChanged = false;
if (typeof globalThis !== "undefined") {
    Object.defineProperty(globalThis, "bDirty", {
        get: () => entryChanged,
        set: (value) => {
            entryChanged = !!value;
            ShowDirty();
        },
        configurable: true,
    });
}

function ShowDirty() {
    if (typeof document === "undefined") return;
    const flag = document.getElementById("DirtyFlag");
    const entry = document.getElementById("CurrentEntry");
    if (flag) flag.textContent = entryChanged ? "true" : "false";
    if (entry) entry.textContent = nCurrRow;
}

// --- pure calculations (no page involved) -------------------------------------------------------
//
// The fuel and service pages' arithmetic is the program's (the pages ask it over the bridge), so
// that what the page shows and what the program's own save stores are worked out once.

// Numbers in the user's format, as the program writes and reads them (its number format is on
// the page, see UserNumberFormat): `format` holds decimal and thousand separators, the digits per
// group (0: none), whether "0.5" keeps its leading zero, and where a minus goes (0 "(1.1)",
// 1 "-1.1", 2 "- 1.1", 3 "1.1-", 4 "1.1 -").
function FormatNumber(value, digits, format) {
    if (!isFinite(value)) value = isNaN(value) ? 0 : value > 0 ? 1e15 : -1e15;
    value = Math.max(-1e15, Math.min(1e15, value));
    if (digits < 0) digits = 6;
    digits = Math.min(digits, 20);
    let text = value.toFixed(6);
    let negative = text[0] === "-";
    if (negative) text = text.substring(1);
    text = RoundDecimalText(text, digits);
    if (!/[1-9]/.test(text)) negative = false;
    let [integer, fraction = ""] = text.split(".");
    if (!format.leadingZero && integer === "0" && fraction) integer = "";
    let grouped = integer;
    if (format.grouping > 0 && format.thousand) {
        grouped = "";
        for (let i = 0; i < integer.length; i++) {
            if (i > 0 && (integer.length - i) % format.grouping === 0) grouped += format.thousand;
            grouped += integer[i];
        }
    }
    const number = fraction ? grouped + format.decimal + fraction : grouped;
    if (!negative) return number;
    return ["(" + number + ")", "-" + number, "- " + number, number + "-", number + " -"][format.negativeOrder] ??
        "-" + number;
}

// A plain decimal text ("123.456789") rounded to `digits` decimals, halves up.
function RoundDecimalText(text, digits) {
    const [integer, fraction = ""] = text.split(".");
    const padded = (fraction + "0".repeat(digits + 1)).substring(0, digits + 1);
    let kept = integer + padded.substring(0, digits);
    if (Number(padded[digits]) >= 5) {
        const chars = kept.split("");
        let i = chars.length - 1;
        while (i >= 0 && chars[i] === "9") chars[i--] = "0";
        if (i >= 0) chars[i] = String(Number(chars[i]) + 1);
        else chars.unshift("1");
        kept = chars.join("");
    }
    const whole = kept.substring(0, kept.length - digits);
    return digits > 0 ? whole + "." + kept.substring(kept.length - digits) : whole;
}

// Typed text as a number: thousands separators dropped, the decimal separator read as a point,
// reading stops where the number does; text without a number gives 0.
function ParseNumber(text, format) {
    let plain = String(text);
    if (format.thousand) plain = plain.split(format.thousand).join("");
    if (format.decimal && format.decimal !== ".") plain = plain.split(format.decimal).join(".");
    const match = /^\s*([+-]?(?:\d+\.?\d*|\.\d+))/.exec(plain);
    const value = match ? Number(match[1]) : 0;
    return isFinite(value) ? value : 0;
}

// The entries (counting from the oldest, 0) that a view shows: the view from `scrollTop` down
// `viewHeight` pixels, the first entry at `bodyTop`, each entry `entryHeight` high, `total` entries.
// Null when there is nothing to show.
function EntriesInView(scrollTop, viewHeight, bodyTop, entryHeight, total) {
    if (!(entryHeight > 0) || !(total > 0)) return null;
    const clamp = (index) => Math.max(0, Math.min(total - 1, index));
    const first = Math.floor((scrollTop - bodyTop) / entryHeight);
    const last = Math.floor((scrollTop + Math.max(viewHeight, 1) - 1 - bodyTop) / entryHeight);
    return { first: clamp(first), last: clamp(last) };
}

// The entries of a register body as the program laid it out: `rows` the kinds of its rows in order
// ({ gap: count } for a gap, { entry: true } for an entry's top row; others are left out). Gives the
// number of entries and the gaps as { first, count }.
function BodyLayout(rows) {
    let total = 0;
    const gaps = [];
    for (const row of rows) {
        if (row.gap > 0) {
            gaps.push({ first: total, count: row.gap });
            total += row.gap;
        } else if (row.entry) {
            total += 1;
        }
    }
    return { total, gaps };
}

// Whether an entry from `from` to `to` lies in a gap.
function GapsMeet(gaps, from, to) {
    return gaps.some((gap) => gap.first <= to && gap.first + gap.count - 1 >= from);
}

if (typeof module !== "undefined") {
    module.exports = { FormatNumber, ParseNumber, EntriesInView, BodyLayout, GapsMeet };
}

// --- work under way -------------------------------------------------------------------------------

// Calculations and completions started by a field's change or blur talk to the program and take a
// moment; a save waits for them, so that it sends what they worked out, not what stood before.
const pendingWork = new Set();

function Track(promise) {
    pendingWork.add(promise);
    promise.finally(() => pendingWork.delete(promise)).catch(() => {});
    return promise;
}

async function Settled() {
    while (pendingWork.size) await Promise.allSettled([...pendingWork]);
}

// --- the program's answers ------------------------------------------------------------------------
//
// The program works out what the page asks (the fuel and service arithmetic, as its own save works
// it out) and answers the call with it. On a busy machine the answer comes when the user has typed
// on: it goes on the page only while what it was worked out from still stands, and never into a
// field the user has typed in since it was asked.

// How often the user has typed in each field (its input events: what the page or the program
// writes into a field is no typing).
const typedCount = new WeakMap();

function TypedCount(field) {
    return typedCount.get(field) || 0;
}

// A number field as an answer is worked out from it: the number it shows (a field shown again in
// the user's format still shows the same number), the empty text when it shows its tip.
function NumberShown(field) {
    const text = IsTip(field) ? "" : field.value.trim();
    const format = UserNumberFormat();
    return format && text !== "" ? String(ParseNumber(text, format)) : text;
}

// What the page holds as it asks: the number fields the answer is worked out from (`inputs`), other
// values it depends on (`values`), and how often the user had typed in the fields it may fill
// (`targets`).
function AskedFrom(inputs, targets, values = {}) {
    const asked = { inputs, shown: {}, values: { ...values }, typed: new Map() };
    for (const name in inputs) asked.shown[name] = NumberShown(inputs[name]);
    for (const field of targets) asked.typed.set(field, TypedCount(field));
    return asked;
}

// Whether an answer still fits the page: its number fields show what they showed when it was
// asked and the other values (`values`, as they are now) are those it was asked with.
function StillStands(asked, values = {}) {
    for (const name in asked.inputs) {
        if (NumberShown(asked.inputs[name]) !== asked.shown[name]) return false;
    }
    for (const name in asked.values) {
        if (values[name] !== asked.values[name]) return false;
    }
    return true;
}

// Whether the user has left `field` alone since the answer was asked.
function Untyped(asked, field) {
    return asked.typed.get(field) === TypedCount(field);
}

// Puts an answer into a field. The field the cursor is in has it selected, so that the next key
// replaces it, as it would had the answer come before the user came into the field.
function PutAnswer(field, text) {
    field.value = text;
    field.classList.replace("registerValueBoxTip", "registerValueBoxNoBorder");
    if (document.activeElement === field && field.select) field.select();
}

// --- numbers in the user's format, through the program ------------------------------------------

// The user's number format as the program put it on the page, or null.
function UserNumberFormat() {
    const element = document.getElementById("NumberFormat");
    if (!element || element.dataset.decimal === undefined) return null;
    return {
        decimal: element.dataset.decimal,
        thousand: element.dataset.thousand,
        grouping: Number(element.dataset.grouping),
        leadingZero: element.dataset.leadingZero === "1",
        negativeOrder: Number(element.dataset.negativeOrder),
    };
}

async function JVNumber(text) {
    const format = UserNumberFormat();
    if (format) return ParseNumber(text, format);
    await window.external.JVToNumber(String(text));
    const value = parseFloat(document.getElementById("NumberScratch").textContent);
    return isFinite(value) ? value : 0;
}

async function JVText(number, decimals) {
    const format = UserNumberFormat();
    if (format) return FormatNumber(number, decimals, format);
    await window.external.JVToString(number, decimals);
    return document.getElementById("NumberScratch").textContent;
}

// A field's number; 0 when it is empty or shows its tip.
async function FieldNumber(field) {
    if (!field || IsTip(field) || field.value.trim() === "") return 0;
    return JVNumber(field.value);
}

// onblur of a number field: shown again in the user's format with `decimals` decimals.
function blurNumber(input, decimals) {
    return Track(ReformatNumber(input, decimals));
}

async function ReformatNumber(input, decimals) {
    OnBlur(input);
    if (IsTip(input) || input.value.trim() === "") return;
    const before = input.value;
    const text = await JVText(await JVNumber(before), decimals);
    if (input.value === before) input.value = text;
}

// --- rows ----------------------------------------------------------------------------------------

function TopRowOf(element) {
    let row = element && element.closest ? element.closest("tr") : null;
    if (row && !row.id && row.previousElementSibling) row = row.previousElementSibling;
    return row && row.id ? row : null;
}
function BottomRowOf(top) {
    return top ? top.nextElementSibling : null;
}
function CurrentTopRow() {
    return document.getElementById(nCurrRow) || document.getElementById("new");
}
// The field of an entry by name, in its top or its bottom row.
function EntryField(top, name) {
    if (!top) return null;
    const selector = '[name="' + name + '"]';
    return top.querySelector(selector) || (BottomRowOf(top) ? BottomRowOf(top).querySelector(selector) : null);
}
// An entry's value: the empty text for a field that shows its tip.
function EntryValue(top, name) {
    const field = EntryField(top, name);
    if (!field) return "";
    if (field.type === "checkbox") return field.checked;
    return IsTip(field) ? "" : field.value;
}

// --- tips ------------------------------------------------------------------------------------------

function IsTip(field) {
    return field.classList.contains("registerValueBoxTip");
}

function OnFocus(field) {
    if (field && IsTip(field)) {
        field.dataset.tip = field.value;
        field.value = "";
        field.classList.replace("registerValueBoxTip", "registerValueBoxNoBorder");
    }
    if (field) field.dataset.before = field.type === "checkbox" ? String(field.checked) : field.value;
    SelectEntry(TopRowOf(field));
}

function OnBlur(field) {
    if (field && field.dataset.tip && field.value === "") {
        field.value = field.dataset.tip;
        field.classList.replace("registerValueBoxNoBorder", "registerValueBoxTip");
    }
}

function OnChange() {
    bDirty = true;
}

// --- selection -------------------------------------------------------------------------------------

function SelectRow(cell) {
    SelectEntry(TopRowOf(cell));
}

function ShowSelected(top, selected) {
    if (!top) return;
    const bottom = BottomRowOf(top);
    const isNew = top.id === "new";
    top.className = selected || isNew ? "registerrowcurrent_top" : "registerrowtop";
    if (bottom) bottom.className = selected || isNew ? "registerrowcurrent_bottom" : "registerrowbottom";
    const button = bottom ? bottom.querySelector('[name="Submit"]') : null;
    if (button) button.style.display = selected || isNew ? "" : "none";
}

// Makes the entry of `top` the selected one; a changed entry is saved or put back first.
async function SelectEntry(top) {
    if (!top || top.id === nCurrRow || bBusy) return;
    const wanted = top.id;
    // A click into another entry selects it twice over (focus, then click): one question.
    bBusy = true;
    let left = false;
    try {
        left = await LeaveEntry();
    } finally {
        bBusy = false;
    }
    if (!left) return;
    const old = document.getElementById(nCurrRow);
    ShowSelected(old, false);
    nCurrRow = wanted;
    const now = document.getElementById(wanted);
    if (!now) {
        nCurrRow = "new";
        return;
    }
    ShowSelected(now, true);
    if (typeof SelectRowCustom === "function") SelectRowCustom(now);
    if (typeof UpdateDetails === "function") await UpdateDetails(wanted);
    ScrollIntoRegister(now);
}

// A changed entry is saved (OK) or put back (Cancel) before another is selected. False when the
// entry could not be saved: it stays selected with what was typed.
async function LeaveEntry() {
    await Settled();
    if (!bDirty) return true;
    if (await jvConfirm("You made changes to the current entry. Press OK to save changes or Cancel to discard changes.")) {
        await SubmitEntry();
        if (bDirty) return false;
    } else {
        await RestoreRecord(nCurrRow);
        bDirty = false;
    }
    return true;
}

function ScrollIntoRegister(top) {
    const bottom = BottomRowOf(top) || top;
    const div = document.getElementById("registerdiv");
    if (!div) return;
    const view = div.getBoundingClientRect();
    const first = top.getBoundingClientRect();
    const last = bottom.getBoundingClientRect();
    if (last.bottom > view.bottom) div.scrollTop += last.bottom - view.bottom;
    if (first.top < view.top + HeadingHeight()) div.scrollTop -= view.top + HeadingHeight() - first.top;
}

function HeadingHeight() {
    const heading = document.getElementById("RegisterHeadingRow");
    return heading ? heading.getBoundingClientRect().height : 0;
}

// After a save or delete the program has rebuilt the rows: the selection follows, and the details
// show the selected entry (a blank new entry after a new one was saved).
async function AfterRebuild(before) {
    if (!document.getElementById(nCurrRow)) nCurrRow = "new";
    ShowSelected(CurrentTopRow(), true);
    if ((before === "new" || before !== nCurrRow) && typeof UpdateDetails === "function") await UpdateDetails(nCurrRow);
}

function FocusNewEntry() {
    const top = document.getElementById("new");
    const field = EntryField(top, "date");
    if (field) field.focus();
    if (top) ScrollIntoRegister(top);
}

// --- saving, deleting, undoing ------------------------------------------------------------------------

// Sends the selected entry to the program (the page's SubmitForm), unless its date is one the
// register does not take: the user is told why, and the entry stays as typed.
async function SubmitEntry() {
    if (await EntryDateAccepted(EntryField(CurrentTopRow(), "date"))) await SubmitForm();
}

async function ClickSubmitButton() {
    await Save();
}

// Saves the selected entry (when changed) and goes on in the new entry.
async function Save() {
    await Settled();
    if (bBusy || !bDirty) return;
    const before = nCurrRow;
    bBusy = true;
    try {
        await SubmitEntry();
    } finally {
        bBusy = false;
    }
    if (!bDirty) await AfterRebuild(before);
}

async function Delete() {
    if (bBusy || nCurrRow === "new") return;
    const before = nCurrRow;
    bBusy = true;
    try {
        await DeleteRow();
    } finally {
        bBusy = false;
    }
    await AfterRebuild(before);
}

async function Undo() {
    if (bBusy) return;
    const before = nCurrRow;
    bBusy = true;
    try {
        await RestoreRecord(nCurrRow);
    } finally {
        bBusy = false;
    }
    bDirty = false;
    await AfterRebuild(before === "new" ? "new" : before);
}

// --- keys --------------------------------------------------------------------------------------------

async function RegisterKeyDown(event) {
    const target = event.target;
    if (event.key === "Enter" && target.tagName !== "TEXTAREA" && target.tagName !== "BUTTON") {
        event.preventDefault();
        // The field's own change and blur handlers run first (the vendor completion among them).
        if (target.blur) target.blur();
        await new Promise((resolve) => setTimeout(resolve, 0));
        await Save();
        FocusNewEntry();
    } else if (event.key === "Tab") {
        if (typeof TabHandler === "function") TabHandler(event);
    } else if (event.ctrlKey && (event.key === "d" || event.key === "D")) {
        event.preventDefault();
        await Delete();
    }
}

// --- vendor completion ----------------------------------------------------------------------------

// onkeyup of a Vendor input: the text typed so far is completed with the first stored vendor that
// begins with it; the completed part is selected, so typing on replaces it.
function keyHandlerVendor(event) {
    return Track(CompleteVendor(event));
}

async function CompleteVendor(event) {
    const input = event.target;
    const top = TopRowOf(input);
    if (!top) return;
    const end = document.getElementById("vendorEnd_" + top.id);
    const whole = document.getElementById("vendorWhole_" + top.id);
    if (event.key === "Backspace" || event.key === "Delete") {
        // What is left is the user's own text.
        if (end) end.textContent = "";
        if (whole) whole.textContent = "";
        return;
    }
    if (event.key === undefined || event.key.length !== 1 || event.ctrlKey || event.altKey || event.metaKey) return;
    const typed = input.value;
    if (input.selectionStart !== typed.length) return;
    await window.external.GetVendor(top.id, typed);
    // The user typed on meanwhile: that text is completed by its own key.
    if (input.value !== typed || document.activeElement !== input) return;
    const rest = end ? end.textContent : "";
    if (!rest) return;
    input.value = typed + rest;
    input.setSelectionRange(typed.length, input.value.length);
}

// onblur of a Vendor input: a completed vendor takes its stored spelling and may fill the entry;
// a text that no longer equals the completion is kept as typed.
function blurVendor(input) {
    return Track(TakeVendor(input));
}

async function TakeVendor(input) {
    const top = TopRowOf(input);
    const whole = top ? document.getElementById("vendorWhole_" + top.id) : null;
    const changed = input.value !== input.dataset.before;
    if (changed) bDirty = true;
    OnBlur(input);
    if (!top || !whole) return;
    const vendor = whole.textContent;
    if (vendor && input.value.toLowerCase() === vendor.toLowerCase()) {
        if (input.value !== vendor) {
            input.value = vendor;
            bDirty = true;
        }
        if (changed) {
            const car = EntryField(top, "carname_select");
            await window.external.GetLastValuesForVendor(top.id, car ? car.value : "", vendor);
        }
    } else if (!IsTip(input)) {
        whole.textContent = "";
    }
}

// --- the context menu ----------------------------------------------------------------------------------

function ShowRegisterMenu(event) {
    const menu = document.getElementById("MenuRegister");
    if (!menu || !TopRowOf(event.target)) return;
    event.preventDefault();
    SelectEntry(TopRowOf(event.target));
    menu.style.left = event.pageX + "px";
    menu.style.top = event.pageY + "px";
    menu.style.display = "block";
}

function HideRegisterMenu() {
    const menu = document.getElementById("MenuRegister");
    if (menu) menu.style.display = "none";
}

async function RegisterMenuCommand(command) {
    HideRegisterMenu();
    if (command === "Save") await Save();
    else if (command === "Delete") await Delete();
    else if (command === "Reset") await Undo();
}

// --- leaving the page ------------------------------------------------------------------------------
//
// The program asks before the page goes while an entry is changed (DirtyFlag): OK saves the entry,
// Cancel leaves it as stored. Nothing is saved without asking.

// Typing marks the entry changed at once, so that a page left before the field is (Alt+Left in
// the field, say) still asks.
function RegisterInput(event) {
    const target = event.target;
    if (IsRegisterField(target) || (target.closest && target.closest(".registerdetails"))) bDirty = true;
}

// --- entries built as the user scrolls -------------------------------------------------------------

// Entries near the view are built before they scroll in: this many on either side.
const ENTRIES_AHEAD = 3;
let viewCheckDue = false;  // a look at the view is due at the next frame
let entriesAsked = null;   // the program is building entries
let lastAsked = "";        // what it was asked last

function RegisterBody() {
    return document.getElementById("RegisterTBody");
}

// The kinds of the body's rows, for BodyLayout.
function BodyRows(body) {
    const rows = [];
    for (const row of body.rows) {
        if (row.classList.contains("registergap")) rows.push({ gap: Number(row.dataset.count) || 0 });
        else if (row.id && row.id !== "new") rows.push({ entry: true });
    }
    return rows;
}

// The height of one entry (its two rows) as the browser lays it out, measured between two stored
// entries that follow each other, and given to the gaps; 0 when there are none to measure.
function MeasureEntryHeight(div, body) {
    for (const top of body.rows) {
        if (!top.id || top.id === "new" || !top.classList.contains("registerrowtop")) continue;
        const next = BottomRowOf(top) ? BottomRowOf(top).nextElementSibling : null;
        if (!next || !next.id || next.id === "new") continue;
        const height = next.getBoundingClientRect().top - top.getBoundingClientRect().top;
        if (!(height > 0)) continue;
        if (div.style.getPropertyValue("--entry-height") !== height + "px") div.style.setProperty("--entry-height", height + "px");
        return height;
    }
    return parseFloat(getComputedStyle(div).getPropertyValue("--entry-height")) || 0;
}

// Once per frame at most: the entries in view that are not built yet are asked for.
function WatchRegisterView() {
    if (viewCheckDue) return;
    viewCheckDue = true;
    requestAnimationFrame(() => {
        viewCheckDue = false;
        ShowEntriesInView();
    });
}

async function ShowEntriesInView() {
    if (entriesAsked) return;
    const div = document.getElementById("registerdiv");
    const body = RegisterBody();
    if (!div || !body) return;
    const layout = BodyLayout(BodyRows(body));
    if (!layout.gaps.length) return;
    const height = MeasureEntryHeight(div, body);
    const bodyTop = body.getBoundingClientRect().top - div.getBoundingClientRect().top + div.scrollTop;
    const view = EntriesInView(div.scrollTop, div.clientHeight, bodyTop, height, layout.total);
    if (!view || !GapsMeet(layout.gaps, view.first - ENTRIES_AHEAD, view.last + ENTRIES_AHEAD)) return;
    const asked = view.first + ":" + view.last + ":" + layout.total;
    // The program did not build what it was asked for just now: no asking again in a loop.
    if (asked === lastAsked) return;
    lastAsked = asked;
    entriesAsked = window.external.ShowRegisterEntries(view.first, view.last, nCurrRow);
    try {
        await entriesAsked;
    } finally {
        entriesAsked = null;
    }
    // The user may have scrolled on meanwhile.
    WatchRegisterView();
}

function WatchRegister() {
    const div = document.getElementById("registerdiv");
    const table = document.getElementById("Register");
    if (!div || !table) return;
    div.addEventListener("scroll", WatchRegisterView, { passive: true });
    window.addEventListener("resize", WatchRegisterView);
    // The program puts a new body in place when it fills the page: it opens on the latest entries
    // and the new entry.
    new MutationObserver(() => {
        lastAsked = "";
        div.scrollTop = div.scrollHeight;
        WatchRegisterView();
    }).observe(table, { childList: true });
}

// --- the register's events ---------------------------------------------------------------------------
//
// The rows carry no handlers of their own (a register of thousands of entries stays small): the
// register's events are handled here, by the field's name. Number fields are marked data-num
// (digits only) and, where they are shown again formatted when left, data-n (the decimals). A page
// names its own handlers for a field's change in FieldChangeHandlers.

function IsRegisterField(target) {
    return target && /^(INPUT|SELECT|TEXTAREA)$/.test(target.tagName) && target.closest("#Register");
}

function RegisterFocusIn(event) {
    if (!IsRegisterField(event.target)) return;
    OnFocus(event.target);
    // The whole entry comes into view (the browser shows only the focused field): the new entry
    // the program focuses below a long register among them.
    const top = TopRowOf(event.target);
    if (top) ScrollIntoRegister(top);
}

function RegisterFocusOut(event) {
    const target = event.target;
    if (!IsRegisterField(target)) return;
    if (target.name === "Vendor") blurVendor(target);
    else if (target.dataset.n !== undefined) blurNumber(target, Number(target.dataset.n));
    else OnBlur(target);
}

function RegisterChange(event) {
    const target = event.target;
    if (!IsRegisterField(target)) return;
    const handlers = typeof FieldChangeHandlers !== "undefined" ? FieldChangeHandlers : {};
    if (handlers[target.name]) handlers[target.name](target);
    else if (target.name === "date") DateValidation(target);
    else OnChange(target);
}

function RegisterKeyPress(event) {
    const target = event.target;
    if (!IsRegisterField(target)) return;
    if (target.dataset.num !== undefined) NumberOnly(event);
    else if (target.name === "Vendor" || target.name === "Memo") fieldLengthCheck(event, 60);
}

function RegisterKeyUp(event) {
    if (IsRegisterField(event.target) && event.target.name === "Vendor") keyHandlerVendor(event);
}

function RegisterClick(event) {
    const target = event.target;
    if (!target.closest) return;
    if (target.closest('button[name="Submit"]')) {
        ClickSubmitButton();
        return;
    }
    const cell = target.closest("#RegisterTBody td");
    if (cell) SelectRow(cell);
}

if (typeof window !== "undefined" && typeof document !== "undefined") {
    document.addEventListener("input", (event) => typedCount.set(event.target, TypedCount(event.target) + 1), true);
    document.addEventListener("keydown", RegisterKeyDown);
    document.addEventListener("click", HideRegisterMenu);
    document.addEventListener("input", RegisterInput);
    window.addEventListener("DOMContentLoaded", () => {
        const table = document.getElementById("Register");
        if (!table) return;
        table.addEventListener("contextmenu", ShowRegisterMenu);
        table.addEventListener("focusin", RegisterFocusIn);
        table.addEventListener("focusout", RegisterFocusOut);
        table.addEventListener("change", RegisterChange);
        table.addEventListener("keypress", RegisterKeyPress);
        table.addEventListener("keyup", RegisterKeyUp);
        table.addEventListener("click", RegisterClick);
        WatchRegister();
    });
}
