// Buffered byte input and CP932 line output for the converters.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "text/cp932.h"

namespace trelvo::text {

// Which byte sequences end a line.
enum class LineEnds {
    CrLfOrCr,     // CR LF or a lone CR; a lone LF stays inside the line
    CrLfCrOrLf,   // any of CR LF, CR, LF
};

// Reads a file as bytes, in large blocks. Throws FileError when it cannot be opened or read.
class ByteReader {
public:
    explicit ByteReader(const std::string& path);
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
    bool Fill();

    std::string path_;
    std::FILE* f_ = nullptr;
    std::string buf_;
    std::size_t pos_ = 0;
    long long lineNumber_ = 0;
    long long consumed_ = 0;
    long long size_ = 0;
};

// Writes CP932 lines ending in CR LF to a file created anew. Characters CP932 cannot hold
// become '?' and are counted. Throws FileError when the file cannot be created or written.
class Cp932LineWriter {
public:
    explicit Cp932LineWriter(const std::string& path);
    ~Cp932LineWriter();
    Cp932LineWriter(const Cp932LineWriter&) = delete;
    Cp932LineWriter& operator=(const Cp932LineWriter&) = delete;

    void WriteLine(std::string_view utf8);
    // Raw bytes, already CP932 (or ASCII), without a line end.
    void WriteBytes(std::string_view bytes);
    // Flushes and closes; reports a failed write. The destructor closes quietly.
    void Close();

    std::size_t Unmappable() const { return stats_.invalid; }
    const std::string& Path() const { return path_; }

private:
    void Flush();

    std::string path_;
    std::FILE* f_ = nullptr;
    std::string buf_;
    ConversionStats stats_;
};

// Reads a whole (small) file as bytes. Throws FileError.
std::string ReadFileBytes(const std::string& path);

}  // namespace trelvo::text
