#pragma once
// Named fields of the state checked against its description: one line of a test checks several
// fields, and a failure names each field that differs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tests/support/crlf_lines.h"
#include "tests/support/describe_state.h"

// Equal text, or numbers of equal value: tests write reals in decimal, the description in hex.
inline bool SameFieldValue(const std::string& expected, const std::string& actual) {
  char* expectedEnd = nullptr;
  char* actualEnd = nullptr;
  const double expectedNumber = std::strtod(expected.c_str(), &expectedEnd);
  const double actualNumber = std::strtod(actual.c_str(), &actualEnd);
  return expected == actual || (!expected.empty() && *expectedEnd == '\0' && !actual.empty() &&
                                *actualEnd == '\0' && expectedNumber == actualNumber);
}

// Each "name value" of `fields` (parted by '|') is in the state's description, each name under
// `prefix` ("TextList[0]." for a record's fields, "" for the state's own).
inline ::testing::AssertionResult StateHolds(std::string_view prefix, std::string_view fields) {
  std::string description(1, '\n');
  description.append(DescribeState());
  std::string wrong;
  for (const std::string& field : fields.empty() ? std::vector<std::string>() : Parted(fields)) {
    const std::size_t blank = field.find(' ');
    const std::string name = std::string(prefix).append(field.substr(0, blank));
    const std::string expected(field.substr(blank + 1));
    const std::size_t found = description.find(std::string(1, '\n').append(name).append(" "));
    const std::size_t from = found + name.size() + 2;
    const std::string actual = found == std::string::npos
                                   ? "(no such field)"
                                   : description.substr(from, description.find('\n', from) - from);
    if (!SameFieldValue(expected, actual)) {
      wrong.append("\n").append(name).append(": expected ").append(expected);
      wrong.append(", got ").append(actual);
    }
  }
  if (wrong.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << wrong;
}
