#include "platform/linux/gtk_config_dialog.h"

#include <gdk/gdkx.h>

#include <cmath>
#include <cstring>

#include "platform/linux/message_box.h"
#include "platform/linux/paths.h"
#include "runtime/convert.h"
#include "runtime/failure.h"
#include "runtime/product.h"

namespace lumaris::linux_backend {

namespace {

constexpr int kTwipsPerPixel = 15;

const char* kCss =
    "* { font-family: Sans; font-size: 8.25pt; }"
    "button { padding: 0 4px; min-height: 0; min-width: 0; }"
    "checkbutton { padding: 0; min-height: 0; }"
    "scrollbar { min-height: 0; }"
    "#title { font-size: 12pt; font-weight: bold; color: #0000ff; }"
    "#bold { font-weight: bold; }"
    "#url { color: #0000ff; }"
    "label { color: #000000; }"
    "#title, #url { }";

// Places a widget at a control's rectangle, given in twips.
void place(GtkWidget* fixed, GtkWidget* widget, int left, int top, int width, int height) {
    gtk_widget_set_size_request(widget, width / kTwipsPerPixel, height / kTwipsPerPixel);
    gtk_fixed_put(GTK_FIXED(fixed), widget, left / kTwipsPerPixel, top / kTwipsPerPixel);
}

// Places a label that is as large as its text, at a control's place.
void placeSized(GtkWidget* fixed, GtkWidget* widget, int left, int top) {
    gtk_fixed_put(GTK_FIXED(fixed), widget, left / kTwipsPerPixel, top / kTwipsPerPixel);
}

GtkWidget* label(const char* text, const char* style = nullptr, bool centred = false) {
    GtkWidget* l = gtk_label_new(text);
    if (style != nullptr) gtk_widget_set_name(l, style);
    gtk_label_set_xalign(GTK_LABEL(l), centred ? 0.5f : 0.0f);
    gtk_label_set_yalign(GTK_LABEL(l), 0.0f);
    return l;
}

GtkWidget* checkBox(const char* caption, const char* tooltip, bool checked) {
    GtkWidget* c = gtk_check_button_new_with_label(caption);
    if (tooltip != nullptr) gtk_widget_set_tooltip_text(c, tooltip);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(c), checked ? TRUE : FALSE);
    return c;
}

// Text a label can show: folder names need not be valid UTF-8.
std::string displayable(const std::string& text) {
    gchar* valid = g_utf8_make_valid(text.c_str(), static_cast<gssize>(text.size()));
    std::string out = valid;
    g_free(valid);
    return out;
}

}  // namespace

