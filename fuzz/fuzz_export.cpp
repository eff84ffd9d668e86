// A random database (fields and deletion marks taken from the bytes) through each writer of
// the export, in memory, with the options the bytes pick: the export may refuse a record,
// never crash or hang, and a record that is written ends in exactly one line end.
#include "core/errors.h"
#include "export/hamlog_export.h"
#include "fuzz_support.h"
#include "hamlog/memory_library.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trelvo;
    fuzz::Picker in(data, size);
    const unsigned flags = in.Byte();
    hamlog::MemoryHamlogLibrary lib;
    while (!in.Empty() && lib.records.size() < 64) {
        hamlog::MemoryHamlogRecord r;
        r.deleted = (in.Byte() & 0x0F) == 0;
        for (int field = 0; field < hamlog::kHamlogFieldCount; ++field)
            if (field != 1) r.fields[static_cast<std::size_t>(field)] = std::string(in.Text(40));
        lib.records.push_back(std::move(r));
    }
    const exports::ExportKind kinds[] = {exports::ExportKind::kAdif, exports::ExportKind::kCsv,
                                         exports::ExportKind::kCsv5, exports::ExportKind::kBackup};
    exports::ExportOptions o;
    o.kind = kinds[flags & 3];
    o.dbPath = "Fuzz.HDB";
    o.outputPath = "out.txt";
    o.createdTimestamp = "20240101 000000";
    o.writer.standard = flags & 4;
    o.writer.ExportKhz = !o.writer.standard && (flags & 8);
    o.writer.ExportCodeOff = flags & 16;
    o.writer.ExportTownCodeOff = !o.writer.ExportCodeOff && (flags & 32);
    o.writer.SelectedMode = (flags & 64) ? "CW" : exports::kAllModes;
    o.writer.encoding = (flags & 128) && (o.writer.standard || o.kind != exports::ExportKind::kAdif)
                            ? exports::OutputEncoding::kUtf8
                            : exports::OutputEncoding::kCp932;
    if (flags & 2 && flags & 64) {
        o.range = exports::RangeMode::kDates;
        o.dateFrom = "20000101";
        o.dateTo = "20301231";
    }
    std::string out;
    o.outputSink = &out;
    fuzz::YesCallbacks cb;
    try {
        const exports::ExportResult r = exports::ExportHamlogData(lib, o, cb);
        if (r.failure.empty() && o.kind != exports::ExportKind::kAdif) {
            long long lines = 0;
            for (std::size_t at = out.find('\n'); at != std::string::npos; at = out.find('\n', at + 1))
                ++lines;
            if (lines != r.converted) __builtin_trap();
        }
    } catch (const Error&) {
    }
    return 0;
}
