#include "render/material.h"
#include "render/materialloader.h"

#include "core/log.h"
#include "gamedata/binaryreader.h"
#include "gamedata/packedxmlreader.h"
#include "gamedata/vectortext.h"
#include "gamedata/writerfixtures.h"

#include <QBuffer>
#include <QDir>
#include <QDomDocument>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(QDomDocument)
Q_DECLARE_METATYPE(glm::vec4)

namespace QTest {
template <> inline char *toString(const glm::vec4 &v)
{
    return qstrdup(QByteArray("(" + QByteArray::number(v.x) + ", " + QByteArray::number(v.y) + ", "
                              + QByteArray::number(v.z) + ", " + QByteArray::number(v.w) + ")")
                       .constData());
}
} // namespace QTest

namespace {

// GL_ONE_MINUS_SRC_ALPHA, spelled out so this test needs no GL header.
constexpr quint32 oneMinusSrcAlpha = 0x0303;

// A material of the game's shape: property names as leading text, values in typed children.
const char *materialText = R"(<material>
 <identifier>Hull_Main</identifier>
 <fx>  shaders/std_effects/PBS_tank_old.fx </fx>
 <property>diffuseMap<Texture>vehicles/a/hull_AM.dds</Texture></property>
 <property>diffuseMap2<Texture>vehicles/a/dirt_AM.dds</Texture></property>
 <property>normalMap<Texture>vehicles/a/hull_ANM.dds</Texture></property>
 <property>specularMap<Texture>vehicles/a/hull_GMM.dds</Texture></property>
 <property>metallicGlossMap<Texture>vehicles/a/hull_GMM2.dds</Texture></property>
 <property>metallicDetailMap<Texture>vehicles/a/detail_MDM.dds</Texture></property>
 <property>alphaTestEnable<Bool>false</Bool></property>
 <property>alphaReference<Int>255</Int></property>
 <property>g_detailPower<Float>50</Float></property>
 <property>g_metallicDetailUVTiling<Vector4>1 2 3</Vector4></property>
 <property>g_useDetailMetallic<Bool>untrue</Bool></property>
 <property>g_useNormalPackDXT1<Bool>FALSE</Bool></property>
 <property>doubleSided<Bool> TRUE </Bool></property>
</material>)";

QDomDocument plainDocument(const QByteArray &text)
{
    QDomDocument doc;
    doc.setContent(text);
    return doc;
}

QDomDocument packedDocument(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    BinaryReader stream(&buffer);
    PackedXmlReader reader(&stream);
    return reader.read(QStringLiteral("material"));
}

QDomNodeList childrenOf(const char *xml)
{
    static QList<QDomDocument> keep; // the node list needs its document alive
    keep.append(plainDocument(QByteArray(xml)));
    return keep.last().documentElement().childNodes();
}

} // namespace

// Property parsing, effect tables, texture units and the loader's materials; no GL.
class TestMaterial : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void propertiesFromPlainAndPackedDocuments_data();
    void propertiesFromPlainAndPackedDocuments();
    void valueTexts_data();
    void valueTexts();
    void missingValuesReadAsEmpty();
    void emptyDetailMapIsLeftOut();
    void effectTable_data();
    void effectTable();
    void unknownEffectWarnsOnce();
    void textureUnitsFollowAscendingKind();
    void blending_data();
    void blending();
    void loaderFillsBothMaterials();
    void collisionMaterialsReadOnlyIdentifierAndSides();
    void equipmentNeverGetsCamouflage();
    void loaderLifetime();

private:
    QTemporaryDir mRoot;
    std::unique_ptr<Log> mLog;
    QMap<QString, QByteArray> mPacked;
};

void TestMaterial::initTestCase()
{
    QVERIFY(QDir(mRoot.path()).mkpath(QStringLiteral("bin_x64")));
    QVERIFY(QDir(mRoot.path()).mkpath(QStringLiteral("data")));
    QVERIFY(QDir::setCurrent(mRoot.path() + QStringLiteral("/bin_x64")));
    mLog = std::make_unique<Log>();
    mPacked = buildWithWriters(
        {{QStringLiteral("material"),
          QStringLiteral("pack_text('''%1''')").arg(QString::fromLatin1(materialText))}});
    QCOMPARE(mPacked.size(), 1);
}

