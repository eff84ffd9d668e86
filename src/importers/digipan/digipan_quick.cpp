#include "importers/digipan/digipan_quick.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "csvout/station_rules.h"
#include "importers/digipan/digipan_values.h"
#include "text/datetime.h"

namespace trelvo::digipan {
namespace {

constexpr std::string_view kQrp = "/QRP";

// A bit for every two characters that stand next to each other in a list (commas included):
// the two-character keys a substring search of the list finds.
class PairsOfList {
public:
    explicit constexpr PairsOfList(std::string_view list) {
        for (std::size_t i = 0; i + 1 < list.size(); ++i) {
            const unsigned k = Key(list[i], list[i + 1]);
            bits_[k / 64] |= std::uint64_t{1} << (k % 64);
        }
    }
    bool Has(char a, char b) const {
        const unsigned k = Key(a, b);
        return (bits_[k / 64] >> (k % 64)) & 1u;
    }

private:
    static constexpr unsigned Key(char a, char b) {
        return static_cast<unsigned>(static_cast<unsigned char>(a)) << 8 | static_cast<unsigned char>(b);
    }
    std::array<std::uint64_t, 1024> bits_{};
};

constexpr PairsOfList kJaPairs(csvout::JaPrefixList);
constexpr PairsOfList kSpecialPairs(csvout::SpecialStationList);

// The longest text between two commas of the special-station list: a call without commas
// that is longer cannot occur in it.
constexpr std::size_t LongestEntry(std::string_view list) {
    std::size_t longest = 0, run = 0;
    for (const char c : list) {
        run = c == ',' ? 0 : run + 1;
        longest = run > longest ? run : longest;
    }
    return longest;
}
constexpr std::size_t kLongestSpecial = LongestEntry(csvout::SpecialStationList);

// The key as OccursInList(JaPrefixList, key) finds it.
bool InJaPrefixList(std::string_view key) {
    if (key.size() == 2) return kJaPairs.Has(key[0], key[1]);
    return csvout::OccursInList(csvout::JaPrefixList, key);
}

// The bytes of `s` at `o`. Values are short: they are copied in words that may overlap, with
// no call made.
inline char* Put(char* o, std::string_view s) {
    const char* p = s.data();
    std::size_t n = s.size();
    char* const end = o + n;
    if (n >= 8) {
        if (n > 64) {
            std::memcpy(o, p, n);
            return end;
        }
        for (; n > 8; n -= 8, p += 8, o += 8) std::memcpy(o, p, 8);
        std::memcpy(end - 8, p + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(o, p, 4);
        std::memcpy(end - 4, p + n - 4, 4);
    } else if (n > 0) {
        o[0] = p[0];
        o[n / 2] = p[n / 2];
        o[n - 1] = p[n - 1];
    }
    return end;
}

char* PutTwoDigits(char* o, int v) {
    *o++ = static_cast<char>('0' + v / 10);
    *o++ = static_cast<char>('0' + v % 10);
    return o;
}

// The decimal digits of `v` (at least one).
char* PutNumber(char* o, long long v) {
    if (v < 10) {
        *o++ = static_cast<char>('0' + v);
        return o;
    }
    if (v < 100) return PutTwoDigits(o, static_cast<int>(v));
    char digits[24];
    char* d = digits + sizeof digits;
    do {
        *--d = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v > 0);
    return Put(o, std::string_view(d, static_cast<std::size_t>(digits + sizeof digits - d)));
}

int Digits2(std::string_view s, std::size_t at) {
    return (s[at] - '0') * 10 + (s[at + 1] - '0');
}

// Bytes of a value that travel as they are: copied when the line is ASCII, else recoded.
char* PutBytes(char* o, std::string_view v, bool high, text::Cp932Recoder& recoder,
               text::ConversionStats& unmappable, text::ConversionStats& notCp932) {
    return high ? recoder.Into(v, o, &unmappable, &notCp932) : Put(o, v);
}

}  // namespace

char* QuickStation(std::string_view callsign, char* out, bool& ja) {
    char* o = out;
    bool anySlash = false;
    for (const char c : callsign) {
        *o++ = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        anySlash |= c == '/';
    }
    std::string_view call(out, static_cast<std::size_t>(o - out));
    if (!anySlash) {  // the usual call: no "/QRP", no portable part
        // A call found in the special list starts with two characters that stand together in it.
        ja = InJaPrefixList(call.substr(0, 2)) &&
             !(call.size() <= kLongestSpecial && (call.size() < 2 || kSpecialPairs.Has(call[0], call[1])) &&
               csvout::OccursInList(csvout::SpecialStationList, call));
        return o;
    }
    std::size_t hit = call.find(kQrp);
    const bool qrp = hit != std::string_view::npos;
    if (qrp) {
        // Every "/QRP" left out as ReplaceAll leaves them out: found from left to right in the
        // upper-cased call, which stays as it was from `pos` on while the rest moves down.
        char* w = out + hit;
        std::size_t pos = hit + kQrp.size();
        for (;;) {
            hit = call.find(kQrp, pos);
            const std::size_t stop = hit == std::string_view::npos ? call.size() : hit;
            std::memmove(w, out + pos, stop - pos);
            w += stop - pos;
            if (hit == std::string_view::npos) break;
            pos = hit + kQrp.size();
        }
        call = std::string_view(out, static_cast<std::size_t>(w - out));
        o = w;
    }
    const std::size_t slash = call.find('/');
    if (slash == std::string_view::npos) {
        ja = InJaPrefixList(call.substr(0, 2)) && !csvout::OccursInList(csvout::SpecialStationList, call);
    } else {
        const std::string_view base = call.substr(0, slash), portable = call.substr(slash + 1);
        const bool portableDecides = base.size() > portable.size() && portable.size() >= 2;
        ja = InJaPrefixList(portableDecides ? portable.substr(0, 2) : base.substr(0, 2));
    }
    return qrp ? Put(o, kQrp) : o;
}

bool QuickJst(std::string_view stamp, char* date, char* time) {
    // The two-digit year of the "YY/MM/DD" text, in the window 1930-2029 as ToJst reads it.
    const int yy = Digits2(stamp, 2);
    int year = yy + (yy < 30 ? 2000 : 1900), month = Digits2(stamp, 4), day = Digits2(stamp, 6);
    int hour = Digits2(stamp, 8) + 9;
    const int minute = Digits2(stamp, 10);
    if (!text::IsValidDate(year, month, day) || hour > 23 + 9 || minute > 59) return false;
    if (hour >= 24) {
        hour -= 24;
        if (text::IsValidDate(year, month, day + 1)) {
            ++day;
        } else {
            day = 1;
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
    }
    char* d = PutTwoDigits(PutTwoDigits(date, year / 100), year % 100);
    *d++ = '/';
    d = PutTwoDigits(d, month);
    *d++ = '/';
    PutTwoDigits(d, day);
    char* t = PutTwoDigits(time, hour);
    *t++ = ':';
    PutTwoDigits(t, minute);
    return true;
}

char* QuickFrequency(std::string_view value, FreqFormat format, char* out) {
    if (value.size() <= 3 || value.size() > 13) return nullptr;
    const char* p = value.data();
    const char* end = p + value.size() - 3;
    if (end[-1] == '.') --end;
    if (end == p) return nullptr;
    long long khz = 0;
    for (; p < end; ++p) {
        const unsigned d = static_cast<unsigned>(*p - '0');
        if (d > 9) return nullptr;
        khz = khz * 10 + d;
    }
    const long long mhz = khz / 1000;
    char* o = format == FreqFormat::WholeMhz || mhz > 0 ? PutNumber(out, mhz) : out;
    if (format == FreqFormat::WholeMhz) return o;
    const int rest = static_cast<int>(khz - mhz * 1000);
    *o++ = '.';
    *o++ = static_cast<char>('0' + rest / 100);
    return PutTwoDigits(o, rest % 100);
}

std::size_t QuickLineRoom(const QuickContact& c) {
    // Quotes, commas, the line end, date, time, frequency, QSL and class take under 96 bytes; a
    // recoded byte gives at most two.
    return 96 + c.call.size() + c.hisRst.size() + c.myRst.size() +
           2 * (c.name.size() + c.qth.size() + c.remark.size());
}

char* WriteQuickLine(const QuickContact& c, const QuickSettings& s, char* out, text::Cp932Recoder& recoder,
                     text::ConversionStats& unmappable, text::ConversionStats& notCp932) {
    if (c.high && !(text::IsAscii(c.call) && text::IsAscii(c.stamp) && text::IsAscii(c.freq) &&
                    text::IsAscii(c.hisRst) && text::IsAscii(c.myRst)))
        return nullptr;
    if (!IsDigipanStamp(c.stamp)) return nullptr;

    char* o = out;
    *o++ = '"';
    bool ja = false;
    o = QuickStation(c.call, o, ja);
    o = Put(o, "\",\"");
    if (ja && s.jstForJa) {
        char date[10], time[5];
        if (!QuickJst(c.stamp, date, time)) return nullptr;
        o = Put(o, std::string_view(date, sizeof date));
        o = Put(o, "\",\"");
        o = Put(o, std::string_view(time, sizeof time));
        o = Put(o, "J\",\"");
    } else {
        // "YY/MM/DD" and "HH:MM" + "U" cut out of the UTC digits.
        const char* const d = c.stamp.data();
        const char line[] = {d[2], d[3], '/',  d[4], d[5],  '/',   d[6], d[7], '"', ',',
                             '"',  d[8], d[9], ':',  d[10], d[11], 'U',  '"',  ',', '"'};
        o = Put(o, std::string_view(line, sizeof line));
    }
    o = Put(o, c.hisRst);
    o = Put(o, "\",\"");
    o = Put(o, c.myRst);
    o = Put(o, "\",\"");
    o = QuickFrequency(c.freq, s.freqFormat, o);
    if (!o) return nullptr;
    o = Put(o, "\",\"\",\"\",\"\",\"");  // mode, code and grid locator stay empty
    o = Put(o, s.qsl);
    o = Put(o, "\",\"");
    o = PutBytes(o, c.name, c.high, recoder, unmappable, notCp932);
    o = Put(o, "\",\"");
    o = PutBytes(o, c.qth, c.high, recoder, unmappable, notCp932);
    o = Put(o, "\",\"");
    o = PutBytes(o, c.remark, c.high, recoder, unmappable, notCp932);
    o = Put(o, ja ? "\",\"\",\"0\"\r\n" : "\",\"\",\"8\"\r\n");  // remarks 2 empty, then the class
    return o;
}

}  // namespace trelvo::digipan
