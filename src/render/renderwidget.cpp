#include "render/renderwidget.h"

#include "core/fatalerror.h"
#include "core/log.h"
#include "core/settings.h"
#include "gamedata/database.h"
#include "platform/platform.h"
#include "render/discmarker.h"
#include "render/glerror.h"
#include "render/gridmesh.h"
#include "render/internal/glcore.h"
#include "render/internal/picktarget.h"
#include "render/linebatch.h"
#include "render/materialloader.h"
#include "render/matrixstack.h"
#include "render/overlayimage.h"
#include "render/shaderloader.h"
#include "render/shaderprogram.h"
#include "render/textureloader.h"
#include "render/viewscenehooks.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions_3_2_Core>
#include <QPixmap>
#include <QTimer>
#include <QWheelEvent>

#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>

namespace {

Settings *settings()
{
    return Settings::instance();
}

GLuint programId(ShaderProgram *program)
{
    return program && program->program ? program->program->programId() : 0;
}

QCursor pixmapCursor(const QString &path, Qt::CursorShape fallback)
{
    const QPixmap pixmap(path);
    if (pixmap.isNull()) {
        return QCursor(fallback);
    }
    return QCursor(pixmap, pixmap.width() / 2, pixmap.height() / 2);
}

// The version and extension queries: without these nothing else can be asked.
const char *const requiredFunctions[] = {"glGetString", "glGetStringi", "glGetIntegerv",
                                         "glGetError"};

// The entry points beyond 1.1 the renderer calls; a missing one is only counted.
const char *const optionalFunctions[] = {"glActiveTexture",
                                         "glAttachShader",
                                         "glBindAttribLocation",
                                         "glBindBuffer",
                                         "glBindFramebuffer",
                                         "glBindRenderbuffer",
                                         "glBindVertexArray",
                                         "glBlendFuncSeparate",
                                         "glBlitFramebuffer",
                                         "glBufferData",
                                         "glBufferSubData",
                                         "glCheckFramebufferStatus",
                                         "glCompileShader",
                                         "glCompressedTexImage2D",
                                         "glCreateProgram",
                                         "glCreateShader",
                                         "glDeleteBuffers",
                                         "glDeleteFramebuffers",
                                         "glDeleteProgram",
                                         "glDeleteRenderbuffers",
                                         "glDeleteShader",
                                         "glDeleteVertexArrays",
                                         "glDetachShader",
                                         "glDisableVertexAttribArray",
                                         "glDrawArraysInstanced",
                                         "glDrawBuffers",
                                         "glDrawElementsBaseVertex",
                                         "glEnableVertexAttribArray",
                                         "glFramebufferRenderbuffer",
                                         "glFramebufferTexture",
                                         "glFramebufferTexture2D",
                                         "glGenBuffers",
                                         "glGenFramebuffers",
                                         "glGenRenderbuffers",
                                         "glGenVertexArrays",
                                         "glGenerateMipmap",
                                         "glGetAttribLocation",
                                         "glGetBufferSubData",
                                         "glGetFramebufferAttachmentParameteriv",
                                         "glGetProgramInfoLog",
                                         "glGetProgramiv",
                                         "glGetRenderbufferParameteriv",
                                         "glGetShaderInfoLog",
                                         "glGetShaderiv",
                                         "glGetUniformLocation",
                                         "glLinkProgram",
                                         "glMapBuffer",
                                         "glMapBufferRange",
                                         "glRenderbufferStorage",
                                         "glRenderbufferStorageMultisample",
                                         "glShaderSource",
                                         "glTexImage2DMultisample",
                                         "glUniform1f",
                                         "glUniform1i",
                                         "glUniform3fv",
                                         "glUniform4fv",
                                         "glUniformMatrix3fv",
                                         "glUniformMatrix4fv",
                                         "glUnmapBuffer",
                                         "glUseProgram",
                                         "glVertexAttribPointer",
                                         "glVertexAttribIPointer",
                                         "glBindSampler",
                                         "glGenSamplers",
                                         "glDeleteSamplers",
                                         "glSamplerParameteri",
                                         "glDrawElementsInstancedBaseVertex",
                                         "glTexStorage2D",
                                         "glInvalidateFramebuffer"};

// The shadow pass looks from the light: 45 degrees, aspect 1, near 2, far 250.
glm::mat4 lightProjection()
{
    return glm::perspective(glm::radians(45.0f), 1.0f, 2.0f, 250.0f);
}

} // namespace

