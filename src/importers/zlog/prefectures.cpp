#include "importers/zlog/prefectures.h"

#include "text/chars.h"

namespace trelvo::zlog {

MasterIndex::MasterIndex(const hamlog::MasterList& list) : list_(list) {
    for (int i = list_.MasterCount; i >= 1; --i)
        if (static_cast<std::size_t>(i) < list_.MasterCodes.size())
            first_[std::string(text::Trim(list_.MasterCodes[static_cast<std::size_t>(i)]))] = i;
}

int MasterIndex::Find(std::string_view code) const {
    const auto it = first_.find(code);
    return it == first_.end() ? 0 : it->second;
}

int QTHget(const MasterIndex& master, std::string_view zNumb) {
    const std::size_t n = text::CharCount(zNumb);
    if (n >= 4) return master.Find(zNumb);
    if (n == 0) return 0;
    int v = 0;
    for (char c : zNumb) {
        if (c < '0' || c > '9') return 0;
        v = v * 10 + (c - '0');
    }
    return -v;
}

std::string_view Todoufuken(int Qcode) {
    static constexpr std::string_view kRows[] = {
        "01北海道", "02青森県",   "03岩手県",   "04秋田県", "05山形県", "06宮城県",   "07福島県", "08新潟県",
        "09長野県", "10東京都",   "11神奈川県", "12千葉県", "13埼玉県", "14茨城県",   "15栃木県", "16群馬県",
        "17山梨県", "18静岡県",   "19岐阜県",   "20愛知県", "21三重県", "22京都府",   "23滋賀県", "24奈良県",
        "25大阪府", "26和歌山県", "27兵庫県",   "28富山県", "29福井県", "30石川県",   "31岡山県", "32島根県",
        "33山口県", "34鳥取県",   "35広島県",   "36香川県", "37徳島県", "38愛媛県",   "39高知県", "40福岡県",
        "41佐賀県", "42長崎県",   "43熊本県",   "44大分県", "45宮崎県", "46鹿児島県", "47沖縄県"};
    if (Qcode < -47 || Qcode > -2) return kRows[0];
    return kRows[-Qcode - 1];
}

}  // namespace trelvo::zlog
