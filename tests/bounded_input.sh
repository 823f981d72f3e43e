#!/usr/bin/env bash
# A runaway answer (2.2 GB in one word) as each file name, with memory held to 100 MB: it must be
# refused and the question asked again, with memory use no larger than for a short answer.
# Usage: bounded_input.sh PROGRAM
set -u
program=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
passed=0 failed=0
timer=()
[ -x /usr/bin/time ] && timer=(/usr/bin/time -f 'peak %M KiB')
huge() { head -c 2200000000 /dev/zero | tr '\0' a; }

for question in script data; do
  if [ $question = script ]; then
    answers() { huge; printf ' s.inp 0 d.dat 3'; }
  else
    answers() { printf 's.inp 0 '; huge; printf ' d.dat 3'; }
  fi
  rm -f s.inp
  answers | (ulimit -v 102400 && "${timer[@]}" "$program") >stdout 2>stderr
  status=$?
  if [ $status = 0 ] && grep -q "the $question file name is longer than 4096 bytes" stderr &&
    grep -q '^DATA: FILE IS d.dat;$' s.inp; then
    echo "ok: 2.2 GB $question file name refused ($(grep -o 'peak.*' stderr))"
    passed=$((passed + 1))
  else
    echo "FAIL: 2.2 GB $question file name: status $status, $(head -c 300 stderr)"
    failed=$((failed + 1))
  fi
done
printf 's.inp 0 d.dat 3' | "${timer[@]}" "$program" >/dev/null 2>stderr
echo "for comparison, a short answer: $(grep -o 'peak.*' stderr)"
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
