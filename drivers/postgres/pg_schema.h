#pragma once
// How a declared file is laid out in the data set's schema: one table named
// after the file in lower case (FESK1 is "fesk1"); an `id` column, a bigint
// the server generates, that is the record identity; one text column per field
// named after the field without its prefix in lower case ("code", so that a
// filter may name it CODE), compared byte by byte (collation "C"); and one
// index per key, named after the file and the key ("fesk1_keycode").
//
// A key's index is on its fields with ASCII letters folded to lower case and
// nothing else folded (the database's own case rules fold more), then the
// identity unless the key is unique: exactly the order reads ask for, so the
// server walks the index for every read. The check reads each index's
// definition back from the server: an index that differs (another expression,
// collation or uniqueness) is not this program's and is rebuilt. Its comment
// only tells an administrator what the index is for.

#include <cstddef>
#include <string>
#include <string_view>

#include "drivers/common/stored_names.h"
#include "drivers/postgres/pg_server_session.h"
#include "runtime/files/driver.h"

namespace apprt {
class FileDeclaration;
}

namespace fesk::postgres {

// The server cuts longer names to this many bytes, so two longer names
// would meet in one schema.
inline constexpr std::size_t kLongestIdentifier = 63;

// Why `schema` cannot name a data set's schema ("" when it can).
std::string schemaNameMistake(std::string_view schema);

using drivers::quotedName;
std::string tableName(const std::string& schema, const apprt::FileDeclaration& file);  // quoted
std::string quotedColumn(const apprt::FileDeclaration& file, int field);
std::string indexName(const apprt::FileDeclaration& file, int key);  // quoted, in the schema
// The field as orders compare it: ASCII letters in lower case.
std::string foldedColumn(const apprt::FileDeclaration& file, int field);
// The condition that `folded` (a folded column) holds `value` (folded,
// without trailing blanks) by the files' rule: trailing blanks aside.
std::string sameKeyValue(const std::string& folded, const std::string& value);
// The condition that `folded` holds `value` followed by blanks, as another
// tool may have stored it: the same key value, which the index sorts just
// after the bare value, so the condition seeks a short range of it.
std::string paddedMatch(const std::string& folded, const std::string& value);
// The key's index columns: its folded fields, then `id` when values may repeat.
std::string indexColumns(const apprt::FileDeclaration& file, int key);

// The statement that creates the schema when it is missing ("" when it is
// there, or when asking failed: `status` tells).
std::string createSchemaSql(ServerSession& session, const std::string& schema,
                            apprt::DriverStatus& status);
// Statements that create the file (empty, with its keys) in an existing
// schema, and its keys alone; `connection` quotes their comments.
std::string createFileScript(ServerSession& session, const std::string& schema,
                             const apprt::FileDeclaration& file);
std::string createKeysScript(ServerSession& session, const std::string& schema,
                             const apprt::FileDeclaration& file);

// The channel on which commits to a data set's tables are told (the table's
// name is the payload), as SQL over the schema's name `schemaExpression`: the
// server works it out, so that the tables' triggers and the listener agree.
std::string changeChannelSql(const std::string& schemaExpression);
// The trigger that tells the channel of every statement that changed the
// file's table (created with the table, and given at open to the program's
// files in a data set made without it).
std::string changeTriggerScript(const std::string& schema, const apprt::FileDeclaration& file);

// "on" while a history is carried in (pg_history_carry.h): the history's
// trigger writes no entries of adds for the rest of the transaction.
inline constexpr const char* kCarriedHistorySetting = "fesk.carried_history";

// The history of a file that keeps one (file_history.h): the
// table `history` of the data set's schema, one for every file, written by
// statement-level triggers on the file's table from the rows the statement
// changed (its transition tables), so that an entry is part of the
// transaction that makes its change, whoever makes it, and a 100,000-record
// cascade or a bulk copy costs one more statement, not one per record. An
// entry holds the file, when (UTC), who (the setting fesk.who when a session
// sets one, else the session's role), the station (fesk.station, else the
// session's application name without the program's name before it), the
// change group (the server's transaction), the action ("add", "change",
// "delete"), the record's identity and its fields before and after as JSON
// arrays in the order declared.
std::string historyScript(const std::string& schema, const apprt::FileDeclaration& file);
// The question of the layout of the tables of the schema named by `schema`
// (an SQL expression) that `tables` (an SQL condition on c.relname) picks: a
// row each of their columns, indexes and definitions, led by the table's
// name, in its order.
std::string layoutQuestion(const std::string& schema, const std::string& tables);
// Checks the file's table against the declaration: 2 when it is missing, 47
// when its columns differ, 46 when an index of a key is missing or not this
// program's; the driver's message says what differs. Given `missing`, for a
// file that keeps a history, it asks in the same round trip what a data set
// made by an earlier fesk lacks of the file's definitions (its change
// trigger, the history's triggers and indexes) and sets it to the SQL to run
// ("" when nothing is lacking). The first check of a file on a session that
// took the data-set lock is answered by the lock's round trip
// (pg_early_layout.h) when that finds the file fit to use.
apprt::DriverStatus checkSchema(ServerSession& session, const std::string& schema,
                                const apprt::FileDeclaration& file, std::string* missing = nullptr);

}  // namespace fesk::postgres
