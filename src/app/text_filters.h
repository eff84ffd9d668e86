// The input rules of the main window's small text boxes, applied to every typed character.
#pragma once

#include <string_view>

namespace trelvo::app {

enum class TextBoxKind {
    Free,          // no rule
    QslMark,       // Text4, Text5, Text22, Text23, Text24: a-z become A-Z, overtype
    Date,          // Text7, Text8: digits and Backspace only, overtype
    RecordNumber,  // Text11, Text12: digits and Backspace only, replaces the rest
    CutCount,      // Text3, Text6, Text10: anything else becomes "0", overtype
};

inline constexpr char32_t kBackspace = 8;

// What becomes of a typed character: `key` is what reaches the box (0: discarded) and
// `selectLength` how many characters after the caret are selected first, so that the key
// replaces them.
struct KeyPressOutcome {
    char32_t key = 0;
    int selectLength = 0;
    friend bool operator==(const KeyPressOutcome&, const KeyPressOutcome&) = default;
};

// The kind of rule a text box follows, by its name.
TextBoxKind TextBoxKindFor(std::string_view name);

// Applies the rule of `kind` to the typed `key` in a box holding `textLength` characters.
KeyPressOutcome FilterKeyPress(TextBoxKind kind, char32_t key, int textLength);

}  // namespace trelvo::app
