#!/usr/bin/env bash
# The way in: ./pimbrel.sh test | soak | fuzz [seconds] | run | package | bench | help-images
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build="$root/build"
jobs=$(nproc 2>/dev/null || echo 2)

# Debian packages the build and the tests need.
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 fonts-wine
  fonts-wqy-microhei xvfb x11-utils xdotool imagemagick nsis fp-utils zip unzip
  zlib1g-dev libz-mingw-w64-dev python3 unicode-data locales python3-vobject syncthing curl
)

# Each step with the seconds since the start, so a slow one shows.
log() { printf '== %s (%d s)\n' "$*" "$SECONDS"; }

ensure_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  log "installing ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

# What a build folder was configured with: the arguments, the compilers asked for, the
# toolchain file, and the compiler CMake found (its version, which an upgrade changes).
configure_key() {  # folder, then cmake arguments
  local dir=$1 compiler
  shift
  printf '%s\n' "$*" "${CC-}" "${CXX-}"
  cat "$root/cmake/mingw-w64-x86_64.cmake"
  compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$dir/CMakeCache.txt" 2>/dev/null)
  [ -z "$compiler" ] || "$compiler" --version 2>/dev/null | head -n 1
}

# Configures the folder when it is new or any of its key changed; a changed key starts afresh,
# as CMake keeps a cached compiler and options otherwise.
configure() {  # folder, then cmake arguments
  local dir=$1 stamp=$1/pimbrel-configure.key
  shift
  [ -f "$dir/build.ninja" ] && [ -f "$stamp" ] && [ "$(configure_key "$dir" "$@")" = "$(cat "$stamp")" ] &&
    return 0
  cmake --fresh -S "$root" -B "$dir" -G Ninja -DPIMBREL_WERROR=ON "$@" >/dev/null
  configure_key "$dir" "$@" >"$stamp"
}

build_native() {
  # Line tables are all the sanitizers' reports need, and build faster than full debug data.
  configure "$build/native" -DCMAKE_BUILD_TYPE=Debug -DPIMBREL_SANITIZE=ON -DCMAKE_CXX_FLAGS_DEBUG=-g1
  cmake --build "$build/native" -j "$jobs"
}

# -O2 as Windows release builds go: -O3 took a seventh longer to compile for nothing the
# program shows. The bench measures the same build.
windows_release=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG"
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake")

build_windows() {  # $1, when given, the one target to build
  configure "$build/win" "${windows_release[@]}"
  cmake --build "$build/win" -j "$jobs" ${1:+--target "$1"}
}

build_fuzz() {
  CC=clang CXX=clang++ configure "$build/fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIMBREL_FUZZ=ON \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG"
  cmake --build "$build/fuzz" -j "$jobs"
}

# A private Wine prefix per build folder, made once; every Wine process of ours uses it.
# The CJK font is linked to the dialog fonts, so Chinese text renders while dialog units
# keep their Windows size, and it stands in for the SimSun that Chinese dialogs name; Wine's
# tray is told that no window manager will come (tools/wine_prefix.reg).
wine_prefix() {
  export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/.pimbrel-prefix" ]; then
    log "making the Wine prefix"
    timeout 300 wineboot -i >/dev/null 2>&1 || true
    { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$root/tools/wine_prefix.reg"; } >"$build/prefix.reg"
    timeout 120 wine regedit /S "$(winepath -w "$build/prefix.reg" 2>/dev/null)" >/dev/null 2>&1
    timeout 60 wineserver -w || true
    touch "$WINEPREFIX/.pimbrel-prefix"
  fi
}

wine_stop() { [ -n "${WINEPREFIX:-}" ] && timeout 30 wineserver -k 2>/dev/null || true; }

# A copy of the prefix whose display is set to $1 dots per inch, for the display-scale test.
wine_scaled_prefix() {
  local dpi=$1 base="$build/wineprefix"
  export WINEPREFIX="$build/wineprefix-$dpi"
  if [ ! -f "$WINEPREFIX/.pimbrel-dpi" ]; then
    rm -rf "$WINEPREFIX"
    cp -a "$base" "$WINEPREFIX"
    timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
      >/dev/null 2>&1
    timeout 60 wineserver -w || true
    touch "$WINEPREFIX/.pimbrel-dpi"
  fi
}

# A private X display for programs that need one; its number goes to DISPLAY.
xvfb_pid=""
xvfb_start() {
  local n
  for n in $(seq 91 120); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do
      xdpyinfo >/dev/null 2>&1 && return 0
      xset q >/dev/null 2>&1 && return 0
      [ -e "/tmp/.X11-unix/X$n" ] && sleep 0.2 && return 0
      sleep 0.1
    done
    kill "$xvfb_pid" 2>/dev/null || true
  done
  echo "no free X display" >&2
  return 1
}
xvfb_stop() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; xvfb_pid=""; }

