// The window tests run inside one QApplication on the offscreen platform unless told
// otherwise. What Qt keeps between runs (the file dialog's history) and its runtime folder go
// to a folder of this run's own, removed at the end, never to the user's.
#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::filesystem::path config =
        std::filesystem::temp_directory_path() / ("trelvo5-gui-tests-" + std::to_string(::getpid()));
    std::filesystem::create_directories(config);
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const std::filesystem::path runtime = config / "runtime";
        std::filesystem::create_directories(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    int rc = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        rc = RUN_ALL_TESTS();
    }
    std::error_code ec;
    std::filesystem::remove_all(config, ec);
    return rc;
}
