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
        callbacks.Warning(Message("remconv.utf8").Arg("file", path));
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
        const Message where = Message("remconv.where")
                                  .Arg("file", path)
                                  .Arg("number", table.pairs.size() + 1)
                                  .Arg("line", line);
        RemarksPair pair;
        values.Next(pair.from);
        const bool fromAlone = !values.LineOpen();
        if (!values.Next(pair.to)) {
            callbacks.Warning(Message("remconv.ends-early").Arg("where", where).Arg("value", pair.from));
            break;
        }
        if (fromAlone)
            callbacks.Warning(Message("remconv.from-alone")
                                  .Arg("where", where)
                                  .Arg("value", pair.from)
                                  .Arg("to", pair.to)
                                  .Arg("line", values.LineNumber()));
        if (values.LineOpen())
            callbacks.Warning(
                Message("remconv.too-many-values").Arg("where", where).Arg("rest", values.DropRestOfLine()));
        if (std::size_t bad = values.TakeInvalidBytes())
            callbacks.Warning(Message("remconv.invalid-bytes").Arg("where", where).Arg("count", bad));
        table.pairs.push_back(std::move(pair));
    }
    if (table.linesNotRead > 0)
        callbacks.Warning(Message("remconv.too-many-pairs")
                              .Arg("file", path)
                              .Arg("count", kRemarksTableSize)
                              .Arg("rest", table.linesNotRead)
                              .Arg("line", firstNotRead));
    return table;
}

std::string FindRemarksConversionTable(const std::string& programFolder) {
    return settings::SearchFilePath(kRemarksTableName, programFolder);
}

}  // namespace trelvo::jap1
