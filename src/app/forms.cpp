#include "app/forms.h"

#include "app/scene_ticks.h"
#include "runtime/failure.h"
#include "runtime/stats.h"

namespace lumaris {

ProgramForms::ProgramForms(LumzSubMain& module, Platform& platform, Toolkit& toolkit)
    : module_(module), platform_(platform), toolkit_(toolkit) {}

// The forms go before the windows, timers and controls they use.
ProgramForms::~ProgramForms() {
    if (sceneWindow_) sceneWindow_->SetInput(nullptr);
    hostWatch_.reset();
    scene_.reset();
    preview_.reset();
    config_.reset();
}

FormWindow& ProgramForms::LoadConfig() {
    configWindow_ = toolkit_.CreateConfigWindow();
    config_ = std::make_unique<FrmConfig>(module_, platform_, *configWindow_);
    configWindow_->Connect([this](ConfigEvent event) { config_->Raise(event); });
    config_->Form_Load();
    return *configWindow_;
}

FormWindow& ProgramForms::LoadScene() {
    sceneWindow_ = toolkit_.CreateSurface("form", SurfaceKind::TopLevel, 0, 0);
    sceneTimer_ = std::make_unique<SceneTicks>(toolkit_.Loop(), *sceneWindow_, [this](int later) {
        countSceneTick();
        if (!scene_) return;
        scene_->laterTicks = later;
        scene_->Timer1_Timer();
    });
    sceneMedia_ = toolkit_.CreateMediaControl();
    scene_ = std::make_unique<FrmTidemarMain>(module_, platform_, *sceneWindow_, *sceneTimer_, *sceneMedia_);
    sceneWindow_->SetInput(this);
    scene_->Form_Load();
    // With the password option on, no other window may take the input.
    if (scene_->state.usePassword) sceneWindow_->KeepInput(true);
    return *sceneWindow_;
}

FormWindow& ProgramForms::LoadPreview() {
    previewWindow_ =
        toolkit_.CreateSurface("form", SurfaceKind::Embedded, kPreviewDesignedWidth, kPreviewDesignedHeight);
    previewTimer_ = toolkit_.Loop().CreateTimer([this] {
        if (preview_) preview_->Timer1_Timer();
    });
    preview_ = std::make_unique<FrmPreview>(platform_, *previewWindow_, *previewTimer_);
    preview_->Form_Load();
    return *previewWindow_;
}

bool ProgramForms::anyOpen() const {
    return scene_ != nullptr || preview_ != nullptr || (configWindow_ != nullptr && configWindow_->IsOpen());
}

void ProgramForms::afterMain() {
    if (preview_) watchHost();
}

void ProgramForms::watchHost() {
    hostWatch_ = toolkit_.Loop().CreateTimer([this] {
        Rect rect;
        if (!toolkit_.HostClientRect(previewWindow_->hWnd(), rect)) platform_.app.EndProcess();
        previewWindow_->ResizeTo(rect.right, rect.bottom);
    });
    hostWatch_->SetInterval(100);
}

void ProgramForms::KeyDown(std::int16_t keyCode, std::int16_t shift) { scene_->Form_KeyDown(keyCode, shift); }
void ProgramForms::MouseDown(std::int16_t button, std::int16_t shift, float x, float y) {
    scene_->Form_MouseDown(button, shift, x, y);
}
void ProgramForms::MouseUp() { scene_->Form_Click(); }
void ProgramForms::MouseMove(std::int16_t buttons, std::int16_t shift, float x, float y) {
    scene_->Form_MouseMove(buttons, shift, x, y);
}
void ProgramForms::LostFocus() { scene_->Form_LostFocus(); }
// A request to close the window is a request to end like any other input:
// the grace period and the password hold for it too.
void ProgramForms::CloseRequest() { scene_->endsaver(); }
void ProgramForms::Terminate() { scene_->Unload(); }

void ProgramForms::DisplayPower(bool on) {
    if (scene_) scene_->DisplayPower(on);
}

void runProgram(LumzSubMain& module, Platform& platform, Toolkit& toolkit) {
    ProgramForms forms(module, platform, toolkit);
    Main(module, platform, forms);
    if (!forms.anyOpen()) return;
    forms.afterMain();
    toolkit.Loop().Run();
}

}  // namespace lumaris
