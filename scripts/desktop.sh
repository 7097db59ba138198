# Sourced by the screenshot scripts: a virtual display 1024 x 600 with a tray at its bottom
# right, for the program's icon and balloons. start_desktop DISPLAY starts both, exports
# DISPLAY and leaves their process ids in xvfb and tray.
start_desktop() {
    Xvfb "$1" -screen 0 1024x600x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    export DISPLAY=$1
    sleep 1
    trayer --edge bottom --align right --widthtype pixel --width 120 --height 24 \
        --transparent false --tint 0x404040 >/dev/null 2>&1 &
    tray=$!
}
