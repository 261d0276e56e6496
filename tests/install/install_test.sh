#!/usr/bin/env bash
# install_test.sh STEP [ARGS...]: one step of the install tests (tests/install/install.cmake).
# Everything after the install itself uses only the installed prefix: no path into the
# source or build tree reaches a compiler, pkg-config, the loader or Python.
# Environment: BUILD_DIR, SOURCE_DIR, WORK_DIR, CMAKE, CPACK, CC, CXX, LIBDIR, BINDIR,
# INCLUDEDIR, PYTHONDIR, SIMDIR, CMAKEDIR (the last six relative to the prefix),
# PYTHON_MODULE_DIRS (';'-separated folders of the Python builds), INTERNAL_HEADERS,
# PROJECT_VERSION.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# The module files the Python builds made.
PYTHON_MODULES=""
for d in $(tr ';' ' ' <<<"${PYTHON_MODULE_DIRS:-}"); do
  for m in "$d"/corvane.*so; do [ -f "$m" ] && PYTHON_MODULES="$PYTHON_MODULES;${m##*/}"; done
done
PYTHON_MODULES=${PYTHON_MODULES#;}
step=$1
shift
prefix="$WORK_DIR/prefix"
expected="$here/expected"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
finish() {
  if [ "$failures" -ne 0 ]; then echo "$step: $failures check(s) failed"; exit 1; fi
  echo "$step: all checks passed"
  exit 0
}
# A clean environment for the consumers: nothing of the build's own search paths.
clean_env=(env -u LD_LIBRARY_PATH -u LD_PRELOAD -u PYTHONPATH -u PKG_CONFIG_PATH
  -u CMAKE_PREFIX_PATH -u CORVANE_SIM_BOARDS -u PYTHONHOME)

install_into() {  # install_into DIR [extra cmake --install args]
  local dir=$1; shift
  if ! "$CMAKE" --install "$BUILD_DIR" --prefix "$dir" "$@" > "$dir.log" 2>&1; then
    cat "$dir.log"; fail "cmake --install into $dir"; finish
  fi
}

# The tree below a folder: "path type [link target]" a line, sorted.
listing() {
  (cd "$1" && find . -mindepth 1 -printf '%p %y %l\n' | sort)
}

# Compares a program's output with an expected file.
compare() {  # compare NAME EXPECTED-FILE ACTUAL-FILE
  if ! diff -u "$2" "$3"; then fail "$1: output differs from $(basename "$2")"; fi
}

case "$step" in
prefix)
  rm -rf "$prefix" "$prefix.log"
  install_into "$prefix"
  finish
  ;;

