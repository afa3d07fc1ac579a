#pragma once

#include "render/camera.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <QPoint>
#include <QTemporaryDir>

#include <cmath>

// Window row and column of a world point in a width x height picture of the camera.
inline QPoint projectToImage(const Camera &camera, const glm::vec3 &world, int width, int height)
{
    const glm::vec4 clip = camera.projection * camera.view * glm::vec4(world, 1.0f);
    const glm::vec3 ndc = glm::vec3(clip) / clip.w;
    return QPoint(int(std::floor((ndc.x + 1.0f) * 0.5f * float(width))),
                  int(std::floor((1.0f - ndc.y) * 0.5f * float(height))));
}

// Whether some pixel within radius pixels of p passes the test.
template <typename Test> bool nearPixel(const QImage &image, const QPoint &p, int radius, Test test)
{
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            const QPoint q = p + QPoint(dx, dy);
            if (image.rect().contains(q) && test(image.pixelColor(q))) {
                return true;
            }
        }
    }
    return false;
}

// A program tree (bin, data) in a temporary folder, with the working folder in its
// bin for as long as it lives, so that "../data/" names its data.
class ViewTestTree
{
public:
    ViewTestTree()
        : mOldCwd(QDir::currentPath())
    {
        mReady = mTemp.isValid() && QDir(mTemp.path()).mkpath(QStringLiteral("bin"))
                 && QDir(mTemp.path()).mkpath(QStringLiteral("data"))
                 && QDir::setCurrent(mTemp.filePath(QStringLiteral("bin")));
    }
    ~ViewTestTree() { QDir::setCurrent(mOldCwd); }

    bool ready() const { return mReady; }
    QString path() const { return mTemp.path(); }

private:
    QTemporaryDir mTemp;
    QString mOldCwd;
    bool mReady = false;
};
