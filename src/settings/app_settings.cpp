#include "settings/app_settings.h"

#include <algorithm>

#include "core/platform.h"
#include "settings/settings_location.h"
#include "text/numfmt.h"

namespace trelvo::settings {

std::string DefaultGeneDataFolder(const std::string& programFolder) {
    return JoinPath(JoinPath(programFolder, "GeneData"), "");
}

QslMarks LoadQslMarks(IniStore& ini) {
    QslMarks m;
    m.issue = ini.ReadOr("QSLcfg", "Jmark", m.issue);
    m.sent = ini.ReadOr("QSLcfg", "SentMark", m.sent);
    m.rcvd = ini.ReadOr("QSLcfg", "RcvMark", m.rcvd);
    m.adifSent = ini.ReadOr("QSLcfg", "ADIFsentMark", m.adifSent);
    m.adifRcvd = ini.ReadOr("QSLcfg", "ADIFrcvMark", m.adifRcvd);
    return m;
}

void SaveQslMarks(IniStore& ini, const QslMarks& m) {
    ini.CurrentIniSection = "QSLcfg";
    ini.WriteIniValue("Jmark", m.issue);
    ini.WriteIniValue("SentMark", m.sent);
    ini.WriteIniValue("RcvMark", m.rcvd);
    ini.WriteIniValue("ADIFsentMark", m.adifSent);
    ini.WriteIniValue("ADIFrcvMark", m.adifRcvd);
}

UiOptions LoadUiOptions(IniStore& ini) {
    UiOptions o;
    auto flag = [&ini](const char* key) { return ini.ReadOr(kUiSection, key, "0") == "1"; };
    o.qslIssue = flag("QslIssue");
    o.qslSent = flag("QslSent");
    o.qslRcvd = flag("QslRcvd");
    o.jstForJa = flag("JstForJa");
    const auto freq = text::WholeNumber(ini.ReadOr(kUiSection, "FreqChoice", "0"));
    o.freqChoice = freq && *freq >= 0 && *freq <= 3 ? static_cast<int>(*freq) : 0;
    o.fixedText = ini.ReadOr(kUiSection, "FixedText", "");
    o.legacyCut = flag("LegacyCut");
    return o;
}

void SaveUiOptions(IniStore& ini, const UiOptions& o) {
    ini.CurrentIniSection = kUiSection;
    ini.WriteIniValue("QslIssue", o.qslIssue ? "1" : "0");
    ini.WriteIniValue("QslSent", o.qslSent ? "1" : "0");
    ini.WriteIniValue("QslRcvd", o.qslRcvd ? "1" : "0");
    ini.WriteIniValue("JstForJa", o.jstForJa ? "1" : "0");
    ini.WriteIniValue("FreqChoice", std::to_string(o.freqChoice));
    ini.WriteIniValue("FixedText", o.fixedText);
}

ShellSettings LoadShellSettings(IniStore& ini, const std::string& programFolder) {
    ShellSettings s;
    ini.CurrentIniSection = "GeneData";
    std::string v;
    ini.ReadIniValue("GeneDataFol", v);
    s.geneDataFolderStored = v != "GeneData";
    s.geneDataFolder =
        s.geneDataFolderStored ? v : DefaultGeneDataFolder(LocateSettings(programFolder).folder);
    s.editorPath = ini.ReadOr("TextEditor", "Editor", "NOTEPAD.EXE");
    s.digipanLogPath = ini.ReadOr("DIGIPAN-FOL", "DIGIPAN-FN", "");
    s.marks = LoadQslMarks(ini);
    s.hamlogDbPath = ini.ReadOr("HAMLOG-FOL", "HAMLOG-FN", "");
    auto count = text::WholeNumber(ini.ReadOr("ModeName", "HAMLOG-ModeCount", "1"));
    s.modeCount = count ? static_cast<int>(std::clamp<long long>(*count, 0, 12)) : 1;
    for (int i = 0; i < 12; ++i)
        s.modeNames[static_cast<std::size_t>(i)] =
            ini.ReadOr("ModeName", "Mode" + std::to_string(i + 1) + "N", "");
    s.adifLogFolder = ini.ReadOr("ADIF-LOG", "ADIF-LOGFOL", s.geneDataFolder);
    return s;
}

}  // namespace trelvo::settings
