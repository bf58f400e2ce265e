# shellcheck shell=bash
# Shared by scripts/screenshot and the packaging test: drives the real program on an X display
# (Xvfb) with xdotool and reads its pixels back. Needs xdotool and python3; pixels are read through
# libX11 with ctypes, so no image tool has to be installed.

# The buttons in window-client coordinates, 30x30 each, by their top left corners and their
# centres: light, clear, save, change, info.
GLINTFALL_BUTTON_CORNERS=("1 481" "31 481" "61 481" "91 481" "433 481")
# shellcheck disable=SC2034 # used by the scripts that source this file
GLINTFALL_BUTTON_CENTRES=("16 496" "46 496" "76 496" "106 496" "448 496")
# shellcheck disable=SC2034
GLINTFALL_CLIENT_SIZE="480 513"

# wait_for_window TITLE SECONDS: prints the id of the first visible window titled exactly TITLE.
wait_for_window() {
    local title=$1 seconds=$2 id deadline=$((SECONDS + $2))
    while [ "$SECONDS" -lt "$deadline" ]; do
        id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1) || true
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.2
    done
    echo "no window titled '$title' appeared within ${seconds}s" >&2
    return 1
}

# window_client_rect ID: prints "X Y WIDTH HEIGHT" of the window on the root window. Without a
# window manager the client area is where the window is.
window_client_rect() {
    # shellcheck disable=SC2034 # set by the eval
    local WINDOW X Y WIDTH HEIGHT SCREEN
    eval "$(xdotool getwindowgeometry --shell "$1")"
    echo "$X $Y $WIDTH $HEIGHT"
}

# wait_for_main_window SECONDS: prints "X Y", where the client area of the program's main window
# is on the root window. An error report has the same title and comes first, so any other window
# titled Glintfall fails at once.
wait_for_main_window() {
    local deadline=$((SECONDS + $1)) id x y width height
    while [ "$SECONDS" -lt "$deadline" ]; do
        for id in $(xdotool search --onlyvisible --name '^Glintfall$' 2>/dev/null); do
            read -r x y width height < <(window_client_rect "$id") || continue # gone meanwhile
            if [ "$width $height" = "$GLINTFALL_CLIENT_SIZE" ]; then
                echo "$x $y"
                return 0
            fi
            echo "a window titled Glintfall is ${width}x$height, not the main window: an error report?" >&2
            return 1
        done
        sleep 0.2
    done
    echo "no window titled Glintfall appeared within $1 s" >&2
    return 1
}

# x_pixels X Y [X Y...]: prints "R G B" of each pixel of the root window, one a line.
# x_lit_pixels X Y WIDTH HEIGHT [X Y WIDTH HEIGHT...]: prints how many pixels of each rectangle of
# the root window are not black, one count a line.
# x_grab_png X Y WIDTH HEIGHT FILE: writes that part of the root window as an RGB PNG.
x_pixels() { _x_image pixels "$@"; }
x_lit_pixels() { _x_image lit "$@"; }
x_grab_png() { _x_image png "$@"; }

_x_image() {
    python3 - "$@" <<'PY'
import ctypes, struct, sys, zlib

class XImage(ctypes.Structure):
    # The leading fields of Xlib's XImage, which are all that is read here.
    _fields_ = [(n, ctypes.c_int) for n in ("width", "height", "xoffset", "format")] + [
        ("data", ctypes.POINTER(ctypes.c_ubyte))] + [
        (n, ctypes.c_int) for n in ("byte_order", "bitmap_unit", "bitmap_bit_order", "bitmap_pad",
                                    "depth", "bytes_per_line", "bits_per_pixel")] + [
        (n, ctypes.c_ulong) for n in ("red_mask", "green_mask", "blue_mask")]

def grab(x, y, width, height):
    xlib = ctypes.CDLL("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XGetImage.restype = ctypes.POINTER(XImage)
    xlib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                               ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    display = xlib.XOpenDisplay(None)
    if not display:
        sys.exit("cannot open the X display")
    z_pixmap, all_planes = 2, 2**64 - 1
    image = xlib.XGetImage(display, xlib.XDefaultRootWindow(display), x, y, width, height,
                           all_planes, z_pixmap)
    if not image:
        sys.exit(f"cannot read {width}x{height} at {x},{y} from the X display")
    im = image.contents
    if im.bits_per_pixel != 32:
        sys.exit(f"unsupported X image: {im.bits_per_pixel} bits per pixel")
    raw = ctypes.string_at(im.data, im.bytes_per_line * height)
    order = "<" if im.byte_order == 0 else ">"
    shifts = [(mask, (mask & -mask).bit_length() - 1) for mask in (im.red_mask, im.green_mask, im.blue_mask)]
    rows = []
    for row in range(height):
        words = struct.unpack_from(f"{order}{width}I", raw, row * im.bytes_per_line)
        rgb = bytearray(3 * width)
        for channel, (mask, shift) in enumerate(shifts):
            rgb[channel::3] = bytes((w & mask) >> shift for w in words)
        rows.append(bytes(rgb))
    return rows

def write_png(path, width, height, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    body = zlib.compress(b"".join(b"\0" + row for row in rows), 9)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", body) + chunk(b"IEND", b""))

mode, args = sys.argv[1], sys.argv[2:]
if mode == "pixels":
    for px, py in zip(*[iter(map(int, args))] * 2):
        r, g, b = grab(px, py, 1, 1)[0]
        print(r, g, b)
elif mode == "lit":
    for x, y, width, height in zip(*[iter(map(int, args))] * 4):
        print(sum(1 for row in grab(x, y, width, height) for i in range(0, len(row), 3) if any(row[i:i + 3])))
else:
    x, y, width, height = map(int, args[:4])
    write_png(args[4], width, height, grab(x, y, width, height))
PY
}

# button_pictures_shown X Y: true when each button square of a window whose client area starts at
# X,Y has its picture, that is when at least a fifth of its pixels are not black: a button without
# one shows the black bar behind it.
button_pictures_shown() {
    local origin_x=$1 origin_y=$2 corner left top rectangles=() lit
    for corner in "${GLINTFALL_BUTTON_CORNERS[@]}"; do
        read -r left top <<<"$corner"
        rectangles+=($((origin_x + left)) $((origin_y + top)) 30 30)
    done
    local counts
    counts=$(x_lit_pixels "${rectangles[@]}") || return 1
    while read -r lit; do
        [ "$lit" -ge 180 ] || return 1
    done <<<"$counts"
}

# wait_for_button_pictures X Y SECONDS
wait_for_button_pictures() {
    local deadline=$((SECONDS + $3))
    while [ "$SECONDS" -lt "$deadline" ]; do
        button_pictures_shown "$1" "$2" && return 0
        sleep 0.3
    done
    return 1
}

# stop_process PID: asks it to end, then insists after a few seconds.
stop_process() {
    local pid=$1
    kill -0 "$pid" 2>/dev/null || return 0
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 30); do
        kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null || true; return 0; }
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}
