#include "leviathan.h"

#include "tank/tankloader.h"
#include "tank/tankscene.h"

#include "render/indexbuffer.h"
#include "render/internal/glcore.h"
#include "render/material.h"
#include "render/materialloader.h"
#include "render/matrixstack.h"
#include "render/meshplacement.h"
#include "render/renderwidget.h"
#include "render/shaderprogram.h"
#include "render/vertexattribute.h"
#include "render/vertexbuffer.h"
#include "render/visual.h"

#include "gamedata/database.h"

#include "core/dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QImage>
#include <QOpenGLFunctions_3_2_Core>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>

#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

// One frame of the large sample's V99_Leviathan at 1920x1080 with the 2048 shadow
// pass and MSAA 4x, drawn by the tank passes and, in the same run, by a bare loop
// over the same groups and materials.

namespace {

double median(std::vector<double> values)
{
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

qint64 differingPixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size()) {
        return qint64(std::max(a.width() * a.height(), b.width() * b.height()));
    }
    qint64 count = 0;
    for (int y = 0; y < a.height(); ++y) {
        const QRgb *left = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const QRgb *right = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (std::abs(qRed(left[x]) - qRed(right[x])) > 2
                || std::abs(qGreen(left[x]) - qGreen(right[x])) > 2
                || std::abs(qBlue(left[x]) - qBlue(right[x])) > 2) {
                ++count;
            }
        }
    }
    return count;
}

// The least a frame of the tank takes: each group's material bound with its
// camouflage, six matrix uniforms through locations looked up once, its index range
// drawn, its texture units freed. No overrides, hidden flags, matrix stack or other
// state resets between groups.
class BareTankLoop
{
public:
    void draw(TankLoader *loader, int pass)
    {
        QOpenGLFunctions_3_2_Core *gl = internal::glCore();
        MaterialLoader *materials = MaterialLoader::instance();
        const MatrixStack *stack = MatrixStack::instance();
        if (!gl || !loader || !loader->loaded || !materials || !stack) {
            return;
        }
        if (mParts.empty()) {
            collect(loader);
        }
        const bool mainPass = pass != 0;
        Material *depth = materials->depthMaterial;
        if (!mainPass) {
            if (!depth || !depth->program) {
                return;
            }
            depth->bind();
            gl->glEnable(GL_CULL_FACE);
        }
        for (const Part &part : mParts) {
            const MeshMatrices matrices = meshMatrices(part.placement, mainPass);
            for (const Geometry &geometry : part.geometries) {
                gl->glBindVertexArray(geometry.vao);
                for (GLuint attribute : geometry.attributes) {
                    gl->glEnableVertexAttribArray(attribute);
                }
                gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, geometry.indices);
                if (!mainPass) {
                    setMatrices(gl, depth->program, part.placement, matrices, stack);
                }
                for (const Group &group : geometry.groups) {
                    if (mainPass) {
                        group.material->bind();
                        // Without the camouflage values the picture differs; the
                        // part's camouflage state is the one its last draw read.
                        if (part.mesh) {
                            part.mesh->drawGroups(group.material);
                        }
                        setMatrices(gl, group.material->program, part.placement, matrices, stack);
                    }
                    gl->glDrawElements(GL_TRIANGLES, group.range.indexCount, group.range.indexType,
                                       reinterpret_cast<const void *>(group.range.byteOffset));
                    if (mainPass) {
                        // A sampler the next material leaves unset would read these.
                        for (int unit = 0; unit < group.material->textures.size(); ++unit) {
                            gl->glActiveTexture(GL_TEXTURE0 + GLenum(unit));
                            gl->glBindTexture(GL_TEXTURE_2D, 0);
                        }
                    }
                }
            }
        }
        gl->glBindVertexArray(0);
        gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        gl->glDisable(GL_BLEND);
        gl->glDisable(GL_CULL_FACE);
        gl->glUseProgram(0);
        gl->glActiveTexture(GL_TEXTURE0);
        gl->glBindTexture(GL_TEXTURE_2D, 0);
    }

    int groupCount() const
    {
        int count = 0;
        for (const Part &part : mParts) {
            for (const Geometry &geometry : part.geometries) {
                count += int(geometry.groups.size());
            }
        }
        return count;
    }