tree)
  # The library with its SONAME link and development link.
  lib="$prefix/$LIBDIR"
  [ -f "$lib/libCorvane.so.1.0.0" ] && [ ! -L "$lib/libCorvane.so.1.0.0" ] || fail "no libCorvane.so.1.0.0 in $LIBDIR"
  [ "$(readlink "$lib/libCorvane.so.1")" = libCorvane.so.1.0.0 ] || fail "libCorvane.so.1 is not a link to libCorvane.so.1.0.0"
  [ "$(readlink "$lib/libCorvane.so")" = libCorvane.so.1 ] || fail "libCorvane.so is not a link to libCorvane.so.1"
  readelf -d "$lib/libCorvane.so.1.0.0" | grep -q 'Library soname: \[libCorvane.so.1\]' || fail "SONAME is not libCorvane.so.1"
  ls "$lib"/libCorvane.a "$lib"/libcorvane_static* 2>/dev/null && fail "a static archive is installed"
  # Everything else each package needs.
  for f in "$BINDIR/boardlist" "$BINDIR/corvane" "$BINDIR/corvane-modbus" "$BINDIR/corvane-sim" "$SIMDIR/libcorvane_sim.so" "$SIMDIR/corvane-sim-server" \
           "$INCLUDEDIR/corvane/Corvane.h" "$INCLUDEDIR/corvane/corvane_sim.h" \
           "$CMAKEDIR/CorvaneConfig.cmake" "$CMAKEDIR/CorvaneConfigVersion.cmake" \
           "$CMAKEDIR/CorvaneTargets.cmake" "$CMAKEDIR/CorvaneSimulatorTargets.cmake" \
           "$LIBDIR/pkgconfig/corvane.pc" "$LIBDIR/pkgconfig/corvane-sim.pc" \
           lib/udev/rules.d/60-corvane.rules share/doc/libcorvane-dev/README.md \
           share/doc/libcorvane-dev/simulator.md share/doc/libcorvane-dev/modbus.md \
           share/doc/libcorvane-dev/boards.md share/doc/libcorvane-dev/guide/interrupts.md \
           share/doc/libcorvane-dev/examples/c/first_steps.c \
           share/man/man1/boardlist.1.gz share/man/man1/corvane.1.gz share/man/man1/corvane-modbus.1.gz \
           share/man/man1/corvane-sim.1.gz; do
    [ -f "$prefix/$f" ] || fail "missing $f"
  done
  # The installed documents' links between each other hold in the installed tree.
  for page in "$prefix"/share/doc/libcorvane-dev/*.md "$prefix"/share/doc/libcorvane-dev/guide/*.md; do
    grep -oE '\]\([^)#]+' "$page" | sed 's/^](//' | grep -vE '^[a-z]+:| ' | while read -r target; do
      [ -e "$(dirname "$page")/$target" ] || echo "${page#"$prefix"/}: $target"
    done
  done > "$WORK_DIR/broken-links.txt"
  [ -s "$WORK_DIR/broken-links.txt" ] && fail "installed documents link to missing files: $(tr '\n' ' ' < "$WORK_DIR/broken-links.txt")"
  packages="libcorvane1 libcorvane-dev corvane-tools corvane-sim"
  [ -n "$PYTHON_MODULES" ] && packages="$packages python3-corvane"
  for pkg in $packages; do
    [ -f "$prefix/share/doc/$pkg/copyright" ] || fail "missing share/doc/$pkg/copyright"
  done
  [ -n "$PYTHON_MODULES" ] || [ ! -e "$prefix/share/doc/python3-corvane" ] ||
    fail "documents of python3-corvane installed without any module"
  [ -x "$prefix/$BINDIR/boardlist" ] || fail "boardlist is not executable"
  [ -x "$prefix/$BINDIR/corvane" ] || fail "corvane is not executable"
  # Every module the builds made, nothing else of ours, the stubs and the marker.
  modules=$(tr ';' '\n' <<<"$PYTHON_MODULES" | sed '/^$/d' | sort)
  present=$(cd "$prefix/$PYTHONDIR" 2>/dev/null && ls -1 corvane.*so 2>/dev/null | sort)
  [ "$modules" = "$present" ] || fail "Python modules: expected [$modules], found [$present]"
  if [ -n "$modules" ]; then
    for f in corvane.pyi corvane-stubs/__init__.pyi corvane-stubs/py.typed corvane_sim.py; do
      [ -f "$prefix/$PYTHONDIR/$f" ] || fail "missing $PYTHONDIR/$f"
    done
  fi
  # Nothing finds its libraries in the build tree: every run path is relative to the
  # file, and no text file names the source or build tree.
  while IFS= read -r -d '' f; do
    if head -c 4 "$f" | grep -q 'ELF'; then
      paths=$(readelf -d "$f" | sed -nE 's/.*\((RPATH|RUNPATH)\).*\[(.*)\]/\2/p' | tr ':' '\n')
      while read -r p; do
        [ -z "$p" ] || [[ "$p" == '$ORIGIN'* ]] || fail "${f#"$prefix"/} has the run path $p"
      done <<<"$paths"
    elif sed "s|$prefix||g" "$f" | grep -qF -e "$BUILD_DIR" -e "$SOURCE_DIR"; then
      # (the prefix of these tests lies in the build tree: only other paths count)
      fail "${f#"$prefix"/} names the source or build tree"
    fi
  done < <(find "$prefix" -type f -print0)
  # The run paths lead to the installed library.
  for f in "$prefix/$BINDIR/boardlist" "$prefix/$BINDIR/corvane" "$prefix/$BINDIR/corvane-modbus" "$prefix/$PYTHONDIR"/corvane.*so; do
    [ -f "$f" ] || continue
    resolved=$("${clean_env[@]}" ldd "$f" | sed -nE 's/.*libCorvane\.so\.1 => ([^ ]*).*/\1/p')
    [ "$(realpath "$resolved" 2>/dev/null)" = "$(realpath "$lib/libCorvane.so.1")" ] ||
      fail "${f#"$prefix"/} loads libCorvane.so.1 from '$resolved'"
  done
  # The installed command-line tool over the installed simulator lists the default boards.
  "${clean_env[@]}" "$prefix/$BINDIR/corvane-sim" -- "$prefix/$BINDIR/corvane" list > "$WORK_DIR/corvane_list.txt" 2>&1 ||
    fail "corvane list failed: $(cat "$WORK_DIR/corvane_list.txt")"
  compare corvane_list "$SOURCE_DIR/tests/corvane/golden/list.txt" "$WORK_DIR/corvane_list.txt"
  finish
  ;;

