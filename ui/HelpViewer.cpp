#include "ui/HelpViewer.h"
#include "app/DataPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace quavril {

namespace {
QString& FolderSetting() {
    static QString folder;
    return folder;
}
} // namespace

HelpViewer& HelpViewer::Instance() {
    static HelpViewer* viewer = new HelpViewer;
    return *viewer;
}

void HelpViewer::SetFolder(const QString& folder) {
    FolderSetting() = folder;
}

QString HelpViewer::Folder() {
    if (!FolderSetting().isEmpty())
        return FolderSetting();
    return DataPaths::HelpFolder();
}

QString HelpViewer::TopicOf(int context) {
    switch (context) {
    case GeneratorWindow:
        return "generator.html";
    case OutputSettings:
        return "output-settings.html";
    case Scripts:
        return "scripts.html";
    case FileMenu:
        return "file-menu.html";
    case PresetsMenu:
        return "presets.html";
    default:
        return "index.html";
    }
}

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("HelpViewer");
    setWindowTitle(tr("Quavril Help"));
    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(560, 520);
}

void HelpViewer::ShowContext(int context) {
    ShowTopic(TopicOf(context));
}

void HelpViewer::ShowContents() {
    ShowTopic(TopicOf(0));
}

void HelpViewer::ShowTopic(const QString& file) {
    const QString path = QDir(Folder()).filePath(file);
    browser_->setSearchPaths({Folder()});
    if (QFileInfo::exists(path))
        browser_->setSource(QUrl::fromLocalFile(path));
    else
        browser_->setHtml(tr("<p>The help topic <b>%1</b> was not found in %2.</p>")
                              .arg(file.toHtmlEscaped(), Folder().toHtmlEscaped()));
    setProperty("topic", file);
    show();
    raise();
    activateWindow();
}

QString HelpViewer::CurrentTopic() const {
    return property("topic").toString();
}

} // namespace quavril
