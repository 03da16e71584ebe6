#!/usr/bin/env bash
# Builds a release into dist/ on a Debian 12 machine (set-up as the other
# scripts do it):
#   ZANTOR-KX400-Manager-VERSION-win32.zip, ...-win64.zip
#                              the window program and kx4xx.exe of that
#                              architecture, with README.txt
#   ZANTOR-KX400-Manager-VERSION-symbols.zip
#                              the .debug files of those four programs
#   kx4xx_VERSION_amd64.deb    kx4xx and kx4xx-sim with their manual pages
#   SHA256SUMS                 over all of them
# VERSION is project()'s in CMakeLists.txt. The builds stay in
# build/release-{native,win32,win64}.
#
# The files are the same to the byte wherever and whenever the same commit is
# built: every time stamp is the last commit's (SOURCE_DATE_EPOCH, which the
# linker, strip, help2man and dpkg-deb take for theirs), the source folder
# enters no program as a path (-ffile-prefix-map), and archives list their
# entries in sorted order.
#
#   scripts/release.sh --check-reproducible
#       builds the committed HEAD twice, from two clones in two temporary
#       folders one after the other, and compares the results.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

case "${1:-}" in
    "") ;;
    --check-reproducible) exec bash scripts/release-check.sh ;;
    *) echo "usage: scripts/release.sh [--check-reproducible]" >&2; exit 2 ;;
esac

bash scripts/setup.sh || { echo "release.sh: scripts/setup.sh failed"; exit 1; }

SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
umask 022
jobs=$(nproc)
stage=build/release-stage

# build FOLDER BUILD_TYPE "TARGETS" "PROGRAMS" [cmake options...]: builds the
# targets; their program files (relative to FOLDER) are linked afresh, since
# the time stamps in a Windows program are the commit's of its link.
build() {
    local dir=build/$1 type=$2 targets=$3 programs=$4 program
    shift 4
    echo "== $dir: $targets"
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" -DKX4XX_WERROR=ON \
        -DCMAKE_C_FLAGS="-ffile-prefix-map=$top=." -DCMAKE_CXX_FLAGS="-ffile-prefix-map=$top=." "$@" >/dev/null
    while read -r program; do
        rm -f "$dir/$program"
    done <<<"$programs"
    # shellcheck disable=SC2086
    cmake --build "$dir" -j"$jobs" --target $targets
}

stamp() {  # stamp PATH...: the commit's time on every file and folder below
    find "$@" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

make_zip() {  # make_zip ZIP FOLDER: FOLDER and its files, sorted, no extra fields
    local zip=$1 folder=$2
    stamp "$folder"
    rm -f "$zip"
    (cd "$(dirname "$folder")" && find "$(basename "$folder")" -type f | sort | zip -X -D -q "$zip" -@)
}

windows_programs=$'app/ZANTOR-KX400 Manager.exe\ncli/kx4xx.exe'
build release-native Release "kx4xx kx4xx-sim" $'cli/kx4xx\nsim/kx4xx-sim'
build release-win64 RelWithDebInfo "kx4xx_manager kx4xx" "$windows_programs" \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-x86_64.cmake"
build release-win32 RelWithDebInfo "kx4xx_manager kx4xx" "$windows_programs" \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release-native/CMakeCache.txt)
shown=$(build/release-native/cli/kx4xx --version)
if [ "$shown" != "kx4xx $version" ]; then
    echo "release.sh: kx4xx --version says '$shown', the project's version is $version" >&2
    exit 1
fi
name=ZANTOR-KX400-Manager-$version
echo "== dist/ of version $version, time stamps $(date -d "@$SOURCE_DATE_EPOCH" '+%F %T') UTC"

rm -rf "$stage" dist
mkdir -p "$stage" dist
dist=$top/dist

# The Windows zips and their symbols.
for arch in win32 win64; do
    folder=$stage/$arch/$name-$arch
    mkdir -p "$folder" "$stage/symbols/$name-symbols/$arch"
    for program in "app/ZANTOR-KX400 Manager.exe" cli/kx4xx.exe; do
        install -m 0755 "build/release-$arch/$program" "$folder/"
        install -m 0644 "build/release-$arch/$program.debug" "$stage/symbols/$name-symbols/$arch/"
    done
    sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' scripts/release/README.txt >"$folder/README.txt"
    chmod 0644 "$folder/README.txt"
    make_zip "$dist/$name-$arch.zip" "$folder"
done
make_zip "$dist/$name-symbols.zip" "$stage/symbols/$name-symbols"

# The Linux bench's package.
bash scripts/release-deb.sh "$version" build/release-native "$stage/deb" "$dist/kx4xx_${version}_amd64.deb"

(cd dist && sha256sum -- *.zip *.deb >SHA256SUMS)
echo "== dist/"
ls -l dist
cat dist/SHA256SUMS