void TestMaterial::cleanupTestCase()
{
    mLog.reset();
}

void TestMaterial::propertiesFromPlainAndPackedDocuments_data()
{
    QTest::addColumn<QDomDocument>("document");
    QTest::newRow("plain") << plainDocument(QByteArray(materialText));
    QTest::newRow("packed") << packedDocument(mPacked.value(QStringLiteral("material")));
}

void TestMaterial::propertiesFromPlainAndPackedDocuments()
{
    QFETCH(QDomDocument, document);
    QVERIFY(!document.documentElement().isNull());
    const MaterialDescription d = parseMaterialChildren(document.documentElement().childNodes());

    QCOMPARE(d.identifier, QStringLiteral("Hull_Main"));
    QCOMPARE(d.fx, QStringLiteral("shaders/std_effects/PBS_tank_old.fx"));
    QCOMPARE(d.alphaRef, 1.0f);
    QVERIFY(!d.alphaTest);
    QCOMPARE(d.detailPower, 0.5f);
    // Three numbers are not a Vector4.
    QCOMPARE(d.detailTile, glm::vec4(0.0f));
    // "contains true": "untrue" counts, and "FALSE" turns the default off.
    QVERIFY(d.detailMetallic);
    QVERIFY(!d.dxt1NormalMap);
    QVERIFY(d.doubleSided);
    QVERIFY(!d.blend);

    QCOMPARE(d.litTextures.keys(), (QList<int> {0, 1, 2, 3, 4, 5}));
    QCOMPARE(d.unlitTextures.keys(), (QList<int> {0, 1, 2}));
    QCOMPARE(d.litTextures.value(TextureSpecular), QStringLiteral("vehicles/a/hull_GMM.dds"));
    QCOMPARE(d.litTextures.value(TextureGloss), QStringLiteral("vehicles/a/hull_GMM2.dds"));
    QCOMPARE(d.litTextures.value(TextureDetail), QStringLiteral("vehicles/a/detail_MDM.dds"));
    QCOMPARE(d.unlitTextures.value(TextureDiffuse2), QStringLiteral("vehicles/a/dirt_AM.dds"));
    QCOMPARE(d.unlitTextures.value(TextureNormal), QStringLiteral("vehicles/a/hull_ANM.dds"));
}

void TestMaterial::valueTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<glm::vec4>("vector");
    QTest::addColumn<bool>("flag");
    QTest::newRow("four") << "1 2 3 4" << glm::vec4(1, 2, 3, 4) << false;
    QTest::newRow("blanks and exponent")
        << " 1.5\t-2 3e1 +4 " << glm::vec4(1.5f, -2, 30, 4) << false;
    QTest::newRow("three") << "1 2 3" << glm::vec4(0.0f) << false;
    QTest::newRow("letters") << "1 2 x 4" << glm::vec4(0.0f) << false;
    QTest::newRow("empty") << "" << glm::vec4(0.0f) << false;
    QTest::newRow("true") << "true" << glm::vec4(0.0f) << true;
    QTest::newRow("mixed case") << "True" << glm::vec4(0.0f) << true;
    QTest::newRow("inside a word") << "untrue" << glm::vec4(0.0f) << true;
    QTest::newRow("one") << "1" << glm::vec4(0.0f) << false;
}

void TestMaterial::valueTexts()
{
    QFETCH(QString, text);
    QFETCH(glm::vec4, vector);
    QFETCH(bool, flag);
    QCOMPARE(parseVec4(text), vector);
    QCOMPARE(parseMaterialBool(text), flag);
}

void TestMaterial::missingValuesReadAsEmpty()
{
    // Wrong value types and missing values read as empty text: Int 0, Float 0, Bool false.
    const MaterialDescription d = parseMaterialChildren(
        childrenOf("<material><property>alphaReference<Float>200</Float></property>"
                   "<property>g_detailPower</property>"
                   "<property>alphaTestEnable<Int>1</Int></property>"
                   "<property>g_useNormalPackDXT1</property>"
                   "<property>alphaReference<Int>12x</Int></property>"
                   "<property>diffuseMap</property></material>"));
    QCOMPARE(d.alphaRef, 0.0f);
    QCOMPARE(d.detailPower, 0.0f);
    QVERIFY(!d.alphaTest);
    QVERIFY(!d.dxt1NormalMap);
    // A texture property without its value still names kind 0, with an empty path.
    QCOMPARE(d.litTextures.value(TextureDiffuse, QStringLiteral("absent")), QString());
    QVERIFY(d.unlitTextures.contains(TextureDiffuse));
}

