// The path diagram of a script, drawn from the script's own statements as SVG: observed variables
// as squares, latent ones as circles, one-headed arrows for loadings and regressions, two-headed
// ones for variances and covariances, fixed values printed and free parameters named.
#ifndef LDSGEN_PATH_DIAGRAM_H_
#define LDSGEN_PATH_DIAGRAM_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "svg.h"

namespace ldsgen {

/// The stems of a script's two variables' names, in lower case: y and x unless it says otherwise;
/// the second is empty for one variable.
using Stems = std::array<std::string, 2>;

/// Reads a script line by line and keeps only what the diagram shows, so that a script of
/// millions of lines costs no more memory than one of ten.
class DiagramReader {
 public:
  /// One line of the script, without its line end (a trailing CR is ignored).
  void line(std::string_view text);
  /// Text as it comes, in blocks that may end inside a line; end() takes a last line that has
  /// no line end. A line longer than a mebibyte is read only that far.
  void text(std::string_view block);
  void end();
  /// Whether any statement of a MODEL section was understood.
  bool any() const { return !paths_.empty() || last_ > 0; }

  /// The diagram of everything read, with a legend of the parameters' names below it or not.
  std::string svg(bool legend = true) const;

  /// Statements of the MODEL section that the diagram does not know, as written.
  const std::vector<std::string>& unknown() const { return unknown_; }

  /// What a model statement says, reduced to what a diagram draws.
  struct Node {
    char role;              // 'o' observed, 'l' level, 'd' difference, 'i' initial level, 's' slope
    char var;               // 'y' for the first variable, 'x' for the second
    std::int64_t occasion;  // 0 for the initial level and the slope
  };
  struct Param {
    bool fixed = false;
    std::string value;  // a fixed value as written
    std::string label;  // an equality label, without its parentheses
  };
  struct Path {
    enum Kind { kLoading, kRegression, kCovariance, kVariance, kMean } kind;
    Node from, to;  // from = to for variances and means
    Param param;
    bool by_default = false;  // not in the script: a covariance Mplus frees unless told not to
  };

 private:
  void statement(std::string_view text);
  void keep(const Path& path);
  void read_lists(std::string_view text);

  bool in_model_ = false;
  bool in_quote_ = false;  // inside a quoted name that goes on over lines
  bool in_variable_ = false;
  enum class List { kNone, kKeyword, kNames } list_ = List::kNone;  // NAMES ARE ...;
  Stems stems_ = {"y", "x"}, listed_;
  std::string pending_;
  std::string partial_;  // a line that began in an earlier block
  std::vector<Path> paths_;
  std::int64_t last_ = 0;  // the highest occasion named so far
  std::vector<std::string> unknown_;
  std::vector<std::string_view> tokens_;  // kept to reuse their room, statement by statement
  std::vector<Node> nodes_;
  std::vector<Path> parsed_;
};

/// The diagram of a whole script; statements it does not know are added to `unknown`.
std::string path_diagram(std::string_view script, std::vector<std::string>* unknown = nullptr,
                         bool legend = true);

}  // namespace ldsgen

#endif  // LDSGEN_PATH_DIAGRAM_H_
