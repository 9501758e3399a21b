// The page DOM: a register page with 1,000 entries parsed, filled row by row through the page
// helpers the way the register pages build their rows, and its mutation log drained as the
// browser host does after each call; and the serialization the host sends for a whole page.
// Filling and looking up also at 250 and 4,000 rows: a page of N rows must cost O(N) to fill,
// and a look-up by id or name must not grow with the page.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/ui/Document.h"
#include "shared/ui/JVPage.h"

namespace {

constexpr int kRows = 1000;

class RegisterPage : public CJVPage {
public:
    using CJVPage::CJVPage;
    void ProcessDocument() override {}
};

// The page as it comes from its resource: a head row and an empty body.
const std::string kEmptyPage = R"(<!DOCTYPE html><html><head><title>Fuel Register</title></head><body>
<table id=FuelTable class=register><thead><tr><th>Date</th><th>Odometer</th><th>Vendor</th><th>Fill-up</th>
<th>Volume</th><th>Cost Per</th><th>Total Cost</th><th>Notes</th></tr></thead><tbody></tbody></table>
<span id=NumberScratch style="display:none"></span></body></html>)";

// The cells of one stored entry, as the fuel register writes them.
void AddRow(RegisterPage& page, jv::ui::Element* table, int id) {
    CJVPage::ElementPtr row;
    if (!page.InsertTableRow(table, row, -1)) std::abort();
    row->setId(std::to_string(id));
    const std::string vendor = EscapeHtmlQuotes("Joe's \"Quick\" Lube & Gas #" + std::to_string(id % 50));
    const std::string cells[] = {
        "<input class=registerValueBoxNoBorder onchange=DateValidation(this); name=date onblur=OnBlur(); "
        "onfocus=OnFocus(); value=03/14/08>",
        "<input class=registerValueBoxNoBorder style=\"TEXT-ALIGN: right;\" name=Odometer value=\"" +
            std::to_string(12000 + id * 310) + ".0\">",
        "<span id=vendorEnd_" + std::to_string(id) + " style=\"display:none\"></span><span id=vendorWhole_" +
            std::to_string(id) + " style=\"display:none\">" + vendor + "</span><input name=Vendor value=\"" + vendor +
            "\">",
        "<input class=registerValueBoxNoBorder type=checkbox checked name=fillup value=yes>",
        "<input name=Volume style=\"TEXT-ALIGN: right;\" value=\"11.482\">",
        "<input name=\"Cost Per\" style=\"TEXT-ALIGN: right;\" value=\"3.199\">",
        "<input name=\"Total Cost\" style=\"TEXT-ALIGN: right;\" value=\"36.73\">",
        "<input name=Notes value=\"" + EscapeHtmlQuotes("Road trip, <highway> driving") + "\">",
    };
    CJVPage::ElementPtr cell;
    for (const std::string& html : cells) {
        if (!page.InsertRowCell(row.get(), html, cell, -1)) std::abort();
    }
}

std::string FilledPage(int rows = kRows) {
    RegisterPage page(175, jv::ui::Document::Parse(kEmptyPage));
    CJVPage::ElementPtr table;
    page.GetTableById("FuelTable", table);
    for (int id = 0; id < rows; ++id) AddRow(page, table.get(), id);
    return page.GetDocument()->Serialize({false, true});
}

// Parse the empty page, build the rows through the helpers, drain the log: what the fuel
// register costs the program when it rebuilds its rows.
void BM_ParseFillAndDrainRows(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    size_t records = 0;
    for (auto _ : state) {
        RegisterPage page(175, jv::ui::Document::Parse(kEmptyPage));
        CJVPage::ElementPtr table;
        page.GetTableById("FuelTable", table);
        page.GetDocument()->TakeMutations();
        for (int id = 0; id < rows; ++id) AddRow(page, table.get(), id);
        const auto log = page.GetDocument()->TakeMutations();
        records = log.size();
        benchmark::DoNotOptimize(log.data());
    }
    state.counters["records"] = static_cast<double>(records);
}
BENCHMARK(BM_ParseFillAndDrainRows)->Arg(250)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);

// Parsing a page that already holds the 1,000 rows (a reload).
void BM_ParsePageWith1000Rows(benchmark::State& state) {
    const std::string html = FilledPage();
    for (auto _ : state) {
        auto document = jv::ui::Document::Parse(html);
        benchmark::DoNotOptimize(document.get());
    }
    state.counters["bytes"] = static_cast<double>(html.size());
}
BENCHMARK(BM_ParsePageWith1000Rows)->Unit(benchmark::kMillisecond);

// The page as the host serves it to the browser: keys and live form state.
void BM_SerializeForTheBrowser1000Rows(benchmark::State& state) {
    const auto document = jv::ui::Document::Parse(FilledPage());
    for (auto _ : state) {
        std::string html = document->Serialize({true, true});
        benchmark::DoNotOptimize(html.data());
    }
}
BENCHMARK(BM_SerializeForTheBrowser1000Rows)->Unit(benchmark::kMillisecond);

// Looking up an element by id in the filled page, as every helper call does: the element after
// every row, and a row's vendor in the middle.
void BM_LookUpByIdInRows(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    RegisterPage page(175, jv::ui::Document::Parse(FilledPage(rows)));
    const std::string middle = "vendorWhole_" + std::to_string(rows / 2);
    for (auto _ : state) {
        CJVPage::ElementPtr element, vendor;
        page.GetElementById("NumberScratch", element);
        page.GetElementById(middle, vendor);
        benchmark::DoNotOptimize(element.get());
        benchmark::DoNotOptimize(vendor.get());
    }
}
BENCHMARK(BM_LookUpByIdInRows)->Arg(250)->Arg(1000)->Arg(4000)->Unit(benchmark::kMicrosecond);

// The last row's odometer by its name and place among the rows, as the register pages read cells.
void BM_LookUpByNameAndIndexInRows(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    RegisterPage page(175, jv::ui::Document::Parse(FilledPage(rows)));
    for (auto _ : state) {
        jv::ui::Element* odometer = page.GetDocument()->item("odometer", rows - 1);
        benchmark::DoNotOptimize(odometer);
    }
}
BENCHMARK(BM_LookUpByNameAndIndexInRows)->Arg(250)->Arg(1000)->Arg(4000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
