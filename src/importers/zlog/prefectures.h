// The received contest number as a place: an area code of the master list, or a prefecture
// number in the contest numbering of the prefecture table.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "hamlog/master_list.h"

namespace trelvo::zlog {

// The master list with its codes indexed (trimmed code -> first entry holding it), so that
// a lookup costs the same whatever the list's length.
class MasterIndex {
public:
    MasterIndex() = default;
    explicit MasterIndex(const hamlog::MasterList& list);
    const hamlog::MasterList& List() const { return list_; }
    // The first entry whose trimmed code equals `code` exactly, or 0.
    int Find(std::string_view code) const;

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };
    hamlog::MasterList list_;
    std::unordered_map<std::string, int, Hash, std::equal_to<>> first_;
};

// A text of four or more characters: its entry in the master list (0 when absent). One to
// three characters: minus its integer value (31 -> -31, 031 -> -31; not a number -> 0).
// Empty: 0.
int QTHget(const MasterIndex& master, std::string_view zNumb);

// The table row "NN" + prefecture name for -47..-2; "01北海道" for every other value.
std::string_view Todoufuken(int Qcode);

}  // namespace trelvo::zlog
