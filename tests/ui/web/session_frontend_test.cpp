// The runtime's front-end in a web session's program: long work reported to
// the page, and stopped from it.
#include "ui/web/session_frontend.h"

#include <gtest/gtest.h>

#include <vector>

namespace fesk::web {
namespace {

apprt::ProgressView findReport(int id) {
  apprt::ProgressView view;
  view.id = id;
  view.title = "Find";
  view.text = "Looking for \"zzz\"...";
  view.done = 1024;
  return view;
}

TEST(SessionFrontEnd, TheWorkThePageStopsIsToldAtItsNextReportAndNoOtherIs) {
  std::vector<QJsonObject> sent;
  SessionFrontEnd frontEnd([&](const QJsonObject& m) { sent.push_back(m); }, "");
  apprt::ProgressView find = findReport(3);
  apprt::ProgressView other = findReport(4);
  EXPECT_FALSE(frontEnd.progress(find));
  EXPECT_FALSE(frontEnd.progress(other));
  ASSERT_EQ(sent.size(), 2U);
  EXPECT_EQ(sent[0].value("t").toString(), "progress");
  EXPECT_EQ(sent[0].value("id").toInt(), 3);
  EXPECT_EQ(sent[0].value("title").toString(), "Find");
  EXPECT_EQ(sent[0].value("text").toString(), "Looking for \"zzz\"...");
  EXPECT_EQ(sent[0].value("done").toInt(), 1024);
  EXPECT_FALSE(sent[0].value("ended").toBool());

  // The page's Cancel, read as the session reads it.
  const PageMessage stop = readPageMessage({{"t", "stop"}, {"id", 3}});
  ASSERT_EQ(stop.kind, PageMessage::Kind::Stop);
  frontEnd.withScreen([&](SessionScreen& s) { s.stopWork(stop.progressId); });
  EXPECT_TRUE(frontEnd.progress(find));
  EXPECT_FALSE(frontEnd.progress(other));

  // Once a work has ended, a late Cancel for it (the page had not heard yet)
  // or one for work never reported stops nothing.
  other.ended = true;
  frontEnd.progress(other);
  EXPECT_TRUE(sent.back().value("ended").toBool());
  frontEnd.withScreen([](SessionScreen& s) {
    s.stopWork(4);
    s.stopWork(99);
  });
  other.ended = false;
  EXPECT_FALSE(frontEnd.progress(other));
  EXPECT_TRUE(frontEnd.progress(find));
}

}  // namespace
}  // namespace fesk::web
