#pragma once

#include "render/camera.h"
#include "render/cameracontroller.h"
#include "render/shadowmap.h"

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QImage>
#include <QOpenGLWidget>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QSurfaceFormat>

#include <glm/glm.hpp>

#include <memory>

class DiscMarker;
class GridMesh;
class LineBatch;
class MaterialLoader;
class MatrixStack;
class OverlayImage;
class ShaderLoader;
class TextureLoader;
class ViewSceneHooks;
class QOpenGLContext;
class QSurface;
struct LightRecord;

// The format of the program's GL view: OpenGL 3.2 core, alpha, depth 24, no
// stencil, double buffered, the given swap interval, and samples from the settings'
// MSAA text ("Disabled" none, "2x".."16x" that many, anything else the default's).
[[nodiscard]] QSurfaceFormat viewSurfaceFormat(const QString &msaa, int swapInterval);

// The sample count the settings' MSAA text asks for; 0 for "Disabled" or any other text.
[[nodiscard]] int requestedSampleCount(const QString &msaa);

// What the driver of a view's context reports about itself.
struct GlInfo
{
    QString renderer;
    QString version;
    QString vendor;
    QString shadingLanguageVersion;
    QStringList extensions; // in the driver's order
};

// The program's 3D view. Owns the GL context and the rendering services made on it
// (shader, material and texture loaders, matrix stack), the camera and its mouse
// navigation, the grid, the overlay, the ray line and the hit marker; draws them in a
// continuous frame loop that stops while the window is minimised or painting is blocked.
// Needs the Settings service for its whole life.
class RenderWidget : public QOpenGLWidget
{
    Q_OBJECT

public:
    // The clock (milliseconds, monotonic) times auto-rotation and drags; without one the
    // widget runs its own from construction.
    explicit RenderWidget(QWidget *parent = nullptr, CameraController::Clock clock = {});
    ~RenderWidget() override;

    void setViewportColor(const QColor &colour);

    // Renders the scene off-screen into a width x height image; with transparent the
    // background has alpha 0. The view's size, projection and colour are left as they
    // were. A null image when the size is not in 1..maxImageSize or nothing is
    // initialised yet, or when the driver refuses a framebuffer of that size.
    QImage renderToImage(int width, int height, bool transparent);

    // The driver's strings and extension names, read with the view's context current;
    // all empty before the context exists.
    GlInfo glInfo();

    // The pick ray through window point (x, y) (logical pixels, top-left origin), from
    // the depth drawn there; a point outside the view reads the nearest edge pixel.
    CameraRay armourRayAt(double x, double y);

    // One frame (the body of paintGL); returns at once unless initialised.
    void renderFrame();
    // Draws the overlay into a width x height framebuffer (pixels) holding ratio
    // pixels per logical pixel.
    void drawOverlayText(int width, int height, qreal ratio = 1.0);

    CameraController &cameraController() { return *mController; }

    // The tank, hangars and collision world; not owned, null unregisters. Set before
    // the view is first shown: initialisation calls it.
    void setSceneHooks(ViewSceneHooks *hooks) { mSceneHooks = hooks; }
    ViewSceneHooks *sceneHooks() const { return mSceneHooks; }

    bool initialised = false;
    bool showTankInfo = true;
    bool showRenderInfo = false;
    qint64 lastFrameMs = 0;
    bool autoRotate = false;
    int gridSize = 20;
    QColor viewportColor;
    bool gridVisible = true;
    bool garageVisible = true;
    bool usePremiumGarage = false;
    glm::vec3 ambient {127.0f / 255.0f};
    std::unique_ptr<LightRecord> light;
    QFont overlayFont;
    float fps = 0.0f;
    float avgFps = 0.0f;
    // Absolute times in double: a float holding ms since start loses whole
    // milliseconds after a few hours.
    double elapsedMs = 0.0;
    float frameTimeMs = 0.0f;
    double fpsWindowStartMs = 0.0;
    int frameCount = 0;
    qint64 startUs = 0;
    qint64 nowUs = 0;
    // Made by makeFbo; its side is the setting, clamped to what the GPU takes.
    ShadowMap shadowMap;
    bool sampleBuffers = false;
    bool paintBlocked = false;
    bool vendorIsAti = false;
    bool vendorIsNvidia = false;
    bool vendorIsIntel = false;
    bool armourMode = false;
    int maxImageSize = 0;
    // The ends of the last armour shot, drawn as the ray line in armour mode.
    glm::vec3 rayStart {0.0f};
    glm::vec3 rayEnd {0.0f};
    // Frames drawn since construction.
    qint64 framesDrawn = 0;
    // Entry points that could not be resolved at initialisation.
    int missingGlFunctions = 0;

