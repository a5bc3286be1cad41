/* Presses and releases one key (Escape or Return, named in argv[1]) in the
 * KWin session named by WAYLAND_DISPLAY, through KWin's fake-input protocol:
 * the end-to-end tests' keyboard there, since KWin offers no virtual
 * keyboard and a virtual session has none of its own. The protocol's
 * requests are listed here in its order, so that no scanner is needed. */
#include <linux/input-event-codes.h>
#include <stdio.h>
#include <string.h>
#include <wayland-client.h>

static const struct wl_interface* noTypes[3];
static const struct wl_message fakeInputRequests[] = {
    {"authenticate", "ss", noTypes},
    {"pointer_motion", "ff", noTypes},
    {"button", "uu", noTypes},
    {"axis", "uf", noTypes},
    {"touch_down", "2uff", noTypes},
    {"touch_motion", "2uff", noTypes},
    {"touch_up", "2u", noTypes},
    {"touch_cancel", "2", noTypes},
    {"touch_frame", "2", noTypes},
    {"pointer_motion_absolute", "3ff", noTypes},
    {"keyboard_key", "4uu", noTypes},
};
enum { authenticate = 0, keyboardKey = 10, keyboardVersion = 4 };
static const struct wl_interface fakeInputInterface = {
    "org_kde_kwin_fake_input", keyboardVersion, 11, fakeInputRequests, 0, NULL};

static struct wl_proxy* fakeInput;

static void onGlobal(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                     uint32_t version) {
    (void)data;
    if (strcmp(interface, fakeInputInterface.name) == 0 && version >= keyboardVersion)
        fakeInput = wl_registry_bind(registry, name, &fakeInputInterface, keyboardVersion);
}
static void onGlobalRemoved(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data, (void)registry, (void)name;
}
static const struct wl_registry_listener registryListener = {onGlobal, onGlobalRemoved};

int main(int argc, char** argv) {
    const int key = argc == 2 && strcmp(argv[1], "Escape") == 0   ? KEY_ESC
                    : argc == 2 && strcmp(argv[1], "Return") == 0 ? KEY_ENTER
                                                                  : 0;
    if (key == 0) {
        fprintf(stderr, "usage: kwin_key Escape|Return\n");
        return 2;
    }
    struct wl_display* display = wl_display_connect(NULL);
    if (display == NULL) {
        fprintf(stderr, "kwin_key: no Wayland compositor\n");
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, NULL);
    wl_display_roundtrip(display);
    if (fakeInput == NULL) {
        fprintf(stderr, "kwin_key: the compositor offers no fake input (version %d)\n", keyboardVersion);
        return 1;
    }
    wl_proxy_marshal(fakeInput, authenticate, "kelvora tests", "keys for the show under test");
    wl_proxy_marshal(fakeInput, keyboardKey, (uint32_t)key, (uint32_t)1);
    wl_proxy_marshal(fakeInput, keyboardKey, (uint32_t)key, (uint32_t)0);
    const int sent = wl_display_roundtrip(display) >= 0;
    wl_display_disconnect(display);
    return sent ? 0 : 1;
}
