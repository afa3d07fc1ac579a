// Extraction of the loaded tank's textures into the mod folder: what is copied, the
// overwrite question and the progress dialog's cancel. The dialog needs a display,
// which the reading of the lists (test_tankinfo) does not.
#include "tanktestsupport.h"

#include "tank/tankinfo.h"

#include "core/constants.h"

#include <QApplication>
#include <QProgressDialog>

namespace {

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

} // namespace

class TestTextureExtraction : public QObject
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
        Settings::instance()->overwriteTextures = false;
        TankLoader::instance()->loaded = true;
    }

    // Each case goes on from the files the one before extracted.
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

QTEST_MAIN(TestTextureExtraction)
#include "test_textureextraction.moc"
