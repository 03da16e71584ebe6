# Shared by the scripts that run Windows programs under Wine; source it.
#   wine_session PREFIX        make the prefix, export Wine's settings, and
#                              end everything started here when the script exits
#   virtual_display            start Xvfb unless DISPLAY is set
#   start_sim FOLDER NATIVE [options...]
#                              start the simulated adapter from the native build,
#                              mapped as COM7 through the link FOLDER/sim-com7

wine_session() {
    export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
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
    local n display=""
    for n in $(seq 90 120); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
    done
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=$display
    for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
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
