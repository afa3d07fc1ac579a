#include "core/singleton.h"

#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

namespace {

class Service : public Singleton<Service>
{
};

} // namespace

class TestSingleton : public QObject
{
    Q_OBJECT

private slots:
    // The instance pointer follows the one live object; a second one is the owner's
    // fault, and a late destructor of the first must not hide the second.
    void oneInstanceAtATime()
    {
        QCOMPARE(Service::instance(), nullptr);
        {
            Service only;
            QCOMPARE(Service::instance(), &only);
        }
        QCOMPARE(Service::instance(), nullptr);

#ifdef QT_NO_DEBUG
        auto *first = new Service();
        auto *second = new Service();
        delete first;
        QCOMPARE(Service::instance(), second);
        delete second;
        QCOMPARE(Service::instance(), nullptr);
#else
        const pid_t child = fork();
        if (child == 0) {
            Service first;
            Service second;
            _exit(0);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status));
#endif
    }
};

QTEST_GUILESS_MAIN(TestSingleton)
#include "test_singleton.moc"