QSurfaceFormat viewSurfaceFormat(const QString &msaa, int swapInterval)
{
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(3, 2);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setOption(QSurfaceFormat::DeprecatedFunctions, true);
    format.setAlphaBufferSize(8);
    if (msaa == QLatin1String("Disabled")) {
        format.setSamples(0);
    } else if (const int samples = requestedSampleCount(msaa); samples > 0) {
        format.setSamples(samples);
    }
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(0);
    format.setSwapInterval(swapInterval);
    return format;
}

int requestedSampleCount(const QString &msaa)
{
    if (msaa == QLatin1String("2x")) {
        return 2;
    }
    if (msaa == QLatin1String("4x")) {
        return 4;
    }
    if (msaa == QLatin1String("8x")) {
        return 8;
    }
    if (msaa == QLatin1String("16x")) {
        return 16;
    }
    return 0;
}

RenderWidget::RenderWidget(QWidget *parent, CameraController::Clock clock)
    : QOpenGLWidget(parent)
    , mClock(std::move(clock))
{
    if (!mClock) {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        mClock = [timer]() { return timer->elapsed(); };
    }
    mController = std::make_unique<CameraController>(mClock, this);
    mController->setDialogParent(this);

    mPanCursor = QCursor(Qt::SizeAllCursor);
    mOrbitCursor = pixmapCursor(QStringLiteral(":/icons/Orbit.png"), Qt::ClosedHandCursor);
    mIdleCursor = QCursor(Qt::OpenHandCursor);
    mRollCursor = QCursor(Qt::SizeVerCursor);
    mArmourCursor = pixmapCursor(QStringLiteral(":/icons/cross_hair.png"), Qt::CrossCursor);
    overlayFont.setPointSize(10);
    overlayFont.setStyleStrategy(QFont::PreferAntialias);

    grid = std::make_unique<GridMesh>();
    overlay = std::make_unique<OverlayImage>();
    lineBatch = std::make_unique<LineBatch>();
    marker = std::make_unique<DiscMarker>();

    platform::pinCurrentThreadToOneProcessor();

    // QOpenGLWidget draws into its own framebuffer and is composed by the window:
    // painting on screen or a native child window would defeat that, so those two
    // attributes of the classic GL widget are left off.
    setAcceptDrops(false);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setFocusPolicy(Qt::WheelFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    setCursor(mIdleCursor);

    light = std::make_unique<LightRecord>();
    light->ambient = ambient;

    // Relay the camera's signals as the view's own.
    connect(mController.get(), &CameraController::cameraZoomChanged, this,
            &RenderWidget::cameraZoomChanged);
    connect(mController.get(), &CameraController::cameraFovChanged, this,
            &RenderWidget::cameraFovChanged);
    connect(mController.get(), &CameraController::cameraRotationXChanged, this,
            &RenderWidget::cameraRotationXChanged);
    connect(mController.get(), &CameraController::cameraRotationYChanged, this,
            &RenderWidget::cameraRotationYChanged);
    connect(mController.get(), &CameraController::cameraRotationZChanged, this,
            &RenderWidget::cameraRotationZChanged);
    connect(mController.get(), &CameraController::cameraPositionXChanged, this,
            &RenderWidget::cameraPositionXChanged);
    connect(mController.get(), &CameraController::cameraPositionYChanged, this,
            &RenderWidget::cameraPositionYChanged);
    connect(mController.get(), &CameraController::cameraPositionZChanged, this,
            &RenderWidget::cameraPositionZChanged);

    if (Settings *s = settings()) {
        connect(s, &Settings::shadowMapSizeChanged, this, &RenderWidget::makeFbo);
        connect(s, &Settings::mouseInvertChanged, this, &RenderWidget::mouseInverted);
    }
    mouseInverted();
}

RenderWidget::~RenderWidget()
{
    // The context dies in the base destructor; this object must not hear of it then.
    disconnect(mContextGone);
    // Everything below owns GL names of this widget's context, which goes away
    // right after this body.
    makeCurrent();
    releaseGl();
    grid.reset();
    marker.reset();
    lineBatch.reset();
    overlay.reset();
    MaterialLoader *materials = MaterialLoader::instance();
    if (materials && materials->light == light.get()) {
        materials->light = nullptr;
    }
    light.reset();
    doneCurrent();
}

void RenderWidget::releaseGl()
{
    if (mSceneHooks && initialised) {
        mSceneHooks->releaseScene();
    }
    initialised = false;
    delete mMaterialLoader;
    mMaterialLoader = nullptr;
    delete mTextureLoader;
    mTextureLoader = nullptr;
    shadowMap.destroy();
    // Fresh, empty ones: the next context's initialisation fills them again.
    grid = std::make_unique<GridMesh>();
    marker = std::make_unique<DiscMarker>();
    lineBatch = std::make_unique<LineBatch>();
    overlay = std::make_unique<OverlayImage>();
    delete mShaderLoader;
    mShaderLoader = nullptr;
    delete mMatrixStack;
    mMatrixStack = nullptr;
}

void RenderWidget::contextAboutToBeDestroyed()
{
    // Qt replaces the context when the view moves into another top-level window and
    // runs initializeGL again in the new one: what this one made is freed here, in
    // its own context, never later in the new one.
    logLine(QStringLiteral("Releasing the view's OpenGL objects."), Info);
    disconnect(mContextGone);
    makeCurrent();
    releaseGl();
    doneCurrent();
}

void RenderWidget::setViewportColor(const QColor &colour)
{
    viewportColor = colour;
    emit viewportColorChanged(colour);
}

bool RenderWidget::loadGlFunctions()
{
    for (const char *name : requiredFunctions) {
        if (!platform::resolveGlFunction(name)) {
            return false;
        }
    }
    if (!internal::glCore()) {
        return false;
    }
    missingGlFunctions = 0;
    for (const char *name : optionalFunctions) {
        if (!platform::resolveGlFunction(name)) {
            ++missingGlFunctions;
        }
    }
    if (missingGlFunctions > 0) {
        logLine(QStringLiteral("OpenGL functions not found: ")
                    + QString::number(missingGlFunctions),
                Warning);
    }
    return true;
}

void RenderWidget::initializeGL()
{
    logLine(QStringLiteral("Initialising OpenGL."), Info);
    startUs = platform::performanceCounterMicroseconds();
    mContextGone = connect(context(), &QOpenGLContext::aboutToBeDestroyed, this,
                           &RenderWidget::contextAboutToBeDestroyed, Qt::DirectConnection);

    const QSurfaceFormat format = context()->format();
    // The samples live in the widget's own framebuffer, not in the context's surface;
    // the first frame confirms them.
    sampleBuffers = this->format().samples() > 0;

    if (format.version() < qMakePair(3, 2)) {
        const QString text = tr("OpenGL 3.2 is required.");
        logLine(text, Error);
        fatalError(text);
        return;
    }

    if (!loadGlFunctions()) {
        const QString text = tr("Failed to load OpenGL Functions.");
        logLine(text, Error);
        fatalError(text);
        return;
    }
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();

    auto glText = [gl](GLenum name) {
        return QString::fromLatin1(reinterpret_cast<const char *>(gl->glGetString(name)));
    };
    const QString version = glText(GL_VERSION);
    const QString renderer = glText(GL_RENDERER);
    const QString vendor = glText(GL_VENDOR);
    const QString glsl = glText(GL_SHADING_LANGUAGE_VERSION);
    logLine(QStringLiteral("OpenGL Vendor: ") + vendor, Info);
    logLine(QStringLiteral("OpenGL Renderer: ") + renderer, Info);
    logLine(QStringLiteral("OpenGL Version: ") + version, Info);
    logLine(QStringLiteral("GLSL Version: ") + glsl, Info);
    vendorIsAti = vendor.contains(QLatin1String("ATI"));
    vendorIsNvidia = vendor.contains(QLatin1String("NVIDIA"));
    vendorIsIntel = vendor.contains(QLatin1String("Intel"));

    gl->glEnable(GL_DEPTH_TEST);
    gl->glDepthFunc(GL_LESS);
    gl->glEnable(GL_CULL_FACE);
    gl->glCullFace(GL_BACK);
    gl->glFrontFace(GL_CCW);
    gl->glDisable(GL_MULTISAMPLE);

    const QString shaderDir = settings() && !settings()->shaderDir.isEmpty()
                                  ? settings()->shaderDir
                                  : QStringLiteral("../data/shaders/glsl150");
    mShaderLoader = new ShaderLoader(this, shaderDir);
    if (!mShaderLoader->buildShaders()) {
        const QString text = tr("Shader initialization failed.");
        logLine(text, Error);
        fatalError(text);
        return;
    }

    mMaterialLoader = new MaterialLoader(this);
    mMaterialLoader->defaultIndex = 0;
    if (mSceneHooks) {
        mSceneHooks->createTankLoader();
    }
    mTextureLoader = new TextureLoader(this);
    if (mSceneHooks) {
        mSceneHooks->createCamoLoader();
    }

    // A later context (the view moved into another window) finds the database, the
    // camera, the colour and the hangar choice as the user left them.
    const bool first = !mInitialisedBefore;
    mInitialisedBefore = true;
    if (first && settings() && Database::instance()
        && settings()->checkBrastelPath(settings()->brastelPath)) {
        Database::instance()->rebuildDatabase();
    }

    mMatrixStack = new MatrixStack(this);
    if (mSceneHooks) {
        mSceneHooks->createHangars();
    }
    if (first) {
        usePremiumGarage = settings() && settings()->sceneSet == QLatin1String("premium");
    }

    mMaterialLoader->createDefaultMaterials();
    grid->create(gridSize, programId(mShaderLoader->program(ShaderGrid)));
    if (mSceneHooks) {
        mSceneHooks->loadHangars();
    }
    mMaterialLoader->light = light.get();

    makeFbo();
    if (first) {
        resetCamera();
        if (settings()) {
            setViewportColor(settings()->viewportColor);
        }
    }

    overlay->init(programId(mShaderLoader->program(ShaderFont)));
    lineBatch->init(programId(mShaderLoader->lineProgram));
    marker->build(QColor(QStringLiteral("royalblue")), programId(mShaderLoader->lineProgram));
    marker->setPosition(glm::vec3(999.0f, 999.0f, 999.0f));

    checkGlError(QStringLiteral("render init finished"));
    initialised = true;
    if (mSceneHooks) {
        mSceneHooks->viewReady(this);
    }

    // GL_SAMPLES reads 0 here under Qt 6 (the widget's framebuffer is not made yet),
    // so the multisampling check waits for the first frame.
    GLint textureSize = 0;
    GLint renderbufferSize = 0;
    GLint viewportDims[2] = {0, 0};
    gl->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &textureSize);
    gl->glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbufferSize);
    gl->glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewportDims);
    maxImageSize = std::min({textureSize, renderbufferSize, viewportDims[0], viewportDims[1]});

    logLine(QStringLiteral("OpenGL Initialising complete."), Info);
}

