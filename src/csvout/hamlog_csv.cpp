#include "csvout/hamlog_csv.h"

#include "text/chars.h"

namespace trelvo::csvout {

void ClearHamlogCsvRecord(HamlogCsvRecord& r) {
    static_assert(sizeof(HamlogCsvRecord) == 18 * sizeof(std::string),
                  "a new field must be cleared here too");
    // Field by field, so the strings keep their storage for the next contact.
    for (std::string* f : {&r.Call, &r.PortablePart, &r.Date, &r.Time, &r.Freq, &r.HisRST, &r.MyRST, &r.Mode,
                           &r.Code, &r.GridLoc, &r.QTH, &r.Name, &r.Remarks1, &r.Remarks2, &r.StationClass,
                           &r.QslIssueMark, &r.QslSentMark})
        f->clear();
    r.QSL.assign(3, ' ');
}

std::string FormatHamlogCsvLine(const HamlogCsvRecord& r) {
    const std::string qsl = text::CharFit(r.QSL, 3);
    const std::string* fields[] = {&r.Call, &r.Date, &r.Time,     &r.HisRST,   &r.MyRST,
                                   &r.Freq, &r.Mode, &r.Code,     &r.GridLoc,  &qsl,
                                   &r.Name, &r.QTH,  &r.Remarks1, &r.Remarks2, &r.StationClass};
    std::string line;
    line.reserve(128);
    bool first = true;
    for (const std::string* f : fields) {
        if (!first) line += ',';
        first = false;
        line += '"';
        line += *f;
        line += '"';
    }
    return line;
}

void WriteHamlogCsvLine(text::Cp932LineWriter& file, const HamlogCsvRecord& record) {
    file.WriteLine(FormatHamlogCsvLine(record));
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