cmake-consumer)
  out="$WORK_DIR/cmake-consumer"
  rm -rf "$out"
  if ! "${clean_env[@]}" "$CMAKE" -S "$here/consumer" -B "$out" -G Ninja \
      -DCMAKE_C_COMPILER="$CC" -DCMAKE_CXX_COMPILER="$CXX" -DCMAKE_PREFIX_PATH="$prefix" \
      -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF \
      > "$out.log" 2>&1; then
    cat "$out.log"; fail "the consumer project does not configure"; finish
  fi
  found=$(sed -n 's/^Corvane_DIR:PATH=//p' "$out/CMakeCache.txt")
  [ "$(realpath "$found")" = "$(realpath "$prefix/$CMAKEDIR")" ] || fail "Corvane_DIR is $found"
  if ! "$CMAKE" --build "$out" >> "$out.log" 2>&1; then
    cat "$out.log"; fail "the consumer project does not build"; finish
  fi
  "${clean_env[@]}" "$prefix/$BINDIR/corvane-sim" -- "$out/list_boards" > "$out/boards.txt" 2>&1 ||
    fail "list_boards failed: $(cat "$out/boards.txt")"
  compare list_boards "$expected/default_boards.txt" "$out/boards.txt"
  # The installed runner starts the installed server (a private one for a script).
  echo "at 0s set-inputs keloe6100_0 0x1" > "$out/steps.script"
  "${clean_env[@]}" "$prefix/$BINDIR/corvane-sim" --script "$out/steps.script" -- "$out/list_boards" \
    > "$out/served.txt" 2>&1 || fail "list_boards on a private server failed: $(cat "$out/served.txt")"
  compare "list_boards on a private server" "$expected/default_boards.txt" "$out/served.txt"
  # Corvane::Simulator: the simulator linked in, bit 31 and bit 0 both ways.
  got=$("${clean_env[@]}" CORVANE_SIM_BOARDS=keloe6100 "$out/drive_simulated_board" 2>&1)
  [ "$got" = "inputs 0x80000001 outputs 0x80000000" ] || fail "drive_simulated_board: $got"
  finish
  ;;

pkgconfig-consumer)
  out="$WORK_DIR/pkgconfig-consumer"
  rm -rf "$out" && mkdir -p "$out"
  pc=(env PKG_CONFIG_PATH= PKG_CONFIG_LIBDIR="$prefix/$LIBDIR/pkgconfig" pkg-config)
  cflags=$("${pc[@]}" --cflags corvane) || fail "pkg-config --cflags corvane"
  cflags=$(echo $cflags)
  libs=$("${pc[@]}" --libs corvane) || fail "pkg-config --libs corvane"
  libs=$(echo $libs)
  [ "$cflags" = "-I$prefix/$INCLUDEDIR" ] || fail "cflags: $cflags"
  [ "$libs" = "-L$prefix/$LIBDIR -lCorvane" ] || fail "libs: $libs"
  [ "$("${pc[@]}" --modversion corvane)" = "$PROJECT_VERSION" ] || fail "corvane.pc has another version"
  sim_libs=$("${pc[@]}" --libs corvane-sim) || fail "pkg-config --libs corvane-sim"
  sim_libs=$(echo $sim_libs)
  [ "$sim_libs" = "-L$prefix/$SIMDIR -lcorvane_sim" ] || fail "corvane-sim libs: $sim_libs"
  # shellcheck disable=SC2086
  if ! "$CC" -std=c11 -Wall -Wextra -Wpedantic -Werror -o "$out/list_boards" "$here/list_boards.c" \
      $cflags $libs > "$out/build.log" 2>&1; then
    cat "$out/build.log"; fail "list_boards.c does not build with the pkg-config flags"; finish
  fi
  "${clean_env[@]}" LD_LIBRARY_PATH="$prefix/$LIBDIR" "$prefix/$BINDIR/corvane-sim" -- \
    "$out/list_boards" > "$out/boards.txt" 2>&1 || fail "list_boards failed: $(cat "$out/boards.txt")"
  compare list_boards.c "$expected/default_boards.txt" "$out/boards.txt"
  finish
  ;;

