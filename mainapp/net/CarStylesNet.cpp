#include "mainapp/net/CarStylesNet.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <memory>

#include "mainapp/net/IConnectionSource.h"
#include "mainapp/net/JVSOAP.h"
#include "platform/xml/Document.h"
#include "shared/core/FileVersion.h"
#include "shared/core/NumberUtils.h"
#include "shared/core/TraceLog.h"
#include "shared/data/MaintenancePlan.h"

namespace {

using Parameters = std::vector<std::pair<std::string, std::string>>;

// A call's answer: the document and the nodes of the result XPath, valid while `dom` lives.
struct Answer {
    std::unique_ptr<jv::xml::Document> dom;
    std::vector<jv::xml::Node> nodes;
};

// The service pads some texts with white space; the lists and the plan match texts exactly.
std::string TrimmedText(const jv::xml::Node& node) {
    const std::string text = node.Text();
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string Where(const char* operation) {
    return std::string("CCarStylesNet::") + operation;
}

// One exchange: the method with "strVersion" first, then the operation's own parameters.
bool Fetch(CServerConnection* connection, const char* operation, const char* method, const Parameters& parameters,
           const char* progress, bool showDialog, const char* xpath, Answer& answer) {
    CJVSOAP soap(connection);
    soap.BeginCall(method);
    std::string version;
    soap.AddParameter("strVersion", GetJVShortVersion(version));
    for (const auto& [name, value] : parameters) soap.AddParameter(name, value);
    if (!soap.MakeCall(progress, showDialog)) return false;
    soap.GetResponse(answer.dom);
    if (!answer.dom) {
        TraceLog(Where(operation), TRACE_ERROR, "failed CJVSOAP::GetResponse() call");
        return false;
    }
    answer.nodes = answer.dom->SelectNodes(xpath);
    return true;
}

bool ReadYears(const Answer& answer, std::vector<std::string>& years) {
    years.clear();
    for (const jv::xml::Node& node : answer.nodes) years.push_back(TrimmedText(node));
    return true;
}

struct IdNameChildren {
    const char* id;
    const char* name;
    const char* idMessage;
    const char* nameMessage;
};

// Makes and models: both children must be there.
template <class Record>
bool ReadIdNames(const Answer& answer, const char* operation, const IdNameChildren& children, std::string Record::*id,
                 std::string Record::*name, std::vector<Record>& out) {
    out.clear();
    for (const jv::xml::Node& node : answer.nodes) {
        const jv::xml::Node idNode = node.SelectSingleNode(children.id);
        if (idNode.IsNull()) {
            TraceLog(Where(operation), TRACE_ERROR, children.idMessage);
            return false;
        }
        const jv::xml::Node nameNode = node.SelectSingleNode(children.name);
        if (nameNode.IsNull()) {
            TraceLog(Where(operation), TRACE_ERROR, children.nameMessage);
            return false;
        }
        Record record;
        record.*id = TrimmedText(idNode);
        record.*name = TrimmedText(nameNode);
        out.push_back(std::move(record));
    }
    return true;
}

const IdNameChildren kMakeChildren{"MakeID", "Make", "pnodeMakeID == NULL", "pnodeMakeName == NULL"};
const IdNameChildren kModelChildren{"ModelID", "Model", "pnodeModelID == NULL", "pnodeModelName == NULL"};

// Drive types, engines, transmissions: the one child's text as both members of the pair.
bool ReadDetails(const Answer& answer, const char* operation, const char* child, const char* childMessage,
                 std::vector<CCarStylesNet::TextPair>& list) {
    list.clear();
    for (const jv::xml::Node& node : answer.nodes) {
        const jv::xml::Node value = node.SelectSingleNode(child);
        if (value.IsNull()) {
            TraceLog(Where(operation), TRACE_ERROR, childMessage);
            return false;
        }
        list.emplace_back(TrimmedText(value), TrimmedText(value));
    }
    return true;
}

std::string ChildText(const jv::xml::Node& node, const char* child) {
    const jv::xml::Node value = node.SelectSingleNode(child);
    return value.IsNull() ? std::string() : TrimmedText(value);
}

std::string CapitalizedChild(const jv::xml::Node& node, const char* child) {
    std::string out;
    return CapitalizeWords(out, ChildText(node, child));
}

// A distance or month count of a plan item: the number at the start of the text (units after it
// are ignored), its fraction cut. A negative count or text without a number is none (0); a number
// beyond what the plan holds is the largest it holds, a schedule that never comes round.
int ChildCount(const jv::xml::Node& node, const char* child) {
    const std::string text = ChildText(node, child);
    const char* first = text.c_str();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    const char* digits = first != last && *first == '-' ? first + 1 : first;
    if (digits == last || !std::isdigit(static_cast<unsigned char>(*digits))) return 0;
    double value = 0;
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        // Too large or too small for a double: only the sign of the exponent tells which.
        const std::string_view number(first, static_cast<size_t>(end - first));
        const size_t exponent = number.find_first_of("eE");
        const bool tiny =
            exponent != std::string_view::npos && exponent + 1 < number.size() && number[exponent + 1] == '-';
        value = tiny ? 0.0 : (*first == '-' ? -HUGE_VAL : HUGE_VAL);
    }
    if (!(value > 0)) return 0;
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    return static_cast<int>(value);
}

CMaintenancePlanItem ReadPlanItem(const jv::xml::Node& node, int position) {
    CMaintenancePlanItem item;
    item.MaintenancePlanItemID = position;
    item.ACTION_DESCRIPTION = CapitalizedChild(node, "ActionDescription");
    item.ITEM_DESCRIPTION = CapitalizedChild(node, "ItemDescription");
    item.DisplayText = CMaintenancePlanItem::MakeDisplayText(item.ITEM_DESCRIPTION, item.ACTION_DESCRIPTION);
    item.INITIAL_MILEAGE = ChildCount(node, "InitialMiles");
    item.INITIAL_MONTH = ChildCount(node, "InitialMonths");
    item.INTERVAL_MILEAGE = ChildCount(node, "IntervalMiles");
    item.INTERVAL_MONTH = ChildCount(node, "IntervalMonths");
    item.MVC_Qualifiers = ChildText(node, "MVC_Qualifiers");
    item.Non_MVC_Qualifiers = ChildText(node, "Non_MVC_Qualifiers");
    item.Service_Type = CapitalizedChild(node, "ServiceType");
    // An empty indicator keeps the item's default rather than storing a NUL character.
    const std::string indicator = ChildText(node, "ServiceIndicator");
    if (!indicator.empty()) item.Service_Indicator = indicator.front();
    return item;
}

}  // namespace

