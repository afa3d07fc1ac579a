#pragma once

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_2_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <QSurfaceFormat>

#include <memory>

enum class OffscreenGl { Ready, NoContext, Failed };

// Makes an OpenGL 3.2 core context current on an offscreen surface, for GL tests.
inline OffscreenGl createOffscreenGl(std::unique_ptr<QOpenGLContext> &context,
                                     std::unique_ptr<QOffscreenSurface> &surface,
                                     QOpenGLFunctions_3_2_Core *&gl)
{
    QSurfaceFormat format;
    format.setVersion(3, 2);
    format.setProfile(QSurfaceFormat::CoreProfile);
    context = std::make_unique<QOpenGLContext>();
    context->setFormat(format);
    if (!context->create()) {
        return OffscreenGl::NoContext;
    }
    surface = std::make_unique<QOffscreenSurface>();
    surface->setFormat(context->format());
    surface->create();
    if (!context->makeCurrent(surface.get())) {
        return OffscreenGl::Failed;
    }
    gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_2_Core>(context.get());
    if (!gl || !gl->initializeOpenGLFunctions()) {
        return OffscreenGl::Failed;
    }
    return OffscreenGl::Ready;
}

#define HULLSCOPE_REQUIRE_OFFSCREEN_GL(context, surface, gl)                                       \
    do {                                                                                           \
        const OffscreenGl state = createOffscreenGl(context, surface, gl);                         \
        if (state == OffscreenGl::NoContext) {                                                     \
            QSKIP("no OpenGL 3.2 core context");                                                   \
        }                                                                                          \
        QVERIFY2(state == OffscreenGl::Ready, "OpenGL context not usable");                        \
    } while (false)
