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
  printf '%b' "$2" | timeout 60 "${program[@]}" ignored --arguments >stdout 2>stderr
  status=$?
}
# expect STATUS ERROR_PATTERN [SCRIPT GOLDEN]
expect() {
  local why=""
  [ "$status" = "$1" ] || why+=" status $status, not $1;"
  if [ -n "$2" ]; then
    grep -q -- "$2" stderr || why+=" stderr '$(head -c 200 stderr)' lacks '$2';"
  elif [ -s stderr ]; then
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
expect 0 "" out.inp bivariate_2.inp

run "wrapped variable lists" 'wide.inp 1 d.dat 30'
expect 0 ""
head -n 22 wide.inp | cmp -s - <(native <"$golden/bivariate_30_head.inp") || fail "wide.inp differs"

run "existing script emptied as soon as it is named" ''
printf 'old text that must go\n%.0s' {1..100} >s.inp
printf 's.inp' | timeout 60 "${program[@]}" >stdout 2>stderr
status=$?
expect 1 "input ended before the model code was given"
head -n 6 "$golden/univariate_3.inp" | native | cmp -s - s.inp || fail "s.inp is not the preamble"

# A script file that cannot be created is an error, and no more questions are asked.
for target in missing/out.inp .; do
  run "script file '$target' cannot be created" "$target 0 d.dat 3"
  expect 1 "cannot create script file '$target': "
  [ "$(cat stdout)" = "$(printf '%s\n' "$ask_script" | native)" ] || fail "asked on: $(cat stdout)"
done

if [ "$(id -u)" = 0 ]; then
  echo "skip: read-only script file (root may write any file)"
else
  run "read-only script file" ''
  touch ro.inp && chmod a-w ro.inp
  printf 'ro.inp 0 d 3' | timeout 60 "${program[@]}" >stdout 2>stderr
  status=$?
  expect 1 "cannot create script file 'ro.inp': "
fi

# End of input at each question: stop with the missing answer named.
while IFS='|' read -r input answer; do
  run "end of input before the $answer" "$input"
  expect 1 "ldsgen: input ended before the $answer was given"
done <<'CASES'
|script file name
s.inp|model code
s.inp 3 x|model code
s.inp 1|data file name
s.inp 1 d.dat|number of occasions
s.inp 1 d.dat lots - +|number of occasions
CASES

# Unreadable numbers: a wrong code, or the occasions asked again.
run "unreadable model codes" 's.inp abc - 99999999999 1 d.dat 2'
expect 0 ""
[ "$(grep -c 'Wrong code' stdout)" = 3 ] || fail "expected three rejections"
run "unreadable occasion counts" 's.inp 0 d.dat x -- 2147483648 -2147483649 3'
expect 0 "the number of occasions must be a whole number from -2147483648 to 2147483647"
[ "$(grep -c 'How many occasions' stdout)" = 5 ] || fail "expected the question five times"
cmp -s s.inp <(sed 's/out.inp/s.inp/' "$golden/univariate_3.inp" | native) || fail "wrong script"

if [ "$eol" = lf ]; then
  # A full disk, at once and in the middle of a huge body: an error, not a success.
  for model in 0 1; do
    run "full disk, model $model" ''
    printf '/dev/full %s d.dat 2147483647' "$model" | timeout 60 "${program[@]}" >stdout 2>stderr
    status=$?
    expect 1 "cannot write script file '/dev/full': No space left on device"
    run "file size limit in the body, model $model" ''
    printf 'big.inp %s d.dat 100000' "$model" |
      (trap '' XFSZ && ulimit -f 4096 && timeout 60 "${program[@]}") >stdout 2>stderr
    status=$?
    expect 1 "cannot write script file 'big.inp': File too large"
    [ "$(stat -c %s big.inp)" = 4194304 ] || fail "big.inp is $(stat -c %s big.inp) bytes"
  done
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
