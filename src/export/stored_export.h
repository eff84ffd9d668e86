// The short way of the export through a Turbo HAMLOG database file: each record's fields are
// sliced from its bytes and written straight into the output, with no text in between. It
// writes exactly what the writers over QsoFields write; a record it cannot write that way (a
// field the writer would read as text, a date or a JST time that is none, NUL bytes, an
// option the short way does not take) is left to them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "export/export_writers.h"
#include "hamlog/hamlog_library.h"
#include "hamlog/hdb_header.h"

namespace trelvo::exports {

class StoredRecordWriter {
public:
    // False when the kind or the options always take the writers over QsoFields.
    static bool Takes(ExportKind kind, const WriterOptions& options);

    StoredRecordWriter(const hamlog::HdbHeader& header, ExportKind kind, const WriterOptions& options,
                       Encoder& encoder);

    // The most bytes Append adds for one record of this database.
    std::size_t MaxLineBytes() const { return maxLine_; }

    // Slices the record (deletion mark first, the header's record length). False: the record
    // goes to the writers over QsoFields.
    bool Load(std::string_view record);
    // The date of the loaded record, "YYYYMMDD" (a calendar date).
    std::string_view Ymd() const { return std::string_view(ymd_, 8); }

    enum class Outcome { kWritten, kPassedOver, kNotTaken };
    // Writes the loaded record's line, without its line end, at `out`, which has room for
    // MaxLineBytes(); `end` is set past it. kPassedOver: the backup's mode filter leaves the
    // record out. kNotTaken: nothing counted, the record goes to the writers over QsoFields.
    // `breaks` is set when the line may hold CR or LF bytes (to be blanked as the writers' are).
    Outcome Append(char* out, char*& end, bool& breaks);

private:
    struct Slice {
        std::size_t offset = 0, width = 0;
    };
    // Marks the spaces, the bytes of 0x80 or more and those below 0x20 in marks_.
    void MarkBytes(std::string_view record);
    bool Write(char*& p);
    bool WriteAdif(char*& p);
    bool WriteCsv(char*& p, bool v5);
    bool WriteBackup(char*& p);
    const char* StationClass(std::string_view call) const;
    // A field that may be other than ASCII: its bytes as the writers' encoder writes them.
    void Stored(char*& p, int field);
    std::string_view Encoded(int field);

    ExportKind kind_;
    const WriterOptions& options_;
    Encoder& enc_;
    std::size_t maxLine_ = 0;
    Slice callsAt_, ignAt_, flagAt_, dateAt_, timeAt_, qslAt_;
    std::array<Slice, hamlog::kHamlogFieldCount> slices_{};

    // The loaded record.
    std::string call_;
    std::array<std::string_view, hamlog::kHamlogFieldCount> fields_{};  // trimmed bytes
    unsigned nonAscii_ = 0;                                             // bit per field
    bool breaks_ = false;
    char ymd_[8] = {};
    char time_[6] = {};  // "HH:MM" and "J" or "U", as the library gives it
    int year_ = 0, month_ = 0, day_ = 0, hour_ = -1, minute_ = -1;
    bool utc_ = false;
    char qsl_[3] = {};
    std::string scratch_;
    std::size_t words_ = 0;             // 64-bit words of one bitmap of a record's bytes
    std::vector<std::uint64_t> marks_;  // spaces, high bytes, control bytes
    // Where a field lies in those bitmaps (a field is below 256 bytes: five words at most).
    struct Bits {
        struct Part {
            std::size_t word = 0;
            std::uint64_t mask = 0;
        };
        std::array<Part, 5> parts{};
        std::size_t count = 0;
        // True when a byte of the field is marked in `bitmap`.
        bool Any(const std::uint64_t* bitmap) const;
        // The field's bytes without spaces at both ends.
        std::string_view Trimmed(const char* record, const std::uint64_t* spaces, std::size_t offset) const;
    };
    Bits callsBits_, ignBits_;
    std::array<std::uint64_t, 1024> jaPairs_{};  // a bit for each pair of bytes in the JA prefix list
    std::array<Bits, hamlog::kHamlogFieldCount> bits_{};
};

}  // namespace trelvo::exports
