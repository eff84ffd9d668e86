// The reader's line and record splitting (block scans, SSE2 where there is one) against a
// plain reading of the same rules, one byte at a time, on random files: every byte value,
// every line end, markers in any case and cut anywhere, double-byte characters whose second
// byte looks like a letter or a marker, lines far longer than one 16-byte step.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "importers/adif/adif_reader.h"
#include "text/cp932.h"

using namespace trelvo::adif;

namespace {

// The rules, read plainly: lines end at CR, CR LF and (when told) LF; before the header a line
// is only looked at for "<EOH>"; after it every line is upper-cased and joined to the record
// so far, a line without "<EOR>" losing its LFs; a line with "<EOH>" is dropped; a line with
// "<EOR>" ends the record, which then loses each "<EOR>" (prescan) or "EOR>" (run) that
// starts a character, from left to right.
struct PlainReader {
    bool lf;
    bool utf8;
    bool run;
    bool headerless;

    std::vector<std::string> Lines(const std::string& s) const {
        std::vector<std::string> lines;
        std::string line;
        bool any = false;
        for (std::size_t i = 0; i < s.size(); ++i) {
            const char c = s[i];
            if (c == '\r' || (lf && c == '\n')) {
                lines.push_back(line);
                line.clear();
                any = false;
                if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
            } else {
                line += c;
                any = true;
            }
        }
        if (any) lines.push_back(line);
        return lines;
    }

    std::string Upper(std::string s) const {
        for (std::size_t i = 0; i < s.size();) {
            const auto c = static_cast<unsigned char>(s[i]);
            if (c >= 'a' && c <= 'z') {
                s[i] = static_cast<char>(c - 32);
                ++i;
            } else if (c < 0x80) {
                ++i;
            } else if (!utf8) {
                if (trelvo::text::IsCp932LeadByte(c) && i + 1 < s.size()) {
                    const auto t = static_cast<unsigned char>(s[i + 1]);
                    if (c == 0x82 && t >= 0x81 && t <= 0x9A) s[i + 1] = static_cast<char>(t - 0x21);
                    i += 2;
                } else {
                    ++i;
                }
            } else {
                if (c == 0xEF && i + 2 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0xBD) {
                    const auto t = static_cast<unsigned char>(s[i + 2]);
                    if (t >= 0x81 && t <= 0x9A) {
                        s[i + 1] = static_cast<char>(0xBC);
                        s[i + 2] = static_cast<char>(t + 0x20);
                    }
                }
                ++i;
            }
        }
        return s;
    }

    std::string RemoveEor(const std::string& s) const {
        const std::string pattern = run ? "EOR>" : "<EOR>";
        std::vector<bool> starts(s.size() + 1, true);
        if (!utf8) {
            std::fill(starts.begin(), starts.end(), false);
            for (std::size_t i = 0; i < s.size();) {
                starts[i] = true;
                i += trelvo::text::IsCp932LeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
            }
        }
        std::string out;
        for (std::size_t i = 0; i < s.size();) {
            if (starts[i] && s.compare(i, pattern.size(), pattern) == 0) {
                i += pattern.size();
            } else {
                out += s[i++];
            }
        }
        return out;
    }

    static bool HasNoCase(const std::string& line, const std::string& what) {
        std::string up = line;
        for (char& c : up)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        return up.find(what) != std::string::npos;
    }

