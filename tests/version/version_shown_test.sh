#!/usr/bin/env bash
# version_shown_test.sh VERSION SOURCE_DIR VERSION_HEADER KX4XX KX4XX_SIM
# Fails, saying where, wherever the version shown is not VERSION.
set -uo pipefail
version=$1 source=$2 header=$3 kx4xx=$4 sim=$5
failures=0

expect() {  # expect WHAT ACTUAL EXPECTED
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1 is '$2', expected '$3'"
        failures=$((failures + 1))
    fi
}

define() {  # define NAME: the value of NAME in the generated header
    sed -n "s/^#define $1 //p" "$header"
}

expect "kx4xx --version" "$("$kx4xx" --version)" "kx4xx $version"
expect "kx4xx-sim --version" "$("$sim" --version)" "kx4xx-sim $version"

expect "KX4XX_VERSION_TEXT" "$(define KX4XX_VERSION_TEXT)" "\"$version\""
expect "KX4XX_VERSION_RECORD_TEXT" "$(define KX4XX_VERSION_RECORD_TEXT)" "\"$version.0\""
expect "the header's numbers" \
    "$(define KX4XX_VERSION_MAJOR).$(define KX4XX_VERSION_MINOR).$(define KX4XX_VERSION_PATCH)" "$version"

# The version records of the two programs (and through them the about box,
# which shows the window program's) take every number from the header.
for rc in resources/app.rc cli/kx4xx.rc; do
    lines=$(grep -E '^ *(FILEVERSION|PRODUCTVERSION) |VALUE "(FileVersion|ProductVersion)"' "$source/$rc")
    expect "the count of version lines in $rc" "$(grep -c . <<<"$lines")" \
        "$((2 + 2 * $(grep -c 'BLOCK "0[0-9a-f]*"' "$source/$rc")))"
    while read -r line; do
        case "$line" in
            FILEVERSION*|PRODUCTVERSION*)
                expect "$rc: ${line%% *}" "${line#* }" "KX4XX_VERSION_MAJOR,KX4XX_VERSION_MINOR,KX4XX_VERSION_PATCH,0" ;;
            *)
                expect "$rc: ${line%%,*}" "${line#*, }" "KX4XX_VERSION_RECORD_TEXT" ;;
        esac
    done <<<"$lines"
done

[ "$failures" = 0 ] && echo "version $version shown everywhere"
[ "$failures" = 0 ]
