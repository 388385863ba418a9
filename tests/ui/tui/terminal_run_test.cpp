// The program in a real terminal: fesk runs in tmux on a data directory of
// the test's own; the test types as a person would (send-keys) and reads the
// screen as a person sees it (capture-pane).

#ifdef FESK_PROGRAM

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "data/data_files.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/files/data_directory.h"
#include "runtime/files/errors.h"
#include "support/temporary_directory.h"

namespace fesk::test {
namespace {

using namespace std::chrono_literals;

std::string shellQuoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string output(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  pclose(pipe);
  return out;
}

// The column of a byte of a captured line: every character before it takes
// one cell (box lines and ASCII).
int cellColumn(const std::string& line, size_t byte) {
  int col = 0;
  for (size_t i = 0; i < byte; ++i)
    if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) ++col;
  return col;
}

// One tmux server of the test's own, with one 80x24 window running fesk.
class Terminal {
 public:
  Terminal(const std::filesystem::path& dataDir, const std::filesystem::path& exitFile)
      : socket_("fesk-tui-test-" + std::to_string(getpid()) + "-" + std::to_string(++started_)) {
    const std::string program = std::string(FESK_PROGRAM) + " --ui=tui --data-dir " +
                                shellQuoted(dataDir.string()) + "; echo $? > " +
                                shellQuoted(exitFile.string()) + "; sleep 60";
    tmux("new-session -d -x 80 -y 24 -s fesk " +
         shellQuoted("env LANG=C.UTF-8 LC_ALL=C.UTF-8 TERM=xterm-256color XDG_CONFIG_HOME=" +
                     shellQuoted((dataDir / "config").string()) + " sh -c " +
                     shellQuoted(program)));
  }
  ~Terminal() { tmux("kill-server"); }

  void keys(const std::string& keys) {
    tmux("send-keys -t fesk " + keys);
    std::this_thread::sleep_for(150ms);
  }
  void type(const std::string& text) { keys("-l " + shellQuoted(text)); }
  // A left click on a cell (0-based), as the terminal reports it.
  void click(int col, int row) {
    const std::string at = std::to_string(col + 1) + ";" + std::to_string(row + 1);
    type("\033[<0;" + at + "M\033[<0;" + at + "m");
  }
  std::string screen() { return tmux("capture-pane -p -t fesk"); }
  // The terminal's new size, as a person dragging its window's edge makes it.
  void resize(int cols, int rows) {
    tmux("resize-window -t fesk -x " + std::to_string(cols) + " -y " + std::to_string(rows));
  }
  std::vector<std::string> lines() {
    std::vector<std::string> out;
    std::istringstream in(screen());
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
  }
  // Waits until the screen shows `text` (or stops showing it).
  bool waitFor(const std::string& text, bool shown = true) {
    for (auto deadline = std::chrono::steady_clock::now() + 10s;
         std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(50ms))
      if ((screen().find(text) != std::string::npos) == shown) return true;
    return false;
  }

