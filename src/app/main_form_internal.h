// Names and texts the main window's handlers share between their files.
#pragma once

namespace trelvo::app::form {

inline constexpr const char* kMenu = "TRELVOMenu";
inline constexpr const char* kNoLog = "DIGIPAN/ADIF の LOGファイルが指定されていません。";
// The light green of a Convert button that is ready, and nothing for the button face.
inline constexpr unsigned kReadyGreen = 0xC0FFC0;

}  // namespace trelvo::app::form
