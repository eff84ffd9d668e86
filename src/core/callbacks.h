// How a running conversion talks to its front end: progress, cancel, questions, warnings.
#pragma once

#include <optional>
#include <string>

#include "core/message.h"

namespace trelvo {

// Called by every converter. The window services its event loop in `Progress`, the command
// line prints warnings; tests script the answers.
class ConversionCallbacks {
public:
    virtual ~ConversionCallbacks() = default;

    // Called once per line or record with the running number; the counter label shows it.
    virtual void Progress(long long /*number*/) {}
    // Polled between two records; true stops the run (lines written so far stay).
    virtual bool CancelRequested() { return false; }
    // A Yes/No question with the program's title. Returns true for Yes.
    virtual bool AskYesNo(const std::string& /*question*/) { return false; }
    // A save path for `title`; nullopt when the user cancels.
    virtual std::optional<std::string> AskSavePath(const std::string& /*title*/,
                                                   const std::string& proposed) {
        return proposed;
    }
    // Something the user should know that does not stop the run (a record skipped, a
    // character that CP932 cannot hold, a ragged end of file).
    virtual void Warning(const std::string& /*message*/) {}
    // The same as a catalog message, which the front end renders in the user's language.
    // Front ends that do not render messages get its English text.
    virtual void Warning(const Message& message) { Warning(Render(message, Lang::kEnglish)); }
};

// Callbacks that do nothing: never cancel, answer No, accept proposals, drop warnings.
class NullCallbacks : public ConversionCallbacks {};

}  // namespace trelvo
