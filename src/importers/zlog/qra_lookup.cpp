#include "importers/zlog/qra_lookup.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <functional>

#include "hamlog/hdb_callsign.h"
#include "hamlog/hdb_library.h"
#include "text/chars.h"
#include "text/cp932.h"

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

namespace {

// A base call the index answers as it stands: the database's key for it is its own text
// (ASCII without small letters, no spaces at its ends).
bool IsOwnKey(std::string_view base) {
    if (!base.empty() && (base.front() == ' ' || base.back() == ' ')) return false;
    for (char c : base)
        if ((c >= 'a' && c <= 'z') || static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// The database's index key for a record's fetched callsign: its base call taken in Shift-JIS
// bytes, upper-cased when it is ASCII.
std::string KeyOfFetched(const std::string& call) {
    std::string key =
        text::IsAscii(call) ? hamlog::BaseCallOf(call) : hamlog::BaseCallOf(text::Utf8ToCp932(call));
    return text::IsAscii(key) ? text::ToUpper(key) : key;
}

}  // namespace

QraIndex::QraIndex(hamlog::HamlogLibrary& library) : library_(library) {
    if (!dynamic_cast<hamlog::HdbLibrary*>(&library)) return;
    try {
        slots_.assign(1024, 0);
        std::string call, name;
        const int count = library.Vdbf_rcount();
        for (int n = 1; n <= count; ++n) {
            if (library.THW_read(n) != 0) continue;
            call.assign(static_cast<std::size_t>(hamlog::HamlogFieldWidth(hamlog::kFieldCall)), ' ');
            library.ThwString(call, hamlog::kFieldCall);
            if (std::memchr(call.data(), '\0', call.size())) {  // keyed otherwise than it reads
                entries_.clear();
                return;
            }
            const std::string key = KeyOfFetched(call);
            const bool other = BaseOfFetched(call) != key;
            const Entry* found = Find(key);
            if (found && (found->walkEnded || other)) {
                if (other) entries_[static_cast<std::size_t>(found - entries_.data())].walkEnded = true;
                continue;
            }
            FetchField(library, hamlog::kFieldName, name);
            Entry& e = found ? entries_[static_cast<std::size_t>(found - entries_.data())] : Insert(key);
            if (!found) e.walkEnded = other;
            if (!name.empty()) {
                const std::string_view trimmed = text::Trim(name);
                e.nameAt = static_cast<std::uint32_t>(arena_.size());
                e.nameLength = static_cast<std::uint16_t>(trimmed.size());
                arena_.append(trimmed);
            }
        }
        built_ = arena_.size() < 0xFFFFFFFFu;
    } catch (const std::exception&) {
        built_ = false;
    }
    if (!built_) {
        entries_.clear();
        slots_.clear();
        arena_.clear();
    }
}

const QraIndex::Entry* QraIndex::Find(std::string_view key) const {
    if (slots_.empty()) return nullptr;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = std::hash<std::string_view>{}(key)&mask;; i = (i + 1) & mask) {
        const std::uint32_t s = slots_[i];
        if (s == 0) return nullptr;
        const Entry& e = entries_[s - 1];
        if (std::string_view(arena_).substr(e.keyAt, e.keyLength) == key) return &e;
    }
}

QraIndex::Entry& QraIndex::Insert(std::string_view key) {
    if ((entries_.size() + 1) * 2 > slots_.size()) Grow();
    Entry e;
    e.keyAt = static_cast<std::uint32_t>(arena_.size());
    e.keyLength = static_cast<std::uint16_t>(std::min<std::size_t>(key.size(), 0xFFFF));
    arena_.append(key.substr(0, e.keyLength));
    entries_.push_back(e);
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = std::hash<std::string_view>{}(key.substr(0, e.keyLength)) & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = static_cast<std::uint32_t>(entries_.size());
    return entries_.back();
}

void QraIndex::Grow() {
    std::vector<std::uint32_t> slots(slots_.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::size_t k = 0; k < entries_.size(); ++k) {
        const Entry& e = entries_[k];
        std::size_t i =
            std::hash<std::string_view>{}(std::string_view(arena_).substr(e.keyAt, e.keyLength)) & mask;
        while (slots[i] != 0) i = (i + 1) & mask;
        slots[i] = static_cast<std::uint32_t>(k + 1);
    }
    slots_.swap(slots);
}

std::string_view QraIndex::Lookup(std::string_view call) const {
    // The base call as SplitPortableCall gives it, without a copy.
    std::string_view base = call;
    if (const std::size_t slash = call.rfind('/'); slash != std::string_view::npos) {
        const std::string_view before = call.substr(0, slash), after = call.substr(slash + 1);
        base = text::CharCount(after) > text::CharCount(before) ? after : before;
    }
    if (!built_ || !IsOwnKey(base) || base.size() > 0xFFFF) {
        fallback_ = LookupQraName(library_, call);
        return fallback_;
    }
    const Entry* e = Find(base);
    if (!e) return {};
    return std::string_view(arena_).substr(e->nameAt, e->nameLength);
}

}  // namespace trelvo::zlog
