// Mplus's output of a script ldsgen wrote, read for the estimates its MODEL RESULTS section gives:
// the means, variances and covariances of the initial levels and slopes, the proportional
// changes and the couplings; and from them which model it is and how many occasions it has.
#ifndef LDSGEN_MPLUS_OUTPUT_H_
#define LDSGEN_MPLUS_OUTPUT_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dynamics.h"
#include "model.h"

namespace ldsgen {

/// What an output says.
struct MplusResults {
  Model model;  // the kind, the stems, the change kinds and the couplings its results show
  Estimates values;
  std::int64_t occasions = 0;
  std::vector<std::string> read;     // the keys of the values read
  std::vector<std::string> printed;  // those values as the output prints them
  std::string error;                 // why the output is refused; empty when it is read
};

/// Reads an output a block at a time, keeping only the rows it needs, so that an output with
/// megabytes of technical sections costs little memory.
class OutputReader {
 public:
  /// Text as it comes, in blocks that may end inside a line.
  void text(std::string_view block);
  MplusResults end();

 private:
  void line(std::string_view text);

  struct Row {
    char block;  // 'm' means, 'v' variances, 'w' WITH, 'o' ON
    std::string of, name;
    std::string estimate;  // as printed
  };
  enum class State { kBefore, kIn, kAfter } state_ = State::kBefore;
  char block_ = 0;  // the block the rows belong to; 0 for one not needed
  std::string of_;  // the block's variable, for BY, ON and WITH
  std::string partial_;
  std::vector<Row> rows_;
  std::vector<std::pair<std::string, std::int64_t>> levels_;  // a stem's last occasion
  std::string groups_;  // a line that shows several groups or classes
};

/// The keys of the model's values the output does not give: only variances and covariances can
/// be lacking, as the model is read from the rows that give the others.
std::vector<std::string> lacking(const MplusResults& results);

/// The results of a whole output held in memory.
MplusResults read_mplus_output(std::string_view output);

}  // namespace ldsgen

#endif  // LDSGEN_MPLUS_OUTPUT_H_
