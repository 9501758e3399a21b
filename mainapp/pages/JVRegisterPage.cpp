#include "mainapp/pages/JVRegisterPage.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <unordered_set>

#include "mainapp/AutocompleteList.h"
#include "mainapp/JorvaneDoc.h"
#include "mainapp/pages/RegisterFields.h"
#include "mainapp/pages/RegisterPrintout.h"
#include "mainapp/pages/RegisterRows.h"
#include "platform/ui/Document.h"
#include "platform/ui/Loop.h"
#include "shared/core/ErrorReporting.h"
#include "shared/core/TraceLog.h"
#include "shared/data/CarsDB.h"

using namespace registerrows;

namespace {

// Built when the page opens: more than a tall window shows.
constexpr size_t kLatest = 30;
// Built beyond what the script shows, either way, so that scrolling meets rows before gaps.
constexpr size_t kMargin = 8;
// The most entries built at once (besides the selected and the new entry).
constexpr size_t kMostBuilt = 300;

// The id of a stored entry's top row ("12"), or 0.
int EntryIdOf(std::string_view text) {
    if (text.empty() || text.size() > 9) return 0;
    int id = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        id = id * 10 + (c - '0');
    }
    return id;
}

// The selected entry was just stored or put back as stored: the page no longer holds unsaved work.
// The page's script marks it so too, but the program would hear of that only with the script's
// next message; until then a way out would take the blank new entry for a changed one.
void ShowUnchanged(CJVPage& page) {
    CJVPage::ElementPtr flag;
    if (page.GetElementById("DirtyFlag", flag)) flag->setTextContent("false");
}

}  // namespace

// What the register's body holds now.
struct CJVRegisterPage::BodyRows {
    ElementPtr body;
    std::unordered_map<int, std::pair<ElementPtr, ElementPtr>> entries;  // by id: top and bottom row
    std::vector<ElementPtr> gaps;
    ElementPtr newTop;
    ElementPtr newBottom;
};

CJVRegisterPage::CJVRegisterPage(int resourceId, std::shared_ptr<jv::ui::Document> document,
                                 const RegisterListing& listing)
    : CJVPage(resourceId, std::move(document)), m_listing(listing) {
    if (m_pDocument) m_pDocument->SetMissingIdResolver([this](std::string_view id) { return BuildNamedEntry(id); });
}

CJVRegisterPage::~CJVRegisterPage() {
    if (m_pDocument) m_pDocument->SetMissingIdResolver({});
}

void CJVRegisterPage::GetVendor(const std::string& rowId, const std::string& typed) {
    const char* method = "CJVRegisterPage::GetVendor";
    // No row id names no entry: there is nothing to complete, and no span is missing.
    if (rowId.empty()) return;
    std::string remainder;
    std::string whole;
    CJorvaneDoc* doc = CJorvaneDoc::GetDoc();
    CAutocompleteList* list = doc != nullptr ? doc->GetAutocompleteList() : nullptr;
    if (list == nullptr || !list->Lookup(typed, remainder, whole)) {
        remainder.clear();
        whole.clear();
    }
    const std::pair<std::string, int> spans[] = {{"vendorEnd_" + rowId, 39}, {"vendorWhole_" + rowId, 49}};
    for (const auto& [id, callSite] : spans) {
        ElementPtr span;
        if (!GetElementById(id, span)) {
            const std::string message = "Couldn't find " + id + " in Fuel Register.";
            TraceLog(method, TRACE_ERROR, message);
            CErrorReporting::Report(method, callSite, message);
            return;
        }
        span->setTextContent(id == spans[0].first ? remainder : whole);
    }
}

void CJVRegisterPage::ShowSavedWithVendor(const std::string& rowId, const std::string& vendor) {
    ShowSaved(rowId);
    CJorvaneDoc* doc = CJorvaneDoc::GetDoc();
    if (CAutocompleteList* list = doc != nullptr ? doc->GetAutocompleteList() : nullptr) list->Add(vendor);
    SetSaveResult(*this, true);
}

