#include "render/buffermanager.h"
#include "render/indexbuffer.h"
#include "render/material.h"
#include "render/materialloader.h"
#include "render/offscreengl.h"
#include "render/textureloader.h"
#include "render/vertexbuffer.h"
#include "render/visual.h"

#include "core/dialogs.h"
#include "core/fatalerror.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "gamedata/primitiveparser.h"
#include "gamedata/vertexsection.h"
#include "gamedata/visualgeometry.h"
#include "gamedata/writerfixtures.h"

#include <QDir>
#include <QDomNodeList>
#include <QFile>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_2_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <memory>
#include <vector>

namespace {

const char *visualText = R"(<root>
 <node><identifier>Scene Root</identifier>
  <node><identifier>HP_turretJoint</identifier>
   <transform><row0>1 0 0</row0><row1>0 1 0</row1><row2>0 0 1</row2><row3>1 2 3</row3></transform>
  </node>
 </node>
 <renderSet>
  <node>Scene Root</node>
  <geometry>
   <vertices>Hull.vertices</vertices><primitive>Hull.indices</primitive><stream>uv2</stream>
   <primitiveGroup>0<material><property>diffuseMap<Texture>vehicles/a/hull_AM.dds</Texture></property></material></primitiveGroup>
   <primitiveGroup>1<material><property>diffuseMap<Texture>vehicles/a/tracks/track_AM.dds</Texture></property></material></primitiveGroup>
  </geometry>
 </renderSet>
 <renderSet>
  <node>hp_turretjoint</node>
  <geometry><vertices>Missing.vertices</vertices><primitive>Missing.indices</primitive>
   <primitiveGroup>0<material><property>diffuseMap<Texture>vehicles/a/missing_AM.dds</Texture></property></material></primitiveGroup>
  </geometry>
  <geometry>
   <vertices>Gun.vertices</vertices><primitive>Gun.indices</primitive>
   <primitiveGroup>0<material><property>diffuseMap<Texture>vehicles/a/gun_AM.dds</Texture></property></material></primitiveGroup>
  </geometry>
 </renderSet>
</root>)";

// Hull: 72 xyznuvtb vertices with a uv2 stream, 24 triangles in two groups of 12;
// Gun: 36 xyznuv vertices, 12 triangles in a 32-bit section, one group.
const char *primitivesExpression =
    "P.write_primitives(["
    "('Hull.vertices', P.vertex_section('xyznuvtb', [dict(pos=(i, 2 * i, 3), normal=(0, 1, 0), "
    "uv=(i / 100.0, 0.5)) for i in range(72)])), "
    "('Hull.indices', P.index_section(list(range(72)), groups=[(0, 12, 0, 36), (36, 12, 36, "
    "36)])), "
    "('uv2', P.uv2_section([(i, -i) for i in range(72)])), "
    "('Gun.vertices', P.vertex_section('xyznuv', [((i, 0, 0), (1, 0, 0), (1.25, i / 100.0)) "
    "for i in range(36)])), "
    "('Gun.indices', P.index_section(list(range(36)), fmt='list32'))])";

} // namespace

class TestVertexBuffer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void layoutQueriedBack();
    void emptyAndMissingAttributes();
    void stateAfterCreateAndNamesFreed();
    void destroyWithoutContext();
    void indexUpload_data();
    void indexUpload();
    void vertexUpload();
    void unknownAndEmptyVertexSections();
    void visualLoadAndClear();
    void visualFailures();