private:
    struct Group
    {
        Material *material = nullptr;
        GroupDrawRange range;
    };
    struct Geometry
    {
        GLuint vao = 0;
        GLuint indices = 0;
        std::vector<GLuint> attributes;
        std::vector<Group> groups;
    };
    struct Part
    {
        TankMesh *mesh = nullptr;
        glm::mat4 placement {1.0f};
        std::vector<Geometry> geometries;
    };
    struct Locations
    {
        GLint mvp = -1, modelView = -1, modelView3 = -1, model = -1, normal = -1, depthBias = -1;
    };

    // The undamaged parts with the model matrices the passes give them.
    void collect(TankLoader *loader)
    {
        Mesh *chassis = loader->parts().mesh(TankPart::Chassis, Undamaged);
        Mesh *hull = loader->parts().mesh(TankPart::Hull, Undamaged);
        Mesh *turret = loader->parts().mesh(TankPart::Turret, Undamaged);
        Mesh *gun = loader->parts().mesh(TankPart::Gun, Undamaged);
        const glm::mat4 tank = loader->tankRotation;
        const glm::mat4 onHull =
            tank * hull->model * loader->turretTransform(hull->position + turret->position);
        const glm::mat4 onTurret = onHull * turret->model * loader->gunTransform(gun->position);
        add(chassis, tank * chassis->model);
        add(hull, tank * hull->model);
        add(turret, onHull * turret->model);
        add(gun, onTurret * gun->model);
    }

    void add(Mesh *mesh, const glm::mat4 &placement)
    {
        Part part;
        part.mesh = dynamic_cast<TankMesh *>(mesh);
        part.placement = placement;
        for (VisualRenderSet &set : mesh->visual->renderSets) {
            for (VisualGeometryEntry &entry : set.geometries) {
                if (!entry.vertexBuffer || !entry.indexBuffer) {
                    continue;
                }
                Geometry geometry;
                geometry.vao = entry.vertexBuffer->vao;
                geometry.indices = entry.indexBuffer->buffer();
                for (const VertexAttribute *attribute : entry.vertexBuffer->attributes) {
                    geometry.attributes.push_back(attribute->location);
                }
                for (const PrimitiveGroupMaterials &group : entry.groups) {
                    Material *material = group.materials.value(0, nullptr);
                    const std::optional<GroupDrawRange> range =
                        groupDrawRange(*entry.indexBuffer, group.groupIndex);
                    if (material && material->program && !material->hidden && range) {
                        geometry.groups.push_back({material, *range});
                    }
                }
                part.geometries.push_back(std::move(geometry));
            }
        }
        mParts.push_back(std::move(part));
    }

    void setMatrices(QOpenGLFunctions_3_2_Core *gl, ShaderProgram *program,
                     const glm::mat4 &placement, const MeshMatrices &m, const MatrixStack *stack)
    {
        auto it = mLocations.find(program);
        if (it == mLocations.end()) {
            Locations l;
            l.mvp = program->uniform(QStringLiteral("ModelViewProj"));
            l.modelView = program->uniform(QStringLiteral("ModelView"));
            l.modelView3 = program->uniform(QStringLiteral("ModelView3"));
            l.model = program->uniform(QStringLiteral("Model"));
            l.normal = program->uniform(QStringLiteral("NormalMatrix"));
            l.depthBias = program->uniform(QStringLiteral("DepthBias"));
            it = mLocations.insert(program, l);
        }
        const Locations &l = *it;
        const glm::mat3 modelView3(m.modelView);
        gl->glUniformMatrix4fv(l.mvp, 1, GL_FALSE, glm::value_ptr(m.mvp));
        gl->glUniformMatrix4fv(l.modelView, 1, GL_FALSE, glm::value_ptr(m.modelView));
        gl->glUniformMatrix3fv(l.modelView3, 1, GL_FALSE, glm::value_ptr(modelView3));
        gl->glUniformMatrix4fv(l.model, 1, GL_FALSE, glm::value_ptr(placement));
        gl->glUniformMatrix3fv(l.normal, 1, GL_FALSE, glm::value_ptr(stack->normalMatrix));
        gl->glUniformMatrix4fv(l.depthBias, 1, GL_FALSE, glm::value_ptr(m.depthBias));
    }

    std::vector<Part> mParts;
    QHash<ShaderProgram *, Locations> mLocations;
};

// The tank scene as the program registers it, with the tank's two draws either
// timed through the tank loader or replaced by the bare loop.
class FrameScene : public ViewSceneHooks
{
public:
    void createTankLoader() override { scene.createTankLoader(); }
    void createHangars() override { scene.createHangars(); }
    void loadHangars() override { scene.loadHangars(); }
    void viewReady(RenderWidget *view) override { scene.viewReady(view); }
    void releaseScene() override { scene.releaseScene(); }
    void drawHangar(bool premium) override { scene.drawHangar(premium); }
    void fillOverlay(OverlayInfo &info, bool hangarShown, bool premium) override
    {
        scene.fillOverlay(info, hangarShown, premium);
    }

    void drawShadowPass() override { draw(0); }
    void drawTank() override { draw(1); }

    // Nanoseconds spent in this frame's two tank draws, GL calls included.
    qint64 drawNs = 0;
    bool bare = false;
    TankScene scene;
    BareTankLoop loop;

private:
    void draw(int pass)
    {
        QElapsedTimer timer;
        timer.start();
        if (bare) {
            loop.draw(scene.tankLoader(), pass);
        } else if (TankLoader *loader = scene.tankLoader()) {
            loader->render(pass);
        }
        drawNs += timer.nsecsElapsed();
    }
};

