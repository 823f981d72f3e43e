// ldsgen: asks four questions on the console and writes an Mplus script for a latent difference
// score model. Command-line arguments are ignored.
#include <iostream>

#include "console.h"
#include "dialogue.h"
#include "script_file.h"

int main() {
  ldsgen::open_standard_descriptors();
  // Answers are read byte by byte; without stdio's locking per byte a runaway answer of
  // gigabytes is refused in seconds.
  std::ios::sync_with_stdio(false);
  const std::unique_ptr<std::streambuf> console = ldsgen::console_input();
  std::istream in(console ? console.get() : std::cin.rdbuf());
  return ldsgen::run_dialogue(in, std::cout, std::cerr, ldsgen::open_script_file,
                              ldsgen::data_name_for_mplus);
}
