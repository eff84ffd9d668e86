// The settings file: one INI file read and written key by key, with the behaviour of the
// Windows private-profile calls the program was designed around.
//
//  * A missing key reads back as the section name; callers compare with it and apply their
//    own default. An empty value is a present value.
//  * A value reads back cut to 127 CP932 bytes and at the first NUL.
//  * Section and key names match without regard to ASCII case.
//  * A write changes only the line of its key (or adds the key, or the section) and keeps
//    every other line of the file byte for byte, comments and order included.
//  * The file is CP932 text with CR LF line ends; a file saved as UTF-8 with a byte-order mark
//    (as Windows editors do) is read as UTF-8 when it is valid UTF-8, and then written as
//    UTF-8 with its mark kept.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/message.h"

namespace trelvo::settings {

inline constexpr const char* kIniFileName = "TRELVO5.INI";
inline constexpr std::size_t kIniValueMaxBytes = 127;

class IniStore {
public:
    explicit IniStore(std::string path) : path_(std::move(path)) {}
    // A store over the bytes of `memory` instead of a file (`path` only names it): reads take
    // them, writes replace them. No file is touched (the fuzzer runs the store so).
    IniStore(std::string path, std::string* memory) : path_(std::move(path)), memory_(memory) {}

    // The section that the next reads and writes use.
    std::string CurrentIniSection;

    // Reads `key` of `CurrentIniSection` into `value`; a missing key yields the section name.
    void ReadIniValue(const std::string& key, std::string& value) const;
    // Writes the pair into `CurrentIniSection`, creating the file, section or key as needed.
    // False when the file could not be written (a read-only place, a full disk, a folder of
    // that name); WriteError() then says why and the file is as it was.
    bool WriteIniValue(const std::string& key, const std::string& value);
    const Message& WriteError() const { return writeError_; }

    // Reads section/key and applies `def` when the key reads as missing.
    std::string ReadOr(const std::string& section, const std::string& key, const std::string& def);

    const std::string& Path() const { return path_; }

private:
    bool Failed(const char* why, int error = 0);
    bool Load(std::string& bytes) const;

    // The lines of the bytes last read, parsed once: a read is made for every key, and the
    // bytes are read again each time (another program may have changed the file), but they
    // are parsed again only when they differ from the last ones.
    struct ParsedLine {
        bool section = false;                     // "[name]"; else a "key=value" line
        std::uint32_t nameAt = 0, nameLen = 0;    // section name or key, in `parsedBytes_`
        std::uint32_t valueAt = 0, valueLen = 0;  // value (key lines)
    };
    void Parse(std::string_view bytes) const;

    std::string path_;
    std::string* memory_ = nullptr;
    Message writeError_;
    mutable bool parsed_ = false;
    mutable std::string parsedBytes_;
    mutable std::vector<ParsedLine> parsedLines_;
};

// Throws Error naming the file and the system's reason when a settings file exists but
// cannot be read as one (a folder, no permission). A file that does not exist is fine: every
// key then reads as missing.
void CheckIniReadable(const std::string& path);

// "TRELVO5.INI" in the given (program) folder.
std::string DefaultIniPath(const std::string& programFolder);

}  // namespace trelvo::settings
