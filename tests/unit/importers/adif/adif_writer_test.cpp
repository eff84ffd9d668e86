// The run writes most records straight from their bytes (AdifRecordWriter). Whatever the
// record, that must be what MakeAdifCsvRecord and WriteHamlogCsvLine write: the same bytes,
// counts, warnings and questions, on random files under every option.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "importers/adif/adif_reader.h"
#include "test_support.h"
#include "text/cp932.h"

using namespace trelvo::adif;
using trelvo::testing::RecordingCallbacks;

namespace {

struct Outcome {
    std::string output;
    AdifRunResult result;
    std::vector<std::string> warnings, questions;
    FreqConversion freq = FreqConversion::AsIs;
    bool operator==(const Outcome&) const = default;
};

Outcome Convert(const std::string& bytes, const AdifScanResult& scan, const AdifMapping& mapping,
                const AdifLineOptions& line, AdifMeterState meter, bool answer, bool writer) {
    const std::string_view in(bytes);
    Outcome o;
    AdifReadOptions read = scan.RunOptions();
    read.inputBytes = &in;
    read.outputSink = &o.output;
    RecordingCallbacks cb;
    cb.answer = answer;
    AdifRunOptions run{"in.adi", "out.csv", &scan.table, &mapping, read, line, &meter, {}};
    run.recordWriter = writer;
    o.result = ConvertAdifLog(run, cb);
    o.warnings = cb.warnings;
    o.questions = cb.questions;
    o.freq = meter.freq;
    return o;
}

}  // namespace

