#include "importers/zlog/qra_lookup.h"

#include <algorithm>
#include <exception>

#include "text/chars.h"

namespace trelvo::zlog {
namespace {

// Fetches a field into `buffer` (spaces when the library cannot) without its NUL characters.
void FetchField(hamlog::HamlogLibrary& lib, int field, std::string& buffer) {
    buffer.assign(static_cast<std::size_t>(hamlog::HamlogFieldWidth(field)), ' ');
    lib.ThwString(buffer, field);
    buffer.erase(std::remove(buffer.begin(), buffer.end(), '\0'), buffer.end());
}

// The base call of a fetched callsign: trimmed, split at the last "/", the longer part
// trimmed (the part before on a tie).
std::string_view BaseOfFetched(std::string_view call) {
    call = text::Trim(call);
    const std::size_t slash = call.rfind('/');
    if (slash == std::string_view::npos) return call;
    const std::string_view before = call.substr(0, slash), after = call.substr(slash + 1);
    return text::Trim(text::CharCount(after) > text::CharCount(before) ? after : before);
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
        std::string name, fetchedCall, n;
        int r = lib.Vidx_search(base);
        if (r <= 0) return {};
        lib.THW_read(r);
        FetchField(lib, hamlog::kFieldCall, fetchedCall);
        FetchField(lib, hamlog::kFieldName, n);
        if (!n.empty()) name = n;  // the first record names the station before its call is compared
        for (bool first = true;; first = false) {
            if (BaseOfFetched(fetchedCall) != base) break;
            if (!first) {  // the first record's name was fetched above
                FetchField(lib, hamlog::kFieldName, n);
                if (!n.empty()) name = n;
            }
            r = lib.Vidx_next();
            if (r == 0) break;
            lib.THW_read(r);
            FetchField(lib, hamlog::kFieldCall, fetchedCall);
        }
        return std::string(text::Trim(name));
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace trelvo::zlog
