// The fixed texts the window shows for the database layer, exactly as users know them. The
// engine never shows anything; its results say which of these applies.
#pragma once

namespace trelvo::hamlog {

// The database header cannot be read: Turbo HAMLOG (or another program) holds it open.
inline constexpr const char* kMsgHamlogInUse = "Turbo HAMLOGが使用中ではありませんか？";
// The master file is not beside the database (two lines, CR LF between them).
inline constexpr const char* kMsgMstMissing =
    "MSTﾌｧｲﾙが見つかりません\r\nMSTﾌｧｲﾙはHDBﾌｧｲﾙと同じフォルダに必要です";
// The chosen or stored path has no ".HDB" in it.
inline constexpr const char* kMsgLocationInvalid = "Turbo HAMLOGの場所指定が正しくありません";
// The label text when no database is set, and the start-up reminder.
inline constexpr const char* kMsgLocationNotSet = "Turbo HAMLOGデータの場所未設定です";
inline constexpr const char* kMsgSetLocationFirst = "先ずは　Turbo HAMLOG　の場所を設定して下さい。";
// The mode table import.
inline constexpr const char* kMsgCannotOpenDb = "Turbo HAMLOGデータがOpen出来ません。";
inline constexpr const char* kMsgTooManyModes = "モード数が予想数を超えました(^^ゞ";
inline constexpr const char* kMsgModesDone = "モードの読み込み＆設定が完了しました。";
// The library version check: a critical-stop box with this title and text.
inline constexpr const char* kMsgVersionTitle = "KOVRA5";
inline constexpr const char* kMsgVersionTooOld =
    "Turbo HAMLOGのバージョンが古いです、Ver5.03までは上げて下さい";

}  // namespace trelvo::hamlog
