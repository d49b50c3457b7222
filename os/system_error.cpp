#include "os/system_error.h"

std::string FileResultText(const FileResult& result) {
  if (result.Ok()) return {};
  std::string text = result.FailedStep;
  const std::string words = SystemErrorText(result.Code);
  if (!words.empty()) text.append(": ").append(words);
  return text;
}
