#include "text/io.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/errors.h"
#include "core/platform.h"

namespace trelvo::text {
namespace {

constexpr std::size_t kBlock = 1 << 20;

std::string Reason(const char* what) {
    std::string r = what;
    if (errno != 0) {
        r += " (";
        r += std::strerror(errno);
        r += ")";
    }
    return r;
}

}  // namespace

ByteReader::ByteReader(const std::string& path) : path_(path) {
    std::error_code ec;
    if (std::filesystem::is_directory(PathFromUtf8(path), ec))
        throw FileError(path, "cannot open the file: it is a folder");
    errno = 0;
    f_ = OpenFile(path, "rb");
    if (!f_) throw FileError(path, Reason("cannot open the file"));
    if (std::fseek(f_, 0, SEEK_END) == 0) {
        size_ = std::ftell(f_);
        std::fseek(f_, 0, SEEK_SET);
    }
    if (size_ < 0) size_ = 0;
}

ByteReader::~ByteReader() {
    if (f_) std::fclose(f_);
}

bool ByteReader::Fill() {
    if (pos_ < buf_.size()) return true;
    buf_.resize(kBlock);
    std::size_t n = std::fread(buf_.data(), 1, kBlock, f_);
    if (n == 0 && std::ferror(f_)) throw FileError(path_, "cannot read the file");
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
    while (got < n) {
        const std::size_t r = std::fread(dst + got, 1, n - got, f_);
        if (r == 0) {
            if (std::ferror(f_)) throw FileError(path_, "cannot read the file");
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
    std::error_code ec;
    if (std::filesystem::is_directory(PathFromUtf8(target_), ec))
        throw FileError(path, "cannot create the file: a folder has that name");
    errno = 0;
    f_ = CreateUniqueFile(target_, "writing", temp_);
    if (!f_) throw FileError(path, Reason("cannot create the file"));
    buf_.reserve(kBlock + 4096);
}

Cp932LineWriter::Cp932LineWriter(ExclusiveLock& lockedFile, const std::string& path)
    : path_(path), target_(path) {
    errno = 0;
    f_ = lockedFile.TruncatedStream();
    if (!f_) throw FileError(path, Reason("cannot write the file"));
    buf_.reserve(kBlock + 4096);
}

Cp932LineWriter::~Cp932LineWriter() {
    if (!f_) return;
    std::fclose(f_);
    std::error_code ec;
    if (!temp_.empty()) std::filesystem::remove(PathFromUtf8(temp_), ec);
}

void Cp932LineWriter::Fail(int error) {
    if (f_) std::fclose(f_);
    f_ = nullptr;
    std::string what = "cannot write the file";
    if (error != 0) what += std::string(" (") + std::strerror(error) + ")";
    if (!temp_.empty()) {
        std::error_code ec;
        std::filesystem::remove(PathFromUtf8(temp_), ec);
        what += std::filesystem::exists(PathFromUtf8(target_), ec)
                    ? "; what was written is removed and the existing file is kept as it was"
                    : "; what was written is removed";
    }
    throw FileError(path_, what);
}

void Cp932LineWriter::WriteLine(std::string_view utf8) {
    if (IsAscii(utf8))
        buf_.append(utf8);
    else
        buf_.append(Utf8ToCp932(utf8, &stats_));
    buf_.append("\r\n");
    ++lines_;
    if (buf_.size() >= kBlock) Flush();
}

void Cp932LineWriter::WriteBytes(std::string_view bytes) {
    if (bytes.size() >= kBlock) {  // a large block goes to the file without being copied
        Flush();
        errno = 0;
        if (std::fwrite(bytes.data(), 1, bytes.size(), f_) != bytes.size()) Fail(errno);
        return;
    }
    buf_.append(bytes);
    if (buf_.size() >= kBlock) Flush();
}

void Cp932LineWriter::Flush() {
    errno = 0;
    if (!buf_.empty() && std::fwrite(buf_.data(), 1, buf_.size(), f_) != buf_.size()) Fail(errno);
    buf_.clear();
}

void Cp932LineWriter::Close() {
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
    if (!MoveFileOver(temp_, target_)) {
        const int e = errno;
        std::error_code ec;
        std::filesystem::remove(PathFromUtf8(temp_), ec);
        throw FileError(path_, std::string("cannot put the file in place (") + std::strerror(e) +
                                   "); what was written is removed");
    }
    temp_.clear();
}

std::string CancelledName(const std::string& path) {
    constexpr const char* kMark = "(中止)";
    std::size_t nameStart = path.find_last_of("/\\");
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart) return path + kMark;
    return path.substr(0, dot) + kMark + path.substr(dot);
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

std::string ReadFileBytes(const std::string& path) {
    ByteReader r(path);
    std::string out;
    while (r.Read(out, kBlock) > 0) {
    }
    return out;
}

}  // namespace trelvo::text
