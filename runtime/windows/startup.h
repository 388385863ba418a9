#pragma once
// The program's start-up table: the routines the runtime calls once, before
// the first procedure runs, and the runtime's version check.

#include <vector>

namespace apprt {

// A start-up routine does its work for code 0 and returns at once for any
// other code.
using StartupRoutine = void (*)(int code);

inline constexpr int kStartupRoutineKind = 5;

struct StartupEntry {
  int kind = kStartupRoutineKind;
  StartupRoutine routine = nullptr;
};

// Hands the table to the runtime. Its routines run, in order and once per
// process, when runStartupRoutines() is first called.
void sysinit(const std::vector<StartupEntry>& table);
void runStartupRoutines();

// Answers non-zero when this runtime can run a program built for `version`.
int checkVersion(int version, int reserved1, int reserved2);

// The version of the program interface this runtime provides.
inline constexpr int kRuntimeVersion = 261;

}  // namespace apprt
