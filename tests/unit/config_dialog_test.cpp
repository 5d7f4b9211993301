// The settings dialog's logic through a fake view: the load, the Music rule,
// the folder button, OK, Cancel, the web label and the read-me button.
#include <gtest/gtest.h>

#include <map>

#include "dialog/frm_config.h"
#include "fakes.h"
#include "startup/lumz_submain.h"

namespace lumaris {
namespace {

using testing::CallLog;

// The controls with their initial states; changing a box runs its click,
// as the toolkit does.
class FakeView : public ConfigView {
public:
    void SetSpeedRange(std::int16_t min, std::int16_t max) override {
        min_ = min;
        max_ = max;
    }
    // Out of range, the logic itself must refuse the position.
    void SetSpeed(std::int16_t position) override { speed = position < min_ || position > max_ ? -1 : position; }
    std::int16_t Speed() override { return speed; }
    void SetChecked(Check box, bool value) override {
        if (checked[box] == value) return;
        checked[box] = value;
        if (logic == nullptr) return;
        if (box == Check::chkMusic) logic->chkMusic_Click();
        if (box == Check::chkMouseEvent) logic->chkMouseEvent_Click();
    }
    bool Checked(Check box) override { return checked[box]; }
    void SetVisible(Control control, bool value) override { visible[control] = value; }
    void SetPathCaption(const std::string& caption) override { path = caption; }
    void Close() override { closed = true; }

