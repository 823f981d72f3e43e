// The statement writer alone: the models' bodies written into a stream that discards them, so
// the figures are the cost of joining pieces and formatting occasions, without any disk.
#include <benchmark/benchmark.h>

#include "bivariate.h"
#include "model.h"
#include "script_size.h"
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

template <void (*Body)(ldsgen::ScriptWriter&, const ldsgen::Model&, std::int64_t),
          ldsgen::ModelKind kKind>
void BM_Body(benchmark::State& state) {
  Discard sink;
  const ldsgen::Model model(kKind);
  for (auto _ : state) {
    ldsgen::ScriptWriter w(sink);
    Body(w, model, state.range(0));
    w.flush();
  }
  state.SetBytesProcessed(sink.bytes);
}

// The size of a script, counted without writing it: a few runs of lines per digit count.
void BM_ScriptSize(benchmark::State& state) {
  const ldsgen::Model model(ldsgen::ModelKind::Bivariate);
  for (auto _ : state)
    benchmark::DoNotOptimize(ldsgen::script_size(model, "d.dat", state.range(0)).bytes);
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

BENCHMARK(BM_Body<ldsgen::write_univariate_body, ldsgen::ModelKind::Univariate>)
    ->Arg(1000)
    ->Arg(100000);
BENCHMARK(BM_Body<ldsgen::write_bivariate_body, ldsgen::ModelKind::Bivariate>)
    ->Arg(1000)
    ->Arg(100000);
BENCHMARK(BM_ScriptSize)->Arg(1000)->Arg(2147483647);
BENCHMARK(BM_Statement);
BENCHMARK_MAIN();
