# Every box carries the icon of its kind, and the warning, error and
# information icons differ; a box fits the screen it stands on however long
# its lines or paths, even at a 5,000-character working directory; the text is
# UTF-8 whatever the locale, bytes that are not UTF-8 included.
. "$(dirname "$0")/lib.sh"
need_display

# Box $1's top-left corner, where its icon stands, into $2 (PNG); waits up to
# 4 s for the box to be painted (more than 20 colours there).
icon_of() {
    local x y i
    read -r x y < <(xwininfo -id "$1" |
        awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {print x, $4}')
    for ((i = 0; i < 20; i++)); do
        import -window root -crop 70x70+"$x"+"$y" +repage "$2" 2>/dev/null
        (($(colour_count "$2") > 20)) && return 0
        sleep 0.2
    done
}

# Box $1 is no wider and no taller than the screen; $2 says which box.
assert_box_fits() {
    local size screen
    size=$(xwininfo -id "$1" | awk '/Width:/ {w = $2} /Height:/ {print w "x" $2}')
    screen=$(current_mode)
    ((${size%x*} <= ${screen%x*} && ${size#*x} <= ${screen#*x})) ||
        fail "$2: the box is $size on a $screen screen"
    pass "$2: the box is $size on a $screen screen"
}

assert_quiet_stderr() {
    grep -E 'WARNING|CRITICAL|Gtk|Pango' "$WORK/stderr" && fail "$1: the toolkit complained on standard error"
    return 0
}

# Starts the show (environment assignments in $2...) from a folder without
# stuff/ whose absolute path is $1 bytes long, reached by relative steps (no
# absolute path reaches one past 4,095), with a Latin-1 byte and a UTF-8 "ú"
# on the way.
start_show_deep() {
    local length=$1
    shift
    (
        LC_ALL=C  # lengths in bytes
        cd "$WORK" && mkdir "deep$length" && cd "deep$length" || exit 1
        part=$(printf 'M\xfasica-M\xc3\xbasica')
        mkdir "$part" && cd "$part" || exit 1
        part=$(printf '%200s' '' | tr ' ' d)
        while ((${#PWD} < length - 201)); do mkdir "$part" && cd "$part" || exit 1; done
        part=$(printf '%*s' $((length - ${#PWD} - 1)) '' | tr ' ' e)
        mkdir "$part" && cd "$part" || exit 1
        exec env "$@" "$KELVORA" >"$WORK/stdout" 2>"$WORK/stderr"
    ) &
    SHOW_PID=$!
}

# Ends the running show with Escape: the closing box's icon into $1-icon.png
# and the whole box into $1.png; $2 says which run, for the messages.
end_capturing_closing_box() {
    local box
    wait_show_window >/dev/null || fail "$2: no show window after the boxes"
    press Escape || fail "$2: no window to press Escape in"
    box=$(wait_box Kelvora 10) || fail "$2: no closing box"
    icon_of "$box" "$WORK/$1-icon.png"
    import -window "$box" "$WORK/$1.png" 2>/dev/null
    close_box "$box"
    wait_exit 5 || fail "$2: the show did not end after the closing box"
    assert_quiet_stderr "$2"
}

# A run-length image cut inside its first packet: its reason is longer than a
# line.
printf '\0\0\n\0\0\0\0\0\0\0\0\0\0\1\0\1\30\0\201\20' >"$WORK/cut.tga"
dir=$(stuff_without)
for n in 3 7 10; do cp "$WORK/cut.tga" "$dir/stuff/frase$n.tga"; done
LC_ALL=C.UTF-8 start_show "$dir"
box=$(wait_box "OpenGL Demo") || fail "no warning box"
icon_of "$box" "$WORK/warning.png"
close_box "$box"
box=$(wait_box Kelvora) || fail "no box about the cut-short pictures"
assert_box_fits "$box" "three cut-short pictures"
icon_of "$box" "$WORK/error.png"
close_box "$box"
end_capturing_closing_box closing-utf8 "UTF-8 locale"
cp "$WORK/closing-utf8-icon.png" "$WORK/information.png"

for kind in warning error information; do
    colours=$(colour_count "$WORK/$kind.png")
    ((colours > 20)) || fail "the $kind box's corner has $colours colours, expected an icon (more than 20)"
done
for pair in warning:error warning:information error:information; do
    differing=$(compare -metric AE "$WORK/${pair%:*}.png" "$WORK/${pair#*:}.png" null: 2>&1)
    ((${differing%.*} > 500)) || fail "the ${pair%:*} and ${pair#*:} icons differ in $differing pixels, expected over 500"
done
pass "warning, error and information boxes each show an icon of their own"

start_show_deep 4051 LC_ALL=C.UTF-8
box=$(wait_box "OpenGL Demo") || fail "no warning box"
close_box "$box"
box=$(wait_box Kelvora) || fail "no box about the missing folder"
assert_box_fits "$box" "a 4,051-byte working directory"
assert_quiet_stderr "4,051 bytes"
kill -TERM "$SHOW_PID"
wait_exit 5 || fail "SIGTERM during the box: the show still runs 5 s later"

# LANG=C, from a 5,000-byte folder: the closing box looks as it does in a
# UTF-8 locale ("CÓDIGO", not "C").
start_show_deep 5000 LC_ALL= LANG=C
box=$(wait_box "OpenGL Demo") || fail "no warning box"
close_box "$box"
box=$(wait_box Kelvora) || fail "no box about the missing folder at 5,000 bytes; stderr: $(cat "$WORK/stderr")"
assert_box_fits "$box" "a 5,000-byte working directory, LANG=C"
close_box "$box"
end_capturing_closing_box closing-c "LANG=C"
differing=$(compare -metric AE "$WORK/closing-utf8.png" "$WORK/closing-c.png" null: 2>&1)
[ "$differing" = 0 ] || fail "the closing box under LANG=C differs from the UTF-8 one in $differing pixels"
pass "LANG=C: the closing box is the same as in a UTF-8 locale"
