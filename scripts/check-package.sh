#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Debian package of a build folder with cpack and checks it: the files
# it holds, the library dependencies dpkg-shlibdeps computed, and what
# appstreamcli, desktop-file-validate and lintian say about it.
# Usage: scripts/check-package.sh [BUILD_FOLDER]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")

fail() {
  echo "check-package: $*" >&2
  exit 1
}

[[ -f "$build/CMakeCache.txt" ]] || fail "$build is not a configured build folder"

# A Debian package installs under /usr, and the D-Bus service file in it names
# the program there; a build folder made before that default may say otherwise.
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
if [[ "$prefix" != /usr ]]; then
  echo "check-package: $build installs under $prefix; configuring it for /usr"
  cmake -DCMAKE_INSTALL_PREFIX=/usr "$build" >/dev/null
fi

# cpack installs what is built, and builds nothing itself.
cmake --build "$build"
rm -f "$build"/vantle_*.deb
(cd "$build" && cpack -G DEB)
debs=("$build"/vantle_*.deb)
[[ ${#debs[@]} -eq 1 && -f "${debs[0]}" ]] || fail "cpack made no single vantle_*.deb in $build"
deb=${debs[0]}
echo "check-package: $deb"

id=app.vantle.Vantle
listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in \
  ./usr/bin/vantle \
  "./usr/share/applications/$id.desktop" \
  "./usr/share/icons/hicolor/scalable/apps/$id.svg" \
  "./usr/share/metainfo/$id.metainfo.xml" \
  "./usr/share/dbus-1/services/$id.service" \
  ./usr/share/man/man1/vantle.1.gz \
  ./usr/share/doc/vantle/copyright \
  ./usr/share/doc/vantle/changelog.gz; do
  grep -qFx -- "$path" <<<"$listing" || fail "the package lacks $path"
done
# The file managers' context-menu entries: Dolphin, Nautilus, Nemo.
for path in \
  "./usr/share/kio/servicemenus/$id.desktop" \
  ./usr/share/nautilus-python/extensions/vantle_nautilus.py \
  ./usr/share/nemo/actions/vantle-mark.nemo_action \
  ./usr/share/nemo/actions/vantle-mark-for.nemo_action \
  ./usr/share/nemo/actions/vantle-keep.nemo_action; do
  grep -qFx -- "$path" <<<"$listing" || fail "the package lacks $path"
done

dpkg-deb -I "$deb"
depends=$(dpkg-deb -f "$deb" Depends)
# Versioned entries for the C library and Qt come only from dpkg-shlibdeps.
for library in libc6 libqt6core6 libqt6widgets6; do
  grep -qE "(^|, )$library \(>= [^)]+\)" <<<"$depends" ||
    fail "Depends has no computed entry for $library: $depends"
done

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"

# D-Bus must find the program where the service file says it is.
exec_path=$(sed -n 's/^Exec=//p' "$unpacked/usr/share/dbus-1/services/$id.service")
[[ -x "$unpacked$exec_path" ]] || fail "the D-Bus service starts $exec_path, which the package lacks"

# The changelog, the AppStream release and the manual page name this version.
version=$(dpkg-deb -f "$deb" Version)
changelog_version=$(zcat "$unpacked/usr/share/doc/vantle/changelog.gz" | sed -n '1s/^vantle (\([^)]*\)).*/\1/p')
release_version=$(grep -om1 '<release version="[^"]*"' "$unpacked/usr/share/metainfo/$id.metainfo.xml" |
  sed 's/.*"\(.*\)"/\1/')
manual_version=$(zcat "$unpacked/usr/share/man/man1/vantle.1.gz" | sed -n 's/^\.TH .*"Vantle \([^"]*\)".*/\1/p')
for named in "changelog:$changelog_version" "metainfo release:$release_version" "manual page:$manual_version"; do
  [[ "${named#*:}" == "$version" ]] || fail "the ${named%%:*} names version '${named#*:}', the package $version"
done

appstreamcli validate --no-net "$unpacked/usr/share/metainfo/$id.metainfo.xml"
desktop-file-validate "$unpacked/usr/share/applications/$id.desktop"
# The file managers' entries as installed: Dolphin runs only an executable service menu.
desktop-file-validate "$unpacked/usr/share/kio/servicemenus/$id.desktop"
[[ -x "$unpacked/usr/share/kio/servicemenus/$id.desktop" ]] || fail "the Dolphin service menu is not executable"
lintian --fail-on error "$deb"
echo "check-package: $deb passes"
