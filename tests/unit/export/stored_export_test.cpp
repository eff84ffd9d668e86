// The export writes the records of a database file straight from their bytes. Whatever the
// bytes, that must be what the writers over the fetched fields write: the same lines, counts,
// warnings and failures, on random records.
#include "export/stored_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string_view>

#include "export/hamlog_export.h"
#include "hamlog/hand_made_hdb.h"
#include "hamlog/hdb_library.h"
#include "test_support.h"

using namespace trelvo::exports;
using namespace trelvo::testing;
namespace hl = trelvo::hamlog;

namespace {

// Passes every call to a database file's library without being one, so the export fetches
// each field through ThwString.
class Fetching : public hl::HamlogLibrary {
public:
    int GetThdllVersion() override { return lib.GetThdllVersion(); }
    int HamlogOpen(const std::string& base) override { return lib.HamlogOpen(base); }
    int HamlogClose() override { return lib.HamlogClose(); }
    int SetQsoOrMaster(int table) override { return lib.SetQsoOrMaster(table); }
    int Vdbf_rcount() override { return lib.Vdbf_rcount(); }
    int THW_read(int n) override { return lib.THW_read(n); }
    int ThwString(std::string& buffer, int field) override { return lib.ThwString(buffer, field); }
    bool ThwStringTrimmed(std::string& out, int field) override { return lib.ThwStringTrimmed(out, field); }
    int Vidx_search(const std::string& call) override { return lib.Vidx_search(call); }
    int Vidx_next() override { return lib.Vidx_next(); }
    hl::HdbLibrary lib;
};

struct Outcome {
    std::string output, failure;
    long long converted = 0;
    std::size_t blanked = 0;
    std::vector<std::string> warnings;
    bool operator==(const Outcome&) const = default;
};

Outcome Export(hl::HamlogLibrary& lib, ExportOptions o) {
    RecordingCallbacks script;
    const ExportResult r = ExportHamlogData(lib, o, script);
    Outcome out{std::filesystem::exists(o.outputPath) ? ReadBytes(o.outputPath) : "<none>",
                Render(r.failure, trelvo::Lang::kEnglish), r.converted, r.blankedBreaks, script.warnings};
    std::filesystem::remove(o.outputPath);
    return out;
}

}  // namespace

