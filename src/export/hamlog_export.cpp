#include "export/hamlog_export.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>

#include "core/errors.h"
#include "core/platform.h"
#include "export/stored_export.h"
#include "hamlog/db_location.h"
#include "hamlog/hamlog_messages.h"
#include "hamlog/hdb_library.h"
#include "settings/file_search.h"
#include "text/chars.h"
#include "text/io.h"
#include "text/numfmt.h"

namespace trelvo::exports {
namespace {

using namespace trelvo::hamlog;

// True when both name the same existing file.
bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ec;
    const bool same = std::filesystem::equivalent(PathFromUtf8(a), PathFromUtf8(b), ec);
    return !ec && same;
}

void CheckOutputPath(const ExportOptions& o) {
    if (o.outputPath.empty()) throw Error(Message("export.no-output"));
    const std::string mst = settings::ResolvePathNoCase(MstPathFor(o.dbPath));
    if (SameFile(o.outputPath, o.dbPath) || SameFile(o.outputPath, mst))
        throw FileError(o.outputPath, Message("export.output-is-db"));
}

long long RecordBound(const std::string& given, const char* notANumberId) {
    std::string_view t = text::Trim(given);
    if (t.empty()) return 1;
    std::optional<long long> v = text::WholeNumber(t);
    if (!v || t.find('.') != std::string_view::npos) throw Error(Message(notANumberId).Arg("value", given));
    return *v;
}

void OpenOrThrow(HamlogLibrary& lib, const std::string& dbPath) {
    lib.SetQsoOrMaster(kQsoTable);
    lib.HamlogClose();
    const int r = lib.HamlogOpen(HamlogDbBaseOf(dbPath));
    if (r == 0) return;
    lib.HamlogClose();
    if (r == static_cast<int>(HdbOpenError::kInUse)) throw FileError(dbPath, kMsgHamlogInUse);
    const Message cannotOpen = Message("cli.text").Arg("text", kMsgCannotOpen);
    if (auto* hdb = dynamic_cast<HdbLibrary*>(&lib))
        throw FileError(dbPath, Message("cli.reason-detail")
                                    .Arg("message", cannotOpen)
                                    .Arg("detail", hdb->LastOpenErrorMessage()));
    throw FileError(dbPath, cannotOpen);
}

// False when the record is passed over.
bool WriteRecord(const QsoFields& f, ExportKind kind, const WriterOptions& w, Encoder& enc, std::string& line,
                 Message* note) {
    switch (kind) {
        case ExportKind::kAdif:
            AdifRecord(f, w, enc, line, note);
            return true;
        case ExportKind::kCsv:
            CsvRecord(f, false, enc, line);
            return true;
        case ExportKind::kCsv5:
            CsvRecord(f, true, enc, line);
            return true;
        case ExportKind::kBackup:
            return BackupRecord(f, w.SelectedMode, enc, line);
        case ExportKind::kAdx:
            AdxRecord(f, w, enc, line, note);
            return true;
    }
    return false;
}

// The lines on their way to the writer, about a megabyte at a time. The block starts small
// and doubles as lines come: a small database (or a run in memory) never takes the megabyte.
class OutputBlock {
public:
    static constexpr std::size_t kBlock = 1 << 20;
    static constexpr std::size_t kFirstBlock = 1 << 14;

    // `room`: what Room() leaves free at least.
    OutputBlock(text::Cp932LineWriter& out, std::size_t room) : out_(out), room_(room) {
        Resize(kFirstBlock);
    }
    // Where the next line goes.
    char* Room() { return buf_.get() + used_; }
    // The line written at Room() ends at `end`.
    void Commit(const char* end) {
        used_ = static_cast<std::size_t>(end - buf_.get());
        if (used_ < block_) return;
        if (block_ < kBlock)
            Resize(std::min(kBlock, std::max(block_ * 2, used_ + 1)));
        else
            Flush();
    }
    void Append(std::string_view line) {
        if (used_ + line.size() > block_ + room_) {
            Flush();
            if (line.size() > block_ + room_) {
                out_.WriteBytes(line);
                return;
            }
        }
        std::memcpy(buf_.get() + used_, line.data(), line.size());
        Commit(buf_.get() + used_ + line.size());
    }
    void Flush() {
        if (used_ > 0) out_.WriteBytes(std::string_view(buf_.get(), used_));
        used_ = 0;
    }

private:
    // A block of `block` bytes and the room after it, the lines so far kept; a block that
    // would still be full is written out instead.
    void Resize(std::size_t block) {
        if (used_ >= block) {
            Flush();
            if (buf_) return;
        }
        std::unique_ptr<char[]> grown(new char[block + room_]);
        if (used_ > 0) std::memcpy(grown.get(), buf_.get(), used_);
        buf_ = std::move(grown);
        block_ = block;
    }

