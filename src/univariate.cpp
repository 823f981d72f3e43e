#include "univariate.h"

#include "script_writer.h"

namespace ldsgen {

namespace {

// The pieces that name one variable. They are arrays rather than strings so that the writer
// copies each with a length known when compiling: the change block is most of a script's bytes.
struct LetterY {
  static constexpr char kComment[] = "!For the variable y";
  static constexpr char kMeasured[] = "y";
  static constexpr char kLevel[] = "ly";
  static constexpr char kDifference[] = "dy";
  static constexpr char kSlope[] = "sy";
  static constexpr char kProportion[] = " * (1);";
  static constexpr char kInitialLevel[] = "y0 by ly1 @1;";
  static constexpr char kMeansComment[] = "! Set the means and variance to be 0";
  static constexpr char kMeanMeasured[] = "[y";
  static constexpr char kMeanLevel[] = "[ly";
  static constexpr char kMeanDifference[] = "[dy";
};

// Users' scripts carry x's means comment with its odd leading blank, so it stays.
struct LetterX {
  static constexpr char kComment[] = "!For the variable x";
  static constexpr char kMeasured[] = "x";
  static constexpr char kLevel[] = "lx";
  static constexpr char kDifference[] = "dx";
  static constexpr char kSlope[] = "sx";
  static constexpr char kProportion[] = " * (2);";
  static constexpr char kInitialLevel[] = "x0 by lx1 @1;";
  static constexpr char kMeansComment[] = " !Set the means and variance to be 0";
  static constexpr char kMeanMeasured[] = "[x";
  static constexpr char kMeanLevel[] = "[lx";
  static constexpr char kMeanDifference[] = "[dx";
};

template <typename V>
void write_change_block(ScriptWriter& w, std::int64_t n) {
  w.line(V::kComment);
  w.line("!Oberved variables and latent level");
  for_each_occasion(w, 1, n,
                    [&](Index i) { w.line(V::kLevel, i, " by ", V::kMeasured, i, " @1;"); });
  w.line("!Autoregressive part");
  for_each_occasion(w, 2, n,
                    [&](Index i) { w.line(V::kLevel, i, " on ", V::kLevel, i - 1, " @1;"); });
  w.line("!Difference score on latent level");
  for_each_occasion(w, 1, n - 1,
                    [&](Index i) { w.line(V::kDifference, i, " by ", V::kLevel, i + 1, " @1;"); });
  w.line("!Auto-porpotion of difference score on level");
  w.line("! add the starting values after *");
  for_each_occasion(w, 1, n - 1, [&](Index i) {
    w.line(V::kDifference, i, " on ", V::kLevel, i, V::kProportion);
  });
  w.line("!Model relationship between slope and ds");
  for_each_occasion(w, 1, n - 1,
                    [&](Index i) { w.line(V::kSlope, " by ", V::kDifference, i, " @1;"); });
  w.line(V::kInitialLevel);
  w.line(V::kMeansComment);
  for_each_occasion(w, 1, n - 1, [&](Index i) {
    w.line(V::kMeanMeasured, i, "@0]; ", V::kMeanLevel, i, "@0]; ", V::kMeanDifference, i, "@0]; ",
           V::kLevel, i, "@0; ", V::kDifference, i, "@0;");
  });
  // The last occasion has no difference score. This line is written even when the loops above
  // wrote nothing, so it then names occasion N as it is (0 or below).
  const Index last(n);
  w.line(V::kMeanMeasured, last, "@0]; ", V::kMeanLevel, last, "@0];", V::kLevel, last, "@0;");
}

}  // namespace

void write_change_block(ScriptWriter& w, Letter letter, std::int64_t occasions) {
  if (letter == Letter::Y) {
    write_change_block<LetterY>(w, occasions);
  } else {
    write_change_block<LetterX>(w, occasions);
  }
}

void write_univariate_body(ScriptWriter& w, std::int64_t occasions) {
  write_change_block(w, Letter::Y, occasions);
  w.line("[y0 sy];");
  w.line("y0 sy;");
  w.line("!Set all residuals to be equal");
  for_each_occasion(w, 1, occasions, [&](Index i) { w.line("y", i, "* (2);"); });
}

}  // namespace ldsgen
