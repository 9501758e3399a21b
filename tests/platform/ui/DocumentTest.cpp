#include "platform/ui/Document.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "platform/ui/DomUtil.h"
#include "platform/ui/HtmlEscape.h"

using jv::ui::Document;
using jv::ui::Element;
using jv::ui::ElementPtr;
using jv::ui::FormState;
using jv::ui::Mutation;

namespace {

std::shared_ptr<Document> Page(const std::string& body) {
    return Document::Parse("<!DOCTYPE html><html><head><title>Test Page</title></head><body>" + body +
                           "</body></html>");
}

std::vector<Mutation::Type> Types(const std::vector<Mutation>& log) {
    std::vector<Mutation::Type> types;
    for (const Mutation& mutation : log) types.push_back(mutation.type);
    return types;
}

// The start tags the pages hand to createElement, as they are written in the pages.
TEST(Document, CreateElementFromTheStartTagsThePagesUse) {
    const auto document = Page("");
    struct Case {
        const char* startTag;
        const char* outerHTML;
    };
    const Case cases[] = {
        {"td", "<td></td>"},
        {"<td align=right>", R"(<td align="right"></td>)"},
        {R"h(<TD width=295 onmousedown="OnMouseDownTable(0)" onclick="OnMouseDownTable(0)"></td>)h",
         R"h(<td width="295" onmousedown="OnMouseDownTable(0)" onclick="OnMouseDownTable(0)"></td>)h"},
        {R"(<TD id=first onclick=SelectRow(this);></td>)", R"(<td id="first" onclick="SelectRow(this);"></td>)"},
        // Duplicate attributes: the first one counts, as in the browser.
        {R"(<input class=registerValueBoxNoBorder style="TEXT-ALIGN: right;" onchange=OnChange(); style="TEXT-ALIGN: left;" name=Distance>)",
         R"(<input class="registerValueBoxNoBorder" style="TEXT-ALIGN: right;" onchange="OnChange();" name="Distance">)"},
        {"<input type=checkbox checked name=fillup value=yes>",
         R"(<input type="checkbox" name="fillup" value="yes" checked="">)"},
        {R"(<td style="CURSOR: hand" title="a &amp; b &quot;c&quot;">)",
         R"(<td style="CURSOR: hand" title="a &amp; b &quot;c&quot;"></td>)"},
        {"<option value=3 selected>", R"(<option value="3" selected=""></option>)"},
    };
    for (const Case& c : cases) {
        const ElementPtr element = document->createElement(c.startTag);
        ASSERT_TRUE(element) << c.startTag;
        EXPECT_EQ(element->outerHTML(), c.outerHTML) << c.startTag;
    }
    EXPECT_FALSE(document->createElement(""));
    EXPECT_FALSE(document->createElement("<>"));
    EXPECT_FALSE(document->createElement("t d"));
}

TEST(Document, LooksUpIdsAndNamesIgnoringCaseWithAnIndexAmongDuplicates) {
    const auto document = Page(R"(
        <table id=TableCar><tr><td id=first>a</td><td id=FIRST>b</td></tr></table>
        <input name=Date value=1><input name=date value=2><span id=dATE>3</span>
        <div id=box><p id=inner>x</p><p name=Inner>y</p></div>)");

    struct Case {
        const char* name;
        int index;
        const char* expectedText;  // nullptr: none
    };
    const Case cases[] = {
        {"first", 0, "a"},       {"First", 1, "b"},      {"first", 2, nullptr}, {"DATE", 0, "1"},
        {"date", 1, "2"},        {"Date", 2, "3"},       {"date", 3, nullptr},  {"tablecar", 0, "a\tb"},
        {"missing", 0, nullptr}, {"first", -1, nullptr},
    };
    for (const Case& c : cases) {
        Element* element = document->item(c.name, c.index);
        if (c.expectedText == nullptr) {
            EXPECT_EQ(element, nullptr) << c.name << " " << c.index;
            continue;
        }
        ASSERT_NE(element, nullptr) << c.name << " " << c.index;
        const std::string text = element->is("input") ? element->value() : element->innerText();
        EXPECT_EQ(text, c.expectedText) << c.name << " " << c.index;
    }

    ASSERT_NE(document->getElementById("TABLECAR"), nullptr);
    EXPECT_TRUE(document->getElementById("tablecar")->is("table"));
    EXPECT_EQ(document->getElementById("date"), document->item("date", 2));

    // An element's own `all` collection, by name or by position.
    Element* box = document->getElementById("box");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->item("inner", 1)->innerText(), "y");
    EXPECT_EQ(box->itemAt(0)->id(), "inner");
    EXPECT_EQ(box->itemAt(2), nullptr);
}

