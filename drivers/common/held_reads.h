#pragma once
// Reads that a driver keeps between calls: a statement still stepping (which
// holds its file against other writers' commits) or rows read ahead from one
// snapshot. A session lets go of them before its thread waits and before its
// own writes or transaction steps need the files as they are now.

#include <vector>

namespace fesk::drivers {

class HeldReads {
 public:
  virtual void releaseReads() = 0;

 protected:
  ~HeldReads() = default;
};

// The held reads of the files of one session.
class SessionReads {
 public:
  void hold(HeldReads* reads) { reads_.push_back(reads); }
  void forget(HeldReads* reads);
  void releaseAll();

 private:
  std::vector<HeldReads*> reads_;
};

}  // namespace fesk::drivers
