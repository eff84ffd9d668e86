#include "hamlog/hdb_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/errors.h"
#include "core/platform.h"
#include "hamlog/db_file.h"
#include "hamlog/hdb_callsign.h"
#include "settings/file_search.h"
#include "text/chars.h"
#include "text/cp932.h"
#include "text/io.h"
#include "text/numfmt.h"

namespace trelvo::hamlog {
namespace {

constexpr std::size_t kWriteBuffer = 1 << 20;

// Exactly `width` CP932 bytes: cut at a character boundary or padded with spaces. Notes what
// did not go in unchanged.
std::string FitField(const std::string& utf8, int width, const char* name, std::vector<Message>& notes) {
    text::ConversionStats stats;
    std::string b = text::Utf8ToCp932(utf8, &stats);
    if (stats.invalid)
        notes.push_back(Message("hdb.write.unmappable").Arg("field", name).Arg("count", stats.invalid));
    const auto w = static_cast<std::size_t>(width);
    if (b.size() > w) {
        std::size_t i = 0;
        while (i < w) {
            std::size_t n = text::IsCp932LeadByte(static_cast<unsigned char>(b[i])) ? 2 : 1;
            if (i + n > w) break;
            i += n;
        }
        if (!text::TrimRight(std::string_view(b).substr(i)).empty())
            notes.push_back(
                Message("hdb.write.cut").Arg("field", name).Arg("value", utf8).Arg("width", width));
        b.resize(i);
    }
    b.append(w - b.size(), ' ');
    return b;
}

// Splits a CSV line of quoted fields. A quoted field ends at a quote followed by a comma or
// the end of the line, so quotes and commas inside a field survive (the import CSV is written
// without escaping). False when a quote is not closed.
bool SplitCsvLine(std::string_view line, std::vector<std::string>& fields) {
    fields.clear();
    std::size_t pos = 0;
    for (;;) {
        if (pos < line.size() && line[pos] == '"') {
            std::size_t close = pos + 1;
            for (;;) {
                close = line.find('"', close);
                if (close == std::string_view::npos) return false;
                if (close + 1 == line.size() || line[close + 1] == ',') break;
                ++close;
            }
            fields.emplace_back(line.substr(pos + 1, close - pos - 1));
            pos = close + 1;
        } else {
            std::size_t comma = line.find(',', pos);
            fields.emplace_back(
                line.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos));
            pos = comma == std::string_view::npos ? line.size() : comma;
        }
        if (pos >= line.size()) return true;
        ++pos;  // the comma
        if (pos == line.size()) {
            fields.emplace_back();
            return true;
        }
    }
}

std::string DecodeLine(std::string_view line) {
    return text::LooksLikeUtf8(line) ? std::string(line) : text::Cp932ToUtf8(line);
}

bool ParseTime(std::string_view t, HdbContact& c) {
    t = text::Trim(t);
    c.utc = false;
    if (!t.empty() && (t.back() == 'U' || t.back() == 'u' || t.back() == 'J' || t.back() == 'j')) {
        c.utc = t.back() == 'U' || t.back() == 'u';
        t.remove_suffix(1);
    }
    std::size_t colon = t.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || t.size() != colon + 3) return false;
    for (char ch : t.substr(0, colon))
        if (ch < '0' || ch > '9') return false;
    for (char ch : t.substr(colon + 1))
        if (ch < '0' || ch > '9') return false;
    c.when.hour = std::stoi(std::string(t.substr(0, colon)));
    c.when.minute = std::stoi(std::string(t.substr(colon + 1)));
    return c.when.hour < 24 && c.when.minute < 60;
}

