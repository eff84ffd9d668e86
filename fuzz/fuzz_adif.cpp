// Any bytes as an ADIF file, read in memory: the prescan and a run with the tags mapped may
// report errors, never crash or hang. The first byte picks the line-end, encoding and width
// options and how the tags are mapped.
#include "core/errors.h"
#include "fuzz_support.h"
#include "importers/adif/adif_mapping.h"
#include "importers/adif/adif_reader.h"
#include "importers/adif/adif_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trelvo;
    if (size == 0) return 0;
    const std::uint8_t flags = data[0];
    const std::string_view bytes = fuzz::Bytes(data + 1, size - 1);
    std::string out;
    adif::AdifReadOptions ro;
    ro.lfEndsLine = flags & 1;
    ro.encoding = (flags & 6) == 2   ? adif::AdifEncoding::Utf8
                  : (flags & 6) == 4 ? adif::AdifEncoding::Auto
                                     : adif::AdifEncoding::Cp932;
    ro.inputBytes = &bytes;
    ro.outputSink = &out;
    fuzz::YesCallbacks cb;
    try {
        adif::AdifScanResult scan = adif::ScanAdifTags("fuzz.adi", ro, cb);
        adif::AdifMapping map;
        if (flags & 64) {
            // The window's way: the usual tags marked by the mapping model.
            adif::AdifMappingModel model(scan.table.Names(), "fixed");
            model.AutoMap(flags & 128);
            map = model.BuildMapping();
        } else {
            // Row i feeds column i (column 2 is hidden in the window), so every column is fed
            // by some tag whatever the tags are called.
            for (int c = 1; c <= adif::AdifMappingModel::ColumnCount() && c <= scan.table.Count(); ++c)
                if (c != 2) map.columnMap[c] = c;
        }
        adif::AdifLineOptions lo;
        lo.widths = (flags & 8) ? hamlog::DefaultHdbFieldLengths() : hamlog::HdbFieldLengths{};
        lo.jstForJa = flags & 16;
        lo.qslIssueFlag = lo.qslSentFlag = lo.qslRcvdFlag = flags & 32;
        // The run reads as the program has it read: the encoding, the line ends and whether
        // there is a header are what the prescan found (a file without <EOH> is all records).
        adif::AdifReadOptions run = scan.RunOptions();
        run.inputBytes = &bytes;
        run.outputSink = &out;
        adif::AdifMeterState meter;
        adif::ConvertAdifLog({"fuzz.adi", "out.csv", &scan.table, &map, run, lo, &meter, {}}, cb);
    } catch (const Error&) {
    }
    return 0;
}
