#include "app/output/pdf_module.h"

#include <dlfcn.h>

#include <mutex>

#include "app/start/program_files.h"

namespace fesk {
namespace {

using ModuleWriter = void (*)(const std::string& path, const apprt::PrintedListHeader& header,
                              apprt::PrintedListSource& source);

// The module's writer, or null with the loader's reason in `why`. Loaded for
// good: a program that wrote one PDF may write another.
ModuleWriter moduleWriter(std::string& why) {
  static std::once_flag loaded;
  static ModuleWriter writer = nullptr;
  static std::string failure;
  std::call_once(loaded, [] {
    const std::string file = pdfModuleFile().string();
    void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module) writer = reinterpret_cast<ModuleWriter>(dlsym(module, "feskWritePdfFile"));
    if (writer) return;
    const char* error = dlerror();
    failure = error ? error : "no PDF writer in " + file;
  });
  why = failure;
  return writer;
}

}  // namespace

void writePdfThroughModule(const std::string& path, const apprt::PrintedListHeader& header,
                           apprt::PrintedListSource& source) {
  std::string why;
  const ModuleWriter writer = moduleWriter(why);
  if (!writer)
    throw apprt::PrintError("PDF files cannot be written (the installation is incomplete: " + why +
                            ")");
  writer(path, header, source);
}

}  // namespace fesk
