#include "gamedata/moreadercached.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int IDS_PER_CATALOGUE = 500;

// Two msgfmt catalogues in a game folder, and 10,000 references: the first half
// to one catalogue, the second half to the other, as a list of tanks by nation.
struct Game
{
    Game()
    {
        const QString folder = temp.filePath(QStringLiteral("res/text/LC_MESSAGES"));
        QDir().mkpath(folder);
        for (const QString &name :
             {QStringLiteral("kastrel_vehicles"), QStringLiteral("velmora_vehicles")}) {
            QByteArray po = "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n";
            for (int i = 0; i < IDS_PER_CATALOGUE; ++i) {
                po += "msgid \"tank_" + QByteArray::number(i) + "\"\nmsgstr \"Tank "
                      + QByteArray::number(i) + "\"\n\n";
            }
            const QString in = temp.filePath(name + QStringLiteral(".po"));
            QFile file(in);
            file.open(QIODevice::WriteOnly);
            file.write(po);
            file.close();
            QProcess::execute(QStringLiteral("msgfmt"),
                              {QStringLiteral("-o"),
                               folder + QLatin1Char('/') + name + QStringLiteral(".mo"), in});
            for (int i = 0; i < 5000; ++i) {
                references.append(QLatin1Char('#') + name + QStringLiteral(":tank_")
                                  + QString::number(i % IDS_PER_CATALOGUE));
            }
        }
    }

    QTemporaryDir temp;
    QStringList references;
};

void BM_TranslateReferences(benchmark::State &state)
{
    static Game game;
    MoReaderCached cached;
    cached.setGamePath(game.temp.path());
    for (auto _ : state) {
        for (const QString &reference : game.references) {
            benchmark::DoNotOptimize(cached.translate(reference));
        }
    }
    state.SetItemsProcessed(qint64(state.iterations()) * game.references.size());
}

} // namespace

BENCHMARK(BM_TranslateReferences)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
