#include "ui/qt/pdf_file.h"

#include <QFile>
#include <QGuiApplication>
#include <QPdfWriter>
#include <cstdio>
#include <optional>

#include "runtime/files/replaced_file.h"
#include "ui/qt/locale_page_size.h"
#include "ui/qt/printed_list_painter.h"

namespace fesk::qt {
namespace {

constexpr qreal kMarginMillimetres = 15;

// Qt's arguments for an application that only draws.
int gArgc = 3;
char gProgram[] = "fesk", gPlatformOption[] = "-platform", gPlatform[] = "offscreen";
char* gArgv[] = {gProgram, gPlatformOption, gPlatform, nullptr};

// An application that only draws is part of no desktop session: what Qt
// says about the session (no runtime directory, no display) is no news for
// the user of a command. Its errors still show.
void onlyQtErrors(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg)
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

// A Qt application for drawing, made where there is none, for as long as it
// is needed.
class DrawingApplication {
 public:
  DrawingApplication() {
    if (QCoreApplication::instance()) return;
    previous_ = qInstallMessageHandler(onlyQtErrors);
    application_.emplace(gArgc, gArgv);
  }
  ~DrawingApplication() {
    if (!application_) return;
    application_.reset();
    qInstallMessageHandler(previous_);
  }

 private:
  std::optional<QGuiApplication> application_;
  QtMessageHandler previous_ = nullptr;
};

}  // namespace

void writePdfFile(const std::string& path, const apprt::PrintedListHeader& header,
                  apprt::PrintedListSource& source) {
  DrawingApplication drawing;

  apprt::ReplacedFile file(path);
  {
    QFile output(QString::fromStdString(file.temporaryPath().string()));
    if (!output.open(QIODevice::WriteOnly))
      throw apprt::PrintError("cannot write " + path + ": " + output.errorString().toStdString());
    QPdfWriter writer(&output);
    writer.setTitle(QString::fromStdString(header.title));
    writer.setCreator(QStringLiteral("fesk"));
    writer.setPageSize(localePageSize());
    writer.setPageMargins(
        QMarginsF(kMarginMillimetres, kMarginMillimetres, kMarginMillimetres, kMarginMillimetres),
        QPageLayout::Millimeter);
    paintPrintedList(writer, header, source);
    if (!output.flush())
      throw apprt::PrintError("cannot write " + path + ": " + output.errorString().toStdString());
  }
  std::string why;
  if (!file.commit(why)) throw apprt::PrintError(why);
}

}  // namespace fesk::qt
