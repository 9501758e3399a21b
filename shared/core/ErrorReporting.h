#pragma once

#include <string>

// What the problem-report dialog gives back: how it ended, and what the user typed.
struct ErrorReportDialogResult {
    int result = -1;  // 1 send (button or Enter), 2 cancel (Escape or close box), 0 don't send, -1 not shown
    std::string userNotes;
    std::string emailAddress;
};

// The problem-report dialog as error reporting sees it. The program installs one at start-up;
// with none installed nothing is shown and nothing is sent.
class IErrorReportDialog {
public:
    virtual ~IErrorReportDialog() = default;
    // Shows the details (plain text) modally and returns how the user ended the dialog.
    virtual ErrorReportDialogResult Show(const std::string& details) = 0;
};

// Reports a failure the user should know about: builds a problem description, shows it in the
// problem-report dialog and, unless the user declines, posts it to the error-report server.
// Never fails toward its caller. One report is shown at a time: a problem that comes while a report
// is open is kept in the trace log instead of being shown over it, and so is one that comes after a
// few reports were shown within a short while.
class CErrorReporting {
public:
    static void Report(const std::string& method, int line, const std::string& message);

    // The dialog used by Report (null: none); the reports shown so far no longer count. The caller
    // keeps ownership.
    static void InstallDialog(IErrorReportDialog* dialog);
};

// Form encoding of a text: letters and digits stay, every other byte (the blank included)
// becomes "%" and two upper-case hexadecimal digits.
std::string& UrlEncode(std::string& out, const std::string& text);

// The version texts of a problem report and of the crash log. Each gives its "Could not
// determine ..." text when the version cannot be found.
// The browser that shows the program's pages (Chromium): as its requests named it (see
// jv::BrowserVersion), or, in a report made before it made any, as an installed browser answers.
std::string& GetIEVersion(std::string& out);
// The database engine (SQLite).
std::string& GetMDACVersion(std::string& out);
// The operating system: its name, release and machine.
std::string& GetWindowsVersionText(std::string& out);
