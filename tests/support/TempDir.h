#pragma once
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>

// A folder of its own for one test, removed afterwards.
class TempDir {
public:
    TempDir() {
        std::random_device random;
        const auto temp = std::filesystem::temp_directory_path();
        do {
            path_ = (temp / ("pictrak-test-" + std::to_string(random()))).string();
        } while (!std::filesystem::create_directory(path_));
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + separator + name; }

private:
#ifdef _WIN32
    static constexpr char separator = '\\';
#else
    static constexpr char separator = '/';
#endif
    std::string path_;
};

// The bytes of a file, none when it is no file or cannot be read.
inline std::optional<std::string> fileBytes(const std::filesystem::path& path) {
    if (!std::filesystem::is_regular_file(path)) return std::nullopt;  // a FIFO would block
    std::ifstream file(path, std::ios::binary);
    return file ? std::optional<std::string>(std::string(std::istreambuf_iterator<char>(file), {})) : std::nullopt;
}
