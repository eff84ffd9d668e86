#include "hamlog/hdb_header.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "core/errors.h"
#include "hamlog/db_file.h"
#include "settings/file_search.h"
#include "text/cp932.h"
#include "text/datetime.h"

namespace trelvo::hamlog {

HdbFieldLengths DefaultHdbFieldLengths() {
    return {20, 8, 12, 4, 2, 6, 6, 3, 2, 3, 3, 7, 4, 12, 28, 54, 54};
}

HdbFieldLengths HdbHeader::FieldLengths() const {
    HdbFieldLengths len{};
    for (std::size_t i = 0; i < 16 && i < fields.size(); ++i) len[i + 1] = fields[i].width;
    len[0] = len[1] + len[2];
    return len;
}

namespace {

std::string Hex(unsigned char c) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string("0x") + kDigits[c >> 4] + kDigits[c & 0x0F];
}

// The checks on the header bytes themselves; `b` holds the header (or the whole file when it
// is shorter), `fileSize` the size of the file.
HdbHeader CheckHeaderBytes(std::string_view b, std::uint64_t fileSize, const std::string& path) {
    auto bad = [&](const Message& what) {
        return HdbCheckError(HdbProblem::kNotHamlog, path, Message("hdb.not-hamlog").Arg("what", what));
    };
    if (b.size() < kDbfFixedHeaderBytes) throw bad(Message("hdb.too-short"));
    HdbHeader h;
    h.version = static_cast<unsigned char>(b[0]);
    h.updateYear = 1900 + static_cast<unsigned char>(b[1]);
    h.updateMonth = static_cast<unsigned char>(b[2]);
    h.updateDay = static_cast<unsigned char>(b[3]);
    h.recordCount = GetLe32(b, 4);
    h.headerLength = static_cast<int>(GetLe16(b, 8));
    h.recordLength = static_cast<int>(GetLe16(b, 10));
    if (h.version != 0x03 && h.version != 0x1A)
        throw bad(Message("hdb.first-byte").Arg("value", Hex(h.version)));
    if (h.headerLength < static_cast<int>(kDbfFixedHeaderBytes) + 32 * 16 + 1)
        throw bad(Message("hdb.header-too-small").Arg("count", h.headerLength));
    if (fileSize < static_cast<std::uint64_t>(h.headerLength) ||
        b.size() < static_cast<std::size_t>(h.headerLength))
        throw bad(Message("hdb.header-past-end").Arg("count", h.headerLength).Arg("size", fileSize));
    const auto headerLength = static_cast<std::size_t>(h.headerLength);
    std::size_t at = 32;
    int offset = 1;
    for (; at + 32 <= headerLength && b[at] != '\x0D'; at += 32) {
        HdbFieldDescriptor d;
        std::string_view name = b.substr(at, 11);
        name = name.substr(0, name.find('\0'));
        while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
        d.name = std::string(name);
        d.type = b[at + 11];
        d.width = static_cast<unsigned char>(b[at + 16]);
        d.offset = offset;
        offset += d.width;
        h.fields.push_back(std::move(d));
    }
    const std::size_t n = h.fields.size();
    // The descriptors end with 0x0D; some writers add one NUL byte after it.
    const std::size_t expected = 32 * n + 33;
    const bool endsRight =
        at < headerLength && b[at] == '\x0D' &&
        (headerLength == expected || (headerLength == expected + 1 && b[expected] == '\0'));
    if (!endsRight)
        throw bad(Message("hdb.header-length")
                      .Arg("count", h.headerLength)
                      .Arg("fields", n)
                      .Arg("expected", expected));
    for (std::size_t i = 0; i < 16; ++i)
        if (h.fields[i].name != kHdbFieldNames[i])
            throw bad(Message("hdb.field-name")
                          .Arg("number", i + 1)
                          .Arg("value", text::Cp932ToUtf8(h.fields[i].name))
                          .Arg("name", kHdbFieldNames[i]));
    if (offset != h.recordLength)
        throw bad(Message("hdb.widths-sum")
                      .Arg("sum", offset - 1)
                      .Arg("record", h.recordLength)
                      .Arg("need", h.recordLength - 1));
    auto need = [&](int index, int width) {
        if (h.fields[static_cast<std::size_t>(index)].width < width)
            throw bad(Message("hdb.field-too-narrow")
                          .Arg("number", index + 1)
                          .Arg("name", kHdbFieldNames[static_cast<std::size_t>(index)])
                          .Arg("width", h.fields[static_cast<std::size_t>(index)].width)
                          .Arg("need", width));
    };
    need(kHdbCalls, 1);
    need(kHdbDate, 4);
    need(kHdbTime, 2);
    need(kHdbFlag, 2);
    if (!text::IsValidDate(h.updateYear, h.updateMonth, h.updateDay)) {
        char date[40];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d", h.updateYear, h.updateMonth, h.updateDay);
        throw bad(Message("hdb.bad-update-date").Arg("value", date));
    }
    return h;
}

}  // namespace