bool CCarStylesNet::connect() {
    m_pConn = IConnectionSource::Get(
        "to obtain car make, model, style and maintenance information.  "
        "If you choose not to connect, you can enter your own custom car data.",
        true);
    if (m_pConn == nullptr) {
        TraceLog("CCarStylesNet::connect", TRACE_ERROR, "m_pConn == NULL");
        return false;
    }
    return true;
}

bool CCarStylesNet::getAllYears(std::vector<std::string>& years) {
    if (m_pConn == nullptr) return false;
    Answer answer;
    return Fetch(m_pConn, "getAllYears", "getAllYears", {}, "Retrieving list of Years", false, "//ModelYear", answer) &&
           ReadYears(answer, years);
}

bool CCarStylesNet::getYears(std::vector<std::string>& years, const std::string& makeID) {
    if (m_pConn == nullptr) return false;
    Answer answer;
    return Fetch(m_pConn, "getYears", "getYears", {{"makeID", makeID}}, "Retrieving list of Years", false,
                 "//ModelYear", answer) &&
           ReadYears(answer, years);
}

bool CCarStylesNet::getAllMakes(std::vector<CMake>& makes) {
    if (m_pConn == nullptr) return false;
    Answer answer;
    return Fetch(m_pConn, "getAllMakes", "getAllMakes", {}, "Retrieving list of Makes", false, "//make", answer) &&
           ReadIdNames(answer, "getAllMakes", kMakeChildren, &CMake::MakeID, &CMake::Make, makes);
}

bool CCarStylesNet::getMakesByYear(std::vector<CMake>& makes, const std::string& year) {
    if (m_pConn == nullptr) return false;
    Answer answer;
    return Fetch(m_pConn, "getMakesByYear", "getMakes", {{"year", year}}, "Retrieving list of Makes", false, "//make",
                 answer) &&
           ReadIdNames(answer, "getMakesByYear", kMakeChildren, &CMake::MakeID, &CMake::Make, makes);
}

bool CCarStylesNet::getModels(std::vector<CModel>& models, const std::string& year, const std::string& makeID) {
    if (m_pConn == nullptr) return false;
    Answer answer;
    return Fetch(m_pConn, "getModels", "getModels", {{"makeID", makeID}, {"year", year}}, "Retrieving list of Models",
                 false, "//model", answer) &&
           ReadIdNames(answer, "getModels", kModelChildren, &CModel::ModelID, &CModel::Model, models);
}

