// The preview of the page's first answers, worked out when the page is built, so that the page
// shows it as soon as it is read: the first lines, the counts and the diagram, as JSON.
// Usage: node ldsgen_prerender.js MODEL DATA OCCASIONS   (run by web/bundle.js)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "model.h"
#include "path_diagram.h"
#include "script.h"
#include "script_writer.h"

namespace {

class Keep : public ldsgen::Sink {
 public:
  std::string text;
  bool write(const char* data, std::size_t size) override {
    text.append(data, size);
    return true;
  }
};

std::string json_string(const std::string& s) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + '"';
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  const ldsgen::Model model(std::atoi(argv[1]) == 1 ? ldsgen::ModelKind::Bivariate
                                                     : ldsgen::ModelKind::Univariate);
  Keep keep;
  {
    ldsgen::ScriptWriter w(keep);
    ldsgen::write_script(w, model, argv[2], std::atoi(argv[3]));
    w.flush();
  }
  std::size_t lines = 0;
  for (char c : keep.text) lines += c == '\n';
  const std::string out = "{\"head\":" + json_string(keep.text) +
                          ",\"lines\":" + std::to_string(lines) +
                          ",\"bytes\":" + std::to_string(keep.text.size()) +
                          ",\"svg\":" + json_string(ldsgen::path_diagram(keep.text)) + "}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}
