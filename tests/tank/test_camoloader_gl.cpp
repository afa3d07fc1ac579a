// The camouflage loader inside a shown view on the sample game: the catalogues read at
// a rebuild, the tank's camouflage by nation and season, what the tank draws with, and
// the bake into the mod folder (its files read by NVIDIA's and ImageMagick's tools).
#include "tank/camoloader.h"
#include "tank/tankinfo.h"
#include "tank/tankloader.h"
#include "tank/tankscene.h"
#include "tank/turretgunchooser.h"

#include "armour/physics.h"

#include "render/buffermanager.h"
#include "render/camobake.h"
#include "render/renderwidget.h"
#include "render/textureloader.h"
#include "render/viewtestsupport.h"

#include "gamedata/database.h"

#include "tanktestsupport.h"

#include <QOpenGLFunctions>
#include <QSqlQuery>

#include <cmath>

namespace {

struct CamoWindow : CamoLoaderWindowHooks
{
    void updateCamoList(bool selectFirst) override { refills.append(selectFirst); }
    void checkSummerSeason() override { ++summerChecks; }
    void showStatus(const QString &text, int) override { status.append(text); }
    QWidget *dialogParent() override { return nullptr; }
    QList<bool> refills;
    int summerChecks = 0;
    QStringList status;
};

QString tool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool isTexture(GLuint name)
{
    return QOpenGLContext::currentContext()->functions()->glIsTexture(name);
}

} // namespace

class TestCamoLoaderGl : public QObject
{
    Q_OBJECT

    std::unique_ptr<ViewTestTree> mTree;
    TankScene mScene;
    std::unique_ptr<RenderWidget> mView;
    CamoWindow mWindow;
    QList<MessageBoxRequest> mBoxes;
    int mAnswer = QMessageBox::Ok;

    CamoLoader *camo() const { return CamoLoader::instance(); }
    TankLoader *loader() const { return TankLoader::instance(); }
    QString modPath() const { return mTree->path() + QStringLiteral("/mod"); }
    QString outputOf(const QString &game) const { return bakeOutputPath(modPath(), game); }

    // The sample's tank of that model folder name.
    QString tank(const QString &model) const
    {
        QSqlQuery query(QStringLiteral("SELECT TranslatedName FROM Tanks_Tbl WHERE Model = '")
                            + model + QLatin1Char('\''),
                        Database::instance()->db);
        return query.next() ? query.value(0).toString() : QString();
    }

    void loadTank(const QString &model)
    {
        QVERIFY2(loader()->load(tank(model)), qPrintable(model));
        mView->makeCurrent();
    }

    QList<CamoRecord *> nationRecords(const QString &nation) const
    {
        for (const CamoLoader::NationEntry &entry : camo()->nations) {
            if (entry.first == nation) {
                return entry.second;
            }
        }
        return {};
    }

    void bake(int answer)
    {
        mBoxes.clear();
        mWindow.status.clear();
        mAnswer = answer;
        camo()->bakeCamo();
        mView->makeCurrent();
    }

private slots:
    void initTestCase()
    {
        mTree = std::make_unique<ViewTestTree>();
        QVERIFY(mTree->ready());
        QVERIFY(fillSampleData(mTree->path() + QStringLiteral("/data/")));
        QDir().mkpath(modPath());
        setMessageBoxHandler([this](const MessageBoxRequest &request) {
            mBoxes.append(request);
            return mAnswer;
        });
        new Log();
        new MoReaderCached();
        new FileManager();
        new Settings();
        Settings::instance()->shaderDir =
            QStringLiteral(HULLSCOPE_SOURCE_DIR "/data/shaders/glsl150");
        Settings::instance()->modPath = modPath();
        FileManager::instance()->loadZipFiles();
        new BufferManager();
        new Database();
        new Physics();
        mScene.setCamoWindowHooks(&mWindow);
        mView = std::make_unique<RenderWidget>();
        mView->setSceneHooks(&mScene);
        mView->resize(480, 360);
        mView->show();
        QVERIFY(QTest::qWaitForWindowExposed(mView.get(), 20000));
        if (!QTest::qWaitFor([this]() { return mView->initialised; }, 20000)) {
            QSKIP("no OpenGL 3.2 core view");
        }
        mView->paintBlocked = true;
        QVERIFY(camo());
        QCOMPARE(mScene.camoLoader(), camo());
        QCOMPARE(Database::instance()->camoHooks(), static_cast<DatabaseCamoHooks *>(camo()));
        QCOMPARE(camo()->windowHooks(), &mWindow);
    }