void RenderWidget::checkSamples()
{
    mSamplesChecked = true;
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl) {
        return;
    }
    GLint obtained = 0;
    gl->glGetIntegerv(GL_SAMPLES, &obtained);
    sampleBuffers = obtained > 0;
    const QString msaa = settings() ? settings()->msaa : QString();
    if (msaa == QLatin1String("Disabled")) {
        return;
    }
    const int requested = requestedSampleCount(msaa);
    if (obtained < requested) {
        logLine(QStringLiteral("Requested anti alias setting ") + QString::number(requested)
                    + QStringLiteral(" but got ") + QString::number(obtained),
                Warning);
    }
}

void RenderWidget::resizeGL(int w, int h)
{
    mController->resize(w, h);
    if (QOpenGLFunctions_3_2_Core *gl = internal::glCore()) {
        const QSize pixels = QSize(w, h) * devicePixelRatio();
        gl->glViewport(0, 0, pixels.width(), pixels.height());
    }
}

QSize RenderWidget::framebufferPixels() const
{
    // The widget's size is in logical pixels; its framebuffer is in device pixels.
    return QSize(mController->widthPx, mController->heightPx) * devicePixelRatio();
}

void RenderWidget::paintEvent(QPaintEvent *event)
{
    if (paintBlocked) {
        return;
    }
    QOpenGLWidget::paintEvent(event);
}

