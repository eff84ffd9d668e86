// Which ADIF tag feeds which HAMLOG column: the marks of the mapping window as a plain model.
//
// The window shows one row per distinct tag name of the file (row r is entry r of the tag
// table) and one column per HAMLOG column 1..17; a cell holds a mark or nothing. The model
// keeps the marks, applies the click rules, restores the marks from the settings file by
// row number and, at closing, turns them into the map the conversion uses (and stores them
// again). It knows nothing of any toolkit: the window draws it and forwards clicks.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/ini_store.h"

namespace trelvo::adif {

// HAMLOG columns, numbered as the map, the record slots and the window number them.
inline constexpr int kColumnCount = 17;
inline constexpr int kColCall = 1;
inline constexpr int kColHidden = 2;  // no title, zero width: never filled by a click
inline constexpr int kColDate = 3;
inline constexpr int kColTime = 4;
inline constexpr int kColHisRst = 5;
inline constexpr int kColMyRst = 6;
inline constexpr int kColFreq = 7;
inline constexpr int kColMode = 8;
inline constexpr int kColCode = 9;
inline constexpr int kColGridLoc = 10;
inline constexpr int kColName = 11;
inline constexpr int kColQth = 12;
inline constexpr int kColQsl = 13;
inline constexpr int kColQslSent = 14;
inline constexpr int kColQslRcvd = 15;
inline constexpr int kColRemarks1 = 16;
inline constexpr int kColRemarks2 = 17;

// The settings section the marks live in. Beside each row number ("ADIF2HL1") the tag name
// of that row is kept under the same key followed by kNameKeySuffix ("ADIF2HL1name").
inline constexpr const char* kMappingIniSection = "ADIF2HL_CFG";
inline constexpr const char* kNameKeySuffix = "name";

// One mark as the settings hold it: its column, its row and the row's tag name then (empty
// when it was stored without one).
struct StoredMark {
    int column = 0;
    long long row = 0;
    std::string name;
};
// The text of a marked cell and of the top-left cell.
inline constexpr std::string_view kMarkText = "●";
inline constexpr std::string_view kCornerTitle = "ADIF＼Hamlog";

// Title of column 1..17 ("" for the hidden column 2); column 0 is the corner title.
std::string_view ColumnTitle(int column);
// The column whose title is `title` (ASCII case ignored), or 0. The hidden column has none.
int ColumnFromTitle(std::string_view title);
// Code, Remarks1 and Remarks2 take several tags; every other column one.
constexpr bool TakesSeveralTags(int column) {
    return column == kColCode || column == kColRemarks1 || column == kColRemarks2;
}

// Where the fixed text of the window goes: 0 nowhere ("無効"), 1 Remarks1, 2 Remarks2.
enum class FixedTextTarget { None = 0, Remarks1 = 1, Remarks2 = 2 };

// The map built at closing: what the conversion reads.
struct AdifMapping {
    // columnMap[c] for c = 1..17: the tag-table index (= row) feeding column c, 0 for none.
    // For Code, Remarks1 and Remarks2 it is the topmost marked row.
    std::array<int, kColumnCount + 1> columnMap{};
    // Mark counts of the three columns that take several tags.
    int codeCount = 0;
    int remarks1Count = 0;
    int remarks2Count = 0;
    // Rows of the second and later marks, top to bottom (element 0 is mark number 2).
    // The Code extras are stored in the settings but feed nothing.
    std::vector<int> codeExtras;
    std::vector<int> remarks1Extras;
    std::vector<int> remarks2Extras;
    std::string fixedText;
    FixedTextTarget fixedTextTarget = FixedTextTarget::None;
    // fallbackMap[c]: a second tag for column c (NAME behind NAME_INTL), whose value is taken
    // in a record where the tag of columnMap[c] gives nothing; 0 for none. Only the automatic
    // mapping sets one; it is not stored in the settings.
    std::array<int, kColumnCount + 1> fallbackMap{};

    bool AnyMapped() const;
};

class AdifMappingModel {
public:
    // `tagNames` are the rows 1..N in table order (the table's entries 1..count). The fixed
    // text starts as given (it is kept for the program's run); its target starts at "無効",
    // which is what the window shows on opening.
    explicit AdifMappingModel(std::vector<std::string> tagNames, std::string fixedText = {});

