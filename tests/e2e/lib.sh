# shellcheck shell=bash
# Shared by the end-to-end drivers: a catalogue laid out beside a copy of tolvane.exe,
# the program started in the project's Wine prefix, a probe process that reads its
# window, real X input through xdotool, and checks that wait for the window to catch
# up (everything runs under an emulator here, so input may queue for a while).
# Needs DISPLAY and the variables tests/e2e/CMakeLists.txt sets.
set -euo pipefail
for variable in TOLVANE_EXE E2E_PROBE E2E_TOLVANE_CAT E2E_SHIPPED_DIR E2E_SHIPPED_TSV E2E_WINE_RUN DISPLAY; do
    [ -n "${!variable:-}" ] || { echo "e2e: $variable is not set (run through ctest)" >&2; exit 1; }
done
[ -x "$E2E_TOLVANE_CAT" ] || { echo "e2e: no $E2E_TOLVANE_CAT (build the native preset)" >&2; exit 1; }

PATIENCE=${E2E_PATIENCE:-20}  # seconds one check may wait for the window
SEARCH=1006
LIST=1000
DETAILS=3000
DECLARATION=1005
DATA_FILES=(vq_api.dat vq_dat.dat api.ini)

# Set up before any deadline starts: a new prefix takes a while.
"$(dirname "$E2E_WINE_RUN")/wine-prefix.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/tolvane-e2e.XXXXXX")
program=
probe_pid=
failed_check=

