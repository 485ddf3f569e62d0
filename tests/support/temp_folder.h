#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

// A fresh, empty program folder for one test, removed afterwards, with its
// "Entry.Dat" as bytes; no toolkit, so tests run on Linux and under Wine
// alike. Paths go to the store as UTF-8, as the store keeps them.

namespace pintwise {

class TempFolder {
public:
    explicit TempFolder(const std::filesystem::path& name = {})
    {
        std::random_device random;
        m_root = std::filesystem::temp_directory_path() / ("pintwise-test-" + std::to_string(random()));
        m_path = name.empty() ? m_root : m_root / name;
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path log() const { return m_path / "Entry.Dat"; }
    std::string utf8() const
    {
        const auto text = m_path.u8string();
        return std::string(text.begin(), text.end());
    }

    void write(const std::string& bytes) const { std::ofstream(log(), std::ios::binary) << bytes; }
    std::string read() const
    {
        std::ifstream file(log(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

private:
    std::filesystem::path m_root;
    std::filesystem::path m_path;
};

} // namespace pintwise