    // The window cannot open on a file with fewer than two distinct tag names; it shows
    // kOpenFailedMessage and the conversion stays disabled.
    static constexpr int kMinimumRows = 2;
    static constexpr std::string_view kOpenFailedMessage = "選択したファイルが正しくない可能性があります";
    bool CanOpen() const { return RowCount() >= kMinimumRows; }

    int RowCount() const { return static_cast<int>(rows_.size()); }
    static constexpr int ColumnCount() { return kColumnCount; }
    // Row 1..N: the tag name.
    const std::string& RowTitle(int row) const;
    const std::vector<std::string>& RowTitles() const { return rows_; }

    // The mark of cell (row 1..N, column 1..17); false outside.
    bool IsMarked(int row, int column) const;
    // The marked rows of a column, top to bottom.
    std::vector<int> MarkedRows(int column) const;

    // A click on cell (row, column) as the grid reports it (row 0 is the title row, column
    // 0 the tag names):
    //  - on a tag name: clears the marks of that row;
    //  - on a marked cell: clears that cell;
    //  - on the title row: nothing;
    //  - otherwise clears the row, and unless the column takes several tags also that column
    //    in every row, then marks the cell. So a tag feeds one column and a column takes one
    //    tag, except Code, Remarks1 and Remarks2.
    // The hidden column 2 and cells outside the grid are never under the mouse: ignored.
    void Click(int row, int column);
    // Removes every mark.
    void ClearMarks();

    // Restores the marks of the settings section "ADIF2HL_CFG" by row number; values
    // outside 1..N are ignored. Reads only.
    void LoadFromIni(settings::IniStore& ini);
    // The stored marks, the topmost of each column first, then the further Code, Remarks1
    // and Remarks2 marks.
    static std::vector<StoredMark> StoredMarks(settings::IniStore& ini);
    // True when a stored mark's tag name is not the tag of its row in this file.
    bool StoredNamesDiffer(settings::IniStore& ini) const;
    // Restores the stored marks by tag name instead: each goes to the row of its name.
    // Returns the names this file does not have (their marks are dropped).
    std::vector<std::string> LoadFromIniByName(settings::IniStore& ini);
    // The row of a tag name, 0 when the file has no such tag.
    int RowOf(std::string_view tag) const;
    // Replaces the marks with the usual tags of a log where the file has them: CALL, QSO_DATE,
    // TIME_ON, RST_SENT, RST_RCVD, FREQ, MODE, GRIDSQUARE, NAME_INTL or NAME, QTH_INTL or QTH,
    // QSL_SENT, QSL_RCVD or LOTW_QSL_RCVD, COMMENT_INTL or COMMENT and SIG, SIG_INFO,
    // POTA_REF, SOTA_REF to Remarks1, MY_GRIDSQUARE to Remarks2. Where a file has both of a
    // pair, the first is marked and the second stands behind it (AdifMapping::fallbackMap).
    // BAND needs no mark: the run takes the frequency from it when a record has none.
    // The choices in that order: the tag, the column and the tag behind it (or empty).
    struct AutoChoice {
        std::string tag;
        int column = 0;
        std::string fallback;
    };
    // `sendersView`: the file is written from the other station's side (IsSendersViewProgram):
    // RST_SENT goes to MyRST, RST_RCVD to HisRST and QSL_SENT to QSLrcvd.
    std::vector<AutoChoice> AutoMap(bool sendersView = false);

    // The map the current marks stand for, with the fixed text and its target.
    AdifMapping BuildMapping() const;
    // Closing: builds the map and stores the marks in "ADIF2HL_CFG" as the window does (the
    // topmost mark of each column, the counts, the second and later marks of Code, Remarks1
    // and Remarks2; "0" for an unmarked column).
    AdifMapping Close(settings::IniStore& ini) const;

    const std::string& FixedText() const { return fixedText_; }
    void SetFixedText(std::string text) { fixedText_ = std::move(text); }
    FixedTextTarget Target() const { return target_; }
    void SetTarget(FixedTextTarget t) { target_ = t; }

private:
    bool InGrid(int row, int column) const;
    void SetMark(int row, int column, bool on);
    AdifMapping Walk(settings::IniStore* ini) const;

    std::vector<std::string> rows_;
    std::vector<std::array<bool, kColumnCount + 1>> marks_;  // marks_[row - 1][column]
    std::string fixedText_;
    FixedTextTarget target_ = FixedTextTarget::None;
    std::array<int, kColumnCount + 1> fallback_{};  // set by AutoMap, see AdifMapping
};

}  // namespace trelvo::adif
