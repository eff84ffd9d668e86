#include "importers/digipan/digipan_import.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "core/errors.h"
#include "core/file_checks.h"
#include "core/platform.h"
#include "csvout/hamlog_csv.h"
#include "csvout/station_rules.h"
#include "importers/digipan/digipan_quick.h"
#include "importers/digipan/digipan_values.h"
#include "text/chars.h"
#include "text/cp932.h"

namespace trelvo::digipan {
namespace {

// Positions (1-based) of the values the conversion uses; the other twelve are skipped.
constexpr int kCall = 2;
constexpr int kStamp = 3;
constexpr int kFreq = 8;
constexpr int kHisRst = 11;
constexpr int kMyRst = 12;
constexpr int kName = 15;
constexpr int kQth = 16;
constexpr int kRemark = 17;

// Reads contacts from the value stream and tells the user, once, about the first log line
// that does not hold 20 values: from there on the contacts are read shifted.
class ContactReader {
public:
    ContactReader(const std::string& tempPath, const std::string& logName, ConversionCallbacks& cb,
                  const std::string_view* tempBytes = nullptr)
        : stream_(tempPath, tempBytes), logName_(logName), cb_(cb) {}

    // Fills `values` and `info`; the number of values read (20, fewer at the end of the file).
    // The values of the previous contact are let go.
    int Read(std::array<ValueRef, kValuesPerContact>& values,
             std::array<ValueInfo, kValuesPerContact>& info) {
        stream_.Release();
        wholeLine_ = stream_.NextLine(values.data(), kValuesPerContact, &facts_);
        infoGiven_ = !wholeLine_;
        if (wholeLine_) {
            FlushPendingLineNotice();
            return kValuesPerContact;
        }
        int got = 0;
        while (got < kValuesPerContact) {
            const std::size_t i = static_cast<std::size_t>(got);
            if (!stream_.Next(values[i], info[i])) break;
            FlushPendingLineNotice();
            if (info[i].unclosedQuote)
                Warn(info[i].line, Message("digipan.quote-never-closed"));
            else if (info[i].endLine != info[i].line)
                Warn(info[i].line, Message("digipan.quote-closed-later").Arg("end", info[i].endLine));
            if (info[i].lastOnLine && info[i].index != kValuesPerContact && !lineNoticeGiven_) {
                lineNoticeGiven_ = true;
                pendingLine_ = info[i].line;
                pendingCount_ = info[i].index;
            }
            ++got;
        }
        return got;
    }

    // At the end of the file: a line notice still held back is given unless the last contact
    // was cut short, which the caller reports instead.
    void Finish(bool raggedEnd) {
        if (!raggedEnd) FlushPendingLineNotice();
        pendingLine_ = 0;
    }

    void Warn(long long line, Message what) {
        ++warnings_;
        cb_.Warning(Message("digipan.line-warning")
                        .Arg("file", logName_)
                        .Arg("line", line)
                        .Arg("what", std::move(what)));
    }
    long long Warnings() const { return warnings_; }
    std::string_view View(const ValueRef& ref) const { return stream_.View(ref); }
    // The last contact read was one whole line of 20 values; then what its bytes hold, and
    // its line.
    bool WholeLine() const { return wholeLine_; }
    long long Line() const { return wholeLine_ ? stream_.LineNumber() - 1 : 0; }
    // The ValueInfo of a contact read as one line, which Read() leaves to be asked for.
    void GiveInfo(std::array<ValueInfo, kValuesPerContact>& info) {
        if (!infoGiven_) stream_.LineInfo(info.data(), kValuesPerContact);
        infoGiven_ = true;
    }
    const ValueStream::LineFacts& Facts() const { return facts_; }

private:
    void FlushPendingLineNotice() {
        if (pendingLine_ == 0) return;
        const long long line = pendingLine_;
        pendingLine_ = 0;
        Warn(line,
             Message("digipan.values-on-line").Arg("count", pendingCount_).Arg("per", kValuesPerContact));
    }

