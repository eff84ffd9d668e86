#include "hamlog/master_list.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "core/errors.h"
#include "hamlog/db_file.h"
#include "settings/file_search.h"
#include "text/chars.h"
#include "text/cp932.h"
#include "text/numfmt.h"

namespace trelvo::hamlog {

long long HamlogVersionNumber(int version) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(version));
    return text::RoundHalfEven(text::LeadingNumber(hex) / 100.0);
}

int ReadMasterCodes(const std::string& mstPath, int recordLength, int collect, MasterList& list) {
    std::string found = settings::ResolvePathNoCase(mstPath);
    DbOpenStatus status;
    std::FILE* f = OpenDatabaseForReading(found.empty() ? mstPath : found, status);
    if (!f) {
        throw FileError(found.empty() ? mstPath : found,
                        status == DbOpenStatus::kHeldExclusively
                            ? "the master file is held open by another program"
                            : "cannot open the master file");
    }
    if (collect == 1) {
        list.MasterCodes.assign(1, std::string());
        list.MasterNames.assign(1, std::string());
    }
    const auto len = static_cast<std::size_t>(recordLength > 0 ? recordLength : kMasterRecordLength);
    std::string rec(len, '\0');
    int last = 0;
    for (int i = 1;; ++i) {
        if (!SeekFile(f, kMasterFirstOffset + static_cast<long long>(len) * i)) break;
        std::size_t got = std::fread(rec.data(), 1, len, f);
        std::string_view r(rec.data(), got);
        std::string code = text::Cp932ToUtf8(r.substr(std::min<std::size_t>(1, got), 6));
        if (text::ToUpper(code).find(kMasterEndMarker) != std::string::npos) break;
        if (got < len) break;
        if (collect == 1) {
            list.MasterCodes.push_back(text::CharFit(code, 11));
            list.MasterNames.emplace_back(
                text::Trim(text::Cp932ToUtf8(r.substr(std::min<std::size_t>(7, got), 34))));
        }
        last = i;
    }
    std::fclose(f);
    return last;
}

VersionCheck CheckHamlogVersion(HamlogLibrary& library, const std::string& HamlogMstPath, MasterList& list) {
    VersionCheck v;
    v.version = HamlogVersionNumber(library.GetThdllVersion());
    if (v.version < kMinHamlogVersion) {
        v.tooOld = true;
        return v;
    }
    if (text::ToUpper(HamlogMstPath).find(".MST") != std::string::npos) {
        list.MasterCount = ReadMasterCodes(HamlogMstPath, kMasterRecordLength, 0, list);
        v.masterCounted = true;
    }
    return v;
}

}  // namespace trelvo::hamlog