bool CCarStylesNet::getStyles(std::vector<TextPair>& styles, const std::string& year, const std::string& makeID,
                              const std::string& modelID) {
    if (m_pConn == nullptr) return false;
    Answer answer;
    if (!Fetch(m_pConn, "getStyles", "getStyles", {{"makeID", makeID}, {"modelID", modelID}, {"year", year}},
               "Retrieving list of Styles", false, "//style", answer)) {
        return false;
    }
    styles.clear();
    for (const jv::xml::Node& node : answer.nodes) {
        const jv::xml::Node id = node.SelectSingleNode("StyleID");
        if (id.IsNull()) {
            TraceLog("CCarStylesNet::getStyles", TRACE_ERROR, "pnodeStyleID == NULL");
            return false;
        }
        styles.emplace_back(ChildText(node, "Style"), TrimmedText(id));
    }
    return true;
}

bool CCarStylesNet::getDriveTypes(std::vector<TextPair>& list, const std::string& styleID) {
    if (m_pConn == nullptr) return false;
    Answer answer;
    return Fetch(m_pConn, "getDriveTypes", "getDriveTypes", {{"styleID", styleID}}, "Retrieving list of DriveTypes",
                 false, "//drivetype", answer) &&
           ReadDetails(answer, "getDriveTypes", "DriveType", "pnodeDriveTypeValue == NULL", list);
}

bool CCarStylesNet::getEngines(std::vector<TextPair>& list, const std::string& styleID) {
    if (m_pConn == nullptr) return false;
    Answer answer;
    return Fetch(m_pConn, "getEngines", "getEngines", {{"styleID", styleID}}, "Retrieving list of Engines", false,
                 "//engine", answer) &&
           ReadDetails(answer, "getEngines", "Engine", "pnodeEngineValue == NULL", list);
}

bool CCarStylesNet::getTransmissions(std::vector<TextPair>& list, const std::string& styleID) {
    if (m_pConn == nullptr) return false;
    Answer answer;
    return Fetch(m_pConn, "getTransmissions", "getTransmissions", {{"styleID", styleID}},
                 "Retrieving list of Transmissions", false, "//transmission", answer) &&
           ReadDetails(answer, "getTransmissions", "Transmission", "pnodeTransmissionValue == NULL", list);
}

bool CCarStylesNet::getMaintenancePlan(const std::string& make, const std::string& model, const std::string& year,
                                       const std::string& style, const std::string& driveType,
                                       const std::string& engine, const std::string& transmission,
                                       const std::string& drivingCondition, const std::string& region,
                                       CMaintenancePlan& plan) {
    if (m_pConn == nullptr) return false;
    const std::string* required[] = {
        &make, &model, &year, &style, &driveType, &engine, &transmission, &drivingCondition, &region};
    if (std::any_of(std::begin(required), std::end(required), [](const std::string* s) { return s->empty(); })) {
        TraceLog("CCarStylesNet::getMaintenancePlan", TRACE_ERROR,
                 "Missing required parameter for maintenance plan. Make = " + make + ", Model = " + model +
                     ", Year = " + year + ", Style = " + style + ", DriveType = " + driveType +
                     ", DrivingCondition = " + drivingCondition + ", EngineCode = " + engine +
                     ", TransmissionCode = " + transmission + ", Region = " + region);
        return false;
    }

    const Parameters parameters = {{"Make", make},
                                   {"Model", model},
                                   {"Year", year},
                                   {"Style", style == "Base style" ? std::string() : style},
                                   {"DriveType", driveType},
                                   {"Engine", engine},
                                   {"Transmission", transmission},
                                   {"SevereServiceFlag", drivingCondition},
                                   {"Region", region}};
    Answer answer;
    if (!Fetch(m_pConn, "getMaintenancePlan", "getMaintenancePlan", parameters,
               "Jorvane is searching our database of 10,000+ maintenance plans to find one for your car!", true,
               "//maintenanceItem", answer)) {
        return false;
    }
    if (answer.nodes.empty()) return false;

    plan.Items.clear();
    for (size_t i = 0; i < answer.nodes.size(); ++i) {
        CMaintenancePlanItem item = ReadPlanItem(answer.nodes[i], static_cast<int>(i));
        // The first item of each display text wins.
        const bool known = std::any_of(plan.Items.begin(), plan.Items.end(), [&](const CMaintenancePlanItem& kept) {
            return kept.DisplayText == item.DisplayText;
        });
        if (!known) plan.Items.push_back(std::move(item));
    }
    return true;
}