// The look-ups by id and name answer from an index the document keeps; after every kind of
// change they must answer as a walk through the tree does.
TEST(Document, LookUpsByIdAndNameFollowEveryChangeOfTheTree) {
    const auto document = Page(
        "<table id=Rows><tbody><tr id=r1><td><input name=Date id=d1></td></tr>"
        "<tr id=r2><td><input name=date></td></tr></tbody></table><span id=DATE></span>");
    const std::vector<std::string> names = {"date", "d1", "r1", "r2", "r3", "Rows", "x", "moved"};
    const auto expectSameAsAWalk = [&](const std::string& step) {
        SCOPED_TRACE(step);
        for (const std::string& name : names) {
            std::vector<Element*> all;
            Element* byId = nullptr;
            const std::function<void(const jv::ui::Node&)> walk = [&](const jv::ui::Node& node) {
                for (const auto& child : node.childNodes()) {
                    if (Element* element = child->asElement()) {
                        const auto id = element->getAttribute("id");
                        const auto elementName = element->getAttribute("name");
                        const auto same = [&](const std::optional<std::string>& value) {
                            return value && jv::ui::dom::EqualsNoCase(*value, name);
                        };
                        if (same(id) && byId == nullptr) byId = element;
                        if (same(id) || same(elementName)) all.push_back(element);
                    }
                    walk(*child);
                }
            };
            walk(*document);
            EXPECT_EQ(document->getElementById(name), byId) << name;
            for (size_t i = 0; i <= all.size(); ++i) {
                EXPECT_EQ(document->item(name, static_cast<int>(i)), i < all.size() ? all[i] : nullptr)
                    << name << " " << i;
            }
        }
    };
    expectSameAsAWalk("parsed");
    Element* tbody = document->getElementById("r1")->parentElement();

    ElementPtr first = document->createElement("<tr id=r3>");
    first->setInnerHTML("<td><input name=DATE id=x></td>");
    tbody->insertBefore(first, tbody->childNodes().front().get());
    expectSameAsAWalk("a row put first");
    document->getElementById("r2")->setId("x");
    expectSameAsAWalk("renamed to an id that comes later");
    document->getElementById("d1")->removeAttribute("name");
    expectSameAsAWalk("a name taken away");
    document->getElementById("d1")->setAttribute("NAME", "x");
    expectSameAsAWalk("a name given");
    jv::ui::NodePtr moved = document->getElementById("r1")->self();
    tbody->appendChild(moved);
    expectSameAsAWalk("a row moved to the end");
    document->getElementById("r3")->setAttribute("name", "moved");
    tbody->removeChild(document->getElementById("r3"));
    expectSameAsAWalk("a row taken out");
    tbody->appendChild(first);
    expectSameAsAWalk("the same row back at the end");
    for (int i = 0; i < 40; ++i) {
        ElementPtr row = document->createElement("tr");
        row->setInnerHTML("<td><input name=date id=d" + std::to_string(i) + "></td>");
        tbody->insertBefore(row, i % 3 == 0 ? nullptr : tbody->childNodes()[static_cast<size_t>(i) / 2].get());
        if (i % 7 == 0) tbody->removeChild(tbody->childNodes().front().get());
    }
    expectSameAsAWalk("rows added and removed everywhere");
    tbody->setInnerHTML("<tr id=r1><td><input name=date id=d1></td></tr>");
    expectSameAsAWalk("the body replaced");
    document->getElementById("Rows")->removeNode();
    expectSameAsAWalk("the table taken out");
    EXPECT_EQ(document->item("date", -1), nullptr);
}

TEST(Document, ParsesTheMarkupPagesInsertAsABrowserWould) {
    const auto document = Page(R"(<div id=cell></div><table id=t><tbody id=b></tbody></table>)");
    Element* cell = document->getElementById("cell");

    // Unclosed span, &nbsp; and an unquoted attribute.
    cell->setInnerHTML("<span class=x>a&nbsp;b");
    EXPECT_EQ(cell->innerHTML(), R"(<span class="x">a&nbsp;b</span>)");
    EXPECT_EQ(cell->innerText(),
              "a\xC2\xA0"
              "b");

    // Rows and cells parse in the context of the element they go into.
    Element* body = document->getElementById("b");
    body->setInnerHTML("<tr><td>1<td>2</tr><tr><td>3");
    EXPECT_EQ(body->rows().size(), 2u);
    EXPECT_EQ(body->rows()[0]->cells().size(), 2u);
    EXPECT_EQ(body->innerHTML(), "<tr><td>1</td><td>2</td></tr><tr><td>3</td></tr>");

    // An image resource addressed by id, without quotes.
    cell->setInnerHTML("<IMG src=211>");
    EXPECT_EQ(cell->innerHTML(), R"(<img src="211">)");

    // The text of a cell built from the register pages' markup.
    cell->setInnerHTML(
        R"(<span id=vendorEnd_7 style="display:none"></span><span id=vendorWhole_7 style="display:none">Joe's &amp; Sons</span>)");
    EXPECT_EQ(document->getElementById("vendorWhole_7")->innerText(), "Joe's & Sons");
}

