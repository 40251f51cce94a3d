#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

// A fresh folder for one test, removed with everything in it when the test ends. It lives under
// $QUINTALEVA_TEST_TMP when CTest runs the tests, else under the system's temporary folder.
class ScratchDir final {
public:
    ScratchDir() : ScratchDir(defaultRoot()) {}
    // Under `root` instead.
    explicit ScratchDir(const std::filesystem::path& root) {
        namespace fs = std::filesystem;
        fs::create_directories(root);
        std::string pattern = (root / "qvl-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a scratch folder under " + root.string());
        m_path = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    static std::filesystem::path defaultRoot() {
        const char* base = std::getenv("QUINTALEVA_TEST_TMP");
        return base && *base ? std::filesystem::path(base) : std::filesystem::temp_directory_path();
    }

    const std::filesystem::path& path() const { return m_path; }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

    static std::string readAll(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // The names of what `dir` holds, sorted.
    static std::vector<std::string> names(const std::filesystem::path& dir) {
        std::vector<std::string> found;
        for (const auto& e : std::filesystem::directory_iterator(dir))
            found.push_back(e.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }
    static void writeAll(const std::string& file, const std::string& bytes) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << bytes;
    }

private:
    std::filesystem::path m_path;
};
