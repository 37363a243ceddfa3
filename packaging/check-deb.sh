#!/bin/sh
# Looks into the Debian package that `make package` built: the files it must hold, the desktop
# entry, and a Depends line worked out by dpkg-shlibdeps. Usage: check-deb.sh BUILD_FOLDER
set -eu
build=${1:-build}
deb=$(ls "$build"/nax_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { echo "check-deb: no nax_*.deb in $build" >&2; exit 1; }
failures=0
fail() { echo "check-deb: $*" >&2; failures=$((failures + 1)); }

contents=$(dpkg-deb --contents "$deb")
for file in usr/bin/nax usr/bin/nax-report usr/bin/nax-simulate \
            usr/share/nax/templates/DailyDMS.xlsx usr/share/nax/templates/HourDMS.xlsx \
            usr/share/applications/nax.desktop usr/share/icons/hicolor/scalable/apps/nax.svg \
            usr/share/man/man1/nax.1.gz usr/share/man/man1/nax-report.1.gz usr/share/man/man1/nax-simulate.1.gz; do
  echo "$contents" | grep -q " \./$file\$" || fail "missing /$file"
done
# Nothing of the build or the tests goes into the package.
echo "$contents" | grep -Eq 'nax_(core_|gui_)?tests|nax-templates|/include/|\.a$' && fail "build files in the package"

info=$(dpkg-deb --info "$deb")
field() { echo "$info" | sed -n "s/^ $1: //p"; }
[ "$(field Package)" = nax ] || fail "Package is not nax"
[ -n "$(field Version)" ] || fail "no Version"
depends=$(field Depends)
for library in libqt6widgets6 libsqlite3 libxlsxwriter libzip libpugixml libpq libc6; do
  echo "$depends" | grep -q "$library" || fail "Depends lacks $library: $depends"
done

entry=$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/applications/nax.desktop)
for line in '[Desktop Entry]' 'Type=Application' 'Name=Online NAX Reporting' 'Exec=nax' 'Icon=nax'; do
  echo "$entry" | grep -qxF "$line" || fail "desktop entry lacks $line"
done
if command -v desktop-file-validate >/dev/null; then
  printf '%s\n' "$entry" > "$build/nax.desktop.check"
  desktop-file-validate "$build/nax.desktop.check" || fail "desktop entry does not validate"
  rm -f "$build/nax.desktop.check"
fi

[ "$failures" -eq 0 ] || exit 1
echo "$deb: $(du -k "$deb" | cut -f1) KiB, version $(field Version), installed size $(field Installed-Size) KiB"
echo "Depends: $depends"
