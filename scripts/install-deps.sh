#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and only those
# that are missing. Safe to run again and again.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkgconf
  libgtest-dev libgmock-dev libbenchmark-dev
  libstb-dev
  libgl-dev libegl-dev libglu1-mesa-dev libglew-dev
  libegl-mesa0 libgl1-mesa-dri
  libassimp-dev libseccomp-dev
  shared-mime-info libglib2.0-bin
  qt6-base-dev libqt6opengl6-dev qt6-svg-dev libqt6svg6 libglx-mesa0 xvfb xauth
  fonts-dejavu-core
)
# Optional extras: --fuzz brings clang and libFuzzer for the fuzz
# harnesses, --bench the peer command-line tools the benchmarks compare against,
# --corpus the public importer test models the hostile-file run reads,
# --package what building and checking the Debian package needs.
for option in "$@"; do
  case "$option" in
    --fuzz) packages+=(clang libclang-rt-14-dev) ;;
    --bench) packages+=(assimp-utils f3d) ;;
    --corpus) packages+=(assimp-testmodels python3) ;;
    --package) packages+=(dpkg-dev lintian binutils appstream) ;;
    *) echo "install-deps: unknown option $option" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
if [[ ${#missing[@]} -eq 0 ]]; then
  exit 0
fi

if [[ $(id -u) -eq 0 ]]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "install-deps: missing packages (${missing[*]}) and no sudo to install them" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
