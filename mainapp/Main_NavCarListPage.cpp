#include "mainapp/Main_NavCarListPage.h"

#include "mainapp/JorvaneDoc.h"
#include "mainapp/JorvaneView.h"
#include "platform/base/Profile.h"
#include "platform/ui/Document.h"

namespace {

jv::db::Connection DocumentConnection() {
    CJorvaneDoc* document = CJorvaneDoc::GetDoc();
    return document != nullptr ? document->GetDatabaseConnection() : jv::db::Connection();
}

std::string SelectedCarInProfile() {
    return jv::Profile("Jorvane").GetProfileString("Settings", "SelectedCar");
}

// The label of a row as the caption shows it: without the no-break space the list puts before it.
std::string Label(std::string text) {
    const std::string noBreakSpace = "\xC2\xA0";
    while (text.rfind(noBreakSpace, 0) == 0) text.erase(0, noBreakSpace.size());
    while (!text.empty() && text.front() == ' ') text.erase(0, 1);
    return text;
}

}  // namespace

CMain_NavCarListPage::CMain_NavCarListPage(int resourceId, std::shared_ptr<jv::ui::Document> document)
    : CJVPage(resourceId, std::move(document)), m_cars(DocumentConnection()) {}

CJorvaneView* CMain_NavCarListPage::View() const {
    return CJorvaneView::GetView();
}

void CMain_NavCarListPage::LoadCars() {
    CJorvaneDoc* document = CJorvaneDoc::GetDoc();
    if (document == nullptr) return;
    m_cars.getCars("%", document->GetUserPreferences());
}

void CMain_NavCarListPage::ProcessDocument() {
    ElementPtr table;
    if (!GetTableById("carlist", table)) return;
    // Keep the top spacer and the page's last two rows; everything between is ours.
    int rows = static_cast<int>(table->rows().size());
    for (int i = rows - 3; i >= 1; --i) table->deleteRow(i);

    LoadCars();
    const int count = GetCarCount();
    const std::string selected = SelectedCarInProfile();
    for (int i = 0; i < count; ++i) {
        const CCar& car = m_cars.m_cars[static_cast<size_t>(i)];
        ElementPtr row;
        if (InsertTableRow(table.get(), row, i + 1)) {
            row->setId(car.VehicleID);
            const std::string name = EscapeHtmlQuotes(car.Name);
            ElementPtr cell;
            AppendNewElementWithHTML(row.get(), "<td >",
                                     "<DIV onmouseup=\"DoMouseUp(event);\" onmouseover=\"DoMouseOver(event);\" "
                                     "onmouseout=\"DoMouseOut(event);\" class=\"CarNavListDiv\" "
                                     "STYLE=\"cursor: pointer\" title=\"" +
                                         name + "\">&nbsp;" + name + "</div>",
                                     cell);
            AppendNewElement(row.get(), "<td align=right>", cell);
        }
        if (car.VehicleID == selected && View() != nullptr) View()->SetDocumentTitle(car.Name);
    }
    if (count > 1) {
        ElementPtr row;
        if (InsertTableRow(table.get(), row, count + 1)) {
            row->setId("%");
            ElementPtr cell;
            AppendNewElementWithHTML(row.get(), "<td>",
                                     "<DIV onmouseup=\"DoMouseUp(event);\" onmouseover=\"DoMouseOver(event);\" "
                                     "onmouseout=\"DoMouseOut(event);\" style=\"cursor: pointer\" "
                                     "class=\"CarNavListDiv\" title=\"All Cars\">&nbsp;All Cars</div>",
                                     cell);
            AppendNewElement(row.get(), "<td align=right>", cell);
        }
    }

    bool found = false;
    for (int i = 0; i < count; ++i) {
        if (m_cars.m_cars[static_cast<size_t>(i)].VehicleID == SelectedCarInProfile()) {
            SelectCar(i + 1);
            found = true;
        }
    }
    if (!found) {
        if (count > 1)
            SelectCar(count + 1);
        else if (count == 1)
            SelectCar(1);
    }
    // No car shown (the only car sold and sold cars hidden, or the last one deleted): the pages
    // must not go on showing a car the list no longer holds, so nothing is selected, as in a new
    // garage. The new car being typed in ("0") stays selected.
    if (count == 0 && View() != nullptr) {
        const std::string shown = View()->GetSelectedCar();
        if (!shown.empty() && shown != "%" && shown != "0") {
            View()->SetSelectedCar("");
            View()->SetDocumentTitle("");
        }
    }
}