 private:
  std::string tmux(const std::string& arguments) {
    return output("tmux -L " + socket_ + " " + arguments + " 2>/dev/null");
  }
  // A socket of its own for each terminal: a test that starts the program
  // again must not meet the server of the last one while it shuts down.
  static inline int started_ = 0;
  std::string socket_;
};

class TerminalRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (system("command -v tmux >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
    ASSERT_TRUE(apprt::setDataDirectory(directory_.path() / "data"));
    bindDataFiles(sqlite::defaultDriver());
  }
  void TearDown() override { terminal_.reset(); }

  // FESK1 with codes C001..Cnnn, named after their number; FESK2 empty.
  void seed(int records) {
    FESK1.create();
    ASSERT_EQ(apprt::ERRCODE(), 0);
    FESK1.open(apprt::kOpenSharedReadWrite);
    for (int i = 1; i <= records; ++i) {
      char code[16];
      std::snprintf(code, sizeof code, "C%03d", i);
      FESK1.clear();
      FESK1.field(0).assign(code);
      FESK1.field(1).assign("Name " + std::to_string(i));
      FESK1.add();
      ASSERT_EQ(apprt::ERRCODE(), 0);
    }
    FESK1.close();
    FESK2.create();
    ASSERT_EQ(apprt::ERRCODE(), 0);
  }

  std::string storedName(const std::string& code) {
    FESK1.open(apprt::kOpenSharedReadWrite);
    FESK1.setOnKey(FES_KEYCODE);
    std::string name = "<none>";
    for (FESK1.next(); apprt::ERRCODE() == 0; FESK1.next())
      if (FESK1.field(0).text() == code) name = FESK1.field(1).text();
    FESK1.close();
    return name;
  }

  void start() {
    terminal_ =
        std::make_unique<Terminal>(directory_.path() / "data", directory_.path() / "exit-code");
    ASSERT_TRUE(terminal_->waitFor("F10 Menu")) << terminal_->screen();
  }

  // The frame's "&fesk" item: F10 opens the first menu, Right moves to it.
  void openBrowse() {
    terminal_->keys("F10");
    terminal_->keys("Right");
    terminal_->keys("Enter");
    ASSERT_TRUE(terminal_->waitFor("Browse the fesk1 File")) << terminal_->screen();
  }

  // A click on the browse's "InLine On", so that Insert opens the form.
  void switchInLineOff() {
    ASSERT_TRUE(terminal_->waitFor("InLine On")) << terminal_->screen();
    auto lines = terminal_->lines();
    int row = -1, col = -1;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i)
      if (size_t at = lines[static_cast<size_t>(i)].find("InLine On"); at != std::string::npos) {
        row = i;
        col = cellColumn(lines[static_cast<size_t>(i)], at);
      }
    ASSERT_GE(row, 0);
    terminal_->click(col + 2, row);
    ASSERT_TRUE(terminal_->waitFor("InLine Off")) << terminal_->screen();
  }

  std::string exitCode() {
    std::ifstream in(directory_.path() / "exit-code");
    std::string code;
    in >> code;
    return code;
  }

  bool exits() {
    for (auto deadline = std::chrono::steady_clock::now() + 10s;
         std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(50ms))
      if (!exitCode().empty()) return true;
    return false;
  }

  fesk::test::TemporaryDirectory directory_{"fesk-tui"};
  std::unique_ptr<Terminal> terminal_;
};

TEST_F(TerminalRunTest, TheFrameFillsTheScreen) {
  seed(0);
  start();
  auto lines = terminal_->lines();
  ASSERT_EQ(lines.size(), 24u);
  EXPECT_EQ(lines[0].rfind(" File  fesk  Edit  Window  Help", 0), 0u) << lines[0];
  EXPECT_NE(lines[0].find("Application"), std::string::npos);
  EXPECT_NE(lines[1].find("[ Button 1 ]"), std::string::npos);
  EXPECT_NE(lines[23].find("F10 Menu  Ctrl+F6 Next window"), std::string::npos);
  // A menu shows its items and the highlighted one's hint.
  terminal_->keys("M-w");
  ASSERT_TRUE(terminal_->waitFor("Make all open windows visible")) << terminal_->screen();
  EXPECT_TRUE(terminal_->waitFor("Arrange Icons"));
  terminal_->keys("Escape");
  terminal_->keys("Escape");
  EXPECT_TRUE(terminal_->waitFor("Arrange Icons", false));
  // File, Exit ends the program and gives the terminal back.
  terminal_->keys("M-f");
  terminal_->keys("x");
  ASSERT_TRUE(exits()) << terminal_->screen();
  EXPECT_EQ(exitCode(), "0");
  EXPECT_EQ(terminal_->screen().find("File  fesk"), std::string::npos);
}

