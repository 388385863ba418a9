#include "ui/web/view_json.h"

#include <QJsonArray>
#include <QString>
#include <set>

#include "runtime/text/list_format.h"

namespace fesk::web {

using apprt::ControlKind;
using apprt::ControlView;
using apprt::Input;

namespace {

QString text(const std::string& s) {
  return QString::fromStdString(s);
}

const char* windowKindName(apprt::WindowKind kind) {
  switch (kind) {
    case apprt::WindowKind::Frame:
      return "frame";
    case apprt::WindowKind::Dialog:
      return "dialog";
    case apprt::WindowKind::MdiChild:
      return "child";
  }
  return "child";
}

const char* alignmentName(apprt::ListAlignment alignment) {
  switch (alignment) {
    case apprt::ListAlignment::kRight:
    case apprt::ListAlignment::kDecimal:
      return "right";
    case apprt::ListAlignment::kCenter:
      return "center";
    case apprt::ListAlignment::kLeft:
      return "left";
  }
  return "left";
}

// The page lays out a list by its columns, parsed here by the runtime's own
// reader of list formats so that the page holds no second one.
QJsonArray columnsJson(const std::string& format) {
  QJsonArray columns;
  auto parsed = apprt::parseListFormat(format);
  if (!parsed) return columns;
  const std::vector<size_t> indexes = apprt::columnTextIndexes(*parsed);
  for (size_t i = 0; i < parsed->size(); ++i) {
    const apprt::ListColumn& c = (*parsed)[i];
    columns.append(QJsonObject{{"header", text(c.header)},
                               {"width", c.width},
                               {"align", alignmentName(c.alignment)},
                               {"index", static_cast<int>(indexes[i])}});
  }
  return columns;
}

QJsonObject windowFacts(const apprt::WindowView& v) {
  const apprt::FindLineView& find = v.findLine;
  return {{"t", "window"},
          {"handle", v.handle},
          {"thread", v.thread},
          {"kind", windowKindName(v.kind)},
          {"title", text(v.title)},
          {"help", text(v.help)},
          {"width", v.width},
          {"height", v.height},
          {"focus", v.focus},
          {"acceptsInput", v.acceptsInput},
          {"busy", v.busy},
          {"find", QJsonObject{{"open", find.open},
                               {"list", find.list},
                               {"text", text(find.text)},
                               {"message", text(find.message)}}}};
}

int integer(const QJsonObject& o, const char* key) {
  return o.value(key).toInt();
}

}  // namespace

QJsonObject controlJson(const ControlView& c) {
  QJsonObject o{{"field", c.field},
                {"handle", c.handle},
                {"kind", text(apprt::controlKindName(c.kind))},
                {"type", c.type},
                {"parent", c.parent},
                {"toolbar", c.inToolbar},
                {"rect", QJsonArray{c.rect.x, c.rect.y, c.rect.width, c.rect.height}},
                {"text", text(c.text)},
                {"picture", text(c.picture)},
                {"message", text(c.message)},
                {"hint", text(c.hint)},
                {"enabled", c.enabled},
                {"hidden", c.hidden},
                {"required", c.required},
                {"choice", c.choice},
                {"overList", c.overList},
                {"overColumn", c.overColumn}};
  if (c.kind == ControlKind::List || c.kind == ControlKind::DropList ||
      c.kind == ControlKind::DropCombo) {
    QJsonArray rows;
    for (const auto& row : c.rows) {
      QJsonArray cells;
      for (const auto& cell : row) cells.append(text(cell));
      rows.append(cells);
    }
    o.insert("rows", rows);
    o.insert("columns", columnsJson(c.format));
    o.insert("visibleRows", c.visibleRows);
    o.insert("selected", c.selected);
    o.insert("scrollBar", c.scrollBar);
    o.insert("thumb", c.thumb);
    o.insert("droppedDown", c.droppedDown);
  }
  return o;
}

std::optional<QJsonObject> WindowDiffer::change(const apprt::WindowView& view) {
  auto old = shown_.find(view.handle);
  if (old != shown_.end() && old->second == view) return std::nullopt;
  QJsonObject message = windowFacts(view);
  QJsonArray controls;
  std::set<int> fields;
  for (const ControlView& c : view.controls) {
    fields.insert(c.field);
    const ControlView* before = old == shown_.end() ? nullptr : old->second.control(c.field);
    // Whether a control shows depends on its sheet's chosen tab too.
    const bool shows = view.shows(c);
    if (!before || !(*before == c) || old->second.shows(*before) != shows) {
      QJsonObject control = controlJson(c);
      control.insert("shown", shows);
      controls.append(control);
    }
  }
  QJsonArray removed;
  if (old != shown_.end())
    for (const ControlView& c : old->second.controls)
      if (!fields.count(c.field)) removed.append(c.field);
  // The page keeps the controls in the window's order (tab order).
  QJsonArray order;
  for (const ControlView& c : view.controls) order.append(c.field);
  message.insert("controls", controls);
  message.insert("removed", removed);
  message.insert("order", order);
  shown_[view.handle] = view;
  return message;
}

std::vector<QJsonObject> WindowDiffer::everything() {
  std::vector<QJsonObject> all;
  auto shown = std::exchange(shown_, {});
  all.reserve(shown.size());
  for (const auto& [handle, view] : shown) all.push_back(*change(view));
  return all;
}

QJsonObject messageBoxJson(int id, const apprt::MessageBoxRequest& r) {
  return {{"t", "box"},
          {"id", id},
          {"window", r.window},
          {"text", text(r.text)},
          {"title", text(r.title)},
          {"icon", r.icon == apprt::Icon::Question  ? "question"
                   : r.icon == apprt::Icon::Warning ? "warning"
                                                    : ""},
          {"buttons", r.buttons},
          {"okText", text(r.okText)},
          {"default", r.defaultButton}};
}

PageMessage readPageMessage(const QJsonObject& m) {
  PageMessage out;
  const QString t = m.value("t").toString();
  const int w = integer(m, "w");
  const int f = integer(m, "f");
  auto input = [&](Input i) {
    out.kind = PageMessage::Kind::Input;
    out.input = std::move(i);
  };
  if (t == "key")
    input(Input::keyDown(w, integer(m, "code"), m.value("ch").toString().toStdString()));
  else if (t == "click")
    input(Input::click(w, f, m.contains("mouse") ? integer(m, "mouse") : apprt::kKeyMouseLeft));
  else if (t == "typed")
    input(Input::typed(w, f, m.value("text").toString().toStdString()));
  else if (t == "row")
    input(Input::chooseRow(w, f, integer(m, "row"), integer(m, "mouse")));
  else if (t == "tab")
    input(Input::chooseTab(w, f, integer(m, "tab")));
  else if (t == "scroll")
    input(Input::scrollBar(w, f, integer(m, "code"), integer(m, "thumb")));
  else if (t == "wheel")
    input(Input::wheel(w, f, m.value("up").toBool()));
  else if (t == "activate")
    input(Input::activate(w));
  else if (t == "close")
    input(Input::close(w));
  else if (t == "menu")
    input(Input::menu(w, f));
  else if (t == "drop")
    input(Input::drop(w, f));
  else if (t == "resize")
    input(Input::resize(w, integer(m, "width"), integer(m, "height")));
  else if (t == "resend")
    out.kind = PageMessage::Kind::Resend;
  else if (t == "answer") {
    out.kind = PageMessage::Kind::Answer;
    out.answerId = integer(m, "id");
    out.answer = integer(m, "value");
  } else if (t == "stop") {
    out.kind = PageMessage::Kind::Stop;
    out.progressId = integer(m, "id");
  }
  return out;
}

}  // namespace fesk::web
