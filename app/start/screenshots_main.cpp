// The screenshot tour of the real program: prepares a data directory with 40
// FESK1 records (the first with three FESK2 records), runs fesk on the
// desktop and leaves a PNG of each of its windows.
//
//   fesk_screenshots OUTDIR [DATADIR]

#include <filesystem>
#include <iostream>
#include <string>

#include "app/data_sets/data_set.h"
#include "app/start/program_entry.h"
#include "data/data_files.h"
#include "runtime/files/data_directory.h"
#include "ui/qt/screenshots/screenshot_tour.h"

namespace {

constexpr const char* kNames[] = {
    "Anna",  "Bruno", "Chloé", "Dmitri", "Eva",   "Frank", "Greta", "Hiro", "Inès", "Jon",
    "Kasia", "Lars",  "Mia",   "Nils",   "Olga",  "Pedro", "Quinn", "Rosa", "Sven", "Tomás",
    "Ulla",  "Vera",  "Wim",   "Xenia",  "Yusuf", "Zoë",   "Arne",  "Bea",  "Carl", "Dora",
    "Emil",  "Fiona", "Gus",   "Hanna",  "Ivo",   "Jana",  "Karl",  "Lena", "Mats", "Nora"};

void seed() {
  fesk::bindDataFiles(fesk::dataSetDriver());
  for (auto* file : {static_cast<const apprt::FileDeclaration*>(&fesk::FESK1),
                     static_cast<const apprt::FileDeclaration*>(&fesk::FESK2)}) {
    file->create();
    file->open(apprt::kOpenSharedReadWrite);
  }
  int number = 1;
  for (const char* name : kNames) {
    char code[8];
    std::snprintf(code, sizeof code, "C%03d", number++);
    fesk::FESK1.clear();
    fesk::FESK1.buffer().CODE = code;
    fesk::FESK1.buffer().NAME = name;
    fesk::FESK1.add();
  }
  for (const char* value : {"4711", "8080", "31415"}) {
    fesk::FESK2.clear();
    fesk::FESK2.buffer().CODE = "C001";
    fesk::FESK2.buffer().NUMBER = value;
    fesk::FESK2.add();
  }
  fesk::FESK1.close();
  fesk::FESK2.close();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: fesk_screenshots OUTDIR [DATADIR]\n";
    return 2;
  }
  std::string out = argv[1];
  std::filesystem::path data = argc > 2 ? std::filesystem::path(argv[2])
                                        : std::filesystem::temp_directory_path() /
                                              ("fesk-screenshots-" + std::to_string(getpid()));
  std::filesystem::remove_all(data);
  std::string why;
  if (!apprt::setDataDirectory(data, &why)) {
    std::cerr << "fesk_screenshots: " << why << "\n";
    return 2;
  }
  seed();
  int code = fesk::ProgramEntry([&](apprt::Procedure first) {
    return fesk::qt::takeScreenshots(argc, argv, std::move(first), out);
  });
  std::filesystem::remove_all(data);
  return code;
}
