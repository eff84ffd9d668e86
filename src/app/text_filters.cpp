#include "app/text_filters.h"

namespace trelvo::app {

TextBoxKind TextBoxKindFor(std::string_view name) {
    if (name == "Text4" || name == "Text5" || name == "Text22" || name == "Text23" || name == "Text24")
        return TextBoxKind::QslMark;
    if (name == "Text7" || name == "Text8") return TextBoxKind::Date;
    if (name == "Text11" || name == "Text12") return TextBoxKind::RecordNumber;
    if (name == "Text3" || name == "Text6" || name == "Text10") return TextBoxKind::CutCount;
    return TextBoxKind::Free;
}

KeyPressOutcome FilterKeyPress(TextBoxKind kind, char32_t key, int textLength) {
    const bool digitOrBack = (key >= U'0' && key <= U'9') || key == kBackspace;
    switch (kind) {
        case TextBoxKind::Free:
            return {key, 0};
        case TextBoxKind::QslMark:
            if (key >= U'a' && key <= U'z') key = key - U'a' + U'A';
            return {key, key != 0 ? 1 : 0};
        case TextBoxKind::Date:
            return digitOrBack ? KeyPressOutcome{key, 1} : KeyPressOutcome{0, 0};
        case TextBoxKind::RecordNumber:
            return digitOrBack ? KeyPressOutcome{key, textLength} : KeyPressOutcome{0, 0};
        case TextBoxKind::CutCount:
            return {digitOrBack ? key : U'0', 1};
    }
    return {key, 0};
}

}  // namespace trelvo::app