python)  # python INTERPRETER [MODULE-FILE]: import from the prefix only, list the boards
  interpreter=$1
  module=${2:-}
  out="$WORK_DIR/python-$(basename "$(dirname "$(dirname "$interpreter")")")${module:+-stable}"
  mkdir -p "$out"
  args=()
  [ -n "$module" ] && args=("$prefix/$PYTHONDIR/$module")
  "${clean_env[@]}" PYTHONPATH="$prefix/$PYTHONDIR" PYTHONNOUSERSITE=1 PYTHONDONTWRITEBYTECODE=1 \
    HOME="$out" "$prefix/$BINDIR/corvane-sim" -- "$interpreter" -s "$here/list_boards.py" "${args[@]}" \
    > "$out/boards.txt" 2> "$out/stderr.txt" || fail "list_boards.py failed: $(cat "$out/stderr.txt")"
  cat "$out/stderr.txt"
  compare list_boards.py "$expected/default_boards.txt" "$out/boards.txt"
  # The simulator server's client lies beside the module.
  where=$("${clean_env[@]}" PYTHONPATH="$prefix/$PYTHONDIR" PYTHONNOUSERSITE=1 PYTHONDONTWRITEBYTECODE=1 \
    "$interpreter" -s -c 'import corvane_sim; print(corvane_sim.__file__)' 2>&1)
  [ "$where" = "$prefix/$PYTHONDIR/corvane_sim.py" ] || fail "corvane_sim: $where"
  if [ -n "$module" ]; then
    grep -qx "module $module" "$out/stderr.txt" || fail "not the module $module"
  else
    tag=$("$interpreter" -c 'import sys; print("%d%d" % sys.version_info[:2])')
    grep -qE "^module corvane\.cpython-$tag-" "$out/stderr.txt" || fail "not the CPython $tag build"
  fi
  finish
  ;;

