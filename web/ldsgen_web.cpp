// The web page's entry points into the core, called from the page's worker. Every rule about
// answers and scripts is the core's; this only hands answers in and text and blocks out.
#include <emscripten.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string>
#include <vector>

#include "answers.h"
#include "data_file.h"
#include "dynamics.h"
#include "json.h"
#include "lavaan_writer.h"
#include "model.h"
#include "mplus_output.h"
#include "path_diagram.h"
#include "script.h"
#include "script_size.h"
#include "script_writer.h"

namespace {

using ldsgen::FileRole;

// Larger scripts than this take the console program: a browser tab holds a download in memory.
constexpr std::int32_t kMaxWebOccasions = 1000000;
constexpr std::size_t kPreviewLines = 300;
// A column's roles are offered in a list: beyond this many it would not be one anyone reads.
constexpr std::int64_t kMostRoles = 2000;

// The answers as the core takes them, kept between the calls of one request.
struct Answers {
  std::string script_name, data_name;
  ldsgen::Model model;
  std::int32_t occasions = 0;
  bool ok = false;
} g_answers;

// The model options as the page gives them: NAME=VALUE, one to a line, with the console's names
// for them. Why they are refused; empty when they are taken.
std::string read_model_options(std::string_view text, ldsgen::Model* model) {
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view option = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    const std::size_t equals = option.find('=');
    if (option.empty()) continue;
    std::string problem = ldsgen::set_model_option(
        model, option.substr(0, equals),
        equals == std::string_view::npos ? std::string_view("") : option.substr(equals + 1));
    if (!problem.empty()) return problem;
  }
  return ldsgen::model_problem(*model);
}

std::string g_result;

// Hands the writer's blocks to the page, with CR LF line ends where the user chose them.
class PageSink : public ldsgen::Sink {
 public:
  explicit PageSink(bool crlf) : crlf_(crlf) {}
  bool write(const char* data, std::size_t size) override;

 private:
  bool crlf_;
  std::string expanded_;
};

}  // namespace

EM_JS(void, ldsgen_block, (const char* data, std::size_t size),
      { Module.onBlock(HEAPU8.subarray(data, data + size)); });

// The first lines go to the page at once: a large script takes seconds to count and draw; and
// the page hears how far it has got, so that it can tell a long preview from a worker that hangs.
EM_JS(void, ldsgen_head, (const char* text), { Module.onHead(UTF8ToString(text)); });
EM_JS(void, ldsgen_progress, (double bytes), { Module.onProgress(bytes); });

bool PageSink::write(const char* data, std::size_t size) {
  if (!crlf_) {
    ldsgen_block(data, size);
    return true;
  }
  expanded_.clear();
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') expanded_ += '\r';
    expanded_ += data[i];
  }
  ldsgen_block(expanded_.data(), expanded_.size());
  return true;
}

namespace {

// Keeps the first lines of a script for the preview, feeds every line to the diagram, and
// counts lines and bytes.
class PreviewSink : public ldsgen::Sink {
 public:
  std::string head;
  std::uint64_t lines = 0, bytes = 0;
  ldsgen::DiagramReader diagram;

  bool write(const char* data, std::size_t size) override {
    bytes += size;
    if (bytes - reported_ >= 16 << 20) ldsgen_progress(static_cast<double>(reported_ = bytes));
    const std::string_view block(data, size);
    diagram.text(block);
    lines += static_cast<std::uint64_t>(std::count(block.begin(), block.end(), '\n'));
    // The head: the first lines, whole, for the page to show at once.
    for (std::size_t at = 0; head_lines_ < kPreviewLines && at < block.size();) {
      const std::size_t end = block.find('\n', at);
      if (end == std::string_view::npos) {
        head.append(block.substr(at));
        break;
      }
      head.append(block.substr(at, end + 1 - at));
      if (++head_lines_ == kPreviewLines) ldsgen_head(head.c_str());
      at = end + 1;
    }
    return true;
  }

 private:
  std::uint64_t reported_ = 0;
  std::size_t head_lines_ = 0;
};

}  // namespace

