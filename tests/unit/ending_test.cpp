// Ending the saver: the grace period, the password, the keys, the mouse
// rule and the unload, call by call.
#include <gtest/gtest.h>

#include "scene_rig.h"

namespace lumaris {
namespace {

using testing::CallLog;
using testing::ProcessEnded;
using testing::Scene;

constexpr std::int16_t kKeyX = 88;

struct Ending : Scene {
    Ending() : Scene(1024, 768) {
        fake.clock.now = 1000.0f;
        load();
    }
    // Runs an event; true when it ended the program.
    template <class Event>
    bool ends(Event&& event) {
        fake.log.clear();
        try {
            event();
        } catch (const ProcessEnded&) {
            return true;
        }
        return false;
    }
    void passwordOption() {
        fake.registry.value = std::string("\x01\0\0\0", 4);
        fake.registry.valueType = kRegDword;
        load();
    }
};

const CallLog kUnloadByDay = {"ShowCursor(TRUE)", "SystemParametersInfoA(97, 0, &0, 0)", "sndPlaySoundA(NULL, 64)",
                              "End"};

TEST(EndRequest, GracePeriodOfHalfASecond) {
    Ending e;
    e.fake.clock.now = 1000.4f;
    EXPECT_FALSE(e.ends([&] { e.form->Form_KeyDown(kKeyX, 0); }));
    EXPECT_TRUE(e.fake.log.empty());
    e.fake.clock.now = 1000.5f;
    EXPECT_TRUE(e.ends([&] { e.form->Form_KeyDown(kKeyX, 0); }));
    EXPECT_EQ(e.fake.log, kUnloadByDay);
}

TEST(EndRequest, AClockPastMidnightIsOutsideTheGracePeriod) {
    Ending e;
    e.fake.clock.now = 86399.9f;
    e.load();
    e.fake.clock.now = 0.1f;
    EXPECT_TRUE(e.ends([&] { e.form->Form_Click(); }));
}

TEST(EndRequest, ClickButtonAndFocusLossAllAsk) {
    Ending e;
    e.fake.clock.now = 2000;
    EXPECT_TRUE(e.ends([&] { e.form->Form_Click(); }));
    EXPECT_TRUE(e.ends([&] { e.form->Form_MouseDown(1, 0, 5, 5); }));
    EXPECT_TRUE(e.ends([&] { e.form->Form_LostFocus(); }));
}

TEST(EndRequest, PreviewModeNeverEnds) {
    Ending e;
    e.module.PreviewMode = true;
    e.fake.clock.now = 2000;
    EXPECT_FALSE(e.ends([&] { e.form->Form_KeyDown(kKeyX, 0); }));
    EXPECT_FALSE(e.ends([&] { e.form->Form_Click(); }));
    EXPECT_FALSE(e.ends([&] {
        e.form->Form_MouseMove(0, 0, 5, 5);
        e.form->Form_MouseMove(0, 0, 500, 500);
    }));
}

TEST(Password, VerifiedEndsTheProgram) {
    Ending e;
    e.passwordOption();
    e.fake.passwords.verifyAnswer = 1;
    e.fake.clock.now = 2000;
    EXPECT_TRUE(e.ends([&] { e.form->Form_KeyDown(kKeyX, 0); }));
    CallLog expected = {"ShowCursor(TRUE)", "VerifyScreenSavePwd(200)"};
    expected.insert(expected.end(), kUnloadByDay.begin(), kUnloadByDay.end());
    EXPECT_EQ(e.fake.log, expected);
}

TEST(Password, CancelledHidesThePointerAndStartsANewGracePeriod) {
    Ending e;
    e.passwordOption();
    e.fake.clock.now = 2000;
    const int cursorBefore = e.fake.user32.cursorCount;
    EXPECT_FALSE(e.ends([&] { e.form->Form_KeyDown(kKeyX, 0); }));
    EXPECT_EQ(e.fake.log, (CallLog{"ShowCursor(TRUE)", "VerifyScreenSavePwd(200)", "ShowCursor(FALSE)"}));
    EXPECT_EQ(e.fake.user32.cursorCount, cursorBefore);
    EXPECT_EQ(e.s().startTime, 2000.0f);
    e.fake.clock.now = 2000.3f;
    EXPECT_FALSE(e.ends([&] { e.form->Form_KeyDown(kKeyX, 0); }));
    EXPECT_TRUE(e.fake.log.empty()) << "within the new half second nothing is asked";
}

TEST(Password, TheAnswerIsReadAsSixteenBits) {
    Ending e;
    e.passwordOption();
    e.fake.passwords.verifyAnswer = 0x10000;
    e.fake.clock.now = 2000;
    EXPECT_FALSE(e.ends([&] { e.form->Form_KeyDown(kKeyX, 0); }));
}

TEST(Password, AFailingVerificationShowsErrorAndTheSaverRuns) {
    Ending e;
    e.passwordOption();
    e.fake.passwords.verifyFails = true;
    e.fake.clock.now = 2000;
    const int cursorBefore = e.fake.user32.cursorCount;
    EXPECT_FALSE(e.ends([&] { e.form->Form_KeyDown(kKeyX, 0); }));
    ASSERT_EQ(e.fake.ui.shown.size(), 1u);
    EXPECT_EQ(e.fake.ui.shown[0].title, "Error");
    EXPECT_EQ(e.fake.ui.shown[0].text, "48-Error in loading DLL");
    EXPECT_EQ(e.fake.user32.cursorCount, cursorBefore + 1) << "the pointer stays shown";
    // A later request asks again.
    e.fake.passwords.verifyFails = false;
    e.fake.passwords.verifyAnswer = 1;
    EXPECT_TRUE(e.ends([&] { e.form->Form_KeyDown(kKeyX, 0); }));
}

TEST(Password, RequestsDuringTheVerificationAreIgnored) {
    Ending e;
    e.passwordOption();
    e.fake.clock.now = 2000;
    int nested = 0;
    e.fake.passwords.duringVerification = [&] {
        ++nested;
        e.form->Form_KeyDown(kKeyX, 0);
        e.form->Form_Click();
    };
    e.ends([&] { e.form->Form_KeyDown(kKeyX, 0); });
    EXPECT_EQ(nested, 1) << "one verification only";
    EXPECT_EQ(e.only("VerifyScreenSavePwd").size(), 1u);
}

TEST(Keys, BByDayBuildsTheTownAndDoesNotEnd) {
    Ending e;
    e.fake.clock.now = 2000;
    EXPECT_FALSE(e.ends([&] { e.form->Form_KeyDown(66, 0); }));
    EXPECT_EQ(e.fake.log, (CallLog{"BitBlt(skypicsource, 948, 402, 102, 8, piccivilsource, 0, 119, SRCCOPY)"}));
}

TEST(Keys, BWithoutTheTownAsksToEndFirstThenBuildsIfStillRunning) {
    Ending e;
    e.set("CIVILIZATION", "False");
    e.load();
    e.fake.clock.now = 1000.1f;  // within the grace period: the request does nothing
    EXPECT_FALSE(e.ends([&] { e.form->Form_KeyDown(66, 0); }));
    EXPECT_EQ(e.s().townStage, 1);
    e.fake.clock.now = 2000;
    EXPECT_TRUE(e.ends([&] { e.form->Form_KeyDown(66, 0); }));
    EXPECT_EQ(e.s().townStage, 1) << "no town step after the end";
}

TEST(Keys, BAtNightWithAPasswordCancelledStillBuilds) {
    Ending e;
    e.set("NIGHTMODE", "True");
    e.passwordOption();
    e.fake.clock.now = 2000;
    EXPECT_FALSE(e.ends([&] { e.form->Form_KeyDown(66, 0); }));
    EXPECT_EQ(e.s().townStage, 1);
}

TEST(Keys, MAndTShowTheDebugLabel) {
    for (std::int16_t key : {77, 84}) {
        Ending e;
        e.fake.clock.now = 2000;
        EXPECT_FALSE(e.ends([&] { e.form->Form_KeyDown(key, 0); }));
        EXPECT_TRUE(e.form->Label1.visible);
    }
}

TEST(Keys, SSilencesTheSeaOnlyWhenSoundIsOn) {
    Ending on;
    on.fake.clock.now = 2000;
    EXPECT_FALSE(on.ends([&] { on.form->Form_KeyDown(83, 0); }));
    EXPECT_EQ(on.fake.log, (CallLog{"sndPlaySoundA(NULL, 64)"}));
    Ending off;
    off.set("SOUND", "False");
    off.load();
    off.fake.clock.now = 2000;
    EXPECT_FALSE(off.ends([&] { off.form->Form_KeyDown(83, 0); }));
    EXPECT_TRUE(off.fake.log.empty()) << "nothing at all";
}

TEST(MouseRule, FirstMoveRecordsThenTenPixelsMoveTheRecordAndMoreEnds) {
    Ending e;
    e.fake.clock.now = 2000;
    EXPECT_FALSE(e.ends([&] { e.form->Form_MouseMove(0, 0, 300, 200); }));
    EXPECT_EQ(e.s().lastMouseX, 300.0f);
    EXPECT_FALSE(e.ends([&] { e.form->Form_MouseMove(0, 0, 310, 190); }));
    EXPECT_EQ(e.s().lastMouseX, 310.0f);
    EXPECT_EQ(e.s().lastMouseY, 190.0f);
    EXPECT_TRUE(e.ends([&] { e.form->Form_MouseMove(0, 0, 310, 200.5f); }));
}

TEST(MouseRule, ARecordAtZeroZeroCountsAsNone) {
    Ending e;
    e.fake.clock.now = 2000;
    EXPECT_FALSE(e.ends([&] { e.form->Form_MouseMove(0, 0, 0, 0); }));
    EXPECT_FALSE(e.ends([&] { e.form->Form_MouseMove(0, 0, 500, 500); })) << "records again";
    EXPECT_EQ(e.s().lastMouseX, 500.0f);
}

TEST(MouseRule, AJumpInsideTheGracePeriodKeepsTheOldRecord) {
    Ending e;
    e.fake.clock.now = 1000.1f;
    e.form->Form_MouseMove(0, 0, 100, 100);
    EXPECT_FALSE(e.ends([&] { e.form->Form_MouseMove(0, 0, 200, 100); }));
    EXPECT_EQ(e.s().lastMouseX, 100.0f);
    e.fake.clock.now = 2000;
    EXPECT_TRUE(e.ends([&] { e.form->Form_MouseMove(0, 0, 200, 100); })) << "still 100 from the record";
}

TEST(MouseRule, DisableMouseoversIgnoresMovesEntirely) {
    Ending e;
    e.set("MOUSE", "True");
    e.load();
    e.fake.clock.now = 2000;
    e.form->Form_MouseMove(0, 0, 10, 10);
    EXPECT_FALSE(e.ends([&] { e.form->Form_MouseMove(0, 0, 900, 700); }));
    EXPECT_EQ(e.s().mouseX, 0);
    EXPECT_EQ(e.s().lastMouseX, 0.0f);
    EXPECT_TRUE(e.ends([&] { e.form->Form_KeyDown(kKeyX, 0); })) << "keys still end";
}

TEST(MouseRule, TheBalloonFollowsAndMovesNeverEnd) {
    for (const char* mouseSetting : {"False", "True"}) {
        Ending e;
        e.set("BALLOON", "True").set("MOUSE", mouseSetting);
        e.load();
        e.fake.clock.now = 2000;
        e.form->Form_MouseMove(0, 0, 10, 10);
        EXPECT_FALSE(e.ends([&] { e.form->Form_MouseMove(0, 0, 900.5f, 701.5f); }));
        EXPECT_EQ(e.s().mouseX, 900) << "rounded half to even";
        EXPECT_EQ(e.s().mouseY, 702);
        EXPECT_EQ(e.s().lastMouseX, 0.0f);
        EXPECT_TRUE(e.ends([&] { e.form->Form_Click(); })) << "clicks still end";
    }
}

TEST(Unload, WithMusicTheMediaControlClosesLast) {
    Ending e;
    e.set("MUSIC", "True");
    e.load();
    EXPECT_TRUE(e.ends([&] { e.form->Unload(); }));
    EXPECT_EQ(e.fake.log, (CallLog{"ShowCursor(TRUE)", "SystemParametersInfoA(97, 0, &0, 0)", "sndPlaySoundA(NULL, 64)",
                                   "MMControl1.Wait = True", "MMControl1.Command = close", "End"}));
}

TEST(Unload, InPreviewModeOnlyTheProgramEnds) {
    Ending e;
    e.module.PreviewMode = true;
    EXPECT_TRUE(e.ends([&] { e.form->Unload(); }));
    EXPECT_EQ(e.fake.log, (CallLog{"End"}));
}

}  // namespace
}  // namespace lumaris