TEST(StoredExport, WritesWhatTheWritersOverTheFieldsWrite) {
    std::mt19937 rng(21);
    auto pick = [&](std::initializer_list<std::string_view> from) {
        return std::string(*(from.begin() + rng() % from.size()));
    };
    // Shift-JIS: kanji, the full-width space and letters, a half-width katakana.
    const char* const kChars[] = {"\x8e\x52", "\x93\x63", "\x90\x5f", "\x81\x40",
                                  "\x82\x60", "\x82\x81", "\xB1"};
    // Fields: spaces at both ends, Shift-JIS characters (cut by the width, too), bytes that
    // are none, NUL, CR, LF, quotes; now and then full to the width. Those the writers read
    // as text are mostly ASCII (else the record goes the long way anyway).
    auto bytes = [&](std::size_t width, bool text = true) {
        std::string s;
        const std::size_t n = rng() % 4 == 0 ? width : rng() % (width + 1);
        while (s.size() < n) {
            const auto k = text || rng() % 40 == 0 ? rng() % 12 : rng() % 2 * 8;
            if (k < 3)
                s += ' ';
            else if (k < 5)
                s += kChars[rng() % 7];
            else if (k == 5)
                s += static_cast<char>(0x81 + rng() % 0x7C);
            else if (k == 6)
                s += rng() % 100 ? "\x80\xA0\xFD"[rng() % 3] : "\0\r\n"[rng() % 3];
            else if (k == 7)
                s += "\"/,"[rng() % 3];
            else
                s += static_cast<char>('0' + rng() % 43);
        }
        return s;
    };
    for (int round = 0; round < 24; ++round) {
        // Every other database has wider texts than the backup's columns, which then cut them.
        const bool wide = round % 2;
        const std::size_t nameWidth = wide ? 16 : 12, qthWidth = wide ? 32 : 28, rmkWidth = wide ? 60 : 54;
        std::vector<HandRecord> records(40);
        for (HandRecord& r : records) {
            r.mark = rng() % 30 == 0 ? '*' : ' ';
            r.calls = pick({"JA1ABC", "ja1abc", "JA1/QRP", "W1AW", " KH6", "JH1\x82\xA0",
                            std::string_view("JA1\0B", 5), "JA1ABCDE", "8J1RL", "J", "7K1XYZ", "A,J"});
            r.ign = pick({"", "QRP/3", "  QRP", "FG     QRP/3", "  /QRP", "1", "\r", "KH6"});
            r.flag = static_cast<unsigned>(rng() % 16);
            r.century = rng() % 200 == 0 ? 100 : 19 + static_cast<int>(rng() % 3);
            r.year = static_cast<int>(rng() % 100);
            r.month = 1 + static_cast<int>(rng() % 12);
            r.day = 1 + static_cast<int>(rng() % (rng() % 100 == 0 ? 31 : 28));
            r.hour = static_cast<int>(rng() % (rng() % 100 == 0 ? 120 : 24));
            r.minute = static_cast<int>(rng() % (rng() % 100 == 0 ? 128 : 60)) | (rng() % 2 ? 0x80 : 0);
            r.code = rng() % 6 ? pick({"1101", "110", "10", "501A", "499A", "12345", "12345A", "123456", ""})
                               : bytes(6, false);
            r.gl = bytes(6, false);
            r.qsl = std::string(1, rng() % 10 ? "J N*"[rng() % 4] : "\0\x82\r"[rng() % 3]) + "* "[rng() % 2] +
                    " *\n"[rng() % 3];
            r.his = bytes(3, false);
            r.my = bytes(3, false);
            r.freq = rng() % 2 ? pick({"7.012", "14.205", "1.2", "*10", "430", "7", "1e3", "abc"})
                               : bytes(7, false);
            r.mode = rng() % 2 ? pick({"CW", "PH", "RY", "SSB", "FT8", "cw"}) : bytes(4, false);
            r.name = bytes(nameWidth);
            r.qth = bytes(qthWidth);
            r.rmk1 = bytes(rmkWidth);
            r.rmk2 = bytes(54);
        }
        auto fields = DefaultFields();
        fields[12].second = static_cast<int>(nameWidth);
        fields[13].second = static_cast<int>(qthWidth);
        fields[14].second = static_cast<int>(rmkWidth);
        std::string hdb = HandHeader(fields, static_cast<std::uint32_t>(records.size()));
        for (const HandRecord& r : records)
            hdb += r.Bytes().substr(0, 61) + Pad(r.name, nameWidth) + Pad(r.qth, qthWidth) +
                   Pad(r.rmk1, rmkWidth) + Pad(r.rmk2, 54);
        ScratchDir dir;
        WriteBytes(dir.File("Hamlog.HDB"), hdb + '\x1A');
        WriteBytes(dir.File("HL2ADIF.txt"), "501\t291\r\n");
        for (int set = 0; set < 12; ++set) {
            ExportOptions o;
            o.dbPath = dir.File("Hamlog.HDB");
            o.outputPath = dir.File("out.txt");
            o.programFolder = dir.Path();
            o.kind = set < 4   ? ExportKind::kAdif
                     : set < 7 ? ExportKind::kCsv
                     : set < 9 ? ExportKind::kCsv5
                               : ExportKind::kBackup;
            o.writer.ExportKhz = set == 1;
            o.writer.ExportCodeOff = set == 2;
            o.writer.ExportTownCodeOff = set == 3;
            if (set == 5 || set == 8 || set == 10) o.writer.encoding = OutputEncoding::kUtf8;
            if (set == 11) o.writer.SelectedMode = "CW";
            if (set == 0 || set == 6 || set == 9) {
                o.range = RangeMode::kDates;
                o.dateFrom = "19900101";
                o.dateTo = "20291231";
            }
            hl::HdbLibrary bytesWay;
            Fetching fieldsWay;
            const Outcome a = Export(bytesWay, o), b = Export(fieldsWay, o);
            ASSERT_TRUE(a == b) << "round " << round << " set " << set << "\n"
                                << a.output << "\n----\n"
                                << b.output << "\n"
                                << a.failure << "\n"
                                << b.failure;
        }
    }
}