# Puts the program into folder $1; data files are laid out only where absent.
install_program() {  # destination, then the build folder whose data folder it takes
  local dest=$1 data=${2:-$build/native}/data
  mkdir -p "$dest"
  cp -r -n "$data/." "$dest/"
  cp "$build/win/Pimbrel.exe" "$dest/"
}

# Adds a GoogleTest log's counts to the totals; a log without a summary, or one that ran no
# test (a filter that matches nothing), counts as one failure.
count_gtest() {
  local log=$1 ok bad ran
  # Programs under Wine end their lines with CR LF; the patterns below match whole lines.
  sed -i 's/\r$//' "$log"
  ok=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -n 1)
  bad=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -n 1)
  ran=$(sed -n 's/^\[==========\] \([0-9]*\) tests\{0,1\} from .* ran\..*/\1/p' "$log" | tail -n 1)
  if [ -z "$ok" ] || [ "${ran:-0}" -eq 0 ]; then
    tail -n 30 "$log"
    echo "no test ran in $(basename "$log" .log)"
    failures=$((failures + 1))
    return
  fi
  passed=$((passed + ok))
  failures=$((failures + ${bad:-0}))
  if [ -n "$bad" ]; then
    # Each failed test's own output, so that a failure in CI can be read from its log alone.
    local name
    for name in $(sed -n 's/^\[  FAILED  \] \([A-Za-z0-9_./]*\)\(,.*\)\{0,1\} ([0-9]* ms)$/\1/p' "$log" | head -n 5); do
      sed -n "/^\[ RUN      \] ${name//\//\\/}\$/,/^\[  FAILED  \] ${name//\//\\/}[ ,]/p" "$log" | head -n 40
    done
  fi
  echo "$ok passed, ${bad:-0} failed in $(basename "$log" .log)"
}

