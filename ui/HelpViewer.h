#pragma once
#include <QString>
#include <QWidget>

class QPushButton;
class QTextBrowser;

namespace quavril {

// The program's help: HTML topics in the "help" folder of the shipped data, shown in one
// small browser window. Context numbers name topics: 1 the generator window, 2 the output
// settings, 3 the performance test, 4 scripts, 5 the File menu, 6 the Presets menu, 7 the
// frequency slider, 8 the frequency display, 9 the signal monitor; anything else shows the
// contents. The viewer stands over the generator window; Back, Forward and Contents buttons
// (also Alt+Left, Alt+Right) move between topics; Esc and Ctrl+W close it.
//
// F1 anywhere in the program opens the topic of what has the focus: the nearest widget (or
// window) that carries a help context (SetContext); with a menu open, that menu's item or the
// menu itself.
class HelpViewer : public QWidget {
    Q_OBJECT
public:
    enum Context {
        GeneratorWindow = 1,
        OutputSettings = 2,
        PerformanceTest = 3,
        Scripts = 4,
        FileMenu = 5,
        PresetsMenu = 6,
        FrequencySlider = 7,
        FrequencyDisplay = 8,
        SignalMonitor = 9
    };

    // The one viewer of the application, created on first use (again after its owner went).
    static HelpViewer& Instance();
    // The window the viewer stands over (the generator window); by default the top-level
    // window marked as the generator window.
    static void SetOwner(QWidget* owner);
    // The folder holding the topics; by default DataPaths::HelpFolder().
    static void SetFolder(const QString& folder);
    static QString Folder();
    // The topic file of a context ("index.html" for unknown contexts).
    static QString TopicOf(int context);

    // Gives `widget` (a window, a control, a menu or its action's owner) a help context for F1,
    // and makes F1 work in the whole program.
    static void SetContext(QObject* widget, int context);
    // The context F1 pressed in `receiver` (the focus widget or its window) opens: the open
    // menu's, else the nearest context of the receiver and its owners; the contents otherwise.
    static int ContextForF1(const QObject* receiver);

    void ShowContext(int context);
    void ShowContents();
    // The file shown last (empty before the first request).
    QString CurrentTopic() const;

private:
    explicit HelpViewer(QWidget* parent = nullptr);
    void ShowTopic(const QString& file);

    QTextBrowser* browser_;

public:
    QPushButton* BackButton;
    QPushButton* ForwardButton;
    QPushButton* ContentsButton;
};

} // namespace quavril
