// Stands in for the dialog program: notes its process id and its environment, one entry a
// line, in "stand-in.txt" beside itself (whole once the name is there) and, with
// STAND_IN_STAYS set, waits to be killed.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

int main() {
  const std::filesystem::path dir = std::filesystem::read_symlink("/proc/self/exe").parent_path();
  {
    std::ofstream noted(dir / "stand-in.tmp");
    noted << ::getpid() << '\n';
    for (char** entry = environ; *entry != nullptr; ++entry) noted << *entry << '\n';
  }
  std::filesystem::rename(dir / "stand-in.tmp", dir / "stand-in.txt");
  if (std::getenv("STAND_IN_STAYS") != nullptr) {
    for (;;) ::pause();
  }
  return 0;
}
