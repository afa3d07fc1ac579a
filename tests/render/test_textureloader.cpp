#include "render/textureloader.h"

#include <QOpenGLFunctions_3_2_Core>
#include <QTest>

Q_DECLARE_METATYPE(TextureFilterMode)

class TestTextureLoader : public QObject
{
    Q_OBJECT

private slots:
    void normalisedNames_data();
    void normalisedNames();
    void companionNames();
    void filters_data();
    void filters();
};

void TestTextureLoader::normalisedNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("tga becomes dds") << "vehicles/a/hull.tga"
                                     << "vehicles/a/hull.dds";
    QTest::newRow("no dot gets dds") << "hull"
                                     << "hull.dds";
    QTest::newRow("second part only") << "a.b.tga"
                                      << "a.b.tga";
    QTest::newRow("tga is exact") << "hull.TGA"
                                  << "hull.TGA";
    QTest::newRow("dds unchanged") << "hull.dds"
                                   << "hull.dds";
    QTest::newRow("blanks around dds") << " hull.dds \t"
                                       << "hull.dds";
    // Trimmed before the test, or the blank would keep "tga " from matching.
    QTest::newRow("blank after tga") << "hull.tga "
                                     << "hull.dds";
    QTest::newRow("newline after bare name") << "hull\n"
                                             << "hull.dds";
    QTest::newRow("relative program path") << "../data/grid.dds"
                                           << "../data/grid.dds";
    QTest::newRow("dot folder is left alone") << "mods/1.2/hull.tga"
                                              << "mods/1.2/hull.tga";
}

void TestTextureLoader::normalisedNames()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(normaliseTextureName(name), expected);
}

void TestTextureLoader::companionNames()
{
    QCOMPARE(texformatName(QStringLiteral("a/Hull_AM.dds")), QStringLiteral("a/Hull_AM.texformat"));
    QCOMPARE(texformatName(QStringLiteral("a/Hull_AM.DDS")), QStringLiteral("a/Hull_AM.texformat"));
    QCOMPARE(texformatName(QStringLiteral("a/Hull_AM.tga")), QStringLiteral("a/Hull_AM.tga"));
}

void TestTextureLoader::filters_data()
{
    const TextureFilterMode trilinear {GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, 0.0f};
    QTest::addColumn<QString>("setting");
    QTest::addColumn<float>("maximum");
    QTest::addColumn<TextureFilterMode>("expected");
    // Linear within a level; point sampling would not be bilinear.
    QTest::newRow("Bilinear") << "Bilinear" << 16.0f
                              << TextureFilterMode {GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR, 0.0f};
    QTest::newRow("Trilinear") << "Trilinear" << 16.0f << trilinear;
    QTest::newRow("2x under 8") << "Anisotropic 2x" << 8.0f
                                << TextureFilterMode {GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, 2.0f};
    QTest::newRow("4x under 8") << "Anisotropic 4x" << 8.0f
                                << TextureFilterMode {GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, 4.0f};
    QTest::newRow("8x under 8") << "Anisotropic 8x" << 8.0f
                                << TextureFilterMode {GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, 8.0f};
    QTest::newRow("16x capped at 8")
        << "Anisotropic 16x" << 8.0f
        << TextureFilterMode {GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, 8.0f};
    QTest::newRow("16x without the extension") << "Anisotropic 16x" << 0.0f << trilinear;
    QTest::newRow("unknown keeps filters")
        << "Anisotropic 32x" << 16.0f << TextureFilterMode {GL_NEAREST, GL_NEAREST, 0.0f};
    QTest::newRow("case matters") << "bilinear" << 16.0f
                                  << TextureFilterMode {GL_NEAREST, GL_NEAREST, 0.0f};
}

void TestTextureLoader::filters()
{
    QFETCH(QString, setting);
    QFETCH(float, maximum);
    QFETCH(TextureFilterMode, expected);
    const TextureFilterMode current {GL_NEAREST, GL_NEAREST, 3.0f};
    const TextureFilterMode got = textureFilterFor(setting, current, maximum);
    QCOMPARE(got.minFilter, expected.minFilter);
    QCOMPARE(got.magFilter, expected.magFilter);
    QCOMPARE(got.anisotropy, expected.anisotropy);
}

QTEST_APPLESS_MAIN(TestTextureLoader)
#include "test_textureloader.moc"