bool CJVRegisterPage::RefuseGoneEntry(const std::string& rowId, const std::string& notSaved) {
    const int id = EntryIdOf(rowId);
    auto query = Query();
    if (id == 0 || !query || query->IsStored(id)) return false;
    SetSaveResult(*this, false);
    ShowMessage("This entry is no longer in your Jorvane file: another program may have deleted it.<p>" + notSaved);
    return true;
}

void CJVRegisterPage::DeleteEntry(const std::string& rowId) {
    CJorvaneDoc* doc = Doc();
    if (doc == nullptr || rowId == "new") return;
    DeleteStored(doc->GetDatabaseConnection(), rowId);
    ShowDeleted(rowId);
}

void CJVRegisterPage::PrintRegister(
    const std::string& what, const std::vector<std::string>& headings,
    const std::function<void(registerrows::Printout&, const CCarsDB& cars, bool allCars)>& rows) {
    CJorvaneDoc* doc = Doc();
    if (doc == nullptr) return;
    CCarsDB cars(doc->GetDatabaseConnection());
    LoadAllCars(cars);
    const bool allCars = AllCars();
    std::vector<std::string> columns = {"Date"};
    if (allCars) columns.emplace_back("Car");
    columns.insert(columns.end(), headings.begin(), headings.end());
    Printout printout(columns);
    rows(printout, cars, allCars);
    PrintPrintout(printout, what + " History for " + cars.getCarName(SelectedCar()));
}

bool CJVRegisterPage::ShowRegister(const char* method, const char* registerName, const char* carColumn,
                                   const std::vector<std::string>& columns, const std::vector<Heading>& headings,
                                   int columnsCallSite, int headingCallSite) {
    PublishNumberFormat(*this);
    PublishToday(*this);
    ElementPtr table;
    if (!GetTableById("Register", table)) return false;
    const bool allCars = AllCars();
    std::vector<std::string> allColumns = {"<col width=\"80px\">"};
    if (allCars) allColumns.emplace_back(carColumn);
    allColumns.insert(allColumns.end(), columns.begin(), columns.end());
    if (!SetColumns(*this, allColumns, method, registerName, columnsCallSite)) return false;
    std::vector<Heading> allHeadings = {{"Date", "first"}};
    if (allCars) allHeadings.emplace_back("Car");
    allHeadings.insert(allHeadings.end(), headings.begin(), headings.end());
    if (!SetHeading(*this, allHeadings, method, registerName, headingCallSite)) return false;
    BuildRows();
    return true;
}

void CJVRegisterPage::AppendOdometerAndVendor(Element* top, const OdometerEntry* stored, const std::string& vehicleId,
                                              const CCarsDB& cars, bool allCars) {
    const std::string carName = stored != nullptr ? cars.getCarName(vehicleId) : std::string();
    Element* carCell = AppendDateCells(*this, top, stored != nullptr ? &stored->date : nullptr, allCars,
                                       stored != nullptr ? &carName : nullptr);
    Element* cell = Append(*this, top, "td");
    if (stored != nullptr) {
        AppendInput(*this, cell, "<input class=registerValueBoxNoBorder name=Odometer data-n=1 data-num>",
                    NumberText(stored->odometer, 1, true));
    } else {
        Append(*this, cell, "<input class=registerValueBoxTip name=Odometer value=Odometer data-n=1 data-num>");
    }
    cell = Append(*this, top, "td");
    AppendVendorField(*this, cell, stored != nullptr ? std::to_string(stored->id) : "new",
                      stored != nullptr ? stored->vendor : "");
    AppendCarField(*this, carCell, cell, vehicleId, stored != nullptr ? nullptr : &cars);
}

