#pragma once
// The built executable run as the host runs it: fixed arguments, no shell, a chosen working
// directory; its exit status, or -1 when it did not end within 30 s (then killed).
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

extern char** environ;

// Standard output and standard error go to `outputFile` (nowhere when it is empty).
inline int RunTool(const std::filesystem::path& exe, const std::vector<std::string>& args,
                   const std::filesystem::path& workingDir,
                   const std::filesystem::path& outputFile = {}) {
  std::vector<std::string> owned{exe.string()};
  owned.insert(owned.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : owned) argv.push_back(arg.data());
  argv.push_back(nullptr);

  std::vector<char*> envp;  // no display: no dialog window can open
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view text(*entry);
    if (!text.starts_with("DISPLAY=") && !text.starts_with("WAYLAND_DISPLAY="))
      envp.push_back(*entry);
  }
  envp.push_back(nullptr);
  const std::string dir = workingDir.string();
  const std::string output = outputFile.empty() ? std::string("/dev/null") : outputFile.string();

  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    const int sink = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (sink >= 0) {
      dup2(sink, STDOUT_FILENO);
      dup2(sink, STDERR_FILENO);
    }
    if (chdir(dir.c_str()) != 0) _exit(126);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  int status = 0;
  pid_t done = 0;
  while ((done = waitpid(child, &status, WNOHANG)) == 0) {
    if (std::chrono::steady_clock::now() > deadline) kill(child, SIGKILL);  // reaped next round
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return done == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
