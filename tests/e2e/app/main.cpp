// A small program built from the UI framework and the browser host for the end-to-end tests. It
// shows the test pages (resources read from the folder given with --pages, files named
// "<id>-<name>.html") in a browser that the tests start, answers their script calls through the
// page DOM, opens dialogs in the middle of calls, and reports a failing operation with the
// problem-report dialog to the error-report server that configApp.xml names.
//
// Standard output carries, one a line: "JV-OPEN <address>" once the server listens, and
// "JV-MODEL <document id> <HTML as a JSON string>" whenever a page asks for the program's copy
// of its document (DumpModel), so that the tests can compare it with the browser's.
#include <dirent.h>
#include <glib-unix.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <list>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "platform/base/Paths.h"
#include "platform/ui/BrowserHost.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Document.h"
#include "platform/ui/HtmlEscape.h"
#include "platform/ui/Loop.h"
#include "platform/ui/Resources.h"
#include "platform/ui/host/ScriptBridge.h"
#include "platform/ui/host/WebHost.h"
#include "platform/xml/Document.h"
#include "shared/core/ErrorReporting.h"
#include "shared/ui/SharedUi.h"

namespace {

using jv::ui::Document;
using jv::ui::Element;
using jv::ui::host::ScriptBridge;
using jv::ui::host::WebHost;

constexpr int kMainPage = 100;
constexpr int kRowsPage = 110;
constexpr int kAskDialog = 200;
constexpr int kRowCount = 1000;

void Log(const std::string& source, int level, const std::string& message) {
    std::cerr << "LOG " << level << " " << source << ": " << message << std::endl;
}

// The page files, kept alive for the resource table.
struct PageFiles {
    std::list<std::string> names;
    std::list<std::string> texts;
    std::vector<jv::ui::Resource> entries;

    void Load(const std::string& folder) {
        DIR* dir = opendir(folder.c_str());
        if (dir == nullptr) return;
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            const int id = std::atoi(name.c_str());
            if (id <= 0 || name.size() < 6 || name.substr(name.size() - 5) != ".html") continue;
            std::ifstream in(folder + "/" + name);
            std::stringstream text;
            text << in.rdbuf();
            names.push_back(name);
            texts.push_back(text.str());
            entries.push_back({id, names.back().c_str(), "text/html; charset=utf-8",
                               reinterpret_cast<const unsigned char*>(texts.back().data()), texts.back().size()});
        }
        closedir(dir);
        jv::ui::Resources::Install({entries.data(), entries.size()});
    }
};

// The dialog that asks for a name: ButtonOK and Enter take the typed answer, ButtonCancel and
// Escape do not.
class AskDialog : public jv::ui::Dialog {
public:
    AskDialog() : Dialog(kAskDialog) {}
    std::string answer;

protected:
    void OnClick(const std::string& elementId) override {
        if (elementId == "ButtonOK") OnOK();
        if (elementId == "ButtonCancel") EndDialog(0);
    }
    void OnOK() override {
        if (document()) {
            if (Element* field = document()->getElementById("Answer")) answer = field->value();
        }
        EndDialog(kOK);
    }
};

class TestProgram : public jv::ui::WindowEvents {
public:
    TestProgram() : bridge_(Log), host_(loop_, bridge_, "Test.exe", Log) {}

    int Run(const std::string& pages) {
        // The shared pages and the problem-report dialog, as the programs have them.
        InstallSharedUi();
        files_.Load(pages);
        jv::ui::InstallHost(&host_);
        loop_.SetAfterWork([this] { host_.FlushPatches(); });
        host_.SetWindowEvents(this);
        host_.SetReconnectGrace(std::chrono::milliseconds(500));
        AddMethods();
        host_.Start();
        host_.Navigate("res://Test.exe/" + std::to_string(kMainPage), "");
        std::cout << "JV-OPEN " << host_.OpenUrl() << std::endl;
        g_unix_signal_add(
            SIGTERM,
            [](gpointer self) {
                static_cast<TestProgram*>(self)->loop_.Quit();
                return G_SOURCE_REMOVE;
            },
            this);
        loop_.Run();
        jv::ui::InstallHost(nullptr);
        return 0;
    }

    void OnBeforeNavigate(const std::string& url, const std::string& frame, bool& cancel) override {
        std::cerr << "NAVIGATE " << (frame.empty() ? "(window)" : frame) << " " << url << std::endl;
        // The main page may hold a "stay" flag: then nothing leaves it (a page with unsaved work).
        auto shown = host_.FrameDocument(frame);
        if (shown && jv::ui::Resources::IdFromUrl(shown->URL()) == kMainPage) {
            if (Element* stay = shown->getElementById("Stay"); stay && stay->checked()) cancel = true;
        }
    }

    void OnDocumentComplete(const std::string& url, const std::string&,
                            const std::shared_ptr<Document>& document) override {
        if (jv::ui::Resources::IdFromUrl(url) == kRowsPage) FillRows(*document);
        if (Element* title = document->getElementById("LoadedBy")) title->setInnerText("program");
    }

