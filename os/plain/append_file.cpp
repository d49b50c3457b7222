#include "os/append_file.h"

#include <cstdio>

// Without a way to ask for a file's owner, only a file this run makes itself may take the
// lines; nothing is locked, read back or cut back.
AppendFile::AppendFile(const std::filesystem::path& path)
    : handle_(reinterpret_cast<std::intptr_t>(std::fopen(path.string().c_str(), "wbx"))) {}

AppendFile::~AppendFile() {
  if (IsOpen()) std::fclose(reinterpret_cast<std::FILE*>(handle_));
}

bool AppendFile::IsOpen() const { return handle_ != 0; }
bool AppendFile::Lock() { return false; }

bool AppendFile::Append(std::string_view bytes) {
  auto* file = reinterpret_cast<std::FILE*>(handle_);
  return IsOpen() && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
         std::fflush(file) == 0;
}

std::optional<std::uint64_t> AppendFile::Size() { return {}; }
bool AppendFile::ReadFrom(std::uint64_t, std::string&, std::size_t) { return false; }
bool AppendFile::Rewrite(std::string_view) { return false; }
