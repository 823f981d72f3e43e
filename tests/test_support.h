// Runs the whole dialogue in memory: answers in, console, errors and script out.
#ifndef LDSGEN_TEST_SUPPORT_H_
#define LDSGEN_TEST_SUPPORT_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "dialogue.h"
#include "model.h"

namespace ldsgen::testing {

/// Text in memory, as a writer writes it.
class StringSink : public Sink {
 public:
  bool write(const char* data, std::size_t size) override {
    text_.append(data, size);
    return true;
  }
  const std::string& str() const { return text_; }

 private:
  std::string text_;
};

/// A script file in memory. It takes at most `capacity` bytes and then refuses, as a full disk
/// does, and it keeps what had been flushed at each flush.
class MemoryFile : public Sink {
 public:
  explicit MemoryFile(std::size_t capacity = std::string::npos) : capacity_(capacity) {}
  bool write(const char* data, std::size_t size) override;
  bool flush() override;

  const std::string& text() const { return text_; }
  /// The text as it stood at each flush.
  const std::vector<std::size_t>& flushed_sizes() const { return flushed_sizes_; }
  std::size_t writes() const { return writes_; }

 private:
  std::size_t capacity_;
  std::string text_;
  std::vector<std::size_t> flushed_sizes_;
  std::size_t writes_ = 0;
};

/// A script file in memory that stores itself on commit.
class MemoryScript : public ScriptFile {
 public:
  explicit MemoryScript(MemoryFile* file, bool* committed = nullptr,
                        std::optional<std::uint64_t> free_space = std::nullopt)
      : file_(file), committed_(committed), free_space_(free_space) {}
  Sink& sink() override { return *file_; }
  bool commit(std::string*) override {
    if (committed_) *committed_ = true;
    return true;
  }
  std::optional<std::uint64_t> free_space() const override { return free_space_; }

 private:
  MemoryFile* file_;
  bool* committed_;
  std::optional<std::uint64_t> free_space_;
};

struct Outcome {
  int status = -1;
  std::string console;
  std::string errors;
  std::string script_name;  // empty when the dialogue created no script
  std::string script;       // all that was written, stored or not
  bool committed = false;   // the script was stored under its name
  std::vector<std::size_t> flushed_sizes;
  std::size_t writes = 0;
};

/// Runs the dialogue on `input`. The script file refuses bytes past `capacity`. Names in
/// `foreign` are taken as files of the user's own that are not scripts. `free_space` is what the
/// file says is free where it goes (none: a device).
Outcome run(const std::string& input, std::size_t capacity = std::string::npos,
            const std::vector<std::string>& foreign = {},
            std::optional<std::uint64_t> free_space = std::nullopt);

/// The script, or its MODEL body alone (between the MODEL heading and the OUTPUT line).
std::string model_body(const std::string& script);

/// Reads a file of expected text from the tests' golden folder.
std::string golden(const std::string& name);

/// The lines of a text, without their ends.
std::vector<std::string> lines(const std::string& text);

/// A model of this kind with these options set, as the command line and the page set them.
Model with_options(std::initializer_list<std::pair<const char*, const char*>> options,
                   ModelKind kind = ModelKind::Univariate);

/// The box a drawn thing takes: a node, or a text but a node's own name, which stands inside its
/// node.
struct Box {
  double left, top, right, bottom;
  std::string what;  // the element, as written
};
std::vector<Box> boxes(const std::string& svg);

/// A path's drawn segments: its straight runs, and its curves as short chords.
struct Segment {
  double x1, y1, x2, y2;
};
std::vector<Segment> segments(const std::string& d);
/// Whether a segment meets a box: clipped to it, something is left (Liang and Barsky).
bool meets(const Segment& s, const Box& b);

}  // namespace ldsgen::testing

#endif  // LDSGEN_TEST_SUPPORT_H_
