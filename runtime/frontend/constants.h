#pragma once
// The numbers that the system's procedures and the runtime agree on: events,
// properties, key codes, control types, message-box buttons and icons, and the
// messages of the message layer. Everything else refers to them by these names.

#include <cstdint>

#include "runtime/files/view_properties.h"

namespace apprt {

// ---- Events ---------------------------------------------------------------
// Control events.
inline constexpr int kEventAccepted = 1;      // button pressed, value accepted, menu item
inline constexpr int kEventNewSelection = 2;  // list row or sheet tab chosen
inline constexpr int kEventScrollUp = 3;
inline constexpr int kEventScrollDown = 4;
inline constexpr int kEventPageUp = 5;
inline constexpr int kEventPageDown = 6;
inline constexpr int kEventScrollTop = 7;
inline constexpr int kEventScrollBottom = 8;
inline constexpr int kEventAlertKey = 15;     // a key in a list, or any alerted key
inline constexpr int kEventScrollDrag = 20;   // list thumb released
inline constexpr int kEventTabChanging = 21;  // a sheet tab is about to change
inline constexpr int kEventRejected = 26;     // an entry refused what was typed
inline constexpr int kEventDroppedDown = 27;
// Window events.
inline constexpr int kEventSelected = 257;  // a control took the focus
inline constexpr int kEventCloseWindow = 513;
inline constexpr int kEventCloseDown = 514;  // the frame is closing
inline constexpr int kEventOpenWindow = 515;
inline constexpr int kEventLoseFocus = 517;  // the window was left for another
inline constexpr int kEventGainFocus = 518;  // the window became the active one
inline constexpr int kEventCompleted = 549;  // completion (select of field 0) passed
inline constexpr int kEventSized = 561;
// The search line over a list (runtime/windows/find_line.h): its text changed,
// and the user asked for the next record that holds it.
inline constexpr int kEventFindTyped = 600;
inline constexpr int kEventFindNext = 601;
// The first event number that programs may use for their own events.
inline constexpr int kEventUser = 1024;

// ---- Properties -----------------------------------------------------------
inline constexpr int kPropText = 31744;  // title, button/prompt text; entry: picture
inline constexpr int kPropType = 31745;  // control type code
inline constexpr int kPropHeight = 31748;
inline constexpr int kPropWidth = 31749;
inline constexpr int kPropHide = 31845;
inline constexpr int kPropVScroll = 31883;    // list scroll bar shown (non-zero) or hidden
inline constexpr int kPropItems = 31886;      // list: visible row count
inline constexpr int kPropHandle = 31894;     // window or control handle
inline constexpr int kPropAcceptAll = 31898;  // window: a completion is checking the controls
inline constexpr int kPropSkip = 31873;
inline constexpr int kPropFormat = 31877;      // list format
inline constexpr int kPropVScrollPos = 31902;  // list thumb, kThumbTop..kThumbBottom
inline constexpr int kPropHideUntilLoaded = 31911;
inline constexpr int kPropUse = 31248;              // the variable a control edits
inline constexpr int kPropColumnEditField = 32005;  // per list column
inline constexpr int kPropColumnPicture = 32261;    // per list column
// Colour and font settings copied from a list column to an edit control.
inline constexpr int kPropFirstColour = 31750;
inline constexpr int kPropLastColour = 31757;
inline constexpr int kPropFirstFont = 31760;
inline constexpr int kPropLastFont = 31763;
inline constexpr int kPropFirstColumnColour = 32272;
inline constexpr int kPropLastColumnColour = 32279;
// The view properties (kPropViewFilter...) belong to the file layer:
// runtime/files/view_properties.h.

// Every property above, as ranges of numbers: the numbers a program keeps for
// marks of its own are checked against these at compile time.
struct PropertyRange {
  int first;
  int last;
};
inline constexpr PropertyRange kRuntimeProperties[] = {
    {kPropText, kPropText},
    {kPropType, kPropType},
    {kPropHeight, kPropHeight},
    {kPropWidth, kPropWidth},
    {kPropHide, kPropHide},
    {kPropVScroll, kPropVScroll},
    {kPropItems, kPropItems},
    {kPropHandle, kPropHandle},
    {kPropAcceptAll, kPropAcceptAll},
    {kPropSkip, kPropSkip},
    {kPropFormat, kPropFormat},
    {kPropVScrollPos, kPropVScrollPos},
    {kPropHideUntilLoaded, kPropHideUntilLoaded},
    {kPropUse, kPropUse},
    {kPropColumnEditField, kPropColumnEditField},
    {kPropColumnPicture, kPropColumnPicture},
    {kPropFirstColour, kPropLastColour},
    {kPropFirstFont, kPropLastFont},
    {kPropFirstColumnColour, kPropLastColumnColour},
    {kPropViewFilter, kPropViewFilter},
    {kPropViewSqlFilter, kPropViewSqlFilter},
    {kPropViewOrder, kPropViewOrder},
};

// The list thumb's positions (kPropVScrollPos).
inline constexpr int kThumbTop = 0;
inline constexpr int kThumbMiddle = 50;
inline constexpr int kThumbBottom = 100;
// A thumb position brought into that range.
inline constexpr int thumbWithin(long position) {
  return position < kThumbTop      ? kThumbTop
         : position > kThumbBottom ? kThumbBottom
                                   : static_cast<int>(position);
}

// ---- Control types ----------------------------------------------------------
inline constexpr int kTypeEntry = 8;
inline constexpr int kTypeList = 16;
inline constexpr int kTypeDropList = 15;  // drop-down list kinds
inline constexpr int kTypeDropCombo = 34;
inline constexpr int kTypeButton = 9;
inline constexpr int kTypePrompt = 2;
inline constexpr int kTypeSheet = 21;
inline constexpr int kTypeTab = 22;
inline constexpr int kTypeMenuItem = 25;

// ---- Key codes (PC virtual-key scheme) ---------------------------------------
inline constexpr int kKeyMouseLeft = 1;
inline constexpr int kKeyMouseRight = 2;
inline constexpr int kKeyMouseLeftDouble = 5;
inline constexpr int kKeyTab = 9;
inline constexpr int kKeyEnter = 13;
inline constexpr int kKeyShift = 16;
inline constexpr int kKeyCtrl = 17;
inline constexpr int kKeyEsc = 27;
inline constexpr int kKeySpace = 32;
inline constexpr int kKeyPgUp = 33;
inline constexpr int kKeyPgDn = 34;
inline constexpr int kKeyEnd = 35;
inline constexpr int kKeyHome = 36;
inline constexpr int kKeyLeft = 37;
inline constexpr int kKeyUp = 38;
inline constexpr int kKeyRight = 39;
inline constexpr int kKeyDown = 40;
inline constexpr int kKeyInsert = 45;
inline constexpr int kKeyDelete = 46;
inline constexpr int kKey0 = 48;
inline constexpr int kKeyA = 65;
inline constexpr int kKeyPad0 = 96;
inline constexpr int kKeyF1 = 112;
inline constexpr int kKeyF4 = 115;
inline constexpr int kKeyF10 = 121;
// A character that no key code names (an accented letter, another script):
// KEYCHAR() tells which. Modifiers are not added; the character has its case.
inline constexpr int kKeyCharacter = 231;
inline constexpr int kShift = 256;
inline constexpr int kCtrl = 512;
inline constexpr int kAlt = 1024;
inline constexpr int kKeyShiftTab = kShift + kKeyTab;
inline constexpr int kKeyBackspace = 8;
inline constexpr int kKeyFind = kCtrl + 'F';     // opens the search line over a list
inline constexpr int kKeyFindNext = kKeyF1 + 2;  // F3
inline constexpr int kKeyUndo = kCtrl + 'Z';     // the frame's Undo item, from any window
inline constexpr int kKeyCtrlEnter = kCtrl + kKeyEnter;

// ---- Message boxes ------------------------------------------------------------
inline constexpr int kButtonOk = 1;
inline constexpr int kButtonYes = 2;
inline constexpr int kButtonNo = 4;
inline constexpr int kButtonAbort = 8;
inline constexpr int kButtonRetry = 16;
inline constexpr int kButtonIgnore = 32;
inline constexpr int kButtonCancel = 64;
inline constexpr int kButtonQuit = 128;  // ends the program
enum class Icon { None, Question, Warning };

// ---- Messages of the message layer -------------------------------------------
inline constexpr uint32_t kMsgNcDestroy = 130;
inline constexpr uint32_t kMsgGetDlgCode = 135;
inline constexpr uint32_t kMsgPaint = 15;
inline constexpr uint32_t kMsgKeyDown = 256;
inline constexpr uint32_t kMsgKeyUp = 257;
inline constexpr uint32_t kMsgTimer = 275;
inline constexpr uint32_t kMsgVScroll = 277;
// Scroll codes carried in the low word of kMsgVScroll's wParam.
inline constexpr int kScrollLineUp = 0;
inline constexpr int kScrollLineDown = 1;
inline constexpr int kScrollPageUp = 2;
inline constexpr int kScrollPageDown = 3;
inline constexpr int kScrollThumbPosition = 4;
inline constexpr int kScrollThumbTrack = 5;
// The runtime's own notifications of drop-down lists.
inline constexpr uint32_t kMsgDropListLostFocus = 8211;
inline constexpr uint32_t kMsgDropListScrolled = 9226;
inline constexpr uint32_t kMsgDropButtonReleased = 9231;
inline constexpr uint32_t kMsgDropCloseRequest = 9235;
inline constexpr uint32_t kMsgDropListDismissed = 9247;
// The runtime's input messages: what the front-end reports, as it travels
// through a control's window procedure before it becomes events.
inline constexpr uint32_t kMsgInputBase = 0x7F00;
inline constexpr uint32_t kMsgClick = kMsgInputBase + 1;      // wParam: mouse key code
inline constexpr uint32_t kMsgSetText = kMsgInputBase + 2;    // the text shown was edited
inline constexpr uint32_t kMsgChooseRow = kMsgInputBase + 3;  // wParam: row, lParam: key code
inline constexpr uint32_t kMsgChooseTab = kMsgInputBase + 4;  // wParam: tab number
inline constexpr uint32_t kMsgFocus = kMsgInputBase + 5;      // wParam: key code that moved it
inline constexpr uint32_t kMsgWheel = kMsgInputBase + 6;      // wParam: 1 up, 0 down
inline constexpr uint32_t kMsgActivate = kMsgInputBase + 7;
inline constexpr uint32_t kMsgClose = kMsgInputBase + 8;
inline constexpr uint32_t kMsgResize = kMsgInputBase + 9;
inline constexpr uint32_t kMsgMenu = kMsgInputBase + 10;       // wParam: item field number
inline constexpr uint32_t kMsgPostEvent = kMsgInputBase + 11;  // wParam: event, lParam: field

}  // namespace apprt
