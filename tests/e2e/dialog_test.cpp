// The settings dialog: the real program under Xvfb (Enter, Esc, Alt+O), and
// the GTK folder chooser with a folder name full of awkward characters
// passing through the chooser, the label, the store and the music check.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "dialog/frm_config.h"
#include "e2e_support.h"
#include "platform/posix/dir_search.h"
#include "platform/gtk/gio_shell.h"
#include "platform/gtk/gtk_config_dialog.h"
#include "platform/posix/ini_store.h"
#include "platform/gtk/message_box.h"
#include "../unit/fakes.h"
#include "startup/lumz_submain.h"

namespace lumaris::e2e {
namespace {

std::string storeText(const std::string& config) {
    std::ifstream in(config + "/QN Vesmire Lumaris.ini");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void xdo(const std::string& args) { ASSERT_EQ(std::system(("xdotool " + args + " >/dev/null 2>&1").c_str()), 0) << args; }

class DialogProgram : public ::testing::Test {
protected:
    void open() {
        config = settingsFolder({});
        std::filesystem::remove(config + "/QN Vesmire Lumaris.ini");
        pid = start({"/c"}, config);
        window = waitForWindow("Configuration", 20);
        ASSERT_NE(window, 0u);
        sleepFor(0.5);
        xdo("windowfocus --sync " + std::to_string(window));
    }
    void TearDown() override { stop(pid); }
    std::string config;
    pid_t pid = -1;
    unsigned long window = 0;
};

// A desktop that declares a scale (GDK_SCALE, or Xft.dpi in the X
// resources) gets the dialog at that scale: the layout's 341 x 369 and the
// speed bar's (81, 105, 105, 17) times the scale.
TEST_F(DialogProgram, ShowsAtTheDesktopsScale) {
    const struct {
        const char* environment;
        const char* resources;
        int scale;
    } cases[] = {{"GDK_SCALE=1", "", 1}, {"GDK_SCALE=2", "", 2}, {"LUMARIS_UNUSED=", "Xft.dpi: 192", 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.environment + std::string(" ") + c.resources);
        ASSERT_EQ(std::system(("echo '" + std::string(c.resources) + "' | xrdb -load -").c_str()), 0);
        config = settingsFolder({});
        pid = start({"/c"}, config, {c.environment, "SDL_AUDIODRIVER=disk"});
        window = waitForWindow("Configuration", 20);
        ASSERT_NE(window, 0u);
        sleepFor(1.0);
        const Screenshot shot = capture();
        std::FILE* geometry = popen(("xdotool getwindowgeometry --shell " + std::to_string(window)).c_str(), "r");
        int x = 0, y = 0, w = 0, h = 0;
        char line[64];
        while (std::fgets(line, sizeof line, geometry) != nullptr) {
            std::sscanf(line, "X=%d", &x);
            std::sscanf(line, "Y=%d", &y);
            std::sscanf(line, "WIDTH=%d", &w);
            std::sscanf(line, "HEIGHT=%d", &h);
        }
        pclose(geometry);
        std::system("xrdb -remove");
        stop(pid);
        pid = -1;
        EXPECT_EQ(w, 341 * c.scale);
        EXPECT_EQ(h, 369 * c.scale);
        // The speed bar's trough, one colour across its width above the slider.
        const int k = c.scale, row = y + 106 * k;
        const std::uint32_t trough = shot.at(x + 84 * k, row);
        ASSERT_LT(x + w, shot.width);
        int left = x + 84 * k, right = left;
        while (left > x && shot.at(left - 1, row) == trough) --left;
        while (right < x + w && shot.at(right, row) == trough) ++right;
        EXPECT_EQ(left - x, 81 * k);
        EXPECT_EQ(right - left, 105 * k);
    }
}

TEST_F(DialogProgram, EnterSavesTheDefaults) {
    open();
    xdo("key Return");
    EXPECT_EQ(waitExit(pid, 10), 0);
    pid = -1;
    const std::string text = storeText(config);
    for (const char* line : {"SPEED=100\n", "SOUND=True\n", "MUSIC=False\n", "CIVILIZATION=True\n", "MUSICDIR=c:\\\n",
                             "MOUSE=False\n", "NIGHTMODE=False\n", "BALLOON=False\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    }
}

TEST_F(DialogProgram, TabReachesTheSpeedBarAndItsKeysMoveIt) {
    open();
    // OK has the focus, the bar is next: 100, +10, +50 (to the end, 150),
    // -50, -10.
    xdo("key Tab Right Next Prior Left Return");
    EXPECT_EQ(waitExit(pid, 10), 0);
    pid = -1;
    EXPECT_NE(storeText(config).find("SPEED=90\n"), std::string::npos) << storeText(config);
}

TEST_F(DialogProgram, AToggledBoxThenEscSavesNothing) {
    open();
    // "Night Mode" sits at (152, 160) in the dialog.
    xdo("mousemove --window " + std::to_string(window) + " 158 168 click 1");
    sleepFor(0.3);
    xdo("key Escape");
    EXPECT_EQ(waitExit(pid, 10), 0);
    pid = -1;
    EXPECT_FALSE(std::filesystem::exists(config + "/QN Vesmire Lumaris.ini"));
}

TEST_F(DialogProgram, AltOSaves) {
    open();
    xdo("mousemove --window " + std::to_string(window) + " 158 168 click 1");  // Night Mode on
    sleepFor(0.3);
    xdo("key alt+o");
    EXPECT_EQ(waitExit(pid, 10), 0);
    pid = -1;
    EXPECT_NE(storeText(config).find("NIGHTMODE=True\n"), std::string::npos) << storeText(config);
}

// Answers the folder chooser once it is open: chooses `folder`, or cancels.
struct ChooserAnswer {
    std::string folder;
    bool cancel = false;
    std::string title = {};
    GtkFileChooserAction action = GTK_FILE_CHOOSER_ACTION_OPEN;
    int ticks = 0;
};

gboolean answerChooser(gpointer data) {
    auto* answer = static_cast<ChooserAnswer*>(data);
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w != nullptr; w = w->next) {
        if (!GTK_IS_FILE_CHOOSER_DIALOG(w->data) || !gtk_widget_get_visible(GTK_WIDGET(w->data))) continue;
        answer->title = gtk_window_get_title(GTK_WINDOW(w->data));
        answer->action = gtk_file_chooser_get_action(GTK_FILE_CHOOSER(w->data));
        // First go to the folder, as a user would; answer a few ticks later,
        // when the chooser has taken it in.
        if (++answer->ticks == 1 && !answer->cancel) {
            gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(w->data), answer->folder.c_str());
            g_list_free(windows);
            return G_SOURCE_CONTINUE;
        }
        if (answer->ticks < 4 && !answer->cancel) {
            g_list_free(windows);
            return G_SOURCE_CONTINUE;
        }
        gtk_dialog_response(GTK_DIALOG(w->data), answer->cancel ? GTK_RESPONSE_CANCEL : GTK_RESPONSE_ACCEPT);
        g_list_free(windows);
        return G_SOURCE_REMOVE;
    }
    g_list_free(windows);
    return G_SOURCE_CONTINUE;
}

TEST(FolderChooser, AwkwardFolderNamesPassThroughUnchanged) {
    ASSERT_TRUE(gtk::gtkAvailable());
    const std::string root = settingsFolder({});
    const std::string folder = root + "/My \"Songs\"; été 'live' $(not run)";
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/Track One.MP3") << "x";

    testing::FakePlatform fake;
    gtk::GtkShell shell;
    posix::LinuxFiles files("/nonexistent");
    posix::IniFileStore store(root);
    Platform platform{fake.ui,  fake.app,      fake.clock, fake.random, fake.user32, fake.screen, store,
                      fake.registry, fake.passwords, fake.gdi, fake.pictures, fake.audio, files,  shell};
    LumzSubMain module;
    module.AppTitle = " Lumaris";
    gtk::GtkConfigDialog dialog([] {});
    FrmConfig form(module, platform, dialog);
    dialog.Connect([&form](ConfigEvent event) { form.Raise(event); });
    form.Form_Load();
    dialog.Show();
    dialog.SetChecked(Check::chkMusic, true);

    ChooserAnswer cancel{"", true};
    g_timeout_add(100, answerChooser, &cancel);
    form.cmdDirPath_Click();
    EXPECT_EQ(cancel.title, "Browse for folder");
    EXPECT_EQ(cancel.action, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER);
    EXPECT_EQ(module.cfg.cfgMusicDir, "c:\\") << "a cancelled chooser changes nothing";

    ChooserAnswer choose{folder};
    g_timeout_add(100, answerChooser, &choose);
    form.cmdDirPath_Click();
    EXPECT_EQ(module.cfg.cfgMusicDir, folder);
    form.cmdOk_Click();

    LumzSubMain reloaded;
    reloaded.AppTitle = " Lumaris";
    loadconfig(reloaded.cfg, reloaded.AppTitle, platform);
    EXPECT_EQ(reloaded.cfg.cfgMusicDir, folder) << "stored and read back unchanged";
    EXPECT_EQ(files.Dir(folder + "\\*.mp3"), "Track One.MP3") << "the music check finds the file";
    EXPECT_TRUE(fake.ui.shown.empty());
}

}  // namespace
}  // namespace lumaris::e2e
