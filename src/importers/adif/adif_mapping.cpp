#include "importers/adif/adif_mapping.h"

#include <algorithm>
#include <span>

#include "text/chars.h"
#include "text/numfmt.h"

namespace trelvo::adif {
namespace {

constexpr std::array<std::string_view, kColumnCount + 1> kTitles = {
    kCornerTitle, "CALL",    "",     "Date", "Time", "HisRST",  "MyRST",   "Freq",     "Mode",
    "Code",       "GridLoc", "Name", "QTH",  "QSL",  "QSLsent", "QSLrcvd", "Remarks1", "Remarks2"};

// The settings keys for the second and later marks of the three several-tag columns.
const char* ExtraKey(int column) {
    switch (column) {
        case kColCode:
            return "ADIF2HLcodeadd";
        case kColRemarks1:
            return "ADIF2HLrem1add";
        default:
            return "ADIF2HLrem2add";
    }
}

// A stored number as the settings hold it: a missing key reads as the section name, which
// counts as 0, like any text that does not start with a number.
long long StoredNumber(settings::IniStore& ini, const std::string& key) {
    ini.CurrentIniSection = kMappingIniSection;
    std::string v;
    ini.ReadIniValue(key, v);
    return text::RoundHalfEven(text::LeadingNumber(v));
}

}  // namespace

std::string_view ColumnTitle(int column) {
    if (column < 0 || column > kColumnCount) return {};
    return kTitles[static_cast<std::size_t>(column)];
}

int ColumnFromTitle(std::string_view title) {
    for (int c = 1; c <= kColumnCount; ++c)
        if (c != kColHidden && text::EqualsNoCase(title, kTitles[static_cast<std::size_t>(c)])) return c;
    return 0;
}

bool AdifMapping::AnyMapped() const {
    return std::any_of(columnMap.begin() + 1, columnMap.end(), [](int r) { return r != 0; });
}

AdifMappingModel::AdifMappingModel(std::vector<std::string> tagNames, std::string fixedText)
    : rows_(std::move(tagNames)), marks_(rows_.size()), fixedText_(std::move(fixedText)) {
    for (auto& row : marks_) row.fill(false);
}

const std::string& AdifMappingModel::RowTitle(int row) const {
    static const std::string none;
    return row >= 1 && row <= RowCount() ? rows_[static_cast<std::size_t>(row - 1)] : none;
}

bool AdifMappingModel::InGrid(int row, int column) const {
    return row >= 1 && row <= RowCount() && column >= 1 && column <= kColumnCount;
}

bool AdifMappingModel::IsMarked(int row, int column) const {
    return InGrid(row, column) && marks_[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column)];
}

void AdifMappingModel::SetMark(int row, int column, bool on) {
    if (InGrid(row, column)) marks_[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column)] = on;
}

std::vector<int> AdifMappingModel::MarkedRows(int column) const {
    std::vector<int> rows;
    for (int r = 1; r <= RowCount(); ++r)
        if (IsMarked(r, column)) rows.push_back(r);
    return rows;
}

void AdifMappingModel::ClearMarks() {
    for (auto& row : marks_) row.fill(false);
    fallback_.fill(0);
}

void AdifMappingModel::Click(int row, int column) {
    if (row > RowCount() || column < 0 || column > kColumnCount || column == kColHidden) return;
    if (row >= 1 && column == 0) {
        marks_[static_cast<std::size_t>(row - 1)].fill(false);
        return;
    }
    if (IsMarked(row, column)) {
        SetMark(row, column, false);
        return;
    }
    if (row < 1 || column < 1) return;
    fallback_[static_cast<std::size_t>(column)] = 0;  // the column is chosen by hand now
    marks_[static_cast<std::size_t>(row - 1)].fill(false);
    if (!TakesSeveralTags(column))
        for (int r = 1; r <= RowCount(); ++r) SetMark(r, column, false);
    SetMark(row, column, true);
}