GtkConfigDialog::GtkConfigDialog() {
    if (!gtkAvailable()) throw Failure(failures::kCannotCreate, "No display for the settings dialog");
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window_), "Configuration");
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
    gtk_widget_set_size_request(window_, 5115 / kTwipsPerPixel, 5535 / kTwipsPerPixel);

    GtkCssProvider* css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, kCss, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);

    GtkWidget* fixed = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(window_), fixed);

    place(fixed, label("Lumaris Screensaver", "title", true), 195, 45, 3225, 300);
    placeSized(fixed, label("v2.1"), 3480, 120);
    const std::string credit = std::string("by ") + kAuthorName + " - Distribute Freely!";
    GtkWidget* credits = label(credit.c_str(), nullptr, true);
    gtk_label_set_line_wrap(GTK_LABEL(credits), TRUE);
    gtk_label_set_justify(GTK_LABEL(credits), GTK_JUSTIFY_CENTER);
    place(fixed, credits, 720, 360, 3075, 315);

    GtkWidget* urlBox = gtk_event_box_new();
    GtkWidget* url = label(nullptr, "url");
    gchar* markup = g_markup_printf_escaped("<u>%s</u>", kPublisherHost);
    gtk_label_set_markup(GTK_LABEL(url), markup);
    g_free(markup);
    gtk_container_add(GTK_CONTAINER(urlBox), url);
    placeSized(fixed, urlBox, 1440, 600);

    GtkWidget* readme = gtk_button_new_with_label("ReadMe");
    place(fixed, readme, 3240, 600, 855, 375);
    placeSized(fixed, label("Speed", "bold"), 1680, 1320);
    place(fixed, label("Vacation"), 510, 1575, 900, 300);
    speed_ = gtk_adjustment_new(kSpeedMin, kSpeedMin, kSpeedMax, 10, 50, 0);
    GtkWidget* scroll = gtk_scrollbar_new(GTK_ORIENTATION_HORIZONTAL, speed_);
    place(fixed, scroll, 1215, 1575, 1575, 255);
    place(fixed, label("Shore Leave"), 2880, 1575, 1005, 300);

    checks_[Check::chkBalloon] = checkBox("Balloon (Mouse)", nullptr, false);
    checks_[Check::chkCivilization] = checkBox("Civilization", "Building up paradise", true);
    checks_[Check::chkNightMode] = checkBox("Night Mode", nullptr, true);
    checks_[Check::chkSound] = checkBox("Sound", "Background sound", true);
    checks_[Check::chkMouseEvent] = checkBox("Disable mouseovers", "Moving mouse doesn't stop saver", true);
    checks_[Check::chkMusic] = checkBox("Music", "Play mp3's", true);
    place(fixed, check(Check::chkBalloon), 480, 1920, 1695, 375);
    place(fixed, check(Check::chkCivilization), 480, 2400, 1215, 255);
    place(fixed, check(Check::chkNightMode), 2280, 2400, 1575, 255);
    place(fixed, check(Check::chkSound), 480, 2760, 1215, 255);
    place(fixed, check(Check::chkMouseEvent), 2280, 2760, 1815, 255);
    place(fixed, check(Check::chkMusic), 480, 3120, 855, 195);

    GtkWidget* dirPath = gtk_button_new_with_label("Directory");
    place(fixed, dirPath, 1320, 3120, 855, 255);
    pathLabel_ = label("Current Directory");
    gtk_label_set_ellipsize(GTK_LABEL(pathLabel_), PANGO_ELLIPSIZE_MIDDLE);
    place(fixed, pathLabel_, 480, 3480, 3735, 255);
    GtkWidget* mp3Check = label("(No mp3's in this directory)");
    place(fixed, mp3Check, 480, 3720, 2175, 255);
    ok_ = gtk_button_new_with_mnemonic("_Ok");
    cancel_ = gtk_button_new_with_mnemonic("_Cancel");
    place(fixed, ok_, 1080, 4200, 975, 495);
    place(fixed, cancel_, 2520, 4200, 975, 495);
    gtk_widget_set_can_default(ok_, TRUE);
    gtk_window_set_default(GTK_WINDOW(window_), ok_);

    controls_[Control::chkSound] = check(Check::chkSound);
    controls_[Control::chkMusic] = check(Check::chkMusic);
    controls_[Control::lblPathName] = pathLabel_;
    controls_[Control::lblMp3Check] = mp3Check;
    controls_[Control::cmdDirPath] = dirPath;
    shown_[mp3Check] = false;
    gtk_widget_set_no_show_all(mp3Check, TRUE);

    // The keyboard focus order of the dialog.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    GList* chain = nullptr;
    for (GtkWidget* w : {ok_, scroll, check(Check::chkSound), check(Check::chkMusic), check(Check::chkCivilization),
                         cancel_, dirPath, check(Check::chkMouseEvent), check(Check::chkNightMode), readme,
                         check(Check::chkBalloon)}) {
        chain = g_list_append(chain, w);
    }
    gtk_container_set_focus_chain(GTK_CONTAINER(fixed), chain);
    g_list_free(chain);
    G_GNUC_END_IGNORE_DEPRECATIONS

    // Signals; the logic is connected later.
    g_signal_connect_swapped(ok_, "clicked", G_CALLBACK(+[](GtkConfigDialog* d) { d->logic_->cmdOk_Click(); }), this);
    g_signal_connect_swapped(cancel_, "clicked", G_CALLBACK(+[](GtkConfigDialog* d) { d->logic_->cmdCancel_Click(); }),
                             this);
    g_signal_connect_swapped(dirPath, "clicked", G_CALLBACK(+[](GtkConfigDialog* d) { d->logic_->cmdDirPath_Click(); }),
                             this);
    g_signal_connect_swapped(readme, "clicked", G_CALLBACK(+[](GtkConfigDialog* d) { d->logic_->Command1_Click(); }),
                             this);
    g_signal_connect_swapped(check(Check::chkMusic), "toggled",
                             G_CALLBACK(+[](GtkConfigDialog* d) {
                                 if (d->logic_ != nullptr) d->logic_->chkMusic_Click();
                             }),
                             this);
    g_signal_connect_swapped(check(Check::chkMouseEvent), "toggled",
                             G_CALLBACK(+[](GtkConfigDialog* d) {
                                 if (d->logic_ != nullptr) d->logic_->chkMouseEvent_Click();
                             }),
                             this);
    g_signal_connect_swapped(urlBox, "button-release-event",
                             G_CALLBACK(+[](GtkConfigDialog* d, GdkEvent*) -> gboolean {
                                 d->logic_->lblURL_Click();
                                 return TRUE;
                             }),
                             this);
    g_signal_connect(urlBox, "realize", G_CALLBACK(+[](GtkWidget* w, gpointer) {
                         GdkCursor* hand = gdk_cursor_new_from_name(gtk_widget_get_display(w), "pointer");
                         gdk_window_set_cursor(gtk_widget_get_window(w), hand);
                         if (hand != nullptr) g_object_unref(hand);
                     }),
                     nullptr);
    // Enter presses OK (a focused button presses itself), Esc presses Cancel.
    g_signal_connect_swapped(window_, "key-press-event", G_CALLBACK(+[](GtkConfigDialog* d, GdkEventKey* key) -> gboolean {
                                 if (key->keyval == GDK_KEY_Escape) {
                                     d->logic_->cmdCancel_Click();
                                     return TRUE;
                                 }
                                 if (key->keyval == GDK_KEY_Return || key->keyval == GDK_KEY_KP_Enter) {
                                     GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(d->window_));
                                     if (focus != nullptr && GTK_IS_BUTTON(focus) && !GTK_IS_TOGGLE_BUTTON(focus)) {
                                         return FALSE;
                                     }
                                     d->logic_->cmdOk_Click();
                                     return TRUE;
                                 }
                                 return FALSE;
                             }),
                             this);
    // The close box closes without saving.
    g_signal_connect_swapped(window_, "delete-event", G_CALLBACK(+[](GtkConfigDialog* d, GdkEvent*) -> gboolean {
                                 d->Close();
                                 return TRUE;
                             }),
                             this);
}