extern "C" {

/// Checks the four answers. Returns JSON: a problem for each field (empty when it is taken),
/// the warnings, the file name to save under, whether a script can be written and its size.
EMSCRIPTEN_KEEPALIVE const char* ldsgen_check(const char* script_field, int model,
                                              const char* data_field, const char* occasions_field,
                                              int crlf, const char* model_options) {
  const ldsgen::FileName script = ldsgen::file_name_field(script_field, FileRole::kScript);
  const ldsgen::FileName data = ldsgen::file_name_field(data_field, FileRole::kData);
  ldsgen::Occasions occasions = ldsgen::occasions_field(occasions_field);
  ldsgen::Model chosen(model == 1 ? ldsgen::ModelKind::Bivariate : ldsgen::ModelKind::Univariate);
  std::string options = read_model_options(model_options, &chosen);
  if (options.empty() && occasions.problem.empty())
    options = ldsgen::model_count_problem(chosen, occasions.value);
  std::vector<std::string> warnings;
  if (data.problem.empty()) warnings = ldsgen::data_name_warnings(data.name);
  if (occasions.problem.empty()) {
    if (occasions.value > kMaxWebOccasions) {
      occasions.problem =
          "the page writes scripts of up to 1000000 occasions: for more, use the "
          "ldsgen console program";
    } else {
      for (std::string& w : ldsgen::occasions_warnings(chosen, occasions.value))
        warnings.push_back(std::move(w));
    }
  }
  g_answers = {script.name, data.name, chosen, occasions.value,
               script.problem.empty() && data.problem.empty() && occasions.problem.empty() &&
                   options.empty()};
  ldsgen::Json json;
  json.key("script").string(script.problem);
  json.key("data").string(data.problem);
  json.key("occasions").string(occasions.problem);
  json.key("options").string(options);
  json.key("warnings").strings(warnings);
  json.key("name").string(script.name);
  json.key("ok").number(g_answers.ok);
  if (g_answers.ok) {
    // The size is known before a byte is written, so that Copy can refuse a script too large.
    const ldsgen::ScriptSize size =
        ldsgen::script_size(g_answers.model, g_answers.data_name, g_answers.occasions);
    json.key("bytes").number(size.bytes + (crlf ? size.lines : 0));
  }
  g_result = json.done();
  return g_result.c_str();
}

/// The preview of the answers last checked: the first lines, the counts and the path diagram,
/// with its legend or without.
EMSCRIPTEN_KEEPALIVE const char* ldsgen_preview(int legend) {
  PreviewSink buf;
  {
    ldsgen::ScriptWriter w(buf);
    ldsgen::write_script(w, g_answers.model, g_answers.data_name, g_answers.occasions);
    w.flush();
  }
  ldsgen::Json json;
  json.key("head").string(buf.head);
  json.key("lines").number(buf.lines);
  json.key("bytes").number(buf.bytes);
  json.key("svg").string(buf.diagram.svg(legend != 0));
  json.key("unknown").strings(buf.diagram.unknown());
  g_result = json.done();
  return g_result.c_str();
}

/// The most of a data file the page reads for its check, in bytes.
EMSCRIPTEN_KEEPALIVE double ldsgen_data_bytes() {
  return static_cast<double>(ldsgen::kDataBytes);
}

/// Checks a data file's beginning (`whole` when it is all of it) against the script of the
/// answers last checked. Returns JSON: the first rows, whether the first is a header, the
/// columns of data, a likely missing-value code, the warnings, and a name and role proposed for
/// each column (with the model's observed names to choose from).
EMSCRIPTEN_KEEPALIVE const char* ldsgen_inspect(const char* text, int whole) {
  ldsgen::DataBeginning data;
  data.status = ldsgen::DataBeginning::kRead;
  data.text = text;
  data.whole = whole != 0;
  const std::int64_t occasions = std::max<std::int32_t>(g_answers.occasions, 1);
  const ldsgen::DataSample sample = ldsgen::check_data(data, g_answers.model, occasions);
  ldsgen::Json json;
  json.key("rows").raw("[");
  for (std::size_t k = 0; k < sample.rows.size(); ++k) {
    if (k > 0) json.raw(",");
    json.strings(sample.rows[k]);
  }
  json.raw("]");
  json.key("header").number(sample.header);
  json.key("columns").number(sample.columns);
  json.key("missing").string(sample.missing_code);
  json.key("warnings").strings(sample.warnings);
  std::vector<std::string> names, roles;
  for (const ldsgen::ProposedColumn& c :
       ldsgen::propose_columns(sample, g_answers.model, occasions)) {
    names.push_back(c.name);
    roles.push_back(c.role == ldsgen::ProposedColumn::kId         ? "id"
                    : c.role == ldsgen::ProposedColumn::kObserved ? "observed"
                                                                  : "unused");
  }
  json.key("names").strings(names);
  json.key("roles").strings(roles);
  // The roles a column can take: the model's observed variables, as many as a table can offer.
  std::vector<std::string> observed;
  for (std::int64_t k = 0;
       k < std::min<std::int64_t>(ldsgen::observed_count(g_answers.model, occasions), kMostRoles);
       ++k)
    observed.push_back(ldsgen::observed_name(g_answers.model, k, occasions));
  json.key("observed").strings(observed);
  g_result = json.done();
  return g_result.c_str();
}

/// What the values typed (KEY=VALUE, one to a line) say about the change of the model of the
/// answers last checked. Returns JSON: the model's keys and their meanings, the values its
/// starting values give, why a value is refused, those the levels lack, and, when none is
/// lacking, the words on the equilibrium, the trajectory table and the figure.
EMSCRIPTEN_KEEPALIVE const char* ldsgen_dynamics(const char* typed) {
  const ldsgen::Model& model = g_answers.model;
  ldsgen::Estimates values;
  std::string problem;
  for (std::string_view text = typed; !text.empty();) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    const std::size_t equals = line.find('=');
    if (line.empty() || equals == std::string_view::npos) continue;
    const std::string why =
        ldsgen::set_estimate(&values, line.substr(0, equals), line.substr(equals + 1));
    if (problem.empty()) problem = why;
  }
  const std::vector<std::string> keys = ldsgen::estimate_keys(model);
  std::vector<std::string> meanings, start_keys, start_values;
  for (const std::string& key : keys) meanings.push_back(ldsgen::estimate_meaning(model, key));
  for (const auto& [key, value] : ldsgen::starting_estimates(model)) {
    start_keys.push_back(key);
    start_values.push_back(value);
  }
  const std::vector<std::string> missing = ldsgen::missing_estimates(model, values);
  ldsgen::Json json;
  json.key("keys").strings(keys);
  json.key("meanings").strings(meanings);
  json.key("startKeys").strings(start_keys);
  json.key("startValues").strings(start_values);
  json.key("problem").string(problem);
  json.key("missing").string(missing.empty() ? "" : ldsgen::meanings(model, missing));
  if (problem.empty()) problem = ldsgen::dynamics_count_problem(g_answers.occasions);
  if (missing.empty() && problem.empty() && g_answers.ok) {
    const ldsgen::Trajectory t = ldsgen::trajectory(model, values, g_answers.occasions);
    json.key("regime").string(ldsgen::regime(model, values));
    json.key("csv").string(ldsgen::trajectory_csv(model, t));
    json.key("svg").string(ldsgen::dynamics_svg(model, values, t));
  }
  g_result = json.done();
  return g_result.c_str();
}

