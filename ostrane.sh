#!/usr/bin/env bash
# Secure Ostrane: set-up, build, run and test on Debian.
#   ./ostrane.sh run [ARGS...]   install what is missing, build the release tree, start the program
#   ./ostrane.sh test            install what is missing, build the test tree, run every test
#   ./ostrane.sh bench           install what is missing, build the release tree with benchmarks, run them
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$PWD

# Build tools and libraries, then the real peers the tests talk to.
BUILD_PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config clang libclang-rt-14-dev
  libgtest-dev libbenchmark-dev libcrypto++-dev
  qt6-base-dev qt6-multimedia-dev libcups2-dev fonts-liberation
)
TEST_PACKAGES=(
  libvterm-dev openssh-server openssh-client inetutils-telnetd socat lrzsz
  python3-serial python3-asyncssh xvfb xauth
  cups-daemon cups-client poppler-utils
  openssh-client-ssh1 gnome-keyring libsecret-tools
)

missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

install_packages() {
  local missing
  missing=$(missing_packages "$@")
  [ -z "$missing" ] && return 0
  echo "ostrane.sh: installing:" $missing
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
}

jobs() { nproc 2>/dev/null || echo 2; }

# Test programs run a second time under ThreadSanitizer.
TSAN_TESTS=(transport_tests session_tests tools_tests print_tests)

configure() { # DIR [cmake args...]
  local dir=$1; shift
  cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
}

export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/ostrane-ccache}
export CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-5G}
# Paths relative to the checkout, so that clones and work trees share the cache.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$ROOT}
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}

build_release() { # extra cmake args
  configure "$ROOT/build/release" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSTRANE_TESTS=OFF "$@"
  cmake --build "$ROOT/build/release" -j "$(jobs)"
}

cmd=${1:-run}
[ $# -gt 0 ] && shift
case "$cmd" in
  run)
    install_packages "${BUILD_PACKAGES[@]}"
    build_release
    if [ -x "$ROOT/build/release/src/ui/ostrane" ]; then
      exec "$ROOT/build/release/src/ui/ostrane" "$@"
    fi
    exec "$ROOT/build/release/ostrane-replay" "$@"
    ;;
  test)
    install_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    configure "$ROOT/build/test" -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_CXX_FLAGS="-O1 -g" -DOSTRANE_SANITIZE=ON -DOSTRANE_FUZZ=ON
    cmake --build "$ROOT/build/test" -j "$(jobs)"
    (cd "$ROOT/build/test" && ctest --output-on-failure -j "$(jobs)" --timeout 900 "$@")
    # The threaded parts once more under ThreadSanitizer: transports, sessions and ostrane-cli.
    if [ $# -eq 0 ]; then
      configure "$ROOT/build/tsan" -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DCMAKE_CXX_FLAGS="-O1 -g" -DOSTRANE_TSAN=ON -DOSTRANE_GUI=OFF
      cmake --build "$ROOT/build/tsan" -j "$(jobs)" --target ostrane-cli ostrane-replay "${TSAN_TESTS[@]}"
      for t in "${TSAN_TESTS[@]}"; do
        echo "== ThreadSanitizer: $t"
        (cd "$ROOT/build/tsan/tests" && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
          OSTRANE_SOURCE_DIR="$ROOT" "./$t" --gtest_brief=1)
      done
      echo "ThreadSanitizer: ${#TSAN_TESTS[@]} test programs clean"
    fi
    ;;
  bench)
    install_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    build_release -DOSTRANE_BENCH=ON
    "$ROOT/bench/run_benchmarks.sh" "$ROOT/build/release" "$@"
    ;;
  *)
    echo "usage: $0 run|test|bench [args...]" >&2
    exit 2
    ;;
esac
