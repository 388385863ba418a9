#pragma once
// Runs a piece of test code as the first procedure of a program run with the
// headless front-end, so that it may show message boxes, and tells what the
// user saw and how the run ended.

#include <functional>
#include <string>
#include <vector>

#include "runtime/threads/program.h"
#include "ui/headless/headless_frontend.h"

namespace fesk::test {

struct ProgramOutcome {
  std::vector<headless::ShownMessageBox> boxes;
  std::vector<std::string> unanswered;  // boxes that found no queued answer
  bool bodyFinished = false;            // false when the run halted inside the body
  int exitCode = -1;
  std::string haltMessage;
};

// `answers` are the buttons pressed, in order, for the boxes the body shows;
// `transcript` sees each line of the transcript as it happens.
inline ProgramOutcome runInProgram(const std::function<void()>& body,
                                   const std::vector<int>& answers = {},
                                   std::function<void(const std::string&)> transcript = {}) {
  headless::HeadlessFrontEnd frontEnd(std::move(transcript));
  for (int answer : answers) frontEnd.answer(answer);
  ProgramOutcome outcome;
  {
    apprt::ProgramRun run(frontEnd);
    run.start([&] {
      body();
      outcome.bodyFinished = true;
    });
    outcome.exitCode = run.wait();
    outcome.haltMessage = run.haltMessage();
  }
  outcome.boxes = frontEnd.messageBoxes();
  outcome.unanswered = frontEnd.errors();
  return outcome;
}

}  // namespace fesk::test
