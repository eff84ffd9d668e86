#include "cli/cli_context.h"

#include "core/platform.h"

namespace trelvo::cli {

void CliCallbacks::Warning(const std::string& message) {
    ++warnings_;
    std::cerr << "trelvo5: warning: " << message << '\n';
}

bool CliCallbacks::AskYesNo(const std::string& question) {
    if (fixedAnswer_) return *fixedAnswer_;
    if (!StdinIsTerminal()) {
        std::cerr << question << "\n(no terminal to answer on: taken as No)\n";
        return false;
    }
    for (;;) {
        std::cerr << question << " [y/n] " << std::flush;
        std::string answer;
        if (!std::getline(std::cin, answer)) return false;
        if (answer == "y" || answer == "Y" || answer == "yes") return true;
        if (answer == "n" || answer == "N" || answer == "no") return false;
    }
}

CLI::App* ImportGroup(CLI::App& app) {
    for (CLI::App* sub : app.get_subcommands({}))
        if (sub->get_name() == "import") return sub;
    CLI::App* group =
        app.add_subcommand("import", "Convert another program's log into the CSV that Turbo HAMLOG imports");
    group->require_subcommand(1);
    return group;
}

}  // namespace trelvo::cli
