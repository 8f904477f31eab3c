#include "ProgramWindows.h"

#include "core/AgentFiles.h"
#include "core/AppContext.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
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

void showRecordingsBrowser(QWidget* parent, const std::filesystem::path& messagesFolder,
                           const std::filesystem::path& unsavedFolder) {
    auto* dialog = window(parent, "Recordings", "recordingsBrowser");
    auto* t = table({"Number", "Date", "Time", "File", "Kept"});
    t->setObjectName("recordingsTable");
    auto fill = [t, messagesFolder, unsavedFolder] {
        t->setSortingEnabled(false);
        t->setRowCount(0);
        for (const auto& [folder, kept] : {std::pair{messagesFolder, QString("saved")}, {unsavedFolder, "unsaved"}})
            for (const auto& r : core::listRecordings(folder)) {
                addRow(t, {q(r.name), q(r.date), q(r.time), q(r.file.filename().string()), kept});
                t->item(t->rowCount() - 1, 3)->setData(Qt::UserRole, q(r.file.string()));
            }
        t->setSortingEnabled(true);
    };
    fill();
    auto fileOf = [t](int row) {
        return std::filesystem::path(t->item(row, 3)->data(Qt::UserRole).toString().toStdString());
    };
    QObject::connect(t, &QTableWidget::cellDoubleClicked, t, [fileOf](int row, int) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(q(fileOf(row).string())));
    });
    auto* actions = new QDialogButtonBox;
    auto* save = actions->addButton("Save", QDialogButtonBox::ActionRole);
    auto* remove = actions->addButton("Delete", QDialogButtonBox::ActionRole);
    save->setObjectName("saveKeptRecording");
    remove->setObjectName("deleteKeptRecording");
    save->setToolTip("Move the chosen unsaved recording into the recordings folder.");
    remove->setToolTip("Delete the chosen unsaved recording for good.");
    auto chosenUnsaved = [t]() -> int {
        const int row = t->currentRow();
        return row >= 0 && t->item(row, 4)->text() == "unsaved" ? row : -1;
    };
    auto enable = [=] {
        save->setEnabled(chosenUnsaved() >= 0);
        remove->setEnabled(chosenUnsaved() >= 0);
    };
    QObject::connect(t, &QTableWidget::itemSelectionChanged, t, enable);
    QObject::connect(save, &QPushButton::clicked, t, [=] {
        if (const int row = chosenUnsaved(); row >= 0) core::saveKeptRecording(fileOf(row), messagesFolder);
        fill();
        enable();
    });
    QObject::connect(remove, &QPushButton::clicked, t, [=] {
        if (const int row = chosenUnsaved(); row >= 0) core::deleteKeptRecording(fileOf(row), unsavedFolder);
        fill();
        enable();
    });
    enable();
    dialog->layout()->addWidget(actions);
    finish(dialog, t, t->rowCount() == 0 ? "No recordings in " + q(messagesFolder.string()) : QString());
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