TEST(Document, InnerHtmlOuterHtmlAndInnerTextRoundTrip) {
    const auto document = Page(R"(<div id=d></div><pre id=p></pre>)");
    Element* div = document->getElementById("d");

    const std::string html = R"(<h3 style="MARGIN-BOTTOM: -16px;">My &lt;Car&gt;</h3><p align="right">1,234.5</p>)";
    div->setInnerHTML(html);
    EXPECT_EQ(div->innerHTML(), html);
    EXPECT_EQ(div->outerHTML(), R"(<div id="d">)" + html + "</div>");
    EXPECT_EQ(div->innerText(), "My <Car>\n\n1,234.5");

    const struct {
        const char* text;
        const char* innerHTML;
    } texts[] = {
        {"Miles", "Miles"},
        {"5 < 6 & \"quoted\"", "5 &lt; 6 &amp; \"quoted\""},
        {"line one\nline two", "line one<br>line two"},
        {"\xC2\xA0New Car", "&nbsp;New Car"},
        {"", ""},
    };
    for (const auto& t : texts) {
        div->setInnerText(t.text);
        EXPECT_EQ(div->innerHTML(), t.innerHTML) << t.text;
        EXPECT_EQ(div->innerText(), t.text) << t.text;
    }

    // Preformatted text keeps its white space; the line break after <pre> in a page is not
    // content, one put there by the program is, and it survives the round trip.
    const auto preformatted = Page("<pre id=p>\n  two  spaces\r\nand a line</pre>");
    EXPECT_EQ(preformatted->getElementById("p")->innerText(), "  two  spaces\nand a line");
    Element* pre = document->getElementById("p");
    pre->setInnerHTML("\nstarts on a new line");
    EXPECT_EQ(pre->innerText(), "\nstarts on a new line");
    EXPECT_EQ(Page(pre->outerHTML())->getElementById("p")->innerText(), pre->innerText());

    // Cells read as tab-separated text, rows as lines.
    div->setInnerHTML("<table><tr><td>a</td><td>b</td></tr><tr><td>c</td></tr></table>");
    EXPECT_EQ(div->innerText(), "a\tb\nc");
}

TEST(Document, OuterHtmlShowsLiveFormStateRatherThanAttributes) {
    const auto document = Page(R"(
        <input id=name value="old"><input id=box type=checkbox checked><textarea id=notes>first</textarea>
        <select id=s><option value=1 selected>One</option><option value=2>Two</option></select>
        <input id=hidden type=hidden value=a>)");
    document->getElementById("name")->setValue("new \"value\"");
    document->getElementById("box")->setChecked(false);
    document->getElementById("notes")->setValue("typed <text>");
    document->getElementById("s")->setValue("2");
    document->getElementById("hidden")->setValue("b");

    EXPECT_EQ(document->getElementById("name")->outerHTML(), R"(<input id="name" value="new &quot;value&quot;">)");
    EXPECT_EQ(document->getElementById("name")->getAttribute("value"), "old");
    EXPECT_EQ(document->getElementById("box")->outerHTML(), R"(<input id="box" type="checkbox">)");
    EXPECT_TRUE(document->getElementById("box")->hasAttribute("checked"));
    EXPECT_EQ(document->getElementById("notes")->outerHTML(), R"(<textarea id="notes">typed &lt;text&gt;</textarea>)");
    EXPECT_EQ(document->getElementById("s")->innerHTML(),
              R"(<option value="1">One</option><option value="2" selected="">Two</option>)");
    // A hidden input's value is its attribute.
    EXPECT_EQ(document->getElementById("hidden")->getAttribute("value"), "b");
}

TEST(Document, CheckingARadioButtonClearsTheOthersOfItsGroup) {
    const auto document = Page(R"(
        <form><input type=radio name=Units id=u0 value=miles checked><input type=radio name=Units id=u1 value=km>
              <input type=radio name=Other id=o0 value=x checked></form>
        <form><input type=radio name=Units id=v0 value=miles checked></form>
        <input type=radio name=Twice id=t0 checked><input type=radio name=Twice id=t1 checked>)");
    const auto checked = [&](const char* id) { return document->getElementById(id)->checked(); };

    // Two checked buttons of a group in the page: the last one wins, as in the browser.
    EXPECT_FALSE(checked("t0"));
    EXPECT_TRUE(checked("t1"));

    document->getElementById("u1")->setChecked(true);
    EXPECT_FALSE(checked("u0"));
    EXPECT_TRUE(checked("u1"));
    EXPECT_TRUE(checked("o0")) << "another group";
    EXPECT_TRUE(checked("v0")) << "the same name in another form";

    // Unchecking leaves the group without a checked button.
    document->getElementById("u1")->setChecked(false);
    EXPECT_FALSE(checked("u0"));
    EXPECT_FALSE(checked("u1"));

    // A checked button inserted into the group takes over.
    document->getElementById("u0")->setChecked(true);
    ElementPtr added = document->createElement("<input type=radio name=Units id=u2 checked>");
    document->getElementById("u1")->parentNode()->appendChild(added);
    EXPECT_FALSE(checked("u0"));
    EXPECT_TRUE(checked("u2"));
}

