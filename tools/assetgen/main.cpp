// The asset generator: draws every built-in picture and the sea sound from
// fixed seeds and writes them as the files the program embeds.
//
//   assetgen OUTPUT_FOLDER                 writes the asset files
//   assetgen --contact-sheet FILE.png      writes an overview of all pictures
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>

#include "common.h"
#include "pictures.h"

using namespace assetgen;

namespace {

void blit(Image& to, const Image& from, int x0, int y0) {
    for (int y = 0; y < from.height; ++y)
        for (int x = 0; x < from.width; ++x) {
            if (x + x0 >= 0 && x + x0 < to.width && y + y0 >= 0 && y + y0 < to.height) {
                to.at(x + x0, y + y0) = from.at(x, y);
            }
        }
}

// The sky with the first `stage` town pieces pasted in, as the program does.
Image skyAtStage(const SkyAndTown& st, int stage) {
    Image sky = toImage(st.sky);
    const Image town = toImage(st.town);
    for (int i = 0; i < stage; ++i) {
        const Piece& p = townPieces()[i];
        for (int y = p.y; y < p.y + p.h; ++y)
            for (int x = p.x; x < p.x + p.w; ++x) sky.at(x + kTownX, y + kTownY) = town.at(x, y);
    }
    return sky;
}

Image contactSheet() {
    const SkyAndTown st = makeSkyAndTown();
    const Indexed sea = makeSea(), night = makeNightSea(), moon = makeMoon(), splash = makeSplash(),
                  balloon = makeBalloon(), preview = makePreview();
    Image sheet(1840, 1700);
    for (Rgb& c : sheet.pixels) c = rgb255(48, 48, 52);
    // The complete town on the sky, with the day sea below.
    const Image fullSky = skyAtStage(st, 17);
    blit(sheet, fullSky, 10, 10);
    Image seaImage = toImage(sea);
    Image band(1820, 350);
    for (int y = 0; y < 350; ++y)
        for (int x = 0; x < 1820; ++x) band.at(x, y) = seaImage.at(x % 1024, y);
    blit(sheet, band, 10, 420);
    // The town as it grows: stages 0, 4, 8, 12 and 17.
    int x = 10;
    for (int stage : {0, 4, 8, 12, 17}) {
        const Image sky = skyAtStage(st, stage);
        Image crop(300, 150);
        for (int yy = 0; yy < 150; ++yy)
            for (int xx = 0; xx < 300; ++xx) crop.at(xx, yy) = sky.at(1150 + xx, 260 + yy);
        blit(sheet, crop, x, 780);
        x += 310;
    }
    // The night sea, moon, splash, balloon (image, mask, drawn over the sky)
    // and the preview picture.
    blit(sheet, toImage(night), 10, 940);
    blit(sheet, toImage(moon), 1050, 940);
    blit(sheet, toImage(splash), 1130, 940);
    const Image balloonImage = toImage(balloon);
    blit(sheet, balloonImage, 1420, 940);
    Image over(66, 86);
    for (int yy = 0; yy < 86; ++yy)
        for (int xx = 0; xx < 66; ++xx) {
            const Color8 bg = to8(fullSky.at(1300 + xx, 150 + yy));
            const Color8 m = balloon.color(xx, yy + 86), im = balloon.color(xx, yy);
            over.at(xx, yy) = rgb255((bg.r & m.r) | im.r, (bg.g & m.g) | im.g, (bg.b & m.b) | im.b);
        }
    blit(sheet, over, 1500, 940);
    blit(sheet, toImage(preview), 1600, 940);
    return sheet;
}

}  // namespace

int run(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--contact-sheet") == 0) {
        writeFile(argv[2], png(contactSheet()));
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: assetgen OUTPUT_FOLDER | assetgen --contact-sheet FILE.png\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::filesystem::create_directories(dir);
    const SkyAndTown st = makeSkyAndTown();
    writeFile(dir + "/skypicsource.bmp", bmp8(st.sky, 256));
    writeFile(dir + "/piccivilsource.bmp", bmp8(st.town, 128));
    writeFile(dir + "/waterpicsource.bmp", bmp8(makeSea(), 256));
    writeFile(dir + "/picDarkWater.bmp", bmp4(makeNightSea()));
    writeFile(dir + "/picMoon.bmp", bmp8(makeMoon(), 128));
    writeFile(dir + "/splashpic.bmp", bmp8(makeSplash(), 128));
    writeFile(dir + "/picBalloon.bmp", bmp8(makeBalloon(), 256));
    writeFile(dir + "/preview.gif", gif(makePreview()));
    writeFile(dir + "/TIDEMAR.wav", wave(makeSeaSound(), 16000, 2));
    return 0;
}

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "assetgen: %s\n", error.what());
        return 1;
    }
}