    text::Cp932LineWriter& out_;
    const std::size_t room_;
    std::size_t block_ = 0;
    std::unique_ptr<char[]> buf_;
    std::size_t used_ = 0;
};

// CR, LF and NUL as spaces, as text::BlankLineBreaks writes them; how many there were.
std::size_t BlankBreaks(char* from, const char* end) {
    std::size_t n = 0;
    for (char* c = from; c < end; ++c)
        if (*c == '\r' || *c == '\n' || *c == '\0') {
            *c = ' ';
            ++n;
        }
    return n;
}

}  // namespace

std::optional<std::string> ValidateExportRange(std::string_view from, std::string_view to) {
    if (text::CharCount(from) < 8 || text::CharCount(to) < 8) return std::string(kMsgDateDigits);
    auto date = [](std::string_view s) {
        const std::string iso =
            text::CharLeft(s, 4) + "-" + text::CharMid(s, 5, 2) + "-" + text::CharRight(s, 2);
        for (char c : iso)
            if (c != '-' && (c < '0' || c > '9')) return false;
        return text::ParseYmdDateTime(iso).has_value();
    };
    if (!date(from)) return std::string(kMsgStartDateInvalid);
    if (!date(to)) return std::string(kMsgEndDateInvalid);
    return std::nullopt;
}

