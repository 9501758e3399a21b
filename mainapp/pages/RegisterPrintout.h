#pragma once

#include <string>
#include <vector>

// The printout of a register: a heading and one table of the entries the register has loaded (all
// it shows, built as rows or not), made as HTML text. Nothing of it becomes part of the page on the
// screen, and no entry need be built as rows for it to print. Every text from the user or
// the database is escaped here; only the start tags of the cells are the program's own markup.
namespace registerrows {

class Printout {
public:
    // The table's head row, one cell per heading.
    explicit Printout(const std::vector<std::string>& headings);

    // Begins the next entry's row.
    void Row();
    // A cell of text, opened with the program's own start tag ("<td align=right>").
    void Cell(const std::string& text, const char* tag = "<td>");
    // A cell of lines of text, each ended by a line break when `breakAfterEach` (a list of items),
    // else separated by one.
    void Lines(const std::vector<std::string>& lines, const char* tag = "<td>", bool breakAfterEach = false);

    // The heading, then the table.
    std::string Html(const std::string& heading) const;

private:
    std::string m_html;
    bool m_inRow = false;
};

// Prints the printout (the print preview's page, then the browser's print command).
void PrintPrintout(const Printout& printout, const std::string& heading);

}  // namespace registerrows
