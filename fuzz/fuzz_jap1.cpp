// Any bytes as a JAP1 export, with a remarks table: the converter may report errors, never
// crash or hang.
#include "core/errors.h"
#include "fuzz_support.h"
#include "importers/jap1/jap1_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trelvo;
    static const jap1::RemarksConversionTable table = [] {
        jap1::RemarksConversionTable t;
        t.pairs = {{"QSL OK", "TNX"}, {"", "empty"}, {"ﾃｽﾄ", "試験"}};
        return t;
    }();
    std::string out;
    fuzz::YesCallbacks cb;
    try {
        jap1::ConvertJap1Bytes(fuzz::Bytes(data, size), table, out, cb);
    } catch (const Error&) {
    }
    return 0;
}