void RenderWidget::paintGL()
{
    // grabFramebuffer() paints without a paint event.
    if (paintBlocked) {
        return;
    }
    renderFrame();
}

void RenderWidget::shadowPass()
{
    Settings *s = settings();
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl || !s || !mMaterialLoader || mMaterialLoader->defaultIndex != 0 || !s->showShadows
        || shadowMap.framebuffer() == 0) {
        return;
    }
    // The size makeFbo gave the texture, not the setting: the setting may lie outside
    // what the GPU takes.
    const int size = shadowMap.size();
    gl->glBindFramebuffer(GL_FRAMEBUFFER, shadowMap.framebuffer());
    gl->glViewport(0, 0, size, size);
    gl->glClear(GL_DEPTH_BUFFER_BIT);
    mMatrixStack->lightProjection = lightProjection();
    mMatrixStack->setLightView(
        glm::lookAt(light->position, glm::vec3(0.0f), glm::vec3(0.0f, 1.0f, 0.0f)));
    if (mSceneHooks) {
        mSceneHooks->drawShadowPass();
    }
    gl->glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
}

void RenderWidget::drawScene()
{
    if (gridVisible) {
        grid->draw();
    }
    if (mSceneHooks) {
        if (garageVisible && mController->camera.type == Camera::TypePerspective) {
            mSceneHooks->drawHangar(usePremiumGarage);
        }
        mSceneHooks->drawTank();
    }
    if (armourMode) {
        glm::vec3 start = rayStart;
        glm::vec3 end = rayEnd;
        if (mSceneHooks && !mSceneHooks->shotLine(start, end)) {
            start = rayStart;
            end = rayEnd;
        }
        lineBatch->addLine(end, start, QColor(QStringLiteral("yellow")));
        lineBatch->draw();
        marker->draw();
    }
}

