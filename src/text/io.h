// Buffered byte input and CP932 line output for the converters.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/callbacks.h"
#include "core/platform.h"
#include "text/cp932.h"

namespace trelvo::text {

// Which byte sequences end a line.
enum class LineEnds {
    CrLfOrCr,    // CR LF or a lone CR; a lone LF stays inside the line
    CrLfCrOrLf,  // any of CR LF, CR, LF
};

// Reads a file as bytes, in large blocks. Throws FileError when it cannot be opened or read.
class ByteReader {
public:
    explicit ByteReader(const std::string& path);
    // Reads `bytes` (kept alive by the caller) as if they were the file `name`.
    ByteReader(std::string_view bytes, const std::string& name);
    // The bytes in memory when `bytes` is given, else the file (for converters that can be
    // run on memory, as the fuzzers do).
    ByteReader(const std::string& path, const std::string_view* bytes);
    ~ByteReader();
    ByteReader(const ByteReader&) = delete;
    ByteReader& operator=(const ByteReader&) = delete;

    // Next line without its line end; false at the end of the file. A last line without a
    // line end is still returned.
    bool ReadLine(std::string& line, LineEnds ends);
    // Next byte; false at the end of the file.
    bool ReadByte(char& c);
    // Up to `n` bytes appended to `out`; the count read (0 at the end).
    std::size_t Read(std::string& out, std::size_t n);
    // Up to `n` bytes into `dst`, read straight from the file when nothing is buffered (for
    // callers that keep their own large buffer); the count read, fewer only at the end.
    std::size_t ReadInto(char* dst, std::size_t n);

    long long LineNumber() const { return lineNumber_; }  // lines returned so far
    long long BytesConsumed() const { return consumed_; }
    long long FileSize() const { return size_; }
    const std::string& Path() const { return path_; }

private:
    void Open();
    bool Fill();

    std::string path_;
    std::FILE* f_ = nullptr;
    std::string_view memory_;  // the bytes of an in-memory source, from memoryPos_ on
    bool inMemory_ = false;
    std::string buf_;
    std::size_t pos_ = 0;
    long long lineNumber_ = 0;
    long long consumed_ = 0;
    long long size_ = 0;
};

// Writes CP932 lines ending in CR LF. Characters CP932 cannot hold become '?' and are
// counted. Throws FileError when the file cannot be created or written.
//
// The lines go to a new temporary file beside the target ("<target>.<unique>.writing"), and
// Close() puts it in place of the target in one step, so an existing file is replaced only
// by a complete one. A writer destroyed without Close() (an error on the way) removes its
// temporary file and leaves the target as it was. A target that is a symbolic link is
// written through: the file it points to is replaced. A target that exists and is not a
// regular file (a device, a FIFO, "-" for standard output) is written where it is, and a
// regular file that may not be written (read-only) is refused before anything is written.
class Cp932LineWriter {
public:
    explicit Cp932LineWriter(const std::string& path);
    // Appends the lines to `sink` instead of a file (`name` names it in messages).
    Cp932LineWriter(std::string& sink, const std::string& name);
    // Into `sink` when it is given, else into the file.
    Cp932LineWriter(const std::string& path, std::string* sink);
    // Writes in place into a file the caller holds open and locked (see ExclusiveLock); the
    // file is emptied first and Close() leaves it where it is.
    Cp932LineWriter(ExclusiveLock& lockedFile, const std::string& path);
    ~Cp932LineWriter();
    Cp932LineWriter(const Cp932LineWriter&) = delete;
    Cp932LineWriter& operator=(const Cp932LineWriter&) = delete;

