#pragma once

namespace fesk {

// The application frame: menus, tool bar, and "&fesk", which starts one more
// browse window over FESK1 in a thread of its own. The program ends with it.
void AppFrame();

}  // namespace fesk
