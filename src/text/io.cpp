#include "text/io.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/errors.h"
#include "core/platform.h"

namespace trelvo::text {
namespace {

constexpr std::size_t kBlock = 1 << 20;

Message Reason(const char* id) {
    if (errno == 0) return Message(id);
    return Message("cli.reason-detail").Arg("message", Message(id)).Arg("detail", SystemErrorMessage(errno));
}

}  // namespace

ByteReader::ByteReader(const std::string& path) : path_(path) {
    Open();
}

ByteReader::ByteReader(const std::string& path, const std::string_view* bytes) : path_(path) {
    if (!bytes) {
        Open();
        return;
    }
    memory_ = *bytes;
    inMemory_ = true;
    size_ = static_cast<long long>(bytes->size());
}

void ByteReader::Open() {
    const std::string& path = path_;
    std::error_code ec;
    if (std::filesystem::is_directory(PathFromUtf8(path), ec))
        throw FileError(path, Message("io.open-folder"));
    errno = 0;
    f_ = OpenFile(path, "rb");
    if (!f_) throw FileError(path, Reason("io.cannot-open"));
    if (std::fseek(f_, 0, SEEK_END) == 0) {
        size_ = std::ftell(f_);
        std::fseek(f_, 0, SEEK_SET);
    }
    if (size_ < 0) size_ = 0;
}

ByteReader::ByteReader(std::string_view bytes, const std::string& name)
    : path_(name), memory_(bytes), inMemory_(true), size_(static_cast<long long>(bytes.size())) {}

ByteReader::~ByteReader() {
    if (f_) std::fclose(f_);
}

bool ByteReader::Fill() {
    if (pos_ < buf_.size()) return true;
    if (inMemory_) {
        const std::size_t n = std::min(kBlock, memory_.size());
        buf_.assign(memory_.data(), n);
        memory_.remove_prefix(n);
        pos_ = 0;
        return n > 0;
    }
    // A small file needs no block of a megabyte (filled with zeros first on every read).
    const std::size_t want =
        size_ > 0 ? static_cast<std::size_t>(std::min<long long>(static_cast<long long>(kBlock), size_ + 1))
                  : kBlock;
    buf_.resize(want);
    std::size_t n = std::fread(buf_.data(), 1, want, f_);
    if (n == 0 && std::ferror(f_)) throw FileError(path_, Message("io.cannot-read"));
    buf_.resize(n);
    pos_ = 0;
    return n > 0;
}

bool ByteReader::ReadByte(char& c) {
    if (!Fill()) return false;
    c = buf_[pos_++];
    ++consumed_;
    return true;
}

std::size_t ByteReader::Read(std::string& out, std::size_t n) {
    std::size_t got = 0;
    while (got < n && Fill()) {
        std::size_t take = std::min(n - got, buf_.size() - pos_);
        out.append(buf_, pos_, take);
        pos_ += take;
        got += take;
    }
    consumed_ += static_cast<long long>(got);
    return got;
}

std::size_t ByteReader::ReadInto(char* dst, std::size_t n) {
    std::size_t got = 0;
    if (pos_ < buf_.size()) {  // what is buffered first
        got = std::min(n, buf_.size() - pos_);
        std::memcpy(dst, buf_.data() + pos_, got);
        pos_ += got;
    }
    if (inMemory_ && got < n) {
        const std::size_t r = std::min(n - got, memory_.size());
        std::memcpy(dst + got, memory_.data(), r);
        memory_.remove_prefix(r);
        got += r;
    }
    while (!inMemory_ && got < n) {
        const std::size_t r = std::fread(dst + got, 1, n - got, f_);
        if (r == 0) {
            if (std::ferror(f_)) throw FileError(path_, Message("io.cannot-read"));
            break;
        }
        got += r;
    }
    consumed_ += static_cast<long long>(got);
    return got;
}

bool ByteReader::ReadLine(std::string& line, LineEnds ends) {
    line.clear();
    if (!Fill()) return false;
    for (;;) {
        const char* start = buf_.data() + pos_;
        std::size_t avail = buf_.size() - pos_;
        const char* hit = nullptr;
        if (ends == LineEnds::CrLfOrCr) {
            hit = static_cast<const char*>(std::memchr(start, '\r', avail));
        } else {
            for (std::size_t i = 0; i < avail; ++i)
                if (start[i] == '\r' || start[i] == '\n') {
                    hit = start + i;
                    break;
                }
        }
        if (!hit) {
            line.append(start, avail);
            consumed_ += static_cast<long long>(avail);
            pos_ = buf_.size();
            if (!Fill()) {
                ++lineNumber_;
                return true;
            }
            continue;
        }
        std::size_t len = static_cast<std::size_t>(hit - start);
        line.append(start, len);
        char endChar = *hit;
        pos_ += len + 1;
        consumed_ += static_cast<long long>(len + 1);
        if (endChar == '\r' && Fill() && buf_[pos_] == '\n') {
            ++pos_;
            ++consumed_;
        }
        ++lineNumber_;
        return true;
    }
}

Cp932LineWriter::Cp932LineWriter(const std::string& path) : path_(path), target_(FollowLinks(path)) {
    Open();
}

Cp932LineWriter::Cp932LineWriter(const std::string& path, std::string* sink) : path_(path), target_(path) {
    if (sink) {
        sink_ = sink;
        return;
    }
    target_ = FollowLinks(path);
    Open();
}

void Cp932LineWriter::Open() {
    const std::string& path = path_;
    std::error_code ec;
    const bool standardOutput = path == "-" || path == "/dev/stdout";
    if (standardOutput || IsSpecialFile(path)) {  // standard output, a device, a FIFO: in place
        errno = 0;
        f_ = standardOutput ? OpenStandardOutputStream() : OpenFile(target_, "wb");
        if (!f_) throw FileError(path, Reason("io.cannot-open-write"));
        buf_.reserve(kBlock + 4096);
        return;
    }
    if (std::filesystem::is_directory(PathFromUtf8(target_), ec))
        throw FileError(path, Message("io.create-folder"));
    if (!FileWritable(target_)) throw FileError(path, Message("io.read-only"));
    errno = 0;
    f_ = CreateUniqueFile(target_, "writing", temp_);
    if (!f_) throw FileError(path, Reason("io.cannot-create"));
    buf_.reserve(kBlock + 4096);
}

Cp932LineWriter::Cp932LineWriter(ExclusiveLock& lockedFile, const std::string& path)
    : path_(path), target_(path) {
    errno = 0;
    f_ = lockedFile.TruncatedStream();
    if (!f_) throw FileError(path, Reason("io.cannot-write"));
    buf_.reserve(kBlock + 4096);
}

Cp932LineWriter::Cp932LineWriter(std::string& sink, const std::string& name)
    : path_(name), target_(name), sink_(&sink) {}

Cp932LineWriter::~Cp932LineWriter() {
    if (!f_) return;
    std::fclose(f_);
    std::error_code ec;
    if (!temp_.empty()) std::filesystem::remove(PathFromUtf8(temp_), ec);
}

void Cp932LineWriter::Fail(int error) {
    if (f_) std::fclose(f_);
    f_ = nullptr;
    errno = error;
    Message what = Reason("io.cannot-write");
    if (!temp_.empty()) {
        std::error_code ec;
        std::filesystem::remove(PathFromUtf8(temp_), ec);
        what = Message(std::filesystem::exists(PathFromUtf8(target_), ec) ? "io.write-failed-kept"
                                                                          : "io.write-failed")
                   .Arg("reason", what);
    }
    throw FileError(path_, what);
}

void Cp932LineWriter::WriteLine(std::string_view utf8) {
    Append(utf8);
    EndLine();
}

void Cp932LineWriter::EndLine() {
    if (blankBreaks_) blanked_ += BlankLineBreaks(buf_, lineStart_);
    buf_.append("\r\n");
    ++lines_;
    if (buf_.size() >= kBlock) Flush();
    lineStart_ = buf_.size();
}

void Cp932LineWriter::WriteBytes(std::string_view bytes) {
    if (sink_) {
        Flush();  // lines appended before stay before
        sink_->append(bytes);
        return;
    }
    if (bytes.size() >= kBlock) {  // a large block goes to the file without being copied
        Flush();
        errno = 0;
        if (std::fwrite(bytes.data(), 1, bytes.size(), f_) != bytes.size()) Fail(errno);
        return;
    }
    buf_.append(bytes);
    if (buf_.size() >= kBlock) Flush();
    lineStart_ = buf_.size();
}

void Cp932LineWriter::Flush() {
    if (sink_) {
        sink_->append(buf_);
        buf_.clear();
        lineStart_ = 0;
        return;
    }
    errno = 0;
    if (!buf_.empty() && std::fwrite(buf_.data(), 1, buf_.size(), f_) != buf_.size()) Fail(errno);
    buf_.clear();
    lineStart_ = 0;
}

void Cp932LineWriter::Close() {
    if (sink_) {
        Flush();
        return;
    }
    if (!f_) return;
    Flush();
    std::FILE* f = f_;
    f_ = nullptr;
    errno = 0;
    if (!SyncAndClose(f)) {
        f_ = nullptr;
        Fail(errno);
    }
    if (temp_.empty()) return;
    errno = 0;
    if (freeName_ ? !MoveToFreeName() : !MoveFileOver(temp_, target_)) {
        const int e = errno;
        std::error_code ec;
        std::filesystem::remove(PathFromUtf8(temp_), ec);
        throw FileError(
            path_,
            Message("io.cannot-move").Arg("reason", e == EBUSY ? Message("io.busy") : SystemErrorMessage(e)));
    }
    temp_.clear();
}

bool Cp932LineWriter::MoveToFreeName() {
    // Another run may have taken the name since it was chosen: the next one is tried then,
    // never replaced.
    for (int n = 1; n <= kMaxNumberedNames; ++n) {
        const std::string name = NumberedName(path_, n);
        errno = 0;
        if (MoveFileToNewName(temp_, name)) {
            path_ = target_ = name;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

std::size_t BlankLineBreaks(std::string& bytes, std::size_t from) {
    std::size_t n = 0;
    std::size_t i = from;
#if defined(__SSE2__)
    // Lines rarely hold one: sixteen bytes at a time until a step finds one.
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), nul = _mm_setzero_si128();
    for (; i + 16 <= bytes.size(); i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + i));
        const __m128i hit =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, cr), _mm_cmpeq_epi8(x, lf)), _mm_cmpeq_epi8(x, nul));
        if (_mm_movemask_epi8(hit)) break;
    }
