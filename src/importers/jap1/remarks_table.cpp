#include "importers/jap1/remarks_table.h"

#include "importers/jap1/csv_values.h"
#include "settings/file_search.h"
#include "text/cp932.h"
#include "text/io.h"

namespace trelvo::jap1 {

const std::string* RemarksConversionTable::Find(std::string_view remarks) const {
    for (const RemarksPair& p : pairs)
        if (p.from == remarks) return &p.to;
    return nullptr;
}

RemarksConversionTable ReadRemarksConversionTable(const std::string& path, ConversionCallbacks& callbacks) {
    RemarksConversionTable table;
    table.path = path;
    if (text::LooksLikeUtf8(text::ReadFileBytes(path)))
        callbacks.Warning(path + ": the file looks like UTF-8 text; it is read as Shift-JIS (CP932), so "
                                 "save it as Shift-JIS for its Japanese pairs to work");
    text::ByteReader in(path);
    CsvValueReader values(in);
    long long firstNotRead = 0;
    while (values.StartRecord()) {
        const long long line = values.LineNumber();
        if (table.pairs.size() == kRemarksTableSize) {
            if (firstNotRead == 0) firstNotRead = line;
            ++table.linesNotRead;
            values.DropRestOfLine();
            continue;
        }
        const std::string where = path + ", pair " + std::to_string(table.pairs.size() + 1) + " (line " +
                                  std::to_string(line) + ")";
        RemarksPair pair;
        values.Next(pair.from);
        const bool fromAlone = !values.LineOpen();
        if (!values.Next(pair.to)) {
            callbacks.Warning(where + ": the file ends after the from-text \"" + pair.from +
                              "\"; this pair is not used");
            break;
        }
        if (fromAlone)
            callbacks.Warning(where + ": the from-text \"" + pair.from +
                              "\" is alone on its line; its to-text \"" + pair.to +
                              "\" was taken from line " + std::to_string(values.LineNumber()));
        if (values.LineOpen())
            callbacks.Warning(where + ": more than two values; \"" + values.DropRestOfLine() +
                              "\" is ignored");
        if (std::size_t bad = values.TakeInvalidBytes())
            callbacks.Warning(where + ": " + std::to_string(bad) +
                              " byte(s) that are not Shift-JIS (CP932) text are read as \"?\"");
        table.pairs.push_back(std::move(pair));
    }
    if (table.linesNotRead > 0)
        callbacks.Warning(path + ": only the first " + std::to_string(kRemarksTableSize) +
                          " pairs are used; " + std::to_string(table.linesNotRead) +
                          " further line(s) from line " + std::to_string(firstNotRead) + " on are not read");
    return table;
}

std::string FindRemarksConversionTable(const std::string& programFolder) {
    return settings::SearchFilePath(kRemarksTableName, programFolder);
}

}  // namespace trelvo::jap1
