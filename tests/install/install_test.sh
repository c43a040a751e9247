#!/usr/bin/env bash
# Checks of the installation and the .deb, one check group per ctest test:
#   install_test.sh layout      cmake --install into a DESTDIR; the files, the bin link, no test programs
#   install_test.sh validators  desktop file, AppStream metainfo and manual page, as installed
#   install_test.sh run         the installed program, read-only, run by a user with a temporary HOME
#   install_test.sh per-user    the same without --output: the MP3 goes to ~/Music/Vordana, also
#                               when the installed folder is writable (root)
#   install_test.sh deb         cpack -G DEB: control fields, contents, the unpacked program runs,
#                               copyright and changelog, lintian without errors (77 without lintian)
#   install_test.sh library     README.md's recipe for a library on several machines, with GNU
#                               parallel over local "hosts": each input converted once, the merged report
# The environment (set by tests/install/CMakeLists.txt) names the folders:
#   VORDANA_BUILD_DIR, VORDANA_VERSION, VORDANA_GUI (ON/OFF), VORDANA_FIXTURES_DIR,
#   VORDANA_DESTDIR (the installed tree the layout check makes and the others read),
#   VORDANA_PROGRAM_DIR_REL (the program folder under the prefix, such as lib/vordana).
# "condition && ok ... || fail ..." is safe here: ok only prints and never fails.
# shellcheck disable=SC2015
set -uo pipefail

readonly SKIP=77
readonly PREFIX=/usr
readonly APP_ID=org.vordana.Vordana
readonly PROGRAM_DIR=${PREFIX#/}/${VORDANA_PROGRAM_DIR_REL}
readonly FIXTURE=${VORDANA_FIXTURES_DIR}/ape/tone.wav

failures=0
ok() { echo "ok: $*"; }
# Starts a group of checks; group_ok reports it as passed when none of them failed.
group() { group_failures=$failures; }
group_ok() { [ "$failures" -eq "$group_failures" ] && ok "$*"; }
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
skip() {
  echo "SKIP: $*"
  exit "$SKIP"
}
need() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/deps.sh installs it)"
  done
}
finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  echo "all checks passed"
  exit 0
}

# A temporary folder, removed at exit even when a check left it read-only.
scratch=""
# shellcheck disable=SC2317  # called through the trap
cleanup() {
  if [ -n "$scratch" ] && [ -d "$scratch" ]; then
    chmod -R u+w "$scratch" 2>/dev/null
    rm -rf "$scratch"
  fi
}
trap cleanup EXIT
make_scratch() {
  scratch=$(mktemp -d /tmp/vordana-install-test.XXXXXX) || exit 1
  chmod 755 "$scratch"
}

# The files an installation holds, relative to the DESTDIR; nothing else may be there.
expected_files() {
  echo "usr/bin/vordana"
  echo "$PROGRAM_DIR/vordana"
  echo "$PROGRAM_DIR/help.html"
  echo "$PROGRAM_DIR/sound.wav"
  echo "$PROGRAM_DIR/installed"
  echo "$PROGRAM_DIR/data/coder"
  echo "$PROGRAM_DIR/data/coder2"
  echo "$PROGRAM_DIR/data/conv"
  echo "usr/share/man/man1/vordana.1.gz"
  echo "usr/share/doc/vordana/copyright"
  echo "usr/share/doc/vordana/changelog.Debian.gz"
  if [ "$VORDANA_GUI" = ON ]; then
    echo "$PROGRAM_DIR/translations/vordana_en.qm"
    echo "usr/share/applications/$APP_ID.desktop"
    echo "usr/share/metainfo/$APP_ID.metainfo.xml"
    echo "usr/share/icons/hicolor/scalable/apps/vordana.svg"
    for size in 16 32 48 64 128 256; do
      echo "usr/share/icons/hicolor/${size}x${size}/apps/vordana.png"
    done
  fi
}

program_binaries() {
  echo "$PROGRAM_DIR/vordana"
  echo "$PROGRAM_DIR/data/coder"
  echo "$PROGRAM_DIR/data/coder2"
  echo "$PROGRAM_DIR/data/conv"
}

# The PNG's width and height from its header, as "WxH".
png_size() {
  local header
  header=$(od -An -tx1 -j16 -N8 "$1" | tr -d ' \n')
  printf '%dx%d' "0x${header:0:8}" "0x${header:8:8}"
}

