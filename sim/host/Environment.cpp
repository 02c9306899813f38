#include "Environment.h"

#include <filesystem>
#include <random>
#include <stdexcept>

namespace sim {

std::string MakeScratchDir() {
    namespace fs = std::filesystem;
    std::random_device rd;
    std::mt19937_64 gen(rd());
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path p = base / ("fxsim-" + std::to_string(gen() % 1000000000ULL));
        std::error_code ec;
        if (fs::create_directory(p, ec))
            return p.string();
    }
    throw std::runtime_error("cannot make a scratch directory in " + base.string());
}

void RemoveTree(const std::string& dir) {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

}  // namespace sim
