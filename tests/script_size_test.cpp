#include "script_size.h"

#include <gtest/gtest.h>

#include "script.h"

namespace ldsgen::testing {
namespace {

// Counts what the writer hands over, without keeping it.
class Counter : public Sink {
 public:
  ScriptSize size;
  bool write(const char* data, std::size_t n) override {
    size.bytes += n;
    for (std::size_t i = 0; i < n; ++i) size.lines += data[i] == '\n';
    return true;
  }
};

ScriptSize written(const Model& model, const std::string& data, std::int64_t occasions) {
  Counter counter;
  ScriptWriter w(counter);
  write_script(w, model, data, occasions);
  w.flush();
  return counter.size;
}

// Every occasion count up to 1,200, and the counts around each new digit and line break beyond.
TEST(ScriptSize, EqualsTheWrittenSize) {
  std::vector<std::int64_t> counts;
  for (std::int64_t n = 2; n <= 1200; ++n) counts.push_back(n);
  for (std::int64_t n : {9999, 10000, 10001, 99998, 99999, 100000, 100001, 123457})
    counts.push_back(n);
  const std::string long_path =
      "\"C:\\Users\\researcher\\Documents\\A study of change over many years\\wave one\\"
      "and wave two\\data.dat\"";
  for (ModelKind kind : {ModelKind::Univariate, ModelKind::Bivariate}) {
    for (const std::string& data : {std::string("d.dat"), long_path}) {
      for (std::int64_t n : counts) {
        SCOPED_TRACE(std::to_string(static_cast<int>(kind)) + " " + data + " " + std::to_string(n));
        const ScriptSize expected = written(kind, data, n), computed = script_size(kind, data, n);
        ASSERT_EQ(computed.bytes, expected.bytes);
        ASSERT_EQ(computed.lines, expected.lines);
      }
    }
  }
}

// Every change kind and coupling, and stems of other lengths: their statements come and go and
// the zero covariances among difference scores grow with the square of the count.
TEST(ScriptSize, EqualsTheWrittenSizeOfEveryVariant) {
  std::vector<std::int64_t> counts;
  for (std::int64_t n = 2; n <= 120; ++n) counts.push_back(n);
  for (std::int64_t n : {999, 1000, 1001, 1002}) counts.push_back(n);
  for (ModelKind kind : {ModelKind::Univariate, ModelKind::Bivariate}) {
    for (Change y : {Change::Dual, Change::Proportional, Change::Constant, Change::None}) {
      for (Change x : {Change::Proportional, Change::None}) {
        for (Coupling c : {Coupling::Both, Coupling::YToX, Coupling::None}) {
          Model m(kind);
          m.y_change = y;
          m.x_change = x;
          m.coupling = c;
          m.y_name = "anx";
          m.x_name = "d_";
          m.starts[7] = "-0.25";
          for (std::int64_t n : counts) {
            SCOPED_TRACE(std::to_string(static_cast<int>(kind)) + " " +
                         std::to_string(static_cast<int>(y)) + std::to_string(static_cast<int>(x)) +
                         std::to_string(static_cast<int>(c)) + " " + std::to_string(n));
            const ScriptSize expected = written(m, "d.dat", n),
                             computed = script_size(m, "d.dat", n);
            ASSERT_EQ(computed.bytes, expected.bytes);
            ASSERT_EQ(computed.lines, expected.lines);
          }
        }
      }
    }
  }
}

// The largest count: hundreds of gigabytes, worked out without writing them.
TEST(ScriptSize, TheLargestCountIsHundredsOfGigabytes) {
  const ScriptSize uni = script_size(ModelKind::Univariate, "d.dat", 2147483647);
  EXPECT_GT(uni.bytes, 500'000'000'000u);
  EXPECT_GT(script_size(ModelKind::Bivariate, "d.dat", 2147483647).bytes, 2 * uni.bytes);
}

}  // namespace
}  // namespace ldsgen::testing
