#pragma once
// A fresh, empty directory for one test, removed again afterwards.
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <system_error>

class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::random_device entropy;
    path_ = std::filesystem::temp_directory_path() /
            ("auxline-writer-" + std::to_string(entropy()) + std::to_string(entropy()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::filesystem::path& Path() const { return path_; }

  // Names of everything in the directory.
  std::set<std::string> Entries() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

 private:
  std::filesystem::path path_;
};

inline std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void PutFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// A file name that can exist, but leaves no room for the temporary file's longer name
// (names are limited to 255 bytes on the systems the tests run on).
inline std::string LongestUsableName() { return std::string(240, 'j') + ".TXT"; }
