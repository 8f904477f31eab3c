#include "QtPlatform.h"

#include "DesktopNotifier.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QMessageBox>
#include <QProcess>
#include <QSoundEffect>
#include <QWidget>
#include <QUrl>

#include <cstdio>
#include <unistd.h>

namespace velmora::ui {

QtPlatform::QtPlatform(QWidget* window) : window_(window) {}

bool QtPlatform::windowActive() { return window_ && window_->isActiveWindow(); }

void QtPlatform::notify(const std::string& title, const std::string& body) {
    if (!notifier_) {
        notifier_ = new DesktopNotifier(
            [w = window_] {
                if (!w) return;
                w->showNormal();
                w->raise();
                w->activateWindow();
            },
            window_);
    }
    const std::string callId = title == "Incoming call" && offeredCallId ? offeredCallId() : std::string();
    if (callId.empty()) return notifier_->notify(QString::fromStdString(title), QString::fromStdString(body));
    notifier_->callAction = [this](const QString& id, bool answer) {
        if (onCallAction) onCallAction(id.toStdString(), answer);
    };
    notifier_->notifyCall(QString::fromStdString(title), QString::fromStdString(body), QString::fromStdString(callId));
}
QtPlatform::~QtPlatform() = default;

std::optional<std::string> QtPlatform::clipboardText() {
    auto* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return std::nullopt;
    return clipboard->text().toStdString();
}

bool QtPlatform::clearClipboard() {
    auto* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    clipboard->clear();
    return true;
}

bool QtPlatform::setClipboardText(const std::string& text) {
    auto* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    clipboard->setText(QString::fromStdString(text));
    return true;
}

void QtPlatform::messageBox(const std::string& text, core::MessageStyle style) {
    QMessageBox box(window_);
    box.setWindowTitle(QStringLiteral("Velmora Software"));
    box.setText(QString::fromStdString(text));
    box.setStandardButtons(QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    if (style == core::MessageStyle::CriticalOnTop) {
        box.setIcon(QMessageBox::Critical);
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    box.exec();
}

bool QtPlatform::launch(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
    QStringList args;
    for (const auto& a : arguments) args << QString::fromStdString(a);
    return QProcess::startDetached(QString::fromStdString(program.string()), args);
}

bool QtPlatform::openInEditor(const std::filesystem::path& file) {
    return QProcess::startDetached("xdg-open", {QString::fromStdString(file.string())});
}

bool QtPlatform::openUrl(const std::string& address) {
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

bool QtPlatform::openFile(const std::filesystem::path& file) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file.string())));
}

void QtPlatform::startRingSound(const std::filesystem::path& wave) {
    if (!ring_) ring_ = std::make_unique<QSoundEffect>();
    ring_->setSource(QUrl::fromLocalFile(QString::fromStdString(wave.string())));
    ring_->setLoopCount(QSoundEffect::Infinite);
    ring_->play();
}

void QtPlatform::stopRingSound() {
    if (ring_) ring_->stop();
}

std::tm QtPlatform::localTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return local;
}

void QtPlatform::showProgramWindow(core::ProgramWindow which) {
    if (programWindows) programWindows(which);
}

void QtPlatform::forceQuit() {
    std::fflush(nullptr);
    ::_exit(exitStatus);
}

}  // namespace velmora::ui
