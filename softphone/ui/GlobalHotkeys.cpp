#include "GlobalHotkeys.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QRandomGenerator>

#include <X11/Xlib.h>
#include <xcb/xcb.h>

namespace velmora::ui {
namespace {

constexpr const char* kPortal = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kShortcuts = "org.freedesktop.portal.GlobalShortcuts";

// One shortcut as BindShortcuts takes it: a(sa{sv}).
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& out, const PortalShortcut& s) {
    out.beginStructure();
    out << s.id << s.properties;
    out.endStructure();
    return out;
}
const QDBusArgument& operator>>(const QDBusArgument& in, PortalShortcut& s) {
    in.beginStructure();
    in >> s.id >> s.properties;
    in.endStructure();
    return in;
}

// The lock keys' modifiers: a grab must hold with them on and off.
constexpr unsigned kNumLock = XCB_MOD_MASK_2;
constexpr unsigned kCapsLock = XCB_MOD_MASK_LOCK;
constexpr unsigned kMeaningful = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

unsigned xModifiers(Qt::KeyboardModifiers m) {
    unsigned out = 0;
    if (m & Qt::ShiftModifier) out |= XCB_MOD_MASK_SHIFT;
    if (m & Qt::ControlModifier) out |= XCB_MOD_MASK_CONTROL;
    if (m & Qt::AltModifier) out |= XCB_MOD_MASK_1;
    if (m & Qt::MetaModifier) out |= XCB_MOD_MASK_4;
    return out;
}

// The X keysym name of a Qt key: letters, digits and F keys by their own
// name, a headset's call keys by their XF86 name.
QByteArray keysymName(Qt::Key key) {
    switch (key) {
    case Qt::Key_Phone: return "XF86Phone";
    case Qt::Key_MediaPlay: return "XF86AudioPlay";
    case Qt::Key_MediaTogglePlayPause: return "XF86AudioPlay";
    case Qt::Key_MicMute: return "XF86AudioMicMute";
    case Qt::Key_Hangup: return "XF86Close";
    default: break;
    }
    return QKeySequence(key).toString(QKeySequence::PortableText).toLatin1();
}

// The portal's trigger text ("CTRL+ALT+a").
QString portalTrigger(const QKeySequence& sequence) {
    const QKeyCombination k = sequence[0];
    QStringList parts;
    if (k.keyboardModifiers() & Qt::ControlModifier) parts << "CTRL";
    if (k.keyboardModifiers() & Qt::AltModifier) parts << "ALT";
    if (k.keyboardModifiers() & Qt::ShiftModifier) parts << "SHIFT";
    if (k.keyboardModifiers() & Qt::MetaModifier) parts << "LOGO";
    parts << QString::fromLatin1(keysymName(k.key())).toLower();
    return parts.join('+');
}

}  // namespace
}  // namespace velmora::ui

Q_DECLARE_METATYPE(velmora::ui::PortalShortcut)

namespace velmora::ui {

GlobalHotkeys::GlobalHotkeys(std::function<void(const QString&)> pressed, std::function<void(const QString&)> problem,
                             QObject* parent)
    : QObject(parent), pressed_(std::move(pressed)), problem_(std::move(problem)) {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
}

GlobalHotkeys::~GlobalHotkeys() { releaseX11(); }

void GlobalHotkeys::setKeys(const std::vector<Key>& keys) {
    releaseX11();
    // Wayland: X11 grabs reach only X clients there, so the portal is asked.
    if (QGuiApplication::platformName() == "wayland") {
        bindPortal(keys);
        return;
    }
    grabX11(keys);
}

void GlobalHotkeys::grabX11(const std::vector<Key>& keys) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || !x11->display()) {
        bindPortal(keys);
        return;
    }
    xcb_connection_t* c = x11->connection();
    Display* display = x11->display();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    for (const Key& key : keys) {
        if (key.sequence.isEmpty()) continue;
        const QKeyCombination combination = key.sequence[0];
        const KeySym sym = XStringToKeysym(keysymName(combination.key()).constData());
        const unsigned code = sym == NoSymbol ? 0 : XKeysymToKeycode(display, sym);
        if (code == 0) continue;  // no such key on this keyboard: nothing to hold
        const unsigned mods = xModifiers(combination.keyboardModifiers());
        bool taken = false;
        for (unsigned locks : {0u, kNumLock, kCapsLock, kNumLock | kCapsLock}) {
            auto cookie = xcb_grab_key_checked(c, 1, root, static_cast<uint16_t>(mods | locks),
                                               static_cast<xcb_keycode_t>(code), XCB_GRAB_MODE_ASYNC,
                                               XCB_GRAB_MODE_ASYNC);
            if (xcb_generic_error_t* error = xcb_request_check(c, cookie)) {
                taken = true;
                free(error);
            }
        }
        grabs_.push_back({key.id, code, mods});
        const QString text = key.sequence.toString(QKeySequence::NativeText);
        if (taken && !reported_.contains(text)) {
            reported_ << text;
            if (problem_) problem_("Hotkey " + text + " is held by another program; it works only in this window.");
        }
    }
    if (!grabs_.empty()) {
        backend_ = "x11";
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
}

