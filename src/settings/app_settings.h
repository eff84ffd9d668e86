// The settings of the application shell, read from the settings file with their defaults.
#pragma once

#include <array>
#include <string>

#include "settings/ini_store.h"

namespace trelvo::settings {

// The five QSL marks of section "QSLcfg".
struct QslMarks {
    std::string issue = "J";     // "Jmark"
    std::string sent = "*";      // "SentMark"
    std::string rcvd = "*";      // "RcvMark"
    std::string adifSent = "Y";  // "ADIFsentMark"
    std::string adifRcvd = "Y";  // "ADIFrcvMark"
};

struct ShellSettings {
    std::string geneDataFolder;  // with a trailing separator
    bool geneDataFolderStored = false;
    std::string editorPath;      // "NOTEPAD.EXE" when not set
    std::string digipanLogPath;  // empty when not set
    QslMarks marks;
    std::string hamlogDbPath;  // empty when not set
    int modeCount = 1;
    std::array<std::string, 12> modeNames;
    std::string adifLogFolder;  // start folder of the save dialogs
};

// Reads every key of the shell with the defaults applied (the GeneData folder beside the
// settings file the program uses). Writes nothing.
ShellSettings LoadShellSettings(IniStore& ini, const std::string& programFolder);

// Reads the five QSL marks.
QslMarks LoadQslMarks(IniStore& ini);
// Writes the five QSL marks (the window does this when it closes).
void SaveQslMarks(IniStore& ini, const QslMarks& marks);

// The window's option choices, remembered between runs in a section of our own,
// "TRELVO5-UI" (the other sections keep their meaning).
inline constexpr const char* kUiSection = "TRELVO5-UI";
// "Lang=ja" or "Lang=en", set by hand: the language of our own texts (the command line's
// --lang overrides it; without either the user's locale decides). Read only.
inline constexpr const char* kUiLangKey = "Lang";
struct UiOptions {
    bool qslIssue = false;  // Check1
    bool qslSent = false;   // Check2
    bool qslRcvd = false;   // Check4
    bool jstForJa = false;  // Check3
    int freqChoice = 0;     // Option1(0..3)
    std::string fixedText;  // the mapping window's fixed text
    // "LegacyCut=1", set by hand: names, QTHs and remarks are cut to their byte widths by the
    // old rule (a last byte in a lead-byte range is dropped) instead of at a character boundary.
    // Read only; never written.
    bool legacyCut = false;
};
UiOptions LoadUiOptions(IniStore& ini);
void SaveUiOptions(IniStore& ini, const UiOptions& options);

// The default generated-data folder: "GeneData" in the program folder, with a separator.
std::string DefaultGeneDataFolder(const std::string& programFolder);

}  // namespace trelvo::settings