HdbContact ContactFromCsv(std::vector<std::string>& f, const Message& where) {
    if (f.size() == 16) f.erase(f.begin());  // Turbo HAMLOG's export: record number first
    if (f.size() != 15) throw FormatError(where, Message("hdb.csv.columns").Arg("count", f.size()));
    HdbContact c;
    c.call = std::string(text::Trim(f[0]));
    if (c.call.empty()) throw FormatError(where, Message("hdb.csv.no-call"));
    auto date = text::ParseYmdDateTime(text::Trim(f[1]));
    if (!date || text::Trim(f[1]).find(' ') != std::string_view::npos)
        throw FormatError(where, Message("hdb.csv.bad-date").Arg("value", f[1]));
    c.when = *date;
    if (!ParseTime(f[2], c)) throw FormatError(where, Message("hdb.csv.bad-time").Arg("value", f[2]));
    c.hisRst = f[3];
    c.myRst = f[4];
    c.freq = f[5];
    c.mode = f[6];
    c.code = f[7];
    c.gridLoc = f[8];
    c.qsl = f[9];
    c.name = f[10];
    c.qth = f[11];
    c.remarks1 = f[12];
    c.remarks2 = f[13];
    auto flag = text::WholeNumber(f[14]);
    if (!flag || *flag < 0) throw FormatError(where, Message("hdb.csv.bad-flag").Arg("value", f[14]));
    c.dx = (*flag & kFlagDx) != 0;
    return c;
}

}  // namespace

namespace {

// The width of field `index` (0-based) must be this to 254.
int MinHdbWidth(std::size_t index) {
    return index == kHdbDate ? 4 : (index == kHdbTime || index == kHdbFlag) ? 2 : 1;
}

Error WidthOutOfRange(std::size_t index, const std::string& given) {
    return Error(Message("hdb.width-range")
                     .Arg("field", kHdbFieldNames[index])
                     .Arg("min", MinHdbWidth(index))
                     .Arg("value", given));
}

}  // namespace

void CheckHdbWidths(const HdbFieldLengths& widths) {
    for (std::size_t i = 1; i <= 16; ++i)
        if (widths[i] < MinHdbWidth(i - 1) || widths[i] > 254)
            throw WidthOutOfRange(i - 1, std::to_string(widths[i]));
}

HdbFieldLengths ParseHdbWidths(const std::string& s) {
    std::vector<std::string> parts = text::Split(s, ',');
    if (parts.size() != 16)
        throw Error(Message("hdb.widths-count").Arg("count", parts.size()).Arg("value", s));
    HdbFieldLengths w{};
    for (std::size_t i = 0; i < 16; ++i) {
        auto v = text::WholeNumber(parts[i]);
        if (!v || text::Trim(parts[i]).find('.') != std::string_view::npos)
            throw Error(
                Message("hdb.width-not-number").Arg("field", kHdbFieldNames[i]).Arg("value", parts[i]));
        if (*v < MinHdbWidth(i) || *v > 254) throw WidthOutOfRange(i, std::string(text::Trim(parts[i])));
        w[i + 1] = static_cast<int>(*v);
    }
    w[0] = w[1] + w[2];
    CheckHdbWidths(w);
    return w;
}

namespace {

Message Because(const char* id, int error) {
    return error ? Message("cli.reason-detail")
                       .Arg("message", Message(id))
                       .Arg("detail", SystemErrorMessage(error))
                 : Message(id);
}

}  // namespace

PendingFile::PendingFile(std::string target, bool overwrite) : target_(std::move(target)) {
    if (!overwrite) {
        std::string existing = settings::ResolvePathNoCase(target_);
        if (!existing.empty()) throw FileError(existing, Message("hdb.write.exists"));
    }
    if (!FileWritable(FollowLinks(target_))) throw FileError(target_, Message("io.read-only"));
    errno = 0;
    f_ = CreateUniqueFile(target_, "writing", temp_);
    if (!f_) throw FileError(target_, Because("io.cannot-create", errno));
    std::setvbuf(f_, nullptr, _IOFBF, kWriteBuffer);
}

PendingFile::~PendingFile() {
    if (f_) std::fclose(f_);
    std::error_code ec;
    if (!temp_.empty()) std::filesystem::remove(PathFromUtf8(temp_), ec);
}

void PendingFile::Fail(int error) {
    if (f_) std::fclose(f_);
    f_ = nullptr;
    std::error_code ec;
    std::filesystem::remove(PathFromUtf8(temp_), ec);
    temp_.clear();
    throw FileError(target_, Message("hdb.write.failed").Arg("reason", Because("io.cannot-write", error)));
}

