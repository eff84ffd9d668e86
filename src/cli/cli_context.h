// What every subcommand of the command line shares: where the settings come from, where the
// program lives, how warnings and questions reach the user.
#pragma once

#include <CLI/CLI.hpp>
#include <iostream>
#include <optional>
#include <string>

#include "core/callbacks.h"
#include "settings/ini_store.h"
#include "settings/settings_location.h"

namespace trelvo::cli {

struct CliContext {
    std::string programFolder;
    std::string iniOption;  // "--ini" as given

    // "--ini", or TRELVO5.INI beside the program (in the user's settings folder when the
    // program's folder cannot be written).
    std::string IniPath() const {
        return iniOption.empty() ? settings::LocateSettings(programFolder).iniPath : iniOption;
    }
    // A store over the settings file. The command line only ever reads it. Throws when the
    // file exists but cannot be read (a folder, say), rather than reading every default.
    settings::IniStore Ini() const {
        settings::CheckIniReadable(IniPath());
        return settings::IniStore(IniPath());
    }
};

// Prints warnings to stderr; asks Yes/No on the terminal, or answers No without one.
class CliCallbacks : public ConversionCallbacks {
public:
    explicit CliCallbacks(std::optional<bool> fixedAnswer = std::nullopt) : fixedAnswer_(fixedAnswer) {}
    void Warning(const std::string& message) override;
    bool AskYesNo(const std::string& question) override;
    std::size_t Warnings() const { return warnings_; }

private:
    std::optional<bool> fixedAnswer_;
    std::size_t warnings_ = 0;
};

// The "import" group, created on first use.
CLI::App* ImportGroup(CLI::App& app);

// Each family of subcommands registers itself here; main() calls them in turn.
void RegisterSettingsCommand(CLI::App& app, CliContext& ctx);
void RegisterImportJap1Command(CLI::App& app, CliContext& ctx);
void RegisterDbCommand(CLI::App& app, CliContext& ctx);
void RegisterImportDigipanCommand(CLI::App& app, CliContext& ctx);
void RegisterImportAdifCommand(CLI::App& app, CliContext& ctx);
void RegisterExportCommand(CLI::App& app, CliContext& ctx);

}  // namespace trelvo::cli