CheckedHdb CheckHdbHeader(const std::string& path) {
    const std::string found = settings::ResolvePathNoCase(path);
    const std::string& name = found.empty() ? path : found;
    DbOpenStatus status;
    Message reason;
    std::FILE* f = OpenDatabaseForReading(name, status, &reason);
    if (!f) {
        const HdbProblem problem = status == DbOpenStatus::kNotFound          ? HdbProblem::kNotFound
                                   : status == DbOpenStatus::kHeldExclusively ? HdbProblem::kInUse
                                                                              : HdbProblem::kCannotRead;
        throw HdbCheckError(problem, name, Message("hdb.cannot-open").Arg("reason", reason));
    }
    struct CloseOnExit {
        std::FILE* f;
        ~CloseOnExit() { std::fclose(f); }
    } close{f};
    return CheckHdbStream(f, name);
}

CheckedHdb CheckHdbStream(std::FILE* f, const std::string& name) {
    std::string head(kDbfFixedHeaderBytes, '\0');
    std::size_t got = std::fread(head.data(), 1, head.size(), f);
    head.resize(got);
    if (got == kDbfFixedHeaderBytes) {
        const std::size_t headerLength = GetLe16(head, 8);
        if (headerLength > got) {
            head.resize(headerLength);
            head.resize(got + std::fread(head.data() + got, 1, headerLength - got, f));
        }
    }
    const bool readFailed = std::ferror(f) != 0;
    const int err = errno;
    const long long size = readFailed ? -1 : FileSizeOf(f);
    if (readFailed || size < 0)
        throw HdbCheckError(HdbProblem::kCannotRead, name,
                            Message("hdb.cannot-read").Arg("reason", SystemErrorMessage(err)));

    CheckedHdb c;
    c.path = name;
    c.fileSize = static_cast<std::uint64_t>(size);
    c.header = CheckHeaderBytes(head, c.fileSize, name);
    const auto headerLength = static_cast<std::uint64_t>(c.header.headerLength);
    c.recordsInFile = (c.fileSize - headerLength) / static_cast<std::uint64_t>(c.header.recordLength);
    // What is there is read: records past a count that was not updated, or only the whole
    // records of a file cut short.
    c.usableCount = static_cast<std::uint32_t>(std::min<std::uint64_t>(c.recordsInFile, 0xFFFFFFFFu));
    if (c.recordsInFile != c.header.recordCount) {
        c.countWarningMessage = Message("hdb.count-mismatch")
                                    .Arg("file", name)
                                    .Arg("header", c.header.recordCount)
                                    .Arg("count", c.recordsInFile);
        c.countWarning = Render(c.countWarningMessage, Lang::kEnglish);
    }
    return c;
}

bool ReadHdbFieldLengths(const std::string& path, HdbFieldLengths& HdbFieldLen,
                         std::optional<HdbCheckError>* problem) {
    try {
        HdbFieldLen = CheckHdbHeader(path).header.FieldLengths();
        return true;
    } catch (const HdbCheckError& e) {
        if (problem) problem->emplace(e);
        return false;
    }
}

void PutLe32(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutLe16(std::string& b, std::size_t at, unsigned v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

std::string MakeDbfHeader(const std::vector<std::pair<std::string, int>>& fields, std::uint32_t recordCount,
                          int year, int month, int day, int extraBytes) {
    if (year < kDbfFirstYear || year > kDbfLastYear)
        throw Error(Message("hdb.year-range")
                        .Arg("year", year)
                        .Arg("first", kDbfFirstYear)
                        .Arg("last", kDbfLastYear));
    const std::size_t headerLength = 32 + 32 * fields.size() + 1 + static_cast<std::size_t>(extraBytes);
    std::string h(headerLength, '\0');
    h[0] = '\x03';
    h[1] = static_cast<char>((year - 1900) & 0xFF);
    h[2] = static_cast<char>(month);
    h[3] = static_cast<char>(day);
    PutLe32(h, 4, recordCount);
    PutLe16(h, 8, static_cast<unsigned>(headerLength));
    unsigned recordLength = 1;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::size_t at = 32 + 32 * i;
        h.replace(at, std::min<std::size_t>(fields[i].first.size(), 10), fields[i].first.substr(0, 10));
        h[at + 11] = 'C';
        h[at + 16] = static_cast<char>(fields[i].second);
        recordLength += static_cast<unsigned>(fields[i].second);
    }
    PutLe16(h, 10, recordLength);
    h[32 + 32 * fields.size()] = '\x0D';
    return h;
}

std::string MakeHdbHeader(const HdbFieldLengths& widths, std::uint32_t recordCount, int year, int month,
                          int day) {
    std::vector<std::pair<std::string, int>> fields;
    for (std::size_t i = 0; i < 16; ++i) fields.emplace_back(kHdbFieldNames[i], widths[i + 1]);
    return MakeDbfHeader(fields, recordCount, year, month, day);
}

}  // namespace trelvo::hamlog