check_layout() {
  local root=$VORDANA_DESTDIR
  rm -rf "$root"
  if ! DESTDIR=$root cmake --install "$VORDANA_BUILD_DIR" --prefix "$PREFIX" >"$root.log" 2>&1; then
    cat "$root.log" >&2
    fail "cmake --install into $root failed"
    finish
  fi
  ok "cmake --install into a DESTDIR"

  local found wanted
  found=$(cd "$root" && find . \( -type f -o -type l \) -printf '%P\n' | LC_ALL=C sort)
  wanted=$(expected_files | LC_ALL=C sort)
  if [ "$found" = "$wanted" ]; then
    ok "the installed files are exactly the expected ones"
  else
    fail "installed files differ from the expected ones (< expected, > installed):"
    diff <(echo "$wanted") <(echo "$found") >&2
  fi
  local stray
  stray=$(echo "$found" | grep -E -i 'test|chatter|fake|driver|bench|gtest|gmock' || true)
  [ -z "$stray" ] && ok "no test program, helper or benchmark installed" ||
    fail "test-only files installed: $stray"

  local link=$root/usr/bin/vordana target
  if [ -L "$link" ]; then
    target=$(readlink "$link")
    case "$target" in
      /*) fail "usr/bin/vordana points to an absolute path: $target" ;;
      *) ok "usr/bin/vordana is a relative link ($target)" ;;
    esac
    if [ "$(realpath "$link")" = "$(realpath "$root/$PROGRAM_DIR/vordana")" ]; then
      ok "usr/bin/vordana resolves to the program in $PROGRAM_DIR"
    else
      fail "usr/bin/vordana resolves to $(realpath -m "$link"), not the program"
    fi
  else
    fail "usr/bin/vordana is not a symbolic link"
  fi

  local binary
  group
  for binary in $(program_binaries); do
    [ -x "$root/$binary" ] || fail "$binary is not executable"
    # An installed program must not look for libraries in the build folder.
    if readelf -d "$root/$binary" 2>/dev/null | grep -E '\((RPATH|RUNPATH)\)'; then
      fail "$binary keeps a library search path"
    fi
  done
  group_ok "the programs are executable and carry no RPATH/RUNPATH"
  group
  for file in help.html sound.wav; do
    cmp -s "$root/$PROGRAM_DIR/$file" "$VORDANA_SOURCE_DIR/resources/$file" ||
      fail "$PROGRAM_DIR/$file is not resources/$file"
  done
  group_ok "help.html and sound.wav are the ones from resources/"
  if [ "$VORDANA_GUI" = ON ]; then
    local size
    group
    for size in 16 32 48 64 128 256; do
      local png=$root/usr/share/icons/hicolor/${size}x${size}/apps/vordana.png
      [ "$(png_size "$png")" = "${size}x${size}" ] ||
        fail "the ${size}x${size} icon is $(png_size "$png")"
    done
    group_ok "every PNG icon has its folder's size"
  fi
  gzip -t "$root/usr/share/man/man1/vordana.1.gz" || fail "the manual page is no valid gzip file"
  finish
}

check_validators() {
  need groff
  local root=$VORDANA_DESTDIR
  local manual=$root/usr/share/man/man1/vordana.1.gz
  local warnings
  warnings=$(zcat "$manual" | groff -man -ww -z 2>&1)
  [ -z "$warnings" ] && ok "groff -man -ww: no warnings" || fail "groff -man -ww: $warnings"
  if command -v man >/dev/null; then
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$manual" 2>&1 >/dev/null)
    [ -z "$warnings" ] && ok "man --warnings: no warnings" || fail "man --warnings: $warnings"
  fi
  # Every option the program's --help names is in the manual page.
  local source options option missing=""
  source=$(zcat "$manual" | sed 's/\\-/-/g')
  options=$("$root/$PROGRAM_DIR/vordana" --help | grep -o -E '(^|[ ,])--?[a-z][a-z-]*' |
    tr -d ' ,' | sort -u)
  [ -n "$options" ] || fail "vordana --help named no option"
  for option in $options; do
    grep -q -E -e "(^|[^a-z-])${option}([^a-z-]|\$)" <<<"$source" || missing+=" $option"
  done
  [ -z "$missing" ] && ok "the manual page documents every option of --help: $(echo "$options" | tr '\n' ' ')" ||
    fail "options of --help missing from the manual page:$missing"
  grep -q -E "^\.TH VORDANA 1 [^ ]+ \"Vordana ${VORDANA_VERSION//./\\.}\"" <<<"$source" &&
    ok "the manual page is of version $VORDANA_VERSION" ||
    fail "the manual page's .TH line does not name version $VORDANA_VERSION"

  if [ "$VORDANA_GUI" != ON ]; then
    finish
  fi
  need desktop-file-validate appstreamcli
  local desktop=$root/usr/share/applications/$APP_ID.desktop
  local metainfo=$root/usr/share/metainfo/$APP_ID.metainfo.xml
  local out
  out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ] && ok "desktop-file-validate: clean" ||
    fail "desktop-file-validate: $out"
  out=$(appstreamcli validate --no-net "$metainfo" 2>&1)
  local status=$?
  if [ $status -eq 0 ] && ! grep -q -E '^[EW]: ' <<<"$out"; then
    ok "appstreamcli validate --no-net: no errors, no warnings"
  else
    fail "appstreamcli validate --no-net (status $status): $out"
  fi
  grep -q -F "<release version=\"$VORDANA_VERSION\"" "$metainfo" &&
    ok "the metainfo lists release $VORDANA_VERSION" ||
    fail "the metainfo has no <release> of version $VORDANA_VERSION (add one)"
  grep -q -x -F '  <url type="homepage">https://vordana.org</url>' "$metainfo" &&
    grep -q -x -E '  <project_license>[A-Za-z0-9.+-]+</project_license>' "$metainfo" &&
    ok "the metainfo names the homepage and the project licence" ||
    fail "the metainfo lacks the homepage URL or the project licence"
  # The screenshot is published from docs/ under its own name; its size is that picture's.
  local image shot
  image=$(grep -o -E '<image [^>]*>https://vordana\.org/screenshots/[^<]+</image>' "$metainfo")
  shot=$VORDANA_SOURCE_DIR/docs/$(sed -E 's|.*/([^/<]+)</image>|\1|' <<<"$image")
  if [ -n "$image" ] && [ -f "$shot" ]; then
    [ "$(sed -E 's/.*width="([0-9]+)" height="([0-9]+)".*/\1x\2/' <<<"$image")" = "$(png_size "$shot")" ] &&
      ok "the metainfo's screenshot is docs/$(basename "$shot") at its size" ||
      fail "the metainfo gives the screenshot another size than docs/$(basename "$shot") ($(png_size "$shot"))"
  else
    fail "the metainfo has no screenshot on https://vordana.org/screenshots/ that docs/ holds: $image"
  fi
  grep -q -F "<launchable type=\"desktop-id\">$APP_ID.desktop</launchable>" "$metainfo" &&
    ok "the metainfo launches $APP_ID.desktop" || fail "the metainfo's launchable is not $APP_ID.desktop"
  grep -q -x "Exec=vordana %F" "$desktop" && [ -L "$root/usr/bin/vordana" ] &&
    ok "the desktop file runs the installed command with its files" ||
    fail "the desktop file's Exec is not the installed vordana %F"
  local icon
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] &&
    ok "the desktop file's icon $icon is installed" || fail "no installed icon named \"$icon\""
  local type
  group
  for type in audio/x-ape audio/ape audio/flac audio/x-wav audio/ogg audio/mpeg audio/mp4 \
    audio/x-ms-wma audio/x-aiff audio/x-wavpack audio/x-tta application/x-cue; do
    grep -q -E "^MimeType=(.*;)?${type//+/\\+};" "$desktop" || fail "MimeType lacks $type"
  done
  group_ok "the desktop file names APE, the other audio types and CUE sheets"
  grep -q -x 'Name\[zh_CN\]=.*' "$desktop" && grep -q -x 'GenericName\[zh_CN\]=音频转换器' "$desktop" &&
    grep -q -x 'Comment\[zh_CN\]=.*' "$desktop" && ok "the desktop file has its Chinese texts" ||
    fail "the desktop file lacks a zh_CN Name, GenericName or Comment"
  finish
}

