#include "ui/qt/entry_control.h"

#include <QScopedValueRollback>
#include <QValidator>
#include <algorithm>

namespace fesk::qt {
namespace {

// Refuses an edit that would make the text longer than the limit in
// characters. Characters are counted as the runtime counts them (code points,
// so a character outside the basic plane is one, not its two UTF-16 halves).
class CharacterLimitValidator : public QValidator {
 public:
  CharacterLimitValidator(size_t maxCharacters, QObject* parent)
      : QValidator(parent), max_(maxCharacters) {}
  State validate(QString& input, int&) const override {
    return static_cast<size_t>(input.toUcs4().size()) <= max_ ? Acceptable : Invalid;
  }

 private:
  size_t max_;
};

constexpr size_t kMaxPendingEchoes = 256;

}  // namespace

EntryControl::EntryControl(QWidget* parent) : QLineEdit(parent) {
  // Any change but the runtime's own is reported: typing, and also text set
  // through an assistive technology's editable-text interface, which edits
  // without key presses.
  connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (showingRuntimeValue_) return;
    sent_.push_back(text);
    if (sent_.size() > kMaxPendingEchoes) sent_.pop_front();
    emit typed(text);
  });
}

void EntryControl::setPicture(const std::string& picture) {
  picture_ = apprt::Picture::parse(picture);
  delete validator();
  setValidator(picture_ ? new CharacterLimitValidator(picture_->maxCharacters(), this) : nullptr);
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