TEST_F(TerminalRunTest, F7InTheBrowseOpensTheHistoryOfTheSelectedRecord) {
  seed(3);
  start();
  openBrowse();
  ASSERT_TRUE(terminal_->waitFor(">C001")) << terminal_->screen();
  terminal_->keys("Down");
  ASSERT_TRUE(terminal_->waitFor(">C002")) << terminal_->screen();
  terminal_->keys("F7");
  ASSERT_TRUE(terminal_->waitFor("History of the fesk1 record")) << terminal_->screen();
  const std::string shown = terminal_->screen();
  EXPECT_NE(shown.find("C002"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("C001"), std::string::npos) << "only the selected record's: " << shown;
  terminal_->keys("Escape");
  ASSERT_TRUE(terminal_->waitFor("History of the fesk1 record", false)) << terminal_->screen();
  EXPECT_TRUE(terminal_->waitFor("Browse the fesk1 File"));
}

TEST_F(TerminalRunTest, ABrowseOf40RecordsPagesDownWithItsScrollBar) {
  seed(40);
  start();
  openBrowse();
  ASSERT_TRUE(terminal_->waitFor("C015")) << terminal_->screen();
  std::string first = terminal_->screen();
  EXPECT_NE(first.find("code"), std::string::npos);
  EXPECT_NE(first.find("Name 1 "), std::string::npos);
  EXPECT_EQ(first.find("C016"), std::string::npos);   // one page of 15 rows
  EXPECT_NE(first.find(">C001"), std::string::npos);  // the selected row
  // The scroll bar at the list's right edge: arrows, and the thumb at the top.
  auto lines = terminal_->lines();
  int up = -1, down = -1, thumb = -1;
  for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
    if (lines[static_cast<size_t>(i)].find("▲") != std::string::npos) up = i;
    if (lines[static_cast<size_t>(i)].find("▼") != std::string::npos) down = i;
    if (lines[static_cast<size_t>(i)].find("█") != std::string::npos && thumb < 0) thumb = i;
  }
  ASSERT_GE(up, 0) << first;
  EXPECT_EQ(down - up, 15) << first;  // header and 15 rows
  EXPECT_EQ(thumb, up + 1) << first;

  // The first PgDn takes the selection to the page's last row, the next one
  // shows the next page.
  terminal_->keys("PageDown");
  ASSERT_TRUE(terminal_->waitFor(">C015")) << terminal_->screen();
  terminal_->keys("PageDown");
  ASSERT_TRUE(terminal_->waitFor("C030")) << terminal_->screen();
  EXPECT_EQ(terminal_->screen().find("C001 "), std::string::npos);
  terminal_->keys("C-PageDown");
  ASSERT_TRUE(terminal_->waitFor("C040")) << terminal_->screen();
  lines = terminal_->lines();
  EXPECT_NE(lines[static_cast<size_t>(down - 1)].find("█"), std::string::npos)
      << terminal_->screen();  // the thumb at the bottom
  terminal_->keys("C-PageUp");
  ASSERT_TRUE(terminal_->waitFor("C001")) << terminal_->screen();

  // Tiled alone, the window follows the terminal: a taller terminal shows
  // more rows of the list, the selected record kept, and the buttons stay
  // below the list; back at 80x24 it shows one page of 15 again.
  terminal_->keys("Down");
  terminal_->keys("Down");
  ASSERT_TRUE(terminal_->waitFor(">C003")) << terminal_->screen();
  terminal_->keys("M-w");
  terminal_->keys("Enter");  // Tile
  terminal_->resize(110, 40);
  ASSERT_TRUE(terminal_->waitFor("C025")) << terminal_->screen();
  std::string grown = terminal_->screen();
  EXPECT_NE(grown.find(">C003"), std::string::npos) << grown;
  EXPECT_LT(grown.find("C025"), grown.find("[ Insert ]")) << grown;
  lines = terminal_->lines();
  ASSERT_EQ(lines.size(), 40u);
  EXPECT_NE(lines[2].find("Browse the fesk1 File"), std::string::npos) << grown;
  EXPECT_EQ(cellColumn(lines[2], lines[2].find("[x]")), 106) << grown;  // the whole width
  terminal_->resize(80, 24);
  ASSERT_TRUE(terminal_->waitFor("C016", false)) << terminal_->screen();
  EXPECT_TRUE(terminal_->waitFor(">C003")) << terminal_->screen();
  EXPECT_TRUE(terminal_->waitFor("C015")) << terminal_->screen();
}

