#include "csvout/hamlog_csv.h"

#include "text/chars.h"
#include "text/cp932.h"

namespace trelvo::csvout {

void ClearHamlogCsvRecord(HamlogCsvRecord& r) {
    static_assert(sizeof(HamlogCsvRecord) == 18 * sizeof(std::string) + 2 * sizeof(std::size_t),
                  "a new field must be cleared here too");
    // Field by field, so the strings keep their storage for the next contact.
    for (std::string* f : {&r.Call, &r.PortablePart, &r.Date, &r.Time, &r.Freq, &r.HisRST, &r.MyRST, &r.Mode,
                           &r.Code, &r.GridLoc, &r.QTH, &r.Name, &r.Remarks1, &r.Remarks2, &r.StationClass,
                           &r.QslIssueMark, &r.QslSentMark})
        f->clear();
    r.QSL.assign(3, ' ');
    r.cp932Fields = 0;
    r.cp932Unmappable = 0;
}

namespace {

// The fields in the order of writing (kWrittenFields of them); `bytes` the kBytes flag of the
// field, 0 for none.
constexpr std::size_t kWrittenFields = 15;
struct Written {
    const std::string* text;
    unsigned bytes;
};

template <typename Out>
void ForEachWritten(const HamlogCsvRecord& r, const std::string& qsl, Out&& out) {
    const Written fields[] = {{&r.Call, 0},
                              {&r.Date, 0},
                              {&r.Time, 0},
                              {&r.HisRST, 0},
                              {&r.MyRST, 0},
                              {&r.Freq, 0},
                              {&r.Mode, 0},
                              {&r.Code, 0},
                              {&r.GridLoc, 0},
                              {&qsl, 0},
                              {&r.Name, kBytesName},
                              {&r.QTH, kBytesQth},
                              {&r.Remarks1, kBytesRemarks1},
                              {&r.Remarks2, kBytesRemarks2},
                              {&r.StationClass, 0}};
    static_assert(sizeof fields / sizeof fields[0] == kWrittenFields);
    for (const Written& f : fields) out(*f.text, (r.cp932Fields & f.bytes) != 0);
}

// QSL as written: three characters (the field is three spaces or marks nearly always).
const std::string& QslOf(const HamlogCsvRecord& r, std::string& scratch) {
    if (r.QSL.size() == 3 && text::IsAscii(r.QSL)) return r.QSL;
    scratch = text::CharFit(r.QSL, 3);
    return scratch;
}

}  // namespace

std::string FormatHamlogCsvLine(const HamlogCsvRecord& r) {
    std::string scratch;
    std::string line;
    line.reserve(128);
    ForEachWritten(r, QslOf(r, scratch), [&](const std::string& f, bool bytes) {
        line += line.empty() ? "\"" : ",\"";
        line += bytes ? text::Cp932ToUtf8(f) : f;
        line += '"';
    });
    return line;
}

void WriteHamlogCsvLine(text::Cp932LineWriter& file, const HamlogCsvRecord& record) {
    std::string scratch;
    // The quote that opens the first field; then each field and what closes it (and opens the
    // next).
    file.AppendCp932("\"");
    std::size_t written = 0;
    ForEachWritten(record, QslOf(record, scratch), [&](const std::string& f, bool bytes) {
        if (bytes)
            file.AppendCp932(f);
        else
            file.Append(f);
        file.AppendCp932(++written < kWrittenFields ? "\",\"" : "\"");
    });
    file.AppendCp932({}, record.cp932Unmappable);
    file.EndLine();
}

std::string FirstCharOrSpace(const std::string& mark) {
    return mark.empty() ? std::string(" ") : text::CharLeft(mark, 1);
}

std::string MakeQslField(const std::string* issueMark, const std::string* sentMark,
                         const std::string* rcvdMark) {
    std::string q;
    q += issueMark ? FirstCharOrSpace(*issueMark) : " ";
    q += sentMark ? FirstCharOrSpace(*sentMark) : " ";
    q += rcvdMark ? FirstCharOrSpace(*rcvdMark) : " ";
    return q;
}

}  // namespace trelvo::csvout
