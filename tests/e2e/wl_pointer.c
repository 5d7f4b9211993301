/* A pointer of the test's own on a Wayland compositor that offers virtual
 * pointers: it comes into being, waits half a second (until clients have
 * it), goes to X,Y of a WIDTH x HEIGHT layout, then moves by each DX,DY in
 * turn, a quarter of a second apart, and goes. With "shake", it moves a
 * pixel back and forth HZ times a second for MS milliseconds instead (a
 * gaming mouse's report rate).
 *
 *   wl-pointer WIDTH HEIGHT X Y [DX DY]...
 *   wl-pointer WIDTH HEIGHT X Y shake HZ MS
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <wayland-client.h>

#include "wlr-virtual-pointer-unstable-v1-client.h"

static struct wl_seat* seat;
static struct zwlr_virtual_pointer_manager_v1* manager;

static void global(void* data, struct wl_registry* registry, uint32_t id, const char* name, uint32_t version) {
    (void)data;
    (void)version;
    if (strcmp(name, wl_seat_interface.name) == 0) {
        seat = wl_registry_bind(registry, id, &wl_seat_interface, 1);
    } else if (strcmp(name, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        manager = wl_registry_bind(registry, id, &zwlr_virtual_pointer_manager_v1_interface, 1);
    }
}
static void globalRemove(void* data, struct wl_registry* registry, uint32_t id) {
    (void)data;
    (void)registry;
    (void)id;
}

static void pause(struct wl_display* display, long ms) {
    wl_display_flush(display);
    struct timespec wait = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&wait, NULL);
}

static uint32_t now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (uint32_t)(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

int main(int argc, char** argv) {
    const int shake = argc == 8 && strcmp(argv[5], "shake") == 0;
    if (argc < 5 || ((argc - 5) % 2 != 0 && !shake)) {
        fputs("usage: wl-pointer WIDTH HEIGHT X Y [DX DY]... | shake HZ MS\n", stderr);
        return 2;
    }
    struct wl_display* display = wl_display_connect(NULL);
    if (display == NULL) {
        fputs("wl-pointer: no Wayland display\n", stderr);
        return 1;
    }
    static const struct wl_registry_listener listener = {global, globalRemove};
    wl_registry_add_listener(wl_display_get_registry(display), &listener, NULL);
    wl_display_roundtrip(display);
    if (manager == NULL) {
        fputs("wl-pointer: the compositor offers no virtual pointers\n", stderr);
        return 1;
    }
    struct zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
    pause(display, 500);
    zwlr_virtual_pointer_v1_motion_absolute(pointer, now(), (uint32_t)atoi(argv[3]), (uint32_t)atoi(argv[4]),
                                            (uint32_t)atoi(argv[1]), (uint32_t)atoi(argv[2]));
    zwlr_virtual_pointer_v1_frame(pointer);
    if (shake) {
        const long hz = atol(argv[6]), reports = hz * atol(argv[7]) / 1000;
        for (long i = 0; i < reports; ++i) {
            zwlr_virtual_pointer_v1_motion(pointer, now(), wl_fixed_from_int(i % 2 ? -1 : 1), 0);
            zwlr_virtual_pointer_v1_frame(pointer);
            wl_display_flush(display);
            struct timespec wait = {0, 1000000000L / hz};
            nanosleep(&wait, NULL);
        }
        argc = 5;
    }
    for (int i = 5; i + 1 < argc; i += 2) {
        pause(display, 250);
        zwlr_virtual_pointer_v1_motion(pointer, now(), wl_fixed_from_int(atoi(argv[i])),
                                       wl_fixed_from_int(atoi(argv[i + 1])));
        zwlr_virtual_pointer_v1_frame(pointer);
    }
    pause(display, 250);
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
