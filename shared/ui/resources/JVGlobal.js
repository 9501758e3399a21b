// Shared by the pages and dialogs of Jorvane.

// A script error goes to the program (its log and a problem report) instead of a browser message.
function fnErrorTrap(message, url, line) {
    var text = "A Javascript error was thrown and caught.\n" + "Error: " + message + "\n" + "Line: " + line + "\n" +
        "URL: " + url + "\n";
    try {
        if (window.external && typeof window.external.JavascriptError === "function") {
            Promise.resolve(window.external.JavascriptError(text, url, line)).catch(function () {});
        }
    } catch (e) {
        // Reporting an error must not raise another one.
    }
    return true;
}
window.onerror = fnErrorTrap;

// No context menu in the program's pages.
document.oncontextmenu = function () {
    return false;
};

// Pages that do not move the focus with the Tab key pass their key events here.
function keyHandler(event) {
    if (event && event.keyCode === 9) {
        event.preventDefault();
        return false;
    }
    return true;
}
