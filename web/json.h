// Text for the page, as JSON: strings escaped, nothing else needed. Used by the page's entry
// points and by the preview built with the page.
#ifndef LDSGEN_WEB_JSON_H_
#define LDSGEN_WEB_JSON_H_

#include <charconv>
#include <cstdint>
#include <string>
#include <vector>

namespace ldsgen {

class Json {
 public:
  Json& key(const char* name) {
    text_ += text_.size() > 1 ? ",\"" : "\"";
    text_ += name;
    text_ += "\":";
    return *this;
  }
  Json& string(const std::string& value) {
    static const char kHex[] = "0123456789abcdef";
    text_ += '"';
    for (unsigned char c : value) {
      if (c == '"' || c == '\\') {
        text_ += '\\';
        text_ += static_cast<char>(c);
      } else if (c < 0x20) {
        text_ += "\\u00";
        text_ += kHex[c >> 4];
        text_ += kHex[c & 15];
      } else {
        text_ += static_cast<char>(c);
      }
    }
    text_ += '"';
    return *this;
  }
  Json& strings(const std::vector<std::string>& values) {
    text_ += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (i > 0) text_ += ',';
      string(values[i]);
    }
    text_ += ']';
    return *this;
  }
  Json& number(std::uint64_t value) {
    char digits[24];
    text_.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    return *this;
  }
  /// Text that is JSON already, such as the brackets of a list of lists.
  Json& raw(const char* text) {
    text_ += text;
    return *this;
  }
  const char* done() {
    text_ += '}';
    return text_.c_str();
  }

 private:
  std::string text_ = "{";
};

}  // namespace ldsgen

#endif  // LDSGEN_WEB_JSON_H_