    std::unique_ptr<GridMesh> grid;
    std::unique_ptr<OverlayImage> overlay;
    std::unique_ptr<LineBatch> lineBatch;
    std::unique_ptr<DiscMarker> marker;

signals:
    void cameraZoomChanged(int zoom);
    void cameraFovChanged(int fov);
    void viewportColorChanged(const QColor &colour);
    void cameraRotationXChanged(double v);
    void cameraRotationYChanged(double v);
    void cameraRotationZChanged(double v);
    void cameraPositionXChanged(double v);
    void cameraPositionYChanged(double v);
    void cameraPositionZChanged(double v);

public slots:
    void setcameraPositionX(double v);
    void setcameraPositionY(double v);
    void setcameraPositionZ(double v);
    void setcameraRotationX(double v);
    void setcameraRotationY(double v);
    void setcameraRotationZ(double v);
    void setCameraFov(int v);
    void setCameraZoom(int v);
    void setAutoRotation(bool on);
    void resetCamera();
    void showGrid(bool hide);
    void showGarage(bool hide);
    void toggleGarage(bool premium);
    void toggleText(bool hide);
    void toggleRenderInfo(bool hide);
    // The ambient light from a level of 0..255, in every colour channel.
    void changeAmbientLight(int level);
    void makeFbo();
    void mouseInverted();
    void cameraTypeChanged(int i);
    void cameraViewChanged(int i);
    void saveCameraView();
    void loadCameraView();
    void armorToggle(bool on);
    // The hangars and the tank again, from their files.
    void sceneReload();

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    bool loadGlFunctions();
    void checkSamples();
    void shadowPass();
    void drawScene();
    void updateFrameTiming();
    // The current view size in framebuffer pixels.
    [[nodiscard]] QSize framebufferPixels() const;
    void setNavigationCursor(NavigationCursor cursor);
    // Makes the context current when it exists; slots that touch GL call it first.
    void makeCurrentIfReady();
    // Frees what initializeGL made (the scene first), leaving empty members; the
    // context is current.
    void releaseGl();
    void contextAboutToBeDestroyed();

    CameraController::Clock mClock;
    std::unique_ptr<CameraController> mController;
    QCursor mPanCursor;
    QCursor mOrbitCursor;
    QCursor mIdleCursor;
    QCursor mRollCursor;
    QCursor mArmourCursor;
    bool mSamplesChecked = false;
    QPointer<QWidget> mWatchedWindow;
    ViewSceneHooks *mSceneHooks = nullptr;
    QMetaObject::Connection mContextGone;
    // An earlier context was initialised: the next one keeps the view's state.
    bool mInitialisedBefore = false;

    // Made by initializeGL and deleted in the destructor while the context is current.
    ShaderLoader *mShaderLoader = nullptr;
    MaterialLoader *mMaterialLoader = nullptr;
    TextureLoader *mTextureLoader = nullptr;
    MatrixStack *mMatrixStack = nullptr;

    Q_DISABLE_COPY(RenderWidget)
};

// Makes the view's context current for a scope and restores the context that was
// current before. Does nothing when the view's context is already current or not
// made yet. Every operation outside painting that creates or deletes GL names
// (loading a tank, reloading the scene) holds one.
class ViewContextGuard
{
public:
    explicit ViewContextGuard(RenderWidget *view);
    ~ViewContextGuard();

private:
    RenderWidget *mView = nullptr;
    QOpenGLContext *mPrevious = nullptr;
    QSurface *mPreviousSurface = nullptr;
    bool mSwitched = false;

    Q_DISABLE_COPY(ViewContextGuard)
};
