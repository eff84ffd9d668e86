// CP932 conversion through iconv: the platform's mapping, from which the conversion tables are
// built (cp932_tables.cpp).
#include <iconv.h>
#include <cerrno>

#include "core/errors.h"

#include <memory>
#include <stdexcept>

#include "text/cp932_platform.h"

namespace trelvo::text::detail {
namespace {

// One conversion descriptor per direction and thread, opened on first use and reset
// before each conversion, so a converter that runs for a million lines opens it once.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw Error(Message("text.iconv").Arg("from", from).Arg("to", to));
    }
    ~IconvHandle() { iconv_close(cd_); }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    iconv_t get() const {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        return cd_;
    }

private:
    iconv_t cd_;
};

iconv_t Decoder() {
    thread_local IconvHandle h("UTF-8", "CP932");
    return h.get();
}

iconv_t Encoder() {
    thread_local IconvHandle h("CP932", "UTF-8");
    return h.get();
}

// Runs iconv over the whole input; on a byte sequence it cannot convert calls
// `onInvalid(out, in, left)` which must append a substitute and advance the input.
template <typename OnInvalid>
std::string Run(iconv_t cd, std::string_view input, std::size_t factor, OnInvalid onInvalid) {
    std::string out;
    out.resize(input.size() * factor + 16);
    char* inp = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    std::size_t used = 0;
    while (inLeft > 0) {
        char* outp = out.data() + used;
        std::size_t outLeft = out.size() - used;
        std::size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        used = out.size() - outLeft;
        if (r != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2 + 16);
        } else {  // EILSEQ or EINVAL (incomplete sequence at the end)
            std::string sub = onInvalid(inp, inLeft);
            if (out.size() - used < sub.size()) out.resize(out.size() * 2 + sub.size());
            out.replace(used, sub.size(), sub);
            used += sub.size();
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    out.resize(used);
    return out;
}

}  // namespace

std::string PlatformCp932ToUtf8(std::string_view cp932, ConversionStats* stats) {
    return Run(Decoder(), cp932, 3, [&](char*& inp, std::size_t& left) {
        ++inp;
        --left;
        if (stats) ++stats->invalid;
        return std::string(kReplacementChar);
    });
}

std::string PlatformUtf8ToCp932(std::string_view utf8, ConversionStats* stats) {
    return Run(Encoder(), utf8, 1, [&](char*& inp, std::size_t& left) {
        // Skip one whole UTF-8 character (or one stray byte).
        auto b = static_cast<unsigned char>(*inp);
        std::size_t n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        if (n > left) n = left;
        for (std::size_t i = 1; i < n; ++i) {
            if ((static_cast<unsigned char>(inp[i]) & 0xC0) != 0x80) {
                n = i;
                break;
            }
        }
        inp += n;
        left -= n;
        if (stats) ++stats->invalid;
        return std::string(1, kUnmappableByte);
    });
}

}  // namespace trelvo::text::detail
