#include "mainapp/pages/RegisterPrintout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/Document.h"
#include "platform/ui/Element.h"

namespace {

using registerrows::Printout;

// The printout as the print page's browser reads it: the heading's text, then each row's cells'
// texts (lines of a cell joined with "|").
std::vector<std::vector<std::string>> Read(const std::string& html, std::string& heading) {
    auto document = jv::ui::Document::Parse("<!DOCTYPE html><html><body>" + html + "</body></html>");
    jv::ui::Element* body = document->body();
    heading = body->children().at(0)->textContent();
    jv::ui::Element* table = document->getElementById("PrintTable");
    std::vector<std::vector<std::string>> rows;
    for (jv::ui::Element* row : table->rows()) {
        std::vector<std::string>& cells = rows.emplace_back();
        for (jv::ui::Element* cell : row->cells()) {
            std::string text;
            for (const auto& child : cell->childNodes()) {
                const jv::ui::Element* element = child->asElement();
                text += element != nullptr && element->is("br") ? "|" : child->textContent();
            }
            cells.push_back(text);
        }
    }
    return rows;
}

TEST(RegisterPrintout, EveryTextPrintsAsTypedAndNothingOfItBecomesMarkup) {
    const std::string tricky = "Bob's <b>Garage</b> & \"Sons\"";
    Printout printout({"Date", "Vendor <Shop>", "Memo / Notes", "Services", "Cost"});
    printout.Row();
    printout.Cell("03/15/26", "<td valign=top>");
    printout.Cell(tricky);
    printout.Lines({"Brakes", "</td></tr><tr><td>x"});
    printout.Lines({"Oil & filter", "Tyres"}, "<td>", true);
    printout.Cell("1,234.50", "<td align=right>");
    printout.Row();
    printout.Cell("03/16/26");
    printout.Cell("");
    printout.Lines({"Memo only"});
    printout.Lines({}, "<td>", true);
    printout.Cell("0.00", "<td align=right>");

    std::string heading;
    const auto rows = Read(printout.Html("Service History for Tom & <Jerry>"), heading);
    EXPECT_EQ(heading, "Service History for Tom & <Jerry>");
    const std::vector<std::vector<std::string>> expected = {
        {"Date", "Vendor <Shop>", "Memo / Notes", "Services", "Cost"},
        {"03/15/26", tricky, "Brakes|</td></tr><tr><td>x", "Oil & filter|Tyres|", "1,234.50"},
        {"03/16/26", "", "Memo only", "", "0.00"},
    };
    EXPECT_EQ(rows, expected);
}

TEST(RegisterPrintout, ARegisterWithoutEntriesPrintsItsHeadingsAlone) {
    std::string heading;
    const auto rows = Read(Printout({"Date", "Odometer"}).Html("Odometer History for Van"), heading);
    EXPECT_EQ(heading, "Odometer History for Van");
    EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"Date", "Odometer"}}));
}

}  // namespace
