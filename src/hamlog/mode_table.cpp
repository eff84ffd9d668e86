#include "hamlog/mode_table.h"

#include <algorithm>

#include "text/chars.h"

namespace trelvo::hamlog {

ModeScanResult CollectHamlogModes(HamlogLibrary& library, const std::string& HamlogDbBase, ModeTable& table,
                                  ConversionCallbacks& callbacks) {
    ModeScanResult result;
    if (library.HamlogOpen(HamlogDbBase) != 0) {
        library.HamlogClose();
        result.status = ModeScanStatus::kOpenFailed;
        return result;
    }
    result.recordCount = library.Vdbf_rcount();
    int count = 0;
    std::string buffer;
    for (int i = 1; i <= result.recordCount; ++i) {
        buffer.assign(static_cast<std::size_t>(HamlogFieldWidth(kFieldMode)), ' ');
        if (library.THW_read(i) != 0) continue;
        library.ThwString(buffer, kFieldMode);
        const std::string mode(text::Trim(buffer));
        const auto begin = table.ModeNames.begin();
        const bool known = std::any_of(begin, begin + count, [&](const std::string& name) {
            return name.find(mode) != std::string::npos;
        });
        if (!known) {
            if (count == kMaxModes) {
                result.overflow = true;
                break;
            }
            table.ModeNames[static_cast<std::size_t>(count++)] = mode;
        }
        callbacks.Progress(i);
    }
    library.HamlogClose();
    table.ModeCount = count;
    return result;
}

bool SaveModeTable(settings::IniStore& ini, const ModeTable& table) {
    ini.CurrentIniSection = "ModeName";
    for (int i = 0; i < kMaxModes; ++i)
        if (!ini.WriteIniValue("Mode" + std::to_string(i + 1) + "N",
                               table.ModeNames[static_cast<std::size_t>(i)]))
            return false;
    return ini.WriteIniValue("HAMLOG-ModeCount", std::to_string(table.ModeCount));
}

std::vector<std::string> ModeFilterEntries(const ModeTable& table) {
    std::vector<std::string> entries{"MIX"};
    const int n = std::clamp(table.ModeCount, 0, kMaxModes);
    for (int i = 0; i < n; ++i)
        if (!table.ModeNames[static_cast<std::size_t>(i)].empty())
            entries.push_back(table.ModeNames[static_cast<std::size_t>(i)]);
    return entries;
}

}  // namespace trelvo::hamlog