void RenderWidget::renderFrame()
{
    if (!initialised) {
        return;
    }
    if (window()->isMinimized()) {
        return; // the next paint event after the restore restarts the loop
    }
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl) {
        return;
    }
    if (!mSamplesChecked) {
        checkSamples();
    }

    lineBatch->clear();

    const qint64 elapsed = mClock() - lastFrameMs;
    if (autoRotate) {
        mController->autoRotate(double(elapsed));
    }
    lastFrameMs += elapsed;

    shadowPass();
    const QSize pixels = framebufferPixels();
    gl->glViewport(0, 0, pixels.width(), pixels.height());

    const bool transparent = settings() && settings()->screenshotAlpha;
    gl->glClearColor(float(viewportColor.redF()), float(viewportColor.greenF()),
                     float(viewportColor.blueF()), transparent ? 0.0f : 1.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    mMatrixStack->setView(mController->camera);
    if (sampleBuffers) {
        gl->glEnable(GL_MULTISAMPLE);
    }
    drawScene();
    drawOverlayText(pixels.width(), pixels.height(), devicePixelRatioF());
    updateFrameTiming();
    ++framesDrawn;

    // The widget swaps after paintGL; the next frame is asked for at once.
    QTimer::singleShot(0, this, qOverload<>(&QWidget::update));
}