void CJVRegisterPage::AppendMemoRow(Element* bottom, const OdometerEntry* stored, bool allCars, size_t gap) {
    AppendFillerCell(*this, bottom, true);
    AppendFillerCell(*this, bottom, false);
    if (allCars) AppendFillerCell(*this, bottom, false);
    Element* cell = Append(*this, bottom, "td");
    if (stored != nullptr)
        AppendInput(*this, cell, "<input class=registerValueBoxNoBorder name=Memo>", stored->memo);
    else
        Append(*this, cell, "<input class=registerValueBoxTip name=Memo value=Memo>");
    for (size_t i = 0; i < gap; ++i) AppendFillerCell(*this, bottom, false);
    AppendSubmitCell(*this, bottom, stored == nullptr);
}

std::optional<std::vector<std::string>> CJVRegisterPage::NumbersForDatabase(
    const std::string& rowId, std::initializer_list<TypedNumber> numbers) {
    const jv::NumberFormat& format = jv::NumberFormat::User();
    std::vector<std::string> texts;
    texts.reserve(numbers.size());
    for (const TypedNumber& number : numbers) {
        const auto text = registerfields::NumberForDatabase(number.typed, number.tip, format);
        if (!text) {
            ShowMessage(std::string("The ") + number.label + " \"" + EscapeHtmlQuotes(number.typed) +
                        "\" is not a number.<p>The entry was not saved.");
            return std::nullopt;
        }
        texts.push_back(texts.empty() || rowId == "new" ? *text : registerfields::AmountForUpdate(*text));
    }
    return texts;
}

// --- the entries read from the database ---------------------------------------------------------------

std::optional<CRegisterQuery> CJVRegisterPage::Query() const {
    CJorvaneDoc* doc = Doc();
    if (doc == nullptr) return std::nullopt;
    return std::optional<CRegisterQuery>(std::in_place, doc->GetDatabaseConnection(), m_listing, SelectedCar(),
                                         doc->GetUserPreferences());
}

void CJVRegisterPage::LoadPart(const RegisterPart& part) {
    auto query = Query();
    if (!query) return;
    query->ReadPart(part, [&](const jv::db::Recordset& row, size_t position) {
        KeepEntry(position, static_cast<int>(row.GetInt(m_listing.key).value_or(0)),
                  row.GetText("VehicleID").value_or(""), row);
    });
}

void CJVRegisterPage::LoadMissing(const std::vector<size_t>& positions) {
    const std::vector<size_t> loaded = LoadedIndices();
    // Each run of positions not read yet is read in one statement.
    size_t runStart = 0;
    size_t runLength = 0;
    const auto readRun = [&] {
        if (runLength > 0) LoadPart(RegisterPart{runStart, runLength, m_count, {}, false});
        runLength = 0;
    };
    for (size_t position : positions) {
        if (position >= m_count || std::binary_search(loaded.begin(), loaded.end(), position)) continue;
        if (runLength > 0 && position == runStart + runLength) {
            ++runLength;
            continue;
        }
        readRun();
        runStart = position;
        runLength = 1;
    }
    readRun();
}

// --- the entries built as rows ---------------------------------------------------------------------

size_t CJVRegisterPage::CountEntries(CRegisterQuery& query) {
    CJorvaneDoc* doc = Doc();
    m_countedVersion.reset();
    if (doc != nullptr && doc->GetDatabaseConnection().IsOpen())
        m_countedVersion = doc->GetDatabaseConnection().ContentVersion();
    return query.Count();
}

bool CJVRegisterPage::ChangedSinceCounted() {
    CJorvaneDoc* doc = Doc();
    if (doc == nullptr || !doc->GetDatabaseConnection().IsOpen()) return false;
    const auto version = doc->GetDatabaseConnection().ContentVersion();
    return !version || !m_countedVersion || *version != *m_countedVersion;
}

long CJVRegisterPage::RefreshPositions(long position) {
    // The entry built nearest to the position, as a mark.
    int mark = 0;
    long markAt = 0;
    for (size_t index : LoadedIndices()) {
        const long at = static_cast<long>(index);
        if (mark == 0 || std::labs(at - position) < std::labs(markAt - position)) {
            mark = EntryId(index);
            markAt = at;
        }
    }
    m_lookedUp.clear();
    Reload(0, false);
    const long now = mark != 0 ? LoadedIndexOf(mark) : -1;
    return now >= 0 ? now - markAt : 0;
}