# A Windows name for a Unix path, through Wine's drive Z:.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# The end-to-end tests: the driver runs the real program in fresh copies of the installed
# data folder, in a private X display; the windows they open leave pictures in build/win/e2e-shots.
# $1 a GoogleTest filter (default all), $2 the log's name, $3 1 for the long soak figures.
run_e2e() {
  local filter=${1:-*} name=${2:-e2e} soak=${3:-0}
  local work="$build/win/$name-work" shots="$build/win/e2e-shots" log="$build/win/$name.log"
  local log144="$build/win/$name-144dpi.log"
  local display=${DISPLAY-}
  rm -rf "$work"
  [ "$soak" = 1 ] || rm -rf "$shots"
  mkdir -p "$work" "$shots"
  # Whatever happens, nothing of ours outlives the run (the sync engines stop by their pids).
  trap "wine_stop; xvfb_stop; '$root/tests/e2e/syncthing_pair.sh' stop '$work/syncthing' 2>/dev/null || true" EXIT
  trap 'exit 130' INT TERM
  if xvfb_start; then
    (
      export PIMBREL_E2E_EXE PIMBREL_E2E_DATA PIMBREL_E2E_WORK PIMBREL_E2E_SHOTS PIMBREL_E2E_SETUP
      export PIMBREL_E2E_SOAK=$soak
      PIMBREL_E2E_SETUP=$(windows_path "$build/package/Pimbrel-$("$root/installer/package.sh" version)-setup.exe")
      PIMBREL_E2E_EXE=$(windows_path "$build/win/Pimbrel.exe")
      PIMBREL_E2E_DATA=$(windows_path "$build/native/data")
      PIMBREL_E2E_WORK=$(windows_path "$work")
      PIMBREL_E2E_SHOTS=$(windows_path "$shots")
      cd "$build/win" && timeout 2400 wine tests/e2e/pimbrel_e2e.exe --gtest_filter="$filter"
    ) >"$log" 2>&1 || true
    # The display-scale scenario again, on a display set to 150%.
    wine_stop
    [ "$soak" = 1 ] || (
      wine_scaled_prefix 144
      export PIMBREL_E2E_EXE PIMBREL_E2E_DATA PIMBREL_E2E_WORK PIMBREL_E2E_SHOTS PIMBREL_E2E_DPI=144
      PIMBREL_E2E_EXE=$(windows_path "$build/win/Pimbrel.exe")
      PIMBREL_E2E_DATA=$(windows_path "$build/native/data")
      PIMBREL_E2E_WORK=$(windows_path "$work")
      PIMBREL_E2E_SHOTS=$(windows_path "$shots")
      cd "$build/win" && GTEST_FILTER='Scale.*' timeout 300 wine tests/e2e/pimbrel_e2e.exe
      wine_stop
    ) >"$log144" 2>&1 || true
  else
    echo "no X display for the end-to-end tests" >"$log"
    echo "no X display for the end-to-end tests" >"$log144"
  fi
  wine_stop
  xvfb_stop
  [ ! -d "$work/syncthing" ] || "$root/tests/e2e/syncthing_pair.sh" stop "$work/syncthing" || true
  trap - EXIT INT TERM
  if [ -n "$display" ]; then export DISPLAY="$display"; else unset DISPLAY; fi
  count_gtest "$log"
  [ "$soak" = 1 ] || count_gtest "$log144"
  echo "screenshots: $shots"
}

fuzz_targets() { ls "$build/fuzz/tests/fuzz" | grep -E '^fuzz_[a-z]+$'; }

