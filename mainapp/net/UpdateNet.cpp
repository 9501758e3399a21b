#include "mainapp/net/UpdateNet.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "mainapp/net/IConnectionSource.h"
#include "mainapp/net/JVSOAP.h"
#include "platform/base/Paths.h"
#include "platform/base/Profile.h"
#include "platform/xml/Document.h"
#include "shared/core/FileVersion.h"
#include "shared/core/TraceLog.h"

namespace {

// What the program sends as its registration code: it has none.
const char kRegistrationCode[] = "";

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Base64 with the RFC 2045 alphabet. Characters outside the alphabet (line breaks, padding) are
// skipped; a trailing group of two or three characters gives one or two bytes.
std::vector<unsigned char> DecodeBase64(const std::string& text) {
    std::vector<unsigned char> out;
    out.reserve(text.size() * 3 / 4 + 5);
    unsigned bits = 0;
    int count = 0;
    for (char c : text) {
        const int value = Base64Value(c);
        if (value < 0) continue;
        bits = (bits << 6) | static_cast<unsigned>(value);
        if (++count == 4) {
            out.push_back(static_cast<unsigned char>(bits >> 16));
            out.push_back(static_cast<unsigned char>(bits >> 8));
            out.push_back(static_cast<unsigned char>(bits));
            bits = 0;
            count = 0;
        }
    }
    if (count == 2) {
        out.push_back(static_cast<unsigned char>(bits >> 4));
    } else if (count == 3) {
        out.push_back(static_cast<unsigned char>(bits >> 10));
        out.push_back(static_cast<unsigned char>(bits >> 2));
    }
    return out;
}

// The last component of a name from the server, with either slash; empty when that is no plain
// file name.
std::string PlainFileName(const std::string& fileName) {
    const size_t slash = fileName.find_last_of("\\/");
    std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    if (name == "." || name == "..") name.clear();
    return name;
}

std::string ErrorText(int error) {
    return std::string(std::strerror(error)).substr(0, 255);
}

bool WriteAll(int fd, const std::vector<unsigned char>& data) {
    size_t written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        written += static_cast<size_t>(n);
    }
    return true;
}

// Sends the call and finds the result element of the answer: null, with its trace line, when
// there is no answer or no such element.
jv::xml::Node SendForResult(CJVSOAP& soap, const char* where, const char* progress, bool showDialog,
                            const char* resultPath, std::unique_ptr<jv::xml::Document>& dom) {
    if (!soap.MakeCall(progress, showDialog)) return {};
    soap.GetResponse(dom);
    if (!dom) {
        TraceLog(where, TRACE_ERROR, "failed CJVSOAP::GetResponse() call");
        return {};
    }
    jv::xml::Node result = dom->SelectSingleNode(resultPath);
    if (result.IsNull()) TraceLog(where, TRACE_ERROR, "pnodeResult == NULL");
    return result;
}

}  // namespace

CUpdateNet::CUpdateNet() : m_pConn(IConnectionSource::Get("to search for available updates.", true)) {
    if (m_pConn == nullptr) TraceLog("CUpdateNet::CUpdateNet", TRACE_ERROR, "m_pConn == NULL");
}

bool CUpdateNet::isUpdateAvailable(std::string& path, std::string& url) {
    if (m_pConn == nullptr) return false;
    CJVSOAP soap(m_pConn);
    soap.BeginCall("IsUpdateAvailable");
    std::string version;
    soap.AddParameter("strVersion", GetJVShortVersion(version));
    soap.AddParameter("strRegistrationCode", kRegistrationCode);
    std::unique_ptr<jv::xml::Document> dom;
    const jv::xml::Node result = SendForResult(soap, "CUpdateNet::isUpdateAvailable", "Checking for available updates.",
                                               false, "//jv:IsUpdateAvailableResult", dom);
    if (result.IsNull()) return false;
    const std::vector<jv::xml::Node> strings = result.SelectNodes("//jv:string");
    if (strings.size() != 2) return false;
    path = strings[0].Text();
    url = strings[1].Text();
    return !path.empty();
}

bool CUpdateNet::getUpdate(const std::string& fileName, std::string& localPath) {
    if (m_pConn == nullptr) return false;
    std::vector<unsigned char> contents;
    {
        CJVSOAP soap(m_pConn);
        soap.BeginCall("GetUpdate");
        std::string version;
        soap.AddParameter("strVersion", GetJVShortVersion(version));
        soap.AddParameter("strFileName", fileName);
        std::unique_ptr<jv::xml::Document> dom;
        const jv::xml::Node result =
            SendForResult(soap, "CUpdateNet::getUpdate",
                          "Jorvane is downloading the update.<br/><br/>It should just take a few moments.", true,
                          "//jv:GetUpdateResult", dom);
        if (result.IsNull()) return false;
        contents = DecodeBase64(result.Text());
    }

    // The name comes from the server: only its last component is used, and only when that is a
    // plain file name, so the file always lands in the temporary folder.
    const std::string name = PlainFileName(fileName);
    if (name.empty()) {
        localPath.clear();
        TraceLog("CUpdateNet::getUpdate", TRACE_ERROR,
                 "Failed to create file for installer.  Message: \"" + fileName + "\" is not a file name");
        return false;
    }
    localPath = jv::paths::Join(jv::paths::TempDir(), name);

    // A stale file (or a link planted in its place) is removed first; the file is then created
    // new, readable by this user only, and never through a link.
    if (::unlink(localPath.c_str()) != 0 && errno != ENOENT) {
        TraceLog("CUpdateNet::getUpdate", TRACE_ERROR,
                 "Failed to create file for installer.  Message: " + ErrorText(errno));
        return false;
    }
    const int fd = ::open(localPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        TraceLog("CUpdateNet::getUpdate", TRACE_ERROR,
                 "Failed to create file for installer.  Message: " + ErrorText(errno));
        return false;
    }
    const bool written = WriteAll(fd, contents);
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
        TraceLog("CUpdateNet::getUpdate", TRACE_ERROR,
                 "Failed to write file for installer.  Message: " + ErrorText(written ? errno : writeError));
        return false;
    }
    return true;
}

std::string CUpdateNet::getPartnerText(const std::string& partner, const std::string& subPartner) {
    const auto storedText = [] { return jv::Profile("Jorvane").GetProfileString("Settings", "PartnerMsg"); };
    if (m_pConn == nullptr) return storedText();
    CJVSOAP soap(m_pConn);
    soap.BeginCall("getPartnerText");
    soap.AddParameter("strPartner", partner);
    soap.AddParameter("strSubPartner", subPartner);
    std::unique_ptr<jv::xml::Document> dom;
    const jv::xml::Node result = SendForResult(soap, "CUpdateNet::getPartnerText", "Retrieving partner text", false,
                                               "//jv:getPartnerTextResult", dom);
    return result.IsNull() ? storedText() : result.Text();
}
