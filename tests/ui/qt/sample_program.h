#pragma once
// A small stand-in for the program, over in-memory sample records, that opens
// the program's real windows the way the program does: the frame, whose
// "&fesk" item starts a browse in a new thread; the browse pages through the
// records, inserts and changes them through the FESK1 form and deletes them
// after a "Confirm Delete" box; the form's second tab lists the record's FESK2
// records, changed through the FESK2 form. The Qt tests and the screenshot
// program drive it through the desktop.

#include <mutex>
#include <string>
#include <vector>

namespace fesk::qt::sample {

struct Record {
  std::string code, name;
};
struct Detail {
  std::string code, number;
};

// What a list shows of an entry (found by the queues through its type).
std::vector<std::string> queueTexts(const Record& r);
std::vector<std::string> queueTexts(const Detail& d);

// The sample files. Procedures use them under the program lock; a test reads
// them only while the program is idle.
struct SampleData {
  std::vector<Record> records;
  std::vector<Detail> details;
};
SampleData& data();

// Fills the files: `records` records "C001".."Cnnn" named after sample words,
// and `details` FESK2 records for the first record.
void fill(int records, int details);

// The events the browse windows have seen, oldest first, as "event:field".
std::vector<std::string> takeBrowseEvents();

// The procedures.
void MainFrame();
void Browse();

}  // namespace fesk::qt::sample
