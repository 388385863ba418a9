#include "data_test_support.h"

#include "data/data_files.h"
#include "data/open_file_checked.h"
#include "data/thread_block.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/errors.h"

namespace fesk::test {
namespace {

// The driver that keeps the running test's data set.
apprt::Driver* gRealDriver = nullptr;

// Seeding and inspecting go straight to the real driver, whatever the code
// under test is bound to, so that they count no call and meet no fault.
class DirectAccess {
 public:
  explicit DirectAccess(apprt::FileDeclaration& file) : file_(file), bound_(file.driver()) {
    file_.bindDriver(*gRealDriver);
  }
  ~DirectAccess() { file_.bindDriver(*bound_); }

 private:
  apprt::FileDeclaration& file_;
  apprt::Driver* bound_;
};

template <class Record>
void createWith(apprt::File<Record>& file, const Records& records) {
  DirectAccess direct(file);
  file.create();
  ASSERT_EQ(apprt::ERRCODE(), 0) << file.fileName();
  file.open(apprt::kOpenSharedReadWrite);
  for (const auto& [first, second] : records) {
    file.clear();
    file.field(0).assign(first);
    file.field(1).assign(second);
    file.add();
    ASSERT_EQ(apprt::ERRCODE(), 0) << first;
  }
  file.close();
}

Records readAll(apprt::FileDeclaration& file, const apprt::KeyDeclaration& key) {
  DirectAccess direct(file);
  Records records;
  file.open(apprt::kOpenSharedReadWrite);
  if (apprt::ERRCODE() != 0) return {{"<open failed>", apprt::ERROR()}};
  file.setOnKey(key);
  for (file.next(); apprt::ERRCODE() == 0; file.next()) {
    records.emplace_back(file.field(0).text(), file.field(1).text());
  }
  file.close();
  return records;
}

}  // namespace

apprt::DriverStatus RecordingFaultDriver::open(const apprt::FileDeclaration& file, int mode,
                                               std::unique_ptr<apprt::DriverFile>& opened) {
  openModes.push_back(mode);
  return FaultDriver::open(file, mode, opened);
}

apprt::DriverStatus RecordingFaultDriver::send(const apprt::FileDeclaration& file,
                                               std::string_view option, std::string& answer) {
  options.emplace_back(option);
  return FaultDriver::send(file, option, answer);
}

DataTest::DataTest(Store store) : dataSet_(store), faults_(dataSet_.driver()) {}

void DataTest::SetUp() {
  gRealDriver = &dataSet_.driver();
  bindDataFiles(sqlite::defaultDriver());
  apprt::bindDriver(FESK1, dataSet_.driver());
  apprt::bindDriver(FESK2, dataSet_.driver());
}

void DataTest::TearDown() {
  // The files stay bound to a driver that outlives every test.
  apprt::bindDriver(FESK1, sqlite::defaultDriver());
  apprt::bindDriver(FESK2, sqlite::defaultDriver());
}

void DataTest::useFaultDriver() {
  apprt::bindDriver(FESK1, faults_);
  apprt::bindDriver(FESK2, faults_);
}

void DataTest::seed(const Records& fesk1, const Records& fesk2) {
  createWith(FESK1, fesk1);
  createWith(FESK2, fesk2);
}

Records DataTest::storedFesk1() {
  return readAll(FESK1, FES_KEYCODE);
}

Records DataTest::storedFesk2() {
  return readAll(FESK2, FS2_KEYCODE);
}

void openBothAsAProcedure() {
  ThreadBlock& block = threadBlock();
  if (block.Fesk1OpenCount++ == 0) OpenDataFile(FESK1);
  if (block.Fesk2OpenCount++ == 0) OpenDataFile(FESK2);
}

void closeBothAsAProcedure() {
  ThreadBlock& block = threadBlock();
  if (--block.Fesk1OpenCount == 0) FESK1.close();
  if (--block.Fesk2OpenCount == 0) FESK2.close();
}

bool readFesk1(const std::string& code) {
  FESK1.clear();
  FESK1.buffer().CODE = code;
  FESK1.setOnKeyValue(FES_KEYCODE);
  FESK1.watch();
  FESK1.next();
  return apprt::ERRCODE() == 0 && FESK1.buffer().CODE == code;
}

bool readFesk2(const std::string& code, const std::string& number) {
  FESK2.clear();
  FESK2.buffer().CODE = code;
  FESK2.setOnKeyValue(FS2_KEYCODE);
  for (FESK2.next(); apprt::ERRCODE() == 0; FESK2.next()) {
    if (!(FESK2.buffer().CODE == code)) return false;
    if (FESK2.buffer().NUMBER == number) {
      FESK2.watch();
      FESK2.reget(FESK2.positionByFile());
      return apprt::ERRCODE() == 0;
    }
  }
  return false;
}

}  // namespace fesk::test
