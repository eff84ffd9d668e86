#include "hamlog/hdb_header.h"

#include <cstdio>

#include "app/platform.h"

namespace trelvo::hamlog {

HdbFieldLengths DefaultHdbFieldLengths() {
    return {20, 8, 12, 4, 2, 6, 6, 3, 2, 3, 3, 7, 4, 12, 28, 54, 54};
}

bool ReadHdbFieldLengths(const std::string& path, HdbFieldLengths& HdbFieldLen) {
    std::FILE* f = OpenFile(path, "rb");
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

}  // namespace trelvo::hamlog
