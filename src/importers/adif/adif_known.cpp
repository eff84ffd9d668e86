#include "importers/adif/adif_known.h"

#include <algorithm>
#include <cstdlib>

#include "hamlog/hdb_callsign.h"
#include "text/chars.h"
#include "text/datetime.h"

namespace trelvo::adif {
namespace {

bool Digits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int Number(std::string_view s) {
    int v = 0;
    for (char c : s) v = v * 10 + (c - '0');
    return v;
}

long long DaysFrom1900(int y, int m, int d) {
    // Days of the proleptic Gregorian calendar, counted from 1900-01-01.
    y -= m <= 2;
    const long long era = y / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 693901;  // 693901: 1900-01-01 from 0000-03-01
}

// The amateur bands from 136 kHz to 10 GHz in MHz, each lower edge taken down to the round
// number HAMLOG users write for the band ("10" for 30 m, "18" for 17 m, "1200" for 23 cm).
struct Edge {
    double low, high;
};
constexpr Edge kBands[] = {
    {0.135, 0.138},   {0.472, 0.479},   {1.8, 2.0},         {3.5, 4.0},       {4.6, 4.7},
    {5.06, 5.45},     {7.0, 7.3},       {10.0, 10.15},      {14.0, 14.35},    {18.0, 18.168},
    {21.0, 21.45},    {24.8, 24.99},    {28.0, 29.7},       {50.0, 54.0},     {144.0, 148.0},
    {219.0, 225.0},   {420.0, 450.0},   {902.0, 928.0},     {1200.0, 1300.0}, {2300.0, 2450.0},
    {3300.0, 3500.0}, {5600.0, 5925.0}, {10000.0, 10500.0},
};

}  // namespace

std::optional<long long> UtcMinutes(std::string_view date, std::string_view time) {
    int y, m, d;
    if (date.size() == 8 && Digits(date)) {
        y = Number(date.substr(0, 4)), m = Number(date.substr(4, 2)), d = Number(date.substr(6, 2));
    } else if (date.size() == 8 && date[2] == '/' && date[5] == '/' && Digits(date.substr(0, 2)) &&
               Digits(date.substr(3, 2)) && Digits(date.substr(6, 2))) {
        y = Number(date.substr(0, 2));
        y += y < 30 ? 2000 : 1900;  // the window 1930-2029
        m = Number(date.substr(3, 2)), d = Number(date.substr(6, 2));
    } else if (date.size() == 10 && date[4] == '/' && date[7] == '/' && Digits(date.substr(0, 4)) &&
               Digits(date.substr(5, 2)) && Digits(date.substr(8, 2))) {
        y = Number(date.substr(0, 4)), m = Number(date.substr(5, 2)), d = Number(date.substr(8, 2));
    } else {
        return std::nullopt;
    }
    time = text::Trim(time);
    if (time.size() < 5 || time[2] != ':' || !Digits(time.substr(0, 2)) || !Digits(time.substr(3, 2)))
        return std::nullopt;
    if (m < 1 || m > 12 || d < 1 || d > 31) return std::nullopt;
    long long minutes =
        DaysFrom1900(y, m, d) * 1440 + Number(time.substr(0, 2)) * 60 + Number(time.substr(3, 2));
    if (time.find('J') != std::string_view::npos) minutes -= 9 * 60;
    return minutes;
}

std::string BandKey(std::string_view freqMhz) {
    const std::string f(text::Trim(freqMhz));
    char* end = nullptr;
    const double mhz = std::strtod(f.c_str(), &end);
    if (!f.empty() && end && *end == '\0')
        for (const Edge& b : kBands)
            if (mhz >= b.low && mhz <= b.high) return std::to_string(static_cast<long long>(b.low * 1000));
    return text::ToUpper(f);
}

bool KnownContacts::Has(const csvout::HamlogCsvRecord& r) {
    const std::string call = text::ToUpper(text::Trim(r.Call));
    if (call.empty()) return false;
    const std::optional<long long> when = UtcMinutes(r.Date, r.Time);
    if (!when) return false;
    const std::string band = BandKey(r.Freq);
    const std::string mode = text::ToUpper(text::Trim(r.Mode));
    auto field = [this](int f) {
        buffer_.assign(static_cast<std::size_t>(hamlog::HamlogFieldWidth(f)), ' ');
        lib_.ThwString(buffer_, f);
        std::erase(buffer_, '\0');
        return std::string(text::Trim(buffer_));
    };
    for (int n = lib_.Vidx_search(hamlog::BaseCallOf(call)); n > 0; n = lib_.Vidx_next()) {
        if (lib_.THW_read(n) != 0) continue;
        if (text::ToUpper(field(hamlog::kFieldCall)) != call) continue;
        const std::optional<long long> t = UtcMinutes(field(hamlog::kFieldDate), field(hamlog::kFieldTime));
        if (!t || std::llabs(*t - *when) > kKnownWindowMinutes) continue;
        if (text::ToUpper(field(hamlog::kFieldMode)) != mode) continue;
        if (BandKey(field(hamlog::kFieldFreq)) != band) continue;
        return true;
    }
    return false;
}

}  // namespace trelvo::adif
