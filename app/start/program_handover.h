#pragma once
// Two programs make fesk: the command program (`fesk`, command_main.cpp)
// runs the commands that do without the windowing toolkit and scripted runs,
// and loads none of it until it writes a PDF (pdf_module.h), so that they
// start at once; the whole program (`fesk-ui`, main.cpp) has every
// front-end, serve and PDF pages. The command program hands every other start
// to the whole one, the same process and arguments.

namespace fesk {

// Becomes the whole program on `argv`. Returns only when it cannot be
// started, having said why; the answer is then the exit status.
int handOverToWholeProgram(char** argv);

}  // namespace fesk
