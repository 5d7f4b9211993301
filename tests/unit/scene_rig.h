// A scene form on the fake platform, for the scene's tests.
#pragma once

#include <memory>
#include <string>

#include "fakes.h"
#include "scene/frm_tidemar_main.h"
#include "startup/lumz_submain.h"

namespace lumaris::testing {

struct Scene {
    FakePlatform fake;
    FakeFormSurface window{fake.log, fake.screen};
    FakeTimer timer{fake.log};
    FakeMediaControl media{fake.log};
    LumzSubMain module;
    std::unique_ptr<FrmTidemarMain> form;

    Scene(int width, int height) {
        fake.screen.widthPixels = static_cast<float>(width);
        fake.screen.heightPixels = static_cast<float>(height);
        module.AppTitle = " Lumaris";
        form = std::make_unique<FrmTidemarMain>(module, fake.platform, window, timer, media);
    }
    Scene& set(const std::string& key, const std::string& value) {
        fake.store.set(key, value);
        return *this;
    }
    void load() {
        form->Form_Load();
        fake.log.clear();
    }
    CallLog frame() {
        fake.log.clear();
        form->Timer1_Timer();
        return fake.log;
    }
    SceneState& s() { return form->state; }
    // Log entries that start with prefix.
    CallLog only(const std::string& prefix) const {
        CallLog out;
        for (const auto& e : fake.log)
            if (e.rfind(prefix, 0) == 0) out.push_back(e);
        return out;
    }
};

}  // namespace lumaris::testing
