#include "hamlog/db_location.h"

#include <optional>

#include "hamlog/hamlog_messages.h"
#include "settings/file_search.h"
#include "text/chars.h"

namespace trelvo::hamlog {

bool PathHasHdb(const std::string& path) {
    return text::ToUpper(path).find(".HDB") != std::string::npos;
}

std::string HamlogDbBaseOf(const std::string& dbPath) {
    const std::size_t n = text::CharCount(dbPath);
    return n > 4 ? text::CharLeft(dbPath, n - 4) : std::string();
}

std::string MstPathFor(const std::string& dbPath) {
    const std::size_t slash = dbPath.find_last_of("/\\");
    const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = dbPath.rfind('.');
    // A name that is only a dot and an extension (".HDB") keeps it as its name.
    const bool hasExtension = dot != std::string::npos && dot > nameAt;
    return (hasExtension ? dbPath.substr(0, dot) : dbPath) + ".mst";
}

bool CheckMstBeside(HamlogLocation& location, const std::string& path, const std::string& programFolder) {
    location.HamlogMstPath = MstPathFor(path);
    return !settings::SearchFilePath(location.HamlogMstPath, programFolder).empty();
}

void SetHamlogDbPath(HamlogLocation& location, const std::string& path) {
    location.HamlogDbPath = path;
    location.HamlogDbBase = HamlogDbBaseOf(path);
}

const char* LocationMessage(LocationStatus status) {
    switch (status) {
        case LocationStatus::kNotHdb:
            return kMsgLocationInvalid;
        case LocationStatus::kMstMissing:
            return kMsgMstMissing;
        case LocationStatus::kInUse:
            return kMsgHamlogInUse;
        default:
            return nullptr;
    }
}

LocationStatus CheckHamlogLocation(HamlogLocation& location, const std::string& programFolder) {
    if (location.HamlogDbPath.empty()) {
        location.HamlogMstPath.clear();
        return LocationStatus::kNotSet;
    }
    if (!PathHasHdb(location.HamlogDbPath)) {
        location.HamlogMstPath.clear();
        return LocationStatus::kNotHdb;
    }
    if (!CheckMstBeside(location, location.HamlogDbPath, programFolder)) {
        location.HamlogDbPath.clear();
        location.HamlogDbBase.clear();
        location.HamlogMstPath.clear();
        return LocationStatus::kMstMissing;
    }
    location.HeaderProblem.clear();
    location.HeaderProblemMessage = Message();
    std::optional<HdbCheckError> problem;
    if (!ReadHdbFieldLengths(location.HamlogDbPath, location.HdbFieldLen, &problem)) {
        location.HeaderProblem = problem->what();
        location.HeaderProblemMessage =
            problem->message() ? *problem->message() : Message("cli.text").Arg("text", problem->what());
        return problem->problem() == HdbProblem::kInUse ? LocationStatus::kInUse : LocationStatus::kBadHeader;
    }
    return LocationStatus::kValid;
}

bool ReadCheckedHdbFieldLengths(const std::string& dbPath, HdbFieldLengths& widths, Message& why) {
    if (!PathHasHdb(dbPath)) {
        why = Message("hdb.not-hdb-name");
        return false;
    }
    HdbFieldLengths w{};
    std::optional<HdbCheckError> problem;
    if (!ReadHdbFieldLengths(dbPath, w, &problem)) {
        why = problem && problem->message() ? *problem->message() : Message("zlog.header-unreadable");
        return false;
    }
    if (w[kHdbCalls + 1] <= 0 || w[kHdbDate + 1] <= 0 || w[kHdbTime + 1] <= 0) {
        why = Message("hdb.no-key-widths");
        return false;
    }
    widths = w;
    return true;
}

}  // namespace trelvo::hamlog