void RenderWidget::drawOverlayText(int width, int height, qreal ratio)
{
    if (!initialised) {
        return;
    }
    OverlayInfo info;
    info.showTankInfo = showTankInfo;
    info.showRenderInfo = showRenderInfo;
    info.avgFps = avgFps;
    info.frameTimeMs = frameTimeMs;
    if (mSceneHooks) {
        mSceneHooks->fillOverlay(
            info, garageVisible && mController->camera.type == Camera::TypePerspective,
            usePremiumGarage);
    }
    overlay->drawTexts(info, overlayFont, width, height, ratio);
}

void RenderWidget::updateFrameTiming()
{
    ++frameCount;
    nowUs = platform::performanceCounterMicroseconds();
    const double elapsed = double(nowUs - startUs) * 0.001;
    frameTimeMs = float(elapsed - elapsedMs);
    elapsedMs = elapsed;
    if (elapsed - fpsWindowStartMs > 1000.0) {
        fps = float(double(frameCount) / (elapsed - fpsWindowStartMs) * 1000.0);
        avgFps = avgFps == 0.0f ? fps : (avgFps + fps) / 2.0f;
        fpsWindowStartMs = elapsed;
        frameCount = 0;
    }
}

void RenderWidget::makeFbo()
{
    makeCurrentIfReady();
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl || !context()) {
        return;
    }
    logLine(QStringLiteral("Creating Shadow Map Texture."), Info);
    const int requested = settings() ? settings()->shadowMapSize : 2048;
    shadowMap.create(requested, defaultFramebufferObject());
    if (TextureLoader *textures = TextureLoader::instance()) {
        textures->shadowTexture = shadowMap.texture();
    }
    checkGlError(QStringLiteral("FBO"));
    logLine(QStringLiteral("Shadow Map size: ") + QString::number(shadowMap.size())
                + QStringLiteral(" x ") + QString::number(shadowMap.size()),
            Info);
}

GlInfo RenderWidget::glInfo()
{
    GlInfo info;
    if (!context()) {
        return info;
    }
    ViewContextGuard guard(this);
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl) {
        return info;
    }
    auto text = [](const GLubyte *bytes) {
        return bytes ? QString::fromLatin1(reinterpret_cast<const char *>(bytes)) : QString();
    };
    info.renderer = text(gl->glGetString(GL_RENDERER));
    info.version = text(gl->glGetString(GL_VERSION));
    info.vendor = text(gl->glGetString(GL_VENDOR));
    info.shadingLanguageVersion = text(gl->glGetString(GL_SHADING_LANGUAGE_VERSION));
    GLint count = 0;
    gl->glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
        info.extensions.append(text(gl->glGetStringi(GL_EXTENSIONS, GLuint(i))));
    }
    return info;
}