#endif
    for (; i < bytes.size(); ++i)
        if (bytes[i] == '\r' || bytes[i] == '\n' || bytes[i] == '\0') {
            bytes[i] = ' ';
            ++n;
        }
    return n;
}

std::vector<std::string> RemoveStaleWorkFiles(const std::string& target) {
    namespace fs = std::filesystem;
    std::vector<std::string> removed;
    std::error_code ec;
    fs::path folder = PathFromUtf8(FollowLinks(target)).parent_path();
    if (folder.empty()) folder = ".";
    const auto limit = fs::file_time_type::clock::now() - std::chrono::hours(24);
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = PathToUtf8(it->path().filename());
        constexpr std::string_view kEnd = ".writing";
        if (name.size() < kEnd.size() + 10 || name.compare(name.size() - kEnd.size(), kEnd.size(), kEnd) != 0)
            continue;
        const std::size_t dot = name.size() - kEnd.size() - 9;
        bool ours = name[dot] == '.';
        for (std::size_t i = dot + 1; ours && i < dot + 9; ++i)
            ours = (name[i] >= '0' && name[i] <= '9') || (name[i] >= 'a' && name[i] <= 'z');
        std::error_code e2;
        if (!ours || it->is_symlink(e2) || !it->is_regular_file(e2)) continue;
        const auto when = it->last_write_time(e2);
        if (e2 || when > limit) continue;
        if (fs::remove(it->path(), e2)) removed.push_back(PathToUtf8(it->path()));
    }
    return removed;
}