    ValueStream stream_;
    const std::string& logName_;
    ConversionCallbacks& cb_;
    bool wholeLine_ = false, infoGiven_ = true;
    ValueStream::LineFacts facts_;
    bool lineNoticeGiven_ = false;
    long long pendingLine_ = 0;
    int pendingCount_ = 0;
    long long warnings_ = 0;
};

// Pass 2: the contacts of the normalised copy into the output.
void ConvertContacts(const DigipanOptions& options, ContactReader& reader, text::Cp932LineWriter& out,
                     DigipanResult& result, ConversionCallbacks& callbacks);

}  // namespace

std::string OutputPathOf(const DigipanOptions& options) {
    return options.outputPath.empty() ? JoinPath(options.geneDataFolder, kOutputFileName)
                                      : options.outputPath;
}

DigipanResult ConvertDigipanLog(const DigipanOptions& options, ConversionCallbacks& callbacks) {
    DigipanResult result;
    result.tempPath = JoinPath(options.geneDataFolder, kTempFileName);
    result.outputPath = OutputPathOf(options);
    result.issueMark = options.issueMark;
    result.sentMark = options.sentMark;
    const std::string& log = options.logPath;

    if (options.logBytes) {  // in memory: the same two passes, no file touched
        std::string temp;
        {
            text::Cp932LineWriter tempOut(temp, result.tempPath);
            if (!NormaliseSeparators(log, tempOut, callbacks, options.logBytes)) {
                result.cancelled = true;
                return result;
            }
        }
        const std::string_view tempBytes(temp);
        ContactReader reader(result.tempPath, log, callbacks, &tempBytes);
        text::Cp932LineWriter out(result.outputPath, options.outputSink);
        ConvertContacts(options, reader, out, result, callbacks);
        return result;
    }

    if (!FileExists(log)) {
        // Let the reader name the exact reason (missing, a folder, no permission).
        text::ByteReader probe(log);
        throw FileError(log, Message("digipan.log-not-file"));
    }
    RefuseSameFiles({{log, Message("role.digipan-log"), false},
                     {result.tempPath, Message("role.work-file").Arg("file", kTempFileName), true},
                     {result.outputPath, Message("role.output"), true}});

    // The work file is this run's alone from the first pass to the end of the second: another
    // conversion (a second command, or the window) waits a moment and is then refused.
    ExclusiveLock tempLock;
    errno = 0;
    switch (tempLock.LockFile(result.tempPath, kTempFileWaitMs)) {
        case ExclusiveLock::Result::kLocked:
            break;
        case ExclusiveLock::Result::kBusy:
            throw FileError(result.tempPath, Message("digipan.work-file-busy"));
        case ExclusiveLock::Result::kFailed: {
            const int e = errno;
            std::error_code ec;
            if (std::filesystem::is_symlink(PathFromUtf8(result.tempPath), ec))
                throw FileError(result.tempPath, Message("digipan.work-file-symlink"));
            throw FileError(result.tempPath,
                            e ? Message("cli.reason-detail")
                                    .Arg("message", Message("digipan.cannot-create-work-file"))
                                    .Arg("detail", SystemErrorMessage(e))
                              : Message("digipan.cannot-create-work-file"));
        }
    }

    // Pass 1.
    {
        text::Cp932LineWriter temp(tempLock, result.tempPath);
        if (!NormaliseSeparators(log, temp, callbacks)) {
            result.cancelled = true;
            return result;
        }
    }

    // Pass 2.
    ContactReader reader(result.tempPath, log, callbacks);
    text::Cp932LineWriter out(result.outputPath);
    ConvertContacts(options, reader, out, result, callbacks);
    return result;
}

namespace {

// One contact after another into lines of the import CSV: the date, time and station
// (StampAndStation), the frequency, then the values that pass through as they stand.
class ContactWriter {
public:
    ContactWriter(const DigipanOptions& options, ContactReader& reader, DigipanResult& result)
        : options_(options), reader_(reader), result_(result) {}

    // The line of the contact in `raw`, or false when it cannot be moved to JST and is left out.
    bool Make(csvout::HamlogCsvRecord& record) {
        if (!StampAndStation(record)) return false;
        Frequency(record);
        Value(kHisRst, record.HisRST);
        Value(kMyRst, record.MyRST);
        record.Code.clear();
        record.GridLoc.clear();
        MarksUsed();
        record.QSL = Qsl();
        Bytes(kQth, record.QTH);
        Bytes(kName, record.Name);
        Bytes(kRemark, record.Remarks1);
        record.cp932Fields = csvout::kBytesQth | csvout::kBytesName | csvout::kBytesRemarks1;
        record.cp932Unmappable = unmappable_.invalid;
        unmappable_.invalid = 0;
        return true;
    }

    // The values of a contact read as one whole line, for the short way; false when the
    // contact goes the general way.
    bool Sliced(const ContactReader& reader, QuickContact& c) const {
        if (!reader.WholeLine()) return false;
        const auto v = [&](int position) { return reader.View(raw[static_cast<std::size_t>(position - 1)]); };
        c.call = v(kCall);
        c.stamp = v(kStamp);
        c.freq = v(kFreq);
        c.hisRst = v(kHisRst);
        c.myRst = v(kMyRst);
        c.name = v(kName);
        c.qth = v(kQth);
        c.remark = v(kRemark);
        c.high = reader.Facts().high;
        return true;
    }

