#include "gamedata/indexsection.h"
#include "gamedata/primitiveparser.h"
#include "gamedata/vertexsection.h"
#include "gamedata/visualgeometry.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>
#include <vector>

namespace {

// A 317 x 317 vertex grid, 199,712 triangles in 32-bit indices and four groups,
// written once per format by the project's own writer.
const QByteArray &model(const QString &format)
{
    static std::map<QString, QByteArray> cache;
    auto it = cache.find(format);
    if (it != cache.end()) {
        return it->second;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("grid.primitives"));
    const QString script =
        QStringLiteral(
            "import primitives as P, math\n"
            "n = 317\n"
            "v = [dict(pos=(x * 0.01, math.sin(x * 0.1) * math.cos(z * 0.1), z * 0.01),"
            " normal=(0.0, 1.0, 0.0), uv=(x / n, z / n), tangent=(1, 0, 0), binormal=(0, 0, 1),"
            " bones=(1, 2, 3), weights=(200, 55)) for z in range(n) for x in range(n)]\n"
            "if '%1' == 'xyznuv':\n"
            "    v = [(d['pos'], d['normal'], d['uv']) for d in v]\n"
            "t = []\n"
            "for z in range(n - 1):\n"
            "    for x in range(n - 1):\n"
            "        a = z * n + x\n"
            "        t += [a, a + n, a + 1, a + 1, a + n, a + n + 1]\n"
            "q = len(t) // 12\n"
            "g = [(k * q * 3, q, 0, n * n) for k in range(4)]\n"
            "open('%2', 'wb').write(P.write_primitives([('Grid.vertices', P.vertex_section('%1', "
            "v)),"
            " ('Grid.indices', P.index_section(t, groups=g, fmt='list32'))]))\n")
            .arg(format, path);
    QProcess python;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PYTHONPATH"), QStringLiteral(HULLSCOPE_TOOLS_DIR "/formats"));
    python.setProcessEnvironment(env);
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), script});
    python.waitForFinished(600000);
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.readAll();
    }
    return cache.emplace(format, bytes).first->second;
}

// Section table, index and vertex decode into the CPU record, and the record into the
// interleaved floats of the upload, as one model load does them.
void parseAndDecode(benchmark::State &state, const QString &format)
{
    const QByteArray &bytes = model(format);
    if (bytes.isEmpty()) {
        state.SkipWithError("the writer made no model");
        return;
    }
    std::vector<float> floats;
    for (auto _ : state) {
        PrimitiveParser parser;
        if (!parser.parseBytes(bytes) || parser.chunks.size() != 2) {
            state.SkipWithError("parse failed");
            return;
        }
        const VisualGeometry geometry = decodeVisualGeometry(QString(), &parser.chunks.at(0)->data,
                                                             nullptr, &parser.chunks.at(1)->data);
        const VertexSection &layout = geometry.vertexLayout;
        floats.resize(size_t(layout.vertexCount) * size_t(layout.floatsPerVertex));
        (void)interleaveVertices(geometry, floats.data(), qint64(floats.size() * sizeof(float)));
        benchmark::DoNotOptimize(floats.data());
        benchmark::DoNotOptimize(geometry.indexLayout.groups.size());
        if (geometry.triangleCount != 199712) {
            state.SkipWithError("wrong triangle count");
            return;
        }
    }
    state.SetBytesProcessed(qint64(state.iterations()) * bytes.size());
    state.counters["triangles"] = 199712;
}

void BM_Primitives_Xyznuvtb(benchmark::State &state)
{
    parseAndDecode(state, QStringLiteral("xyznuvtb"));
}

void BM_Primitives_Xyznuviiiwwtb(benchmark::State &state)
{
    parseAndDecode(state, QStringLiteral("xyznuviiiwwtb"));
}

void BM_Primitives_Xyznuv(benchmark::State &state)
{
    parseAndDecode(state, QStringLiteral("xyznuv"));
}

} // namespace

BENCHMARK(BM_Primitives_Xyznuvtb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Primitives_Xyznuviiiwwtb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Primitives_Xyznuv)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
