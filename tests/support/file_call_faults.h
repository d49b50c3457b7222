#pragma once
// The POSIX file layer's call table replaced for one scope: every call is logged by name,
// and one step (the n-th call, counted from 1) can fail with an errno or end the "process"
// just before or just after the call. An ended process throws ProcessEnded out of the
// operation, so that nothing the operation would still have done happens; later calls
// (descriptors closed while unwinding, as the kernel would) pass through. Entries of the
// wrapped table may be replaced too, to fake what the system reports.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "os/posix/file_calls.h"

struct ProcessEnded {};

enum class AtStep { Fail, EndBefore, EndAfter };

class ScopedFileCalls {
 public:
  ScopedFileCalls() : saved_(FileCalls()) {
    State() = Plan{};
    State().inner = saved_;
    FileCalls() = Instrumented();
  }
  ~ScopedFileCalls() { FileCalls() = saved_; }
  ScopedFileCalls(const ScopedFileCalls&) = delete;
  ScopedFileCalls& operator=(const ScopedFileCalls&) = delete;

  // The table the logged calls go on to: the system's, or what a test put in.
  PosixFileCalls& Inner() { return State().inner; }
  void At(int step, AtStep what, int error = 0) {
    State().step = step;
    State().what = what;
    State().error = error;
  }
  // Every call of `name` fails with `error` (a folder where nothing can be made, say).
  void FailEvery(std::string name, int error) {
    State().failEvery.emplace_back(std::move(name), error);
  }
  const std::vector<std::string>& Calls() const { return State().calls; }
  bool Ended() const { return State().ended; }

 private:
  struct Plan {
    PosixFileCalls inner{};
    std::vector<std::string> calls;
    std::vector<std::pair<std::string, int>> failEvery;
    int step = 0;
    AtStep what = AtStep::Fail;
    int error = 0;
    bool ended = false;
    bool endAfter = false;
  };
  static Plan& State() {
    static Plan plan;
    return plan;
  }
  // The errno to fail this call with, or 0 to make it.
  static int Before(const char* name) {
    Plan& plan = State();
    if (plan.ended) return 0;
    plan.calls.emplace_back(name);
    for (const auto& [failing, error] : plan.failEvery) {
      if (failing == name) return error;
    }
    if (static_cast<int>(plan.calls.size()) != plan.step) return 0;
    if (plan.what == AtStep::Fail) return plan.error;
    if (plan.what == AtStep::EndBefore) {
      plan.ended = true;
      throw ProcessEnded{};
    }
    plan.endAfter = true;
    return 0;
  }
  static void After() {
    Plan& plan = State();
    if (!plan.endAfter) return;
    plan.endAfter = false;
    plan.ended = true;
    throw ProcessEnded{};
  }
  template <typename Result>
  static Result Failed(int error) {
    errno = error;
    if constexpr (std::is_pointer_v<Result>) {
      return nullptr;
    } else {
      return Result(-1);
    }
  }
  static PosixFileCalls Instrumented() {
    return PosixFileCalls{
#define AUXLINE_LOGGED_CALL(name, result, params, args)                \
  +[] params -> result {                                               \
    if (const int error = Before(#name)) return Failed<result>(error); \
    result done = State().inner.name args;                             \
    After();                                                           \
    return done;                                                       \
  },
        AUXLINE_POSIX_FILE_CALLS(AUXLINE_LOGGED_CALL)
#undef AUXLINE_LOGGED_CALL
    };
  }

  PosixFileCalls saved_;
};

// The calls `operation(scoped)` makes, each step's name (after one run to settle what a
// first call does once per process).
template <typename Operation>
std::vector<std::string> CallsOf(Operation&& operation) {
  std::vector<std::string> calls;
  for (int run = 0; run < 2; ++run) {
    ScopedFileCalls scoped;
    operation(scoped);
    calls = scoped.Calls();
  }
  return calls;
}

// Runs `operation(scoped)` once per step of its calls with that step faulted as `at` and
// `error` say; `check(ended, call)` then looks at what it left (`ended`: it threw ProcessEnded;
// `call`: the faulted step's name).
template <typename Operation, typename Check>
void ForEachFaultedStep(AtStep at, int error, Operation&& operation, Check&& check) {
  const std::vector<std::string> calls = CallsOf(operation);
  for (std::size_t step = 1; step <= calls.size(); ++step) {
    // Ending just before or after a close is ending after the call before it or before the
    // one after it; closes may run in destructors, which cannot throw.
    if (at != AtStep::Fail && calls[step - 1] == "close") continue;
    SCOPED_TRACE("step " + std::to_string(step) + " (" + calls[step - 1] + ")");
    bool ended = false;
    {
      ScopedFileCalls scoped;
      scoped.At(static_cast<int>(step), at, error);
      try {
        operation(scoped);
      } catch (const ProcessEnded&) {
        ended = true;
      }
    }
    check(ended, calls[step - 1]);
  }
}

// The faults each step is tried with.
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
