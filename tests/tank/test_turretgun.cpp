#include "tanktestsupport.h"

#include "gamedata/vectortext.h"
#include "gamedata/writerfixtures.h"

#include "tank/turretgun.h"
#include "tank/turretgunchooser.h"

#include <glm/gtc/matrix_transform.hpp>

#include <clocale>

namespace {

// Every field of every turret and gun, for comparing two readings with a readable diff.
QString describe(const QVector<Turret> &turrets)
{
    auto v = [](const auto &vector) {
        QStringList parts;
        for (int i = 0; i < vector.length(); ++i) {
            parts << QString::number(vector[i]);
        }
        return QLatin1Char('(') + parts.join(QLatin1Char(' ')) + QLatin1Char(')');
    };
    QString text;
    for (const Turret &t : turrets) {
        text += QStringLiteral("%1 '%2' %3 %4 %5 %6 %7 %8 %9 %10 %11 %12 %13\n")
                    .arg(t.tagName, t.displayName, t.exclusionMask, v(t.camoTiling),
                         v(t.turretPosition), v(t.gunPosition), v(t.hullPosition), t.undamagedModel,
                         t.collisionModel, t.destroyedModel)
                    .arg(t.maxHealth)
                    .arg(v(t.yawLimits))
                    .arg(t.guns.size());
        for (const Gun &g : t.guns) {
            text += QStringLiteral("  %1 '%2' %3 %4 %5 %6 %7 %8 %9 %10 %11\n")
                        .arg(g.tagName, g.displayName, g.undamagedModel, g.destroyedModel,
                             g.collisionModel, v(g.turretYawLimits), v(g.camoTiling),
                             v(g.pitchLimits), v(g.extraPitchBack))
                        .arg(v(g.extraPitchFront), g.exclusionMask);
        }
    }
    return text;
}

const QByteArray HAND_DEFINITION = R"(<hand.xml>
  <camouflage><exclusionMask>root_CM.dds</exclusionMask></camouflage>
  <hull><turretPositions><turret>1 2 3</turret></turretPositions></hull>
  <chassis><Chassis_H><hullPosition>0.5 1 0</hullPosition></Chassis_H></chassis>
  <turrets0>
    <!-- a comment is no turret -->
    <T1>
      <userString>#hand:T1</userString>
      <maxHealth>150</maxHealth>
      <gunPosition>0.25 1.5 2</gunPosition>
      <camouflage><exclusionMask>t1_CM.dds</exclusionMask><tiling>2 2 0.5 0</tiling></camouflage>
      <guns>
        <!-- nor a gun -->
        <G1>
          <models><undamaged>g1.model</undamaged></models>
          <turretYawLimits>-20 40</turretYawLimits>
          <pitchLimits>-10 20</pitchLimits>
          <extraPitchLimits><front>-5 15 20</front><side>1 2 3</side><back>0 5 40</back></extraPitchLimits>
        </G1>
        <SharedGun>Shared<pitchLimits>-3 7</pitchLimits><userString>ignored</userString></SharedGun>
      </guns>
    </T1>
    <T2>
      <userString>#hand:T2</userString>
      <yawLimits>-45 30</yawLimits>
      <guns><G1><turretYawLimits>0 0</turretYawLimits><pitchLimits>abc</pitchLimits>
        <camouflage><tiling>3 3 3 3</tiling></camouflage></G1></guns>
    </T2>
    <T3>
      <userString>#hand:T3</userString>
      <guns><G3><models><undamaged>shared/g3.model</undamaged></models><pitchLimits>5</pitchLimits></G3></guns>
    </T3>
  </turrets0>
</hand.xml>)";

const QByteArray HAND_GUNS =
    "<guns.xml><shared><SharedGun><userString>#hand:Shared</userString>"
    "<turretYawLimits>-15 15</turretYawLimits><pitchLimits>-9 9</pitchLimits>"
    "</SharedGun></shared></guns.xml>";

const QByteArray HAND_CATALOGUE =
    "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n"
    "msgid \"T1\"\nmsgstr \"Tiger\"\n"
    "msgid \"T2\"\nmsgstr \"Panther\"\n"
    "msgid \"T3\"\nmsgstr \"Tiger\"\n"
    "msgid \"G1\"\nmsgstr \"Gun One\"\n"
    "msgid \"G3\"\nmsgstr \"Gun Three\"\n"
    "msgid \"Shared\"\nmsgstr \"Shared Cannon\"\n";

