#include "settings/settings_location.h"

#include <filesystem>
#include <system_error>

#include "core/platform.h"
#include "settings/ini_store.h"

namespace trelvo::settings {

SettingsLocation LocateSettings(const std::string& programFolder, const std::string& userFolder) {
    SettingsLocation beside{programFolder, DefaultIniPath(programFolder), false};
    if (FileExists(beside.iniPath) || FolderWritable(programFolder) || userFolder.empty()) return beside;
    std::error_code ec;
    std::filesystem::create_directories(PathFromUtf8(userFolder), ec);
    if (!FolderWritable(userFolder)) return beside;
    return {userFolder, DefaultIniPath(userFolder), true};
}

SettingsLocation LocateSettings(const std::string& programFolder) {
    return LocateSettings(programFolder, UserConfigFolder());
}

}  // namespace trelvo::settings
