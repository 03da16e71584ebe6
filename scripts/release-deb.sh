#!/usr/bin/env bash
# release-deb.sh VERSION NATIVE_BUILD TREE DEB: the Debian package of kx4xx
# and kx4xx-sim from the native build, with a manual page for each made from
# its --help, assembled in TREE (emptied first). Run by release.sh, which sets
# SOURCE_DATE_EPOCH: every file time, the manual pages' and the changelog's
# date are the commit's.
set -euo pipefail
version=$1 native=$(realpath -m "$2") tree=$(realpath -m "$3") deb=$(realpath -m "$4")
here=$(cd "$(dirname "$0")" && pwd)
: "${SOURCE_DATE_EPOCH:?release-deb.sh: SOURCE_DATE_EPOCH is not set}"

rm -rf "$tree"
install -d "$tree/DEBIAN" "$tree/usr/bin" "$tree/usr/share/man/man1" "$tree/usr/share/doc/kx4xx"

declare -A summary=(
    [kx4xx]="configure ZANTOR-KX400 adapters over their serial port"
    [kx4xx-sim]="simulated ZANTOR-KX400 adapter on a pseudo-terminal"
)
for program in kx4xx kx4xx-sim; do
    built=$native/cli/$program
    [ "$program" = kx4xx-sim ] && built=$native/sim/$program
    install -m 0755 "$built" "$tree/usr/bin/$program"
    strip --strip-unneeded "$tree/usr/bin/$program"
    help2man --no-info --name="${summary[$program]}" --section=1 --output="$tree/usr/share/man/man1/$program.1" \
        "$tree/usr/bin/$program"
    gzip -9n "$tree/usr/share/man/man1/$program.1"
done

install -m 0644 "$here/release/copyright" "$tree/usr/share/doc/kx4xx/copyright"
{
    printf 'kx4xx (%s) stable; urgency=medium\n\n' "$version"
    printf '  * Release %s of ZANTOR-KX400 Manager.\n\n' "$version"
    printf ' -- %s  %s\n' "$(sed -n 's/^Maintainer: //p' "$here/release/control.in")" \
        "$(date -u -R -d "@$SOURCE_DATE_EPOCH")"
} | gzip -9n >"$tree/usr/share/doc/kx4xx/changelog.gz"
chmod 0644 "$tree/usr/share/doc/kx4xx/changelog.gz" "$tree"/usr/share/man/man1/*.gz

# What the programs need, from the shared libraries they name (the packages
# and least versions that dpkg-shlibdeps finds for their symbols).
shlibs=$(mktemp -d)
trap 'rm -rf "$shlibs"' EXIT
mkdir "$shlibs/debian"
printf 'Source: kx4xx\n\nPackage: kx4xx\nArchitecture: amd64\n' >"$shlibs/debian/control"
depends=$(cd "$shlibs" && dpkg-shlibdeps -O "$tree/usr/bin/kx4xx" "$tree/usr/bin/kx4xx-sim" | sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "release-deb.sh: no dependencies found" >&2; exit 1; }

# Installed-Size in KiB as dpkg counts it: each file rounded up, one per folder.
size=$(find "$tree" -path "$tree/DEBIAN" -prune -o \( -type f -printf '%s\n' -o -printf '0\n' \) |
    awk '{ total += $1 > 0 ? int(($1 + 1023) / 1024) : 1 } END { print total }')
sed -e "s/@VERSION@/$version/" -e "s/@INSTALLED_SIZE@/$size/" -e "s/@DEPENDS@/$depends/" \
    "$here/release/control.in" >"$tree/DEBIAN/control"
chmod 0644 "$tree/DEBIAN/control"

find "$tree" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
dpkg-deb --root-owner-group -Zxz --build "$tree" "$deb" >/dev/null
