#include "render/overlayimage.h"

#include "render/internal/glcore.h"

#include <QCoreApplication>
#include <QOpenGLFunctions_3_2_Core>
#include <QPainter>

#include <cmath>

namespace {

QString trView(const char *text)
{
    return QCoreApplication::translate("RenderWidget", text);
}

QString number(float v)
{
    return QString::number(double(v), 'g', 6);
}

// Top-left corner of the image: 1 pixel from the left, 5 below the top.
constexpr int overlayLeft = 1;
constexpr int overlayTopGap = 5;

} // namespace

QVector<OverlayLine> overlayLines(const OverlayInfo &info)
{
    // Marked here so that lupdate lists them; translated when drawn.
    static const char *const tankLabels[] = {
        QT_TRANSLATE_NOOP("RenderWidget", "Nation"), QT_TRANSLATE_NOOP("RenderWidget", "Name"),
        QT_TRANSLATE_NOOP("RenderWidget", "Category"), QT_TRANSLATE_NOOP("RenderWidget", "Tier"),
        QT_TRANSLATE_NOOP("RenderWidget", "Hit Points")};
    static const char *const renderLabels[] = {
        QT_TRANSLATE_NOOP("RenderWidget", "Avg FPS: "),
        QT_TRANSLATE_NOOP("RenderWidget", "Frame Time(ms): "),
        QT_TRANSLATE_NOOP("RenderWidget", "Tank Triangle count: "),
        QT_TRANSLATE_NOOP("RenderWidget", "Total Scene Triangle count: ")};

    QVector<OverlayLine> lines;
    int start = 15;
    if (info.showTankInfo) {
        const QColor white(Qt::white);
        const QString sep = QStringLiteral(": ");
        const QString values[] = {info.nation, info.name, info.category, info.tier, info.hitPoints};
        for (int i = 0; i < 5; ++i) {
            lines.append({10, 15 + 17 * i, white, trView(tankLabels[i]) + sep + values[i]});
        }
        start = 100;
    }
    if (info.showRenderInfo) {
        const QColor yellow(Qt::yellow);
        const QString values[] = {number(info.avgFps), number(info.frameTimeMs),
                                  QString::number(info.tankTriangles),
                                  QString::number(info.hangarTriangles + info.tankTriangles)};
        for (int i = 0; i < 4; ++i) {
            lines.append({10, start + 17 * i, yellow, trView(renderLabels[i]) + values[i]});
        }
    }
    return lines;
}

void paintOverlayLines(QImage &image, const QVector<OverlayLine> &lines, const QFont &font)
{
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setFont(font);
    for (const OverlayLine &line : lines) {
        painter.setPen(line.colour);
        painter.drawText(line.x, line.y, line.text);
    }
}

QImage overlayTextureImage(const QImage &image)
{
    // GL's first texture row is the bottom one.
    return image.convertToFormat(QImage::Format_RGBA8888).mirrored(false, true);
}

OverlayImage::OverlayImage() = default;

OverlayImage::~OverlayImage()
{
    destroy();
}

void OverlayImage::destroy()
{
    if (texture == 0 && quad == 0 && quadArray == 0) {
        return;
    }
    if (QOpenGLFunctions_3_2_Core *gl = internal::glCore()) {
        gl->glDeleteTextures(1, &texture);
        gl->glDeleteBuffers(1, &quad);
        gl->glDeleteVertexArrays(1, &quadArray);
    }
    texture = 0;
    quad = 0;
    quadArray = 0;
}

void OverlayImage::init(GLuint fontProgram)
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl) {
        return;
    }
    destroy();
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glGenTextures(1, &texture);
    gl->glBindTexture(GL_TEXTURE_2D, texture);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    allocate(1.0);

    program = fontProgram;

    // Two triangles covering the viewport.
    static const float corners[] = {-1, -1, 0, 1, -1, 0, -1, 1, 0, -1, 1, 0, 1, -1, 0, 1, 1, 0};
    gl->glGenVertexArrays(1, &quadArray);
    gl->glGenBuffers(1, &quad);
    gl->glBindVertexArray(quadArray);
    gl->glBindBuffer(GL_ARRAY_BUFFER, quad);
    gl->glBufferData(GL_ARRAY_BUFFER, sizeof(corners), corners, GL_STATIC_DRAW);
    gl->glEnableVertexAttribArray(0);
    gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 12, nullptr);
    gl->glBindVertexArray(0);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);

    dirty = true;
}

void OverlayImage::allocate(qreal ratio)
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl || texture == 0) {
        return;
    }
    pixelRatio = ratio;
    pixelSize = int(std::ceil(size * ratio));
    image = std::make_unique<QImage>(pixelSize, pixelSize, QImage::Format_ARGB32);
    // The painter then works in logical pixels, as the line layout does.
    image->setDevicePixelRatio(ratio);
    image->fill(Qt::transparent);

    const QImage bytes = overlayTextureImage(*image);
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindTexture(GL_TEXTURE_2D, texture);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, pixelSize, pixelSize, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     bytes.constBits());
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    dirty = true;
}

void OverlayImage::drawTexts(const OverlayInfo &info, const QFont &font, int viewportWidth,
                             int viewportHeight, qreal ratio)
{
    if (!info.showTankInfo && !info.showRenderInfo) {
        return;
    }
    if (!(ratio > 0.0)) {
        ratio = 1.0;
    }
    if (ratio != pixelRatio) {
        allocate(ratio);
    }
    if (info.showRenderInfo) {
        dirty = true; // the statistics change every frame
    }
    if (dirty && image) {
        paintOverlayLines(*image, overlayLines(info), font);
    }
    draw(viewportWidth, viewportHeight);
}

void OverlayImage::draw(int viewportWidth, int viewportHeight)
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl || texture == 0 || !image) {
        return;
    }
    gl->glDisable(GL_DEPTH_TEST);
    gl->glEnable(GL_BLEND);
    gl->glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindTexture(GL_TEXTURE_2D, texture);
    if (dirty) {
        const QImage bytes = overlayTextureImage(*image);
        gl->glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, pixelSize, pixelSize, GL_RGBA, GL_UNSIGNED_BYTE,
                            bytes.constBits());
        dirty = false;
        ++uploadCount;
    }
    // The gaps to the view's edges are logical pixels too.
    const int left = qRound(overlayLeft * pixelRatio);
    const int topGap = qRound(overlayTopGap * pixelRatio);
    gl->glViewport(left, viewportHeight - pixelSize - topGap, pixelSize, pixelSize);
    gl->glUseProgram(program);
    gl->glUniform1i(gl->glGetUniformLocation(program, "diffuseMap0"), 0);
    gl->glBindVertexArray(quadArray);
    gl->glDrawArrays(GL_TRIANGLES, 0, 6);
    gl->glBindVertexArray(0);
    gl->glUseProgram(0);
    gl->glViewport(0, 0, viewportWidth, viewportHeight);
    gl->glDisable(GL_BLEND);
    gl->glEnable(GL_DEPTH_TEST);
}