    // The records, and in `ends` the number of the line each one ends on.
    std::vector<std::string> Records(const std::string& bytes, std::vector<long long>* ends = nullptr) const {
        std::vector<std::string> records;
        std::string record;
        bool header = headerless;
        long long number = 0;
        for (const std::string& line : Lines(bytes)) {
            ++number;
            if (!header) {
                header = HasNoCase(line, "<EOH>");
                continue;
            }
            std::string up = Upper(line);
            if (up.find("<EOH>") != std::string::npos) continue;
            if (up.find("<EOR>") == std::string::npos) {
                std::erase(up, '\n');
                record += up;
                continue;
            }
            record = RemoveEor(record + up);
            if (!record.empty()) {
                records.push_back(record);
                if (ends) ends->push_back(number);
            }
            record.clear();
        }
        return records;
    }
};

// The tags of a record read plainly, as SplitAdifRecords writes them: a name runs from a "<"
// to the next ":", its value from the next ">" to the next "<", both trimmed of spaces.
std::string PlainTags(const std::string& record, bool run) {
    std::string out;
    const auto piece = [&out](std::string_view s) {
        bool ascii = true;
        for (char c : s) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        out += std::to_string(s.size()) + (ascii ? "a" : "n") + ":";
        out += s;
    };
    const auto trim = [](std::string_view s) {
        while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
        while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
        return s;
    };
    const std::string_view r = record;
    for (std::size_t lt = r.find('<'); lt != std::string_view::npos; lt = r.find('<', lt)) {
        const std::size_t colon = r.find(':', lt + 1);
        if (colon == std::string_view::npos) break;
        piece(trim(r.substr(lt + 1, colon - lt - 1)));
        if (run) {
            const std::size_t gt = r.find('>', colon);
            const std::size_t end = gt == std::string_view::npos ? gt : r.find('<', gt + 1);
            piece(gt == std::string_view::npos ? std::string_view()
                                               : trim(r.substr(gt + 1, std::min(end, r.size()) - gt - 1)));
        }
        lt = colon + 1;
    }
    return out;
}

// Random bytes built from the pieces the rules care about.
std::string RandomFile(std::mt19937& rng, std::size_t pieces) {
    static const std::vector<std::string> kPieces = {
        "<",          ">",     ":",     "<EOR>",        "<eor>",        "<EOR>\r\n",    "<eOr>\r",  "<EOR>\n",
        " <EOR>\r\n", "<EoR>", "EOR>",  "<EOH>",        "<eoh>",        "<E",           "OR>",      "R>",
        "\r",         "\n",    "\r\n",  "\n\r",         "<CALL:5>",     "<call:4>",     " ",        "abc",
        "XYZ",        "a",     "z",     "\x82\x81",     "\x82\x9a",     "\x82\x60",     "\x83\x61", "\x81<",
        "\x82R>",     "\x82",  "\xE0R", "\xEF\xBD\x81", "\xEF\xBD\x9A", "\xEF\xBC\xA1", "\x00",     "\xFF",
        "\xA0",       "\x7F"};
    // One piece more: a run longer than a 16-byte step, without a marker.
    std::uniform_int_distribution<std::size_t> pick(0, kPieces.size() + 4);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string s;
    for (std::size_t i = 0; i < pieces; ++i) {
        const std::size_t k = pick(rng);
        if (k < kPieces.size())
            s += kPieces[k];
        else if (k == kPieces.size())
            s += "0123456789abcdefghijklmnopqrstuvwxyz";
        else
            s += static_cast<char>(byte(rng));
    }
    return s;
}

// The records, their tags and the line each ends on, as the reader and the plain reading give
// them, compared; `where` names the case in a failure.
void ExpectPlainReading(const std::string& bytes, const AdifReadOptions& o, const PlainReader& plain,
                        const std::string& where) {
    std::vector<std::string> tags;
    std::vector<long long> lines, plainLines;
    const std::vector<std::string> records = SplitAdifRecords(bytes, o, plain.run, &tags, &lines);
    ASSERT_EQ(records, plain.Records(bytes, &plainLines)) << where;
    ASSERT_EQ(lines, plainLines) << where;
    ASSERT_EQ(tags.size(), records.size()) << where;
    for (std::size_t i = 0; i < records.size(); ++i)
        ASSERT_EQ(tags[i], PlainTags(records[i], plain.run)) << where << " record " << i;
}

}  // namespace

TEST(AdifSplit, MatchesThePlainReadingOnRandomFiles) {
    std::mt19937 rng(20261207);
    std::uniform_int_distribution<std::size_t> size(0, 600);
    int compared = 0;
    for (int round = 0; round < 1500; ++round) {
        const bool headerless = round % 3 == 0;
        std::string bytes =
            (headerless ? "" : RandomFile(rng, size(rng) / 8) + "<eoh>\r\n") + RandomFile(rng, size(rng));
        // ADIF's XML form is read another way.
        const std::size_t first = bytes.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
        if (first != std::string::npos && bytes[first] == '<') bytes.insert(0, "x");
        for (int variant = 0; variant < 8; ++variant) {
            AdifReadOptions o;
            o.lfEndsLine = variant & 1;
            o.detectLineEnds = variant & 4;
            o.encoding = (variant & 2) ? AdifEncoding::Utf8 : AdifEncoding::Cp932;
            o.headerless = headerless;
            const bool lf = o.detectLineEnds ? bytes.find('\r') == std::string::npos : o.lfEndsLine;
            for (bool run : {false, true}) {
                ExpectPlainReading(bytes, o, PlainReader{lf, (variant & 2) != 0, run, headerless},
                                   "round " + std::to_string(round) + " variant " + std::to_string(variant) +
                                       " run " + std::to_string(run));
                if (HasFatalFailure()) return;
                ++compared;
            }
        }
    }
    EXPECT_EQ(compared, 1500 * 16);
}

