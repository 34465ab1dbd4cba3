#!/usr/bin/env bash
# CI, Windows stage: the mingw-w64 cross build of the core, tessary-cli.exe and the tests that
# need no POSIX-only feature, run under Wine; then tessary-cli.exe on the Linux build's demo
# archive, whose outputs must be byte for byte those of the Linux tessary-cli; and the game's
# registry value as `wine reg add` writes it. Expects the Linux build in build/.
set -euo pipefail
cd "$(dirname "$0")/.."

stage_start=$SECONDS
stage() { echo "== windows: $1 ($((SECONDS - stage_start)) s so far)"; }

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo -- "$@"; fi
}

stage "packages"
# wine brings the wine and winepath commands, wine64 runs the 64-bit programs.
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
  wine wine64 >/dev/null
TESSARY_WINDOWS_DEPS=$(scripts/build-windows-deps.sh | tail -n 1)
export TESSARY_WINDOWS_DEPS

stage "Wine"
WINEPREFIX=$(mktemp -d)
export WINEPREFIX WINEDEBUG=-all
work=$(mktemp -d)
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX" "$work"' EXIT
# One server for the whole stage, not one per program started (before anything starts its own).
wineserver -p
wineboot -i >/dev/null 2>&1

# The game's installer, a 32-bit program, writes its folder into the 32-bit view.
game_path='C:\Games\Star Wars Galactic Battlegrounds\'
wine reg add 'HKLM\SOFTWARE\LucasArts Entertainment Company LLC\Star Wars Galactic Battlegrounds\1.0' \
  /v "Game Path" /t REG_SZ /d "$game_path" /f /reg:32 >/dev/null
export TESSARY_EXPECTED_GAME_PATH=$game_path

stage "cross build"
cmake --preset windows
cmake --build --preset windows

stage "tests under Wine"
ctest --preset windows

stage "tessary-cli.exe against the Linux build"
linux=build/tessary-cli
windows=build-windows/tessary-cli.exe
demo=build/samples/demo.drs
# Each folder's Windows path is asked of winepath once. Under load, starting a Wine program now
# and then fails before it runs ("Application could not be started"), so winepath is asked
# again, up to three times, until it gives a drive path.
win() {
  local path
  for _ in 1 2 3; do
    path=$(winepath -w "$1" 2>/dev/null) && [[ $path =~ ^[A-Za-z]:\\ ]] && {
      echo "$path"
      return
    }
    sleep 1
  done
  echo "windows: winepath gives no Windows path for $1" >&2
  return 1
}
# tessary-cli.exe under Wine. A start that Wine itself fails is tried again (its message, not
# ours, says so); any failure of the program is the call's own and ends the stage.
wcli() {
  local status
  for attempt in 1 2 3; do
    status=0
    wine "$windows" "$@" 2>"$work/wine-stderr" || status=$?
    if [ "$status" = 0 ] || ! grep -q "Application could not be started" "$work/wine-stderr"; then
      cat "$work/wine-stderr" >&2
      return "$status"
    fi
    echo "windows: Wine could not start tessary-cli.exe (attempt $attempt)" >&2
    sleep 1
  done
  return 1
}
mkdir -p "$work/linux" "$work/windows"
win_demo=$(win "$demo")
win_out=$(win "$work/windows")

same() { # name of the check, then the two files
  if ! cmp "$2" "$3"; then
    echo "windows: $1 differs between the Linux and the Windows build" >&2
    exit 1
  fi
  echo "   same: $1"
}

"$linux" list "$demo" --long >"$work/linux/list.txt"
wcli list "$win_demo" --long >"$work/windows/list.txt"
same "list --long" "$work/linux/list.txt" "$work/windows/list.txt"

# Every resource of the demo, and every picture call on each of its sprites.
ids=$(awk -F '\t' '$2 != "" && $1 !~ /^--/ { print $1 }' "$work/linux/list.txt")
sprites=$(awk -F '\t' '$2 == 1 { print $1 }' "$work/linux/list.txt")
[ -n "$sprites" ] || {
  echo "windows: the demo archive lists no sprite to compare" >&2
  exit 1
}
for id in $ids; do
  "$linux" extract "$demo" "$id" -o "$work/linux/$id.bin"
  wcli extract "$win_demo" "$id" -o "$win_out\\$id.bin"
  same "extract $id" "$work/linux/$id.bin" "$work/windows/$id.bin"
done
for id in $sprites; do
  for format in bmp png; do
    "$linux" frame "$demo" "$id" --frame 2 -o "$work/linux/$id-frame.$format"
    wcli frame "$win_demo" "$id" --frame 2 \
      -o "$win_out\\$id-frame.$format"
    same "frame $id ($format)" "$work/linux/$id-frame.$format" "$work/windows/$id-frame.$format"
  done
  "$linux" sequence "$demo" "$id" -o "$work/linux/$id-seq.bmp"
  wcli sequence "$win_demo" "$id" -o "$win_out\\$id-seq.bmp"
  for file in "$work/linux/$id"-seq*.bmp; do
    same "sequence $id: $(basename "$file")" "$file" "$work/windows/$(basename "$file")"
  done
done
# Names beyond ASCII reach the Windows file system whole, in and out.
unicode=$work/démo-日本
mkdir -p "$unicode"
cp "$demo" "$unicode/démo.drs"
win_unicode=$(win "$unicode")
wcli list "$win_unicode\\démo.drs" --long >"$work/windows/list-unicode.txt"
same "list --long of démo-日本/démo.drs" "$work/linux/list.txt" "$work/windows/list-unicode.txt"
first_sprite=$(echo "$sprites" | head -n 1)
wcli frame "$win_unicode\\démo.drs" "$first_sprite" --frame 2 \
  -o "$win_unicode\\écran.png"
same "frame into démo-日本/écran.png" "$work/linux/$first_sprite-frame.png" "$unicode/écran.png"


stage "done"