    void cleanupTestCase()
    {
        mView.reset();
        // The view's end takes the loader and every hook to it away.
        QVERIFY(!CamoLoader::instance());
        QVERIFY(!mScene.camoLoader());
        QVERIFY(!Database::instance()->camoHooks());
        delete Physics::instance();
        delete Database::instance();
        delete BufferManager::instance();
        delete Settings::instance();
        delete FileManager::instance();
        delete MoReaderCached::instance();
        delete Log::instance();
        setMessageBoxHandler(nullptr);
        mTree.reset();
    }

    void init()
    {
        mBoxes.clear();
        mAnswer = QMessageBox::Ok;
        mView->makeCurrent();
    }

    void rebuildReadsEveryNation()
    {
        QCOMPARE(camo()->nations.size(), 3);
        const GLuint fallback = TextureLoader::instance()->noTexture;
        for (const CamoLoader::NationEntry &entry : camo()->nations) {
            QStringList names;
            for (const CamoRecord *record : entry.second) {
                names.append(record->name);
                QCOMPARE(record->armorColor, glm::vec4(90, 90, 70, 255));
                QVERIFY(record->textureId != fallback && isTexture(record->textureId));
                QVERIFY(record->preview && record->preview->size() == QSize(128, 128));
                QVERIFY(!record->tiling.isEmpty());
            }
            const QString n = entry.second.first()->name.section(QLatin1Char('_'), 0, 0);
            QCOMPARE(
                names,
                QStringList({n + QStringLiteral("_summer_1"), n + QStringLiteral("_summer_2"),
                             n + QStringLiteral("_winter_1"), n + QStringLiteral("_desert_1")}));
            QCOMPARE(entry.second.first()->description.toLower(),
                     n + QStringLiteral(" summer pattern 1"));
        }
    }

    // A plain catalogue of our own: its first camouflage is kept, a black texture gives
    // the armour colour, a missing one the fallback texture, which a rebuild never frees.
    void ownCatalogueAndTheFallbackTexture()
    {
        const QString black = modPath() + QStringLiteral("/vehicles/camouflage/test_black");
        QVERIFY(QDir().mkpath(QFileInfo(black).path()));
        tool(QStringLiteral("convert"),
             {QStringLiteral("-size"), QStringLiteral("16x16"), QStringLiteral("xc:black"),
              black + QStringLiteral(".png")});
        tool(QStringLiteral("nvcompress"), {QStringLiteral("-bc1"), black + QStringLiteral(".png"),
                                            black + QStringLiteral(".dds")});
        QVERIFY(QFileInfo::exists(black + QStringLiteral(".dds")));
        const QString file = mTree->path() + QStringLiteral("/own/customization.xml");
        QVERIFY(writeFile(file, "<c><armorColor>10 20 30 255</armorColor><camouflages>"
                                "<black><group>summer</group><texture>vehicles/camouflage/"
                                "test_black.dds</texture><colors><c0>255 0 0 255</c0></colors>"
                                "</black><lost><group>summer</group><texture>nowhere.dds"
                                "</texture></lost></camouflages></c>"));
        const QString res = Settings::instance()->brastelPath + QStringLiteral("/res");
        QVERIFY(camo()->loadCamoXml(QDir(res).relativeFilePath(file), QStringLiteral("Own")));
        QVERIFY(
            !camo()->loadCamoXml(QStringLiteral("nowhere/customization.xml"), QStringLiteral("X")));
        const QList<CamoRecord *> own = nationRecords(QStringLiteral("Own"));
        QCOMPARE(own.size(), 2);
        QCOMPARE(own.at(0)->name, QStringLiteral("black"));
        QCOMPARE(own.at(0)->preview->pixelColor(64, 64), QColor(10, 20, 30));
        const GLuint fallback = TextureLoader::instance()->noTexture;
        QCOMPARE(own.at(1)->textureId, fallback);
        QVERIFY(!own.at(1)->preview);

        QList<GLuint> before;
        for (const CamoLoader::NationEntry &entry : camo()->nations) {
            for (const CamoRecord *record : entry.second) {
                before.append(record->textureId);
            }
        }
        loadTank(QStringLiteral("V01_Sprite"));
        QVERIFY(camo()->textureId != 0);
        // No window reloads the tank here: the current camouflage must not outlive it.
        Database::instance()->rebuildDatabase();
        mView->makeCurrent();
        QCOMPARE(camo()->nations.size(), 3);
        QCOMPARE(camo()->textureId, GLuint(0));
        QVERIFY(camo()->current.second.isEmpty());
        QVERIFY(isTexture(fallback));
        QSet<GLuint> now;
        for (const CamoLoader::NationEntry &entry : camo()->nations) {
            for (const CamoRecord *record : entry.second) {
                now.insert(record->textureId);
            }
        }
        for (GLuint old : std::as_const(before)) {
            QVERIFY(old == fallback || now.contains(old) || !isTexture(old));
        }
        camo()->selectCamo(0, QStringLiteral("summer")); // a stale click finds nothing
        QCOMPARE(camo()->textureId, GLuint(0));
    }

