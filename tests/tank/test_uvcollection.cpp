// The tank loader's UV collection of every turret and gun, run in a process that has
// no GL context at all: the models are read from their files into CPU records.
#include "tanktestsupport.h"

#include "tank/turretgun.h"
#include "tank/turretgunchooser.h"

#include "render/buffermanager.h"

#include <QCoreApplication>
#include <QOpenGLContext>

namespace {

struct Sink : UvMeshSink
{
    void buildTabs(const QVector<UvMapEntry> &e, const QStringList &t) override
    {
        entries = e;
        textures = t;
        ++calls;
    }
    QVector<UvMapEntry> entries;
    QStringList textures;
    int calls = 0;
};

// The diffuse textures the model's .visual names, as the texture loader caches them.
QStringList visualTextures(const QString &model)
{
    QString name = model;
    name.replace(QStringLiteral(".model"), QStringLiteral(".visual"));
    const QDomNodeList textures = readGameXml(name).elementsByTagName(QStringLiteral("Texture"));
    QStringList found;
    for (int i = 0; i < textures.size(); ++i) {
        const QDomElement texture = textures.at(i).toElement();
        if (texture.parentNode().firstChild().nodeValue().trimmed()
            == QLatin1String("diffuseMap")) {
            found.append(texture.text().trimmed());
        }
    }
    return found;
}

} // namespace

class TestUvCollection : public QObject
{
    Q_OBJECT

private slots:
    void turretsAndGunsWithoutContext()
    {
        QVERIFY(!qobject_cast<QGuiApplication *>(QCoreApplication::instance()));
        TankServices services;
        // Buffers would be registered here if the collection made any.
        BufferManager buffers;
        TurretGunChooser *chooser = TurretGunChooser::instance();
        chooser->setTurrets(readTurrets(
            readGameXml(sampleDefinition(QStringLiteral("velmora"), QStringLiteral("V07_Bastion"))),
            readGameXml(sampleGuns(QStringLiteral("velmora")))));
        QVERIFY(!chooser->turrets.isEmpty());

        QStringList expected;
        for (const Turret &turret : std::as_const(chooser->turrets)) {
            expected += visualTextures(turret.undamagedModel);
            for (const Gun &gun : turret.guns) {
                expected += visualTextures(gun.undamagedModel);
            }
        }
        expected.removeDuplicates();
        QVERIFY(!expected.isEmpty());

        Sink sink;
        // No tank is loaded: only the turrets and guns are read, and nothing breaks.
        TankLoader::instance()->collectUvMeshes(&sink);
        QCOMPARE(sink.calls, 1);
        QVERIFY(!QOpenGLContext::currentContext());
        QVERIFY(buffers.entries.isEmpty());
        QVERIFY(!sink.entries.isEmpty());
        // Every texture is named from the model files, none of them a track.
        QStringList named = sink.textures;
        named.sort();
        expected.sort();
        QCOMPARE(named, expected);
        for (const UvMapEntry &entry : std::as_const(sink.entries)) {
            QVERIFY(!entry.points.isEmpty());
            QCOMPARE(entry.points.size() % 3, 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestUvCollection)
#include "test_uvcollection.moc"