private:
    QString errors() const { return mLog->text(Error); }
    QString warnings() const { return mLog->text(Warning); }
    void verifyNoGlError() const { QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR)); }
    QByteArray bufferBytes(GLenum target, GLuint name, qint64 size) const;
    // The record of fixtures (an empty name: no such section).
    VisualGeometry decoded(const char *vertices, const char *uv2, const char *indices) const
    {
        const QByteArray v = mFixtures.value(QString::fromLatin1(vertices));
        const QByteArray u = mFixtures.value(QString::fromLatin1(uv2));
        const QByteArray i = mFixtures.value(QString::fromLatin1(indices));
        return decodeVisualGeometry({}, *vertices ? &v : nullptr, *uv2 ? &u : nullptr,
                                    *indices ? &i : nullptr);
    }

    QTemporaryDir mRoot;
    std::unique_ptr<Log> mLog;
    std::unique_ptr<FileManager> mFiles;
    std::unique_ptr<BufferManager> mBuffers;
    std::unique_ptr<QOpenGLContext> mContext;
    std::unique_ptr<QOffscreenSurface> mSurface;
    QOpenGLFunctions_3_2_Core *gl = nullptr;
    QMap<QString, QByteArray> mFixtures;
    int mBoxes = 0;
};

void TestVertexBuffer::initTestCase()
{
    QVERIFY(QDir(mRoot.path()).mkpath(QStringLiteral("bin_x64")));
    QVERIFY(QDir(mRoot.path()).mkpath(QStringLiteral("bin_x64/vehicles/a")));
    QVERIFY(QDir::setCurrent(mRoot.path() + QStringLiteral("/bin_x64")));
    mLog = std::make_unique<Log>();
    mFiles = std::make_unique<FileManager>();
    mBuffers = std::make_unique<BufferManager>();
    setMessageBoxHandler([this](const MessageBoxRequest &) {
        ++mBoxes;
        return int(QMessageBox::Ok);
    });

    mFixtures = buildWithWriters({
        {"primitives", QString::fromLatin1(primitivesExpression)},
        {"idx012", "P.index_section([0, 1, 2])"},
        {"idx7", "P.index_section([0, 1, 2, 3, 4, 5, 6], groups=[])"},
        {"idx32", "P.index_section([0, 1, 70000], fmt='list32')"},
        {"idxNone", "P.index_section([], groups=[])"},
        {"tb",
         "P.vertex_section('xyznuvtb', [dict(pos=(1, 2, 3), normal=(1, 0, 0), uv=(0.5, 0.25)),"
         " dict(pos=(4, 5, 6), normal=(0, 0, 1), uv=(0.75, 1))])"},
        {"uv2", "P.uv2_section([(7, 8), (9, 10)])"},
        {"skinned", "P.vertex_section('xyznuviiiwwtb', [dict(pos=(1, 2, 3), normal=(0, 1, 0), "
                    "uv=(0, 1), weights=(51, 102))])"},
        {"unknown", "b'abc'.ljust(64, b'\\0') + struct.pack('<i', 1) + bytes(32)"},
        {"zero", "P.vertex_section('xyznuv', [])"},
    });
    QCOMPARE(mFixtures.size(), 10);
    QFile primitives(QStringLiteral("vehicles/a/hull.primitives"));
    QVERIFY(primitives.open(QIODevice::WriteOnly));
    primitives.write(mFixtures.value(QStringLiteral("primitives")));
    primitives.close();
    QFile visual(QStringLiteral("vehicles/a/hull.visual"));
    QVERIFY(visual.open(QIODevice::WriteOnly));
    visual.write(visualText);
    visual.close();

    HULLSCOPE_REQUIRE_OFFSCREEN_GL(mContext, mSurface, gl);
    verifyNoGlError();
}

void TestVertexBuffer::cleanupTestCase()
{
    if (mContext) {
        mContext->makeCurrent(mSurface.get());
    }
    mBuffers.reset();
    setMessageBoxHandler({});
}

void TestVertexBuffer::init()
{
    mBoxes = 0;
    resetFatalErrorState();
    QVERIFY(mContext->makeCurrent(mSurface.get()));
}

QByteArray TestVertexBuffer::bufferBytes(GLenum target, GLuint name, qint64 size) const
{
    QByteArray bytes(int(size), '\x55');
    gl->glBindBuffer(target, name);
    gl->glGetBufferSubData(target, 0, GLsizeiptr(size), bytes.data());
    gl->glBindBuffer(target, 0);
    return bytes;
}

