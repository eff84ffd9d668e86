// The window's conversion modes. The numbers are those the program has always used for them
// (kept in `ConversionMode`, and by the export kinds, which share the numbers 2, 4, 5 and 6).
#pragma once

namespace trelvo::app {

enum ConversionModeNumber : int {
    kModeNone = 0,  // no command chosen yet: Convert runs the remembered DigiPan log
    kModeDigipanImport = 1,
    kModeAdifExport = 2,
    kModeAdifImport = 3,
    kModeCsvExport = 4,
    kModeBackupTextExport = 5,
    kModeCsv5Export = 6,
    kModeZlogImport = 7,
    kModeJap1Import = 9,
};

}  // namespace trelvo::app
