#!/usr/bin/env bash
# The install and package check, after the tests in build/ (the release preset's folder):
#  1. `cmake --install` into a staging folder (DESTDIR): exactly the expected tree, both programs
#     run, the menu entry passes desktop-file-validate, the file types pass xmllint and compile
#     into a MIME database naming both banners, every icon size is a PNG of that size, the man
#     pages are intact;
#  2. the Debian package (`cpack --preset deb`): its name, version, maintainer and dependencies,
#     and the same files as the staged tree;
#  3. `apt-get install ./tessary_*.deb` on this machine: both programs on PATH with every library
#     found, the archive type known to xdg-mime by name and by banner, the window the default
#     application for it; then the package is removed again, and its files and types with it.
# It installs and removes a package, so it runs as root (or through sudo). Alone:
#   cmake --preset release && cmake --build build -j2 && .ci/package-check.sh
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" != 0 ]; then
  exec sudo -- "$0" "$@"
fi
started=$SECONDS
export DEBIAN_FRONTEND=noninteractive
# The MIME database is rebuilt several times here (and by the package's triggers); syncing every
# file of it to disk each time is most of the stage's time and buys nothing for a check.
export PKGSYSTEM_ENABLE_FSYNC=0
build=build

fail() {
  echo "package check: $*" >&2
  exit 1
}
step() { echo "== package check ($((SECONDS - started)) s): $*"; }

# The checkers: desktop-file-validate, xmllint, xdg-mime and the MIME database it reads without a
# desktop (File::MimeInfo's mimetype).
tools=(desktop-file-utils libxml2-utils xdg-utils libfile-mimeinfo-perl shared-mime-info dpkg-dev)
missing=()
for package in "${tools[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  step "installing ${missing[*]}"
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

[ -f "$build/CMakeCache.txt" ] || fail "no build in $build/ (cmake --preset release first)"
cmake --build "$build" -j2 >/dev/null
version=$("$build/tessary-cli" --version)
window_version=$("$build/tessary" --version)

