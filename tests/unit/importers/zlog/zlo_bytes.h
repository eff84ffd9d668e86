// zLog records for the tests, written field by field.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace trelvo::testing {

struct ZloFields {
    double date = 45444.5;  // 2024-06-01 12:00
    std::string call = "JA1ABC";
    std::string rcvNum = "1101M";
    unsigned sent = 599, rcvd = 599;
    int mode = 0, band = 2;
    std::string memo;
    int callLen = -1, rcvLen = -1, memoLen = -1;  // -1: the text's length
    std::string freq;                             // extended records only
    int qsl = 0;
};

inline void PutText(std::string& r, std::size_t at, const std::string& text, int len, std::size_t room) {
    const std::string t = text.substr(0, room);
    r[at] = static_cast<char>(len < 0 ? t.size() : static_cast<std::size_t>(len));
    r.replace(at + 1, t.size(), t);
}

inline std::string ZloRecordBytes(const ZloFields& f, bool extended = false) {
    std::string r(extended ? 384 : 256, '\0');
    std::memcpy(r.data(), &f.date, 8);
    PutText(r, 8, f.call, f.callLen, 12);
    PutText(r, 52, f.rcvNum, f.rcvLen, 31);
    r[84] = static_cast<char>(f.sent & 0xFF), r[85] = static_cast<char>(f.sent >> 8);
    r[86] = static_cast<char>(f.rcvd & 0xFF), r[87] = static_cast<char>(f.rcvd >> 8);
    r[92] = static_cast<char>(f.mode);
    r[93] = static_cast<char>(f.band);
    PutText(r, 175, f.memo, f.memoLen, 80);
    if (extended) {
        PutText(r, 256, f.freq, -1, 10);
        r[280] = static_cast<char>(f.qsl);
    }
    return r;
}

inline std::string ZloHeaderBytes(bool jst, const std::string& contest = "TEST", int zloxCount = -1) {
    std::string h(zloxCount >= 0 ? 384 : 256, '\0');
    if (zloxCount >= 0) {
        h.replace(0, 4, "ZLOX");
        const auto c = static_cast<std::uint32_t>(zloxCount);
        std::memcpy(h.data() + 4, &c, 4);
    }
    if (jst) h[84] = '\xE4', h[85] = '\xFD';
    PutText(h, 175, contest, -1, 80);
    return h;
}

}  // namespace trelvo::testing
