// Small helpers shared by the unit tests: a scratch folder, file writing and recorded callbacks.
#pragma once

#include <gtest/gtest.h>

#ifdef _WIN32
#include <process.h>
#define TRELVO5_TEST_PID _getpid()
#else
#include <unistd.h>
#define TRELVO5_TEST_PID ::getpid()
#endif

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/callbacks.h"

namespace trelvo::testing {

// A fresh folder under the system temp folder, removed when the test ends. Its name carries
// the process id, so two runs of the tests on one machine keep out of each other's way, and
// the start of the test's name with a hash of the whole. It is kept short: the settings hold
// at most 127 bytes of a path, and a test that writes its database's path there must not
// depend on how long the temp folder's own path is.
class ScratchDir {
public:
    ScratchDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string test =
            std::string(info ? info->test_suite_name() : "t") + "-" + (info ? info->name() : "x");
        std::string label = test.substr(0, 24);
        for (char& c : label)
            if (c == '/') c = '_';
        char hash[9];
        std::snprintf(hash, sizeof hash, "%08x",
                      static_cast<unsigned>(std::hash<std::string>{}(test)&0xffffffffu));
        const std::string name = "trelvo5-" + std::to_string(TRELVO5_TEST_PID) + "-" + label + "-" + hash;
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() { std::filesystem::remove_all(path_); }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    std::string Path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

// True when a writer left a temporary file ("<target>.<unique>.writing") in `dir`.
inline bool AnyWritingFile(const ScratchDir& dir) {
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        if (e.path().extension() == ".writing") return true;
    return false;
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Records what a conversion reports and answers as scripted: a cancel once `cancelAfter`
// records were announced or after `cancelAfterPolls` polls (-1: never), Yes unless told.
class RecordingCallbacks : public ConversionCallbacks {
public:
    void Progress(long long n) override { progress.push_back(n); }
    bool CancelRequested() override {
        ++polls;
        return (cancelAfter >= 0 && static_cast<long long>(progress.size()) >= cancelAfter) ||
               (cancelAfterPolls >= 0 && polls > cancelAfterPolls);
    }
    bool AskYesNo(const std::string& q) override {
        questions.push_back(q);
        return answer;
    }
    using ConversionCallbacks::Warning;
    void Warning(const std::string& m) override { warnings.push_back(m); }

    long long cancelAfter = -1, cancelAfterPolls = -1, polls = 0;
    bool answer = true;
    std::vector<long long> progress;
    std::vector<std::string> warnings, questions;
};

}  // namespace trelvo::testing
