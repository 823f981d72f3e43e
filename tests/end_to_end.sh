#!/usr/bin/env bash
# Runs the built program as a user would: answers piped in, in a fresh temporary folder.
# Usage: end_to_end.sh GOLDEN_DIR lf|crlf COMMAND...   (COMMAND may be "wine ldsgen.exe")
set -u
golden=$(cd "$1" && pwd) eol=$2
shift 2
program=("$@")
# The runs happen in another folder, so paths given relative to this one are made absolute.
for i in "${!program[@]}"; do
  [ -e "${program[$i]}" ] && program[$i]=$(realpath "${program[$i]}")
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
passed=0 failed=0

# Expected text in the platform's line ends: a text-mode file on Windows ends lines with CR LF.
native() { if [ "$eol" = crlf ]; then sed 's/$/\r/'; else cat; fi; }
fail() { echo "FAIL: $case_name: $*"; failed=$((failed + 1)); }
pass() { echo "ok: $case_name"; passed=$((passed + 1)); }

# run NAME INPUT: runs the program in a clean folder; sets status, out, err.
run() {
  case_name=$1
  rm -rf "$work/run" && mkdir "$work/run" && cd "$work/run" || exit 1
  printf '%b' "$2" | timeout 60 "${program[@]}" >stdout 2>stderr
  status=$?
}
# expect STATUS ERROR_PATTERN [SCRIPT GOLDEN]
expect() {
  local why=""
  [ "$status" = "$1" ] || why+=" status $status, not $1;"
  if [ -n "$2" ]; then
    grep -q -- "$2" stderr || why+=" stderr '$(head -c 200 stderr)' lacks '$2';"
  elif grep -q -v '^ldsgen: wrote ' stderr; then
    why+=" unexpected stderr '$(head -c 200 stderr)';"
  fi
  if [ $# -ge 4 ] && ! cmp -s "$3" <(native <"$golden/$4"); then why+=" $3 differs from $4;"; fi
  if [ -n "$why" ]; then fail "$why"; else pass; fi
}

ask_script='Please input the Mplus script file name: '
ask_model='Univariate model (0) or bivariate model (1)? Type 0 or 1'
reject='Wrong code for model, only 0 (univariate) and 1 (bivaraite) can be accepted!
Input model code again...'
ask_data='Please input the name of the data file: '
ask_occasions='How many occasions do you have in your data?'

run "univariate example, one wrong code" 'out.inp\n5\n0\nd.dat\n3\n'
expect 0 "" out.inp univariate_3.inp
printf '%s\n' "$ask_script" "$ask_model" "$reject" "$ask_data" "$ask_occasions" | native >console
cmp -s stdout console || fail "console differs: $(od -c stdout | head -5)"

run "bivariate example, answers on one line" 'out.inp 1 d.dat 2'
expect 0 "warning: the model is not identified with 2 occasions" out.inp bivariate_2.inp

run "wrapped variable lists" 'wide.inp 1 d.dat 30'
expect 0 ""
head -n 22 wide.inp | cmp -s - <(native <"$golden/bivariate_30_head.inp") || fail "wide.inp differs"

# The folder holds exactly these files (sorted), and nothing else: no temporary file is left.
only_files() {
  local have
  have=$(ls -A | grep -v -x -e stdout -e stderr | sort | paste -sd ' ')
  want=$([ $# -gt 0 ] && printf '%s\n' "$@" | sort | paste -sd ' ')
  [ "$have" = "$want" ] || fail "folder holds '$have', not '$want'"
}
old_script() { printf '!*********************************************!\nTITLE: my own title\n'; }
# left_as_it_was yes|no: the earlier script s.inp is byte for byte as it was (or still missing),
# and nothing else is in the folder.
left_as_it_was() {
  if [ "$1" = yes ]; then
    cmp -s s.inp <(old_script) || fail "s.inp changed"
    only_files s.inp
  else
    only_files
  fi
}

# End of input at each question: stop with the missing answer named, and leave an earlier script
# as it was, a missing one missing, and nothing else.
while IFS='|' read -r input answer; do
  for existing in yes no; do
    run "end of input before the $answer, script existing: $existing" ''
    [ $existing = yes ] && old_script >s.inp
    printf '%b' "$input" | timeout 60 "${program[@]}" >stdout 2>stderr
    status=$?
    expect 1 "ldsgen: input ended before the $answer was given"
    left_as_it_was $existing
  done
done <<'CASES'
|script file name
s.inp|model code
s.inp 3 x|model code
s.inp 1|data file name
s.inp 0 d.dat|number of occasions
s.inp 1 d.dat\nlots - + 1|number of occasions
CASES

run "a data file named as the script is left, and the name asked again" ''
printf '1 2 3\n4 5 6\n' >d.dat
printf 'd.dat\n' | timeout 60 "${program[@]}" >stdout 2>stderr
status=$?
expect 1 "'d.dat' is not an ldsgen script and is left as it is"
[ "$(cat d.dat)" = "$(printf '1 2 3\n4 5 6')" ] || fail "d.dat changed"
[ "$(grep -c 'script file name' stdout)" = 2 ] || fail "the script name was not asked again"
only_files d.dat

run "an earlier script with an edited title is replaced" ''
old_script | native >out.inp
printf 'out.inp 0 d.dat 3' | timeout 60 "${program[@]}" >stdout 2>stderr
status=$?
expect 0 "" out.inp univariate_3.inp
only_files out.inp

run "quoted names with blanks" '"my script.inp" 1 "C:\\My Data\\wave.dat" 4'
expect 0 ""
grep -q '^DATA: FILE IS "C:\\My Data\\wave.dat";' "my script.inp" || fail "wrong DATA line"
only_files 'my script.inp'

# A script file that cannot be created is refused, and the name asked again.
while IFS='|' read -r target why; do
  run "script file '$target' cannot be created" "$target\ns.inp 0 d.dat 3"
  expect 0 "$why" s.inp univariate_3.inp
  [ "$(grep -c 'script file name' stdout)" = 2 ] || fail "the script name was not asked again"
done <<'CASES'
missing/out.inp|cannot create script file 'missing/out.inp': No such file or directory; give another name
.|the script file name '.' names a folder, not a file
sub/|the script file name 'sub/' names a folder, not a file
CASES

if [ "$(id -u)" = 0 ]; then
  echo "skip: read-only script file (root may write any file)"
else
  run "read-only script file" ''
  touch ro.inp && chmod a-w ro.inp
  printf 'ro.inp\n' | timeout 60 "${program[@]}" >stdout 2>stderr
  status=$?
  expect 1 "cannot create script file 'ro.inp': "
fi

# Unreadable numbers: a wrong code, or the occasions asked again.
run "unreadable model codes" 's.inp\nabc - 99999999999 1. 1 d.dat 4'
expect 0 ""
[ "$(grep -c 'Wrong code' stdout)" = 4 ] || fail "expected four rejections"
run "unreadable or too few occasions" 's.inp 0 d.dat\nx -- 2147483648 -5 0 1 4,5 3'
expect 0 "the number of occasions must be a whole number from 2 to 2147483647"
[ "$(grep -c 'How many occasions' stdout)" = 8 ] || fail "expected the question eight times"
grep -q 'ldsgen: "4,5" is not a whole number of occasions' stderr || fail "4,5 taken"
cmp -s s.inp <(native <"$golden/univariate_3.inp") || fail "wrong script"

# A name typed with a blank is refused with the line as typed, and asked again; a number is a
# whole word, so "1." is a wrong code and leaves nothing to become the data file's name.
run "a data name with a blank is refused" 's.inp 0 /home/ana/study 2/wave data.dat\nd.dat 3'
expect 0 "the data file name '/home/ana/study 2/wave data.dat' holds a blank: put a name" \
  s.inp univariate_3.inp
[ "$(grep -c 'name of the data file' stdout)" = 2 ] || fail "the data name was not asked again"
run "1. is a wrong model code" 's.inp\n1.\n0 d.dat 3'
expect 0 "" s.inp univariate_3.inp
[ "$(grep -c 'Wrong code' stdout)" = 1 ] || fail "1. was taken as a code"

run "a script saved with a byte order mark is replaced" ''
{ printf '\xEF\xBB\xBF'; old_script; } | native >out.inp
printf 'out.inp 0 d.dat 3' | timeout 60 "${program[@]}" >stdout 2>stderr
status=$?
expect 0 "" out.inp univariate_3.inp

# The command line: answers as options are not asked, and give the dialogue's script.
# with NAME INPUT ARGS...: runs the program with these arguments; sets status, out, err.
with() {
  case_name=$1
  rm -rf "$work/run" && mkdir "$work/run" && cd "$work/run" || exit 1
  local input=$2
  shift 2
  printf '%b' "$input" | timeout 60 "${program[@]}" "$@" >stdout 2>stderr
  status=$?
}
with "all answers as options, bivariate" '' -m bi -d d.dat -n 2 s.inp
expect 0 "ldsgen: wrote s.inp: bivariate model, 2 occasions, 68 lines" s.inp bivariate_2.inp
[ -s stdout ] && fail "asked: $(cat stdout)"
with "all answers as long options, univariate" '' --model=univariate --data d.dat --occ=3 -q s.inp
expect 0 "" s.inp univariate_3.inp
[ -s stderr ] && fail "not quiet: $(cat stderr)"
with "some answers as options, the others asked" 's.inp\n3\n' --model 0 --data=d.dat
expect 0 "" s.inp univariate_3.inp
printf '%s\n' "$ask_script" "$ask_occasions" | native | cmp -s - stdout || fail "asked: $(cat stdout)"
with "a data path with blanks as an option is quoted" '' -m0 -d 'C:\My Data\w.dat' -n4 s.inp
expect 0 ""
grep -q '^DATA: FILE IS "C:\\My Data\\w.dat";' s.inp || fail "wrong DATA line"
# The model's options: a chosen name too long for a typed count asks again, for a given one
# refuses the command line; a starting value for a label the answered model lacks is refused.
with "a chosen name too long for the count is asked again" 's.inp 1 d.dat 100\n99\n' \
  --y-name=anx --x-name=dep_a
expect 0 "with 100 occasions the name 'dep_a' makes ldep_a100, longer than the 8 characters"
grep -q '^ldep_a99 by dep_a99 @1;' s.inp || fail "s.inp lacks the renamed levels"
with "a chosen name too long for a given count" '' -m bi -d d.dat -n 100 --x-name=dep_a s.inp
expect 2 "ldep_a100, longer than the 8 characters"
only_files
with "a starting value for a label the model lacks" 's.inp 0 d.dat 3' --start=5=1
expect 2 "the model has no label 5: its labels are 1 and 2"
with "a coupling that is never identified" '' -m bi -d d.dat -n 5 --x-change=none \
  --coupling=x-to-y s.inp
expect 0 "warning: the model is not identified with any number of occasions"

# The data file, where it is, is checked: each file draws exactly these warnings, the script is
# written all the same and the status is 0.
data_case() {  # NAME CONTENT EXPECTED-WARNINGS [ARGS...]
  local name=$1 content=$2 expected=$3
  shift 3
  with "data file: $name" '' -m uni -d d.dat -n 3 -q "$@" s.inp
  printf '%b' "$content" >d.dat
  printf '' | timeout 60 "${program[@]}" -m uni -d d.dat -n 3 -q "$@" s.inp >stdout 2>stderr
  status=$?
  local got
  got=$(tr -d '\r' <stderr)
  if [ "$status" != 0 ] || [ "$got" != "$expected" ] || [ ! -s s.inp ]; then
    fail "status $status, stderr '$got', not '$expected'"
  else
    pass
  fi
}
w='ldsgen: warning: d.dat: '
shift3=': Mplus reads 3 values a case, so the cases shift and the results are wrong; name every column of the file, the model'"'"'s among them'
data_case "exactly right" '1 2 3\n4 5 6\n' ''
data_case "an ID column" '1 1 2 3\n2 4 5 6\n' "${w}every line of data read (2 lines) has 4 values, but the script names 3$shift3"
data_case "a header" 'y1,y2,y3\n1,2,3\n' "${w}line 1 holds names, not numbers (y1 y2 y3): a header line, which Mplus would read as data; remove it"
data_case "one column short" '1 2\n3 4\n' "${w}every line of data read (2 lines) has 2 values, but the script names 3$shift3"
data_case "ragged lines" '1 2 3\n4 5\n' "${w}line 2 has 2 values where line 1 has 3 (1 line differs): Mplus reads values, not lines, so every case after it is shifted"
data_case "NA and empty fields" '1,NA,3\n4,,6\n' "${w}line 1, value 2 is 'NA': neither a number nor the missing mark '.' (2 such values); Mplus can't read it"
data_case "-999 codes" '1 2 3\n-999 5 6\n-999 8 9\n' "${w}-999 appears 2 times in column 1, far from the other values: a missing-value code? Mplus takes it as a value unless the script names it as the code"
data_case "commas, tabs, CR LF" '1,2,3\r\n4\t5\t6\r\n' ''
data_case "mapped with --columns" '7 1 2 3 40\n8 -999 5 6 41\n9 -999 8 9 42\n' '' \
  --columns="id y1 y2 y3 age" --id=id --missing=-999
grep -q '^ IDVARIABLE=id;' s.inp && grep -q '^ MISSING=ALL (-999);' s.inp || fail "s.inp lacks the mapping"
with "--columns at the largest count" '' -m uni -d d.dat -n 2147483647 --columns="id y1" s.inp
expect 2 "the data file's columns lack y2, one of the model's 2147483647 occasions"
with "data file: a folder can't be read" '' -m uni -d d.dat -n 3 -q s.inp
mkdir d.dat
printf '' | timeout 60 "${program[@]}" -m uni -d d.dat -n 3 -q s.inp >stdout 2>stderr
status=$?
expect 0 "warning: d.dat: the data file can't be read, so it was not checked"
with "data file: beside the script, where Mplus looks" '' -m uni -d d.dat -n 3 -q out/s.inp
mkdir out && printf '1 2\n' >out/d.dat
printf '' | timeout 60 "${program[@]}" -m uni -d d.dat -n 3 -q out/s.inp >stdout 2>stderr
status=$?
expect 0 "warning: out/d.dat: the line of data has 2 values"
if [ "$eol" = lf ]; then
  # A device is Mplus's to read: the check leaves it alone.
  with "data file: a device is not read" '' -m uni -d /dev/null -n 3 -q s.inp
  expect 0 ""
  long=$(printf 'a%.0s' $(seq 300))
  with "data file: a name the system refuses" '' -m uni -d "$long/d.dat" -n 3 -q s.inp
  expect 0 "the data file can't be read, so it was not checked: File name too long"
fi
if [ "$eol" = lf ] && [ -x /usr/bin/time ]; then
  # A file of a gigabyte: only its beginning is read, in little memory.
  with "data file: a gigabyte, only its beginning read" '' -m uni -d d.dat -n 3 -q s.inp
  for _ in $(seq 100); do printf '1 2 3 4\n'; done >d.dat
  truncate -s 1G d.dat
  /usr/bin/time -f '%M' -o rss "${program[@]}" -m uni -d d.dat -n 3 -q s.inp </dev/null >stdout 2>stderr
  status=$?
  expect 0 "every line of data read (100 lines) has 4 values"
  [ "$(cat rss)" -lt 20000 ] || fail "took $(cat rss) KiB"
fi

# The dynamics of a fitted model, from Mplus's output: the trajectory table on standard output,
# the figure with --svg, both as the goldens; a cut output is refused.
for model in univariate bivariate; do
  with "--dynamics of the $model output" '' --dynamics="$golden/${model}_5.out" --svg=d.svg -q
  expect 0 ""
  cmp -s stdout "$golden/${model}_5.csv" || fail "the table differs: $(head -c 300 stdout)"
  cmp -s d.svg "$golden/${model}_5_dynamics.svg" || fail "d.svg differs"
  # A figure ldsgen drew is drawn over the next time.
  "${program[@]}" --dynamics="$golden/${model}_5.out" --svg=d.svg -q >stdout 2>stderr ||
    fail "not drawn again: $(cat stderr)"
done
with "--dynamics says what it read" '' --dynamics="$golden/univariate_5.out"
expect 0 "read from '.*univariate_5.out': the mean of the initial level of y, the mean of the slope of y"
with "--dynamics draws more occasions with -n" '' --dynamics="$golden/univariate_5.out" -n 12 -q
expect 0 ""
[ "$(wc -l <stdout)" = 13 ] && grep -q '^12,' stdout || fail "not 12 occasions: $(tail -1 stdout)"
with "--dynamics of a cut output" '' --dynamics=cut.out
head -c 3000 "$golden/bivariate_5.out" >cut.out
"${program[@]}" --dynamics=cut.out >stdout 2>stderr
status=$?
expect 1 "cannot read the dynamics from 'cut.out': it ends inside its MODEL RESULTS section"
[ -s stdout ] && fail "wrote a table: $(head -c 100 stdout)"
with "--dynamics of an output without variances" '' --dynamics=part.out
sed '/^ Variances/,/^$/d' "$golden/univariate_5.out" >part.out
"${program[@]}" --dynamics=part.out -q >stdout 2>stderr
status=$?
expect 0 "warning: 'part.out' lacks the variance of the initial level of y and the variance of the slope of y: the levels are drawn without bands"
grep -q '^5,[0-9.]*,,$' stdout || fail "bands without variances: $(tail -1 stdout)"
with "--dynamics with a count that is not one" '' --dynamics=r.out -n 1.5
expect 2 '"1.5" is not a whole number of occasions'
with "--dynamics of more occasions than it draws" '' --dynamics="$golden/univariate_5.out" -n 100001
expect 1 "the expected levels are worked out for at most 100000 occasions, not 100001"
with "--dynamics of an output that claims too many occasions" '' --dynamics=many.out
sed 's/^ LY5      BY/ LY2000000000 BY/' "$golden/univariate_5.out" >many.out
"${program[@]}" --dynamics=many.out -q >stdout 2>stderr
status=$?
expect 1 "not 2000000000: give fewer with -n"
with "--dynamics takes no answers" '' --dynamics=r.out -m bi
expect 2 "dynamics reads an existing Mplus output and takes no answers but -n"

# The R script beside the script: written from the same answers, and only over one of ours.
with "--lavaan writes the R script" '' -m uni -d d.dat -n 3 --lavaan=s.R s.inp
expect 0 ""
only_files s.R s.inp
cmp -s s.R <(native <"$golden/univariate_3.R") || fail "s.R differs from univariate_3.R"
with "--lavaan leaves an R file of the user's own" '' -m uni -d d.dat -n 3 --lavaan=mine.R s.inp
printf 'x <- 1\n' >mine.R
"${program[@]}" -m uni -d d.dat -n 3 --lavaan=mine.R s.inp >stdout 2>stderr
status=$?
expect 2 "cannot write R script 'mine.R': it is not an R script ldsgen wrote"
[ "$(cat mine.R)" = "x <- 1" ] || fail "mine.R changed"

with "-- before a script name that begins with -" '' -m 0 -d d.dat -n 3 -- -s.inp
expect 0 "" ./-s.inp univariate_3.inp
with "--help" '' --help
expect 0 ""
grep -q -- '--occasions=N' stdout && grep -q '143' stdout || fail "help: $(head -c 300 stdout)"
with "--version" '' -V
expect 0 ""
grep -q '^ldsgen [0-9]' stdout || fail "version: $(cat stdout)"
while IFS='|' read -r name message args; do
  # shellcheck disable=SC2086
  with "refused: $name" '' $args
  expect 2 "$message"
  grep -q "Try 'ldsgen --help' for more information." stderr || fail "no hint to --help"
  only_files
done <<'CASES'
model 2|wrong model '2': only univariate (uni, 0) and bivariate (bi, 1)|-m 2 -d d.dat -n 3 s.inp
occasions 4,5|"4,5" is not a whole number of occasions|-m 0 -d d.dat -n 4,5 s.inp
occasions 1|a change model needs at least 2 occasions|-m 0 -d d.dat -n 1 s.inp
a folder|the script file name 'dir/' names a folder|-m 0 -d d.dat -n 3 dir/
unknown option|unrecognized option '--colour'|--colour s.inp
missing value|option '--data' requires an argument|s.inp --data
two scripts|one script at a time|a.inp b.inp
CASES
with "a script name given that holds a data file is refused" '' -m 0 -d d.dat -n 3 d.dat
printf '1 2 3\n' >d.dat
printf '' | timeout 60 "${program[@]}" -m 0 -d d.dat -n 3 d.dat >stdout 2>stderr
status=$?
expect 2 "'d.dat' is not an ldsgen script and is left as it is"
only_files d.dat

# The diagram from the console: --svg beside the script, --draw of an existing script. Both
# are the page's Download SVG, byte for byte.
with "--svg writes the diagram with the script" '' -m 1 -d d.dat -n 3 --svg=s.svg s.inp
expect 0 "wrote s.inp"
cmp -s s.svg "$golden/bivariate_3.svg" || fail "s.svg has other line ends"
with "--draw draws an existing script" ''
printf 's.inp 0 d.dat 3' | timeout 60 "${program[@]}" -q >/dev/null
sed -e 's/^TITLE:.*/TITLE: my study/' -e 's/\* (1);/*-0.2 (1);/' s.inp >edited.inp
timeout 60 "${program[@]}" --draw s.inp >drawn.svg 2>stderr
status=$?
expect 0 ""
cmp -s drawn.svg "$golden/univariate_3.svg" || fail "drawn.svg differs from univariate_3.svg"
timeout 60 "${program[@]}" --draw=edited.inp --svg edited.svg >stdout 2>stderr
status=$?
expect 0 ""
cmp -s edited.svg "$golden/univariate_3.svg" || fail "the edited script draws another diagram"
printf '1 2 3\n4 5 6\n' >d.dat
timeout 60 "${program[@]}" --draw d.dat >stdout 2>stderr
status=$?
expect 1 "'d.dat' is not a script: it has no MODEL statements to draw"
timeout 60 "${program[@]}" --draw missing.inp >stdout 2>stderr
status=$?
expect 1 "cannot read 'missing.inp'"
sed -i 's/^MODEL:\(\r\?\)$/MODEL:\1\nf1 by y1 y2;\1/' edited.inp
timeout 60 "${program[@]}" --draw=edited.inp >stdout 2>stderr
status=$?
expect 0 "ldsgen: not drawn, not understood: f1 by y1 y2"
printf 'my notes\n' >notes.txt
timeout 60 "${program[@]}" --draw=s.inp --svg=notes.txt >stdout 2>stderr
status=$?
expect 1 "cannot write diagram file 'notes.txt': it is not a diagram ldsgen drew"
if [ "$eol" = lf ]; then
  timeout 60 "${program[@]}" --draw=s.inp --svg=/dev/full >stdout 2>stderr
  status=$?
  expect 1 "cannot write diagram file '/dev/full': No space left on device"
fi
run "--svg does not replace a file that is not a diagram" ''
printf 'my notes\n' >notes.txt
timeout 60 "${program[@]}" -m 0 -d d.dat -n 3 --svg notes.txt s.inp >stdout 2>stderr
status=$?
expect 2 "cannot write diagram file 'notes.txt': it is not a diagram ldsgen drew"
only_files notes.txt

if [ "$eol" = crlf ]; then
  # Windows: names are Unicode whatever the code page, the DATA statement carries the data name
  # in the code page (1252 for this LANG) through which Mplus opens files, and a character the
  # code page lacks is warned of.
  run "a Unicode script name, and the data name in the code page" ''
  printf '\xc3\x9cberpr\xc3\xbcfung.inp 0 Gr\xc3\xb6\xc3\x9fe\xe2\x82\xac\xc5\x82.dat 3' |
    LANG=C.UTF-8 timeout 60 "${program[@]}" >stdout 2>stderr
  status=$?
  expect 0 "holds characters that this Windows code page (1252) lacks"
  only_files $'\xc3\x9cberpr\xc3\xbcfung.inp'
  grep -q $'^DATA: FILE IS Gr\xf6\xdfe\x80?.dat;\r$' $'\xc3\x9cberpr\xc3\xbcfung.inp' ||
    fail "DATA line: $(grep -a DATA ./*.inp | od -c | head -3)"

  run "a full disk says so" 'Z:\\dev\\full 0 d.dat 3'
  expect 1 "cannot write script file 'Z:.dev.full': No space left on device"
fi

if [ "$eol" = lf ]; then
  # Answers through a FIFO, so that the test can act between two of them: start NAME, then
  # answer WORDS..., then finish (closes the answers and waits).
  start() {
    run "$1" ''
    mkfifo answers
    "${program[@]}" <answers >stdout 2>stderr &
    pid=$!
    exec 3>answers
  }
  answer() { printf '%s ' "$@" >&3; sleep 0.3; }
  finish() {
    exec 3>&-
    wait $pid
    status=$?
    rm answers
  }

  # The guard holds at the rename: a file of the user's own that took the script's name while
  # the questions were answered is left, and the script is kept beside it.
  for existing in no yes; do
    start "a data file saved under the name meanwhile is left, script existing: $existing"
    kept=s-1.inp
    [ $existing = yes ] && old_script >s.inp && : >s-1.inp && kept=s-2.inp
    answer s.inp 0 d.dat
    printf '1 2 3\n' >s.inp
    answer 3
    finish
    expect 1 "a file that is not an ldsgen script took its name while the questions were answered, and is left as it is; the script is kept as '$kept'" \
      $kept univariate_3.inp
    [ "$(cat s.inp)" = "1 2 3" ] || fail "s.inp was replaced"
    [ $existing = yes ] && only_files s-1.inp s-2.inp s.inp
    [ $existing = no ] && only_files s-1.inp s.inp
  done

  # Leftovers of a killed run are removed by the next run for the same name, never a live run's.
  run "leftovers of a run that was killed are removed" ''
  sh -c 'exit 0' &
  dead=$!
  wait $dead
  sleep 30 &
  alive=$!
  leftover="s.inp.ldsgen-$(hostname)-$dead-abcdef.tmp" live="s.inp.ldsgen-$(hostname)-$alive-abcdef.tmp"
  : >"$leftover"
  : >"$live"
  : >"other.inp.ldsgen-$(hostname)-$dead-abcdef.tmp"
  : >"s.inp.ldsgen-$(hostname)-99999999999999999999999-abcdef.tmp"
  printf 's.inp 0 d.dat 3' | timeout 60 "${program[@]}" >stdout 2>stderr
  status=$?
  kill $alive
  expect 0 "removed '$leftover', left by an ldsgen run that ended before it was done" \
    s.inp univariate_3.inp
  only_files "other.inp.ldsgen-$(hostname)-$dead-abcdef.tmp" s.inp \
    "s.inp.ldsgen-$(hostname)-99999999999999999999999-abcdef.tmp" "$live"

  start "a run does not remove the temporary file of a live run"
  answer s.inp 0
  printf 's.inp 1 d.dat 4' | timeout 60 "${program[@]}" >/dev/null 2>second
  answer d.dat 3
  finish
  expect 0 "" s.inp univariate_3.inp
  grep -v '^ldsgen: wrote ' second && fail "the second run said: $(cat second)"
  only_files s.inp second

  # Names that lead to a pipe through links are written directly.
  run "/dev/fd/3 leads to a pipe" ''
  { printf '/dev/fd/3 0 d.dat 3' | timeout 60 "${program[@]}" 3>&1 >stdout 2>stderr; } | cat >piped
  status=${PIPESTATUS[0]}
  expect 0 "" piped univariate_3.inp
  only_files piped

  # A count whose script can't fit on the disk is refused, both sizes said, and asked again.
  run "a script larger than the free space is refused" 's.inp 0 d.dat 2147483647 3'
  if [ "$(df -k --output=avail . | tail -n 1)" -gt 600000000 ]; then
    echo "skip: $case_name (this disk has room for 591 GB)"
  else
    expect 0 "a script of 2147483647 occasions takes 591,[0-9,]* bytes, and only [0-9,]* bytes are free where 's.inp' goes" \
      s.inp univariate_3.inp
  fi

  # Messages show a C1 control character escaped, as terminals would obey it.
  run "a C1 control character in a message is escaped" ''
  printf '1 2 3\n' >$'d\xc2\x9b2J.dat'
  printf 'd\xc2\x9b2J.dat\ns.inp 0 d.dat 3' | timeout 60 "${program[@]}" >stdout 2>stderr
  status=$?
  expect 0 "'d\\\\xC2\\\\x9B2J.dat' is not an ldsgen script" s.inp univariate_3.inp

  # A full disk, at once and in the middle of a huge body: an error, not a success, and an
  # earlier script stays whole.
  for model in 0 1; do
    run "full disk, model $model" ''
    printf '/dev/full %s d.dat 2147483647' "$model" | timeout 60 "${program[@]}" >stdout 2>stderr
    status=$?
    expect 1 "cannot write script file '/dev/full': No space left on device"
    run "file size limit in the body, model $model" ''
    old_script >big.inp
    printf 'big.inp %s d.dat 100000' "$model" |
      (trap '' XFSZ && ulimit -f 4096 && timeout 60 "${program[@]}") >stdout 2>stderr
    status=$?
    expect 1 "cannot write script file 'big.inp': File too large"
    cmp -s big.inp <(old_script) || fail "big.inp changed"
    only_files big.inp
  done

  run "a symbolic link stays, and the file it points to is replaced" ''
  mkdir scripts && old_script >scripts/real.inp && ln -s scripts/real.inp link.inp
  printf 'link.inp 0 d.dat 3' | timeout 60 "${program[@]}" >stdout 2>stderr
  status=$?
  expect 0 "" scripts/real.inp univariate_3.inp
  [ -L link.inp ] || fail "link.inp is no longer a link"
  [ "$(ls -A scripts)" = real.inp ] || fail "scripts holds $(ls -A scripts)"
  run "a link in a folder points beside itself" ''
  mkdir scripts && old_script >scripts/real.inp && ln -s real.inp scripts/link.inp
  printf 'scripts/link.inp 0 d.dat 3' | timeout 60 "${program[@]}" >stdout 2>stderr
  status=$?
  expect 0 "" scripts/real.inp univariate_3.inp
  [ -L scripts/link.inp ] || fail "scripts/link.inp is no longer a link"

  run "a loop of links is an error" ''
  ln -s loop.inp loop.inp
  printf 'loop.inp 0 d.dat 3' | timeout 60 "${program[@]}" >stdout 2>stderr
  status=$?
  expect 1 "cannot create script file 'loop.inp': Too many levels of symbolic links"

  run "a device is written directly" '/dev/null 1 d.dat 4'
  expect 0 ""
  only_files

  # Closed standard descriptors: no message may land in the script.
  for fd in 0 1 2; do
    run "standard descriptor $fd closed" ''
    printf 's.inp 0 d.dat\nx 3' >answers
    case $fd in
      0) timeout 60 "${program[@]}" <&- >stdout 2>stderr ;;
      1) timeout 60 "${program[@]}" <answers >&- 2>stderr ;;
      2) timeout 60 "${program[@]}" <answers >stdout 2>&- ;;
    esac
    status=$?
    rm answers
    if [ $fd = 0 ]; then
      expect 1 "input ended before the script file name was given"
    else
      [ "$status" = 0 ] || fail "status $status"
      if cmp -s s.inp "$golden/univariate_3.inp"; then pass; else fail "wrong script"; fi
    fi
  done

  # Ctrl-C at each question, both models: the earlier script stays and nothing else is left.
  # (Background jobs of a script start with SIGINT ignored; env gives it back its default.)
  while IFS='|' read -r input questions; do
    for existing in yes no; do
      run "Ctrl-C after '$input', script existing: $existing" ''
      [ $existing = yes ] && old_script >s.inp
      mkfifo answers
      env --default-signal=INT "${program[@]}" <answers >stdout 2>stderr &
      pid=$!
      exec 3>answers
      printf '%s ' $input >&3
      for _ in $(seq 100); do
        [ "$(wc -l <stdout)" -ge "$questions" ] && break
        sleep 0.05
      done
      sleep 0.1
      kill -INT $pid
      wait $pid
      status=$?
      exec 3>&-
      rm answers
      expect 130 ""
      left_as_it_was $existing
    done
  done <<'CASES'
s.inp|2
s.inp 0|3
s.inp 1|3
s.inp 0 d.dat|4
s.inp 1 d.dat|4
CASES

  # Two runs on one name at once: one complete script, equal to one of the two, and nothing else.
  run "two runs on one name at once" ''
  printf 'large.inp 1 d.dat 200000' | "${program[@]}" >/dev/null 2>&1
  printf 'small.inp 0 d.dat 3' | "${program[@]}" >/dev/null 2>&1
  printf 'same.inp 1 d.dat 200000' | "${program[@]}" >/dev/null 2>stderr &
  printf 'same.inp 0 d.dat 3' | "${program[@]}" >/dev/null 2>>stderr &
  wait
  if cmp -s large.inp same.inp || cmp -s small.inp same.inp; then
    pass
  else
    fail "same.inp is neither script ($(stat -c %s same.inp) bytes)"
  fi
  only_files large.inp same.inp small.inp
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
