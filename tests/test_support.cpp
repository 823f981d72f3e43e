#include "test_support.h"

#include <algorithm>
#include <fstream>
#include <memory>

#include "dialogue.h"

namespace ldsgen::testing {

bool MemoryFile::write(const char* data, std::size_t size) {
  ++writes_;
  const std::size_t taken = std::min(capacity_ - text_.size(), size);
  text_.append(data, taken);
  return taken == size;
}

bool MemoryFile::flush() {
  flushed_sizes_.push_back(text_.size());
  return true;
}

Outcome run(const std::string& input, std::size_t capacity, const std::vector<std::string>& foreign,
            std::optional<std::uint64_t> free_space) {
  Outcome result;
  MemoryFile file(capacity);
  std::istringstream in(input);
  std::ostringstream out, err;
  DialogueSetup setup;
  setup.quiet = true;  // the line that says what was written has tests of its own
  setup.create = [&](const std::string& name) {
    OpenedScript opened;
    if (std::find(foreign.begin(), foreign.end(), name) != foreign.end()) {
      opened.status = OpenedScript::kNotAScript;
      return opened;
    }
    result.script_name = name;
    opened.status = OpenedScript::kOpened;
    opened.file = std::make_unique<MemoryScript>(&file, &result.committed, free_space);
    return opened;
  };
  result.status = run_dialogue(in, out, err, setup);
  result.console = out.str();
  result.errors = err.str();
  result.script = file.text();
  result.flushed_sizes = file.flushed_sizes();
  result.writes = file.writes();
  return result;
}

std::string model_body(const std::string& script) {
  const std::string heading = "MODEL:\n";
  std::size_t begin = script.find(heading);
  std::size_t end = script.rfind("OUTPUT:  TECH1 TECH4;\n");
  if (begin == std::string::npos || end == std::string::npos) return "(no MODEL body)";
  begin += heading.size();
  return script.substr(begin, end - begin);
}

std::string golden(const std::string& name) {
  std::ifstream file(std::string(LDSGEN_GOLDEN_DIR) + "/" + name, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

}  // namespace ldsgen::testing
