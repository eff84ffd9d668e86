// Contacts a Turbo HAMLOG database already holds: the check behind "import adif
// --skip-known", for logs merged into the database a second time.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "csvout/hamlog_csv.h"
#include "hamlog/hamlog_library.h"

namespace trelvo::adif {

// A contact is known when the database has a record of the same callsign (compared in upper
// case) on the same band with the same mode whose date and time lie within kKnownWindowMinutes
// of the contact's (JST and UTC times compared as UTC).
inline constexpr int kKnownWindowMinutes = 10;

class KnownContacts {
public:
    // `library` must have the database open with the QSO table selected; it is searched
    // through its callsign index.
    explicit KnownContacts(hamlog::HamlogLibrary& library) : lib_(library) {}
    bool Has(const csvout::HamlogCsvRecord& record);

private:
    hamlog::HamlogLibrary& lib_;
    std::string buffer_;
};

// Minutes since 1 January 1900 in UTC of a date ("YY/MM/DD", "yyyy/mm/dd" or "YYYYMMDD") and a
// time ("HH:MM" followed by "J" for JST or "U" for UTC); nullopt when they are not a date
// and time.
std::optional<long long> UtcMinutes(std::string_view date, std::string_view time);

// The amateur band of a frequency text in MHz as a number (its lower edge in kHz), or the
// text itself upper-cased when it is not a number in a band ("*10" stays "*10").
std::string BandKey(std::string_view freqMhz);

}  // namespace trelvo::adif
