#pragma once
// The POSIX file calls logged for one scope, step n failed or the "process" ended around it
// (ProcessEnded thrown, later calls passed through); `inner` may fake what the system says.
#include <dirent.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <type_traits>
#include <vector>

#include "os/posix/file_calls.h"

struct ProcessEnded {};
enum class AtStep { Fail, EndBefore, EndAfter };

struct StepFault {
  const char* what;
  AtStep at;
  int error;
};
inline constexpr StepFault kStepFaults[] = {
    {"EIO", AtStep::Fail, EIO},           {"ENOSPC", AtStep::Fail, ENOSPC},
    {"EFBIG", AtStep::Fail, EFBIG},       {"EPERM", AtStep::Fail, EPERM},
    {"EINTR", AtStep::Fail, EINTR},       {"ended before", AtStep::EndBefore, 0},
    {"ended after", AtStep::EndAfter, 0},
};

struct FileCallPlan {
  PosixFileCalls inner{};
  std::vector<std::string> calls;
  std::string failEvery;  // every call of this name fails with EACCES
  int step = 0;
  StepFault fault{"", AtStep::Fail, 0};
  bool ended = false;
};

class ScopedFileCalls {
 public:
  ScopedFileCalls() : saved_(FileCalls()) {
    Plan() = FileCallPlan{};
    Plan().inner = saved_;
    FileCalls() = Logged();
  }
  ~ScopedFileCalls() { FileCalls() = saved_; }
  static FileCallPlan& Plan() {
    static FileCallPlan plan;
    return plan;
  }

 private:
  // The errno to fail this call with, or 0 to make it; throws where the process ends.
  static int Before(const char* name) {
    FileCallPlan& plan = Plan();
    if (plan.ended) return 0;
    plan.calls.emplace_back(name);
    if (plan.failEvery == name) return EACCES;
    if (static_cast<int>(plan.calls.size()) != plan.step) return 0;
    if ((plan.ended = plan.fault.at == AtStep::EndBefore)) throw ProcessEnded{};
    return plan.fault.at == AtStep::Fail ? plan.fault.error : 0;
  }
  // Ends just after the planned call; a listing it gave is closed, as the kernel would.
  template <typename Result>
  static void After(Result done) {
    FileCallPlan& plan = Plan();
    const bool now = static_cast<int>(plan.calls.size()) == plan.step;
    if (plan.ended || plan.fault.at != AtStep::EndAfter || !now) return;
    plan.ended = true;
    if constexpr (std::is_same_v<Result, DIR*>) {
      if (done != nullptr) ::closedir(done);
    }
    throw ProcessEnded{};
  }
  template <typename Result>
  static Result Failed(int error) {
    errno = error;
    if constexpr (std::is_pointer_v<Result>)
      return nullptr;
    else
      return Result(-1);
  }
  static PosixFileCalls Logged() {
    return PosixFileCalls{
#define AUXLINE_LOGGED_CALL(name, result, params, args)                \
  +[] params -> result {                                               \
    if (const int error = Before(#name)) return Failed<result>(error); \
    result done = Plan().inner.name args;                              \
    After(done);                                                       \
    return done;                                                       \
  },
        AUXLINE_POSIX_FILE_CALLS(AUXLINE_LOGGED_CALL)
#undef AUXLINE_LOGGED_CALL
    };
  }

  PosixFileCalls saved_;
};

// The calls `operation()` makes, from its second run (a first may do once-only work).
template <typename Operation>
std::vector<std::string> CallsOf(Operation&& operation) {
  for (int run = 0;; ++run) {
    ScopedFileCalls scoped;
    operation();
    if (run == 1) return ScopedFileCalls::Plan().calls;
  }
}

// setUp(), operation() with each step in turn faulted, then check(ended, faulted call's name).
template <typename SetUp, typename Operation, typename Check>
void ForEachFaultedStep(const StepFault& fault, SetUp&& setUp, Operation&& operation,
                        Check&& check) {
  const std::vector<std::string> calls = CallsOf([&] {
    setUp();
    operation();
  });
  for (std::size_t step = 1; step <= calls.size(); ++step) {
    // Ending at a close is ending next to its neighbour; destructors' closes cannot throw.
    if (fault.at != AtStep::Fail && calls[step - 1] == "close") continue;
    SCOPED_TRACE(std::string(fault.what) + " at step " + std::to_string(step) + " " +
                 calls[step - 1]);
    bool ended = false;
    {
      ScopedFileCalls scoped;
      setUp();
      ScopedFileCalls::Plan().step = static_cast<int>(step);
      ScopedFileCalls::Plan().fault = fault;
      try {
        operation();
      } catch (const ProcessEnded&) {
        ended = true;
      }
    }
    check(ended, calls[step - 1]);
  }
}
