// The schema of a data set on the server: a table or index that is not what
// the declaration asks for is refused with a message that names what differs;
// a schema name the server would cut or refuse is refused before anything is
// made; a role that may only create in a schema made for it still works.
#include "drivers/postgres/pg_schema.h"

#include <libpq-fe.h>

#include "drivers/postgres/pg_driver.h"
#include "file_test_support.h"
#include "support/test_server.h"

namespace filetest {
namespace {

using apprt::ERRCODE;
using apprt::FILEERRORMSG;
using fesk::test::sharedTestServer;

// Runs SQL on the test server as its superuser: the answer's first value, or
// "" when none.
std::string asAdministrator(const std::string& statements) {
  PGconn* session = PQconnectdb(sharedTestServer().c_str());
  PGresult* result = PQexec(session, statements.c_str());
  const auto status = PQresultStatus(result);
  EXPECT_TRUE(status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
      << PQerrorMessage(session) << statements;
  std::string first = PQntuples(result) > 0 ? PQgetvalue(result, 0, 0) : "";
  PQclear(result);
  PQfinish(session);
  return first;
}

bool schemaExists(const std::string& schema) {
  PGconn* session = PQconnectdb(sharedTestServer().c_str());
  const char* values[] = {schema.c_str()};
  PGresult* result = PQexecParams(session, "SELECT 1 FROM pg_namespace WHERE nspname = $1", 1,
                                  nullptr, values, nullptr, nullptr, 0);
  const bool exists = PQntuples(result) > 0;
  PQclear(result);
  PQfinish(session);
  return exists;
}

class PgSchemaTest : public FileTest {
 protected:
  void SetUp() override {
    FileTest::SetUp();
    closeTestFiles();
  }
  // The open's error code, with the driver's message in `message`.
  static int openCodes(std::string& message) {
    CODES.open(apprt::kOpenSharedReadWrite);
    const int code = ERRCODE();
    message = FILEERRORMSG();
    if (code == 0) CODES.close();
    return code;
  }
};

TEST_P(PgSchemaTest, EachMismatchIsRefusedWithAMessageNamingWhatDiffers) {
  struct Case {
    const char* damage;
    int code;
    const char* named;
  };
  const Case cases[] = {
      {"ALTER TABLE codes ALTER COLUMN name TYPE varchar(20)", apprt::kFileInvalid,
       "CODES: column name is of type character varying(20), not text"},
      {"ALTER TABLE codes ALTER COLUMN code TYPE text COLLATE \"POSIX\"", apprt::kFileInvalid,
       "CODES: column code has collation POSIX, not C"},
      {"ALTER TABLE codes ADD COLUMN note text", apprt::kFileInvalid,
       "CODES: the table has a column note not declared"},
      // Its comment copied from the right index: the definition is what counts.
      {"CREATE UNIQUE INDEX copy ON codes (code);"
       "DO $$BEGIN EXECUTE format('COMMENT ON INDEX copy IS %L', "
       "obj_description('codes_keycode'::regclass, 'pg_class')); END$$;"
       "DROP INDEX codes_keycode; ALTER INDEX copy RENAME TO codes_keycode",
       apprt::kKeysInvalid,
       "CODES: key COD:KEYCODE has an index codes_keycode USING btree (code), not USING btree "
       "(translate(code, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz'))"},
      {"DROP INDEX codes_keyname; CREATE UNIQUE INDEX codes_keyname ON codes "
       "(translate(name, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz'), id)",
       apprt::kKeysInvalid, "CODES: key COD:KEYNAME has an index codes_keyname that is unique"},
      {"DROP INDEX codes_keyname", apprt::kKeysInvalid,
       "CODES: key COD:KEYNAME has no index codes_keyname"},
  };
  for (const Case& c : cases) {
    CODES.create();
    ASSERT_EQ(ERRCODE(), 0) << FILEERRORMSG();
    dataSet_.sql("", c.damage);
    std::string message;
    EXPECT_EQ(openCodes(message), c.code) << c.damage;
    EXPECT_EQ(message, c.named) << c.damage;
  }
  // What the keys' check refuses, building the keys mends.
  CODES.buildKeys();
  std::string message;
  EXPECT_EQ(openCodes(message), 0) << message;
}

TEST_P(PgSchemaTest, SchemaNamesTheServerWouldCutOrRefuseAreRefusedBeforeAnythingIsMade) {
  const std::string longest(63, 's');
  const std::pair<std::string, std::string> refused[] = {
      {"", "the schema name is empty: name the schema of the data set"},
      {longest + "x", "the schema name \"" + longest +
                          "x\" is 64 bytes long; the database server takes names of at most 63 "
                          "bytes"}};
  for (const auto& [schema, why] : refused) {
    fesk::postgres::PgDriver driver(sharedTestServer(), schema);
    CODES.bindDriver(driver);
    CODES.create();
    EXPECT_EQ(ERRCODE(), apprt::kDriverError);
    EXPECT_EQ(FILEERRORMSG(), why);
    std::string message;
    EXPECT_EQ(openCodes(message), apprt::kDriverError);
    EXPECT_EQ(message, why);
  }
  EXPECT_FALSE(schemaExists(longest)) << "a cut name made nothing";
  EXPECT_EQ(fesk::postgres::schemaNameMistake(longest), "");
}

TEST_P(PgSchemaTest, ARoleThatMayCreateOnlyInItsOwnSchemaMakesAndUsesTheFiles) {
  const std::string role = dataSet_.schema() + "_clerk";
  const std::string schema = dataSet_.schema() + "_made";
  asAdministrator("CREATE ROLE " + role + " LOGIN; REVOKE CREATE ON DATABASE postgres FROM " +
                  role + "; CREATE SCHEMA " + schema + " AUTHORIZATION " + role);
  EXPECT_EQ(asAdministrator("SELECT has_database_privilege('" + role + "', 'postgres', 'CREATE')"),
            "f");
  {
    fesk::postgres::PgDriver driver(sharedTestServer() + " user=" + role, schema);
    CODES.bindDriver(driver);
    CODES.create();
    EXPECT_EQ(ERRCODE(), 0) << FILEERRORMSG();
    CODES.open(apprt::kOpenSharedReadWrite);
    ASSERT_EQ(ERRCODE(), 0) << FILEERRORMSG();
    addCode("C1", "first");
    EXPECT_EQ(readAll(CODE_KEY), std::vector<std::string>{"C1/first"});
    CODES.close();
  }
  asAdministrator("SET client_min_messages = warning; DROP SCHEMA " + schema +
                  " CASCADE; DROP ROLE " + role);
}

INSTANTIATE_TEST_SUITE_P(Drivers, PgSchemaTest, ::testing::Values(Store::kPostgres),
                         fesk::test::storeName);

}  // namespace
}  // namespace filetest
