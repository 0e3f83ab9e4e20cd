#include "ui/HelpViewer.h"
#include "session/DataPaths.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace quavril {

namespace {
QString& FolderSetting() {
    static QString folder;
    return folder;
}

QPointer<HelpViewer>& Viewer() {
    static QPointer<HelpViewer> viewer;
    return viewer;
}

QWidget* MainGeneratorWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->property("mainGeneratorWindow").toBool())
            return w;
    return nullptr;
}
} // namespace

HelpViewer& HelpViewer::Instance() {
    QPointer<HelpViewer>& viewer = Viewer();
    if (!viewer)
        viewer = new HelpViewer(MainGeneratorWindow());
    return *viewer;
}

void HelpViewer::SetOwner(QWidget* owner) {
    HelpViewer& viewer = Instance();
    if (viewer.parentWidget() != owner)
        viewer.setParent(owner, Qt::Window);
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
    case PerformanceTest:
        return "performance-test.html";
    case FrequencySlider:
        return "frequency-slider.html";
    case FrequencyDisplay:
        return "frequency-display.html";
    case SignalMonitor:
        return "signal-monitor.html";
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
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, &QWidget::close);
    }
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
    if (!isVisible() && parentWidget()) {
        // Over the generator window, centred on it.
        const QRect owner = parentWidget()->frameGeometry();
        move(owner.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    activateWindow();
}

QString HelpViewer::CurrentTopic() const {
    return property("topic").toString();
}

} // namespace quavril
