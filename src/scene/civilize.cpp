// The shore town grows by one piece per call.
#include "platform/platform.h"
#include "runtime/failure.h"
#include "scene/frm_tidemar_main.h"

namespace lumaris {

const std::array<TownPiece, 17>& townPieces() {
    static const std::array<TownPiece, 17> pieces = {{
        {0, 119, 102, 8},   {103, 102, 24, 25}, {493, 53, 33, 74}, {521, 112, 69, 14}, {172, 109, 20, 13},
        {304, 87, 18, 15},  {261, 82, 41, 21},  {149, 59, 30, 19}, {240, 44, 46, 26},  {405, 96, 87, 31},
        {408, 4, 31, 50},   {379, 105, 26, 22}, {296, 105, 83, 22}, {247, 104, 49, 23}, {168, 79, 18, 18},
        {200, 100, 45, 25}, {322, 88, 31, 16},
    }};
    return pieces;
}

void FrmTidemarMain::civilize() {
    trap(platform_.ui, "Error in civilize", [&] {
        if (state.townStage > 50) return;
        state.townStage = static_cast<std::uint8_t>(state.townStage + 1);
        TownPiece piece{0, 0, 0, 0};
        if (state.townStage >= 1 && state.townStage <= 17) piece = townPieces()[state.townStage - 1];
        platform_.gdi.BitBlt(skypicsource, piece.x + kTownLeft, piece.y + kTownTop, piece.width, piece.height,
                             piccivilsource, piece.x, piece.y, Rop::SrcCopy);
    });
}

}  // namespace lumaris
