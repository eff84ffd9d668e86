// Where the settings file and the generated data live. The rule of the program is "beside
// the program"; when the program sits in a folder its user cannot write (a system folder, an
// installed copy) and that folder holds no settings file yet, the user's own settings folder
// is used instead, created on first use. The window and the command line share this rule.
#pragma once

#include <string>

namespace trelvo::settings {

struct SettingsLocation {
    std::string folder;       // where TRELVO5.INI and the default GeneData folder are
    std::string iniPath;      // TRELVO5.INI in `folder`
    bool userFolder = false;  // true when the program's folder could not be used
};

// The location for a program in `programFolder`. `userFolder` is the fallback (normally
// UserConfigFolder()); it is created when it is chosen. When it cannot be used either, the
// program's folder is kept (writes then fail quietly, as with a read-only settings file).
SettingsLocation LocateSettings(const std::string& programFolder, const std::string& userFolder);
// The same with the user's settings folder of this system.
SettingsLocation LocateSettings(const std::string& programFolder);

}  // namespace trelvo::settings
