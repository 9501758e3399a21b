#include "mainapp/pages/PageAnswer.h"

#include "platform/base/NumberText.h"
#include "shared/core/TraceLog.h"
#include "shared/ui/JVPage.h"

void AnswerPage(CJVPage& page, std::initializer_list<std::pair<std::string_view, std::string>> values) {
    CJVPage::ElementPtr span;
    if (!page.GetElementById("WorkedOut", span)) {
        TraceLog("AnswerPage", TRACE_ERROR, "The page has no WorkedOut element");
        return;
    }
    for (const auto& [name, value] : values) span->setAttribute("data-" + std::string(name), value);
}

std::string AnswerNumber(double value) {
    return jv::number::FormatShortest(value);
}
