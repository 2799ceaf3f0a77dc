# Shared by scripts/test and scripts/run (sourced, not run).
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The installer is a 32-bit program. Some machines (for instance virtual machines without 32-bit user
# mode) cannot execute 32-bit code at all; there the same sources are also built for 64-bit Windows and
# run on 64-bit Wine, so that the tests and the program still run.
machine_runs_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

build_target() { # triplet [cmake --build arguments...]
  local triplet=$1; shift
  local dir=$top/build/$triplet
  if [[ ! -f $dir/build.ninja ]]; then
    cmake -S "$top" -B "$dir" -G Ninja --toolchain "$top/cmake/mingw-$triplet.cmake" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  cmake --build "$dir" "$@"
}

# A private X server for windows when none is given; sets DISPLAY.
start_xvfb() {
  local number_file
  number_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 </dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [[ -s $number_file ]] && break
    sleep 0.1
  done
  [[ -s $number_file ]] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=:$(tr -d '\n' <"$number_file")
  rm -f "$number_file"
}

stop_xvfb() {
  [[ -n ${xvfb_pid:-} ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=
}

# Ends the build's wineserver, and with it every Wine process of that prefix.
stop_wine() { # build dir
  [[ -d $1/wineprefix ]] && WINEPREFIX=$1/wineprefix wineserver -k >/dev/null 2>&1
  return 0
}
