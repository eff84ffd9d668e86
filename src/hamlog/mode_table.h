// The mode table: the distinct mode names of the database's contacts (at most 12), kept in
// the settings file and offered as the export mode filter.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/callbacks.h"
#include "hamlog/hamlog_library.h"
#include "settings/ini_store.h"

namespace trelvo::hamlog {

inline constexpr int kMaxModes = 12;

// What the window holds: ModeNames[0..11] are the names 1 to 12.
struct ModeTable {
    std::array<std::string, kMaxModes> ModeNames;
    int ModeCount = 1;
};

enum class ModeScanStatus {
    kDone,        // show kMsgModesDone (after kMsgTooManyModes when `overflow`)
    kOpenFailed,  // show kMsgCannotOpenDb; the table is unchanged
};

struct ModeScanResult {
    ModeScanStatus status = ModeScanStatus::kDone;
    int recordCount = 0;
    bool overflow = false;  // a 13th name was met: show kMsgTooManyModes; the rest was not read
};

// Opens the database, reads the Mode field of every record that can be read and collects the
// names: a mode is new unless it occurs (case-sensitive) inside a name collected in this run,
// so TTY after RTTY is not added. Names beyond the new ModeCount keep what they held.
// Progress is reported once per record. The database is closed again.
ModeScanResult CollectHamlogModes(HamlogLibrary& library, const std::string& HamlogDbBase, ModeTable& table,
                                  ConversionCallbacks& callbacks);

// Writes "Mode1N" ... "Mode12N" (all twelve) and "HAMLOG-ModeCount" in section "ModeName".
// False when the settings file could not be written (ini.WriteError() says why).
bool SaveModeTable(settings::IniStore& ini, const ModeTable& table);

// The entries of the export mode filter: "MIX", then each non-empty name 1 to ModeCount.
std::vector<std::string> ModeFilterEntries(const ModeTable& table);

}  // namespace trelvo::hamlog
