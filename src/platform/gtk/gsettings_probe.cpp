#include "platform/gtk/gsettings_probe.h"

#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace lumaris::gtk {

bool isGnomeSession(const char* currentDesktop) {
    if (currentDesktop == nullptr) return false;
    std::string_view rest(currentDesktop);
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        if (rest.substr(0, colon) == "GNOME") return true;
        if (colon == std::string_view::npos) break;
        rest.remove_prefix(colon + 1);
    }
    return false;
}

namespace {
// Whether the key's value is somebody's choice rather than the schema's.
bool chosen(GSettings* settings, GSettingsSchema* schema, const char* key) {
    if (GVariant* user = g_settings_get_user_value(settings, key)) {
        g_variant_unref(user);
        return true;
    }
    if (!g_settings_is_writable(settings, key)) return true;  // locked by the administrator
    bool differs = false;
    GVariant* site = g_settings_get_default_value(settings, key);
    GSettingsSchemaKey* schemaKey = g_settings_schema_get_key(schema, key);
    GVariant* builtIn = g_settings_schema_key_get_default_value(schemaKey);
    if (site != nullptr && builtIn != nullptr) differs = !g_variant_equal(site, builtIn);
    if (site != nullptr) g_variant_unref(site);
    if (builtIn != nullptr) g_variant_unref(builtIn);
    g_settings_schema_key_unref(schemaKey);
    return differs;
}
}  // namespace

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
        if (isGnomeSession(std::getenv("XDG_CURRENT_DESKTOP")) || chosen(settings, schema, "lock-enabled")) {
            result = g_settings_get_boolean(settings, "lock-enabled") != FALSE;
        }
        g_object_unref(settings);
    }
    g_settings_schema_unref(schema);
    return result;
}

}  // namespace lumaris::gtk
