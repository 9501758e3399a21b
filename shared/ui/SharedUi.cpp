#include "shared/ui/SharedUi.h"

#include "shared/core/ErrorReporting.h"
#include "shared/ui/ErrorReportDlg.h"

void InstallSharedUi() {
    static CErrorReportDlg reportDialog;
    jv::ui::Resources::Install(SharedUiResources());
    CErrorReporting::InstallDialog(&reportDialog);
}