    void WriteLine(std::string_view utf8);
    // A line in pieces, for formatters that write straight into the output: text (UTF-8,
    // encoded here) and bytes already in CP932 (with the count of characters they already
    // hold as '?'), in order; EndLine() then ends the line as WriteLine does.
    void Append(std::string_view utf8) { Utf8ToCp932Append(utf8, buf_, &stats_); }
    void AppendCp932(std::string_view bytes, std::size_t unmappable = 0) {
        buf_.append(bytes);
        stats_.invalid += unmappable;
    }
    void EndLine();
    // Raw bytes, already CP932 (or ASCII), without a line end.
    void WriteBytes(std::string_view bytes);
    // Writes what is left, closes and puts the file in place. On a failure the temporary file
    // is removed, the target is left as it was, and FileError says so.
    void Close();
    // Ends a run that was cancelled after `kept` records, never replacing the target with a
    // partial file: none kept, the temporary file is removed and "" returned; else the lines
    // are put in place under CancelledName(target) and that path returned. A file written in
    // place is closed as it stands and its path returned.
    std::string CloseCancelled(long long kept);
    // Ends a run that found no record: an existing target is left as it was (the temporary
    // file is removed, false); without one the file is put in place as Close() does (true).
    bool CloseFoundNothing();
    // How an import ends, after `records` records: CloseCancelled when it was cancelled,
    // CloseFoundNothing when it found none, else Close. Sets the kept file of a cancel, or
    // whether the output was replaced.
    struct RunEnd {
        std::string keptPath;        // after a cancel: where the lines are, or "" for none
        bool outputReplaced = true;  // false: no record, and an existing output was kept
    };
    RunEnd CloseImport(bool cancelled, long long records);

    // The target is a name the program chose, not one the user gave: Close() never replaces
    // a file that has taken that name meanwhile (another run) but puts the lines under the
    // first free NumberedName of it, and Path() gives the name used.
    void TakeFreeNameAtClose() { freeName_ = true; }

    std::size_t Unmappable() const { return stats_.invalid; }
    // From now on CR, LF and NUL bytes inside the lines given to WriteLine are written as
    // spaces (for formats whose readers cannot take them); BlankedBreaks() counts them.
    void BlankBreaksInLines() { blankBreaks_ = true; }
    std::size_t BlankedBreaks() const { return blanked_; }
    long long LinesWritten() const { return lines_; }
    const std::string& Path() const { return path_; }
    // The file being written until Close(): the temporary file, or the path itself in place.
    const std::string& WorkingPath() const { return temp_.empty() ? path_ : temp_; }

private:
    void Open();
    void Flush();
    [[noreturn]] void Fail(int error);
    bool MoveToFreeName();

    std::string path_;    // as given
    std::string target_;  // the file replaced at Close(): path_ with links followed
    std::string temp_;    // empty when writing in place
    std::FILE* f_ = nullptr;
    std::string* sink_ = nullptr;  // in-memory output
    std::string buf_;
    std::size_t lineStart_ = 0;  // where the line being appended starts in buf_
    ConversionStats stats_;
    long long lines_ = 0;
    std::size_t blanked_ = 0;
    bool blankBreaks_ = false;
    bool freeName_ = false;
};

// Writes every CR, LF and NUL byte of `bytes` as a space (a field holding one would split
// the line or end it early); returns how many there were. Safe on CP932 and UTF-8 text,
// where those bytes are never part of a character.
std::size_t BlankLineBreaks(std::string& bytes, std::size_t from = 0);

// The work files ("<name>.<8 letters or digits>.writing") older than a day that a run killed
// on the way left in the folder of `target`: removes them and returns their paths.
std::vector<std::string> RemoveStaleWorkFiles(const std::string& target);
// The same, telling `callbacks` of each file removed.
void RemoveStaleWorkFiles(const std::string& target, ConversionCallbacks& callbacks);

// The name a cancelled run keeps its lines under: "(中止)" before the file name's extension
// ("out(中止).csv", "ZLOG2HL_20240131_0905(中止)").
std::string CancelledName(const std::string& path);

// "_N" before the file name's extension ("out_2.csv", "ZLOG2HL_20240131_0905_2"); `path`
// itself for N = 1. FreeNumberedName is the first of path, path_2, path_3, ... that nothing
// has yet (a name a program proposes without asking is never one in use).
std::string NumberedName(const std::string& path, int n);
std::string FreeNumberedName(const std::string& path);
inline constexpr int kMaxNumberedNames = 100000;

// Reads a whole (small) file as bytes. Throws FileError.
std::string ReadFileBytes(const std::string& path);

}  // namespace trelvo::text
