#pragma once
// The properties of a view (runtime/files/file_view.h). They are numbered
// among the window and control properties, whose ranges list them too, but
// only the file layer reads them, so that a driver never needs the window
// vocabulary.

namespace apprt {

inline constexpr int kPropViewFilter = 31928;
inline constexpr int kPropViewSqlFilter = 29217;
inline constexpr int kPropViewOrder = 31974;

}  // namespace apprt
