// What the browser host adds to a page of 1,000 rows that the program fills when the page is
// complete: turning the document's change log into the patch message the window applies.
#include <benchmark/benchmark.h>

#include <nlohmann/json.hpp>
#include <string>

#include "platform/ui/Document.h"
#include "platform/ui/host/WebHost.h"

namespace {

constexpr int kRows = 1000;

const std::string kEmptyPage = R"(<!DOCTYPE html><html><head><title>Services</title></head><body>
<p><span id="RowCount">0</span> services</p>
<table id="Rows"><thead><tr><td>#</td><td>Service</td><td>Cost</td></tr></thead><tbody></tbody></table>
</body></html>)";

// The rows as a register page builds them: through the DOM, one row and its cells at a time.
std::shared_ptr<jv::ui::Document> FilledPage() {
    auto document = jv::ui::Document::Parse(kEmptyPage);
    document->TakeMutations();
    jv::ui::Element* body = document->getElementById("Rows")->tBodies()[0];
    for (int i = 0; i < kRows; ++i) {
        auto row = body->insertRow(-1);
        row->setId("row" + std::to_string(i));
        row->insertCell(-1)->setInnerText(std::to_string(i + 1));
        row->insertCell(-1)->setInnerText("Oil change " + std::to_string(i + 1));
        row->insertCell(-1)->setInnerHTML("<input name=\"cost\" value=\"" + std::to_string(19 + i % 7) + ".95\">");
    }
    document->getElementById("RowCount")->setInnerText(std::to_string(kRows));
    return document;
}

// The log of a filled page turned into the patch message, as sent after the program's work.
void BM_PatchFor1000NewRows(benchmark::State& state) {
    const auto document = FilledPage();
    const auto log = document->TakeMutations();
    size_t bytes = 0;
    for (auto _ : state) {
        const nlohmann::json message{
            {"t", "patch"}, {"doc", document->id()}, {"ops", jv::ui::host::WebHost::PatchOperations(*document, log)}};
        const std::string text = message.dump();
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["records"] = static_cast<double>(log.size());
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_PatchFor1000NewRows)->Unit(benchmark::kMillisecond);

// The whole of the program's side: parse the page, fill it, build the patch.
void BM_FillAndPatch1000Rows(benchmark::State& state) {
    for (auto _ : state) {
        const auto document = FilledPage();
        const auto log = document->TakeMutations();
        const std::string text = jv::ui::host::WebHost::PatchOperations(*document, log).dump();
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_FillAndPatch1000Rows)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
