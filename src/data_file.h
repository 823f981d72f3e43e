// The data file, read as Mplus reads free-format data: values separated by blanks, tabs and
// commas, poured value by value into cases of as many values as the script names. A file with
// an ID column, a header line or a column more is no error to Mplus: it is read wrongly and the
// results look plausible. The check reads the file's beginning and says what would go wrong.
#ifndef LDSGEN_DATA_FILE_H_
#define LDSGEN_DATA_FILE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model.h"

namespace ldsgen {

/// How much of a data file is read: its first mebibyte, and of that its first 1,000 lines.
constexpr std::size_t kDataBytes = 1 << 20;
constexpr std::size_t kDataLines = 1000;

/// The beginning of a data file as the front end found it.
struct DataBeginning {
  enum Status { kAbsent, kUnreadable, kRead } status = kAbsent;
  std::string text;    // at most kDataBytes
  bool whole = false;  // the text is the whole file, so its last line is not cut
  std::string why;     // when kUnreadable: the system's reason
};

/// What the check saw, for the page to show the file and propose names for its columns.
struct DataSample {
  std::vector<std::vector<std::string>> rows;  // the first lines' values, a header included
  bool header = false;                         // the first line holds names, not numbers
  std::size_t columns = 0;                     // values on the first line of data
  std::string missing_code;  // a value that looks like a missing-value code; empty if none
  std::vector<std::string> warnings;
};

/// Checks a data file's beginning against the script of this model at this count. A file that
/// is absent draws nothing; one that can't be read draws one warning.
DataSample check_data(const DataBeginning& data, const Model& model, std::int64_t occasions);

/// Where Mplus looks for the data file a script names: beside the script, unless the name is a
/// full path. Quotes around the name are not part of it.
std::string data_path(std::string_view script, std::string_view data);

/// A column as the page proposes it: the name the script gives it, and what it is to the model.
struct ProposedColumn {
  enum Role { kUnused, kId, kObserved } role = kUnused;
  std::string name;
};
/// Names and roles for the sample's columns: from its header where it has one (the model's names
/// where they match, the ID by its name, the rest under names Mplus can take), else in order.
std::vector<ProposedColumn> propose_columns(const DataSample& sample, const Model& model,
                                            std::int64_t occasions);

}  // namespace ldsgen

#endif  // LDSGEN_DATA_FILE_H_