    void OnWindowClosed() override { loop_.Quit(); }

private:
    // The page object's work on the long page: a thousand rows built through the DOM.
    static void FillRows(Document& document) {
        Element* table = document.getElementById("Rows");
        if (table == nullptr || table->tBodies().empty()) return;
        Element* body = table->tBodies()[0];
        for (int i = 0; i < kRowCount; ++i) {
            auto row = body->insertRow(-1);
            row->setId("row" + std::to_string(i));
            row->insertCell(-1)->setInnerText(std::to_string(i + 1));
            row->insertCell(-1)->setInnerText("Oil change " + std::to_string(i + 1));
            row->insertCell(-1)->setInnerHTML("<input name=\"cost\" value=\"" + std::to_string(19 + i % 7) + ".95\">");
        }
        if (Element* count = document.getElementById("RowCount")) count->setInnerText(std::to_string(kRowCount));
    }

    void AddMethods() {
        // Typed values from the page's form: the arguments and what the DOM holds.
        bridge_.Add("SaveEntry",
                    std::function<void(const std::string&, int32_t, bool)>(
                        [this](const std::string& name, int32_t count, bool urgent) {
                            auto document = host_.CallingDocument();
                            if (!document) return;
                            Element* notes = document->getElementById("Notes");
                            Element* result = document->getElementById("Result");
                            Element* table = document->getElementById("Entries");
                            if (!notes || !result || !table || table->tBodies().empty()) return;
                            result->setInnerText(name + "|" + std::to_string(count + 1) + "|" +
                                                 (urgent ? "urgent" : "routine") + "|" + notes->value());
                            auto row = table->tBodies()[0]->insertRow(-1);
                            row->insertCell(-1)->setInnerText(name);
                            row->insertCell(-1)->setInnerHTML("<b>" + jv::ui::EscapeHtml(notes->value()) + "</b>");
                            notes->setValue("");
                        }));
        bridge_.Add("Bump", std::function<void()>([this] {
                        auto document = host_.CallingDocument();
                        if (!document) return;
                        if (Element* counter = document->getElementById("Counter"))
                            counter->setInnerText(std::to_string(std::atoi(counter->innerText().c_str()) + 1));
                    }));
        // A dialog in the middle of a call: the call goes on with the answer.
        bridge_.Add("AskName", std::function<void()>([this] {
                        auto document = host_.CallingDocument();
                        AskDialog dialog;
                        const int result = dialog.DoModal();
                        if (!document) return;
                        if (Element* out = document->getElementById("DialogResult"))
                            out->setInnerText(std::to_string(result) + ":" + dialog.answer);
                    }));
        // Nodes put in by index around an empty text node, which has no markup of its own.
        bridge_.Add("AddParts", std::function<void()>([this] {
                        auto document = host_.CallingDocument();
                        Element* parts = document ? document->getElementById("Parts") : nullptr;
                        if (parts == nullptr) return;
                        parts->appendChild(document->createTextNode(""));
                        auto second = document->createElement("b");
                        second->setInnerText("second");
                        parts->appendChild(second);
                        auto first = document->createElement("i");
                        first->setInnerText("first");
                        parts->insertBefore(first, second.get());
                    }));
        // Controls given their state before they are put in: the browser shows that state.
        bridge_.Add("AddControls", std::function<void()>([this] {
                        auto document = host_.CallingDocument();
                        Element* controls = document ? document->getElementById("Controls") : nullptr;
                        if (controls == nullptr) return;
                        auto car = document->createElement("<select id=Car>");
                        car->insertAdjacentHTML("beforeEnd", "<option value=a>A</option><option value=b>B</option>");
                        car->setSelectedIndex(-1);
                        auto odometer = document->createElement("<input id=Odometer value=0>");
                        odometer->setValue("1234");
                        auto done = document->createElement("<input type=checkbox id=Done checked>");
                        done->setChecked(false);
                        controls->appendChild(car);
                        controls->appendChild(odometer);
                        controls->appendChild(done);
                        odometer->setAttribute("value", "99");
                        done->setAttribute("checked", "");
                    }));
        // An operation that fails and reports it: reading the garage file from the documents
        // folder, which the tests leave unreadable.
        bridge_.Add("LoadGarage", std::function<void()>([this] {
                        const std::string path = jv::paths::Join(jv::paths::Documents(), "garage.xml");
                        jv::xml::Document garage;
                        if (!garage.LoadFile(path)) {
                            CErrorReporting::Report("CTestProgram::LoadGarage", __LINE__,
                                                    "The garage file " + path + " could not be read.");
                            return;
                        }
                        auto document = host_.CallingDocument();
                        if (Element* out = document ? document->getElementById("Garage") : nullptr)
                            out->setInnerText(garage.Root().Name());
                    }));
        bridge_.Add("DumpModel", std::function<void()>([this] {
                        host_.FlushPatches();
                        auto document = host_.CallingDocument();
                        if (!document) return;
                        jv::ui::SerializeOptions options;
                        options.keys = false;
                        std::cout << "JV-MODEL " << document->id() << " "
                                  << nlohmann::json(document->Serialize(options)).dump() << std::endl;
                    }));
    }

    jv::ui::Loop loop_;
    ScriptBridge bridge_;
    WebHost host_;
    PageFiles files_;
};

}  // namespace

int main(int argc, char** argv) {
    std::string pages;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--pages") pages = argv[i + 1];
    TestProgram program;
    return program.Run(pages);
}
