// What the console program needs from the system beyond the script file: input as UTF-8
// whatever the console's code page, and the data file's name as Mplus opens it.
#ifndef LDSGEN_CONSOLE_H_
#define LDSGEN_CONSOLE_H_

#include <memory>
#include <streambuf>
#include <string>
#include <vector>

namespace ldsgen {

/// The command line's arguments after the program's name, as UTF-8 (on Windows from its wide
/// command line, whatever the code page).
std::vector<std::string> arguments(int argc, char** argv);

/// Makes standard output take bytes as they are (on Windows it would end lines with CR LF), for
/// a diagram that must be the same file everywhere.
void binary_output();

/// Standard input as UTF-8. On Windows a console gives UTF-16, which is turned into UTF-8, and
/// messages are shown as UTF-8; elsewhere, and from a pipe, the bytes come as they are.
std::unique_ptr<std::streambuf> console_input();

/// The data file's name as the script must carry it. Windows programs such as Mplus open files
/// through the ANSI code page, so there the name is turned into it, with a warning for
/// characters it lacks; elsewhere the name stays UTF-8.
std::string data_name_for_mplus(const std::string& name, std::vector<std::string>* warnings);

}  // namespace ldsgen

#endif  // LDSGEN_CONSOLE_H_