std::vector<StoredMark> AdifMappingModel::StoredMarks(settings::IniStore& ini) {
    std::vector<StoredMark> marks;
    auto add = [&](int column, const std::string& key) {
        const long long r = StoredNumber(ini, key);
        if (r < 1) return;
        std::string name = ini.ReadOr(kMappingIniSection, key + kNameKeySuffix, "");
        marks.push_back({column, r, std::move(name)});
    };
    for (int c = 1; c <= kColumnCount; ++c) add(c, "ADIF2HL" + std::to_string(c));
    // Closing never stores more extras than there are rows, and the table holds at most 50,
    // so keys past that cannot have come from the window.
    constexpr long long kMostExtras = 50;
    const std::pair<int, long long> several[] = {{kColCode, StoredNumber(ini, "ADIF2HLspcode")},
                                                 {kColRemarks1, StoredNumber(ini, "ADIF2HLsprm1")},
                                                 {kColRemarks2, StoredNumber(ini, "ADIF2HLsprm2")}};
    for (const auto& [column, count] : several)
        for (long long k = 2; k <= std::min(count, kMostExtras); ++k)
            add(column, ExtraKey(column) + std::to_string(k));
    return marks;
}

void AdifMappingModel::LoadFromIni(settings::IniStore& ini) {
    const int n = RowCount();
    for (const StoredMark& m : StoredMarks(ini))
        if (m.row >= 1 && m.row <= n) SetMark(static_cast<int>(m.row), m.column, true);
}

bool AdifMappingModel::StoredNamesDiffer(settings::IniStore& ini) const {
    const int n = RowCount();
    for (const StoredMark& m : StoredMarks(ini)) {
        if (m.name.empty()) continue;  // stored before names were kept
        if (m.row > n || rows_[static_cast<std::size_t>(m.row - 1)] != m.name) return true;
    }
    return false;
}

std::vector<std::string> AdifMappingModel::LoadFromIniByName(settings::IniStore& ini) {
    ClearMarks();
    std::vector<std::string> dropped;
    for (const StoredMark& m : StoredMarks(ini)) {
        const int row = RowOf(m.name);
        if (row > 0)
            SetMark(row, m.column, true);
        else if (!m.name.empty() && std::find(dropped.begin(), dropped.end(), m.name) == dropped.end())
            dropped.push_back(m.name);
    }
    return dropped;
}

int AdifMappingModel::RowOf(std::string_view tag) const {
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i] == tag) return static_cast<int>(i + 1);
    return 0;
}

std::vector<AdifMappingModel::AutoChoice> AdifMappingModel::AutoMap(bool sendersView) {
    // For each column the tags in order of preference: the first the file has is marked, the
    // next it has stands behind it. Remarks1 takes every tag of its list.
    struct Usual {
        int column;
        std::vector<const char*> tags;
    };
    static const Usual kUsual[] = {
        {kColCall, {"CALL"}},
        {kColDate, {"QSO_DATE"}},
        {kColTime, {"TIME_ON"}},
        {kColHisRst, {"RST_SENT"}},
        {kColMyRst, {"RST_RCVD"}},
        {kColFreq, {"FREQ"}},
        {kColMode, {"MODE"}},
        {kColGridLoc, {"GRIDSQUARE"}},
        {kColName, {"NAME_INTL", "NAME"}},
        {kColQth, {"QTH_INTL", "QTH"}},
        {kColQslSent, {"QSL_SENT"}},
        {kColQslRcvd, {"QSL_RCVD", "LOTW_QSL_RCVD"}},
        {kColRemarks1, {"COMMENT_INTL", "COMMENT"}},
        {kColRemarks2, {"MY_GRIDSQUARE"}},
    };
    static const Usual kSendersView[] = {
        {kColCall, {"CALL"}},
        {kColDate, {"QSO_DATE"}},
        {kColTime, {"TIME_ON"}},
        {kColHisRst, {"RST_RCVD"}},
        {kColMyRst, {"RST_SENT"}},
        {kColFreq, {"FREQ"}},
        {kColMode, {"MODE"}},
        {kColGridLoc, {"GRIDSQUARE"}},
        {kColName, {"NAME_INTL", "NAME"}},
        {kColQth, {"QTH_INTL", "QTH"}},
        {kColQslRcvd, {"QSL_SENT"}},
        {kColRemarks1, {"COMMENT_INTL", "COMMENT"}},
        {kColRemarks2, {"MY_GRIDSQUARE"}},
    };
    static const char* const kMoreRemarks1[] = {"SIG", "SIG_INFO", "POTA_REF", "SOTA_REF"};
    ClearMarks();
    std::vector<AutoChoice> chosen;
    for (const Usual& u :
         sendersView ? std::span<const Usual>(kSendersView) : std::span<const Usual>(kUsual)) {
        AutoChoice choice;
        for (const char* tag : u.tags) {
            const int row = RowOf(tag);
            if (row < 1) continue;
            if (choice.tag.empty()) {
                Click(row, u.column);
                choice = {tag, u.column, {}};
            } else {
                fallback_[static_cast<std::size_t>(u.column)] = row;
                choice.fallback = tag;
                break;
            }
        }
        if (!choice.tag.empty()) chosen.push_back(std::move(choice));
    }
    for (const char* tag : kMoreRemarks1) {
        const int row = RowOf(tag);
        if (row < 1) continue;
        Click(row, kColRemarks1);
        chosen.push_back({tag, kColRemarks1, {}});
    }
    return chosen;
}

