#pragma once
// The fesk program run as a user runs it from a shell: its arguments, what is
// typed on its standard input, what it prints and the status it ends with.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "support/scratch_data_set.h"

namespace fesk::test {

struct FeskRun {
  int status = -1;  // the exit status, or 128 + the signal that ended it
  std::string out;
  std::string err;
};

class FeskProcess {
 public:
  // Where its standard output goes: a file read at the end, or a pipe that
  // fills (and holds the program up) until it is read.
  enum class Output { kFile, kPipe };

  explicit FeskProcess(const std::vector<std::string>& arguments, Output output = Output::kFile);
  ~FeskProcess();  // a process still running is killed
  FeskProcess(const FeskProcess&) = delete;
  FeskProcess& operator=(const FeskProcess&) = delete;

  void type(std::string_view text);
  void endInput();
  void signal(int number);
  pid_t pid() const { return pid_; }
  // What it has written to standard error so far.
  std::string errorsSoFar() const;
  // With Output::kPipe: the next bytes it writes, waiting for some.
  std::string readSomeOutput();
  FeskRun wait();

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;  // the pipe's end to read, with Output::kPipe
  std::filesystem::path outPath_;
  std::filesystem::path errPath_;
};

// Runs fesk to its end with `input` on its standard input.
FeskRun runFesk(const std::vector<std::string>& arguments, std::string_view input = {});
// The options that point the program at `dataSet`.
std::vector<std::string> optionsNaming(const ScratchDataSet& dataSet);

std::string readText(const std::filesystem::path& path);
void writeText(const std::filesystem::path& path, std::string_view text);

}  // namespace fesk::test