namespace {
ldsgen::OutputReader g_output;
}  // namespace

/// Reads an Mplus output a block at a time: the text of each block, then the end.
EMSCRIPTEN_KEEPALIVE void ldsgen_output_text(const char* block) {
  g_output.text(block);
}

/// What the output read says. Returns JSON: why it is refused, the model as options by the
/// console's names (NAME=VALUE lines), the count of occasions, and the values read by key.
EMSCRIPTEN_KEEPALIVE const char* ldsgen_output_end() {
  const ldsgen::MplusResults r = g_output.end();
  g_output = ldsgen::OutputReader();
  ldsgen::Json json;
  json.key("error").string(r.error);
  if (r.error.empty()) {
    const ldsgen::Model& m = r.model;
    const char* changes[] = {"dual", "proportional", "constant", "none"};
    const char* couplings[] = {"both", "y-to-x", "x-to-y", "none"};
    json.key("bivariate").number(m.kind == ldsgen::ModelKind::Bivariate);
    json.key("yName").string(m.y_name);
    json.key("xName").string(m.x_name);
    json.key("yChange").string(changes[static_cast<int>(m.y_change)]);
    json.key("xChange").string(changes[static_cast<int>(m.x_change)]);
    json.key("coupling").string(couplings[static_cast<int>(m.coupling)]);
    json.key("occasions").number(static_cast<std::uint64_t>(r.occasions));
    json.key("read").strings(r.read);
    json.key("values").strings(r.printed);
    json.key("said").string(ldsgen::meanings(m, r.read));
    json.key("lacking").string(ldsgen::meanings(m, ldsgen::lacking(r)));
  }
  g_result = json.done();
  return g_result.c_str();
}

/// Writes the script of the answers last checked, block by block, to Module.onBlock.
EMSCRIPTEN_KEEPALIVE void ldsgen_write(int crlf) {
  PageSink buf(crlf != 0);
  ldsgen::ScriptWriter w(buf);
  ldsgen::write_script(w, g_answers.model, g_answers.data_name, g_answers.occasions);
  w.flush();
}

/// Writes the R script (lavaan) of the answers last checked, block by block, to Module.onBlock.
EMSCRIPTEN_KEEPALIVE void ldsgen_write_lavaan(int crlf) {
  PageSink buf(crlf != 0);
  ldsgen::ScriptWriter w(buf);
  ldsgen::write_lavaan_script(w, g_answers.model, g_answers.data_name, g_answers.occasions);
  w.flush();
}

}  // extern "C"
