#pragma once
// A kind of data set: where one driver keeps the data files (a data
// directory, a schema on a server) and how the program chooses such a data
// set, opens its driver and marks it as used. Each driver has its kind beside
// it; the program keeps the list of kinds in one place and finds the one a
// command line names by asking each, so nothing above this interface
// branches on a kind.
//
// Every fesk that uses a data set holds it shared for as long as it runs;
// replacing its data (a restore, a copy with --replace) holds it alone, so it
// knows that no other fesk has the data open, and no fesk opens it until it
// is done. A hold is let go when it is destroyed, and by the system when the
// process ends however it ends: no stale hold is ever left behind.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/files/driver.h"

namespace apprt {

// The data set options of a command line, as given.
struct DataSetOptions {
  std::optional<std::string> dataDir;
  std::optional<std::string> database;  // a libpq connection string or postgresql:// URI
  std::optional<std::string> schema;    // on the server; "fesk" when not given
};

// What a command does with a data set, which decides whether it must exist.
enum class DataSetUse {
  kRead,     // a source: it must exist, and nothing is created in it
  kWrite,    // a target: a missing data directory is created
  kReplace,  // a target whose records are replaced: no other fesk may use it meanwhile
};

class DataSetKind;

// A data set as chosen: its kind, and where the kind keeps it.
struct DataSetChoice {
  const DataSetKind* kind = nullptr;
  std::filesystem::path directory;  // absolute; empty for a server
  std::string conninfo;             // empty for a directory
  std::string schema;
  std::string name;  // as messages name it

  bool onServer() const { return !conninfo.empty(); }
};

// Marks data sets of one kind as used by this process, one at a time: taking
// one lets go of the one held before, and so does destroying the hold. One
// hold can be taken again and again, so a driver can keep to it
// (DataSetKind::workUnder) across tries.
class DataSetHold {
 public:
  virtual ~DataSetHold() = default;
  // False, with the reason in `why`, while another fesk has the data set
  // alone or it cannot be reached. A data set that is only read gets nothing
  // written into it.
  virtual bool share(const DataSetChoice& choice, bool onlyRead, std::string& why) = 0;
  // False, with the reason in `why`, while another fesk uses the data set or
  // it cannot be reached.
  virtual bool takeAlone(const DataSetChoice& choice, std::string& why) = 0;
};

class DataSetKind {
 public:
  virtual ~DataSetKind() = default;

  // The option that names a data set of this kind ("--data-dir").
  virtual std::string_view option() const = 0;
  // Whether `options` (and the environment) name a data set of this kind.
  virtual bool claims(const DataSetOptions& options) const = 0;
  // Why `options` cannot be used when they name no data set of this kind:
  // one of its options given without the one that names its data set.
  virtual std::string strayOptionMistake(const DataSetOptions& options) const = 0;
  // The data set of this kind that `options` choose (this kind's default one
  // when they name none); false, with the reason in `why`, when they cannot
  // be used.
  virtual bool choose(const DataSetOptions& options, DataSetChoice& choice,
                      std::string& why) const = 0;

  // Whether a data set's name on a command line names one of this kind.
  virtual bool claimsName(const std::string& name) const = 0;
  // The data set that name chooses (`schema` for a kind that has them).
  virtual bool chooseNamed(const std::string& name, const std::optional<std::string>& schema,
                           DataSetChoice& choice, std::string& why) const = 0;

  // Whether two data sets of this kind are the same one.
  virtual bool same(const DataSetChoice& a, const DataSetChoice& b) const = 0;
  // Why the data set cannot be used for `use` as its place stands, or "".
  virtual std::string mistake(const DataSetChoice& choice, DataSetUse use) const = 0;
  // Whether that look at its place shows a data set to be read exists; when
  // not, it must be shown to hold a data file.
  virtual bool placeShowsItExists() const = 0;
  // Makes the place of a data set that will be written (a missing data
  // directory); false, with the reason in `why`, when it cannot.
  virtual bool makePlace(const DataSetChoice& choice, std::string& why) const = 0;

  // A hold for data sets of this kind, holding none yet.
  virtual std::unique_ptr<DataSetHold> newHold() const = 0;

  // The driver this process binds its data files to for the data set, the
  // same one each time the same data set is chosen; null, with the reason in
  // `why`, when the data set cannot be used.
  virtual Driver* processDriver(const DataSetChoice& choice, std::string& why) const = 0;
  // A driver of its own for the data set, beside the process's.
  virtual std::unique_ptr<Driver> makeDriver(const DataSetChoice& choice) const = 0;
  // Has `driver`, of this kind, keep to `hold` (which outlives it): a driver
  // whose hold can be lost takes it again before it reads or writes.
  virtual void workUnder(Driver& driver, DataSetHold& hold) const = 0;

  // The data set as a printed list's header names it.
  virtual std::string listName(const DataSetChoice& choice) const = 0;
};

}  // namespace apprt
