// The desktop program ended by a signal (the session logging out, the
// terminal it was started from gone): it closes in order and exits, rather
// than dying where it stood.

#ifdef FESK_PROGRAM

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/temporary_directory.h"
#include "support/wait_until.h"

namespace fesk::qt::test {
namespace {

using fesk::test::TemporaryDirectory;
using fesk::test::waitUntil;

class EndSignal : public ::testing::TestWithParam<int> {};

pid_t startDesktopProgram(const std::filesystem::path& directory) {
  const std::string data = (directory / "data").string();
  const std::string config = (directory / "config").string();
  const pid_t child = fork();
  if (child == 0) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);     // NOLINT(concurrency-mt-unsafe)
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);  // NOLINT(concurrency-mt-unsafe)
    execl(FESK_PROGRAM, FESK_PROGRAM, "--ui=qt", "--data-dir", data.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  return child;
}

// Whether the data directory's lock can be taken alone (or is gone): no copy
// of the program holds it any longer.
bool dataDirectoryIsFree(const std::filesystem::path& data) {
  const int fd = ::open((data / "fesk.lock").c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT;
  const bool free = flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return free;
}

// The program catches the end signals before it starts a second thread.
int threadsOf(pid_t process) {
  std::ifstream status("/proc/" + std::to_string(process) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("Threads:", 0) == 0) return std::atoi(line.c_str() + 8);
  return 0;
}

TEST_P(EndSignal, ClosesTheProgramInOrderAndExitsNormally) {
  TemporaryDirectory directory("fesk-qt-signal");
  const pid_t child = startDesktopProgram(directory.path());
  ASSERT_GT(child, 0);
  // Running once it holds its data directory, shared, and has its windows.
  ASSERT_TRUE(waitUntil([&] {
    return std::filesystem::exists(directory.path() / "data" / "fesk.lock") &&
           !dataDirectoryIsFree(directory.path() / "data") && threadsOf(child) > 1;
  }));
  ASSERT_EQ(kill(child, GetParam()), 0);
  int status = 0;
  const bool ended = waitUntil([&] { return waitpid(child, &status, WNOHANG) == child; });
  if (!ended) kill(child, SIGKILL);
  ASSERT_TRUE(ended) << "the program did not end";
  ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal itself: " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(dataDirectoryIsFree(directory.path() / "data"));
  for (const auto& entry : std::filesystem::directory_iterator(directory.path() / "data"))
    EXPECT_EQ(entry.path().filename().string().find("-open-"), std::string::npos)
        << "an open marker was left: " << entry.path();
}

INSTANTIATE_TEST_SUITE_P(TermAndHangUp, EndSignal, ::testing::Values(SIGTERM, SIGHUP));

}  // namespace
}  // namespace fesk::qt::test

#endif  // FESK_PROGRAM