class Fixture
{
public:
    Fixture()
        : services(LARGE_SAMPLE, {QStringLiteral("resources.cfg"), QStringLiteral("tank_list.cfg")})
    {
        for (const QString &file : {QStringLiteral("NoTexture.dds"), QStringLiteral("grid.dds")}) {
            QFile::copy(QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/") + file,
                        QStringLiteral("../data/") + file);
        }
        setMessageBoxHandler([](const MessageBoxRequest &) { return int(QMessageBox::Ok); });
        Settings *settings = Settings::instance();
        settings->shaderDir = QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150");
        settings->msaa = QStringLiteral("4x");
        settings->showShadows = true;
        settings->shadowMapSize = 2048;
        settings->shadowMapSamples = 8.0f;
        new BufferManager();
        new Database();
        new Physics();
        view = std::make_unique<RenderWidget>();
        view->setSceneHooks(&frames);
        view->setFormat(viewSurfaceFormat(settings->msaa, 0));
        view->resize(1920, 1080);
        // The overlay text is redrawn every frame alike in both modes; left out.
        view->toggleText(true);
        view->toggleRenderInfo(true);
        view->garageVisible = false;
        view->show();
        if (!QTest::qWaitFor([this]() { return view->initialised; }, 20000)) {
            return;
        }
        const QString tank = leviathanName();
        TankLoader *loader = frames.scene.tankLoader();
        loaded = !tank.isEmpty() && loader && loader->load(tank);
    }

    ~Fixture()
    {
        view.reset();
        delete Physics::instance();
        delete Database::instance();
        delete BufferManager::instance();
        setMessageBoxHandler({});
    }

    SampleGameServices services;
    FrameScene frames;
    std::unique_ptr<RenderWidget> view;
    bool loaded = false;
};

Fixture *fixture = nullptr;

// The view draws continuously; a frame runs from one swap to the next, which
// includes the multisample resolve and the swap after paintGL.
class FrameClock
{
public:
    explicit FrameClock(RenderWidget *view)
    {
        mClock.start();
        mConnection = QObject::connect(view, &QOpenGLWidget::frameSwapped, &mLoop, [this]() {
            const qint64 now = mClock.nsecsElapsed();
            if (mLastSwapNs >= 0) {
                mLastFrameMs = double(now - mLastSwapNs) / 1e6;
                mLoop.quit();
            }
            mLastSwapNs = now;
        });
    }
    ~FrameClock() { QObject::disconnect(mConnection); }

    double next()
    {
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &mLoop, &QEventLoop::quit);
        guard.start(10000);
        mLoop.exec();
        return mLastFrameMs;
    }

private:
    QElapsedTimer mClock;
    QEventLoop mLoop;
    QMetaObject::Connection mConnection;
    qint64 mLastSwapNs = -1;
    double mLastFrameMs = 0.0;
};

// Frames alternate between the tank passes and the bare loop, so that the load of a
// shared machine falls on both alike. The iteration time is the tank passes' frame.
void BM_TankFrame1080pShadowMsaa4(benchmark::State &state)
{
    if (!fixture->loaded) {
        state.SkipWithError("the view did not initialise or V99_Leviathan did not load");
        return;
    }
    FrameScene &frames = fixture->frames;
    FrameClock clock(fixture->view.get());
    // Which mode drew a frame is known once its swap is seen: the mode is switched
    // right after a swap, before the next paint.
    auto frame = [&](bool bare, double *cpuMs) {
        frames.bare = bare;
        frames.drawNs = 0;
        const double ms = clock.next();
        *cpuMs = double(frames.drawNs) / 1e6;
        return ms;
    };
    double ignored = 0.0;
    for (int i = 0; i < 10; ++i) {
        frame(i % 2 == 1, &ignored); // warm-up: shaders, textures, overlay
    }
    // Both draw the same picture: pixels differing by more than a rounding step.
    QImage pictures[2];
    for (int bare = 0; bare < 2; ++bare) {
        frames.bare = bare == 1;
        pictures[bare] = fixture->view->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    }
    frame(false, &ignored);
    std::vector<double> passesMs, loopMs, passesCpuMs, loopCpuMs;
    for (auto _ : state) {
        double cpu = 0.0;
        loopMs.push_back(frame(true, &cpu));
        loopCpuMs.push_back(cpu);
        const double ms = frame(false, &cpu);
        passesMs.push_back(ms);
        passesCpuMs.push_back(cpu);
        state.SetIterationTime(ms / 1000.0);
    }
    const double passes = median(passesMs);
    const double loop = median(loopMs);
    state.counters["passes_ms"] = passes;
    state.counters["loop_ms"] = loop;
    state.counters["ratio"] = loop > 0.0 ? passes / loop : 0.0;
    state.counters["render_cpu_ms"] = median(passesCpuMs);
    state.counters["loop_cpu_ms"] = median(loopCpuMs);
    state.counters["differing_pixels"] = double(differingPixels(pictures[0], pictures[1]));
    state.counters["groups"] = frames.loop.groupCount();
    TankLoader *loader = frames.scene.tankLoader();
    state.counters["triangles"] = loader ? double(loader->triangleCount()) : 0.0;
}

} // namespace

BENCHMARK(BM_TankFrame1080pShadowMsaa4)
    ->Iterations(100)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    {
        Fixture shared;
        fixture = &shared;
        benchmark::RunSpecifiedBenchmarks();
        fixture = nullptr;
    }
    benchmark::Shutdown();
    return 0;
}
