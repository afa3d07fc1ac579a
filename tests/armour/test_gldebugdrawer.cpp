// The Bullet debug drawer of the collision world: its lines reach the view's line
// batch, in white, and nowhere while no view is set; warnings go to standard output.
#include "armour/internal/gldebugdrawer.h"
#include "armour/physics.h"

#include "render/linebatch.h"
#include "render/renderwidget.h"

#include <QTemporaryFile>
#include <QtTest>

#include <cstdio>
#include <memory>
#include <unistd.h>

class TestGlDebugDrawer : public QObject
{
    Q_OBJECT

private slots:
    void linesReachTheViewsBatchInWhite()
    {
        Physics physics;
        internal::GLDebugDrawer &drawer = physics.debugDrawer();
        // Idle until a view is set.
        drawer.drawLine(btVector3(0, 0, 0), btVector3(1, 1, 1), btVector3(1, 0, 0));

        auto view = std::make_unique<RenderWidget>();
        view->lineBatch->clear();
        physics.setView(view.get());
        drawer.drawLine(btVector3(1, 2, 3), btVector3(4, 5, 6), btVector3(1, 0, 0));
        QCOMPARE(view->lineBatch->vertices.size(), 2);
        QCOMPARE(view->lineBatch->vertices.at(0).position, glm::vec3(1, 2, 3));
        QCOMPARE(view->lineBatch->vertices.at(1).position, glm::vec3(4, 5, 6));
        for (const LineVertex &v : view->lineBatch->vertices) {
            QCOMPARE(v.colour, glm::vec3(1.0f));
        }
        // The two-colour form ignores both colours too.
        drawer.drawLine(btVector3(0, 0, 0), btVector3(0, 1, 0), btVector3(0, 0, 1),
                        btVector3(0, 1, 0));
        QCOMPARE(view->lineBatch->vertices.size(), 4);
        QCOMPARE(view->lineBatch->vertices.at(3).colour, glm::vec3(1.0f));

        physics.setView(nullptr);
        drawer.drawLine(btVector3(0, 0, 0), btVector3(1, 0, 0), btVector3(1, 1, 1));
        QCOMPARE(view->lineBatch->vertices.size(), 4);

        // A view that went is not reached through a stale pointer.
        physics.setView(view.get());
        view.reset();
        drawer.drawLine(btVector3(0, 0, 0), btVector3(1, 0, 0), btVector3(1, 1, 1));

        drawer.setDebugMode(5);
        QCOMPARE(drawer.getDebugMode(), 5);
    }

    void warningsGoToStandardOutput()
    {
        QTemporaryFile capture;
        QVERIFY(capture.open());
        std::fflush(stdout);
        const int saved = dup(fileno(stdout));
        QVERIFY(dup2(capture.handle(), fileno(stdout)) >= 0);
        Physics physics;
        physics.debugDrawer().reportErrorWarning("x");
        std::fflush(stdout);
        dup2(saved, fileno(stdout));
        close(saved);
        capture.seek(0);
        QVERIFY(capture.readAll().endsWith("x\n"));
    }
};

QTEST_MAIN(TestGlDebugDrawer)
#include "test_gldebugdrawer.moc"
