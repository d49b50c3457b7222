#pragma once
// What a failed file operation tells: the step that failed and the system's code from that
// very call. Each operation of the file layer returns it, so that the log names the call that
// failed, never a later one that happened to leave an error behind.
#include <string>
#include <system_error>

struct FileResult {
  // What failed, in a few words ("rename over the file"); null when the operation succeeded.
  const char* FailedStep = nullptr;
  // The system's code from the failing call; none where the file layer itself refused (the
  // step then says why).
  std::error_code Code;

  bool Ok() const { return FailedStep == nullptr; }
  explicit operator bool() const { return Ok(); }
};

inline FileResult FailedAt(const char* step, std::error_code code = {}) { return {step, code}; }

// The system's own words for `error`, on one line; empty for no error.
std::string SystemErrorText(const std::error_code& error);

// "<step>: <the system's words>", or the step alone where the system gave no code; empty for
// a success. What the log writes after the failed operation.
std::string FileResultText(const FileResult& result);
