// The program's forms on any host: loading the scene, the settings dialog and
// the preview through the host's toolkit, binding their timers and input,
// and keeping the preview inside its host.
#pragma once

#include <memory>

#include "dialog/frm_config.h"
#include "platform/platform.h"
#include "platform/toolkit.h"
#include "preview/frm_preview.h"
#include "runtime/form.h"
#include "scene/frm_tidemar_main.h"
#include "startup/lumz_submain.h"

namespace lumaris {

class ProgramForms : public Forms, private FormInput {
public:
    ProgramForms(LumzSubMain& module, Platform& platform, Toolkit& toolkit);
    ~ProgramForms() override;

    FormWindow& LoadConfig() override;
    FormWindow& LoadScene() override;
    FormWindow& LoadPreview() override;

    // Whether a window of the program is open, so that the loop must run.
    bool anyOpen() const;
    // After Main: the embedded preview follows its host's size and ends the
    // process quietly once the host is gone (or never was one).
    void afterMain();

    FrmTidemarMain* scene() { return scene_.get(); }

private:
    // The scene's input.
    void KeyDown(std::int16_t keyCode, std::int16_t shift) override;
    void MouseDown(std::int16_t button, std::int16_t shift, float x, float y) override;
    void MouseUp() override;
    void MouseMove(std::int16_t buttons, std::int16_t shift, float x, float y) override;
    void LostFocus() override;
    void CloseRequest() override;
    void Terminate() override;
    void DisplayPower(bool on) override;
    void watchHost();

    LumzSubMain& module_;
    Platform& platform_;
    Toolkit& toolkit_;

    std::unique_ptr<ConfigWindow> configWindow_;
    std::unique_ptr<FrmConfig> config_;

    std::unique_ptr<FormSurface> sceneWindow_;
    std::unique_ptr<Timer> sceneTimer_;
    std::unique_ptr<MediaControl> sceneMedia_;
    std::unique_ptr<FrmTidemarMain> scene_;

    std::unique_ptr<FormSurface> previewWindow_;
    std::unique_ptr<Timer> previewTimer_;
    std::unique_ptr<FrmPreview> preview_;
    std::unique_ptr<Timer> hostWatch_;
};

// Main, then the event loop for as long as a window of the program is open.
void runProgram(LumzSubMain& module, Platform& platform, Toolkit& toolkit);

}  // namespace lumaris