    // The contact's line written straight from its bytes at `at` (room for QuickLineRoom);
    // its end, or nullptr (nothing counted) when it goes the general way.
    char* Quick(const QuickContact& c, char* at, text::Cp932LineWriter& out) {
        if (!quickReady_) {
            quick_.jstForJa = options_.jstForJa;
            quick_.freqFormat = options_.freqFormat;
            // The QSL field as WriteHamlogCsvLine writes it: three characters, encoded.
            const std::string& q = Qsl();
            text::ConversionStats st;
            quick_.qsl = text::Utf8ToCp932(q.size() == 3 && text::IsAscii(q) ? q : text::CharFit(q, 3), &st);
            quick_.qslUnmappable = st.invalid;
            quickReady_ = true;
        }
        text::ConversionStats unmappable;
        const std::size_t before = notCp932_.invalid;
        char* const end = WriteQuickLine(c, quick_, at, recoder_, unmappable, notCp932_);
        if (!end) return nullptr;
        if (notCp932_.invalid != before && firstNotCp932Line_ == 0) firstNotCp932Line_ = reader_.Line();
        if (const std::size_t n = unmappable.invalid + quick_.qslUnmappable) out.AppendCp932({}, n);
        MarksUsed();
        return end;
    }

    // Reported once the run is over: bytes that were not CP932.
    void Finish() {
        if (notCp932_.invalid > 0)
            reader_.Warn(firstNotCp932Line_, Message("digipan.not-cp932").Arg("count", notCp932_.invalid));
    }

    std::array<ValueRef, kValuesPerContact> raw;
    std::array<ValueInfo, kValuesPerContact> info;

private:
    // The QSL field, the same for every contact.
    const std::string& Qsl() {
        if (qsl_.empty())
            qsl_ = csvout::MakeQslField(options_.qslIssue ? &options_.issueMark : nullptr,
                                        options_.qslSent ? &options_.sentMark : nullptr, nullptr);
        return qsl_;
    }
    // A contact is converted: a mark box left empty shows the space it counted as.
    void MarksUsed() {
        if (result_.issueMark.empty()) result_.issueMark = " ";
        if (result_.sentMark.empty()) result_.sentMark = " ";
    }

    // Value `position` (1-based) of the contact without NULs (reported).
    std::string_view WithoutNul(int position) {
        const std::size_t i = static_cast<std::size_t>(position - 1);
        std::string_view bytes = reader_.View(raw[i]);
        if (bytes.find('\0') != std::string_view::npos) {
            withoutNul_.assign(bytes);
            std::erase(withoutNul_, '\0');
            bytes = withoutNul_;
            reader_.Warn(info[i].line, Message("digipan.value-nul").Arg("position", position));
        }
        return bytes;
    }

    // A value that only travels to the output, as the CP932 bytes its text would be written
    // in (counted as Value counts what is not CP932).
    void Bytes(int position, std::string& into) {
        const std::string_view bytes = WithoutNul(position);
        into.clear();
        const std::size_t before = notCp932_.invalid;
        if (options_.quickLines)  // the same bytes, without building the whole tables for them
            recoder_.Append(bytes, into, &unmappable_, &notCp932_);
        else
            text::Cp932RecodeAppend(bytes, into, &unmappable_, &notCp932_);
        if (notCp932_.invalid != before && firstNotCp932Line_ == 0)
            firstNotCp932Line_ = info[static_cast<std::size_t>(position - 1)].line;
    }

    // Value `position` (1-based) of the contact as text, into `into`.
    const std::string& Value(int position, std::string& into) {
        const std::size_t i = static_cast<std::size_t>(position - 1);
        const std::string_view bytes = WithoutNul(position);
        if (text::IsAscii(bytes)) return into.assign(bytes);
        const std::size_t before = notCp932_.invalid;
        text::Cp932ToUtf8Into(bytes, into, &notCp932_);
        if (notCp932_.invalid != before && firstNotCp932Line_ == 0) firstNotCp932Line_ = info[i].line;
        return into;
    }

    // The date and time from the stamp, the call and its station class; false when the
    // contact cannot be moved to JST.
    bool StampAndStation(csvout::HamlogCsvRecord& record) {
        const std::size_t stampAt = kStamp - 1;
        const long long stampLine = info[stampAt].line;
        Value(kStamp, stamp_);
        const bool stampOk = IsDigipanStamp(reader_.View(raw[stampAt]));
        SetDateTimeFromStamp(stamp_, record);
        Value(kCall, call_);
        bool skip = false;
        try {
            csvout::ClassifyStation(call_, options_.jstForJa, record);
        } catch (const DateTimeError&) {
            skip = true;
        }
        if (!stampOk || skip)
            reader_.Warn(stampLine, Message(skip ? "digipan.bad-stamp-skipped" : "digipan.bad-stamp-kept")
                                        .Arg("value", stamp_)
                                        .Arg("call", call_));
        return !skip;
    }

