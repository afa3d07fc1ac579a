#include "gamedata/packedxmlreader.h"

#include <QByteArray>
#include <QDomDocument>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>

namespace {

// A tank-definition-like plain document of about the given size.
QByteArray plainDocument(int targetBytes)
{
    QByteArray xml = "<root>";
    for (int i = 0; xml.size() < targetBytes; ++i) {
        xml += "<part" + QByteArray::number(i % 7) + "><name>hull_" + QByteArray::number(i)
               + "</name><armor>" + QByteArray::number(i % 120) + "</armor><weight>"
               + QByteArray::number(1000 + i) + "</weight><position>0.5 "
               + QByteArray::number(i % 10)
               + ".25 -1.75</position><hidden>false</hidden>"
                 "<transform><row0>1 0 0</row0><row1>0 1 0</row1><row2>0 0 1</row2><row3>0.1 2 "
                 "3.5</row3></transform>"
                 "<models><undamaged>vehicles/a/normal/lod0/hull.model</undamaged>"
                 "<destroyed>vehicles/a/crash/lod0/hull.model</destroyed></models></part"
               + QByteArray::number(i % 7) + ">";
    }
    return xml + "</root>";
}

struct Pair
{
    QByteArray packed;
    QByteArray plain;
};

// Packs with the project's writer and unpacks again, so both sides hold
// exactly the same content.
const Pair &pairOf(int targetBytes)
{
    static std::map<int, Pair> cache;
    auto it = cache.find(targetBytes);
    if (it != cache.end()) {
        return it->second;
    }
    QTemporaryDir temp;
    const QString in = temp.filePath(QStringLiteral("in.xml"));
    const QString packed = temp.filePath(QStringLiteral("packed.xml"));
    const QString plain = temp.filePath(QStringLiteral("plain.xml"));
    QFile file(in);
    file.open(QIODevice::WriteOnly);
    file.write(plainDocument(targetBytes));
    file.close();
    const QString tool = QStringLiteral(HULLSCOPE_TOOLS_DIR "/formats/packedxml.py");
    QProcess::execute(QStringLiteral("python3"), {tool, QStringLiteral("pack"), in, packed});
    QProcess::execute(QStringLiteral("python3"), {tool, QStringLiteral("unpack"), packed, plain});
    Pair pair;
    QFile p(packed);
    if (p.open(QIODevice::ReadOnly)) {
        pair.packed = p.readAll();
    }
    QFile q(plain);
    if (q.open(QIODevice::ReadOnly)) {
        pair.plain = q.readAll();
    }
    return cache.emplace(targetBytes, pair).first->second;
}

void BM_PackedRead(benchmark::State &state)
{
    const Pair &pair = pairOf(int(state.range(0)));
    if (pair.packed.isEmpty()) {
        state.SkipWithError("packing failed");
        return;
    }
    for (auto _ : state) {
        QDomDocument doc =
            PackedXmlReader::parse(pair.packed, QStringLiteral("vehicles/a/hull.xml"));
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(qint64(state.iterations()) * pair.plain.size());
    state.counters["packed_bytes"] = double(pair.packed.size());
}

void BM_QtPlainParse(benchmark::State &state)
{
    const Pair &pair = pairOf(int(state.range(0)));
    if (pair.plain.isEmpty()) {
        state.SkipWithError("unpacking failed");
        return;
    }
    for (auto _ : state) {
        QDomDocument doc;
        doc.setContent(pair.plain, false);
        benchmark::DoNotOptimize(doc);
    }
    // The same content measure on both sides: the plain text's size.
    state.SetBytesProcessed(qint64(state.iterations()) * pair.plain.size());
}

} // namespace

BENCHMARK(BM_PackedRead)->Arg(200 * 1024)->Arg(2 * 1024 * 1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtPlainParse)->Arg(200 * 1024)->Arg(2 * 1024 * 1024)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
