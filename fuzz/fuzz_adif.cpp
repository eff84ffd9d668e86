// Any bytes as an ADIF file, read in memory: the prescan and a run with the tags mapped may
// report errors, never crash or hang. The first byte picks the options (adif_case.h).
#include "adif_case.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    trelvo::fuzz::WithAdifCase(data, size,
                               [](const trelvo::fuzz::AdifCase& input, trelvo::ConversionCallbacks& cb) {
                                   std::string out;
                                   input.Convert(out, cb);
                               });
    return 0;
}
