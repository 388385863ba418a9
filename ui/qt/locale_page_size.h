#pragma once
// The paper of the user's locale (LC_PAPER: A4 in most of the world, Letter
// in North America), for pages printed before anyone set a page up.

#include <QPageSize>

namespace fesk::qt {

QPageSize localePageSize();

}  // namespace fesk::qt
