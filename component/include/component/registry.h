// The per-user registry of classes: keys with named string values, kept as a folder tree.
#pragma once
#include <QString>
#include <QStringList>
#include <optional>

namespace component {

// Keys are paths with backslashes ("CLSID\{...}\InprocServer32"); the unnamed value of a key is
// the name "". On disk each key is a folder (below registryRoot()) holding a file "values" with
// one "name=value" line per value. Key names compare case-sensitively here.
class Registry {
public:
    // The folder: $VELMORA_COMPONENT_REGISTRY if set, else $XDG_DATA_HOME/velmora/registry, else
    // ~/.local/share/velmora/registry.
    static QString registryRoot();

    explicit Registry(QString root = registryRoot()) : root_(std::move(root)) {}

    bool setValue(const QString& key, const QString& name, const QString& value);
    bool createKey(const QString& key);
    std::optional<QString> value(const QString& key, const QString& name = {}) const;
    bool keyExists(const QString& key) const;
    QStringList subKeys(const QString& key) const;
    // Removes the key with all its sub-keys; true also when it did not exist.
    bool deleteTree(const QString& key);
    // Removes the key only when it holds no values and no sub-keys (it stays otherwise).
    bool deleteKeyIfEmpty(const QString& key);

    const QString& root() const { return root_; }

private:
    QString folder(const QString& key) const;
    QString root_;
};

}  // namespace component