void TestVertexBuffer::layoutQueriedBack()
{
    struct Row
    {
        QList<quint32> types;
        quint32 size;
        QList<GLint> components;
        QList<GLint> glTypes;
        QList<quintptr> offsets;
    };
    const QList<Row> rows = {
        {{2, 4, 1}, 21, {3, 1, 2}, {GL_FLOAT, GL_UNSIGNED_BYTE, GL_FLOAT}, {0, 12, 13}},
        {{5, 6, 0, 3}, 28, {4, 4, 1, 4}, {0x8368, 0x8D9F, GL_FLOAT, GL_FLOAT}, {0, 4, 8, 12}},
    };
    for (const Row &row : rows) {
        VertexBuffer buffer;
        QList<VertexAttribute *> attributes;
        for (int i = 0; i < row.types.size(); ++i) {
            attributes.append(new VertexAttribute {row.types.at(i), quint32(i + 1)});
        }
        buffer.setAttributes(attributes);
        QCOMPARE(buffer.vertexSize(), row.size);
        QCOMPARE(buffer.stride, row.size);
        buffer.create(3, nullptr);
        verifyNoGlError();
        QCOMPARE(buffer.byteSize, 3 * row.size);
        gl->glBindVertexArray(buffer.vao);
        for (int i = 0; i < row.types.size(); ++i) {
            const GLuint location = GLuint(i + 1);
            GLint value = -1;
            gl->glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_SIZE, &value);
            QCOMPARE(value, row.components.at(i));
            gl->glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_TYPE, &value);
            QCOMPARE(value, row.glTypes.at(i));
            gl->glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &value);
            QCOMPARE(value, GLint(row.size));
            gl->glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_NORMALIZED, &value);
            QCOMPARE(value, GLint(GL_FALSE));
            gl->glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &value);
            QCOMPARE(GLuint(value), buffer.vbo);
            void *pointer = reinterpret_cast<void *>(quintptr(1));
            gl->glGetVertexAttribPointerv(location, GL_VERTEX_ATTRIB_ARRAY_POINTER, &pointer);
            QCOMPARE(reinterpret_cast<quintptr>(pointer), row.offsets.at(i));
        }
        gl->glBindVertexArray(0);
        verifyNoGlError();
    }
}

void TestVertexBuffer::emptyAndMissingAttributes()
{
    VertexBuffer empty;
    empty.setAttributes({new VertexAttribute {2, 0}});
    empty.create(0, nullptr);
    QVERIFY(gl->glIsBuffer(empty.vbo));
    QVERIFY(gl->glIsVertexArray(empty.vao));
    GLint size = -1;
    gl->glBindBuffer(GL_ARRAY_BUFFER, empty.vbo);
    gl->glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    QCOMPARE(size, 0);

    const QString line =
        QStringLiteral("Internal engine problem: No vertex attribute set for vertex buffer");
    const int before = errors().count(line);
    VertexBuffer none;
    none.create(5, nullptr);
    QCOMPARE(errors().count(line), before + 1);
    QCOMPARE(none.byteSize, 0u);
    QCOMPARE(none.vertexCount, 5u);
    gl->glBindBuffer(GL_ARRAY_BUFFER, none.vbo);
    gl->glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
    QCOMPARE(size, 0);
    verifyNoGlError();
}

void TestVertexBuffer::stateAfterCreateAndNamesFreed()
{
    GLuint vbo = 0;
    GLuint vao = 0;
    {
        VertexBuffer buffer;
        buffer.setAttributes({new VertexAttribute {2, 0}, new VertexAttribute {1, 3}});
        const float data[] = {1, 2, 3, 4, 5};
        buffer.create(1, data);
        vbo = buffer.vbo;
        vao = buffer.vao;
        GLint binding = -1;
        gl->glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &binding);
        QCOMPARE(binding, 0);
        gl->glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &binding);
        QCOMPARE(binding, 0);
        QCOMPARE(bufferBytes(GL_ARRAY_BUFFER, vbo, 20),
                 QByteArray(reinterpret_cast<const char *>(data), 20));

        auto enabled = [&](GLuint location) {
            GLint value = -1;
            gl->glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &value);
            return value != 0;
        };
        gl->glBindVertexArray(vao);
        QVERIFY(!enabled(0) && !enabled(3));
        buffer.bind();
        gl->glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &binding);
        QCOMPARE(GLuint(binding), vao);
        QVERIFY(enabled(0) && enabled(3));
        buffer.unbind();
        gl->glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &binding);
        QCOMPARE(binding, 0);
        gl->glBindVertexArray(vao);
        QVERIFY(!enabled(0) && !enabled(3));
        gl->glBindVertexArray(0);

        // Moving hands the names over; the moved-from buffer owns nothing.
        VertexBuffer moved(std::move(buffer));
        QCOMPARE(moved.vbo, vbo);
        QCOMPARE(buffer.vbo, 0u);
        QCOMPARE(moved.attributes.size(), 2);
    }
    QVERIFY(!gl->glIsBuffer(vbo));
    QVERIFY(!gl->glIsVertexArray(vao));
    verifyNoGlError();
}

