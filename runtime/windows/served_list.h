#pragma once
// A previewed list whose reads are carried out by the procedure thread that
// made it: the front-end's thread asks and waits, the procedure thread serves
// each read with the program lock held between its waits. A read asked on the
// procedure thread itself (a front-end that reads the list as the preview
// opens) is done at once.

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "runtime/frontend/printed_list.h"

namespace apprt {

class ServedList : public PreviewedList {
 public:
  ServedList(PrintedListHeader header, PlacedListSource& source);

  const PrintedListHeader& header() const override { return header_; }
  bool read(const std::string& from, bool after, std::vector<PrintedItem>& items,
            std::vector<std::string>& places) override;
  void close() override;

  // On the procedure thread, without the program lock: waits up to `wait`
  // for a read to serve; true when one is waiting or the list has closed.
  bool awaitWork(std::chrono::milliseconds wait);
  // On the procedure thread, with the program lock: serves the read waiting,
  // if any; false once the list has closed.
  bool serve();
  // The procedure has gone: the source is no longer read, and every read
  // asked from now on fails.
  void end();

 private:
  struct Request {
    const std::string* from;
    bool after;
    std::vector<PrintedItem>* items;
    std::vector<std::string>* places;
    bool answer = false;
    bool done = false;
    std::exception_ptr error;
  };

  // Reads the block a request asks for from the source.
  bool readHere(const std::string& from, bool after, std::vector<PrintedItem>& items,
                std::vector<std::string>& places);

  const PrintedListHeader header_;
  PlacedListSource& source_;
  const std::thread::id owner_;
  std::mutex mutex_;
  std::condition_variable changed_;
  Request* waiting_ = nullptr;
  bool closed_ = false;
  bool ended_ = false;
};

}  // namespace apprt
