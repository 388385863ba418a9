// File > Export List... saves FESK1 as CSV in the order of the browse window
// in front, to the file the user names; the work is reported as it goes and
// can be stopped, and a list that is stopped or cannot be written leaves the
// file that was there before.

#include <fstream>
#include <iterator>

#include "acceptance_support.h"

namespace fesk::test {
namespace {

using headless::Session;

const std::string kExportList = "&Export List...";

std::string contentOf(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class ExportList : public AcceptanceTest {
 protected:
  static std::vector<std::string> boxTexts(Session& user) {
    std::vector<std::string> texts;
    for (const auto& box : user.frontEnd().messageBoxes()) texts.push_back(box.request.text);
    return texts;
  }
};

TEST_F(ExportList, TheBrowseInFrontIsSavedInItsOrder) {
  seed({{"A1", "Zulu"}, {"B2", "Yankee, Jr."}, {"C3", "Xray"}});
  const auto csv = dataSet_.directory() / "list.csv";
  const int exitCode = runProgram([&](Session& user) {
    user.menu("&fesk");
    user.tab("FES:Keyname");
    user.frontEnd().answerSavePath(csv.string());
    user.answer(apprt::kButtonOk);
    user.menu(kExportList);
    EXPECT_EQ(contentOf(csv), "CODE,NAME\r\nC3,Xray\r\nB2,\"Yankee, Jr.\"\r\nA1,Zulu\r\n");
    EXPECT_EQ(boxTexts(user),
              std::vector<std::string>{"3 records written to " + csv.string() + "."});

    user.frontEnd().answerSavePath("");  // cancelled: nothing is written, nothing said
    user.menu(kExportList);
    user.frontEnd().answerSavePath((dataSet_.directory() / "none" / "list.csv").string());
    user.answer(apprt::kButtonOk);
    user.menu(kExportList);
    const auto texts = boxTexts(user);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1], "cannot write " + (dataSet_.directory() / "none" / "list.csv").string() +
                            ": No such file or directory");
    EXPECT_TRUE(user.frontEnd().errors().empty());
  });
  EXPECT_EQ(exitCode, 0);
}

TEST_F(ExportList, StoppingTheWorkLeavesTheFileThatWasThere) {
  Records many;
  for (int i = 1; i <= 1200; ++i) many.emplace_back(numbered('C', i, 4), "Name");
  seed(many);
  const auto csv = dataSet_.directory() / "list.csv";
  std::ofstream(csv) << "last week's list";
  const int exitCode = runProgram([&](Session& user) {
    user.frontEnd().answerSavePath(csv.string());
    user.frontEnd().stopProgress();  // the first report of the work answers Cancel
    user.menu(kExportList);
    const auto reports = user.frontEnd().progressReports();
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports.front().title, "Export List");
    EXPECT_EQ(reports.front().text, "500 records written");
    EXPECT_FALSE(reports.front().ended);
    EXPECT_TRUE(reports.back().ended) << "the report goes away";
    EXPECT_TRUE(boxTexts(user).empty()) << "the user stopped it and knows";
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(contentOf(csv), "last week's list");
  for (const auto& entry : std::filesystem::directory_iterator(dataSet_.directory()))
    EXPECT_NE(entry.path().extension(), ".part") << entry.path();
}

}  // namespace
}  // namespace fesk::test
