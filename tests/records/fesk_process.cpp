#include "records/fesk_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace fesk::test {

FeskProcess::FeskProcess(const std::vector<std::string>& arguments, Output output) {
  // A program that ends before reading all its input must not end the test.
  ::signal(SIGPIPE, SIG_IGN);
  static int serial = 0;
  const auto stem = std::filesystem::temp_directory_path() /
                    ("fesk-run-" + std::to_string(getpid()) + "-" + std::to_string(serial++));
  outPath_ = stem.string() + ".out";
  errPath_ = stem.string() + ".err";
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  input_ = pipeEnds[1];

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], STDIN_FILENO);
  int outputEnds[2] = {-1, -1};
  if (output == Output::kPipe) {
    if (pipe2(outputEnds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    output_ = outputEnds[0];
    posix_spawn_file_actions_adddup2(&actions, outputEnds[1], STDOUT_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath_.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
  }
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath_.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<std::string> all{FESK_PROGRAM};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  argv.reserve(all.size() + 1);
  for (auto& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const int failed = posix_spawn(&pid_, FESK_PROGRAM, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[0]);
  if (outputEnds[1] >= 0) close(outputEnds[1]);
  if (failed) throw std::runtime_error("cannot start " FESK_PROGRAM);
}

FeskProcess::~FeskProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    wait();
  }
  endInput();
}

void FeskProcess::type(std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = write(input_, text.data(), text.size());
    if (written <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

void FeskProcess::endInput() {
  if (input_ >= 0) close(input_);
  input_ = -1;
}

void FeskProcess::signal(int number) {
  kill(pid_, number);
}

std::string FeskProcess::errorsSoFar() const {
  return readText(errPath_);
}

std::string FeskProcess::readSomeOutput() {
  char buffer[4096];
  const ssize_t got = output_ >= 0 ? read(output_, buffer, sizeof buffer) : 0;
  return got > 0 ? std::string(buffer, static_cast<std::size_t>(got)) : std::string();
}

FeskRun FeskProcess::wait() {
  endInput();
  FeskRun run;
  // A pipe is read to its end first: the program may wait for room in it.
  for (std::string some; output_ >= 0 && !(some = readSomeOutput()).empty();) run.out += some;
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  if (output_ >= 0) {
    close(output_);
    output_ = -1;
  } else {
    run.out = readText(outPath_);
  }
  run.err = readText(errPath_);
  std::error_code ignored;
  std::filesystem::remove(outPath_, ignored);
  std::filesystem::remove(errPath_, ignored);
  return run;
}

FeskRun runFesk(const std::vector<std::string>& arguments, std::string_view input) {
  FeskProcess process(arguments);
  process.type(input);
  return process.wait();
}

std::string readText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeText(const std::filesystem::path& path, std::string_view text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> optionsNaming(const ScratchDataSet& dataSet) {
  if (dataSet.store() == Store::kSqlite) return {"--data-dir=" + dataSet.directory().string()};
  return {"--database", dataSet.conninfo(), "--schema", dataSet.schema()};
}

}  // namespace fesk::test
