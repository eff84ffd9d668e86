// The header of a Turbo HAMLOG database (*.HDB): a dBase III table header whose field
// descriptors give the widths of the sixteen fields.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trelvo::hamlog {

// Entries 1..16: the widths of the first sixteen fields; entry 0: fields 1 + 2, the width
// available for a callsign.
using HdbFieldLengths = std::array<int, 17>;

// The sixteen fields of a HAMLOG database in their order (entry i is field i + 1).
inline constexpr std::array<const char*, 16> kHdbFieldNames = {
    "CALLS", "IGN", "DATE", "TIME", "CODE", "GL",  "QSL",  "FLAG",
    "HIS",   "MY",  "FREQ", "MODE", "NAME", "QTH", "RMK1", "RMK2"};

// Field positions (0-based) in the record, after the deletion mark.
enum HdbFieldIndex : int {
    kHdbCalls,
    kHdbIgn,
    kHdbDate,
    kHdbTime,
    kHdbCode,
    kHdbGl,
    kHdbQsl,
    kHdbFlag,
    kHdbHis,
    kHdbMy,
    kHdbFreq,
    kHdbMode,
    kHdbName,
    kHdbQth,
    kHdbRmk1,
    kHdbRmk2
};

// The widths Turbo HAMLOG 5 uses by default (CALLS 8, IGN 12, DATE 4, TIME 2, CODE 6, GL 6,
// QSL 3, FLAG 2, HIS 3, MY 3, FREQ 7, MODE 4, NAME 12, QTH 28, RMK1 54, RMK2 54).
HdbFieldLengths DefaultHdbFieldLengths();

// Reads the byte at offset 48 + 32 * i for i = 0..15 into entry i + 1, stopping at the end of
// the file, and sets entry 0 once the second width is known. Entries not reached keep their
// value. Returns false when the file cannot be opened or read, which is what a database held
// open by Turbo HAMLOG gives; the caller shows kMsgHamlogInUse. The path is resolved without
// regard to case. Never creates or changes the file.
bool ReadHdbFieldLengths(const std::string& path, HdbFieldLengths& HdbFieldLen);

struct HdbFieldDescriptor {
    std::string name;  // as stored, up to the first NUL
    char type = 'C';
    int width = 0;
    int offset = 0;  // in the record; the deletion mark is byte 0
};

// Everything the header of a database says.
struct HdbHeader {
    unsigned char version = 0x03;
    int updateYear = 0;  // 1900 + the stored byte
    int updateMonth = 0;
    int updateDay = 0;
    std::uint32_t recordCount = 0;
    int headerLength = 0;
    int recordLength = 0;
    std::vector<HdbFieldDescriptor> fields;

    // Entries 1..16 from the first sixteen descriptors, entry 0 their first two.
    HdbFieldLengths FieldLengths() const;
};

// Bytes needed to know the header length (the fixed part before the descriptors).
inline constexpr std::size_t kDbfFixedHeaderBytes = 32;

// Reads a header from its bytes (at least `headerLength` of them) and checks that it is one
// of a HAMLOG database: sixteen fields or more, DATE of 4 bytes or more, TIME and FLAG of 2 or
// more, and a record length that holds them. Throws FormatError naming `where`.
HdbHeader ParseHdbHeader(std::string_view bytes, const std::string& where);

// The header bytes of a new database with these widths (entries 1..16), `recordCount`
// records and the given last-update date.
std::string MakeHdbHeader(const HdbFieldLengths& widths, std::uint32_t recordCount, int year, int month,
                          int day);

// Little-endian helpers shared by the readers and writers of dBase files.
inline std::uint32_t GetLe32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
inline unsigned GetLe16(std::string_view b, std::size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(b[at])) |
           static_cast<unsigned>(static_cast<unsigned char>(b[at + 1])) << 8;
}
void PutLe32(std::string& b, std::size_t at, std::uint32_t v);
void PutLe16(std::string& b, std::size_t at, unsigned v);

// The fixed 32 bytes and the descriptors of a dBase III table, with the 0x0D terminator and
// `extraBytes` NUL bytes after it. `fields` are (name, width) pairs, all of type 'C'.
std::string MakeDbfHeader(const std::vector<std::pair<std::string, int>>& fields, std::uint32_t recordCount,
                          int year, int month, int day, int extraBytes = 0);

}  // namespace trelvo::hamlog