# One fuzz target with the limit $2 ("-max_total_time=S" or "-runs=N") and the seed option $3;
# new inputs go to the build folder's corpus, or with $4 set to a fresh one each time. Its line
# of the report goes to <target>.result; false on a finding.
fuzz_one() {
  local target=$1 limit=$2 seed=$3 fresh=${4:-} name=${1#fuzz_}
  local work="$build/fuzz/corpus/$name" log="$build/fuzz/$target.log"
  [ -z "$fresh" ] || { work="$build/fuzz/fresh/$name"; rm -rf "$work"; }
  mkdir -p "$work"
  if "$build/fuzz/tests/fuzz/$target" "$work" "$root/tests/fuzz/corpus/$name" \
    "$limit" $seed -print_final_stats=1 -artifact_prefix="$build/fuzz/" >"$log" 2>&1; then
    echo "fuzz $name: $(grep -o 'number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*') runs, no finding" >"$build/fuzz/$target.result"
  else
    { echo "fuzz $name: FINDING, see $log"; tail -n 30 "$log"; } >"$build/fuzz/$target.result"
    return 1
  fi
}

# Runs every fuzz target, as many at once as there are cores (each runs on one): for $1 seconds
# each on the corpus grown so far; or, with $2, $2 runs each from the seed corpus alone with a
# fixed seed, so that the short run of the tests tries the same inputs on every machine and
# every time (a time limit would try more or fewer with the machine's speed).
run_fuzzers() {
  local limit="-max_total_time=$1" seed="" fresh="" failed=0 i target
  [ -z "${2:-}" ] || { limit="-runs=$2"; seed="-seed=1"; fresh=1; }
  local -a targets pids
  mapfile -t targets < <(fuzz_targets)
  for i in "${!targets[@]}"; do
    [ "$i" -lt "$jobs" ] || wait "${pids[i - jobs]}" || true
    rm -f "$build/fuzz/${targets[i]}.result"
    fuzz_one "${targets[i]}" "$limit" "$seed" "$fresh" &
    pids[i]=$!
  done
  wait
  for target in "${targets[@]}"; do
    cat "$build/fuzz/$target.result" 2>/dev/null || echo "fuzz ${target#fuzz_}: no result"
    if grep -q 'no finding$' "$build/fuzz/$target.result" 2>/dev/null; then
      passed=$((passed + 1))
    else
      failed=1
      failures=$((failures + 1))
    fi
  done
  return $failed
}

cmd_test() {
  ensure_packages "${packages[@]}"
  passed=0
  failures=0

  log "native build (unit tests, AddressSanitizer and UndefinedBehaviorSanitizer)"
  build_native
  log "unit tests"
  local out="$build/native/ctest.log"
  if (cd "$build/native" && ctest --output-on-failure -j "$jobs" >"$out" 2>&1); then :; fi
  grep -E 'tests passed|\*\*\*Failed|Not Run|Exception' "$out" | tail -n 40 || true
  local total fails
  total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$out" | tail -n 1)
  fails=$(sed -n 's/.*, \([0-9]*\) tests failed out of.*/\1/p' "$out" | tail -n 1)
  if [ -z "$total" ]; then
    tail -n 40 "$out"
    total=1 fails=1
  fi
  passed=$((passed + total - fails))
  failures=$((failures + fails))

  # Under Wine only the tests whose home is Windows: the Windows branch of the file layer
  # (wide paths, CreateFileW, MoveFileExW), every writer failed at each step through it, the
  # settings files, counters and run marker on it, and the archive names and restores, where
  # Windows' rules of names, open files and moves decide. The rest is portable code that the
  # native run above proves under the sanitizers.
  log "Windows build (mingw-w64) and its file-layer unit tests under Wine"
  build_windows
  wine_prefix
  (cd "$build/win" && timeout 600 wine tests/unit/pimbrel_unit_tests.exe \
    --gtest_filter="$wine_unit_tests" >"$build/win/wine-unit.log" 2>&1) || true
  wine_stop
  count_gtest "$build/win/wine-unit.log"

  log "package: help file, portable archive, installer (the end-to-end tests install it)"
  run_package
  # The fuzz build needs neither Wine nor a display: it is made at the lowest priority while
  # the end-to-end tests mostly wait on the program, and takes only the time they leave.
  log "end-to-end tests: the program under Wine in Xvfb (the fuzz build beside them)"
  (renice -n 19 -p "$BASHPID" >/dev/null
   ionice -c 3 -p "$BASHPID" 2>/dev/null || true
   build_fuzz) >"$build/fuzz-build.log" 2>&1 &
  local fuzz_build=$!
  run_e2e

  log "fuzz targets, briefly"
  if wait "$fuzz_build"; then
    run_fuzzers 0 "${PIMBREL_FUZZ_RUNS:-2000}" || true
  else
    tail -n 40 "$build/fuzz-build.log"
    echo "fuzz build failed: $build/fuzz-build.log"
    failures=$((failures + 1))
  fi

  log "test lines against code lines (tools/test_ratio.sh has the table)"
  "$root/tools/test_ratio.sh" | tail -n 1
  echo "$passed passed, $failures failed"
  [ "$failures" -eq 0 ]
}

# The long runs of tests/RELIABILITY.md: the same end-to-end programs that ./pimbrel.sh test runs short
# (crash: 50 kills, leak: 1,000 panel switches, the whole bad-input corpus under Wine).
cmd_soak() {
  ensure_packages "${packages[@]}"
  passed=0
  failures=0
  build_native
  build_windows
  wine_prefix
  run_package
  log "soak: crash, leak, bad-input, two-computer, import and restore-kill tests at full length under Wine"
  local start=$SECONDS
  run_e2e 'Crash.*:Leak.*:BadInput.*:Sync.*:Exchange.*:Backup.ARestoreKilled*' soak 1
  grep -E '^(crash test|leak test|bad input: [0-9]|[0-9]+ notes, |[0-9]+ contacts imported)' \
    "$build/win/soak.log" || true
  echo "soak took $((SECONDS - start)) s; log: $build/win/soak.log"
  echo "$passed passed, $failures failed"
  [ "$failures" -eq 0 ]
}

cmd_fuzz() {
  ensure_packages "${packages[@]}"
  passed=0
  failures=0
  build_fuzz
  run_fuzzers "${1:-60}"
  echo "$passed passed, $failures failed"
  [ "$failures" -eq 0 ]
}

cmd_run() {
  ensure_packages "${packages[@]}"
  # Only what it runs: the data folder's generator (natively, in Release, without the tests'
  # sanitizers) and the program; the tests of both configurations are the test command's.
  configure "$build/run" -DCMAKE_BUILD_TYPE=Release
  cmake --build "$build/run" -j "$jobs" --target datafolder
  build_windows Pimbrel
  local dest=${PIMBREL_HOME:-$HOME/Pimbrel}
  install_program "$dest" "$build/run"
  wine_prefix
  log "starting $dest/Pimbrel.exe"
  if [ -n "${DISPLAY:-}" ]; then
    cd "$dest" && exec wine Pimbrel.exe
  fi
  # No display: run it in a private one for a few seconds and keep a picture of the screen.
  trap 'wine_stop; xvfb_stop' EXIT
  xvfb_start
  (cd "$dest" && timeout 60 wine Pimbrel.exe >/dev/null 2>&1 &)
  sleep "${PIMBREL_RUN_SECONDS:-8}"
  import -window root "$dest/screenshot.png"
  echo "screenshot: $dest/screenshot.png"
}

# The package from the native data folder and the Windows program; it counts as one check.
run_package() {
  if "$root/installer/package.sh" package "$build/native" "$build/win" "$build/package"; then
    passed=$((passed + 1))
  else
    failures=$((failures + 1))
  fi
}

cmd_package() {
  ensure_packages "${packages[@]}"
  build_native
  build_windows
  "$root/installer/package.sh" package "$build/native" "$build/win" "$build/package"
}

# The bench command: optimised native build of bench/, the start-up measurement under Wine,
# the models' peak heap under valgrind's massif, then one table of every figure and budget,
# followed by the backup, the search and the import and export figures.
bench_packages=(libbenchmark-dev libxml2-dev valgrind)

# Start-up of Pimbrel.exe next to Wine's notepad.exe in a private display; "key value" lines
# into $1. PIMBREL_BENCH_PREFIX and PIMBREL_BENCH_DISPLAY choose another prefix and display.
bench_startup() {
  local out=$1 folder="$build/bench/startup-program"
  configure "$build/bench-win" "${windows_release[@]}" -DPIMBREL_BENCH=ON
  cmake --build "$build/bench-win" -j "$jobs" --target Pimbrel pimbrel_startup >/dev/null
  rm -rf "$folder"
  mkdir -p "$folder"
  cp -r "$build/bench/data/." "$folder/"
  cp "$build/bench-win/Pimbrel.exe" "$folder/"
  if [ -n "${PIMBREL_BENCH_PREFIX:-}" ]; then
    export WINEPREFIX=$PIMBREL_BENCH_PREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  else
    wine_prefix
  fi
  trap 'wine_stop; xvfb_stop' EXIT
  if [ -n "${PIMBREL_BENCH_DISPLAY:-}" ]; then
    Xvfb ":$PIMBREL_BENCH_DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$PIMBREL_BENCH_DISPLAY"
    sleep 1
  else
    xvfb_start
  fi
  (cd "$build/bench-win" && timeout 600 wine bench/pimbrel_startup.exe \
    "$(windows_path "$folder")" "${PIMBREL_BENCH_STARTS:-10}") >"$out" 2>"$build/bench/startup.log" || true
  wine_stop
  xvfb_stop
  trap - EXIT
}

# Peak heap (massif: requested bytes plus the allocator's) of the models over collections
# of 1,000 and 10,000 cards, so the per-card figure leaves out what every run holds.
bench_heap() {
  local out=$1 bin="$build/bench/bench/pimbrel_bench" n peak
  : >"$out"
  for n in 1000 10000; do
    rm -rf "$build/bench/heap-$n"
    "$bin" --heap-make "$build/bench/heap-$n" "$n"
    timeout 600 valgrind --tool=massif --massif-out-file="$build/bench/massif.$n.out" \
      "$bin" --heap-load "$build/bench/heap-$n" >"$build/bench/heap-$n.txt" 2>"$build/bench/massif.$n.log"
    peak=$(awk -F= '/^mem_heap_B/ {b=$2} /^mem_heap_extra_B/ {if (b+$2 > m) m=b+$2} END {print m+0}' \
      "$build/bench/massif.$n.out")
    if [ "$n" = 1000 ]; then
      echo "heap_peak_small $peak" >>"$out"
      echo "heap_cards_small $n" >>"$out"
    else
      echo "heap_peak_large $peak" >>"$out"
      echo "heap_cards_large $n" >>"$out"
      cat "$build/bench/heap-$n.txt" >>"$out"
    fi
    rm -rf "$build/bench/heap-$n"
  done
}

cmd_bench() {
  ensure_packages "${packages[@]}" "${bench_packages[@]}"
  configure "$build/bench" -DCMAKE_BUILD_TYPE=Release \
    -DPIMBREL_BENCH=ON
  cmake --build "$build/bench" -j "$jobs" --target pimbrel_bench pimbrel_backup_bench \
    pimbrel_search_bench pimbrel_exchange_bench datafolder >/dev/null
  log "start-up under Wine, Pimbrel.exe next to notepad.exe"
  bench_startup "$build/bench/startup.txt"
  log "peak heap of the models (valgrind massif)"
  bench_heap "$build/bench/heap.txt"
  log "benchmarks (Google Benchmark; full output in build/bench/benchmark.log)"
  local status=0
  "$build/bench/bench/pimbrel_bench" --extra "$build/bench/startup.txt" \
    --extra "$build/bench/heap.txt" --report "$build/bench/report.txt" \
    >"$build/bench/benchmark.log" 2>&1 || status=$?
  log "backup and restore of 30,000 records, the archive against Info-ZIP's zip -9 of the same files"
  local infozip="$build/bench/infozip" size=""
  rm -rf "$infozip"
  if "$build/bench/bench/pimbrel_backup_bench" --make "$infozip/data" &&
    (cd "$infozip/data" && zip -r -9 -q ../data.zip .); then
    size=$(stat -c %s "$infozip/data.zip")
  fi
  rm -rf "$infozip"
  "$build/bench/bench/pimbrel_backup_bench" ${size:+--infozip "$size"} \
    >>"$build/bench/report.txt" || status=1
  log "search over 120,000 records, the notes panel's filtered step over 20,000 notes"
  "$build/bench/bench/pimbrel_search_bench" >>"$build/bench/report.txt" || status=1
  log "vCards of 10,000 contacts in and out, Markdown of 10,000 notes and 100,000 cards"
  (cd "$build/bench" && bench/pimbrel_exchange_bench) >>"$build/bench/report.txt" || status=1
  cat "$build/bench/report.txt"
  echo "report: $build/bench/report.txt"
  return "$status"
}

wine_unit_tests='Path.*:SettingsTest.*:EveryWriter/*:BaseFileTest.*:ArchiveCheckTest.*:BackupTest.*'

case "${1:-}" in
  test) cmd_test ;;
  soak) cmd_soak ;;
  fuzz) shift; cmd_fuzz "$@" ;;
  run) cmd_run ;;
  package) cmd_package ;;
  bench) cmd_bench ;;
  help-images) "$root/installer/package.sh" help-images "$build/win/e2e-shots" ;;
  *)
    echo "usage: ./pimbrel.sh test | soak | fuzz [seconds] | run | package | bench | help-images" >&2
    exit 2
    ;;
esac
