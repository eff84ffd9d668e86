#include "hamlog/master_list.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "core/errors.h"
#include "hamlog/db_file.h"
#include "hamlog/hdb_header.h"
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

namespace {

// The header of a master file as Turbo HAMLOG writes it: a dBase III table of eight fields,
// 290 header bytes, 56-byte records starting with CODE (6 bytes) and QTH (34 bytes).
void CheckMstHeader(std::FILE* f, const std::string& path, int recordLength) {
    auto bad = [&](const Message& what) {
        return HdbCheckError(HdbProblem::kNotHamlog, path, Message("mst.not-hamlog").Arg("what", what));
    };
    std::string h(kMasterHeaderLength, '\0');
    h.resize(std::fread(h.data(), 1, h.size(), f));
    if (std::ferror(f)) throw HdbCheckError(HdbProblem::kCannotRead, path, Message("mst.cannot-read"));
    if (h.size() < kMasterHeaderLength) throw bad(Message("mst.too-short"));
    const auto version = static_cast<unsigned char>(h[0]);
    if (version != 0x03 && version != 0x1A) throw bad(Message("mst.first-byte"));
    if (GetLe16(h, 8) != kMasterHeaderLength)
        throw bad(Message("mst.header-length").Arg("count", GetLe16(h, 8)).Arg("need", kMasterHeaderLength));
    if (GetLe16(h, 10) != static_cast<unsigned>(recordLength))
        throw bad(Message("mst.record-length").Arg("count", GetLe16(h, 10)).Arg("need", recordLength));
    // Eight descriptors, the 0x0D terminator, then one NUL byte.
    unsigned widths = 1;
    for (std::size_t at = 32; at < 32 + 32 * 8; at += 32) {
        if (h[at] == '\x0D') throw bad(Message("mst.few-fields"));
        widths += static_cast<unsigned char>(h[at + 16]);
    }
    if (h[32 + 32 * 8] != '\x0D') throw bad(Message("mst.not-eight-fields"));
    auto field = [&](std::size_t i, const char* name, int width) {
        std::string_view d = std::string_view(h).substr(32 + 32 * i, 17);
        if (d.substr(0, d.substr(0, 11).find('\0')) != name || static_cast<unsigned char>(d[16]) != width)
            throw bad(Message("mst.field").Arg("number", i + 1).Arg("name", name).Arg("width", width));
    };
    field(0, "CODE", 6);
    field(1, "QTH", 34);
    if (widths != static_cast<unsigned>(recordLength))
        throw bad(Message("mst.widths-sum").Arg("sum", widths - 1).Arg("need", recordLength - 1));
}

}  // namespace

int ReadMasterCodes(const std::string& mstPath, int recordLength, int collect, MasterList& list) {
    std::string found = settings::ResolvePathNoCase(mstPath);
    const std::string& name = found.empty() ? mstPath : found;
    DbOpenStatus status;
    Message reason;
    std::FILE* f = OpenDatabaseForReading(name, status, &reason);
    if (!f)
        throw HdbCheckError(status == DbOpenStatus::kHeldExclusively ? HdbProblem::kInUse
                            : status == DbOpenStatus::kNotFound      ? HdbProblem::kNotFound
                                                                     : HdbProblem::kCannotRead,
                            name, Message("mst.cannot-open").Arg("reason", reason));
    struct CloseOnExit {
        std::FILE* f;
        ~CloseOnExit() { std::fclose(f); }
    } close{f};
    return ReadMasterCodesStream(f, name, recordLength, collect, list);
}

int ReadMasterCodesStream(std::FILE* f, const std::string& name, int recordLength, int collect,
                          MasterList& list) {
    if (recordLength != kMasterRecordLength)
        throw Error(
            Message("mst.bad-record-length").Arg("count", kMasterRecordLength).Arg("need", recordLength));
    CheckMstHeader(f, name, recordLength);
    if (collect == 1) {
        list.MasterCodes.assign(1, std::string());
        list.MasterNames.assign(1, std::string());
    }
    const auto len = static_cast<std::size_t>(recordLength);
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
