#include "importers/adif/adif_record.h"

#include <gtest/gtest.h>

#include "test_support.h"
#include "text/cp932.h"

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
    // (The usual values of each choice are checked through the command.)
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
