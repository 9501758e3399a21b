// Shared by the pages and dialogs of Jorvane.

// What the browser says about its own work (a resize observer whose changes could not all be
// delivered within one frame): no fault of the page's script, and no problem to report.
var jvBrowserNotice = /^ResizeObserver loop (completed with undelivered notifications|limit exceeded)/;
// The errors the program was told of: a script that fails the same way again is not told again.
// Only the latest are kept, so that a script failing a different way every moment does not fill
// the page's memory.
var jvReportedErrors = new Set();
var jvReportedErrorsKept = 100;

// A script error goes to the program (its log and a problem report) instead of a browser message.
function fnErrorTrap(message, url, line) {
    if (jvBrowserNotice.test(String(message))) return true;
    var text = "A Javascript error was thrown and caught.\n" + "Error: " + message + "\n" + "Line: " + line + "\n" +
        "URL: " + url + "\n";
    if (jvReportedErrors.has(text)) return true;
    if (jvReportedErrors.size >= jvReportedErrorsKept) jvReportedErrors.delete(jvReportedErrors.values().next().value);
    jvReportedErrors.add(text);
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
