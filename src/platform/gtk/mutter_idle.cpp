#include "platform/gtk/mutter_idle.h"

#include <gio/gio.h>

#include <atomic>
#include <thread>

namespace lumaris::gtk {

namespace {

constexpr const char* kName = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kPath = "/org/gnome/Mutter/IdleMonitor/Core";

class MutterIdle : public posix::IdleSource {
public:
    MutterIdle(posix::PollLoop& loop, posix::IdleHooks hooks) : loop_(loop), hooks_(std::move(hooks)) {}
    ~MutterIdle() override {
        if (thread_.joinable()) {
            g_main_context_invoke(context_, [](gpointer l) -> gboolean {
                g_main_loop_quit(static_cast<GMainLoop*>(l));
                return G_SOURCE_REMOVE;
            }, mainLoop_);
            thread_.join();
        }
        if (bus_ != nullptr) {
            if (subscription_ != 0) g_dbus_connection_signal_unsubscribe(bus_, subscription_);
            if (closedHandler_ != 0) g_signal_handler_disconnect(bus_, closedHandler_);
            g_object_unref(bus_);
        }
        if (mainLoop_ != nullptr) g_main_loop_unref(mainLoop_);
        if (context_ != nullptr) g_main_context_unref(context_);
    }

    // Connects and asks for the idle watch; false where there is no monitor.
    bool start(int seconds) {
        context_ = g_main_context_new();
        g_main_context_push_thread_default(context_);
        const bool ok = connect(seconds);
        g_main_context_pop_thread_default(context_);
        if (!ok) return false;
        mainLoop_ = g_main_loop_new(context_, FALSE);
        thread_ = std::thread([this] {
            g_main_context_push_thread_default(context_);
            g_main_loop_run(mainLoop_);
            g_main_context_pop_thread_default(context_);
        });
        return true;
    }

    bool idle() override { return idle_; }
    bool desktopLocks() const override { return true; }

private:
    bool connect(int seconds) {
        GError* error = nullptr;
        bus_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
        if (bus_ == nullptr) {
            g_clear_error(&error);
            return false;
        }
        // The bus's end is the session's: told, never the process ended.
        g_dbus_connection_set_exit_on_close(bus_, FALSE);
        closedHandler_ = g_signal_connect(bus_, "closed", G_CALLBACK(&MutterIdle::closed), this);
        subscription_ = g_dbus_connection_signal_subscribe(bus_, kName, kName, "WatchFired", kPath, nullptr,
                                                           G_DBUS_SIGNAL_FLAGS_NONE, &MutterIdle::fired, this, nullptr);
        idleWatch_ = call("AddIdleWatch", g_variant_new("(t)", static_cast<guint64>(seconds) * 1000));
        return idleWatch_ != 0;
    }

    // A watch's id; 0 where the call failed.
    guint32 call(const char* method, GVariant* parameters) {
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_sync(bus_, kName, kPath, kName, method, parameters,
                                                      G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NO_AUTO_START, 5000,
                                                      nullptr, &error);
        if (reply == nullptr) {
            g_clear_error(&error);
            return 0;
        }
        guint32 id = 0;
        g_variant_get(reply, "(u)", &id);
        g_variant_unref(reply);
        return id;
    }

    static void fired(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
                      gpointer data) {
        auto* self = static_cast<MutterIdle*>(data);
        guint32 id = 0;
        g_variant_get(parameters, "(u)", &id);
        if (id == self->idleWatch_) {
            self->idle_ = true;
            // The user's return, once: a new watch each time idle begins.
            self->activeWatch_ = self->call("AddUserActiveWatch", nullptr);
        } else if (id == self->activeWatch_) {
            self->idle_ = false;
        } else {
            return;
        }
        self->loop_.Post([self] {
            if (self->hooks_.changed) self->hooks_.changed();
        });
    }

    static void closed(GDBusConnection*, gboolean, GError*, gpointer data) {
        auto* self = static_cast<MutterIdle*>(data);
        self->loop_.Post([self] {
            if (self->hooks_.gone) self->hooks_.gone();
        });
    }

    posix::PollLoop& loop_;
    posix::IdleHooks hooks_;
    GMainContext* context_ = nullptr;
    GMainLoop* mainLoop_ = nullptr;
    GDBusConnection* bus_ = nullptr;
    guint subscription_ = 0;
    gulong closedHandler_ = 0;
    std::atomic<guint32> idleWatch_{0}, activeWatch_{0};
    std::atomic<bool> idle_{false};
    std::thread thread_;
};

}  // namespace

std::unique_ptr<posix::IdleSource> mutterIdle(posix::PollLoop& loop, int seconds, posix::IdleHooks hooks) {
    auto source = std::make_unique<MutterIdle>(loop, std::move(hooks));
    if (!source->start(seconds > 0 ? seconds : 300)) return nullptr;
    return source;
}

}  // namespace lumaris::gtk
