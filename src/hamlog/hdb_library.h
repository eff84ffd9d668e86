// The HAMLOG database library over the files Turbo HAMLOG 5 writes: a *.HDB dBase table read
// record by record, never written, with a callsign index built when it is opened.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "hamlog/hamlog_library.h"
#include "hamlog/hdb_header.h"

namespace trelvo::hamlog {

// Why HamlogOpen failed; its result is the number of the reason.
enum class HdbOpenError : int {
    kNone = 0,
    kNotFound = 1,    // no "<base>.HDB" in any case
    kInUse = 2,       // held open exclusively by another program
    kCannotRead = 3,  // no permission, or a read failed
    kNotHamlog = 4,   // the header is not one of a HAMLOG database
};

class HdbLibrary final : public HamlogLibrary {
public:
    // The version this library reports: 5.03, the file layout of Turbo HAMLOG 5 it reads.
    static constexpr int kVersion = 0x50300;

    HdbLibrary() = default;
    ~HdbLibrary() override;
    HdbLibrary(const HdbLibrary&) = delete;
    HdbLibrary& operator=(const HdbLibrary&) = delete;

    int GetThdllVersion() override { return kVersion; }
    int HamlogOpen(const std::string& dbBase) override;
    // Opens the database read from `f` (taken over and closed by the library; a stream over
    // memory serves as well as a file), named `name` in messages.
    int HamlogOpenStream(std::FILE* f, const std::string& name);
    int HamlogClose() override;
    int SetQsoOrMaster(int table) override { return table == kQsoTable ? 0 : 1; }
    int Vdbf_rcount() override { return static_cast<int>(count_); }
    int THW_read(int recordNumber) override;
    int ThwString(std::string& buffer, int field) override;
    bool ThwStringTrimmed(std::string& out, int field) override;
    int Vidx_search(const std::string& call) override;
    int Vidx_next() override;

    // What the last HamlogOpen found, for messages: the reason and a text naming the file.
    HdbOpenError LastOpenError() const { return openError_; }
    const std::string& LastOpenErrorText() const { return openErrorText_; }
    // The same as a message, to be shown in the user's language.
    const Message& LastOpenErrorMessage() const { return openErrorMessage_; }

    // About the open database.
    bool IsOpen() const { return f_ != nullptr; }
    const std::string& Path() const { return path_; }  // the file as found on disk
    const HdbHeader& Header() const { return header_; }
    std::uint32_t LiveCount() const { return live_; }
    std::uint32_t DeletedCount() const { return count_ - live_; }
    // Whole records present after the header; differs from the header's count when the file
    // was cut short (only the records present are read) or has records beyond the count.
    std::uint64_t RecordsInFile() const { return recordsInFile_; }
    // Set when the header's count and the records in the file differ (see CheckHdbHeader).
    const std::string& CountWarning() const { return countWarning_; }
    const Message& CountWarningMessage() const { return countWarningMessage_; }
    // Bytes the callsign index holds (made by the first Vidx_search).
    std::size_t IndexBytes() const;
    // The bytes of the record THW_read loaded (deletion mark first, Header().recordLength
    // bytes), empty when none is loaded. Valid until the next THW_read, Vidx_search or close.
    std::string_view LoadedRecord() const {
        return loaded_ ? std::string_view(record_, static_cast<std::size_t>(header_.recordLength))
                       : std::string_view();
    }

private:
    struct IndexEntry {
        std::uint64_t head;   // the first 8 key bytes, big-endian, zero-padded
        std::uint32_t keyAt;  // in keys_: a 16-bit length, then the key; kShortKey: head only
        std::uint32_t record;
    };
    static constexpr std::uint32_t kShortKey = 0xFFFFFFFFu;

    int Fail(HdbOpenError e, const Message& what);
    const char* RecordBytes(std::uint32_t n);
    void KeepLoadedRecord();
    std::string_view Field(int index) const;
    std::string_view KeyOf(const IndexEntry& e, char (&shortKey)[8]) const;
    int CompareKeys(const IndexEntry& a, const IndexEntry& b) const;
    bool Less(const IndexEntry& a, const IndexEntry& b) const;
    IndexEntry AddKey(std::string_view key, std::uint32_t record);
    void BuildIndex();

    std::FILE* f_ = nullptr;
    std::string path_;
    HdbHeader header_;
    std::uint32_t count_ = 0;
    std::uint32_t live_ = 0;
    std::uint64_t recordsInFile_ = 0;
    std::string countWarning_;
    Message countWarningMessage_;
    HdbOpenError openError_ = HdbOpenError::kNone;
    std::string openErrorText_;
    Message openErrorMessage_;

    std::string block_;          // records read ahead
    long long blockStart_ = -1;  // file offset of block_
    // The loaded record: in block_ where it was read, or in kept_ once block_ is read again
    // for something else (the callsign index).
    const char* record_ = nullptr;
    std::string kept_;
    bool loaded_ = false;

    std::string keys_;
    std::vector<IndexEntry> index_;
    bool indexed_ = false;
    std::size_t cursor_ = 0;  // position in index_ of the last record returned
    bool walking_ = false;
};

}  // namespace trelvo::hamlog
