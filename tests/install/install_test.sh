#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a temporary tree and packs it as a .deb, then checks
# both with the tools the desktop and Debian use: the installed files, the
# menu entry, AppStream data, MIME type (recognised by content through Qt),
# the manual page, the package's contents and control fields, lintian, and the
# installed program itself, run far from its build folder.
# Usage: install_test.sh SOURCE_DIR BUILD_DIR MIME_LOOKUP
set -uo pipefail
readonly SRC=$1 BUILD=$2 MIME_LOOKUP=$3
readonly ID=org.curvane.Curvane
WORK=$(mktemp -d "${TMPDIR:-/tmp}/curvane_install_XXXXXX")
readonly WORK
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# Runs a checker; its output is shown only when it fails or complains.
quiet() { local out; out=$("$@" 2>&1) || { fail "$*"; echo "$out"; }; }

# --- the installed tree
readonly ROOT=$WORK/root USR=$WORK/root/usr
DESTDIR=$ROOT cmake --install "$BUILD" --prefix /usr >/dev/null || { fail "cmake --install"; exit 1; }
for f in bin/curvane share/applications/$ID.desktop share/mime/packages/$ID.xml \
  share/metainfo/$ID.metainfo.xml share/icons/hicolor/scalable/apps/$ID.svg \
  share/icons/hicolor/scalable/mimetypes/application-x-curvane-gfx.svg share/man/man1/curvane.1.gz \
  share/doc/curvane/copyright share/doc/curvane/changelog.gz; do
  [ -s "$USR/$f" ] || fail "not installed: $f"
done
for size in 16 22 32 48 64 128 256; do
  png=$USR/share/icons/hicolor/${size}x${size}/apps/$ID.png
  file -b "$png" | grep -q "PNG image data, $size x $size," || fail "icon $png is not a ${size}px PNG"
done
quiet desktop-file-validate "$USR/share/applications/$ID.desktop"
quiet appstreamcli validate --no-net "$USR/share/metainfo/$ID.metainfo.xml"
quiet xmllint --noout "$USR/share/mime/packages/$ID.xml"
version=$("$USR/bin/curvane" --version | sed 's/^Curvane //')
grep -q "<release version=\"$version\"" "$USR/share/metainfo/$ID.metainfo.xml" ||
  fail "metainfo lists no release $version"
warnings=$(MANWIDTH=80 man --warnings -l "$USR/share/man/man1/curvane.1.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man page warnings: $warnings"

# A document found by its content alone: no extension, comment lines first.
XDG_DATA_DIRS=$USR/share update-mime-database "$USR/share/mime" || fail "update-mime-database"
mkdir -p "$WORK/home"
{ echo "; a comment line"; echo "; another"; sed -n '/^\[Global\]/,$p' "$SRC/examples/explicit.gfx"; } >"$WORK/plot"
printf 'no section here\n' >"$WORK/notes.gfx"
types=$(XDG_DATA_HOME=$WORK/home XDG_DATA_DIRS=$USR/share:/usr/share "$MIME_LOOKUP" "$WORK/plot" "$WORK/notes.gfx" \
  2>/dev/null | tr '\n' ' ')
[ "$types" = "application/x-curvane-gfx application/x-curvane-gfx " ] || fail "MIME types by content and name: $types"

# --- the installed program, run from the temporary tree with a home of its
# own; static libraries and Qt resources leave it nothing to find in the build.
export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/home/config XDG_STATE_HOME=$WORK/home/state
unset CURVANE_SETTINGS CURVANE_ERROR_LOG
exe=$USR/bin/curvane
(cd "$WORK" && "$exe" --render "$SRC/examples/polar.gfx" --output "$WORK/polar.png" --size 320x240) ||
  fail "--render from the installed tree"
file -b "$WORK/polar.png" | grep -q "PNG image data, 320 x 240" || fail "--render wrote no 320x240 PNG"
# On an X server of its own: the shared one, after a few hundred widget tests,
# may leave a new client waiting past Qt's connection attempt.
if command -v Xvfb >/dev/null; then
  Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$WORK/display" 2>"$WORK/xvfb.log" &
  xvfb=$!
  for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
  if [ -s "$WORK/display" ]; then
    (cd "$WORK" && DISPLAY=:$(head -n 1 "$WORK/display") exec env -u XAUTHORITY "$exe" "$SRC/examples/explicit.gfx") \
      >"$WORK/gui.log" 2>&1 &
    pid=$!
    sleep 3
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid"
    else
      fail "the installed GUI did not stay up"
      cat "$WORK/gui.log"
    fi
    wait "$pid" 2>/dev/null
  else
    fail "Xvfb did not start"
    cat "$WORK/xvfb.log"
  fi
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
else
  fail "the GUI check needs Xvfb"
fi
beside=$(ls -A "$USR/bin")
[ "$beside" = "curvane" ] || fail "the installed program wrote beside itself: $beside"

# --- the package
mkdir -p "$WORK/pkg"
(cd "$WORK/pkg" && cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$WORK/pkg" >"$WORK/cpack.log" 2>&1) ||
  { fail "cpack"; cat "$WORK/cpack.log"; }
deb=$(ls "$WORK"/pkg/curvane_*.deb 2>/dev/null | head -n 1)
if [ -n "$deb" ]; then
  contents=$(dpkg-deb -c "$deb")
  for f in ./usr/bin/curvane ./usr/share/applications/$ID.desktop ./usr/share/mime/packages/$ID.xml \
    ./usr/share/metainfo/$ID.metainfo.xml ./usr/share/icons/hicolor/256x256/apps/$ID.png \
    ./usr/share/man/man1/curvane.1.gz ./usr/share/doc/curvane/copyright; do
    grep -q " $f\$" <<<"$contents" || fail "package lacks $f"
  done
  grep -q "^-.* root/root .* ./usr/bin/curvane$" <<<"$contents" || fail "package files are not root's"
  [ "$(dpkg-deb -f "$deb" Package)" = curvane ] || fail "package name"
  [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version"
  [ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "package architecture"
  depends=$(dpkg-deb -f "$deb" Depends)
  for lib in libc6 libqt6widgets6 libqt6gui6 qt6-qpa-plugins libgif7; do
    grep -q "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib: $depends"
  done
  lint=$(lintian --tag-display-limit 0 "$deb" 2>&1)
  echo "$lint" | sed 's/^/lintian: /'
  grep -q '^E: ' <<<"$lint" && fail "lintian reports errors"
else
  fail "cpack made no .deb"
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "installation and package checks passed"
