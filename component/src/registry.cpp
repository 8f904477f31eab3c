#include "component/registry.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>
#include <map>

namespace component {

namespace {

const char kValuesFile[] = "values";

// Values are stored one a line; backslashes and line breaks in them are escaped.
QString escape(QString s) {
    return s.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
}

QString unescape(const QString& s) {
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('\\') && i + 1 < s.size()) {
            out += s[i + 1] == QLatin1Char('n') ? QLatin1Char('\n') : s[i + 1];
            ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::map<QString, QString> readValues(const QString& folder) {
    std::map<QString, QString> values;
    QFile f(folder + QLatin1Char('/') + QLatin1String(kValuesFile));
    if (!f.open(QIODevice::ReadOnly)) return values;
    QTextStream in(&f);
    in.setEncoding(QStringConverter::Utf8);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0) values[unescape(line.left(eq))] = unescape(line.mid(eq + 1));
    }
    return values;
}

bool validKeyPart(const QString& part) {
    return !part.isEmpty() && part != QLatin1String(".") && part != QLatin1String("..") &&
           !part.contains(QLatin1Char('/'));
}

}  // namespace

QString Registry::registryRoot() {
    const QByteArray overridden = qgetenv("VELMORA_COMPONENT_REGISTRY");
    if (!overridden.isEmpty()) return QString::fromLocal8Bit(overridden);
    QString data = QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME"));
    if (data.isEmpty()) data = QDir::homePath() + QLatin1String("/.local/share");
    return data + QLatin1String("/velmora/registry");
}

QString Registry::folder(const QString& key) const {
    QString path = root_;
    for (const QString& part : key.split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
        if (!validKeyPart(part)) return {};
        path += QLatin1Char('/') + part;
    }
    return path;
}

bool Registry::createKey(const QString& key) {
    const QString dir = folder(key);
    return !dir.isEmpty() && QDir().mkpath(dir);
}

bool Registry::setValue(const QString& key, const QString& name, const QString& value) {
    const QString dir = folder(key);
    if (dir.isEmpty() || name.contains(QLatin1Char('=')) || !QDir().mkpath(dir)) return false;
    auto values = readValues(dir);
    values[name] = value;
    QSaveFile f(dir + QLatin1Char('/') + QLatin1String(kValuesFile));
    if (!f.open(QIODevice::WriteOnly)) return false;
    QByteArray text;
    for (const auto& [n, v] : values) text += (escape(n) + QLatin1Char('=') + escape(v) + QLatin1Char('\n')).toUtf8();
    f.write(text);
    return f.commit();
}

std::optional<QString> Registry::value(const QString& key, const QString& name) const {
    const QString dir = folder(key);
    if (dir.isEmpty()) return std::nullopt;
    const auto values = readValues(dir);
    auto it = values.find(name);
    if (it == values.end()) return std::nullopt;
    return it->second;
}

bool Registry::keyExists(const QString& key) const {
    const QString dir = folder(key);
    return !dir.isEmpty() && QFileInfo(dir).isDir();
}

QStringList Registry::subKeys(const QString& key) const {
    const QString dir = folder(key);
    if (dir.isEmpty()) return {};
    return QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

bool Registry::deleteTree(const QString& key) {
    const QString dir = folder(key);
    if (dir.isEmpty() || key.split(QLatin1Char('\\'), Qt::SkipEmptyParts).isEmpty())
        return false;  // never the whole registry
    QDir d(dir);
    return !d.exists() || d.removeRecursively();
}

bool Registry::deleteKeyIfEmpty(const QString& key) {
    const QString dir = folder(key);
    if (dir.isEmpty() || key.split(QLatin1Char('\\'), Qt::SkipEmptyParts).isEmpty()) return false;
    QDir d(dir);
    if (!d.exists()) return true;
    if (!d.entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty()) return false;
    return d.rmdir(dir);
}

}  // namespace component
