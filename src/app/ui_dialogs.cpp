#include "app/ui_dialogs.h"

#include <algorithm>
#include <cctype>

#include "text/chars.h"

namespace trelvo::app {

std::vector<DialogFilterEntry> ParseDialogFilter(std::string_view filter) {
    std::vector<DialogFilterEntry> entries;
    const std::vector<std::string> parts = text::Split(filter, '|');
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        DialogFilterEntry e;
        e.description = parts[i];
        for (const std::string& p : text::Split(parts[i + 1], ';')) {
            std::string_view t = text::Trim(p);
            if (!t.empty()) e.patterns.emplace_back(t);
        }
        if (!e.patterns.empty()) entries.push_back(std::move(e));
    }
    return entries;
}

std::vector<std::string> DialogNameFilters(std::string_view filter) {
    std::vector<std::string> out;
    for (const DialogFilterEntry& e : ParseDialogFilter(filter)) {
        std::vector<std::string> patterns;
        auto add = [&patterns](const std::string& p) {
            if (std::find(patterns.begin(), patterns.end(), p) == patterns.end()) patterns.push_back(p);
        };
        for (const std::string& p : e.patterns) {
            add(p);
            std::string lower = p;
            for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            add(lower);
            add(text::ToUpper(p));
        }
        std::string joined;
        for (const std::string& p : patterns) joined += (joined.empty() ? "" : " ") + p;
        out.push_back(e.description + " (" + joined + ")");
    }
    return out;
}

std::string DefaultSuffix(std::string_view filter) {
    const std::vector<DialogFilterEntry> entries = ParseDialogFilter(filter);
    if (entries.empty() || entries.front().patterns.size() != 1) return {};
    const std::string& p = entries.front().patterns.front();
    if (p.size() < 3 || p.compare(0, 2, "*.") != 0) return {};
    const std::string ext = p.substr(2);
    if (ext.find_first_of("*?.[") != std::string::npos) return {};
    return ext;
}

}  // namespace trelvo::app
