#include "tanktestsupport.h"

#include "tank/tankinfo.h"

#include "core/constants.h"

namespace {

// Every list in field order, for comparing two readings.
QString describe(const TankInfo &info)
{
    const QStringList *lists[] = {
        &info.undamagedDiffuse, &info.undamagedSpecular, &info.undamagedNormal,
        &info.exclusionMasks,   &info.undamagedMetallic, &info.detailMaps,
        &info.texformatFiles,   &info.destroyedDiffuse,  &info.destroyedSpecular,
        &info.destroyedNormal,  &info.destroyedMetallic};
    QString text;
    for (const QStringList *list : lists) {
        text += list->join(QLatin1Char(',')) + QLatin1Char('\n');
    }
    return text + info.allFiles().join(QLatin1Char(','));
}

const QByteArray HAND_VISUAL = R"(<Hull.visual>
  <renderSet>
    <geometry><primitiveGroup>0<material>
      <property>diffuseMap<Texture>hand/tex/hull</Texture></property>
      <property>diffuseMap<Texture> Hand/Tex/HULL.DDS </Texture></property>
      <property>diffuseMap<Texture>hand/a.b/tex</Texture></property>
      <property>diffuseMap<Texture>hand/hull_Bottoms.dds</Texture></property>
      <property>diffuseMap2<Texture>hand/dirt.dds</Texture></property>
      <property>specularMap<Texture>hand/spec.tga</Texture></property>
      <property>diffuseMap<Texture>../outside</Texture></property>
    </material></primitiveGroup></geometry>
    <geometry><primitiveGroup>0<material>
      <property>normalMap<Texture>hand/second_ANM.dds</Texture></property>
    </material></primitiveGroup></geometry>
  </renderSet>
</Hull.visual>)";

const QByteArray HAND_DEFINITION =
    "<hand.xml><hull><models><undamaged>hand/modelled/Hull.model</undamaged>"
    "</models></hull></hand.xml>";

} // namespace

