#include "startup/lumz_submain.h"

#include "platform/platform.h"
#include "runtime/convert.h"
#include "runtime/failure.h"
#include "runtime/form.h"

namespace lumaris {

namespace {

void settingsDialogMode(Forms& forms) {
    FormWindow& dialog = forms.LoadConfig();
    dialog.Show();
}

void fullScreenMode(LumzSubMain& module, Platform& platform, Forms& forms) {
    module.PreviewMode = false;
    checkprevinstance(platform);
    FormWindow& scene = forms.LoadScene();
    scene.SetCaption(kRunningCaption);
    scene.Show();
    if (platform.user32.GetSystemMetrics(kSmCMonitors) != 0) {
        // Stretch over the whole virtual desktop; form geometry is in twips.
        scene.SetWindowState(kWindowStateNormal);
        scene.SetTop(static_cast<float>(
            static_cast<double>(platform.screen.TwipsPerPixelY()) * platform.user32.GetSystemMetrics(kSmYVirtualScreen)));
        scene.SetLeft(static_cast<float>(
            static_cast<double>(platform.screen.TwipsPerPixelX()) * platform.user32.GetSystemMetrics(kSmXVirtualScreen)));
        scene.SetWidth(static_cast<float>(static_cast<double>(platform.screen.TwipsPerPixelX()) *
                                          platform.user32.GetSystemMetrics(kSmCxVirtualScreen)));
        scene.SetHeight(static_cast<float>(static_cast<double>(platform.screen.TwipsPerPixelY()) *
                                           platform.user32.GetSystemMetrics(kSmCyVirtualScreen)));
    }
}

void previewMode(LumzSubMain& module, Platform& platform, Forms& forms, const std::string& arguments) {
    module.PreviewMode = true;
    const Hwnd host = getcmdhwnd(arguments);
    Rect rect;
    platform.user32.GetClientRect(host, rect);
    FormWindow& preview = forms.LoadPreview();
    preview.SetCaption(kPreviewCaption);
    const Hwnd window = preview.hWnd();
    const std::int32_t style = platform.user32.GetWindowLongA(window, kGwlStyle) | kWsChild;
    platform.user32.SetWindowLongA(window, kGwlStyle, style);
    platform.user32.SetParent(window, host);
    platform.user32.SetWindowLongA(window, kGwlHwndParent, host);
    platform.user32.SetWindowPos(window, 0, 0, 0, rect.right, rect.bottom,
                                 kSwpNoZOrder | kSwpNoActivate | kSwpShowWindow);
}

void passwordChangeMode(Platform& platform, const std::string& arguments) {
    const Hwnd parent = getcmdhwnd(arguments);
    platform.passwords.PwdChangePasswordA(kPasswordRegistryKey, parent, 0, 0);
}

}  // namespace

void Main(LumzSubMain& module, Platform& platform, Forms& forms) {
    trap(platform.ui, "Error in function sub Main", [&] {
        platform.random.Randomize();
        module.AppTitle = kAppTitle;
        const std::string received = platform.app.Command();
        const std::string arguments = upperCase(trimBlanks(received));
        // The first character is never examined: /s, -s and xs are alike.
        const std::string mode = arguments.size() >= 2 ? arguments.substr(1, 1) : std::string();

        if (mode == "C" || mode.empty()) {
            settingsDialogMode(forms);
        } else if (mode == "S") {
            fullScreenMode(module, platform, forms);
        } else if (mode == "P" || mode == "L") {
            previewMode(module, platform, forms, arguments);
        } else if (mode == "A") {
            passwordChangeMode(platform, arguments);
        } else {
            platform.ui.MsgBox("Unknown command-line arguments: [" + received + "]", kMbIconError, kProductName);
        }
    });
}

Hwnd getcmdhwnd(const std::string& text) {
    const std::string trimmed = trimBlanks(text);
    std::size_t n = trimmed.size();
    while (n >= 1 && trimmed[n - 1] >= '0' && trimmed[n - 1] <= '9') --n;
    return textToInt32(trimmed.substr(n));
}

void checkprevinstance(Platform& platform) {
    if (!platform.app.PrevInstance()) return;
    if (platform.user32.FindWindowA(nullptr, kRunningCaption) != 0) {
        platform.app.EndProcess();
    }
}

}  // namespace lumaris
