// The preview of the page's first answers, worked out when the page is built, so that the page
// shows it as soon as it is read: the first lines, the counts and the diagram, as JSON.
// Usage: node ldsgen_prerender.js MODEL DATA OCCASIONS   (run by web/bundle.js)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "json.h"
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
  ldsgen::Json json;
  json.key("head").string(keep.text);
  json.key("lines").number(lines);
  json.key("bytes").number(keep.text.size());
  json.key("svg").string(ldsgen::path_diagram(keep.text));
  std::puts(json.done());
  return 0;
}
