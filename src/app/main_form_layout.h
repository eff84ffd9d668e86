// The main window as data: every control the model addresses, with its kind, caption, frame
// and place, and the File menu. The Qt view and the Win32 view both build their widgets
// from this one table, so a caption or a control added here appears in both.
//
// Places are in dialog units: a quarter of the font's average character width across, an
// eighth of its height down, measured from the top left of the frame the control sits in
// (of the window's status area for the controls outside any frame).
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace trelvo::app {

enum class ControlKind {
    Frame,  // a group box; holds the controls that name it as their frame
    Label,  // static text
    CheckBox,
    OptionButton,  // exclusive with the option buttons of the same group in the same frame
    TextBox,       // one line of editable text
    ListBox,       // the drop-down list of the mode names
    Button,
};

struct Place {
    int x = 0, y = 0, width = 0, height = 0;
};

struct ControlLayout {
    const char* name;  // what the model calls it; empty for a fixed caption no one addresses
    ControlKind kind;
    const char* caption;  // initial caption (or content)
    const char* frame;    // the frame it sits in; empty: the window's status area
    Place place;
    const char* tip = "";      // tooltip
    const char* follows = "";  // a caption label greyed and shown with this text box
    // Set for the controls of our own (not the classic window's): the catalog id of the
    // caption, which the model gives the view in the window's language when it loads.
    const char* captionId = "";
};

// The top-level frames, stacked in this order from the window's top (hidden ones take no
// room), followed by the status area.
std::span<const char* const> StackedFrames();
// Every control; a frame comes before the controls inside it.
std::span<const ControlLayout> MainFormControls();
// The control of that name; nullptr when the layout has none.
const ControlLayout* FindControl(std::string_view name);
// The frame a control sits in, and that frame's own frame, ... (innermost first).
std::vector<std::string> FramesAround(std::string_view name);
std::vector<std::string> FramesAround(const ControlLayout& control);
// Label21's place while the mouse is held on it: over the fields it hides.
Place Label21Expanded();
// The status area's size; the gap between stacked frames and the window's margin.
Place StatusArea();
inline constexpr int kStackGap = 4;
inline constexpr int kWindowMargin = 6;

struct StackedPlace {
    std::string name;  // a frame, or empty for the status area
    Place place;       // in the window's client area
};
// Where the shown frames and the status area go, and the client size that holds them
// exactly: the window takes this size whenever a frame is shown or hidden.
std::vector<StackedPlace> StackFrames(const std::function<bool(const std::string&)>& shown, Place* client);

// The menu bar: the File menu's items (separators have an empty name) and the top-level items.
struct MenuItemLayout {
    const char* name;
    const char* caption;  // "&" marks the access key
};
inline constexpr const char* kFileMenuName = "TRELVOMenu";
inline constexpr const char* kFileMenuCaption = "File(&F)";
std::span<const MenuItemLayout> FileMenuItems();
std::span<const MenuItemLayout> TopMenuItems();  // "ConvHelp", "verdisp"

// The window's menu items, frames and controls together: every name a view must answer to.
std::vector<std::string> AllControlNames();

class MainFormModel;
// Runs the handler of a click on a control or a menu item (Command1, menu items, check boxes
// and option buttons that have one). False when the control has no click handler.
bool ClickControl(MainFormModel& model, const std::string& name);

}  // namespace trelvo::app
