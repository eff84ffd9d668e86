#include "csvout/station_rules.h"

#include "core/errors.h"
#include "text/chars.h"
#include "text/datetime.h"

namespace trelvo::csvout {
namespace {

void ShiftHours(HamlogCsvRecord& r, int hours, const char* mark) {
    const std::string stamp = r.Date + " " + text::CharLeft(r.Time, 5);
    auto t = text::ParseYmdDateTime(stamp);
    if (!t) throw DateTimeError(stamp);
    const std::string f = text::FormatYmdHm(text::AddMinutes(*t, hours * 60LL));
    r.Date = f.substr(0, 10);
    r.Time = f.substr(11, 5) + mark;
}

}  // namespace

bool OccursInList(std::string_view list, std::string_view what) {
    return list.find(what) != std::string_view::npos;
}

void ToJst(HamlogCsvRecord& r) {
    ShiftHours(r, 9, "J");
}
void ToUtc(HamlogCsvRecord& r) {
    ShiftHours(r, -9, "U");
}

void ClassifyStation(std::string_view callsign, bool jstForJa, HamlogCsvRecord& r, int callWidth) {
    std::string call = text::ToUpper(callsign);
    const bool qrp = call.find("/QRP") != std::string::npos;
    if (qrp) call = text::ReplaceAll(call, "/QRP", "");
    const auto cut = [&](const std::string& s) {
        return callWidth >= 0 ? text::CharLeft(s, static_cast<std::size_t>(callWidth)) : s;
    };

    bool ja = false;
    const std::size_t slash = call.find('/');
    if (slash == std::string::npos) {
        call = cut(call);
        r.Call = call;
        r.PortablePart.clear();
        if (OccursInList(SpecialStationList, call))
            ja = false;
        else
            ja = OccursInList(JaPrefixList, text::CharLeft(call, 2));
    } else {
        const std::string base = call.substr(0, slash);
        const std::string portable = call.substr(slash + 1);
        r.PortablePart = portable;
        const std::size_t baseLen = text::CharCount(base);
        const std::size_t portLen = text::CharCount(portable);
        const std::string key =
            (baseLen > portLen && portLen >= 2) ? text::CharLeft(portable, 2) : text::CharLeft(base, 2);
        ja = OccursInList(JaPrefixList, key);
        r.Call = cut(call);
    }
    r.StationClass = ja ? kStationJa : kStationDx;
    if (ja && jstForJa) ToJst(r);
    if (qrp) r.Call += "/QRP";
}

}  // namespace trelvo::csvout
