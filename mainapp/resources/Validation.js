// Input checks of the register pages: dates, numbers and field lengths.
"use strict";

// A month/day/year date ("3/7/24", "03/07/2024"); two-digit years 00-29 are 2000-2029 and 30-99
// are 1930-1999, as the program reads them. Null when the text is no such date.
function ParseRegisterDate(text) {
    const match = /^\s*(\d{1,2})\/(\d{1,2})\/(\d{2}|\d{4})\s*$/.exec(String(text));
    if (!match) return null;
    const month = Number(match[1]);
    const day = Number(match[2]);
    let year = Number(match[3]);
    if (match[3].length === 2) year += year < 30 ? 2000 : 1900;
    const date = new Date(Date.UTC(year, month - 1, day));
    if (date.getUTCMonth() !== month - 1 || date.getUTCDate() !== day || year < 100) return null;
    return { year, month, day };
}

// onchange of a date input: a date that cannot be read is pointed out, and the input has the focus
// again once the message is closed; the program refuses it too.
function DateValidation(input) {
    if (typeof OnChange === "function") OnChange(input);
    if (ParseRegisterDate(input.value) === null) {
        jvAlert("Please enter a valid date (month/day/year).").then(() => input.focus());
        return false;
    }
    return true;
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

if (typeof module !== "undefined") module.exports = { ParseRegisterDate };
