// Shared by the fuzz targets: each input becomes a file in a private scratch folder, because
// the converters read and write files.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/callbacks.h"

namespace trelvo::fuzz {

inline std::filesystem::path Scratch() {
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("trelvo5-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

inline std::string WriteInput(const std::string& name, const std::uint8_t* data, std::size_t size) {
    std::string path = (Scratch() / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

// Answers Yes to every question so that the deepest paths run.
class YesCallbacks : public ConversionCallbacks {
public:
    bool AskYesNo(const std::string&) override { return true; }
};

}  // namespace trelvo::fuzz
