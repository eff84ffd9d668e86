#include "importers/jap1/jap1_import.h"

#include "core/errors.h"
#include "core/file_checks.h"
#include "core/platform.h"
#include "csvout/station_rules.h"
#include "importers/jap1/csv_values.h"
#include "text/chars.h"
#include "text/datetime.h"
#include "text/io.h"
#include "text/numfmt.h"

namespace trelvo::jap1 {
namespace {

// Seven-character codes carry a letter suffix as two digits: "1234501" is "12345A".
std::string ConvertCode(const std::string& code, std::vector<Message>& problems) {
    if (text::CharCount(code) != 7) return code;
    const std::string suffix = text::CharRight(code, 2);
    const std::optional<long long> n = text::WholeNumber(suffix);
    if (!n || *n < 1 || *n > 26) {
        problems.push_back(Message("jap1.code-suffix").Arg("value", code).Arg("suffix", suffix));
        return code;
    }
    return text::CharLeft(code, 5) + static_cast<char>('@' + *n);
}

// The QTH goes with no code, or with a code whose first four characters are 4800 or more.
std::string ConvertQth(const std::string& code, const std::string& qth, std::vector<Message>& problems) {
    if (code.empty()) return qth;
    const std::string head = text::CharLeft(code, 4);
    const std::optional<long long> n = text::WholeNumber(head);
    if (!n) {
        problems.push_back(Message("jap1.code-not-number").Arg("value", code).Arg("head", head));
        return qth;
    }
    return *n >= 4800 ? qth : std::string();
}

// QSL status: its last character gives the issue and sent marks ("/" gives "J*", "J", "M" and
// "N" give themselves and no sent mark), a leading "/" the received mark, and a leading "M"
// the issue mark "M" whatever the last character.
std::string ConvertQsl(const std::string& status, std::vector<Message>& problems) {
    const std::string first = text::CharLeft(status, 1);
    const std::string last = text::CharRight(status, 1);
    std::string issue = " ", sent = " ";
    const std::string rcvd = first == "/" ? "*" : " ";
    if (last == "/") {
        issue = "J";
        sent = "*";
    } else if (last == "J" || last == "M" || last == "N") {
        issue = last;
    } else if (!text::Trim(status).empty()) {
        problems.push_back(Message("jap1.qsl-status").Arg("value", status).Arg("last", last));
    }
    if (first == "M") issue = "M";
    return issue + sent + rcvd;
}

}  // namespace

void FillJap1Record(const Jap1Values& v, const RemarksConversionTable& table, csvout::HamlogCsvRecord& r,
                    std::vector<Message>& problems) {
    r.Date = text::CharLeft(v[1], 8);
    r.Time = text::CharRight(v[1], 5) + "J";
    const std::string clock = text::CharRight(v[1], 5);
    if (!text::ParseYmdDateTime(r.Date + " " + clock) || clock.find(':') == std::string::npos)
        problems.push_back(
            Message("jap1.date-time").Arg("value", v[1]).Arg("date", r.Date).Arg("time", r.Time));

    csvout::ClassifyStation(text::ReplaceAll(v[0], " ", ""), false, r);
    r.Code = ConvertCode(v[5], problems);
    r.QTH = ConvertQth(v[5], v[9], problems);
    r.HisRST = std::string(text::Trim(text::CharLeft(v[2], 3)));
    r.MyRST = std::string(text::Trim(text::CharRight(v[2], 3)));
    r.Freq = v[3];
    r.Mode = v[4];
    r.GridLoc = v[6];
    r.Name = v[8];
    r.Remarks2 = v[11];
    const std::string* replaced = table.Find(v[10]);
    r.Remarks1 = replaced ? *replaced : v[10];
    r.QSL = ConvertQsl(v[7], problems);
}

std::string DefaultJap1OutputPath(const std::string& programFolder) {
    return JoinPath(programFolder, kOutputName);
}

Jap1Result ConvertJap1Csv(const Jap1Options& options, ConversionCallbacks& callbacks) {
    Jap1Result result;
    const std::string programFolder = options.programFolder.empty() ? ProgramFolder() : options.programFolder;
    result.outputPath =
        options.outputPath.empty() ? DefaultJap1OutputPath(programFolder) : options.outputPath;

    RemarksConversionTable table;
    if (!options.noRemarksTable)
        result.remarksTablePath = options.remarksTablePath.empty() ? FindRemarksConversionTable(programFolder)
                                                                   : options.remarksTablePath;
    CheckInputFile(options.inputPath, Message("role.jap1-file"));
    RefuseSameFiles({{options.inputPath, Message("role.jap1-file"), false},
                     {result.remarksTablePath, Message("role.remarks-table"), false},
                     {result.outputPath, Message("role.output"), true}});
    if (!result.remarksTablePath.empty())
        table = ReadRemarksConversionTable(result.remarksTablePath, callbacks);
    result.remarksPairs = table.pairs.size();

    text::ByteReader in(options.inputPath);
    text::Cp932LineWriter out(result.outputPath);
    ConvertJap1Records(in, table, out, result, callbacks);
    {
        const text::Cp932LineWriter::RunEnd closed = out.CloseImport(result.cancelled, result.records);
        result.keptPath = closed.keptPath;
        result.outputReplaced = closed.outputReplaced;
    }
    return result;
}

Jap1Result ConvertJap1Bytes(std::string_view input, const RemarksConversionTable& table, std::string& output,
                            ConversionCallbacks& callbacks) {
    Jap1Result result;
    result.outputPath = "(memory)";
    text::ByteReader in(input, "(memory)");
    text::Cp932LineWriter out(output, result.outputPath);
    ConvertJap1Records(in, table, out, result, callbacks);
    out.Close();
    return result;
}

void ConvertJap1Records(text::ByteReader& in, const RemarksConversionTable& table, text::Cp932LineWriter& out,
                        Jap1Result& result, ConversionCallbacks& callbacks) {
    const std::string& inputPath = in.Path();
    CsvValueReader values(in);
    csvout::HamlogCsvRecord record;
    Jap1Values v;
    std::vector<Message> problems;

    for (long long counter = 1;; ++counter) {
        if (callbacks.CancelRequested()) {
            result.cancelled = true;
            break;
        }
        if (counter <= kHeaderLines) {
            if (!values.SkipLine()) break;
            continue;
        }
        if (!values.StartRecord()) break;
        const long long number = counter - kHeaderLines;
        // Built only for a record that has something to say, once for all its warnings.
        const long long line = values.LineNumber();
        std::shared_ptr<const Message> place;
        const auto where = [&] {
            if (!place)
                place = std::make_shared<const Message>(
                    Message("jap1.where").Arg("file", inputPath).Arg("record", number).Arg("line", line));
            return place;
        };
        std::size_t got = 0;
        while (got < kValuesPerRecord && values.Next(v[got])) ++got;
        if (got < kValuesPerRecord) {
            callbacks.Warning(Message("jap1.ends-early")
                                  .Arg("where", where())
                                  .Arg("got", got)
                                  .Arg("count", kValuesPerRecord));
            break;
        }
        if (values.LineOpen())
            callbacks.Warning(Message("jap1.too-many-values")
                                  .Arg("where", where())
                                  .Arg("count", kValuesPerRecord)
                                  .Arg("line", values.LineNumber())
                                  .Arg("rest", values.DropRestOfLine()));
        for (std::size_t i = 0; i < kValuesPerRecord; ++i)
            if (v[i].find('\0') != std::string::npos) {
                std::erase(v[i], '\0');
                callbacks.Warning(Message("jap1.nul-bytes").Arg("where", where()).Arg("number", i + 1));
            }
        if (std::size_t bad = values.TakeInvalidBytes())
            callbacks.Warning(Message("jap1.invalid-bytes").Arg("where", where()).Arg("count", bad));
        callbacks.Progress(number);

        problems.clear();
        FillJap1Record(v, table, record, problems);
        for (Message& p : problems)
            callbacks.Warning(Message("jap1.problem").Arg("where", where()).Arg("what", std::move(p)));
        csvout::WriteHamlogCsvLine(out, record);
        csvout::ClearHamlogCsvRecord(record);
        ++result.records;
    }
}

std::string CompletionMessage(const Jap1Result& result, std::string_view lineBreak) {
    return std::to_string(result.records) + " 件の変換が正常終了しました。" + std::string(lineBreak) +
           result.outputPath + " をTurbo HAMLOGから読み込んで下さい";
}

std::string LastJap1Path(settings::IniStore& ini) {
    ini.CurrentIniSection = kIniSection;
    std::string value;
    ini.ReadIniValue(kIniKey, value);
    return value == kIniSection ? std::string() : value;
}

void StoreLastJap1Path(settings::IniStore& ini, const std::string& path) {
    ini.CurrentIniSection = kIniSection;
    ini.WriteIniValue(kIniKey, path);
}

}  // namespace trelvo::jap1
