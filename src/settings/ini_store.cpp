#include "settings/ini_store.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "core/errors.h"
#include "core/platform.h"
#include "text/chars.h"
#include "text/cp932.h"
#include "text/io.h"

namespace trelvo::settings {
namespace {

struct Line {
    std::string text;  // CP932 bytes without the line end
    std::string end;   // "\r\n", "\n", "\r" or "" (last line)
};

std::vector<Line> SplitLines(const std::string& bytes) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t e = bytes.find_first_of("\r\n", pos);
        if (e == std::string::npos) {
            lines.push_back({bytes.substr(pos), ""});
            break;
        }
        std::size_t endLen = (bytes[e] == '\r' && e + 1 < bytes.size() && bytes[e + 1] == '\n') ? 2 : 1;
        lines.push_back({bytes.substr(pos, e - pos), bytes.substr(e, endLen)});
        pos = e + endLen;
    }
    return lines;
}

std::string_view TrimWs(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return s.substr(b, e - b);
}

// "[name]" gives name; anything else nullopt-like (empty + false).
bool SectionName(std::string_view line, std::string_view& name) {
    std::string_view t = TrimWs(line);
    if (t.size() < 2 || t.front() != '[') return false;
    std::size_t close = t.find(']');
    if (close == std::string_view::npos) return false;
    name = TrimWs(t.substr(1, close - 1));
    return true;
}

bool KeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    key = TrimWs(line.substr(0, eq));
    value = TrimWs(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return true;
}

std::string CutAtNul(const std::string& s) {
    return s.substr(0, s.find('\0'));
}
std::string_view CutAtNulView(std::string_view s) {
    return s.substr(0, s.find('\0'));
}

bool ReadAll(const std::string& path, std::string& bytes) {
    if (!FileExists(path)) return false;
    try {
        bytes = text::ReadFileBytes(path);
        return true;
    } catch (...) {
        return false;
    }
}

// The settings file is CP932; a file that starts with a UTF-8 byte-order mark and is valid
// UTF-8 after it (as Windows editors save it) is read and written as UTF-8 and keeps its mark.
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

struct IniText {
    std::string bom;    // the byte-order mark the file starts with, or empty
    bool utf8 = false;  // the text after it is UTF-8
    std::string body;   // the bytes after the mark

    // A name or value of the program (UTF-8) in the file's encoding.
    std::string Encode(const std::string& utf8Text) const {
        return utf8 ? utf8Text : text::Utf8ToCp932(utf8Text);
    }
};

IniText SplitBom(std::string bytes) {
    IniText t;
    if (bytes.compare(0, kUtf8Bom.size(), kUtf8Bom) == 0) {
        t.bom = kUtf8Bom;
        bytes.erase(0, kUtf8Bom.size());
        t.utf8 = text::IsAscii(bytes) || text::LooksLikeUtf8(bytes);
    }
    t.body = std::move(bytes);
    return t;
}

}  // namespace

void CheckIniReadable(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path p = PathFromUtf8(path);
    const auto st = std::filesystem::status(p, ec);
    if (ec || !std::filesystem::exists(st)) return;
    Message reason;
    if (std::filesystem::is_directory(st)) {
        reason = SystemErrorMessage(EISDIR);
    } else if (std::FILE* f = OpenFile(path, "rb")) {
        std::fclose(f);
        return;
    } else {
        reason = SystemErrorMessage(errno);
    }
    throw Error(Message("settings.cannot-read").Arg("file", path).Arg("reason", reason));
}

std::string DefaultIniPath(const std::string& programFolder) {
    return JoinPath(programFolder, kIniFileName);
}

void IniStore::Parse(std::string_view bytes) const {
    if (parsed_ && bytes == parsedBytes_) return;
    parsedBytes_.assign(bytes);
    parsedLines_.clear();
    parsed_ = true;
    const std::string_view all(parsedBytes_);
    const std::size_t start = all.substr(0, kUtf8Bom.size()) == kUtf8Bom ? kUtf8Bom.size() : 0;
    const char* const base = all.data();
    auto offset = [base](std::string_view part) { return static_cast<std::uint32_t>(part.data() - base); };
    auto size = [](std::string_view part) { return static_cast<std::uint32_t>(part.size()); };
    // The next CR and the next LF are each searched for only once they have been passed.
    auto next = [&](char c, std::size_t from) {
        const void* hit = from < all.size() ? std::memchr(base + from, c, all.size() - from) : nullptr;
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - base) : all.size();
    };
    std::size_t cr = next('\r', start), lf = next('\n', start);
    for (std::size_t pos = start; pos < all.size();) {
        if (cr < pos) cr = next('\r', pos);
        if (lf < pos) lf = next('\n', pos);
        const std::size_t e = std::min(cr, lf);
        const std::string_view lineText = all.substr(pos, e - pos);
        pos = e + ((e + 1 < all.size() && all[e] == '\r' && all[e + 1] == '\n') ? 2 : 1);
        std::string_view name, k, v;
        if (SectionName(lineText, name))
            parsedLines_.push_back({true, offset(name), size(name), 0, 0});
        else if (KeyValue(lineText, k, v))
            parsedLines_.push_back({false, offset(k), size(k), offset(v), size(v)});
    }
}

