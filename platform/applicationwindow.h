// The main window as the application controller sees it at launch: its menus, its title and the
// column titles of its list, each of which the launch replaces by its localised form. The window
// implements it; the controller never sees a widget. Main thread only.
#pragma once

#include <QString>

namespace platform {

class ApplicationWindow {
public:
    virtual ~ApplicationWindow() = default;

    // Replaces the title and tool tip of every menu item of the main menu, submenus first, and every
    // menu's title, by their localised forms (localizedString); separators stay untouched.
    virtual void localizeMainMenu() = 0;
    virtual QString title() const = 0;
    virtual void setTitle(const QString& title) = 0;
    virtual int columnCount() const = 0;
    virtual QString columnTitle(int column) const = 0;
    virtual void setColumnTitle(int column, const QString& title) = 0;
    // Marks the list for redrawing.
    virtual void redrawList() = 0;
};

} // namespace platform
