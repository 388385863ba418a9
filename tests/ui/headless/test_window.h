#pragma once
// Small windows used to drive the runtime through the headless front-end: a
// frame with menus, a form with every kind of control, and a dialog.

#include <string_view>

namespace fesk::test {

inline constexpr std::string_view kTestWindows = R"(
module "test$WINDOWS"
window "FORM" mdi "Test Form" size 200 120
  help "testform"
  prompt 1 "&Code:" at 4 4 40 10
  entry 2 at 50 4 80 10 picture "@s20" required
  prompt 3 "&Name:" at 4 18 40 10
  entry 4 at 50 18 80 10 picture "@s20"
  list 5 at 4 32 150 60 format "80L(2)|M~code~L(2)@S20@80L(2)|M~name~L(2)@S20@"
  sheet 6 at 160 4 36 60
    tab 7 "&One"
      button 8 "In &One" at 162 20 30 12
    tab 9 "T&wo"
      button 10 "In T&wo" at 162 20 30 12
  button 11 "&OK" at 50 100 40 14
  button 12 "&Cancel" at 100 100 40 14
window "FRAME" frame "Test Frame" size 300 200
  menu -1 "&File"
    item -2 "&Start Form"
    item -3 "P&rint Setup..." hint "Setup Printer" std 16
    separator
    item -4 "E&xit" std 15
  item -5 "&Go"
  menu none "&Edit"
    item -8 "&Find..." std 17
  menu none "&Window"
    item -6 "T&ile" std 2
  toolbar
    button -7 "Button 1" at 18 6 45 14
window "NOTE" dialog "Note" size 120 60
  prompt 1 "&Text:" at 4 4 30 10
  entry 2 at 40 4 70 10 picture "@s10"
  button 3 "&Done" at 40 30 40 14
  droplist 4 at 4 44 60 40 format "40L(2)@s10@"
)";

}  // namespace fesk::test
