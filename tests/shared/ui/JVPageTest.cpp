#include "shared/ui/JVPage.h"

#include <gtest/gtest.h>

#include <functional>

using jv::ui::Document;
using jv::ui::Element;
using jv::ui::ElementPtr;

namespace {

// A page object as the workspace pages are: it fills its document when asked.
class TestPage : public CJVPage {
public:
    using CJVPage::CJVPage;
    void ProcessDocument() override { ++processed; }
    int processed = 0;
};

const char* const kPage = R"(<html><head><title>Page</title></head><body>
<input id=CarName value="First"><input id=carname value="Second">
<textarea id=Notes>old notes</textarea>
<select id=CarStyle><option value="">Choose Style</option><option value=7>LX</option></select>
<select id=CarStyle><option value=1>Second select</option></select>
<select id=Empty></select>
<input type=radio name=Drive id=Drive value=normal><input type=radio name=Drive id=Drive value=severe>
<input type=checkbox id=CustomStyle>
<div id=Warning style="display:none"><ul><li>text</li></ul></div><div id=Nothing></div>
<table id=serviceitems><thead><tr><td>Item</td></tr></thead>
  <tbody><tr><td>Oil</td><td>3000</td></tr></tbody></table>
<table id=bare></table>
<span id=NumberScratch></span>
</body></html>)";

std::shared_ptr<TestPage> MakePage() {
    return std::make_shared<TestPage>(177, Document::Parse(kPage, "res://Jorvane.exe/177"));
}

TEST(JVPage, IndexTakingHelpersReachDuplicatesOthersActOnTheFirst) {
    const auto page = MakePage();
    ElementPtr element;
    ASSERT_TRUE(page->GetElementById("CARNAME", element, 1));
    EXPECT_EQ(element->value(), "Second");
    EXPECT_FALSE(page->GetElementById("CarName", element, 2));
    EXPECT_EQ(element, nullptr) << "a failed lookup leaves no element";

    EXPECT_TRUE(page->SetInputValue("carname", "Changed"));
    EXPECT_EQ(page->GetInputValue("CarName"), "Changed");
    EXPECT_EQ(page->GetDocument()->item("CarName", 1)->value(), "Second");

    EXPECT_EQ(page->GetSelectValue("CarStyle", 1), "1");
    EXPECT_EQ(page->GetSelectedOptionText("CarStyle", 1), "Second select");
    EXPECT_TRUE(page->SetSelectValue("CarStyle", "7"));
    EXPECT_EQ(page->GetSelectValue("CarStyle"), "7");
    EXPECT_EQ(page->GetSelectedOptionText("CarStyle"), "LX");
    EXPECT_EQ(page->GetSelectValue("CarStyle", 1), "1") << "the second select is untouched";

    // CheckById with index 1 checks the second button of the group and clears the first.
    EXPECT_TRUE(page->CheckById("Drive", 0));
    EXPECT_EQ(page->GetCheckedRadioValue("Drive"), "normal");
    EXPECT_TRUE(page->CheckById("Drive", 1));
    EXPECT_FALSE(page->GetDocument()->item("Drive", 0)->checked());
    EXPECT_EQ(page->GetCheckedRadioValue("drive"), "severe");
}

