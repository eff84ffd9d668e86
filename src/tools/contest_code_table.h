// A user-written table that turns contest numbers which are not area codes (letters standing
// for a city, for example) into Turbo HAMLOG codes: "NU,1803,沼津市" maps NU to 1803.
//
// The file (*.TBL) is CP932 text, one entry per line. A line whose first non-blank character
// is "#" is a comment; a data line is key, value and a free description separated by the first
// two commas (key and value not empty); every other line, an empty one included, is an error
// line, reported and otherwise ignored.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace trelvo::tools {

inline constexpr const char* kCodeTableIdleCaption = "TRELVOでいうｺﾝﾃｽﾄﾅﾝﾊﾞｰとはRS(T)を除いた部分です";
inline constexpr const char* kCodeTableNoData = "データが一件もありませんでした";
inline constexpr const char* kCodeTableDataErrors = "データ部にエラーがあります";
inline constexpr const char* kCodeTableButton = "独特のｺﾝﾃｽﾄﾅﾝﾊﾞｰﾃｰﾌﾞﾙを読み込む";
inline constexpr const char* kCodeTableDialogTitle = "コードテーブル選択";
inline constexpr const char* kCodeTableDialogFilter = "コードテーブル(*.TBL)|*.tbl";

struct CodeTableEntry {
    std::string key;    // trimmed of spaces
    std::string value;  // trimmed of spaces
};

class ContestCodeTable {
public:
    ContestCodeTable() = default;
    ContestCodeTable(std::string path, std::vector<CodeTableEntry> entries);

    bool Loaded() const { return !entries_.empty(); }
    const std::string& Path() const { return path_; }
    // Entries 0..Count()-1 in file order.
    const std::vector<CodeTableEntry>& Entries() const { return entries_; }
    // The value of the first entry whose key equals `key` exactly, or nullptr.
    const std::string* Find(std::string_view key) const;

private:
    std::string path_;
    std::vector<CodeTableEntry> entries_;
    std::unordered_map<std::string, std::size_t> first_;
};

// What reading a table file found.
struct CodeTableLoad {
    ContestCodeTable table;               // not loaded when no line was valid
    std::string caption;                  // file name, then CR LF + key "  " value "  " description per entry
    std::vector<std::string> errorLines;  // in file order

    // The message for the error lines: kCodeTableDataErrors, CR LF, each line and CR LF.
    std::string ErrorMessage() const;
};

// Reads the table. Throws FileError when the file cannot be read; the caller keeps the table
// in force then, and when the result is not loaded (kCodeTableNoData).
CodeTableLoad LoadContestCodeTable(const std::string& path);
// The same from `bytes` in memory when they are given (`path` then only names them).
CodeTableLoad LoadContestCodeTable(const std::string& path, const std::string_view* bytes);

}  // namespace trelvo::tools
