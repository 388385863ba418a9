// Makes the data directory that the web benchmark serves (kept between runs
// with the other benchmark files) and prints where it is.
#include <iostream>

#include "bench/bench_files.h"

int main() {
  std::cout << fesk::bench::prepareProgramDataSet1M() << "\n";
}