GtkConfigDialog::~GtkConfigDialog() {
    if (window_ != nullptr) gtk_widget_destroy(window_);
}

void GtkConfigDialog::connect(FrmConfig& logic) { logic_ = &logic; }

void GtkConfigDialog::SetSpeedRange(std::int16_t min, std::int16_t max) {
    gtk_adjustment_set_lower(speed_, min);
    gtk_adjustment_set_upper(speed_, max);
}

void GtkConfigDialog::SetSpeed(std::int16_t position) {
    if (position < gtk_adjustment_get_lower(speed_) || position > gtk_adjustment_get_upper(speed_)) {
        throw Failure(380, "Invalid property value");
    }
    gtk_adjustment_set_value(speed_, position);
}

std::int16_t GtkConfigDialog::Speed() { return toInt16(gtk_adjustment_get_value(speed_)); }

void GtkConfigDialog::SetChecked(Check box, bool checked) {
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check(box)), checked ? TRUE : FALSE);
}

bool GtkConfigDialog::Checked(Check box) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(check(box))) != FALSE; }

void GtkConfigDialog::SetVisible(Control control, bool visible) {
    GtkWidget* w = controls_.at(control);
    shown_[w] = visible;
    // Before the first showing, a hidden control stays out of show_all.
    gtk_widget_set_no_show_all(w, visible ? FALSE : TRUE);
    gtk_widget_set_visible(w, visible ? TRUE : FALSE);
}

