#include "export/qso_fields.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/chars.h"
#include "text/datetime.h"

namespace trelvo::exports {

using namespace trelvo::hamlog;

std::string CleanField(const std::string& buffer) {
    std::string s;
    CleanFieldInto(buffer, s);
    return s;
}

void CleanFieldInto(const std::string& buffer, std::string& s) {
    std::size_t end = buffer.size();
    // Fields arrive padded to their widths (up to 254 bytes): skip spaces 8 at a time.
    static constexpr char kEightSpaces[] = "        ";
#if defined(__SSE2__)
    const __m128i spaces = _mm_set1_epi8(' ');
    while (end >= 16 && _mm_movemask_epi8(_mm_cmpeq_epi8(
                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(buffer.data() + end - 16)),
                            spaces)) == 0xFFFF)
        end -= 16;
#endif
    while (end >= 8 && std::memcmp(buffer.data() + end - 8, kEightSpaces, 8) == 0) end -= 8;
    std::size_t begin = 0;
    while (end > 0 && buffer[end - 1] == ' ') --end;
    while (begin < end && buffer[begin] == ' ') ++begin;
    if (std::memchr(buffer.data() + begin, '\0', end - begin) == nullptr) {
        s.assign(buffer, begin, end - begin);
        return;
    }
    s.clear();
    for (std::size_t i = begin; i < end; ++i)
        if (buffer[i] != '\0') s += buffer[i];
    s = std::string(text::Trim(s));
}

std::string DateIsoOf(const std::string& stored) {
    if (stored.size() != 8) return {};
    int v[3] = {0, 0, 0};
    const std::size_t from[3] = {0, 4, 6}, len[3] = {4, 2, 2};
    for (int k = 0; k < 3; ++k)
        for (std::size_t i = from[k]; i < from[k] + len[k]; ++i) {
            if (stored[i] < '0' || stored[i] > '9') return {};
            v[k] = v[k] * 10 + (stored[i] - '0');
        }
    if (!text::IsValidDate(v[0], v[1], v[2])) return {};
    return stored.substr(0, 4) + '-' + stored.substr(4, 2) + '-' + stored.substr(6, 2);
}

void FetchQslAndDate(HamlogLibrary& library, QsoFields& f, std::string& buffer) {
    library.ThwString(buffer, kFieldQsl);
    if (buffer.size() == 3 && !((buffer[0] | buffer[1] | buffer[2]) & 0x80) &&
        buffer.find('\0') == std::string::npos) {
        f.QslIssueMark.assign(1, buffer[0]);
        f.QslSentMark.assign(1, buffer[1]);
        f.QslRcvdMark.assign(1, buffer[2]);
    } else {
        SplitQsl(buffer, f);
    }
    library.ThwString(buffer, kFieldDate);
    CleanFieldInto(buffer, f.StoredDate);
    f.DateISO = DateIsoOf(f.StoredDate);
}

void SplitQsl(const std::string& buffer, QsoFields& f) {
    // The marks are taken by position: a NUL in a place is a blank there, so the marks after
    // it do not move up.
    std::string qsl = buffer;
    std::replace(qsl.begin(), qsl.end(), '\0', ' ');
    f.QslIssueMark = text::CharFit(text::CharMid(qsl, 1, 1), 1);
    f.QslSentMark = text::CharFit(text::CharMid(qsl, 2, 1), 1);
    f.QslRcvdMark = text::CharFit(text::CharMid(qsl, 3, 1), 1);
}

void FetchOtherFields(HamlogLibrary& library, QsoFields& f, std::string& buffer) {
    library.ThwString(buffer, kFieldCall);
    CleanFieldInto(buffer, f.Call);
    library.ThwString(buffer, kFieldTime);
    f.Time = buffer;
    std::size_t chars = text::CharCount(f.Time);
    if (chars < 6) f.Time.append(6 - chars, ' ');
    struct Target {
        int field;
        std::string QsoFields::*member;
    };
    static constexpr Target kRest[] = {
        {kFieldHisRst, &QsoFields::HisRST},     {kFieldMyRst, &QsoFields::MyRST},
        {kFieldFreq, &QsoFields::Freq},         {kFieldMode, &QsoFields::Mode},
        {kFieldCode, &QsoFields::Code},         {kFieldGridLoc, &QsoFields::GridLoc},
        {kFieldName, &QsoFields::Name},         {kFieldQth, &QsoFields::QTH},
        {kFieldRemarks1, &QsoFields::Remarks1}, {kFieldRemarks2, &QsoFields::Remarks2},
    };
    for (const Target& t : kRest) {
        if (library.ThwStringTrimmed(f.*(t.member), t.field)) continue;
        library.ThwString(buffer, t.field);
        CleanFieldInto(buffer, f.*(t.member));
    }
}

}  // namespace trelvo::exports
