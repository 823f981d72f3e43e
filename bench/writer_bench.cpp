// The statement writer alone: the models' bodies written into a stream that discards them, so
// the figures are the cost of joining pieces and formatting occasions, without any disk; and the
// readers of a data file's beginning and of Mplus's output.
#include <benchmark/benchmark.h>

#include "bivariate.h"
#include "data_file.h"
#include "model.h"
#include "mplus_output.h"
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

// The data file's check of its most: 1,000 lines of a mebibyte, ten columns with codes among them.
void BM_DataCheck(benchmark::State& state) {
  ldsgen::DataBeginning data;
  data.status = ldsgen::DataBeginning::kRead;
  for (int line = 0; line < 1000; ++line) {
    for (int k = 0; k < 10; ++k)
      data.text +=
          (line % 17 == k ? "-999" : std::to_string(10 + (line * 7 + k * 3) % 23) + ".25") +
          std::string(k < 9 ? "," : "\n");
  }
  const ldsgen::Model model(ldsgen::ModelKind::Bivariate);
  for (auto _ : state) benchmark::DoNotOptimize(ldsgen::check_data(data, model, 5).warnings.size());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.text.size()));
}

// Mplus's output read for its estimates: the results, then sections of technical output that
// are passed over, in blocks as the console reads them.
void BM_OutputReader(benchmark::State& state) {
  std::string output =
      "MODEL RESULTS\n\n Means\n    Y0      10.250  0.050  205.000  0.000\n"
      "\n LY2      BY\n    Y2       1.000  0.000  999.000  999.000\n"
      "\n LY1      BY\n    Y1       1.000  0.000  999.000  999.000\n"
      "\nTECHNICAL 4 OUTPUT\n";
  while (output.size() < (8u << 20))
    output += "     ESTIMATED MEANS FOR THE LATENT VARIABLES   1.000  2.000\n";
  for (auto _ : state) {
    ldsgen::OutputReader reader;
    for (std::size_t at = 0; at < output.size(); at += 1 << 16)
      reader.text(std::string_view(output).substr(at, 1 << 16));
    benchmark::DoNotOptimize(reader.end().occasions);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * output.size()));
}

}  // namespace

BENCHMARK(BM_DataCheck);
BENCHMARK(BM_OutputReader);
BENCHMARK(BM_Body<ldsgen::write_univariate_body, ldsgen::ModelKind::Univariate>)
    ->Arg(1000)
    ->Arg(100000);
BENCHMARK(BM_Body<ldsgen::write_bivariate_body, ldsgen::ModelKind::Bivariate>)
    ->Arg(1000)
    ->Arg(100000);
BENCHMARK(BM_ScriptSize)->Arg(1000)->Arg(2147483647);
BENCHMARK(BM_Statement);
BENCHMARK_MAIN();
