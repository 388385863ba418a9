#include "sample_program.h"

#include <algorithm>

#include "resources/resources.h"
#include "runtime/threads/program.h"
#include "runtime/windows/queue.h"
#include "runtime/windows/windows.h"

namespace fesk::qt::sample {

using namespace apprt;

namespace {

std::mutex gEventsMutex;
std::vector<std::string> gBrowseEvents;

constexpr int kRequestInsert = 1;
constexpr int kRequestChange = 2;

// One page of `all` in a list: the first shown entry, the selected row, and
// the list's scroll bar, as a paging browse keeps them.
template <typename Entry>
struct Page {
  int list = 0;
  int top = 0;       // index in `all` of the first row
  int selected = 1;  // 1-based row
  Queue<Entry> rows;

  int rowCount() const { return static_cast<int>(getProp(list, kPropItems)); }

  void load(const std::vector<Entry>& all) {
    const int n = static_cast<int>(all.size());
    const int count = rowCount();
    top = std::clamp(top, 0, std::max(0, n - count));
    rows.free();
    for (int i = top; i < std::min(n, top + count); ++i) {
      rows.buffer = all[static_cast<size_t>(i)];
      rows.add();
    }
    selected = std::clamp(selected, rows.records() ? 1 : 0, static_cast<int>(rows.records()));
    setProp(list, kPropVScroll, n > count ? 1 : 0);
    setProp(list, kPropVScrollPos, n > count ? top * 100 / (n - count) : 0);
    if (selected) SELECT(list, selected);
  }

  // Answers whether the event was one of the list's paging events.
  bool page(int event, const std::vector<Entry>& all) {
    const int n = static_cast<int>(all.size());
    const int count = rowCount();
    const int shown = static_cast<int>(rows.records());
    switch (event) {
      case kEventScrollUp:
        if (selected > 1)
          --selected;
        else
          --top;
        break;
      case kEventScrollDown:
        if (selected < shown)
          ++selected;
        else
          ++top;
        break;
      case kEventPageUp:
        top -= count;
        break;
      case kEventPageDown:
        top += count;
        break;
      case kEventScrollTop:
        top = 0, selected = 1;
        break;
      case kEventScrollBottom:
        top = n, selected = count;
        break;
      case kEventScrollDrag:
        top = static_cast<int>(getProp(list, kPropVScrollPos)) * std::max(0, n - count) / 100;
        break;
      case kEventNewSelection:
        selected = CHOICE(list);
        return true;
      default:
        return false;
    }
    load(all);
    return true;
  }

