// ldsgen: asks four questions on the console and writes an Mplus script for a latent difference
// score model. Command-line arguments are ignored.
#include <iostream>

#include "dialogue.h"
#include "script_writer.h"

int main() {
  return ldsgen::run_dialogue(std::cin, std::cout, std::cerr, ldsgen::create_script_file);
}