void TestMaterial::emptyDetailMapIsLeftOut()
{
    const MaterialDescription d = parseMaterialChildren(
        childrenOf("<material><property>metallicDetailMap<Texture></Texture></property>"
                   "<property>specularMap<Texture>s.dds</Texture></property></material>"));
    QVERIFY(!d.litTextures.contains(TextureDetail));
    QCOMPARE(d.litTextures.keys(), QList<int> {TextureSpecular});
    QVERIFY(d.unlitTextures.isEmpty());
}

void TestMaterial::effectTable_data()
{
    QTest::addColumn<QString>("fx");
    QTest::addColumn<int>("lit");
    QTest::addColumn<int>("unlit");
    QTest::addColumn<bool>("known");
    const QString p = QStringLiteral("shaders/std_effects/");
    auto row = [&](const char *name, int lit, int unlit, bool known = true) {
        QTest::newRow(name) << p + QString::fromLatin1(name) << lit << unlit << known;
    };
    row("normalmap_specmap_dual.fx", 1, 8);
    row("lightonly_alpha.fx", 6, 7);
    row("lightonly_uvtransform_alpha.fx", 6, 7);
    row("lightonly.fx", 5, 7);
    row("lightonly_skinned.fx", 5, 7);
    row("normalmap_specmap_uvtransform_skinned.fx", 0, 7);
    row("normalmap_specmap_skinned.fx", 0, 7);
    row("normalmap_specmap.fx", 0, 7);
    row("PBS_ext_dual.fx", 3, 8);
    row("PBS_ext.fx", 2, 7);
    row("PBS_tank.fx", 2, 7);
    row("PBS_tank_skinned.fx", 2, 7);
    row("PBS_tank_uvtransform_skinned.fx", 2, 7);
    row("PBS_tank_old.fx", 0, 7);
    row("PBS_tank_old_skinned.fx", 0, 7);
    row("PBS_tank_old_uvtransform_skinned.fx", 0, 7);
    row("PBS_Tank.fx", 5, 7, false);
    row("foo.fx", 5, 7, false);
    QTest::newRow("no prefix") << QStringLiteral("PBS_tank.fx") << 5 << 7 << false;
    QTest::newRow("empty") << QString() << 5 << 7 << true;
}

void TestMaterial::effectTable()
{
    QFETCH(QString, fx);
    QFETCH(int, lit);
    QFETCH(int, unlit);
    QFETCH(bool, known);
    bool found = !known;
    QCOMPARE(int(litShaderLookup(fx, &found)), lit);
    QCOMPARE(found, known);
    QCOMPARE(int(unlitShaderLookup(fx)), unlit);

    const int before = mLog->text(Warning).size();
    QCOMPARE(int(MaterialLoader::litShaderForEffect(fx)), lit);
    QCOMPARE(int(MaterialLoader::unlitShaderForEffect(fx)), unlit);
    QCOMPARE(mLog->text(Warning).size() > before, !known);
}

void TestMaterial::unknownEffectWarnsOnce()
{
    MaterialLoader loader;
    const QString before = mLog->text(Warning);
    const QList<Material *> pair = loader.loadMaterial(
        childrenOf("<material><fx>shaders/std_effects/PBS_Tank.fx</fx></material>"), true);
    const QString added = mLog->text(Warning).mid(before.size());
    QCOMPARE(added.count(QStringLiteral("Could not find shader conversion for: ")), 1);
    QVERIFY(added.contains(QStringLiteral("Could not find shader conversion for: "
                                          "shaders/std_effects/PBS_Tank.fx\nPlease report to ")
                           + MATERIAL_SUPPORT_ADDRESS));
    qDeleteAll(pair);
}

