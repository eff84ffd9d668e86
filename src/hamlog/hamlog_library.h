// The HAMLOG database library: the calls through which the exports, the mode table and the
// name lookup read a Turbo HAMLOG database. HdbLibrary implements them over the files Turbo
// HAMLOG 5 writes; MemoryHamlogLibrary holds records in memory for tests of the callers.
//
// The library object is the work area: one database is open at a time, records are numbered 1
// to the count, and after a successful THW_read the fields of that record are fetched by
// number with ThwString. Texts are UTF-8 (CP932 stays inside the library).
#pragma once

#include <array>
#include <string>

namespace trelvo::hamlog {

// Field numbers of ThwString. Field 1 is never fetched.
enum HamlogField : int {
    kFieldCall = 0,
    kFieldDate = 2,  // "YYYYMMDD"
    kFieldTime = 3,  // "HH:MM" + "J" (JST) or "U" (UTC)
    kFieldHisRst = 4,
    kFieldMyRst = 5,
    kFieldFreq = 6,
    kFieldMode = 7,
    kFieldCode = 8,
    kFieldGridLoc = 9,
    kFieldQsl = 10,
    kFieldName = 11,
    kFieldQth = 12,
    kFieldRemarks1 = 13,
    kFieldRemarks2 = 14,
};
inline constexpr int kHamlogFieldCount = 15;

// The width in CP932 bytes of each field's buffer (0 for field 1 and numbers out of range).
// A fetched field is space-filled to this width; a field stored wider is delivered whole.
inline constexpr std::array<int, kHamlogFieldCount> kHamlogFieldWidths = {20, 0, 8, 6,  12,  12,  16, 16,
                                                                          6,  6, 3, 64, 128, 254, 254};
inline int HamlogFieldWidth(int field) {
    return field >= 0 && field < kHamlogFieldCount ? kHamlogFieldWidths[static_cast<std::size_t>(field)] : 0;
}

// The table SetQsoOrMaster selects.
inline constexpr int kQsoTable = 1;

class HamlogLibrary {
public:
    virtual ~HamlogLibrary() = default;

    // The library's version; its hexadecimal digits read as a decimal number are 100 times
    // the Turbo HAMLOG version (0x50300: 5.03). See HamlogVersionNumber.
    virtual int GetThdllVersion() = 0;
    // Opens the database `dbBase` + ".HDB" (`dbBase` is the database path without its
    // extension; the extension is found whatever its case). 0 = open, anything else = failed.
    // Any database open before is closed first.
    virtual int HamlogOpen(const std::string& dbBase) = 0;
    // Closes the database, if one is open. Harmless when none is.
    virtual int HamlogClose() = 0;
    // Selects the QSO table (kQsoTable). Other values are refused (non-zero).
    virtual int SetQsoOrMaster(int table) = 0;
    // Number of QSO records, deleted ones included; 0 when nothing is open.
    virtual int Vdbf_rcount() = 0;
    // Loads record `recordNumber` (1-based). 0 = loaded; non-zero for a deleted record, a
    // number out of range, an unreadable record or no open database. After a failure every
    // field fetches as spaces.
    virtual int THW_read(int recordNumber) = 0;
    // Copies field `field` of the loaded record into `buffer`, space-filled to its width.
    // 0 = done; non-zero for field 1, an unknown field or no loaded record (buffer: spaces).
    virtual int ThwString(std::string& buffer, int field) = 0;
    // Field `field` of the loaded record as ThwString gives it with spaces trimmed at both ends
    // and NULs removed, when the library can take it straight from the record (no padding, no
    // copy in between); false: the caller fetches it with ThwString. Never fetches less.
    virtual bool ThwStringTrimmed(std::string& /*out*/, int /*field*/) { return false; }
    // The first record of the base callsign `call` (see BaseCallOf; compared in upper case),
    // in record order; 0 when there is none. Deleted records are not in the index.
    virtual int Vidx_search(const std::string& call) = 0;
    // The next record of the callsign of the last Vidx_search; 0 when there are no more.
    virtual int Vidx_next() = 0;
};

// The version a library reports, as Turbo HAMLOG versions are compared: the hexadecimal
// digits read as a decimal number, divided by 100 and rounded half to even (0x50250 -> 502,
// 0x50300 -> 503).
long long HamlogVersionNumber(int version);

// The oldest Turbo HAMLOG version the program works with (5.03).
inline constexpr long long kMinHamlogVersion = 503;

}  // namespace trelvo::hamlog