# A program run that does not end within RUN_SECONDS is stopped (SIGTERM, then SIGKILL).
readonly RUN_SECONDS=30
bounded() {
  timeout --kill-after=5 "$RUN_SECONDS" "$@"
}

# Runs the rest of the line as the test user with an empty environment but for HOME, PATH
# and the language: an unprivileged user when the tests run as root (root could write into
# a read-only folder and so would prove nothing), otherwise the current user.
as_user() {
  local home=$1
  shift
  local environment=(env -i "HOME=$home" PATH=/usr/bin:/bin LANG=C.UTF-8)
  if [ "$(id -u)" -eq 0 ]; then
    bounded setpriv --reuid=nobody --regid=nogroup --clear-groups "${environment[@]}" "$@"
  else
    bounded "${environment[@]}" "$@"
  fi
}

# Copies the installed tree into the scratch folder, makes it read-only and prepares a HOME
# and the input file for the test user. Sets tree, home, input and snapshot_before.
prepare_read_only_run() {
  [ -d "$VORDANA_DESTDIR/$PROGRAM_DIR" ] || {
    fail "no installed tree in $VORDANA_DESTDIR (install_layout makes it)"
    finish
  }
  [ -f "$FIXTURE" ] || skip "the fixture $FIXTURE is missing"
  if [ "$(id -u)" -eq 0 ]; then
    need setpriv
    getent passwd nobody >/dev/null && getent group nogroup >/dev/null ||
      skip "no user nobody or group nogroup to run the program as"
  fi
  make_scratch
  tree=$scratch/tree
  home=$scratch/home
  cp -a "$VORDANA_DESTDIR" "$tree"
  mkdir -p "$home" "$scratch/in"
  cp "$FIXTURE" "$scratch/in/"
  input=$scratch/in/$(basename "$FIXTURE")
  chmod -R a-w "$tree"
  chmod -R a-w "$scratch/in"
  [ "$(id -u)" -eq 0 ] && chown nobody:nogroup "$home"
  snapshot_before=$(snapshot "$tree")
}