ExportResult ExportHamlogData(HamlogLibrary& lib, const ExportOptions& o, ConversionCallbacks& callbacks) {
    if (!o.outputSink) CheckOutputPath(o);
    WriterOptions w = o.writer;
    if (w.standard && w.ExportKhz) throw Error(Message("export.khz-and-standard"));
    if (w.ExportCodeOff && w.ExportTownCodeOff) throw Error(Message("export.no-code-and-jcg"));
    if (o.kind == ExportKind::kAdif && !w.standard && w.encoding == OutputEncoding::kUtf8)
        throw Error(Message("export.utf8-needs-standard"));

    std::string low, high;
    if (o.range == RangeMode::kDates) {
        low = o.dateFrom;
        high = o.dateTo;
        if (text::CharCount(low) < 8) throw Error(kMsgStartDateBad);
        if (text::CharCount(high) < 8) throw Error(kMsgEndDateBad);
        if (low > high) std::swap(low, high);
    }
    long long first = 1, last = 0;
    if (o.range == RangeMode::kRecords) {
        first = RecordBound(o.recordFrom, "export.first-record-not-number");
        last = RecordBound(o.recordTo, "export.last-record-not-number");
        if (first > last) std::swap(first, last);
    }

    OpenOrThrow(lib, o.dbPath);
    // Closed however the export ends (an output that cannot be created or written throws).
    struct CloseOnExit {
        HamlogLibrary& lib;
        ~CloseOnExit() { lib.HamlogClose(); }
    } closeOnExit{lib};
    const long long count = lib.Vdbf_rcount();
    Message countWarning;
    if (auto* hdb = dynamic_cast<HdbLibrary*>(&lib)) countWarning = hdb->CountWarningMessage();
    if (o.range != RangeMode::kRecords) last = count;
    // Numbers beyond the database cannot be read: the pass need not walk them.
    if (first < 1) first = 1;
    if (last > count) last = count;

    csvout::DxccTable table;
    if (o.kind == ExportKind::kAdx) {
        w.standard = true;
        w.encoding = OutputEncoding::kUtf8;  // ADX is XML in UTF-8
    }
    if (o.kind == ExportKind::kAdif || o.kind == ExportKind::kAdx) {
        if (!o.outputSink) table = csvout::DxccTable::Find(csvout::kHamlogToAdifTableFile, o.programFolder);
        w.hamlogToAdif = &table;
    }

    ExportResult result;
    result.countMismatch = countWarning;
    if (!countWarning.empty()) callbacks.Warning(Message("export.count-warning").Arg("detail", countWarning));
    result.outputPath = o.outputPath;
    result.first = first;
    result.last = last;
    // The lines come from the writers in the output encoding, ready to be written as they are.
    text::Cp932LineWriter out(o.outputPath, o.outputSink);
    if (o.outputNameProposed) out.TakeFreeNameAtClose();
    Encoder enc(w.encoding);
    if (o.kind == ExportKind::kAdif)
        for (const std::string& line :
             AdifHeaderLines(w, o.createdTimestamp.empty() ? UtcTimestampNow() : o.createdTimestamp))
            out.WriteLine(line);
    if (o.kind == ExportKind::kAdx)
        for (const std::string& line :
             AdxHeaderLines(o.createdTimestamp.empty() ? UtcTimestampNow() : o.createdTimestamp))
            out.WriteLine(line);
    if (o.passStarts) o.passStarts(first, last);

    // A database file: its records are written from their bytes where that gives the same
    // line; the others (and every record of another library) through QsoFields.
    auto* hdb = dynamic_cast<HdbLibrary*>(&lib);
    std::optional<StoredRecordWriter> stored;
    if (hdb && StoredRecordWriter::Takes(o.kind, w)) stored.emplace(hdb->Header(), o.kind, w, enc);
    OutputBlock block(out, stored ? stored->MaxLineBytes() : 0);

    // False when the record is taken from its bytes (written or passed over).
    auto fromBytes = [&]() {
        if (!stored || !stored->Load(hdb->LoadedRecord())) return false;
        if (o.range == RangeMode::kDates && (stored->Ymd() < low || stored->Ymd() > high)) return true;
        char* at = block.Room();
        char* end = at;
        bool breaks = false;
        StoredRecordWriter::Outcome outcome = StoredRecordWriter::Outcome::kNotTaken;
        try {
            outcome = stored->Append(at, end, breaks);
        } catch (const Error&) {
            // The writers over QsoFields say why.
        }
        if (outcome == StoredRecordWriter::Outcome::kNotTaken) return false;
        if (outcome == StoredRecordWriter::Outcome::kWritten) {
            if (breaks) result.blankedBreaks += BlankBreaks(at, end);
            *end++ = '\r';
            *end++ = '\n';
            block.Commit(end);
            ++result.converted;
        }
        return true;
    };

    QsoFields f;
    std::string buffer, line;
    Message note;
    line.reserve(1024);
    // False when the record could not be written (`failure` says why).
    auto throughFields = [&](long long n) {
        FetchQslAndDate(lib, f, buffer);
        if (o.range == RangeMode::kDates) {
            if (f.DateISO.empty()) {
                callbacks.Warning(
                    Message("export.in-file")
                        .Arg("file", o.dbPath)
                        .Arg("what",
                             Message("cli.text").Arg("text", UnreadableDateMessage(n, f.StoredDate, " "))));
                return true;
            }
            const std::string ymd = f.DateISO.substr(0, 4) + f.DateISO.substr(5, 2) + f.DateISO.substr(8, 2);
            if (ymd < low || ymd > high) return true;
        }
        FetchOtherFields(lib, f, buffer);
        bool written = false;
        note = Message();
        try {
            written = WriteRecord(f, o.kind, w, enc, line, &note);
        } catch (const Error& e) {
            result.failure =
                Message("export.record-failed")
                    .Arg("file", o.dbPath)
                    .Arg("record", n)
                    .Arg("reason", e.message() ? *e.message() : Message("cli.text").Arg("text", e.what()))
                    .Arg("output", o.outputPath);
            return false;
        }
        if (!note.empty())
            callbacks.Warning(
                Message("export.record-note").Arg("file", o.dbPath).Arg("record", n).Arg("what", note));
        if (written) {
            result.blankedBreaks += text::BlankLineBreaks(line);
            line.append("\r\n");
            block.Append(line);
            ++result.converted;
        }
        return true;
    };

    for (long long n = first; n <= last; ++n) {
        if (callbacks.CancelRequested()) {
            result.cancelled = true;
            break;
        }
        if (lib.THW_read(static_cast<int>(n)) == 0 && !fromBytes() && !throughFields(n)) break;
        callbacks.Progress(n);
    }
    if (!result.failure.empty()) {
        result.converted = 0;
        return result;  // the writer removes what it wrote; an existing output stays
    }
    block.Flush();
    if (o.kind == ExportKind::kAdx)  // a cancelled file is kept closed as well
        for (const std::string& closing : AdxFooterLines()) out.WriteLine(closing);
    if (result.cancelled)
        result.keptPath = out.CloseCancelled(result.converted);
    else
        out.Close();
    result.outputPath = out.Path();
    if (enc.LeftOutCount() > 0)
        callbacks.Warning(Message(o.kind == ExportKind::kAdx ? "export.left-out-adx" : "export.left-out-adif")
                              .Arg("file", result.outputPath)
                              .Arg("count", enc.LeftOutCount()));
    if (result.blankedBreaks > 0)
        callbacks.Warning(
            Message("export.blanked-breaks").Arg("file", o.dbPath).Arg("count", result.blankedBreaks));
    if (enc.Unmappable() > 0)
        callbacks.Warning(
            Message("export.unmappable").Arg("file", result.outputPath).Arg("count", enc.Unmappable()));
    return result;
}

