#pragma once
// Copying data files whole, page by page (SQLite's online backup), from one
// data directory into another: what a backup of a large data set costs is
// then the copying of its pages, not the adding of every record again and the
// building of its keys.
//
// While the pages are read, a transaction of its own over every source file
// (BEGIN IMMEDIATE, as the driver's own transactions begin) keeps other
// stations from committing, so the copies hold no half of a transaction; they
// wait as they would for any other transaction. Each file is copied under a
// temporary name beside its target, checked (its table matches the
// declaration and holds as many records as the source did), and only when
// every copy is whole are they renamed into place.

#include <filesystem>
#include <span>

#include "runtime/files/driver.h"

namespace fesk::sqlite {

struct FileToCopy {
  const apprt::FileDeclaration* file;
  std::filesystem::path from;
  std::filesystem::path to;
};

apprt::DriverStatus copyWholeFiles(std::span<const FileToCopy> files, apprt::WholeFilesCopy& copy);

}  // namespace fesk::sqlite