void TestMaterial::textureUnitsFollowAscendingKind()
{
    // Inserted out of order: units still go by kind, one per entry.
    QMap<int, GLuint> textures;
    textures.insert(TextureDiffuse, 10);
    textures.insert(TextureSpecular, 13);
    textures.insert(TextureNormal, 12);

    QList<MaterialTextureUnit> unlit = textureUnitsFor(textures, MATERIAL_UNLIT);
    QCOMPARE(unlit.size(), 2);
    QCOMPARE(unlit.at(0).kind, int(TextureDiffuse));
    QCOMPARE(unlit.at(0).unit, 0);
    QCOMPARE(unlit.at(0).texture, 10u);
    QCOMPARE(unlit.at(1).kind, int(TextureNormal));
    QCOMPARE(unlit.at(1).unit, 1);

    QList<MaterialTextureUnit> lit = textureUnitsFor(textures, MATERIAL_LIT);
    QCOMPARE(lit.size(), 3);
    QCOMPARE(lit.at(2).kind, int(TextureSpecular));
    QCOMPARE(lit.at(2).unit, 2);

    // A gap in the kinds does not leave a gap in the units.
    QMap<int, GLuint> sparse {{TextureDiffuse, 1}, {TextureDetail, 5}, {TextureDiffuse2, 2}};
    lit = textureUnitsFor(sparse, MATERIAL_LIT);
    QCOMPARE(lit.size(), 3);
    QCOMPARE(lit.at(1).kind, int(TextureDiffuse2));
    QCOMPARE(lit.at(1).unit, 1);
    QCOMPARE(lit.at(2).kind, int(TextureDetail));
    QCOMPARE(lit.at(2).unit, 2);
    // Kinds the unlit material does not bind keep their unit reserved.
    sparse.insert(TextureGloss, 4);
    sparse.insert(TextureNormal, 3);
    unlit = textureUnitsFor(sparse, MATERIAL_UNLIT);
    QCOMPARE(unlit.size(), 3);
    QCOMPARE(unlit.last().kind, int(TextureNormal));
    QCOMPARE(unlit.last().unit, 2);

    QCOMPARE(samplerForTextureKind(TextureDiffuse), QStringLiteral("diffuseMap0"));
    QCOMPARE(samplerForTextureKind(TextureDiffuse2), QStringLiteral("diffuseMap1"));
    QCOMPARE(samplerForTextureKind(TextureNormal), QStringLiteral("normalMap"));
    QCOMPARE(samplerForTextureKind(TextureSpecular), QStringLiteral("specularMap"));
    QCOMPARE(samplerForTextureKind(TextureGloss), QStringLiteral("glossMap"));
    QCOMPARE(samplerForTextureKind(TextureDetail), QStringLiteral("detailMap"));
    QVERIFY(samplerForTextureKind(6).isEmpty());
    QVERIFY(!textureKindApplies(6, MATERIAL_LIT));
}

void TestMaterial::blending_data()
{
    QTest::addColumn<QString>("properties");
    QTest::addColumn<bool>("blend");
    QTest::addColumn<bool>("factorSet");
    QTest::newRow("none") << QString() << false << false;
    QTest::newRow("destBlend 13") << "<property>destBlend<Int>13</Int></property>" << true << true;
    QTest::newRow("destBlend 2") << "<property>destBlend<Int>2</Int></property>" << true << false;
    QTest::newRow("srcBlend alone") << "<property>srcBlend<Int>5</Int></property>" << true << false;
    QTest::newRow("both") << "<property>srcBlend<Int>5</Int></property>"
                             "<property>destBlend<Int>13</Int></property>"
                          << true << true;
}

void TestMaterial::blending()
{
    QFETCH(QString, properties);
    QFETCH(bool, blend);
    QFETCH(bool, factorSet);
    MaterialLoader loader;
    const QByteArray xml = "<material>" + properties.toUtf8() + "</material>";
    const QList<Material *> pair = loader.loadMaterial(childrenOf(xml.constData()), false);
    QCOMPARE(pair.size(), 2);
    for (const Material *m : pair) {
        QCOMPARE(m->blend, blend);
        QCOMPARE(m->blendFactorSet, factorSet);
        QCOMPARE(m->blendDest, factorSet ? oneMinusSrcAlpha : 0u);
    }
    qDeleteAll(pair);
}

