// Any bytes as an ADIF file, read in memory: the prescan and a run with the usual tags mapped
// may report errors, never crash or hang. The first byte picks the line-end and encoding
// options.
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
        adif::AdifMappingModel model(scan.table.Names(), "fixed");
        // Map row i to column i (as far as both go), so every column is fed by some tag.
        for (int r = 1; r <= model.RowCount() && r <= adif::AdifMappingModel::ColumnCount(); ++r)
            model.Click(r, r);
        adif::AdifMapping map = model.BuildMapping();
        adif::AdifLineOptions lo;
        lo.widths = (flags & 8) ? hamlog::DefaultHdbFieldLengths() : hamlog::HdbFieldLengths{};
        lo.jstForJa = flags & 16;
        lo.qslIssueFlag = lo.qslSentFlag = lo.qslRcvdFlag = flags & 32;
        adif::AdifMeterState meter;
        adif::ConvertAdifLog({"fuzz.adi", "out.csv", &scan.table, &map, ro, lo, &meter, {}}, cb);
    } catch (const Error&) {
    }
    return 0;
}
