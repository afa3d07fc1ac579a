#include "tank/garage.h"

#include "tanktestsupport.h"

#include "core/constants.h"

#include <QDomDocument>
#include <QProcess>

#include <glm/gtc/matrix_transform.hpp>

#include <cmath>

namespace {

QDomElement elementOf(QDomDocument &document, const QString &xml)
{
    document.setContent(xml);
    return document.documentElement();
}

bool near(const glm::vec3 &a, const glm::vec3 &b)
{
    return glm::all(glm::lessThanEqual(glm::abs(a - b), glm::vec3(1e-5f)));
}

glm::vec3 apply(const glm::mat4 &matrix, const glm::vec3 &point)
{
    return glm::vec3(matrix * glm::vec4(point, 1.0f));
}

int openDescriptorCount()
{
    return QDir(QStringLiteral("/proc/self/fd"))
        .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
        .size();
}

} // namespace

Q_DECLARE_METATYPE(glm::vec3)

// garages.cfg read into packages and placed models, and the hangars' packages.
class TestGarage : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TankServices> mServices;

    // xmllint confirms that each variant is as well-formed (or not) as the test means it.
    void writeGarages(const QByteArray &xml, bool wellFormed = true)
    {
        const QString path = mServices->path(QStringLiteral("data/") + GARAGES_FILE);
        QVERIFY(writeFile(path, xml));
        QProcess lint;
        lint.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), path});
        QVERIFY(lint.waitForFinished());
        QCOMPARE(lint.exitStatus() == QProcess::NormalExit && lint.exitCode() == 0, wellFormed);
    }

    QString packagePath(const QString &name) const
    {
        return QDir::toNativeSeparators(Settings::instance()->brastelPath + PACKAGES_DIR + name);
    }

