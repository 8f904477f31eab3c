#include "EmbeddedBrowser.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QWebEngineCertificateError>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace velmora::ui {
namespace {

// Only the scheme and host of an address go to the console: its query may
// hold the panel's password.
std::string described(const QUrl& url) { return (url.scheme() + "://" + url.host()).toStdString(); }

bool openable(const QUrl& url) { return url.scheme() == "https" || url == QUrl(QStringLiteral("about:blank")); }

// Navigation of any kind (links, scripts, redirects the page starts) stays on
// https: no file:, data:, javascript: or handed-off custom scheme.
class PanelPage : public QWebEnginePage {
public:
    PanelPage(QWebEngineProfile* profile, QObject* parent, std::function<void(const std::string&)> diagnostic)
        : QWebEnginePage(profile, parent), diagnostic_(std::move(diagnostic)) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
        if (openable(url)) return true;
        diagnostic_("web panel: " + url.scheme().toStdString() + " address refused; the panel opens https only");
        return false;
    }

private:
    std::function<void(const std::string&)> diagnostic_;
};

class WebEngineBrowser : public QWebEngineView, public EmbeddedBrowser {
public:
    explicit WebEngineBrowser(const BrowserHooks& hooks) {
        setObjectName("WebBrowser1");
        // No storage name: off the record. The profile outlives the page (it
        // is the application's), as the browser engine requires.
        auto* profile = new QWebEngineProfile(qApp);
        profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
        auto* page = new PanelPage(profile, this, hooks.diagnostic);
        setPage(page);
        QObject::connect(page, &QWebEnginePage::certificateError, page, [hooks](QWebEngineCertificateError error) {
            const QUrl url = error.url();
            std::string refusal = error.description().toStdString();
            // A private authority is the one error RootCA can answer; an expired,
            // misnamed or revoked certificate stays refused.
            if (error.type() == QWebEngineCertificateError::CertificateAuthorityInvalid && hooks.privateAuthority) {
                std::vector<QByteArray> chain;
                for (const auto& cert : error.certificateChain()) chain.push_back(cert.toDer());
                if (auto answer = hooks.privateAuthority(chain, url.host().toStdString())) refusal = *answer;
            }
            if (refusal.empty()) {
                error.acceptCertificate();
                return;
            }
            error.rejectCertificate();
            hooks.diagnostic("web panel: certificate of " + described(url) + " refused (" + refusal + ")");
        });
    }

    QWidget* view() override { return this; }

    void open(const QUrl& url) override {
        if (this->url() != url) load(url);
    }
};

// What Qt WebEngine sets up when it is linked into a program: an OpenGL
// context shared with the browser's own threads, made before the first
// browser. Loaded after the application started, the engine leaves it to us.
void shareOpenGLContexts() {
    if (QOpenGLContext::globalShareContext()) return;
    auto* context = new QOpenGLContext(qApp);
    if (!context->create()) return;
    qt_gl_set_global_share_context(context);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

}  // namespace
}  // namespace velmora::ui

extern "C" Q_DECL_EXPORT velmora::ui::EmbeddedBrowser* velmora_make_embedded_browser(
    const velmora::ui::BrowserHooks& hooks) {
    velmora::ui::shareOpenGLContexts();
    return new velmora::ui::WebEngineBrowser(hooks);
}
