#include "csvout/station_rules.h"

#include <cstring>

#include "core/errors.h"
#include "text/chars.h"
#include "text/datetime.h"

namespace trelvo::csvout {
namespace {

// "yyyy/mm/dd hh:mm" as FormatYmdHm writes it, digit by digit; false for a part below 0
// (FormatYmdHm writes those its own way).
bool WriteStamp(const text::DateTime& u, char (&f)[16]) {
    const int parts[] = {u.year % 10000, u.month % 100, u.day % 100, u.hour % 100, u.minute % 100};
    if (parts[0] < 0 || parts[1] < 0 || parts[2] < 0 || parts[3] < 0 || parts[4] < 0) return false;
    static constexpr char kBlank[16] = {'0', '0', '0', '0', '/', '0', '0', '/',
                                        '0', '0', ' ', '0', '0', ':', '0', '0'};
    std::memcpy(f, kBlank, sizeof f);
    const std::size_t last[] = {3, 6, 9, 12, 15};  // the last digit of each part
    const std::size_t width[] = {4, 2, 2, 2, 2};
    for (std::size_t k = 0; k < 5; ++k) {
        int v = parts[k];
        for (std::size_t i = 0; i < width[k]; ++i, v /= 10) f[last[k] - i] = static_cast<char>('0' + v % 10);
    }
    return true;
}

void ShiftHours(HamlogCsvRecord& r, int hours, const char* mark) {
    // "date hh:mm" in a buffer on the stack where it fits (a JA contact of every import comes
    // here), and the shifted "yyyy/mm/dd hh:mm" written as FormatYmdHm writes it.
    const std::string time = text::CharLeft(r.Time, 5);
    char buf[64];
    std::string longStamp;
    std::string_view stamp;
    if (r.Date.size() + 1 + time.size() <= sizeof buf) {
        std::memcpy(buf, r.Date.data(), r.Date.size());
        buf[r.Date.size()] = ' ';
        std::memcpy(buf + r.Date.size() + 1, time.data(), time.size());
        stamp = std::string_view(buf, r.Date.size() + 1 + time.size());
    } else {
        longStamp = r.Date + " " + time;
        stamp = longStamp;
    }
    auto t = text::ParseYmdDateTime(stamp);
    if (!t) throw DateTimeError(std::string(stamp));
    const text::DateTime u = text::AddMinutes(*t, hours * 60LL);
    char f[16];
    if (!WriteStamp(u, f)) {
        const std::string s = text::FormatYmdHm(u);
        r.Date = s.substr(0, 10);
        r.Time = s.substr(11, 5) + mark;
        return;
    }
    r.Date.assign(f, 10);
    r.Time.assign(f + 11, 5).append(mark);
}

}  // namespace

bool ShiftStamp(std::string_view stamp, int hours, char (&out)[16]) {
    const auto t = text::ParseYmdDateTime(stamp);
    return t && WriteStamp(text::AddMinutes(*t, hours * 60LL), out);
}

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
