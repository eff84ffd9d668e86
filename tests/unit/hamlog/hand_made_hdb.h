// Databases and master files laid out byte by byte, independently of the program's writer, so
// that the readers are checked against the layout itself.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace trelvo::testing {

// Little-endian bytes.
inline std::string Le(std::uint32_t v, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

// Text cut or padded with spaces to exactly `w` bytes.
inline std::string Pad(std::string s, std::size_t w) {
    s.resize(w, ' ');
    return s;
}

// A dBase III header: version 3, last update 2024-05-01, the fields as (name, width), the
// 0x0D terminator and `extra` NUL bytes.
inline std::string HandHeader(const std::vector<std::pair<std::string, int>>& fields, std::uint32_t count,
                              int extra = 0) {
    int recordLength = 1;
    for (const auto& f : fields) recordLength += f.second;
    std::string h =
        std::string("\x03\x7C\x05\x01", 4) + Le(count, 4) +
        Le(static_cast<std::uint32_t>(32 + 32 * fields.size() + 1 + static_cast<std::size_t>(extra)), 2) +
        Le(static_cast<std::uint32_t>(recordLength), 2) + std::string(20, '\0');
    for (const auto& f : fields) {
        std::string d = f.first;
        d.resize(11, '\0');
        d += 'C';
        d += std::string(4, '\0');
        d += static_cast<char>(f.second);
        d += std::string(15, '\0');
        h += d;
    }
    return h + '\x0D' + std::string(static_cast<std::size_t>(extra), '\0');
}

inline std::vector<std::pair<std::string, int>> DefaultFields() {
    return {{"CALLS", 8}, {"IGN", 12}, {"DATE", 4},  {"TIME", 2}, {"CODE", 6}, {"GL", 6},
            {"QSL", 3},   {"FLAG", 2}, {"HIS", 3},   {"MY", 3},   {"FREQ", 7}, {"MODE", 4},
            {"NAME", 12}, {"QTH", 28}, {"RMK1", 54}, {"RMK2", 54}};
}

// One record of the default layout (209 bytes). Date: century, year, month, day; time: hour,
// minute (| 0x80 for UTC); `name` in CP932 bytes.
struct HandRecord {
    char mark = ' ';
    std::string calls = "JA1ABC", ign;
    int century = 20, year = 24, month = 5, day = 1, hour = 9, minute = 15;
    unsigned flag = 0;
    std::string code = "1101", gl = "PM95", qsl = "J* ", his = "599", my = "579", freq = "7.012", mode = "CW",
                name, qth, rmk1, rmk2;

    std::string Bytes() const {
        std::string r(1, mark);
        r += Pad(calls, 8) + Pad(ign, 12);
        for (int b : {century, year, month, day, hour, minute}) r += static_cast<char>(b);
        r += Pad(code, 6) + Pad(gl, 6) + Pad(qsl, 3) + Le(flag, 2) + Pad(his, 3) + Pad(my, 3) + Pad(freq, 7) +
             Pad(mode, 4) + Pad(name, 12) + Pad(qth, 28) + Pad(rmk1, 54) + Pad(rmk2, 54);
        return r;
    }
};

inline std::string HandHdb(const std::vector<HandRecord>& records) {
    std::string f = HandHeader(DefaultFields(), static_cast<std::uint32_t>(records.size()));
    for (const HandRecord& r : records) f += r.Bytes();
    return f + '\x1A';
}

// A database without records whose CALLS and IGN fields are `calls` and `ign` wide.
inline std::string EmptyHdb(int calls = 8, int ign = 12) {
    auto fields = DefaultFields();
    fields[0].second = calls;
    fields[1].second = ign;
    return HandHeader(fields, 0);
}

// The settings line that names the database the window opens at start-up.
inline std::string HamlogIni(const std::string& hdbPath) {
    return "[HAMLOG-FOL]\r\nHAMLOG-FN=" + hdbPath + "\r\n";
}

// A master file: header of 290 bytes (8 fields and one extra byte), then 56-byte records of
// the given codes and CP932 names.
inline std::string HandMst(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string f = HandHeader(
        {{"CODE", 6}, {"QTH", 34}, {"FLG", 1}, {"HED", 2}, {"ERIA", 1}, {"CFM", 3}, {"WKD", 2}, {"IDO", 6}},
        static_cast<std::uint32_t>(entries.size()), 1);
    for (const auto& e : entries)
        f += " " + Pad(e.first, 6) + Pad(e.second, 34) + std::string(9, ' ') + std::string(6, '\0');
    return f;
}

}  // namespace trelvo::testing
