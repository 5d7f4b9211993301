// The preview form: the picture, the credit text and its scrolling.
#include <gtest/gtest.h>

#include "fakes.h"
#include "preview/frm_preview.h"

namespace lumaris {
namespace {

using testing::CallLog;
using testing::FakePictures;

struct PreviewRig {
    testing::FakePlatform fake;
    testing::FakeFormSurface window{fake.log, fake.screen};
    testing::FakeTimer timer{fake.log};
    std::unique_ptr<FrmPreview> form;
    PreviewRig() {
        window.Image().resize(kPreviewDesignedWidth, kPreviewDesignedHeight);
        form = std::make_unique<FrmPreview>(fake.platform, window, timer);
        form->Form_Load();
    }
    int top() const { return form->Label1.top; }
    void tick(int times = 1) {
        for (int i = 0; i < times; ++i) form->Timer1_Timer();
    }
};

TEST(Preview, LoadSetsTheCreditBelowTheDesignedHeight) {
    PreviewRig p;
    EXPECT_EQ(p.form->Label1.caption,
              "Quennaway\r\nVesmire\r\nScreensavers\r\nfrom\r\n\r\nqnvesmire.example");
    EXPECT_EQ(p.top(), 121);
    EXPECT_EQ(p.form->Label1.left, 20);
    EXPECT_EQ(p.form->Label1.width, 119);
    EXPECT_EQ(p.form->Label1.color, rgb(255, 255, 0));
    EXPECT_TRUE(p.form->Label1.bold);
    EXPECT_TRUE(p.form->Label1.centred);
    EXPECT_EQ(p.timer.Interval(), 80);
    // The picture at its own size at the top-left, black elsewhere.
    EXPECT_EQ(p.window.Image().pixel(0, 0), FakePictures::code("preview", 0, 0));
    EXPECT_EQ(p.window.Image().pixel(159, 119), FakePictures::code("preview", 159, 119));
    EXPECT_EQ(p.window.Image().pixel(160, 120), 0u);
}

TEST(Preview, OnePixelUpPerTickAndRestartOnlyOnceTheTextIsGone) {
    PreviewRig p;  // label height 78
    p.tick();
    EXPECT_EQ(p.top(), 120);
    p.window.ResizeTo(200, 150);  // the host's pane
    p.tick(120 + 78 - 1);         // bottom edge reaches row 0 ...
    EXPECT_EQ(p.top(), -77);
    p.tick();  // ... and now sits exactly on the top edge: not yet gone
    EXPECT_EQ(p.top(), -78);
    p.tick();  // passed above: enters again at the pane's current height
    EXPECT_EQ(p.top(), 150);
}

TEST(Preview, AFullPassTakesHPlusHPlusOneTicks) {
    PreviewRig p;
    p.window.ResizeTo(160, 100);
    p.tick(121 + 78 + 1);  // the first pass starts from the designed height
    ASSERT_EQ(p.top(), 100);
    p.tick(100 + 78 + 1);
    EXPECT_EQ(p.top(), 100);
    p.tick();
    EXPECT_EQ(p.top(), 99);
}

TEST(Preview, AResizeKeepsThePictureUnstretchedAtTheTopLeft) {
    PreviewRig p;
    p.window.ResizeTo(80, 60);
    EXPECT_EQ(p.window.Image().pixel(79, 59), FakePictures::code("preview", 79, 59));
    p.window.ResizeTo(300, 200);
    EXPECT_EQ(p.window.Image().pixel(159, 119), FakePictures::code("preview", 159, 119));
    EXPECT_EQ(p.window.Image().pixel(299, 199), 0u);
}

TEST(Preview, ReadsNoSettingsAndPlaysNothing) {
    PreviewRig p;
    p.tick(10);
    for (const auto& call : p.fake.log) {
        EXPECT_EQ(call.find("GetSetting"), std::string::npos) << call;
        EXPECT_EQ(call.find("sndPlaySound"), std::string::npos) << call;
        EXPECT_EQ(call.find("MsgBox"), std::string::npos) << call;
    }
}

}  // namespace
}  // namespace lumaris
