#!/usr/bin/env bash
# tolvane.exe driven as a user drives it, with X keyboard and mouse events: the search
# box, the list's keys, clicks and drags, the tab order, Enter and Escape, and Alt+F4;
# first with a small fixture catalogue, then briefly with the shipped one.
here=$(dirname "$0")
. "$here/lib.sh"

# Replaces the search box's text by typing, as a user would: End, Shift+Home, type.
search_for() {
    click_control $SEARCH
    xdotool key End shift+Home type --delay 20 "$1"
    expect search_holds "$1"
}

lay_out "$here/fixture.tsv" "$here/fixture.tsv"
start_tolvane
expect focus_on $SEARCH
probe rect 0
log "client area: $reply"

# Names tried from the second entry on, the first one last; any letter case.
log "search box: prefix, BackSpace, full names"
while read -r typed selected; do
    search_for "$typed"
    expect shows "$selected"
done <<'EOF'
getw GetWindowLongA
ab AbortPath
abortd AbortDoc
gETwINDOWtEXTw GetWindowTextW
createfilea CreateFileA
globala GlobalAlloc
EOF
search_for getw
expect shows GetWindowLongA
xdotool key BackSpace
expect search_holds get
expect shows GetClientRect
# No name begins so: the selection stays and the details with it.
xdotool type --delay 20 q
expect search_holds getq
expect shows GetClientRect

log "search box: Enter and Escape close nothing"
xdotool key Return Escape
# The box must still answer and show the same, well after the keys.
xdotool key End
expect search_holds getq
expect window_shown
expect shows GetClientRect

log "list keys"
click_item BitBlt
while read -r key selected; do
    xdotool key "$key"
    expect shows "$selected"
done <<'EOF'
Down CloseHandle
Down CreateFileA
Up CloseHandle
End WriteFile
Home AbortDoc
g GetClientRect
w WriteFile
s SelectObject
EOF
# A page: forward by less than the list shows, never backward, details following.
xdotool key Page_Down
expect details_follow_caret
read_state
page_from=${INDEX[SelectObject]}
((cursel == caret && cursel > page_from)) || fail "Page Down from $page_from went to $cursel"
xdotool key Home Page_Down
expect details_follow_caret
read_state
((cursel > 0 && cursel < ${#NAMES[@]} - 1 && top == 0)) ||
    fail "Page Down from the top went to $cursel (top $top)"
xdotool key End
expect shows WriteFile
read_state
((top > 0)) || fail "End left the list scrolled to the top"
xdotool key Page_Up
expect details_follow_caret
read_state
((cursel < ${#NAMES[@]} - 1 && cursel >= top)) || fail "Page Up from the end went to $cursel"

log "list: Enter and Escape close nothing"
xdotool key Home
expect shows AbortDoc
xdotool key Return Escape Down
expect shows AbortPath
expect window_shown

log "list: click and drag"
click_item GetDC
item_point "${INDEX[BeginPaint]}"
drag_from=$point
item_point "${INDEX[DeleteObject]}"
drag_over=$point
item_point "${INDEX[FindWindowA]}"
drag_to=$point
# shellcheck disable=SC2086
xdotool mousemove $drag_from mousedown 1 mousemove $drag_over
held_over() { read_state && [ "$cursel" = "${INDEX[DeleteObject]}" ]; }
expect held_over
probe text $DETAILS
[ "$reply" = "${DETAILS_HEX[GetDC]}" ] || fail "the details changed while the button was held"
# shellcheck disable=SC2086
xdotool mousemove $drag_to mouseup 1
expect shows FindWindowA

log "tab order"
xdotool key Tab
expect focus_on $DETAILS
click_control $SEARCH
xdotool key Tab
expect focus_on $LIST
xdotool key shift+Tab
expect focus_on $SEARCH
expect shows FindWindowA

log "Alt+F4"
xdotool key alt+F4
expect_clean_exit

log "the shipped catalogue"
lay_out "$E2E_SHIPPED_DIR" "$E2E_SHIPPED_TSV"
start_tolvane
for typed in createfilea getWINDOWtextL; do
    search_for "$typed"
    expect shows "$("$E2E_TOLVANE_CAT" --dir "$dir" find "$typed")"
done
click_control $LIST
xdotool key Down Down
expect details_follow_caret
xdotool key End
expect shows "${NAMES[-1]}"
probe close
expect_clean_exit