void GtkConfigDialog::SetPathCaption(const std::string& caption) {
    gtk_label_set_text(GTK_LABEL(pathLabel_), displayable(caption).c_str());
}

void GtkConfigDialog::Close() {
    if (window_ == nullptr) return;
    gtk_widget_destroy(window_);
    window_ = nullptr;
    gtk_main_quit();
}

void GtkConfigDialog::SetCaption(const std::string& caption) {
    gtk_window_set_title(GTK_WINDOW(window_), caption.c_str());
}

void GtkConfigDialog::Show() {
    gtk_widget_show_all(window_);
    gtk_widget_grab_focus(ok_);
    gtk_window_present(GTK_WINDOW(window_));
}

Hwnd GtkConfigDialog::hWnd() {
    GdkWindow* w = gtk_widget_get_window(window_);
    return w != nullptr && GDK_IS_X11_WINDOW(w) ? static_cast<Hwnd>(gdk_x11_window_get_xid(w)) : 0;
}

ItemIdList GtkShell::SHBrowseForFolderA(const BrowseInfo& info) {
    if (!gtkAvailable()) return nullptr;
    GtkWidget* chooser = gtk_file_chooser_dialog_new(info.title.c_str(), nullptr, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER,
                                                     "_Cancel", GTK_RESPONSE_CANCEL, "_Select", GTK_RESPONSE_ACCEPT,
                                                     nullptr);
    gtk_file_chooser_set_local_only(GTK_FILE_CHOOSER(chooser), TRUE);
    ItemIdList item = nullptr;
    if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
        gchar* folder = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser));
        const std::uintptr_t id = next_++;
        items_[id] = folder != nullptr ? folder : "";  // no path: not a file-system folder
        g_free(folder);
        item = reinterpret_cast<ItemIdList>(id);
    }
    gtk_widget_destroy(chooser);
    while (gtk_events_pending()) gtk_main_iteration();
    return item;
}

std::int32_t GtkShell::SHGetPathFromIDListA(ItemIdList item, char* path, std::size_t capacity) {
    const auto found = items_.find(reinterpret_cast<std::uintptr_t>(item));
    if (item == nullptr || found == items_.end() || found->second.empty()) return 0;
    if (found->second.size() + 1 > capacity) return 0;
    std::memcpy(path, found->second.c_str(), found->second.size() + 1);
    return 1;
}

void GtkShell::CoTaskMemFree(ItemIdList item) { items_.erase(reinterpret_cast<std::uintptr_t>(item)); }

std::intptr_t GtkShell::ShellExecuteA(Hwnd, const char*, const char* file, const char*, const char*, std::int32_t) {
    if (file == nullptr) return 2;
    std::string uri;
    const std::string text = file;
    if (text.rfind("http://", 0) == 0 || text.rfind("https://", 0) == 0) {
        uri = text;
    } else {
        gchar* fileUri = g_filename_to_uri(linuxPath(text, musicFolder()).c_str(), nullptr, nullptr);
        if (fileUri == nullptr) return 2;
        uri = fileUri;
        g_free(fileUri);
    }
    GError* error = nullptr;
    const gboolean ok = g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error);
    if (error != nullptr) g_error_free(error);
    return ok != FALSE ? 42 : 2;  // 2: the file or its program was not found
}

}  // namespace lumaris::linux_backend
