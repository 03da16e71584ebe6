# Shared by the scripts that run Windows programs under Wine; source it.
#   wine_session PREFIX        make the prefix, export Wine's settings, and
#                              end everything started here when the script exits
#   virtual_display            start Xvfb unless DISPLAY is set
#   ui_language en|ko          the process locale, which Wine turns into the
#                              user interface language
#   map_sim_port               map the simulated adapter's port (KX4XX_SIM_COM
#                              to KX4XX_SIM_LINK) in this prefix, when the run has one
#   start_sim FOLDER NATIVE [options...]
#                              start the simulated adapter from the native build,
#                              mapped as COM7 through the link FOLDER/sim-com7

wine_session() {
    export WINEPREFIX="$1" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
    bash "$(dirname "${BASH_SOURCE[0]}")/wine-prefix.sh" "$WINEPREFIX"
    trap wine_session_end EXIT
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
