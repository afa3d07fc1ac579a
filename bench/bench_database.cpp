#include "gamedata/database.h"
#include "gamedata/moreadercached.h"

#include "core/filemanager.h"
#include "core/log.h"
#include "core/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "benchsupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

const QString LARGE = QStringLiteral(HULLSCOPE_LARGE_SAMPLE_GAME_DIR);

// Builds the services on the large sample game, as the program has them when
// the view runs its first rebuild.
class Services : public SampleGameServices
{
public:
    Services()
        : SampleGameServices(LARGE,
                             {QStringLiteral("resources.cfg"), QStringLiteral("tank_list.cfg")})
    {
        new Database();
    }

    ~Services() { delete Database::instance(); }
};

Services *services = nullptr;

void BM_RebuildLarge(benchmark::State &state)
{
    if (!services->valid()) {
        state.SkipWithError("large sample game missing: build target sample_game_large");
        return;
    }
    Database *db = Database::instance();
    for (auto _ : state) {
        db->rebuildDatabase();
    }
    std::unique_ptr<QSqlQuery> all(
        db->filterQueryAll(db->nations.value(0), db->nations.value(0), db->nations.value(0)));
    int rows = 0;
    while (all->next()) {
        ++rows;
    }
    state.counters["tanks"] = rows;
}
BENCHMARK(BM_RebuildLarge)->Unit(benchmark::kMillisecond);

// The list's query for a typed filter text; the rows are read as the list reads them.
void runFilterQuery(benchmark::State &state, const QString &pattern)
{
    Database *db = Database::instance();
    db->rebuildDatabase();
    const QString all = db->nations.value(0);
    int rows = 0;
    for (auto _ : state) {
        std::unique_ptr<QSqlQuery> query(db->filterQuery(all, all, all, pattern));
        rows = 0;
        while (query->next()) {
            benchmark::DoNotOptimize(query->value(4));
            ++rows;
        }
    }
    state.counters["rows"] = rows;
}

// A name typed into the filter: a handful of rows.
void BM_FilterQueryWithName(benchmark::State &state)
{
    runFilterQuery(state, QStringLiteral("%Warden%"));
}
BENCHMARK(BM_FilterQueryWithName)->Unit(benchmark::kMicrosecond);

// A text that nearly every tank matches: the cost of reading each row.
void BM_FilterQueryWideName(benchmark::State &state)
{
    runFilterQuery(state, QStringLiteral("%Variant 1%"));
}
BENCHMARK(BM_FilterQueryWideName)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Services built;
    services = &built;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
