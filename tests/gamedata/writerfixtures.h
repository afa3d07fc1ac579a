#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QtDebug>

// Builds test files with the project's own Python writers in one run: each value
// is a Python expression over the modules primitives (as P) and packedxml (as X)
// giving bytes. A failed run gives an empty map.
inline QMap<QString, QByteArray> buildWithWriters(const QMap<QString, QString> &expressions)
{
    QString script =
        QStringLiteral("import sys, struct, json\nimport primitives as P\nimport packedxml as X\n"
                       "from packedxml import *\nout = {}\n");
    for (auto it = expressions.cbegin(); it != expressions.cend(); ++it) {
        // Keys are plain identifiers of the test.
        script += QStringLiteral("out['%1'] = (%2).hex()\n").arg(it.key(), it.value());
    }
    script += QStringLiteral("sys.stdout.write(json.dumps(out))\n");
    QProcess python;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PYTHONPATH"), QStringLiteral(HULLSCOPE_TOOLS_DIR "/formats"));
    python.setProcessEnvironment(env);
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), script});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        qWarning() << python.readAllStandardError();
        return {};
    }
    const QJsonObject object = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    QMap<QString, QByteArray> result;
    for (auto it = object.begin(); it != object.end(); ++it) {
        result.insert(it.key(), QByteArray::fromHex(it.value().toString().toLatin1()));
    }
    return result;
}
