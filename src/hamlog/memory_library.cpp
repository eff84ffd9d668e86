#include "hamlog/memory_library.h"

#include "hamlog/hdb_callsign.h"
#include "text/chars.h"
#include "text/cp932.h"

namespace trelvo::hamlog {

int MemoryHamlogLibrary::GetThdllVersion() {
    log.push_back("GetThdllVersion");
    return version;
}

int MemoryHamlogLibrary::HamlogOpen(const std::string& dbBase) {
    log.push_back("HamlogOpen(" + dbBase + ")");
    open_ = openResult == 0;
    loaded_ = 0;
    return openResult;
}

int MemoryHamlogLibrary::HamlogClose() {
    log.push_back("HamlogClose");
    open_ = false;
    loaded_ = 0;
    return 0;
}

int MemoryHamlogLibrary::SetQsoOrMaster(int table) {
    log.push_back("SetQsoOrMaster(" + std::to_string(table) + ")");
    return table == kQsoTable ? 0 : 1;
}

int MemoryHamlogLibrary::Vdbf_rcount() {
    log.push_back("Vdbf_rcount");
    return open_ ? static_cast<int>(records.size()) : 0;
}

int MemoryHamlogLibrary::THW_read(int n) {
    log.push_back("THW_read(" + std::to_string(n) + ")");
    loaded_ = 0;
    if (!open_ || n < 1 || static_cast<std::size_t>(n) > records.size()) return 1;
    if (records[static_cast<std::size_t>(n - 1)].deleted) return 2;
    loaded_ = n;
    return 0;
}

int MemoryHamlogLibrary::ThwString(std::string& buffer, int field) {
    log.push_back("ThwString(" + std::to_string(field) + ")");
    const int width = HamlogFieldWidth(field);
    if (loaded_ == 0 || width == 0) {
        buffer.assign(static_cast<std::size_t>(width), ' ');
        return 1;
    }
    buffer = records[static_cast<std::size_t>(loaded_ - 1)].fields[static_cast<std::size_t>(field)];
    std::size_t bytes = text::Cp932ByteLength(buffer);
    if (bytes < static_cast<std::size_t>(width)) buffer.append(static_cast<std::size_t>(width) - bytes, ' ');
    return 0;
}

int MemoryHamlogLibrary::Vidx_search(const std::string& call) {
    log.push_back("Vidx_search(" + call + ")");
    hits_.clear();
    hit_ = 0;
    if (!open_) return 0;
    const std::string key = text::ToUpper(text::Trim(call));
    for (std::size_t i = 0; i < records.size(); ++i)
        if (!records[i].deleted && text::ToUpper(BaseCallOf(records[i].fields[kFieldCall])) == key)
            hits_.push_back(static_cast<int>(i + 1));
    return hits_.empty() ? 0 : hits_[0];
}

int MemoryHamlogLibrary::Vidx_next() {
    log.push_back("Vidx_next");
    if (hit_ + 1 >= hits_.size()) {
        hit_ = hits_.size();
        return 0;
    }
    return hits_[++hit_];
}

std::string MemoryHamlogLibrary::TakeLog() {
    std::string s;
    for (const std::string& c : log) s += (s.empty() ? "" : ", ") + c;
    log.clear();
    return s;
}

}  // namespace trelvo::hamlog
