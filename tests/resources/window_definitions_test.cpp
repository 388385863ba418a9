// The compiled-in window definitions parse and hold what the procedures
// address: field numbers, kinds, texts and sizes.

#include <gtest/gtest.h>

#include "resources/resources.h"
#include "runtime/frontend/window_definition.h"
#include "runtime/text/list_format.h"
#include "runtime/text/picture.h"

namespace {

using apprt::ControlKind;

TEST(WindowDefinitions, EveryProgramWindowIsThere) {
  fesk::resources::registerWindowDefinitions();
  auto frame = apprt::findWindowDefinition("fesk$FESK001", "P1$APPFRAME");
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->kind, apprt::WindowKind::Frame);
  EXPECT_EQ(frame->title, "Application");
  const auto* fesk = frame->control(-4);
  ASSERT_TRUE(fesk);
  EXPECT_EQ(fesk->text, "&fesk");
  EXPECT_EQ(fesk->parent, 0) << "directly on the menu bar";
  EXPECT_EQ(frame->control(-3)->standardAction, 15);
  EXPECT_EQ(frame->control(-3)->parent, -1);
  EXPECT_TRUE(frame->control(-15)->inToolbar);
  for (const char* module : {"fesk$FESK002", "fesk$FESK003", "fesk$FESK004"}) {
    auto w = apprt::findWindowDefinition(module, "P1$QUICKWINDOW");
    ASSERT_TRUE(w) << module;
    EXPECT_EQ(w->kind, apprt::WindowKind::MdiChild);
  }
}

TEST(WindowDefinitions, ListFormatsAndPicturesAreValid) {
  fesk::resources::registerWindowDefinitions();
  for (const char* module : {"fesk$FESK002", "fesk$FESK003", "fesk$FESK004"}) {
    auto w = apprt::findWindowDefinition(module, "P1$QUICKWINDOW");
    for (const auto& c : w->controls) {
      if (c.kind == ControlKind::List) {
        std::string error;
        auto columns = apprt::parseListFormat(c.format, &error);
        ASSERT_TRUE(columns) << module << ": " << error;
        EXPECT_EQ(columns->size(), 2u);
      }
      if (c.kind == ControlKind::Entry) {
        EXPECT_TRUE(apprt::Picture::parse(c.picture)) << module;
      }
    }
  }
}

TEST(WindowDefinitions, BrowseListsComeFirstAndHaveAScrollBar) {
  fesk::resources::registerWindowDefinitions();
  auto browse = apprt::findWindowDefinition("fesk$FESK002", "P1$QUICKWINDOW");
  ASSERT_TRUE(browse);
  EXPECT_EQ(browse->controls.front().field, 1) << "the list is the window's first control";
  EXPECT_TRUE(browse->control(1)->vscroll);
  auto form = apprt::findWindowDefinition("fesk$FESK003", "P1$QUICKWINDOW");
  EXPECT_TRUE(form->control(6)->vscroll);
}

TEST(WindowDefinitions, FormControlsSitOnTheirTabs) {
  fesk::resources::registerWindowDefinitions();
  auto form = apprt::findWindowDefinition("fesk$FESK003", "P1$QUICKWINDOW");
  ASSERT_TRUE(form);
  int general = form->control(3)->parent;
  int second = form->control(6)->parent;
  EXPECT_NE(general, second);
  EXPECT_EQ(form->control(general)->text, "General");
  EXPECT_EQ(form->control(second)->text, "fesk2");
  EXPECT_EQ(form->control(10)->parent, 0) << "OK is outside the sheet";
}

TEST(WindowDefinitions, MalformedTextIsRefusedWithItsLine) {
  EXPECT_THROW(apprt::parseWindowDefinitions("window \"X\" mdi \"T\""), apprt::DefinitionError);
  try {
    apprt::parseWindowDefinitions("module \"m\"\nwindow \"W\" mdi \"T\"\n  button x \"a\"\n");
    FAIL();
  } catch (const apprt::DefinitionError& e) {
    EXPECT_NE(std::string(e.what()).find("line 3"), std::string::npos) << e.what();
  }
  EXPECT_THROW(apprt::parseWindowDefinitions("module \"m\"\nwindow \"W\" mdi \"T\n"),
               apprt::DefinitionError);
  EXPECT_THROW(
      apprt::parseWindowDefinitions("module \"m\"\nwindow \"W\" mdi \"T\"\n  entry 1\n  entry 1\n"),
      apprt::DefinitionError);
}

}  // namespace
