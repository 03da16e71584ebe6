# Shared by the scripts that run Windows programs under Wine; source it.
#   can_run_win32              whether this machine executes 32-bit programs
#                              (KX4XX_NO_WIN32=1 makes it answer no)
#   program_arch FILE          win32 or win64: the kind of a Windows program file
#   wine_arch win32|win64      use the Wine of that kind from here on (call it
#                              before wine_session; the prefix is of that kind)
#   wine_session PREFIX        make the prefix, export Wine's settings, and
#                              end everything started here when the script exits;
#                              a 64-bit prefix on a machine that executes 32-bit
#                              programs must hold the 32-bit system files too,
#                              as every 64-bit Windows does
#   virtual_display            start Xvfb unless DISPLAY is set
#   ui_language en|ko          the process locale, which Wine turns into the
#                              user interface language
#   map_sim_port               map the simulated adapter's port (KX4XX_SIM_COM
#                              to KX4XX_SIM_LINK) in this prefix, when the run has one
#   start_sim FOLDER NATIVE [options...]
#                              start the simulated adapter from the native build,
#                              mapped as COM7 through the link FOLDER/sim-com7

can_run_win32() {
    [ "${KX4XX_NO_WIN32:-0}" != 1 ] || return 1
    # Wine's 32-bit loader is itself a 32-bit Linux program.
    /usr/lib/wine/wine --version >/dev/null 2>&1
}

program_arch() {
    local file=$1 header machine
    if [ ! -f "$file" ]; then
        echo "program_arch: no file $file" >&2
        return 1
    fi
    # The PE header's offset is at 0x3c; its machine field follows "PE\0\0".
    header=$(od -An -tu4 -j60 -N4 "$file" | tr -d ' ')
    machine=$(od -An -tx2 -j$((header + 4)) -N2 "$file" | tr -d ' ')
    case "$machine" in
        014c) echo win32 ;;
        8664) echo win64 ;;
        *) echo "program_arch: $file is not a 32- or 64-bit x86 Windows program" >&2; return 1 ;;
    esac
}

wine_arch() {
    case "$1" in
        win32)
            if ! can_run_win32; then
                echo "32-bit Windows programs cannot run here: this machine does not execute 32-bit programs (Wine's 32-bit loader /usr/lib/wine/wine fails${KX4XX_NO_WIN32:+; KX4XX_NO_WIN32=1 is set}); use the 64-bit build" >&2
                return 1
            fi
            unset WINELOADER
            export WINEARCH=win32 ;;
        win64)
            if [ ! -x /usr/lib/wine/wine64 ]; then
                echo "64-bit Wine is missing (/usr/lib/wine/wine64): run scripts/setup.sh" >&2
                return 1
            fi
            case ":$PATH:" in
                *":$(wine64_bin):"*) ;;
                *) export PATH="$(wine64_bin):$PATH" ;;
            esac
            export WINELOADER=/usr/lib/wine/wine64 WINEARCH=win64 ;;
        *) echo "the Windows kind must be win32 or win64" >&2; return 2 ;;
    esac
    export KX4XX_WINE_ARCH="$1"
}

wine64_bin() {
    (cd "$(dirname "${BASH_SOURCE[0]}")/wine64-bin" && pwd)
}

wine_session() {
    export WINEPREFIX="$1" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
    bash "$(dirname "${BASH_SOURCE[0]}")/wine-prefix.sh" "$WINEPREFIX"
    trap wine_session_end EXIT
    if [ "${KX4XX_WINE_ARCH:-}" = win64 ]; then
        # Wine makes syswow64 in every 64-bit prefix, but fills it only
        # where its 32-bit half runs.
        if [ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
            echo "Wine prefix $WINEPREFIX: 64-bit with the 32-bit system files, as 64-bit Windows"
        elif can_run_win32; then
            # A 64-bit-only prefix binds a 64-bit program to nothing of the
            # wrong kind and so hides what Windows would refuse.
            echo "Wine prefix $WINEPREFIX holds no 32-bit system files on a machine that runs 32-bit programs: remove it and run again" >&2
            return 1
        else
            echo "Wine prefix $WINEPREFIX: 64-bit only (this machine does not execute 32-bit programs)"
        fi
    fi
}

wine_session_end() {
    wineserver -k 2>/dev/null || true
    [ -n "${sim_pid:-}" ] && kill "$sim_pid" 2>/dev/null || true
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
}

virtual_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    local display_file display=""
    display_file=$(mktemp)
    Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp 4>"$display_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$display_file" ] && break
        sleep 0.1
    done
    display=$(cat "$display_file")
    rm -f "$display_file"
    if [ -z "$display" ]; then
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$display"
}

ui_language() {
    case "$1" in
        en) export LANG=C.UTF-8 LC_ALL=C.UTF-8 ;;
        ko)
            if ! locale -a | grep -qix 'ko_KR.utf8'; then
                echo "the ko_KR.UTF-8 locale is not generated (scripts/setup.sh does it)" >&2
                return 1
            fi
            export LANG=ko_KR.UTF-8 LC_ALL=ko_KR.UTF-8 ;;
        *) echo "the language must be en or ko" >&2; return 2 ;;
    esac
    export KX4XX_UI_LANGUAGE="$1"
}

map_sim_port() {
    [ -n "${KX4XX_SIM_COM:-}" ] && [ -n "${KX4XX_SIM_LINK:-}" ] || return 0
    # Wine reads the port map when its server starts, and then lists the
    # port in the system's serial port map, where the port dialog finds it.
    # The first Wine program of a new prefix can fail while Wine's services
    # start: tried once more.
    wine reg add 'HKLM\Software\Wine\Ports' /v "$KX4XX_SIM_COM" /d "$KX4XX_SIM_LINK" /f </dev/null >/dev/null 2>&1 ||
        wine reg add 'HKLM\Software\Wine\Ports' /v "$KX4XX_SIM_COM" /d "$KX4XX_SIM_LINK" /f </dev/null >/dev/null 2>&1
    wineserver -k || true
}

start_sim() {
    local folder=$1 native=$2
    shift 2
    "$native/sim/kx4xx-sim" --ignore-stdin --link "$folder/sim-com7" \
        --wine-prefix "$WINEPREFIX" --com COM7 "$@" > "$folder/sim.out" 2> "$folder/sim.err" &
    sim_pid=$!
    for _ in $(seq 300); do grep -q '^ready' "$folder/sim.out" && break; sleep 0.1; done
    if ! grep -q '^ready' "$folder/sim.out"; then
        cat "$folder/sim.out" "$folder/sim.err"
        echo "simulated adapter did not start" >&2
        return 1
    fi
    export KX4XX_SIM_COM=COM7 KX4XX_SIM_LINK="$folder/sim-com7"
    KX4XX_SIM_CONTROL=$(sed -n 's/^control //p' "$folder/sim.out")
    export KX4XX_SIM_CONTROL
}
