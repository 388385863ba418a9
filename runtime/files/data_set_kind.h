#pragma once
// A kind of data set: where one driver keeps the data files (a data
// directory, a schema on a server) and how the program chooses such a data
// set (the kind's own options), opens its driver, marks it as used, shares
// the files it creates, and serves it to browsers (who signs in). Each driver
// has its kind beside it; the program keeps the list of kinds in one place
// and finds the one a command line names by asking each, so nothing above
// this interface branches on a kind.
//
// Every fesk that uses a data set holds it shared for as long as it runs;
// replacing its data (a restore, a copy with --replace) holds it alone, so it
// knows that no other fesk has the data open, and no fesk opens it until it
// is done. A hold is let go when it is destroyed, and by the system when the
// process ends however it ends: no stale hold is ever left behind.

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/files/driver.h"

namespace apprt {

// The data set options of a command line, as given: each kind's own options
// (DataSetKind::options) by name, with their values.
class DataSetOptions {
 public:
  DataSetOptions() = default;
  DataSetOptions(std::initializer_list<std::pair<const std::string, std::string>> given)
      : given_(given) {}

  // The value given to `option` ("--data-dir"), or null when it was not given.
  const std::string* value(std::string_view option) const;
  void set(std::string_view option, std::string value);

 private:
  std::map<std::string, std::string, std::less<>> given_;
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
  // Where the kind keeps it, in the kind's own terms (an absolute directory;
  // a server's connection string and a schema): only the kind reads it.
  std::vector<std::string> place;
  std::string name;  // as messages name it
};

// Who may sign in to a data set served to browsers, and what the program of
// a signed-in person's session runs with.
struct SignInCheck {
  // The environment variables a session's program sets (to a value) or goes
  // without (no value).
  using Environment = std::vector<std::pair<std::string, std::optional<std::string>>>;

  std::function<bool(const std::string& name, const std::string& password)> accepts;
  std::function<Environment(const std::string& name, const std::string& password)> environment;
};

// Checks a name and password against the program's own password file kept
// in `folder` (the web front-end's people).
using PasswordFileCheck = std::function<bool(const std::filesystem::path& folder,
                                             const std::string& name, const std::string& password)>;

// What work that writes a data set may leave in its place when it does not
// finish, noted before the work; undo() takes away what has come since.
class PlaceBefore {
 public:
  virtual ~PlaceBefore() = default;
  virtual void undo() const = 0;
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

  // The options of this kind, the one that names a data set of it
  // ("--data-dir") first.
  virtual std::span<const std::string_view> options() const = 0;
  // The usage lines of those options.
  virtual std::string_view usage() const = 0;
  // Whether `options` name a data set of this kind.
  virtual bool claims(const DataSetOptions& options) const = 0;
  // Whether the environment names a data set of this kind (FESK_DATABASE),
  // which is chosen when the options name none.
  virtual bool claimsUnnamed() const = 0;
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

  // Notes what is in the place of a data set about to be written, so that
  // work that does not finish can take away what it added.
  virtual std::unique_ptr<PlaceBefore> notePlace(const DataSetChoice& choice) const = 0;
  // The file-creation mask for work on the data set: who besides the user
  // may read the files fesk creates for it (data files, lock files, backups,
  // CSV, PDF). Never other users.
  virtual mode_t newFilesMask(const DataSetChoice& choice) const = 0;

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
  // The title of the window that tells that the data set cannot be used
  // just now, at start-up.
  virtual std::string_view unavailableTitle() const = 0;
  // The options that choose the data set again on another fesk's command
  // line (the program of a session served to a browser).
  virtual std::vector<std::string> arguments(const DataSetChoice& choice) const = 0;

  // The folder that keeps the program's own password file for the data set
  // served to browsers; false, with the reason in `why`, when its people
  // sign in otherwise.
  virtual bool passwordFolder(const DataSetChoice& choice, std::filesystem::path& folder,
                              std::string& why) const = 0;
  // How people sign in to the data set served to browsers (`ownPasswords`
  // for a kind with a password folder); false, with the reason in `why`,
  // when it cannot be served.
  virtual bool signIn(const DataSetChoice& choice, const PasswordFileCheck& ownPasswords,
                      SignInCheck& check, std::string& why) const = 0;
};

}  // namespace apprt
