// How the ADIF targets read their input: the first byte picks the line-end, encoding and
// width options and how the tags are mapped, the rest is the file. The prescan runs as the
// program runs it, and the run then reads with what the prescan found.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/errors.h"
#include "fuzz_support.h"
#include "importers/adif/adif_mapping.h"
#include "importers/adif/adif_reader.h"
#include "importers/adif/adif_record.h"

namespace trelvo::fuzz {

class AdifCase {
public:
    // Runs the prescan (which may throw trelvo::Error). The input must not be empty.
    AdifCase(const std::uint8_t* data, std::size_t size, ConversionCallbacks& cb)
        : flags_(data[0]), bytes_(Bytes(data + 1, size - 1)) {
        adif::AdifReadOptions ro;
        ro.lfEndsLine = flags_ & 1;
        ro.encoding = (flags_ & 6) == 2   ? adif::AdifEncoding::Utf8
                      : (flags_ & 6) == 4 ? adif::AdifEncoding::Auto
                                          : adif::AdifEncoding::Cp932;
        ro.inputBytes = &bytes_;
        scan_ = adif::ScanAdifTags("fuzz.adi", ro, cb);
        if (flags_ & 64) {
            // The window's way: the usual tags marked by the mapping model.
            adif::AdifMappingModel model(scan_.table.Names(), "fixed");
            model.AutoMap(flags_ & 128);
            map_ = model.BuildMapping();
        } else {
            // Row i feeds column i (column 2 is hidden in the window), so every column is fed
            // by some tag whatever the tags are called.
            for (int c = 1; c <= adif::AdifMappingModel::ColumnCount() && c <= scan_.table.Count(); ++c)
                if (c != 2) map_.columnMap[c] = c;
        }
        line_.widths = (flags_ & 8) ? hamlog::DefaultHdbFieldLengths() : hamlog::HdbFieldLengths{};
        line_.jstForJa = flags_ & 16;
        line_.qslIssueFlag = line_.qslSentFlag = line_.qslRcvdFlag = flags_ & 32;
    }
    AdifCase(const AdifCase&) = delete;
    AdifCase& operator=(const AdifCase&) = delete;

    // Converts the file into `out`: the encoding, the line ends and whether there is a header
    // are what the prescan found (a file without <EOH> is all records).
    adif::AdifRunResult Convert(std::string& out, ConversionCallbacks& cb, bool recordWriter = true) const {
        adif::AdifReadOptions run = scan_.RunOptions();
        run.inputBytes = &bytes_;
        run.outputSink = &out;
        adif::AdifMeterState meter;
        adif::AdifRunOptions o{"fuzz.adi", "out.csv", &scan_.table, &map_, run, line_, &meter, {}};
        o.recordWriter = recordWriter;
        return adif::ConvertAdifLog(o, cb);
    }

private:
    const std::uint8_t flags_;
    const std::string_view bytes_;
    adif::AdifScanResult scan_;
    adif::AdifMapping map_;
    adif::AdifLineOptions line_;
};

// Calls f(input, callbacks) for an input that is not empty and whose prescan ends without an
// error; an error f lets through ends the input too.
template <typename F>
void WithAdifCase(const std::uint8_t* data, std::size_t size, F&& f) {
    if (size == 0) return;
    YesCallbacks cb;
    try {
        const AdifCase input(data, size, cb);
        f(input, static_cast<ConversionCallbacks&>(cb));
    } catch (const Error&) {
    }
}

}  // namespace trelvo::fuzz