void CJVRegisterPage::BuildRows() {
    auto query = Query();
    m_count = query ? CountEntries(*query) : 0;
    KeepOnly({});
    const size_t count = EntryCount();
    std::vector<size_t> wanted;
    for (size_t i = count > kLatest ? count - kLatest : 0; i < count; ++i) wanted.push_back(i);
    LoadMissing(wanted);
    // Another car or other columns: nothing built before stays.
    m_lookedUp.clear();
    LayOut(wanted, Rebuild{0, true, true});
    FocusNewEntry(*this);
}

void CJVRegisterPage::ShowEntries(int first, int last, const std::string& selectedId) {
    // The script counts the entries from the body as the page built it. When another program has
    // added or deleted entries meanwhile, the positions it names are no longer the entries'
    // positions in the file: the entries built are read again where they stand now (the body made
    // to fit them, the rows kept with what is typed in them), and what the script named is taken
    // as far on as they moved.
    if (ChangedSinceCounted()) {
        const long shift = RefreshPositions(first);
        first = static_cast<int>(std::max(0L, first + shift));
        last = static_cast<int>(std::max(0L, last + shift));
    }
    const auto [from, to] = Window(first, last, kMargin, kMostBuilt, EntryCount());
    std::vector<size_t> wanted;
    wanted.reserve(to - from + 1);
    const long selected = selectedId == "new" ? -1 : IndexOf(selectedId);
    if (selected >= 0 && static_cast<size_t>(selected) < from) wanted.push_back(static_cast<size_t>(selected));
    for (size_t i = from; i < to; ++i) wanted.push_back(i);
    if (selected >= 0 && static_cast<size_t>(selected) >= to) wanted.push_back(static_cast<size_t>(selected));
    LoadMissing(wanted);
    // What was built besides goes.
    m_lookedUp.clear();
    LayOut(wanted, Rebuild{});
}

void CJVRegisterPage::ShowSaved(const std::string& rowId) {
    ShowUnchanged(*this);
    if (rowId == "new") {
        Reload(0, true);
        FocusNewEntry(*this);
        return;
    }
    Reload(EntryIdOf(rowId), false);
}

void CJVRegisterPage::ShowDeleted(const std::string& /*rowId*/) {
    Reload(0, false);
}

void CJVRegisterPage::RestoreEntry(const std::string& rowId) {
    ShowUnchanged(*this);
    const BodyRows rows = ScanBody();
    if (rowId == "new") {
        LayOut(BuiltIndices(rows), Rebuild{0, true, false});
        return;
    }
    const long index = IndexOf(rowId);
    if (index < 0) {
        TraceLog("CJVRegisterPage::RestoreEntry", TRACE_ERROR, "Couldn't find entry " + rowId);
        return;
    }
    std::vector<size_t> wanted = BuiltIndices(rows);
    if (rows.entries.count(EntryId(static_cast<size_t>(index))) == 0) {
        wanted.push_back(static_cast<size_t>(index));
        std::sort(wanted.begin(), wanted.end());
    }
    LayOut(wanted, Rebuild{EntryId(static_cast<size_t>(index)), false, false});
}

long CJVRegisterPage::IndexOf(const std::string& rowId) {
    const int id = EntryIdOf(rowId);
    if (id == 0) return -1;
    if (const long index = LoadedIndexOf(id); index >= 0) return index;
    LoadPart(RegisterPart{0, 0, m_count, {id}, false});
    return LoadedIndexOf(id);
}