void TestMaterial::loaderFillsBothMaterials()
{
    MaterialLoader loader;
    const QList<Material *> pair = loader.loadMaterial(
        plainDocument(QByteArray(materialText)).documentElement().childNodes(), true);
    QCOMPARE(pair.size(), 2);
    const Material *lit = pair.at(0);
    const Material *unlit = pair.at(1);
    QCOMPARE(lit->kind, MATERIAL_LIT);
    QCOMPARE(unlit->kind, MATERIAL_UNLIT);
    for (const Material *m : pair) {
        QCOMPARE(m->identifier, QStringLiteral("Hull_Main"));
        QCOMPARE(m->alphaRef, 1.0f);
        QVERIFY(!m->alphaTest);
        QVERIFY(m->doubleSided);
        QVERIFY(!m->dxt1NormalMap);
        QCOMPARE(m->shadowDivide, 90.0f);
        QVERIFY(!m->camoEnabled);
        QVERIFY(!m->hidden);
    }
    QCOMPARE(lit->textures.keys(), (QList<int> {0, 1, 2, 3, 4, 5}));
    QCOMPARE(unlit->textures.keys(), (QList<int> {0, 1, 2}));
    // Detail values belong to the lit material only.
    QVERIFY(lit->detailMetallic);
    QCOMPARE(lit->detailPower, 0.5f);
    QVERIFY(!unlit->detailMetallic);
    QCOMPARE(unlit->detailPower, 0.0f);
    qDeleteAll(pair);
}

void TestMaterial::collisionMaterialsReadOnlyIdentifierAndSides()
{
    MaterialLoader loader;
    const QList<Material *> pair = loader.createCollisionMaterials(
        childrenOf("<material><identifier>  armor \n 12 </identifier>"
                   "<property>alphaTestEnable<Bool>true</Bool></property>"
                   "<property>diffuseMap<Texture>a.dds</Texture></property>"
                   "<property>destBlend<Int>13</Int></property>"
                   "<property>doubleSided<Bool> true </Bool></property></material>"));
    QCOMPARE(pair.size(), 2);
    QCOMPARE(pair.at(0)->kind, MATERIAL_LIT);
    QCOMPARE(pair.at(1)->kind, MATERIAL_UNLIT);
    for (const Material *m : pair) {
        QCOMPARE(m->identifier, QStringLiteral("armor 12"));
        QVERIFY(m->doubleSided);
        QVERIFY(!m->alphaTest);
        QVERIFY(!m->blend);
        QVERIFY(m->textures.isEmpty());
    }
    qDeleteAll(pair);

    const CollisionMaterialDescription single = parseCollisionMaterialChildren(
        childrenOf("<material><property>doubleSided<Bool>false</Bool></property></material>"));
    QVERIFY(!single.doubleSided);
}

void TestMaterial::equipmentNeverGetsCamouflage()
{
    Material m(MATERIAL_LIT);
    m.camoEnabled = true;
    m.identifier = QStringLiteral("Hull_equipment_01");
    QVERIFY(!m.effectiveCamoEnabled());
    // The test is case-sensitive.
    m.identifier = QStringLiteral("Hull_Equipment_01");
    QVERIFY(m.effectiveCamoEnabled());
    m.camoEnabled = false;
    QVERIFY(!m.effectiveCamoEnabled());
}

void TestMaterial::loaderLifetime()
{
    QVERIFY(!MaterialLoader::instance());
    {
        MaterialLoader loader;
        QCOMPARE(MaterialLoader::instance(), &loader);
        QCOMPARE(loader.defaultIndex, 0);
        // Without shader and texture loaders the defaults still exist, program-less.
        loader.createDefaultMaterials();
        QCOMPARE(loader.defaultMaterials.size(), 2);
        QCOMPARE(loader.defaultMaterials.at(0)->kind, MATERIAL_LIT);
        QCOMPARE(loader.defaultMaterials.at(1)->kind, MATERIAL_UNLIT);
        QVERIFY(loader.defaultMaterials.at(1)->textures.contains(TextureDiffuse));
        QVERIFY(loader.wireframeMaterial);
        QCOMPARE(loader.wireframeMaterial->kind, MATERIAL_UNLIT);
        QVERIFY(loader.depthMaterial);
        QVERIFY(mLog->text(Info).contains(QStringLiteral("Creating default materials.")));
        // A second build replaces the first (run under ASan this shows no leak).
        loader.createDefaultMaterials();
        QCOMPARE(loader.defaultMaterials.size(), 2);
    }
    QVERIFY(!MaterialLoader::instance());
}

QTEST_MAIN(TestMaterial)
#include "test_material.moc"
