#include "ui/qt/locale_page_size.h"

#include <langinfo.h>
#include <locale.h>

#include <QLocale>
#include <cstdint>

namespace fesk::qt {

QPageSize localePageSize() {
#ifdef _NL_PAPER_WIDTH
  // The C library's own locale data, read without changing the process's
  // locale (other threads may be using it).
  if (locale_t paper = newlocale(LC_PAPER_MASK, "", static_cast<locale_t>(0))) {
    const auto width =
        static_cast<int>(reinterpret_cast<std::intptr_t>(nl_langinfo_l(_NL_PAPER_WIDTH, paper)));
    const auto height =
        static_cast<int>(reinterpret_cast<std::intptr_t>(nl_langinfo_l(_NL_PAPER_HEIGHT, paper)));
    freelocale(paper);
    if (width > 0 && height > 0) {
      const QSizeF size(width, height);
      const QPageSize::PageSizeId id =
          QPageSize::id(size, QPageSize::Millimeter, QPageSize::FuzzyMatch);
      return id == QPageSize::Custom ? QPageSize(size, QPageSize::Millimeter) : QPageSize(id);
    }
  }
#endif
  // A locale the C library does not have installed: its country decides.
  return QPageSize(QLocale::system().measurementSystem() == QLocale::ImperialUSSystem
                       ? QPageSize::Letter
                       : QPageSize::A4);
}

}  // namespace fesk::qt
