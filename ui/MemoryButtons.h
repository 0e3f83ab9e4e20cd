#pragma once

#include <QObject>
#include <functional>

class QAction;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QWidget;

namespace quavril {

class DesignLayout;
class GeneratorSession;

// The memory group of the generator window: four buttons that recall the memory slots, each
// with a popup menu to store the current settings into its slot or to rename it. While a slot
// is renamed a borderless edit lies over its button; Enter or leaving the edit commits the
// name (an empty one too).
class MemoryButtons : public QObject {
    Q_OBJECT
public:
    MemoryButtons(GeneratorSession& session, DesignLayout& layout, QWidget* client);

    // Slots 1..4.
    void Recall(int n);
    void Store(int n);
    void StartRename(int n);
    void FinishRename(int n);
    // The buttons show the slots' names (after every change of the bank).
    void ShowNames();

    // Renaming takes the default-button role from the On button and gives it back.
    std::function<void(bool onIsDefault)> SetOnDefault;

    QGroupBox* GroupBox7;
    QPushButton* Button[4]{}; // Mem1, Mem2, Memory3, Memory4
    QLineEdit* Edit[4];       // Mem1Edit .. Mem4Edit
    QMenu* Popup[4];          // PopupMenu1 .. PopupMenu4
    QAction* StoreItem[4];    // Store, Store2, Store3, Store4
    QAction* RenameItem[4];   // Rename, Rename1, Rename2, Rename3

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildSlot(int i, DesignLayout& layout);

    GeneratorSession& session_;
};

} // namespace quavril
