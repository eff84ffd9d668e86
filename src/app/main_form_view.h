// What the main window's logic needs from the widgets: controls addressed by their names
// ("Command1", "Label6", "Frame2", "mkADIF", "Option1(0)", ...) and a few window services.
// The Qt window implements it over real widgets; the unit tests over a table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hamlog/hdb_header.h"

namespace trelvo::app {

class MainFormView {
public:
    virtual ~MainFormView() = default;

    // --- controls ---------------------------------------------------------------------
    virtual void SetEnabled(const std::string& name, bool on) = 0;
    virtual bool Enabled(const std::string& name) const = 0;
    virtual void SetVisible(const std::string& name, bool on) = 0;
    virtual bool Visible(const std::string& name) const = 0;
    // Caption of a label, frame, button, check box or menu item; content of a text box.
    // Setting a text box's content runs its change handler, as typing does.
    virtual void SetText(const std::string& name, const std::string& text) = 0;
    virtual std::string Text(const std::string& name) const = 0;
    // Check boxes and option buttons. Selecting an option button clears its siblings.
    virtual void SetChecked(const std::string& name, bool on) = 0;
    virtual bool Checked(const std::string& name) const = 0;
    // List boxes (the mode list `Combo1`).
    virtual void ClearList(const std::string& name) = 0;
    virtual void AddListItem(const std::string& name, const std::string& item) = 0;
    // Background colour as 0xBBGGRR; nullopt is the system's button face.
    virtual void SetBackColor(const std::string& name, std::optional<std::uint32_t> bgr) = 0;
    virtual void SetFocusTo(const std::string& name) = 0;
    // Shows `text` in a label for `milliseconds`, then `then` (unless the label was given
    // another text meanwhile). Without a clock (the tests' table) the text simply stays.
    virtual void ShowTextFor(const std::string& name, const std::string& text, int milliseconds,
                             const std::string& then) {
        (void)milliseconds;
        (void)then;
        SetText(name, text);
    }

    // --- window services ----------------------------------------------------------------
    // Lets the window repaint and handle input (Esc) while a conversion runs.
    virtual void ServiceEvents() = 0;
    // Opens the File menu for the user, as if Alt+F had been pressed.
    virtual void OpenFileMenu() = 0;
    // The hourglass pointer on or off.
    virtual void SetBusy(bool busy) = 0;
    // True when another copy of the program already runs from the same folder. The first
    // call also claims the folder for this copy.
    virtual bool AnotherInstanceRunning() = 0;
    // The field-length window over the given lengths; closing it.
    virtual void ShowFieldLen(const hamlog::HdbFieldLengths& lengths) = 0;
    virtual void CloseFieldLen() = 0;
    // Opens the ADIF mapping window (modeless) over the tag names of the prescanned file,
    // rows 1..N in table order, with the fixed text kept for this run. Its closing calls
    // MainFormModel::AdifMappingClosed.
    virtual void ShowAdifMapping(const std::vector<std::string>& tagNames, const std::string& fixedText,
                                 const std::string& adifPath) = 0;
    // Closes the ADIF mapping window if it is open; with `closingActions` the marks are
    // stored and the map handed over as when the user closes it.
    virtual void CloseAdifMapping(bool closingActions) = 0;
    // Ends the program after the exit sequence has run.
    virtual void EndProgram() = 0;
    // Ends the program at once: no exit sequence, nothing written.
    virtual void EndProgramNow() = 0;
};

}  // namespace trelvo::app
