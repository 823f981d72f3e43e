#include "console.h"

#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// CommandLineToArgvW
#include <shellapi.h>
#endif

namespace ldsgen {

#ifdef _WIN32
namespace {

// Reads the console a line at a time as UTF-16 and hands it on as UTF-8. Ctrl-Z at the start of
// a line ends the input, as it does for any Windows console program.
class ConsoleBuf : public std::streambuf {
 public:
  explicit ConsoleBuf(HANDLE in) : in_(in) {}

 protected:
  int_type underflow() override {
    wchar_t chars[4096];
    DWORD read = 0;
    if (!ReadConsoleW(in_, chars, 4096, &read, nullptr) || read == 0 || chars[0] == 0x1A)
      return traits_type::eof();
    const int n = WideCharToMultiByte(CP_UTF8, 0, chars, static_cast<int>(read), nullptr, 0,
                                      nullptr, nullptr);
    text_.assign(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, chars, static_cast<int>(read), text_.data(), n, nullptr,
                        nullptr);
    setg(text_.data(), text_.data(), text_.data() + text_.size());
    return traits_type::to_int_type(text_[0]);
  }

 private:
  HANDLE in_;
  std::string text_;
};

}  // namespace

std::vector<std::string> arguments(int, char**) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; wide && i < count; ++i) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), n, nullptr, nullptr);
    args.push_back(std::move(arg));
  }
  LocalFree(wide);
  return args;
}

void binary_output() {
  std::cout.flush();
  _setmode(_fileno(stdout), _O_BINARY);
}

std::unique_ptr<std::streambuf> console_input() {
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (!GetConsoleMode(in, &mode)) return nullptr;
  SetConsoleOutputCP(CP_UTF8);
  return std::make_unique<ConsoleBuf>(in);
}

std::string data_name_for_mplus(const std::string& name, std::vector<std::string>* warnings) {
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), text.data(), n);
  BOOL lacking = FALSE;
  const int m = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), n, nullptr, 0,
                                    nullptr, &lacking);
  std::string bytes(static_cast<std::size_t>(m), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), n, bytes.data(), m, nullptr,
                      &lacking);
  if (lacking)
    warnings->push_back("the data file name holds characters that this Windows code page (" +
                        std::to_string(GetACP()) +
                        ") lacks, shown as '?' in the script: Mplus will not find the file; "
                        "give the file (or its folder) a name without them");
  return bytes;
}
#else
std::vector<std::string> arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

void binary_output() {}

std::unique_ptr<std::streambuf> console_input() {
  return nullptr;
}

std::string data_name_for_mplus(const std::string& name, std::vector<std::string>*) {
  return name;
}
#endif

}  // namespace ldsgen
