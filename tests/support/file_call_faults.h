#pragma once
// The POSIX file calls logged for one scope, step n failed or the "process" ended around it
// (ProcessEnded thrown, later calls passed through); `inner` may fake what the system says.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <cerrno>
#include <string>
#include <string_view>
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
    FileCalls() = PosixFileCalls{
#define AUXLINE_LOGGED_CALL(name, result, params, args) \
  +[] params { return Logged<result>(#name, [&] { return Plan().inner.name args; }); },
        AUXLINE_POSIX_FILE_CALLS(AUXLINE_LOGGED_CALL)
#undef AUXLINE_LOGGED_CALL
    };
  }
  ~ScopedFileCalls() { FileCalls() = saved_; }
  static FileCallPlan& Plan() {
    static FileCallPlan plan;
    return plan;
  }

 private:
  // The call made, failed, or the "process" ended just before or after it (a listing it gave is
  // then closed, as the kernel would); once ended, calls pass through unlogged.
  template <typename Result, typename Make>
  static Result Logged(const char* name, Make make) {
    FileCallPlan& plan = Plan();
    if (plan.ended) return make();
    plan.calls.emplace_back(name);
    int error = plan.failEvery == name ? EACCES : 0;
    const bool now = error == 0 && static_cast<int>(plan.calls.size()) == plan.step;
    if (now && plan.fault.at == AtStep::Fail) error = plan.fault.error;
    if (error != 0) {
      // A close that fails has let go of what it closed all the same, as the system's does.
      if (std::string_view(name) == "close" || std::string_view(name) == "closedir") (void)make();
      errno = error;
      if constexpr (std::is_pointer_v<Result>)
        return nullptr;
      else
        return Result(-1);
    }
    plan.ended = now && plan.fault.at != AtStep::Fail;
    if (plan.ended && plan.fault.at == AtStep::EndBefore) throw ProcessEnded{};
    Result done = make();
    if (!plan.ended) return done;
    if constexpr (std::is_same_v<Result, DIR*>) {
      if (done != nullptr) ::closedir(done);
    }
    throw ProcessEnded{};
  }

  PosixFileCalls saved_;
};

// The step (counted from 1, as FileCallPlan::step) of the last call named `name` among the
// first `upTo` of `calls`; 0 when there is none.
inline int LastStepOf(const std::vector<std::string>& calls, std::string_view name,
                      int upTo = std::numeric_limits<int>::max()) {
  for (int step = std::min(upTo, static_cast<int>(calls.size())); step > 0; --step)
    if (calls[static_cast<std::size_t>(step - 1)] == name) return step;
  return 0;
}

// The calls `operation()` makes, from its second run (a first may do once-only work).
template <typename Operation>
std::vector<std::string> CallsOf(Operation&& operation) {
  operation();
  ScopedFileCalls scoped;
  operation();
  return ScopedFileCalls::Plan().calls;
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
    // The process's own ids are never refused: failing them tries nothing real.
    const std::string& call = calls[step - 1];
    if (fault.at != AtStep::Fail && (call == "close" || call == "closedir")) continue;
    if (call == "getpid" || call == "getppid") continue;
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
