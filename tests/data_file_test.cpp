#include "data_file.h"

#include <gtest/gtest.h>

#include "script.h"
#include "svg.h"
#include "test_support.h"

namespace ldsgen::testing {
namespace {

DataBeginning read(std::string text, bool whole = true) {
  DataBeginning data;
  data.status = DataBeginning::kRead;
  data.text = std::move(text);
  data.whole = whole;
  return data;
}

const char kShift[] =
    ": Mplus reads 3 values a case, so the cases shift and the results are wrong; name every "
    "column of the file, the model's among them";

// Each file draws exactly these warnings, against the univariate script of 3 occasions unless
// the case says otherwise.
TEST(DataFile, WarnsOfWhatMplusWouldReadWrongly) {
  const struct Case {
    const char* what;
    std::string text;
    std::vector<std::string> warnings;
    Model model = {};
    bool whole = true;
  } cases[] = {
      {"exactly right", "1 2 3\n4 5 6\n", {}},
      {"an ID column",
       "1 10 11 12\n2 10 11 12\n",
       {std::string("every line of data read (2 lines) has 4 values, but the script names 3") +
        kShift}},
      {"a header",
       "y1 y2 y3\n1 2 3\n",
       {"line 1 holds names, not numbers (y1 y2 y3): a header line, which Mplus would read as "
        "data; remove it"}},
      {"one column short",
       "1 2\n",
       {std::string("the line of data has 2 values, but the script names 3") + kShift}},
      {"ragged lines",
       "1 2 3\n4 5\n6 7 8\n9 10 11 12\n",
       {"line 2 has 2 values where line 1 has 3 (2 lines differ): Mplus reads values, not lines, "
        "so every case after it is shifted"}},
      {"ragged and too wide",
       "0 1 2 3\n4 5\n",
       {"line 1 has 4 values, but the script names 3",
        "line 2 has 2 values where line 1 has 4 (1 line differs): Mplus reads values, not lines, "
        "so every case after it is shifted"}},
      {"NA and empty fields",
       "1,NA,3\n4,,6\n. 8 9\n",
       {"line 1, value 2 is 'NA': neither a number nor the missing mark '.' (2 such values); "
        "Mplus can't read it"}},
      {"an empty field first",
       "1,,3\n4,NA,6\n",
       {"line 1, value 2 is empty: neither a number nor the missing mark '.' (2 such values); "
        "Mplus can't read it"}},
      {"-999 codes",
       "1 2 3\n-999 5 6\n7 8 -999\n-999 9 -999\n2 3 4\n",
       {"-999 appears 4 times in columns 1 and 3, far from the other values: a missing-value "
        "code? Mplus takes it as a value unless the script names it as the code"}},
      {"-999 named as the code",
       "1 2 3\n-999 5 6\n-999.0 9 10\n",
       {},
       with_options({{"missing", "-999"}})},
      {"a code in a column with a range of its own", "20 2 3\n99 5 6\n99 9 10\n80 1 1\n", {}},
      {"a code seen once", "1 2 3\n-999 5 6\n", {}},
      {"a code seen once in each of two columns",
       "1 2 3\n-99 5 6\n4 -99 6\n",
       {"-99 appears 2 times in columns 1 and 2, far from the other values: a missing-value "
        "code? Mplus takes it as a value unless the script names it as the code"}},
      {"commas, tabs and CR LF", "1,2,3\r\n4\t5\t6\r\n7, 8 ,9\r\n", {}},
      {"a beginning that ends inside a line", "1 2 3\n4 5", {}, {}, false},
      {"the file's columns named",
       "7 1.5 2e3 3 44\n8 . -1.5E-2 4 45\n",
       {},
       with_options({{"columns", "id y1 y2 y3 age"}, {"id", "id"}})},
      {"the bivariate model", "1 2 3 4 5 6\n", {}, Model(ModelKind::Bivariate)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(check_data(read(c.text, c.whole), c.model, 3).warnings, c.warnings);
  }
}

TEST(DataFile, AFileThatIsNotThereDrawsNothingAndOneThatCantBeReadOneWarning) {
  EXPECT_EQ(check_data(DataBeginning{}, Model(), 3).warnings, std::vector<std::string>{});
  DataBeginning unreadable;
  unreadable.status = DataBeginning::kUnreadable;
  unreadable.why = "Permission denied";
  EXPECT_EQ(check_data(unreadable, Model(), 3).warnings,
            std::vector<std::string>{
                "the data file can't be read, so it was not checked: Permission denied"});
}

// Only the first 1,000 lines of the first mebibyte count: a file of any size costs no more.
TEST(DataFile, OnlyTheBeginningIsRead) {
  std::string lines;
  for (int k = 0; k < 1000; ++k) lines += "1 2 3\n";
  EXPECT_EQ(check_data(read(lines + "1 2\n", false), Model(), 3).warnings.size(), 0u);
  std::string long_lines(kDataBytes - 4, '1');
  EXPECT_EQ(check_data(read(long_lines + " 2 3\n", false), Model(), 3).warnings.size(), 0u);
}

// The largest count costs no more than a small one: nothing is made for every occasion.
TEST(DataFile, TheLargestCountIsCheckedInLittleMemory) {
  const std::int32_t most = 2147483647;
  EXPECT_EQ(columns_problem(with_options({{"columns", "id y1 y3"}}), most),
            "the data file's columns lack y2, one of the model's 2147483647 occasions: list every "
            "column of the file in order");
  const DataSample s = check_data(read("1 2 3\n"), Model(ModelKind::Bivariate), most);
  EXPECT_EQ(s.warnings.size(), 1u);
  EXPECT_NE(s.warnings[0].find("the script names 4294967294"), std::string::npos);
  std::vector<std::string> names;
  for (const ProposedColumn& c : propose_columns(
           check_data(read("id y2000000000 x7\n1 2 3\n"), Model(ModelKind::Bivariate), most),
           Model(ModelKind::Bivariate), most))
    names.push_back(c.name);
  EXPECT_EQ(names, (std::vector<std::string>{"id", "y2000000000", "x7"}));
}

TEST(DataFile, TheSampleHoldsTheFirstRowsAndTheLikelyCode) {
  const DataSample s =
      check_data(read("id,y1,y2\n1,-99,3\n2,4,-99\n3,5,6\n4,-99,7\n5,6,7\n6,7,8\n"), Model(), 2);
  EXPECT_TRUE(s.header);
  EXPECT_EQ(s.columns, 3u);
  EXPECT_EQ(s.missing_code, "-99");
  ASSERT_EQ(s.rows.size(), 6u);
  EXPECT_EQ(s.rows[1], (std::vector<std::string>{"1", "-99", "3"}));
}

TEST(DataFile, MplusLooksBesideTheScript) {
  const struct {
    const char *script, *data, *path;
  } cases[] = {
      {"model.inp", "d.dat", "d.dat"},
      {"out/model.inp", "d.dat", "out/d.dat"},
      {"out/model.inp", "../d.dat", "out/../d.dat"},
      {"out/model.inp", "/data/d.dat", "/data/d.dat"},
      {"C:\\work\\model.inp", "\"my data.dat\"", "C:\\work\\my data.dat"},
      {"C:\\work\\model.inp", "D:\\d.dat", "D:\\d.dat"},
  };
  for (const auto& c : cases) EXPECT_EQ(data_path(c.script, c.data), c.path) << c.data;
}

// Roles come from the header's names where there is one, else from the count of columns.
TEST(DataFile, ProposesNamesAndRolesForTheColumns) {
  using R = ProposedColumn::Role;
  const struct {
    const char* text;
    std::vector<std::pair<R, std::string>> proposed;
  } cases[] = {
      {"ID,Y1,y2,y3,age_at_start\n1 2 3 4 5\n",
       {{R::kId, "ID"},
        {R::kObserved, "y1"},
        {R::kObserved, "y2"},
        {R::kObserved, "y3"},
        {R::kUnused, "age_at_s"}}},
      {"subject wave.1 wave.2 2nd y1\n1 2 3 4 5\n",
       {{R::kId, "subject"},
        {R::kUnused, "wave1"},
        {R::kUnused, "wave2"},
        {R::kUnused, "v2nd"},
        {R::kObserved, "y1"}}},
      {"id, y1 ,y2,y3,age at start\n1,2,3,4,5\n",
       {{R::kId, "id"},
        {R::kObserved, "y1"},
        {R::kObserved, "y2"},
        {R::kObserved, "y3"},
        {R::kUnused, "ageatsta"}}},
      {"score_first score_first2 y3\n1 2 3\n",
       {{R::kUnused, "score_fi"}, {R::kUnused, "score_f2"}, {R::kObserved, "y3"}}},
      {"1 2 3\n", {{R::kObserved, "y1"}, {R::kObserved, "y2"}, {R::kObserved, "y3"}}},
      {"1 2 3 4 5\n",
       {{R::kId, "id"},
        {R::kObserved, "y1"},
        {R::kObserved, "y2"},
        {R::kObserved, "y3"},
        {R::kUnused, "v5"}}},
      {"1 2\n", {{R::kUnused, "v1"}, {R::kUnused, "v2"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const Model model;
    std::vector<std::pair<R, std::string>> proposed;
    for (const ProposedColumn& p : propose_columns(check_data(read(c.text), model, 3), model, 3))
      proposed.emplace_back(p.role, p.name);
    EXPECT_EQ(proposed, c.proposed);
  }
}

// The script names every column, uses the model's, and says which is the ID and how a missing
// value is marked; every line fits in the 90 characters Mplus reads.
TEST(DataFile, TheScriptNamesTheFilesColumns) {
  StringSink sink;
  ScriptWriter w(sink);
  write_variable_sections(
      w, with_options({{"columns", "id y1 y2 y3 age"}, {"id", "id"}, {"missing", "-999"}}), 3);
  w.flush();
  EXPECT_EQ(sink.str(),
            "VARIABLE: NAMES ARE \nid y1 y2 y3 age ;\n USEVARIABLE ARE \ny1 y2 y3 ;\n"
            " IDVARIABLE=id;\n MISSING=ALL (-999);\n ANALYSIS: TYPE=MEANSTRUCTURE;\n"
            " ITERATIONS = 8000;\nMODEL:\n");
  std::string many = "id";
  for (int k = 1; k <= 40; ++k) many += " y" + std::to_string(k) + " covar" + std::to_string(k);
  StringSink wide;
  ScriptWriter v(wide);
  write_variable_sections(v, with_options({{"columns", many.c_str()}, {"missing", "*"}}), 40);
  v.flush();
  for (const std::string& line : lines(wide.str())) EXPECT_LE(line.size(), 90u) << line;
  EXPECT_NE(wide.str().find("\n MISSING=*;\n"), std::string::npos);
}

TEST(DataFile, ColumnsMplusCantTakeAreRefused) {
  const struct {
    const char *option, *value, *says;
  } cases[] = {
      {"columns", "id y1 identity1", "'identity1' is longer than the 8 characters Mplus allows"},
      {"columns", "id y1 ID", "the columns name 'id' twice"},
      {"columns", "id y1 a-b", "'a-b' holds a character other than letters, digits and _"},
      {"columns", "1st y1", "'1st' does not start with a letter"},
      {"columns", " , ", "no columns are given"},
      {"id", "case.no", "holds a character other than"},
      {"missing", "NA", "'NA' is not ., * or a number such as -999"},
  };
  for (const auto& c : cases) {
    Model model;
    const std::string problem = set_model_option(&model, c.option, c.value);
    EXPECT_NE(problem.find(c.says), std::string::npos) << problem;
  }
  const Model latent = with_options({{"columns", "id y1 y2 y0"}});
  EXPECT_EQ(columns_problem(latent, 2),
            "the column 'y0' has the name of one of the model's latent variables: rename it");
  EXPECT_EQ(columns_problem(with_options({{"columns", "id Y1 y2 dy3 ly01"}}), 2), "");
  // Only drawings of ldsgen's are drawn over.
  EXPECT_FALSE(is_ldsgen_svg(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
      "version=\"1.1\" width=\"10\"><title>My chart</title>"));
}

}  // namespace
}  // namespace ldsgen::testing
