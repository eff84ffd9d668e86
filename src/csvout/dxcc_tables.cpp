#include "csvout/dxcc_tables.h"

#include "core/platform.h"
#include "settings/file_search.h"
#include "text/chars.h"
#include "text/cp932.h"
#include "text/io.h"
#include "text/numfmt.h"

namespace trelvo::csvout {

DxccTable DxccTable::Load(const std::string& path) {
    DxccTable t;
    t.path_ = path;
    if (path.empty()) return t;
    std::string bytes;
    try {
        bytes = text::ReadFileBytes(path);
    } catch (...) {
        return t;
    }
    for (std::string line : text::Split(bytes, '\n')) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string_view trimmed = text::TrimBlanks(line);
        if (trimmed.empty() || trimmed.front() == '#') continue;
        std::size_t tab = line.find('\t');
        if (tab == std::string::npos) {
            ++t.badLines_;
            continue;
        }
        auto key = text::WholeNumber(line.substr(0, tab));
        std::string value(text::TrimBlanks(text::Cp932ToUtf8(line.substr(tab + 1))));
        if (!key || *key < 0) {
            ++t.badLines_;
            continue;
        }
        t.entries_.emplace(*key, text::CharLeft(value, kDxccValueMaxChars));
    }
    return t;
}

std::string InstalledDataFolder(const std::string& programFolder) {
    return JoinPath(JoinPath(JoinPath(programFolder, ".."), "share"), "trelvo5");
}

std::string DxccTable::Locate(const std::string& fileName, const std::string& programFolder) {
    std::string path = settings::SearchFilePath(fileName, programFolder);
    // An installed program keeps its tables in the data folder beside its bin folder.
    if (path.empty()) {
        const std::string installed = JoinPath(InstalledDataFolder(programFolder), fileName);
        if (FileExists(installed)) path = installed;
    }
    return path;
}

DxccTable DxccTable::Find(const std::string& fileName, const std::string& programFolder) {
    return Load(Locate(fileName, programFolder));
}

std::string DxccTable::Lookup(long long number) const {
    auto it = entries_.find(number);
    return it == entries_.end() ? std::string() : it->second;
}

DxccTables DxccTables::Find(const std::string& programFolder) {
    return {DxccTable::Find(kAdifToHamlogTableFile, programFolder),
            DxccTable::Find(kHamlogToAdifTableFile, programFolder)};
}

std::string LookupAdifToHamlogCode(const DxccTables& tables, long long number) {
    return tables.adifToHamlog.Lookup(number);
}

std::string LookupHamlogToAdifCode(const DxccTables& tables, long long number) {
    return tables.hamlogToAdif.Lookup(number);
}

}  // namespace trelvo::csvout
