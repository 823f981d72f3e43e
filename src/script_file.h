// The script file on disk. The script is written to a temporary file beside the file the user
// named and renamed over it only when complete, so that file is always either as it was or the
// whole script: never emptied by a run that stops, never half-written, never a file of the
// user's own that is not an ldsgen script.
#ifndef LDSGEN_SCRIPT_FILE_H_
#define LDSGEN_SCRIPT_FILE_H_

#include <string>

#include "data_file.h"
#include "dialogue.h"

namespace ldsgen {

/// Opens a script to be stored under `name`. A device or a FIFO is written directly. A
/// symbolic link stays, and the file it points to is replaced. Ctrl-C and termination signals
/// remove the temporary file before the program ends.
OpenedScript open_script_file(const std::string& name);

/// The same for a path diagram: it replaces only an SVG that ldsgen drew, and is written as it
/// is, with LF line ends, as the web page saves it.
OpenedScript open_svg_file(const std::string& name);

/// The same for an R script: it replaces only one that ldsgen wrote, with the line ends of a
/// text file, as a script has.
OpenedScript open_lavaan_file(const std::string& name);

/// The beginning of the data file at `path`, for the check of the data against the script: none
/// for a file that is not there or is a device, the reason for one that can't be read.
DataBeginning read_data_beginning(const std::string& path);

/// Opens the null device on any of the standard descriptors 0, 1 and 2 that is closed, so that
/// no file the program opens takes its place and receives its messages.
void open_standard_descriptors();

}  // namespace ldsgen

#endif  // LDSGEN_SCRIPT_FILE_H_