    void tankWearsItsNationsCamouflage()
    {
        mWindow = CamoWindow();
        loadTank(QStringLiteral("K02_Lynx"));
        loadTank(QStringLiteral("V01_Sprite"));
        QCOMPARE(mWindow.summerChecks, 2);
        QCOMPARE(mWindow.refills, QList<bool>({true, true}));
        CamoLoader *c = camo();
        QCOMPARE(c->current.first, loader()->nation);
        QCOMPARE(c->tankKey, QStringLiteral("v01_sprite"));
        const CamoRecord *first = c->current.second.first();
        QCOMPARE(c->textureId, first->textureId);
        QCOMPARE(c->tiling, first->tiling.value(QStringLiteral("v01_sprite")));
        QVERIFY(c->tiling != glm::vec4(0.0f));

        c->camoEnabled = true;
        TankCamouflage drawn = loader()->camouflage();
        QVERIFY(drawn.overlay);
        QCOMPARE(drawn.texture, first->textureId);
        QCOMPARE(drawn.colors[1], first->colors[1]);
        QCOMPARE(drawn.tankTiling, c->tiling);
        QCOMPARE(drawn.hullMask, c->tankExclusionMask);
        QCOMPARE(drawn.chassisMask, c->rootExclusionMaskCopy);
        QVERIFY(drawn.chassisMask.endsWith(QStringLiteral("Hull_CM.dds")));

        c->selectCamo(0, QStringLiteral("winter"));
        const GLuint winter = c->textureId;
        QCOMPARE(c->winterDescriptions().size(), 1);
        c->selectCamo(5, QStringLiteral("winter"));
        QCOMPARE(c->textureId, winter);
        // Another tank of the nation keeps season and index; another nation resets them.
        loadTank(QStringLiteral("V04_Warden"));
        QCOMPARE(mWindow.summerChecks, 2);
        QCOMPARE(mWindow.refills.last(), false);
        QCOMPARE(c->season, QStringLiteral("winter"));
        QCOMPARE(c->textureId, winter);
        loadTank(QStringLiteral("O03_Hornet"));
        QCOMPARE(mWindow.summerChecks, 3);
        QCOMPARE(c->season, QStringLiteral("summer"));
        QCOMPARE(c->currentIndex, 0);
        // Without a root mask the hull's serves the hull and the chassis gets none.
        loadTank(QStringLiteral("V10_Tempest"));
        QVERIFY(c->rootExclusionMaskCopy.isEmpty());
        QVERIFY(!c->tankExclusionMask.isEmpty());
        c->camoEnabled = false;
    }