TEST(Document, SelectValueIndexAndOptions) {
    const auto document = Page(R"(
        <select id=year><option value="">Choose Year</option><option value=2004>2004</option>
            <option>2005</option></select>
        <select id=empty></select>
        <select id=many multiple><option>a</option><option>b</option></select>)");
    Element* year = document->getElementById("year");

    // A single select shows its first option when none is selected.
    EXPECT_EQ(year->selectedIndex(), 0);
    EXPECT_EQ(year->value(), "");

    struct Case {
        const char* value;
        int index;
        const char* expectedValue;
    };
    const Case cases[] = {{"2004", 1, "2004"},
                          {"2005", 2, "2005"} /* an option's text stands in for its value */,
                          {"1999", -1, ""},
                          {"", 0, ""}};
    for (const Case& c : cases) {
        EXPECT_TRUE(year->setValue(c.value));
        EXPECT_EQ(year->selectedIndex(), c.index) << c.value;
        EXPECT_EQ(year->value(), c.expectedValue) << c.value;
    }

    EXPECT_TRUE(year->setSelectedIndex(2));
    EXPECT_EQ(year->options()[2]->text(), "2005");
    EXPECT_TRUE(year->setSelectedIndex(-1));
    EXPECT_EQ(year->selectedIndex(), -1);

    // Adding before a position, and adding a selected option, which becomes the selection.
    ElementPtr option = document->createElement("option");
    option->setText("2003");
    option->setValue("2003");
    EXPECT_TRUE(year->add(option, 1));
    EXPECT_EQ(year->options()[1]->text(), "2003");
    EXPECT_EQ(option->index(), 1);
    ElementPtr selected = document->createElement("option");
    selected->setText("2010");
    selected->setSelected(true);
    EXPECT_TRUE(year->add(selected, -1));
    EXPECT_EQ(year->length(), 5);
    EXPECT_EQ(year->selectedIndex(), 4);

    // Removing the selected option selects the first one again.
    EXPECT_TRUE(year->remove(4));
    EXPECT_EQ(year->selectedIndex(), 0);
    EXPECT_FALSE(year->remove(9));

    Element* empty = document->getElementById("empty");
    EXPECT_EQ(empty->selectedIndex(), -1);
    EXPECT_EQ(empty->value(), "");

    // A list box selects nothing by itself and keeps several selections.
    Element* many = document->getElementById("many");
    EXPECT_EQ(many->selectedIndex(), -1);
    many->options()[0]->setSelected(true);
    many->options()[1]->setSelected(true);
    EXPECT_TRUE(many->options()[0]->selected());

    // Not a select: nothing happens.
    EXPECT_FALSE(document->body()->setSelectedIndex(0));
    EXPECT_FALSE(document->body()->add(document->createElement("option")));
}