versions)  # same-major compatibility: 1.0 and 1.0.0 found, 2.0, 0.9 and 1.1 refused
  for case in 1.0:found 1.0.0:found 2.0:refused 0.9:refused 1.1:refused; do
    requested=${case%%:*}
    want=${case##*:}
    out="$WORK_DIR/version-$requested"
    rm -rf "$out"
    "${clean_env[@]}" "$CMAKE" -S "$here/version_check" -B "$out" -DREQUESTED="$requested" \
      -DCMAKE_C_COMPILER="$CC" -DCMAKE_PREFIX_PATH="$prefix" \
      -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF \
      > "$out.log" 2>&1
    rc=$?
    if [ "$want" = found ]; then
      [ $rc -eq 0 ] && grep -q "Corvane $PROJECT_VERSION found for $requested" "$out.log" ||
        { cat "$out.log"; fail "find_package(Corvane $requested) did not find $PROJECT_VERSION"; }
    else
      [ $rc -ne 0 ] && grep -q "compatible with requested version \"$requested\"" "$out.log" &&
        grep -q "version: $PROJECT_VERSION" "$out.log" ||
        { cat "$out.log"; fail "find_package(Corvane $requested REQUIRED) did not fail on the version"; }
    fi
  done
  finish
  ;;

components)  # libcorvane1 and libcorvane-dev alone: a program builds; no Simulator
  only="$WORK_DIR/prefix-dev"
  rm -rf "$only" && mkdir -p "$only"
  install_into "$only" --component runtime
  install_into "$only" --component dev
  for f in "$BINDIR" "$SIMDIR" "$PYTHONDIR" "$INCLUDEDIR/corvane/corvane_sim.h" \
           "$CMAKEDIR/CorvaneSimulatorTargets.cmake" "$LIBDIR/pkgconfig/corvane-sim.pc"; do
    [ ! -e "$only/$f" ] || fail "runtime and dev installed $f"
  done
  for simulator in OFF ON; do
    out="$WORK_DIR/components-$simulator"
    rm -rf "$out"
    "${clean_env[@]}" "$CMAKE" -S "$here/version_check" -B "$out" -DREQUESTED=1.0 -DSIMULATOR=$simulator \
      -DCMAKE_C_COMPILER="$CC" -DCMAKE_PREFIX_PATH="$only" \
      -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF \
      > "$out.log" 2>&1
    rc=$?
    if [ $simulator = OFF ]; then
      [ $rc -eq 0 ] || { cat "$out.log"; fail "find_package(Corvane 1.0) without the simulator installed"; }
    else
      [ $rc -ne 0 ] && grep -q "the component Simulator (Corvane::Simulator) is not installed" "$out.log" ||
        { cat "$out.log"; fail "find_package(Corvane COMPONENTS Simulator) without corvane-sim"; }
    fi
  done
  # The same with the simulator's component added.
  install_into "$only" --component sim
  "${clean_env[@]}" "$CMAKE" -S "$here/version_check" -B "$WORK_DIR/components-sim" -DREQUESTED=1.0 \
    -DSIMULATOR=ON -DCMAKE_C_COMPILER="$CC" -DCMAKE_PREFIX_PATH="$only" \
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF \
    > "$WORK_DIR/components-sim.log" 2>&1 ||
    { cat "$WORK_DIR/components-sim.log"; fail "find_package(Corvane COMPONENTS Simulator) with corvane-sim"; }
  finish
  ;;

destdir)  # DESTDIR staging: the same tree under DESTDIR/<configured prefix>
  stage="$WORK_DIR/stage"
  rm -rf "$stage"
  configured=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$BUILD_DIR/CMakeCache.txt")
  if ! DESTDIR="$stage" "$CMAKE" --install "$BUILD_DIR" > "$stage.log" 2>&1; then
    cat "$stage.log"; fail "DESTDIR=$stage cmake --install"; finish
  fi
  [ "$(cd "$stage" && find . -mindepth 1 -maxdepth 1)" = "./$(cut -d/ -f2 <<<"$configured")" ] ||
    fail "DESTDIR holds more than the configured prefix $configured"
  diff <(listing "$prefix") <(listing "$stage$configured") || fail "the staged tree differs from the prefix install"
  grep -qx "prefix=$configured" "$stage$configured/$LIBDIR/pkgconfig/corvane.pc" ||
    fail "the staged corvane.pc does not name the final prefix $configured"
  grep -rqF "$stage" "$stage" && fail "a staged file names the staging folder"
  finish
  ;;

reinstall)  # twice into one prefix, and over an older install: one consistent tree
  again="$WORK_DIR/prefix-again"
  rm -rf "$again" && mkdir -p "$again"
  install_into "$again"
  listing "$again" > "$WORK_DIR/first.txt"
  install_into "$again"
  listing "$again" > "$WORK_DIR/second.txt"
  diff "$WORK_DIR/first.txt" "$WORK_DIR/second.txt" || fail "a second install changed the tree"
  # An older install: internal headers and a module of an interpreter no longer built;
  # files that are not ours stay.
  touch "$again/$INCLUDEDIR/corvane/CApiFrame.h" "$again/$INCLUDEDIR/corvane/UnitChecks.h"
  mkdir -p "$again/$PYTHONDIR" "$again/$INCLUDEDIR/other"
  touch "$again/$PYTHONDIR/corvane.cpython-39-x86_64-linux-gnu.so" "$again/$PYTHONDIR/other.py" \
    "$again/$INCLUDEDIR/other/other.h"
  install_into "$again"
  rm "$again/$PYTHONDIR/other.py" "$again/$INCLUDEDIR/other/other.h" ||
    fail "files that are not ours were removed"
  rmdir "$again/$INCLUDEDIR/other"
  listing "$again" > "$WORK_DIR/third.txt"
  if [ "$(tr ';' '\n' <<<"$PYTHON_MODULES" | sed '/^$/d' | wc -l)" -eq 0 ]; then
    # Without Python builds the dist-packages folder (and its parents) were made by this
    # test.
    made="^\./$(dirname "$PYTHONDIR")( |/${PYTHONDIR##*/})"
    grep -Ev "$made" "$WORK_DIR/third.txt" > "$WORK_DIR/third.filtered" || true
    grep -Ev "$made" "$WORK_DIR/first.txt" > "$WORK_DIR/first.filtered" || true
    diff "$WORK_DIR/first.filtered" "$WORK_DIR/third.filtered" || fail "the install over an older one left its files"
  else
    diff "$WORK_DIR/first.txt" "$WORK_DIR/third.txt" || fail "the install over an older one left its files"
  fi
  finish
  ;;