TEST(AdifRecordWriter, WritesWhatTheRecordAndLineWritersWrite) {
    std::mt19937 rng(21);
    const auto pick = [&](std::initializer_list<std::string_view> from) {
        return std::string(*(from.begin() + rng() % from.size()));
    };
    trelvo::testing::ScratchDir dir;
    trelvo::testing::WriteBytes(dir.File("ADIF2HL.txt"), "291\t100\r\n339\tJA\r\n1\t\x82\xA0X\r\n");
    trelvo::csvout::DxccTables dxcc;
    dxcc.adifToHamlog = trelvo::csvout::DxccTable::Load(dir.File("ADIF2HL.txt"));
    // Shift-JIS: kanji, the full-width space and letters (small ones too), half-width katakana.
    const char* const kChars[] = {"\x8e\x52", "\x93\x63", "\x90\x5f", "\x81\x40", "\x82\x60",
                                  "\x82\x81", "\xB1",     "\x87\x40", "\xED\x40", "\xFA\x40"};
    for (int round = 0; round < 48; ++round) {
        const bool utf8 = round % 4 == 3;
        // A value: mostly ASCII, now and then any byte, Shift-JIS characters, spaces, markers.
        const auto value = [&](std::size_t most) {
            std::string s;
            const std::size_t n = rng() % (most + 1);
            while (s.size() < n) {
                const auto k = rng() % 24;
                if (k < 2)
                    s += ' ';
                else if (k < 5)
                    s += kChars[rng() % 10];
                else if (k == 5)
                    s += static_cast<char>(rng() % 256);
                else if (k == 6)
                    s += "mM/:>\"\t"[rng() % 7];
                else
                    s += static_cast<char>("0123456789abcxyzQRPJ"[rng() % 20]);
            }
            // '<' ends a value; a NUL byte now and then.
            for (char& c : s)
                if (c == '<') c = '(';
            if (rng() % 60 == 0) s.insert(rng() % (s.size() + 1), 1, '\0');
            return s;
        };
        const auto call = [&] {
            std::string c = pick({"JA1ABC", "ja1xyz", "JR2KQ", "7K1ABC", "8J1RL", "W1AW", "VK2/JA1ABC",
                                  "JA1ABC/1", "JA1ABC/QRP", "W1AW/JA", "JA1/QRP/3", "/QRP", "", "A,J",
                                  "DL/JA1ABCDEFGHIJ", "JH1\x82\xA0", "KH6/W1AW/P", "J"});
            if (rng() % 8 == 0) c = value(14);
            return c;
        };
        const auto date = [&] {
            return rng() % 10 ? pick({"20240101", "20231231", "19991231", "20240229", "2024123", "",
                                      "20241301", "2024/1/1", "0000101"})
                              : value(10);
        };
        const auto time = [&] {
            return rng() % 10 ? pick({"0000", "1459", "235959", "1500", "9", "", "2400", "15:00"}) : value(6);
        };
        const auto freq = [&] {
            return rng() % 3
                       ? pick({"7.012", "14070", "21.2", "", "144.1", "1.9", "20m", "40M", "3CM", "abc"})
                       : value(12);
        };
        // Tags in mixed case, one record a line or spread over lines.
        std::string file = pick({"header\r\n<EOH>\r\n", "<adif_ver:5>3.1.4 <eoh>\r\n", ""});
        const auto tag = [&](std::string name, const std::string& v) {
            for (char& c : name)
                if (rng() % 3 == 0 && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
            return "<" + name + ":" + std::to_string(v.size()) + ">" + v + (rng() % 2 ? " " : "");
        };
        for (int n = 0; n < 60; ++n) {
            std::vector<std::string> tags = {tag("CALL", call()), tag("QSO_DATE", date()),
                                             tag("TIME_ON", time())};
            const auto add = [&](std::string name, std::string v) {
                if (rng() % 5) tags.push_back(tag(std::move(name), v));
            };
            add("FREQ", freq());
            add("BAND", pick({"20m", "2M", "60m", "70cm", "", "xyz", "2190M"}));
            add("MODE", pick({"CW", "SSB", "FT8", "MFSK", "", "rtty"}));
            add("SUBMODE", pick({"FT4", "USB", "LSB", "", "js8"}));
            add("RST_SENT", rng() % 4 ? pick({"599", "59", "-10", "5999999999"}) : value(8));
            add("RST_RCVD", rng() % 4 ? pick({"599", "57", ""}) : value(8));
            add("NAME", value(24));
            if (rng() % 3 == 0) add(pick({"NAME_INTL", "QTH_INTL", "COMMENT_INTL"}), value(12));
            add("QTH", value(40));
            add("COMMENT", value(60));
            add("NOTES", value(60));
            add("QSL_SENT", pick({"Y", "N", "y", " Y ", "", "R"}));
            add("QSL_RCVD", pick({"Y", "N", "", "V"}));
            add("QSL_VIA", pick({"", "JARL", "BURO", "\x82\xA0"}));
            add("GRIDSQUARE", rng() % 4 ? pick({"PM95", "pm95aa", "JO", ""}) : value(10));
            add("STATION_CALLSIGN", pick({"JA1ZZZ", "", "JA1ZZZ/1", "jr2abc"}));
            if (rng() % 2)
                add("JCC", pick({"1001", "100101", "A1001", "", "0",
                                 "\x82\xA0"
                                 "1001"}));
            else
                add("DXCC", pick({"291", "339", "1", "0", "", "x", " 339 "}));
            add("CNTY", pick({"1001", "10001A", "", "X"}));
            add("STATE", pick({"13", "01", "", "ZZ"}));
            if (rng() % 30 == 0) add("CALL", call());
            if (rng() % 20 == 0) add("\x96\xBC", value(6));  // a name in Shift-JIS
            std::shuffle(tags.begin() + 3, tags.end(), rng);
            const char* sep = rng() % 6 ? "" : "\r\n";
            for (const std::string& t : tags) file += t + sep;
            file += rng() % 20 ? "<EOR>\r\n" : "<eor>\n\r\n";
        }
        if (utf8) file = trelvo::text::Cp932ToUtf8(file);

        const std::string_view in(file);
        AdifReadOptions read;
        read.inputBytes = &in;
        read.encoding = utf8 ? AdifEncoding::Utf8 : AdifEncoding::Cp932;
        RecordingCallbacks cb;
        const AdifScanResult scan = ScanAdifTags("in.adi", read, cb);
        AdifMappingModel model(scan.table.Names());
        model.AutoMap();
        // Now and then other marks: any tag to any column.
        for (int i = rng() % 4 ? 0 : 1 + static_cast<int>(rng() % 4); i > 0; --i)
            model.Click(1 + static_cast<int>(rng() % static_cast<unsigned>(scan.table.Count())),
                        1 + static_cast<int>(rng() % kColumnCount));
        if (rng() % 6 == 0) {
            model.SetFixedText(pick({"fixed", "\xE7\xA7\xBB\xE5\x8B\x95", "  "}));
            model.SetTarget(rng() % 2 ? FixedTextTarget::Remarks1 : FixedTextTarget::Remarks2);
        }
        const AdifMapping mapping = model.BuildMapping();

        for (int set = 0; set < 8; ++set) {
            AdifLineOptions line;
            line.widths = trelvo::hamlog::DefaultHdbFieldLengths();
            if (set % 2)  // narrow: every cut bites
                for (int& w : line.widths) w = static_cast<int>(rng() % 8);
            line.jstForJa = rng() % 2;
            line.qslIssueFlag = rng() % 2;
            line.qslSentFlag = rng() % 2;
            line.qslRcvdFlag = rng() % 2;
            if (rng() % 3 == 0)
                line.marks = {pick({"J", "", "\xE6\xB8\x88"}), pick({"*", "", "\xE2\x97\x8B"}),
                              pick({"*", "R"}), pick({"Y", "N"}), pick({"Y", "V"})};
            line.cut =
                rng() % 3 ? trelvo::text::ByteCut::kCharacters : trelvo::text::ByteCut::kLegacyLeadByte;
            if (rng() % 2) line.dxcc = &dxcc;
            AdifMeterState meter;
            meter.freq = FreqConversionOfOption(static_cast<int>(rng() % 4));
            meter.meterQuestionAnswered = rng() % 3 == 0;
            const bool answer = rng() % 3;
            const Outcome fast = Convert(file, scan, mapping, line, meter, answer, true);
            const Outcome slow = Convert(file, scan, mapping, line, meter, answer, false);
            ASSERT_TRUE(fast == slow) << "round " << round << " set " << set << "\n"
                                      << trelvo::text::Cp932ToUtf8(fast.output) << "\n----\n"
                                      << trelvo::text::Cp932ToUtf8(slow.output);
        }
    }
}
