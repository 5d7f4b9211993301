#include "preview/frm_preview.h"

#include "platform/platform.h"
#include "runtime/product.h"

namespace lumaris {

std::string creditText() {
    return std::string("Quennaway\r\nVesmire\r\nScreensavers\r\nfrom\r\n\r\n") + kPublisherHost;
}

FrmPreview::FrmPreview(Platform& platform, FormSurface& window, Timer& timer)
    : Label1{"Label1", rgb(255, 255, 0), 20, 0, true, 119, true, true},
      Timer1(timer),
      platform_(platform),
      window_(window),
      picture_(platform.pictures.Load("preview", rgb(0, 0, 0))) {
    Timer1.SetInterval(kPreviewTimerInterval);
    window_.AddLabel(Label1);
    window_.OnResize([this] { Form_Paint(); });
    Form_Paint();
}

void FrmPreview::Form_Paint() {
    Surface& image = window_.Image();
    image.clear();
    platform_.gdi.BitBlt(image, 0, 0, picture_.width(), picture_.height(), picture_, 0, 0, Rop::SrcCopy);
}

void FrmPreview::Form_Load() {
    Label1.caption = creditText();
    Label1.top = scaleHeight();
}

void FrmPreview::Timer1_Timer() {
    Label1.top = Label1.top - 1;
    if (Label1.top + window_.LabelHeight(Label1) < 0) Label1.top = scaleHeight();
    window_.Refresh();
}

}  // namespace lumaris
