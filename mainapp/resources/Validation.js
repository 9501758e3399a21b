// Input checks of the register pages: dates, numbers and field lengths.
"use strict";

// A month/day/year date ("3/7/24", "03/07/2024"); a two-digit year is the latest year with those
// digits that is not after `latestYear`, as the program reads them. Null when the text is no such
// date.
function ParseRegisterDate(text, latestYear) {
    const match = /^\s*(\d{1,2})\/(\d{1,2})\/(\d{2}|\d{4})\s*$/.exec(String(text));
    if (!match) return null;
    const month = Number(match[1]);
    const day = Number(match[2]);
    let year = Number(match[3]);
    if (match[3].length === 2) year = latestYear - ((((latestYear - year) % 100) + 100) % 100);
    const date = new Date(Date.UTC(year, month - 1, day));
    if (date.getUTCMonth() !== month - 1 || date.getUTCDate() !== day || year < 100) return null;
    return { year, month, day };
}

// Today at `now` (this machine's time) as the program has it, from what the page shows: the day
// the page was built (year-month-day) and how far the program's clock is from this machine's
// (seconds; the two are one clock but in tests). Null on a page that shows no day. With the
// clock's distance the day is the one the program's clock shows at `now`, so that a page left open
// past midnight takes the new day as the program's save does.
function TodayFrom(day, clockShift, now) {
    const match = /^(\d{4})-(\d{2})-(\d{2})$/.exec(day || "");
    if (!match) return null;
    const shift = clockShift ? Number(clockShift) : NaN;
    if (Number.isFinite(shift)) {
        const date = new Date(now + shift * 1000);
        return { year: date.getFullYear(), month: date.getMonth() + 1, day: date.getDate() };
    }
    return { year: Number(match[1]), month: Number(match[2]), day: Number(match[3]) };
}

// Today as the program has it now, where the page shows it (the body's data-today and
// data-clock-shift); null on a page that does not.
function ProgramToday() {
    const body = typeof document !== "undefined" ? document.body : null;
    return body ? TodayFrom(body.dataset.today, body.dataset.clockShift, Date.now()) : null;
}

// The latest year a two-digit year may mean in a date typed over a stored entry's date of
// `storedYear`: the year with those digits nearest it, of two as near the earlier, as the program
// reads it.
function LatestYearNear(storedYear) {
    return storedYear + 49;
}

// What is wrong with a typed date, as a message; null when nothing is. Given today, a register
// takes no date after it and none before 1900, as the program's save does. Given the year of the
// stored entry it was typed over, a two-digit year is the one with those digits nearest that year.
function DateProblem(text, today, storedYear) {
    const latestYear = storedYear ? LatestYearNear(storedYear) : today ? today.year : new Date().getFullYear();
    const date = ParseRegisterDate(text, latestYear);
    if (date === null) return "Please enter a valid date (month/day/year).";
    if (!today) return null;
    const order = (d) => (d.year * 100 + d.month) * 100 + d.day;
    if (order(date) > order(today)) return "Please enter a date that is not after today.";
    if (date.year < 1900) return "Please enter a date in 1900 or later.";
    return null;
}

// What is wrong with a date input's text for its register; null when nothing is, or when it still
// shows the date the program put there (a stored entry of a later day this year among them: the
// program keeps a date that was not changed). A stored entry's input carries its year (data-year).
function InputDateProblem(input) {
    if (input.value === input.defaultValue) return null;
    return DateProblem(input.value, ProgramToday(), Number(input.dataset.year) || undefined);
}

// onchange of a date input: a date that cannot be read, or that the register does not take, is
// pointed out, and the input has the focus again once the message is closed.
function DateValidation(input) {
    if (typeof OnChange === "function") OnChange(input);
    const problem = InputDateProblem(input);
    if (problem !== null) {
        input.jvDateMessage = jvAlert(problem).then(() => {
            input.jvDateMessage = null;
            input.focus();
        });
        return false;
    }
    return true;
}

// Before an entry goes to the program: false when its date input holds a date the register does
// not take, once the user has read why (in the message its change opened, when that is still
// open: the user is told once).
async function EntryDateAccepted(input) {
    if (!input) return true;
    const problem = InputDateProblem(input);
    if (problem === null) return true;
    if (input.jvDateMessage) await input.jvDateMessage;
    else await jvAlert(problem).then(() => input.focus());
    return false;
}

// onkeypress of a number input: digits, one separator, a sign; nothing else is typed.
function NumberOnly(event) {
    if (!event || event.ctrlKey || event.metaKey || event.altKey) return true;
    const key = event.key;
    if (key === undefined || key.length !== 1) return true;
    if (/[0-9.,\-]/.test(key)) return true;
    event.preventDefault();
    return false;
}

// onchange of a dialog's date input: what is wrong with the date shows in the dialog's
// "DateMessage", in the registers' words; the dialog's OK, which reads it, does not say it again.
function DialogDateValidation(input) {
    if (typeof OnChange === "function") OnChange(input);
    const problem = InputDateProblem(input);
    document.getElementById("DateMessage").textContent = problem || "";
    return problem === null;
}

// onkeypress of a text input: no more than `limit` characters. With a label the refused
// character is explained in a message that names the field and the limit.
function fieldLengthCheck(event, limit, label) {
    const input = event && event.target;
    if (!input || event.key === undefined || event.key.length !== 1) return true;
    const selected = input.selectionEnd - input.selectionStart;
    if (input.value.length - selected >= limit) {
        event.preventDefault();
        if (label) jvAlert("The " + label + " field can hold at most " + limit + " characters.");
        return false;
    }
    return true;
}

if (typeof module !== "undefined") module.exports = { ParseRegisterDate, DateProblem, TodayFrom };
