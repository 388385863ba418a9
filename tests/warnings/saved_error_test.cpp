// The saved-error state: what a warning's error description is made of, and
// that every warning consumes it.

#include "warnings/saved_error.h"

#include <gtest/gtest.h>

#include <string>

#include "run_in_program.h"
#include "runtime/files/errors.h"
#include "warnings/show_warning.h"

namespace fesk::test {
namespace {

// The description that kind 30 shows for the state left by `prepare`.
std::string describedBy(const std::function<void()>& prepare) {
  const auto outcome = runInProgram(
      [&] {
        prepare();
        ShowWarning(30, "FESK1");
      },
      {1});
  if (outcome.boxes.size() != 1) return "<no box>";
  const std::string& text = outcome.boxes[0].request.text;
  const std::string head = "File (FESK1) could not be opened.  Error: ";
  if (text.rfind(head, 0) != 0 || text.back() != '.') return "<bad text: " + text + ">";
  return text.substr(head.size(), text.size() - head.size() - 1);
}

bool savedStateEmpty() {
  return SavedErrorCode == 0 && SavedErrorText.empty() && SavedFileErrorCode == 0 &&
         SavedFileErrorText.empty();
}

TEST(SavedError, NothingSavedDescribesTheCurrentRuntimeError) {
  EXPECT_EQ(describedBy([] { apprt::setError(apprt::kFileNotFound); }), "File Not Found (2)");
}

TEST(SavedError, ASavedErrorOutlivesLaterRuntimeCalls) {
  EXPECT_EQ(describedBy([] {
              apprt::setError(apprt::kDuplicateKey);
              SaveFileError();
              apprt::setError(apprt::kFileNotFound);  // a later failure does not replace it
            }),
            "Creates Duplicate Key (40)");
}

TEST(SavedError, DriverErrorsAreDescribedByTheDriversMessageAndCode) {
  EXPECT_EQ(describedBy([] {
              apprt::setError(apprt::kDriverError, "13", "database or disk is full   ");
              SaveFileError();
            }),
            "database or disk is full (13)");
  EXPECT_EQ(describedBy([] { apprt::setError(apprt::kDriverError, "E13  ", "disk full  "); }),
            "disk full (E13)");
}

TEST(SavedError, ADriverCodeThatIsNoNumberIsSavedAsZero) {
  EXPECT_EQ(describedBy([] {
              apprt::setError(apprt::kDriverError, "busy", "locked");
              SaveFileError();
            }),
            "locked (0)");
}

TEST(SavedError, DescriptionIsCutAt150CharactersWithoutTrailingSpaces) {
  const std::string longMessage(200, 'm');
  EXPECT_EQ(describedBy([&] { apprt::setError(apprt::kDriverError, "7", longMessage); }),
            std::string(150, 'm'));
  // A cut that ends in spaces shows none of them.
  const std::string spaced = std::string(140, 'x') + std::string(30, ' ') + "tail";
  EXPECT_EQ(describedBy([&] {
              apprt::setError(apprt::kDriverError, "7", spaced);
              SaveFileError();
            }),
            std::string(140, 'x'));
  // Characters are counted, not their bytes.
  const std::string accented = std::string(149, 'a') + "\xC3\xA9" + "zz";
  EXPECT_EQ(describedBy([&] { apprt::setError(apprt::kDriverError, "7", accented); }),
            std::string(149, 'a') + "\xC3\xA9");
}

TEST(SavedError, SavedTextsAreCutAt255Characters) {
  apprt::setError(apprt::kDriverError, "42", std::string(300, 'd'));
  SaveFileError();
  EXPECT_EQ(SavedErrorCode, apprt::kDriverError);
  EXPECT_EQ(SavedErrorText, "File Driver Error");
  EXPECT_EQ(SavedFileErrorCode, 42);
  EXPECT_EQ(SavedFileErrorText, std::string(255, 'd'));
  TakeErrorDescription();
  EXPECT_TRUE(savedStateEmpty());
}

TEST(SavedError, EveryCallEmptiesTheSavedState) {
  for (int kind : {1, 15, 23, 34, 38, 0, 99}) {
    SCOPED_TRACE(kind);
    bool emptyAfter = false;
    runInProgram(
        [&] {
          apprt::setError(apprt::kDriverError, "5", "broken");
          SaveFileError();
          try {
            ShowWarning(kind, "Delete", "fesk1");
          } catch (const apprt::ProgramHalted&) {
            emptyAfter = savedStateEmpty();
            throw;
          }
          emptyAfter = savedStateEmpty();
        },
        {1});
    EXPECT_TRUE(emptyAfter);
  }
}

}  // namespace
}  // namespace fesk::test
