#include "font.h"

#include <cmath>
#include <map>

namespace assetgen {

namespace {

std::vector<Point> ellipse(double cx, double cy, double rx, double ry, int steps) {
    std::vector<Point> points;
    for (int i = 0; i <= steps; ++i) {
        const double a = 2 * 3.14159265358979323846 * i / steps;
        points.push_back({cx + rx * dsin(a), cy - ry * dcos(a)});
    }
    return points;
}

const std::map<char, Glyph>& glyphs() {
    static const std::map<char, Glyph> table = {
        {'L', {0.55, {{{0.06, 0}, {0.06, 1}, {0.55, 1}}}}},
        {'u', {0.5, {{{0.05, 0.42}, {0.05, 0.82}, {0.1, 0.95}, {0.25, 1.0}, {0.4, 0.95}, {0.45, 0.85}},
                     {{0.45, 0.42}, {0.45, 1.0}}}}},
        {'m', {0.74, {{{0.05, 1}, {0.05, 0.42}},
                      {{0.05, 0.55}, {0.12, 0.45}, {0.22, 0.42}, {0.32, 0.45}, {0.37, 0.55}, {0.37, 1}},
                      {{0.37, 0.55}, {0.44, 0.45}, {0.54, 0.42}, {0.64, 0.45}, {0.69, 0.55}, {0.69, 1}}}}},
        {'a', {0.5, {{{0.08, 0.5}, {0.18, 0.43}, {0.3, 0.42}, {0.42, 0.47}, {0.45, 0.58}, {0.45, 1.0}},
                     {{0.45, 0.68}, {0.3, 0.66}, {0.15, 0.7}, {0.06, 0.8}, {0.08, 0.93}, {0.2, 1.0}, {0.33, 0.98},
                      {0.45, 0.88}}}}},
        {'r', {0.38, {{{0.05, 0.42}, {0.05, 1}}, {{0.05, 0.6}, {0.13, 0.48}, {0.25, 0.42}, {0.36, 0.44}}}}},
        {'i', {0.16, {{{0.07, 0.42}, {0.07, 1}}, {{0.07, 0.2}, {0.07, 0.23}}}}},
        {'s', {0.43, {{{0.4, 0.48}, {0.3, 0.42}, {0.15, 0.43}, {0.06, 0.5}, {0.08, 0.6}, {0.2, 0.67}, {0.32, 0.73},
                       {0.4, 0.82}, {0.38, 0.93}, {0.27, 1.0}, {0.12, 0.99}, {0.03, 0.92}}}}},
        {'2', {0.5, {{{0.05, 0.22}, {0.12, 0.07}, {0.25, 0.0}, {0.38, 0.05}, {0.45, 0.18}, {0.42, 0.35},
                      {0.3, 0.52}, {0.05, 1.0}, {0.48, 1.0}}}}},
        {'.', {0.16, {{{0.07, 0.96}, {0.07, 0.98}}}}},
        {'0', {0.5, {ellipse(0.25, 0.5, 0.2, 0.5, 40)}}},
        {'1', {0.34, {{{0.06, 0.2}, {0.22, 0.02}, {0.22, 1.0}}}}},
        {' ', {0.3, {}}},
    };
    return table;
}

double segmentDistance(double px, double py, const Point& a, const Point& b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((px - a.x) * dx + (py - a.y) * dy) / len2 : 0;
    t = clamp01(t);
    const double ex = a.x + t * dx - px, ey = a.y + t * dy - py;
    return std::sqrt(ex * ex + ey * ey);
}

constexpr double kSpacing = 0.1;

}  // namespace

const Glyph& glyph(char c) { return glyphs().at(c); }

double textWidth(const std::string& text, double size) {
    double w = 0;
    for (char c : text) w += (glyph(c).width + kSpacing) * size;
    return w - kSpacing * size;
}

double drawText(Image& image, const std::string& text, double x, double y, double size, double thickness,
                const Rgb& color) {
    double pen = x;
    for (char c : text) {
        const Glyph& g = glyph(c);
        for (const auto& stroke : g.strokes) {
            std::vector<Point> pts;
            for (const Point& p : stroke) pts.push_back({pen + p.x * size, y + p.y * size});
            double minX = 1e9, minY = 1e9, maxX = -1e9, maxY = -1e9;
            for (const Point& p : pts) {
                minX = std::min(minX, p.x), minY = std::min(minY, p.y);
                maxX = std::max(maxX, p.x), maxY = std::max(maxY, p.y);
            }
            const int x0 = std::max(0, static_cast<int>(minX - thickness) - 1);
            const int x1 = std::min(image.width - 1, static_cast<int>(maxX + thickness) + 1);
            const int y0 = std::max(0, static_cast<int>(minY - thickness) - 1);
            const int y1 = std::min(image.height - 1, static_cast<int>(maxY + thickness) + 1);
            for (int py = y0; py <= y1; ++py) {
                for (int px = x0; px <= x1; ++px) {
                    double d = 1e9;
                    for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
                        d = std::min(d, segmentDistance(px + 0.5, py + 0.5, pts[i], pts[i + 1]));
                    }
                    const double cover = clamp01(thickness / 2 + 0.5 - d);
                    if (cover > 0) image.at(px, py) = mix(image.at(px, py), color, cover);
                }
            }
        }
        pen += (g.width + kSpacing) * size;
    }
    return pen - x;
}

}  // namespace assetgen