TEST(Document, TableRowIndexesCountHeadsWhileSectionIndexesDoNot) {
    const auto document = Page(R"(
        <table id=serviceitems>
          <thead><tr id=heading><th>Item</th></tr></thead>
          <tbody id=items><tr id=r0><td>a</td></tr><tr id=r1><td>b</td></tr></tbody>
        </table>
        <table id=bare></table>)");
    Element* table = document->getElementById("serviceitems");
    Element* body = document->getElementById("items");

    EXPECT_EQ(table->rows().size(), 3u);
    EXPECT_EQ(body->rows().size(), 2u);
    EXPECT_EQ(table->tBodies().size(), 1u);
    EXPECT_EQ(document->getElementById("r1")->rowIndex(), 2);
    EXPECT_EQ(document->getElementById("r1")->sectionRowIndex(), 1);
    EXPECT_EQ(document->getElementById("heading")->rowIndex(), 0);

    // -1 appends after the last row of the body; an index counts the section's own rows.
    ElementPtr last = body->insertRow(-1);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->rowIndex(), 3);
    ElementPtr first = body->insertRow(0);
    EXPECT_EQ(first->sectionRowIndex(), 0);
    EXPECT_EQ(first->rowIndex(), 1);
    EXPECT_FALSE(body->insertRow(9));
    EXPECT_FALSE(body->insertRow(-2));

    // The table's own insertRow counts every row; a new row in the middle joins that row's section.
    ElementPtr middle = table->insertRow(2);
    EXPECT_EQ(middle->parentNode(), body);
    EXPECT_EQ(middle->rowIndex(), 2);

    // Cells.
    ElementPtr cell = last->insertCell(-1);
    cell->setInnerHTML("&nbsp;");
    ElementPtr before = last->insertCell(0);
    EXPECT_EQ(last->cells().size(), 2u);
    EXPECT_EQ(last->cells()[1], cell.get());
    EXPECT_TRUE(last->deleteCell(0));
    EXPECT_FALSE(last->deleteCell(5));
    EXPECT_EQ(last->cells().size(), 1u);

    // Deleting rows by the table's index.
    EXPECT_TRUE(table->deleteRow(-1));
    EXPECT_EQ(table->rows().size(), 5u);
    EXPECT_FALSE(table->deleteRow(7));

    // A table without rows gets a body for its first row; createTHead gives the head there is.
    Element* bare = document->getElementById("bare");
    ElementPtr row = bare->insertRow(-1);
    ASSERT_TRUE(row);
    EXPECT_TRUE(row->parentElement()->is("tbody"));
    ElementPtr head = bare->createTHead();
    EXPECT_EQ(bare->createTHead(), head);
    EXPECT_EQ(bare->children().front(), head.get());
    EXPECT_TRUE(bare->deleteTHead());
    EXPECT_EQ(bare->tHead(), nullptr);
}

