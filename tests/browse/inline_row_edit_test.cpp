// The in-line editor driven by a browse of its own: controls numbered from
// 101, reused by the next edit, the settings reset after each edit, a skipped
// cell, and row mode, where the edit moves on to the neighbouring row through
// the engine.

#include <array>

#include "browse/inline_edit.h"
#include "browse_harness.h"
#include "runtime/windows/windows.h"

namespace fesk::browsetest {
namespace {

constexpr int kCodeCell = 101;  // EditSettings.FirstField 0
constexpr int kNameCell = 102;
constexpr std::array<int32_t, 2> kEntries{apprt::kTypeEntry, apprt::kTypeEntry};

apprt::Binding bindField(FixedString<20> CodeRecord::*field) {
  return {[field] { return (BRCODES.buffer().*field).text(); },
          [field](const std::string& value) { BRCODES.buffer().*field = value; }};
}

// A procedure side of the edit protocol: changes are written with put, an
// abandoned row is left without a question.
struct RowEditor {
  bool rowMode = false;
  bool skipName = false;
  std::vector<int> steps;           // every EditInProgress.Step answered, in order
  std::vector<std::string> edited;  // the code of each row an edit started on
  std::array<int32_t, 4> settingsAfter{-1, -1, -1, -1};

  void operator()(int action) {
    if (action != kActionChange) return;
    edited.push_back(BRCODES.buffer().CODE.text());
    EditSettings.FirstField = 0;
    do {
      KX_InLineEdit(kList, kEntries, "1,2");
      steps.push_back(EditInProgress.Step);
      switch (EditInProgress.Step) {
        case kEditControlsCreated:
          apprt::bindEntry(kCodeCell, bindField(&CodeRecord::CODE));
          apprt::bindEntry(kNameCell, bindField(&CodeRecord::NAME));
          break;
        case kEditKeysWanted:
          EditSettings.CancelKey = apprt::kKeyEsc;
          EditSettings.CompleteKey = apprt::kKeyCtrlEnter;
          EditSettings.RowMode = rowMode ? 1 : 0;
          if (skipName) apprt::setProp(kNameCell, apprt::kPropSkip, 1);
          break;
        case kEditRowComplete:
          BRCODES.put();
          break;
        case kEditRowAbandoned:
          EditInProgress.Abandon = 1;
          break;
        default:
          break;
      }
    } while (EditInProgress.Step != kEditOver);
    settingsAfter = {EditSettings.CancelKey, EditSettings.CompleteKey, EditSettings.RowMode,
                     EditSettings.FirstField};
    KX_BrowseProp(kList, kBrowseAction, kActionLoad, false);
    KX_BrowseProp(kList, kBrowseSetToPosition, 1, false);
  }
};

class InLineRowEditTest : public BrowseTest {
 protected:
  BrowseProcedure browse{BRCODES, CODE_KEY};
  RowEditor editor;

  void SetUp() override {
    BrowseTest::SetUp();
    addCodes(5);
    browse.handOver = [this](int action) { editor(action); };
  }
  std::string storedName(const std::string& code) {
    BRCODES.buffer().CODE = code;
    BRCODES.setOnKeyValue(CODE_KEY);
    BRCODES.next();
    return BRCODES.buffer().NAME.text();
  }
};

TEST_F(InLineRowEditTest, ControlsFrom101AreCreatedOnceAndTheSettingsResetAfterEachEdit) {
  open(browse);
  session->row(2);
  session->key("Enter");
  auto window = session->current();
  EXPECT_EQ(window.focus, kCodeCell);
  EXPECT_EQ(window.control(kCodeCell)->text, "C002");
  EXPECT_EQ(window.control(kNameCell)->overColumn, 2);
  session->key("Esc");
  EXPECT_EQ(editor.steps, (std::vector<int>{kEditControlsCreated, kEditKeysWanted,
                                            kEditRowAbandoned, kEditOver}));
  EXPECT_EQ(editor.settingsAfter, (std::array<int32_t, 4>{0, 0, 0, 0}))
      << "cancel key, complete key and row mode are cleared; EditSettings.FirstField stays";
  EXPECT_TRUE(session->current().control(kCodeCell)->hidden);

  editor.steps.clear();
  session->row(3);
  session->key("Enter");
  EXPECT_EQ(session->current().control(kCodeCell)->text, "C003");
  session->key("Esc");
  EXPECT_EQ(editor.steps, (std::vector<int>{kEditKeysWanted, kEditRowAbandoned, kEditOver}))
      << "the second edit reuses the controls: no step 1";
}

TEST_F(InLineRowEditTest, TabPassesOverASkippedCellAndLeavesForTheList) {
  editor.skipName = true;
  open(browse);
  session->row(1);
  session->key("Enter");
  session->type("C001");
  session->key("Tab");
  EXPECT_EQ(session->current().focus, kList) << "the only other cell is skipped";
  EXPECT_EQ(editor.steps.back(), kEditOver);
}

TEST_F(InLineRowEditTest, OneRowScrollingWithoutRowModeBeepsAndStays) {
  open(browse);
  session->row(2);
  session->key("Enter");
  const int beepsBefore = beeps();
  session->key("Down");
  EXPECT_EQ(beeps(), beepsBefore + 1);
  EXPECT_EQ(selectedRow(), 2);
  EXPECT_EQ(session->current().focus, kCodeCell);
  session->key("Esc");
}

TEST_F(InLineRowEditTest, RowModeSavesTheRowAndGoesOnEditingTheNextOne) {
  editor.rowMode = true;
  open(browse);
  session->row(2);
  session->key("Enter");
  session->key("Tab");
  session->type("Second");
  session->key("Down");
  EXPECT_EQ(editor.edited, (std::vector<std::string>{"C002", "C003"}));
  EXPECT_EQ(selectedRow(), 3);
  auto window = session->current();
  EXPECT_EQ(window.control(kNameCell)->overList, kList) << "the edit goes on in the next row";
  EXPECT_EQ(window.control(kCodeCell)->text, "C003");
  session->key("Up");
  EXPECT_EQ(editor.edited, (std::vector<std::string>{"C002", "C003", "C002"}));
  EXPECT_EQ(selectedRow(), 2);
  EXPECT_EQ(session->current().control(kNameCell)->text, "Second");
  session->key("Esc");
  EXPECT_EQ(storedName("C002"), "Second");
  EXPECT_EQ(storedName("C003"), "N003");
}

}  // namespace
}  // namespace fesk::browsetest
