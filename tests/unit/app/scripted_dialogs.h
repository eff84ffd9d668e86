// Dialogs whose answers a test gives in advance, recording every question asked.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/ui_dialogs.h"

namespace trelvo::testing {

class ScriptedDialogs : public app::UiDialogs {
public:
    // Answers used in order; when they run out, dialogs are cancelled and questions get No.
    std::deque<std::optional<std::string>> openAnswers;
    std::deque<std::optional<std::string>> saveAnswers;
    std::deque<bool> yesNoAnswers;

    std::vector<app::FileDialogRequest> opened, saved;
    std::vector<std::string> messages, questions;
    std::vector<std::string> titles;  // of messages and questions, in order
    std::vector<std::pair<std::string, std::string>> editorStarts;
    std::vector<int> helpTopics;

    std::optional<std::string> OpenFile(const app::FileDialogRequest& r) override {
        opened.push_back(r);
        return Next(openAnswers);
    }
    std::optional<std::string> SaveFile(const app::FileDialogRequest& r) override {
        saved.push_back(r);
        return Next(saveAnswers);
    }
    void Message(const std::string& text, app::MessageIcon, const std::string& title) override {
        messages.push_back(text);
        titles.push_back(title);
    }
    bool AskYesNo(const std::string& text, app::MessageIcon, const std::string& title) override {
        questions.push_back(text);
        titles.push_back(title);
        if (yesNoAnswers.empty()) return false;
        bool a = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return a;
    }
    void StartEditor(const std::string& editor, const std::string& file) override {
        editorStarts.emplace_back(editor, file);
    }
    void ShowHelp(int context) override { helpTopics.push_back(context); }

    std::string LastMessage() const { return messages.empty() ? std::string() : messages.back(); }

private:
    static std::optional<std::string> Next(std::deque<std::optional<std::string>>& q) {
        if (q.empty()) return std::nullopt;
        std::optional<std::string> a = q.front();
        q.pop_front();
        return a;
    }
};

}  // namespace trelvo::testing
