// Input checks shared by the pages and dialogs of the main program. Handlers receive the event
// (onkeypress="return NumberOnly(event)"); a page that includes this script defines OnChange(),
// which DateValidation calls once a date has been checked.

// Month/day/year with a two- or four-digit year, as the program reads dates.
function IsValidDate(text) {
    var match = /^\s*(\d{1,2})\/(\d{1,2})\/(\d{2}|\d{4})\s*$/.exec(String(text));
    if (!match) return false;
    var month = Number(match[1]);
    var day = Number(match[2]);
    var year = Number(match[3]);
    if (match[3].length === 2) year += year < 30 ? 2000 : 1900;
    if (month < 1 || month > 12 || day < 1) return false;
    var days = new Date(year, month, 0).getDate();
    return day <= days;
}

// The change handler of a date field: an empty field or a valid date goes on to the page's
// OnChange; anything else is refused with a message and the field keeps the focus.
function DateValidation(field) {
    if (!field) return false;
    if (field.value === "" || IsValidDate(field.value)) {
        if (typeof OnChange === "function") OnChange(field);
        return true;
    }
    alert("Please enter a valid date (mm/dd/yy).");
    setTimeout(function () {
        field.focus();
        if (field.select) field.select();
    }, 0);
    return false;
}

// The key-press filter of a number field: digits, Enter and one decimal point.
function NumberOnly(event) {
    if (!event) return true;
    var key = event.key;
    if (key === "Enter" || key.length !== 1 || event.ctrlKey || event.metaKey || event.altKey) return true;
    if (key >= "0" && key <= "9") return true;
    var field = event.target;
    if (key === "." && field && String(field.value).indexOf(".") < 0) return true;
    event.preventDefault();
    return false;
}

// The key-press check of a text field limited to `limit` characters: the character past the
// limit is refused with a message naming the field (label; secondLabel when the page gives one).
function fieldLengthCheck(limit, label, secondLabel, event) {
    if (!event) return true;
    var key = event.key;
    if (key === "Enter" || key.length !== 1 || event.ctrlKey || event.metaKey || event.altKey) return true;
    var field = event.target;
    if (!field || field.value === undefined) return true;
    var selected = (field.selectionEnd || 0) - (field.selectionStart || 0);
    if (field.value.length - selected < limit) return true;
    event.preventDefault();
    alert("The " + (secondLabel || label) + " field can hold at most " + limit + " characters.");
    return false;
}
