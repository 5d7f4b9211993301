#include "platform/gtk/gsettings_probe.h"

#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

#include <cstring>

namespace lumaris::gtk {

std::optional<bool> gsettingsLockEnabled() {
    // Without a settings service that keeps the user's choices (dconf), the
    // schema only offers its built-in default, which is nobody's choice.
    GSettingsBackend* backend = g_settings_backend_get_default();
    const char* kind = G_OBJECT_TYPE_NAME(backend);
    const bool kept = std::strcmp(kind, "GMemorySettingsBackend") != 0 && std::strcmp(kind, "GNullSettingsBackend") != 0;
    g_object_unref(backend);
    if (!kept) return std::nullopt;
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (source == nullptr) return std::nullopt;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, "org.gnome.desktop.screensaver", TRUE);
    if (schema == nullptr) return std::nullopt;
    std::optional<bool> result;
    if (g_settings_schema_has_key(schema, "lock-enabled")) {
        GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
        result = g_settings_get_boolean(settings, "lock-enabled") != FALSE;
        g_object_unref(settings);
    }
    g_settings_schema_unref(schema);
    return result;
}

}  // namespace lumaris::gtk
