// The small SVG helper every drawing shares: numbers as coordinates, escaped text, the width of
// a label, a body of elements that knows its extent, and the document around it.
#ifndef LDSGEN_SVG_H_
#define LDSGEN_SVG_H_

#include <string>
#include <string_view>

namespace ldsgen {

constexpr double kFont = 12;

struct Point {
  double x, y;
};

/// A coordinate with at most one decimal, "12" or "12.5": the tenths rounded, a trailing ".0"
/// left out.
std::string number(double v);
std::string escape(const std::string& s);
/// The width of a label in the drawings' sans-serif at 12 px, a little generous.
double text_width(const std::string& text);
/// The data of a path from a to b.
std::string line_d(Point a, Point b);

/// The elements of a drawing, with its extent: how far right and down they reach.
class Svg {
 public:
  void add(const std::string& element) { body_ += "  " + element + "\n"; }

  /// Takes a point into the drawing's extent.
  void extend(Point p);
  double right() const { return right_; }
  double bottom() const { return bottom_; }

  /// A label at p, its anchor "middle", "start" or "end", of the class "label KIND".
  void label(Point p, const std::string& text, const char* kind, const char* anchor = "middle");
  /// A path with an arrowhead at its end, and at its start too when two-headed.
  void arrow(const std::string& d, bool two_headed, const char* kind);
  /// Takes every point of a path's data into the extent: its numbers, as number() writes them,
  /// come in pairs.
  void extend_d(const std::string& d);

  const std::string& body() const { return body_; }

 private:
  std::string body_;
  double right_ = 0, bottom_ = 0;
};

/// A whole SVG document of this size: a title and a description for screen readers, the arrow
/// markers, a white background, then the body.
std::string svg_document(double width, double height, const std::string& title,
                         const std::string& description, const std::string& body);

/// Whether a file that starts with these bytes (its first kSvgStart, or all of it) is a drawing
/// ldsgen made: it begins as every one does. An empty file counts as one.
constexpr std::size_t kSvgStart = 400;
bool is_ldsgen_svg(std::string_view start);

}  // namespace ldsgen

#endif  // LDSGEN_SVG_H_