log() { echo "[$(date +%T)] $*"; }

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cleanup() {
    local status=$?
    if [ -n "$program" ] && kill -0 "$program" 2>/dev/null; then
        probe close >/dev/null 2>&1 || true
        wait_gone "$program" 10 || kill "$program" 2>/dev/null || true
    fi
    if [ -n "$probe_pid" ]; then
        exec {probe_in}>&-
        wait_gone "$probe_pid" 10 || kill "$probe_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT

# Polls until the pid is gone or the seconds pass.
wait_gone() {
    local pid=$1 deadline=$((SECONDS + $2))
    while kill -0 "$pid" 2>/dev/null; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

hex() {
    local bytes
    bytes=$(od -An -v -tx1 | tr -d ' \n')
    echo "${bytes:--}"
}

unhex() {
    [ "$1" = - ] || xxd -r -p <<<"$1"
}

# A fresh directory holding a copy of tolvane.exe and the catalogue: compiled from a
# source (.tsv) or copied from a directory of compiled files.
lay_out() {
    local catalogue=$1
    dir=$(mktemp -d "$work/run.XXXXXX")
    cp "$TOLVANE_EXE" "$dir/tolvane.exe"
    if [ -d "$catalogue" ]; then
        for file in "${DATA_FILES[@]}"; do cp "$catalogue/$file" "$dir/"; done
    else
        "$E2E_TOLVANE_CAT" build --out "$dir" "$catalogue" >/dev/null
    fi
    source_tsv=$2
    sha256sum "${DATA_FILES[@]/#/$dir/}" >"$work/data.sha256"
    mapfile -t NAMES < <("$E2E_TOLVANE_CAT" --dir "$dir" list)
    declare -gA INDEX=() DETAILS_HEX=() DECLARATION_HEX=()
    local i
    for i in "${!NAMES[@]}"; do INDEX[${NAMES[$i]}]=$i; done
    log "catalogue of ${#NAMES[@]} entries in $dir"
}

# What the boxes must hold for name, hex in DETAILS_HEX and DECLARATION_HEX: the
# catalogue's own formatting of the details, the source's declaration column.
learn_expected() {
    [ -z "${DETAILS_HEX[$1]:-}" ] || return 0
    DETAILS_HEX[$1]=$("$E2E_TOLVANE_CAT" --dir "$dir" show --raw "$1" | hex)
    DECLARATION_HEX[$1]=$(awk -F'\t' -v name="$1" '$1 == name { printf "%s", $11; exit }' \
        "$source_tsv" | hex)
}

# One question to the probe; the answer in $reply. Fails (status 1) on an error answer.
probe() {
    echo "$*" >&"$probe_in"
    IFS= read -r -t 60 reply <&"$probe_out" || fail "the probe did not answer '$*'"
    [[ $reply != error* ]]
}

# Reads the window's state into count, cursel, caret, top, focus, visible, search.
read_state() {
    probe state || return 1
    read -r count cursel caret top focus visible search <<<"$reply"
}

# Runs the check "$@" until it holds; on a timeout says what was seen and fails.
expect() {
    local deadline=$((SECONDS + PATIENCE))
    until "$@"; do
        if ((SECONDS >= deadline)); then
            local seen=
            read_state || true
            seen=$reply
            probe foreground || true
            fail "$* did not hold within ${PATIENCE}s: $seen${failed_check:+ ($failed_check)}; foreground: $reply"
        fi
        sleep 0.1
    done
}

start_tolvane() {
    if [ -z "$probe_pid" ]; then
        coproc PROBE { exec "$E2E_WINE_RUN" "$E2E_PROBE" 2>/dev/null; }
        probe_pid=$PROBE_PID
        probe_in=${PROBE[1]} probe_out=${PROBE[0]}
    fi
    # Without the probe's pipes, so that closing them ends the probe.
    "$E2E_WINE_RUN" "$dir/tolvane.exe" {probe_in}>&- {probe_out}<&- &
    program=$!
    probe target "$(basename "$dir")/tolvane.exe"
    # The first start in a prefix can take long under the emulator.
    PATIENCE=120 expect window_shown
    read_state
    ((count == ${#NAMES[@]})) || fail "the list holds $count entries, not ${#NAMES[@]}"
    log "tolvane.exe is up (pid $program)"
}

window_shown() {
    probe window && [ "$reply" = 1 ] && read_state && [ "$visible" = 1 ]
}

# The list's selection and caret on name; the details and the declaration its own.
shows() {
    local name=$1 want=${INDEX[$1]}
    failed_check=
    read_state || return 1
    [ "$cursel" = "$want" ] && [ "$caret" = "$want" ] || { failed_check="selection $cursel"; return 1; }
    learn_expected "$name"
    probe text $DETAILS && [ "$reply" = "${DETAILS_HEX[$name]}" ] ||
        { failed_check="details $reply"; return 1; }
    probe text $DECLARATION && [ "$reply" = "${DECLARATION_HEX[$name]}" ] ||
        { failed_check="declaration $reply"; return 1; }
}

# The details box shows the entry under the caret, whichever it is.
details_follow_caret() {
    read_state || return 1
    probe item "$caret" || return 1
    local name
    name=$(unhex "$reply")
    learn_expected "$name"
    probe text $DETAILS && [ "$reply" = "${DETAILS_HEX[$name]}" ] ||
        { failed_check="details $reply for $name"; return 1; }
}

focus_on() { read_state && [ "$focus" = "$1" ]; }
search_holds() { read_state && [ "$search" = "$(printf %s "$1" | hex)" ]; }
answers() { probe ping 5000 && [ "$reply" = 1 ]; }

# Screen points for the pointer, in $point: the middle of a control (0: of the
# window's client area), of a list item.
control_point() {
    probe rect "$1" || fail "no rectangle for control $1: $reply"
    local left top right bottom
    read -r left top right bottom <<<"$reply"
    point="$(((left + right) / 2)) $(((top + bottom) / 2))"
}

item_point() {
    probe itempoint "$1" || fail "list item $1 is not shown: $reply"
    point=$reply
}

click_control() {
    control_point "$1"
    # shellcheck disable=SC2086
    xdotool mousemove $point click 1
    expect focus_on "$1"
}

click_item() {
    item_point "${INDEX[$1]}"
    # shellcheck disable=SC2086
    xdotool mousemove $point click 1
    expect shows "$1"
}

# Closes the window one way or another and checks the exit code and the data files.
expect_clean_exit() {
    wait_gone "$program" 60 || fail "tolvane.exe still runs after closing"
    local status=0
    wait "$program" || status=$?
    program=
    ((status == 0)) || fail "tolvane.exe exited with $status"
    sha256sum --quiet -c "$work/data.sha256" || fail "the catalogue files changed"
    log "closed with exit code 0; catalogue files unchanged"
}