void IniStore::ReadIniValue(const std::string& key, std::string& value) const {
    const std::string_view section = CutAtNulView(CurrentIniSection);
    std::string found(section);  // the default handed to the platform
    {
        std::string storage;  // a file that cannot be read reads as an empty one: every key missing
        if (!memory_ && !ReadAll(path_, storage)) storage.clear();
        Parse(memory_ ? std::string_view(*memory_) : std::string_view(storage));
    }
    const std::string_view all(parsedBytes_);
    const bool hasBom = all.substr(0, kUtf8Bom.size()) == kUtf8Bom;
    const bool utf8 = hasBom && (text::IsAscii(all.substr(kUtf8Bom.size())) ||
                                 text::LooksLikeUtf8(all.substr(kUtf8Bom.size())));
    // Names are converted to the file's encoding only when they are not ASCII.
    std::string sectionBytes, keyBytes;
    auto encode = [utf8](std::string_view name, std::string& converted) -> std::string_view {
        if (utf8 || text::IsAscii(name)) return name;
        converted = text::Utf8ToCp932(name);
        return converted;
    };
    const std::string_view wantSection = encode(section, sectionBytes);
    const std::string_view wantKey = encode(CutAtNulView(key), keyBytes);
    bool inSection = false;
    for (const ParsedLine& line : parsedLines_) {
        const std::string_view name = all.substr(line.nameAt, line.nameLen);
        if (line.section) {
            if (inSection) break;  // only the first section of the name counts
            inSection = text::EqualsNoCase(name, wantSection);
            continue;
        }
        if (!inSection || !text::EqualsNoCase(name, wantKey)) continue;
        const std::string_view v = all.substr(line.valueAt, line.valueLen);
        const std::string_view raw = v.substr(0, v.find('\0'));
        if (utf8) {
            found.assign(raw);  // cut below, counted in CP932 bytes as for any value
            break;
        }
        std::string_view kept = raw.substr(0, kIniValueMaxBytes);
        // A cut that divided a double-byte character drops its lead byte.
        std::size_t i = 0, complete = 0;
        while (i < kept.size()) {
            std::size_t n = text::IsCp932LeadByte(static_cast<unsigned char>(kept[i])) ? 2 : 1;
            if (i + n > kept.size()) break;
            i += n;
            complete = i;
        }
        found = text::Cp932ToUtf8(kept.substr(0, complete));
        break;
    }
    if (found.size() > kIniValueMaxBytes && text::Cp932ByteLength(found) > kIniValueMaxBytes)
        found = text::Cp932CutLeadByteRule(found, kIniValueMaxBytes);
    value = std::move(found);
}

std::string IniStore::ReadOr(const std::string& section, const std::string& key, const std::string& def) {
    CurrentIniSection = section;
    std::string v;
    ReadIniValue(key, v);
    return v == section ? def : v;
}

bool IniStore::WriteIniValue(const std::string& key, const std::string& value) {
    std::string bytes;
    IniText file;
    if (Load(bytes)) file = SplitBom(bytes);
    const std::string section = file.Encode(CutAtNul(CurrentIniSection));
    const std::string k = file.Encode(CutAtNul(key));
    const std::string v = file.Encode(CutAtNul(value));
    const std::string newLine = k + "=" + v;
    std::vector<Line> lines = SplitLines(file.body);
    const std::string eol = (!lines.empty() && lines.front().end == "\n") ? "\n" : "\r\n";

    std::size_t sectionAt = lines.size();
    std::size_t insertAt = lines.size();  // after the last key line of the section
    bool replaced = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view name;
        if (SectionName(lines[i].text, name)) {
            if (sectionAt != lines.size()) break;
            if (text::EqualsNoCase(name, section)) {
                sectionAt = i;
                insertAt = i + 1;
            }
            continue;
        }
        if (sectionAt == lines.size()) continue;
        std::string_view lk, lv;
        if (KeyValue(lines[i].text, lk, lv)) {
            if (text::EqualsNoCase(lk, k)) {
                lines[i].text = newLine;
                replaced = true;
                break;
            }
        }
        if (!TrimWs(lines[i].text).empty()) insertAt = i + 1;
    }
    if (!replaced) {
        if (!lines.empty() && lines.back().end.empty()) lines.back().end = eol;
        if (sectionAt == lines.size()) {
            lines.push_back({"[" + section + "]", eol});
            lines.push_back({newLine, eol});
        } else {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), Line{newLine, eol});
        }
    }
    std::string out = file.bom;
    out.reserve(bytes.size() + newLine.size() + 8);
    for (const Line& l : lines) out += l.text + l.end;
    if (memory_) {
        *memory_ = std::move(out);
        return true;
    }

    // Write beside the file, then move over it, so a failed write never leaves half a file. A
    // settings file that is a symbolic link is written through: the file it names is replaced.
    const std::string target = FollowLinks(path_);
    std::error_code ec;
    if (std::filesystem::is_directory(PathFromUtf8(target), ec)) return Failed("settings.write.is-folder");
    std::string tmp;
    errno = 0;
    std::FILE* f = CreateUniqueFile(target, "writing", tmp);
    if (!f) return Failed("settings.write.cannot-create", errno);
    errno = 0;
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    int e = errno;
    if (!SyncAndClose(f) && ok) {
        ok = false;
        e = errno;
    }
    if (ok && !MoveFileOver(tmp, target)) {
        ok = false;
        e = errno;
    }
    if (!ok) {
        std::filesystem::remove(PathFromUtf8(tmp), ec);
        return Failed("settings.write.cannot-write", e);
    }
    return true;
}

bool IniStore::Load(std::string& bytes) const {
    if (!memory_) return ReadAll(path_, bytes);
    bytes = *memory_;
    return true;
}

bool IniStore::Failed(const char* why, int error) {
    writeError_ = error == 0 ? Message(why)
                             : Message("cli.reason-detail")
                                   .Arg("message", Message(why))
                                   .Arg("detail", SystemErrorMessage(error));
    return false;
}

}  // namespace trelvo::settings
