#pragma once
// The data set a run of fesk works on, chosen on the command line the same way
// for the program and for every command: the options, what they (or a data
// set's name on a command line) choose, and the driver that the data files are
// bound to. A data set is a data directory of SQLite files (the default), or a
// schema on a PostgreSQL server shared by several workstations (--database, or
// FESK_DATABASE in the environment), each chosen, held and opened through its
// kind (data_set_kinds.h).

#include <optional>
#include <string>
#include <string_view>

#include "app/commands/argument_reader.h"
#include "runtime/files/data_set_kind.h"
#include "runtime/files/driver.h"

namespace fesk {

using DataSetOptions = apprt::DataSetOptions;
using DataSetChoice = apprt::DataSetChoice;
using DataSetUse = apprt::DataSetUse;

// The usage lines of the data set options: every kind's.
std::string dataSetUsage();

// Takes the current argument (and its value) when it is a data set option.
bool readDataSetOption(ArgumentReader& arguments, DataSetOptions& options);

// What `options` choose: the data set of the kind they name; when they name
// none, the one the environment names (FESK_DATABASE, a server), else the
// default kind's (the default data directory). False, with the reason in `why`, when they cannot be
// used.
bool chooseDataSet(const DataSetOptions& options, DataSetChoice& choice, std::string& why);

// What a data set's name on a command line chooses: a server when it is a
// connection string or URI (in `schema`), else a data directory; the first
// kind that claims the name.
bool chooseNamedDataSet(const std::string& name, const std::optional<std::string>& schema,
                        DataSetChoice& choice, std::string& why);

// Whether two choices are the same data set.
bool sameDataSet(const DataSetChoice& a, const DataSetChoice& b);

// Why the data set `choice` cannot be used for `use` as it stands (a data
// directory that is a file, or is missing where it is read), or nothing.
std::string dataSetMistake(const DataSetChoice& choice, DataSetUse use);

// Makes what `options` choose the data set of this process for `use` (a
// missing data directory is created unless it is read) and marks it as used
// by this process (held as its kind holds it). Answers kDone, or
// the exit status with the reason in `why`: kUsageError when the options or
// the data set they name are wrong (a data set to be read does not exist, a
// data directory cannot be made), kCommandFailed when it cannot be used now
// (another fesk replaces its data, a server does not answer).
int useDataSet(const DataSetOptions& options, DataSetUse use, std::string& why);
// The same for the program, which creates what is missing.
bool useDataSet(const DataSetOptions& options, std::string& why);

// Whether a data set that is to be read, kept by `driver`, can be: one whose
// place does not show that it exists (a schema on a server) must hold a data
// file. Answers kDone, or the exit status with the reason in `why`.
int readableDataSet(const DataSetChoice& choice, apprt::Driver& driver, std::string& why);

// The chosen data set as printed lists name it: its data directory, or its
// server and schema.
std::string dataSetName();
// The chosen data set as the program shows it: its data directory, or its
// server and schema.
std::string chosenDataSetName();

// The driver that keeps the chosen data set (the default one when none was
// chosen).
apprt::Driver& dataSetDriver();

}  // namespace fesk
