// DXCC code conversion between ADIF entity numbers and Turbo HAMLOG codes.
//
// The two tables are data files beside the program, "ADIF2HL.txt" (ADIF entity number ->
// HAMLOG code) and "HL2ADIF.txt" (first three digits of a HAMLOG DX code -> ADIF entity
// number). Each line is "number<TAB>value"; lines starting with '#' and blank lines are
// ignored; the files are CP932. A missing file or entry gives an empty value.
#pragma once

#include <string>
#include <unordered_map>

namespace trelvo::csvout {

inline constexpr const char* kAdifToHamlogTableFile = "ADIF2HL.txt";
inline constexpr const char* kHamlogToAdifTableFile = "HL2ADIF.txt";
inline constexpr std::size_t kDxccValueMaxChars = 9;

class DxccTable {
public:
    DxccTable() = default;
    // Loads the file; a missing file leaves the table empty. Lines that are not
    // "number<TAB>value" are counted in `BadLines`.
    static DxccTable Load(const std::string& path);
    // Finds the file by name (beside the program first, then in the current folder and on
    // PATH, then in the installed data folder) and loads it.
    static DxccTable Find(const std::string& fileName, const std::string& programFolder);
    // The path Find would load; empty when there is none.
    static std::string Locate(const std::string& fileName, const std::string& programFolder);

    // The value for `number` cut to nine characters, or empty.
    std::string Lookup(long long number) const;

    std::size_t Size() const { return entries_.size(); }
    int BadLines() const { return badLines_; }
    const std::string& Path() const { return path_; }

private:
    std::unordered_map<long long, std::string> entries_;
    int badLines_ = 0;
    std::string path_;
};

// The two tables, loaded once per run by whoever needs them.
struct DxccTables {
    DxccTable adifToHamlog;
    DxccTable hamlogToAdif;
    static DxccTables Find(const std::string& programFolder);
};

// Where an installed program keeps its data: "../share/trelvo5" from its folder.
std::string InstalledDataFolder(const std::string& programFolder);

std::string LookupAdifToHamlogCode(const DxccTables& tables, long long number);
std::string LookupHamlogToAdifCode(const DxccTables& tables, long long number);

}  // namespace trelvo::csvout