void TestVertexBuffer::destroyWithoutContext()
{
    auto buffer = std::make_unique<VertexBuffer>();
    buffer->setAttributes({new VertexAttribute {2, 0}});
    buffer->create(4, nullptr);
    auto index = std::make_unique<IndexBuffer>();
    index->load(decoded("", "", "idx012"));
    QVERIFY(index->buffer() != 0);
    mContext->doneCurrent();
    buffer.reset();
    index.reset();
    // Without a context the record still decodes, and no GL object is made from it.
    const VisualGeometry cpuOnly = decoded("tb", "", "idx012");
    QCOMPARE(cpuOnly.indices16, (QVector<quint16> {2, 1, 0}));
    QCOMPARE(cpuOnly.positions.size(), 2);
    IndexBuffer cpu;
    cpu.load(cpuOnly);
    QCOMPARE(cpu.buffer(), 0u);
    QCOMPARE(cpu.groups.size(), 1);
    VertexBuffer *vertices = mBuffers->loadVertices(QStringLiteral("cpu"), cpuOnly);
    QCOMPARE(vertices->vbo, 0u);
    QCOMPARE(vertices->attributes.size(), 5);
    mBuffers->removeBuffer(vertices);
    QVERIFY(mContext->makeCurrent(mSurface.get()));
    verifyNoGlError();
}

void TestVertexBuffer::indexUpload_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<bool>("wide");
    QTest::addColumn<QList<quint32>>("contents");
    using I = QList<quint32>;
    QTest::newRow("16-bit reversed") << "idx012" << false << I {2, 1, 0};
    QTest::newRow("7 indices: whole triangles, then zero")
        << "idx7" << false << I {2, 1, 0, 5, 4, 3, 0};
    QTest::newRow("32-bit reversed") << "idx32" << true << I {70000, 1, 0};
    QTest::newRow("no indices") << "idxNone" << false << I {};
}

void TestVertexBuffer::indexUpload()
{
    QFETCH(QString, fixture);
    QFETCH(bool, wide);
    QFETCH(QList<quint32>, contents);
    IndexBuffer buffer;
    buffer.load(decoded("", "", fixture.toLatin1().constData()));
    verifyNoGlError();
    QCOMPARE(buffer.use32BitIndices, wide);
    const int width = wide ? 4 : 2;
    QCOMPARE(buffer.byteSize(), qint64(contents.size()) * width);
    QVERIFY(gl->glIsBuffer(buffer.buffer()));
    GLint size = -1;
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer.buffer());
    gl->glGetBufferParameteriv(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    QCOMPARE(qint64(size), buffer.byteSize());
    if (contents.isEmpty()) {
        return;
    }
    const QByteArray bytes =
        bufferBytes(GL_ELEMENT_ARRAY_BUFFER, buffer.buffer(), buffer.byteSize());
    for (int i = 0; i < contents.size(); ++i) {
        const quint32 value = wide ? qFromLittleEndian<quint32>(bytes.constData() + 4 * i)
                                   : qFromLittleEndian<quint16>(bytes.constData() + 2 * i);
        QCOMPARE(value, contents.at(i));
    }
    verifyNoGlError();
}