void PendingFile::Write(const std::string& bytes) {
    errno = 0;
    if (!f_ || std::fwrite(bytes.data(), 1, bytes.size(), f_) != bytes.size()) Fail(errno);
}

void PendingFile::WriteAt(long long offset, const std::string& bytes) {
    errno = 0;
    if (!f_ || !SeekFile(f_, offset)) Fail(errno);
    Write(bytes);
    if (std::fseek(f_, 0, SEEK_END) != 0) Fail(errno);
}

void PendingFile::Finish() {
    if (!f_) return;
    std::FILE* f = f_;
    f_ = nullptr;
    errno = 0;
    if (!SyncAndClose(f)) Fail(errno);
}

void PendingFile::Commit() {
    Finish();
    if (temp_.empty()) throw FileError(target_, Message("io.cannot-write"));
    errno = 0;
    if (!MoveFileOver(temp_, target_)) Fail(errno);
    temp_.clear();
}

namespace {
const HdbWriteOptions& Checked(const HdbWriteOptions& options) {
    CheckHdbWidths(options.widths);
    return options;
}
}  // namespace

HdbWriter::HdbWriter(const std::string& path, const HdbWriteOptions& options)
    : options_(Checked(options)), file_(path, options.overwrite) {
    date_ = options_.updateDate ? *options_.updateDate : text::LocalNow();
    file_.Write(MakeHdbHeader(options_.widths, 0, date_.year, date_.month, date_.day));
}

std::vector<Message> HdbWriter::Append(const HdbContact& c) {
    std::vector<Message> notes;
    const auto& w = options_.widths;
    auto width = [&](int field) { return static_cast<std::size_t>(w[static_cast<std::size_t>(field + 1)]); };
    buffer_.assign(1, c.deleted ? '*' : ' ');

    const std::string call = text::Utf8ToCp932(text::Trim(c.call));
    HdbCallFields cf = SplitHdbCall(call, c.dx, width(kHdbCalls), width(kHdbIgn));
    const std::string back = RebuildHdbCall(cf.calls, cf.ign, cf.flag);
    if (back != call)
        notes.push_back(
            Message("hdb.write.call-stored").Arg("value", c.call).Arg("stored", text::Cp932ToUtf8(back)));
    buffer_ += cf.calls;
    buffer_ += cf.ign;

    if (c.when.year < 0 || c.when.year > 9999 || !text::IsValidDate(c.when.year, c.when.month, c.when.day) ||
        c.when.hour < 0 || c.when.hour > 23 || c.when.minute < 0 || c.when.minute > 59)
        throw Error(Message("hdb.write.bad-date").Arg("value", text::FormatYmdHm(c.when)));
    std::string date(width(kHdbDate), ' ');
    date[0] = static_cast<char>(c.when.year / 100);
    date[1] = static_cast<char>(c.when.year % 100);
    date[2] = static_cast<char>(c.when.month);
    date[3] = static_cast<char>(c.when.day);
    buffer_ += date;
    std::string time(width(kHdbTime), ' ');
    time[0] = static_cast<char>(c.when.hour);
    time[1] = static_cast<char>(c.when.minute | (c.utc ? 0x80 : 0));
    buffer_ += time;

    buffer_ += FitField(c.code, w[kHdbCode + 1], "CODE", notes);
    buffer_ += FitField(c.gridLoc, w[kHdbGl + 1], "GL", notes);
    buffer_ += FitField(c.qsl, w[kHdbQsl + 1], "QSL", notes);
    std::string flag(width(kHdbFlag), '\0');
    PutLe16(flag, 0, cf.flag);
    buffer_ += flag;
    buffer_ += FitField(c.hisRst, w[kHdbHis + 1], "HIS", notes);
    buffer_ += FitField(c.myRst, w[kHdbMy + 1], "MY", notes);
    buffer_ += FitField(c.freq, w[kHdbFreq + 1], "FREQ", notes);
    buffer_ += FitField(c.mode, w[kHdbMode + 1], "MODE", notes);
    buffer_ += FitField(c.name, w[kHdbName + 1], "NAME", notes);
    buffer_ += FitField(c.qth, w[kHdbQth + 1], "QTH", notes);
    buffer_ += FitField(c.remarks1, w[kHdbRmk1 + 1], "RMK1", notes);
    buffer_ += FitField(c.remarks2, w[kHdbRmk2 + 1], "RMK2", notes);
    if (count_ == 0xFFFFFFFFu) throw Error(Message("hdb.write.too-many"));
    file_.Write(buffer_);
    ++count_;
    return notes;
}

