#include <gtest/gtest.h>

#include "mainapp/dialogs/PrintPreviewDlg.h"
#include "tests/mainapp/dialogs/MainAppUiTest.h"

namespace {

class PrintPreviewTest : public MainAppUiTest {};

TEST_F(PrintPreviewTest, EachRequestPrintsItsFragmentOnceOnAPageWithOnlyThePrintStyles) {
    const std::string fragment =
        "<h2>Fuel History for Tom &amp; Jerry's Van</h2><table id=\"PrintTable\"><tbody>"
        "<tr><td>03/15/26</td><td>12.500</td></tr></tbody></table>";
    CPrintPreviewDlg::Print(fragment);
    CPrintPreviewDlg::Print(fragment);
    ASSERT_EQ(ui.host.printed().size(), 2u) << "one print per request";
    const std::string& printed = ui.host.printed()[0];
    EXPECT_NE(printed.find("<body class=\"dialog\">" + fragment + "</body>"), std::string::npos) << printed;
    EXPECT_NE(printed.find("href=\"233\""), std::string::npos);
    EXPECT_NE(printed.find("href=\"258\""), std::string::npos);
    EXPECT_EQ(printed.find("href=\"176\""), std::string::npos) << "not the screen's style sheet";
    EXPECT_EQ(ui.host.openedDialogs(), (std::vector<int>{232, 232}));
}

TEST_F(PrintPreviewTest, NothingToPrintOrNoPagePrintsNothingAndIsLogged) {
    CPrintPreviewDlg::Print("");
    EXPECT_TRUE(ui.host.printed().empty());
    EXPECT_EQ(trace.Count("Nothing to print"), 1);

    jv::ui::Resources::ClearForTesting();  // the print page is missing
    CPrintPreviewDlg dialog;
    dialog.SetMessage("<h2>Odometer History</h2>");
    dialog.DoModal();
    EXPECT_TRUE(ui.host.printed().empty());
    EXPECT_EQ(trace.Count("The print page has no body: nothing printed"), 1);
}

}  // namespace
