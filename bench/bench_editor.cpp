#include "tools/findreplaceform.h"
#include "tools/xmlhighlighter.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QSyntaxHighlighter>
#include <QTextDocument>
#include <QTextEdit>

#include <benchmark/benchmark.h>

#include <memory>

// The .visual editor's text work: a full rehighlight of a 10,000-line .visual, the
// four texts of a tank switch put into highlighted editors, and Replace All over
// 10,000 lines with 5,000 hits in both directions. The floor for highlighting is a
// highlighter that gives each line one format without scanning it.

namespace {

// About 400 KB in 10,000 lines of .visual-like XML: elements, attributes, values,
// an occasional comment.
QString visualText(int lines)
{
    static const char *const shapes[] = {
        "\t\t<identifier>\tScene Root\t</identifier>", "\t\t<row0>\t1.000000 0.000000 0.0\t</row0>",
        "\t<renderSet>\t<node>\tV\t</node>",           "\t\t<material kind=\"lit\" id='7'>",
        "\t\t<fx>\tshaders/PBS_tank.fx\t</fx>",        "\t<!-- the track, drawn unculled -->",
        "\t\t<primitiveGroup>\t0\t</primitiveGroup>",  "\t<min>\t-1.5 0.0 -3.2\t</min>",
    };
    QString text;
    text.reserve(lines * 44);
    for (int i = 0; i < lines; ++i) {
        text += QLatin1String(shapes[i % 8]);
        text += QLatin1Char('\n');
    }
    return text;
}

class OneFormatHighlighter : public QSyntaxHighlighter
{
public:
    explicit OneFormatHighlighter(QTextDocument *document)
        : QSyntaxHighlighter(document)
    {
        mFormat.setForeground(Qt::black);
    }

protected:
    void highlightBlock(const QString &text) override { setFormat(0, int(text.size()), mFormat); }

private:
    QTextCharFormat mFormat;
};

// In an editor, as the program has it.
template <typename Highlighter> void rehighlight(benchmark::State &state)
{
    QTextEdit edit;
    edit.resize(791, 560);
    edit.setPlainText(visualText(10000));
    auto *highlighter = new Highlighter(edit.document());
    for (auto _ : state) {
        highlighter->rehighlight();
    }
    state.counters["bytes"] = double(edit.document()->characterCount());
}

void BM_RehighlightVisual10k(benchmark::State &state)
{
    rehighlight<XmlHighlighter>(state);
}
BENCHMARK(BM_RehighlightVisual10k)->Unit(benchmark::kMillisecond);

void BM_RehighlightFloor10k(benchmark::State &state)
{
    rehighlight<OneFormatHighlighter>(state);
}
BENCHMARK(BM_RehighlightFloor10k)->Unit(benchmark::kMillisecond);

// The four panes of a tank switch: setPlainText on editors whose documents carry
// the highlighter, 2,500 lines each.
void BM_TankSwitchFourTexts(benchmark::State &state)
{
    std::unique_ptr<QTextEdit> edits[4];
    for (auto &edit : edits) {
        edit = std::make_unique<QTextEdit>();
        new XmlHighlighter(edit->document());
    }
    const QString texts[2] = {visualText(2500), visualText(2501)};
    int which = 0;
    for (auto _ : state) {
        which ^= 1;
        for (auto &edit : edits) {
            edit->setPlainText(texts[which]);
        }
    }
}
BENCHMARK(BM_TankSwitchFourTexts)->Unit(benchmark::kMillisecond);

// Replace All of "foo" (on every other line) by "bar", down (range 0) or up (1).
void BM_ReplaceAll10k(benchmark::State &state)
{
    const bool up = state.range(0) == 1;
    QString text;
    for (int i = 0; i < 10000; ++i) {
        text += i % 2 ? QStringLiteral("\t\t<node>\tfoo\t</node>\n")
                      : QStringLiteral("\t\t<node>\tother\t</node>\n");
    }
    QTextEdit edit;
    FindReplaceForm form;
    form.setTextEdit(&edit);
    form.findChild<QLineEdit *>(QStringLiteral("textToFind"))->setText(QStringLiteral("foo"));
    form.findChild<QLineEdit *>(QStringLiteral("textToReplace"))->setText(QStringLiteral("bar"));
    form.findChild<QRadioButton *>(up ? QStringLiteral("upRadioButton")
                                      : QStringLiteral("downRadioButton"))
        ->setChecked(true);
    for (auto _ : state) {
        state.PauseTiming();
        edit.setPlainText(text);
        edit.moveCursor(up ? QTextCursor::End : QTextCursor::Start);
        form.find();
        state.ResumeTiming();
        form.replaceAll();
    }
    if (edit.toPlainText().contains(QLatin1String("foo"))) {
        state.SkipWithError("occurrences left");
    }
}
BENCHMARK(BM_ReplaceAll10k)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The find form logs each search; keep the run's output to the figures.
    qputenv("QT_LOGGING_RULES", "default.debug=false");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
