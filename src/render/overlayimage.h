#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <QVector>

#include <memory>

using GLuint = unsigned int;

// What the text overlay shows.
struct OverlayInfo
{
    bool showTankInfo = true;
    bool showRenderInfo = false;
    QString nation;
    QString name;
    QString category;
    QString tier;
    QString hitPoints;
    float avgFps = 0.0f;
    float frameTimeMs = 0.0f;
    qint64 tankTriangles = 0;
    qint64 hangarTriangles = 0; // 0 while the hangar is hidden
};

// One line of overlay text; (x, y) is the start of its base line in image pixels.
struct OverlayLine
{
    int x = 0;
    int y = 0;
    QColor colour;
    QString text;
};

// The overlay's lines: the tank block (white) from y 15, then the statistics
// (yellow) from y 100, or from y 15 without the tank block.
[[nodiscard]] QVector<OverlayLine> overlayLines(const OverlayInfo &info);
// Clears the image to transparent and paints the lines on it.
void paintOverlayLines(QImage &image, const QVector<OverlayLine> &lines, const QFont &font);
// The image as GL texture rows: RGBA bytes, bottom row first.
[[nodiscard]] QImage overlayTextureImage(const QImage &image);

// The text overlay in the view's top-left corner: a 512 x 512 image (in logical
// pixels) drawn one texel per framebuffer pixel through a textured quad. On a scaled
// screen the image holds pixelRatio texels per logical pixel, so the text keeps its
// size beside the scaled scene and stays sharp. Empty until init(); safe to destroy
// without a context.
class OverlayImage
{
public:
    static constexpr int size = 512;

    OverlayImage();
    ~OverlayImage();
    OverlayImage(const OverlayImage &) = delete;
    OverlayImage &operator=(const OverlayImage &) = delete;

    // Needs a current context; fontProgram samples "diffuseMap0".
    void init(GLuint fontProgram);
    // Repaints the image when needed and draws it; with both blocks hidden nothing
    // is drawn and nothing uploaded. The viewport is in framebuffer pixels; ratio is
    // framebuffer pixels per logical pixel (a new ratio resizes and repaints the image).
    void drawTexts(const OverlayInfo &info, const QFont &font, int viewportWidth,
                   int viewportHeight, qreal ratio = 1.0);
    // Draws the image; uploads it first when dirty. Leaves the viewport at the full
    // view, blending off and the depth test on.
    void draw(int viewportWidth, int viewportHeight);

    GLuint program = 0;
    GLuint texture = 0;
    std::unique_ptr<QImage> image;
    bool dirty = false;
    GLuint quad = 0;
    GLuint quadArray = 0;
    int uploadCount = 0;    // texture uploads so far
    qreal pixelRatio = 1.0; // texels per logical pixel of the image
    int pixelSize = size;   // side of the image and the texture in texels

private:
    void destroy();
    // Makes the image and the texture storage for the ratio; both start transparent.
    void allocate(qreal ratio);
};
