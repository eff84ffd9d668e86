// Everything the window asks of the desktop: file dialogs, message boxes, Yes/No questions,
// starting the text editor and showing the help. The window goes through this one interface,
// so the tests can script every answer.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trelvo::app {

// A file dialog as the window asks for it. `filter` is written the way the window's captions
// are: pairs of description and patterns separated by "|", patterns separated by ";"
// ("CSV形式LOGﾃﾞｰﾀ (*.CSV)|*.CSV"); a trailing "|" is allowed.
struct FileDialogRequest {
    std::string title;
    std::string filter;
    std::string startFolder;
    std::string proposedName;
    bool mustExist = false;        // open dialogs: the chosen file must exist
    bool overwritePrompt = false;  // save dialogs: ask before replacing a file
};

enum class MessageIcon { None, Information, Question, Exclamation, Critical };

class UiDialogs {
public:
    virtual ~UiDialogs() = default;

    // The chosen path, or nullopt when the user cancelled.
    virtual std::optional<std::string> OpenFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> SaveFile(const FileDialogRequest& request) = 0;
    // A modal message with an OK button. An empty title means the program's name.
    virtual void Message(const std::string& text, MessageIcon icon = MessageIcon::None,
                         const std::string& title = {}) = 0;
    // A modal Yes/No question; true for Yes.
    virtual bool AskYesNo(const std::string& text, MessageIcon icon = MessageIcon::Question,
                          const std::string& title = {}) = 0;
    // Starts `editor` on `file` (one argument, no shell), not waiting for it. A failure to
    // start is not reported.
    virtual void StartEditor(const std::string& editor, const std::string& file) = 0;
    // Shows the help at a topic: 1 the main window, 2 the ADIF mapping window.
    virtual void ShowHelp(int context) = 0;
};

// One entry of a dialog filter: what the user reads and the patterns it stands for.
struct DialogFilterEntry {
    std::string description;
    std::vector<std::string> patterns;
    friend bool operator==(const DialogFilterEntry&, const DialogFilterEntry&) = default;
};

// Splits a "description|patterns|description|patterns" filter into its entries. A
// description without patterns is dropped; empty patterns are skipped.
std::vector<DialogFilterEntry> ParseDialogFilter(std::string_view filter);

// The entries as toolkit name filters, "description (patterns)": each pattern is given in
// the case written, in lower case and in upper case, because file names here are matched
// with regard to case and logs come with either.
std::vector<std::string> DialogNameFilters(std::string_view filter);

// The extension a save dialog adds to a name typed without one: that of the filter's first
// entry when it has a single pattern "*.EXT" ("CSV" for "…|*.CSV"); empty otherwise.
std::string DefaultSuffix(std::string_view filter);

}  // namespace trelvo::app