snapshot() {
  (cd "$1" && find . -printf '%P %y %s %T@ %m\n' | LC_ALL=C sort)
}

program_folder_unchanged() {
  if [ "$(snapshot "$tree")" = "$snapshot_before" ]; then
    ok "nothing was written into the installed tree"
  else
    fail "the installed tree changed:"
    diff <(echo "$snapshot_before") <(snapshot "$tree") >&2
  fi
}

# The one file in a folder that ffprobe reads as MP3 audio; fails otherwise.
expect_one_mp3() {
  local folder=$1 files
  files=$(find "$folder" -type f -name '*.mp3' 2>/dev/null)
  if [ "$(echo "$files" | grep -c .)" -ne 1 ]; then
    fail "expected one MP3 under $folder, found: $(find "$folder" 2>/dev/null | tr '\n' ' ')"
    return
  fi
  local codec
  codec=$(ffprobe -v error -select_streams a:0 -show_entries stream=codec_name -of csv=p=0 "$files")
  [ "$codec" = mp3 ] && ok "$(basename "$files") under $folder is MP3 audio" ||
    fail "$files is not MP3 audio (codec \"$codec\")"
}

check_run() {
  need ffprobe
  prepare_read_only_run
  local program=$tree/usr/bin/vordana out
  out=$(as_user "$home" "$program" --version 2>&1)
  [ "$out" = "vordana $VORDANA_VERSION" ] && ok "vordana --version through the bin link: $out" ||
    fail "vordana --version printed \"$out\""
  # With --output: the encoders in data/ are found through the bin link, so the program
  # folder is the link's target, not usr/bin.
  local results=$scratch/results
  mkdir -p "$results"
  [ "$(id -u)" -eq 0 ] && chown nobody:nogroup "$results"
  out=$(as_user "$home" "$program" --convert --quiet --output "$results" "$input" 2>&1)
  local status=$?
  [ $status -eq 0 ] && ok "vordana --convert --output exited 0" ||
    fail "vordana --convert --output exited $status: $out"
  expect_one_mp3 "$results"
  program_folder_unchanged
  finish
}

