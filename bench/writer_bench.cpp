// The statement writer alone: the models' bodies written into a stream that discards them, so
// the figures are the cost of joining pieces and formatting occasions, without any disk.
#include <benchmark/benchmark.h>

#include <ostream>
#include <streambuf>

#include "bivariate.h"
#include "script_writer.h"
#include "univariate.h"

namespace {

class Discard : public std::streambuf {
 protected:
  std::streamsize xsputn(const char*, std::streamsize n) override {
    bytes += n;
    return n;
  }
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }

 public:
  std::int64_t bytes = 0;
};

template <void (*Body)(ldsgen::ScriptWriter&, std::int64_t)>
void BM_Body(benchmark::State& state) {
  Discard sink;
  std::ostream out(&sink);
  for (auto _ : state) {
    ldsgen::ScriptWriter w(out);
    Body(w, state.range(0));
    w.flush();
  }
  state.SetBytesProcessed(sink.bytes);
}

void BM_Statement(benchmark::State& state) {
  Discard sink;
  std::ostream out(&sink);
  ldsgen::ScriptWriter w(out);
  ldsgen::Index i(123456);
  for (auto _ : state) {
    w.line("[y", i, "@0]; ", "[ly", i, "@0]; ", "[dy", i, "@0]; ", "ly", i, "@0; ", "dy", i, "@0;");
    ++i;
  }
  w.flush();
  state.SetBytesProcessed(sink.bytes);
}

}  // namespace

BENCHMARK(BM_Body<ldsgen::write_univariate_body>)->Arg(1000)->Arg(100000);
BENCHMARK(BM_Body<ldsgen::write_bivariate_body>)->Arg(1000)->Arg(100000);
BENCHMARK(BM_Statement);
BENCHMARK_MAIN();
