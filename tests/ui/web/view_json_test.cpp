// What a session's program sends its page: windows as differences, and the
// page's messages read back as the runtime's input.
#include "ui/web/view_json.h"

#include <gtest/gtest.h>

#include <QJsonArray>

namespace fesk::web {
namespace {

apprt::WindowView browseWindow() {
  apprt::WindowView w;
  w.handle = 7;
  w.title = "Browse";
  apprt::ControlView list;
  list.field = 1;
  list.kind = apprt::ControlKind::List;
  list.format = "80L(2)|M~code~L(2)@S20@80L(2)|M~name~L(2)@S20@";
  list.rows = {{"P01", "<b>Mercury</b>"}};
  apprt::ControlView button;
  button.field = 2;
  button.kind = apprt::ControlKind::Button;
  button.text = "&Insert";
  w.controls = {list, button};
  return w;
}

std::vector<int> fields(const QJsonObject& message) {
  std::vector<int> out;
  for (const auto& c : message.value("controls").toArray())
    out.push_back(c.toObject().value("field").toInt());
  return out;
}

TEST(WindowDiffer, SendsAWindowWholeThenOnlyWhatChanged) {
  WindowDiffer differ;
  apprt::WindowView w = browseWindow();
  auto first = differ.change(w);
  ASSERT_TRUE(first);
  EXPECT_EQ(fields(*first), (std::vector<int>{1, 2}));
  const QJsonObject list = first->value("controls").toArray()[0].toObject();
  EXPECT_EQ(list.value("rows").toArray()[0].toArray()[1].toString(), "<b>Mercury</b>");
  EXPECT_EQ(list.value("columns").toArray()[1].toObject().value("header").toString(), "name");

  EXPECT_FALSE(differ.change(w)) << "nothing changed, nothing sent";

  w.controls[1].enabled = false;
  auto second = differ.change(w);
  ASSERT_TRUE(second);
  EXPECT_EQ(fields(*second), (std::vector<int>{2}));

  w.controls.pop_back();
  auto third = differ.change(w);
  ASSERT_TRUE(third);
  EXPECT_TRUE(fields(*third).empty());
  EXPECT_EQ(third->value("removed").toArray(), QJsonArray{2});

  // A page loaded anew gets every window whole.
  auto all = differ.everything();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(fields(all[0]), (std::vector<int>{1}));
}

// The search line the runtime keeps over a list goes with the window's facts,
// sent again when only it changed.
TEST(WindowDiffer, SendsTheSearchLineWithTheWindow) {
  WindowDiffer differ;
  apprt::WindowView w = browseWindow();
  const auto closed = differ.change(w);
  ASSERT_TRUE(closed);
  EXPECT_FALSE(closed->value("find").toObject().value("open").toBool());
  w.findLine = {true, 1, "mer", "\"mer\" not found"};
  const auto open = differ.change(w);
  ASSERT_TRUE(open) << "a changed search line is sent";
  EXPECT_TRUE(fields(*open).empty()) << "no control changed";
  const QJsonObject find = open->value("find").toObject();
  EXPECT_TRUE(find.value("open").toBool());
  EXPECT_EQ(find.value("list").toInt(), 1);
  EXPECT_EQ(find.value("text").toString(), "mer");
  EXPECT_EQ(find.value("message").toString(), "\"mer\" not found");
}

TEST(PageMessage, BecomesTheRuntimesInputOrIsIgnored) {
  PageMessage typed = readPageMessage({{"t", "typed"}, {"w", 7}, {"f", 3}, {"text", "P01"}});
  ASSERT_EQ(typed.kind, PageMessage::Kind::Input);
  EXPECT_EQ(typed.input.kind, apprt::Input::Kind::Text);
  EXPECT_EQ(typed.input.window, 7);
  EXPECT_EQ(typed.input.field, 3);
  EXPECT_EQ(typed.input.text, "P01");

  PageMessage row = readPageMessage({{"t", "row"}, {"w", 7}, {"f", 1}, {"row", 3}, {"mouse", 5}});
  EXPECT_EQ(row.input.kind, apprt::Input::Kind::Row);
  EXPECT_EQ(row.input.row, 3);
  EXPECT_EQ(row.input.mouse, apprt::kKeyMouseLeftDouble);

  // The room the page gives a window, in dialog units.
  PageMessage resize =
      readPageMessage({{"t", "resize"}, {"w", 7}, {"width", 300}, {"height", 220}});
  ASSERT_EQ(resize.kind, PageMessage::Kind::Input);
  EXPECT_EQ(resize.input.kind, apprt::Input::Kind::Resize);
  EXPECT_EQ(resize.input.width, 300);
  EXPECT_EQ(resize.input.height, 220);

  PageMessage answer = readPageMessage({{"t", "answer"}, {"id", 4}, {"value", 64}});
  ASSERT_EQ(answer.kind, PageMessage::Kind::Answer);
  EXPECT_EQ(answer.answerId, 4);
  EXPECT_EQ(answer.answer, 64);

  EXPECT_EQ(readPageMessage({{"t", "nonsense"}}).kind, PageMessage::Kind::Ignored);
  EXPECT_EQ(readPageMessage({}).kind, PageMessage::Kind::Ignored);
}

}  // namespace
}  // namespace fesk::web
