/* SPDX-License-Identifier: GPL-3.0-or-later */
/* A weston module that gives the headless back end a seat with a pointer and
 * a keyboard. Without one Xwayland has no input devices to follow: nothing
 * gets the focus, and its XTEST pointer crashes it. Events injected with
 * XTEST then reach X11 windows as they would from a real seat. */
#include <libweston/libweston.h>
#include <stdlib.h>
#include <time.h>

/* Exported by libweston, though only its internal header declares them. */
void weston_seat_init(struct weston_seat *seat, struct weston_compositor *ec, const char *name);
void weston_seat_init_pointer(struct weston_seat *seat);
int weston_seat_init_keyboard(struct weston_seat *seat, struct xkb_keymap *keymap);
void notify_motion_absolute(struct weston_seat *seat, const struct timespec *time, double x,
                            double y);

WL_EXPORT int wet_module_init(struct weston_compositor *compositor, int *argc, char *argv[])
{
    (void)argc;
    (void)argv;
    struct weston_seat *seat = calloc(1, sizeof *seat);
    if (!seat)
        return -1;
    weston_seat_init(seat, compositor, "default");
    weston_seat_init_pointer(seat);
    if (weston_seat_init_keyboard(seat, NULL) < 0)
        return -1;
    /* The pointer rests in the bottom-right corner, away from the toast and
     * its panels: weston maps a window at the top left before it moves it
     * where asked, and Xwayland follows the pointer into it, which would
     * hover a panel's row under the pointer's resting place. */
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    notify_motion_absolute(seat, &now, 1919, 1079);
    return 0;
}
