# Shared by scripts/run and scripts/test. Source it; do not run it.
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
WINE=/usr/lib/wine/wine
WINESERVER=/usr/lib/wine/wineserver
export WINEDEBUG=-all
# Keep Wine from offering to download Mono or Gecko into the prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
# An English (United States) user and system locale for every run.
export LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8

configure_and_build() {  # build-dir [cmake args...]
  local dir=$1
  shift
  # A folder configured for another compiler (the thread model changed) is configured anew.
  local compiler
  compiler=$(sed -n 's/^set(CMAKE_CXX_COMPILER \(.*\))$/\1/p' "$ROOT/cmake/mingw-i686.cmake")
  if [ -f "$dir/CMakeCache.txt" ] &&
    ! grep -qs "set(CMAKE_CXX_COMPILER \".*/$compiler\")" "$dir"/CMakeFiles/*/CMakeCXXCompiler.cmake; then
    rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
  fi
  cmake -S "$ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" "$@" >"$dir.configure.log" 2>&1 ||
    { cat "$dir.configure.log"; return 1; }
  cmake --build "$dir" -j2 2>&1 | grep -vE '^\[ *[0-9]+%\]|^(Scanning|Consolidate)' || true
  [ "${PIPESTATUS[0]}" = 0 ]
}

# A 32-bit Wine prefix inside the build folder, made once, then reused.
ensure_prefix() {  # prefix-dir
  export WINEPREFIX=$1
  export WINEARCH=win32
  if [ ! -f "$WINEPREFIX/.zephrin-ready" ]; then
    rm -rf "$WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1 || true
    "$WINESERVER" -w
    # Wine's own TrueType faces (Tahoma and friends) are not found outside the prefix here.
    cp -f /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    # Korean text: link Hangul glyphs to the fonts the Windows UI uses here.
    local link='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
    for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" Arial; do
      "$WINE" reg add "$link" /v "$face" /t REG_MULTI_SZ /d 'NanumGothic.ttf,NanumGothic' /f >/dev/null 2>&1
    done
    # Under a Korean locale Wine asks for the Korean system faces by name.
    for face in Gulim GulimChe Dotum Batang "Malgun Gothic"; do
      "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d NanumGothic /f >/dev/null 2>&1
    done
    # Bold Tahoma is a face of its own and needs its own link.
    "$WINE" reg add "$link" /v "Tahoma Bold" /t REG_MULTI_SZ /d 'NanumGothicBold.ttf,NanumGothic Bold' /f >/dev/null 2>&1
    "$WINESERVER" -w
    touch "$WINEPREFIX/.zephrin-ready"
  fi
}

# Starts Xvfb when there is no display; sets DISPLAY and XVFB_PID. The screen
# holds the main window at 200 % (1528 x 1000 and its frame).
XVFB_PID=
ensure_display() {
  if [ -n "${DISPLAY:-}" ] && [ -z "${ZEPHRIN_FORCE_XVFB:-}" ]; then return 0; fi
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp -dpi "${ZEPHRIN_DPI:-96}" 3>"$fifo" >/dev/null 2>&1 &
  XVFB_PID=$!
  local number
  read -r number <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$number"
}

stop_display() {
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
  XVFB_PID=
}

# Writes the public keys compiled into a program file as key-1.pem, key-2.pem ... in a folder.
embedded_release_keys() {  # program-file folder
  python3 - "$1" "$2" <<'PY'
import re, sys
data = open(sys.argv[1], "rb").read()
keys = re.findall(rb"-----BEGIN PUBLIC KEY-----\n[A-Za-z0-9+/=\n]+-----END PUBLIC KEY-----\n", data)
if not keys:
    sys.exit(f"{sys.argv[1]} carries no public key")
for n, key in enumerate(keys, 1):
    open(f"{sys.argv[2]}/key-{n}.pem", "wb").write(key)
PY
}

# The committed public keys that a release build trusts: the current one, and the previous one while keys change.
committed_release_keys() {
  local folder="$ROOT/resources/release"
  echo "$folder/release-key.pub.pem"
  if [ -e "$folder/release-key.previous.pub.pem" ]; then echo "$folder/release-key.previous.pub.pem"; fi
}

# One line per key, in a form that compares whatever the PEM's line breaks.
key_fingerprints() {  # pem-file...
  local f
  for f in "$@"; do openssl pkey -pubin -in "$f" -outform DER | sha256sum | cut -d' ' -f1; done | sort
}