CJVRegisterPage::BodyRows CJVRegisterPage::ScanBody() {
    BodyRows rows;
    ElementPtr table;
    if (!GetTableById("Register", table)) return rows;
    for (Element* body : table->tBodies()) {
        if (body->id() == "RegisterTBody") rows.body = body->selfElement();
    }
    if (!rows.body) return rows;
    const auto& children = rows.body->childNodes();
    for (size_t i = 0; i < children.size(); ++i) {
        Element* row = children[i]->asElement();
        if (row == nullptr || !row->is("tr")) continue;
        if (IsGap(*row)) {
            rows.gaps.push_back(row->selfElement());
            continue;
        }
        const std::string id = row->id();
        Element* bottom = NextRow(row);
        if (bottom == nullptr || !bottom->id().empty()) continue;
        if (id == "new") {
            rows.newTop = row->selfElement();
            rows.newBottom = bottom->selfElement();
        } else if (const int entryId = EntryIdOf(id); entryId != 0) {
            rows.entries[entryId] = {row->selfElement(), bottom->selfElement()};
        } else {
            continue;
        }
        i = static_cast<size_t>(bottom->indexInParent());
    }
    return rows;
}

std::vector<size_t> CJVRegisterPage::BuiltIndices(const BodyRows& rows) const {
    // Every entry built was read (what is not built is let go of as the body is laid out).
    std::vector<size_t> indices;
    if (rows.entries.empty()) return indices;
    for (size_t i : LoadedIndices())
        if (rows.entries.count(EntryId(i)) != 0) indices.push_back(i);
    return indices;
}

void CJVRegisterPage::Reload(int changedId, bool newEntry) {
    const BodyRows rows = ScanBody();
    RegisterPart part;
    for (const auto& entry : rows.entries) part.ids.push_back(entry.first);
    if (changedId != 0) part.ids.push_back(changedId);
    // The entry just added is the one with the highest id: ids are never given twice.
    part.newest = newEntry;
    auto query = Query();
    m_count = query ? CountEntries(*query) : 0;
    KeepOnly({});
    part.total = m_count;
    // The rows built before (an entry deleted meanwhile is no longer there), and the new one.
    if (!part.ids.empty() || part.newest) LoadPart(part);
    LayOut(LoadedIndices(), Rebuild{changedId, newEntry, false});
}

void CJVRegisterPage::LayOut(const std::vector<size_t>& asked, const Rebuild& rebuild) {
    const char* method = "CJVRegisterPage::LayOut";
    // Only what could be read is built (a statement may have failed, another program may have
    // deleted entries meanwhile).
    std::vector<size_t> wanted;
    wanted.reserve(asked.size());
    const std::vector<size_t> loaded = LoadedIndices();
    for (size_t index : asked)
        if (index < EntryCount() && std::binary_search(loaded.begin(), loaded.end(), index)) wanted.push_back(index);
    CJorvaneDoc* doc = Doc();
    ElementPtr table;
    if (doc == nullptr || !GetTableById("Register", table)) return;
    BodyRows rows = rebuild.whole ? BodyRows{} : ScanBody();
    if (rebuild.whole || !rows.body) rows = BodyRows{};

    // The car names are read once, when a row is built.
    std::optional<CCarsDB> cars;
    const bool allCars = AllCars();
    const auto carList = [&]() -> const CCarsDB& {
        if (!cars) {
            cars.emplace(doc->GetDatabaseConnection());
            LoadAllCars(*cars);
        }
        return *cars;
    };
    size_t columns = 1;
    ElementPtr heading;
    if (GetElementById("RegisterHeadingRow", heading)) columns = heading->cells().size();

    std::vector<jv::ui::NodePtr> desired;
    desired.reserve(wanted.size() * 2 + 8);
    size_t gapsUsed = 0;
    for (const Segment& segment : Segments(EntryCount(), wanted)) {
        if (!segment.built) {
            ElementPtr gap = gapsUsed < rows.gaps.size() ? rows.gaps[gapsUsed++] : NewGap(*this, columns, 0);
            if (!gap) return;
            SetGapCount(gap.get(), segment.count);
            desired.push_back(gap);
            continue;
        }
        const int id = EntryId(segment.first);
        if (const auto found = rows.entries.find(id); found != rows.entries.end() && id != rebuild.entryId) {
            desired.push_back(found->second.first);
            desired.push_back(found->second.second);
            continue;
        }
        ElementPtr top = NewRow(*this, "<tr class=registerrowtop>");
        ElementPtr bottom = NewRow(*this, "<tr class=registerrowbottom>");
        if (!top || !bottom) {
            TraceLog(method, TRACE_ERROR, "Failed to add rows to the register");
            return;
        }
        top->setId(std::to_string(id));
        FillEntryRows(top.get(), bottom.get(), segment.first, carList(), allCars);
        desired.push_back(top);
        desired.push_back(bottom);
    }
    if (rows.newTop && rows.newBottom && !rebuild.newEntry) {
        desired.push_back(rows.newTop);
        desired.push_back(rows.newBottom);
    } else {
        ElementPtr top = NewRow(*this, "<tr class=registerrowcurrent_top>");
        ElementPtr bottom = NewRow(*this, "<tr class=registerrowcurrent_bottom>");
        if (!top || !bottom) {
            TraceLog(method, TRACE_ERROR, "Failed to add new row to the register");
            return;
        }
        top->setId("new");
        FillNewEntryRows(top.get(), bottom.get(), carList(), allCars);
        desired.push_back(top);
        desired.push_back(bottom);
    }

    if (!rows.body) {
        // Nothing stays: a new body put in place whole is one change for the browser.
        ElementPtr body = NewBody(*this);
        if (!body) return;
        for (const auto& node : desired) body->appendChild(node);
        ReplaceBody(*this, table.get(), body);
        KeepOnly(wanted);
        return;
    }
    // The rows in the order wanted, each moved or added where it differs; what is not wanted goes.
    jv::ui::Node& body = *rows.body;
    std::unordered_set<const jv::ui::Node*> keep;
    for (const auto& node : desired) keep.insert(node.get());
    size_t at = 0;
    for (const auto& node : desired) {
        while (at < body.childNodes().size() && keep.count(body.childNodes()[at].get()) == 0)
            body.removeChild(body.childNodes()[at].get());
        const auto& children = body.childNodes();
        if (at < children.size() && children[at] == node) {
            ++at;
            continue;
        }
        body.insertBefore(node, at < children.size() ? children[at].get() : nullptr);
        ++at;
    }
    while (body.childNodes().size() > at) body.removeChild(body.childNodes().back().get());
    KeepOnly(wanted);
}

