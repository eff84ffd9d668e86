// The standard forms of the export: ADIF's mode enumeration, its bands, Japanese codes as
// DXCC 339 subdivisions, and the ADX record.
#include <gtest/gtest.h>

#include "export/export_writers.h"

using namespace trelvo::exports;

namespace {

QsoFields Jst(std::string call, std::string code, std::string mode, std::string freq) {
    QsoFields f;
    f.Call = std::move(call);
    f.DateISO = "2024-01-02";
    f.StoredDate = "20240102";
    f.Time = "08:30J";
    f.Freq = std::move(freq);
    f.Mode = std::move(mode);
    f.Code = std::move(code);
    f.HisRST = f.MyRST = "599";
    f.QslIssueMark = f.QslSentMark = f.QslRcvdMark = " ";
    return f;
}

std::string Fields(const QsoFields& f, const WriterOptions& o = {}) {
    std::string s;
    for (const AdifField& field : StandardFields(f, o)) s += field.name + "=" + field.value + " ";
    return s;
}

}  // namespace

// The usual modes, bands and codes are checked through the command (export/adif-standard,
// export/adif-standard-modes); here the cases those leave out.
TEST(StandardExport, ModesAndBandsTheGoldenCasesLeaveOut) {
    const std::pair<const char*, StandardMode> cases[] = {
        {"psk31", {"PSK", "PSK31"}},
        {"XYZ", {"XYZ", ""}},
    };
    for (const auto& [hamlog, want] : cases) {
        const StandardMode got = StandardAdifMode(hamlog);
        EXPECT_EQ(got.mode, want.mode) << hamlog;
        EXPECT_EQ(got.submode, want.submode) << hamlog;
    }
    EXPECT_EQ(StandardBand("14.350"), "20m");  // ADIF's edges, not the first digits
    EXPECT_EQ(StandardBand("14.351"), "");
    EXPECT_EQ(StandardBand("*10"), "");
}

TEST(StandardExport, JapaneseCodesAreStateAndCountyOfEntity339) {
    struct Case {
        const char* code;
        bool japanese;
        const char* state;
        const char* cnty;
    };
    const Case cases[] = {
        {"1001", true, "10", "1001"}, {"48", true, "", "48"}, {"5001", false, "", ""}, {"", false, "", ""}};
    for (const Case& c : cases) {
        const std::optional<JapanArea> a = JapaneseArea(c.code);
        ASSERT_EQ(a.has_value(), c.japanese) << c.code;
        if (!a) continue;
        EXPECT_EQ(a->state, c.state) << c.code;
        EXPECT_EQ(a->cnty, c.cnty) << c.code;
    }
    // In a record: time moved to UTC, the entity given, no JCC tag; a DX code without a table
    // entry gives no DXCC field at all.
    EXPECT_EQ(
        Fields(Jst("JA1ABC", "1001", "FT4", "14.080")),
        "CALL=JA1ABC QSO_DATE=20240101 TIME_ON=2330 FREQ=14.080 BAND=20m MODE=MFSK SUBMODE=FT4 DXCC=339 "
        "STATE=10 CNTY=1001 RST_SENT=599 RST_RCVD=599 ");
    EXPECT_EQ(Fields(Jst("W1AW", "501A", "CW", "*10")),
              "CALL=W1AW QSO_DATE=20240101 TIME_ON=2330 BAND=3cm MODE=CW RST_SENT=599 RST_RCVD=599 ");
    WriterOptions noCode;
    noCode.ExportCodeOff = true;
    EXPECT_EQ(Fields(Jst("JA1ABC", "1001", "CW", "7"), noCode).find("DXCC"), std::string::npos);
}

TEST(StandardExport, AdxKeepsJapaneseTextInIntlFieldsAndEscapesXml) {
    QsoFields f = Jst("JA1ABC", "", "CW", "7.012");
    f.Name = "山田";
    f.QTH = "Tokyo";
    f.Remarks1 = "a<b & \"c\"";
    f.Remarks2 = "二行目";
    f.GridLoc = "ＰＭ９５";  // no _INTL twin: left out and counted
    Encoder enc(OutputEncoding::kUtf8);
    std::string line;
    AdxRecord(f, {}, enc, line);
    EXPECT_NE(line.find("<NAME_INTL>山田</NAME_INTL>"), std::string::npos) << line;
    EXPECT_NE(line.find("<QTH>Tokyo</QTH>"), std::string::npos) << line;
    EXPECT_NE(line.find("<COMMENT>a&lt;b &amp; &quot;c&quot;</COMMENT>"), std::string::npos) << line;
    EXPECT_NE(line.find("<NOTES_INTL>二行目</NOTES_INTL>"), std::string::npos) << line;
    EXPECT_EQ(line.find("GRIDSQUARE"), std::string::npos) << line;
    EXPECT_EQ(enc.LeftOutCount(), 1u);
}
