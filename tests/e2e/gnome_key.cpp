// A space key typed into GNOME's compositor for the tests of `lumaris
// --idle`: mutter in its headless mode has no input devices, so the key goes
// through its remote-desktop interface on the session bus.
#include <gio/gio.h>

#include <cstdio>
#include <initializer_list>

// A space key pressed and released through a remote-desktop session, which
// lives as long as this connection.
int pressKey() {
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (bus == nullptr) return 1;
    auto callOn = [&](const char* path, const char* interface, const char* method, GVariant* parameters,
                      const GVariantType* type) {
        return g_dbus_connection_call_sync(bus, "org.gnome.Mutter.RemoteDesktop", path, interface, method, parameters,
                                           type, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
    };
    GVariant* made = callOn("/org/gnome/Mutter/RemoteDesktop", "org.gnome.Mutter.RemoteDesktop", "CreateSession",
                            nullptr, G_VARIANT_TYPE("(o)"));
    if (made == nullptr) {
        std::fprintf(stderr, "no remote-desktop session: %s\n", error->message);
        return 1;
    }
    const gchar* path = nullptr;
    g_variant_get(made, "(&o)", &path);
    const char* session = "org.gnome.Mutter.RemoteDesktop.Session";
    bool ok = callOn(path, session, "Start", nullptr, nullptr) != nullptr;
    // The session's keyboard comes into being with its first key, which the
    // focused client may not see: a second key follows once it has the
    // keyboard.
    for (int key = 0; key < 2; ++key) {
        for (const bool down : {true, false}) {
            ok = ok && callOn(path, session, "NotifyKeyboardKeysym", g_variant_new("(ub)", 0x20u, down ? TRUE : FALSE),
                              nullptr) != nullptr;
        }
        g_usleep(500'000);
    }
    if (!ok) std::fprintf(stderr, "the key was not typed: %s\n", error != nullptr ? error->message : "");
    g_usleep(200'000);
    callOn(path, session, "Stop", nullptr, nullptr);
    return ok ? 0 : 1;
}

int main() { return pressKey(); }