work=$(mktemp -d)
installed=0
cleanup() {
  if [ "$installed" = 1 ]; then
    apt-get remove -y -qq --purge tessary >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# 1. The staged tree.
step "cmake --install into a staging folder"
stage=$work/stage
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
sizes=(16 32 48 64 128 256)
expected=(usr/bin/tessary usr/bin/tessary-cli usr/share/applications/tessary.desktop
  usr/share/man/man1/tessary-cli.1.gz usr/share/man/man1/tessary.1.gz
  usr/share/mime/packages/tessary.xml)
for size in "${sizes[@]}"; do
  expected+=("usr/share/icons/hicolor/${size}x${size}/apps/tessary.png")
done
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
(cd "$stage" && find . -type f -o -type l | sed 's|^\./||' | sort) >"$work/staged"
diff -u "$work/expected" "$work/staged" || fail "the staged tree is not the expected one (above)"

for program in tessary tessary-cli; do
  [ -x "$stage/usr/bin/$program" ] || fail "usr/bin/$program is not executable"
done
[ "$("$stage/usr/bin/tessary-cli" --version)" = "$version" ] || fail "staged tessary-cli --version"
[ "$("$stage/usr/bin/tessary" --version)" = "$window_version" ] || fail "staged tessary --version"

desktop-file-validate "$stage/usr/share/applications/tessary.desktop" ||
  fail "tessary.desktop does not pass desktop-file-validate"
grep -qx 'Exec=tessary %f' "$stage/usr/share/applications/tessary.desktop" ||
  fail "tessary.desktop does not start 'tessary %f'"

mime=$stage/usr/share/mime
xmllint --noout "$mime/packages/tessary.xml" || fail "tessary.xml is not well-formed XML"
# Compiled on its own, the package gives both types, both globs and both banners.
update-mime-database "$mime" >"$work/mime.log" 2>&1 || {
  cat "$work/mime.log" >&2
  fail "update-mime-database refuses tessary.xml"
}
for type in application/x-swgb-drs image/x-slp; do
  [ -f "$mime/$type.xml" ] || fail "the MIME database has no $type"
done
for glob in 'application/x-swgb-drs:\*\.drs' 'image/x-slp:\*\.slp'; do
  grep -qi "^$glob$" "$mime/globs" || fail "the MIME database lacks the glob $glob"
done
for banner in 'Copyright (c) 2001 LucasArts' 'Copyright (c) 1997 Ensemble Studios.'; do
  grep -qaF "$banner" "$mime/magic" || fail "the MIME magic lacks the banner '$banner'"
done
# What update-mime-database made there is not part of the install.
find "$mime" -mindepth 1 -maxdepth 1 ! -name packages -exec rm -rf {} +

for size in "${sizes[@]}"; do
  icon=$stage/usr/share/icons/hicolor/${size}x${size}/apps/tessary.png
  # The PNG signature, then the IHDR chunk's width and height (big-endian at offsets 16 and 20).
  [ "$(od -An -tx1 -N8 "$icon" | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$icon is not a PNG"
  read -r width height < <(od -An -tu1 -j16 -N8 "$icon" |
    awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [ "$width x $height" = "$size x $size" ] || fail "$icon is $width x $height, not $size x $size"
done
for page in tessary tessary-cli; do
  gzip -t "$stage/usr/share/man/man1/$page.1.gz" || fail "the man page $page.1.gz is damaged"
done

# 2. The Debian package.
step "cpack --preset deb"
rm -f "$build"/tessary_*.deb
cpack --preset deb >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log" >&2
  fail "cpack failed"
}
debs=("$build"/tessary_*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single tessary_*.deb"
deb=$(realpath "${debs[0]}")
[ "$(dpkg-deb -f "$deb" Package)" = tessary ] || fail "the package is not named tessary"
[ "$(dpkg-deb -f "$deb" Version)" = 0.5b ] || fail "the package's version is not 0.5b"
[ "$(dpkg-deb -f "$deb" Maintainer)" = "Tessary developers" ] || fail "the package's maintainer"
[ -n "$(dpkg-deb -f "$deb" Description)" ] || fail "the package has no description"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6core6 libqt6gui6 libqt6widgets6 libqt6multimedia6 qt6-qpa-plugins \
  libpng16-16 libgif7; do
  grep -qE "(^|, )$library( |,|$)" <<<"$depends" || fail "the package does not depend on $library"
done
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | sort >"$work/packaged"
diff -u "$work/expected" "$work/packaged" || fail "the package's files are not the staged tree"

# 3. Installed on this machine.
if dpkg-query -W -f='${Status}' tessary 2>/dev/null | grep -q 'install ok installed'; then
  step "removing a tessary package left from before"
  apt-get remove -y -qq --purge tessary >/dev/null
fi
step "apt-get install $(basename "$deb")"
installed=1
(cd "$(dirname "$deb")" && apt-get install -y -qq "./$(basename "$deb")") >"$work/apt.log" 2>&1 || {
  cat "$work/apt.log" >&2
  fail "apt-get install of the package failed"
}
# From PATH, in a folder with nothing of the build in it.
(
  cd "$work"
  [ "$(command -v tessary-cli)" = /usr/bin/tessary-cli ] || fail "tessary-cli is not on PATH"
  [ "$(tessary-cli --version)" = "$version" ] || fail "tessary-cli --version from PATH"
  [ "$(tessary --version)" = "$window_version" ] || fail "tessary --version from PATH"
  for program in /usr/bin/tessary /usr/bin/tessary-cli; do
    if ldd "$program" | grep 'not found'; then fail "$program misses libraries (above)"; fi
  done
  tessary-cli list "$OLDPWD/$build/samples/demo.drs" >/dev/null || fail "tessary-cli list demo.drs"
)

# The package's triggers update the MIME and desktop databases; update them once more so the
# check does not depend on a trigger having run already.
update-mime-database /usr/share/mime
update-desktop-database -q /usr/share/applications || true
cp "$build/samples/demo.drs" "$work/demo-archive"               # the banner alone names it
head -c 84 "$build/samples/demo.drs" >"$work/SHORT.DRS"           # a name in capitals
printf 'Copyright (c) 1997 Ensemble Studios.\x1a\0\0\0' >"$work/older-archive"
head -c 24 /dev/zero >>"$work/older-archive"
head -c 32 /dev/zero >"$work/sprite.slp"
while read -r file want; do
  got=$(xdg-mime query filetype "$file")
  [ "$got" = "$want" ] || fail "xdg-mime query filetype $(basename "$file"): $got, not $want"
done <<EOT
$build/samples/demo.drs application/x-swgb-drs
$work/demo-archive application/x-swgb-drs
$work/SHORT.DRS application/x-swgb-drs
$work/older-archive application/x-swgb-drs
$work/sprite.slp image/x-slp
EOT
default=$(xdg-mime query default application/x-swgb-drs)
[ "$default" = tessary.desktop ] || fail "the archive type opens with '$default', not tessary.desktop"

step "apt-get remove tessary"
apt-get remove -y -qq --purge tessary >/dev/null
installed=0
for file in "${expected[@]}"; do
  [ ! -e "/$file" ] || fail "/$file is left after removing the package"
done
update-mime-database /usr/share/mime
[ ! -e /usr/share/mime/application/x-swgb-drs.xml ] || fail "the archive type is left after removal"

echo "package check: passed in $((SECONDS - started)) s"
