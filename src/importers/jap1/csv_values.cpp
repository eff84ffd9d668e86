#include "importers/jap1/csv_values.h"

#include "text/cp932.h"

namespace trelvo::jap1 {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

void DropTrailingBlanks(std::string& s) {
    while (!s.empty() && IsBlank(s.back())) s.pop_back();
}

}  // namespace

bool CsvValueReader::NextLine() {
    if (!in_.ReadLine(raw_, text::LineEnds::CrLfCrOrLf)) {
        open_ = false;
        return false;
    }
    text::ConversionStats stats;
    text::Cp932ToUtf8Into(raw_, line_, &stats);
    invalid_ += stats.invalid;
    pos_ = 0;
    open_ = true;
    return true;
}

bool CsvValueReader::SkipLine() {
    open_ = false;
    return in_.ReadLine(raw_, text::LineEnds::CrLfCrOrLf);
}

bool CsvValueReader::StartRecord() {
    if (open_) return true;
    while (NextLine()) {
        for (char c : line_)
            if (!IsBlank(c)) return true;
    }
    return false;
}

bool CsvValueReader::Next(std::string& value) {
    value.clear();
    if (!open_ && !NextLine()) return false;
    const std::size_t n = line_.size();
    std::size_t i = pos_;
    while (i < n && IsBlank(line_[i])) ++i;
    if (i < n && line_[i] == '"') {
        const std::size_t close = line_.find('"', i + 1);
        if (close == std::string::npos) {
            value.assign(line_, i + 1, std::string::npos);
            i = n;
        } else {
            value.assign(line_, i + 1, close - i - 1);
            i = close + 1;
            while (i < n && IsBlank(line_[i])) ++i;
            const std::size_t comma = line_.find(',', i);
            std::string tail = line_.substr(i, comma == std::string::npos ? std::string::npos : comma - i);
            DropTrailingBlanks(tail);
            value += tail;
            i = comma == std::string::npos ? n : comma;
        }
    } else {
        const std::size_t comma = line_.find(',', i);
        value.assign(line_, i, comma == std::string::npos ? std::string::npos : comma - i);
        DropTrailingBlanks(value);
        i = comma == std::string::npos ? n : comma;
    }
    if (i < n && line_[i] == ',') {
        pos_ = i + 1;
        open_ = true;
    } else {
        pos_ = n;
        open_ = false;
    }
    return true;
}

std::string CsvValueReader::DropRestOfLine() {
    std::string rest = open_ ? line_.substr(pos_) : std::string();
    pos_ = line_.size();
    open_ = false;
    return rest;
}

std::size_t CsvValueReader::TakeInvalidBytes() {
    std::size_t n = invalid_;
    invalid_ = 0;
    return n;
}

}  // namespace trelvo::jap1