bool CMain_NavCarListPage::IsSelectableRow(int row) const {
    ElementPtr table;
    ElementPtr tableRow;
    if (row < 1 || !GetTableById("carlist", table) || !GetTableRow(table.get(), row, tableRow)) return false;
    const std::string id = tableRow->id();
    if (id == "%" || id == "0") return true;
    for (const CCar& car : m_cars.m_cars)
        if (car.VehicleID == id) return true;
    return false;
}

int CMain_NavCarListPage::LastSelectableRow() const {
    const int count = GetCarCount();
    if (count == 0) return -1;
    if (count == 1) return 1;
    // The All Cars row: right after the cars, or after the "New Car" row when there is one.
    ElementPtr table;
    if (GetTableById("carlist", table)) {
        const auto& rows = table->rows();
        for (int i = static_cast<int>(rows.size()) - 1; i >= 1; --i)
            if (rows[static_cast<size_t>(i)]->id() == "%") return i;
    }
    return count;
}

void CMain_NavCarListPage::SelectCar(int row) {
    CJorvaneView* view = View();
    const int count = GetCarCount();
    if (row < 1 || row > count + 1 || !IsSelectableRow(row)) row = LastSelectableRow();
    if (row < 1) return;
    if (view != nullptr && view->GetSelectedCar() == "0" && view->IsCurrentPage(CJorvaneView::kEnterCarPage)) return;

    ElementPtr table;
    if (!GetTableById("carlist", table)) return;
    const auto rows = table->rows();
    const int n = static_cast<int>(rows.size());
    for (int i = 0; i < n; ++i) {
        Element* tableRow = rows[static_cast<size_t>(i)];
        ElementPtr cell;
        if (GetRowCell(tableRow, 0, cell)) cell->setClassName("mouseout");
        if (GetRowCell(tableRow, 1, cell)) {
            cell->setInnerHTML("");
            cell->setClassName("mouseout");
            cell->setId("secondcell");
        }
    }
    if (row >= n) return;
    Element* selectedRow = rows[static_cast<size_t>(row)];
    if (view != nullptr) view->SetSelectedCar(selectedRow->id());
    ElementPtr cell;
    if (GetRowCell(selectedRow, 0, cell)) {
        if (view != nullptr) view->SetDocumentTitle(Label(cell->innerText()));
        cell->setClassName("selected");
    }
    if (GetRowCell(selectedRow, 1, cell)) cell->setClassName("selected");
    if (GetRowCell(rows[static_cast<size_t>(row - 1)], 1, cell)) cell->setInnerHTML("<IMG src=211>");
    if (row + 1 < n && GetRowCell(rows[static_cast<size_t>(row + 1)], 1, cell)) cell->setInnerHTML("<IMG src=212>");
    if (view != nullptr && view->IsCurrentPage(CJorvaneView::kOdometerRegisterPage)) view->SetCurrentCar("");
}

void CMain_NavCarListPage::SelectCarByID(const std::string& vehicleId) {
    const int count = GetCarCount();
    if (vehicleId == "%") {
        if (count > 1)
            SelectCar(LastSelectableRow());
        else if (count == 1)
            SelectCar(1);
        return;
    }
    for (int i = 0; i < count; ++i) {
        if (m_cars.m_cars[static_cast<size_t>(i)].VehicleID == vehicleId) {
            SelectCar(i + 1);
            return;
        }
    }
}

void CMain_NavCarListPage::AddNewCarRow() {
    ElementPtr existing;
    if (GetElementById("0", existing)) return;
    LoadCars();
    ElementPtr table;
    if (!GetTableById("carlist", table)) return;
    const int count = GetCarCount();
    ElementPtr row;
    if (!InsertTableRow(table.get(), row, count + 1)) return;
    row->setId("0");
    ElementPtr cell;
    AppendNewElementWithHTML(row.get(), "td", "&nbsp;New Car", cell);
    AppendNewElement(row.get(), "<td align=right>", cell);
    SelectCar(count + 1);
}

void CMain_NavCarListPage::UpdateNewCarInNavList(const std::string& name) {
    ElementPtr row;
    if (!GetElementById("0", row)) return;
    ElementPtr cell;
    if (GetRowCell(row.get(), 0, cell)) cell->setInnerHTML("&nbsp;" + EscapeHtmlQuotes(name));
}