TEST_F(TerminalRunTest, AFormFilledInAndSavedAndADuplicateWarningAnswered) {
  seed(3);
  start();
  // The mouse opens the browse: a click on the bar's "fesk".
  terminal_->click(8, 0);
  ASSERT_TRUE(terminal_->waitFor("Browse the fesk1 File")) << terminal_->screen();
  switchInLineOff();

  terminal_->keys("M-i");
  ASSERT_TRUE(terminal_->waitFor("Adding a fesk1 Record")) << terminal_->screen();
  terminal_->type("N001");
  terminal_->keys("Tab");
  terminal_->type("Zürich 漢字");
  EXPECT_TRUE(terminal_->waitFor("Zürich 漢字__")) << terminal_->screen();
  terminal_->keys("Tab");  // to OK
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitFor("Adding a fesk1 Record", false)) << terminal_->screen();
  ASSERT_TRUE(terminal_->waitFor("N001")) << terminal_->screen();
  EXPECT_NE(terminal_->screen().find("Zürich 漢字"), std::string::npos);

  // The same code again: the warning box, answered with Enter.
  terminal_->keys("M-i");
  ASSERT_TRUE(terminal_->waitFor("Adding a fesk1 Record")) << terminal_->screen();
  terminal_->type("n001");
  terminal_->keys("Tab");
  terminal_->type("again");
  terminal_->keys("Tab");
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitFor("Duplicate Key Error")) << terminal_->screen();
  EXPECT_NE(terminal_->screen().find("[ OK ]"), std::string::npos);
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitFor("Duplicate Key Error", false)) << terminal_->screen();
  terminal_->keys("Escape");  // the form closes unsaved
  ASSERT_TRUE(terminal_->waitFor("Adding a fesk1 Record", false)) << terminal_->screen();
  terminal_->keys("M-f");
  terminal_->keys("x");
  ASSERT_TRUE(exits()) << terminal_->screen();
  EXPECT_EQ(storedName("N001"), "Zürich 漢字");
}

TEST_F(TerminalRunTest, PrintAndExportListWriteTheFilesTheUserNames) {
  seed(3);
  start();
  openBrowse();
  terminal_->keys("M-f");
  terminal_->keys("p");
  ASSERT_TRUE(terminal_->waitFor("File to write (PDF files):")) << terminal_->screen();
  EXPECT_NE(terminal_->screen().find("fesk1.pdf"), std::string::npos) << "a name is offered";
  const std::string pdf = (directory_.path() / "list.pdf").string();
  terminal_->type(pdf);  // replaces the name offered
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitFor("The list was written to")) << terminal_->screen();
  terminal_->keys("Enter");
  const std::string text = output("pdftotext -layout '" + pdf + "' -");
  const size_t first = text.find("C001"), second = text.find("C002"), third = text.find("C003");
  EXPECT_TRUE(first < second && second < third && third != std::string::npos) << text;
  EXPECT_NE(text.find("Name 3"), std::string::npos) << text;

  // Esc in the question writes nothing.
  terminal_->keys("M-f");
  terminal_->keys("p");
  ASSERT_TRUE(terminal_->waitFor("File to write")) << terminal_->screen();
  terminal_->keys("Escape");
  ASSERT_TRUE(terminal_->waitFor("File to write", false)) << terminal_->screen();
  EXPECT_EQ(terminal_->screen().find("was written"), std::string::npos);

  // The same records as CSV.
  terminal_->keys("M-f");
  terminal_->keys("e");
  ASSERT_TRUE(terminal_->waitFor("File to write (CSV files):")) << terminal_->screen();
  const std::string csv = (directory_.path() / "list.csv").string();
  terminal_->type(csv);
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitFor("3 records written to")) << terminal_->screen();
  terminal_->keys("Enter");
  std::ifstream in(csv, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
            "CODE,NAME\r\nC001,Name 1\r\nC002,Name 2\r\nC003,Name 3\r\n");
}

