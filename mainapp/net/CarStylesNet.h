#pragma once

#include <string>
#include <utility>
#include <vector>

#include "mainapp/net/Make.h"
#include "mainapp/net/Model.h"

class CMaintenancePlan;
class CServerConnection;

// The car-data operations of the web service: model years, makes, models, styles, drive types,
// engines, transmissions and the maker's maintenance plan of a car. The car-entry page owns one
// and calls connect once; every operation is one SOAP exchange and fails at once, silently, while
// there is no connection. A failure is one trace line and false; a list may then hold what was
// read before the failure.
class CCarStylesNet {
public:
    // (first, second) of a style: (Style, StyleID); of a drive type, engine or transmission: the
    // text twice.
    using TextPair = std::pair<std::string, std::string>;

    bool connect();

    bool getAllYears(std::vector<std::string>& years);
    bool getYears(std::vector<std::string>& years, const std::string& makeID);
    bool getAllMakes(std::vector<CMake>& makes);
    bool getMakesByYear(std::vector<CMake>& makes, const std::string& year);
    bool getModels(std::vector<CModel>& models, const std::string& year, const std::string& makeID);
    bool getStyles(std::vector<TextPair>& styles, const std::string& year, const std::string& makeID,
                   const std::string& modelID);
    bool getDriveTypes(std::vector<TextPair>& list, const std::string& styleID);
    bool getEngines(std::vector<TextPair>& list, const std::string& styleID);
    bool getTransmissions(std::vector<TextPair>& list, const std::string& styleID);
    // Every argument must be non-empty. True when the service returned a plan; its items replace
    // the plan's items, one per distinct display text.
    bool getMaintenancePlan(const std::string& make, const std::string& model, const std::string& year,
                            const std::string& style, const std::string& driveType, const std::string& engine,
                            const std::string& transmission, const std::string& drivingCondition,
                            const std::string& region, CMaintenancePlan& plan);

    CServerConnection* m_pConn = nullptr;
};
