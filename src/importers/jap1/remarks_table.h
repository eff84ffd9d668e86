// The remarks table "remconv.txt": pairs of texts; a JAP1 remark equal to a from-text is
// replaced by its to-text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/callbacks.h"

namespace trelvo::jap1 {

inline constexpr const char* kRemarksTableName = "remconv.txt";
// The table holds this many pairs; pairs after them are reported and not used.
inline constexpr std::size_t kRemarksTableSize = 100;

struct RemarksPair {
    std::string from;
    std::string to;
};

struct RemarksConversionTable {
    std::vector<RemarksPair> pairs;  // in file order, at most kRemarksTableSize
    std::string path;                // the file read; empty when there was none
    long long linesNotRead = 0;      // non-blank lines after the last pair the table holds

    // The to-text of the first pair whose from-text equals `remarks` exactly, or nullptr.
    const std::string* Find(std::string_view remarks) const;
};

// Reads the pairs: two comma-separated values each (quotes allowed), one pair after another
// to the end of the file. A pair that is not two values on one line, a from-text without its
// to-text and the lines beyond the table's size are reported through `callbacks.Warning`.
// Throws FileError when the file cannot be read.
RemarksConversionTable ReadRemarksConversionTable(const std::string& path, ConversionCallbacks& callbacks);

// The table a run uses when none is named: "remconv.txt" found by the system file search
// (the program folder first, then the current folder and the search path). Empty when there
// is none.
std::string FindRemarksConversionTable(const std::string& programFolder);

}  // namespace trelvo::jap1
