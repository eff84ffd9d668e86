#include "hamlog/hdb_header.h"

#include <algorithm>
#include <cstdio>

#include "core/errors.h"
#include "hamlog/db_file.h"
#include "settings/file_search.h"

namespace trelvo::hamlog {

HdbFieldLengths DefaultHdbFieldLengths() {
    return {20, 8, 12, 4, 2, 6, 6, 3, 2, 3, 3, 7, 4, 12, 28, 54, 54};
}

bool ReadHdbFieldLengths(const std::string& path, HdbFieldLengths& HdbFieldLen) {
    std::string found = settings::ResolvePathNoCase(path);
    DbOpenStatus status;
    std::FILE* f = OpenDatabaseForReading(found.empty() ? path : found, status);
    if (!f) return false;
    bool ok = true;
    for (int i = 0; i < 16; ++i) {
        if (std::fseek(f, 48L + 32L * i, SEEK_SET) != 0) break;
        int c = std::fgetc(f);
        if (c == EOF) {
            ok = !std::ferror(f);
            break;
        }
        HdbFieldLen[static_cast<std::size_t>(i + 1)] = c;
        if (i == 1) HdbFieldLen[0] = HdbFieldLen[1] + HdbFieldLen[2];
    }
    std::fclose(f);
    return ok;
}

HdbFieldLengths HdbHeader::FieldLengths() const {
    HdbFieldLengths len{};
    for (std::size_t i = 0; i < 16 && i < fields.size(); ++i) len[i + 1] = fields[i].width;
    len[0] = len[1] + len[2];
    return len;
}

HdbHeader ParseHdbHeader(std::string_view b, const std::string& where) {
    auto bad = [&](const std::string& what) {
        return FormatError(where, "not a Turbo HAMLOG database: " + what);
    };
    if (b.size() < kDbfFixedHeaderBytes) throw bad("the file is shorter than a database header");
    HdbHeader h;
    h.version = static_cast<unsigned char>(b[0]);
    h.updateYear = 1900 + static_cast<unsigned char>(b[1]);
    h.updateMonth = static_cast<unsigned char>(b[2]);
    h.updateDay = static_cast<unsigned char>(b[3]);
    h.recordCount = GetLe32(b, 4);
    h.headerLength = static_cast<int>(GetLe16(b, 8));
    h.recordLength = static_cast<int>(GetLe16(b, 10));
    if (h.headerLength < static_cast<int>(kDbfFixedHeaderBytes) + 32 * 16 + 1)
        throw bad("the header (" + std::to_string(h.headerLength) + " bytes) cannot hold sixteen fields");
    if (b.size() < static_cast<std::size_t>(h.headerLength)) throw bad("the file ends inside its header");
    int offset = 1;
    for (std::size_t at = 32; at + 32 <= static_cast<std::size_t>(h.headerLength) && b[at] != '\x0D';
         at += 32) {
        HdbFieldDescriptor d;
        std::string_view name = b.substr(at, 11);
        d.name = std::string(name.substr(0, name.find('\0')));
        d.type = b[at + 11];
        d.width = static_cast<unsigned char>(b[at + 16]);
        d.offset = offset;
        offset += d.width;
        h.fields.push_back(std::move(d));
    }
    if (h.fields.size() < 16)
        throw bad("it declares " + std::to_string(h.fields.size()) + " fields, sixteen are needed");
    if (offset > h.recordLength)
        throw bad("the fields (" + std::to_string(offset) + " bytes) do not fit the record length " +
                  std::to_string(h.recordLength));
    auto need = [&](int index, int width) {
        if (h.fields[static_cast<std::size_t>(index)].width < width)
            throw bad("field " + std::to_string(index + 1) + " (" +
                      kHdbFieldNames[static_cast<std::size_t>(index)] + ") is " +
                      std::to_string(h.fields[static_cast<std::size_t>(index)].width) +
                      " bytes wide, at least " + std::to_string(width) + " are needed");
    };
    need(kHdbDate, 4);
    need(kHdbTime, 2);
    need(kHdbFlag, 2);
    return h;
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
