// Any bytes as a master file, read from memory: the header check and the code list may refuse
// the file, never crash or hang; a file that is accepted is read to its end or its marker, and
// counting and collecting agree.
#include <cstdio>

#include "core/errors.h"
#include "core/platform.h"
#include "fuzz_support.h"
#include "hamlog/master_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trelvo;
    hamlog::MasterList list;
    int counts[2] = {-1, -1};
    for (int collect = 0; collect < 2; ++collect) {
        std::FILE* f = OpenMemoryStream(fuzz::Bytes(data, size));
        if (!f) return 0;
        try {
            counts[collect] =
                hamlog::ReadMasterCodesStream(f, "Fuzz.mst", hamlog::kMasterRecordLength, collect, list);
        } catch (const Error&) {
        }
        std::fclose(f);
    }
    if (counts[0] != counts[1]) __builtin_trap();
    if (counts[1] >= 0 && list.MasterCodes.size() != static_cast<std::size_t>(counts[1]) + 1)
        __builtin_trap();
    return 0;
}