    // Every sample tank pairs its hull, turret and gun diffuses with three masks, but
    // O06_Falcon, whose hull's HD companion counts as a fourth diffuse: refused.
    void bakePairsDiffusesWithMasks()
    {
        for (const QString model :
             {"V01_Sprite", "V04_Warden", "V07_Bastion", "V10_Tempest", "K02_Lynx", "K05_Ironhide",
              "K08_Colossus", "K09_Strider", "O03_Hornet", "O09_Rampart", "O10_Monarch"}) {
            loadTank(model);
            QVERIFY2(loader()->tankInfo->camoTextures().size() == 3, qPrintable(model));
            QCOMPARE(loader()->tankInfo->exclusionMasks.size(), 3);
        }
        loadTank(QStringLiteral("O06_Falcon"));
        const int warnings = Log::instance()->text(Warning).size();
        bake(QMessageBox::Ok);
        QCOMPARE(mBoxes.size(), 1);
        QCOMPARE(mBoxes.first().icon, QMessageBox::Warning);
        QCOMPARE(mBoxes.first().text,
                 QStringLiteral("This tank is currently not supported by the camouflage baking "
                                "system.\nAborting!"));
        QVERIFY(Log::instance()->text(Warning).mid(warnings).contains(
            QStringLiteral("not supported by the camouflage baking system.")));
        QVERIFY(!QFileInfo::exists(outputOf(loader()->tankInfo->camoTextures().first())));

        loadTank(QStringLiteral("V01_Sprite"));
        loader()->tankModel = Destroyed;
        bake(QMessageBox::Ok);
        loader()->tankModel = Undamaged;
        QCOMPARE(mBoxes.size(), 1);
        QCOMPARE(mBoxes.first().text,
                 QStringLiteral("Camo bake is only available in UnDamaged mode."));
    }

    void bakeWritesDxt1AtTheDiffusePaths()
    {
        loadTank(QStringLiteral("V04_Warden"));
        // The texture picker leaves the destroyed form's index behind.
        loader()->tankInfo->stateIndex = 1;
        const QStringList diffuses = loader()->tankInfo->camoTextures();
        bake(QMessageBox::Ok);
        loader()->tankInfo->stateIndex = 0;
        QCOMPARE(mBoxes.size(), 1);
        QCOMPARE(mBoxes.last().icon, QMessageBox::Information);
        QCOMPARE(mBoxes.last().text, QStringLiteral("Camouflage bake export complete."));
        QCOMPARE(mWindow.status.size(), 2 * diffuses.size());
        for (int i = 0; i < diffuses.size(); ++i) {
            const QString out = outputOf(diffuses.at(i));
            QCOMPARE(mWindow.status.at(2 * i), QStringLiteral("Saving baked camo file: ") + out);
            QCOMPARE(mWindow.status.at(2 * i + 1), QStringLiteral("Saving baked camo file: Done"));
            const DdsTextureSize size = gameTextureSize(diffuses.at(i));
            QVERIFY(size.width > 0);
            const QString info = tool(QStringLiteral("nvddsinfo"), {out});
            QVERIFY2(info.contains(QStringLiteral("FourCC: 'DXT1'")), qPrintable(out + info));
            QVERIFY(info.contains(QStringLiteral("Width: ") + QString::number(size.width)));
            QVERIFY(info.contains(QStringLiteral("Height: ") + QString::number(size.height)));
            const int levels = int(std::floor(std::log2(qMax(size.width, size.height)))) + 1;
            QVERIFY(info.contains(QStringLiteral("Mipmap count: ") + QString::number(levels)));
        }
    }