std::string UnreadableDateMessage(long long record, std::string_view storedDate, std::string_view lineBreak) {
    return "Turbo HAMLOGデータ　レコードナンバー (" + std::to_string(record) + ") は" +
           std::string(lineBreak) + "日付(" + std::string(storedDate) + ")異常です、無視しました。";
}

std::string CompletionMessage(const ExportResult& r, std::string_view lineBreak) {
    return std::to_string(r.converted) + kMsgCompleted + std::string(lineBreak) + kMsgSavedAs + r.outputPath;
}

ExportSaveDialog SaveDialogFor(ExportKind kind, const text::DateTime& now) {
    const std::string stamp = text::FormatDateTimePattern(now, "yyyymmdd_hhmm");
    switch (kind) {
        case ExportKind::kAdif:
            return {"ADIF LOGﾃﾞｰﾀ保存(ADIF形式)", "ADIF LOGﾃﾞｰﾀ(ADIF形式) (*.ADI)|*.ADI", "ADIFLOG_" + stamp};
        case ExportKind::kCsv:
        case ExportKind::kCsv5:
            return {"CSV LOGﾃﾞｰﾀ保存(CSV形式)", "CSV LOGﾃﾞｰﾀ(CSV形式) (*.CSV)|*.CSV", "HL5CSVLOG_" + stamp};
        case ExportKind::kBackup:
            return {"旧ﾊﾞｯｸｱｯﾌﾟﾌｧｲﾙ形式TXT LOGﾃﾞｰﾀ保存(TXT形式)",
                    "旧ﾊﾞｯｸｱｯﾌﾟﾌｧｲﾙ形式TXT LOGﾃﾞｰﾀ(TXT形式) (*.TXT)|*.TXT", "HL5BAK0001"};
        case ExportKind::kAdx:
            return {"ADX LOGﾃﾞｰﾀ保存(ADX形式)", "ADX LOGﾃﾞｰﾀ(ADX形式) (*.ADX)|*.ADX", "ADXLOG_" + stamp};
    }
    return {};
}

std::string UtcTimestampNow() {
    using namespace std::chrono;
    const auto now = floor<seconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day ymd{day};
    const hh_mm_ss hms{now - day};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02u%02u %02d%02d%02d", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<int>(hms.hours().count()), static_cast<int>(hms.minutes().count()),
                  static_cast<int>(hms.seconds().count()));
    return buf;
}

const char* KindName(ExportKind kind) {
    switch (kind) {
        case ExportKind::kAdif:
            return "adif";
        case ExportKind::kCsv:
            return "csv";
        case ExportKind::kCsv5:
            return "csv5";
        case ExportKind::kBackup:
            return "backup";
        case ExportKind::kAdx:
            return "adx";
    }
    return "";
}

}  // namespace trelvo::exports