Element* CJVRegisterPage::BuildNamedEntry(std::string_view id) {
    std::string_view entry = id;
    for (std::string_view prefix : {std::string_view("vendorEnd_"), std::string_view("vendorWhole_")}) {
        if (entry.substr(0, prefix.size()) == prefix) entry.remove_prefix(prefix.size());
    }
    const long index = IndexOf(std::string(entry));
    if (index < 0) return nullptr;
    BodyRows rows = ScanBody();
    if (!rows.body) return nullptr;
    std::vector<size_t> wanted = BuiltIndices(rows);
    const int entryId = EntryId(static_cast<size_t>(index));
    if (rows.entries.count(entryId) == 0) {
        wanted.push_back(static_cast<size_t>(index));
        std::sort(wanted.begin(), wanted.end());
        // Whoever looked it up may hold on to it until the work it does has ended.
        m_lookedUp.insert(entryId);
        jv::ui::Loop* loop = jv::ui::Loop::Current();
        if (!m_letGoDue && loop != nullptr) {
            m_letGoDue = true;
            loop->AfterThisWork([page = weak_from_this()] {
                if (const auto self = std::static_pointer_cast<CJVRegisterPage>(page.lock()))
                    self->LetLookedUpEntriesGo();
            });
        }
    }
    rows = BodyRows{};
    LayOut(wanted, Rebuild{});
    return m_pDocument ? m_pDocument->getElementById(id) : nullptr;
}

void CJVRegisterPage::LetLookedUpEntriesGo() {
    m_letGoDue = false;
    if (m_lookedUp.empty()) return;
    const BodyRows rows = ScanBody();
    std::vector<size_t> wanted;
    for (size_t index : BuiltIndices(rows))
        if (m_lookedUp.count(EntryId(index)) == 0) wanted.push_back(index);
    m_lookedUp.clear();
    if (rows.body) LayOut(wanted, Rebuild{});
}