namespace {

// `mark` before the extension of the path's file name, or at its end when it has none.
std::string BeforeExtension(const std::string& path, std::string_view mark) {
    std::size_t nameStart = path.find_last_of("/\\");
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart) return path + std::string(mark);
    return path.substr(0, dot) + std::string(mark) + path.substr(dot);
}

}  // namespace

void RemoveStaleWorkFiles(const std::string& target, ConversionCallbacks& callbacks) {
    for (const std::string& old : RemoveStaleWorkFiles(target))
        callbacks.Warning(Message("io.stale-work-file").Arg("file", old));
}

std::string CancelledName(const std::string& path) {
    return BeforeExtension(path, "(中止)");
}

std::string NumberedName(const std::string& path, int n) {
    return n <= 1 ? path : BeforeExtension(path, "_" + std::to_string(n));
}

std::string FreeNumberedName(const std::string& path) {
    for (int n = 1; n < kMaxNumberedNames; ++n) {
        const std::string next = NumberedName(path, n);
        std::error_code ec;  // set for a name that is not there, as for one that cannot be seen
        if (std::filesystem::symlink_status(PathFromUtf8(next), ec).type() ==
            std::filesystem::file_type::not_found)
            return next;
    }
    return NumberedName(path, kMaxNumberedNames);
}

std::string Cp932LineWriter::CloseCancelled(long long kept) {
    if (!f_) return {};
    if (temp_.empty()) {
        Close();
        return path_;
    }
    if (kept <= 0) {
        std::fclose(f_);
        f_ = nullptr;
        std::error_code ec;
        std::filesystem::remove(PathFromUtf8(temp_), ec);
        temp_.clear();
        return {};
    }
    const std::string kept_path = CancelledName(target_);
    target_ = kept_path;
    path_ = kept_path;
    Close();
    return kept_path;
}

bool Cp932LineWriter::CloseFoundNothing() {
    if (!f_) return false;
    std::error_code ec;
    if (temp_.empty() || !std::filesystem::exists(PathFromUtf8(target_), ec)) {
        Close();
        return true;
    }
    std::fclose(f_);
    f_ = nullptr;
    std::filesystem::remove(PathFromUtf8(temp_), ec);
    temp_.clear();
    return false;
}

Cp932LineWriter::RunEnd Cp932LineWriter::CloseImport(bool cancelled, long long records) {
    RunEnd end;
    if (cancelled)
        end.keptPath = CloseCancelled(records);
    else if (records == 0)
        end.outputReplaced = CloseFoundNothing();
    else
        Close();
    return end;
}

std::string ReadFileBytes(const std::string& path) {
    ByteReader r(path);
    std::string out;
    while (r.Read(out, kBlock) > 0) {
    }
    return out;
}

}  // namespace trelvo::text