# Depends on the per-user folders (settings in ~/.config/vordana, output in ~/Music/Vordana
# when the program folder is not writable); fails until the program has them.
check_per_user() {
  need ffprobe
  prepare_read_only_run
  local out
  out=$(as_user "$home" "$tree/usr/bin/vordana" --convert --quiet "$input" 2>&1)
  local status=$?
  if [ $status -eq 0 ]; then
    ok "vordana --convert without --output exited 0"
  else
    local hint=""
    [ $status -eq 124 ] || [ $status -eq 137 ] && hint=" (stopped after ${RUN_SECONDS} s)"
    fail "vordana --convert without --output exited $status$hint: $out"
    echo "  an installed program whose folder is not writable puts its output in ~/Music/Vordana" >&2
  fi
  expect_one_mp3 "$home/Music/Vordana"
  program_folder_unchanged

  # Whoever may write into the installed folder (root, say) still gets the user's folders: the
  # installed program is marked as such, and only what the package shipped stays there.
  chmod -R u+w "$tree"
  snapshot_before=$(snapshot "$tree")
  local writer_home=$scratch/writer-home
  mkdir -p "$writer_home"
  out=$(bounded env -i "HOME=$writer_home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
    "$tree/usr/bin/vordana" --convert --quiet "$input" 2>&1) ||
    fail "vordana --convert from a writable installed folder failed: $out"
  expect_one_mp3 "$writer_home/Music/Vordana"
  program_folder_unchanged
  finish
}

check_deb() {
  need cpack dpkg-deb dpkg-shlibdeps ffprobe
  [ -f "$FIXTURE" ] || skip "the fixture $FIXTURE is missing"
  make_scratch
  local log=$scratch/cpack.log
  if ! cpack --config "$VORDANA_BUILD_DIR/CPackConfig.cmake" -G DEB -B "$scratch/package" \
    >"$log" 2>&1; then
    cat "$log" >&2
    fail "cpack -G DEB failed"
    finish
  fi
  local deb
  deb=$(find "$scratch/package" -maxdepth 1 -name '*.deb')
  [ "$(echo "$deb" | grep -c .)" -eq 1 ] || {
    fail "cpack made no single .deb: $deb"
    finish
  }
  ok "cpack -G DEB made $(basename "$deb")"

  field() { dpkg-deb -f "$deb" "$1"; }
  group
  [ "$(field Package)" = vordana ] || fail "Package is \"$(field Package)\""
  # The program's version and the package's revision.
  grep -q -x -E "${VORDANA_VERSION//./\\.}-[0-9]+" <<<"$(field Version)" ||
    fail "Version is \"$(field Version)\", not $VORDANA_VERSION-REVISION"
  [ "$(field Section)" = sound ] || fail "Section is \"$(field Section)\""
  [ -n "$(field Maintainer)" ] || fail "no Maintainer"
  [ -n "$(field Description)" ] || fail "no Description"
  group_ok "Package vordana, Version $(field Version), Section sound, a Maintainer and a Description"
  field Suggests | tr ',' '\n' | grep -q -x -E ' *xdg-utils *' &&
    ! field Recommends | grep -q xdg-utils && ok "xdg-utils is suggested, not recommended" ||
    fail "Suggests is \"$(field Suggests)\", Recommends \"$(field Recommends)\": want xdg-utils suggested"
  dpkg-deb -I "$deb" | sed -n 's/^ Depends:/Depends:/p'

  # Depends as a list of package names, without versions and alternatives.
  local depends
  depends=$(field Depends | tr ',|' '\n' | sed -e 's/(.*)//' -e 's/ //g' | grep . | sort -u)
  local package
  group
  local packages=(ffmpeg fonts-wqy-microhei libtag1v5 libqt6core6)
  [ "$VORDANA_GUI" = ON ] && packages+=(libqt6gui6 libqt6widgets6 libqt6multimedia6)
  for package in "${packages[@]}"; do
    grep -q -x "$package" <<<"$depends" || fail "Depends lacks $package"
  done
  group_ok "Depends names ffmpeg, fonts-wqy-microhei, libtag1v5 and the Qt 6 libraries"

  local contents
  group
  contents=$(dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }')
  grep -q -x -F "./usr/bin/vordana -> ../lib/vordana/vordana" <<<"$contents" ||
    grep -q -x -E "\./usr/bin/vordana -> [^/].*/$VORDANA_PROGRAM_DIR_REL/vordana" <<<"$contents" ||
    fail "the .deb has no relative link usr/bin/vordana"
  local path
  for path in $(expected_files); do
    [ "$path" = usr/bin/vordana ] && continue
    grep -q -x -F "./$path" <<<"$contents" || fail "the .deb lacks $path"
  done
  group_ok "the .deb holds the program folder, the link, icons, desktop file, metainfo, manual page, copyright and changelog"

  # Every library the programs load comes from a package the .deb depends on, or from one that
  # such a package depends on (libtag1v5 is the name for libtag1v5-vanilla's library).
  local root=$scratch/unpacked
  dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x failed"
  local provided
  provided=$( (
    echo "$depends"
    for package in $depends; do
      dpkg-query -W -f='${Depends}\n' "$package" 2>/dev/null | tr ',|' '\n' |
        sed -e 's/(.*)//' -e 's/:any//' -e 's/ //g'
    done
  ) | grep . | sort -u)
  group
  local binary library file owner
  for binary in $(program_binaries); do
    for library in $(objdump -p "$root/$binary" | awk '$1 == "NEEDED" { print $2 }'); do
      file=$(ldconfig -p | awk -v name="$library" '$1 == name { print $NF; exit }')
      [ -n "$file" ] || {
        fail "$binary needs $library, which is not installed here"
        continue
      }
      owner=$(dpkg -S "$file" 2>/dev/null || dpkg -S "$(realpath "$file")" 2>/dev/null ||
        dpkg -S "${file#/usr}" 2>/dev/null)
      owner=${owner%%:*}
      [ -n "$owner" ] && grep -q -x "$owner" <<<"$provided" ||
        fail "$binary needs $library from package \"$owner\", which Depends does not name"
    done
  done
  group_ok "every library the programs link comes from a package in Depends"

  # The unpacked program runs and converts, through its bin link.
  local out
  out=$(bounded "$root/usr/bin/vordana" --version 2>&1)
  [ "$out" = "vordana $VORDANA_VERSION" ] && ok "the unpacked vordana --version: $out" ||
    fail "the unpacked vordana --version printed \"$out\""
  out=$(HOME=$scratch bounded "$root/usr/bin/vordana" --convert --quiet --output "$scratch/results" \
    "$FIXTURE" 2>&1) || fail "the unpacked vordana --convert failed: $out"
  expect_one_mp3 "$scratch/results"

  local doc=$root/usr/share/doc/vordana
  head -1 "$doc/copyright" |
    grep -q -x -F "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" &&
    grep -q -E '^License: [^ ]+' "$doc/copyright" && ok "the copyright file is machine-readable" ||
    fail "the copyright file lacks the Format line of the machine-readable format or a License"
  gzip -t "$doc/changelog.Debian.gz" && zcat "$doc/changelog.Debian.gz" | head -1 |
    grep -q -F "vordana ($(field Version)) " && ok "the changelog's first entry is $(field Version)" ||
    fail "changelog.Debian.gz is no gzip file whose first entry is vordana ($(field Version))"

  if ! command -v lintian >/dev/null; then
    [ "$failures" -eq 0 ] && skip "lintian is not installed (scripts/deps.sh installs it)"
    finish
  fi
  # Warnings are shown, errors fail.
  out=$(lintian --tag-display-limit 0 "$deb" 2>&1)
  grep -E '^W: ' <<<"$out"
  ! grep -q -E '^E: ' <<<"$out" && ok "lintian: no errors" || fail "lintian: $(grep -E '^E: ' <<<"$out")"
  finish
}

