// Any bytes as a JAP1 export: the converter may report errors, never crash or hang.
#include "core/errors.h"
#include "fuzz_support.h"
#include "importers/jap1/jap1_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trelvo;
    jap1::Jap1Options o;
    o.inputPath = fuzz::WriteInput("JAP1.TXT", data, size);
    o.outputPath = (fuzz::Scratch() / "JAP2HL.CSV").string();
    o.programFolder = fuzz::Scratch().string();
    fuzz::YesCallbacks cb;
    try {
        jap1::ConvertJap1Csv(o, cb);
    } catch (const Error&) {
    }
    return 0;
}
