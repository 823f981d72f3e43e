#include "test_support.h"

#include <algorithm>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <stdexcept>

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

std::vector<Box> boxes(const std::string& svg) {
  std::vector<Box> out;
  const std::regex rect(
      "<rect class=\"observed\" x=\"([-.0-9]+)\" y=\"([-.0-9]+)\" width=\"([.0-9]+)\"");
  const std::regex circle(
      "<circle class=\"latent\" cx=\"([-.0-9]+)\" cy=\"([-.0-9]+)\" r=\"([.0-9]+)\"");
  const std::regex text(
      "<text class=\"(label [a-z]+|ellipsis)\" x=\"([-.0-9]+)\" y=\"([-.0-9]+)\" "
      "text-anchor=\"([a-z]+)\">([^<]*)</text>");
  for (const std::string& line : lines(svg)) {
    std::smatch m;
    if (std::regex_search(line, m, rect)) {
      const double x = std::stod(m[1]), y = std::stod(m[2]), s = std::stod(m[3]);
      out.push_back({x, y, x + s, y + s, line});
    } else if (std::regex_search(line, m, circle)) {
      const double x = std::stod(m[1]), y = std::stod(m[2]), r = std::stod(m[3]);
      out.push_back({x - r, y - r, x + r, y + r, line});
    } else if (std::regex_search(line, m, text)) {
      const std::string s = m[5];
      const double width = 7.2 * static_cast<double>(std::count_if(s.begin(), s.end(), [](char c) {
                             return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
                           }));
      double x = std::stod(m[2]);
      const double y = std::stod(m[3]);
      if (m[4] == "middle") x -= width / 2;
      if (m[4] == "end") x -= width;
      out.push_back({x, y - 9, x + width, y + 3, line});
    }
  }
  return out;
}

std::vector<Segment> segments(const std::string& d) {
  std::vector<Segment> out;
  std::istringstream in(d);
  std::string op;
  double x = 0, y = 0;
  while (in >> op) {
    if (op == "M") {
      in >> x >> y;
    } else if (op == "L") {
      double a, b;
      in >> a >> b;
      out.push_back({x, y, a, b});
      x = a, y = b;
    } else if (op == "Q" || op == "C") {
      std::vector<double> p = {x, y};
      for (int k = 0; k < (op == "Q" ? 4 : 6); ++k) p.push_back(0), in >> p.back();
      const std::size_t n = p.size() / 2;
      for (int step = 1; step <= 24; ++step) {
        const double t = step / 24.0;
        std::vector<double> q = p;  // de Casteljau
        for (std::size_t level = 1; level < n; ++level)
          for (std::size_t k = 0; k + level < n; ++k)
            for (int c = 0; c < 2; ++c)
              q[2 * k + c] = (1 - t) * q[2 * k + c] + t * q[2 * k + 2 + c];
        out.push_back({x, y, q[0], q[1]});
        x = q[0], y = q[1];
      }
    }
  }
  return out;
}

bool meets(const Segment& s, const Box& b) {
  double t0 = 0, t1 = 1;
  const double dx = s.x2 - s.x1, dy = s.y2 - s.y1;
  const double p[] = {-dx, dx, -dy, dy};
  const double q[] = {s.x1 - b.left, b.right - s.x1, s.y1 - b.top, b.bottom - s.y1};
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0) {
      if (q[k] < 0) return false;
    } else {
      const double r = q[k] / p[k];
      if (p[k] < 0) t0 = std::max(t0, r);
      if (p[k] > 0) t1 = std::min(t1, r);
    }
  }
  return t0 <= t1;
}

Model with_options(std::initializer_list<std::pair<const char*, const char*>> options,
                   ModelKind kind) {
  Model model(kind);
  // Thrown, not asserted: the fuzzer links this file without GoogleTest, which reports an
  // exception as the test's failure.
  for (const auto& [name, value] : options) {
    if (std::string problem = set_model_option(&model, name, value); !problem.empty())
      throw std::invalid_argument(problem);
  }
  return model;
}

}  // namespace ldsgen::testing
