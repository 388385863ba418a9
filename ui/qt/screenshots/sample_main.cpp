// The screenshot tour over the sample program of the Qt tests: 40 records,
// three FESK2 records for the first. Usage: fesk_qt_screenshots OUTDIR
#include <iostream>

#include "tests/qt/sample_program.h"
#include "ui/qt/screenshots/screenshot_tour.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: fesk_qt_screenshots OUTDIR\n";
    return 2;
  }
  std::string out = argv[1];
  fesk::qt::sample::fill(40, 3);
  return fesk::qt::takeScreenshots(argc, argv, fesk::qt::sample::MainFrame, out);
}
