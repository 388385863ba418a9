// The process id the drivers keep: the parent's until a fork, the child's in
// the child, so that a child drops what its parent held.
#include "drivers/common/this_process.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fesk::test {
namespace {

TEST(ThisProcessTest, IsTheCallersOwnBeforeAndAfterAFork) {
  const pid_t parent = drivers::thisProcess();
  EXPECT_EQ(parent, getpid());
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(drivers::thisProcess() == getpid() && getpid() != parent ? 0 : 1);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child was told another id";
  EXPECT_EQ(drivers::thisProcess(), parent);
}

}  // namespace
}  // namespace fesk::test