    void Frequency(csvout::HamlogCsvRecord& record) {
        Value(kFreq, freqValue_);
        const std::optional<std::string> freq = FrequencyText(freqValue_, options_.freqFormat);
        if (freq)
            record.Freq = *freq;
        else
            reader_.Warn(info[kFreq - 1].line, Message("digipan.freq-out-of-range").Arg("value", freqValue_));
    }

    const DigipanOptions& options_;
    ContactReader& reader_;
    DigipanResult& result_;
    text::ConversionStats notCp932_;
    text::ConversionStats unmappable_;  // of the contact's values kept as bytes
    long long firstNotCp932Line_ = 0;
    std::string withoutNul_, stamp_, call_, freqValue_, qsl_;
    QuickSettings quick_;
    bool quickReady_ = false;
    text::Cp932Recoder recoder_;
};

// The lines written straight from the contacts' bytes, gathered into large writes. The
// buffer grows as lines come, to two blocks at most, and is never filled beforehand: a small
// log takes little memory, and only the part written into is touched.
class LineBlock {
public:
    static constexpr std::size_t kBlock = 1 << 20;
    explicit LineBlock(text::Cp932LineWriter& out) : out_(out) {}
    // Room for a line of up to `n` bytes, or nullptr when it is longer than a block.
    char* Room(std::size_t n) {
        if (n > kBlock) return nullptr;
        if (used_ + n > size_) {  // below 2 * kBlock: used_ is below a block after Commit
            const std::size_t size =
                std::min(std::max({2 * size_, used_ + n, std::size_t{1} << 16}), 2 * kBlock);
            std::unique_ptr<char[]> bigger(new char[size]);
            if (used_ > 0) std::memcpy(bigger.get(), buf_.get(), used_);
            buf_ = std::move(bigger);
            size_ = size;
        }
        return buf_.get() + used_;
    }
    // The line given room ends at `end`.
    void Commit(const char* end) {
        used_ = static_cast<std::size_t>(end - buf_.get());
        if (used_ >= kBlock) Flush();
    }
    void Flush() {
        if (used_ > 0) out_.WriteBytes(std::string_view(buf_.get(), used_));
        used_ = 0;
    }

private:
    text::Cp932LineWriter& out_;
    std::unique_ptr<char[]> buf_;
    std::size_t size_ = 0;
    std::size_t used_ = 0;
};

void ConvertContacts(const DigipanOptions& options, ContactReader& reader, text::Cp932LineWriter& out,
                     DigipanResult& result, ConversionCallbacks& callbacks) {
    csvout::HamlogCsvRecord record;
    ContactWriter contact(options, reader, result);
    LineBlock block(out);
    QuickContact quick;
    long long counter = 1;
    for (;;) {
        if (callbacks.CancelRequested()) {
            result.cancelled = true;
            break;
        }
        const int got = reader.Read(contact.raw, contact.info);
        if (got == 0) break;
        if (got < kValuesPerContact) {
            reader.Finish(true);
            reader.Warn(
                contact.info[0].line,
                Message("digipan.last-contact-short").Arg("count", got).Arg("per", kValuesPerContact));
            break;
        }
        if (options.quickLines && contact.Sliced(reader, quick)) {
            char* const at = block.Room(QuickLineRoom(quick));
            if (char* const end = at ? contact.Quick(quick, at, out) : nullptr) {
                callbacks.Progress(counter);
                block.Commit(end);
                ++counter;
                continue;
            }
        }
        block.Flush();
        reader.GiveInfo(contact.info);
        if (!contact.Make(record)) {
            csvout::ClearHamlogCsvRecord(record);
            continue;
        }
        callbacks.Progress(counter);
        csvout::WriteHamlogCsvLine(out, record);
        csvout::ClearHamlogCsvRecord(record);
        ++counter;
    }
    block.Flush();
    if (!result.cancelled) reader.Finish(false);
    result.contacts = counter - 1;
    {
        const text::Cp932LineWriter::RunEnd closed = out.CloseImport(result.cancelled, result.contacts);
        result.keptPath = closed.keptPath;
        result.outputReplaced = closed.outputReplaced;
    }
    contact.Finish();
    result.contacts = counter - 1;
    result.warnings = reader.Warnings();
}

}  // namespace

std::string CompletionMessage(const DigipanResult& result) {
    return std::to_string(result.contacts) + " 件の変換が正常終了しました。\r\n" + result.outputPath +
           " をTurbo HAMLOGから読み込んで下さい";
}

}  // namespace trelvo::digipan