class TestTankInfo : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TankServices> mServices;

    TankInfo *info() { return TankLoader::instance()->tankInfo; }

    QDomDocument sampleDefinition(const QString &nation, const QString &model)
    {
        return readGameXml(::sampleDefinition(nation, model));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QFileInfo::exists(SAMPLE + QStringLiteral("/Brastel/Brastel.exe")));
        mServices = std::make_unique<TankServices>();
        // No reading of the lists may ask anything.
        setMessageBoxHandler([](const MessageBoxRequest &request) -> int {
            qFatal("unexpected box: %s", qPrintable(request.text));
        });
        QVERIFY(writeFile(mServices->modPath() + QStringLiteral("/hand/modelled/Hull.visual"),
                          HAND_VISUAL));
        // A companion outside the packages does not count.
        QVERIFY(writeFile(mServices->modPath() + QStringLiteral("/hand/tex/hull.texformat"), "x"));
    }

    void cleanupTestCase()
    {
        setMessageBoxHandler({});
        mServices.reset();
    }

    void init() { Settings::instance()->modPath = mServices->modPath(); }

    void sampleLists()
    {
        info()->parse(sampleDefinition(QStringLiteral("oriande"), QStringLiteral("O06_Falcon")));
        const QString folder = QStringLiteral("vehicles/oriande/O06_Falcon/");
        QCOMPARE(info()->texformatFiles, QStringList({folder + QStringLiteral("Hull_AM.texformat"),
                                                      folder + QStringLiteral("Hull_AM_hd.dds")}));
        QCOMPARE(info()->camoTextures(), QStringList({folder + QStringLiteral("Hull_AM.dds"),
                                                      folder + QStringLiteral("Hull_AM_hd.dds"),
                                                      folder + QStringLiteral("Turret_AM.dds"),
                                                      folder + QStringLiteral("Gun_AM.dds")}));
        QVERIFY(info()->undamagedDiffuse.contains(
            QStringLiteral("vehicles/oriande/common/tracks/Track_AM.dds")));
        QCOMPARE(info()->detailMaps,
                 QStringList({QStringLiteral("vehicles/common/Detail_MDM.dds")}));
        QCOMPARE(info()->destroyedDiffuse.first(),
                 QStringLiteral("vehicles/oriande/common/Crash_AM.dds"));
        QVERIFY(!info()->destroyedDiffuse.contains(folder + QStringLiteral("Hull_AM.dds")));
        QVERIFY(info()->undamagedMetallic.contains(
            QStringLiteral("vehicles/oriande/common/Common_GMM.dds")));
        QCOMPARE(info()->exclusionMasks, QStringList({folder + QStringLiteral("Hull_CM.dds"),
                                                      folder + QStringLiteral("Turret_CM.dds")}));
        QVERIFY(info()->collisionList.isEmpty());

        // A second diffuse map is no texture of its own kind.
        info()->parse(sampleDefinition(QStringLiteral("kastrel"), QStringLiteral("K09_Strider")));
        QVERIFY(!info()->allFiles().join(QLatin1Char(',')).contains(QLatin1String("Dirt_AM")));

        // ".tga" is recorded as the ".dds" the view draws.
        info()->parse(sampleDefinition(QStringLiteral("oriande"), QStringLiteral("O03_Hornet")));
        QVERIFY(info()->undamagedDiffuse.contains(
            QStringLiteral("vehicles/oriande/O03_Hornet/Gun_AM.dds")));
        QVERIFY(!info()->allFiles().join(QLatin1Char(',')).contains(QLatin1String(".tga")));
    }

    void samplePlainAndPacked()
    {
        const QStringList tanks = {"velmora/V04_Warden", "velmora/V07_Bastion", "kastrel/K02_Lynx",
                                   "oriande/O06_Falcon"};
        for (const QString &tank : tanks) {
            const QDomDocument own = sampleDefinition(tank.section(QLatin1Char('/'), 0, 0),
                                                      tank.section(QLatin1Char('/'), 1));
            info()->parse(own);
            const QString expected = describe(*info());
            QVERIFY2(info()->allFiles().size() > 5, qPrintable(tank));
            info()->parse(asPlain(own));
            QCOMPARE(describe(*info()), expected);
        }
    }

    void handNames()
    {
        info()->parse(PackedXmlReader::parse(HAND_DEFINITION, QStringLiteral("hand.xml")));
        QCOMPARE(info()->undamagedDiffuse, QStringList({"hand/tex/hull.dds", "hand/a.b/tex",
                                                        "hand/hull_Bottoms.dds", "../outside"}));
        QCOMPARE(info()->camoTextures(),
                 QStringList({"hand/tex/hull.dds", "hand/a.b/tex", "../outside"}));
        QCOMPARE(info()->undamagedSpecular, QStringList({"hand/spec.dds"}));
        // Every geometry counts.
        QCOMPARE(info()->undamagedNormal, QStringList({"hand/second_ANM.dds"}));
        QVERIFY(info()->texformatFiles.isEmpty());
        QCOMPARE(info()->allFiles().size(), 6);

        // Names are kept per form; other forms reach the extraction list only.
        info()->stateIndex = 1;
        info()->addDiffuse(QStringLiteral("HAND/TEX/HULL.dds"));
        QCOMPARE(info()->destroyedDiffuse, QStringList({"HAND/TEX/HULL.dds"}));
        info()->stateIndex = 2;
        info()->addNormal(QStringLiteral("hand/third.dds"));
        info()->addNormal(QString());
        QCOMPARE(info()->allFiles().size(), 7);
        QCOMPARE(info()->undamagedNormal.size() + info()->destroyedNormal.size(), 1);
        info()->stateIndex = 0;
    }
};

QTEST_GUILESS_MAIN(TestTankInfo)
#include "test_tankinfo.moc"
