#include "WebPanelView.h"

#include "core/Diagnostics.h"
#include "core/window/Controls.h"

#include <QCoreApplication>
#include <QTimer>
#include <QWebEngineCertificateError>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <memory>

namespace velmora::ui {
namespace {

// Only the scheme and host of an address go to the console: its query may
// hold the panel's password.
std::string described(const QUrl& url) {
    return (url.scheme() + "://" + url.host()).toStdString();
}

bool openable(const QUrl& url) { return url.scheme() == "https" || url == QUrl(QStringLiteral("about:blank")); }

// Navigation of any kind (links, scripts, redirects the page starts) stays on
// https: no file:, data:, javascript: or handed-off custom scheme.
class PanelPage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
        if (openable(url)) return true;
        core::diagnostic("web panel: " + url.scheme().toStdString() + " address refused; the panel opens https only");
        return false;
    }
};

}  // namespace

std::string chainRefusal(const std::vector<QByteArray>& derChain, const std::filesystem::path& caFile,
                         const std::string& host) {
    if (derChain.empty()) return "no certificate";
    const auto x509 = [](const QByteArray& der) {
        const auto* p = reinterpret_cast<const unsigned char*>(der.constData());
        return d2i_X509(nullptr, &p, der.size());
    };
    std::unique_ptr<X509_STORE, decltype(&X509_STORE_free)> store(X509_STORE_new(), X509_STORE_free);
    if (!store || X509_STORE_load_file(store.get(), caFile.c_str()) != 1)
        return "RootCA file " + caFile.string() + " holds no certificate";
    std::unique_ptr<X509, decltype(&X509_free)> leaf(x509(derChain.front()), X509_free);
    if (!leaf) return "unreadable certificate";
    std::unique_ptr<STACK_OF(X509), void (*)(STACK_OF(X509)*)> untrusted(
        sk_X509_new_null(), [](STACK_OF(X509) * s) { sk_X509_pop_free(s, X509_free); });
    for (std::size_t i = 1; i < derChain.size(); ++i)
        if (X509* cert = x509(derChain[i])) sk_X509_push(untrusted.get(), cert);
    std::unique_ptr<X509_STORE_CTX, decltype(&X509_STORE_CTX_free)> ctx(X509_STORE_CTX_new(), X509_STORE_CTX_free);
    if (!ctx || X509_STORE_CTX_init(ctx.get(), store.get(), leaf.get(), untrusted.get()) != 1) return "no memory";
    X509_VERIFY_PARAM* param = X509_STORE_CTX_get0_param(ctx.get());
    X509_VERIFY_PARAM_set_purpose(param, X509_PURPOSE_SSL_SERVER);
    if (X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str()) != 1 &&
        X509_VERIFY_PARAM_set1_host(param, host.c_str(), host.size()) != 1)
        return "no host to check";
    if (X509_verify_cert(ctx.get()) == 1) return "";
    return X509_verify_cert_error_string(X509_STORE_CTX_get_error(ctx.get()));
}

QWidget* makeWebPanel(core::WebBrowser& control, std::function<std::filesystem::path()> authorities) {
    auto* browser = new QWebEngineView;
    browser->setObjectName("WebBrowser1");
    // No storage name: off the record. The profile outlives the page (it is
    // the application's), as the browser engine requires.
    auto* profile = new QWebEngineProfile(qApp);
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    auto* page = new PanelPage(profile, browser);
    browser->setPage(page);
    QObject::connect(page, &QWebEnginePage::certificateError, page,
                     [authorities = std::move(authorities)](QWebEngineCertificateError error) {
                         const QUrl url = error.url();
                         std::string refusal = error.description().toStdString();
                         // A private authority is the one error RootCA can answer; an expired,
                         // misnamed or revoked certificate stays refused.
                         const auto caFile = authorities ? authorities() : std::filesystem::path();
                         if (error.type() == QWebEngineCertificateError::CertificateAuthorityInvalid &&
                             !caFile.empty()) {
                             std::vector<QByteArray> chain;
                             for (const auto& cert : error.certificateChain()) chain.push_back(cert.toDer());
                             refusal = chainRefusal(chain, caFile, url.host().toStdString());
                         }
                         if (refusal.empty()) {
                             error.acceptCertificate();
                             return;
                         }
                         error.rejectCertificate();
                         core::diagnostic("web panel: certificate of " + described(url) + " refused (" + refusal +
                                          ")");
                     });
    control.observe([&control, browser] {
        if (control.address().empty()) return;
        const QUrl url(QString::fromStdString(control.address()));
        if (!openable(url)) {
            core::diagnostic("web panel: " + url.scheme().toStdString() +
                             " address refused; the panel opens https only");
            return;
        }
        if (browser->url() != url) browser->load(url);
    });
    // The browser engine's first load starts its processes and holds the UI
    // thread for most of a second: do it now, while the start-up timers run,
    // rather than when the first page is due.
    QTimer::singleShot(0, browser, [browser] {
        if (browser->url().isEmpty()) browser->setUrl(QUrl(QStringLiteral("about:blank")));
    });
    return browser;
}

}  // namespace velmora::ui
