#include "tanktestsupport.h"

#include "tank/tankinfo.h"

#include "core/constants.h"

#include <QApplication>
#include <QProgressDialog>

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

// A member as Info-ZIP's unzip reads it from the first sample package that holds it.
QByteArray unzipMember(const QString &member)
{
    const QDir packages(SAMPLE + QStringLiteral("/Brastel/res/packages"));
    for (const QString &package : packages.entryList({QStringLiteral("*.pkg")})) {
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"),
                    {QStringLiteral("-p"), packages.filePath(package), member});
        unzip.waitForFinished();
        if (unzip.exitCode() == 0) {
            return unzip.readAllStandardOutput();
        }
    }
    return QByteArray();
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
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
    QList<MessageBoxRequest> mBoxes;
    std::function<int(const MessageBoxRequest &)> mAnswer;

    TankInfo *info() { return TankLoader::instance()->tankInfo; }

    QDomDocument sampleDefinition(const QString &nation, const QString &model)
    {
        return readGameXml(::sampleDefinition(nation, model));
    }

    int boxes(QMessageBox::Icon icon) const
    {
        int n = 0;
        for (const MessageBoxRequest &box : mBoxes) {
            n += box.icon == icon ? 1 : 0;
        }
        return n;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QFileInfo::exists(SAMPLE + QStringLiteral("/Brastel/Brastel.exe")));
        mServices = std::make_unique<TankServices>();
        setMessageBoxHandler([this](const MessageBoxRequest &request) {
            mBoxes.append(request);
            return mAnswer ? mAnswer(request) : int(QMessageBox::Ok);
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

    void init()
    {
        mBoxes.clear();
        mAnswer = nullptr;
        Settings::instance()->modPath = mServices->modPath();
        Settings::instance()->overwriteTextures = false;
        TankLoader::instance()->loaded = true;
    }

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

    void extraction()
    {
        Settings::instance()->modPath = mServices->path(QStringLiteral("extract"));
        info()->parse(sampleDefinition(QStringLiteral("oriande"), QStringLiteral("O06_Falcon")));
        info()->addExclusionMask(QStringLiteral("vehicles/oriande/common/../../../../escape.dds"));
        info()->addExclusionMask(QStringLiteral("not/in/any/package.dds"));

        TankLoader::instance()->loaded = false;
        QVERIFY(!TankLoader::instance()->extractTextureFiles());
        TankLoader::instance()->loaded = true;
        QVERIFY(TankLoader::instance()->extractTextureFiles());
        QCOMPARE(mBoxes.size(), 1);
        QCOMPARE(mBoxes.at(0).text, QStringLiteral("Extraction completed."));
        QCOMPARE(mBoxes.at(0).title, APP_NAME);

        int compared = 0;
        for (const QString &name : info()->allFiles()) {
            const QString target = mServices->path(QStringLiteral("extract/")) + name;
            const QByteArray expected = unzipMember(name);
            if (expected.isEmpty()) {
                QVERIFY2(!QFileInfo::exists(target), qPrintable(target));
                continue;
            }
            QVERIFY2(readAll(target) == expected, qPrintable(name));
            ++compared;
        }
        QCOMPARE(compared, info()->allFiles().size() - 2);
        QVERIFY(!QFileInfo::exists(mServices->path(QStringLiteral("escape.dds"))));
        QVERIFY(Log::instance()->text(Warning).contains(
            QLatin1String("Refusing to extract outside the mod folder: "
                          "vehicles/oriande/common/../../../../escape.dds")));
    }

    void overwrite()
    {
        Settings::instance()->modPath = mServices->path(QStringLiteral("extract"));
        const QString name = QStringLiteral("vehicles/oriande/O06_Falcon/Hull_AM.texformat");
        const QString target = mServices->path(QStringLiteral("extract/")) + name;
        QVERIFY(writeFile(target, "old"));

        // Asked: Cancel keeps the file.
        mAnswer = [](const MessageBoxRequest &request) {
            return int(request.icon == QMessageBox::Warning ? QMessageBox::Cancel
                                                            : QMessageBox::Ok);
        };
        QVERIFY(TankLoader::instance()->extractTextureFiles());
        QCOMPARE(readAll(target), QByteArray("old"));
        QCOMPARE(boxes(QMessageBox::Warning), info()->allFiles().size() - 2);
        const MessageBoxRequest question = mBoxes.at(1);
        QCOMPARE(question.defaultButton, QMessageBox::Cancel);
        QCOMPARE(question.buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QVERIFY(question.text.startsWith(QLatin1String("WARNING! ")));
        QVERIFY(question.text.contains(QLatin1String(" already exists.\nAre you sure")));

        // Not asked: replaced.
        mBoxes.clear();
        Settings::instance()->overwriteTextures = true;
        QVERIFY(TankLoader::instance()->extractTextureFiles());
        QCOMPARE(boxes(QMessageBox::Warning), 0);
        QCOMPARE(readAll(target), unzipMember(name));
    }

    void cancelAndFailure()
    {
        Settings::instance()->modPath = mServices->path(QStringLiteral("extract"));
        // Cancelled in the progress dialog while the first question is open.
        mAnswer = [](const MessageBoxRequest &request) {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (auto *progress = qobject_cast<QProgressDialog *>(widget)) {
                    progress->cancel();
                }
            }
            return int(QMessageBox::Cancel);
        };
        QVERIFY(!TankLoader::instance()->extractTextureFiles());
        QCOMPARE(boxes(QMessageBox::Warning), 1);
        QCOMPARE(boxes(QMessageBox::Information), 0);

        // A destination that cannot be written gives false, not "completed".
        mBoxes.clear();
        mAnswer = nullptr;
        Settings::instance()->overwriteTextures = true;
        const QString blocked =
            mServices->path(QStringLiteral("extract/")) + info()->allFiles().at(0);
        QVERIFY(QFile::remove(blocked));
        QVERIFY(QDir().mkpath(blocked + QStringLiteral("/x")));
        QVERIFY(!TankLoader::instance()->extractTextureFiles());
        QCOMPARE(mBoxes.size(), 0);
        QVERIFY(QFileInfo(blocked).isDir());
    }
};

QTEST_MAIN(TestTankInfo)
#include "test_tankinfo.moc"