void TestVertexBuffer::vertexUpload()
{
    struct Row
    {
        const char *fixture;
        const char *uv2;
        int floats;
        int attributes;
    };
    const QList<Row> rows = {{"tb", "uv2", 16, 6}, {"tb", "", 14, 5}, {"skinned", "", 17, 6}};
    for (const Row &row : rows) {
        const QByteArray section = mFixtures.value(QString::fromLatin1(row.fixture));
        const QByteArray uv2 = mFixtures.value(QString::fromLatin1(row.uv2));
        const VisualGeometry geometry = decoded(row.fixture, row.uv2, "");
        const int before = int(mBuffers->entries.size());
        VertexBuffer *buffer =
            mBuffers->loadVertices(QStringLiteral("a.visualHull.vertices"), geometry);
        verifyNoGlError();
        QCOMPARE(int(mBuffers->entries.size()), before + 1);
        QCOMPARE(mBuffers->entries.last().name, QStringLiteral("a.visualHull.vertices"));
        QCOMPARE(buffer->attributes.size(), row.attributes);
        QCOMPARE(buffer->stride, quint32(row.floats * 4));

        // The GL buffer holds exactly the record's vertices in the upload layout.
        const VertexSection layout = inspectVertexSection(section, uv2);
        std::vector<float> expected(size_t(layout.vertexCount) * size_t(layout.floatsPerVertex));
        QVERIFY(
            interleaveVertices(geometry, expected.data(), qint64(expected.size() * sizeof(float))));
        QCOMPARE(buffer->byteSize, quint32(expected.size() * 4));
        QCOMPARE(
            bufferBytes(GL_ARRAY_BUFFER, buffer->vbo, buffer->byteSize),
            QByteArray(reinterpret_cast<const char *>(expected.data()), int(expected.size() * 4)));
        QCOMPARE(geometry.positions.size(), int(layout.vertexCount));
        QCOMPARE(geometry.uvs2.size(), uv2.isEmpty() ? 0 : int(layout.vertexCount));
        if (QByteArray(row.fixture) == "skinned") {
            QCOMPARE(geometry.boneWeights.at(0), glm::vec3(0.2f, 0.4f, 1.0f - 0.2f - 0.4f));
        }
        mBuffers->removeBuffer(buffer);
        QCOMPARE(int(mBuffers->entries.size()), before);
    }
    verifyNoGlError();
}

void TestVertexBuffer::unknownAndEmptyVertexSections()
{
    const VisualGeometry geometry = decoded("unknown", "", "");
    VertexBuffer *unknown = mBuffers->loadVertices(QStringLiteral("u"), geometry);
    QVERIFY(errors().contains(QStringLiteral("Vertex format not supported:abc\r\n")));
    QCOMPARE(unknown->vbo, 0u);
    QCOMPARE(unknown->vao, 0u);
    QCOMPARE(unknown->vertexCount, 0u);
    QVERIFY(geometry.positions.isEmpty());

    // No vertices: valid, empty GL objects, never mapped.
    VertexBuffer *zero = mBuffers->loadVertices(QStringLiteral("z"), decoded("zero", "", ""));
    verifyNoGlError();
    QVERIFY(gl->glIsBuffer(zero->vbo));
    QCOMPARE(zero->byteSize, 0u);
    mBuffers->removeBuffer(unknown);
    mBuffers->removeBuffer(zero);
    // A buffer that is not registered is left alone.
    VertexBuffer stray;
    mBuffers->removeBuffer(&stray);
    QVERIFY(mBoxes == 0);
}

