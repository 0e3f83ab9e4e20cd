#include "ui/HelpViewer.h"
#include "session/DataPaths.h"
#include "ui/WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
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

constexpr const char* ContextProperty = "helpContext";

// F1 in any window of the program, before any shortcut or widget sees it.
class HelpKey : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier ||
            !watched->isWidgetType())
            return false;
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept(); // no shortcut takes F1: the key press comes here
            return true;
        }
        const int context = HelpViewer::ContextForF1(watched);
        // An open menu closes first, as a click elsewhere would close it.
        while (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        HelpViewer::Instance().ShowContext(context);
        return true;
    }
};

void InstallHelpKey() {
    static QPointer<HelpKey> key;
    if (!key && qApp) {
        key = new HelpKey(qApp);
        qApp->installEventFilter(key);
    }
}

// The context carried by `object` or the nearest of its owners; -1 when none does.
int ContextOf(const QObject* object) {
    for (; object; object = object->parent()) {
        const QVariant context = object->property(ContextProperty);
        if (context.isValid())
            return context.toInt();
    }
    return -1;
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

void HelpViewer::SetContext(QObject* widget, int context) {
    widget->setProperty(ContextProperty, context);
    InstallHelpKey();
}

int HelpViewer::ContextForF1(const QObject* receiver) {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        if (const QAction* item = menu->activeAction()) {
            const int context = ContextOf(item);
            if (context >= 0 && item->property(ContextProperty).isValid())
                return context;
        }
        return std::max(0, ContextOf(menu));
    }
    return std::max(0, ContextOf(receiver));
}

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("HelpViewer");
    setWindowTitle(tr("Quavril Help"));
    SetContext(this, 0);
    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(true);
    BackButton = new QPushButton(tr("Back"), this);
    BackButton->setObjectName("BackButton");
    BackButton->setToolTip(tr("The topic shown before (Alt+Left)"));
    ForwardButton = new QPushButton(tr("Forward"), this);
    ForwardButton->setObjectName("ForwardButton");
    ForwardButton->setToolTip(tr("The topic shown after (Alt+Right)"));
    ContentsButton = new QPushButton(tr("Contents"), this);
    ContentsButton->setObjectName("ContentsButton");
    ContentsButton->setToolTip(tr("The list of all topics"));
    for (QPushButton* button : {BackButton, ForwardButton, ContentsButton})
        button->setAutoDefault(false);
    BackButton->setEnabled(false);
    ForwardButton->setEnabled(false);
    connect(BackButton, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(ForwardButton, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(ContentsButton, &QPushButton::clicked, this, &HelpViewer::ShowContents);
    connect(browser_, &QTextBrowser::backwardAvailable, BackButton, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, ForwardButton, &QWidget::setEnabled);
    // Links, Back and Forward change the topic shown too.
    connect(browser_, &QTextBrowser::sourceChanged, this,
            [this](const QUrl& source) { setProperty("topic", source.fileName()); });
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(6, 6, 6, 0);
    buttons->addWidget(BackButton);
    buttons->addWidget(ForwardButton);
    buttons->addWidget(ContentsButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(buttons);
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
    // Over the generator window, centred on it, and wholly on a screen.
    if (!isVisible() && parentWidget())
        WindowPlacement::CentreOver(this, parentWidget());
    show();
    raise();
    activateWindow();
}

QString HelpViewer::CurrentTopic() const {
    return property("topic").toString();
}

} // namespace quavril
