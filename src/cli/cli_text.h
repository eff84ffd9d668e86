// The command line's language: every text it prints comes from the message catalog in the
// language chosen at start (--lang, [TRELVO5-UI] Lang=, the user's locale), and its help is
// laid out for an 80-column console.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "core/message.h"

namespace trelvo::cli {

// The language of this run; English until main() has chosen.
Lang UiLang();
void SetUiLang(Lang lang);

// A catalog message, or one without arguments, in the language of this run.
std::string Tr(const Message& m);
std::string Tr(std::string_view id);

// Columns a text takes on a console: two for a wide (CJK) character, one otherwise.
std::size_t DisplayWidth(std::string_view utf8);
// Lines of at most `width` columns (`indent` blanks before each line but the first): at blanks
// in English, between characters in Japanese text. Line ends in the text are kept.
std::vector<std::string> Wrap(std::string_view utf8, std::size_t width, std::size_t firstIndent = 0);

// --help: usage, what the command does, examples (catalog id help.examples.<command path>),
// the options in their groups, the subcommands and the footer, every line within 80 columns.
class HelpFormatter : public CLI::Formatter {
public:
    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override;
};

// The text of a command line CLI11 could not take, in the language of this run.
std::string FailureMessage(const CLI::App* app, const CLI::Error& e);

// "/?" and "-?" ask for the help, as Windows programs do.
bool IsHelpQuestion(std::string_view arg);

}  // namespace trelvo::cli
