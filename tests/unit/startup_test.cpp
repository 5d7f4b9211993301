#include <gtest/gtest.h>

#include "fakes.h"
#include "startup/lumz_submain.h"

namespace lumaris {
namespace {

using testing::CallLog;
using testing::FakeForms;
using testing::FakePlatform;
using testing::ProcessEnded;

struct MainRun {
    FakePlatform fake;
    FakeForms forms{fake.log};
    LumzSubMain module;

    explicit MainRun(const std::string& command) { fake.app.command = command; }
    void main() { Main(module, fake.platform, forms); }
    // The calls that matter for the mode, without the seeding.
    CallLog calls() const { return fake.without("Randomize"); }
};

TEST(MainModes, GrammarTableSelectsTheMode) {
    struct Case {
        const char* command;
        const char* firstCall;
    };
    const Case cases[] = {
        {"", "Load frmConfig"},          {"/", "Load frmConfig"},         {"S", "Load frmConfig"},
        {"/c", "Load frmConfig"},        {"/C:1234", "Load frmConfig"},   {"  /c:1234  ", "Load frmConfig"},
        {"/s", "PrevInstance"},          {"/S", "PrevInstance"},          {"-S", "PrevInstance"},
        {"xs", "PrevInstance"},          {"   /s   ", "PrevInstance"},    {"/p 1234", "GetClientRect(1234)"},
        {"/p:1234", "GetClientRect(1234)"}, {"/P1234", "GetClientRect(1234)"}, {"/l 1234", "GetClientRect(1234)"},
        {"/a 77", "PwdChangePasswordA(SCRSAVE, 77, 0, 0)"},
    };
    for (const Case& c : cases) {
        MainRun run(c.command);
        run.main();
        ASSERT_FALSE(run.calls().empty()) << c.command;
        EXPECT_EQ(run.calls().front(), c.firstCall) << "command line [" << c.command << "]";
        EXPECT_TRUE(run.fake.ui.shown.empty()) << c.command;
        EXPECT_EQ(run.module.AppTitle, " Lumaris");
    }
}

TEST(MainModes, SeedsTheGeneratorFirstAndSetsTheTitleBeforeAnyForm) {
    MainRun run("/c");
    run.main();
    EXPECT_EQ(run.fake.log.front(), "Randomize");
    EXPECT_EQ(run.module.AppTitle, " Lumaris");
}

TEST(MainModes, SettingsDialogIsLoadedAndShownWithoutOwner) {
    MainRun run("/c:1234");
    run.main();
    EXPECT_EQ(run.calls(), (CallLog{"Load frmConfig", "frmConfig.Show"}));
    EXPECT_FALSE(run.module.PreviewMode);
}

TEST(MainModes, UnknownArgumentsShowTheCommandLineAsReceived) {
    MainRun run("  /x Foo ");
    run.main();
    ASSERT_EQ(run.fake.ui.shown.size(), 1u);
    EXPECT_EQ(run.fake.ui.shown[0].text, "Unknown command-line arguments: [  /x Foo ]");
    EXPECT_EQ(run.fake.ui.shown[0].style, kMbIconError);
    EXPECT_EQ(run.fake.ui.shown[0].title, "Lumaris");
}

TEST(MainModes, PasswordChangeLeavesPreviewModeAlone) {
    MainRun run("/a 4242");
    run.module.PreviewMode = true;
    run.main();
    EXPECT_EQ(run.calls(), (CallLog{"PwdChangePasswordA(SCRSAVE, 4242, 0, 0)"}));
    EXPECT_TRUE(run.module.PreviewMode);
}

TEST(MainFailures, MissingOrBrokenHandleReachesTheTrapOfMain) {
    struct Case {
        const char* command;
        const char* message;
    };
    const Case cases[] = {
        {"/p", "13-Type mismatch"},
        {"/p 1234x", "13-Type mismatch"},
        {"/p 99999999999", "6-Overflow"},
        {"/p 2147483648", "6-Overflow"},
        {"/a", "13-Type mismatch"},
    };
    for (const Case& c : cases) {
        MainRun run(c.command);
        run.main();
        ASSERT_EQ(run.fake.ui.shown.size(), 1u) << c.command;
        EXPECT_EQ(run.fake.ui.shown[0].text, c.message) << c.command;
        EXPECT_EQ(run.fake.ui.shown[0].style, kMbIconExclamation);
        EXPECT_EQ(run.fake.ui.shown[0].title, "Error in function sub Main");
        // No form was loaded and nothing was embedded.
        for (const auto& entry : run.fake.log) {
            EXPECT_EQ(entry.find("Load "), std::string::npos) << c.command << ": " << entry;
        }
    }
}

TEST(Getcmdhwnd, TakesOnlyTheTrailingDigits) {
    EXPECT_EQ(getcmdhwnd("/P 1234"), 1234);
    EXPECT_EQ(getcmdhwnd("/P:1234"), 1234);
    EXPECT_EQ(getcmdhwnd("/P1234"), 1234);
    EXPECT_EQ(getcmdhwnd("/P 12 34"), 34);
    EXPECT_EQ(getcmdhwnd("  /P 2147483647  "), 2147483647);
    EXPECT_EQ(getcmdhwnd("/P 0"), 0);
}

TEST(PreviewEmbedding, CallsInOrderWithTheHostSize) {
    MainRun run("/p 5555");
    run.fake.user32.clientRect = Rect{0, 0, 152, 112};
    run.fake.user32.windowLong = 0x16CF0000;
    run.main();
    EXPECT_TRUE(run.module.PreviewMode);
    EXPECT_EQ(run.calls(), (CallLog{
                               "GetClientRect(5555)",
                               "Load frmPreview",
                               "frmPreview.Caption = Preview QNVesmire Saver",
                               "GetWindowLongA(300, -16)",
                               "SetWindowLongA(300, -16, " + std::to_string(0x16CF0000 | 0x40000000) + ")",
                               "SetParent(300, 5555)",
                               "SetWindowLongA(300, -8, 5555)",
                               "SetWindowPos(300, 0, 0, 0, 152, 112, 84)",
                           }));
    EXPECT_TRUE(run.fake.ui.shown.empty());
}

TEST(PreviewEmbedding, AFailingPreviewLoadIsReportedByMain) {
    MainRun run("/p 5555");
    run.forms.previewLoadFails = true;
    run.main();
    ASSERT_EQ(run.fake.ui.shown.size(), 1u);
    EXPECT_EQ(run.fake.ui.shown[0].title, "Error in function sub Main");
    EXPECT_EQ(run.fake.ui.shown[0].text, "53-File not found");
    for (const auto& entry : run.fake.log) EXPECT_EQ(entry.find("SetParent"), std::string::npos);
}

TEST(FullScreen, StretchesOverTheVirtualDesktopInTwips) {
    MainRun run("/s");
    run.fake.user32.metrics = {{80, 2}, {76, -1280}, {77, -200}, {78, 3200}, {79, 1224}};
    run.module.PreviewMode = true;
    run.main();
    EXPECT_FALSE(run.module.PreviewMode);
    EXPECT_EQ(run.calls(), (CallLog{
                               "PrevInstance",
                               "Load frmTidemarMain",
                               "frmTidemarMain.Caption = QNVesmire Saver Running",
                               "frmTidemarMain.Show",
                               "GetSystemMetrics(80)",
                               "frmTidemarMain.WindowState = 0",
                               "GetSystemMetrics(77)",
                               "frmTidemarMain.Top = -3000",
                               "GetSystemMetrics(76)",
                               "frmTidemarMain.Left = -19200",
                               "GetSystemMetrics(78)",
                               "frmTidemarMain.Width = 48000",
                               "GetSystemMetrics(79)",
                               "frmTidemarMain.Height = 18360",
                           }));
}

TEST(FullScreen, NoMonitorCountLeavesTheWindowMaximised) {
    MainRun run("/s");
    run.main();
    EXPECT_EQ(run.calls(), (CallLog{"PrevInstance", "Load frmTidemarMain",
                                    "frmTidemarMain.Caption = QNVesmire Saver Running", "frmTidemarMain.Show",
                                    "GetSystemMetrics(80)"}));
}

TEST(SingleInstance, RefusedOnlyWhenBothSignsAgree) {
    struct Case {
        bool prevInstance;
        Hwnd runningWindow;
        bool ends;
    };
    for (const Case c : {Case{false, 0, false}, Case{false, 777, false}, Case{true, 0, false}, Case{true, 777, true}}) {
        MainRun run("/s");
        run.fake.app.prevInstance = c.prevInstance;
        run.fake.user32.foundWindow = c.runningWindow;
        bool ended = false;
        try {
            run.main();
        } catch (const ProcessEnded&) {
            ended = true;
        }
        EXPECT_EQ(ended, c.ends) << c.prevInstance << " " << c.runningWindow;
        const CallLog calls = run.calls();
        const std::string second = c.prevInstance ? "FindWindowA(NULL, QNVesmire Saver Running)" : "Load frmTidemarMain";
        EXPECT_EQ(calls[1], second);
        if (c.ends) {
            EXPECT_EQ(calls.back(), "EndProcess");
            EXPECT_TRUE(run.fake.ui.shown.empty());
        }
    }
}

}  // namespace
}  // namespace lumaris