  // The entry of the selected row, as an index in `all`; -1 when none.
  int selectedIndex() const { return selected ? top + selected - 1 : -1; }
};

// Runs a form's loop until OK completes it or it is closed; answers whether
// it was completed. `onAccepted` handles buttons other than OK and Cancel.
template <typename OnAccepted>
bool runForm(int ok, int cancel, OnAccepted onAccepted) {
  bool completed = false;
  openWindow();
  startEventLoop();
  int step = 0;
  while (!endEventLoop(step)) {
    step = 0;
    if (EVENT() == kEventCompleted) {
      completed = true;
      step = -1;
    } else if (EVENT() == kEventAccepted && ACCEPTED() == ok) {
      SELECT(0);
    } else if (EVENT() == kEventAccepted && ACCEPTED() == cancel) {
      step = -1;
    } else {
      onAccepted();
    }
  }
  closeWindow();
  freeWindow();
  return completed;
}

bool UpdateDetail(int request, Detail& detail) {
  loadWindow("fesk$FESK004", "P1$QUICKWINDOW");
  setPropText(0, kPropText,
              request == kRequestInsert ? "Adding a fesk2 Record" : "Changing a fesk2 Record");
  Detail edited = detail;
  bindEntry(3, bindString(edited.code));
  bindEntry(5, bindString(edited.number));
  if (!runForm(6, 7, [] {})) return false;
  detail = edited;
  return true;
}

std::vector<Detail> detailsOf(const std::string& code) {
  std::vector<Detail> out;
  for (const auto& d : data().details)
    if (d.code == code) out.push_back(d);
  return out;
}

bool UpdateRecord(int request, Record& record) {
  loadWindow("fesk$FESK003", "P1$QUICKWINDOW");
  setPropText(0, kPropText,
              request == kRequestInsert ? "Adding a fesk1 Record" : "Changing a fesk1 Record");
  Record edited = record;
  bindEntry(3, bindString(edited.code));
  bindEntry(5, bindString(edited.name));
  Page<Detail> details;
  details.list = 6;
  bindList(6, details.rows);
  details.load(detailsOf(record.code));
  bool completed = runForm(10, 11, [&] {
    auto all = detailsOf(record.code);
    if (details.page(EVENT(), all) || EVENT() != kEventAccepted) return;
    int chosen = details.selectedIndex();
    if (ACCEPTED() == 7) {
      Detail added{record.code, ""};
      if (UpdateDetail(kRequestInsert, added)) data().details.push_back(added);
    } else if (ACCEPTED() == 8 && chosen >= 0) {
      Detail changed = all[static_cast<size_t>(chosen)];
      if (UpdateDetail(kRequestChange, changed))
        for (auto& d : data().details)
          if (d.code == all[chosen].code && d.number == all[chosen].number) d = changed;
    } else {
      return;
    }
    details.load(detailsOf(record.code));
  });
  if (completed) record = edited;
  return completed;
}

std::vector<Record> inOrder(int order) {
  auto all = data().records;
  std::stable_sort(all.begin(), all.end(), [order](const Record& a, const Record& b) {
    return order == 1 ? a.code < b.code : a.name < b.name;
  });
  return all;
}

void eraseRecord(const Record& r) {
  auto& d = data();
  std::erase_if(d.records, [&](const Record& x) { return x.code == r.code; });
  std::erase_if(d.details, [&](const Detail& x) { return x.code == r.code; });
}

}  // namespace

std::vector<std::string> queueTexts(const Record& r) {
  return {r.code, r.name};
}
std::vector<std::string> queueTexts(const Detail& d) {
  return {d.code, d.number};
}

SampleData& data() {
  static SampleData sample;
  return sample;
}

void fill(int records, int details) {
  static const char* const kNames[] = {"Amber",   "Birch",  "Cedar",  "Delta", "Ember",
                                       "Fjord",   "Grove",  "Harbor", "Iris",  "Juniper",
                                       "Kestrel", "Linden", "Meadow"};
  auto& d = data();
  d = {};
  for (int i = 1; i <= records; ++i) {
    char code[16];
    std::snprintf(code, sizeof code, "C%03d", i);
    d.records.push_back({code, std::string(kNames[(i - 1) % 13]) + " " + std::to_string(i)});
  }
  for (int i = 1; i <= details && !d.records.empty(); ++i)
    d.details.push_back({d.records.front().code, "N-" + std::to_string(100 * i)});
}

std::vector<std::string> takeBrowseEvents() {
  std::lock_guard lock(gEventsMutex);
  return std::exchange(gBrowseEvents, {});
}

void Browse() {
  loadWindow("fesk$FESK002", "P1$QUICKWINDOW");
  int order = 1;
  bool inLine = true;
  Page<Record> page;
  page.list = 1;
  bindList(1, page.rows);
  SELECT(2, order);
  openWindow();
  startEventLoop();
  int step = 0;
  while (!endEventLoop(step)) {
    step = 0;
    {
      std::lock_guard lock(gEventsMutex);
      gBrowseEvents.push_back(std::to_string(EVENT()) + ":" + std::to_string(FIELD()));
    }
    auto all = inOrder(order);
    if (EVENT() == kEventOpenWindow) {
      page.load(all);
      SELECT(1);
      continue;
    }
    if (FIELD() == 2 && EVENT() == kEventNewSelection) {
      order = CHOICE(2);
      page.top = 0;
      page.selected = 1;
      page.load(inOrder(order));
      continue;
    }
    if (FIELD() == 1 && page.page(EVENT(), all)) {
      if (EVENT() != kEventNewSelection || KEYCODE() != kKeyMouseLeftDouble) continue;
    } else if (EVENT() != kEventAccepted) {
      continue;
    }
    const int chosen = page.selectedIndex();
    const int button = EVENT() == kEventNewSelection ? 5 : ACCEPTED();
    if (button == 4) {
      Record added;
      if (UpdateRecord(kRequestInsert, added)) data().records.push_back(added);
    } else if (button == 5 && chosen >= 0) {
      Record changed = all[static_cast<size_t>(chosen)];
      if (UpdateRecord(kRequestChange, changed))
        for (auto& r : data().records)
          if (r.code == all[static_cast<size_t>(chosen)].code) r = changed;
    } else if (button == 6 && chosen >= 0) {
      int answer = messageBox(
          "You've selected to delete the highlighted record.  Press OK to confirm deletion "
          "of this record.",
          "Confirm Delete", Icon::Question, kButtonOk + kButtonCancel, kButtonCancel);
      if (answer == kButtonOk) eraseRecord(all[static_cast<size_t>(chosen)]);
    } else if (button == 7) {
      inLine = !inLine;
      setPropText(7, kPropText, inLine ? "InLine Off" : "InLine On");
      continue;
    } else if (button == 8) {
      step = -1;
      continue;
    } else {
      continue;
    }
    page.load(inOrder(order));
  }
  closeWindow();
  freeWindow();
}

void MainFrame() {
  resources::registerWindowDefinitions();
  loadWindow("fesk$FESK001", "P1$APPFRAME");
  openWindow();
  startEventLoop();
  while (!endEventLoop(0))
    if (ACCEPTED() == -4) START(Browse, 25000);
  closeWindow();
  freeWindow();
}

}  // namespace fesk::qt::sample