struct SpinBoxRecorder : TankLoaderWindowHooks
{
    QStringList calls;
    void armTurretRotation(double minimum, double maximum) override
    {
        calls << QStringLiteral("turret %1 %2").arg(minimum + 0.0).arg(maximum + 0.0);
    }
    void armGunRotation(double minimum, double maximum) override
    {
        calls << QStringLiteral("gun %1 %2").arg(minimum + 0.0).arg(maximum + 0.0);
    }
    QWidget *dialogParent() override { return nullptr; }
};

glm::vec3 apply(const glm::mat4 &m, const glm::vec3 &p)
{
    return glm::vec3(m * glm::vec4(p, 1.0f));
}

bool near(const glm::vec3 &a, const glm::vec3 &b)
{
    return glm::all(glm::lessThan(glm::abs(a - b), glm::vec3(1e-5f)));
}

} // namespace

class TestTurretGun : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TankServices> mServices;
    QString mHandGame;
    QDomDocument mHandPlain;
    QDomDocument mHandPacked;
    QDomDocument mHandGuns;

    TurretGunChooser *chooser() { return TurretGunChooser::instance(); }

    QVector<Turret> readSample(const QString &nation, const QString &model, bool *packed = nullptr)
    {
        return readTurrets(readGameXml(sampleDefinition(nation, model), packed),
                           readGameXml(sampleGuns(nation)));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QFileInfo::exists(SAMPLE + QStringLiteral("/Brastel/Brastel.exe")));
        mServices = std::make_unique<TankServices>();
        mHandGame = mServices->path(QStringLiteral("hand"));
        const QString po = mServices->path(QStringLiteral("hand.po"));
        QVERIFY(writeFile(po, HAND_CATALOGUE));
        QDir().mkpath(mHandGame + QStringLiteral("/res/text/LC_MESSAGES"));
        QCOMPARE(
            QProcess::execute(QStringLiteral("msgfmt"),
                              {QStringLiteral("-o"),
                               mHandGame + QStringLiteral("/res/text/LC_MESSAGES/hand.mo"), po}),
            0);
        const QMap<QString, QByteArray> packed = buildWithWriters(
            {{QStringLiteral("definition"),
              QStringLiteral("pack_text(r'''%1''')").arg(QString::fromUtf8(HAND_DEFINITION))}});
        QVERIFY(packed.contains(QStringLiteral("definition")));
        mHandPacked = PackedXmlReader::parse(packed.value(QStringLiteral("definition")),
                                             QStringLiteral("hand.xml"));
        mHandPlain = PackedXmlReader::parse(HAND_DEFINITION, QStringLiteral("hand.xml"));
        mHandGuns = PackedXmlReader::parse(HAND_GUNS, QStringLiteral("guns.xml"));
    }

    void cleanupTestCase() { mServices.reset(); }

    void init()
    {
        Settings::instance()->brastelPath = mHandGame;
        chooser()->clear();
        TankLoader::instance()->setWindowHooks(nullptr);
    }

    void limitsText()
    {
        // Read alike under a comma-decimal locale, where one is installed.
        for (const char *locale : {"C", "de_DE.UTF-8", "fr_FR.UTF-8"}) {
            if (std::setlocale(LC_NUMERIC, locale)) {
                QCOMPARE(parseLimits(QStringLiteral("-10 20")), glm::vec2(-10, 20));
                QCOMPARE(parseLimits(QStringLiteral(" 0.5\t-7.25 ")), glm::vec2(0.5f, -7.25f));
                QCOMPARE(parseLimits(QStringLiteral("5")), glm::vec2(0.0f));
                QCOMPARE(parseLimits(QStringLiteral("abc")), glm::vec2(0.0f));
            }
        }
        std::setlocale(LC_NUMERIC, "C");
    }

    // Limits, shared guns, extra pitch sectors, tiling, masks and the merge of turrets
    // of one name, from the hand-made definition in both forms.
    void handDefinition_data()
    {
        QTest::addColumn<bool>("packed");
        QTest::newRow("plain") << false;
        QTest::newRow("packed") << true;
    }

    void handDefinition()
    {
        QFETCH(bool, packed);
        const QString warningsBefore = Log::instance()->text(Warning);
        const QVector<Turret> turrets = readTurrets(packed ? mHandPacked : mHandPlain, mHandGuns);
        const QString warnings = Log::instance()->text(Warning).mid(warningsBefore.size());
        QCOMPARE(warnings.count(QLatin1String("Found an unsupported pitch node: side on gun: G1")),
                 1);

        QCOMPARE(turrets.size(), 2);
        const Turret &tiger = turrets.at(0);
        QCOMPARE(tiger.tagName, QStringLiteral("T1"));
        QCOMPARE(tiger.displayName, QStringLiteral("Tiger"));
        QCOMPARE(tiger.yawLimits, glm::vec2(-180.0f, 180.0f));
        QCOMPARE(tiger.turretPosition, glm::vec3(-1.0f, 2.0f, 3.0f));
        QCOMPARE(tiger.hullPosition, glm::vec3(-0.5f, 1.0f, 0.0f));
        QCOMPARE(tiger.gunPosition, glm::vec3(-0.25f, 1.5f, 2.0f));
        QCOMPARE(tiger.exclusionMask, QStringLiteral("t1_CM.dds"));
        QCOMPARE(tiger.camoTiling, glm::vec4(2.0f, 2.0f, 0.5f, 0.0f));
        QCOMPARE(tiger.maxHealth, 150);
        // T3 repeats Tiger: its gun joins the first turret.
        QCOMPARE(tiger.guns.size(), 3);

        const Gun &g1 = tiger.guns.at(0);
        QCOMPARE(g1.displayName, QStringLiteral("Gun One"));
        QCOMPARE(g1.undamagedModel, QStringLiteral("g1.model"));
        QCOMPARE(g1.turretYawLimits, glm::vec2(-20.0f, 40.0f));
        QCOMPARE(g1.pitchLimits, glm::vec2(-20.0f, 10.0f));
        QCOMPARE(g1.extraPitchFront, glm::vec3(-5.0f, 15.0f, 20.0f));
        QCOMPARE(g1.extraPitchBack, glm::vec3(0.0f, 5.0f, 40.0f));
        QCOMPARE(g1.exclusionMask, QStringLiteral("root_CM.dds"));
        QCOMPARE(g1.camoTiling, glm::vec4(1.0f));

        // A shared gun: name and missing limits from guns.xml, its own limits kept.
        const Gun &shared = tiger.guns.at(1);
        QCOMPARE(shared.displayName, QStringLiteral("Shared Cannon"));
        QCOMPARE(shared.turretYawLimits, glm::vec2(-15.0f, 15.0f));
        QCOMPARE(shared.pitchLimits, glm::vec2(-7.0f, 3.0f));

        // Only the element's own text makes a gun shared, not that of its children.
        QCOMPARE(tiger.guns.at(2).displayName, QStringLiteral("Gun Three"));
        QCOMPARE(tiger.guns.at(2).pitchLimits, glm::vec2(0.0f));

        const Turret &panther = turrets.at(1);
        QCOMPARE(panther.displayName, QStringLiteral("Panther"));
        QCOMPARE(panther.yawLimits, glm::vec2(-45.0f, 30.0f));
        QCOMPARE(panther.exclusionMask, QStringLiteral("root_CM.dds"));
        QCOMPARE(panther.guns.size(), 1);
        // Tiling without an own mask is not read.
        QCOMPARE(panther.guns.at(0).camoTiling, glm::vec4(1.0f));
        QCOMPARE(panther.guns.at(0).turretYawLimits, glm::vec2(0.0f));
    }

    void missingCatalogueMergesEveryTurret()
    {
        Settings::instance()->brastelPath = mServices->path(QStringLiteral("nowhere"));
        const QVector<Turret> turrets = readTurrets(mHandPlain, mHandGuns);
        QCOMPARE(turrets.size(), 1);
        QCOMPARE(turrets.at(0).displayName, QString());
        QCOMPARE(turrets.at(0).guns.size(), 4);
    }

    // Every sample tank reads alike from its own form and from the other one.
    void sampleTanksPlainAndPacked()
    {
        Settings::instance()->brastelPath = SAMPLE + QStringLiteral("/Brastel");
        const QStringList tanks = {"velmora/V01_Sprite",   "velmora/V04_Warden",
                                   "velmora/V07_Bastion",  "velmora/V10_Tempest",
                                   "kastrel/K05_Ironhide", "kastrel/K09_Strider",
                                   "oriande/O06_Falcon",   "oriande/O09_Rampart"};
        QStringList packedNames;
        for (const QString &tank : tanks) {
            const QString nation = tank.section(QLatin1Char('/'), 0, 0);
            bool packed = false;
            const QDomDocument own =
                readGameXml(sampleDefinition(nation, tank.section(QLatin1Char('/'), 1)), &packed);
            QVERIFY2(!own.documentElement().isNull(), qPrintable(tank));
            if (packed) {
                packedNames << tank;
            }
            const QDomDocument guns = readGameXml(sampleGuns(nation));
            const QString expected = describe(readTurrets(own, guns));
            QCOMPARE(describe(readTurrets(asPlain(own), guns)), expected);
            QVERIFY(expected.contains(QLatin1String(".model")));
        }
        QVERIFY(packedNames.contains(QStringLiteral("kastrel/K05_Ironhide")));
        QVERIFY(!packedNames.contains(QStringLiteral("velmora/V04_Warden")));
    }

    void sampleLimits()
    {
        Settings::instance()->brastelPath = SAMPLE + QStringLiteral("/Brastel");
        const QVector<Turret> ironhide =
            readSample(QStringLiteral("kastrel"), QStringLiteral("K05_Ironhide"));
        QCOMPARE(ironhide.size(), 1);
        QCOMPARE(ironhide.at(0).yawLimits, glm::vec2(-45.0f, 30.0f));
        QCOMPARE(ironhide.at(0).guns.at(0).turretYawLimits, glm::vec2(-30.0f, 30.0f));
        QCOMPARE(ironhide.at(0).guns.at(0).pitchLimits, glm::vec2(-20.0f, 10.0f));
        QCOMPARE(ironhide.at(0).guns.at(0).extraPitchFront, glm::vec3(-5.0f, 15.0f, 20.0f));

        const QVector<Turret> bastion =
            readSample(QStringLiteral("velmora"), QStringLiteral("V07_Bastion"));
        QCOMPARE(bastion.size(), 2);
        QCOMPARE(bastion.at(0).yawLimits, glm::vec2(-180.0f, 180.0f));
        QCOMPARE(bastion.at(1).guns.size(), 3);
        const Gun &shared = bastion.at(1).guns.at(1);
        QVERIFY(!shared.displayName.isEmpty());
        QCOMPARE(shared.turretYawLimits, glm::vec2(-20.0f, 20.0f));
        QCOMPARE(shared.pitchLimits, glm::vec2(-15.0f, 8.0f));
        // The first turret's gun, offered by the second with its own limits.
        QCOMPARE(bastion.at(1).guns.at(2).displayName, bastion.at(0).guns.at(0).displayName);
        QCOMPARE(bastion.at(1).guns.at(2).pitchLimits, glm::vec2(-18.0f, 6.0f));
    }

    // Limits and positions of NaN and inf read as missing (zero), each with a Warning,
    // so the rotation boxes and the tank's matrices get no NaN.
    void nonFiniteLimitsAndPositions()
    {
        Settings::instance()->brastelPath = SAMPLE + QStringLiteral("/Brastel");
        QFile file(
            QStringLiteral(HULLSCOPE_SOURCE_DIR "/tests/tank/data/v04_warden-limits-nan-inf.xml"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString warningsBefore = Log::instance()->text(Warning);
        const QVector<Turret> turrets =
            readTurrets(PackedXmlReader::parse(file.readAll(), QStringLiteral("v04_warden.xml")),
                        readGameXml(sampleGuns(QStringLiteral("velmora"))));
        const QString warnings = Log::instance()->text(Warning).mid(warningsBefore.size());
        QCOMPARE(turrets.size(), 1);
        const Turret &turret = turrets.at(0);
        QCOMPARE(turret.yawLimits, glm::vec2(0.0f));
        QCOMPARE(turret.gunPosition, glm::vec3(0.0f));
        QCOMPARE(turret.hullPosition, glm::vec3(0.0f));
        QCOMPARE(turret.guns.at(0).turretYawLimits, glm::vec2(0.0f));
        QCOMPARE(turret.guns.at(0).pitchLimits, glm::vec2(0.0f));
        for (const char *text : {"nan inf", "nan nan", "inf -inf", "nan 1e39 -inf", "1e38 nan 0"}) {
            QVERIFY2(warnings.contains(QStringLiteral("Vector text \"%1\": a number is not finite")
                                           .arg(QLatin1String(text))),
                     text);
        }

        // What the loader then hands the rotation boxes: the turret's limits, as the gun
        // has none of its own.
        SpinBoxRecorder boxes;
        TankLoader::instance()->setWindowHooks(&boxes);
        chooser()->setTurrets(turrets);
        chooser()->currentTurretName = turret.displayName;
        chooser()->currentGunName = turret.guns.at(0).displayName;
        TankLoader::instance()->setupRotationLimits();
        TankLoader::instance()->setWindowHooks(nullptr);
        QCOMPARE(boxes.calls,
                 (QStringList {QStringLiteral("turret 0 0"), QStringLiteral("gun 0 0")}));
    }

    void chooserLookups()
    {
        chooser()->setTurrets(readTurrets(mHandPlain, mHandGuns));
        QVERIFY(chooser()->listSet);
        QVERIFY(!chooser()->currentTurret());
        QVERIFY(!chooser()->selectGun(QStringLiteral("Gun One")));

        // The same gun in two turrets: each turret's own record.
        chooser()->currentGunName = QStringLiteral("Gun One");
        chooser()->currentTurretName = QStringLiteral("Panther");
        QCOMPARE(chooser()->currentGun(), &chooser()->currentTurret()->guns[0]);
        QCOMPARE(chooser()->currentGun()->pitchLimits, glm::vec2(0.0f));
        chooser()->currentTurretName = QStringLiteral("Tiger");
        QCOMPARE(chooser()->currentGun()->pitchLimits, glm::vec2(-20.0f, 10.0f));

        // A gun the current turret lacks is still found in another.
        chooser()->currentTurretName = QStringLiteral("Panther");
        chooser()->currentGunName = QStringLiteral("Gun Three");
        QCOMPARE(chooser()->currentGun()->tagName, QStringLiteral("G3"));
        QVERIFY(!chooser()->selectGun(QStringLiteral("Gun Three")));
        QVERIFY(chooser()->selectGun(QStringLiteral("Gun One")));

        chooser()->clear();
        QVERIFY(!chooser()->listSet);
        QVERIFY(chooser()->turrets.isEmpty());
        QVERIFY(!chooser()->currentTurret());
        QVERIFY(!chooser()->currentGun());
    }

    void rotationLimits()
    {
        SpinBoxRecorder boxes;
        TankLoader *loader = TankLoader::instance();
        chooser()->setTurrets(readTurrets(mHandPlain, mHandGuns));
        chooser()->currentTurretName = QStringLiteral("Tiger");
        chooser()->currentGunName = QStringLiteral("Gun One");
        loader->setupRotationLimits(); // no hooks: nothing happens
        loader->setWindowHooks(&boxes);
        loader->setupRotationLimits();
        // The gun's turret yaw -20 40, shown the other way round.
        QCOMPARE(boxes.calls, QStringList({"turret -40 20", "gun -20 10"}));

        boxes.calls.clear();
        chooser()->currentTurretName = QStringLiteral("Panther");
        loader->setupRotationLimits();
        // A gun yaw of 0 0 falls back to the turret's -45 30.
        QCOMPARE(boxes.calls, QStringList({"turret -30 45", "gun 0 0"}));

        boxes.calls.clear();
        chooser()->currentGunName = QStringLiteral("None");
        loader->setupRotationLimits();
        QVERIFY(boxes.calls.isEmpty());
    }

    void rotations()
    {
        TankLoader *loader = TankLoader::instance();
        const glm::vec3 pivot(1.0f, 2.0f, 3.0f);
        loader->setTurretRotation(90.0f);
        QVERIFY(near(apply(loader->turretTransform(pivot), pivot), pivot));
        // A point on the gun axis, one unit ahead of the pivot, turns a quarter about it.
        QVERIFY(near(apply(loader->turretTransform(pivot), pivot + glm::vec3(0, 0, 1)),
                     pivot + glm::vec3(1, 0, 0)));
        loader->setGunRotation(90.0f);
        QVERIFY(near(apply(loader->gunTransform(pivot), pivot + glm::vec3(0, 0, 1)),
                     pivot + glm::vec3(0, 1, 0)));
        loader->setTankRotation(180.0f);
        QVERIFY(near(apply(loader->tankRotation, glm::vec3(1, 0, 0)), glm::vec3(-1, 0, 0)));
        loader->setTurretRotation(0.0f);
        QCOMPARE(loader->turretRotation, glm::mat4(1.0f));
    }
};

QTEST_GUILESS_MAIN(TestTurretGun)
#include "test_turretgun.moc"
