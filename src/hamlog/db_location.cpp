#include "hamlog/db_location.h"

#include "hamlog/hamlog_messages.h"
#include "hamlog/hdb_library.h"
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
    return text::ReplaceAll(text::ToUpper(dbPath), ".HDB", ".mst");
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
    if (!ReadHdbFieldLengths(location.HamlogDbPath, location.HdbFieldLen)) return LocationStatus::kInUse;
    return LocationStatus::kValid;
}

bool ReadCheckedHdbFieldLengths(const std::string& dbPath, HdbFieldLengths& widths, std::string& why) {
    if (!PathHasHdb(dbPath)) {
        why = "the name does not end in .HDB";
        return false;
    }
    HdbLibrary library;
    if (library.HamlogOpen(HamlogDbBaseOf(dbPath)) != 0) {
        why = library.LastOpenErrorText();
        return false;
    }
    library.HamlogClose();
    HdbFieldLengths w{};
    if (!ReadHdbFieldLengths(dbPath, w)) {
        why = "the header cannot be read";
        return false;
    }
    if (w[kHdbCalls + 1] <= 0 || w[kHdbDate + 1] <= 0 || w[kHdbTime + 1] <= 0) {
        why = "the header gives no width for the callsign, date or time";
        return false;
    }
    widths = w;
    return true;
}

}  // namespace trelvo::hamlog
