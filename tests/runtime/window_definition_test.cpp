// Window definitions read from their text form.

#include "runtime/frontend/window_definition.h"

#include <gtest/gtest.h>

namespace apprt {
namespace {

constexpr std::string_view kText = R"(
# A comment line.
module "test$DEFS"
window "MAIN" frame "Main \"quoted\"" size 300 200
  help "mainhelp"
  font "Serif" 10
  menu -1 "&File"
    item -2 "E&xit" hint "Leave" std 15
    separator
  menu none "&Window"
    item -3 "T&ile" std 2
  toolbar
    button -4 "Go" at 1 2 30 12
window "FORM" dialog "Form" size 100 80
  sheet 1 at 0 0 100 60
    tab 2 "&A"
      entry 3 at 4 20 40 10 picture "@s5" required
    tab 4 "&B"
      list 5 at 4 20 90 30 format "40L(2)@s5@" hidden
  button 6 "OK" at 4 64 40 14 disabled
)";

TEST(WindowDefinitions, ElementsNestByIndentation) {
  auto windows = parseWindowDefinitions(kText);
  ASSERT_EQ(windows.size(), 2u);
  const auto& main = windows[0];
  EXPECT_EQ(main.module, "test$DEFS");
  EXPECT_EQ(main.kind, WindowKind::Frame);
  EXPECT_EQ(main.title, "Main \"quoted\"");
  EXPECT_EQ(main.help, "mainhelp");
  EXPECT_EQ(main.fontName, "Serif");
  EXPECT_EQ(main.fontSize, 10);
  EXPECT_EQ(main.width, 300);
  ASSERT_TRUE(main.control(-2));
  EXPECT_EQ(main.control(-2)->parent, -1);
  EXPECT_EQ(main.control(-2)->standardAction, 15);
  EXPECT_EQ(main.control(-2)->hint, "Leave");
  EXPECT_EQ(main.control(-3)->parent, main.controls[3].field) << "a menu with no number";
  EXPECT_LT(main.controls[3].field, -999);
  const auto* toolButton = main.control(-4);
  ASSERT_TRUE(toolButton);
  EXPECT_TRUE(toolButton->inToolbar);
  EXPECT_EQ(toolButton->parent, 0);
  EXPECT_EQ(toolButton->rect, (Rect{1, 2, 30, 12}));

  const auto& form = windows[1];
  EXPECT_EQ(form.kind, WindowKind::Dialog);
  EXPECT_EQ(form.control(3)->parent, 2);
  EXPECT_EQ(form.control(2)->parent, 1);
  EXPECT_EQ(form.control(3)->picture, "@s5");
  EXPECT_TRUE(form.control(3)->required);
  EXPECT_EQ(form.control(5)->format, "40L(2)@s5@");
  EXPECT_TRUE(form.control(5)->hidden);
  EXPECT_EQ(form.control(6)->parent, 0) << "back at the window's level";
  EXPECT_TRUE(form.control(6)->disabled);
}

TEST(WindowDefinitions, MistakesNameTheirLine) {
  struct {
    std::string_view text;
    const char* message;
  } cases[] = {
      {"window \"W\" mdi \"T\"", "line 1: window before module"},
      {"module \"m\"\nwindow \"W\" mdi \"T\"\n  entry 1 at 1 2 x 4", "line 3: not a number: x"},
      {"module \"m\"\nwindow \"W\" popup \"T\"", "line 2: unknown window kind popup"},
      {"module \"m\"\nwindow \"W\" mdi \"T\"\n  button 1 \"A\"\n  button 1 \"B\"",
       "line 4: field 1 defined twice"},
      {"module \"m\"\nwindow \"W\" mdi \"T\"\n  slider 1", "line 3: unknown element slider"},
      {"module \"m\"\nwindow \"W\" mdi \"T\"\n  entry 1 colour 3", "line 3: unknown attribute"},
      {"module \"m\"\nwindow \"W\" mdi \"T\n", "line 2: unterminated string"},
      {"module \"m\"\nwindow \"W\" mdi \"T\"\nbutton 1 \"A\"", "line 3: button must be indented"},
      {"module \"m\"\nwindow \"W\" mdi \"T\"\n  entry 1 picture",
       "line 3: a quoted text is missing"},
  };
  for (auto& c : cases) {
    try {
      parseWindowDefinitions(c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const DefinitionError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
          << e.what() << "\n  expected: " << c.message;
    }
  }
}

TEST(WindowDefinitions, ARegisteredWindowIsFoundByModuleAndLabel) {
  registerWindowDefinitions(kText);
  EXPECT_TRUE(findWindowDefinition("test$DEFS", "FORM"));
  EXPECT_FALSE(findWindowDefinition("test$DEFS", "NONE"));
  EXPECT_FALSE(findWindowDefinition("other", "FORM"));
  registerWindowDefinitions("module \"test$DEFS\"\nwindow \"FORM\" mdi \"Changed\"\n");
  EXPECT_EQ(findWindowDefinition("test$DEFS", "FORM")->title, "Changed") << "registered anew";
}

}  // namespace
}  // namespace apprt
