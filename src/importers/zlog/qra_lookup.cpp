#include "importers/zlog/qra_lookup.h"

#include <algorithm>
#include <exception>

#include "text/chars.h"

namespace trelvo::zlog {
namespace {

std::string WithoutNul(std::string s) {
    s.erase(std::remove(s.begin(), s.end(), '\0'), s.end());
    return s;
}

std::string FetchField(hamlog::HamlogLibrary& lib, int field) {
    std::string buffer(static_cast<std::size_t>(hamlog::HamlogFieldWidth(field)), ' ');
    lib.ThwString(buffer, field);
    return WithoutNul(std::move(buffer));
}

}  // namespace

SplitCall SplitPortableCall(std::string_view call) {
    const std::size_t slash = call.rfind('/');
    if (slash == std::string_view::npos) return {std::string(call), {}};
    const std::string_view before = call.substr(0, slash);
    const std::string_view after = call.substr(slash + 1);
    if (text::CharCount(after) > text::CharCount(before)) return {std::string(after), std::string(before)};
    return {std::string(before), std::string(after)};
}

std::string LookupQraName(hamlog::HamlogLibrary& lib, std::string_view call) {
    try {
        const std::string base = SplitPortableCall(call).BaseCall;
        std::string name;
        int r = lib.Vidx_search(base);
        if (r <= 0) return {};
        lib.THW_read(r);
        std::string fetchedCall = FetchField(lib, hamlog::kFieldCall);
        std::string n = FetchField(lib, hamlog::kFieldName);
        if (!n.empty()) name = n;
        for (;;) {
            const std::string trimmed(text::Trim(fetchedCall));
            if (std::string(text::Trim(SplitPortableCall(trimmed).BaseCall)) != base) break;
            n = FetchField(lib, hamlog::kFieldName);
            if (!n.empty()) name = n;
            r = lib.Vidx_next();
            if (r == 0) break;
            lib.THW_read(r);
            fetchedCall = FetchField(lib, hamlog::kFieldCall);
        }
        return std::string(text::Trim(name));
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace trelvo::zlog
