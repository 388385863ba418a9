#pragma once
// A small window used to drive the runtime through the headless front-end.

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
)";

}  // namespace fesk::test
