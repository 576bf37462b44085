#!/bin/sh
# Builds the Debian package from the build folder, unpacks it into a scratch
# root and runs the unpacked tabrin-cli the way a store's clerk would: as a
# user who may not write into the programs' folder, with a home folder of
# their own and nothing else from this environment.
#
#   installed_cli_test.sh BUILD_DIR VERSION GUI(ON|OFF)
#
# As root the programs run as "nobody" (setpriv), for whom the unpacked
# usr/bin, owned by root, is read-only as /usr/bin is; as another user the
# unpacked usr/bin is made read-only.
set -eu
BUILD=$1
VERSION=$2
GUI=$3

SCRATCH=$(mktemp -d /tmp/tabrin-package-XXXXXX)
cleanup() { chmod -R u+w "$SCRATCH" 2>/dev/null || true; rm -rf "$SCRATCH"; }
trap cleanup EXIT
chmod 755 "$SCRATCH"

fail() { echo "FAIL: $*" >&2; exit 1; }

echo "== package"
(cd "$SCRATCH" && cpack -G DEB -B "$SCRATCH/out" --config "$BUILD/CPackConfig.cmake" >cpack.log 2>&1) ||
  { cat "$SCRATCH/cpack.log"; fail "cpack could not build the package"; }
DEB="$SCRATCH/out/tabrin_${VERSION}_amd64.deb"
[ -f "$DEB" ] || { ls "$SCRATCH/out"; fail "no package named $(basename "$DEB")"; }

DEPENDS=$(dpkg-deb -f "$DEB" Depends)
echo "Depends: $DEPENDS"
for library in libc6 libsqlite3 libodbc; do
  echo "$DEPENDS" | grep -q "$library" || fail "Depends does not name $library"
done
if [ "$GUI" = ON ]; then
  for package in libqt6widgets6 libqt6svg6 fonts-arphic-uming fonts-liberation; do
    echo "$DEPENDS" | grep -q "$package" || fail "Depends does not name $package"
  done
fi
dpkg-deb -f "$DEB" Recommends | grep -q tdsodbc || fail "the SQL Server driver is not recommended"
if [ "$GUI" = ON ]; then
  dpkg-deb -f "$DEB" Recommends | grep -q qt6-translations-l10n || fail "Qt's translations are not recommended"
fi

dpkg-deb -c "$DEB" >"$SCRATCH/contents"
expect_file() { grep -q " \./usr/$1\$" "$SCRATCH/contents" || fail "the package lacks /usr/$1"; }
expect_file bin/tabrin-cli
expect_file share/man/man1/tabrin-cli.1.gz
expect_file share/tabrin/schema/orvella_sqlite.sql
expect_file share/fontconfig/conf.avail/65-tabrin-ming.conf
expect_file share/doc/tabrin/changelog.gz
expect_file share/doc/tabrin/copyright
expect_file share/locale/zh_TW/LC_MESSAGES/tabrin.mo
expect_file share/locale/zh_HK/LC_MESSAGES/tabrin.mo
dpkg-deb --fsys-tarfile "$DEB" | tar -xO ./usr/share/doc/tabrin/copyright | head -n 1 |
  grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ||
  fail "the copyright file is not in the machine-readable format"
# lintian's verdict on the licence files: no error or warning about them.
if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$DEB" >"$SCRATCH/lintian.log" 2>&1 || true
  if grep -E "^[EW]: .*(copyright|licen[cs]e)" "$SCRATCH/lintian.log"; then fail "lintian finds fault with the licence files"; fi
fi
if [ "$GUI" = ON ]; then
  expect_file bin/tabrin
  expect_file share/applications/tabrin.desktop
  expect_file share/icons/hicolor/scalable/apps/tabrin.svg
  expect_file share/man/man1/tabrin.1.gz
fi

ROOT="$SCRATCH/root"
dpkg-deb -x "$DEB" "$ROOT"
USER_HOME="$SCRATCH/home"
mkdir -p "$USER_HOME"
if [ "$(id -u)" -eq 0 ]; then
  chown -R root:root "$ROOT"
  chmod -R go-w "$ROOT"
  chown nobody "$USER_HOME"
  AS_USER="setpriv --reuid=nobody --regid=nogroup --clear-groups"
else
  chmod a-w "$ROOT/usr/bin"
  AS_USER=""
fi

# The user's session: their home, the system's PATH, no TABRIN_HOME.
cli() { env -i HOME="$USER_HOME" PATH=/usr/bin:/bin $AS_USER "$ROOT/usr/bin/tabrin-cli" "$@"; }
count() { sqlite3 "$DATA/Database.mdb" "SELECT COUNT(*) FROM $1"; }

echo "== version"
[ "$(cli --version)" = "tabrin-cli $VERSION" ] || fail "tabrin-cli --version says: $(cli --version)"

echo "== the user's language"
# The installed catalogue, found beside the installed program, on a
# Traditional-Chinese desktop (when the C library has its locale).
if locale -a 2>/dev/null | grep -qx zh_TW.utf8; then
  SAID=$(env -i HOME="$USER_HOME" PATH=/usr/bin:/bin LANG=zh_TW.UTF-8 $AS_USER "$ROOT/usr/bin/tabrin-cli" no-such-verb 2>&1 || true)
  echo "$SAID" | grep -q "多了一個不認得的參數" || fail "tabrin-cli does not speak Chinese under zh_TW.UTF-8: $SAID"