private slots:
    void init() { mServices = std::make_unique<TankServices>(); }
    void cleanup() { mServices.reset(); }

    void transforms_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<glm::vec3>("expected");
        QTest::addColumn<QString>("warning");
        // Translate, then rotate in degrees, then scale.
        QTest::newRow("order and units")
            << "<M><Position>5 0 0</Position><Rotation>0 1 0 90</Rotation>"
               "<Scale>2 2 2</Scale></M>"
            << glm::vec3(5.0f, 0.0f, -2.0f) << QString();
        QTest::newRow("none") << "<M/>" << glm::vec3(1.0f, 0.0f, 0.0f) << QString();
        QTest::newRow("empty texts")
            << "<M><Position/><Rotation/><Scale/></M>" << glm::vec3(1.0f, 0.0f, 0.0f) << QString();
        QTest::newRow("axis not unit")
            << "<M><Rotation>0 4 0 90</Rotation></M>" << glm::vec3(0.0f, 0.0f, -1.0f) << QString();
        QTest::newRow("zero axis")
            << "<M><Position>1 2 3</Position><Rotation>0 0 0 0</Rotation></M>"
            << glm::vec3(2.0f, 2.0f, 3.0f) << QString();
        QTest::newRow("zero axis with angle")
            << "<M><Rotation>0 0 0 45</Rotation></M>" << glm::vec3(1.0f, 0.0f, 0.0f) << QString();
        QTest::newRow("malformed rotation")
            << "<M><Rotation>0 one 0 90</Rotation><Scale>3 3 3</Scale></M>"
            << glm::vec3(3.0f, 0.0f, 0.0f) << QString();
        // A number that is not finite skips its value alone, with a Warning.
        QTest::newRow("infinite angle")
            << "<M><Rotation>0 1 0 inf</Rotation></M>" << glm::vec3(1.0f, 0.0f, 0.0f)
            << "Hangar layout: M Rotation \"0 1 0 inf\" holds a number that is not finite; skipped";
        QTest::newRow("NaN position")
            << "<M><Position>nan 0 0</Position><Scale>2 2 2</Scale></M>"
            << glm::vec3(2.0f, 0.0f, 0.0f)
            << "Hangar layout: M Position \"nan 0 0\" holds a number that is not finite; skipped";
        QTest::newRow("scale past the float range")
            << "<M><Position>1 0 0</Position><Scale>1 1e39 1</Scale></M>"
            << glm::vec3(2.0f, 0.0f, 0.0f)
            << "Hangar layout: M Scale \"1 1e39 1\" holds a number that is not finite; skipped";
    }

    void transforms()
    {
        QFETCH(QString, xml);
        QFETCH(glm::vec3, expected);
        QFETCH(QString, warning);
        QDomDocument document;
        const glm::vec3 got =
            apply(applyHangarTransform(glm::mat4(1.0f), elementOf(document, xml)), {1, 0, 0});
        QVERIFY2(near(got, expected),
                 qPrintable(QStringLiteral("%1 %2 %3").arg(got.x).arg(got.y).arg(got.z)));
        QCOMPARE(Log::instance()->text(Warning),
                 warning.isEmpty() ? QString() : "[ Warning ] " + warning + "\r\n");
    }

    // A NaN hangar Position costs the hangar its offset, not its models.
    void nonFinitePositionFile()
    {
        QFile file(
            QStringLiteral(HULLSCOPE_SOURCE_DIR "/tests/tank/data/garages-position-nan.cfg"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QDomDocument damaged;
        QVERIFY(damaged.setContent(bytes));
        QDomDocument sound;
        QVERIFY(sound.setContent(QByteArray(bytes).replace("nan 0 0", "")));
        const HangarLayout got = readHangarLayout(damaged, QStringLiteral("Basic"));
        const HangarLayout expected = readHangarLayout(sound, QStringLiteral("Basic"));
        QCOMPARE(got.meshes.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(got.meshes[i].matrix, expected.meshes[i].matrix);
        }
        QVERIFY(near(apply(got.meshes[0].matrix, {1, 0, 0}), {-1.0f, 0.0f, 0.0f}));
        QCOMPARE(Log::instance()->text(Warning),
                 QStringLiteral("[ Warning ] Hangar layout: Transform Position \"nan 0 0\" holds a "
                                "number that is not finite; skipped\r\n"));
    }

    void shippedLayout()
    {
        QFile file(QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/") + GARAGES_FILE);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QDomDocument document;
        QVERIFY(document.setContent(&file));

        const HangarLayout basic = readHangarLayout(document, QStringLiteral("Basic"));
        QCOMPARE(basic.packages, QStringList {QStringLiteral("hangar_basic.pkg")});
        QCOMPARE(basic.meshes.size(), 2);
        QCOMPARE(basic.meshes[0].file, QStringLiteral("spaces/hangar_basic/floor.model"));
        // The hangar's half turn and drop, then the hall's own offset and turn.
        QVERIFY(near(apply(basic.meshes[0].matrix, {1, 0, 0}), {-1.0f, -0.01f, 0.0f}));
        const glm::vec3 hall = apply(basic.meshes[1].matrix, {0, 0, 0});
        QVERIFY(near(hall, {-0.5f, -0.01f, 1.0f}));

        // A Zip below Packages counts; a Mesh without transform takes the hangar's.
        const HangarLayout premium = readHangarLayout(document, QStringLiteral("Premium"));
        QCOMPARE(premium.packages, QStringList {QStringLiteral("hangar_premium.pkg")});
        QCOMPARE(premium.meshes.size(), 2);
        const float c = std::cos(glm::radians(30.0f));
        const float s = std::sin(glm::radians(30.0f));
        QVERIFY(near(apply(premium.meshes[0].matrix, {1, 0, 0}), {1.1f * c, 0.0f, -1.1f * s}));
    }

    void layoutEdges()
    {
        QDomDocument document;
        document.setContent(QStringLiteral(
            "<G><Other><Zip>other.pkg</Zip></Other>"
            "<Basic><Zip></Zip><A><B><Zip>deep.pkg</Zip></B></A><Zip>second.pkg</Zip>"
            "<Mesh><Position>1 0 0</Position></Mesh>"
            "<Group><Mesh><File>a.model</File></Mesh></Group></Basic>"
            "<Basic><Zip>ignored.pkg</Zip></Basic></G>"));
        const HangarLayout basic = readHangarLayout(document, QStringLiteral("Basic"));
        QCOMPARE(basic.packages,
                 (QStringList {QStringLiteral("deep.pkg"), QStringLiteral("second.pkg")}));
        QCOMPARE(basic.meshes.size(), 1);
        QCOMPARE(basic.meshes[0].file, QStringLiteral("a.model"));
        QCOMPARE(basic.meshes[0].matrix, glm::mat4(1.0f));

        const HangarLayout premium = readHangarLayout(document, QStringLiteral("Premium"));
        QVERIFY(premium.packages.isEmpty() && premium.meshes.isEmpty());
        QCOMPARE(Log::instance()->text(Warning), QString());

        // Finite numbers that multiply past the float range leave that mesh out.
        document.setContent(QStringLiteral(
            "<G><Basic><Transform><Scale>1e30 1e30 1e30</Scale></Transform>"
            "<Mesh><File>far.model</File><Position>1e30 0 0</Position></Mesh>"
            "<Mesh><File>near.model</File><Position>1 0 0</Position></Mesh></Basic></G>"));
        const HangarLayout huge = readHangarLayout(document, QStringLiteral("Basic"));
        QCOMPARE(huge.meshes.size(), 1);
        QCOMPARE(huge.meshes[0].file, QStringLiteral("near.model"));
        QCOMPARE(Log::instance()->text(Warning),
                 QStringLiteral("[ Warning ] Hangar layout: Basic mesh far.model is placed out "
                                "of range; left out\r\n"));
        QVERIFY(readHangarLayout(QDomDocument(), QStringLiteral("Basic")).packages.isEmpty());
    }

    void loadFailures_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("error");
        QTest::newRow("missing") << false << QByteArray() << "Could not open hangar file.";
        QTest::newRow("malformed")
            << true << QByteArray("<Garages><Premium>") << "Could not set XML content: hangar.";
        QTest::newRow("no Premium")
            << true << QByteArray("<Garages><Basic><Zip>hangar_basic.pkg</Zip></Basic></Garages>")
            << QString();
    }

    void loadFailures()
    {
        QFETCH(bool, present);
        QFETCH(QByteArray, xml);
        QFETCH(QString, error);
        if (present) {
            writeGarages(xml, error.isEmpty());
        }
        const int packages = FileManager::instance()->archives.size();
        PremiumGarage garage;
        garage.load();
        QVERIFY(garage.meshes().isEmpty());
        QCOMPARE(FileManager::instance()->archives.size(), packages);
        QVERIFY(Log::instance()->text(Info).contains(QStringLiteral("Loading garage.")));
        QCOMPARE(Log::instance()->text(Error),
                 error.isEmpty() ? QString() : "[ Error ] " + error + "\r\n");
        QCOMPARE(Log::instance()->text(Warning), QString());
    }

    void packagesOpenOnceAcrossReloads()
    {
        writeGarages("<Garages><Basic><Zip>hangar_basic.pkg</Zip><Zip>missing.pkg</Zip>"
                     "<Packages><Zip>HANGAR_premium.pkg</Zip></Packages></Basic></Garages>");
        const int base = FileManager::instance()->archives.size();
        BasicGarage garage;
        garage.load();
        QCOMPARE(Log::instance()->text(Warning),
                 "[ Warning ] Failed to add zip archive for garage: "
                     + packagePath(QStringLiteral("missing.pkg")) + "\r\n");
        QCOMPARE(FileManager::instance()->archives.size(), base + 2);
        QVERIFY(FileManager::instance()->fileExistsInZips(
            QStringLiteral("spaces/hangar_premium/floor.visual")));

        const int descriptors = openDescriptorCount();
        for (int i = 0; i < 20; ++i) {
            garage.reload();
        }
        QCOMPARE(FileManager::instance()->archives.size(), base + 2);
        QCOMPARE(openDescriptorCount(), descriptors);

        // A game path change closes every package first; the hangar opens its own again.
        for (int i = 0; i < 20; ++i) {
            emit Settings::instance()->brastelPathChanged();
        }
        QCOMPARE(FileManager::instance()->archives.size(), base + 2);
        QCOMPARE(openDescriptorCount(), descriptors);
        QVERIFY(FileManager::instance()->fileExistsInZips(
            QStringLiteral("spaces/hangar_basic/floor.primitives")));
    }
};

QTEST_GUILESS_MAIN(TestGarage)
#include "test_garage.moc"
