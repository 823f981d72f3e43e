// The statement writer alone: the models' bodies written into a stream that discards them, so
// the figures are the cost of joining pieces and formatting occasions, without any disk.
#include <benchmark/benchmark.h>

#include "bivariate.h"
#include "script_writer.h"
#include "univariate.h"

namespace {

class Discard : public ldsgen::Sink {
 public:
  bool write(const char*, std::size_t n) override {
    bytes += static_cast<std::int64_t>(n);
    return true;
  }
  std::int64_t bytes = 0;
};

template <void (*Body)(ldsgen::ScriptWriter&, std::int64_t)>
void BM_Body(benchmark::State& state) {
  Discard sink;
  for (auto _ : state) {
    ldsgen::ScriptWriter w(sink);
    Body(w, state.range(0));
    w.flush();
  }
  state.SetBytesProcessed(sink.bytes);
}

void BM_Statement(benchmark::State& state) {
  Discard sink;
  ldsgen::ScriptWriter w(sink);
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
