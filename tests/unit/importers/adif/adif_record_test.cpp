#include "importers/adif/adif_record.h"

#include <gtest/gtest.h>

#include <random>

#include "test_support.h"
#include "text/cp932.h"
#include "text/io.h"

using namespace trelvo::adif;
using trelvo::testing::ScratchDir;
using trelvo::testing::WriteBytes;

namespace {

struct Fixture {
    AdifRecordState rec;
    AdifLineOptions opt;
    AdifMeterState meter;
    trelvo::testing::RecordingCallbacks cb;
    Fixture() { opt.widths = trelvo::hamlog::DefaultHdbFieldLengths(); }
    std::string& Slot(int c) { return rec.slots[static_cast<std::size_t>(c)]; }
    trelvo::csvout::HamlogCsvRecord Make() {
        trelvo::csvout::HamlogCsvRecord out;
        EXPECT_TRUE(MakeAdifCsvRecord(rec, opt, meter, cb, out));
        return out;
    }
};

}  // namespace

// Dates, times, JST, the callsign cut and the usual remarks joining are checked through the
// command; these are the edges it does not reach.
TEST(AdifRecord, FrequencyOptions) {
    Fixture f;
    auto freq = [&](FreqConversion c, const std::string& v) {
        f.meter.freq = c;
        f.Slot(kColFreq) = v;
        return f.Make().Freq;
    };
    EXPECT_EQ(freq(FreqConversion::AsIs, "14.07412"), "14.0741");  // W11 = 7 characters
    EXPECT_EQ(freq(FreqConversion::BandToMhz, "3cm"), "*10");
    EXPECT_EQ(freq(FreqConversion::BandToMhz, "60M"), "60M");
    EXPECT_EQ(freq(FreqConversion::BandToMhz, "1.25CM_X"), "1.25CM_");
    EXPECT_TRUE(f.cb.questions.empty());  // the choice "band" never asks
    // Values made by the conversions are not cut, even with every width 0.
    f.opt.widths.fill(0);
    EXPECT_EQ(freq(FreqConversion::KhzToMhz3, "14070"), "14.070");
    EXPECT_EQ(freq(FreqConversion::BandToMhz, "2200M"), "0.135");
    EXPECT_EQ(freq(FreqConversion::BandToMhz, "60M"), "");
    EXPECT_EQ(freq(FreqConversion::AsIs, "14.070"), "");
}

TEST(AdifRecord, AnyMetreMarkAsksAndARefusalAbortsLeavingTheChoiceOpen) {
    // (The question asked once per file, and band names in MHz after a Yes, are checked on the
    // window's model.)
    Fixture f;
    trelvo::testing::RecordingCallbacks no;
    no.answer = false;
    f.meter.freq = FreqConversion::KhzToMhz3;
    f.Slot(kColFreq) = "14070 KHZ M";
    AdifCsvLine line = MakeAdifCsvLine(f.rec, f.opt, f.meter, no);
    EXPECT_EQ(no.questions, std::vector<std::string>{std::string(kMeterQuestion)});
    EXPECT_TRUE(line.abort);
    EXPECT_TRUE(line.line.empty());
    EXPECT_EQ(f.meter.freq, FreqConversion::KhzToMhz3);
    EXPECT_FALSE(f.meter.meterQuestionAnswered);
}

TEST(AdifRecord, CodePrecedence) {
    ScratchDir dir;
    WriteBytes(dir.File("ADIF2HL.txt"), "291\t501A\r\n150\t0123456789AB\r\n");
    trelvo::csvout::DxccTables tables;
    tables.adifToHamlog = trelvo::csvout::DxccTable::Load(dir.File("ADIF2HL.txt"));
    Fixture f;
    f.opt.dxcc = &tables;
    f.Slot(kColCode) = "1234567";
    EXPECT_EQ(f.Make().Code, "123456");  // W5 = 6
    f.rec.dxccValue = "291";
    f.rec.dxccFlag = true;
    EXPECT_EQ(f.Make().Code, "501A");
    f.rec.dxccValue = "150";
    EXPECT_EQ(f.Make().Code, "012345678");  // table values are nine characters at most
    f.rec.dxccValue = "290.5";              // a whole number, rounded to even: 290, no entry
    EXPECT_EQ(f.Make().Code, "");
    f.rec.dxccValue = "ABC";
    EXPECT_EQ(f.Make().Code, "");
    f.rec.dxccValue = "0";
    EXPECT_EQ(f.Make().Code, "");
    f.rec.jccValue = "10010101";  // not cut to W5
    f.rec.jccFlag = true;
    EXPECT_EQ(f.Make().Code, "10010101");
    f.rec.ajaValue = "AJA1";
    f.rec.ajaFlag = true;
    EXPECT_EQ(f.Make().Code, "AJA1");
    f.rec.jccFlag = false;
    f.rec.ajaFlag = false;
    f.opt.widths[5] = 0;
    EXPECT_EQ(f.Make().Code, "");  // the DXCC flag is still set: table, no entry for "0"
}