QImage RenderWidget::renderToImage(int width, int height, bool transparent)
{
    if (!initialised || width < 1 || height < 1 || width > maxImageSize || height > maxImageSize) {
        return QImage();
    }
    makeCurrent();
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl) {
        return QImage();
    }
    const int oldWidth = mController->widthPx;
    const int oldHeight = mController->heightPx;

    GLint samples = 0;
    gl->glGetIntegerv(GL_SAMPLES, &samples);
    QOpenGLFramebufferObjectFormat format;
    format.setAttachment(QOpenGLFramebufferObject::Depth);
    format.setSamples(samples);
    format.setMipmap(false);
    QOpenGLFramebufferObject target(width, height, format);
    // A size the driver refuses gives an incomplete framebuffer: answer a null image
    // before the camera is touched, so the caller takes its failure path.
    if (!target.isValid()) {
        gl->glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
        return QImage();
    }

    // A local colour: the view's own colour is what the scene settings save.
    QColor clearColour = viewportColor;
    clearColour.setAlphaF(transparent ? 0.0f : 1.0f);

    shadowPass();

    target.bind();
    // The image is sized in its own pixels, whatever the screen's scale.
    mController->resize(width, height);
    gl->glViewport(0, 0, width, height);
    gl->glClearColor(float(clearColour.redF()), float(clearColour.greenF()),
                     float(clearColour.blueF()), float(clearColour.alphaF()));
    gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    mMatrixStack->setView(mController->camera);
    gl->glEnable(GL_MULTISAMPLE);
    lineBatch->clear();
    drawScene();
    // At one pixel per logical pixel, whatever the screen's scale, like the scene.
    drawOverlayText(width, height);

    QImage image = target.toImage();
    target.release();
    gl->glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
    resizeGL(oldWidth, oldHeight);
    if (!sampleBuffers) {
        gl->glDisable(GL_MULTISAMPLE);
    }
    checkGlError(QStringLiteral("renderToImage"));
    return image;
}

CameraRay RenderWidget::armourRayAt(double x, double y)
{
    const int w = width();
    const int h = height();
    // A read that fails or falls outside leaves the preset: a background pick.
    float depth = 1.0f;
    makeCurrentIfReady();
    QOpenGLFunctions_3_2_Core *gl = initialised ? internal::glCore() : nullptr;
    if (gl) {
        const qreal ratio = devicePixelRatioF();
        const int fw = int(w * ratio);
        const int fh = int(h * ratio);
        const glm::ivec2 pixel = depthPixelForPick(x * ratio, y * ratio, fw, fh);

        {
            internal::PickTarget target(defaultFramebufferObject());
            depth = target.readDepth(pixel, depth);
        }
        checkGlError(QStringLiteral("armour ray"));
    }
    return cameraRayThrough(mController->camera, x, y, w, h, depth);
}

void RenderWidget::changeEvent(QEvent *event)
{
    QOpenGLWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        // Without a window manager a restored window gets no paint event.
        update();
    }
}

void RenderWidget::showEvent(QShowEvent *event)
{
    QOpenGLWidget::showEvent(event);
    QWidget *top = window();
    if (top != this && top != mWatchedWindow) {
        if (mWatchedWindow) {
            mWatchedWindow->removeEventFilter(this);
        }
        mWatchedWindow = top;
        top->installEventFilter(this);
    }
}

bool RenderWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == mWatchedWindow && event->type() == QEvent::WindowStateChange) {
        update();
    }
    return QOpenGLWidget::eventFilter(watched, event);
}

void RenderWidget::setNavigationCursor(NavigationCursor cursor)
{
    switch (cursor) {
    case NavigationCursor::Pan: setCursor(mPanCursor); break;
    case NavigationCursor::Orbit: setCursor(mOrbitCursor); break;
    case NavigationCursor::Roll: setCursor(mRollCursor); break;
    case NavigationCursor::Idle: setCursor(mIdleCursor); break;
    case NavigationCursor::Armour: setCursor(mArmourCursor); break;
    }
}

void RenderWidget::mousePressEvent(QMouseEvent *event)
{
    const PressResult result = mController->mousePress(event->position(), event->buttons(),
                                                       event->modifiers(), armourMode);
    if (result.cursor) {
        setNavigationCursor(*result.cursor);
    }
    if (result.castArmourRay) {
        const CameraRay ray = armourRayAt(mController->lastMouseX, mController->lastMouseY);
        rayStart = ray.from;
        rayEnd = ray.to;
        if (mSceneHooks) {
            mSceneHooks->traceShot(ray.from, ray.to);
        }
    }
}

void RenderWidget::mouseReleaseEvent(QMouseEvent *)
{
    setNavigationCursor(mController->mouseRelease(armourMode));
}

void RenderWidget::mouseMoveEvent(QMouseEvent *event)
{
    makeCurrentIfReady();
    mController->mouseMove(event->position(), event->buttons());
}

