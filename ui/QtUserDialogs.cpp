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

QtUserDialogs::~QtUserDialogs() {
    delete notice_;
}

// A message while a modal box is open, or the very message the notice shows, goes to the
// notice.
bool QtUserDialogs::ToNotice(const QString& text) {
    const bool shown = notice_ && notice_->isVisible() && notice_->text() == text;
    if (!ModalOpen() && !shown)
        return false;
    Notice(text);
    return true;
}

void QtUserDialogs::Information(const QString& text) {
    if (ToNotice(text))
        return;
    const ModalScope open(modal_);
    QMessageBox::information(parent_, BoxTitle(), text);
}

void QtUserDialogs::Error(const QString& text) {
    if (ToNotice(text))
        return;
    const ModalScope open(modal_);
    QMessageBox::critical(parent_, BoxTitle(), text);
}

void QtUserDialogs::Notice(const QString& text) {
    if (notice_ && notice_->isVisible()) {
        if (notice_->text() == text) {
            ++repeats_;
            notice_->setInformativeText(
                QStringLiteral("The same message came %1 more time%2 since.")
                    .arg(repeats_)
                    .arg(repeats_ == 1 ? "" : "s"));
        } else {
            repeats_ = 0;
            notice_->setText(text);
            notice_->setInformativeText({});
        }
        return;
    }
    if (!notice_) {
        notice_ =
            new QMessageBox(QMessageBox::Information, BoxTitle(), text, QMessageBox::Ok, parent_);
        notice_->setObjectName(QStringLiteral("noticeBox"));
        notice_->setWindowModality(Qt::NonModal);
    }
    repeats_ = 0;
    notice_->setText(text);
    notice_->setInformativeText({});
    notice_->show();
    notice_->raise();
}

QMessageBox* QtUserDialogs::NoticeBox() const {
    return notice_ && notice_->isVisible() ? notice_.data() : nullptr;
}

bool QtUserDialogs::Question(const QString& text, Answer preset) {
    if (ModalOpen())
        return false;
    const ModalScope open(modal_);
    return QMessageBox::question(parent_, BoxTitle(), text, QMessageBox::Yes | QMessageBox::No,
                                 preset == Answer::Yes ? QMessageBox::Yes : QMessageBox::No) ==
           QMessageBox::Yes;
}

bool QtUserDialogs::Confirm(const QString& text) {
    if (ModalOpen())
        return false;
    const ModalScope open(modal_);
    return QMessageBox::question(parent_, BoxTitle(), text, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Ok) == QMessageBox::Ok;
}

QString QtUserDialogs::SaveFileName(const FileRequest& request) {
    const ModalScope open(modal_);
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
    const ModalScope open(modal_);
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