void GlobalHotkeys::releaseX11() {
    if (grabs_.empty()) return;
    QCoreApplication::instance()->removeNativeEventFilter(this);
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 && x11->connection()) {
        xcb_connection_t* c = x11->connection();
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        for (const Grab& g : grabs_)
            for (unsigned locks : {0u, kNumLock, kCapsLock, kNumLock | kCapsLock})
                xcb_ungrab_key(c, static_cast<xcb_keycode_t>(g.keycode), root,
                               static_cast<uint16_t>(g.modifiers | locks));
        xcb_flush(c);
    }
    grabs_.clear();
    backend_ = "none";
}

bool GlobalHotkeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    if ((event->response_type & ~0x80) != XCB_KEY_PRESS) return false;
    auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
    const unsigned mods = press->state & kMeaningful;
    for (const Grab& g : grabs_)
        if (g.keycode == press->detail && g.modifiers == mods) {
            if (pressed_) pressed_(g.id);
            return true;
        }
    return false;
}

// The portal: CreateSession, then BindShortcuts, each answered by a Response
// signal on its request object; afterwards Activated names the key pressed.
// Any error leaves the keys to the window alone, silently.
void GlobalHotkeys::bindPortal(const std::vector<Key>& keys) {
    portalKeys_ = keys;
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || keys.empty()) return;
    if (!portalSession_.isEmpty()) {
        QList<PortalShortcut> list;
        for (const Key& k : portalKeys_) {
            if (k.sequence.isEmpty()) continue;
            list << PortalShortcut{k.id, {{"description", k.description},
                                          {"preferred_trigger", portalTrigger(k.sequence)}}};
        }
        portalRequest("BindShortcuts", {QVariant::fromValue(QDBusObjectPath(portalSession_)),
                                        QVariant::fromValue(list), QString(), QVariantMap{}});
        return;
    }
    if (portalBusy_) return;
    portalBusy_ = true;
    bus.connect(kPortal, kPortalPath, kShortcuts, "Activated", this,
                SLOT(portalActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    portalRequest("CreateSession", {QVariantMap{{"session_handle_token", "velmoraapp"}}});
}

void GlobalHotkeys::portalRequest(const QString& method, const QList<QVariant>& args) {
    auto bus = QDBusConnection::sessionBus();
    const QString token = QString("velmora%1").arg(QRandomGenerator::global()->generate());
    QList<QVariant> withToken = args;
    // The options map is the last argument; the request's path follows from the token.
    QVariantMap options = withToken.last().toMap();
    options["handle_token"] = token;
    withToken.last() = options;
    QString sender = bus.baseService().mid(1).replace('.', '_');
    portalRequest_ = QString("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    bus.connect(kPortal, portalRequest_, "org.freedesktop.portal.Request", "Response", this,
                SLOT(portalResponse(uint, QVariantMap)));
    QDBusMessage call = QDBusMessage::createMethodCall(kPortal, kPortalPath, kShortcuts, method);
    call.setArguments(withToken);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        if (w->isError()) portalBusy_ = false;  // no portal, or no GlobalShortcuts there: the window's keys only
        else if (backend_ == "none") backend_ = "portal";
        w->deleteLater();
    });
}

void GlobalHotkeys::portalResponse(uint code, const QVariantMap& results) {
    if (code != 0) return;  // the user or the portal said no: the window's keys only
    if (portalSession_.isEmpty() && results.contains("session_handle")) {
        portalSession_ = results.value("session_handle").toString();
        portalBusy_ = false;
        bindPortal(portalKeys_);
    }
}

void GlobalHotkeys::portalActivated(const QDBusObjectPath& session, const QString& id, qulonglong,
                                    const QVariantMap&) {
    if (session.path() != portalSession_) return;
    for (const Key& k : portalKeys_)
        if (k.id == id && pressed_) pressed_(id);
}

}  // namespace velmora::ui