TEST(AdifRecord, FixedTextJoinsRemarks2AndTheByteWidthCutsTheJoinedText) {
    Fixture f;
    f.rec.remarks1Extras = {"A"};
    f.Slot(kColRemarks1) = "R";
    f.Slot(kColRemarks2) = "X";
    f.opt.fixedText = "交信";
    f.opt.fixedTextTarget = FixedTextTarget::Remarks2;
    f.opt.widths[16] = 4;
    auto r = f.Make();
    EXPECT_EQ(r.Remarks1, "R  A");
    EXPECT_EQ(r.Remarks2, "X  ");  // the lead byte of 交 is dropped, the spaces stay
    f.opt.widths[16] = 5;
    EXPECT_EQ(f.Make().Remarks2, "X  交");
}

// The bytes of a Shift-JIS file kept to the output give what their text gives: on random
// names, QTHs, remarks and fixed texts (every lead and trail byte, bytes that are no
// character, quotes and commas) and widths that cut inside characters, both cuts. The line
// written straight into the writer is also the plain line written as a whole.
TEST(AdifRecord, KeptBytesWriteWhatTheirTextWrites) {
    using trelvo::csvout::HamlogCsvRecord;
    std::mt19937 rng(21);
    const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const auto bytes = [&] {
        std::string s;
        for (int i = pick(24); i > 0; --i) {
            switch (pick(6)) {
                case 0:
                    s += "A \",xyz<"[pick(8)];
                    break;
                case 1:
                    s += static_cast<char>(0x81 + pick(0x1F));
                    break;  // lead 81-9F
                case 2:
                    s += static_cast<char>(0xE0 + pick(0x1D));
                    break;  // lead E0-FC
                case 3:
                    s += static_cast<char>(0x40 + pick(0xBD));
                    break;  // any trail 40-FC
                case 4:
                    s += "\x80\xA0\xFD\xFE\xFF\xB1"[pick(6)];
                    break;  // no character, kana
                default:
                    s += "\x88\xA4\x82\xA0\x87\x40\xED\x40\xFA\x40"[pick(10)];
                    break;
            }
        }
        return s;
    };
    const std::string fixedTexts[] = {"", "交信", "固定 \"text\",", "\xF0\x9F\x93\xBB", "  "};
    std::size_t unmappable = 0;
    for (int round = 0; round < 3000; ++round) {
        Fixture k, t;
        k.rec.cp932Bytes = true;
        k.opt.widths[13] = pick(30);
        k.opt.widths[14] = pick(30);
        k.opt.widths[15] = pick(40);
        k.opt.widths[16] = pick(40);
        k.opt.cut = pick(2) ? trelvo::text::ByteCut::kCharacters : trelvo::text::ByteCut::kLegacyLeadByte;
        k.opt.fixedText = fixedTexts[pick(5)];
        k.opt.fixedTextTarget = static_cast<FixedTextTarget>(pick(3));
        k.rec.remarks1Extras.resize(static_cast<std::size_t>(pick(3)));
        k.rec.remarks2Extras.resize(static_cast<std::size_t>(pick(2)));
        for (int c : {kColName, kColQth, kColRemarks1, kColRemarks2}) k.Slot(c) = pick(4) ? bytes() : "";
        for (std::string& e : k.rec.remarks1Extras) e = bytes();
        for (std::string& e : k.rec.remarks2Extras) e = bytes();
        k.Slot(kColCall) = "JA1ABC";
        t.rec = k.rec;
        t.opt = k.opt;
        t.rec.cp932Bytes = false;
        for (int c : {kColName, kColQth, kColRemarks1, kColRemarks2})
            t.Slot(c) = trelvo::text::Cp932ToUtf8(k.Slot(c));
        for (std::string& e : t.rec.remarks1Extras) e = trelvo::text::Cp932ToUtf8(e);
        for (std::string& e : t.rec.remarks2Extras) e = trelvo::text::Cp932ToUtf8(e);
        const HamlogCsvRecord fromBytes = k.Make(), fromText = t.Make();
        std::string plainSink, keptSink, textSink;
        trelvo::text::Cp932LineWriter plain(plainSink, "plain"), kept(keptSink, "kept"),
            text(textSink, "text");
        trelvo::csvout::WriteHamlogCsvLine(kept, fromBytes);
        trelvo::csvout::WriteHamlogCsvLine(text, fromText);
        plain.WriteLine(trelvo::csvout::FormatHamlogCsvLine(fromText));
        kept.Close();
        text.Close();
        plain.Close();
        ASSERT_EQ(keptSink, textSink) << "round " << round;
        ASSERT_EQ(keptSink, plainSink) << "round " << round;
        ASSERT_EQ(kept.Unmappable(), text.Unmappable()) << "round " << round;
        ASSERT_EQ(text.Unmappable(), plain.Unmappable()) << "round " << round;
        unmappable += kept.Unmappable();
    }
    EXPECT_GT(unmappable, 0u);
}
