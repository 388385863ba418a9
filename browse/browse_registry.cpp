#include "browse/browse_registry.h"

#include "browse/drop_hooks.h"
#include "browse/list_following.h"
#include "browse/window_hooks.h"
#include "runtime/frontend/constants.h"
#include "runtime/threads/program.h"
#include "runtime/windows/windows.h"

namespace fesk {

const std::string UnsetViewString(1, '\x01');
BrowseTable BrowseRegistry;

namespace {

void showMessage(const std::string& text) {
  apprt::messageBox(text, "", apprt::Icon::None, apprt::kButtonOk, apprt::kButtonOk);
}

// The byte switch that a property number names; null for the probe and for
// numbers outside 1 to 24.
uint8_t* propertyField(BrowseBlock& b, uint8_t number) {
  switch (number) {
    case kBrowseAction:
      return &b.ACTION;
    case kBrowseCurRow:
      return &b.CURROW;
    case kBrowseCurItem:
      return &b.CURITEM;
    case kBrowseDescendingKey:
      return &b.DESCENDINGKEY;
    case kBrowseDontSelect:
      return &b.DONTSELECT;
    case kBrowseDroppedDown:
      return &b.DROPPEDDOWN;
    case kBrowseEndBatch:
      return &b.ENDBATCH;
    case kBrowseExtVScroll:
      return &b.EXTVSCROLL;
    case kBrowseForceVScroll:
      return &b.FORCEVSCROLL;
    case kBrowseInsertMode:
      return &b.INSERTMODE;
    case kBrowseRevOrder:
      return &b.REVORDER;
    case kBrowseRows:
      return &b.ROWS;
    case kBrowseSetToItem:
      return &b.SETTOITEM;
    case kBrowseSetToKey:
      return &b.SETTOKEY;
    case kBrowseSetToPosition:
      return &b.SETTOPOSITION;
    case kBrowseSelectRecord:
      return &b.SELECTRECORD;
    case kBrowseSkipRecord:
      return &b.SKIPRECORD;
    case kBrowseThumbOption:
      return &b.THUMBOPTION;
    case kBrowseUseView:
      return &b.USEVIEW;
    case kBrowseWatchOff:
      return &b.WATCHOFF;
    case kBrowseNoInserts:
      return &b.NOINSERTS;
    case kBrowseNoChanges:
      return &b.NOCHANGES;
    case kBrowseNoDeletes:
      return &b.NODELETES;
    default:
      return nullptr;
  }
}

int32_t handleOf(int16_t field) {
  return static_cast<int32_t>(apprt::getProp(field, apprt::kPropHandle));
}

}  // namespace

bool attachBrowse(int32_t handle) {
  BrowseRegistry.put();  // detached: writes nothing
  BrowseRegistry.buffer.BRWHNDL = handle;
  return BrowseRegistry.getByKey(&BrowseBlock::BRWHNDL);
}

int16_t KX_BrowseProp(int16_t field, uint8_t number, uint8_t value, bool getOnly) {
  const int32_t handle = handleOf(field);
  if (!attachBrowse(handle)) return number == kBrowseRegistered ? 0 : kBrowseNotRegistered;
  BrowseBlock& b = BrowseRegistry.buffer;
  if (!getOnly) {
    if (uint8_t* target = propertyField(b, number)) {
      *target = number == kBrowseRevOrder ? (value != 0 ? 1 : 0) : value;
    }
    if (!attachBrowse(handle)) return number == kBrowseRegistered ? 0 : kBrowseNotRegistered;
  }
  if (number == kBrowseRegistered) return 1;
  if (const uint8_t* field = propertyField(b, number)) return *field;
  showMessage("Invalid Parameter ID");
  return 0;
}

void SetBrowseFindField(int16_t field, uint8_t recordField) {
  if (attachBrowse(handleOf(field))) BrowseRegistry.buffer.FINDFIELD = recordField;
}

bool KX_InitBrowse(int16_t field, uint16_t thread, uint8_t rows, bool rowsFromControl) {
  const uint8_t rowCount =
      rowsFromControl ? static_cast<uint8_t>(apprt::getProp(field, apprt::kPropItems) & 0xFF)
                      : rows;
  const int32_t handle = handleOf(field);
  if (handle == 0 && field != 0) {
    showMessage("CRITICAL ERROR #2: Unable to Find Window Handle");
    apprt::HALT(0, "");
  }
  BrowseBlock& b = BrowseRegistry.buffer;
  b.BRWHNDL = handle;
  if (BrowseRegistry.getByKey(&BrowseBlock::BRWHNDL)) return false;

  b = BrowseBlock{};
  b.BRWHNDL = handle;
  b.WINHNDL = handleOf(0);
  b.LISTFLD = field;
  b.ROWS = rowCount;
  b.THREAD = thread;
  b.VSCROLL = static_cast<uint8_t>(apprt::getProp(field, apprt::kPropVScroll) & 0xFF);
  const NewBrowseDefaults& defaults = BrowseRegistry.defaults;
  if (defaults.ForceVScrollAll) {
    b.EXTVSCROLL = 0;
    b.FORCEVSCROLL = 1;
  } else {
    b.EXTVSCROLL = defaults.ExtVScroll;
  }
  const long type = apprt::getProp(field, apprt::kPropType);
  b.DROPCOMBOFLAG = type == apprt::kTypeDropList || type == apprt::kTypeDropCombo ? 1 : 0;

  BrowseRegistry.addByKey(&BrowseBlock::BRWHNDL);
  FollowChanges(b.BRWHNDL, b.WINHNDL, b.LISTFLD, apprt::THREAD());
  if (apprt::ERRCODE() != 0) {
    BrowseRegistry.get(0);
    showMessage("Error Initializing Browse");
    return false;
  }
  if (b.DROPCOMBOFLAG) KX_HookDropCombo(field);
  hookBrowseWindow(b.WINHNDL);
  return true;
}

}  // namespace fesk
