// Choosing a data set on a server, and moving one there and back with
// `fesk copy`: the records arrive the same, a target holding records is left
// alone unless told otherwise, and every mistake is named.

#include "app/data_set.h"

#include <cstdlib>

#include "acceptance_support.h"
#include "app/commands.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/files/data_directory.h"
#include "support/scoped_environment.h"
#include "support/temporary_directory.h"

namespace fesk::test {
namespace {

int copy(std::vector<std::string> arguments) {
  ArgumentReader reader(std::move(arguments));
  return findCommand("copy")->run(reader);
}

std::string whyNot(const DataSetOptions& options) {
  std::string why;
  return useDataSet(options, why) ? "" : why;
}

class DataSetOnAServer : public AcceptanceTest {};

TEST_F(DataSetOnAServer, ACopyThroughTheServerAndBackGivesTheSameRecords) {
  const Records fesk1{{"A1", "Alpha"}, {"b2", "\xC3\xA9t\xC3\xA9"}, {"C3", "Charlie"}};
  const Records fesk2{{"A1", "3"}, {"A1", "1"}, {"C3", "2"}, {"A1", "2"}};
  seed(fesk1, fesk2);
  const std::string directory = dataSet_.directory().string();
  ScratchDataSet server(Store::kPostgres);
  const std::vector<std::string> toServer{"--from",          directory,  "--to",
                                          server.conninfo(), "--schema", server.schema()};
  EXPECT_EQ(copy(toServer), 0);
  EXPECT_EQ(copy(toServer), 1) << "the server's files already hold records";
  auto replacing = toServer;
  replacing.push_back("--replace");
  EXPECT_EQ(copy(replacing), 0);

  TemporaryDirectory back("fesk-back");
  EXPECT_EQ(copy({"--from", server.conninfo(), "--schema", server.schema(), "--to",
                  back.path().string()}),
            0);
  ASSERT_TRUE(apprt::setDataDirectory(back.path()));
  EXPECT_EQ(storedFesk1(),
            (Records{{"A1", "Alpha"}, {"b2", "\xC3\xA9t\xC3\xA9"}, {"C3", "Charlie"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"A1", "3"}, {"A1", "1"}, {"A1", "2"}, {"C3", "2"}}))
      << "children of one code keep the order they were added in";
}

TEST_F(DataSetOnAServer, MistakesInChoosingADataSetAreNamed) {
  const struct {
    DataSetOptions options;
    std::string said;
  } mistakes[] = {
      {{.dataDir = "/tmp", .database = "host=/tmp", .schema = {}}, "give one of them"},
      {{.dataDir = {}, .database = {}, .schema = "s"}, "it needs --database"},
      {{.dataDir = {}, .database = "host=/tmp password=secret", .schema = {}}, "~/.pgpass"},
      {{.dataDir = {}, .database = "no such thing", .schema = {}}, "cannot be read"},
      {{.dataDir = {}, .database = "host=/nonexistent dbname=x", .schema = {}},
       "the database server in /nonexistent"},
      {{.dataDir = {}, .database = "host=/tmp", .schema = ""}, "the schema name is empty"},
      {{.dataDir = {}, .database = "host=/tmp", .schema = std::string(64, 's')},
       "at most 63 bytes"},
  };
  for (const auto& mistake : mistakes) {
    EXPECT_NE(whyNot(mistake.options).find(mistake.said), std::string::npos)
        << whyNot(mistake.options);
  }
  for (const auto& arguments :
       std::vector<std::vector<std::string>>{{"--from", "host=/tmp"}, {"--bogus"}}) {
    EXPECT_EQ(copy(arguments), kUsageError);
  }
}

// Printed lists name the data set chosen: a directory, or a server and schema.
TEST_F(DataSetOnAServer, TheEnvironmentNamesTheServerWhenTheCommandLineNamesNoDataSet) {
  ScratchDataSet server(Store::kPostgres);
  ScopedEnvironment environment("FESK_DATABASE", server.conninfo());
  EXPECT_EQ(whyNot({.dataDir = dataSet_.directory().string(), .database = {}, .schema = {}}), "");
  EXPECT_EQ(&dataSetDriver(), &sqlite::defaultDriver()) << "--data-dir wins";
  EXPECT_EQ(dataSetName(), dataSet_.directory().string());
  EXPECT_EQ(whyNot({.dataDir = {}, .database = {}, .schema = server.schema()}), "");
  EXPECT_NE(&dataSetDriver(), &sqlite::defaultDriver());
  EXPECT_EQ(dataSetName(), server.conninfo() + " (schema " + server.schema() + ")");
}

}  // namespace
}  // namespace fesk::test