runner-alone)  # an installed corvane-sim without its library says where it looked
  lonely="$WORK_DIR/lonely/$BINDIR"
  rm -rf "$WORK_DIR/lonely" && mkdir -p "$lonely"
  cp "$prefix/$BINDIR/corvane-sim" "$lonely/"
  "${clean_env[@]}" "$lonely/corvane-sim" -- true 2> "$WORK_DIR/lonely.err"
  rc=$?
  [ $rc -eq 127 ] || fail "exit status $rc instead of 127"
  want="corvane-sim: cannot find libcorvane_sim.so (looked for $lonely/libcorvane_sim.so or $lonely/$(realpath -m --relative-to="/p/$BINDIR" "/p/$SIMDIR")/libcorvane_sim.so)"
  [ "$(cat "$WORK_DIR/lonely.err")" = "$want" ] || fail "message: $(cat "$WORK_DIR/lonely.err") (expected: $want)"
  # With its library (the prefix's own runner) the default boards are there.
  out=$("${clean_env[@]}" "$prefix/$BINDIR/corvane-sim" -- ls /dev/ | tr '\n' ' ')
  [ "$out" = "kelo3100_0 kelo4210_0 keloe5100_0 keloe6100_0 keloe7100_0 " ] || fail "ls /dev/ over the installed simulator: $out"
  finish
  ;;