# The README's recipe for a library on several machines, run as it is with GNU parallel over
# three "hosts" that are all this machine: a stand-in for ssh runs each job here, in a home of
# that host's own, as ssh would on another machine that shares the library's folder. The
# installed program is the hosts' vordana.
check_library() {
  need parallel jq
  [ -d "$VORDANA_DESTDIR/$PROGRAM_DIR" ] || {
    fail "no installed tree in $VORDANA_DESTDIR (install_layout makes it)"
    finish
  }
  local ape=$VORDANA_FIXTURES_DIR/ape
  [ -f "$ape/truncated.ape" ] || skip "the fixtures in $ape are missing"
  local recipe
  recipe=$(sed -n '/^<!-- tests\/install\/install_test.sh library runs the block below/,/^```$/p' \
    "$VORDANA_SOURCE_DIR/README.md" | sed '1,2d;$d')
  [ -n "$recipe" ] || {
    fail "README.md has no library recipe after its marker"
    finish
  }
  make_scratch
  local ssh=$scratch/ssh
  # sshd gives the remote command the login shell in SHELL, and parallel's worker starts each
  # job with it: the stand-in does the same, also where the test itself runs without SHELL.
  # shellcheck disable=SC2016  # the stand-in's own variables, expanded when it runs
  printf '%s\n' '#!/bin/sh' 'host=$1' 'shift' '[ "$1" = -- ] && shift' 'export SHELL=/bin/sh' \
    "mkdir -p \"$scratch/hosts/\$host\" && cd \"$scratch/hosts/\$host\" || exit 255" \
    'exec sh -c "$*"' >"$ssh"
  chmod +x "$ssh"
  # Four folders of short files, one of them broken; names with blanks and Chinese letters
  # cross the "ssh" hop.
  local library=$scratch/library
  mkdir -p "$library/A side" "$library/月亮" "$library/mixed" "$library/more" "$scratch/run" \
    "$scratch/home"
  cp "$ape/my song.live.2010.ape" "$ape/speech-22k-mono-16bit-c1000.ape" "$library/A side/"
  cp "$ape/月亮代表我的心.ape" "$library/月亮/"
  cp "$ape/truncated.ape" "$ape/music-44k-stereo-16bit-c5000.ape" "$library/mixed/"
  cp "$ape/tagged-44k-stereo.ape" "$library/more/"
  local inputs report=$scratch/run/library.json
  inputs=$(find "$library" -name '*.ape' | LC_ALL=C sort)

  # Runs the recipe in $scratch/run, where it leaves library.json.
  run_recipe() {
    rm -f "$scratch/jobs.log" "$report"
    (cd "$scratch/run" && bounded env LIBRARY="$library" OUT="$scratch/mp3" \
      HOSTS=1/alpha,1/beta,1/: PATH="$VORDANA_DESTDIR/usr/bin:$PATH" HOME="$scratch/home" \
      PARALLEL="--ssh $ssh --joblog $scratch/jobs.log --will-cite" bash -c "$recipe") ||
      fail "the recipe failed (status $?)"
  }
  # "converted failed cancelled skipped files" of the merged report.
  counts() {
    jq -r '"\(.converted) \(.failed) \(.cancelled) \(.skipped) \(.files | length)"' "$report"
  }
  mp3_files() {
    find "$scratch/mp3" -type f | LC_ALL=C sort
  }

  run_recipe
  [ "$(counts)" = "5 1 0 0 6" ] && ok "the merged report: 5 converted, 1 failed, 6 files" ||
    fail "the merged report counts \"$(counts)\" (converted failed cancelled skipped files)"
  [ "$(jq -r '.files[].input' "$report" | LC_ALL=C sort)" = "$inputs" ] &&
    ok "every input is in the report exactly once" ||
    fail "the report's inputs are not each input once: $(jq -r '.files[].input' "$report")"
  [ "$(jq -r '.files[] | select(.status == "failed") | .input' "$report")" = \
    "$library/mixed/truncated.ape" ] && ok "the broken file is the one that failed" ||
    fail "the failed files are not just mixed/truncated.ape"
  local outputs
  outputs=$(jq -r '.files[] | select(.status == "converted") | .output' "$report" | LC_ALL=C sort)
  [ "$outputs" = "$(mp3_files)" ] && [ "$(grep -c -E "^$scratch/mp3/[^/]+/[^/]+\.mp3\$" <<<"$outputs")" -eq 5 ] &&
    ok "each converted input has its one MP3 under OUT, in its folder's folder" ||
    fail "the MP3 files under OUT are not the report's outputs: $(mp3_files)"
  local hosts
  hosts=$(awk -F'\t' 'NR > 1 { print $2 }' "$scratch/jobs.log" | sort | uniq -c | tr -s ' \n' ' ')
  [ "$(awk -F'\t' 'NR > 1 { print $2 }' "$scratch/jobs.log" | sort -u | grep -c .)" -ge 2 ] &&
    ok "the folders went to several hosts:$hosts" || fail "one host took every folder:$hosts"

  # A second run converts nothing again: the converted files are skipped, the broken one fails.
  run_recipe
  [ "$(counts)" = "0 1 0 5 6" ] && ok "a second run skips the 5 converted files" ||
    fail "the second run counts \"$(counts)\", not 0 1 0 5 6"
  [ "$(mp3_files | grep -c .)" -eq 5 ] && ok "still one MP3 per input" ||
    fail "the second run wrote MP3 files again: $(mp3_files)"
  finish
}

case "${1:-}" in
  layout) check_layout ;;
  validators) check_validators ;;
  run) check_run ;;
  per-user) check_per_user ;;
  deb) check_deb ;;
  library) check_library ;;
  *)
    echo "usage: $0 layout|validators|run|per-user|deb|library" >&2
    exit 2
    ;;
esac
