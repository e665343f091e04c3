#!/usr/bin/env bash
# Non-blank lines of tests against code, per folder, and their ratio.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

# Non-blank lines of the source files under the given paths (corpora left out).
lines() {
  find "$@" -type f \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' -o -name '*.h' -o -name '*.hpp' \
    -o -name '*.rc' -o -name '*.sh' -o -name '*.py' -o -name '*.nsi' -o -name '*.cmake' \
    -o -name CMakeLists.txt \) -not -path 'tests/corpus/*' -not -path 'tests/fuzz/corpus/*' \
    -print0 2>/dev/null | xargs -0 -r cat | grep -c '[^[:space:]]' || true
}

code=0 tests=0
printf '%-22s %6s\n' folder lines
for dir in src res tools bench installer cmake pimbrel.sh CMakeLists.txt; do
  [ -e "$dir" ] || continue
  n=$(lines "$dir")
  code=$((code + n))
  printf '%-22s %6d\n' "$dir" "$n"
done
printf '%-22s %6d\n' 'code' "$code"
for dir in tests/unit tests/e2e tests/fuzz; do
  n=$(lines "$dir")
  printf '%-22s %6d\n' "$dir" "$n"
done
tests=$(lines tests)
printf '%-22s %6d\n' 'tests' "$tests"
echo "test lines are $((tests * 100 / code))% of code lines ($tests of $code)"