// A table's insertRow(-1) joins the section of its last row in the browser's row order (foot rows
// last, head rows first), whatever order the sections stand in.
TEST(Document, AppendingARowJoinsTheSectionOfTheLastRow) {
    struct Case {
        const char* table;
        const char* parentId;  // where the new row goes; "" for the table itself
    };
    const Case cases[] = {
        {"<table id=t><tfoot id=foot><tr><td>f</td></tr></tfoot><tbody id=b><tr><td>b</td></tr></tbody></table>",
         "foot"},
        {"<table id=t><tbody id=b><tr><td>b</td></tr></tbody><tfoot id=foot></tfoot></table>", "b"},
        {"<table id=t><thead id=h><tr><td>h</td></tr></thead><tbody id=b></tbody></table>", "h"},
        {"<table id=t><tbody id=b><tr><td>b</td></tr></tbody><tbody id=c></tbody></table>", "b"},
        {"<table id=t><thead id=h></thead><tbody id=b></tbody><tbody id=c></tbody></table>", "c"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        const auto document = Page(c.table);
        Element* table = document->getElementById("t");
        const size_t before = table->rows().size();
        ElementPtr row = table->insertRow(-1);
        ASSERT_TRUE(row);
        EXPECT_EQ(row->parentNode(), document->getElementById(c.parentId));
        EXPECT_EQ(table->rows().back(), row.get());
        EXPECT_EQ(table->rows().size(), before + 1);
    }
}

TEST(Document, StylesChangeThroughTheStyleAttribute) {
    const auto document = Page(R"(<span id=s style="display:none; COLOR: red">x</span>)");
    Element* span = document->getElementById("s");
    EXPECT_EQ(span->style("DISPLAY"), "none");
    span->setStyle("display", "");
    EXPECT_EQ(span->getAttribute("style"), "color: red");
    span->setStyle("display", "none");
    EXPECT_EQ(span->style("display"), "none");
    span->setStyle("color", "");
    span->setStyle("display", "");
    EXPECT_FALSE(span->hasAttribute("style"));
}

TEST(Document, RecordsEveryChangeOnceAndNothingForStateFromTheBrowser) {
    const auto document = Page(R"(<table id=t><tbody id=b></tbody></table><input id=i><span id=s></span>
                                  <select id=sel><option>a</option><option>b</option></select>)");
    document->TakeMutations();
    Element* body = document->getElementById("b");

    // A row built outside the tree travels as one insertion.
    ElementPtr row = document->createElement("tr");
    ElementPtr cell = document->createElement("<td align=right>");
    cell->insertAdjacentHTML("beforeEnd", "<b>1</b>");
    row->appendChild(cell);
    EXPECT_TRUE(document->mutations().empty());
    body->appendChild(row);
    ASSERT_EQ(document->mutations().size(), 1u);
    const Mutation& inserted = document->mutations().front();
    EXPECT_EQ(inserted.type, Mutation::Type::InsertNode);
    EXPECT_EQ(inserted.parent, body->key());
    EXPECT_EQ(inserted.index, 0);
    EXPECT_EQ(inserted.node, row->key());
    EXPECT_EQ(inserted.html, "<tr data-jv-key=\"" + std::to_string(row->key()) + "\"><td data-jv-key=\"" +
                                 std::to_string(cell->key()) + "\" align=\"right\"><b data-jv-key=\"" +
                                 std::to_string(cell->children().front()->key()) + "\">1</b></td></tr>");
    document->TakeMutations();

    Element* input = document->getElementById("i");
    Element* span = document->getElementById("s");
    input->setValue("x");
    span->setInnerText("a\nb");
    span->setAttribute("Title", "t");
    span->removeAttribute("title");
    span->removeAttribute("title");  // not there: nothing to record
    span->setStyle("display", "none");
    document->getElementById("sel")->setSelectedIndex(1);
    input->focus();
    body->deleteRow(0);
    const std::vector<Mutation> log = document->TakeMutations();
    EXPECT_EQ(Types(log), (std::vector<Mutation::Type>{Mutation::Type::SetProperty, Mutation::Type::ReplaceChildren,
                                                       Mutation::Type::SetAttribute, Mutation::Type::RemoveAttribute,
                                                       Mutation::Type::SetAttribute, Mutation::Type::SetProperty,
                                                       Mutation::Type::Focus, Mutation::Type::RemoveNode}));
    EXPECT_EQ(log[0].name, "value");
    EXPECT_EQ(log[0].value, "x");
    EXPECT_EQ(log[2].name, "title");
    EXPECT_EQ(log[4].value, "display: none");
    EXPECT_EQ(log[5].name, "selectedIndex");
    EXPECT_EQ(log[5].value, "1");
    EXPECT_EQ(log[7].node, row->key());
    EXPECT_EQ(log[7].index, 0);

    // What the browser reports changes the tree and records nothing.
    FormState typed;
    typed.value = "typed";
    EXPECT_TRUE(document->ApplyFormState(input->key(), typed));
    EXPECT_EQ(input->value(), "typed");
    FormState chosen;
    chosen.selectedIndex = 0;
    EXPECT_TRUE(document->ApplyFormState(document->getElementById("sel")->key(), chosen));
    EXPECT_EQ(document->getElementById("sel")->value(), "a");
    EXPECT_FALSE(document->ApplyFormState(span->key(), typed)) << "not a form control";
    EXPECT_FALSE(document->ApplySyncedContent(span->key(), "<b>x</b>")) << "not marked for syncing";
    span->setAttribute("data-jv-sync", "");
    document->TakeMutations();
    EXPECT_TRUE(document->ApplySyncedContent(span->key(), "<b>x</b>"));
    EXPECT_EQ(span->innerHTML(), "<b>x</b>");
    EXPECT_TRUE(document->mutations().empty());
}

// The browser's report reaches only the fields the user can change as the program renders them:
// what a page script writes into a hidden, disabled or read-only field stays the program's.
TEST(Document, FormStateReachesOnlyFieldsTheProgramRendersEditable) {
    const auto document = Page(R"(
        <input id=text value=stored>
        <input id=hidden type=hidden value=stored>
        <input id=hiddenCaps type=HIDDEN value=stored>
        <input id=disabled value=stored disabled>
        <input id=readonly value=stored readonly>
        <textarea id=notes readonly>stored</textarea>
        <fieldset disabled><input id=inFieldset value=stored></fieldset>
        <input id=box type=checkbox>
        <input id=lockedBox type=checkbox disabled>
        <select id=car><option value=a>A</option><option value=b>B</option><option value=c disabled>C</option></select>
        <select id=lockedCar disabled><option value=a>A</option><option value=b>B</option></select>
        <select id=grouped><optgroup label=g disabled><option value=a>A</option></optgroup><option value=b>B</option></select>
        <input id=later value=stored disabled>
        <input id=taken value=stored>)");
    // The program changes its mind after rendering: its present state counts.
    document->getElementById("later")->setDisabled(false);
    document->getElementById("taken")->setAttribute("readonly", "");

    struct Case {
        const char* id;
        FormState state;
        bool applied;
        const char* what;  // how the field reads afterwards (value, or "checked", or the index)
    };
    const auto value = [](const char* text) {
        FormState state;
        state.value = text;
        return state;
    };
    const auto checked = [] {
        FormState state;
        state.checked = true;
        return state;
    };
    const auto index = [](int chosen) {
        FormState state;
        state.selectedIndex = chosen;
        return state;
    };
    const Case cases[] = {
        {"text", value("typed"), true, "typed"},
        {"hidden", value("forged"), false, "stored"},
        {"hiddenCaps", value("forged"), false, "stored"},
        {"disabled", value("forged"), false, "stored"},
        {"readonly", value("forged"), false, "stored"},
        {"notes", value("forged"), false, "stored"},
        {"inFieldset", value("forged"), false, "stored"},
        {"box", checked(), true, "checked"},
        {"lockedBox", checked(), false, "unchecked"},
        {"car", index(1), true, "1"},
        {"car", index(2), false, "1"},  // a disabled option is not chosen
        {"lockedCar", index(1), false, "0"},
        {"grouped", index(0), false, "1"},
        {"later", value("typed"), true, "typed"},
        {"taken", value("forged"), false, "stored"},
    };
    document->getElementById("grouped")->setSelectedIndex(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        Element* element = document->getElementById(c.id);
        ASSERT_NE(element, nullptr);
        EXPECT_EQ(document->ApplyFormState(element->key(), c.state), c.applied);
        std::string now = element->value();
        if (element->type() == "checkbox") now = element->checked() ? "checked" : "unchecked";
        if (element->is("select")) now = std::to_string(element->selectedIndex());
        EXPECT_EQ(now, c.what);
    }

    // An option chosen by itself (a list that takes several) follows the same rule.
    const auto list =
        Page(R"(<select id=several multiple><option id=free>A</option><option id=locked disabled>B</option>
        </select>)");
    FormState selected;
    selected.selected = true;
    EXPECT_TRUE(list->ApplyFormState(list->getElementById("free")->key(), selected));
    EXPECT_FALSE(list->ApplyFormState(list->getElementById("locked")->key(), selected));
    EXPECT_FALSE(list->getElementById("locked")->selected());
}

TEST(Document, TreeChangesThatWouldBreakTheTreeAreRefused) {
    const auto document = Page(R"(<div id=a><div id=b></div></div><div id=c></div>)");
    Element* a = document->getElementById("a");
    Element* b = document->getElementById("b");
    Element* c = document->getElementById("c");
    document->TakeMutations();

    EXPECT_FALSE(b->appendChild(a->selfElement())) << "an ancestor below its descendant";
    EXPECT_FALSE(a->appendChild(nullptr));
    EXPECT_FALSE(a->insertBefore(document->createElement("p"), c)) << "reference is not a child";
    EXPECT_FALSE(a->removeChild(c));
    EXPECT_FALSE(a->replaceChild(document->createElement("p"), c));
    EXPECT_FALSE(document->createTextNode("x")->appendChild(document->createElement("p")));
    EXPECT_TRUE(document->mutations().empty());

    // Moving an element records its removal and its insertion under the same key.
    EXPECT_TRUE(c->appendChild(b->selfElement()));
    const auto log = document->TakeMutations();
    ASSERT_EQ(Types(log), (std::vector<Mutation::Type>{Mutation::Type::RemoveNode, Mutation::Type::InsertNode}));
    EXPECT_EQ(log[0].node, b->key());
    EXPECT_EQ(log[1].node, b->key());

    // replaceChild keeps the place; a fragment passes on its children.
    ElementPtr p = document->createElement("p");
    const ElementPtr old = b->selfElement();  // whoever holds the old child keeps it
    EXPECT_TRUE(c->replaceChild(p, b));
    EXPECT_EQ(old->parentNode(), nullptr);
    EXPECT_EQ(c->children().front(), p.get());
    auto fragment = document->createDocumentFragment();
    fragment->appendChild(document->createElement("i"));
    fragment->appendChild(document->createElement("u"));
    EXPECT_TRUE(a->appendChild(fragment));
    EXPECT_EQ(a->innerHTML(), "<i></i><u></u>");
    EXPECT_TRUE(fragment->childNodes().empty());
}

TEST(Document, TitleAndEscaping) {
    const auto document = Page("");
    EXPECT_EQ(document->title(), "Test Page");
    document->setTitle("Jorvane <1>");
    EXPECT_EQ(document->title(), "Jorvane <1>");
    EXPECT_NE(document->Serialize().find("<title>Jorvane &lt;1&gt;</title>"), std::string::npos);

    EXPECT_EQ(jv::ui::EscapeHtml(R"(<a href="x">Tom & Jerry's</a>)"),
              "&lt;a href=&#34;x&#34;&gt;Tom &amp; Jerry&#39;s&lt;/a&gt;");
    EXPECT_EQ(jv::ui::EscapeHtml("plain text"), "plain text");
}

}  // namespace

