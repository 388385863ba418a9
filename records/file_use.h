#pragma once
// The calling thread's use of a data file for one piece of work (an export,
// an import, one side of a copy): the file is opened when the thread does not
// have it open yet and closed again when the work is done; a file the thread
// had open already is used as it is and left open.

#include <string>

#include "runtime/files/file_declaration.h"

namespace fesk::records {

enum class WhenMissing {
  kLeaveMissing,  // a file that does not exist is no failure: missing() tells
  kCreate,        // it is created empty, then opened
};

class FileUse {
 public:
  FileUse(const apprt::FileDeclaration& file, int mode, WhenMissing whenMissing);
  ~FileUse();
  FileUse(const FileUse&) = delete;
  FileUse& operator=(const FileUse&) = delete;

  bool isOpen() const { return file_.isOpen(); }
  bool missing() const { return missing_; }
  // Why the file could not be opened (empty when it is open or only missing).
  const std::string& failure() const { return failure_; }

 private:
  const apprt::FileDeclaration& file_;
  bool openedHere_ = false;
  bool missing_ = false;
  std::string failure_;
};

}  // namespace fesk::records