AdifMapping AdifMappingModel::BuildMapping() const {
    return Walk(nullptr);
}

AdifMapping AdifMappingModel::Close(settings::IniStore& ini) const {
    return Walk(&ini);
}

AdifMapping AdifMappingModel::Walk(settings::IniStore* ini) const {
    AdifMapping m;
    m.fixedText = fixedText_;
    m.fixedTextTarget = target_;
    // Each row number goes with the tag name it had, so a file with other rows can be told.
    auto write = [&](const std::string& key, long long value) {
        if (!ini) return;
        ini->CurrentIniSection = kMappingIniSection;
        ini->WriteIniValue(key, std::to_string(value));
        if (key.rfind("ADIF2HLsp", 0) == 0) return;  // the counts
        ini->WriteIniValue(key + kNameKeySuffix,
                           value >= 1 ? rows_[static_cast<std::size_t>(value - 1)] : "");
    };
    const int n = RowCount();
    for (int c = 1; c <= kColumnCount; ++c) {
        int count = 0;
        std::vector<int>* extras = c == kColCode       ? &m.codeExtras
                                   : c == kColRemarks1 ? &m.remarks1Extras
                                   : c == kColRemarks2 ? &m.remarks2Extras
                                                       : nullptr;
        for (int r = 1; r <= n; ++r) {
            if (IsMarked(r, c)) {
                if (!extras) {
                    write("ADIF2HL" + std::to_string(c), r);
                    m.columnMap[static_cast<std::size_t>(c)] = r;
                    break;
                }
                ++count;
                if (count == 1) {
                    write("ADIF2HL" + std::to_string(c), r);
                    m.columnMap[static_cast<std::size_t>(c)] = r;
                } else {
                    write(ExtraKey(c) + std::to_string(count), r);
                    extras->push_back(r);
                }
            } else if (r == n && (!extras || count == 0)) {
                write("ADIF2HL" + std::to_string(c), 0);
                m.columnMap[static_cast<std::size_t>(c)] = 0;
            }
        }
        if (m.columnMap[static_cast<std::size_t>(c)] != 0)
            m.fallbackMap[static_cast<std::size_t>(c)] = fallback_[static_cast<std::size_t>(c)];
        if (c == kColCode) m.codeCount = count;
        if (c == kColRemarks1) m.remarks1Count = count;
        if (c == kColRemarks2) m.remarks2Count = count;
    }
    write("ADIF2HLspcode", m.codeCount);
    write("ADIF2HLsprm1", m.remarks1Count);
    write("ADIF2HLsprm2", m.remarks2Count);
    return m;
}

}  // namespace trelvo::adif
