// A fesk that works on a server's data set holds its lock again after the
// server restarted (the restart ended the session that held it): a restore
// run meanwhile is refused instead of replacing every record under it.
#include <gtest/gtest.h>

#include "app/data_sets/data_set.h"
#include "data/data_files.h"
#include "fesk_process.h"
#include "runtime/files/errors.h"
#include "runtime/files/thread_wait.h"
#include "support/temporary_directory.h"
#include "support/test_server.h"

namespace fesk::test {
namespace {

// Reads the first FESK1 record, as the program does after waiting for the
// user (a wait ends the reads held from the last moment); its code, or the
// failure.
std::string firstCode() {
  apprt::threadWillWait();
  FESK1.setOnKey(FES_KEYCODE);
  FESK1.next();
  return apprt::ERRCODE() == 0 ? FESK1.buffer().CODE.text() : apprt::FILEERRORMSG();
}

TEST(ServerRestartLock, ARestoreIsRefusedOnceARunningFeskWorkedAfterTheRestart) {
  PrivateServer server;
  TemporaryDirectory scratch;
  const std::string backup = (scratch.path() / "backup").string();
  const std::vector<std::string> dataSet{"--database", server.conninfo()};
  const auto with = [&](std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), dataSet.begin(), dataSet.end());
    return arguments;
  };
  ASSERT_EQ(runFesk(with({"import", "FESK1", "-"}), "CODE,NAME\r\nA1,Alpha\r\n").status, 0);
  ASSERT_EQ(runFesk(with({"backup", backup})).status, 0);

  DataSetOptions options;
  options.set("--database", server.conninfo());
  std::string why;
  ASSERT_TRUE(useDataSet(options, why)) << why;
  FESK1.bindDriver(dataSetDriver());
  FESK1.open(apprt::kOpenSharedReadWrite);
  ASSERT_EQ(apprt::ERRCODE(), 0) << apprt::FILEERRORMSG();
  ASSERT_EQ(firstCode(), "A1");

  server.stop();
  server.start();
  EXPECT_EQ(firstCode(), "A1") << "the program carries on";
  const FeskRun refused = runFesk(with({"restore", backup, "--yes"}));
  EXPECT_EQ(refused.status, 1) << refused.out;
  EXPECT_NE(refused.err.find("another fesk is using the data "), std::string::npos) << refused.err;
  FESK1.close();
}

}  // namespace
}  // namespace fesk::test
