#include "ui/QtUserDialogs.h"

#include "ui/ApplicationTitle.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace quavril {

// The product name alone: the application's display name carries the running state.
QString QtUserDialogs::BoxTitle() {
    return QString::fromLatin1(ApplicationTitle::ProductName);
}

void QtUserDialogs::Information(const QString& text) {
    QMessageBox::information(parent_, BoxTitle(), text);
}

void QtUserDialogs::Error(const QString& text) {
    QMessageBox::critical(parent_, BoxTitle(), text);
}

bool QtUserDialogs::Question(const QString& text, Answer preset) {
    return QMessageBox::question(parent_, BoxTitle(), text, QMessageBox::Yes | QMessageBox::No,
                                 preset == Answer::Yes ? QMessageBox::Yes : QMessageBox::No) ==
           QMessageBox::Yes;
}

bool QtUserDialogs::Confirm(const QString& text) {
    return QMessageBox::question(parent_, BoxTitle(), text, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Ok) == QMessageBox::Ok;
}

QString QtUserDialogs::SaveFileName(const FileRequest& request) {
    QFileDialog dialog(parent_, request.Title, QString(), request.Filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.DefaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.ConfirmOverwrite);
    dialog.selectFile(request.Proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString QtUserDialogs::OpenFileName(const FileRequest& request) {
    QFileDialog dialog(parent_, request.Title, QString(), request.Filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.DefaultSuffix);
    if (!request.Proposed.isEmpty())
        dialog.selectFile(request.Proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace quavril