TEST_F(TerminalRunTest, ATwentyCharacterAccentedNameIsStoredShownLocatedAndKeyedWhole) {
  std::string code;
  for (int i = 0; i < 20; ++i) code += "É";
  const std::string name = "Ångström Émile Öland";
  seed(3);
  start();
  openBrowse();
  switchInLineOff();
  terminal_->keys("M-i");
  ASSERT_TRUE(terminal_->waitFor("Adding a fesk1 Record")) << terminal_->screen();
  terminal_->type(code + "É");  // one too many: the entry keeps twenty
  terminal_->keys("Tab");
  terminal_->type(name);
  terminal_->keys("Tab");  // to OK
  terminal_->keys("Enter");
  ASSERT_TRUE(terminal_->waitFor("Adding a fesk1 Record", false)) << terminal_->screen();
  ASSERT_TRUE(terminal_->waitFor(name)) << terminal_->screen();
  // The code column is narrower than the code: the selected row shows its start.
  const std::string selectedRow = ">" + code.substr(0, code.size() / 2);
  EXPECT_NE(terminal_->screen().find(selectedRow), std::string::npos) << terminal_->screen();

  // Typed in the list, its first letter locates it from the first row.
  terminal_->keys("C-PageUp");
  ASSERT_TRUE(terminal_->waitFor(">C001")) << terminal_->screen();
  terminal_->type("É");
  EXPECT_TRUE(terminal_->waitFor(selectedRow)) << terminal_->screen();
  terminal_->keys("M-f");
  terminal_->keys("x");
  ASSERT_TRUE(exits()) << terminal_->screen();
  EXPECT_EQ(storedName(code), name);
}

TEST_F(TerminalRunTest, CtrlFShowsASearchLineOverTheListThatFindsAsItIsTyped) {
  seed(40);
  start();
  openBrowse();
  ASSERT_TRUE(terminal_->waitFor(">C001")) << terminal_->screen();
  terminal_->keys("C-f");
  terminal_->type("c02");
  ASSERT_TRUE(terminal_->waitFor("Find: c02")) << terminal_->screen();
  EXPECT_TRUE(terminal_->waitFor(">C020")) << terminal_->screen();
  terminal_->type("x");
  EXPECT_TRUE(terminal_->waitFor("\"c02x\" not found")) << terminal_->screen();
  terminal_->keys("Escape");
  EXPECT_TRUE(terminal_->waitFor("Find:", false)) << terminal_->screen();
  EXPECT_NE(terminal_->screen().find("Browse the fesk1 File"), std::string::npos)
      << "Esc closed the line, not the window";
  EXPECT_NE(terminal_->screen().find(">C020"), std::string::npos) << terminal_->screen();
}

TEST_F(TerminalRunTest, ExitOverAFilledFormAsksAndTheNextRunKeepsInLineOff) {
  seed(3);
  start();
  openBrowse();
  switchInLineOff();
  terminal_->keys("M-i");
  ASSERT_TRUE(terminal_->waitFor("Adding a fesk1 Record")) << terminal_->screen();
  terminal_->type("N009");
  terminal_->keys("M-f");
  terminal_->keys("x");
  ASSERT_TRUE(terminal_->waitFor("1 window holds changes that are not saved."))
      << terminal_->screen();
  EXPECT_NE(terminal_->screen().find("[ Exit anyway ]"), std::string::npos) << terminal_->screen();
  terminal_->keys("Enter");  // Cancel, the default
  ASSERT_TRUE(terminal_->waitFor("Exit anyway", false)) << terminal_->screen();
  EXPECT_TRUE(terminal_->waitFor("N009")) << "the typing is still there";
  terminal_->keys("M-f");
  terminal_->keys("x");
  ASSERT_TRUE(terminal_->waitFor("Exit anyway")) << terminal_->screen();
  terminal_->keys("e");  // the button's letter
  ASSERT_TRUE(exits()) << terminal_->screen();
  EXPECT_EQ(exitCode(), "0");
  EXPECT_EQ(storedName("N009"), "<none>");

  // The next run's browse starts with in-line editing off, as it was left.
  std::filesystem::remove(directory_.path() / "exit-code");
  terminal_.reset();
  start();
  openBrowse();
  EXPECT_TRUE(terminal_->waitFor("InLine Off")) << terminal_->screen();
}

}  // namespace
}  // namespace fesk::test

#endif  // FESK_PROGRAM