    FrmConfig* logic = nullptr;
    std::int16_t speed = 80;
    std::map<Check, bool> checked = {{Check::chkSound, true},       {Check::chkMusic, true},
                                     {Check::chkCivilization, true}, {Check::chkMouseEvent, true},
                                     {Check::chkNightMode, true},    {Check::chkBalloon, false}};
    std::map<Control, bool> visible = {{Control::chkSound, true},    {Control::chkMusic, true},
                                       {Control::lblPathName, true}, {Control::lblMp3Check, false},
                                       {Control::cmdDirPath, true}};
    std::string path = "Current Directory";
    bool closed = false;

private:
    std::int16_t min_ = 0, max_ = 32767;
};

struct Dialog {
    testing::FakePlatform fake;
    FakeView view;
    LumzSubMain module;
    FrmConfig form{module, fake.platform, view};
    Dialog() {
        module.AppTitle = " Lumaris";
        view.logic = &form;
    }
    Dialog& set(const std::string& key, const std::string& value) {
        fake.store.set(key, value);
        return *this;
    }
    void musicFiles(std::vector<std::string> names) { fake.files.names = std::move(names); }
    bool saved() const { return fake.store.get("SPEED").has_value(); }
};

TEST(ConfigLoad, MusicOnWithoutMp3sShowsTheWarningAndOkStillSaves) {
    Dialog d;
    d.set("MUSIC", "True").set("MUSICDIR", "d:\\empty");
    d.form.Form_Load();
    EXPECT_TRUE(d.view.visible[Control::lblMp3Check]);
    EXPECT_TRUE(d.view.visible[Control::lblPathName]);
    EXPECT_EQ(d.view.path, "d:\\empty");
    EXPECT_EQ(d.fake.without("GetSetting").front(), "Dir(d:\\empty\\*.mp3)");
    d.form.cmdOk_Click();
    EXPECT_TRUE(d.view.closed);
    EXPECT_EQ(d.fake.store.get("MUSIC"), "True");
    EXPECT_EQ(d.fake.store.get("MUSICDIR"), "d:\\empty");
}

TEST(ConfigLoad, MusicOffHidesItsThreeControlsAndKeepsTheFolder) {
    Dialog d;
    d.set("MUSICDIR", "c:\\tunes\\");
    d.musicFiles({"a.mp3"});
    d.form.Form_Load();
    EXPECT_FALSE(d.view.visible[Control::lblPathName]);
    EXPECT_FALSE(d.view.visible[Control::cmdDirPath]);
    EXPECT_FALSE(d.view.visible[Control::lblMp3Check]);
    d.form.cmdOk_Click();
    EXPECT_EQ(d.fake.store.get("MUSIC"), "False");
    EXPECT_EQ(d.fake.store.get("MUSICDIR"), "c:\\tunes\\");
}

TEST(ConfigLoad, TheDefaultFolderGetsADoubledSeparator) {
    Dialog d;
    d.form.Form_Load();
    EXPECT_EQ(d.fake.without("GetSetting").front(), "Dir(c:\\\\*.mp3)");
}

TEST(MusicRule, CheckingShowsTheFolderAndChecksItUncheckingHidesAll) {
    Dialog d;
    d.set("MUSICDIR", "e:\\songs");
    d.form.Form_Load();
    d.fake.log.clear();
    d.view.SetChecked(Check::chkMusic, true);
    EXPECT_TRUE(d.module.cfg.cfgMusic);
    EXPECT_EQ(d.view.path, "e:\\songs");
    EXPECT_TRUE(d.view.visible[Control::lblPathName]);
    EXPECT_TRUE(d.view.visible[Control::cmdDirPath]);
    EXPECT_TRUE(d.view.visible[Control::lblMp3Check]);
    EXPECT_EQ(d.fake.log, (CallLog{"Dir(e:\\songs\\*.mp3)"}));
    d.view.SetChecked(Check::chkMusic, false);
    EXPECT_FALSE(d.module.cfg.cfgMusic);
    EXPECT_FALSE(d.view.visible[Control::lblPathName]);
    EXPECT_FALSE(d.view.visible[Control::cmdDirPath]);
    EXPECT_FALSE(d.view.visible[Control::lblMp3Check]);
}

TEST(DirectoryButton, ANewFolderShowsAtOnceAndCancelSavesNothing) {
    Dialog d;
    d.set("MUSIC", "True");
    d.form.Form_Load();
    d.fake.shell.chosen = "/home/me/My \"Songs\"; été";
    d.musicFiles({"x.MP3"});
    d.form.cmdDirPath_Click();
    EXPECT_EQ(d.module.cfg.cfgMusicDir, "/home/me/My \"Songs\"; été");
    EXPECT_EQ(d.view.path, "/home/me/My \"Songs\"; été");
    EXPECT_FALSE(d.view.visible[Control::lblMp3Check]);
    EXPECT_EQ(d.fake.shell.outstanding, 0) << "the item list is freed";
    d.form.cmdCancel_Click();
    EXPECT_TRUE(d.view.closed);
    EXPECT_FALSE(d.saved());
}

TEST(DirectoryButton, ACancelledOrPathlessChoiceChangesNothing) {
    Dialog d;
    d.set("MUSIC", "True").set("MUSICDIR", "f:\\keep");
    d.form.Form_Load();
    d.form.cmdDirPath_Click();  // cancelled
    d.fake.shell.chosen = "";    // a place without a file-system path
    d.form.cmdDirPath_Click();
    EXPECT_EQ(d.module.cfg.cfgMusicDir, "f:\\keep");
    EXPECT_EQ(d.view.path, "f:\\keep");
    EXPECT_EQ(d.fake.shell.outstanding, 0);
}

TEST(Browsefolder, AsksWithItsTitleAndFlagAndA512CharacterBuffer) {
    testing::FakePlatform fake;
    fake.shell.chosen = "/music";
    EXPECT_EQ(browsefolder(0, fake.platform), "/music");
    EXPECT_EQ(fake.log, (CallLog{"SHBrowseForFolderA(0, Browse for folder, 1)", "SHGetPathFromIDListA(item, 512)",
                                 "CoTaskMemFree"}));
    fake.shell.chosen = std::string(600, 'a');
    EXPECT_EQ(browsefolder(0, fake.platform), "") << "a path longer than the buffer is no path";
}

TEST(ConfigLoad, NoSoundDeviceOneMessageBothHiddenAndSavedOff) {
    Dialog d;
    d.set("MUSIC", "True").set("SOUND", "True");
    d.fake.audio.devices = 0;
    d.form.Form_Load();
    ASSERT_EQ(d.fake.ui.shown.size(), 1u);
    EXPECT_EQ(d.fake.ui.shown[0].text, "Your system sound is not set up.");
    EXPECT_EQ(d.fake.ui.shown[0].style, kMbIconInformation);
    EXPECT_EQ(d.fake.ui.shown[0].title, "Sound Problem");
    EXPECT_FALSE(d.view.visible[Control::chkMusic]);
    EXPECT_FALSE(d.view.visible[Control::chkSound]);
    EXPECT_FALSE(d.view.visible[Control::lblPathName]);
    d.form.cmdOk_Click();
    EXPECT_EQ(d.fake.store.get("MUSIC"), "False");
    EXPECT_EQ(d.fake.store.get("SOUND"), "False");
}

TEST(ConfigOk, NightAndBalloonBothSavedAndTheMouseFollowsItsBox) {
    Dialog d;
    d.form.Form_Load();
    d.view.SetChecked(Check::chkNightMode, true);
    d.view.SetChecked(Check::chkBalloon, true);
    d.view.SetChecked(Check::chkMouseEvent, true);
    d.view.speed = 140;
    d.form.cmdOk_Click();
    EXPECT_EQ(d.fake.store.get("NIGHTMODE"), "True");
    EXPECT_EQ(d.fake.store.get("BALLOON"), "True");
    EXPECT_EQ(d.fake.store.get("MOUSE"), "True");
    EXPECT_EQ(d.fake.store.get("SPEED"), "140");
}

TEST(ConfigLoad, ASpeedOutsideTheBarStopsTheLoadAndOkSavesTheMouseAsLoaded) {
    Dialog d;
    d.set("SPEED", "200").set("MOUSE", "False").set("NIGHTMODE", "False");
    d.form.Form_Load();
    ASSERT_EQ(d.fake.ui.shown.size(), 1u);
    EXPECT_EQ(d.fake.ui.shown[0].title, "Error loading config form");
    EXPECT_EQ(d.fake.ui.shown[0].text, "380-Invalid property value");
    EXPECT_TRUE(d.view.checked[Check::chkMouseEvent]) << "the box keeps its initial state";
    EXPECT_TRUE(d.view.checked[Check::chkNightMode]);
    EXPECT_EQ(d.view.path, "Current Directory");
    d.form.cmdOk_Click();
    EXPECT_EQ(d.fake.store.get("MOUSE"), "False") << "the variable as loaded";
    EXPECT_EQ(d.fake.store.get("NIGHTMODE"), "True") << "the box as shown";
    EXPECT_EQ(d.fake.store.get("SPEED"), "80");
}

TEST(ConfigOk, AFailingStepIsPassedOverAndTheDialogStillCloses) {
    Dialog d;
    d.form.Form_Load();
    d.fake.files.fails = true;  // the music check fails
    d.fake.store.failOnKey = "SOUND";
    d.form.cmdOk_Click();
    EXPECT_TRUE(d.view.closed);
    EXPECT_EQ(d.fake.store.get("SPEED"), "100");
    ASSERT_EQ(d.fake.ui.shown.size(), 1u) << "saveconfig reports its own failure";
    EXPECT_EQ(d.fake.ui.shown[0].title, "Error in main sub saveconfig");
}

TEST(ConfigLinks, WebAddressAndReadMeThroughTheShell) {
    Dialog d;
    d.form.lblURL_Click();
    d.form.Command1_Click();
    EXPECT_EQ(d.fake.log, (CallLog{"ShellExecuteA(0, NULL, https://qnvesmire.example, NULL, NULL, 1)",
                                   "ShellExecuteA(0, NULL, /opt/lumaris\\lumzreadme.txt, NULL, NULL, 1)"}));
    EXPECT_TRUE(d.fake.ui.shown.empty());
}

}  // namespace
}  // namespace lumaris
