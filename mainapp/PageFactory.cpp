#include "mainapp/PageFactory.h"

#include "mainapp/JorvaneView.h"
#include "mainapp/Main_FooterPage.h"
#include "mainapp/Main_NavBarPage.h"
#include "mainapp/Main_NavCarListPage.h"
#include "mainapp/pages/WS_EnterCarPage.h"
#include "mainapp/pages/WS_ExpenseRegisterPage.h"
#include "mainapp/pages/WS_FuelRegisterPage.h"
#include "mainapp/pages/WS_HomePage.h"
#include "mainapp/pages/WS_OdometerRegisterPage.h"
#include "mainapp/pages/WS_ServiceRegisterPage.h"
#include "mainapp/pages/WS_UserPreferencesPage.h"

std::shared_ptr<CJVPage> CreatePage(int resourceId, std::shared_ptr<jv::ui::Document> document) {
    switch (resourceId) {
        case CJorvaneView::kCarListPage:
            return std::make_shared<CMain_NavCarListPage>(resourceId, std::move(document));
        case CJorvaneView::kNavBarPage:
            return std::make_shared<CMain_NavBarPage>(resourceId, std::move(document));
        case CJorvaneView::kFooterPage:
            return std::make_shared<CMain_FooterPage>(resourceId, std::move(document));
        case CJorvaneView::kEnterCarPage:
            return std::make_shared<CWS_EnterCarPage>(resourceId, std::move(document));
        case CJorvaneView::kHomePage:
            return std::make_shared<CWS_HomePage>(resourceId, std::move(document));
        case CJorvaneView::kFuelRegisterPage:
            return std::make_shared<CWS_FuelRegisterPage>(resourceId, std::move(document));
        case CJorvaneView::kExpenseRegisterPage:
            return std::make_shared<CWS_ExpenseRegisterPage>(resourceId, std::move(document));
        case CJorvaneView::kServiceRegisterPage:
            return std::make_shared<CWS_ServiceRegisterPage>(resourceId, std::move(document));
        case CJorvaneView::kOdometerRegisterPage:
            return std::make_shared<CWS_OdometerRegisterPage>(resourceId, std::move(document));
        case CJorvaneView::kPreferencesPage:
            return std::make_shared<CWS_UserPreferencesPage>(resourceId, std::move(document));
        default:
            return nullptr;
    }
}
