#include "ui/qt/mnemonics.h"

namespace fesk::qt {
namespace {

// Index of the mnemonic character, or -1.
qsizetype mnemonicIndex(const QString& text) {
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != u'&') continue;
    if (text[i + 1] == u'&') {
      ++i;
      continue;
    }
    return i + 1;
  }
  return -1;
}

}  // namespace

int mnemonicKey(const QString& text) {
  qsizetype i = mnemonicIndex(text);
  if (i < 0) return 0;
  QChar c = text[i].toUpper();
  return (c.isLetterOrNumber() && c.unicode() < 128) ? c.unicode() : 0;
}

QString mnemonicRichText(const QString& text) {
  const qsizetype mnemonic = mnemonicIndex(text);
  QString html;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;  // a mark, or the first of "&&"
    QString c = QString(text[i]).toHtmlEscaped();
    html += i == mnemonic ? "<u>" + c + "</u>" : c;
  }
  return html;
}

QString withoutMnemonic(const QString& text) {
  QString plain;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;
    plain += text[i];
  }
  return plain;
}

}  // namespace fesk::qt