namespace {

// A page that builds its rows only when they are looked up: the resolver puts the row asked for in
// place, and the look-up finds it there like any other element.
TEST(Document, AnIdNothingHasIsAskedOfTheResolverWhichMayBuildIt) {
    const auto document = Page("<table><tbody id=body><tr id=1><td>one</td></tr></tbody></table>");
    std::vector<std::string> asked;
    document->SetMissingIdResolver([&](std::string_view id) -> Element* {
        asked.emplace_back(id);
        if (id != "2" && id != "cell_2") return nullptr;
        // A look-up while it answers is not asked again.
        EXPECT_EQ(document->getElementById("3"), nullptr);
        ElementPtr row = document->createElement("<tr id=2>");
        ElementPtr cell = document->createElement("<td id=cell_2>");
        row->appendChild(cell);
        document->getElementById("body")->appendChild(row);
        return document->getElementById(id);
    });
    document->TakeMutations();

    EXPECT_EQ(document->getElementById("1")->textContent(), "one");
    EXPECT_TRUE(asked.empty());
    Element* row = document->getElementById("2");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->parentNode(), document->getElementById("body"));
    // What was built is a change the browser hears of, and is found from then on without asking.
    EXPECT_EQ(Types(document->TakeMutations()), std::vector<Mutation::Type>{Mutation::Type::InsertNode});
    EXPECT_EQ(document->item("cell_2"), row->item("cell_2"));
    EXPECT_EQ((std::vector<std::string>{"2"}), asked);

