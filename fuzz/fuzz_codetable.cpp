// Any bytes as a contest-number code table, read from memory: loading may report error lines,
// never crash or hang; every entry it keeps is found again by its key.
#include "core/errors.h"
#include "fuzz_support.h"
#include "tools/contest_code_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trelvo;
    const std::string_view bytes = fuzz::Bytes(data, size);
    try {
        const tools::CodeTableLoad load = tools::LoadContestCodeTable("fuzz.TBL", &bytes);
        for (const tools::CodeTableEntry& e : load.table.Entries())
            if (load.table.Find(e.key) == nullptr) __builtin_trap();
        (void)load.ErrorMessage();
    } catch (const Error&) {
    }
    return 0;
}