else
  echo "skipped: no zh_TW.UTF-8 locale (scripts/install-deps generates it)"
fi

echo "== program folder"
DATA="$USER_HOME/.local/share/tabrin"
[ "$(cli where | head -n 1)" = "$DATA/" ] || { cli where; fail "the program folder is not $DATA/"; }
cli where | sed -n 2p | grep -q "not writable" || fail "where does not say why"
ALT=$(env -i HOME="$USER_HOME" XDG_DATA_HOME="$USER_HOME/xdg" PATH=/usr/bin:/bin $AS_USER "$ROOT/usr/bin/tabrin-cli" where | head -n 1)
[ "$ALT" = "$USER_HOME/xdg/tabrin/" ] || fail "XDG_DATA_HOME is not followed: $ALT"

echo "== init-db, export, import"
cli init-db --sample
[ -f "$DATA/Database.mdb" ] || fail "init-db did not create $DATA/Database.mdb"
COUNT=$(count Classify)
[ "$COUNT" -gt 0 ] || fail "the sample database has no sub-categories"
cli export --kind 1 cls "$USER_HOME/Classify.xls"
[ "$(head -c 8 "$USER_HOME/Classify.xls" | od -An -tx1 | tr -d ' \n')" = d0cf11e0a1b11ae1 ] ||
  fail "the export is not a compound document"
cli init-db --force
[ "$(count Classify)" -eq 0 ] || fail "init-db --force left sub-categories behind"
cli import --kind 1 cls "$USER_HOME/Classify.xls"
[ "$(count Classify)" -eq "$COUNT" ] || fail "the import stored $(count Classify) of $COUNT sub-categories"
cli settings --cover 1 >/dev/null
[ -f "$DATA/Setup.ini" ] || fail "the setting was not stored in the program folder"
[ -z "$(ls -A "$ROOT/usr/bin" | grep -v '^tabrin')" ] || fail "files were written beside the programs"

echo "== manual page"
# Every verb has a part of its own naming each option its --help shows, and
# the page has the sections a person looks for.
CLI_PAGE=$(zcat "$ROOT/usr/share/man/man1/tabrin-cli.1.gz" | sed 's/\\-/-/g; s/\\f[BIRP]//g')
VERBS=$(cli --help | sed -n '/^Subcommands:/,/^$/p' | awk 'NR > 1 && NF { print $1 }')
[ -n "$VERBS" ] || fail "tabrin-cli --help lists no verbs"
for verb in $VERBS; do
  PART=$(echo "$CLI_PAGE" | sed -n "/^\.SS \"$verb:\"/,/^\.S[HS]/p")
  [ -n "$PART" ] || fail "the manual page has no part for the verb $verb"
  for option in $(cli "$verb" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    [ "$option" = --help ] && continue
    echo "$PART" | grep -q -- "$option" || fail "the manual page does not describe $verb $option"
  done
done
for section in "EXIT STATUS" ENVIRONMENT FILES EXAMPLES; do
  echo "$CLI_PAGE" | grep -Eq "^\.SH \"?$section\"?\$" || fail "the manual page of tabrin-cli lacks the section $section"
done
for file in Database.mdb Database.ini Config.ini SETUP.ini Journal.db; do
  echo "$CLI_PAGE" | grep -q "$file" || fail "the manual page of tabrin-cli does not name $file"
done

if [ "$GUI" = ON ]; then
  echo "== window"
  env -i HOME="$USER_HOME" PATH=/usr/bin:/bin $AS_USER "$ROOT/usr/bin/tabrin" --help | grep -q "usage: tabrin" ||
    fail "the installed window does not start"
  WINDOW_VERSION=$(env -i HOME="$USER_HOME" PATH=/usr/bin:/bin $AS_USER "$ROOT/usr/bin/tabrin" --version)
  [ "$WINDOW_VERSION" = "tabrin $VERSION" ] || fail "tabrin --version says: $WINDOW_VERSION"
  grep -q "^Name\[zh_TW\]=Excel 資料匯入公用程式\$" "$ROOT/usr/share/applications/tabrin.desktop" ||
    fail "the desktop entry lacks its Traditional Chinese name"
  grep -q "^Exec=tabrin\$" "$ROOT/usr/share/applications/tabrin.desktop" || fail "the desktop entry does not start tabrin"
  desktop-file-validate "$ROOT/usr/share/applications/tabrin.desktop" || fail "the desktop entry is not valid"
  # The window's manual page is written by hand: it must name every option
  # that the window's usage line shows.
  USAGE=$(env -i HOME="$USER_HOME" PATH=/usr/bin:/bin $AS_USER "$ROOT/usr/bin/tabrin" --help)
  PAGE=$(zcat "$ROOT/usr/share/man/man1/tabrin.1.gz" | sed 's/\\-/-/g; s/\\f[BIR]//g')
  for option in $(echo "$USAGE" | grep -o -- '--[a-z-]*'); do
    echo "$PAGE" | grep -q -- "^$option" || fail "the manual page of tabrin does not describe $option"
  done
  echo "$PAGE" | grep -q "Journal.db" && echo "$PAGE" | grep -q "^\.SH \"THE JOURNAL AND UNDO\"" ||
    fail "the manual page of tabrin does not explain the journal and undo"
fi
echo "== the installed package works"
