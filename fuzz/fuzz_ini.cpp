// Any bytes as the settings file, held in memory: every key the program reads comes back
// within its limits, and a write keeps the file readable and changes only the key written.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/errors.h"
#include "fuzz_support.h"
#include "settings/app_settings.h"
#include "settings/ini_store.h"
#include "text/cp932.h"

namespace {

// A program folder that holds a settings file, made once and removed when the process ends:
// the default generated-data folder is then found beside it with one look-up, without the
// probe of a writable folder (a file made and removed) that a folder without one takes.
class ScratchFolder {
public:
    ScratchFolder() {
        std::error_code ec;
        dir_ = std::filesystem::temp_directory_path(ec) / ("trelvo5-fuzz-ini-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_, ec);
        std::ofstream(dir_ / "TRELVO5.INI").put('\n');
        path_ = dir_.string();
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::string& Path() const { return path_; }

private:
    std::filesystem::path dir_;
    std::string path_;
};

const std::string& ProgramFolder() {
    static const ScratchFolder folder;
    return folder.Path();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trelvo;
    std::string bytes(fuzz::Bytes(data, size));
    settings::IniStore ini("TRELVO5.INI", &bytes);
    try {
        settings::LoadShellSettings(ini, ProgramFolder());
        settings::LoadQslMarks(ini);
        settings::LoadUiOptions(ini);
        std::string v;
        for (const char* section : {"QSLcfg", "HAMLOG-FOL", "ModeName", "ADIF2HL_CFG"}) {
            ini.CurrentIniSection = section;
            for (const char* key : {"Jmark", "HAMLOG-FN", "Mode1N", "HAMLOG-ModeCount"}) {
                ini.ReadIniValue(key, v);
                if (text::Cp932ByteLength(v) > settings::kIniValueMaxBytes) __builtin_trap();
            }
        }
        ini.CurrentIniSection = "QSLcfg";
        std::string before;
        ini.ReadIniValue("SentMark", before);
        ini.WriteIniValue("Jmark", "済");
        ini.ReadIniValue("Jmark", v);
        if (v != "済") __builtin_trap();
        ini.ReadIniValue("SentMark", v);
        if (v != before) __builtin_trap();
    } catch (const Error&) {
    }
    return 0;
}
