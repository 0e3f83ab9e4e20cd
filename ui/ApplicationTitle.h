#pragma once
#include <QString>

namespace quavril {

// The program's titles. The generator title "Quavril 3.92" is the main window's caption, by
// which generator windows find each other. The application title is what the desktop shows
// for the running program: "Quavril" at start, "ON - Quavril 3.92" while the generator is on
// and "Quavril 3.92" after it was switched off. It is kept apart from the caption so that the
// caption never changes while peers look for it, and is shown as the window's icon text.
class ApplicationTitle {
public:
    static constexpr const char* ProductName = "Quavril";
    static constexpr const char* VersionText = "3.92";

    static QString GeneratorTitle();
    static QString RunningTitle(); // "ON - " + the generator title

    static QString Get();
    static void Set(const QString& title);
};

} // namespace quavril
