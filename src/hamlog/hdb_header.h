// The header of a Turbo HAMLOG database (*.HDB): a dBase III table header whose field
// descriptors give the widths of the sixteen fields.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/errors.h"

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

// Why a database could not be taken.
enum class HdbProblem {
    kNotFound,    // no such file in any letter case
    kInUse,       // held open exclusively by another program (Turbo HAMLOG)
    kCannotRead,  // a folder, no permission, or a read failed
    kNotHamlog,   // the header is not one of a Turbo HAMLOG database
};

// A database that cannot be taken: "PATH: " and the reason, which is the system's error text
// or "not a Turbo HAMLOG database: " and the check that failed.
class HdbCheckError : public Error {
public:
    HdbCheckError(HdbProblem problem, std::string path, const std::string& what)
        : Error(path + ": " + what), path_(std::move(path)), problem_(problem) {}
    HdbCheckError(HdbProblem problem, std::string path, const Message& what)
        : Error(Message("core.format-error").Arg("where", path).Arg("what", what)),
          path_(std::move(path)),
          problem_(problem) {}
    HdbProblem problem() const { return problem_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    HdbProblem problem_;
};

// A database header that passed every check, with what the file really holds.
struct CheckedHdb {
    std::string path;  // the file as found on disk
    HdbHeader header;
    std::uint64_t fileSize = 0;
    std::uint64_t recordsInFile = 0;  // whole records after the header
    // The whole records present, whatever the header's count says.
    std::uint32_t usableCount = 0;
    // Set when the header's count and the records in the file differ; the caller shows it
    // as a warning.
    std::string countWarning;
    Message countWarningMessage;  // the same, to be shown in the user's language
};

// Every reader of a database goes through here before it trusts any byte of it: the file is
// found without regard to letter case, opened for reading only (refused while another program
// holds it exclusively) and its header checked as a whole:
//   * the first byte is that of a dBase III table (0x03, or 0x1A);
//   * the header length is 32 x fields + 33 (one NUL byte more is allowed) and lies within
//     the file;
//   * the first sixteen field descriptors carry the names Turbo HAMLOG writes, in its order,
//     and DATE, TIME and FLAG are wide enough for what they hold;
//   * the field widths add up to the record length minus one (the deletion mark);
//   * the last-update date is a real date;
//   * the callsign field is at least one byte wide;
//   * a record count that does not fit the file is not an error: the records present are
//     used and `countWarning` says so.
// Throws HdbCheckError naming the file and the failed check. Never creates or changes the file.
CheckedHdb CheckHdbHeader(const std::string& path);
// The same checks on a stream open at its start (`name` names it in messages); the stream
// stays open and its position is left anywhere.
CheckedHdb CheckHdbStream(std::FILE* f, const std::string& name);

// The field widths of a database, read through CheckHdbHeader: entries 1..16 from the first
// sixteen descriptors, entry 0 the sum of the first two. Returns false when the database
// cannot be taken, leaving HdbFieldLen unchanged; `problem` (when given) then receives the
// error, whose problem() tells a database held open by Turbo HAMLOG (the window shows
// kMsgHamlogInUse) from a missing or damaged one.
bool ReadHdbFieldLengths(const std::string& path, HdbFieldLengths& HdbFieldLen,
                         std::optional<HdbCheckError>* problem = nullptr);

// The years a dBase header can hold: one byte counted from 1900.
inline constexpr int kDbfFirstYear = 1900;
inline constexpr int kDbfLastYear = 1900 + 255;

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