TEST(JVPage, FormFieldsAndTheirFailureResults) {
    const auto page = MakePage();
    ElementPtr select;
    ASSERT_TRUE(page->GetElementById("CarStyle", select));

    struct Case {
        const char* what;
        std::function<bool()> call;
        bool result;
    };
    const Case cases[] = {
        {"input value on an input", [&] { return page->SetInputValue("CarName", "x"); }, true},
        {"input value on a div", [&] { return page->SetInputValue("Warning", "x"); }, false},
        {"input value on nothing", [&] { return page->SetInputValue("Missing", "x"); }, false},
        {"text area on a text area", [&] { return page->SetTextAreaValue("Notes", "new notes"); }, true},
        {"text area on an input", [&] { return page->SetTextAreaValue("CarName", "x"); }, false},
        {"select value on an input", [&] { return page->SetSelectValue("CarName", "x"); }, false},
        {"selected index on a select", [&] { return page->SetSelectedIndex("CarStyle", 0); }, true},
        {"selected index on a text area", [&] { return page->SetSelectedIndex("Notes", 0); }, false},
        {"check a box", [&] { return page->SetCheckedById("CustomStyle", true); }, true},
        {"check a div", [&] { return page->CheckById("Warning"); }, false},
        {"option on a select", [&] { return page->AddSelectOption(select.get(), "EX", "8", false, false, -1); }, true},
        {"option on no select", [&] { return page->AddSelectOption(nullptr, "EX", "8", false, false, -1); }, false},
        {"option on a div",
         [&] {
             return page->AddSelectOption(page->GetDocument()->getElementById("Warning"), "EX", "8", true, true, 0);
         },
         false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.call(), c.result) << c.what;

    EXPECT_EQ(page->GetInputValue("Warning"), "") << "not an input";
    EXPECT_EQ(page->GetTextAreaValue("Notes"), "new notes");
    EXPECT_TRUE(page->GetCheckedById("CustomStyle"));
    EXPECT_FALSE(page->GetCheckedById("Warning"));
    EXPECT_EQ(page->GetDocument()->getElementById("Warning")->innerHTML(), "<ul><li>text</li></ul>")
        << "nothing written to the wrong kind of element";
    EXPECT_EQ(select->options().back()->text(), "EX");

    // A selected option added before the others becomes the selection.
    EXPECT_TRUE(page->AddSelectOption(select.get(), "Choose", "", true, true, 0));
    EXPECT_EQ(select->selectedIndex(), 0);
    EXPECT_TRUE(select->options()[0]->defaultSelected());
}

TEST(JVPage, NothingSelectedOrCheckedGivesEmptyText) {
    const auto page = MakePage();
    EXPECT_EQ(page->GetCheckedRadioValue("Drive"), "") << "after trying every member of the group";
    EXPECT_EQ(page->GetCheckedRadioValue("Nobody"), "");
    EXPECT_EQ(page->GetSelectedOptionText("Empty"), "");
    EXPECT_TRUE(page->SetSelectedIndex("CarStyle", -1));
    EXPECT_EQ(page->GetSelectedOptionText("CarStyle"), "");
    EXPECT_EQ(page->GetSelectValue("CarStyle"), "");
}

TEST(JVPage, TableHelpers) {
    const auto page = MakePage();
    ElementPtr table;
    ASSERT_TRUE(page->GetTableById("serviceitems", table));
    ElementPtr notATable;
    EXPECT_FALSE(page->GetTableById("Warning", notATable));

    // -1 appends after the last row of the first body; GetTableRow counts the head's row too.
    ElementPtr row;
    ASSERT_TRUE(page->InsertTableRow(table.get(), row, -1));
    ElementPtr cell;
    ASSERT_TRUE(page->InsertRowCell(row.get(), "Brakes &amp; pads", cell, -1));
    ASSERT_TRUE(page->InsertRowCell(row.get(), "<b>6000</b>", cell, -1));
    ElementPtr read;
    ASSERT_TRUE(page->GetTableRow(table.get(), 2, read));
    EXPECT_EQ(read, row);
    ASSERT_TRUE(page->GetRowCell(read.get(), 0, cell));
    EXPECT_EQ(cell->innerText(), "Brakes & pads");
    EXPECT_FALSE(page->GetRowCell(read.get(), 2, cell));
    EXPECT_FALSE(page->GetTableRow(table.get(), 3, read));

    EXPECT_TRUE(page->DeleteRowCells(row.get()));
    EXPECT_TRUE(row->cells().empty());

    // A table without a body gets its rows from the table itself.
    ElementPtr bare;
    ASSERT_TRUE(page->GetTableById("bare", bare));
    ASSERT_TRUE(page->InsertTableRow(bare.get(), row, -1));
    EXPECT_EQ(bare->rows().size(), 1u);

    ElementPtr head;
    ASSERT_TRUE(page->CreateTableHead(table.get(), head));
    EXPECT_EQ(head, table->tHead()->selfElement()) << "the head there is";
}

TEST(JVPage, CreatingAndChangingElements) {
    const auto page = MakePage();
    ElementPtr container;
    ASSERT_TRUE(page->GetElementById("Nothing", container));

    // RemoveAllChildren on an element without children: true, nothing changes.
    page->GetDocument()->TakeMutations();
    EXPECT_TRUE(page->RemoveAllChildren(container.get()));
    EXPECT_TRUE(page->GetDocument()->mutations().empty());

    ElementPtr cell;
    ASSERT_TRUE(page->AppendNewElement(container.get(), "<span class=listrow id=a>", cell));
    EXPECT_EQ(cell->className(), "listrow");
    ASSERT_TRUE(page->AppendNewElementWithHTML(container.get(), "<p align=right>", "1,234.5<br>miles", cell));
    EXPECT_EQ(container->innerHTML(), R"(<span class="listrow" id="a"></span><p align="right">1,234.5<br>miles</p>)");
    EXPECT_FALSE(page->AppendNewElement(container.get(), "", cell));
    EXPECT_EQ(cell, nullptr);

    // Child lookup by id, or by position with an empty id.
    ElementPtr child;
    ASSERT_TRUE(page->GetChildElementById(container.get(), "A", child));
    EXPECT_TRUE(child->is("span"));
    ASSERT_TRUE(page->GetChildElementById(container.get(), "", child, 2));
    EXPECT_TRUE(child->is("br"));

    ElementPtr replacement = page->GetDocument()->createElement("em");
    ElementPtr first;
    ASSERT_TRUE(page->GetChildElementById(container.get(), "a", first));
    EXPECT_TRUE(page->ReplaceChildNode(container.get(), replacement, first.get()));
    EXPECT_TRUE(page->AppendChildNode(container.get(), first));
    EXPECT_EQ(container->children().back(), first.get());

    EXPECT_TRUE(page->RemoveAllChildren(container.get()));
    EXPECT_TRUE(container->children().empty());

    EXPECT_TRUE(page->ShowElement("Warning"));
    EXPECT_FALSE(page->GetDocument()->getElementById("Warning")->hasAttribute("style"));
    EXPECT_TRUE(page->HideElement("warning"));
    EXPECT_EQ(page->GetDocument()->getElementById("Warning")->style("display"), "none");
    EXPECT_FALSE(page->HideElement("Missing"));
}

TEST(JVPage, APageWithoutADocumentFailsEveryHelper) {
    TestPage page(142, nullptr);
    const auto other = Document::Parse("<table id=t><tr><td>x</td></tr></table>");
    Element* table = other->getElementById("t");
    Element* row = table->rows().front();
    ElementPtr out;

    EXPECT_FALSE(page.GetDocumentItem("t", out));
    EXPECT_FALSE(page.GetElementById("t", out));
    EXPECT_FALSE(page.GetTableById("t", out));
    EXPECT_FALSE(page.GetChildElementById(table, "", out));
    EXPECT_FALSE(page.SetInputValue("t", "x"));
    EXPECT_EQ(page.GetInputValue("t"), "");
    EXPECT_FALSE(page.SetTextAreaValue("t", "x"));
    EXPECT_EQ(page.GetTextAreaValue("t"), "");
    EXPECT_FALSE(page.SetSelectValue("t", "x"));
    EXPECT_EQ(page.GetSelectValue("t"), "");
    EXPECT_FALSE(page.SetSelectedIndex("t", 0));
    EXPECT_EQ(page.GetSelectedOptionText("t"), "");
    EXPECT_FALSE(page.AddSelectOption(table, "a", "b", true, true, -1));
    EXPECT_FALSE(page.CheckById("t"));
    EXPECT_FALSE(page.SetCheckedById("t", true));
    EXPECT_FALSE(page.GetCheckedById("t"));
    EXPECT_EQ(page.GetCheckedRadioValue("t"), "");
    EXPECT_FALSE(page.HideElement("t"));
    EXPECT_FALSE(page.ShowElement("t"));
    EXPECT_FALSE(page.InsertTableRow(table, out));
    EXPECT_FALSE(page.GetTableRow(table, 0, out));
    EXPECT_FALSE(page.GetRowCell(row, 0, out));
    EXPECT_FALSE(page.InsertRowCell(row, "x", out));
    EXPECT_EQ(out, nullptr);
    EXPECT_FALSE(page.DeleteRowCells(row));
    EXPECT_FALSE(page.CreateTableHead(table, out));
    EXPECT_FALSE(page.AppendNewElement(table, "td", out));
    EXPECT_FALSE(page.AppendNewElementWithHTML(table, "td", "x", out));
    EXPECT_FALSE(page.AppendChildNode(table, other->createElement("td")));
    EXPECT_FALSE(page.ReplaceChildNode(table, other->createElement("td"), row));
    EXPECT_FALSE(page.RemoveAllChildren(table));
    // The other document was not touched.
    EXPECT_EQ(table->outerHTML(), R"(<table id="t"><tbody><tr><td>x</td></tr></tbody></table>)");
}

TEST(JVPage, DestroyingAPageReleasesTheOneReferenceItHeld) {
    const auto document = Document::Parse(kPage);
    EXPECT_EQ(document.use_count(), 1);
    {
        const auto page = std::make_shared<TestPage>(141, document);
        EXPECT_EQ(document.use_count(), 2);
        EXPECT_EQ(page->GetResourceID(), 141);
    }
    EXPECT_EQ(document.use_count(), 1);
}

// User text goes into the rows the pages build: it must come out as text, not as markup.
TEST(JVPage, EscapeHtmlQuotesEscapesEverythingThatCouldBecomeMarkup) {
    const struct {
        const char* text;
        const char* escaped;
    } cases[] = {
        {R"(Joe's "best" garage)", "Joe&#39;s &#34;best&#34; garage"},
        {"no quotes", "no quotes"},
        {"Tom & Jerry", "Tom &amp; Jerry"},
        {"<img src=x onerror=alert(1)>", "&lt;img src=x onerror=alert(1)&gt;"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(EscapeHtmlQuotes(c.text), c.escaped) << c.text;

    // What a register row does with a vendor name, read back as the user typed it.
    const auto document = Document::Parse("<table><tbody id=b></tbody></table>");
    const std::string vendor = R"(A&B "Quick" <Lube>)";
    document->getElementById("b")->setInnerHTML("<tr><td><input name=Vendor value=\"" + EscapeHtmlQuotes(vendor) +
                                                "\"><span id=vendorWhole_3 style=display:none>" +
                                                EscapeHtmlQuotes(vendor) + "</span></td></tr>");
    EXPECT_EQ(document->item("Vendor")->value(), vendor);
    EXPECT_EQ(document->getElementById("vendorWhole_3")->innerText(), vendor);
    EXPECT_EQ(document->getElementById("vendorWhole_3")->children().size(), 0u);
}

}  // namespace
