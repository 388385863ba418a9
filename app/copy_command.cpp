#include "app/copy_command.h"

#include <array>
#include <functional>
#include <iostream>
#include <memory>
#include <vector>

#include "app/data_set.h"
#include "data/data_files.h"
#include "drivers/postgres/pg_connection_string.h"
#include "runtime/errors.h"

namespace fesk {
namespace {

using apprt::DriverStatus;

}  // namespace

const std::string_view kCopyUsage =
    "  fesk copy --from SOURCE --to TARGET [--schema NAME] [--replace]\n"
    "                     copies FESK1 and FESK2 between a data directory and a server\n"
    "                     (a connection string or postgresql:// URI), in one transaction;\n"
    "                     a target holding records is only overwritten with --replace\n";

namespace {

// How long the copy waits for other writers of the target.
constexpr int kWaitSeconds = 10;

const std::array<const apprt::FileDeclaration*, 2> kFiles{&FESK1, &FESK2};

// One end of the copy: its data set and its files, in the order of kFiles
// (null: a source file that does not exist, which copies as empty).
struct DataSet {
  std::string name;
  apprt::Driver* driver = nullptr;
  std::vector<std::unique_ptr<apprt::DriverFile>> files;
};

std::string describe(const DriverStatus& status) {
  return apprt::errorText(status.code) +
         (status.driverMessage.empty() ? "" : " (" + status.driverMessage + ")");
}

// The data set a --from or --to value names, with --schema for a server.
bool find(const std::string& value, const std::optional<std::string>& schema, DataSet& set,
          std::string& why) {
  DataSetOptions options;
  (postgres::namesServer(value) ? options.database : options.dataDir) = value;
  if (options.database) options.schema = schema;
  set.name = value;
  set.driver = driverOfDataSet(options, true, why);
  return set.driver != nullptr;
}

bool open(DataSet& set, bool createMissing, std::string& why) {
  for (const apprt::FileDeclaration* file : kFiles) {
    std::unique_ptr<apprt::DriverFile> opened;
    DriverStatus status = set.driver->open(*file, apprt::kOpenSharedReadWrite, opened);
    if (status.code == apprt::kFileNotFound && createMissing) {
      status = set.driver->create(*file);
      if (status.ok()) status = set.driver->open(*file, apprt::kOpenSharedReadWrite, opened);
    }
    if (!status.ok() && status.code != apprt::kFileNotFound) {
      why = file->fileName() + " of " + set.name + " cannot be used: " + describe(status);
      return false;
    }
    set.files.push_back(std::move(opened));
  }
  if (!set.files[0] && !set.files[1]) {
    why = set.name + " holds no data files";
    return false;
  }
  return true;
}

// Visits every record of the file in the order of their identities.
DriverStatus eachRecord(
    apprt::DriverFile& file, const apprt::FileDeclaration& declaration,
    const std::function<DriverStatus(std::span<const char>, apprt::RecordIdentity)>& visit) {
  std::vector<char> record(declaration.recordLength());
  apprt::ReadBound after;
  for (;;) {
    apprt::RecordIdentity identity = 0;
    DriverStatus status =
        file.read(apprt::ReadOrder{}, after, apprt::Direction::kForward, record, identity);
    if (status.code == apprt::kNoMoreRecords) return {};
    if (status.ok()) status = visit(record, identity);
    if (!status.ok()) return status;
    after =
        apprt::ReadBound{.atEdge = false, .values = {}, .identity = identity, .inclusive = false};
  }
}

long count(apprt::DriverFile& file, const apprt::FileDeclaration& declaration,
           DriverStatus& status) {
  long records = 0;
  status = eachRecord(file, declaration, [&](std::span<const char>, apprt::RecordIdentity) {
    ++records;
    return DriverStatus{};
  });
  return records;
}

// Copies one file inside the target's transaction; `copied` tells how many records.
bool copyFile(std::size_t index, DataSet& from, DataSet& to, bool replace, long& copied,
              std::string& why) {
  const apprt::FileDeclaration& declaration = *kFiles[index];
  apprt::DriverFile& target = *to.files[index];
  DriverStatus status;
  if (const long held = count(target, declaration, status); held > 0 && !replace) {
    why = to.name + " already holds " + std::to_string(held) + " records in " +
          declaration.fileName() + ": give --replace to overwrite them";
    return false;
  }
  if (status.ok() && replace) {
    status = eachRecord(target, declaration, [&](std::span<const char>, apprt::RecordIdentity id) {
      return target.remove(id);
    });
  }
  copied = 0;
  if (status.ok() && from.files[index]) {
    status = eachRecord(*from.files[index], declaration,
                        [&](std::span<const char> record, apprt::RecordIdentity) {
                          apprt::RecordIdentity added = 0;
                          ++copied;
                          return target.add(record, added);
                        });
  }
  if (!status.ok()) {
    why = declaration.fileName() + ": " + describe(status);
    return false;
  }
  const long stored = count(target, declaration, status);
  if (!status.ok()) {
    why = declaration.fileName() + ": " + describe(status);
  } else if (stored != copied) {
    why = declaration.fileName() + " holds " + std::to_string(stored) + " records after copying " +
          std::to_string(copied);
  }
  return why.empty();
}

int copy(DataSet& from, DataSet& to, bool replace) {
  std::string why;
  if (!open(from, false, why) || !open(to, true, why)) {
    std::cerr << "fesk copy: " << why << "\n";
    return 1;
  }
  std::vector<apprt::DriverFile*> files{to.files[0].get(), to.files[1].get()};
  if (DriverStatus status = to.driver->begin(files, kWaitSeconds); !status.ok()) {
    std::cerr << "fesk copy: " << to.name << " cannot be written: " << describe(status) << "\n";
    return 1;
  }
  std::array<long, 2> copied{};
  for (std::size_t i = 0; i < kFiles.size(); ++i) {
    if (!copyFile(i, from, to, replace, copied[i], why)) {
      to.driver->rollback();
      std::cerr << "fesk copy: " << why << "; " << to.name << " was left as it was\n";
      return 1;
    }
  }
  if (DriverStatus status = to.driver->commit(); !status.ok()) {
    std::cerr << "fesk copy: the copy could not be committed: " << describe(status) << "\n";
    return 1;
  }
  std::cout << "copied " << copied[0] << " records of FESK1 and " << copied[1] << " of FESK2 from "
            << from.name << " to " << to.name << "\n";
  return 0;
}

}  // namespace

int runCopy(ArgumentReader& arguments) {
  std::optional<std::string> from;
  std::optional<std::string> to;
  std::optional<std::string> schema;
  bool replace = false;
  while (!arguments.atEnd()) {
    if (arguments.option("--from", from) || arguments.option("--to", to) ||
        arguments.option("--schema", schema)) {
      continue;
    }
    if (arguments.flag("--replace")) {
      replace = true;
      continue;
    }
    arguments.fail("unknown argument " + arguments.current());
  }
  if (!arguments.failed() && (!from || !to)) arguments.fail("fesk copy needs --from and --to");
  if (!arguments.failed() && !postgres::namesServer(*from) && !postgres::namesServer(*to)) {
    arguments.fail("both ends are directories: copy the files themselves");
  }
  if (!arguments.failed() && *from == *to) arguments.fail("--from and --to name the same data set");
  DataSet source;
  DataSet target;
  std::string why;
  if (!arguments.failed() &&
      (!find(*from, schema, source, why) || !find(*to, schema, target, why))) {
    arguments.fail(why);
  }
  if (arguments.failed()) {
    std::cerr << "fesk copy: " << arguments.error() << "\nusage:\n" << kCopyUsage;
    return kUsageError;
  }
  return copy(source, target, replace);
}

}  // namespace fesk
