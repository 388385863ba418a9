#include "program_fixture.h"

#include <QComboBox>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>

#include "app/start/program_entry.h"
#include "data/data_files.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/files/data_directory.h"
#include "runtime/files/errors.h"
#include "ui/qt/frame_window.h"

namespace fesk::qt::test {

std::string numberedCode(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "C%03d", n);
  return text;
}

StoredRecords numberedRecords(int count) {
  StoredRecords records;
  for (int i = 1; i <= count; ++i) records.emplace_back(numberedCode(i), "Name " + numberedCode(i));
  return records;
}

void ProgramDesktopTest::SetUp() {
  ensureApplication();
  ASSERT_TRUE(apprt::setDataDirectory(directory_.path()));
  bindDataFiles(sqlite::defaultDriver());
  desktop_ = std::make_unique<Desktop>();
  frontEnd_ = std::make_unique<QtFrontEnd>(*desktop_);
}

void ProgramDesktopTest::TearDown() {
  if (run_) DesktopTest::TearDown();
}

void ProgramDesktopTest::runProgram(const std::function<void()>& user) {
  const int exitCode = ProgramEntry([&](apprt::Procedure first) {
    run_ = std::make_unique<apprt::ProgramRun>(*frontEnd_);
    run_->start(std::move(first));
    settle();
    user();
    desktop_->frame()->close();
    pumpUntil([&] { return run_->ended(); }, 20000);
    return run_->exitCode();
  });
  EXPECT_EQ(exitCode, 0);
}

ChildWindow* ProgramDesktopTest::openTheAddForm() {
  if (!openBrowse()) return nullptr;
  auto* inLine = qobject_cast<QPushButton*>(field(kBrowse, kInLineButton));
  if (!inLine) {
    ADD_FAILURE() << "the browse has no InLine button";
    return nullptr;
  }
  click(inLine);
  EXPECT_EQ(inLine->text().remove(QLatin1Char('&')), "InLine Off");
  click(field(kBrowse, kInsertButton));
  ChildWindow* form = window(kAddForm);
  if (!form) ADD_FAILURE() << "Insert opened no form";
  return form;
}

PageSetupDialog* ProgramDesktopTest::choosePaper(const QString& paper) {
  chooseMenu("&File", "P&rint Setup...");
  PageSetupDialog* setup = nullptr;
  pumpUntil([&] {
    for (auto* shown : desktop_->frame()->findChildren<PageSetupDialog*>())
      if (shown->isVisible()) setup = shown;  // not one closed a moment ago
    return setup != nullptr;
  });
  if (!setup) return nullptr;
  QComboBox* papers = setup->paperChoice();
  const int index = papers->findText(paper);
  if (index < 0) return nullptr;
  papers->setCurrentIndex(index);
  return setup;
}

void ProgramDesktopTest::seed(const StoredRecords& records) {
  FESK1.create();
  FESK1.open(apprt::kOpenSharedReadWrite);
  for (const auto& [code, name] : records) {
    FESK1.clear();
    FESK1.buffer().CODE = code;
    FESK1.buffer().NAME = name;
    FESK1.add();
    ASSERT_EQ(apprt::ERRCODE(), 0) << code;
  }
  FESK1.close();
}

StoredRecords ProgramDesktopTest::stored() {
  StoredRecords records;
  FESK1.open(apprt::kOpenSharedReadWrite);
  FESK1.setOnKey(FES_KEYCODE);
  for (FESK1.next(); apprt::ERRCODE() == 0; FESK1.next())
    records.emplace_back(FESK1.buffer().CODE.text(), FESK1.buffer().NAME.text());
  FESK1.close();
  return records;
}

}  // namespace fesk::qt::test