void RenderWidget::wheelEvent(QWheelEvent *event)
{
    makeCurrentIfReady();
    mController->wheel(event->angleDelta().y());
}

void RenderWidget::makeCurrentIfReady()
{
    if (context()) {
        makeCurrent();
    }
}

void RenderWidget::sceneReload()
{
    if (!initialised || !mSceneHooks) {
        return;
    }
    ViewContextGuard guard(this);
    mSceneHooks->reloadScene();
}

ViewContextGuard::ViewContextGuard(RenderWidget *view)
    : mView(view)
{
    QOpenGLContext *own = view ? view->context() : nullptr;
    QOpenGLContext *current = QOpenGLContext::currentContext();
    if (!own || own == current) {
        return;
    }
    mPrevious = current;
    mPreviousSurface = current ? current->surface() : nullptr;
    view->makeCurrent();
    mSwitched = true;
}

ViewContextGuard::~ViewContextGuard()
{
    if (!mSwitched) {
        return;
    }
    if (mPrevious && mPreviousSurface) {
        mPrevious->makeCurrent(mPreviousSurface);
    } else if (mView) {
        mView->doneCurrent();
    }
}

void RenderWidget::setcameraPositionX(double v)
{
    makeCurrentIfReady();
    mController->setcameraPositionX(v);
}

void RenderWidget::setcameraPositionY(double v)
{
    makeCurrentIfReady();
    mController->setcameraPositionY(v);
}

void RenderWidget::setcameraPositionZ(double v)
{
    makeCurrentIfReady();
    mController->setcameraPositionZ(v);
}

void RenderWidget::setcameraRotationX(double v)
{
    makeCurrentIfReady();
    mController->setcameraRotationX(v);
}

void RenderWidget::setcameraRotationY(double v)
{
    makeCurrentIfReady();
    mController->setcameraRotationY(v);
}

void RenderWidget::setcameraRotationZ(double v)
{
    makeCurrentIfReady();
    mController->setcameraRotationZ(v);
}

void RenderWidget::setCameraFov(int v)
{
    makeCurrentIfReady();
    mController->setCameraFov(v);
}

void RenderWidget::setCameraZoom(int v)
{
    makeCurrentIfReady();
    mController->setCameraZoom(v);
}

void RenderWidget::setAutoRotation(bool on)
{
    autoRotate = on;
}

void RenderWidget::resetCamera()
{
    makeCurrentIfReady();
    mController->resetCamera();
}

void RenderWidget::showGrid(bool hide)
{
    gridVisible = !hide;
}

void RenderWidget::showGarage(bool hide)
{
    garageVisible = !hide;
}

void RenderWidget::toggleGarage(bool premium)
{
    usePremiumGarage = premium;
}

void RenderWidget::toggleText(bool hide)
{
    showTankInfo = !hide;
}

void RenderWidget::toggleRenderInfo(bool hide)
{
    showRenderInfo = !hide;
    overlay->dirty = true;
}

void RenderWidget::changeAmbientLight(int level)
{
    ambient = glm::vec3(float(level) / 255.0f);
    light->ambient = ambient;
}

void RenderWidget::mouseInverted()
{
    if (Settings *s = settings()) {
        mController->setMouseInverted(s->mouseInvertX, s->mouseInvertY);
    }
}

void RenderWidget::cameraTypeChanged(int i)
{
    makeCurrentIfReady();
    mController->cameraTypeChanged(i);
}

void RenderWidget::cameraViewChanged(int i)
{
    makeCurrentIfReady();
    mController->cameraViewChanged(i);
}

void RenderWidget::saveCameraView()
{
    mController->saveCameraView();
}

void RenderWidget::loadCameraView()
{
    makeCurrentIfReady();
    mController->loadCameraView();
}

void RenderWidget::armorToggle(bool on)
{
    armourMode = on;
    lineBatch->clear();
    overlay->dirty = true;
    setCursor(on ? mArmourCursor : mIdleCursor);
}