void TestVertexBuffer::visualLoadAndClear()
{
    // Real loaders; the textures sit in the per-tank cache already, so no file is read.
    TextureLoader textures(nullptr, QStringLiteral("no-data"));
    MaterialLoader materials;
    const QStringList names = {QStringLiteral("vehicles/a/hull_AM.dds"),
                               QStringLiteral("vehicles/a/tracks/track_AM.dds"),
                               QStringLiteral("vehicles/a/gun_AM.dds")};
    GLuint made[3] = {0, 0, 0};
    gl->glGenTextures(3, made);
    for (int i = 0; i < 3; ++i) {
        textures.tankTextures.insert(names.at(i), made[i]);
    }
    PrimitiveParser parser;
    QVERIFY(parser.load(QStringLiteral("vehicles/a/hull.model")));
    QCOMPARE(parser.chunks.size(), 5);

    // Records already in the caller's vector must not shift the UV pairing.
    QVector<VisualGeometry *> geometries = {new VisualGeometry};
    QVector<UvMapEntry> uv;
    Visual visual;
    const int entriesBefore = int(mBuffers->entries.size());
    QVERIFY(
        visual.load(&parser, QStringLiteral("vehicles/a/hull.model"), geometries, uv, true, true));
    verifyNoGlError();
    QCOMPARE(visual.fileName, QStringLiteral("vehicles/a/hull.visual"));
    QVERIFY(visual.text.startsWith(QStringLiteral("<root>\n <node>\n  <identifier>")));
    QCOMPARE(visual.root->identifier, QStringLiteral("Scene Root"));
    QCOMPARE(int(visual.renderSets.size()), 2);
    QCOMPARE(visual.renderSets.at(1).nodes.at(0)->identifier, QStringLiteral("HP_turretJoint"));
    QCOMPARE(geometries.size(), 4);
    QCOMPARE(geometries.at(1)->name, QStringLiteral("Hull"));
    QCOMPARE(geometries.at(1)->uvs2.size(), 72);
    QCOMPARE(geometries.at(1)->triangleCount, 24u);
    QCOMPARE(geometries.at(3)->indices32.size(), 36);
    QCOMPARE(int(mBuffers->entries.size()), entriesBefore + 3);
    QCOMPARE(mBuffers->entries.at(entriesBefore).name,
             QStringLiteral("vehicles/a/hull.visualHull.vertices"));
    QCOMPARE(visual.renderSets.at(0).geometries.at(0).vertexBuffer->stride, 64u);
    QCOMPARE(visual.renderSets.at(0).geometries.at(0).groups.at(1).groupIndex, 1);
    // A lit and an unlit material per group, each with its group's diffuse texture.
    const auto &hullGroups = visual.renderSets.at(0).geometries.at(0).groups;
    const auto &gunGroups = visual.renderSets.at(1).geometries.at(1).groups;
    QCOMPARE(hullGroups.size(), 2);
    QCOMPARE(gunGroups.size(), 1);
    const QList<Material *> groupMaterials[3] = {
        hullGroups.at(0).materials, hullGroups.at(1).materials, gunGroups.at(0).materials};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(groupMaterials[i].size(), 2);
        QCOMPARE(groupMaterials[i].at(0)->kind, MATERIAL_LIT);
        QCOMPARE(groupMaterials[i].at(1)->kind, MATERIAL_UNLIT);
        QCOMPARE(groupMaterials[i].at(0)->textures.value(TextureDiffuse), made[i]);
        QCOMPARE(groupMaterials[i].at(1)->textures.value(TextureDiffuse), made[i]);
    }

    // The missing geometry keeps its place: empty buffers, no GL names, no groups.
    const VisualGeometryEntry &missing = visual.renderSets.at(1).geometries.at(0);
    QCOMPARE(missing.vertexBuffer->vbo, 0u);
    QCOMPARE(missing.indexBuffer->buffer(), 0u);
    QVERIFY(missing.indexBuffer->groups.isEmpty());
    QVERIFY(missing.groups.isEmpty());
    QVERIFY(geometries.at(2)->positions.isEmpty());
    QCOMPARE(geometries.at(2)->name, QStringLiteral("Missing"));
    QVERIFY(warnings().contains(QStringLiteral("Could not locate data chunk: Missing.vertices")));

    QCOMPARE(visual.triangleCount(), 24u + 12u);

    // UV triangles: the hull group (the track group is skipped) and the gun group,
    // each from its own geometry; the gun's u of 1.25 becomes 0.25.
    QCOMPARE(uv.size(), 2);
    QCOMPARE(uv.at(0).texture, QStringLiteral("vehicles/a/hull_AM.dds"));
    QCOMPARE(uv.at(0).points.size(), 36);
    QCOMPARE(uv.at(0).points.at(0), geometries.at(1)->uvs.at(2));
    QCOMPARE(uv.at(1).texture, QStringLiteral("vehicles/a/gun_AM.dds"));
    QCOMPARE(uv.at(1).points.size(), 36);
    QCOMPARE(uv.at(1).points.at(0), glm::vec2(0.25f, 0.02f));
    // Reading the model for its UV triangles alone makes no GL object and finds the same.
    QVector<UvMapEntry> cpuUv;
    QVERIFY(collectModelUvTriangles(QStringLiteral("vehicles/a/hull.model"), &cpuUv));
    QCOMPARE(cpuUv.size(), uv.size());
    for (int i = 0; i < uv.size(); ++i) {
        QCOMPARE(cpuUv.at(i).texture, uv.at(i).texture);
        QCOMPARE(cpuUv.at(i).points, uv.at(i).points);
    }
    QCOMPARE(int(mBuffers->entries.size()), entriesBefore + 3);
    QCOMPARE(textures.tankTextures.size(), 3);

    const GLuint indexName = visual.renderSets.at(0).geometries.at(0).indexBuffer->buffer();
    const GLuint vertexName = visual.renderSets.at(0).geometries.at(0).vertexBuffer->vbo;
    visual.clear();
    QCOMPARE(int(mBuffers->entries.size()), entriesBefore);
    QVERIFY(visual.renderSets.empty());
    QVERIFY(visual.text.isEmpty());
    QVERIFY(visual.root->identifier.isEmpty());
    QCOMPARE(visual.fileName, QStringLiteral("vehicles/a/hull.visual"));
    QCOMPARE(visual.triangleCount(), 0u);
    QVERIFY(!gl->glIsBuffer(indexName));
    QVERIFY(!gl->glIsBuffer(vertexName));
    verifyNoGlError();
    qDeleteAll(geometries);
    // The visual freed its materials; the textures stay the loader's.
    QCOMPARE(textures.tankTextures.size(), 3);
    textures.clear();
    verifyNoGlError();
}

