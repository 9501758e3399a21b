#include "mainapp/net/UpdateNet.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "mainapp/net/IConnectionSource.h"
#include "mainapp/net/JVSOAP.h"
#include "platform/base/Paths.h"
#include "platform/base/Profile.h"
#include "platform/base/WriteFully.h"
#include "platform/xml/Document.h"
#include "shared/core/FileVersion.h"
#include "shared/core/TraceLog.h"

namespace {

// A download may be as large as an installer is (the Base64 answer, a third larger than the
// package), however long it takes, as long as it does not stall for a minute.
constexpr size_t kMaxDownloadBytes = size_t{512} * 1024 * 1024;
constexpr long kDownloadStallMs = 60000;

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

// The answer of GetUpdate as it arrives: finds the result element and decodes its Base64 text
// (RFC 2045 alphabet, other characters skipped) straight into the file, so that a package of any
// size is never held whole. The element's end, or any markup, ends the text.
class Base64ResultWriter {
public:
    explicit Base64ResultWriter(int fd) : m_fd(fd) {}

    bool Feed(const char* data, size_t size) {
        if (m_state == State::Seeking) {
            m_head.append(data, size);
            static const std::regex start("<([A-Za-z_][A-Za-z0-9_.-]*:)?GetUpdateResult(\\s[^<>]*)?(/?)>");
            std::smatch match;
            if (!std::regex_search(m_head, match, start)) {
                // A start tag cut between pieces is kept; the rest before it is of no use.
                if (m_head.size() > kKeep) m_head.erase(0, m_head.size() - kKeep);
                return true;
            }
            m_found = true;
            m_state = match[3].length() > 0 ? State::Done : State::Decoding;
            const std::string rest = m_head.substr(static_cast<size_t>(match.position(0) + match.length(0)));
            m_head.clear();
            return m_state == State::Done || Decode(rest.data(), rest.size());
        }
        return m_state == State::Done || Decode(data, size);
    }

    // Writes what is left; false (with errno) when the file refused it.
    bool Finish() {
        // A single character left over holds no whole byte: the text was cut or is not Base64.
        if (m_count == 1) m_undecodable = true;
        if (m_count == 2) {
            m_out.push_back(static_cast<char>(m_bits >> 4));
        } else if (m_count == 3) {
            m_out.push_back(static_cast<char>(m_bits >> 10));
            m_out.push_back(static_cast<char>(m_bits >> 2));
        }
        m_count = 0;
        return Flush();
    }

    bool Found() const { return m_found; }
    int WriteError() const { return m_writeError; }
    // The text gave no package: nothing in it decoded to a byte, or it ended halfway through one.
    bool NoPackage() const { return m_undecodable || m_written == 0; }

private:
    enum class State { Seeking, Decoding, Done };
    static constexpr size_t kKeep = 4096;

    bool Decode(const char* data, size_t size) {
        for (size_t i = 0; i < size; ++i) {
            const char c = data[i];
            if (c == '<') {
                m_state = State::Done;
                break;
            }
            const int value = Base64Value(c);
            if (value < 0) continue;
            m_bits = (m_bits << 6) | static_cast<unsigned>(value);
            if (++m_count == 4) {
                m_out.push_back(static_cast<char>(m_bits >> 16));
                m_out.push_back(static_cast<char>(m_bits >> 8));
                m_out.push_back(static_cast<char>(m_bits));
                m_bits = 0;
                m_count = 0;
            }
        }
        return m_out.size() < (1u << 16) || Flush();
    }

    bool Flush() {
        if (m_out.empty()) return true;
        if (!jv::WriteFully(m_fd, m_out.data(), m_out.size())) {
            m_writeError = errno;
            return false;
        }
        m_written += m_out.size();
        m_out.clear();
        return true;
    }

