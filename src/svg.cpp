#include "svg.h"

#include <algorithm>
#include <cmath>

namespace ldsgen {

namespace {

// Every drawing begins so; the guard knows a drawing of ldsgen's by it.
constexpr char kSvgHead[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"";

constexpr double kCharWidth = 7.2;

}  // namespace

// Written by hand rather than with printf, which would double the web page's core.
std::string number(double v) {
  const long long tenths = std::llround(v * 10);
  const unsigned long long whole = static_cast<unsigned long long>(tenths < 0 ? -tenths : tenths);
  std::string s = (tenths < 0 ? "-" : "") + std::to_string(whole / 10);
  if (whole % 10 != 0) (s += '.') += static_cast<char>('0' + whole % 10);
  return s;
}

std::string escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else if (c == '&')
      out += "&amp;";
    else if (c == '"')
      out += "&quot;";
    else
      out += c;
  }
  return out;
}

double text_width(const std::string& text) {
  double chars = 0;
  for (char c : text) chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return chars * kCharWidth;
}

std::string line_d(Point a, Point b) {
  return "M " + number(a.x) + " " + number(a.y) + " L " + number(b.x) + " " + number(b.y);
}

void Svg::extend(Point p) {
  right_ = std::max(right_, p.x);
  bottom_ = std::max(bottom_, p.y);
}

void Svg::label(Point p, const std::string& text, const char* kind, const char* anchor) {
  const double w = text_width(text);
  const double left = anchor[0] == 'm' ? p.x - w / 2 : anchor[0] == 'e' ? p.x - w : p.x;
  extend({left + w, p.y + 3});
  add("<text class=\"label " + std::string(kind) + "\" x=\"" + number(p.x) + "\" y=\"" +
      number(p.y) + "\" text-anchor=\"" + anchor + "\">" + escape(text) + "</text>");
}

void Svg::arrow(const std::string& d, bool two_headed, const char* kind) {
  extend_d(d);
  add("<path class=\"" + std::string(two_headed ? "two-headed " : "one-headed ") + kind +
      "\" d=\"" + d + "\" fill=\"none\" stroke=\"black\"" +
      (two_headed ? " marker-start=\"url(#tail)\"" : "") + " marker-end=\"url(#head)\"/>");
}

void Svg::extend_d(const std::string& d) {
  double xy[2];
  int k = 0;
  for (std::size_t i = 0; i < d.size();) {
    const bool minus = d[i] == '-';
    if (!minus && (d[i] < '0' || d[i] > '9')) {
      ++i;
      continue;
    }
    double v = 0, scale = 0;
    for (i += minus; i < d.size() && ((d[i] >= '0' && d[i] <= '9') || d[i] == '.'); ++i) {
      if (d[i] == '.') {
        scale = 1;
      } else if (scale == 0) {
        v = v * 10 + (d[i] - '0');
      } else {
        v += (d[i] - '0') * (scale /= 10);
      }
    }
    xy[k++] = minus ? -v : v;
    if (k == 2) {
      extend({xy[0], xy[1]});
      k = 0;
    }
  }
}

std::string svg_document(double width, double height, const std::string& title,
                         const std::string& description, const std::string& body) {
  return kSvgHead + number(width) + "\" height=\"" + number(height) + "\" viewBox=\"0 0 " +
         number(width) + " " + number(height) + "\" font-family=\"sans-serif\" font-size=\"" +
         number(kFont) + "\">\n" + "  <title>" + escape(title) + "</title>\n  <desc>" +
         escape(description) +
         "</desc>\n"
         "  <defs>\n"
         "    <marker id=\"head\" viewBox=\"0 0 10 10\" refX=\"10\" refY=\"5\" markerWidth=\"8\" "
         "markerHeight=\"8\" orient=\"auto\">\n"
         "      <path d=\"M 0 0 L 10 5 L 0 10 Z\" fill=\"black\"/>\n"
         "    </marker>\n"
         "    <marker id=\"tail\" viewBox=\"0 0 10 10\" refX=\"0\" refY=\"5\" markerWidth=\"8\" "
         "markerHeight=\"8\" orient=\"auto\">\n"
         "      <path d=\"M 10 0 L 0 5 L 10 10 Z\" fill=\"black\"/>\n"
         "    </marker>\n"
         "  </defs>\n"
         "  <rect class=\"background\" x=\"0\" y=\"0\" width=\"" +
         number(width) + "\" height=\"" + number(height) + "\" fill=\"white\"/>\n" + body +
         "</svg>\n";
}

bool is_ldsgen_svg(std::string_view start) {
  if (start.empty()) return true;
  if (start.rfind(kSvgHead, 0) != 0) return false;
  for (const char* title : {"<title>Path diagram of the ", "<title>Expected change "})
    if (start.find(title) != std::string_view::npos) return true;
  return false;
}

}  // namespace ldsgen