// A file larger than one read block: lines and markers cut by the block boundary.
TEST(AdifSplit, MatchesThePlainReadingAcrossReadBlocks) {
    std::mt19937 rng(7);
    std::string bytes = "<EOH>\r\n";
    while (bytes.size() < (3u << 20)) bytes += RandomFile(rng, 200);
    for (bool run : {false, true}) {
        AdifReadOptions o;
        o.detectLineEnds = false;
        o.encoding = AdifEncoding::Cp932;
        EXPECT_EQ(SplitAdifRecords(bytes, o, run), (PlainReader{false, false, run, false}.Records(bytes)));
    }
}

// Records written over several lines, as loggers that put one tag on a line do: most of them
// read in one go, the others (a line that ends inside a character, an "R>" or "<EOH>" made or
// cut by a line end, an LF of its own, something after the "<EOR>") line by line.
TEST(AdifSplit, MatchesThePlainReadingOnRecordsOverLines) {
    static const std::vector<std::string> kValues = {"599",
                                                     "Tokyo",
                                                     "toKyo r",
                                                     "\x93\x8c\x8b\x9e",
                                                     "\x83\x61",
                                                     "\x82\x81\x82\x9a",
                                                     "\x82",
                                                     "\x83",
                                                     "\xEF\xBD\x81",
                                                     "\xEF",
                                                     "\xEF\xBD",
                                                     "R",
                                                     "r",
                                                     "<E",
                                                     "<e",
                                                     "OH>",
                                                     "eor",
                                                     "",
                                                     " ",
                                                     "\x00",
                                                     "ab<cd"};
    static const std::vector<std::string> kEnds = {"\r\n", "\r\n", "\r\n", "\r", "\n", "\n\r", "\r\n\r\n"};
    std::mt19937 rng(120726);
    std::uniform_int_distribution<std::size_t> value(0, kValues.size() - 1), end(0, kEnds.size() - 1);
    std::uniform_int_distribution<int> count(1, 6), odd(0, 19);
    for (int round = 0; round < 400; ++round) {
        std::string bytes = "head\r\n<EOH>\r\n";
        const int records = count(rng) * 3;
        for (int r = 0; r < records; ++r) {
            for (int t = count(rng); t > 0; --t) {
                bytes += "<" + std::string(odd(rng) == 0 ? "Ca\x83" : "call") + ":3";
                if (odd(rng) == 0) bytes += kValues[value(rng)] + kEnds[end(rng)];  // "R" and ">" apart
                bytes += ">" + kValues[value(rng)];
                if (odd(rng) == 0) bytes += kValues[value(rng)];
                bytes += kEnds[end(rng)];
            }
            const int last = odd(rng);
            bytes += last == 0   ? "<eOr> x"
                     : last == 1 ? "x <EOR>"
                     : last == 2 ? "<EO" + kEnds[end(rng)] + "R>"
                                 : "<EOR>";
            bytes += kEnds[end(rng)];
        }
        for (int variant = 0; variant < 4; ++variant) {
            AdifReadOptions o;
            o.lfEndsLine = variant & 1;
            o.detectLineEnds = false;
            o.encoding = (variant & 2) ? AdifEncoding::Utf8 : AdifEncoding::Cp932;
            for (bool run : {false, true}) {
                ExpectPlainReading(bytes, o, PlainReader{o.lfEndsLine, (variant & 2) != 0, run, false},
                                   "round " + std::to_string(round) + " variant " + std::to_string(variant) +
                                       " run " + std::to_string(run));
                if (HasFatalFailure()) return;
            }
        }
    }
}
