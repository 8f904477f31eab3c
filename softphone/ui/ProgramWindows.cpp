#include "ProgramWindows.h"

#include "core/AgentFiles.h"
#include "core/AppContext.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace velmora::ui {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

QDialog* window(QWidget* parent, const QString& title, const QString& name) {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(name);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(title);
    new QVBoxLayout(dialog);
    return dialog;
}

QTableWidget* table(const QStringList& headers) {
    auto* t = new QTableWidget(0, headers.size());
    t->setHorizontalHeaderLabels(headers);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

void addRow(QTableWidget* t, const QStringList& cells) {
    const int row = t->rowCount();
    t->insertRow(row);
    for (int c = 0; c < cells.size(); ++c) t->setItem(row, c, new QTableWidgetItem(cells[c]));
}

void finish(QDialog* dialog, QWidget* content, const QString& empty) {
    dialog->layout()->addWidget(content);
    if (!empty.isEmpty()) dialog->layout()->addWidget(new QLabel(empty));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    dialog->layout()->addWidget(buttons);
    dialog->resize(640, 400);
    dialog->show();
}

}  // namespace

void showCallLogViewer(QWidget* parent, const std::filesystem::path& callLog) {
    auto* dialog = window(parent, "Call Logs", "callLogViewer");
    auto* t = table({"Number", "Agent", "Seconds", "Time", "Date", "Outcome"});
    const auto records = core::readCallLog(callLog);
    for (const auto& record : records) {
        QStringList cells;
        for (const auto& field : record) cells << q(field);
        addRow(t, cells);
    }
    t->setSortingEnabled(true);  // rows arrive newest first; headers sort on click
    finish(dialog, t, records.empty() ? "No calls logged in " + q(callLog.string()) : QString());
}

void showRecordingsBrowser(QWidget* parent, const std::filesystem::path& messagesFolder) {
    auto* dialog = window(parent, "Recordings", "recordingsBrowser");
    auto* t = table({"Number", "Date", "Time", "File"});
    const auto recordings = core::listRecordings(messagesFolder);
    for (const auto& r : recordings) addRow(t, {q(r.name), q(r.date), q(r.time), q(r.file.filename().string())});
    t->setSortingEnabled(true);
    QObject::connect(t, &QTableWidget::cellDoubleClicked, t, [t, messagesFolder](int row, int) {
        const auto file = messagesFolder / t->item(row, 3)->text().toStdString();
        QDesktopServices::openUrl(QUrl::fromLocalFile(q(file.string())));
    });
    finish(dialog, t, recordings.empty() ? "No recordings in " + q(messagesFolder.string()) : QString());
}

void showAboutWindow(QWidget* parent) {
    auto* dialog = window(parent, "About", "aboutWindow");
    auto* text = new QLabel(QString("<h3>Velmora Software</h3><p>Version %1</p>"
                                    "<p>Two-line SIP softphone for call-centre agents.</p>")
                                .arg(core::kVersionText));
    finish(dialog, text, {});
    dialog->resize(320, 160);
}

}  // namespace velmora::ui
