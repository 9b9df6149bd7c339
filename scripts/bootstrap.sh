#!/usr/bin/env bash
# Installs every Debian package the build, the tests and `make run` need, and makes
# sure 32-bit programs (wine32) can run. Idempotent: quick when all is in place.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config python3
  g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
  googletest libgtest-dev libbenchmark-dev
  clang libclang-dev libclang-rt-dev llvm
  wine wine32:i386 wine64
  xvfb xdotool x11-utils imagemagick icoutils
  fonts-ipafont-gothic
  zip unzip util-linux hyperfine valgrind
)

SUDO=
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
updated=0
apt_update() {
  if [ $updated = 0 ]; then $SUDO apt-get update -qq; updated=1; fi
}
need_root() {
  if [ -n "$SUDO" ] && ! command -v sudo >/dev/null; then
    echo "bootstrap: root or sudo is needed to $1" >&2
    exit 1
  fi
}

installed() {
  dpkg-query -W -f='${Status}\n' "$1" 2>/dev/null | grep -q '^install ok installed$'
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  need_root "add the i386 architecture"
  $SUDO dpkg --add-architecture i386
  updated=0
fi

missing=()
for p in "${PACKAGES[@]}"; do
  installed "$p" || missing+=("$p")
done
if [ ${#missing[@]} -ne 0 ]; then
  need_root "install ${missing[*]}"
  echo "bootstrap: installing ${missing[*]}" >&2
  apt_update
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Some kernels are built without 32-bit emulation: i386 programs, wine32 among them,
# then fail with "Exec format error". A binfmt handler that runs them through
# qemu's user-mode emulator stands in for it. qemu 7.2 (bookworm) needs about a
# minute per Wine start; the backported 10.x starts Wine in well under a second.
qemu_recent() { qemu-i386-static --version 2>/dev/null | grep -qE 'version (9|[1-9][0-9])\.'; }
handler=/proc/sys/fs/binfmt_misc/qemu-i386
if { [ -e $handler ] && ! qemu_recent; } || ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  need_root "register an emulator for 32-bit programs"
  if ! qemu_recent; then
    list=/etc/apt/sources.list.d/tolvane-backports.sources
    if [ ! -f "$list" ]; then
      # The mirror is the one this machine already uses for its own release.
      uri=$(awk '/^URIs:/ && $2 !~ /security/ {print $2; exit}' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
      [ -n "$uri" ] || uri=$(awk '/^deb / && $3 !~ /security/ {print $2; exit}' /etc/apt/sources.list 2>/dev/null || true)
      codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
      [ -n "$uri" ] && [ -n "$codename" ] || { echo "bootstrap: cannot tell the Debian mirror or release" >&2; exit 1; }
      printf 'Types: deb\nURIs: %s\nSuites: %s-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$uri" "$codename" | $SUDO tee "$list" >/dev/null
      updated=0
    fi
    apt_update
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    $SUDO apt-get install -y -qq --no-install-recommends -t "$codename-backports" qemu-user-static >/dev/null
  fi
  if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    $SUDO mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  fi
  # The F flag opens the emulator once, at registration: drop a stale handler so an
  # upgraded emulator is the one that runs.
  if [ -e $handler ]; then
    echo -1 | $SUDO tee $handler >/dev/null
  fi
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
    | $SUDO tee /proc/sys/fs/binfmt_misc/register >/dev/null
  /lib/ld-linux.so.2 --version >/dev/null 2>&1 || { echo "bootstrap: 32-bit programs still cannot run" >&2; exit 1; }
fi
