/* A stand-in for libXinerama.so.1 that reports the monitors named in
 * MURIVANE_XINERAMA_HEADS instead of asking the X server, so that Wine's X11
 * driver (with UseXRandR=N) sees several monitors on one Xvfb screen.
 *
 * MURIVANE_XINERAMA_HEADS="WxH+X+Y,WxH+X+Y,..." (offsets may be negative).
 * The first head is the one Wine makes primary and moves to 0,0, so offsets
 * written relative to it are the rectangles Windows programs see. Heads are
 * reported shifted so that the leftmost and topmost start at 0, as a real
 * server's root window would place them. Built 32-bit by scripts/wine-env.sh. */
#include <stdlib.h>

typedef struct _XDisplay Display;
typedef int Bool;
typedef int Status;

typedef struct {
    int screen_number;
    short x_org;
    short y_org;
    short width;
    short height;
} XineramaScreenInfo;

enum { kMaxHeads = 16 };

/* Parses the variable into heads; returns how many (0 when unset or malformed). */
static int read_heads(XineramaScreenInfo *heads) {
    const char *p = getenv("MURIVANE_XINERAMA_HEADS");
    int n = 0, i, min_x = 0, min_y = 0;
    if (!p) return 0;
    while (*p && n < kMaxHeads) {
        char *end;
        long w = strtol(p, &end, 10);
        if (*end != 'x') return 0;
        long h = strtol(end + 1, &end, 10);
        if (*end != '+' && *end != '-') return 0;
        long x = strtol(end, &end, 10);
        if (*end != '+' && *end != '-') return 0;
        long y = strtol(end, &end, 10);
        if ((*end != ',' && *end) || w <= 0 || h <= 0) return 0;
        heads[n].screen_number = n;
        heads[n].x_org = (short)x;
        heads[n].y_org = (short)y;
        heads[n].width = (short)w;
        heads[n].height = (short)h;
        if (n == 0 || x < min_x) min_x = (int)x;
        if (n == 0 || y < min_y) min_y = (int)y;
        ++n;
        p = *end ? end + 1 : end;
    }
    for (i = 0; i < n; ++i) {
        heads[i].x_org = (short)(heads[i].x_org - min_x);
        heads[i].y_org = (short)(heads[i].y_org - min_y);
    }
    return n;
}

Bool XineramaQueryExtension(Display *dpy, int *event_base, int *error_base) {
    XineramaScreenInfo heads[kMaxHeads];
    (void)dpy;
    if (event_base) *event_base = 0;
    if (error_base) *error_base = 0;
    return read_heads(heads) > 0;
}

Status XineramaQueryVersion(Display *dpy, int *major, int *minor) {
    (void)dpy;
    if (major) *major = 1;
    if (minor) *minor = 1;
    return 1;
}

Bool XineramaIsActive(Display *dpy) {
    XineramaScreenInfo heads[kMaxHeads];
    (void)dpy;
    return read_heads(heads) > 0;
}

/* The caller frees the array with XFree, which is free(). */
XineramaScreenInfo *XineramaQueryScreens(Display *dpy, int *number) {
    XineramaScreenInfo heads[kMaxHeads], *out;
    int n = read_heads(heads), i;
    (void)dpy;
    *number = 0;
    if (n == 0 || !(out = malloc(sizeof(*out) * (size_t)n))) return NULL;
    for (i = 0; i < n; ++i) out[i] = heads[i];
    *number = n;
    return out;
}
