#include "ui/MemoryButtons.h"

#include "session/GeneratorSession.h"
#include "ui/DesignLayout.h"
#include "ui/HelpViewer.h"

#include <QAction>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>

namespace quavril {

MemoryButtons::MemoryButtons(GeneratorSession& session, DesignLayout& layout, QWidget* client)
    : QObject(client), session_(session) {
    GroupBox7 = new QGroupBox(tr("Memory"), client);
    GroupBox7->setObjectName("GroupBox7");
    layout.Place(GroupBox7, 11, 377, 308, 53);
    for (int i = 0; i < 4; ++i)
        BuildSlot(i, layout);
    connect(&session, &GeneratorSession::BankChanged, this, &MemoryButtons::ShowNames);
    ShowNames();
}

void MemoryButtons::BuildSlot(int i, DesignLayout& layout) {
    static const char* const ButtonNames[] = {"Mem1", "Mem2", "Memory3", "Memory4"};
    static const char* const StoreNames[] = {"Store", "Store2", "Store3", "Store4"};
    static const char* const RenameNames[] = {"Rename", "Rename1", "Rename2", "Rename3"};
    static const int X[] = {9, 83, 156, 232};
    const int n = i + 1;
    Button[i] = new QPushButton(GroupBox7);
    Button[i]->setObjectName(ButtonNames[i]);
    Button[i]->setContextMenuPolicy(Qt::CustomContextMenu);
    Button[i]->installEventFilter(this);
    layout.Place(Button[i], X[i], 18, 69, 25);
    Edit[i] = new QLineEdit(GroupBox7);
    Edit[i]->setObjectName(QString("Mem%1Edit").arg(n));
    Edit[i]->setFrame(false);
    Edit[i]->setBackgroundRole(QPalette::Button);
    Edit[i]->setAlignment(Qt::AlignCenter);
    Edit[i]->hide();
    Edit[i]->setEnabled(false);
    Edit[i]->installEventFilter(this);
    layout.Place(Edit[i], X[i] + 3, 22, 63, 17);
    Popup[i] = new QMenu(Button[i]);
    Popup[i]->setObjectName(QString("PopupMenu%1").arg(n));
    HelpViewer::SetContext(Popup[i], HelpViewer::PresetsMenu);
    StoreItem[i] = Popup[i]->addAction(tr("Store"));
    StoreItem[i]->setObjectName(StoreNames[i]);
    RenameItem[i] = Popup[i]->addAction(tr("Rename"));
    RenameItem[i]->setObjectName(RenameNames[i]);
    connect(Button[i], &QPushButton::clicked, this, [this, n] { Recall(n); });
    connect(Button[i], &QWidget::customContextMenuRequested, this,
            [this, i](const QPoint& at) { Popup[i]->popup(Button[i]->mapToGlobal(at)); });
    connect(StoreItem[i], &QAction::triggered, this, [this, n] { Store(n); });
    connect(RenameItem[i], &QAction::triggered, this, [this, n] { StartRename(n); });
}

void MemoryButtons::Recall(int n) {
    session_.RecallSlot(n);
}

void MemoryButtons::Store(int n) {
    session_.StoreSlot(n);
}

// A name longer than its button ends in an ellipsis (a centred text would be cut at both
// ends); the full name is in the button's tool tip and its "slotName" property.
void MemoryButtons::ShowNames() {
    for (int i = 0; i < 4; ++i) {
        if (!Button[i])
            continue;
        const QString name = QString::fromStdString(session_.Bank().Slot(i + 1).Name);
        QPushButton* button = Button[i];
        const int room =
            button->width() - 2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin) - 4;
        button->setProperty("slotName", name);
        button->setText(button->fontMetrics().elidedText(name, Qt::ElideRight, room));
        button->setToolTip(tr("%1\nClick to recall, right-click to store or rename").arg(name));
    }
}

void MemoryButtons::StartRename(int n) {
    QLineEdit* edit = Edit[n - 1];
    if (SetOnDefault)
        SetOnDefault(false);
    Button[n - 1]->setText(QString());
    edit->setText(QString());
    edit->setEnabled(true);
    edit->show();
    edit->raise();
    edit->setFocus(Qt::OtherFocusReason);
}

void MemoryButtons::FinishRename(int n) {
    QLineEdit* edit = Edit[n - 1];
    if (!edit->isVisible() && !edit->isEnabled())
        return;
    const std::string name = edit->text().toStdString();
    session_.RenameSlot(n, name);
    if (SetOnDefault)
        SetOnDefault(true);
    edit->setEnabled(false);
    edit->hide();
}

// Enter or leaving a rename edit commits the name; Enter does not reach the window.
bool MemoryButtons::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        for (QPushButton* button : Button)
            if (watched == button) {
                ShowNames();
                break;
            }
    }
    for (int i = 0; i < 4; ++i) {
        if (watched != Edit[i])
            continue;
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                FinishRename(i + 1);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut && Edit[i]->isEnabled()) {
            FinishRename(i + 1);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quavril
