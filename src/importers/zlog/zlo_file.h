// The zLog contest log as the importer reads it: fixed-size binary records, the first a header.
//
// Two kinds of file: the classic ".ZLO" (256-byte records) and the extended ".ZLOX" that
// zLog 2.8 and later save (384-byte records, header starting "ZLOX"). The first 256 bytes of a
// ".ZLOX" contact have the ".ZLO" layout; the kind is told by the magic bytes, never the name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/io.h"

namespace trelvo::zlog {

inline constexpr std::size_t kZloRecordSize = 256;
inline constexpr std::size_t kZloxRecordSize = 384;
inline constexpr std::string_view kZloxMagic = "ZLOX";

// Header (record 0).
inline constexpr std::size_t kHeaderTimeBaseAt = 84;     // 0xE4 0xFD (-540): times are JST
inline constexpr std::size_t kHeaderContestLenAt = 175;  // length byte, text from 176
inline constexpr std::size_t kContestMaxBytes = 80;

// Contact record.
inline constexpr std::size_t kDateAt = 0;     // OLE date (double, little-endian)
inline constexpr std::size_t kCallLenAt = 8;  // length byte, text from 9
inline constexpr std::size_t kCallMaxBytes = 12;
inline constexpr std::size_t kRcvNumLenAt = 52;  // length byte, text from 53
inline constexpr std::size_t kRcvNumMaxBytes = 16;
inline constexpr std::size_t kRstSentAt = 84;  // uint16
inline constexpr std::size_t kRstRcvdAt = 86;  // uint16
inline constexpr std::size_t kModeAt = 92;
inline constexpr std::size_t kBandAt = 93;
inline constexpr std::size_t kMemoLenAt = 175;  // length byte, text from 176 to the record end
inline constexpr std::size_t kMemoMaxBytes = 80;
// Extended record only.
inline constexpr std::size_t kFreqLenAt = 256;  // length byte + 10 bytes, kHz ("7025.0")
inline constexpr std::size_t kFreqMaxBytes = 10;
inline constexpr std::size_t kQslStateAt = 280;  // 0 none, 1 please QSL, 2 no QSL

enum class ZloKind { Zlo, Zlox };

enum class QslState : std::uint8_t { None = 0, Please = 1, NoQsl = 2 };

struct ZloHeader {
    ZloKind kind = ZloKind::Zlo;
    std::string timeBase = "U";   // "J" when the times are JST, else "U"
    std::string contestName;      // decoded, NUL characters removed
    std::uint32_t zloxCount = 0;  // the count an extended header states
};

// One contact as the record holds it; texts decoded from CP932 to UTF-8.
struct ZloRecord {
    double date = 0;      // OLE date: days since 1899-12-30, fraction = time of day
    std::string call;     // at most 12 bytes of the file
    std::string rcvNum;   // at most 16 bytes of the file
    std::string rstSent;  // decimal, no leading zeros
    std::string rstRcvd;
    int mode = 0;
    int band = 0;
    std::string memo;
    std::size_t memoLengthByte = 0;  // as the file has it (above 80: cut at the record end)
    std::string freqKhz;             // extended files only
    QslState qsl = QslState::None;
};

// The header fields from the first bytes of a file (any count; missing bytes read as absent).
ZloHeader ParseZloHeader(std::string_view bytes);

// Opens the file and reads its header. Throws FileError when it cannot be opened or read.
ZloHeader ReadZloHeader(const std::string& path);

// Decodes one whole record (256 or 384 bytes by kind).
void DecodeZloRecord(std::string_view bytes, ZloKind kind, ZloRecord& out);

// The record walk: record 0 is the header, records 1, 2, ... the contacts; a tail shorter
// than a record is not one. Reads in large blocks.
class ZloReader {
public:
    // Throws FileError when the file cannot be opened.
    // `bytes`, when given, are read instead of the file (`path` then only names them).
    explicit ZloReader(const std::string& path, const std::string_view* bytes = nullptr);

    const ZloHeader& Header() const { return header_; }
    std::size_t RecordSize() const { return size_; }
    // Whole contact records in the file, and the bytes of a short tail after them.
    long long ContactCount() const { return contacts_; }
    long long TailBytes() const { return tail_; }
    long long FileSize() const { return in_.FileSize(); }

    // The next contact; false after the last whole record. `Number()` is then its number.
    bool Next(ZloRecord& out);
    long long Number() const { return number_; }

private:
    text::ByteReader in_;
    ZloHeader header_;
    std::size_t size_ = kZloRecordSize;
    long long contacts_ = 0;
    long long tail_ = 0;
    long long number_ = 0;
    std::string block_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
};

// The band text written as the frequency ("1.9" ... "*10"), empty for unknown codes.
std::string_view BandText(int band);

// The kHz text of an extended record in MHz: 7025.0 -> "7.025", 14000 -> "14.000",
// 1910.25 -> "1.91025" (at least three decimals, trailing zeros after the third removed).
// Empty when the text is not a plain decimal number.
std::string KhzTextToMhz(std::string_view khz);

}  // namespace trelvo::zlog
