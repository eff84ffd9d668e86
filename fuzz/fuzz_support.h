// Shared by the fuzz targets. Every target runs its reader on the bytes in memory: no file is
// written, nothing is synced, so a target runs thousands of inputs a second.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/callbacks.h"

namespace trelvo::fuzz {

inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Answers Yes to every question so that the deepest paths run. The first warnings of each
// input are rendered as a user would read them; an input that raises hundreds of warnings
// (every broken tag of a long line) does not spend its time formatting the rest.
class YesCallbacks : public ConversionCallbacks {
public:
    bool AskYesNo(const std::string&) override { return true; }
    void Warning(const Message& message) override {
        if (rendered_ < kRendered) {
            ++rendered_;
            ConversionCallbacks::Warning(message);
        }
    }
    using ConversionCallbacks::Warning;

private:
    static constexpr int kRendered = 2;
    int rendered_ = 0;
};

// Answers Yes too, and keeps what was said, for targets that compare two ways of converting:
// every question, the first warnings as text and how many there were.
class RecordingCallbacks : public ConversionCallbacks {
public:
    struct Said {
        std::vector<std::string> questions, warnings;
        long long warningCount = 0;
        bool operator==(const Said&) const = default;
    };
    bool AskYesNo(const std::string& question) override {
        said_.questions.push_back(question);
        return true;
    }
    void Warning(const std::string& message) override {
        if (++said_.warningCount <= kKept) said_.warnings.push_back(message);
    }
    void Warning(const Message& message) override {
        if (said_.warningCount < kKept)
            ConversionCallbacks::Warning(message);
        else
            ++said_.warningCount;
    }
    const Said& said() const { return said_; }

private:
    static constexpr long long kKept = 16;
    Said said_;
};

// Takes bytes off the front of the input: a choice of options, then the rest.
class Picker {
public:
    Picker(const std::uint8_t* data, std::size_t size) : rest_(Bytes(data, size)) {}
    unsigned Byte() {
        if (rest_.empty()) return 0;
        const auto b = static_cast<unsigned char>(rest_.front());
        rest_.remove_prefix(1);
        return b;
    }
    // Up to `n` bytes, or up to the next NUL when that comes first.
    std::string_view Text(std::size_t n) {
        std::size_t len = std::min(n, rest_.size());
        const std::size_t nul = rest_.substr(0, len).find('\0');
        if (nul != std::string_view::npos) len = nul;
        const std::string_view t = rest_.substr(0, len);
        rest_.remove_prefix(std::min(rest_.size(), len + 1));
        return t;
    }
    std::string_view Rest() const { return rest_; }
    bool Empty() const { return rest_.empty(); }

private:
    std::string_view rest_;
};

}  // namespace trelvo::fuzz