void TestVertexBuffer::visualFailures()
{
    Visual visual;
    PrimitiveParser parser;
    QVector<VisualGeometry *> geometries;
    QVector<UvMapEntry> uv;
    QVERIFY(
        !visual.load(&parser, QStringLiteral("vehicles/b/none.model"), geometries, uv, true, true));
    QVERIFY(warnings().contains(QStringLiteral("Failed loading: vehicles/b/none.visual")));
    QVERIFY(visual.renderSets.empty());

    QFile junk(QStringLiteral("vehicles/a/junk.visual"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not xml at all");
    junk.close();
    QVERIFY(
        visual.load(&parser, QStringLiteral("vehicles/a/junk.visual"), geometries, uv, true, true));
    QVERIFY(visual.renderSets.empty());
    QVERIFY(geometries.isEmpty());
    QCOMPARE(visual.root->scale, glm::vec3(0.0f));
    QCOMPARE(visual.triangleCount(), 0u);

    // Without a material loader groups get no materials, but the UV triangles name
    // their textures from the file all the same, and the track group is still skipped.
    QVERIFY(parser.load(QStringLiteral("vehicles/a/hull.model")));
    QVERIFY(visual.load(&parser, QStringLiteral("vehicles/a/hull.visual"), geometries, uv, true,
                        false));
    QVERIFY(visual.renderSets.at(0).geometries.at(0).groups.at(0).materials.isEmpty());
    QCOMPARE(uv.size(), 2);
    QCOMPARE(uv.at(0).texture, QStringLiteral("vehicles/a/hull_AM.dds"));
    QCOMPARE(uv.at(1).texture, QStringLiteral("vehicles/a/gun_AM.dds"));
    visual.clear();
    qDeleteAll(geometries);
    verifyNoGlError();
}

QTEST_MAIN(TestVertexBuffer)
#include "test_vertexbuffer_gl.moc"