    int m_fd;
    State m_state = State::Seeking;
    std::string m_head;
    std::string m_out;
    unsigned m_bits = 0;
    int m_count = 0;
    bool m_found = false;
    bool m_undecodable = false;
    size_t m_written = 0;
    int m_writeError = 0;
};

// The last component of a name from the server, with either slash; empty when that is no plain
// file name. The name goes into the install line between quotes and is one argument of the
// installer, never passed through a shell, so it may hold letters, digits, dots, dashes,
// underscores and spaces only, and may not begin with a dot (a hidden file, or "." and "..").
std::string PlainFileName(const std::string& fileName) {
    const size_t slash = fileName.find_last_of("\\/");
    std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    const bool plain = std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
               c == '_' || c == ' ';
    });
    if (!plain || name.empty() || name.front() == '.') name.clear();
    return name;
}

std::string ErrorText(int error) {
    return std::string(std::strerror(error)).substr(0, 255);
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
    m_bAnswered = false;
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
    m_bAnswered = true;
    const std::vector<jv::xml::Node> strings = result.SelectNodes("//jv:string");
    if (strings.size() != 2) return false;
    path = strings[0].Text();
    url = strings[1].Text();
    return !path.empty();
}

bool CUpdateNet::getUpdate(const std::string& fileName, std::string& localPath) {
    constexpr const char* kWhere = "CUpdateNet::getUpdate";
    if (m_pConn == nullptr) return false;
    // The name comes from the server: only its last component is used, and only when that is a
    // plain file name, so the file always lands in the download's own folder. Nothing is
    // downloaded under any other name.
    const std::string name = PlainFileName(fileName);
    if (name.empty()) {
        localPath.clear();
        TraceLog(kWhere, TRACE_ERROR,
                 "Failed to create file for installer.  Message: \"" + fileName + "\" is not a file name");
        return false;
    }

    // The package arrives in a folder made for this download in the temporary folder, which only
    // this user can enter, and takes its name there only once it is whole. Nothing another user
    // has put into the shared temporary folder is written to, replaced or used.
    std::string folder = jv::paths::Join(jv::paths::TempDir(), "JVUpdate-XXXXXX");
    if (::mkdtemp(folder.data()) == nullptr) {
        TraceLog(kWhere, TRACE_ERROR, "Failed to create file for installer.  Message: " + ErrorText(errno));
        return false;
    }
    const std::string partial = jv::paths::Join(folder, "download.part");
    const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        TraceLog(kWhere, TRACE_ERROR, "Failed to create file for installer.  Message: " + ErrorText(errno));
        ::rmdir(folder.c_str());
        return false;
    }
    Base64ResultWriter writer(fd);
    bool answered = false;
    {
        CJVSOAP soap(m_pConn);
        soap.BeginCall("GetUpdate");
        std::string version;
        soap.AddParameter("strVersion", GetJVShortVersion(version));
        soap.AddParameter("strFileName", fileName);
        soap.SetAnswerSink([&writer](const char* data, size_t size) { return writer.Feed(data, size); },
                           kMaxDownloadBytes, kDownloadStallMs);
        answered =
            soap.MakeCall("Jorvane is downloading the update.<br/><br/>It should just take a few moments.", true);
    }
    const bool finished = answered && writer.Finish();
    const int writeError = writer.WriteError();
    const bool closed = ::close(fd) == 0;
    const auto fail = [&](const std::string& line) {
        ::unlink(partial.c_str());
        ::rmdir(folder.c_str());
        if (!line.empty()) TraceLog(kWhere, TRACE_ERROR, line);
        return false;
    };
    if (writeError != 0) return fail("Failed to write file for installer.  Message: " + ErrorText(writeError));
    if (!answered) return fail("");
    if (!writer.Found()) return fail("pnodeResult == NULL");
    if (!finished || !closed) return fail("Failed to write file for installer.  Message: " + ErrorText(errno));
    // An empty or broken answer is no package: there is nothing to install.
    if (writer.NoPackage())
        return fail("The package from the service is empty or is not Base64: nothing was downloaded");
    localPath = jv::paths::Join(folder, name);
    if (::rename(partial.c_str(), localPath.c_str()) != 0)
        return fail("Failed to create file for installer.  Message: " + ErrorText(errno));
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
