// Choosing a data set on a server, and moving one there and back with
// `fesk copy`: the records arrive the same, a target holding records is left
// alone unless told otherwise, and every mistake is named.

#include "app/data_sets/data_set.h"

#include <cstdlib>

#include "acceptance_support.h"
#include "app/commands/commands.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/files/change_author.h"
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
      {{{"--data-dir", "/tmp"}, {"--database", "host=/tmp"}}, "give one of them"},
      {{{"--schema", "s"}}, "it needs --database"},
      {{{"--database", "host=/tmp password=secret"}}, "~/.pgpass"},
      {{{"--database", "no such thing"}}, "cannot be read"},
      {{{"--database", "host=/nonexistent dbname=x"}}, "the database server in /nonexistent"},
      {{{"--database", "host=/tmp"}, {"--schema", ""}}, "the schema name is empty"},
      {{{"--database", "host=/tmp"}, {"--schema", std::string(64, 's')}}, "at most 63 bytes"},
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

// A served session's program is started with the options its kind gives:
// they must choose the very data set the serve process chose.
TEST_F(DataSetOnAServer, EachKindsOptionsChooseItsDataSetAgain) {
  ScratchDataSet server(Store::kPostgres);
  for (const std::string& name : {dataSet_.directory().string(), server.conninfo()}) {
    DataSetChoice chosen;
    std::string why;
    ASSERT_TRUE(chooseNamedDataSet(name, server.schema(), chosen, why)) << why;
    ArgumentReader arguments(chosen.kind->arguments(chosen));
    DataSetOptions options;
    while (!arguments.atEnd()) ASSERT_TRUE(readDataSetOption(arguments, options)) << name;
    DataSetChoice again;
    ASSERT_TRUE(chooseDataSet(options, again, why)) << why;
    EXPECT_TRUE(sameDataSet(chosen, again)) << name;
    EXPECT_EQ(again.name, chosen.name);
  }
}

// On a server people sign in with their own role, so a connection string
// that names one would have every session connect as it; a data directory
// keeps its own people beside its data.
TEST_F(DataSetOnAServer, SignInIsRefusedForAConnectionStringThatNamesARole) {
  DataSetChoice server;
  std::string why;
  ASSERT_TRUE(chooseNamedDataSet("host=/tmp user=fesk", std::nullopt, server, why)) << why;
  apprt::SignInCheck check;
  EXPECT_FALSE(server.kind->signIn(server, {}, check, why));
  EXPECT_NE(why.find("their own PostgreSQL role"), std::string::npos) << why;
  std::filesystem::path folder;
  EXPECT_FALSE(server.kind->passwordFolder(server, folder, why));

  DataSetChoice directory;
  ASSERT_TRUE(chooseNamedDataSet(dataSet_.directory().string(), std::nullopt, directory, why));
  ASSERT_TRUE(directory.kind->passwordFolder(directory, folder, why)) << why;
  EXPECT_EQ(folder, dataSet_.directory());
  std::vector<std::string> asked;
  ASSERT_TRUE(directory.kind->signIn(
      directory,
      [&](const std::filesystem::path& in, const std::string& name, const std::string&) {
        asked.push_back(in.string() + " " + name);
        return true;
      },
      check, why));
  EXPECT_TRUE(check.accepts("ann", "secret"));
  EXPECT_EQ(asked, std::vector<std::string>{dataSet_.directory().string() + " ann"});
  // Sessions run as the server does; the history names the person signed in.
  EXPECT_EQ(check.environment("ann", "secret"),
            (apprt::SignInCheck::Environment{{apprt::kSignedInUserVariable, "ann"}}));
}

// Printed lists name the data set chosen: a directory, or a server and schema.
TEST_F(DataSetOnAServer, TheEnvironmentNamesTheServerWhenTheCommandLineNamesNoDataSet) {
  ScratchDataSet server(Store::kPostgres);
  ScopedEnvironment environment("FESK_DATABASE", server.conninfo());
  EXPECT_EQ(whyNot({{"--data-dir", dataSet_.directory().string()}}), "");
  EXPECT_EQ(&dataSetDriver(), &sqlite::defaultDriver()) << "--data-dir wins";
  EXPECT_EQ(dataSetName(), dataSet_.directory().string());
  EXPECT_EQ(whyNot({{"--schema", server.schema()}}), "");
  EXPECT_NE(&dataSetDriver(), &sqlite::defaultDriver());
  EXPECT_EQ(dataSetName(), server.conninfo() + " (schema " + server.schema() + ")");
}

}  // namespace
}  // namespace fesk::test
