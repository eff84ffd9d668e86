#include "tools/contest_code_table.h"

#include "text/chars.h"
#include "text/cp932.h"
#include "text/io.h"

namespace trelvo::tools {

ContestCodeTable::ContestCodeTable(std::string path, std::vector<CodeTableEntry> entries)
    : path_(std::move(path)), entries_(std::move(entries)) {
    for (std::size_t i = entries_.size(); i-- > 0;) first_[entries_[i].key] = i;
}

const std::string* ContestCodeTable::Find(std::string_view key) const {
    const auto it = first_.find(std::string(key));
    return it == first_.end() ? nullptr : &entries_[it->second].value;
}

std::string CodeTableLoad::ErrorMessage() const {
    std::string m = std::string(kCodeTableDataErrors) + "\r\n";
    for (const std::string& l : errorLines) m += l + "\r\n";
    return m;
}

CodeTableLoad LoadContestCodeTable(const std::string& path) {
    return LoadContestCodeTable(path, nullptr);
}

CodeTableLoad LoadContestCodeTable(const std::string& path, const std::string_view* bytes) {
    CodeTableLoad load;
    const std::size_t cut = path.find_last_of("/\\");
    load.caption = cut == std::string::npos ? path : path.substr(cut + 1);
    text::ByteReader in(path, bytes);
    std::vector<CodeTableEntry> entries;
    std::string raw;
    while (in.ReadLine(raw, text::LineEnds::CrLfCrOrLf)) {
        const std::string line = text::IsAscii(raw) ? raw : text::Cp932ToUtf8(raw);
        if (text::StartsWith(text::TrimLeft(line), "#")) continue;
        const std::size_t c1 = line.find(',');
        const std::size_t c2 = c1 == std::string::npos ? c1 : line.find(',', c1 + 1);
        if (c1 == std::string::npos || c1 == 0 || c2 == std::string::npos || c2 < c1 + 2) {
            load.errorLines.push_back(line);
            continue;
        }
        const std::string key = line.substr(0, c1);
        const std::string value = line.substr(c1 + 1, c2 - c1 - 1);
        load.caption += "\r\n" + key + "  " + value + "  " + line.substr(c2 + 1);
        entries.push_back({std::string(text::Trim(key)), std::string(text::Trim(value))});
    }
    if (!entries.empty())
        load.table = ContestCodeTable(path, std::move(entries));
    else
        load.caption = kCodeTableIdleCaption;
    return load;
}

}  // namespace trelvo::tools