udev-rule)  # the rule gives group corvane 0660 on every prefix a discoverer claims
  rule="$SOURCE_DIR/packaging/60-corvane.rules"
  prefixes=$(sed -nE 's/.*LinuxCardDiscovery\(\{(.*)\}\).*/\1/p' "$SOURCE_DIR"/boards/*Discovery.cpp |
             tr ',' '\n' | tr -d ' "' | sed '/^$/d' | sort)
  [ "$(wc -l <<<"$prefixes")" -ge 10 ] || fail "found only these discoverer prefixes: $prefixes"
  for p in $prefixes; do
    grep -qxF "KERNEL==\"$p*\", GROUP=\"corvane\", MODE=\"0660\"" "$rule" || fail "no rule for $p"
  done
  ruled=$(sed -nE 's/^KERNEL=="([^"*]*)\*".*/\1/p' "$rule" | sort)
  [ "$ruled" = "$prefixes" ] || fail "the rule names other prefixes: $ruled"
  finish
  ;;

package)  # cpack -G DEB: what each package holds, its control data, lintian
  out="$WORK_DIR/packages"
  rm -rf "$out" && mkdir -p "$out"
  if ! (cd "$BUILD_DIR" && "$CPACK" -G DEB -B "$out") > "$out/cpack.log" 2>&1; then
    cat "$out/cpack.log"; fail "cpack -G DEB"; finish
  fi
  packages="libcorvane1 libcorvane-dev corvane-tools corvane-sim"
  [ -n "$PYTHON_MODULES" ] && packages="$packages python3-corvane"
  arch=$(dpkg --print-architecture)
  : > "$out/all-files.txt"
  for pkg in $packages; do
    deb="$out/${pkg}_${PROJECT_VERSION}_$arch.deb"
    [ -f "$deb" ] || { fail "no $(basename "$deb")"; continue; }
    [ "$(dpkg-deb -f "$deb" Version)" = "$PROJECT_VERSION" ] || fail "$pkg: version $(dpkg-deb -f "$deb" Version)"
    dpkg-deb -c "$deb" | awk '{ print substr($1, 1, 1), $6 }' > "$out/$pkg.contents"
    awk '$1 != "d" { print $2 }' "$out/$pkg.contents" | tee -a "$out/all-files.txt" > "$out/$pkg.files"
    rm -rf "$out/x/$pkg" && mkdir -p "$out/x/$pkg" && dpkg-deb -x "$deb" "$out/x/$pkg"
    dpkg-deb -e "$deb" "$out/x/$pkg/DEBIAN"
  done
  has() {  # has PACKAGE PATH (below /usr)
    grep -qxF "./usr/$2" "$out/$1.files" || fail "$1 lacks /usr/$2"
  }
  lacks() {  # lacks PACKAGE EXTENDED-REGEX
    grep -E "$2" "$out/$1.files" && fail "$1 holds files matching $2"
  }
  has libcorvane1 "$LIBDIR/libCorvane.so.1.0.0"
  has libcorvane1 "$LIBDIR/libCorvane.so.1"
  has libcorvane1 lib/udev/rules.d/60-corvane.rules
  lacks libcorvane1 '/include/|\.pc$|\.cmake$|libCorvane\.so$'
  has libcorvane-dev "$LIBDIR/libCorvane.so"
  has libcorvane-dev "$INCLUDEDIR/corvane/Corvane.h"
  has libcorvane-dev "$CMAKEDIR/CorvaneConfig.cmake"
  has libcorvane-dev "$CMAKEDIR/CorvaneConfigVersion.cmake"
  has libcorvane-dev "$CMAKEDIR/CorvaneTargets.cmake"
  has libcorvane-dev "$LIBDIR/pkgconfig/corvane.pc"
  has libcorvane-dev share/doc/libcorvane-dev/README.md
  lacks libcorvane-dev 'libCorvane\.so\.|corvane_sim|/bin/'
  has corvane-tools "$BINDIR/boardlist"
  has corvane-tools "$BINDIR/corvane"
  has corvane-tools share/man/man1/corvane.1.gz
  has corvane-tools share/man/man1/boardlist.1.gz
  has corvane-tools "$BINDIR/corvane-modbus"
  has corvane-tools share/man/man1/corvane-modbus.1.gz
  has corvane-sim "$BINDIR/corvane-sim"
  has corvane-sim "$SIMDIR/libcorvane_sim.so"
  has corvane-sim "$INCLUDEDIR/corvane/corvane_sim.h"
  has corvane-sim "$CMAKEDIR/CorvaneSimulatorTargets.cmake"
  has corvane-sim "$LIBDIR/pkgconfig/corvane-sim.pc"
  lacks corvane-sim 'libCorvane'
  for module in $(tr ';' ' ' <<<"$PYTHON_MODULES"); do
    has python3-corvane "$PYTHONDIR/$module"
  done
  if [ -n "$PYTHON_MODULES" ]; then
    has python3-corvane "$PYTHONDIR/corvane.pyi"
    has python3-corvane "$PYTHONDIR/corvane-stubs/py.typed"
  fi
  for pkg in $packages; do
    has "$pkg" "share/doc/$pkg/copyright"
    has "$pkg" "share/doc/$pkg/changelog.gz"
  done
  # No internal header anywhere; each file in one package; together they hold exactly
  # what cmake --install puts into a prefix.
  for h in $(tr ';' ' ' <<<"$INTERNAL_HEADERS"); do
    grep -F "/${h##*/}" "$out/all-files.txt" && fail "the internal header ${h##*/} is packaged"
  done
  sort "$out/all-files.txt" | uniq -d | sed 's/^/in two packages: /' | tee "$out/twice.txt"
  [ -s "$out/twice.txt" ] && fail "files in more than one package"
  diff <(sed 's|^\./usr/||' "$out/all-files.txt" | sort) \
       <(cd "$prefix" && find . -mindepth 1 ! -type d | sed 's|^\./||' | sort) ||
    fail "the packages do not hold what cmake --install installs"
  # Nothing points into the build tree: run paths relative to the file, no file (the
  # binaries are stripped) naming the source or build tree.
  while IFS= read -r -d '' f; do
    if head -c 4 "$f" | grep -q 'ELF'; then
      readelf -d "$f" | sed -nE 's/.*\((RPATH|RUNPATH)\).*\[(.*)\]/\2/p' | tr ':' '\n' |
        while read -r p; do [ -z "$p" ] || [[ "$p" == '$ORIGIN'* ]] || echo "${f#"$out"/x/}: run path $p"; done
    fi
    grep -qF -e "$BUILD_DIR" -e "$SOURCE_DIR" "$f" && echo "${f#"$out"/x/} names the source or build tree"
  done < <(find "$out/x" -type f ! -path '*/DEBIAN/*' -print0) | tee "$out/paths.txt"
  [ -s "$out/paths.txt" ] && fail "packaged files point into the build tree"
  # Control data: versions, dependencies between the packages, the group, ldconfig.
  dep() { dpkg-deb -f "$out/${1}_${PROJECT_VERSION}_$arch.deb" Depends; }
  for pkg in libcorvane-dev corvane-tools python3-corvane; do
    [[ " $packages " == *" $pkg "* ]] || continue
    [[ "$(dep "$pkg")" == *"libcorvane1 (= $PROJECT_VERSION)"* ]] || fail "$pkg depends on: $(dep "$pkg")"
  done
  [[ "$(dep libcorvane1)" == *"libc6"* && "$(dep libcorvane1)" == *"adduser"* ]] || fail "libcorvane1 depends on: $(dep libcorvane1)"
  [[ "$(dep corvane-tools)" == *"libmodbus5"* ]] || fail "corvane-tools depends on: $(dep corvane-tools)"
  [[ "$(dep corvane-sim)" == *"libcorvane-dev (= $PROJECT_VERSION)"* ]] || fail "corvane-sim depends on: $(dep corvane-sim)"
  [[ " $packages " != *" python3-corvane "* || "$(dep python3-corvane)" == *"python3"* ]] || fail "python3-corvane depends on: $(dep python3-corvane)"
  grep -q 'addgroup --system corvane' "$out/x/libcorvane1/DEBIAN/postinst" || fail "libcorvane1's postinst does not create the group"
  grep -qx 'activate-noawait ldconfig' "$out/x/libcorvane1/DEBIAN/triggers" || fail "libcorvane1 has no ldconfig trigger"
  grep -qx "libCorvane 1 libcorvane1 (>= $PROJECT_VERSION)" "$out/x/libcorvane1/DEBIAN/shlibs" || fail "libcorvane1's shlibs"
  # The maintainer script: creates the group corvane only when it is missing (getent and
  # addgroup are stand-ins that record their calls; udevadm is never reached without a
  # running udev).
  stubs="$out/stubs"
  mkdir -p "$stubs"
  for tool in getent addgroup udevadm; do
    printf '#!/bin/sh\necho "%s $*" >> "%s/calls"\n[ "%s" != getent ] || exit "${GETENT_STATUS:-2}"\n' \
      "$tool" "$stubs" "$tool" > "$stubs/$tool"
    chmod +x "$stubs/$tool"
  done
  for case in 2:"getent group corvane|addgroup --system corvane" 0:"getent group corvane"; do
    rm -f "$stubs/calls"
    GETENT_STATUS=${case%%:*} PATH="$stubs:$PATH" sh "$out/x/libcorvane1/DEBIAN/postinst" configure ||
      fail "postinst configure failed (getent status ${case%%:*})"
    calls=$(grep -v '^udevadm' "$stubs/calls" | paste -sd'|')
    [ "$calls" = "${case#*:}" ] || fail "postinst with getent status ${case%%:*} called: $calls"
  done
  rm -f "$stubs/calls"
  PATH="$stubs:$PATH" sh "$out/x/libcorvane1/DEBIAN/postinst" abort-upgrade 1.0.0 || fail "postinst abort-upgrade failed"
  [ ! -e "$stubs/calls" ] || fail "postinst abort-upgrade called: $(cat "$stubs/calls")"
  # lintian: no error on any package.
  if ! lintian --fail-on error "$out"/*.deb > "$out/lintian.txt" 2>&1; then
    fail "lintian reports errors"
  fi
  cat "$out/lintian.txt"
  finish
  ;;

*)
  echo "unknown step $step"
  exit 2
  ;;
esac