void HdbWriter::Finish() {
    file_.Write(std::string(1, '\x1A'));
    std::string count(4, '\0');
    PutLe32(count, 0, count_);
    file_.WriteAt(4, count);
    file_.Finish();
}

void HdbWriter::Close() {
    Finish();
    file_.Commit();
}

std::uint32_t CreateHdbFromCsv(const std::string& csvPath, const std::string& hdbPath,
                               const HdbWriteOptions& options, ConversionCallbacks& callbacks) {
    return CreateHdbAndMaster(csvPath, hdbPath, options, "", {}, callbacks);
}

std::uint32_t CreateHdbAndMaster(const std::string& csvPath, const std::string& hdbPath,
                                 const HdbWriteOptions& options, const std::string& mstPath,
                                 const std::vector<MasterEntry>& codes, ConversionCallbacks& callbacks) {
    text::ByteReader in(csvPath);
    HdbWriter writer(hdbPath, options);
    std::string line;
    std::vector<std::string> fields;
    while (in.ReadLine(line, text::LineEnds::CrLfCrOrLf)) {
        if (callbacks.CancelRequested())
            throw Aborted(Message("hdb.create.stopped").Arg("line", in.LineNumber()).Arg("file", csvPath));
        const Message whereMessage =
            Message("hdb.where-line").Arg("file", csvPath).Arg("line", in.LineNumber());
        const Message& where = whereMessage;
        if (text::TrimBlanks(line).empty()) continue;
        if (!SplitCsvLine(DecodeLine(line), fields)) throw FormatError(where, Message("hdb.csv.open-quote"));
        HdbContact c = ContactFromCsv(fields, where);
        std::vector<Message> notes;
        try {
            notes = writer.Append(c);
        } catch (const FormatError&) {
            throw;
        } catch (const Error& e) {
            throw FormatError(where, e.message() ? *e.message() : Message("cli.text").Arg("text", e.what()));
        }
        for (const Message& n : notes)
            callbacks.Warning(Message("core.format-error").Arg("where", whereMessage).Arg("what", n));
        callbacks.Progress(in.LineNumber());
    }
    writer.Finish();
    std::optional<PendingFile> master;
    if (!mstPath.empty()) {
        master.emplace(mstPath, options.overwrite);
        WriteMasterRecords(*master, codes, options.updateDate, callbacks);
        master->Finish();
    }
    // Both files are complete: put them in place together, while no other run of this program
    // replaces files in the folder, so the pair always belongs together.
    ExclusiveLock folderLock;
    const std::string folder = PathToUtf8(PathFromUtf8(hdbPath).parent_path());
    if (folderLock.LockFolder(folder, kFolderWaitMs) == ExclusiveLock::Result::kBusy)
        throw FileError(hdbPath, Message("hdb.create.folder-busy"));
    if (!master) {
        writer.Commit();
        return writer.Count();
    }
    // The master goes in first; should the database then fail to go in place, the master
    // that was there before comes back (or the new one goes), so the pair still belongs together.
    const std::string mstTarget = FollowLinks(master->Target());
    std::string kept;
    if (FileExists(mstTarget)) {
        std::string bytes = text::ReadFileBytes(mstTarget);
        errno = 0;
        std::FILE* f = CreateUniqueFile(mstTarget, "keep", kept);
        bool saved = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        if (f) saved = SyncAndClose(f) && saved;
        if (!saved) {
            std::error_code ec;
            if (!kept.empty()) std::filesystem::remove(PathFromUtf8(kept), ec);
            throw FileError(
                mstTarget,
                Message("hdb.create.cannot-keep").Arg("reason", Because("hdb.create.keep-copy", errno)));
        }
    }
    auto dropKept = [&] {
        std::error_code ec;
        if (!kept.empty()) std::filesystem::remove(PathFromUtf8(kept), ec);
    };
    try {
        master->Commit();
    } catch (...) {
        dropKept();
        throw;
    }
    try {
        writer.Commit();
    } catch (const FileError& e) {
        std::error_code ec;
        const bool restored = kept.empty() ? std::filesystem::remove(PathFromUtf8(mstTarget), ec)
                                           : MoveFileOver(kept, mstTarget);
        dropKept();
        const Message why = e.message() ? *e.message() : Message("cli.text").Arg("text", e.what());
        throw FileError(
            hdbPath, restored
                         ? Message("hdb.create.master-restored").Arg("reason", why)
                         : Message("hdb.create.master-mismatch").Arg("reason", why).Arg("file", mstTarget));
    }
    dropKept();
    return writer.Count();
}

