#include "mainapp/pages/RegisterPrintout.h"

#include "mainapp/dialogs/PrintPreviewDlg.h"
#include "platform/ui/HtmlEscape.h"

namespace registerrows {

using jv::ui::EscapeHtml;

Printout::Printout(const std::vector<std::string>& headings) {
    m_html = "<table id=\"PrintTable\" class=\"printtable\"><thead><tr>";
    for (const std::string& heading : headings) m_html += "<td class=\"headingsm\">" + EscapeHtml(heading) + "</td>";
    m_html += "</tr></thead><tbody>";
}

void Printout::Row() {
    if (m_inRow) m_html += "</tr>";
    m_html += "<tr>";
    m_inRow = true;
}

void Printout::Cell(const std::string& text, const char* tag) {
    m_html += tag;
    m_html += EscapeHtml(text);
    m_html += "</td>";
}

void Printout::Lines(const std::vector<std::string>& lines, const char* tag, bool breakAfterEach) {
    m_html += tag;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0 && !breakAfterEach) m_html += "<br>";
        m_html += EscapeHtml(lines[i]);
        if (breakAfterEach) m_html += "<br>";
    }
    m_html += "</td>";
}

std::string Printout::Html(const std::string& heading) const {
    std::string html = "<h2>" + EscapeHtml(heading) + "</h2>";
    html.reserve(html.size() + m_html.size() + 24);
    html += m_html;
    if (m_inRow) html += "</tr>";
    html += "</tbody></table>";
    return html;
}

void PrintPrintout(const Printout& printout, const std::string& heading) {
    CPrintPreviewDlg::Print(printout.Html(heading));
}

}  // namespace registerrows
