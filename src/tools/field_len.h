// What the field-length window shows: the widths of the HAMLOG database that the ADIF import
// cuts its values to.
#pragma once

#include <array>
#include <string>

#include "hamlog/hdb_header.h"

namespace trelvo::tools {

inline constexpr const char* kFieldLenCaption = "Turbo HAMLOGの各ﾃﾞｰﾀ項目長";
inline constexpr const char* kFieldLenHeading =
    "ADIFからHAMLOG用のCSVを作成するときは以下の文字数制限（カット）をします";

struct FieldLenEntry {
    std::string title;  // caption of Label3(i)
    int width = 0;      // shown by Label2(i)
};

// The eight entries in window order: Call (the callsign width, fields 1 + 2), Freq, Mode,
// My, His, Name, QTH, Remk.
std::array<FieldLenEntry, 8> FieldLenEntries(const hamlog::HdbFieldLengths& lengths);

}  // namespace trelvo::tools