std::vector<MasterEntry> ReadMasterEntries(const std::string& path) {
    text::ByteReader in(path);
    std::vector<MasterEntry> entries;
    std::string line;
    while (in.ReadLine(line, text::LineEnds::CrLfCrOrLf)) {
        const Message where = Message("hdb.where-line").Arg("file", path).Arg("line", in.LineNumber());
        std::string l = DecodeLine(line);
        if (text::TrimBlanks(l).empty() || text::TrimBlanks(l).front() == '#') continue;
        std::size_t tab = l.find('\t');
        if (tab == std::string::npos) throw FormatError(where, Message("mst.codes.no-tab"));
        MasterEntry e{std::string(text::Trim(l.substr(0, tab))), std::string(text::Trim(l.substr(tab + 1)))};
        if (e.code.empty()) throw FormatError(where, Message("mst.codes.no-code"));
        if (text::Cp932ByteLength(e.code) > 6)
            throw FormatError(where, Message("mst.codes.too-long").Arg("value", e.code));
        entries.push_back(std::move(e));
    }
    return entries;
}

void WriteMasterRecords(PendingFile& file, const std::vector<MasterEntry>& entries,
                        const std::optional<text::DateTime>& updateDate, ConversionCallbacks& callbacks) {
    const std::string& path = file.Target();
    const text::DateTime d = updateDate ? *updateDate : text::LocalNow();
    const std::vector<std::pair<std::string, int>> fields = {
        {"CODE", 6}, {"QTH", 34}, {"FLG", 1}, {"HED", 2}, {"ERIA", 1}, {"CFM", 3}, {"WKD", 2}, {"IDO", 6}};
    file.Write(MakeDbfHeader(fields, static_cast<std::uint32_t>(entries.size()), d.year, d.month, d.day, 1));
    std::vector<Message> notes;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        notes.clear();
        std::string r(1, ' ');
        r += FitField(entries[i].code, 6, "CODE", notes);
        r += FitField(entries[i].name, 34, "QTH", notes);
        r += std::string(1 + 2 + 1 + 3 + 2, ' ');  // FLG, HED, ERIA, CFM, WKD
        r += std::string(6, '\0');                 // IDO: latitude and longitude unknown
        file.Write(r);
        for (const Message& n : notes)
            callbacks.Warning(
                Message("mst.write.note").Arg("file", path).Arg("record", i + 1).Arg("what", n));
    }
    file.Write(std::string(1, '\x1A'));
}

void WriteMasterFile(const std::string& path, const std::vector<MasterEntry>& entries, bool overwrite,
                     const std::optional<text::DateTime>& updateDate, ConversionCallbacks& callbacks) {
    PendingFile file(path, overwrite);
    WriteMasterRecords(file, entries, updateDate, callbacks);
    file.Commit();
}

}  // namespace trelvo::hamlog