    // With every colour's strength 0 the bake is the diffuse itself, unflipped.
    void neutralBakeKeepsTheDiffuse()
    {
        loadTank(QStringLiteral("K05_Ironhide"));
        camo()->colors.fill(glm::vec4(255, 0, 255, 0));
        const QString diffuse = loader()->tankInfo->camoTextures().first();
        const QString out = outputOf(diffuse);
        QFile::remove(out);
        // The user's anisotropic filter must not blur a bake that maps texel to pixel.
        QVERIFY(TextureLoader::instance()->anisotropy > 1.0f);
        bake(QMessageBox::Ok);
        QCOMPARE(mBoxes.last().text, QStringLiteral("Camouflage bake export complete."));
        const std::unique_ptr<QBuffer> game(FileManager::instance()->readFromZips(diffuse));
        QVERIFY(game);
        const QString reference = mTree->path() + QStringLiteral("/reference.dds");
        QVERIFY(writeFile(reference, game->data()));
        QString result;
        for (const QString &dds : {reference, out}) {
            tool(QStringLiteral("nvdecompress"), {dds});
            QString tga = dds;
            tga.replace(QStringLiteral(".dds"), QStringLiteral(".tga"));
            result += tga + QLatin1Char(' ');
        }
        const QStringList tgas = result.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QString psnr =
            tool(QStringLiteral("compare"), {QStringLiteral("-metric"), QStringLiteral("PSNR"),
                                             tgas.at(0), tgas.at(1), QStringLiteral("null:")});
        QVERIFY2(psnr.section(QLatin1Char(' '), 0, 0).toDouble() > 30.0
                     || psnr.startsWith(QStringLiteral("inf")),
                 qPrintable(psnr));
    }

    void overwriteAsksAndFailuresKeepTheOldFile()
    {
        loadTank(QStringLiteral("V07_Bastion"));
        const QStringList diffuses = loader()->tankInfo->camoTextures();
        const QString first = outputOf(diffuses.first());
        const QByteArray mine("the user's own texture");
        QVERIFY(writeFile(first, mine));
        bake(QMessageBox::Cancel);
        const MessageBoxRequest &question = mBoxes.first();
        QCOMPARE(question.title, QStringLiteral("Hullscope"));
        QCOMPARE(question.text, QStringLiteral("WARNING! ") + first
                                    + QStringLiteral(" already exists.\nAre you sure you want to "
                                                     "overwrite this file?"));
        QCOMPARE(question.buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(question.defaultButton, QMessageBox::Cancel);
        QCOMPARE(fileBytes(first), mine);
        bake(QMessageBox::Ok);
        QVERIFY(fileBytes(first).startsWith("DDS "));

        // A diffuse the game lacks (size 0 x 0), a target that is a folder, a path out
        // of the mod folder: each fails before anything is touched.
        QStringList &list = loader()->tankInfo->undamagedDiffuse;
        QStringList &masks = loader()->tankInfo->exclusionMasks;
        const QString missing = QStringLiteral("vehicles/velmora/gone/Missing_AM.dds");
        list = QStringList({missing, diffuses.at(1), QStringLiteral("../../escape_AM.dds")});
        QVERIFY(writeFile(outputOf(missing), mine));
        QFile::remove(outputOf(diffuses.at(1)));
        QVERIFY(QDir().mkpath(outputOf(diffuses.at(1))));
        bake(QMessageBox::Ok);
        QCOMPARE(fileBytes(outputOf(missing)), mine);
        QVERIFY(QFileInfo(outputOf(diffuses.at(1))).isDir());
        QVERIFY(!QFileInfo::exists(mTree->path() + QStringLiteral("/escape_AM.dds")));
        QCOMPARE(mBoxes.last().icon, QMessageBox::Warning);
        QCOMPARE(mBoxes.last().text,
                 QStringLiteral("Failed to save camo bake file: ") + outputOf(missing));

        // A diffuse outside the tank's folder gets its own folder made.
        const QString shared = QStringLiteral("vehicles/camouflage/velmora_summer_1.dds");
        list = QStringList({shared});
        masks = QStringList({masks.first()});
        QFile::remove(outputOf(shared));
        bake(QMessageBox::Ok);
        QCOMPARE(mBoxes.last().text, QStringLiteral("Camouflage bake export complete."));
        QVERIFY(fileBytes(outputOf(shared)).startsWith("DDS "));
    }
};

QTEST_MAIN(TestCamoLoaderGl)
#include "test_camoloader_gl.moc"
