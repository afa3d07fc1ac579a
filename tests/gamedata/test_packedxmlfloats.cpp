#include "gamedata/packedxmlreader.h"

#include <QtTest>

#include <cmath>
#include <cstring>
#include <vector>

// Every float a packed file can hold must read back as Qt's own text of it. Walks
// about a million floats, so it has a CTest entry (label "slow") of its own.

namespace {

QString ownText(const QDomNode &element)
{
    const QDomNode first = element.firstChild();
    return first.isText() ? first.toText().data() : QStringLiteral("<no text>");
}

// A packed file whose root holds only the given floats as its own value.
QByteArray packFloats(const std::vector<float> &values)
{
    QByteArray bytes = QByteArray::fromHex("454ea16200") + QByteArray(1, '\0');
    const quint32 word = (quint32(Floats) << 28) | quint32(values.size() * 4);
    bytes += QByteArray::fromHex("0000");
    for (int i = 0; i < 4; ++i) {
        bytes += char((word >> (8 * i)) & 0xFF);
    }
    for (float f : values) {
        quint32 bits;
        std::memcpy(&bits, &f, 4);
        for (int i = 0; i < 4; ++i) {
            bytes += char((bits >> (8 * i)) & 0xFF);
        }
    }
    return bytes;
}

float fromBits(quint32 bits)
{
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

} // namespace

class TestPackedXmlFloats : public QObject
{
    Q_OBJECT

private slots:
    // Number texts are exactly Qt's 'g' 6 texts of the floats (with "-1e-06" as
    // "0"), over every binade, both signs, the rounding ties that Qt rounds away
    // from zero, the edges of each decimal exponent and the special values.
    void floatTexts()
    {
        std::vector<float> values;
        for (quint64 bits = 0; bits <= 0xFFFFFFFFu; bits += 4093) {
            values.push_back(fromBits(quint32(bits)));
        }
        for (int e = -149; e <= 127; ++e) {
            values.push_back(std::ldexp(1.0f, e));
            values.push_back(-std::ldexp(3.0f, e - 1));
        }
        for (int d = 1000005; d < 10000000; d += 730) {
            values.push_back(float(d));
            values.push_back(float(d) * 1e-3f);
        }
        for (int e = -45; e <= 38; ++e) {
            const float p = float(std::pow(10.0, e));
            float below = p;
            float above = p;
            for (int i = 0; i < 4; ++i) {
                values.push_back(below);
                values.push_back(-above);
                below = std::nextafter(below, 0.0f);
                above = std::nextafter(above, INFINITY);
            }
            const float half = float(9.999995 * std::pow(10.0, e));
            values.push_back(half);
            values.push_back(std::nextafter(half, 0.0f));
            values.push_back(std::nextafter(half, INFINITY));
        }
        for (float f : {0.0f, -0.0f, 1e-06f, -1e-06f, 0.0009765625f, 999999.5f, 99999.95f, INFINITY,
                        -INFINITY, NAN, -NAN, 0.1f, 0.3f, -2.5f, 123456.5f}) {
            values.push_back(f);
        }

        bool failed = true;
        const QDomDocument doc =
            PackedXmlReader::parse(packFloats(values), QStringLiteral("r"), nullptr, &failed);
        QVERIFY(!failed);
        const QStringList texts = ownText(doc.documentElement()).split(QLatin1Char(' '));
        QCOMPARE(texts.size(), qsizetype(values.size()));
        for (size_t i = 0; i < values.size(); ++i) {
            QString expected = QString::number(double(values[i]), 'g', 6);
            if (expected == QLatin1String("-1e-06")) {
                expected = QStringLiteral("0");
            }
            if (texts.at(qsizetype(i)) != expected) {
                QFAIL(qPrintable(
                    QStringLiteral("bits %1: %2, expected %3")
                        .arg(qFromUnaligned<quint32>(&values[i]), 8, 16, QLatin1Char('0'))
                        .arg(texts.at(qsizetype(i)), expected)));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestPackedXmlFloats)
#include "test_packedxmlfloats.moc"
