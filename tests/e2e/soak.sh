#!/usr/bin/env bash
# Thousands of random keys and clicks inside the window, in batches. Between batches
# the window must still answer, and after a key in the list the details must be the
# caret entry's. Never a key that closes: the run ends with WM_CLOSE, exit code 0 and
# the catalogue files unchanged. Replay a run with E2E_SEED=<the seed it printed>.
here=$(dirname "$0")
. "$here/lib.sh"

BATCHES=${E2E_SOAK_BATCHES:-30}
BATCH_SIZE=80
seed=${E2E_SEED:-$(date +%s)}
RANDOM=$seed
log "seed $seed (replay: E2E_SEED=$seed ctest -R e2e_soak)"

# Keys that reach whichever control has the focus, and those the dialog takes itself.
# Escape only where the focus is known to be the search box or the list: in the
# multi-line boxes it closes the window.
CONTROL_KEYS=(Up Down Left Right Prior Next Home End BackSpace space
    a b c d e f g h i j k l m n o p q r s t u v w x y z)
DIALOG_KEYS=(Tab shift+Tab Return)

lay_out "$here/fixture.tsv" "$here/fixture.tsv"
start_tolvane
probe rect 0
read -r area_left area_top area_right area_bottom <<<"$reply"

# Reads the window until two looks a moment apart agree: the queued input is done.
settled() {
    probe state || return 1
    local before=$reply
    probe text $DETAILS || return 1
    before+=" $reply"
    sleep 0.5
    probe state || return 1
    local after=$reply
    probe text $DETAILS || return 1
    [ "$before" = "$after $reply" ]
}

events=0 checks=0
for ((batch = 1; batch <= BATCHES; batch++)); do
    actions=() keys=() last=
    if [ "$focus" = $SEARCH ] || [ "$focus" = $LIST ] && ((RANDOM % 2)); then
        keys=(Escape)
        events=$((events + 1))
    fi
    for ((n = 0; n < BATCH_SIZE; n++)); do
        choice=$((RANDOM % 100))
        if ((choice < 15)); then
            ((${#keys[@]} == 0)) || actions+=(key --delay 12 "${keys[@]}")
            keys=()
            actions+=(mousemove $((area_left + RANDOM % (area_right - area_left)))
                $((area_top + RANDOM % (area_bottom - area_top)))
                click 1)
            last=click
        elif ((choice < 22)); then
            keys+=("${DIALOG_KEYS[RANDOM % ${#DIALOG_KEYS[@]}]}")
            last=dialog
        else
            keys+=("${CONTROL_KEYS[RANDOM % ${#CONTROL_KEYS[@]}]}")
            last=control
        fi
    done
    ((${#keys[@]} == 0)) || actions+=(key --delay 12 "${keys[@]}")
    xdotool "${actions[@]}"
    events=$((events + BATCH_SIZE))
    PATIENCE=60 expect settled
    expect answers
    read_state
    if [ "$last" = control ] && [ "$focus" = $LIST ]; then
        expect details_follow_caret
        checks=$((checks + 1))
    fi
done
log "sent $events events in $BATCHES batches; details checked after $checks of them"

probe close
expect_clean_exit