    // Names the resolver does not know, later duplicates and a resolver taken away give nothing.
    EXPECT_EQ(document->item("missing"), nullptr);
    EXPECT_EQ(document->item("other", 1), nullptr);
    document->SetMissingIdResolver({});
    EXPECT_EQ(document->getElementById("missing"), nullptr);
    EXPECT_EQ((std::vector<std::string>{"2", "missing"}), asked);
}

// An element the resolver gives that is not in the tree answers no look-up.
TEST(Document, TheResolverAnswersOnlyWithElementsOfTheTree) {
    const auto document = Page("");
    ElementPtr loose = document->createElement("<div id=loose>");
    document->SetMissingIdResolver([&](std::string_view) { return loose.get(); });
    EXPECT_EQ(document->getElementById("loose"), nullptr);
}

}  // namespace

namespace {

// A long register as the user scrolls it: rows are built, looked up by id and name, moved and let
// go again for as long as the page is open. What the document keeps to find elements by key, id
// and name follows the rows it holds now, and every look-up still finds what the tree holds.
TEST(Document, LookUpsStayAsLargeAsTheTreeWhileRowsComeAndGo) {
    const auto document = Page("<input name=date id=top><table><tbody id=body></tbody></table>");
    Element* body = document->getElementById("body");
    constexpr int kShown = 20;
    std::vector<Document::LookupSizes> sizes;
    for (int step = 1; step <= 3000; ++step) {
        const std::string id = std::to_string(step);
        ElementPtr row = document->createElement("<tr class=registerrowtop>");
        row->setId(id);
        ElementPtr cell = document->createElement("td");
        cell->appendChild(document->createElement("<span id=vendorEnd_" + id + ">"));
        cell->appendChild(document->createElement("<input name=date>"));
        cell->appendChild(document->createTextNode(" "));
        cell->appendChild(document->createElement("<input name=Vendor>"));
        row->appendChild(cell);
        body->appendChild(row);
        EXPECT_EQ(document->getElementById("vendorEnd_" + id)->parentNode(), cell.get());
        // The top field comes first, then the rows: the new one last.
        Element* date = document->item("date", static_cast<int>(body->childNodes().size()));
        ASSERT_NE(date, nullptr);
        EXPECT_EQ(date->parentNode()->parentNode(), row.get());
        if (step % 7 == 0) {
            // A row moved to the top, and one renamed.
            body->insertBefore(row, body->childNodes().front().get());
            body->childNodes().back()->asElement()->setId("renamed_" + id);
        }
        if (body->childNodes().size() > kShown) body->removeChild(body->childNodes().back().get());
        document->TakeMutations();
        if (step % 1000 == 0) sizes.push_back(document->lookupSizes());
    }
    ASSERT_EQ(sizes.size(), 3u);
    EXPECT_EQ(sizes[2].keys, sizes[0].keys);
    EXPECT_EQ(sizes[2].names, sizes[0].names);
    // Every element holds an entry; a name many share may hold as many stale ones until they go.
    EXPECT_LE(sizes[2].nameEntries, 2 * (kShown * 4 + 1) + 16);
    EXPECT_LE(sizes[2].names, static_cast<size_t>(kShown * 2 + 4));

    // The look-ups answer for the rows there and for no row gone.
    EXPECT_EQ(document->getElementById("1"), nullptr);
    EXPECT_EQ(document->getElementById("vendorEnd_1"), nullptr);
    EXPECT_EQ(document->item("date", kShown + 1), nullptr);
    EXPECT_EQ(document->item("date"), document->getElementById("top"));
    for (int i = 0; i < kShown; ++i) {
        Element* row = body->childNodes()[static_cast<size_t>(i)]->asElement();
        EXPECT_EQ(document->getElementById(row->id()), row);
        EXPECT_EQ(document->item("Vendor", i)->parentNode()->parentNode(), row);
        EXPECT_EQ(document->FindByKey(row->key()), row);
    }
}

}  // namespace
