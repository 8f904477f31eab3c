#pragma once

#include <QAbstractNativeEventFilter>
#include <QDBusObjectPath>
#include <QVariantMap>
#include <QKeySequence>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

namespace velmora::ui {

// Keys that reach the program while another application has the focus.
// On X11 each key is grabbed on the root window (with and without Caps Lock
// and Num Lock); where the session offers the desktop portal's
// GlobalShortcuts (Wayland), the keys are bound there instead. A key another
// program holds already is reported once through `problem`; nothing fails.
class GlobalHotkeys : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    struct Key {
        QString id;           // the action's name
        QString description;  // as the portal shows it to the user
        QKeySequence sequence;
    };

    GlobalHotkeys(std::function<void(const QString& id)> pressed, std::function<void(const QString&)> problem,
                  QObject* parent = nullptr);
    ~GlobalHotkeys() override;

    // Replaces the keys held; an empty list releases them all.
    void setKeys(const std::vector<Key>& keys);
    // "x11", "portal" or "none": how the keys are held now.
    QString backend() const { return backend_; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private slots:
    void portalResponse(uint code, const QVariantMap& results);
    void portalActivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                         const QVariantMap& options);

private:
    struct Grab {
        QString id;
        unsigned keycode;
        unsigned modifiers;
    };
    void grabX11(const std::vector<Key>& keys);
    void releaseX11();
    void bindPortal(const std::vector<Key>& keys);
    void portalRequest(const QString& method, const QList<QVariant>& args);

    std::function<void(const QString&)> pressed_, problem_;
    std::vector<Grab> grabs_;
    QString backend_ = "none";
    QStringList reported_;  // keys said to be taken, each said once
    // The portal session, once created, and the keys waiting for it.
    QString portalSession_;
    std::vector<Key> portalKeys_;
    QString portalRequest_;
    bool portalBusy_ = false;
};

}  // namespace velmora::ui
