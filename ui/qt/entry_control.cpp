#include "ui/qt/entry_control.h"

#include <QApplication>
#include <QScopedValueRollback>
#include <QValidator>
#include <algorithm>

namespace fesk::qt {
namespace {

// Refuses the characters that would make the text longer than the limit, as
// the field could not store them: a key typed into a full entry is refused
// whole, a paste keeps what fits. Characters are counted as the runtime
// counts them (code points, so a character outside the basic plane is one,
// not its two UTF-16 halves).
class CharacterLimitValidator : public QValidator {
 public:
  // `before`: the entry's text before the edit that is checked.
  CharacterLimitValidator(size_t maxCharacters, const QString& before, QObject* parent)
      : QValidator(parent), max_(maxCharacters), before_(before) {}
  State validate(QString& input, int& position) const override {
    QList<uint> characters = input.toUcs4();
    const auto count = static_cast<size_t>(characters.size());
    if (count <= max_) return Acceptable;
    QApplication::beep();
    // What was just typed or pasted stands before the cursor: its end goes.
    const auto cursor = static_cast<size_t>(QStringView(input).left(position).toUcs4().size());
    const size_t excess = count - max_;
    if (cursor < excess) return Invalid;
    characters.remove(static_cast<qsizetype>(cursor - excess), static_cast<qsizetype>(excess));
    const QString kept = QString::fromUcs4(
        reinterpret_cast<const char32_t*>(characters.constData()), characters.size());
    if (kept == before_) return Invalid;  // nothing of the edit fits: undone, unreported
    position -= static_cast<int>(input.size() - kept.size());
    input = kept;
    return Acceptable;
  }

 private:
  size_t max_;
  const QString& before_;
};

constexpr size_t kMaxPendingEchoes = 256;

}  // namespace

EntryControl::EntryControl(QWidget* parent) : QLineEdit(parent) {
  // Any change but the runtime's own is reported: typing, and also text set
  // through an assistive technology's editable-text interface, which edits
  // without key presses.
  connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
    shown_ = text;
    if (showingRuntimeValue_) return;
    sent_.push_back(text);
    if (sent_.size() > kMaxPendingEchoes) sent_.pop_front();
    emit typed(text);
  });
}

void EntryControl::setPicture(const std::string& picture) {
  picture_ = apprt::Picture::parse(picture);
  delete validator();
  setValidator(picture_ ? new CharacterLimitValidator(picture_->maxCharacters(), shown_, this)
                        : nullptr);
}

void EntryControl::showRuntimeValue(const std::string& value) {
  const QString raw = QString::fromStdString(value);
  auto echo = std::find(sent_.begin(), sent_.end(), raw);
  if (echo != sent_.end()) {
    sent_.erase(sent_.begin(), echo + 1);
    if (!sent_.empty() || raw == text()) return;
  }
  sent_.clear();
  const QString shown = picture_ ? QString::fromStdString(picture_->formatForDisplay(value)) : raw;
  if (shown == text()) return;
  const QScopedValueRollback<bool> fromTheRuntime(showingRuntimeValue_, true);
  setText(shown);
}

}  // namespace fesk::qt
